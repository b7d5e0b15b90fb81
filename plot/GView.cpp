#include "GView.h"

#include <QPainter>

GView::GView(QWidget *parent) : QWidget(parent, Qt::WindowFlags())
{
    // Move events must arrive without a button held: the cursor read-out and Shift + move
    // follow the pointer.
    setAttribute(Qt::WA_MouseTracking);
}

void GView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    Q_EMIT draw(&painter);
}

void GView::mouseMoveEvent(QMouseEvent *e)
{
    Q_EMIT mouseMoved(e);
}
void GView::mousePressEvent(QMouseEvent *e)
{
    Q_EMIT mousePressed(e);
}
void GView::mouseReleaseEvent(QMouseEvent *e)
{
    Q_EMIT mouseReleased(e);
}
void GView::mouseDoubleClickEvent(QMouseEvent *e)
{
    Q_EMIT mouseDoubleClicked(e);
}
void GView::wheelEvent(QWheelEvent *e)
{
    Q_EMIT wheelMoved(e);
}
