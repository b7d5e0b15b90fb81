#pragma once

#include <QColor>
#include <QLine>
#include <QVector>

class QPainter;
class QPen;

// Draws the plot's straight lines: pixel coordinates given as doubles are truncated toward zero,
// exactly as one QPainter::drawLines call per segment would draw them, only faster.
//
// Guards: a segment with an infinite or NaN end is dropped; finite ends far outside the widget
// are clipped to a margin of a few widget sizes first, so the integers stay small and the
// visible part keeps its course.
//
// Speed: the raster engine draws a 1 px line pixel by pixel and pays a fixed price per call,
// which made the grid and the two 2000-point curves the bulk of a repaint. Here horizontal and
// vertical segments of a 1 or 2 px solid, square-capped pen become the rectangles of exactly
// the pixels the pen covers (1 px: the closed range between the ends; 2 px: one more pixel up
// and left), consecutive segments along one row or column are joined, and a segment that
// collapses to one point where the previous one ended adds nothing and is left out. Everything
// else goes to drawLines in one call per flush. Lines of one pen are queued until flush() (or
// setPen, or destruction), so call flush() before drawing anything that must lie on top.
class SegmentPainter
{
public:
    SegmentPainter(QPainter *p, int width, int height);
    ~SegmentPainter();
    SegmentPainter(const SegmentPainter &) = delete;
    SegmentPainter &operator=(const SegmentPainter &) = delete;

    // Flushes the queued lines, then makes pen the painter's pen.
    void setPen(const QPen &pen);
    void line(double x1, double y1, double x2, double y2);
    void flush();

private:
    bool inside(double x, double y) const;
    bool clip(double &x1, double &y1, double &x2, double &y2) const;
    void add(const QLine &l);
    void emitLine(const QLine &l);

    QPainter *p;
    double xMin, yMin, xMax, yMax;
    int penWidth = -1; // 1 or 2 when rectangles may stand in for lines, else -1
    QColor penColor;
    bool hasPending = false;
    QLine pending;
    QVector<QLine> diagonals;
};
