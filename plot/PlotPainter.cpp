#include "PlotPainter.h"

#include "SegmentPainter.h"

#include <QColor>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstring>
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

int nearestPoint(const double *x, int n, double v)
{
    if (n < 1 || !std::isfinite(v))
        return -1;
    const double half = n > 1 ? 0.5 * (x[n - 1] - x[0]) / (n - 1) : 0.0;
    if (v < x[0] - half || v > x[n - 1] + half)
        return -1;
    const int above = int(std::lower_bound(x, x + n, v) - x);
    if (above == 0)
        return 0;
    if (above == n)
        return n - 1;
    return v - x[above - 1] <= x[above] - v ? above - 1 : above;
}

namespace {

// The layers of one repaint, each drawn over the mapping the layout decided, in the order of
// paint(): whatever comes later lies on top.
class PlotLayers
{
public:
    PlotLayers(QPainter *painter, const PlotPaintInput &input, const PlotLayout &layout,
               PlotTextCache &textCache)
        : p(painter), in(input), L(layout), texts(textCache),
          seg(painter, input.width, input.height), X0(int(layout.frame.left())),
          X1(int(layout.frame.right())), Y0(int(layout.frame.top())), Y1(int(layout.frame.bottom()))
    {
    }

    void paint()
    {
        p->setFont(L.font);
        frameAndGrid();
        axes();
        clipToFrame(true);
        regionOfInterest();
        muTCurve();
        edgesAndCalcPoint();
        spectrum();
        measured();
        sticksAndLabels();
        unexplained();
        legend();
        clipToFrame(false);
        if (in.showPointer)
            pointer();
        seg.flush();
    }

private:
    // Inside the frame's 2 px line, so that no curve runs along it or beyond.
    void clipToFrame(bool on)
    {
        seg.flush();
        if (on)
            p->setClipRect(
                QRect(X0 + 1, Y0 + 1, std::max(0, X1 - X0 - 2), std::max(0, Y1 - Y0 - 2)));
        else
            p->setClipping(false);
    }

    // Texts that follow the pointer change from one repaint to the next; they are not kept.
    void text(const QRectF &r, int flags, const QString &s, const QPen &pen, bool ground = false,
              bool keep = true)
    {
        if (r.isEmpty() || !rectWorthDrawing(p, r))
            return;
        seg.flush();
        if (ground)
            p->fillRect(r, Qt::white);
        p->setPen(pen);
        if (keep)
            texts.draw(p, r, flags, s);
        else
            p->drawText(r, flags, s);
    }

    void frameAndGrid()
    {
        clipToFrame(true);
        seg.setPen(gridPen);
        for (const PlotTick &t : L.energyTicks)
            seg.line(t.pos, Y0, t.pos, Y1);
        for (const PlotTick &t : L.muTTicks) {
            if (t.value >= 0)
                seg.line(X0, t.pos, X1, t.pos);
        }
        clipToFrame(false);
        seg.setPen(framePen);
        seg.line(X0, Y0, X0, Y1);
        seg.line(X0, Y1, X1, Y1);
        seg.line(X1, Y1, X1, Y0);
        seg.line(X1, Y0, X0, Y0);
    }

    // Under every curve, so that the band does not hide what it marks.
    void regionOfInterest()
    {
        if (in.roiCaption.isEmpty() || !(in.roiHigh > in.roiLow))
            return;
        const double xl = std::max(double(X0), L.energy(in.roiLow));
        const double xh = std::min(double(X1), L.energy(in.roiHigh));
        if (!(xh > xl))
            return;
        seg.flush();
        p->fillRect(QRectF(xl, Y0, xh - xl, Y1 - Y0), roiBrush);
        text(L.roiCaption.rect, Qt::AlignCenter, L.roiCaption.text, roiPen);
    }

    // Numbers outside the frame on three sides and the titles; the intensity numbers have no
    // grid of their own, so short marks tie them to the frame.
    void axes()
    {
        seg.setPen(numberPen);
        const double mark = 0.2 * L.lineH;
        for (const PlotTick &t : L.intensityTicks) {
            if (!t.text.isEmpty())
                seg.line(X1 + 1, t.pos, X1 + mark, t.pos);
        }
        for (const PlotTick &t : L.energyTicks)
            text(t.rect, Qt::AlignCenter, t.text, numberPen);
        for (const PlotTick &t : L.muTTicks)
            text(t.rect, Qt::AlignRight | Qt::AlignVCenter, t.text, numberPen);
        for (const PlotTick &t : L.intensityTicks)
            text(t.rect, Qt::AlignLeft | Qt::AlignVCenter, t.text, numberPen);
        text(L.energyTitle, Qt::AlignCenter, in.energyTitle, numberPen);
        turnedText(L.muTTitle, -90, L.muTTitleText);
        turnedText(L.intensityTitle, 90, L.intensityTitleText);
    }

    void turnedText(const QRectF &r, int angle, const QString &s)
    {
        if (r.isEmpty() || !rectWorthDrawing(p, r))
            return;
        seg.flush();
        p->save();
        if (angle < 0)
            p->translate(r.left(), r.bottom());
        else
            p->translate(r.right(), r.top());
        p->rotate(angle);
        p->setPen(numberPen);
        texts.draw(p, QRectF(0, 0, r.height(), r.width()), Qt::AlignCenter, s);
        p->restore();
    }

    void muTCurve()
    {
        seg.setPen(curvePen);
        const double *E = in.gridE;
        for (int i = 1; i < in.points; ++i) {
            seg.line(L.energy(E[i - 1]), L.muT(in.mutCurve[i - 1]), L.energy(E[i]),
                     L.muT(in.mutCurve[i]));
        }
    }

    // The calculation point first, so that an edge it sits on shows over it.
    void edgesAndCalcPoint()
    {
        if (L.calcShown) {
            seg.setPen(calcPen);
            seg.line(L.calcX, Y0, L.calcX, Y1);
        }
        seg.setPen(edgePen);
        for (const double xe : L.edgeX)
            seg.line(xe, std::trunc(L.frame.bottom() - L.stickMax), xe, Y0);
    }

    void spectrum()
    {
        seg.setPen(fluoPen);
        const double *E = in.gridE;
        for (int i = 1; i < in.points; ++i) {
            seg.line(L.energy(E[i - 1]), L.intensity(in.fluoSpectrum[i - 1]), L.energy(E[i]),
                     L.intensity(in.fluoSpectrum[i]));
        }
    }

    // From the channel before the range to the one after it, so that the line runs to the
    // frame's edges; a value the axis cannot show (<= 0 by decades, not finite) breaks it.
    void measured()
    {
        const int n = in.measuredPoints;
        if (n < 2 || !in.measuredE || !in.measuredY)
            return;
        const double *E = in.measuredE;
        const double *Y = in.measuredY;
        const int first = std::max(0, int(std::lower_bound(E, E + n, L.energy.lo) - E) - 1);
        const int end = std::min(n, int(std::upper_bound(E, E + n, L.energy.hi) - E) + 1);
        seg.setPen(measuredPen);
        double px = 0, py = 0;
        bool have = false;
        for (int i = first; i < end; ++i) {
            const double x = L.energy(E[i]);
            const double y = L.intensity(Y[i]);
            const bool ok = std::isfinite(x) && std::isfinite(y);
            if (ok && have)
                seg.line(px, py, x, y);
            px = x;
            py = y;
            have = ok;
        }
    }

    // Sticks, the strongest stickMax high; the peaks the detector adds in a colour of their own,
    // after the lines so that a line does not hide them. Every caption on a white ground, over
    // the curves.
    void sticksAndLabels()
    {
        const SpectrumResult &sim = *in.spectrum;
        // 0: lines, 1: scatter and escape, 2: pile-up.
        const auto group = [](LinePeak::Kind k) {
            return k == LinePeak::Kind::Line ? 0 : k == LinePeak::Kind::Pileup ? 2 : 1;
        };
        for (const int g : {0, 1, 2}) {
            seg.setPen(g == 0 ? fluoPen : g == 1 ? detectorPen : pileupPen);
            for (const LinePeak &peak : sim.linePeaks) {
                if (group(peak.kind) != g)
                    continue;
                const double xl = L.energy(peak.peakEnergy);
                seg.line(xl, L.frame.bottom() - L.stickMax * peak.peakIntensity / sim.peakMax, xl,
                         Y1);
            }
        }
        seg.setPen(fluoPen);
        for (const PlotLabel &l : L.lineLabels) {
            if (l.leader) {
                const double x = std::clamp(l.anchor.x(), l.rect.left(), l.rect.right());
                seg.line(l.anchor.x(), l.anchor.y(), x, l.rect.bottom());
            }
        }
        for (const PlotLabel &l : L.edgeLabels)
            text(l.rect, Qt::AlignLeft | Qt::AlignVCenter, l.text, edgePen, true);
        text(L.calcCaption.rect, Qt::AlignCenter, L.calcCaption.text, calcPen, true);
        for (const PlotLabel &l : L.lineLabels)
            text(l.rect, Qt::AlignLeft | Qt::AlignVCenter, l.text, fluoPen, true);
    }

    void triangle(const QRectF &r)
    {
        seg.flush();
        const QPointF corners[3] = {r.topLeft(), r.topRight(), QPointF(r.center().x(), r.bottom())};
        p->setPen(Qt::NoPen);
        p->setBrush(warningPen.color());
        p->drawPolygon(corners, 3);
        p->setBrush(Qt::NoBrush);
    }

    void unexplained()
    {
        for (const PlotMark &m : L.unexplained) {
            triangle(m.triangle);
            text(m.caption.rect, Qt::AlignCenter, m.caption.text, warningPen, true);
        }
    }

    const QPen &penOf(PlotPen pen) const
    {
        switch (pen) {
        case PlotPen::MuT:
            return curvePen;
        case PlotPen::Fluorescence:
            return fluoPen;
        case PlotPen::Edges:
            return edgePen;
        case PlotPen::CalcPoint:
            return calcPen;
        case PlotPen::Detector:
            return detectorPen;
        case PlotPen::Pileup:
            return pileupPen;
        case PlotPen::Measured:
            return measuredPen;
        case PlotPen::Unexplained:
            break;
        }
        return warningPen;
    }

    // Each row's sample in its own pen: a short line, or the mark of an unexplained peak.
    void legend()
    {
        if (L.legend.isEmpty())
            return;
        seg.flush();
        p->fillRect(L.legend, Qt::white);
        const double lh = L.lineH;
        const int rows = std::max(1, L.legendRows);
        const int columns = (std::min<int>(in.legend.size(), PLOT_LEGEND_ROWS) + rows - 1) / rows;
        const double columnWidth = L.legend.width() / std::max(1, columns);
        for (int i = 0; i < in.legend.size() && i < PLOT_LEGEND_ROWS; ++i) {
            const PlotLegendRow &row = in.legend.at(i);
            const double y = L.legend.top() + (i % rows) * lh;
            const double x = L.legend.left() + (i / rows) * columnWidth + 0.2 * lh;
            const double right = x - 0.2 * lh + columnWidth;
            if (row.pen == PlotPen::Unexplained) {
                const double w = std::max(6.0, std::round(0.6 * lh));
                const double h = std::max(5.0, std::round(0.5 * lh));
                triangle(QRectF(std::round(x + 0.6 * lh - 0.5 * w), std::round(y + 0.5 * (lh - h)),
                                w, h));
            } else {
                seg.setPen(penOf(row.pen));
                seg.line(x, y + 0.5 * lh, x + 1.2 * lh, y + 0.5 * lh);
            }
            text(QRectF(x + 1.5 * lh, y, right - x - 1.5 * lh, lh),
                 Qt::AlignLeft | Qt::AlignVCenter, row.text, numberPen);
        }
    }

    // What follows the mouse: the excitation energy being set (a dashed line with its value)
    // and the intensity under the pointer in the band above the frame.
    void pointer()
    {
        seg.flush();
        const double lh = L.lineH;
        const QFontMetricsF fm(L.font, p->device());
        if (!in.excitationCaption.isEmpty()) {
            const double xe = L.energy(in.excitationE);
            QPen pen = makePen(2, 0, 130, 130);
            pen.setStyle(Qt::DashLine);
            p->setPen(pen);
            if (std::isfinite(xe))
                p->drawLine(QPointF(xe, L.frame.top()), QPointF(xe, L.frame.bottom()));
            const double w = fm.horizontalAdvance(in.excitationCaption) + 0.6 * lh;
            const double cx =
                xe + 0.3 * lh + w <= L.frame.right() ? xe + 0.3 * lh : xe - 0.3 * lh - w;
            text(QRectF(cx, L.frame.top() + 0.3 * lh, w, lh), Qt::AlignCenter, in.excitationCaption,
                 makePen(1, 0, 110, 110), true, false);
        }
        if (L.readout.isEmpty())
            return;
        const double *E = in.gridE;
        const double pointed = L.energy.lo + (in.cursorX - L.energy.p0) /
                                                 (L.energy.p1 - L.energy.p0) *
                                                 (L.energy.hi - L.energy.lo);
        const int idx = cursorIndex(E, in.points, pointed);
        QString readout = in.readoutFormat.arg(in.fluoSpectrum[idx], 10, 'e', 3, QLatin1Char(' '))
                              .arg(E[idx], 0, 'g', -1);
        // The measured channel under the pointer beside the simulation.
        if (const int m = nearestPoint(in.measuredE, in.measuredPoints, pointed);
            m >= 0 && !in.measuredFormat.isEmpty())
            readout += in.measuredFormat.arg(in.measuredY[m], 0, 'e', 3);
        text(L.readout, Qt::AlignLeft | Qt::AlignVCenter,
             fm.elidedText(readout, Qt::ElideRight, L.readout.width()), numberPen, false, false);
    }

    QPainter *p;
    const PlotPaintInput &in;
    const PlotLayout &L;
    PlotTextCache &texts;
    SegmentPainter seg;
    const int X0, X1, Y0, Y1;

    const QPen curvePen = makePen(2, 255, 0, 0);
    const QPen numberPen = makePen(1, 100, 0, 150);
    const QPen framePen = makePen(2, 0, 0, 0);
    const QPen gridPen = makePen(1, 0, 0, 0);
    const QPen calcPen = makePen(1, 220, 150, 0);
    const QPen edgePen = makePen(1, 0, 230, 0);
    const QPen fluoPen = makePen(1, 0, 0, 250);
    const QPen detectorPen = makePen(1, 170, 0, 170); // scatter and escape peaks
    const QPen pileupPen = makePen(1, 200, 90, 0);    // pile-up peaks
    const QPen measuredPen = makePen(1, 0, 150, 150); // the measured spectrum
    const QPen warningPen = makePen(1, 220, 0, 120);  // what the measurement does not explain
    // The region of interest: a light band, its caption in the band's hue.
    const QBrush roiBrush = QBrush(QColor(0, 150, 210, 38));
    const QPen roiPen = makePen(1, 0, 100, 150);
};

} // namespace

void paintSpectrumPlot(QPainter *p, const PlotPaintInput &in, ChCoord &coord, PlotPaintCache *cache)
{
    if (in.points < 2 || !in.spectrum)
        return;
    std::unique_ptr<PlotPaintCache> once;
    if (!cache) {
        once = std::make_unique<PlotPaintCache>();
        cache = once.get();
    }
    const PlotLayout &layout = cache->layout(in, QFont(), p->device());
    // The mouse works with the frame, the energy range and the intensity axis (log10 of the
    // intensities when it goes by decades).
    coord.setScreenRect(layout.frame.left(), layout.frame.top(), layout.frame.right(),
                        layout.frame.bottom());
    coord.setRealRect(layout.energy.lo, layout.intensity.lo, layout.energy.hi, layout.intensity.hi);
    p->save();
    {
        PlotLayers layers(p, in, layout, cache->texts());
        layers.paint();
    }
    p->restore();
}

// Everything layoutSpectrumPlot reads, as it was for the cached layout. Numbers compare by
// their bits, so that a NaN equals itself and -0 differs from 0 (their texts differ); vectors
// that still share their data with the copy kept here are equal without a look at it.
struct PlotPaintCache::Key
{
    int width = 0, height = 0, points = 0;
    QVector<double> gridE, mutCurve, fluoSpectrum;
    double mutMin = 0, mutMax = 0, calcPointE = 0, minPointSize = 0;
    double roiLow = 0, roiHigh = 0;
    QString roiCaption;
    bool logMuT = false, logIntensity = false, showPointer = false;
    QStringList symbols;   // target's entries, then the binder's
    QVector<double> edges; // EDGE_COUNT per entry
    QStringList edgeNames;
    QString calcPointCaption, energyTitle, muTTitle, intensityTitle;
    QVector<PlotLegendRow> legend;
    double measuredMax = 0, measuredSmallest = 0; // what the overlay adds to the axis
    QVector<double> unexplainedE;
    QVector<LinePeak> peaks;
    QVector<LineLabel> labels;
    double peakMax = 0, spectrumMax = 0;
    QFont font;
    int dpiX = 0, dpiY = 0;
    double ratio = 0;

    static bool same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
    static bool same(const QVector<double> &kept, const double *v, int n)
    {
        return kept.size() == n && (n == 0 || std::memcmp(kept.constData(), v, n * sizeof *v) == 0);
    }
    static QVector<double> copy(const double *v, int n)
    {
        return v && n > 0 ? QVector<double>(v, v + n) : QVector<double>();
    }
    static void entriesOf(const PlotPaintInput &in, QStringList &symbols, QVector<double> &edges)
    {
        for (const Composition *comp : {in.tgt, in.bnd}) {
            symbols << QString(); // where one composition ends
            if (!comp)
                continue;
            for (const CompEntry &entry : comp->entries) {
                symbols << entry.symbol;
                for (int e = 0; e < EDGE_COUNT; ++e)
                    edges << (entry.data ? entry.data->edge[e] : std::nan(""));
            }
        }
    }
    // Element by element with eq, unless both share one buffer (the plan's own lists, unchanged).
    template <typename T, typename Eq>
    static bool sameList(const QVector<T> &a, const QVector<T> &b, Eq eq)
    {
        if (a.size() != b.size())
            return false;
        if (a.constData() == b.constData())
            return true;
        for (int i = 0; i < a.size(); ++i) {
            if (!eq(a[i], b[i]))
                return false;
        }
        return true;
    }
    static bool samePeaks(const QVector<LinePeak> &a, const QVector<LinePeak> &b)
    {
        return sameList(a, b, [](const LinePeak &x, const LinePeak &y) {
            return same(x.peakEnergy, y.peakEnergy) && same(x.peakIntensity, y.peakIntensity) &&
                   x.peakText == y.peakText;
        });
    }
    static bool sameLabels(const QVector<LineLabel> &a, const QVector<LineLabel> &b)
    {
        return sameList(a, b, [](const LineLabel &x, const LineLabel &y) {
            return same(x.first, y.first) && x.second == y.second;
        });
    }

    Key(const PlotPaintInput &in, const QFont &f, const QPaintDevice *device)
        : width(in.width), height(in.height), points(in.points), gridE(copy(in.gridE, in.points)),
          mutCurve(copy(in.mutCurve, in.points)), fluoSpectrum(copy(in.fluoSpectrum, in.points)),
          mutMin(in.mutMin), mutMax(in.mutMax), calcPointE(in.calcPointE),
          minPointSize(in.minPointSize), roiLow(in.roiLow), roiHigh(in.roiHigh),
          roiCaption(in.roiCaption), logMuT(in.logMuT), logIntensity(in.logIntensity),
          showPointer(in.showPointer), edgeNames(in.edgeNames),
          calcPointCaption(in.calcPointCaption), energyTitle(in.energyTitle), muTTitle(in.muTTitle),
          intensityTitle(in.intensityTitle), legend(in.legend), unexplainedE(in.unexplainedE),
          peaks(in.spectrum->linePeaks), labels(in.spectrum->labelList),
          peakMax(in.spectrum->peakMax), spectrumMax(in.spectrum->spectrumMax), font(f),
          dpiX(device ? device->logicalDpiX() : 0), dpiY(device ? device->logicalDpiY() : 0),
          ratio(device ? device->devicePixelRatioF() : 1.0)
    {
        entriesOf(in, symbols, edges);
        const PlotValueExtent m = measuredExtent(in, in.gridE[0], in.gridE[in.points - 1]);
        measuredMax = m.max;
        measuredSmallest = m.smallestPositive;
    }

    bool matches(const PlotPaintInput &in, const QFont &f, const QPaintDevice *device) const
    {
        if (width != in.width || height != in.height || points != in.points ||
            !same(mutMin, in.mutMin) || !same(mutMax, in.mutMax) ||
            !same(calcPointE, in.calcPointE) || !same(minPointSize, in.minPointSize) ||
            !same(roiLow, in.roiLow) || !same(roiHigh, in.roiHigh) || roiCaption != in.roiCaption ||
            logMuT != in.logMuT || logIntensity != in.logIntensity || showPointer != in.showPointer)
            return false;
        if (!sameFont(font, f) || dpiX != (device ? device->logicalDpiX() : 0) ||
            dpiY != (device ? device->logicalDpiY() : 0) ||
            !same(ratio, device ? device->devicePixelRatioF() : 1.0))
            return false;
        const SpectrumResult &sim = *in.spectrum;
        if (!same(peakMax, sim.peakMax) || !same(spectrumMax, sim.spectrumMax) ||
            !samePeaks(peaks, sim.linePeaks) || !sameLabels(labels, sim.labelList))
            return false;
        if (edgeNames != in.edgeNames || calcPointCaption != in.calcPointCaption ||
            energyTitle != in.energyTitle || muTTitle != in.muTTitle ||
            intensityTitle != in.intensityTitle || legend != in.legend)
            return false;
        if (unexplainedE.size() != in.unexplainedE.size() ||
            !same(unexplainedE, in.unexplainedE.constData(), in.unexplainedE.size()))
            return false;
        const PlotValueExtent m = measuredExtent(in, in.gridE[0], in.gridE[in.points - 1]);
        if (!same(measuredMax, m.max) || !same(measuredSmallest, m.smallestPositive))
            return false;
        QStringList nowSymbols;
        QVector<double> nowEdges;
        entriesOf(in, nowSymbols, nowEdges);
        if (nowSymbols != symbols || !same(edges, nowEdges.constData(), nowEdges.size()))
            return false;
        return same(gridE, in.gridE, in.points) && same(mutCurve, in.mutCurve, in.points) &&
               same(fluoSpectrum, in.fluoSpectrum, in.points);
    }
};

PlotPaintCache::PlotPaintCache() = default;
PlotPaintCache::~PlotPaintCache() = default;

const PlotLayout &PlotPaintCache::layout(const PlotPaintInput &in, const QFont &font,
                                         QPaintDevice *device)
{
    if (in.points < 2 || !in.spectrum) {
        key.reset();
        cached = layoutSpectrumPlot(in, font, device, &textCache);
        ++made;
        return cached;
    }
    if (key && key->matches(in, font, device))
        return cached;
    // Texts of the layout before last that this one no longer uses go.
    textCache.endGeneration();
    cached = layoutSpectrumPlot(in, font, device, &textCache);
    key = std::make_unique<Key>(in, font, device);
    ++made;
    return cached;
}
