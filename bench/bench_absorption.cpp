// Cost of one mu t curve (2000 points, as the plot draws it) with each absorption model: the
// two-term table and the tabulated cross sections.
//
// Each curve follows a composition parse, as in an edit (the parser's hash lookups leave the
// vector state that slows exp and log), and enters the physics as the plan does, clearing it.
//
//   bench_absorption [repeats]        (default 500 curves per case and model)

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
    return 0;
}
