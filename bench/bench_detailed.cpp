// Cost of the detailed fluorescence model against the classic one, for a spectrum of 2000 points
// as the plot draws it: the view-independent line computation (with and without secondary
// fluorescence), the view (Gaussians, records, texts), and the classic simulateSpectrum with
// either absorption model. An edit also recomputes the mu t curve (timed here too) and repaints
// the plot (bench_repaint), which both models pay alike. The detailed model as the program runs
// it adds the detector's response (scatter peaks, efficiency, escape peaks, widths by energy),
// timed against the same steps without it. Secondary fluorescence is also timed as its
// reference computes it: every pair of exciting line and emitter, the exponential integrals by
// their series.
// Each step follows a composition parse, as in an edit (the parser's hash lookups leave the
// vector state that slows exp and log), and enters the physics as the plan does, clearing it.
//
//   bench_detailed [repeats]        (default 300 runs per step)

#include "Composition.h"
#include "CrossSectionTable.h"
#include "DetailedFluorescence.h"
#include "FluoLineTable.h"
#include "FluoSimulation.h"
#include "MuT.h"
#include "VectorState.h"
#include "XrayDataBase.h"
#include "readTables.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <numeric>
#include <vector>

namespace {

constexpr int GridPoints = 2000;

struct Case
{
    const char *name;
    const char *target;
    const char *binder;
    double E0;
    double lo;
    double hi;
};

const Case kCases[] = {
    {"Fe2O3 in BN, 10 keV", "Fe2O3", "BN", 10, 1, 11},
    // Phlogopite with hematite, rutile, manganosite and zincite: K Mg Al Si O H Fe Ti Mn Zn.
    {"10-element mineral mix in BN + cellulose, 30 keV",
     "[KMg3AlSi3O10(OH)2]4[Fe2O3]2[TiO2]1[MnO]1[ZnO]1", "[BN]1[C6H10O5]1", 30, 0.5, 31},
    // A silicate glass doped with 27 trace oxides (by mass): 40 elements, in cellulose.
    {"40-element doped glass in cellulose, 30 keV",
     "[SiO2]50[Al2O3]12[Fe2O3]8[CaO]7[MgO]5[Na2O]3[K2O]2[TiO2]1.5[P2O5]0.5[MnO]0.2[SO3]0.3"
     "[NaCl]0.2[V2O5]0.1[Cr2O3]0.1[CoO]0.1[NiO]0.1[CuO]0.1[ZnO]0.1[Ga2O3]0.1[GeO2]0.1"
     "[As2O3]0.1[SeO2]0.1[KBr]0.1[Rb2O]0.1[SrO]0.1[Y2O3]0.1[ZrO2]0.1[Nb2O5]0.1[MoO3]0.1"
     "[Ag2O]0.1[CdO]0.1[SnO2]0.1[Sb2O3]0.1[BaO]0.1[La2O3]0.1[CeO2]0.1[WO3]0.1[PbO]0.1[Bi2O3]0.1",
     "C6H10O5", 30, 0.5, 31},
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;

    XrayDataBase db;
    CrossSectionTable xs;
    FluoLineTable lineTable;
    ScatterTable scatter;
    QString error;
    const QString dir = QStringLiteral(TIRN_SOURCE_DIR "/data/");
    if (!db.load(dir + QStringLiteral("XrayDataBase1.txt")) ||
        !xs.load(dir + QStringLiteral("CrossSections.txt"), &error) ||
        !lineTable.load(dir + QStringLiteral("FluoLines.txt"), &error) ||
        !scatter.load(dir + QStringLiteral("ScatterFactors.txt"), &error)) {
        std::fprintf(stderr, "cannot load the shipped data %s\n", qPrintable(error));
        return 1;
    }
    std::vector<double> yieldK(YIELD_ARRAY_SIZE), yieldL(YIELD_ARRAY_SIZE);
    readYield(yieldK.data(), YIELD_SLOTS, dir + QStringLiteral("FYields/y-K.txt"));
    readYield(yieldL.data(), YIELD_SLOTS, dir + QStringLiteral("FYields/y-L.txt"));
    const Composition air = airComposition(db);
    Composition al;
    evalComposition(QStringLiteral("Al"), al, db);

    std::printf("%d-point spectrum, median of %d runs [us]\n", GridPoints, repeats);
    for (const Case &c : kCases) {
        Composition tgt, bnd;
        evalComposition(QString::fromLatin1(c.target), tgt, db);
        evalComposition(QString::fromLatin1(c.binder), bnd, db);
        std::vector<double> grid(GridPoints), spectrum(GridPoints);
        for (int i = 0; i < GridPoints; ++i)
            grid[i] = c.lo + (c.hi - c.lo) * i / (GridPoints - 1);

        DetailedInput in;
        SpectrumInput &s = in.spectrum;
        s.E0 = c.E0;
        s.I0 = 1e10;
        s.detector.distanceCm = 2;
        s.detector.radiusCm = 0.5;
        s.detector.fwhm = 0.15;
        s.channelWidth = 0.01;
        s.tgt = &tgt;
        s.bnd = &bnd;
        s.exit.layers = {Layer{air, AIR_DENSITY, 10}, Layer{al, 2.7, 0.02}};
        s.yieldK = yieldK.data();
        s.yieldL = yieldL.data();
        s.yieldSize = YIELD_ARRAY_SIZE;
        // 20 mg of target per cm^2 with five times as many binder formula units.
        s.tgtMolPerArea = 0.02 / tgt.molecularWeight();
        s.bndPerTgt = 5;
        s.lineNames = lineNames();
        s.gridE = grid.data();
        s.gridPoints = GridPoints;
        in.lines = &lineTable;
        in.crossSections = &xs;

        const PelletAbsorber absorber{&tgt, &bnd, s.tgtMolPerArea, s.bndPerTgt};
        std::vector<double> curveE(GridPoints), curve(GridPoints);

        DetailedLineSet primaryLines, allLines, recorded, referenceLines;
        SpectrumResult result;
        double sink = 0;
        const std::function<void()> steps[] = {
            [&] { // the classic model on the two-term table
                tgt.tabulated = bnd.tabulated = nullptr;
                simulateSpectrum(s, spectrum.data(), result);
            },
            [&] { // the classic model on the tabulated cross sections
                tgt.tabulated = bnd.tabulated = &xs;
                simulateSpectrum(s, spectrum.data(), result);
            },
            [&] {
                in.secondary = false;
                computeDetailedLines(in, primaryLines);
            },
            [&] {
                in.secondary = true;
                computeDetailedLines(in, allLines);
            },
            [&] { renderDetailedSpectrum(allLines, s, spectrum.data(), result); },
            [&] { // with the detector's response, as the program computes
                in.secondary = true;
                in.scatter = &scatter;
                computeDetailedLines(in, recorded);
                in.scatter = nullptr;
            },
            [&] { renderDetailedSpectrum(recorded, s, spectrum.data(), result); },
            [&] { // the mu t curve of an edit, on the tabulated cross sections
                tgt.tabulated = bnd.tabulated = &xs;
                fillMuTCurve(muTRange(c.lo, c.hi), GridPoints, absorber, curveE.data(),
                             curve.data());
            },
            [&] { // secondary fluorescence from every pair, with the series integrals
                in.secondary = true;
                in.secondaryTolerance = 0;
                computeDetailedLines(in, referenceLines);
                in.secondaryTolerance = DetailedInput().secondaryTolerance;
            },
        };
        constexpr int StepCount = int(sizeof steps / sizeof steps[0]);
        // The steps take turns, so that a slower stretch of the machine hits all alike.
        std::vector<double> us[StepCount];
        QElapsedTimer t;
        Composition parsed;
        for (int r = 0; r < repeats; ++r) {
            for (int k = 0; k < StepCount; ++k) {
                evalComposition(QString::fromLatin1(c.target), parsed, db);
                t.start();
                cleanVectorState();
                steps[k]();
                us[k].push_back(t.nsecsElapsed() / 1000.0);
                sink += std::accumulate(spectrum.begin(), spectrum.end(), 0.0) + curve[0];
            }
        }
        const double classic = median(us[0]), classicTab = median(us[1]);
        const double primary = median(us[2]), secondary = median(us[3]), view = median(us[4]);
        const double withDetector = median(us[5]), viewDetector = median(us[6]);
        const double curveUs = median(us[7]), reference = median(us[8]);
        std::printf("\n%s: %d elements, %d lines, %d records in range\n", c.name,
                    int(tgt.entries.size() + bnd.entries.size()), int(allLines.lines.size()),
                    int(result.linePeaks.size()));
        std::printf("  %-52s %9.1f\n", "classic simulateSpectrum, two-term table", classic);
        std::printf("  %-52s %9.1f\n", "classic simulateSpectrum, tabulated", classicTab);
        std::printf("  %-52s %9.1f\n", "detailed lines, primary only", primary);
        std::printf("  %-52s %9.1f\n", "detailed lines, with secondary fluorescence", secondary);
        std::printf("  %-52s %9.1f\n", "  the same, every pair, series integrals", reference);
        std::printf("  %-52s %9.1f\n", "detailed view (Gaussians, records, texts)", view);
        std::printf("  %-52s %9.2f x\n", "edit, primary only: (lines + view) / classic",
                    (primary + view) / classic);
        std::printf("  %-52s %9.2f x\n", "edit, with secondary: (lines + view) / classic",
                    (secondary + view) / classic);
        std::printf("  %-52s %9.2f x\n", "view change only: view / classic", view / classic);
        std::printf("  %-52s %9.1f\n", "detailed lines, secondary and detector response",
                    withDetector);
        std::printf("  %-52s %9.1f   (%d records)\n", "detailed view with detector response",
                    viewDetector, int(recorded.lines.size()));
        std::printf("  %-52s %9.2f x\n", "edit with detector response / classic",
                    (withDetector + viewDetector) / classic);
        std::printf("  %-52s %9.1f\n", "mu t curve (tabulated)", curveUs);
        std::printf("  %-52s %9.2f x\n", "edit with mu t curve, with secondary, vs classic",
                    (curveUs + secondary + view) / (curveUs + classicTab));
        std::printf("  %-52s %9.2f x\n", "the same with detector response",
                    (curveUs + withDetector + viewDetector) / (curveUs + classicTab));
        if (sink == 0)
            std::printf("(empty spectrum)\n");
    }
    return 0;
}
