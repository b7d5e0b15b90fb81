// Grid steps, the pixel <-> data mapping and the mouse record.
#include "ChCoord.h"
#include "MouseC.h"
#include "PlotPainter.h"

#include <QMouseEvent>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

QMouseEvent mouseAt(QEvent::Type type, QPointF pos, Qt::MouseButton button = Qt::LeftButton,
                    Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    return QMouseEvent(type, pos, pos, pos, button, held, mods, Qt::MouseEventNotSynthesized);
}

} // namespace

class TestPlotCoords : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void gridStep_data();
    void gridStep();
    void realToScreen_data();
    void realToScreen();
    void screenToReal_data();
    void screenToReal();
    void clampedConversions_data();
    void clampedConversions();
    void savedRanges();
    void yAxisSpan_data();
    void yAxisSpan();
    void initialState();
    void hitTest_data();
    void hitTest();
    void recordedPositions_data();
    void recordedPositions();
    void pressReleaseState();
    void tickLabels_data();
    void tickLabels();
};

void TestPlotCoords::gridStep_data()
{
    QTest::addColumn<double>("xw");
    QTest::addColumn<double>("step");

    QTest::newRow("10") << 10.0 << 1.0;
    QTest::newRow("25") << 25.0 << 2.0;
    QTest::newRow("40") << 40.0 << 5.0;
    QTest::newRow("5: exponent by floor") << 5.0 << 0.5;
    QTest::newRow("0.5") << 0.5 << 0.05;
    QTest::newRow("EXAFS window of 1.2 keV") << 1.2 << 0.1;
    QTest::newRow("XANES window of 9 eV") << 0.009 << 0.0005;
    QTest::newRow("14.9") << 14.9 << 1.0;
    QTest::newRow("15") << 15.0 << 2.0;
    QTest::newRow("30") << 30.0 << 5.0;
    QTest::newRow("150") << 150.0 << 20.0;
    QTest::newRow("0.05") << 0.05 << 0.005;
    QTest::newRow("1e308") << 1e308 << 1e307;
    QTest::newRow("0") << 0.0 << 0.0;
    QTest::newRow("negative") << -3.0 << 0.0;
    QTest::newRow("NaN") << std::nan("") << 0.0;
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << 0.0;
}

void TestPlotCoords::gridStep()
{
    QFETCH(double, xw);
    QFETCH(double, step);
    QCOMPARE(getStep(xw), step);
}

// The three windows that used to get one label, two labels, or seven identical ones: every axis
// gets at least three distinct labels with the decimals its step needs.
void TestPlotCoords::tickLabels_data()
{
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::newRow("EXAFS 7.0-8.2 keV") << 7.0 << 8.2 << "7.1"
                                       << "8.2";
    QTest::newRow("mu t 0.2-1.2") << 0.2 << 1.2 << "0.3"
                                  << "1.2";
    QTest::newRow("XANES 9 eV") << 7.112 << 7.121 << "7.1125"
                                << "7.1210";
    QTest::newRow("0-20 keV") << 0.0 << 20.0 << "2"
                              << "20";
}

void TestPlotCoords::tickLabels()
{
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(QString, first);
    QFETCH(QString, last);
    const double step = getStep(hi - lo);
    QStringList labels;
    for (double v : axisTicks(lo, hi, step))
        labels << tickLabel(v, step);
    QVERIFY2(labels.size() >= 3, qPrintable(labels.join(QLatin1Char(' '))));
    QCOMPARE(labels.first(), first);
    QCOMPARE(labels.last(), last);
    QCOMPARE(QSet<QString>(labels.begin(), labels.end()).size(), labels.size());
}

// Plot area 100..500 x 50..250 px showing 2..10 keV and 0..4 (bottom to top).
static void setStandard(ChCoord &c)
{
    c.setScreenRect(100, 50, 500, 250);
    c.setRealRect(2, 0, 10, 4);
}

void TestPlotCoords::realToScreen_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<double>("arg");
    QTest::addColumn<double>("expected");

    QTest::newRow("x left edge") << "X" << 2.0 << 100.0;
    QTest::newRow("x right edge") << "X" << 10.0 << 500.0;
    QTest::newRow("x outside") << "X" << 0.0 << 0.0;
    QTest::newRow("y bottom") << "Y" << 0.0 << 250.0;
    QTest::newRow("y top") << "Y" << 4.0 << 50.0;
    QTest::newRow("y middle") << "Y" << 1.0 << 200.0;
    QTest::newRow("dx") << "DX" << 1.0 << 50.0;
    QTest::newRow("dy points up") << "DY" << 1.0 << -50.0;
    QTest::newRow("dy abs") << "DYAbs" << 1.0 << 50.0;
    QTest::newRow("fraction 0.25 of 10..30") << "Fraction" << 15.0 << 200.0;
}

void TestPlotCoords::realToScreen()
{
    QFETCH(QString, op);
    QFETCH(double, arg);
    QFETCH(double, expected);

    ChCoord c;
    setStandard(c);
    double got = 0;
    if (op == "X")
        got = c.realToScreenX(arg);
    else if (op == "Y")
        got = c.realToScreenY(arg);
    else if (op == "DX")
        got = c.realToScreenDX(arg);
    else if (op == "DY")
        got = c.realToScreenDY(arg);
    else if (op == "DYAbs")
        got = c.realToScreenDYAbs(arg);
    else if (op == "Fraction")
        got = c.fractionToScreenY(arg, 10, 30);
    QCOMPARE(got, expected);
}

void TestPlotCoords::screenToReal_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<double>("arg");
    QTest::addColumn<double>("expected");

    QTest::newRow("x") << "X" << 300.0 << 6.0;
    QTest::newRow("x left of area") << "X" << 50.0 << 1.0;
    QTest::newRow("y") << "Y" << 100.0 << 3.0;
    QTest::newRow("offset x") << "OffsetX" << 300.0 << 4.0;
    QTest::newRow("offset y") << "OffsetY" << 100.0 << 3.0;
    QTest::newRow("dx") << "DX" << 25.0 << 0.5;
    QTest::newRow("dy") << "DY" << 25.0 << 0.5;
}

void TestPlotCoords::screenToReal()
{
    QFETCH(QString, op);
    QFETCH(double, arg);
    QFETCH(double, expected);

    ChCoord c;
    setStandard(c);
    c.setRealYRange(1, 5); // offsets are measured from the edge, not from 0
    if (op == "Y")
        expected += 1;
    double got = 0;
    if (op == "X")
        got = c.screenToRealX(arg);
    else if (op == "Y")
        got = c.screenToRealY(arg);
    else if (op == "OffsetX")
        got = c.screenToRealOffsetX(arg);
    else if (op == "OffsetY")
        got = c.screenToRealOffsetY(arg);
    else if (op == "DX")
        got = c.screenToRealDX(arg);
    else if (op == "DY")
        got = c.screenToRealDY(arg);
    QCOMPARE(got, expected);
    if (op == "X")
        QCOMPARE(c.realToScreenX(got), arg);
}

void TestPlotCoords::clampedConversions_data()
{
    QTest::addColumn<bool>("reversed");
    QTest::addColumn<double>("px");
    QTest::addColumn<double>("py");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");

    QTest::newRow("inside") << false << 300.0 << 100.0 << 6.0 << 3.0;
    QTest::newRow("beyond both") << false << 900.0 << -500.0 << 10.0 << 4.0;
    QTest::newRow("before both") << false << 0.0 << 900.0 << 2.0 << 0.0;
    QTest::newRow("reversed ranges, beyond") << true << 900.0 << -500.0 << 2.0 << 0.0;
    QTest::newRow("reversed ranges, before") << true << 0.0 << 900.0 << 10.0 << 4.0;
}

void TestPlotCoords::clampedConversions()
{
    QFETCH(bool, reversed);
    QFETCH(double, px);
    QFETCH(double, py);
    QFETCH(double, x);
    QFETCH(double, y);

    ChCoord c;
    c.setScreenRect(100, 50, 500, 250);
    if (reversed)
        c.setRealRect(10, 4, 2, 0);
    else
        c.setRealRect(2, 0, 10, 4);
    QCOMPARE(c.screenToRealXClamped(px), x);
    QCOMPARE(c.screenToRealYClamped(py), y);
}

void TestPlotCoords::savedRanges()
{
    ChCoord c;
    c.setRealRect(1, 2, 3, 4);
    c.setSavedRect(5, 6, 7, 8);
    c.restoreRealXRange();
    QCOMPARE((QList<double>{c.realX0, c.realY0, c.realX1, c.realY1}), (QList<double>{5, 2, 7, 4}));
    c.setSavedYRange(-1, -2);
    c.restoreRealYRange();
    QCOMPARE((QList<double>{c.realY0, c.realY1}), (QList<double>{-1, -2}));
    c.setSavedXRange(11, 12);
    c.setRealRect(0, 0, 0, 0);
    c.restoreRealRect();
    QCOMPARE((QList<double>{c.realX0, c.realY0, c.realX1, c.realY1}),
             (QList<double>{11, -1, 12, -2}));
}

void TestPlotCoords::yAxisSpan_data()
{
    QTest::addColumn<double>("y0");
    QTest::addColumn<double>("y1");
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<double>("step");

    QTest::newRow("ascending") << 1.0 << 5.0 << 1.0 << 5.0 << 1.0;
    QTest::newRow("descending") << 5.0 << 1.0 << 1.0 << 5.0 << 1.0;
    QTest::newRow("equal") << 3.0 << 3.0 << 0.0 << 1.0 << 1.0;
}

void TestPlotCoords::yAxisSpan()
{
    QFETCH(double, y0);
    QFETCH(double, y1);
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(double, step);

    ChCoord c;
    c.setRealYRange(y0, y1);
    double gotLo = -7, gotHi = -7, gotStep = -7;
    c.yAxisSpan(gotLo, gotHi, gotStep, 4);
    QCOMPARE(gotLo, lo);
    QCOMPARE(gotHi, hi);
    QCOMPARE(gotStep, step);
}

void TestPlotCoords::initialState()
{
    QCOMPARE(plotCoord.colorA, QColor(0, 220, 220));
    QCOMPARE(plotCoord.colorB, QColor(170, 255, 170));
    QCOMPARE(plotCoord.colorC, QColor(140, 180, 140));
    QCOMPARE(plotCoord.colorD, QColor(0, 0, 0));
    QCOMPARE(plotCoord.realX1 - plotCoord.realX0, 0.0);
    QCOMPARE(plotMouse.pressed, false);
    QCOMPARE(plotMouse.curX, 0);
}

// The box of 13 x 13 pixels right of and above (100, 100): x in 106..118, y in 82..94.
void TestPlotCoords::hitTest_data()
{
    QTest::addColumn<QPointF>("pos");
    QTest::addColumn<bool>("hit");

    QTest::newRow("(106, 94)") << QPointF(106, 94) << true;
    QTest::newRow("(118, 94)") << QPointF(118, 94) << true;
    QTest::newRow("(106, 82)") << QPointF(106, 82) << true;
    QTest::newRow("(118, 82)") << QPointF(118, 82) << true;
    QTest::newRow("(105, 94)") << QPointF(105, 94) << false;
    QTest::newRow("(119, 94)") << QPointF(119, 94) << false;
    QTest::newRow("(106, 95)") << QPointF(106, 95) << false;
    QTest::newRow("(106, 81)") << QPointF(106, 81) << false;
    QTest::newRow("(105.6, 94.4) rounds in") << QPointF(105.6, 94.4) << true;
    QTest::newRow("(118.6, 94) rounds out") << QPointF(118.6, 94) << false;
}

void TestPlotCoords::hitTest()
{
    QFETCH(QPointF, pos);
    QFETCH(bool, hit);

    QMouseEvent e = mouseAt(QEvent::MouseMove, pos, Qt::NoButton);
    const MouseC m;
    QCOMPARE(m.hitTest(&e, 100, 100), hit);
}

void TestPlotCoords::recordedPositions_data()
{
    QTest::addColumn<QPointF>("pos");
    QTest::addColumn<QPoint>("rounded");

    QTest::newRow("whole") << QPointF(12, 34) << QPoint(12, 34);
    QTest::newRow("below half") << QPointF(12.4, 34.49) << QPoint(12, 34);
    QTest::newRow("above half") << QPointF(12.6, 34.51) << QPoint(13, 35);
    QTest::newRow("negative") << QPointF(-2.6, -0.4) << QPoint(-3, 0);
}

void TestPlotCoords::recordedPositions()
{
    QFETCH(QPointF, pos);
    QFETCH(QPoint, rounded);

    MouseC m;
    QMouseEvent move = mouseAt(QEvent::MouseMove, pos, Qt::NoButton, Qt::ShiftModifier);
    m.recordMove(&move);
    QCOMPARE(QPoint(m.curX, m.curY), rounded);
    QCOMPARE(m.modifiers, Qt::KeyboardModifiers(Qt::ShiftModifier));
    QMouseEvent press = mouseAt(QEvent::MouseButtonPress, pos, Qt::RightButton);
    m.recordPress(&press);
    QCOMPARE(QPoint(m.pressX, m.pressY), rounded);
    QCOMPARE(m.button, Qt::RightButton);
    QMouseEvent release = mouseAt(QEvent::MouseButtonRelease, pos);
    m.recordRelease(&release);
    QCOMPARE(QPoint(m.releaseX, m.releaseY), rounded);
    QMouseEvent dbl = mouseAt(QEvent::MouseButtonDblClick, pos);
    m.recordDoubleClick(&dbl);
    QCOMPARE(QPoint(m.dblClickX, m.dblClickY), rounded);
    QCOMPARE(QPoint(m.curX, m.curY), rounded);
}

void TestPlotCoords::pressReleaseState()
{
    MouseC m;
    QMouseEvent press = mouseAt(QEvent::MouseButtonPress, QPointF(5, 6));
    QMouseEvent move = mouseAt(QEvent::MouseMove, QPointF(7, 8), Qt::NoButton);
    QMouseEvent dbl = mouseAt(QEvent::MouseButtonDblClick, QPointF(5, 6));
    QMouseEvent release = mouseAt(QEvent::MouseButtonRelease, QPointF(9, 9));
    m.recordPress(&press);
    QVERIFY(m.pressed);
    m.recordMove(&move);
    QVERIFY(m.pressed); // a move does not end the press
    m.recordDoubleClick(&dbl);
    QVERIFY(m.pressed);
    QCOMPARE(QPoint(m.pressX, m.pressY), QPoint(5, 6));
    m.recordRelease(&release);
    QVERIFY(!m.pressed);
    QCOMPARE(m.button, Qt::LeftButton);
}

QTEST_GUILESS_MAIN(TestPlotCoords)
#include "test_plot_coords.moc"
