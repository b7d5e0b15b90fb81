// Painting the plot from plain data: what each layer puts on the image, the mapping it leaves
// behind, and states whose numbers are infinite, undefined or absurdly large.
#include "FluoFixture.h"
#include "PlotPainter.h"
#include "SegmentPainter.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <cmath>
#include <limits>

namespace {

const QRgb kCurve = qRgb(255, 0, 0);
const QRgb kCalc = qRgb(220, 150, 0);
const QRgb kEdge = qRgb(0, 230, 0);
const QRgb kFluo = qRgb(0, 0, 250);

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

// A repaint of the fixture sample: mu t of Fe2O3 in BN over the grid, then the simulation.
struct PlotState
{
    SpectrumFixture fx;
    QVector<double> mut = QVector<double>(SpectrumFixture::N);
    SpectrumResult sim;
    PlotPaintInput in;

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

    QImage paint(ChCoord &coord) const
    {
        QImage img(in.width, in.height, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        paintSpectrumPlot(&p, in, coord);
        p.end();
        return img;
    }
};

} // namespace

class TestPlotPaint : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void layersAndMapping();
    void cursorIndex_data();
    void cursorIndex();
    void degenerateStates_data();
    void degenerateStates();
    void fittedText_data();
    void fittedText();
    void segmentsAsSingleLines_data();
    void segmentsAsSingleLines();
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

    // The mapping the mouse handling works with: the plot area, the energy range, and the
    // spectrum's own intensity scale.
    QCOMPARE(coord.screenX0, 120.0);
    QCOMPARE(coord.screenX1, 760.0);
    QCOMPARE(coord.screenY0, 35.0);
    QCOMPARE(coord.screenY1, 465.0);
    QCOMPARE(coord.realX0, 5.0);
    QCOMPARE(coord.realX1, 8.0);
    QCOMPARE(coord.realY0, 0.0);
    QCOMPARE(coord.realY1, s.sim.spectrumMax * 1.1);

    // Frame: 2 px black along the left edge of the plot area.
    QCOMPARE(img.pixel(120, 250) & 0xffffff, 0u);
    QCOMPARE(img.pixel(119, 250) & 0xffffff, 0u);
    // Calculation point on the Fe K edge, x = 120 + 640 / 3 x 2.11326. The edge marker,
    // drawn later, covers it from the top down to 20 % above the bottom (465 - 86).
    const int xc = int(120 + 640.0 / 3.0 * (7.11326 - 5.0));
    QVERIFY(countColour(img, kEdge, QRect(xc, 40, 1, 330)) > 300);
    QCOMPARE(countColour(img, kEdge, QRect(xc, 381, 1, 84)), 0);
    QVERIFY(countColour(img, kCalc, QRect(xc, 381, 1, 84)) > 40);
    // Sticks: the strongest line (Fe Ka1 at 6.4038 keV) is 0.2 x 430 = 86 px tall.
    const int xs = int(120 + 640.0 / 3.0 * (6.4038 - 5.0));
    QVERIFY(countColour(img, kFluo, QRect(xs, 465 - 80, 1, 80)) >= 78);
    QCOMPARE(countColour(img, kFluo, QRect(xs, 465 - 120, 1, 30)), 0);
    // The mu t curve and the spectrum are both there.
    QVERIFY(countColour(img, kCurve, QRect(120, 35, 640, 430)) > 500);
    QVERIFY(countColour(img, kFluo, QRect(120, 35, 640, 430)) > 500);
    QCOMPARE(warningCount, 0);
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
    const QRect area(int(coord.screenX0) + 2, int(coord.screenY0) + 2,
                     int(coord.screenX1 - coord.screenX0) - 4,
                     int(coord.screenY1 - coord.screenY0) - 4);
    QCOMPARE(countColour(img, kCurve, img.rect()) > 0, curveShown);
    // Inside the plot area the fluo colour comes from sticks and the spectrum only.
    QCOMPARE(countColour(img, kFluo, area) > 0, spectrumShown);
    QCOMPARE(countColour(img, kCalc, img.rect()) > 0, calcShown);
}

// A caption is scaled until it fills its rectangle in the tighter direction, and the painter
// is left with the font at its original size.
void TestPlotPaint::fittedText_data()
{
    QTest::addColumn<QRectF>("rect");
    QTest::addColumn<int>("flags");

    QTest::newRow("wide, centred") << QRectF(50, 40, 300, 20) << int(Qt::AlignCenter);
    QTest::newRow("tall, centred") << QRectF(50, 10, 60, 120) << int(Qt::AlignCenter);
    QTest::newRow("large, left") << QRectF(20, 20, 360, 60)
                                 << int(Qt::AlignLeft | Qt::AlignVCenter);
    QTest::newRow("small, right") << QRectF(200, 60, 80, 12)
                                  << int(Qt::AlignRight | Qt::AlignVCenter);
}

void TestPlotPaint::fittedText()
{
    QFETCH(QRectF, rect);
    QFETCH(int, flags);

    QImage img(400, 150, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    const QFont font;
    p.setFont(font);
    const QString text = QStringLiteral("Calc. Point");
    drawFittedText(&p, rect, font, flags, 1, text);
    QCOMPARE(p.font().pointSizeF(), font.pointSizeF());
    p.end();

    // The ink stays inside the rectangle (a pixel of slack for glyph edges) and reaches
    // across most of it in the tighter direction.
    QRect ink;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (img.pixel(x, y) != qRgb(255, 255, 255))
                ink |= QRect(x, y, 1, 1);
        }
    }
    QVERIFY(!ink.isEmpty());
    QVERIFY2(rect.adjusted(-2, -2, 2, 2).contains(QRectF(ink)),
             qPrintable(QStringLiteral("%1,%2 %3x%4")
                            .arg(ink.x())
                            .arg(ink.y())
                            .arg(ink.width())
                            .arg(ink.height())));
    const double fillX = ink.width() / rect.width();
    const double fillY = ink.height() / rect.height();
    QVERIFY2(std::max(fillX, fillY) > 0.5, qPrintable(QString::number(std::max(fillX, fillY))));
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

QTEST_MAIN(TestPlotPaint)
#include "test_plot_paint.moc"
