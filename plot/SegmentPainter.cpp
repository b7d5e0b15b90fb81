#include "SegmentPainter.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

SegmentPainter::SegmentPainter(QPainter *p, int width, int height) : p(p)
{
    const double margin = 4.0 * std::max({width, height, 1});
    xMin = -margin;
    yMin = -margin;
    xMax = width + margin;
    yMax = height + margin;
}

SegmentPainter::~SegmentPainter()
{
    flush();
}

void SegmentPainter::setPen(const QPen &pen)
{
    flush();
    p->setPen(pen);
    // Rectangles stand in for lines only where they were checked to give the same pixels: an
    // opaque solid pen of 1 or 2 px with square caps, on an untransformed, aliased painter.
    const bool plain = pen.style() == Qt::SolidLine && pen.capStyle() == Qt::SquareCap &&
                       pen.brush().style() == Qt::SolidPattern && !pen.isCosmetic() &&
                       pen.color().alpha() == 255 && (pen.width() == 1 || pen.width() == 2) &&
                       !(p->renderHints() & QPainter::Antialiasing) &&
                       p->transform().isIdentity() && p->opacity() == 1.0 &&
                       p->compositionMode() == QPainter::CompositionMode_SourceOver;
    penWidth = plain ? pen.width() : -1;
    penColor = pen.color();
}

void SegmentPainter::line(double x1, double y1, double x2, double y2)
{
    if (!(std::isfinite(x1) && std::isfinite(y1) && std::isfinite(x2) && std::isfinite(y2)))
        return;
    if (!inside(x1, y1) || !inside(x2, y2)) {
        if (!clip(x1, y1, x2, y2))
            return;
    }
    add(QLine(static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2),
              static_cast<int>(y2)));
}

bool SegmentPainter::inside(double x, double y) const
{
    return x >= xMin && x <= xMax && y >= yMin && y <= yMax;
}

// Liang-Barsky: shortens the segment to the part inside the box; false when none is.
bool SegmentPainter::clip(double &x1, double &y1, double &x2, double &y2) const
{
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    double t0 = 0.0;
    double t1 = 1.0;
    const double pk[4] = {-dx, dx, -dy, dy};
    const double qk[4] = {x1 - xMin, xMax - x1, y1 - yMin, yMax - y1};
    for (int i = 0; i < 4; ++i) {
        if (pk[i] == 0.0) {
            if (qk[i] < 0.0)
                return false;
            continue;
        }
        const double t = qk[i] / pk[i];
        if (pk[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    if (!(t0 <= t1))
        return false;
    const double nx1 = x1 + t0 * dx;
    const double ny1 = y1 + t0 * dy;
    const double nx2 = x1 + t1 * dx;
    const double ny2 = y1 + t1 * dy;
    x1 = std::clamp(nx1, xMin, xMax);
    y1 = std::clamp(ny1, yMin, yMax);
    x2 = std::clamp(nx2, xMin, xMax);
    y2 = std::clamp(ny2, yMin, yMax);
    return true;
}

void SegmentPainter::add(const QLine &l)
{
    if (penWidth < 0) {
        p->drawLines(&l, 1);
        return;
    }
    const QPoint a = l.p1();
    const QPoint b = l.p2();
    const bool point = a == b;
    const bool row = a.y() == b.y();
    const bool column = a.x() == b.x();

    if (hasPending && a == pending.p2()) {
        const QPoint from = pending.p1();
        const QPoint to = pending.p2();
        const bool pendingPoint = from == to;
        const bool pendingRow = from.y() == to.y();
        const bool pendingColumn = from.x() == to.x();
        const bool pendingAxis = pendingRow || pendingColumn;
        // A 1 px line always covers its end pixels; a 2 px one covers the 2 x 2 block at its
        // ends when it runs along a row or column.
        if (point && (penWidth == 1 || pendingAxis))
            return;
        if (pendingPoint && (penWidth == 1 || row || column)) {
            pending = l;
            return;
        }
        // A run that goes on along the same row or column, in the same direction, is one
        // longer line.
        const bool sameWay = (to.x() - from.x()) * (b.x() - a.x()) >= 0 &&
                             (to.y() - from.y()) * (b.y() - a.y()) >= 0;
        if (!pendingPoint && !point && sameWay &&
            ((pendingRow && row) || (pendingColumn && column))) {
            pending.setP2(b);
            return;
        }
    }
    if (hasPending)
        emitLine(pending);
    pending = l;
    hasPending = true;
}

void SegmentPainter::emitLine(const QLine &l)
{
    const QPoint a = l.p1();
    const QPoint b = l.p2();
    if (a.x() != b.x() && a.y() != b.y()) {
        diagonals.append(l);
        return;
    }
    const int left = std::min(a.x(), b.x());
    const int right = std::max(a.x(), b.x());
    const int top = std::min(a.y(), b.y());
    const int bottom = std::max(a.y(), b.y());
    const int grow = penWidth - 1; // a 2 px pen reaches one pixel further up and left
    p->fillRect(QRect(left - grow, top - grow, right - left + 1 + grow, bottom - top + 1 + grow),
                penColor);
}

void SegmentPainter::flush()
{
    if (hasPending) {
        emitLine(pending);
        hasPending = false;
    }
    if (!diagonals.isEmpty()) {
        p->drawLines(diagonals.constData(), diagonals.size());
        diagonals.clear();
    }
}
