#pragma once

#include "PlotPainter.h"

#include <QWidget>

class QMouseEvent;
class QPainter;
class QPaintEvent;
class QWheelEvent;

// The plot area. It draws nothing itself: paint, mouse and wheel events become signals that the
// main window answers. It keeps what its painting may use again (the layout, the texts shaped).
class GView : public QWidget
{
    Q_OBJECT

public:
    explicit GView(QWidget *parent = nullptr);

    PlotPaintCache &paintCache() { return cache; }

Q_SIGNALS:
    void draw(QPainter *p);
    void mouseMoved(QMouseEvent *e);
    void mousePressed(QMouseEvent *e);
    void mouseReleased(QMouseEvent *e);
    void mouseDoubleClicked(QMouseEvent *e);
    void wheelMoved(QWheelEvent *e);

private Q_SLOTS:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void wheelEvent(QWheelEvent *e) override;

private:
    PlotPaintCache cache;
};
