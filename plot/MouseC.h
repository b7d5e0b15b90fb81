#pragma once

#include <QObject>

class QMouseEvent;

// The last mouse positions and button state over the plot.
class MouseC : public QObject
{
    Q_OBJECT

public:
    int curX = 0;
    int curY = 0;
    int pressX = 0; // also the drag anchor, advanced while dragging
    int pressY = 0;
    int releaseX = 0;
    int releaseY = 0;
    int dblClickX = 0;
    int dblClickY = 0;
    bool pressed = false;
    Qt::MouseButton button = Qt::NoButton;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;

    void recordMove(QMouseEvent *e);
    void recordPress(QMouseEvent *e);
    void recordRelease(QMouseEvent *e);
    void recordDoubleClick(QMouseEvent *e);
    // True when the event lies in the 13 x 13 pixel box right of and above (x, y).
    bool hitTest(QMouseEvent *e, int x, int y) const;
};

extern MouseC plotMouse;
