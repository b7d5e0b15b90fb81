// Painting the plot from plain data: what each layer puts on the image, the mapping it leaves
// behind, and states whose numbers are infinite, undefined or absurdly large.
#include "FluoFixture.h"
#include "PlanModel.h"
#include "PlotPainter.h"
#include "PlotText.h"
#include "SegmentPainter.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <cmath>
#include <limits>
#include <memory>

namespace {

const QRgb kCurve = qRgb(255, 0, 0);
const QRgb kCalc = qRgb(220, 150, 0);
const QRgb kEdge = qRgb(0, 230, 0);
const QRgb kFluo = qRgb(0, 0, 250);
const QRgb kDetector = qRgb(170, 0, 170);
const QRgb kPileup = qRgb(200, 90, 0);
const QRgb kMeasured = qRgb(0, 150, 150);
const QRgb kWarning = qRgb(220, 0, 120);

const QVector<PlotLegendRow> kFourRows = {{PlotPen::MuT, "mu t"},
                                          {PlotPen::Fluorescence, "fluorescence"},
                                          {PlotPen::Edges, "edges"},
                                          {PlotPen::CalcPoint, "calc. point"}};

int warningCount = 0;
QtMessageHandler previousHandler = nullptr;

void countWarnings(QtMsgType type, const QMessageLogContext &ctx, const QString &msg)
{
    if (type == QtWarningMsg || type == QtCriticalMsg)
        ++warningCount;
    previousHandler(type, ctx, msg);
}

// Pixels of exactly this colour inside rect.
int countColour(const QImage &img, QRgb colour, const QRect &rect)
{
    int n = 0;
    const QRect r = rect.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            if ((img.pixel(x, y) & 0xffffff) == (colour & 0xffffff))
                ++n;
        }
    }
    return n;
}

// The bounding box of every non-white pixel.
QRect inkOf(const QImage &img)
{
    QRect ink;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (img.pixel(x, y) != qRgb(255, 255, 255))
                ink |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

// 1, 2 or 5 times a power of ten.
bool isOneTwoFive(double step)
{
    const double m = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    return std::abs(m - 1) < 1e-6 || std::abs(m - 2) < 1e-6 || std::abs(m - 5) < 1e-6;
}

// A whole plan, set as --set would set it, and what the window would hand the painter.
struct PlanPlot
{
    std::unique_ptr<PlanModel> plan = std::make_unique<PlanModel>();
    PlotPaintInput in;

    void set(PlanModel::Input field, const QString &text) { plan->setInput(field, text); }
    void finish(QSize size, bool logMuT, bool logIntensity)
    {
        plan->setLogScale(logMuT);
        in.width = size.width();
        in.height = size.height();
        in.gridE = plan->mutCurveE;
        in.mutCurve = plan->mutCurve;
        in.fluoSpectrum = plan->fluoSpectrum;
        in.points = MUT_POINTS;
        in.mutMin = plan->mutMin;
        in.mutMax = plan->mutMax;
        in.calcPointE = plan->calcPointE;
        in.tgt = &plan->tgtComp;
        in.bnd = &plan->bndComp;
        in.edgeNames = plan->edgeNames;
        in.spectrum = &plan->spectrum;
        in.logMuT = logMuT;
        in.logIntensity = logIntensity;
        in.calcPointCaption = QStringLiteral("Calc. Point");
        in.readoutFormat = QStringLiteral("Fluo. Int. : %1 photons/s per channel (at %2 [keV])");
        in.energyTitle = QStringLiteral("Energy [keV]");
        in.muTTitle = QStringLiteral("mu t");
        in.intensityTitle = QStringLiteral("photons/s per channel");
        in.legend = {{PlotPen::MuT, "mu t"},
                     {PlotPen::Fluorescence, "fluorescence"},
                     {PlotPen::Edges, "edges"},
                     {PlotPen::CalcPoint, "calc. point"},
                     {PlotPen::Detector, "scatter, escape"},
                     {PlotPen::Measured, "measured"},
                     {PlotPen::Unexplained, "unexplained"}};
        in.minPointSize = 0.8 * QFont().pointSizeF();
    }
};

// A repaint of the fixture sample: mu t of Fe2O3 in BN over the grid, then the simulation.
struct PlotState
{
    SpectrumFixture fx;
    QVector<double> mut = QVector<double>(SpectrumFixture::N);
    SpectrumResult sim;
    PlotPaintInput in;
    QVector<double> measuredE, measuredY;

    bool prepare(double lo, double hi)
    {
        if (!fx.load())
            return false;
        fx.setGrid(lo, hi);
        recompute();
        return true;
    }

    void recompute()
    {
        double mutMin = 1e200;
        double mutMax = -1e200;
        for (int i = 0; i < SpectrumFixture::N; ++i) {
            mut[i] = pelletMuT(fx.tgt, fx.bnd, fx.in.tgtMolPerArea, fx.in.bndPerTgt, fx.grid[i]);
            mutMin = std::min(mutMin, mut[i]);
            mutMax = std::max(mutMax, mut[i]);
        }
        sim = fx.run();
        in = PlotPaintInput();
        in.width = 800;
        in.height = 500;
        in.gridE = fx.grid.constData();
        in.mutCurve = mut.constData();
        in.fluoSpectrum = fx.fluo.constData();
        in.points = SpectrumFixture::N;
        in.mutMin = mutMin;
        in.mutMax = mutMax;
        in.calcPointE = 7.11326;
        in.tgt = &fx.tgt;
        in.bnd = &fx.bnd;
        in.edgeNames = QStringList{"K", "LI", "LII", "LIII", "MI"};
        in.spectrum = &sim;
        in.cursorX = 400;
        in.calcPointCaption = QStringLiteral("Calc. Point");
        in.readoutFormat = QStringLiteral("Fluo. Int. : %1 (at %2 [keV])");
    }

    // A measured spectrum of channels 0.01 keV wide from 4 to 9 keV, level at base x the
    // simulated maximum but for one channel at peak x it, inside the range.
    void overlay(double base, double peak)
    {
        const double m = sim.spectrumMax;
        measuredE.clear();
        measuredY.clear();
        for (int k = 0; k <= 500; ++k) {
            measuredE << 4.0 + 0.01 * k;
            measuredY << base * m;
        }
        measuredY[250] = peak * m; // 6.5 keV
        in.measuredE = measuredE.constData();
        in.measuredY = measuredY.constData();
        in.measuredPoints = measuredE.size();
    }

    QImage paint(ChCoord &coord, PlotPaintCache *cache = nullptr, double ratio = 1) const
    {
        QImage img(int(in.width * ratio), int(in.height * ratio), QImage::Format_RGB32);
        img.setDevicePixelRatio(ratio);
        img.fill(Qt::white);
        QPainter p(&img);
        paintSpectrumPlot(&p, in, coord, cache);
        p.end();
        return img;
    }
};

// Pixels that differ between two images of one size.
int differingPixels(const QImage &a, const QImage &b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    }
    return n;
}

} // namespace

class TestPlotPaint : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void layersAndMapping();
    void layoutHardCases_data();
    void layoutHardCases();
    void layoutWidthsMatchInk();
    void cursorIndex_data();
    void cursorIndex();
    void nearestPoint_data();
    void nearestPoint();
    void degenerateStates_data();
    void degenerateStates();
    void segmentsAsSingleLines_data();
    void segmentsAsSingleLines();
    void textDrawnAsDrawText_data();
    void textDrawnAsDrawText();
    void textWidthsFollowFont_data();
    void textWidthsFollowFont();
    void repaintFromCache_data();
    void repaintFromCache();
    void overlayAxis_data();
    void overlayAxis();
    void legendPens_data();
    void legendPens();
    void unexplainedMarks_data();
    void unexplainedMarks();
};

void TestPlotPaint::initTestCase()
{
    previousHandler = qInstallMessageHandler(countWarnings);
}
void TestPlotPaint::cleanupTestCase()
{
    qInstallMessageHandler(previousHandler);
}

void TestPlotPaint::layersAndMapping()
{
    PlotState s;
    QVERIFY(s.prepare(5.0, 8.0));
    ChCoord coord;
    const QImage img = s.paint(coord);
    QImage device(s.in.width, s.in.height, QImage::Format_RGB32);
    const PlotLayout layout = layoutSpectrumPlot(s.in, QFont(), &device);

    // The mapping the mouse handling works with: the layout's frame, the energy range, and the
    // spectrum's own intensity scale.
    const int X0 = int(layout.frame.left());
    const int Y0 = int(layout.frame.top());
    const int Y1 = int(layout.frame.bottom());
    QCOMPARE(coord.screenX0, layout.frame.left());
    QCOMPARE(coord.screenX1, layout.frame.right());
    QCOMPARE(coord.screenY0, layout.frame.top());
    QCOMPARE(coord.screenY1, layout.frame.bottom());
    QVERIFY(layout.frame.left() > 0.05 * s.in.width && layout.frame.right() < 0.95 * s.in.width);
    QCOMPARE(coord.realX0, 5.0);
    QCOMPARE(coord.realX1, 8.0);
    QCOMPARE(coord.realY0, 0.0);
    QCOMPARE(coord.realY1, s.sim.spectrumMax * 1.1);

    // Frame: 2 px black along the left edge of the plot area.
    const int ym = (Y0 + Y1) / 2;
    QCOMPARE(img.pixel(X0, ym) & 0xffffff, 0u);
    QCOMPARE(img.pixel(X0 - 1, ym) & 0xffffff, 0u);
    // Calculation point on the Fe K edge. The edge marker, drawn later, covers it from the top
    // down to the sticks' band, 20 % of the frame above the bottom.
    const int stick = int(0.2 * layout.frame.height());
    const int xc = int(layout.energy(7.11326));
    QVERIFY(countColour(img, kEdge, QRect(xc, Y0 + 5, 1, Y1 - stick - Y0 - 10)) >
            Y1 - stick - Y0 - 60);
    QCOMPARE(countColour(img, kEdge, QRect(xc, Y1 - stick + 2, 1, stick - 2)), 0);
    QVERIFY(countColour(img, kCalc, QRect(xc, Y1 - stick + 2, 1, stick - 2)) > stick / 2);
    // Sticks: the strongest line (Fe Ka1 at 6.4038 keV) is 0.2 x the frame's height tall.
    const int xs = int(layout.energy(6.4038));
    const int stickPixels = countColour(img, kFluo, QRect(xs, Y1 - stick + 6, 1, stick - 6));
    QVERIFY2(stickPixels >= stick - 8,
             qPrintable(QString::number(stickPixels) + " " + QString::number(stick)));
    QCOMPARE(countColour(img, kFluo, QRect(xs, Y1 - stick - 30, 1, 20)), 0);
    // The mu t curve and the spectrum are both there, and nothing of them outside the frame.
    QVERIFY(countColour(img, kCurve, layout.frame.toRect()) > 500);
    QVERIFY(countColour(img, kFluo, layout.frame.toRect()) > 500);
    QCOMPARE(countColour(img, kCurve, img.rect()), countColour(img, kCurve, layout.frame.toRect()));

    // The region of interest changes the columns between its bounds and no others, and it lies
    // under the curves: the strongest line's stick keeps its colour.
    s.in.roiLow = 6.2;
    s.in.roiHigh = 6.6;
    s.in.roiCaption = QStringLiteral("ROI");
    const QImage withRoi = s.paint(coord);
    const int xl = int(std::floor(layout.energy(6.2)));
    const int xh = int(std::ceil(layout.energy(6.6)));
    int inside = 0;
    int outside = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (img.pixel(x, y) != withRoi.pixel(x, y))
                ++(x >= xl && x <= xh ? inside : outside);
        }
    }
    QCOMPARE(outside, 0);
    QVERIFY2(inside > (xh - xl) * (Y1 - Y0) / 2, qPrintable(QString::number(inside)));
    QCOMPARE(countColour(withRoi, kFluo, QRect(xs, Y1 - stick + 6, 1, stick - 6)), stickPixels);
    QCOMPARE(warningCount, 0);
}

// Plans that crowd the plot, at the sizes of a small window, a large one and an export. Every
// text has its own place: no two overlap, the numbers and titles lie outside the frame and the
// captions inside it, all within the picture; axis steps are 1, 2 or 5 x 10^n.
void TestPlotPaint::layoutHardCases_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<bool>("detailed");
    QTest::addColumn<bool>("logMuT");
    QTest::addColumn<bool>("logIntensity");
    QTest::addColumn<bool>("pointer");
    QTest::addColumn<bool>("calcInRange");
    QTest::addColumn<QSize>("size");

    const QString oxides =
        QStringLiteral("[Fe2O3]1[TiO2]1[MnO]1[ZnO]1[CuO]1[NiO]1[Cr2O3]1[CaO]1[K2O]1[SiO2]1");
    const QString glass = QStringLiteral(
        "[SiO2]50[Al2O3]12[Fe2O3]8[CaO]7[MgO]5[Na2O]3[K2O]2[TiO2]1.5[P2O5]0.5[MnO]0.2[SO3]0.3"
        "[NaCl]0.2[V2O5]0.1[Cr2O3]0.1[CoO]0.1[NiO]0.1[CuO]0.1[ZnO]0.1[Ga2O3]0.1[GeO2]0.1"
        "[As2O3]0.1[SeO2]0.1[KBr]0.1[Rb2O]0.1[SrO]0.1[Y2O3]0.1[ZrO2]0.1[Nb2O5]0.1[MoO3]0.1"
        "[Ag2O]0.1[CdO]0.1[SnO2]0.1[Sb2O3]0.1[BaO]0.1[La2O3]0.1[CeO2]0.1[WO3]0.1[PbO]0.1[Bi2O3]0."
        "1");
    for (const QSize size : {QSize(800, 500), QSize(560, 260), QSize(1800, 1000)}) {
        const QByteArray at =
            QByteArray::number(size.width()) + 'x' + QByteArray::number(size.height());
        QTest::addRow("XANES 7.10-7.16 keV, %s", at.constData())
            << "Fe2O3"
            << "7.10"
            << "7.16" << false << false << false << true << true << size;
        QTest::addRow("ten oxides 1-20 keV, %s", at.constData())
            << oxides << "1"
            << "20" << false << false << false << true << true << size;
        QTest::addRow("calculation point below the range, %s", at.constData())
            << "Fe2O3"
            << "9"
            << "20" << false << false << false << true << false << size;
        QTest::addRow("log mu t and intensity, %s", at.constData())
            << oxides << "1"
            << "20" << false << true << true << true << true << size;
        QTest::addRow("detailed, scatter and escape, %s", at.constData())
            << "Fe2O3"
            << "2"
            << "11" << true << false << false << false << true << size;
        QTest::addRow("detailed ten oxides by decades, %s", at.constData())
            << oxides << "1"
            << "20" << true << false << true << false << true << size;
        // Hundreds of labels: the free places are found by columns of the plot.
        QTest::addRow("detailed forty elements, %s", at.constData())
            << glass << "0.5"
            << "29" << true << false << false << false << true << size;
    }
}

void TestPlotPaint::layoutHardCases()
{
    QFETCH(QString, target);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(bool, detailed);
    QFETCH(bool, logMuT);
    QFETCH(bool, logIntensity);
    QFETCH(bool, pointer);
    QFETCH(bool, calcInRange);
    QFETCH(QSize, size);

    PlanPlot s;
    s.set(PlanModel::SetTgtCmp, target);
    s.set(PlanModel::StartE0, start);
    s.set(PlanModel::EndE0, end);
    s.plan->setOption(PlanModel::DetailedFluo, detailed);
    QVERIFY(s.plan->plotShown());
    s.finish(size, logMuT, logIntensity);
    s.in.showPointer = pointer;
    // Unexplained peaks where the plot is crowded: by the strongest line, and two close together
    // under the legend.
    const SpectrumResult &sim = s.plan->spectrum;
    const double eLo = s.in.gridE[0];
    const double eHi = s.in.gridE[s.in.points - 1];
    for (const double f : {0.95, 0.951})
        s.in.unexplainedE << eLo + f * (eHi - eLo);
    const auto strongestPeak = std::max_element(
        sim.linePeaks.cbegin(), sim.linePeaks.cend(),
        [](const LinePeak &a, const LinePeak &b) { return a.peakIntensity < b.peakIntensity; });
    if (strongestPeak != sim.linePeaks.cend() && strongestPeak->peakEnergy > eLo &&
        strongestPeak->peakEnergy < eHi)
        s.in.unexplainedE << strongestPeak->peakEnergy;
    // A region of interest around the calculation point, whose caption wants the same place.
    s.in.roiLow = s.in.calcPointE - 0.1;
    s.in.roiHigh = s.in.calcPointE + 0.1;
    s.in.roiCaption = QStringLiteral("ROI");
    QImage device(size, QImage::Format_RGB32);
    const PlotLayout L = layoutSpectrumPlot(s.in, QFont(), &device);
    const QVector<QRectF> rects = L.textRects();
    if (calcInRange && size.height() > 300)
        QVERIFY(!L.roiCaption.rect.isEmpty());

    const auto show = [](const QRectF &r) {
        return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    };
    for (int i = 0; i < rects.size(); ++i) {
        QVERIFY2(L.picture.contains(rects[i]), qPrintable(show(rects[i])));
        for (int j = i + 1; j < rects.size(); ++j) {
            QVERIFY2(!rects[i].intersects(rects[j]),
                     qPrintable(show(rects[i]) + " and " + show(rects[j])));
        }
    }
    for (const QVector<PlotTick> *ticks : {&L.energyTicks, &L.muTTicks, &L.intensityTicks}) {
        int labelled = 0;
        for (const PlotTick &t : *ticks) {
            if (t.text.isEmpty())
                continue;
            ++labelled;
            QVERIFY2(!t.rect.intersects(L.frame), qPrintable(t.text + " " + show(t.rect)));
        }
        // The right axis has numbers only where there is a spectrum.
        if (ticks != &L.intensityTicks || sim.spectrumMax > 0)
            QVERIFY2(labelled >= 2, qPrintable(QString::number(labelled)));
    }
    for (const QRectF &title : {L.energyTitle, L.muTTitle, L.intensityTitle}) {
        QVERIFY(!title.isEmpty());
        QVERIFY(!title.intersects(L.frame));
    }
    QVector<PlotLabel> captions = L.edgeLabels + L.lineLabels;
    if (!L.calcCaption.rect.isEmpty())
        captions << L.calcCaption;
    for (const PlotLabel &c : captions)
        QVERIFY2(L.frame.contains(c.rect), qPrintable(c.text + " " + show(c.rect)));
    // Every mark is there, inside the frame, and no text covers it.
    QCOMPARE(L.unexplained.size(), s.in.unexplainedE.size());
    for (const PlotMark &m : L.unexplained) {
        QVERIFY2(L.frame.contains(m.triangle), qPrintable(show(m.triangle)));
        QVERIFY(m.caption.rect.isEmpty() || L.frame.contains(m.caption.rect));
        for (const QRectF &r : rects)
            QVERIFY2(r == m.caption.rect || !r.intersects(m.triangle),
                     qPrintable(show(m.triangle) + " and " + show(r)));
    }

    QVERIFY(isOneTwoFive(L.energyStep));
    QCOMPARE(L.muTStep > 0, !logMuT);
    QCOMPARE(L.intensityStep > 0, !logIntensity && sim.spectrumMax > 0);
    for (const double step : {L.muTStep, L.intensityStep}) {
        if (step > 0)
            QVERIFY2(isOneTwoFive(step), qPrintable(QString::number(step)));
    }
    if (logIntensity) {
        // Decades (and 2 and 5 within them), from at most six decades below the maximum.
        for (const PlotTick &t : L.intensityTicks) {
            QVERIFY(isOneTwoFive(t.value));
            QVERIFY(t.value >= sim.spectrumMax * 0.99e-6 && t.value <= sim.spectrumMax * 1.1);
        }
    }
    QCOMPARE(L.calcShown, calcInRange);
    QCOMPARE(!L.calcCaption.rect.isEmpty(), calcInRange);
    QCOMPARE(!L.readout.isEmpty(), pointer);
    if (detailed) {
        QVERIFY(std::any_of(sim.linePeaks.cbegin(), sim.linePeaks.cend(),
                            [](const LinePeak &p) { return p.kind == LinePeak::Kind::Escape; }));
    }
    // The strongest line always has its label; one that stays by its stick stands just above
    // the stick's top.
    double strongest = 0;
    for (const LinePeak &p : sim.linePeaks)
        strongest = std::max(strongest, p.peakIntensity);
    QCOMPARE(L.lineLabels.isEmpty(), sim.labelList.isEmpty());
    if (!L.lineLabels.isEmpty())
        QCOMPARE(L.lineLabels.first().strength, strongest);
    for (const PlotLabel &l : L.lineLabels) {
        if (!l.leader)
            QVERIFY2(l.rect.bottom() <= l.anchor.y() &&
                         l.rect.bottom() > l.anchor.y() - 0.5 * L.lineH,
                     qPrintable(l.text));
    }
}

// The layout measures text; the text as drawn must fill the rectangles it was given: a tick
// number and a line label, each drawn alone in the layout's font, leave ink across nearly the
// whole width of its rectangle and none beyond it.
void TestPlotPaint::layoutWidthsMatchInk()
{
    PlanPlot s;
    s.set(PlanModel::SetTgtCmp, QStringLiteral("Fe2O3"));
    s.finish(QSize(900, 500), false, false);
    QImage device(900, 500, QImage::Format_RGB32);
    const PlotLayout L = layoutSpectrumPlot(s.in, QFont(), &device);
    QVERIFY(!L.lineLabels.isEmpty());
    QVERIFY(!L.muTTicks.isEmpty());
    PlotTick widestTick;
    for (const PlotTick &t : L.muTTicks) {
        if (t.rect.width() > widestTick.rect.width())
            widestTick = t;
    }
    const QVector<QPair<QString, QRectF>> texts = {
        {widestTick.text, widestTick.rect}, {L.lineLabels.first().text, L.lineLabels.first().rect}};
    for (const auto &[text, rect] : texts) {
        QImage img(900, 500, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        p.setFont(L.font);
        p.setPen(Qt::black);
        p.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, text);
        p.end();
        const QRect ink = inkOf(img);
        QVERIFY(!ink.isEmpty());
        const QString what = text + QStringLiteral(": ink %1 px from %2, box %3 px from %4")
                                        .arg(ink.width())
                                        .arg(ink.left())
                                        .arg(rect.width())
                                        .arg(rect.left());
        QVERIFY2(ink.left() >= rect.left() - 1 && ink.right() <= rect.right() + 1,
                 qPrintable(what));
        QVERIFY2(ink.width() >= rect.width() - 0.25 * L.lineH, qPrintable(what));
        QVERIFY2(ink.height() <= rect.height() + 1, qPrintable(what));
    }
}

// The read-out shows the first grid point at or above the cursor's energy; a cursor at or
// below the first point, or beyond the last, shows the first point.
void TestPlotPaint::cursorIndex_data()
{
    QTest::addColumn<double>("energy");
    QTest::addColumn<int>("index");

    QTest::newRow("between points") << 1.5 << 2;
    QTest::newRow("on a point") << 2.0 << 2;
    QTest::newRow("just above a point") << 2.0000001 << 3;
    QTest::newRow("on the last point") << 4.0 << 4;
    QTest::newRow("on the first point") << 0.0 << 0;
    QTest::newRow("below the grid") << -1.0 << 0;
    QTest::newRow("above the grid") << 4.5 << 0;
    QTest::newRow("not a number") << std::nan("") << 0;
}

void TestPlotPaint::cursorIndex()
{
    QFETCH(double, energy);
    QFETCH(int, index);

    const double grid[] = {0, 1, 2, 3, 4};
    QCOMPARE(::cursorIndex(grid, 5, energy), index);
}

void TestPlotPaint::nearestPoint_data()
{
    QTest::addColumn<double>("v");
    QTest::addColumn<int>("index");

    QTest::newRow("nearer the lower") << 1.4 << 1;
    QTest::newRow("halfway: the lower") << 1.5 << 1;
    QTest::newRow("nearer the upper") << 1.6 << 2;
    QTest::newRow("on a point") << 3.0 << 3;
    QTest::newRow("half a step below the first") << -0.5 << 0;
    QTest::newRow("beyond half a step below") << -0.51 << -1;
    QTest::newRow("half a step above the last") << 4.5 << 4;
    QTest::newRow("beyond half a step above") << 4.51 << -1;
    QTest::newRow("not a number") << std::nan("") << -1;
}

void TestPlotPaint::nearestPoint()
{
    QFETCH(double, v);
    QFETCH(int, index);

    const double x[] = {0, 1, 2, 3, 4};
    QCOMPARE(::nearestPoint(x, 5, v), index);
    QCOMPARE(::nearestPoint(x, 0, 1.0), -1);
}

// Each row breaks one number of the state; painting must finish, stay free of warnings and
// leave out exactly what has no place on the image.
void TestPlotPaint::degenerateStates_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("checkColours");
    QTest::addColumn<bool>("curveShown");
    QTest::addColumn<bool>("spectrumShown");
    QTest::addColumn<bool>("calcShown");

    QTest::newRow("mu t not a number") << "mutNaN" << true << false << true << true;
    QTest::newRow("mu t infinite at one end") << "mutInfEnd" << true << true << true << true;
    QTest::newRow("mu t spike far above the plot") << "mutSpike" << true << true << true << true;
    QTest::newRow("flat mu t of 0") << "mutZero" << true << false << true << true;
    QTest::newRow("spectrum all zero") << "fluoZero" << true << true << false << true;
    QTest::newRow("spectrum infinite") << "fluoInf" << true << true << false << true;
    QTest::newRow("calculation point at 1e300") << "calcHuge" << true << true << true << false;
    QTest::newRow("calculation point not a number") << "calcNaN" << true << true << true << false;
    QTest::newRow("range 0 to 1e308") << "range1e308" << true << true << false << false;
    QTest::newRow("range lost in rounding") << "rangeRounding" << true << true << false << false;
    // Too small for any text: fonts are left alone rather than set to 0 pt.
    QTest::newRow("tiny widget") << "tiny" << false << false << false << false;
}

void TestPlotPaint::degenerateStates()
{
    QFETCH(QString, what);
    QFETCH(bool, checkColours);
    QFETCH(bool, curveShown);
    QFETCH(bool, spectrumShown);
    QFETCH(bool, calcShown);

    PlotState s;
    QVERIFY(s.prepare(5.0, 8.0));
    const int n = SpectrumFixture::N;
    const double inf = std::numeric_limits<double>::infinity();
    if (what == "mutNaN") {
        std::fill(s.mut.begin(), s.mut.end(), std::nan(""));
        s.in.mutMin = s.in.mutMax = std::nan("");
    } else if (what == "mutInfEnd") {
        s.mut[0] = inf;
    } else if (what == "mutSpike") {
        s.mut[n / 2] = 1e300;
    } else if (what == "mutZero") {
        std::fill(s.mut.begin(), s.mut.end(), 0.0);
        s.in.mutMin = s.in.mutMax = 0;
    } else if (what == "fluoZero") {
        std::fill(s.fx.fluo.begin(), s.fx.fluo.end(), 0.0);
        s.sim.spectrumMax = 0;
        s.sim.linePeaks.clear();
        s.sim.labelList.clear();
    } else if (what == "fluoInf") {
        std::fill(s.fx.fluo.begin(), s.fx.fluo.end(), inf);
        s.sim.spectrumMax = 0;
        for (LinePeak &p : s.sim.linePeaks)
            p.peakIntensity = inf;
        s.sim.peakMax = inf;
        s.sim.labelList.clear(); // their text is drawn in the spectrum's colour
    } else if (what == "calcHuge") {
        s.in.calcPointE = 1e300;
    } else if (what == "calcNaN") {
        s.in.calcPointE = std::nan("");
    } else if (what == "range1e308") {
        s.fx.setGrid(0, 1e308);
        s.recompute();
        s.in.calcPointE = -1e308;
    } else if (what == "rangeRounding") {
        // A range one double wide at 1e300: the tick step is below half the spacing of
        // doubles there, so adding it no longer changes the tick value.
        const double lo = 1e300;
        const double hi = std::nextafter(lo, inf);
        for (int i = 0; i < n; ++i)
            s.fx.grid[i] = i < n / 2 ? lo : hi;
        s.recompute();
        s.in.calcPointE = 0;
    } else if (what == "tiny") {
        s.in.width = 12;
        s.in.height = 9;
    }

    if (what.startsWith(QLatin1String("range"))) {
        // mu t underflows to 0 at such energies; give the curve a shape to draw. The line
        // labels, all piled up at the left edge, are not what this row is about.
        for (int i = 0; i < n; ++i)
            s.mut[i] = 1.0 + double(i) / n;
        s.in.mutMin = 1.0;
        s.in.mutMax = 2.0;
        s.sim.labelList.clear();
    }

    ChCoord coord;
    warningCount = 0;
    const QImage img = s.paint(coord);
    QCOMPARE(warningCount, 0);
    if (!checkColours)
        return;
    // Whatever the state, the image is the plot and not the pointer: the read-out goes only
    // where the pointer is shown, and nowhere does the painting leave its own picture.
    {
        ChCoord exportCoord;
        s.in.showPointer = false;
        warningCount = 0;
        const QImage exported = s.paint(exportCoord);
        QCOMPARE(warningCount, 0);
        const QRect band(int(coord.screenX0), 0, int(coord.screenX1 - coord.screenX0),
                         int(coord.screenY0) - 2);
        QCOMPARE(countColour(exported, qRgb(255, 255, 255), band), band.width() * band.height());
        QVERIFY(countColour(img, qRgb(255, 255, 255), band) < band.width() * band.height());
    }
    const QRect area(int(coord.screenX0) + 2, int(coord.screenY0) + 2,
                     int(coord.screenX1 - coord.screenX0) - 4,
                     int(coord.screenY1 - coord.screenY0) - 4);
    QCOMPARE(countColour(img, kCurve, img.rect()) > 0, curveShown);
    // Inside the plot area the fluo colour comes from sticks and the spectrum only.
    QCOMPARE(countColour(img, kFluo, area) > 0, spectrumShown);
    QCOMPARE(countColour(img, kCalc, img.rect()) > 0, calcShown);
}

// The line painter joins, drops and replaces segments for speed; the pixels must stay those of
// one drawLines call per segment. Curves of 2000 points like the plot's, in several shapes.
void TestPlotPaint::segmentsAsSingleLines_data()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<int>("penWidth");
    QTest::addColumn<QSize>("size");

    for (const int pen : {1, 2}) {
        for (const char *shape : {"sine", "peaks", "steps", "flat", "walk", "gaps", "grid"}) {
            for (const QSize size : {QSize(1077, 139), QSize(800, 500), QSize(300, 900)}) {
                QTest::addRow("%s, %d px, %dx%d", shape, pen, size.width(), size.height())
                    << QString::fromLatin1(shape) << pen << size;
            }
        }
    }
}

void TestPlotPaint::segmentsAsSingleLines()
{
    QFETCH(QString, shape);
    QFETCH(int, penWidth);
    QFETCH(QSize, size);

    const int n = 2000;
    const double W = size.width();
    const double H = size.height();
    QRandomGenerator rng(uint(qHash(QTest::currentDataTag())));
    QVector<QPointF> pts(n);
    double walk = H / 2;
    for (int i = 0; i < n; ++i) {
        const double x = W * 0.15 + W * 0.8 * i / (n - 1);
        double y = H / 2;
        if (shape == "sine")
            y = H / 2 + H * 0.4 * std::sin(i * 0.02);
        else if (shape == "peaks")
            y = H * 0.93 - H * 0.8 * std::exp(-std::pow((i - 700) / 15.0, 2)) -
                H * 0.3 * std::exp(-std::pow((i - 1300) / 4.0, 2));
        else if (shape == "steps")
            y = H * 0.1 + std::floor(i / 150.0) * H * 0.05;
        else if (shape == "flat")
            y = H * 0.93;
        else if (shape == "walk" || shape == "gaps")
            y = walk += rng.bounded(7.0) - 3.5;
        else if (shape == "grid") // back and forth along rows and columns
            y = (i / 50) % 2 ? H * 0.2 + (i % 50) * 3 : H * 0.2;
        pts[i] = QPointF(shape == "grid" && (i / 25) % 3 == 1 ? W * 0.5 : x, y);
        if (shape == "gaps" && i % 97 < 3)
            pts[i].setY(std::nan(""));
    }

    QPen pen;
    pen.setWidth(penWidth);
    pen.setColor(QColor(255, 0, 0));
    QImage expected(size, QImage::Format_RGB32);
    expected.fill(Qt::white);
    {
        QPainter p(&expected);
        p.setPen(pen);
        for (int i = 1; i < n; ++i) {
            const QPointF a = pts[i - 1];
            const QPointF b = pts[i];
            if (std::isnan(a.y()) || std::isnan(b.y()))
                continue;
            const QLine l(int(a.x()), int(a.y()), int(b.x()), int(b.y()));
            p.drawLines(&l, 1);
        }
    }
    QImage actual(size, QImage::Format_RGB32);
    actual.fill(Qt::white);
    {
        QPainter p(&actual);
        SegmentPainter seg(&p, size.width(), size.height());
        seg.setPen(pen);
        for (int i = 1; i < n; ++i)
            seg.line(pts[i - 1].x(), pts[i - 1].y(), pts[i].x(), pts[i].y());
    }
    QCOMPARE(countColour(expected, qRgb(255, 0, 0), expected.rect()) > 0, true);
    QVERIFY(actual == expected);
}

// The plot draws its texts from layouts it shaped once; every pixel must be what
// QPainter::drawText leaves for the same rectangle and flags: texts of the plot in the three
// alignments it uses, at whole and fractional places, in rectangles as wide as the text, wider
// and narrower (drawText then clips), turned as the side titles are, and texts drawText has to
// handle itself.
void TestPlotPaint::textDrawnAsDrawText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("flags");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("widthChange"); // added to the text's own width [px]
    QTest::addColumn<double>("heightScale");
    QTest::addColumn<int>("angle");
    QTest::addColumn<double>("pointSize");

    const QStringList texts = {
        "12.5",        "0.001",          "Fe Ka1: 1.23e+04",      "Energy [keV]",
        "Calc. Point", "O Ka: 3.10e+02", "photons/s per channel", "W Lb2_esc: 7.00e-01"};
    const QVector<QPair<const char *, int>> alignments = {
        {"left", int(Qt::AlignLeft | Qt::AlignVCenter)},
        {"right", int(Qt::AlignRight | Qt::AlignVCenter)},
        {"centre", int(Qt::AlignCenter)}};
    for (const QString &text : texts) {
        for (const auto &[name, flags] : alignments) {
            for (const double x : {20.0, 20.25, 20.5, 20.73}) {
                for (const double dw : {0.0, 7.5, -6.0}) {
                    QTest::addRow("%s, %s, x %.2f, width %+.1f", qPrintable(text), name, x, dw)
                        << text << flags << x << 14.4 << dw << 1.0 << 0 << 9.0;
                }
            }
            QTest::addRow("%s, %s, low box", qPrintable(text), name)
                << text << flags << 20.5 << 10.6 << 0.0 << 0.6 << 0 << 9.0;
            QTest::addRow("%s, %s, 7.3 pt", qPrintable(text), name)
                << text << flags << 20.25 << 14.7 << 0.0 << 1.0 << 0 << 7.3;
        }
        for (const int angle : {-90, 90}) {
            QTest::addRow("%s, turned %d", qPrintable(text), angle)
                << text << int(Qt::AlignCenter) << 0.0 << 0.0 << 3.0 << 1.0 << angle << 9.0;
        }
    }
    // Left to drawText: blanks at either end, tabs, line breaks, mnemonics.
    for (const char *odd : {" 12.5", "Fe Ka1: ", "a\tb", "two\nlines", "&Energy"}) {
        QTest::addRow("drawText's own: %s", odd)
            << QString::fromLatin1(odd) << int(Qt::AlignLeft | Qt::AlignVCenter) << 20.5 << 14.4
            << 0.0 << 1.0 << 0 << 9.0;
    }
}

void TestPlotPaint::textDrawnAsDrawText()
{
    QFETCH(QString, text);
    QFETCH(int, flags);
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(double, widthChange);
    QFETCH(double, heightScale);
    QFETCH(int, angle);
    QFETCH(double, pointSize);

    QFont font;
    font.setPointSizeF(pointSize);
    const QSize size(260, 260);
    QImage expected(size, QImage::Format_RGB32);
    const QFontMetricsF fm(font, &expected);
    const QRectF r(x, y, fm.horizontalAdvance(text) + widthChange, fm.height() * heightScale);
    PlotTextCache texts;
    QImage actual(size, QImage::Format_RGB32);
    for (int round = 0; round < 2; ++round) { // shaped, then from the cache
        expected.fill(Qt::white);
        actual.fill(Qt::white);
        for (QImage *img : {&expected, &actual}) {
            QPainter p(img);
            p.setFont(font);
            p.setPen(QColor(0, 0, 250));
            if (angle != 0) {
                p.translate(130, 130);
                p.rotate(angle);
            }
            if (img == &expected)
                p.drawText(r, flags, text);
            else
                texts.draw(&p, r, flags, text);
        }
        QCOMPARE(countColour(expected, qRgb(255, 255, 255), expected.rect()) <
                     size.width() * size.height(),
                 true);
        QCOMPARE(differingPixels(actual, expected), 0);
    }
}

// A text's width is that of QFontMetricsF in the font and on the device of the layout; another
// font, or a device of another resolution, must not get the width measured before.
void TestPlotPaint::textWidthsFollowFont_data()
{
    QTest::addColumn<double>("pointSize");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<int>("dotsPerMetre");
    QTest::addColumn<double>("ratio");

    QTest::newRow("same font") << 9.0 << false << 3780 << 1.0;
    QTest::newRow("larger") << 12.0 << false << 3780 << 1.0;
    QTest::newRow("bold") << 9.0 << true << 3780 << 1.0;
    QTest::newRow("192 dpi device") << 9.0 << false << 7559 << 1.0;
    QTest::newRow("device pixel ratio 2") << 9.0 << false << 3780 << 2.0;
}

void TestPlotPaint::textWidthsFollowFont()
{
    QFETCH(double, pointSize);
    QFETCH(bool, bold);
    QFETCH(int, dotsPerMetre);
    QFETCH(double, ratio);

    const QStringList texts = {"Fe Ka1: 1.23e+04", "12.5", "Energy [keV]"};
    QFont first;
    first.setPointSizeF(9.0);
    QImage firstDevice(100, 100, QImage::Format_RGB32);
    firstDevice.setDotsPerMeterX(3780);
    firstDevice.setDotsPerMeterY(3780);
    PlotTextCache cache;
    cache.measureWith(first, &firstDevice);
    for (const QString &t : texts)
        QCOMPARE(cache.width(t), QFontMetricsF(first, &firstDevice).horizontalAdvance(t));

    QFont font;
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    QImage device(100, 100, QImage::Format_RGB32);
    device.setDotsPerMeterX(dotsPerMetre);
    device.setDotsPerMeterY(dotsPerMetre);
    device.setDevicePixelRatio(ratio);
    cache.measureWith(font, &device);
    const QFontMetricsF fm(font, &device);
    for (const QString &t : texts)
        QCOMPARE(cache.width(t), fm.horizontalAdvance(t));
}

// A repaint through the plot's cache against a repaint from nothing, after a first repaint of
// the fixture and then one change: the pixels are the same, and the layout was made again
// exactly when the change touches something it reads.
void TestPlotPaint::repaintFromCache_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("newLayout");

    QTest::newRow("nothing (an expose)") << "nothing" << false;
    QTest::newRow("pointer moved") << "cursor" << false;
    QTest::newRow("excitation being set") << "excitation" << false;
    // The band's caption takes room that the other captions then avoid.
    QTest::newRow("region of interest shaded") << "roi" << true;
    QTest::newRow("simulation run again, same numbers") << "rerun" << false;
    QTest::newRow("widget resized") << "resize" << true;
    QTest::newRow("log mu t") << "logMuT" << true;
    QTest::newRow("log intensity") << "logIntensity" << true;
    QTest::newRow("pointer left out (export)") << "noPointer" << true;
    QTest::newRow("a spectrum value changed in place") << "fluoValue" << true;
    QTest::newRow("a mu t value changed in place") << "mutValue" << true;
    QTest::newRow("a line's intensity") << "lineIntensity" << true;
    QTest::newRow("a label's text") << "labelText" << true;
    QTest::newRow("excitation energy, simulation run again") << "E0" << true;
    QTest::newRow("range") << "range" << true;
    QTest::newRow("calculation point") << "calc" << true;
    QTest::newRow("edge names") << "edgeNames" << true;
    QTest::newRow("target's element") << "target" << true;
    QTest::newRow("axis title") << "title" << true;
    QTest::newRow("legend") << "legend" << true;
    QTest::newRow("least point size") << "minPointSize" << true;
    QTest::newRow("application font") << "font" << true;
    QTest::newRow("device pixel ratio 2") << "ratio" << true;
    QTest::newRow("a measured value below the overlay's maximum") << "overlayValue" << false;
    QTest::newRow("the overlay's maximum") << "overlayMax" << true;
    QTest::newRow("overlay taken away") << "noOverlay" << true;
    QTest::newRow("an unexplained peak") << "unexplained" << true;
    QTest::newRow("a legend row's pen") << "legendPen" << true;
}

void TestPlotPaint::repaintFromCache()
{
    QFETCH(QString, change);
    QFETCH(bool, newLayout);

    PlotState s;
    QVERIFY(s.prepare(5.0, 8.0));
    s.in.edgeNames = QStringList{"K", "LI", "LII", "LIII", "MI"};
    s.in.energyTitle = QStringLiteral("Energy [keV]");
    s.in.muTTitle = QStringLiteral("mu t");
    s.in.intensityTitle = QStringLiteral("photons/s");
    s.in.legend = kFourRows;
    s.overlay(0.1, 0.5);
    PlotPaintCache cache;
    ChCoord coord;
    const QImage before = s.paint(coord, &cache);
    QCOMPARE(cache.layoutsMade(), 1);
    QCOMPARE(differingPixels(before, s.paint(coord)), 0);

    const QFont appFont = QGuiApplication::font();
    double ratio = 1;
    if (change == "cursor") {
        s.in.cursorX = 300;
    } else if (change == "excitation") {
        s.in.excitationE = 6.5;
        s.in.excitationCaption = QStringLiteral("Excitation 6.5 keV");
    } else if (change == "roi") {
        s.in.roiLow = 6.2;
        s.in.roiHigh = 6.6;
        s.in.roiCaption = QStringLiteral("ROI");
    } else if (change == "rerun") {
        s.recompute(); // new vectors, equal numbers
        s.in.edgeNames = QStringList{"K", "LI", "LII", "LIII", "MI"};
        s.in.energyTitle = QStringLiteral("Energy [keV]");
        s.in.muTTitle = QStringLiteral("mu t");
        s.in.intensityTitle = QStringLiteral("photons/s");
        s.in.legend = kFourRows;
        s.overlay(0.1, 0.5);
    } else if (change == "resize") {
        s.in.width = 640;
    } else if (change == "logMuT") {
        s.in.logMuT = true;
    } else if (change == "logIntensity") {
        s.in.logIntensity = true;
    } else if (change == "noPointer") {
        s.in.showPointer = false;
    } else if (change == "fluoValue") {
        *std::max_element(s.fx.fluo.begin(), s.fx.fluo.end()) *= 0.5;
    } else if (change == "mutValue") {
        s.mut[SpectrumFixture::N / 3] *= 1.5;
    } else if (change == "lineIntensity") {
        s.sim.linePeaks[0].peakIntensity *= 0.5;
    } else if (change == "labelText") {
        s.sim.labelList[0].second += QStringLiteral("0");
    } else if (change == "E0") {
        s.fx.in.E0 = 9.0;
        s.sim = s.fx.run();
    } else if (change == "range") {
        s.fx.setGrid(5.5, 8.0);
    } else if (change == "calc") {
        s.in.calcPointE = 6.2;
    } else if (change == "edgeNames") {
        s.in.edgeNames[0] = QStringLiteral("K edge");
    } else if (change == "target") {
        s.fx.tgt.entries[0].symbol = QStringLiteral("Fe3+");
    } else if (change == "title") {
        s.in.energyTitle = QStringLiteral("E [keV]");
    } else if (change == "legend") {
        s.in.legend[1].text = QStringLiteral("spectrum");
    } else if (change == "minPointSize") {
        s.in.minPointSize = 14;
    } else if (change == "font") {
        QFont larger = appFont;
        larger.setPointSizeF(appFont.pointSizeF() * 1.5);
        QGuiApplication::setFont(larger);
    } else if (change == "ratio") {
        ratio = 2;
    } else if (change == "overlayValue") {
        s.measuredY[200] *= 3; // 6 keV
    } else if (change == "overlayMax") {
        s.measuredY[250] *= 3;
    } else if (change == "noOverlay") {
        s.in.measuredPoints = 0;
    } else if (change == "unexplained") {
        s.in.unexplainedE << 6.9;
    } else if (change == "legendPen") {
        s.in.legend[1].pen = PlotPen::Measured;
    } else {
        QCOMPARE(change, QStringLiteral("nothing"));
    }
    const int made = cache.layoutsMade();
    const QImage cached = s.paint(coord, &cache, ratio);
    ChCoord freshCoord;
    const QImage fresh = s.paint(freshCoord, nullptr, ratio);
    QGuiApplication::setFont(appFont);
    QCOMPARE(cache.layoutsMade() - made, newLayout ? 1 : 0);
    QCOMPARE(differingPixels(cached, fresh), 0);
    QCOMPARE(coord.screenX1, freshCoord.screenX1);
    QCOMPARE(coord.realY1, freshCoord.realY1);
    // The change is one the picture shows, so that equal pixels say something.
    if (change != "nothing" && change != "rerun")
        QVERIFY(cached.size() != before.size() || differingPixels(cached, before) > 0);
}

// The intensity axis takes in the measured spectrum: its tallest finite value inside the range,
// and by decades its least positive one. Values are given as multiples of the simulated maximum
// M; "outside" is the value of the channels beyond the range, "poison" puts NaN and both
// infinities into channels inside it, "zeros" empties every tenth channel.
void TestPlotPaint::overlayAxis_data()
{
    QTest::addColumn<bool>("simulated");
    QTest::addColumn<bool>("log");
    QTest::addColumn<double>("peak");
    QTest::addColumn<double>("outside");
    QTest::addColumn<bool>("poison");
    QTest::addColumn<bool>("zeros");
    QTest::addColumn<double>("top");    // the axis's upper end / M
    QTest::addColumn<double>("bottom"); // by decades: its lower end / M; NaN: not checked

    const double nan = std::nan("");
    QTest::newRow("overlay taller than the spectrum")
        << true << false << 3.0 << 0.2 << false << false << 3.3 << nan;
    QTest::newRow("overlay below the spectrum")
        << true << false << 0.5 << 0.2 << false << false << 1.1 << nan;
    QTest::newRow("taller channels outside the range")
        << true << false << 0.5 << 10.0 << false << false << 1.1 << nan;
    QTest::newRow("NaN and infinities in the overlay")
        << true << false << 2.0 << 0.2 << true << false << 2.2 << nan;
    QTest::newRow("overlay alone") << false << false << 2.0 << 0.2 << false << false << 2.2 << nan;
    QTest::newRow("overlay alone, outside taller")
        << false << false << 2.0 << 50.0 << false << true << 2.2 << nan;
    QTest::newRow("by decades, overlay alone with zeros")
        << false << true << 2.0 << 1e-3 << false << true << 2.2 << 0.2;
    QTest::newRow("by decades, overlay alone, NaN and infinities")
        << false << true << 2.0 << 1e-3 << true << false << 2.2 << 0.2;
    QTest::newRow("by decades, overlay taller with zeros")
        << true << true << 3.0 << 0.2 << false << true << 3.3 << nan;
    QTest::newRow("by decades, overlay below with zeros")
        << true << true << 0.5 << 0.2 << false << true << 1.1 << nan;
}

void TestPlotPaint::overlayAxis()
{
    QFETCH(bool, simulated);
    QFETCH(bool, log);
    QFETCH(double, peak);
    QFETCH(double, outside);
    QFETCH(bool, poison);
    QFETCH(bool, zeros);
    QFETCH(double, top);
    QFETCH(double, bottom);

    PlotState s;
    QVERIFY(s.prepare(5.0, 8.0));
    const double M = s.sim.spectrumMax;
    QVERIFY(M > 0);
    const double base = 0.2;
    s.overlay(base, peak);
    for (int k = 0; k < s.measuredE.size(); ++k) {
        const double e = s.measuredE[k];
        if (e < 5.0 - 1e-9 || e > 8.0 + 1e-9)
            s.measuredY[k] = outside * M;
        else if (zeros && k % 10 == 3)
            s.measuredY[k] = 0;
    }
    const double inf = std::numeric_limits<double>::infinity();
    if (poison) {
        s.measuredY[120] = std::nan("");
        s.measuredY[200] = inf;
        s.measuredY[300] = -inf;
    }
    if (!simulated) {
        std::fill(s.fx.fluo.begin(), s.fx.fluo.end(), 0.0);
        s.sim.spectrumMax = 0;
        s.sim.linePeaks.clear();
        s.sim.labelList.clear();
    }
    s.in.logIntensity = log;

    QImage device(s.in.width, s.in.height, QImage::Format_RGB32);
    const PlotLayout L = layoutSpectrumPlot(s.in, QFont(), &device);
    const PlotScale &y = L.intensity;
    if (log) {
        QVERIFY(qFuzzyCompare(y.hi, std::log10(top * M)));
        if (!std::isnan(bottom))
            QVERIFY2(qFuzzyCompare(y.lo, std::log10(bottom * M)),
                     qPrintable(QString::number(y.lo)));
        // The overlay's level shows, and no more than six decades below its maximum.
        QVERIFY(y.lo <= std::log10(base * M) + 1e-9);
        QVERIFY(y.hi - y.lo <= std::log10(1.1e6) + 1e-9);
    } else {
        QCOMPARE(y.lo, 0.0);
        QVERIFY2(qFuzzyCompare(y.hi, top * M), qPrintable(QString::number(y.hi / M)));
    }
    // Numbers on the axis that follows the overlay, the simulated spectrum or not.
    int labelled = 0;
    for (const PlotTick &t : L.intensityTicks)
        labelled += !t.text.isEmpty();
    QVERIFY(labelled >= 2);

    // The overlay is drawn inside the frame only, and nothing in it warns.
    ChCoord coord;
    warningCount = 0;
    const QImage img = s.paint(coord);
    QCOMPARE(warningCount, 0);
    QCOMPARE(coord.realY1, y.hi);
    const int inFrame = countColour(img, kMeasured, L.frame.toRect());
    QVERIFY2(inFrame > int(L.frame.width()) / 2, qPrintable(QString::number(inFrame)));
    QCOMPARE(countColour(img, kMeasured, img.rect()), inFrame);
}

// Each legend row draws the sample of the pen it names, wherever it stands.
void TestPlotPaint::legendPens_data()
{
    QTest::addColumn<QVector<int>>("pens"); // PlotPen values, row by row
    QTest::addColumn<QVector<QRgb>>("colours");
    QTest::addColumn<int>("height");  // of the plot [px]
    QTest::addColumn<int>("columns"); // of the legend; 0: whatever the font allows

    const auto pen = [](PlotPen p) { return int(p); };
    QTest::newRow("mu t and measured") << QVector<int>{pen(PlotPen::MuT), pen(PlotPen::Measured)}
                                       << QVector<QRgb>{kCurve, kMeasured} << 700 << 1;
    QTest::newRow("pile-up without scatter")
        << QVector<int>{pen(PlotPen::Fluorescence), pen(PlotPen::Pileup)}
        << QVector<QRgb>{kFluo, kPileup} << 700 << 1;
    QTest::newRow("overlay rows first")
        << QVector<int>{pen(PlotPen::Unexplained), pen(PlotPen::Measured), pen(PlotPen::Edges)}
        << QVector<QRgb>{kWarning, kMeasured, kEdge} << 700 << 1;
    const QVector<int> eight{pen(PlotPen::Unexplained),  pen(PlotPen::Measured),
                             pen(PlotPen::Pileup),       pen(PlotPen::Detector),
                             pen(PlotPen::CalcPoint),    pen(PlotPen::Edges),
                             pen(PlotPen::Fluorescence), pen(PlotPen::MuT)};
    const QVector<QRgb> eightColours{kWarning, kMeasured, kPileup, kDetector,
                                     kCalc,    kEdge,     kFluo,   kCurve};
    QTest::newRow("all eight, reversed") << eight << eightColours << 700 << 0;
    // Too low for eight rows in one column: they wrap into a second.
    QTest::newRow("all eight on a low plot") << eight << eightColours << 330 << 2;
}

void TestPlotPaint::legendPens()
{
    QFETCH(QVector<int>, pens);
    QFETCH(QVector<QRgb>, colours);
    QFETCH(int, height);
    QFETCH(int, columns);

    PlotState s;
    QVERIFY(s.prepare(5.0, 8.0));
    s.in.width = 1000;
    s.in.height = height;
    for (int i = 0; i < pens.size(); ++i)
        s.in.legend.append({PlotPen(pens[i]), QStringLiteral("row %1").arg(i)});
    QImage device(s.in.width, s.in.height, QImage::Format_RGB32);
    const PlotLayout L = layoutSpectrumPlot(s.in, QFont(), &device);
    QVERIFY(!L.legend.isEmpty());
    ChCoord coord;
    const QImage img = s.paint(coord);
    const double lh = L.lineH;
    const int rows = L.legendRows;
    const int shownColumns = (int(pens.size()) + rows - 1) / rows;
    if (columns > 0)
        QCOMPARE(shownColumns, columns);
    const QVector<QRgb> all = {kCurve,    kFluo,   kEdge,     kCalc,
                               kDetector, kPileup, kMeasured, kWarning};
    for (int i = 0; i < pens.size(); ++i) {
        // The sample's place: left of the row's text, a line across its middle; the rows run
        // down the first column, then the second.
        const double left = L.legend.left() + (i / rows) * L.legend.width() / shownColumns;
        // Inside the legend's white ground by a pixel: a curve may pass just beside it.
        const QRect sample(int(std::ceil(left)) + 1,
                           int(L.legend.top() + (i % rows) * lh + 0.2 * lh), int(1.4 * lh),
                           int(0.6 * lh));
        const QString row = QString::number(i);
        QVERIFY2(countColour(img, colours[i], sample) >= int(0.8 * lh), qPrintable(row));
        for (const QRgb other : all) {
            if (other != colours[i])
                QVERIFY2(countColour(img, other, sample) == 0, qPrintable(row));
        }
    }
}

// A mark at the top of the frame above each unexplained peak inside the range, in the warning
// colour, clear of the frame's line; one under the legend goes below it. Energies as "a,b,...".
void TestPlotPaint::unexplainedMarks_data()
{
    QTest::addColumn<QString>("energies");
    QTest::addColumn<int>("shown");

    QTest::newRow("one peak") << "6.9" << 1;
    QTest::newRow("one peak, exactly centred") << "6.5" << 1;
    QTest::newRow("two far apart") << "5.6,7.5" << 2;
    QTest::newRow("two a few pixels apart") << "6.9,6.905" << 2;
    QTest::newRow("under the legend") << "7.95" << 1;
    QTest::newRow("outside the range") << "4.5,8.5" << 0;
    QTest::newRow("not a number") << "nan" << 0;
    QTest::newRow("on the range's ends") << "5,8" << 2;
}

void TestPlotPaint::unexplainedMarks()
{
    QFETCH(QString, energies);
    QFETCH(int, shown);

    PlotState s;
    QVERIFY(s.prepare(5.0, 8.0));
    s.in.legend = kFourRows;
    s.overlay(0.1, 0.8);
    for (const QString &e : energies.split(QLatin1Char(',')))
        s.in.unexplainedE << e.toDouble();
    QImage device(s.in.width, s.in.height, QImage::Format_RGB32);
    const PlotLayout L = layoutSpectrumPlot(s.in, QFont(), &device);
    ChCoord coord;
    warningCount = 0;
    const QImage img = s.paint(coord);
    QCOMPARE(warningCount, 0);
    QCOMPARE(L.unexplained.size(), shown);
    if (shown == 0) {
        QCOMPARE(countColour(img, kWarning, img.rect()), 0);
        return;
    }
    int marked = 0;
    for (const PlotMark &m : L.unexplained) {
        // Over its energy (at an end of the range, moved in by half its width, the frame's line
        // and a pixel), inside the frame, below the frame's top line.
        const double x = m.triangle.center().x();
        QVERIFY(std::abs(x - L.energy(m.energy)) <= 0.5 * m.triangle.width() + 3);
        QVERIFY(m.triangle.top() > L.frame.top() + 1);
        QVERIFY(L.frame.adjusted(1, 1, -1, -1).contains(m.triangle));
        QVERIFY(!m.triangle.intersects(L.legend));
        const QRect column(int(x) - 1, int(m.triangle.top()), 3, int(m.triangle.height()));
        QVERIFY2(countColour(img, kWarning, column) >= 3, qPrintable(QString::number(x)));
        marked += !m.caption.rect.isEmpty();
    }
    QVERIFY(marked >= 1);
    // Nothing of the warning colour lies anywhere but on a mark.
    QRect marks;
    for (const PlotMark &m : L.unexplained)
        marks |= m.triangle.toAlignedRect() | m.caption.rect.toAlignedRect();
    QCOMPARE(countColour(img, kWarning, marks), countColour(img, kWarning, img.rect()));
}

QTEST_MAIN(TestPlotPaint)
#include "test_plot_paint.moc"
