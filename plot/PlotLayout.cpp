#include "PlotLayout.h"

#include "PlotPainter.h"
#include "PlotText.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPaintDevice>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace {

constexpr int MAX_TICKS = 1000;

// QRectF::intersects for rectangles of positive size, inline.
bool overlap(const QRectF &a, const QRectF &b)
{
    return a.left() < b.right() && b.left() < a.right() && a.top() < b.bottom() &&
           b.top() < a.bottom() && a.width() > 0 && a.height() > 0 && b.width() > 0 &&
           b.height() > 0;
}

// Rectangles filed by the columns of 32 px they reach into, so that a test looks only at those
// near it: a crowded spectrum tries each of hundreds of labels at some thirty places against
// every text and stick placed before it. Whether anything overlaps does not depend on the order
// of the tests, so the placements are those of a test against every rectangle.
class RectColumns
{
public:
    void add(const QRectF &r)
    {
        int lo, hi;
        if (!span(r, &lo, &hi)) {
            anywhere.append(r);
            return;
        }
        if (columns.empty())
            base = lo;
        if (lo < base) {
            columns.insert(columns.begin(), size_t(base - lo), {});
            base = lo;
        }
        if (hi - base >= int(columns.size()))
            columns.resize(size_t(hi - base + 1));
        for (int c = lo; c <= hi; ++c)
            columns[size_t(c - base)].append(r);
    }
    bool hits(const QRectF &q) const
    {
        for (const QRectF &t : anywhere) {
            if (overlap(t, q))
                return true;
        }
        int lo, hi;
        if (!span(q, &lo, &hi)) {
            lo = base;
            hi = base + int(columns.size()) - 1;
        }
        for (int c = std::max(lo, base); c <= std::min(hi, base + int(columns.size()) - 1); ++c) {
            for (const QRectF &t : columns[size_t(c - base)]) {
                if (overlap(t, q))
                    return true;
            }
        }
        return false;
    }

private:
    static constexpr double WIDTH = 32;
    // The columns a rectangle reaches into; false for one too wide or too far out to file, which
    // is then tested everywhere.
    static bool span(const QRectF &r, int *lo, int *hi)
    {
        const double l = std::floor(std::min(r.left(), r.right()) / WIDTH);
        const double h = std::floor(std::max(r.left(), r.right()) / WIDTH);
        if (!(l >= -1e5 && h <= 1e5 && h - l <= 256))
            return false;
        *lo = int(l);
        *hi = int(h);
        return true;
    }
    std::vector<QVector<QRectF>> columns;
    int base = 0; // the first column's number
    QVector<QRectF> anywhere;
};

// Rectangles that must not cover each other: one is taken only where it meets none taken and
// no line blocked for it.
class LabelSpace
{
public:
    // gap: room kept free to the left and right of a text, so that two captions do not read as
    // one; a line may come closer.
    bool take(const QRectF &r, double gap = 0)
    {
        if (taken.hits(r.adjusted(-gap, 0, gap, 0)) || blocked.hits(r))
            return false;
        taken.add(r);
        return true;
    }
    // Whether r could be taken, without taking it.
    bool free(const QRectF &r) const { return !taken.hits(r) && !blocked.hits(r); }
    // Something drawn that no text may cover.
    void block(const QRectF &r) { blocked.add(r); }

private:
    RectColumns taken;
    RectColumns blocked;
};

bool finiteRect(const QRectF &r)
{
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) &&
           std::isfinite(r.height());
}

// The next step of the 1-2-5 sequence.
double coarser(double step)
{
    const double decade = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    const double m = step / decade;
    return (m < 1.5 ? 2.0 : m < 3.5 ? 5.0 : 10.0) * decade;
}

// The finest 1-2-5 step from getStep's that leaves at least need pixels between ticks.
double stepFor(double range, double pixels, double need)
{
    double step = getStep(range);
    if (!(step > 0) || !(pixels > 0))
        return 0;
    for (int i = 0; i < 40 && std::isfinite(step) && step / range * pixels < need; ++i)
        step = coarser(step);
    return std::isfinite(step) ? step : 0;
}

// Ticks of a logarithmic axis between two positive values: decades, with 2 and 5 when the axis
// spans fewer than three decades and has room for them.
QVector<double> logTicks(double lo, double hi, bool fine)
{
    QVector<double> values;
    if (!(lo > 0 && hi > lo) || !std::isfinite(lo) || !std::isfinite(hi))
        return values;
    const int first = int(std::floor(std::log10(lo)));
    const int last = int(std::ceil(std::log10(hi)));
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

// Ticks of one value axis at pixel spacing of at least need; the numbers on every tick that
// has room for one.
QVector<PlotTick> valueTicks(const PlotScale &s, double &step, double need, bool wide)
{
    QVector<PlotTick> out;
    QVector<double> values;
    const double pixels = std::abs(s.p1 - s.p0);
    step = 0;
    if (s.log) {
        const double decades = s.hi - s.lo;
        const bool fine = decades < 3 && pixels / decades * std::log10(2.5) >= need;
        values = logTicks(std::pow(10.0, s.lo), std::pow(10.0, s.hi), fine);
    } else {
        step = stepFor(s.hi - s.lo, pixels, need);
        values = axisTicks(s.lo, s.hi, step);
    }
    double last = std::nan("");
    for (const double v : values) {
        PlotTick t;
        t.value = v;
        t.pos = s(v);
        if (!std::isfinite(t.pos))
            continue;
        if (!(std::abs(t.pos - last) < need) && !(v < 0)) {
            if (s.log)
                t.text = QString::number(v, 'g', 6);
            else if (wide && (step < 1e-3 || std::max(std::abs(s.lo), std::abs(s.hi)) >= 1e5))
                t.text = QString::number(v, 'g', 3);
            else
                t.text = tickLabel(v, step);
            last = t.pos;
        }
        out.append(t);
    }
    return out;
}

template <typename Advance> double widest(const QVector<PlotTick> &ticks, Advance &&advance)
{
    double w = 0;
    for (const PlotTick &t : ticks)
        w = std::max(w, advance(t.text));
    return w;
}

} // namespace

PlotValueExtent measuredExtent(const PlotPaintInput &in, double lo, double hi)
{
    PlotValueExtent x;
    if (!in.measuredE || !in.measuredY)
        return x;
    for (int i = 0; i < in.measuredPoints; ++i) {
        const double e = in.measuredE[i];
        const double v = in.measuredY[i];
        if (!(lo <= e && e <= hi) || !(v > 0) || !std::isfinite(v))
            continue;
        x.max = std::max(x.max, v);
        if (x.smallestPositive == 0 || v < x.smallestPositive)
            x.smallestPositive = v;
    }
    return x;
}

QVector<QRectF> PlotLayout::textRects() const
{
    QVector<QRectF> rects;
    for (const QVector<PlotTick> *ticks : {&energyTicks, &muTTicks, &intensityTicks}) {
        for (const PlotTick &t : *ticks) {
            if (!t.text.isEmpty())
                rects.append(t.rect);
        }
    }
    for (const QRectF &r : {energyTitle, muTTitle, intensityTitle, calcCaption.rect,
                            roiCaption.rect, legend, readout}) {
        if (!r.isEmpty())
            rects.append(r);
    }
    for (const QVector<PlotLabel> *labels : {&edgeLabels, &lineLabels}) {
        for (const PlotLabel &l : *labels)
            rects.append(l.rect);
    }
    for (const PlotMark &m : unexplained) {
        if (!m.caption.rect.isEmpty())
            rects.append(m.caption.rect);
    }
    return rects;
}

PlotLayout layoutSpectrumPlot(const PlotPaintInput &in, const QFont &font, QPaintDevice *device,
                              PlotTextCache *texts)
{
    PlotLayout L;
    const int n = in.points;
    const double W = in.width;
    const double H = in.height;
    L.picture = QRectF(0, 0, W, H);
    L.font = font;
    if (in.minPointSize > 0 && font.pointSizeF() > 0 && font.pointSizeF() < in.minPointSize)
        L.font.setPointSizeF(in.minPointSize);
    const QFontMetricsF fm(L.font, device);
    if (texts)
        texts->measureWith(L.font, device);
    const auto advance = [&](const QString &text) {
        return texts ? texts->width(text) : fm.horizontalAdvance(text);
    };
    const double lh = fm.height();
    L.lineH = lh;
    const double pad = 0.3 * lh; // between a text and what it stands beside
    if (n < 2 || !in.spectrum)
        return L;
    const double *E = in.gridE;
    const SpectrumResult &sim = *in.spectrum;

    // Rows first: the read-out band above, the energy numbers and title below. The side margins
    // follow from the numbers the value axes get at that height.
    // Whole pixels, so that the frame's lines and the mouse's pixels fall on the same columns.
    const double top = std::ceil(1.4 * lh);
    const double bottom = std::floor(H - (0.5 * lh + lh + 0.2 * lh + lh + 0.3 * lh));

    // mu t, linear or by decades.
    L.muT.log = in.logMuT;
    if (in.logMuT) {
        double lo = 0;
        for (int i = 0; i < n; ++i) {
            const double m = in.mutCurve[i];
            if (m > 0 && std::isfinite(m) && (lo == 0 || m < lo))
                lo = m;
        }
        const double hi = in.mutMax > 0 ? in.mutMax : 1.0;
        if (!(lo > 0))
            lo = hi / 10;
        const double span = std::log10(hi) - std::log10(lo) + 1;
        L.muT.lo = std::log10(lo) - 0.05 * span;
        L.muT.hi = std::log10(hi) + 0.05 * span;
    } else {
        L.muT.lo = in.mutMin * 0.95 - (in.mutMax - in.mutMin) * 0.3;
        L.muT.hi = in.mutMax * 1.05;
    }
    L.muT.p0 = bottom;
    L.muT.p1 = top;

    // The spectrum and the measured one: 0 to 1.1 x their maximum, or by decades from their
    // smallest positive value, at most six decades below the maximum. Measured channels outside
    // the range do not count; without a simulated spectrum the axis follows the measured one.
    L.intensity.log = in.logIntensity;
    const PlotValueExtent measured = measuredExtent(in, E[0], E[n - 1]);
    double sMax = sim.spectrumMax;
    if (measured.max > 0 && !(sMax >= measured.max))
        sMax = measured.max;
    if (in.logIntensity && sMax > 0 && std::isfinite(sMax)) {
        double lo = sMax / 1e6;
        double smallest = sMax;
        for (int i = 0; i < n; ++i) {
            const double v = in.fluoSpectrum[i];
            if (v > 0 && v < smallest)
                smallest = v;
        }
        if (measured.smallestPositive > 0)
            smallest = std::min(smallest, measured.smallestPositive);
        lo = std::max(lo, smallest);
        L.intensity.lo = std::log10(lo);
        L.intensity.hi = std::log10(sMax * 1.1);
        if (!(L.intensity.hi > L.intensity.lo))
            L.intensity.lo = L.intensity.hi - 1;
    } else {
        L.intensity.lo = 0;
        L.intensity.hi = sMax > 0 ? sMax * 1.1 : 1.0;
    }
    L.intensity.p0 = bottom;
    L.intensity.p1 = top;

    const double yNeed = 1.3 * lh;
    L.muTTicks = valueTicks(L.muT, L.muTStep, yNeed, false);
    if (sMax > 0)
        L.intensityTicks = valueTicks(L.intensity, L.intensityStep, yNeed, true);

    const double left = std::ceil(pad + lh + pad + widest(L.muTTicks, advance) + pad);
    const double right = std::floor(W - (pad + widest(L.intensityTicks, advance) + pad + lh + pad));
    L.frame = QRectF(QPointF(left, top), QPointF(right, bottom));
    if (!(L.frame.width() > 2 * lh && L.frame.height() > 2 * lh))
        L.frame = QRectF(QPointF(std::min(left, W), std::min(top, H)),
                         QPointF(std::max(left, right), std::max(top, bottom)));

    const double eLo = E[0];
    const double eHi = E[n - 1];
    L.energy.lo = eLo;
    L.energy.hi = eHi;
    L.energy.p0 = L.frame.left();
    L.energy.p1 = L.frame.right();

    for (PlotTick &t : L.muTTicks) {
        if (!t.text.isEmpty()) {
            const double w = advance(t.text);
            t.rect = QRectF(L.frame.left() - pad - w, t.pos - 0.5 * lh, w, lh);
        }
    }
    for (PlotTick &t : L.intensityTicks) {
        if (!t.text.isEmpty())
            t.rect = QRectF(L.frame.right() + pad, t.pos - 0.5 * lh, advance(t.text), lh);
    }

    // Energy numbers: the finest 1-2-5 step whose widest number leaves a gap of two characters.
    {
        const double span = eHi - eLo;
        double step = getStep(span);
        for (int i = 0; i < 40 && step > 0 && std::isfinite(step); ++i) {
            const QVector<double> v = axisTicks(eLo, eHi, step);
            double w = 0;
            for (const double e : v)
                w = std::max(w, advance(tickLabel(e, step)));
            if (v.size() < 2 || std::abs(step / span * L.frame.width()) >= w + 2 * lh)
                break;
            step = coarser(step);
        }
        if (!(step > 0) || !std::isfinite(step))
            step = 0;
        L.energyStep = step;
        for (const double e : axisTicks(eLo, eHi, step)) {
            PlotTick t;
            t.value = e;
            t.pos = L.energy(e);
            if (!std::isfinite(t.pos))
                continue;
            t.text = tickLabel(e, step);
            const double w = advance(t.text);
            t.rect = QRectF(t.pos - 0.5 * w, bottom + 0.5 * lh + 0.05 * lh, w, lh);
            L.energyTicks.append(t);
        }
    }

    // Numbers that would still touch one another, or leave the picture, are left out: the
    // energy axis first, then the left and the right one.
    LabelSpace space;
    for (QVector<PlotTick> *ticks : {&L.energyTicks, &L.muTTicks, &L.intensityTicks}) {
        for (PlotTick &t : *ticks) {
            if (t.text.isEmpty())
                continue;
            if (!finiteRect(t.rect) || !L.picture.contains(t.rect) || !space.take(t.rect)) {
                t.text.clear();
                t.rect = QRectF();
            }
        }
    }

    // Titles: energy centred under its numbers, the others turned along the sides.
    {
        const double w = std::min(advance(in.energyTitle), L.frame.width());
        const QRectF r(L.frame.center().x() - 0.5 * w, H - 0.3 * lh - lh, w, lh);
        if (!in.energyTitle.isEmpty() && w > 0 && L.picture.contains(r) && space.take(r))
            L.energyTitle = r;
        const double h = L.frame.height();
        L.muTTitleText = fm.elidedText(in.muTTitle, Qt::ElideRight, h);
        const double mw = advance(L.muTTitleText);
        const QRectF m(pad, L.frame.center().y() - 0.5 * mw, lh, mw);
        if (mw > 0 && L.picture.contains(m) && space.take(m))
            L.muTTitle = m;
        L.intensityTitleText = fm.elidedText(in.intensityTitle, Qt::ElideRight, h);
        const double iw = advance(L.intensityTitleText);
        const QRectF i(W - pad - lh, L.frame.center().y() - 0.5 * iw, lh, iw);
        if (iw > 0 && L.picture.contains(i) && space.take(i))
            L.intensityTitle = i;
    }

    // Captions go only where they lie wholly inside the frame, clear of its 2 px line.
    const QRectF inner = L.frame.adjusted(2, 2, -2, -2);
    const auto fits = [&inner](const QRectF &r) { return finiteRect(r) && inner.contains(r); };

    if (in.showPointer) {
        const QRectF r(L.frame.left(), top - 1.2 * lh, L.frame.width(), lh);
        if (L.picture.contains(r) && space.take(r))
            L.readout = r;
    }

    // Legend, in the top right corner, where the plot has room for it.
    const int legendRows = std::min<int>(PLOT_LEGEND_ROWS, int(in.legend.size()));
    if (legendRows > 0) {
        double w = 0;
        for (int i = 0; i < legendRows; ++i)
            w = std::max(w, advance(in.legend.at(i).text));
        w += 1.5 * lh + 0.4 * lh;
        // One column while it takes at most a third of the height; on a low plot the rows wrap
        // into a second column rather than the legend being left out.
        for (const int columns : {1, 2}) {
            const int rows = (legendRows + columns - 1) / columns;
            const double h = rows * lh;
            const QRectF r(inner.right() - columns * w - pad, inner.top() + pad, columns * w, h);
            if (inner.width() > 3 * columns * w && inner.height() > 3 * h && fits(r) &&
                space.take(r)) {
                L.legend = r;
                L.legendRows = rows;
                break;
            }
        }
    }

    // Calculation point: marked only inside the range; its caption at the top, beside the line
    // where it does not fit across it.
    // The region of interest's caption over its band, first: the band is narrow and the other
    // captions can move aside.
    if (!in.roiCaption.isEmpty() && in.roiHigh > in.roiLow) {
        const double xl = std::max(inner.left(), L.energy(in.roiLow));
        const double xh = std::min(inner.right(), L.energy(in.roiHigh));
        const double w = advance(in.roiCaption);
        L.roiCaption.text = in.roiCaption;
        for (int row = 0; row < 3 && xh > xl && w > 0; ++row) {
            const QRectF r(0.5 * (xl + xh - w), inner.top() + pad + row * lh, w, lh);
            if (fits(r) && space.take(r, pad)) {
                L.roiCaption.rect = r;
                break;
            }
        }
    }

    L.calcShown = std::isfinite(in.calcPointE) && eLo <= in.calcPointE && in.calcPointE <= eHi;
    if (L.calcShown) {
        L.calcX = L.energy(in.calcPointE);
        const double w = advance(in.calcPointCaption);
        L.calcCaption.text = in.calcPointCaption;
        L.calcCaption.anchor = QPointF(L.calcX, inner.top());
        for (int row = 0; row < 3 && w > 0; ++row) {
            const double y = inner.top() + pad + row * lh;
            bool placed = false;
            for (const double x : {L.calcX - 0.5 * w, L.calcX + pad, L.calcX - pad - w}) {
                const QRectF r(x, y, w, lh);
                if (fits(r) && space.take(r, pad)) {
                    L.calcCaption.rect = r;
                    placed = true;
                    break;
                }
            }
            if (placed)
                break;
        }
    }

    // Unexplained peaks, before the edges' names, which find room around them: the triangle in
    // the top row, or lower where that is taken (a close neighbour, the legend), down to the
    // middle of the frame; its "?" beside.
    {
        const QString q = QStringLiteral("?");
        const double qw = advance(q) + 2;
        const double th = std::max(5.0, std::round(0.5 * lh));
        const double tw = std::max(6.0, std::round(0.6 * lh));
        for (const double e : in.unexplainedE) {
            if (!(eLo <= e && e <= eHi))
                continue;
            // A peak at an end of the range keeps its whole mark inside the frame.
            const double x = std::max(inner.left() + 0.5 * tw + 1,
                                      std::min(L.energy(e), inner.right() - 0.5 * tw - 1));
            if (!std::isfinite(x))
                continue;
            PlotMark m;
            m.energy = e;
            m.caption.text = q;
            m.triangle = QRectF(x - 0.5 * tw, inner.top() + 1, tw, th);
            for (double y = inner.top() + 1; y + th <= L.frame.center().y(); y += lh) {
                const QRectF t(x - 0.5 * tw, y, tw, th);
                if (!fits(t) || !space.free(t))
                    continue;
                space.take(t);
                m.triangle = t;
                for (const double cx : {t.right() + 1, t.left() - 1 - qw}) {
                    const QRectF r(cx, t.top(), qw, lh);
                    if (fits(r) && space.take(r)) {
                        m.caption.rect = r;
                        break;
                    }
                }
                break;
            }
            m.caption.anchor = QPointF(x, m.triangle.bottom());
            L.unexplained.append(m);
        }
    }

    L.stickMax = L.frame.height() * 0.2;

    // Absorption edges: the marker from the top down to the sticks' band, its name beside it at
    // the highest free row of the upper half.
    const int nEdges = std::min(EDGE_COUNT, int(in.edgeNames.size()));
    for (const Composition *comp : {in.tgt, in.bnd}) {
        if (!comp)
            continue;
        for (const CompEntry &entry : comp->entries) {
            for (int e = 0; e < nEdges; ++e) {
                const double Ee = entry.data->edge[e];
                if (!(eLo < Ee && Ee < eHi))
                    continue;
                const double xe = L.energy(Ee);
                L.edgeX.append(xe);
                PlotLabel label;
                label.text = entry.symbol + QLatin1Char(' ') + in.edgeNames.at(e);
                const double w = advance(label.text);
                for (double y = inner.top() + pad; y + lh <= L.frame.center().y(); y += lh) {
                    for (const double x : {xe + pad, xe - pad - w}) {
                        const QRectF r(x, y, w, lh);
                        if (fits(r) && space.take(r, pad)) {
                            label.rect = r;
                            label.anchor = QPointF(xe, y + 0.5 * lh);
                            break;
                        }
                    }
                    if (!label.rect.isEmpty())
                        break;
                }
                if (!label.rect.isEmpty())
                    L.edgeLabels.append(label);
            }
        }
    }

    // Line labels keep off the sticks, which their white ground would cut; a marker across the
    // plot may pass behind one.
    for (const LinePeak &peak : sim.linePeaks) {
        const double xl = L.energy(peak.peakEnergy);
        const double h = L.stickMax * peak.peakIntensity / sim.peakMax;
        if (std::isfinite(xl) && std::isfinite(h) && h > 0)
            space.block(QRectF(std::trunc(xl) - 1, L.frame.bottom() - h, 3, h));
    }

    // Line labels, strongest first, each just above its stick, or lifted by up to four rows
    // with a leader where that place is taken; one that finds no room is left out, so a weak
    // line never takes the place of a strong one.
    QHash<QString, double> strengthOf;
    for (const LinePeak &peak : sim.linePeaks) {
        const double v = peak.peakIntensity;
        if (std::isfinite(v))
            strengthOf[peak.peakText] = std::max(strengthOf.value(peak.peakText, 0.0), v);
    }
    const int nLabels = sim.labelList.size();
    QVector<double> strength(nLabels);
    for (int i = 0; i < nLabels; ++i)
        strength[i] = strengthOf.value(sim.labelList.at(i).second, 0.0);
    QVector<int> order(nLabels);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return strength.at(a) > strength.at(b); });
    const double peakMax = sim.peakMax;
    for (const int i : qAsConst(order)) {
        const LineLabel &ll = sim.labelList.at(i);
        const double xl = L.energy(ll.first);
        const double s = strength.at(i);
        const double yTop = L.frame.bottom() -
                            L.stickMax * (peakMax > 0 && std::isfinite(peakMax) ? s / peakMax : 0);
        if (!std::isfinite(xl) || !std::isfinite(yTop) || xl < inner.left() || xl > inner.right())
            continue;
        PlotLabel label;
        label.text = ll.second;
        label.anchor = QPointF(xl, yTop);
        label.strength = s;
        const double w = advance(ll.second);
        for (int lift = 0; lift <= 8 && label.rect.isEmpty(); ++lift) {
            const double y = yTop - 2 - lh - lift * 0.5 * lh;
            for (const double x : {xl - 0.5 * w, xl + pad, xl - pad - w}) {
                const QRectF r(x, y, w, lh);
                if (fits(r) && space.take(r, pad)) {
                    label.rect = r;
                    label.leader = lift > 0;
                    break;
                }
            }
        }
        if (!label.rect.isEmpty())
            L.lineLabels.append(label);
    }
    return L;
}
