#include "PlotPainter.h"

#include "SegmentPainter.h"

#include <QColor>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <utility>

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

// Tick values: the multiples of step above lo and up to hi. A bound that is itself a multiple
// but lost a bit in the division (8.2 / 0.1 = 81.999...) still counts as one; each value is its
// multiple times the step, so no rounding piles up along the axis.
QVector<double> ticks(double lo, double hi, double step)
{
    QVector<double> values;
    if (!(step > 0) || !std::isfinite(step))
        return values;
    const double kFirst = std::trunc(lo / step + 1);
    const double kLast = std::floor(hi / step + 1e-9);
    if (!std::isfinite(kFirst) || !std::isfinite(kLast))
        return values;
    for (double k = kFirst; k <= kLast && values.size() < MAX_TICKS; k += 1) {
        values.append(k * step);
        if (k + 1 == k)
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
    // The power of ten at or below a tenth of the range: a range of 1.2 keV gets 0.1 keV steps.
    const double a = std::pow(10.0, std::floor(lg));
    if (1.5 * a > x)
        return a;
    if (3.0 * a > x)
        return 2.0 * a;
    return 5.0 * a;
}

int tickDecimals(double step)
{
    if (!(step > 0) || !std::isfinite(step))
        return 0;
    // A little slack, so that 0.1 (just below a tenth in binary) counts as 10^-1.
    return std::max(0, int(-std::floor(std::log10(step) + 1e-9)));
}

QVector<double> axisTicks(double lo, double hi, double step)
{
    return ticks(lo, hi, step);
}

QString tickLabel(double v, double step)
{
    // -0.00 would read as a different number from 0.00.
    const QString text = QString::number(v, 'f', tickDecimals(step));
    return text.startsWith(QLatin1Char('-')) && text.toDouble() == 0.0 ? text.mid(1) : text;
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

bool drawFittedText(QPainter *p, QRectF rect, QFont font, int flags, int fit, const QString &text,
                    double minPointSize)
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
        if (minPointSize > 0 && !(size >= minPointSize))
            return false; // unreadable at the size that fits
        // Sizes below one point (a rectangle too small for any text), pixel-sized fonts and
        // absurd sizes keep the font as it is, which is what the font would do with them anyway.
        if (std::isfinite(size) && size >= 1.0 && size < 1.0e5)
            font.setPointSize(int(size));
    }
    p->setFont(font);
    const bool drawn = rectWorthDrawing(p, rect);
    if (drawn)
        p->drawText(rect, flags, text);
    if (size0 > 0)
        font.setPointSizeF(size0);
    p->setFont(font);
    return drawn;
}

namespace {

// Labels that must not cover each other: a rectangle is taken only where it meets none taken.
class LabelSpace
{
public:
    bool isFree(const QRectF &r) const
    {
        for (const QRectF &t : qAsConst(taken)) {
            if (t.intersects(r))
                return false;
        }
        return true;
    }
    bool take(const QRectF &r)
    {
        if (!isFree(r))
            return false;
        taken.append(r);
        return true;
    }

private:
    QVector<QRectF> taken;
};

// Ticks of a logarithmic axis between two positive values: decades, or 1-2-5 steps within them
// when the axis spans less than three decades.
QVector<double> logTicks(double lo, double hi)
{
    QVector<double> values;
    if (!(lo > 0 && hi > lo) || !std::isfinite(lo) || !std::isfinite(hi))
        return values;
    const int first = int(std::floor(std::log10(lo)));
    const int last = int(std::ceil(std::log10(hi)));
    const bool fine = last - first < 3;
    for (int k = first; k <= last && values.size() < MAX_TICKS; ++k) {
        for (const double m : {1.0, 2.0, 5.0}) {
            if (!fine && m != 1.0)
                continue;
            const double v = m * std::pow(10.0, k);
            if (v >= lo && v <= hi)
                values.append(v);
        }
    }
    return values;
}

} // namespace

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
    const QPen detectorPen = makePen(1, 170, 0, 170); // scatter and escape peaks
    SegmentPainter seg(p, W, H);
    const double minPt = in.minPointSize;
    // Text at the smallest readable size, for captions whose room is set by the layout.
    QFont small = font;
    if (minPt > 0)
        small.setPointSizeF(std::max(minPt, 1.0));
    // The painter keeps the small font from one caption to the next, since setting a font costs
    // more than drawing a short text; fitted text and the end of the repaint get the plain font
    // back, as they always had it.
    bool smallSet = false;
    const auto useFont = [p, &smallSet, &small, &font](bool wantSmall) {
        if (smallSet != wantSmall)
            p->setFont(wantSmall ? small : font);
        smallSet = wantSmall;
    };
    // Lines are queued by seg; text must go on top of everything drawn before it.
    const auto text = [p, &seg, &font, &useFont, minPt](const QRectF &rect, int flags,
                                                        const QString &s) {
        seg.flush();
        useFont(false);
        return drawFittedText(p, rect, font, flags, 1, s, minPt);
    };
    const QFontMetricsF fm(small, p->device());
    const double lineH = fm.height();
    const auto plainText = [p, &seg, &useFont](const QRectF &rect, int flags, const QString &s) {
        seg.flush();
        useFont(true);
        if (rectWorthDrawing(p, rect))
            p->drawText(rect, flags, s);
    };

    // Layout: the fitted look of a large plot, with room kept for numbers and axis titles at
    // a readable size however small the plot gets.
    const double unitH = H / 20;
    const double unitW = W / 30;
    const double textH = std::max(0.7 * unitH, lineH);
    const double numberW = fm.horizontalAdvance(QStringLiteral("8.8e+88")) + lineH * 0.3;
    const double left = std::max(W * 0.15, numberW + 1.4 * lineH);
    // The intensity numbers sit just inside the right edge of the frame; the margin keeps
    // room for the intensity axis title.
    const double right = W - std::max(W * 0.05, 1.4 * lineH);
    const double top = std::max(H * 0.07, 1.3 * lineH);
    const double bottom = H - std::max(H * 0.07, 1.3 * lineH);
    coord.setScreenRect(left, top, right, bottom);
    const double eLo = E[0];
    const double eHi = E[n - 1];

    // The mu t scale, linear or by decades.
    const bool logScale = in.logMuT;
    double logLo = 0;
    double logHi = 0;
    if (logScale) {
        double lo = 0;
        for (int i = 0; i < n; ++i) {
            if (in.mutCurve[i] > 0 && std::isfinite(in.mutCurve[i]) &&
                (lo == 0 || in.mutCurve[i] < lo))
                lo = in.mutCurve[i];
        }
        const double hi = in.mutMax > 0 ? in.mutMax : 1.0;
        if (!(lo > 0))
            lo = hi / 10;
        logLo = std::log10(lo) - 0.05 * (std::log10(hi) - std::log10(lo) + 1);
        logHi = std::log10(hi) + 0.05 * (std::log10(hi) - std::log10(lo) + 1);
        coord.setRealRect(eLo, logLo, eHi, logHi);
    } else {
        coord.setRealRect(eLo, in.mutMin * 0.95 - (in.mutMax - in.mutMin) * 0.3, eHi,
                          in.mutMax * 1.05);
    }
    const double stickMax = std::abs(coord.screenY0 - coord.screenY1) * 0.2;
    const int X0 = int(coord.screenX0);
    const int X1 = int(coord.screenX1);
    const int Y0 = int(coord.screenY0);
    const int Y1 = int(coord.screenY1);
    auto x = [&coord](double e) { return coord.realToScreenX(e); };
    auto y = [&coord, logScale](double v) {
        if (logScale)
            return v > 0 ? coord.realToScreenY(std::log10(v)) : std::nan("");
        return coord.realToScreenY(v);
    };

    // Frame.
    seg.setPen(framePen);
    seg.line(X0, Y0, X0, Y1);
    seg.line(X0, Y1, X1, Y1);
    seg.line(X1, Y1, X1, Y0);
    seg.line(X1, Y0, X0, Y0);

    // Grid.
    const double xStep = getStep(eHi - eLo);
    const QVector<double> xTicks = ticks(eLo, eHi, xStep);
    const double yStep = logScale ? 0.0 : getStep(coord.realY1 - coord.realY0);
    const QVector<double> yTicks = logScale ? logTicks(std::pow(10.0, logLo), std::pow(10.0, logHi))
                                            : ticks(coord.realY0, coord.realY1, yStep);
    seg.setPen(gridPen);
    for (const double v : xTicks)
        seg.line(x(v), Y0, x(v), Y1);
    for (const double v : yTicks) {
        if (v >= 0)
            seg.line(X0, y(v), X1, y(v));
    }

    // Calculation point, drawn even when it lies outside the range.
    seg.setPen(calcPen);
    const double xc = x(in.calcPointE);
    seg.line(xc, Y0, xc, Y1);
    // The band above the plot holds the read-out on the left; the caption goes where it does
    // not cover it.
    const double readoutW = fm.horizontalAdvance(in.readoutFormat.arg(1.0, 10, 'e', 3).arg(10.0));
    const QRectF calcCaption(xc - 0.5 * (4 * unitW), top - lineH - unitH / 10, 4 * unitW,
                             std::max(textH, lineH));
    if (!calcCaption.intersects(QRectF(left, top - 1.2 * lineH, readoutW + unitW, lineH)))
        text(calcCaption, Qt::AlignCenter, in.calcPointCaption);

    // Axis numbers: energy below, mu t on the left. Labels are thinned where they would touch,
    // never shrunk below the readable size.
    seg.setPen(numberPen);
    const double spacing = std::abs(coord.realToScreenDX(xStep));
    const double widestX =
        xTicks.isEmpty() ? 0.0
                         : fm.horizontalAdvance(tickLabel(xTicks.last(), xStep)) + lineH * 0.5;
    const int everyX = spacing > 0 ? std::max(1, int(std::ceil(widestX / spacing))) : 1;
    const double labelW = std::max(spacing * 0.8, widestX);
    for (int i = 0; i < xTicks.size(); ++i) {
        const double v = xTicks[i];
        if (i % everyX != (xTicks.size() - 1) % everyX)
            continue;
        const QRectF r(x(v) - labelW * 0.5, coord.screenY1 + unitH / 10, labelW,
                       std::max(unitH, lineH));
        if (!text(r, Qt::AlignCenter, tickLabel(v, xStep)))
            plainText(r, Qt::AlignCenter, tickLabel(v, xStep));
    }
    double lastYLabel = 1e300;
    for (const double v : yTicks) {
        if (v < 0)
            continue;
        const double yy = y(v);
        if (std::abs(yy - lastYLabel) < lineH)
            continue;
        lastYLabel = yy;
        const double lh =
            std::max(std::min(std::abs(coord.realToScreenDY(yStep)) * 0.8, unitH), lineH);
        const QString label = logScale ? QString::number(v, 'g', 6) : tickLabel(v, yStep);
        const QRectF r(left - numberW - 0.3 * lineH, yy - lh * 0.5, numberW, lh);
        if (!text(r, Qt::AlignRight | Qt::AlignVCenter, label))
            plainText(r, Qt::AlignRight | Qt::AlignVCenter, label);
    }

    // Axis titles.
    // The energy title stands in the corner left of the energy numbers, under the mu t ones.
    seg.flush();
    p->setPen(numberPen);
    plainText(QRectF(0.2 * lineH, bottom + unitH / 10, left - 0.4 * lineH, std::max(unitH, lineH)),
              Qt::AlignRight | Qt::AlignVCenter, in.energyTitle);
    useFont(true); // so that restore() leaves the font the flag says
    p->save();
    p->translate(0.2 * lineH, (top + bottom) * 0.5);
    p->rotate(-90);
    plainText(QRectF(-(bottom - top) * 0.5, 0, bottom - top, lineH), Qt::AlignCenter,
              fm.elidedText(in.muTTitle, Qt::ElideRight, bottom - top));
    p->restore();

    // mu t curve.
    seg.setPen(curvePen);
    for (int i = 1; i < n; ++i)
        seg.line(x(E[i - 1]), y(in.mutCurve[i - 1]), x(E[i]), y(in.mutCurve[i]));

    // Absorption edges: labels climb from the middle of the plot towards its top, each where it
    // covers no other label.
    LabelSpace labels;
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
                const QString caption = entry.symbol + QLatin1Char(' ') + in.edgeNames.at(e);
                const QRectF r(xe + 15, labelY - 10 - textH * 0.5,
                               fm.horizontalAdvance(caption) + 4, textH);
                if (labels.take(r)) {
                    seg.line(xe, labelY, xe + 10, labelY - 10);
                    plainText(r, Qt::AlignLeft | Qt::AlignVCenter, caption);
                }
                labelY -= textH;
                if (labelY < coord.screenY0 + textH)
                    labelY = labelYStart;
            }
        }
    }

    // Line sticks, the strongest stickMax high; the peaks the detector adds in a colour of
    // their own, drawn after the lines so that a line does not hide them.
    for (const bool detectorPeaks : {false, true}) {
        seg.setPen(detectorPeaks ? detectorPen : fluoPen);
        for (const LinePeak &peak : sim.linePeaks) {
            if ((peak.kind != LinePeak::Kind::Line) != detectorPeaks)
                continue;
            const double xl = x(peak.peakEnergy);
            seg.line(xl, coord.screenY1 - stickMax * peak.peakIntensity / sim.peakMax, xl, Y1);
        }
    }
    seg.setPen(fluoPen); // for the label leaders and the spectrum

    // Line labels climb from the bottom within a band of two stick heights, each at the lowest
    // height where it covers no other label; one that finds no room is left out.
    // A crowded spectrum leaves most labels out, and measuring a text costs more than trying its
    // heights: where not even a sliver of the label's left edge is free, the label cannot be, so
    // it is measured only from the lowest height where that sliver fits.
    const auto inBand = [&](double curY) {
        return curY >= coord.screenY1 - 2 * stickMax - textH && curY > coord.screenY0;
    };
    QVector<std::pair<QRectF, const QString *>> placed;
    for (const LineLabel &label : sim.labelList) {
        const double xl = x(label.first);
        double firstY = coord.screenY1 - textH;
        while (inBand(firstY) && !labels.isFree(QRectF(xl + 15, firstY - 10 - textH * 0.5,
                                                       std::min(4.0, textH), textH)))
            firstY -= textH;
        if (!inBand(firstY))
            continue;
        const double w = fm.horizontalAdvance(label.second) + 4;
        for (double curY = firstY; inBand(curY); curY -= textH) {
            const QRectF r(xl + 15, curY - 10 - textH * 0.5, w, textH);
            if (labels.take(r)) {
                placed.append({r, &label.second});
                seg.line(xl, curY, xl + 10, curY - 10);
                break;
            }
        }
    }
    // The texts after their leaders, which then need one flush of the queued lines.
    for (const auto &[r, label] : qAsConst(placed))
        plainText(r, Qt::AlignLeft | Qt::AlignVCenter, *label);

    // The spectrum on its own scale, 0 at the bottom and 1.1 x its maximum at the top, with its
    // numbers and unit on the right.
    coord.setRealYRange(0, sim.spectrumMax * 1.1);
    for (int i = 1; i < n; ++i) {
        seg.line(x(E[i - 1]), coord.realToScreenY(in.fluoSpectrum[i - 1]), x(E[i]),
                 coord.realToScreenY(in.fluoSpectrum[i]));
    }
    if (sim.spectrumMax > 0) {
        seg.flush();
        p->setPen(numberPen);
        const double iStep = getStep(sim.spectrumMax * 1.1);
        double last = 1e300;
        for (const double v : ticks(0, sim.spectrumMax * 1.1, iStep)) {
            const double yy = coord.realToScreenY(v);
            if (std::abs(yy - last) < 2 * lineH)
                continue;
            last = yy;
            plainText(QRectF(right - numberW - 0.3 * lineH, yy - lineH * 0.5, numberW, lineH),
                      Qt::AlignRight | Qt::AlignVCenter, QString::number(v, 'g', 3));
        }
    }
    useFont(true); // so that restore() leaves the font the flag says
    p->save();
    p->translate(W - 0.2 * lineH, (top + bottom) * 0.5);
    p->rotate(90);
    plainText(QRectF(-(bottom - top) * 0.5, 0, bottom - top, lineH), Qt::AlignCenter,
              fm.elidedText(in.intensityTitle, Qt::ElideRight, bottom - top));
    p->restore();

    // Legend, in the top right corner of the plot on a white ground, where there is room.
    const QPen legendPens[] = {curvePen, fluoPen, edgePen, calcPen, detectorPen};
    constexpr int LEGEND_MAX = int(sizeof legendPens / sizeof legendPens[0]);
    double legendW = 0;
    for (const QString &entry : in.legend)
        legendW = std::max(legendW, fm.horizontalAdvance(entry));
    legendW += 1.8 * lineH;
    const double legendH = lineH * std::min<int>(LEGEND_MAX, int(in.legend.size()));
    if (!in.legend.isEmpty() && right - left > 4 * legendW && bottom - top > 3 * legendH) {
        const double lx = right - legendW - 4.5 * lineH; // clear of the intensity numbers
        double ly = top + 0.3 * lineH;
        seg.flush();
        p->fillRect(QRectF(lx - 0.2 * lineH, ly, legendW + 0.4 * lineH, legendH), Qt::white);
        for (int i = 0; i < in.legend.size() && i < LEGEND_MAX; ++i) {
            seg.setPen(legendPens[i]);
            seg.line(lx, ly + 0.5 * lineH, lx + 1.2 * lineH, ly + 0.5 * lineH);
            seg.flush();
            p->setPen(numberPen);
            plainText(QRectF(lx + 1.5 * lineH, ly, legendW, lineH),
                      Qt::AlignLeft | Qt::AlignVCenter, in.legend.at(i));
            ly += lineH;
        }
    }

    // The excitation energy being set from the pointer: a dashed line over everything, its
    // value on a white ground beside it, on the side with room.
    if (!in.excitationCaption.isEmpty()) {
        seg.flush();
        const double xe = x(in.excitationE);
        QPen pen = makePen(2, 0, 130, 130);
        pen.setStyle(Qt::DashLine);
        p->setPen(pen);
        p->drawLine(QPointF(xe, coord.screenY0), QPointF(xe, coord.screenY1));
        const double w = fm.horizontalAdvance(in.excitationCaption) + 0.6 * lineH;
        const double cx = xe + 0.3 * lineH + w <= right ? xe + 0.3 * lineH : xe - 0.3 * lineH - w;
        const QRectF box(cx, top + 0.3 * lineH, w, lineH);
        p->fillRect(box, Qt::white);
        p->setPen(makePen(1, 0, 110, 110));
        plainText(box, Qt::AlignCenter, in.excitationCaption);
        p->setPen(numberPen); // the read-out below keeps its colour
    }

    // Intensity under the cursor, in the band above the plot area.
    const int idx = cursorIndex(E, n, coord.screenToRealX(in.cursorX));
    const QString readout = in.readoutFormat.arg(in.fluoSpectrum[idx], 10, 'e', 3, QLatin1Char(' '))
                                .arg(E[idx], 0, 'g', -1);
    const QRectF readoutRect(left + unitW, top - std::max(unitH, lineH), 10 * unitW,
                             std::max(textH, lineH));
    if (!text(readoutRect, Qt::AlignLeft | Qt::AlignVCenter, readout))
        plainText(QRectF(left, top - 1.1 * lineH, right - left, lineH),
                  Qt::AlignLeft | Qt::AlignVCenter, readout);
    useFont(false);
}
