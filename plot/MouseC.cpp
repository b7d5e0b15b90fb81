#include "MouseC.h"

#include <QMouseEvent>

MouseC plotMouse;

void MouseC::recordMove(QMouseEvent *e)
{
    curX = e->pos().x();
    curY = e->pos().y();
    button = e->button();
    modifiers = e->modifiers();
}

void MouseC::recordPress(QMouseEvent *e)
{
    pressX = e->pos().x();
    pressY = e->pos().y();
    pressed = true;
    button = e->button();
    modifiers = e->modifiers();
}

void MouseC::recordRelease(QMouseEvent *e)
{
    releaseX = e->pos().x();
    releaseY = e->pos().y();
    pressed = false;
    button = e->button();
    modifiers = e->modifiers();
}

void MouseC::recordDoubleClick(QMouseEvent *e)
{
    dblClickX = e->pos().x();
    dblClickY = e->pos().y();
    button = e->button();
    modifiers = e->modifiers();
}

bool MouseC::hitTest(QMouseEvent *e, int x, int y) const
{
    const int ex = e->pos().x();
    const int ey = e->pos().y();
    return x + 5 < ex && ex <= x + 18 && y - 18 <= ey && ey < y - 5;
}
