// How closely the shipped element table reproduces the photoabsorption tabulation it was fitted
// to, through the program's own absorption code (Composition::absorption).

#include "AtomData.h"
#include "Composition.h"

#include <QtTest>

#include <QFile>
#include <QMap>
#include <QTextStream>

#include <algorithm>
#include <cmath>

namespace {

struct RefPoint
{
    QString symbol;
    int z;
    double energy; // keV
    double mu;     // cm^2/g
};

struct RefJump
{
    QString symbol;
    int z;
    QString edge;
    double energy; // the table's edge energy, keV
    double below;  // tabulated mu/rho just below the step
    double above;  // ... and just above it
};

// Linear interpolation between order statistics (numpy's default), so the figures match the
// ones the generator prints.
double percentile(QVector<double> values, double p)
{
    if (values.isEmpty())
        return qQNaN();
    std::sort(values.begin(), values.end());
    const double rank = p / 100.0 * (values.size() - 1);
    const int lo = int(std::floor(rank));
    const int hi = std::min(lo + 1, int(values.size()) - 1);
    return values[lo] + (rank - lo) * (values[hi] - values[lo]);
}

// mu/rho of one element at E as the program computes it: a one-entry composition of one atom.
double tableMu(const AtomData *rec, double e)
{
    Composition comp;
    comp.valid = true;
    comp.entries.append(CompEntry{rec->symbol, rec, 1.0});
    return comp.absorption(e) / comp.molecularWeight();
}

double lowestEdge(const AtomData *rec)
{
    double lowest = qInf();
    for (double e : rec->edge) {
        if (e > 0.0)
            lowest = std::min(lowest, e);
    }
    return lowest;
}

// Just above and below an edge, where the program itself compares the two sides.
constexpr double JumpStep = 0.0001;

} // namespace

class TestAbsorptionAccuracy : public QObject
{
    Q_OBJECT

    XrayDataBase db;
    QVector<RefPoint> points;
    QVector<RefJump> jumps;

private slots:
    void initTestCase()
    {
        QVERIFY(db.load(QStringLiteral(TIRN_SOURCE_DIR "/data/XrayDataBase1.txt")));
        QFile f(QStringLiteral(TIRN_SOURCE_DIR "/data/reference/mu_photo_reference.txt"));
        QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
        QTextStream in(&f);
        while (!in.atEnd()) {
            const QStringList fields = in.readLine().simplified().split(QLatin1Char(' '));
            if (fields.at(0) == QLatin1String("mu") && fields.size() == 5) {
                points.append(
                    {fields[1], fields[2].toInt(), fields[3].toDouble(), fields[4].toDouble()});
            } else if (fields.at(0) == QLatin1String("jump") && fields.size() == 7) {
                jumps.append({fields[1], fields[2].toInt(), fields[3], fields[4].toDouble(),
                              fields[5].toDouble(), fields[6].toDouble()});
            }
        }
        QVERIFY(!points.isEmpty());
        QVERIFY(!jumps.isEmpty());
    }

    void referenceCoverage()
    {
        // At least 30 energies between 1 and 40 keV for every element, all named in the table.
        QMap<int, int> perZ;
        for (const RefPoint &p : qAsConst(points)) {
            QVERIFY(p.energy >= 1.0 && p.energy <= 40.0);
            QVERIFY(p.mu > 0.0);
            const AtomData *rec = db.find(p.symbol);
            QVERIFY2(rec && rec->z == p.z, qPrintable(p.symbol));
            ++perZ[p.z];
        }
        QCOMPARE(perZ.size(), 92);
        for (auto it = perZ.cbegin(); it != perZ.cend(); ++it)
            QVERIFY2(it.value() >= 30,
                     qPrintable(QStringLiteral("Z=%1: %2").arg(it.key()).arg(it.value())));
    }

    void photoabsorption()
    {
        QVector<double> errors;
        QMap<QString, QVector<double>> perElement;
        for (const RefPoint &p : qAsConst(points)) {
            if (p.z < 3)
                continue;
            const AtomData *rec = db.find(p.symbol);
            QVERIFY(rec);
            // Below the lowest edge the table models nothing (the program gives 0 there).
            if (p.energy <= lowestEdge(rec))
                continue;
            const double err = std::abs(tableMu(rec, p.energy) / p.mu - 1.0);
            errors.append(err);
            perElement[p.symbol].append(err);
        }
        // Nearly every element keeps nearly all its points: a table whose edges were wrong would
        // skip most of them.
        QCOMPARE(perElement.size(), 90);
        QVERIFY2(errors.size() > 90 * 35, qPrintable(QString::number(errors.size())));

        QString worst;
        double worstMedian = -1.0;
        for (auto it = perElement.cbegin(); it != perElement.cend(); ++it) {
            const double m = percentile(it.value(), 50);
            if (m > worstMedian) {
                worstMedian = m;
                worst = it.key();
            }
        }
        const double median = percentile(errors, 50);
        const double p95 = percentile(errors, 95);
        qInfo("mu/rho vs tabulation, Z = 3..92, %d energies: median %.2f %%, 95th percentile %.2f "
              "%%, "
              "worst element %s (median %.2f %%)",
              int(errors.size()), 100 * median, 100 * p95, qPrintable(worst), 100 * worstMedian);
        QVERIFY2(median <= 0.025, qPrintable(QString::number(median)));
        QVERIFY2(p95 <= 0.12, qPrintable(QString::number(p95)));
    }

    void edgeJumps_data()
    {
        QTest::addColumn<QString>("edge");
        QTest::addColumn<int>("minZ");
        QTest::addColumn<int>("edgeIndex");
        QTest::newRow("K") << QStringLiteral("K") << 11 << int(EdgeK);
        QTest::newRow("LIII") << QStringLiteral("L3") << 30 << int(EdgeLIII);
    }
    void edgeJumps()
    {
        QFETCH(QString, edge);
        QFETCH(int, minZ);
        QFETCH(int, edgeIndex);
        QVector<double> errors;
        QString worst;
        double worstError = -1.0;
        for (const RefJump &j : qAsConst(jumps)) {
            if (j.edge != edge || j.z < minZ)
                continue;
            const AtomData *rec = db.find(j.symbol);
            QVERIFY(rec);
            // The reference is taken at the table's own edge energy.
            QCOMPARE(rec->edge[edgeIndex], j.energy);
            const double model =
                tableMu(rec, j.energy + JumpStep) - tableMu(rec, j.energy - JumpStep);
            const double err = std::abs(model / (j.above - j.below) - 1.0);
            errors.append(err);
            if (err > worstError) {
                worstError = err;
                worst = j.symbol;
            }
        }
        // One jump for every element from minZ to U.
        QCOMPARE(errors.size(), 92 - minZ + 1);
        const double median = percentile(errors, 50);
        qInfo("%s-edge jump vs tabulation, Z = %d..92: median %.2f %%, worst %s %.2f %%",
              qPrintable(edge), minZ, 100 * median, qPrintable(worst), 100 * worstError);
        QVERIFY2(median <= 0.05, qPrintable(QString::number(median)));
    }

    void hydrogenAndHelium_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::newRow("H") << QStringLiteral("H");
        QTest::newRow("He") << QStringLiteral("He");
    }
    void hydrogenAndHelium()
    {
        // One region at every energy: the two-term form follows their photoabsorption only
        // roughly, so this reports the figures and checks only that the values are sane.
        QFETCH(QString, symbol);
        const AtomData *rec = db.find(symbol);
        QVERIFY(rec);
        QVector<double> errors;
        for (const RefPoint &p : qAsConst(points)) {
            if (p.symbol != symbol)
                continue;
            const double v = tableMu(rec, p.energy);
            QVERIFY(std::isfinite(v));
            QVERIFY(v > 0.0);
            QVERIFY(v / p.mu > 0.2 && v / p.mu < 5.0);
            errors.append(std::abs(v / p.mu - 1.0));
        }
        QVERIFY(errors.size() >= 30);
        qInfo("%s: median %.1f %%, largest %.1f %% over %d energies", qPrintable(symbol),
              100 * percentile(errors, 50), 100 * percentile(errors, 100), int(errors.size()));
    }
};

QTEST_GUILESS_MAIN(TestAbsorptionAccuracy)
#include "test_absorption_accuracy.moc"
