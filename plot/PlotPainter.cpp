#include "PlotPainter.h"

#include "SegmentPainter.h"

#include <QColor>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace {

// No repaint needs more grid lines than this; a range whose step no longer advances the value
// (bounds near 1e308, or a step lost in rounding) stops here instead of looping.
constexpr int MAX_TICKS = 1000;

QPen makePen(int width, int r, int g, int b)
{
    QPen pen;
    pen.setWidth(width);
    QColor c;
    c.setRgb(r, g, b, 255);
    pen.setColor(c);
    return pen;
}

// Tick values from the first multiple of step above lo to the last one at or below hi, by
// repeated addition of the step.
QVector<double> ticks(double lo, double hi, double step)
{
    QVector<double> values;
    if (!(step > 0) || !std::isfinite(step))
        return values;
    const double first = std::trunc(lo / step + 1) * step;
    const double last = std::trunc(hi / step) * step;
    if (!std::isfinite(first) || !std::isfinite(last))
        return values;
    for (double v = first; v <= last && values.size() < MAX_TICKS; v += step) {
        values.append(v);
        if (v + step == v)
            break;
    }
    return values;
}

// A text rectangle is worth handing to the painter only when it is finite and near the device;
// text far outside could never show, and huge coordinates make the text engine misbehave.
bool rectWorthDrawing(QPainter *p, const QRectF &r)
{
    if (!(std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) &&
          std::isfinite(r.height())))
        return false;
    const QPaintDevice *dev = p->device();
    if (!dev)
        return true;
    const double w = dev->width();
    const double h = dev->height();
    const double margin = 4.0 * std::max({w, h, 1.0});
    return r.right() >= -margin && r.left() <= w + margin && r.bottom() >= -margin &&
           r.top() <= h + margin;
}

} // namespace

double getStep(double xw)
{
    const double x = xw / 10.0;
    const double lg = std::log10(x);
    if (!std::isfinite(lg))
        return 0.0;
    // Truncation toward zero, so that ranges between 1 and 10 still get steps of 1.
    const double a = std::pow(10.0, int(lg));
    if (1.5 * a > x)
        return a;
    if (3.0 * a > x)
        return 2.0 * a;
    return 5.0 * a;
}

int cursorIndex(const double *gridE, int n, double energy)
{
    int idx = 0;
    for (int i = 1; i < n; ++i) {
        if (gridE[i] >= energy && energy > gridE[i - 1])
            idx = i;
    }
    return idx;
}

void drawFittedText(QPainter *p, QRectF rect, QFont font, int flags, int fit, const QString &text)
{
    const qreal size0 = font.pointSizeF();
    if (fit == 1) {
        // Measured with the painter's current font, which is the caller's font at its
        // original size after the first call of a repaint.
        const QRectF br = p->boundingRect(QRectF(0, 0, 1000, 1000), flags, text);
        const double sx = rect.width() == 0 ? 1.0 : br.width() / rect.width();
        const double sy = rect.height() == 0 ? 1.0 : br.height() / rect.height();
        const double m = (sx == 0 && sy == 0) ? 1.0 : std::max(sx, sy);
        const double size = size0 / m;
        // Sizes below one point (a rectangle too small for any text), pixel-sized fonts and
        // absurd sizes keep the font as it is, which is what the font would do with them anyway.
        if (std::isfinite(size) && size >= 1.0 && size < 1.0e5)
            font.setPointSize(int(size));
    }
    p->setFont(font);
    if (rectWorthDrawing(p, rect))
        p->drawText(rect, flags, text);
    if (size0 > 0)
        font.setPointSizeF(size0);
    p->setFont(font);
}

void paintSpectrumPlot(QPainter *p, const PlotPaintInput &in, ChCoord &coord)
{
    const int n = in.points;
    if (n < 2)
        return;
    const int W = in.width;
    const int H = in.height;
    const double *E = in.gridE;
    const SpectrumResult &sim = *in.spectrum;

    const QFont font;
    const QPen curvePen = makePen(2, 255, 0, 0);
    const QPen numberPen = makePen(1, 100, 0, 150);
    const QPen framePen = makePen(2, 0, 0, 0);
    const QPen gridPen = makePen(1, 0, 0, 0);
    const QPen calcPen = makePen(1, 220, 150, 0);
    const QPen edgePen = makePen(1, 0, 230, 0);
    const QPen fluoPen = makePen(1, 0, 0, 250);
    SegmentPainter seg(p, W, H);
    // Lines are queued by seg; text must go on top of everything drawn before it.
    const auto text = [p, &seg, &font](const QRectF &rect, int flags, const QString &s) {
        seg.flush();
        drawFittedText(p, rect, font, flags, 1, s);
    };

    // Layout.
    const double unitH = H / 20;
    const double unitW = W / 30;
    const double textH = 0.7 * unitH;
    coord.setScreenRect(W * 0.15, H * 0.07, W - W * 0.05, H - H * 0.07);
    coord.setRealRect(E[0], in.mutMin * 0.95 - (in.mutMax - in.mutMin) * 0.3, E[n - 1],
                      in.mutMax * 1.05);
    const double stickMax = std::abs(coord.screenY0 - coord.screenY1) * 0.2;
    const double eLo = E[0];
    const double eHi = E[n - 1];
    const int X0 = int(coord.screenX0);
    const int X1 = int(coord.screenX1);
    const int Y0 = int(coord.screenY0);
    const int Y1 = int(coord.screenY1);
    auto x = [&coord](double e) { return coord.realToScreenX(e); };
    auto y = [&coord](double v) { return coord.realToScreenY(v); };

    // Frame.
    seg.setPen(framePen);
    seg.line(X0, Y0, X0, Y1);
    seg.line(X0, Y1, X1, Y1);
    seg.line(X1, Y1, X1, Y0);
    seg.line(X1, Y0, X0, Y0);

    // Grid.
    const double xStep = getStep(eHi - eLo);
    const QVector<double> xTicks = ticks(eLo, eHi, xStep);
    const double yStep = getStep(coord.realY1 - coord.realY0);
    const QVector<double> yTicks = ticks(coord.realY0, coord.realY1, yStep);
    seg.setPen(gridPen);
    for (const double v : xTicks)
        seg.line(x(v), Y0, x(v), Y1);
    if (yStep > 0) {
        for (const double v : yTicks) {
            if (v >= 0)
                seg.line(X0, y(v), X1, y(v));
        }
    }

    // Calculation point, drawn even when it lies outside the range.
    seg.setPen(calcPen);
    const double xc = x(in.calcPointE);
    seg.line(xc, Y0, xc, Y1);
    text(QRectF(xc - 0.5 * (4 * unitW), H * 0.07 - unitH - unitH / 10, 4 * unitW, textH),
         Qt::AlignCenter, in.calcPointCaption);

    // Axis numbers of the mu t scale; the fluorescence intensity has no axis.
    seg.setPen(numberPen);
    const double labelW = std::abs(coord.realToScreenDX(xStep)) * 0.8;
    for (const double v : xTicks) {
        text(QRectF(x(v) - labelW * 0.5, coord.screenY1 + unitH / 10, labelW, unitH),
             Qt::AlignCenter, QString::number(v, 'f', 2));
    }
    if (yStep > 0) {
        const double lh = std::min(std::abs(coord.realToScreenDY(yStep)) * 0.8, unitH);
        for (const double v : yTicks) {
            if (v >= 0) {
                text(QRectF((W * 0.15) * 0.1, y(v) - lh * 0.5, (W * 0.15) * 0.8, lh),
                     Qt::AlignRight | Qt::AlignVCenter, QString::number(v, 'g', 2));
            }
        }
    }

    // mu t curve.
    seg.setPen(curvePen);
    for (int i = 1; i < n; ++i)
        seg.line(x(E[i - 1]), y(in.mutCurve[i - 1]), x(E[i]), y(in.mutCurve[i]));

    // Absorption edges: labels climb from the middle of the plot towards its top.
    seg.setPen(edgePen);
    const double labelYStart = (coord.screenY0 + coord.screenY1) * 0.5 - 2 * textH;
    double labelY = labelYStart;
    const int nEdges = std::min(EDGE_COUNT, int(in.edgeNames.size()));
    for (const Composition *comp : {in.tgt, in.bnd}) {
        if (!comp)
            continue;
        for (const CompEntry &entry : comp->entries) {
            for (int e = 0; e < nEdges; ++e) {
                const double Ee = entry.data->edge[e];
                if (!(eLo < Ee && Ee < eHi))
                    continue;
                const double xe = x(Ee);
                seg.line(xe, std::trunc(coord.screenY1 - stickMax), xe, Y0);
                seg.line(xe, labelY, xe + 10, labelY - 10);
                text(QRectF(xe + 15, labelY - 10 - textH * 0.5, 10 * unitW, textH),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     entry.symbol + QLatin1Char(' ') + in.edgeNames.at(e));
                labelY -= textH;
                if (labelY < coord.screenY0)
                    labelY = labelYStart;
            }
        }
    }

    // Line sticks, the strongest stickMax high.
    seg.setPen(fluoPen);
    for (const LinePeak &peak : sim.linePeaks) {
        const double xl = x(peak.peakEnergy);
        seg.line(xl, coord.screenY1 - stickMax * peak.peakIntensity / sim.peakMax, xl, Y1);
    }

    // Line labels climb from the bottom within a band of two stick heights. The leader is drawn
    // after the move, so it points one text height above the label just written.
    double curY = coord.screenY1 - textH;
    for (const LineLabel &label : sim.labelList) {
        const double xl = x(label.first);
        text(QRectF(xl + 15, curY - 10 - textH * 0.5, 10 * unitW, textH),
             Qt::AlignLeft | Qt::AlignVCenter, label.second);
        curY -= textH;
        if (curY < coord.screenY1 - 2 * stickMax + textH)
            curY = coord.screenY1 - textH;
        seg.line(xl, curY, xl + 10, curY - 10);
    }

    // The spectrum on its own scale, 0 at the bottom and 1.1 x its maximum at the top.
    coord.setRealYRange(0, sim.spectrumMax * 1.1);
    for (int i = 1; i < n; ++i)
        seg.line(x(E[i - 1]), y(in.fluoSpectrum[i - 1]), x(E[i]), y(in.fluoSpectrum[i]));

    // Intensity under the cursor, in the band above the plot area.
    const int idx = cursorIndex(E, n, coord.screenToRealX(in.cursorX));

    const QString readout = in.readoutFormat.arg(in.fluoSpectrum[idx], 10, 'e', 3, QLatin1Char(' '))
                                .arg(E[idx], 0, 'g', -1);
    text(QRectF(W * 0.15 + unitW, H * 0.07 - unitH, 10 * unitW, textH),
         Qt::AlignLeft | Qt::AlignVCenter, readout);
}
