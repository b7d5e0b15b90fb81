#pragma once

// Shared set-up for the spectrum tests: a small element table, two short yield curves and a
// standard sample (Fe2O3 pressed in BN, excited at 10 keV).

#include "Composition.h"
#include "FluoSimulation.h"
#include "XrayDataBase.h"
#include "readTables.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <QtTest>

#include <utility>

inline QString plotFixturePath(const char *name)
{
    return QStringLiteral(TIRN_SOURCE_DIR "/tests/fixtures/plot/") + QLatin1String(name);
}

class SpectrumFixture
{
public:
    static constexpr int N = 2000;

    XrayDataBase db;
    double yieldK[YIELD_ARRAY_SIZE] = {};
    double yieldL[YIELD_ARRAY_SIZE] = {};
    Composition tgt;
    Composition bnd;
    Composition air;
    Composition f1;
    Composition f2;
    // The exit path, air and the two filters, built from these by run().
    double airThickness = 10.0; // mm
    double f1Thickness = 0.02;  // mm
    double f1Density = 2.7;
    double f2Thickness = 0.5;
    double f2Density = 1.0;
    QVector<double> grid = QVector<double>(N);
    QVector<double> fluo = QVector<double>(N);
    SpectrumInput in;

    // Loads the table and yields; returns false (after a failed QVERIFY) when a file is missing.
    bool load()
    {
        if (!db.load(plotFixturePath("XrayTable.txt"))) {
            qWarning("fixture table missing");
            return false;
        }
        readYield(yieldK, YIELD_SLOTS, plotFixturePath("y-K.txt"));
        readYield(yieldL, YIELD_SLOTS, plotFixturePath("y-L.txt"));
        tgt = comp({{"Fe", 2.0}, {"O", 3.0}});
        bnd = comp({{"B", 1.0}, {"N", 1.0}});
        air = comp({{"N", 0.78084}, {"O", 0.20948}, {"Ar", 0.00934}});
        f1 = comp({{"Al", 1.0}});
        f2 = Composition();
        setGrid(0.1, 8.0);

        in.E0 = 10.0;
        in.I0 = 1e6;
        in.detector.distanceCm = 2.0;
        in.detector.radiusCm = 0.5;
        in.detector.fwhm = 0.15;
        in.channelWidth = 0.01;
        in.integ = false;
        in.ratio = false;
        in.tgt = &tgt;
        in.bnd = &bnd;
        in.yieldK = yieldK;
        in.yieldL = yieldL;
        in.yieldSize = YIELD_ARRAY_SIZE;
        in.thickness = 0.05;
        in.tgtMolPerArea = 1e-4;
        in.bndPerTgt = 2.0;
        in.lineNames = QStringList{"Ka2", "Ka1", "Kb", "La2", "La1", "Lb1", "Lb2"};
        in.gridE = grid.constData();
        in.gridPoints = N;
        return true;
    }

    Composition comp(std::initializer_list<std::pair<const char *, double>> parts)
    {
        Composition c;
        for (const auto &part : parts) {
            const QString symbol = QString::fromLatin1(part.first);
            c.entries.append(CompEntry{symbol, db.find(symbol), part.second});
        }
        c.valid = true;
        return c;
    }

    // The grid the mu t curve uses, with the upper bound put in exactly so that tests can
    // place a line energy on it.
    void setGrid(double lo, double hi)
    {
        const double step = (hi - lo) / (N - 1);
        for (int i = 0; i < N; ++i)
            grid[i] = i * step + lo;
        grid[N - 1] = hi;
        in.gridE = grid.constData();
    }

    LightPath exitPath() const
    {
        LightPath path;
        path.layers = {Layer{air, AIR_DENSITY, airThickness}, Layer{f1, f1Density, f1Thickness},
                       Layer{f2, f2Density, f2Thickness}};
        return path;
    }

    SpectrumResult run()
    {
        in.exit = exitPath();
        SpectrumResult r;
        simulateSpectrum(in, fluo.data(), r);
        return r;
    }
};

// "Fe Ka1" from "Fe Ka1: 5.08e+05".
inline QString lineOf(const LinePeak &peak)
{
    return peak.peakText.section(QLatin1Char(':'), 0, 0);
}

inline QStringList linesOf(const SpectrumResult &r)
{
    QStringList names;
    for (const LinePeak &p : r.linePeaks)
        names << lineOf(p);
    return names;
}

inline const LinePeak *findLine(const SpectrumResult &r, const QString &name)
{
    for (const LinePeak &p : r.linePeaks) {
        if (lineOf(p) == name)
            return &p;
    }
    return nullptr;
}
