// The fluorescence simulation on the fixture table: line selection, intensities, the two texts,
// the display modes and degenerate inputs.
#include "FluoFixture.h"

#include <QRandomGenerator>
#include <QRegularExpression>

#include <cmath>
#include <limits>
#include <vector>

namespace {

bool relClose(double a, double b, double rel)
{
    return std::abs(a - b) <= rel * std::max(std::abs(a), std::abs(b));
}

} // namespace

class TestSpectrum : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void handComputedIntensity_data();
    void handComputedIntensity();
    void attenuationFactors();
    void lineWeights_data();
    void lineWeights();
    void lShellExcitedThroughLIII_data();
    void lShellExcitedThroughLIII();
    void rateLimits_data();
    void rateLimits();
    void integAreaIsLineRateSum();
    void spectrumIndependentOfRange();
    void strictRange_data();
    void strictRange();
    void excitationBelowAllEdges();
    void noLinesInRange_data();
    void noLinesInRange();
    void integScalesOnlyAmplitudes();
    void arrayScalesRates();
    void ratioChangesOnlyInfoText();
    void invalidFiltersAttenuateNothing_data();
    void invalidFiltersAttenuateNothing();
    void elementInTargetAndBinder();
    void labelSort_data();
    void labelSort();
    void labelSortAsExchanges_data();
    void labelSortAsExchanges();
    void truncatedGaussiansMatchFullSum_data();
    void truncatedGaussiansMatchFullSum();
    void gaussianBlocksMatchEachPoint_data();
    void gaussianBlocksMatchEachPoint();
    void degenerateInputs_data();
    void degenerateInputs();
};

// Expected figures were worked out separately from the formulas (for Fe Ka1: yield 0.327018
// x 10/17, K-edge jump 17639.654 cm^2/mol at 10 keV times 1e-4 mol/cm^2 of target, slab factor
// (1 - exp(-S)) / S with S = 2.00647 in + 0.89678 out, air and Al filter transmission 0.58884,
// solid angle 0.25^2 pi / (4 pi 2^2) = 0.015625, 1e6 photons/s: 1016.363 photons/s).
void TestSpectrum::handComputedIntensity_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<double>("energy");
    QTest::addColumn<double>("intensity");
    QTest::addColumn<QString>("text");

    QTest::newRow("Fe Ka2") << "Fe Ka2" << 6.3908 << 505.81249423085757 << "Fe Ka2: 5.06e+02";
    QTest::newRow("Fe Ka1") << "Fe Ka1" << 6.4038 << 1016.3609991463903 << "Fe Ka1: 1.02e+03";
    QTest::newRow("Fe Kb") << "Fe Kb" << 7.058 << 247.24157886063426 << "Fe Kb: 2.47e+02";
}

void TestSpectrum::handComputedIntensity()
{
    QFETCH(QString, line);
    QFETCH(double, energy);
    QFETCH(double, intensity);
    QFETCH(QString, text);

    SpectrumFixture fx;
    QVERIFY(fx.load());
    const SpectrumResult r = fx.run();
    const LinePeak *peak = findLine(r, line);
    QVERIFY2(peak, qPrintable(line));
    QCOMPARE(peak->peakEnergy, energy);
    QVERIFY2(relClose(peak->peakIntensity, intensity, 1e-12),
             qPrintable(QString::number(peak->peakIntensity, 'g', 17)));
    QCOMPARE(peak->peakText, text);
}

void TestSpectrum::attenuationFactors()
{
    SpectrumFixture fx;
    QVERIFY(fx.load());
    const LightPath path = fx.exitPath();
    // 0.001293 g/cm^3 / 28.9634 g/mol x 1 cm of air; 2.7 / 26.9815 x 0.002 cm of Al.
    QVERIFY(relClose(path.layers.at(0).molPerArea(), 8.818919392966484e-05, 1e-13));
    QVERIFY(relClose(path.layers.at(1).molPerArea(), 0.00020013713099716475, 1e-13));
    QCOMPARE(path.layers.at(2).molPerArea(), 0.0); // filter 2 is not a valid composition
}

// In a vanishingly thin sample without air or filters, lines of one shell differ only by their
// weights: K lines in 17ths (Ka2 5, Ka1 10, Kb 2), L lines in 21sts (La2 1, La1 9, Lb1 5, Lb2 6).
void TestSpectrum::lineWeights_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<double>("ratio");

    QTest::newRow("Ka1/Ka2") << "Ba Ka1"
                             << "Ba Ka2" << 2.0;
    QTest::newRow("Kb/Ka2") << "Ba Kb"
                            << "Ba Ka2" << 0.4;
    QTest::newRow("La1/La2") << "Ba La1"
                             << "Ba La2" << 9.0;
    QTest::newRow("Lb1/La2") << "Ba Lb1"
                             << "Ba La2" << 5.0;
    QTest::newRow("Lb2/La2") << "Ba Lb2"
                             << "Ba La2" << 6.0;
    QTest::newRow("Fe Ka1/Ka2") << "Fe Ka1"
                                << "Fe Ka2" << 2.0;
}

void TestSpectrum::lineWeights()
{
    QFETCH(QString, line);
    QFETCH(QString, reference);
    QFETCH(double, ratio);

    SpectrumFixture fx;
    QVERIFY(fx.load());
    fx.tgt = fx.comp({{"Ba", 1.0}, {"Fe", 1.0}});
    fx.in.tgtMolPerArea = 1e-12;
    fx.airThickness = 0;
    fx.f1.valid = false;
    fx.in.E0 = 40.0; // above the Ba K edge
    fx.setGrid(1.0, 39.0);
    const SpectrumResult r = fx.run();
    const LinePeak *a = findLine(r, line);
    const LinePeak *b = findLine(r, reference);
    QVERIFY(a && b);
    QVERIFY(b->peakIntensity > 0);
    QVERIFY2(relClose(a->peakIntensity / b->peakIntensity, ratio, 1e-6),
             qPrintable(QString::number(a->peakIntensity / b->peakIntensity, 'g', 10)));
}

// At 5.4 keV, Ba is ionised in its LIII shell (5.249 keV) but not in LII (5.63) or LI (5.951):
// the L lines live on the LIII jump alone, and Lb1 (an L2-M4 transition) has no vacancy to
// start from. Above LII it gets the same excitation as the other L lines.
void TestSpectrum::lShellExcitedThroughLIII_data()
{
    QTest::addColumn<double>("E0");
    QTest::addColumn<QVector<double>>("expected"); // La2, La1, Lb1, Lb2; -1: positive

    QTest::newRow("between LIII and LII")
        << 5.4 << QVector<double>{24.078450986916414, 217.70127956143004, 0.0, 171.65856668543368};
    QTest::newRow("between LII and LI") << 5.8 << QVector<double>{-1, -1, -1, -1};
}

void TestSpectrum::lShellExcitedThroughLIII()
{
    QFETCH(double, E0);
    QFETCH(QVector<double>, expected);

    SpectrumFixture fx;
    QVERIFY(fx.load());
    fx.tgt = fx.comp({{"Ba", 1.0}});
    fx.f1.valid = false;
    fx.in.E0 = E0;
    fx.setGrid(4.0, 5.3);
    const SpectrumResult r = fx.run();
    QCOMPARE(linesOf(r), (QStringList{"Ba La2", "Ba La1", "Ba Lb1", "Ba Lb2"}));
    for (int i = 0; i < 4; ++i) {
        const double rate = r.linePeaks.at(i).peakIntensity;
        QVERIFY2(expected[i] < 0 ? rate > 0 : relClose(rate, expected[i], 1e-12),
                 qPrintable(r.linePeaks.at(i).peakText));
    }
}

// Rates are photons/s that reach the detector. A thin pellet gives a rate proportional to its
// amount; a thick one saturates below I0 x solid angle / 4 pi, the ceiling of any line.
void TestSpectrum::rateLimits_data()
{
    QTest::addColumn<double>("molPerArea");
    QTest::addColumn<double>("ratioToTwice"); // rate at n over rate at 2n

    QTest::newRow("thin: linear") << 1e-12 << 0.5;
    QTest::newRow("thick: saturated") << 1.0 << 1.0;
}

void TestSpectrum::rateLimits()
{
    QFETCH(double, molPerArea);
    QFETCH(double, ratioToTwice);

    SpectrumFixture fx;
    QVERIFY(fx.load());
    fx.airThickness = 0;
    fx.f1.valid = false;
    fx.setGrid(6.0, 7.5);
    fx.in.tgtMolPerArea = molPerArea;
    const SpectrumResult once = fx.run();
    fx.in.tgtMolPerArea = 2 * molPerArea;
    const SpectrumResult twice = fx.run();
    const double ceiling = fx.in.I0 * 0.25 * 0.25 / (4 * 2.0 * 2.0);
    QCOMPARE(once.linePeaks.size(), 3);
    for (int i = 0; i < once.linePeaks.size(); ++i) {
        const double a = once.linePeaks[i].peakIntensity;
        const double b = twice.linePeaks[i].peakIntensity;
        QVERIFY2(a > 0 && b < ceiling, qPrintable(twice.linePeaks[i].peakText));
        QVERIFY2(relClose(a / b, ratioToTwice, 1e-6), qPrintable(QString::number(a / b)));
    }
}

// In "Integ." mode the spectrum is photons/s per channel: for lines well inside the range its
// integral over energy, divided by the channel width, is the sum of the line rates.
void TestSpectrum::integAreaIsLineRateSum()
{
    SpectrumFixture fx;
    QVERIFY(fx.load());
    fx.in.integ = true;
    fx.setGrid(5.5, 8.0); // 3 FWHM clear of the Fe K lines on both sides
    const SpectrumResult r = fx.run();
    double rates = 0;
    for (const LinePeak &p : r.linePeaks)
        rates += p.peakIntensity;
    QCOMPARE(r.linePeaks.size(), 3);
    double area = 0;
    for (int i = 1; i < SpectrumFixture::N; ++i)
        area += 0.5 * (fx.fluo[i] + fx.fluo[i - 1]) * (fx.grid[i] - fx.grid[i - 1]);
    QVERIFY2(relClose(area / fx.in.channelWidth, rates, 1e-3),
             qPrintable(QString::number(area / fx.in.channelWidth / rates, 'g', 8)));
}

// A line just outside the range still adds its tail: the spectrum at 6.35 keV is the same
// whether the range stops there, short of Fe Ka, or starts there and takes the lines in.
void TestSpectrum::spectrumIndependentOfRange()
{
    SpectrumFixture fx;
    QVERIFY(fx.load());
    fx.setGrid(6.0, 6.35);
    const SpectrumResult below = fx.run();
    const double atEndBelow = fx.fluo.last();
    fx.setGrid(6.35, 6.5);
    const SpectrumResult across = fx.run();
    QVERIFY(below.linePeaks.isEmpty());
    QCOMPARE(across.linePeaks.size(), 2);
    QVERIFY(atEndBelow > 0.1 * across.spectrumMax);
    QVERIFY(relClose(fx.fluo.first(), atEndBelow, 1e-12));
}

// Bounds are given as numbers or as a line whose table energy is taken exactly.
void TestSpectrum::strictRange_data()
{
    QTest::addColumn<QString>("lo");
    QTest::addColumn<QString>("hi");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("bounds on Ka1 and Kb") << "Fe Ka1"
                                          << "Fe Kb" << QStringList{};
    QTest::newRow("just around Ka1 and Kb") << "6.4037"
                                            << "7.0581" << QStringList{"Fe Ka1", "Fe Kb"};
    QTest::newRow("upper bound on Ka2") << "6.0"
                                        << "Fe Ka2" << QStringList{};
    QTest::newRow("lower bound on Ka2") << "Fe Ka2"
                                        << "6.5" << QStringList{"Fe Ka1"};
    QTest::newRow("light elements, target first")
        << "0"
        << "1" << QStringList{"O Ka2", "O Ka1", "B Ka2", "B Ka1", "N Ka2", "N Ka1"};
}

void TestSpectrum::strictRange()
{
    QFETCH(QString, lo);
    QFETCH(QString, hi);
    QFETCH(QStringList, lines);

    SpectrumFixture fx;
    QVERIFY(fx.load());
    const auto bound = [&fx](const QString &text) {
        const QStringList parts = text.split(QLatin1Char(' '));
        if (parts.size() == 1)
            return text.toDouble();
        return fx.db.find(parts[0])->line[fx.in.lineNames.indexOf(parts[1])];
    };
    fx.setGrid(bound(lo), bound(hi));
    QCOMPARE(linesOf(fx.run()), lines);
}

void TestSpectrum::excitationBelowAllEdges()
{
    SpectrumFixture fx;
    QVERIFY(fx.load());
    fx.in.E0 = 0.1;
    // From 0.2 keV: the B lines at 0.183 keV would meet a sample that absorbs nothing at all
    // (mu t 0 in and out, so 0 x thickness / 0).
    fx.setGrid(0.2, 8.0);
    fx.in.ratio = true;
    const SpectrumResult r = fx.run();

    QCOMPARE(r.linePeaks.size(), 7); // every line still gets its record, stick and label
    for (const LinePeak &p : r.linePeaks) {
        QCOMPARE(p.peakIntensity, 0.0);
        QVERIFY2(p.ratioText.endsWith(QLatin1String(": 0.00")), qPrintable(p.ratioText));
    }
    for (double v : fx.fluo)
        QCOMPARE(v, 0.0);
    QCOMPARE(r.spectrumMax, 0.0);
    QCOMPARE(r.peakMax, 1.0);
    QVERIFY2(r.infoText.startsWith(QLatin1String("Max 1.00e+00 :: Fe Ka2: 0.00, ")),
             qPrintable(r.infoText));
}

void TestSpectrum::noLinesInRange_data()
{
    QTest::addColumn<bool>("ratio");
    QTest::addColumn<QString>("info");

    QTest::newRow("intensities") << false << "";
    QTest::newRow("ratio") << true << "Max 1.00e+00 :: ";
}

void TestSpectrum::noLinesInRange()
{
    QFETCH(bool, ratio);
    QFETCH(QString, info);

    SpectrumFixture fx;
    QVERIFY(fx.load());
    fx.setGrid(8.0, 9.0); // the Fe K edge lies below, no line inside
    fx.in.ratio = ratio;
    std::fill(fx.fluo.begin(), fx.fluo.end(), 7.0); // whatever the last run left
    const SpectrumResult r = fx.run();
    QVERIFY(r.linePeaks.isEmpty());
    QVERIFY(r.labelList.isEmpty());
    QCOMPARE(r.infoText, info);
    QCOMPARE(r.peakMax, 1.0);
    QCOMPARE(r.spectrumMax, 0.0);
    for (double v : fx.fluo)
        QCOMPARE(v, 0.0);
}

// "Integ." multiplies each Gaussian by 2 sqrt(ln2 / pi) / FWHM x channel width, here
// 6.26291 / keV x 0.01 keV; intensities, texts and the line list stay as they are.
void TestSpectrum::integScalesOnlyAmplitudes()
{
    SpectrumFixture fx;
    QVERIFY(fx.load());
    const SpectrumResult peak = fx.run();
    const QVector<double> peakSpectrum = fx.fluo;
    fx.in.integ = true;
    const SpectrumResult integ = fx.run();

    const double factor = 0.06262915191331009;
    int nonZero = 0;
    for (int i = 0; i < SpectrumFixture::N; ++i) {
        if (peakSpectrum[i] != 0)
            ++nonZero;
        QVERIFY2(std::abs(fx.fluo[i] - factor * peakSpectrum[i]) <= 1e-12 * integ.spectrumMax,
                 qPrintable(QString::number(i)));
    }
    QVERIFY(nonZero > 100);
    QVERIFY(relClose(integ.spectrumMax, factor * peak.spectrumMax, 1e-12));
    QCOMPARE(integ.peakMax, peak.peakMax);
    QCOMPARE(integ.infoText, peak.infoText);
    QCOMPARE(integ.linePeaks.size(), peak.linePeaks.size());
    for (int i = 0; i < peak.linePeaks.size(); ++i) {
        QCOMPARE(integ.linePeaks[i].peakIntensity, peak.linePeaks[i].peakIntensity);
        QCOMPARE(integ.linePeaks[i].peakText, peak.linePeaks[i].peakText);
        QCOMPARE(integ.linePeaks[i].ratioText, peak.linePeaks[i].ratioText);
    }
}

// An array of N elements: every rate and the spectrum N times a single element's, the shares the
// same.
void TestSpectrum::arrayScalesRates()
{
    SpectrumFixture fx;
    QVERIFY(fx.load());
    fx.in.ratio = true;
    const SpectrumResult single = fx.run();
    const QVector<double> singleSpectrum = fx.fluo;
    fx.in.detector.elements = 5;
    const SpectrumResult array = fx.run();
    QVERIFY(single.linePeaks.size() > 5);
    QCOMPARE(array.linePeaks.size(), single.linePeaks.size());
    for (int i = 0; i < single.linePeaks.size(); ++i) {
        QVERIFY(relClose(array.linePeaks[i].peakIntensity, 5 * single.linePeaks[i].peakIntensity,
                         1e-14));
        QCOMPARE(array.linePeaks[i].ratioText, single.linePeaks[i].ratioText);
    }
    for (int i = 0; i < SpectrumFixture::N; ++i)
        QVERIFY(std::abs(fx.fluo[i] - 5 * singleSpectrum[i]) <= 1e-14 * array.spectrumMax);
}

// Without "Ratio" the text lists intensities by ascending energy (O Ka1 before O Ka2: the
// selection sort exchanges equal energies); with it, percentages in computation order.
void TestSpectrum::ratioChangesOnlyInfoText()
{
    SpectrumFixture fx;
    QVERIFY(fx.load());
    const SpectrumResult plain = fx.run();
    const QVector<double> plainSpectrum = fx.fluo;
    fx.in.ratio = true;
    const SpectrumResult ratio = fx.run();

    QCOMPARE(plain.infoText, QStringLiteral("B Ka2: 0.00e+00, B Ka1: 0.00e+00, N Ka2: 6.49e-04, "
                                            "N Ka1: 1.30e-03, O Ka1: 7.66e-09, O Ka2: 3.83e-09, "
                                            "Fe Ka2: 5.06e+02, Fe Ka1: 1.02e+03, Fe Kb: 2.47e+02"));
    QCOMPARE(ratio.infoText,
             QStringLiteral("Max 1.02e+03 :: Fe Ka2: 49.77, Fe Ka1: 100.00, Fe Kb: 24.33, "
                            "O Ka2: 0.00, O Ka1: 0.00, B Ka2: 0.00, B Ka1: 0.00, "
                            "N Ka2: 0.00, N Ka1: 0.00"));
    QCOMPARE(ratio.labelList, plain.labelList);
    QCOMPARE(ratio.peakMax, plain.peakMax);
    QCOMPARE(ratio.spectrumMax, plain.spectrumMax);
    QCOMPARE(fx.fluo, plainSpectrum);
    for (int i = 0; i < plain.linePeaks.size(); ++i) {
        QCOMPARE(ratio.linePeaks[i].peakText, plain.linePeaks[i].peakText);
        QCOMPARE(ratio.linePeaks[i].peakIntensity, plain.linePeaks[i].peakIntensity);
    }
}

void TestSpectrum::invalidFiltersAttenuateNothing_data()
{
    QTest::addColumn<int>("filter");
    QTest::newRow("filter 1") << 1;
    QTest::newRow("filter 2") << 2;
}

void TestSpectrum::invalidFiltersAttenuateNothing()
{
    QFETCH(int, filter);

    SpectrumFixture fx;
    QVERIFY(fx.load());
    fx.f1.valid = false;
    fx.f2.valid = false;
    fx.f1Thickness = 0;
    fx.f2Thickness = 0;
    const SpectrumResult bare = fx.run();

    // A thick, dense filter that would absorb almost everything, were it valid.
    Composition &f = filter == 1 ? fx.f1 : fx.f2;
    f = fx.comp({{"Al", 1.0}});
    f.valid = false;
    (filter == 1 ? fx.f1Thickness : fx.f2Thickness) = 5.0;
    (filter == 1 ? fx.f1Density : fx.f2Density) = 2.7;
    const SpectrumResult filtered = fx.run();
    QCOMPARE(fx.in.exit.layers.at(filter).molPerArea(), 0.0);
    QCOMPARE(filtered.infoText, bare.infoText);
    for (int i = 0; i < bare.linePeaks.size(); ++i)
        QCOMPARE(filtered.linePeaks[i].peakIntensity, bare.linePeaks[i].peakIntensity);

    // The same filter made valid does absorb.
    f.valid = true;
    const SpectrumResult absorbing = fx.run();
    const LinePeak *ka1 = findLine(absorbing, QStringLiteral("Fe Ka1"));
    QVERIFY(ka1);
    QVERIFY(ka1->peakIntensity < 0.5 * findLine(bare, QStringLiteral("Fe Ka1"))->peakIntensity);
}

// An element in both target and binder gets two records with the same name, each with its
// own composition's absorption jump.
void TestSpectrum::elementInTargetAndBinder()
{
    SpectrumFixture fx;
    QVERIFY(fx.load());
    fx.bnd = fx.comp({{"B", 1.0}, {"Fe", 1.0}});
    fx.setGrid(6.0, 6.6);
    const SpectrumResult r = fx.run();
    QCOMPARE(linesOf(r), (QStringList{"Fe Ka2", "Fe Ka1", "Fe Ka2", "Fe Ka1"}));
    // Two Fe per target formula unit against one Fe per binder unit and 2 binder units per
    // target unit: the same Fe per cm^2 either way, so the same rate.
    QVERIFY(relClose(r.linePeaks[1].peakIntensity / r.linePeaks[3].peakIntensity, 1.0, 1e-12));
    // Ascending energy: both Ka2 first; the target's Ka2 record stays ahead of the binder's.
    QCOMPARE(r.labelList[0].second, r.linePeaks[0].peakText);
    QCOMPARE(r.labelList[1].second, r.linePeaks[2].peakText);
}

void TestSpectrum::labelSort_data()
{
    QTest::addColumn<QVector<double>>("energies");
    QTest::addColumn<QString>("order"); // tags a, b, c ... by input position

    QTest::newRow("ascending") << QVector<double>{1, 2, 3} << "abc";
    QTest::newRow("descending") << QVector<double>{3, 2, 1} << "cba";
    QTest::newRow("equal pair exchanged") << QVector<double>{3, 3, 1} << "cba";
    QTest::newRow("equal pair kept") << QVector<double>{5, 3, 3, 1} << "dbca";
    QTest::newRow("all equal") << QVector<double>{2, 2, 2} << "abc";
    QTest::newRow("single") << QVector<double>{4} << "a";
    QTest::newRow("empty") << QVector<double>{} << "";
}

void TestSpectrum::labelSort()
{
    QFETCH(QVector<double>, energies);
    QFETCH(QString, order);

    QVector<LineLabel> labels;
    for (int i = 0; i < energies.size(); ++i)
        labels.append(LineLabel(energies[i], QString(QLatin1Char(char('a' + i)))));
    sortLabelsByEnergy(labels);
    QString got;
    for (const LineLabel &l : labels)
        got += l.second;
    QCOMPARE(got, order);
}

// Long lists with many equal energies, as a target and a binder sharing elements give: the order
// must be the one the plain exchange sequence leaves (first of the smallest left goes to the
// next place), ties included, and lists holding a NaN too.
void TestSpectrum::labelSortAsExchanges_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("distinct"); // energies drawn from this many values
    QTest::addColumn<int>("nans");

    QTest::newRow("3 labels, 2 energies") << 3 << 2 << 0;
    QTest::newRow("17 labels, all different") << 17 << 1000000 << 0;
    QTest::newRow("64 labels, 8 energies") << 64 << 8 << 0;
    QTest::newRow("200 labels, 30 energies") << 200 << 30 << 0;
    QTest::newRow("333 labels, 2 energies") << 333 << 2 << 0;
    QTest::newRow("500 labels, 1 energy") << 500 << 1 << 0;
    QTest::newRow("100 labels, 10 energies, a NaN") << 100 << 10 << 1;
    QTest::newRow("50 labels, 5 energies, 4 NaN") << 50 << 5 << 4;
}

void TestSpectrum::labelSortAsExchanges()
{
    QFETCH(int, count);
    QFETCH(int, distinct);
    QFETCH(int, nans);

    QRandomGenerator rng(uint(count * 7919 + distinct + nans));
    QVector<LineLabel> labels;
    for (int i = 0; i < count; ++i)
        labels.append(LineLabel(0.5 + 0.25 * rng.bounded(distinct), QString::number(i)));
    for (int k = 0; k < nans; ++k)
        labels[rng.bounded(count)].first = std::nan("");
    // The exchanges themselves, one scan per place.
    QVector<LineLabel> expected = labels;
    for (int i = 0; i + 1 < count; ++i) {
        int m = i;
        for (int j = i + 1; j < count; ++j) {
            if (expected[m].first > expected[j].first)
                m = j;
        }
        std::swap(expected[i], expected[m]);
    }
    sortLabelsByEnergy(labels);
    QStringList got;
    QStringList want;
    for (int i = 0; i < count; ++i) {
        got << labels[i].second;
        want << expected[i].second;
    }
    QCOMPARE(got, want);
}

// Each Gaussian is evaluated only where it exceeds 1e-12 of its peak. The sum over all grid
// points, done here the long way from the line list, must agree to that level everywhere.
void TestSpectrum::truncatedGaussiansMatchFullSum_data()
{
    QTest::addColumn<double>("fwhm");
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<bool>("integ");

    QTest::newRow("narrow, wide range") << 0.15 << 0.1 << 8.0 << false;
    QTest::newRow("narrow, zoomed in") << 0.15 << 6.35 << 6.45 << false;
    QTest::newRow("wider than the range") << 5.0 << 6.3 << 7.1 << false;
    QTest::newRow("narrower than a step") << 0.0005 << 0.1 << 8.0 << false;
    QTest::newRow("10 eV, zoomed in") << 0.01 << 6.3 << 6.5 << false;
    QTest::newRow("10 eV, zoomed in, Integ.") << 0.01 << 6.3 << 6.5 << true;
    QTest::newRow("3 keV, narrow range") << 3.0 << 6.0 << 7.5 << false;
    QTest::newRow("3 keV, narrow range, Integ.") << 3.0 << 6.0 << 7.5 << true;
    QTest::newRow("3 keV, wide range, Integ.") << 3.0 << 0.1 << 8.0 << true;
}

void TestSpectrum::truncatedGaussiansMatchFullSum()
{
    QFETCH(double, fwhm);
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(bool, integ);

    SpectrumFixture fx;
    QVERIFY(fx.load());
    fx.in.detector.fwhm = fwhm;
    fx.in.integ = integ;
    // Every line counts wherever it lies; a range over all of them gives the whole list.
    fx.setGrid(0.01, 8.0);
    const SpectrumResult all = fx.run();
    fx.setGrid(lo, hi);
    const SpectrumResult r = fx.run();
    QVERIFY(!r.linePeaks.isEmpty());

    const double gaussWidth = fwhm * fwhm / 2.772588722239781;
    const double scale = integ ? 2 * std::sqrt(std::log(2.0) / PI) / fwhm * fx.in.channelWidth : 1;
    // Each line's own exponential at each point of its window, added in the simulation's order.
    std::vector<double> windowed(SpectrumFixture::N, 0.0);
    for (const LinePeak &p : all.linePeaks) {
        addGaussianByPoint(fx.grid.constData(), SpectrumFixture::N, p.peakEnergy,
                           p.peakIntensity * scale, gaussWidth, windowed.data());
    }
    double maxDiff = 0;
    for (int i = 0; i < SpectrumFixture::N; ++i) {
        double full = 0;
        for (const LinePeak &p : all.linePeaks) {
            const double d = fx.grid[i] - p.peakEnergy;
            full += p.peakIntensity * scale * std::exp(-(d * d) / gaussWidth);
        }
        maxDiff = std::max(maxDiff, std::abs(full - fx.fluo[i]));
        QVERIFY2(std::abs(windowed[i] - fx.fluo[i]) <= 1e-12 * windowed[i],
                 qPrintable(QStringLiteral("%1 keV: %2, each point's own exponential %3")
                                .arg(fx.grid[i])
                                .arg(fx.fluo[i], 0, 'g', 17)
                                .arg(windowed[i], 0, 'g', 17)));
    }
    QVERIFY2(maxDiff <= 1e-11 * all.peakMax * scale, qPrintable(QString::number(maxDiff)));
}

// One Gaussian carried across the grid in blocks against the exponential at every point: within
// 1e-12 of it at every point, or one subnormal step where the product underflows, and nothing
// outside the cut-off window. The grid is made as the mu t curve's is, so it is even only to
// rounding; a jitter moves every seventh point off it by that fraction of a step.
void TestSpectrum::gaussianBlocksMatchEachPoint_data()
{
    QTest::addColumn<double>("fwhm");
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<double>("position"); // line energy in grid steps from lo
    QTest::addColumn<double>("amplitude");
    QTest::addColumn<double>("jitter");

    const struct
    {
        const char *name;
        double fwhm;
        double lo;
        double hi;
    } widths[] = {
        {"10 eV on 0.2 keV", 0.01, 6.3, 6.5},  {"10 eV on 20 keV", 0.01, 0.1, 20.0},
        {"150 eV on 20 keV", 0.15, 0.1, 20.0}, {"1 keV on 20 keV", 1.0, 0.1, 20.0},
        {"3 keV on 1.5 keV", 3.0, 6.0, 7.5},   {"3 keV on 40 keV", 3.0, 0.0, 40.0},
        {"3 keV on 10 eV", 3.0, 6.4, 6.41},
    };
    const struct
    {
        const char *name;
        double position;
    } positions[] = {
        {"on a point", 1000.0},   {"between points", 1000.5},  {"near the start", 2.3},
        {"near the end", 1996.0}, {"below the range", -40.25}, {"above the range", 2040.75},
    };
    for (const auto &w : widths) {
        for (const auto &p : positions) {
            QTest::addRow("%s, %s", w.name, p.name)
                << w.fwhm << w.lo << w.hi << p.position << 1234.5 << 0.0;
        }
    }
    QTest::newRow("subnormal products") << 3.0 << 6.0 << 7.5 << 1000.5 << 1e-310 << 0.0;
    QTest::newRow("near the largest double") << 3.0 << 6.0 << 7.5 << 1000.5 << 1e300 << 0.0;
    QTest::newRow("zero amplitude") << 3.0 << 6.0 << 7.5 << 1000.5 << 0.0 << 0.0;
    QTest::newRow("negative amplitude") << 1.0 << 0.1 << 20.0 << 700.5 << -2.5 << 0.0;
    QTest::newRow("grid off by 1e-9 step") << 0.01 << 6.3 << 6.5 << 1000.5 << 1.0 << 1e-9;
    // Off by up to 1e-5 of the Gaussian's exponent: the correction's second order counts.
    QTest::newRow("grid off by 3e-5 step") << 0.01 << 6.3 << 6.5 << 1000.5 << 1.0 << 3e-5;
    // Too far off for the expansion: those points take their own exponential.
    QTest::newRow("grid off by 3e-3 step") << 0.01 << 6.3 << 6.5 << 1000.5 << 1.0 << 3e-3;
    QTest::newRow("grid off by 0.3 step") << 0.15 << 0.1 << 20.0 << 500.5 << 1.0 << 0.3;
}

void TestSpectrum::gaussianBlocksMatchEachPoint()
{
    QFETCH(double, fwhm);
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(double, position);
    QFETCH(double, amplitude);
    QFETCH(double, jitter);

    constexpr int N = SpectrumFixture::N;
    const double step = (hi - lo) / (N - 1);
    std::vector<double> grid(N);
    for (int i = 0; i < N; ++i)
        grid[i] = i * step + lo + (i % 7 == 3 ? jitter * step : 0.0);
    const int k = int(position);
    const double El = position == k && k >= 0 && k < N ? grid[k] : lo + position * step;
    const double gaussWidth = gaussianWidth(fwhm);

    std::vector<double> byPoint(N, 0.0);
    std::vector<double> byBlocks(N, 0.0);
    addGaussianByPoint(grid.data(), N, El, amplitude, gaussWidth, byPoint.data());
    addGaussianByBlocks(grid.data(), N, step, El, amplitude, gaussWidth, byBlocks.data());
    const double subnormalStep = std::numeric_limits<double>::denorm_min();
    for (int i = 0; i < N; ++i) {
        QVERIFY2(std::abs(byBlocks[i] - byPoint[i]) <= 1e-12 * std::abs(byPoint[i]) + subnormalStep,
                 qPrintable(QStringLiteral("point %1: %2, by its own exponential %3")
                                .arg(i)
                                .arg(byBlocks[i], 0, 'g', 17)
                                .arg(byPoint[i], 0, 'g', 17)));
        // Beyond the cut-off nothing is added, unless the amplitude itself is nearly subnormal.
        if (byPoint[i] == 0 && std::abs(amplitude) > 1e-290)
            QCOMPARE(byBlocks[i], 0.0);
    }
}

// Inputs that make the model meaningless: the numbers come out as IEEE values, the maxima
// skip them, nothing hangs or crashes. No text shows them: a rate or share that is not finite is
// left out of the labels, the information text and the line table, and the result says it is
// incomplete.
void TestSpectrum::degenerateInputs_data()
{
    QTest::addColumn<double>("distance");
    QTest::addColumn<double>("fwhm");
    QTest::addColumn<double>("lo");
    QTest::addColumn<bool>("lineOnGrid");
    QTest::addColumn<bool>("expectNonFinite");

    QTest::newRow("zero distance") << 0.0 << 0.15 << 0.1 << false << true;
    // 0/0 in the exponent at the grid point that holds the line energy.
    QTest::newRow("zero FWHM on a grid point") << 2.0 << 0.0 << 0.1 << true << true;
    QTest::newRow("zero FWHM between grid points") << 2.0 << 0.0 << 0.1 << false << false;
    QTest::newRow("range from 0 keV") << 2.0 << 0.15 << 0.0 << false << false;
    QTest::newRow("FWHM not a number") << 2.0 << std::nan("") << 0.1 << false << true;
    // Every rate infinite, and so the maximum the shares are taken of.
    QTest::newRow("distance below the doubles") << 1e-320 << 0.15 << 0.1 << false << true;
}

void TestSpectrum::degenerateInputs()
{
    QFETCH(double, distance);
    QFETCH(double, fwhm);
    QFETCH(double, lo);
    QFETCH(bool, lineOnGrid);
    QFETCH(bool, expectNonFinite);

    SpectrumFixture fx;
    QVERIFY(fx.load());
    fx.in.detector.distanceCm = distance;
    fx.in.detector.fwhm = fwhm;
    fx.setGrid(lo, 8.0);
    const double ka1 = fx.db.find(QStringLiteral("Fe"))->line[LineKa1];
    const int k = int((ka1 - lo) / (8.0 - lo) * (SpectrumFixture::N - 1));
    if (lineOnGrid)
        fx.grid[k] = ka1;
    QVERIFY(fx.grid[k] < fx.grid[k + 1]);
    const SpectrumResult r = fx.run();

    int nonFinite = 0;
    double finiteMax = 0;
    for (double v : fx.fluo) {
        if (!std::isfinite(v))
            ++nonFinite;
        else
            finiteMax = std::max(finiteMax, v);
    }
    QCOMPARE(nonFinite > 0, expectNonFinite);
    if (lineOnGrid)
        QVERIFY(std::isnan(fx.fluo[k]));
    QVERIFY(std::isfinite(r.spectrumMax));
    QCOMPARE(r.spectrumMax, finiteMax);
    QVERIFY(!r.linePeaks.isEmpty());

    const QRegularExpression special(QStringLiteral("\\b(nan|inf)\\b"),
                                     QRegularExpression::CaseInsensitiveOption);
    for (const bool ratio : {false, true}) {
        fx.in.ratio = ratio;
        const SpectrumResult shown = fx.run();
        bool ratesKnown = true;
        bool sharesKnown = std::isfinite(shown.peakMax);
        for (const LinePeak &p : shown.linePeaks) {
            QVERIFY2(!p.peakText.contains(special), qPrintable(p.peakText));
            QVERIFY2(!p.ratioText.contains(special), qPrintable(p.ratioText));
            ratesKnown = ratesKnown && std::isfinite(p.peakIntensity);
            sharesKnown = sharesKnown && std::isfinite(p.peakIntensity / shown.peakMax);
        }
        QVERIFY2(!shown.infoText.contains(special), qPrintable(shown.infoText));
        QCOMPARE(shown.complete, ratio ? sharesKnown : ratesKnown);
        const QString csv = lineTableCsv(shown.linePeaks, true);
        QVERIFY2(!csv.contains(special), qPrintable(csv));
        // Every row keeps its six cells, an unknown rate as an empty one.
        for (const QString &line : csv.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            QCOMPARE(line.count(QLatin1Char(',')), 5);
    }
}

QTEST_GUILESS_MAIN(TestSpectrum)
#include "test_fluo_simulation.moc"
