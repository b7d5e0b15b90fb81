// Cost of one mu t curve (2000 points, as the plot draws it) with each absorption model: the
// two-term table and the tabulated cross sections; then what reading the tabulated cross
// sections costs at start-up, and what building an element's cells costs on its first use.
//
// Each curve follows a composition parse, as in an edit (the parser's hash lookups leave the
// vector state that slows exp and log), and enters the physics as the plan does, clearing it.
//
//   bench_absorption [repeats]        (default 500 curves per case and model, 21 table loads)

#include "Composition.h"
#include "CrossSectionTable.h"
#include "MuT.h"
#include "VectorState.h"
#include "XrayDataBase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int CurvePoints = 2000;

struct Case
{
    const char *name;
    const char *target;
    const char *binder;
    double start;
    double end;
};

const Case kCases[] = {
    {"Fe2O3 in BN, 5-20 keV", "Fe2O3", "BN", 5, 20},
    // Phlogopite with hematite, rutile, manganosite and zincite: K Mg Al Si O H Fe Ti Mn Zn.
    {"10-element mineral mix in BN + cellulose, 0.5-29 keV",
     "[KMg3AlSi3O10(OH)2]4[Fe2O3]2[TiO2]1[MnO]1[ZnO]1", "[BN]1[C6H10O5]1", 0.5, 29},
    // From 0 keV: a twentieth of the points lie below the grid's 0.1 keV.
    {"10-element mineral mix in BN + cellulose, 0-2 keV",
     "[KMg3AlSi3O10(OH)2]4[Fe2O3]2[TiO2]1[MnO]1[ZnO]1", "[BN]1[C6H10O5]1", 0, 2},
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
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;

    XrayDataBase db;
    CrossSectionTable xs;
    QString error;
    if (!db.load(QStringLiteral(TIRN_SOURCE_DIR "/data/XrayDataBase1.txt")) ||
        !xs.load(QStringLiteral(TIRN_SOURCE_DIR "/data/CrossSections.txt"), &error)) {
        std::fprintf(stderr, "cannot load the shipped data %s\n", qPrintable(error));
        return 1;
    }

    std::printf("%d-point mu t curve, median of %d [us]\n", CurvePoints, repeats);
    std::printf("%-55s %10s %10s %8s\n", "case", "two-term", "tabulated", "ratio");
    std::vector<double> curveE(CurvePoints), curve(CurvePoints);
    for (const Case &c : kCases) {
        Composition tgt, bnd;
        evalComposition(QString::fromLatin1(c.target), tgt, db);
        evalComposition(QString::fromLatin1(c.binder), bnd, db);
        // 20 mg of target per cm^2 with five times as many binder formula units.
        const PelletAbsorber mut{&tgt, &bnd, 0.02 / tgt.molecularWeight(), 5.0};
        const MuTRange range = muTRange(c.start, c.end);

        // The two models take turns, so that a slower stretch of the machine hits both alike.
        std::vector<double> us[2];
        double sink = 0;
        QElapsedTimer t;
        Composition parsed;
        for (int r = 0; r < repeats; ++r) {
            for (int model = 0; model < 2; ++model) {
                tgt.tabulated = bnd.tabulated = model ? &xs : nullptr;
                evalComposition(QString::fromLatin1(c.target), parsed, db);
                t.start();
                cleanVectorState();
                const MuTCurveExtent e =
                    fillMuTCurve(range, CurvePoints, mut, curveE.data(), curve.data());
                us[model].push_back(t.nsecsElapsed() / 1000.0);
                sink += e.max;
            }
        }
        const double classic = median(us[0]), tabulated = median(us[1]);
        std::printf("%-55s %10.1f %10.1f %8.2f\n", c.name, classic, tabulated, tabulated / classic);
        if (sink == 0)
            std::printf("(no absorption)\n");
    }

    // Start-up reads the table; the cells of an element are built when its total is first
    // asked for.
    const int loads = 21;
    std::vector<double> loadMs, feUs, allMs;
    int feCells = 0, allCells = 0;
    QElapsedTimer t;
    for (int r = 0; r < loads; ++r) {
        CrossSectionTable table;
        t.start();
        const bool ok = table.load(QStringLiteral(TIRN_SOURCE_DIR "/data/CrossSections.txt"));
        loadMs.push_back(t.nsecsElapsed() / 1e6);
        if (!ok)
            return 1;
        cleanVectorState();
        t.start();
        double sink = table.element(26)->total(7.0);
        feUs.push_back(t.nsecsElapsed() / 1e3);
        feCells = table.element(26)->cellCount();
        t.start();
        allCells = 0;
        for (int z = 1; z <= table.size(); ++z) {
            sink += table.element(z)->total(7.0);
            allCells += table.element(z)->cellCount();
        }
        allMs.push_back(t.nsecsElapsed() / 1e6);
        if (!(sink > 0))
            std::printf("(no absorption)\n");
    }
    std::printf("\nreading the tabulated cross sections, median of %d: %.2f ms\n", loads,
                median(loadMs));
    std::printf("cells on first use, median of %d: Fe %.0f us (%d cells), the other %d elements "
                "%.1f ms (%d cells in all)\n",
                loads, median(feUs), feCells, xs.size() - 1, median(allMs), allCells);
    return 0;
}
