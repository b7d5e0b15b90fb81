#include "Composition.h"
#include "LightPath.h"
#include "PhysicsFixture.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace {

// Mass absorption of one region's formula times the atomic weight, from figures typed in here.
double regionFormula(double atomicWeight, double c, double d, double E)
{
    const double l = 12.3984172 / E;
    return atomicWeight * (c * l * l * l - d * l * l * l * l);
}

QString fixed2(double v)
{
    return QString::number(v, 'f', 2);
}

} // namespace

class TestComposition : public QObject
{
    Q_OBJECT

    XrayDataBase db;

    Composition eval(const QString &text)
    {
        Composition c;
        evalComposition(text, c, db);
        return c;
    }

private Q_SLOTS:
    void initTestCase() { loadFixtureTable(db); }

    void evaluatesIntoTableRecords()
    {
        Composition c;
        QCOMPARE(evalComposition(QStringLiteral("Fe2O3"), c, db), QStringLiteral("Fe2 O3 "));
        QVERIFY(c.valid);
        QCOMPARE(c.entries.size(), 2);
        QCOMPARE(c.entries.at(0).symbol, QStringLiteral("Fe"));
        QCOMPARE(c.entries.at(0).amount, 2.0);
        QCOMPARE(c.entries.at(0).data, db.find(QStringLiteral("Fe")));
        QCOMPARE(c.entries.at(1).symbol, QStringLiteral("O"));
        QCOMPARE(c.entries.at(1).amount, 3.0);
        QCOMPARE(c.entries.at(1).data, db.find(QStringLiteral("O")));
    }

    void repeatedSymbolsArriveMerged()
    {
        const Composition c = eval(QStringLiteral("Fe2Fe3"));
        QCOMPARE(c.entries.size(), 1);
        QCOMPARE(c.entries.at(0).amount, 5.0);
    }

    void rejectedStringDropsOldEntries_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("count error") << "(Fe2O3"
                                     << "Mismatched brackets () : 1";
        QTest::newRow("no elements") << ""
                                     << "No elements";
        QTest::newRow("misplaced bracket") << "Fe[O]2"
                                           << "";
        QTest::newRow("nothing positive") << "Fe0"
                                          << "";
    }

    void rejectedStringDropsOldEntries()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        Composition c;
        evalComposition(QStringLiteral("Fe2O3"), c, db);
        QVERIFY(c.valid);
        QCOMPARE(evalComposition(text, c, db), message);
        QVERIFY(!c.valid);
        QVERIFY(c.entries.isEmpty());
    }

    void workedExample()
    {
        // Fe2O3 at 8.0 keV.
        const Composition c = eval(QStringLiteral("Fe2O3"));
        QCOMPARE(fixed2(c.entryAbsorption(8.0, 0)), QStringLiteral("34860.83"));
        QCOMPARE(fixed2(c.entryAbsorption(8.0, 1)), QStringLiteral("550.06"));
        QCOMPARE(fixed2(c.absorption(8.0)), QStringLiteral("35410.90"));
        QCOMPARE(QString::number(c.molecularWeight(), 'f', 4), QStringLiteral("159.6922"));
        QCOMPARE(fixed2(c.absorption(8.0) / c.molecularWeight()), QStringLiteral("221.74"));
        QCOMPARE(fixed2(c.edgeAbsorption(8.0, 0, EdgeK)), QStringLiteral("31002.88"));
    }

    void regionSelection_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<double>("energy");
        QTest::addColumn<double>("c"); // 0: the region has no coefficients
        QTest::addColumn<double>("d");

        QTest::newRow("Fe K") << "Fe" << 8.0 << 126.0 << 27.2;
        QTest::newRow("Fe just above K") << "Fe" << 7.11336 << 126.0 << 27.2;
        QTest::newRow("Fe exactly at K takes LI") << "Fe" << 7.11326 << 9.95 << 0.433;
        QTest::newRow("Fe LI") << "Fe" << 7.0 << 9.95 << 0.433;
        QTest::newRow("Fe LII, no coefficients") << "Fe" << 0.8 << 0.0 << 0.0;
        QTest::newRow("Fe LIII, no coefficients") << "Fe" << 0.715 << 0.0 << 0.0;
        QTest::newRow("Fe below LIII: missing MI") << "Fe" << 0.5 << 0.0 << 0.0;
        QTest::newRow("H, no edges, low") << "H" << 0.05 << 0.0127 << 4.66e-6;
        QTest::newRow("H, no edges, high") << "H" << 30.0 << 0.0127 << 4.66e-6;
        QTest::newRow("Ba LIII") << "Ba" << 5.5 << 56.3 << 7.86;
        QTest::newRow("Ba MI") << "Ba" << 1.5 << 19.2 << 1.72;
        QTest::newRow("Ba below MI") << "Ba" << 1.0 << 0.0 << 0.0;
        QTest::newRow("Pb K region has none, LI not used") << "Pb" << 90.0 << 0.0 << 0.0;
        QTest::newRow("U anywhere") << "U" << 20.0 << 0.0 << 0.0;
    }

    void regionSelection()
    {
        QFETCH(QString, symbol);
        QFETCH(double, energy);
        QFETCH(double, c);
        QFETCH(double, d);
        const Composition comp = eval(symbol + QStringLiteral("3"));
        QCOMPARE(comp.entries.size(), 1);
        const double aw = comp.entries.at(0).data->atomicWeight;
        const double expected = c > 0 ? 3.0 * regionFormula(aw, c, d, energy) : 0.0;
        const double got = comp.entryAbsorption(energy, 0);
        QVERIFY2(std::fabs(got - expected) <= 1e-12 * std::fabs(expected),
                 qPrintable(QStringLiteral("%1 instead of %2").arg(got).arg(expected)));
        QCOMPARE(comp.absorption(energy), got);
    }

    void edgeAbsorption_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<double>("energy");
        QTest::addColumn<int>("edge");
        QTest::addColumn<double>("c"); // own region
        QTest::addColumn<double>("d");
        QTest::addColumn<double>("cNext"); // next region, 0 when nothing is subtracted
        QTest::addColumn<double>("dNext");

        QTest::newRow("Fe K") << "Fe" << 8.0 << int(EdgeK) << 126.0 << 27.2 << 9.95 << 0.433;
        QTest::newRow("Fe K below the edge")
            << "Fe" << 7.0 << int(EdgeK) << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("Fe LI, next region without coefficients")
            << "Fe" << 7.0 << int(EdgeLI) << 9.95 << 0.433 << 0.0 << 0.0;
        QTest::newRow("Fe LI above K") << "Fe" << 8.0 << int(EdgeLI) << 9.95 << 0.433 << 0.0 << 0.0;
        QTest::newRow("Ba LI") << "Ba" << 7.0 << int(EdgeLI) << 147.0 << 37.3 << 123.0 << 24.0;
        QTest::newRow("Ba LIII") << "Ba" << 5.5 << int(EdgeLIII) << 56.3 << 7.86 << 19.2 << 1.72;
        QTest::newRow("Ba MI has no next region")
            << "Ba" << 1.5 << int(EdgeMI) << 19.2 << 1.72 << 0.0 << 0.0;
        QTest::newRow("edge index 5") << "Ba" << 50.0 << 5 << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("edge index -1") << "Ba" << 50.0 << -1 << 0.0 << 0.0 << 0.0 << 0.0;
    }

    void edgeAbsorption()
    {
        QFETCH(QString, symbol);
        QFETCH(double, energy);
        QFETCH(int, edge);
        QFETCH(double, c);
        QFETCH(double, d);
        QFETCH(double, cNext);
        QFETCH(double, dNext);
        const Composition comp = eval(symbol + QStringLiteral("2"));
        const double aw = comp.entries.at(0).data->atomicWeight;
        double expected = c > 0 ? 2.0 * regionFormula(aw, c, d, energy) : 0.0;
        if (cNext > 0)
            expected -= 2.0 * regionFormula(aw, cNext, dNext, energy);
        const double got = comp.edgeAbsorption(energy, 0, edge);
        QVERIFY2(std::fabs(got - expected) <= 1e-12 * std::fabs(expected),
                 qPrintable(QStringLiteral("%1 instead of %2").arg(got).arg(expected)));
    }

    void outOfRangeEntries()
    {
        const Composition c = eval(QStringLiteral("Fe2O3"));
        QCOMPARE(c.entryAbsorption(8.0, 2), 0.0);
        QCOMPARE(c.entryAbsorption(8.0, -1), 0.0);
        QCOMPARE(c.edgeAbsorption(8.0, 2, EdgeK), 0.0);

        const Composition empty;
        QCOMPARE(empty.molecularWeight(), 0.0);
        QCOMPARE(empty.absorption(8.0), 0.0);
    }

    void noAbsorptionWithoutPhotons_data()
    {
        QTest::addColumn<double>("energy");
        QTest::newRow("zero") << 0.0;
        QTest::newRow("negative zero") << -0.0;
        QTest::newRow("negative") << -1.0;
        QTest::newRow("minus infinity") << -std::numeric_limits<double>::infinity();
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity();
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("denormal") << 1e-320;
        QTest::newRow("wavelength powers overflow") << 1e-100;
    }

    void noAbsorptionWithoutPhotons()
    {
        // Energies at or below 0 keV, and energies so small that the wavelength powers overflow,
        // absorb nothing rather than passing an infinity or NaN on.
        QFETCH(double, energy);
        const Composition c = eval(QStringLiteral("Fe2O3H2Ba"));
        QCOMPARE(c.absorption(energy), 0.0);
        for (int k = 0; k < c.entries.size(); ++k) {
            QCOMPARE(c.entryAbsorption(energy, k), 0.0);
            for (int i = 0; i < EDGE_COUNT; ++i)
                QCOMPARE(c.edgeAbsorption(energy, k, i), 0.0);
        }
        QCOMPARE(pelletMuT(c, c, 1.0, 1.0, energy), 0.0);
    }

    void smallPositiveEnergyStillAbsorbs()
    {
        const Composition h = eval(QStringLiteral("H"));
        QVERIFY(h.absorption(0.01) > 0);
        QVERIFY(std::isfinite(h.absorption(0.01)));
    }

    void pelletMuTWeighsTheBinder()
    {
        const Composition tgt = eval(QStringLiteral("Fe2O3"));
        const Composition bnd = eval(QStringLiteral("BN"));
        const double E = 8.0;
        const double t = tgt.absorption(E);
        const double b = bnd.absorption(E);
        QVERIFY(b > 0);
        QCOMPARE(pelletMuT(tgt, bnd, 1e-4, 9.0, E), 1e-4 * (t + 9.0 * b));
        // An empty or invalid binder contributes nothing.
        QCOMPARE(pelletMuT(tgt, Composition(), 1e-4, 9.0, E), 1e-4 * t);
    }

    // A path of layers lets through what its layers let through one after another; a layer
    // whose composition did not parse lets everything through, and no layer at all is no loss.
    void lightPathTransmission_data()
    {
        QTest::addColumn<QStringList>("formulas");
        QTest::addColumn<QVector<double>>("densities");   // g/cm^3
        QTest::addColumn<QVector<double>>("thicknesses"); // mm
        QTest::newRow("empty") << QStringList() << QVector<double>() << QVector<double>();
        QTest::newRow("one foil") << QStringList{"Al"} << QVector<double>{2.7}
                                  << QVector<double>{0.02};
        QTest::newRow("air, Al and Fe foils")
            << QStringList{"N1.56168O0.41896Ar0.00934", "Al", "Fe"}
            << QVector<double>{0.001293, 2.7, 7.87} << QVector<double>{10, 0.02, 0.005};
        QTest::newRow("a filter that did not parse")
            << QStringList{"N1.56168O0.41896Ar0.00934", "(Fe", "Al"}
            << QVector<double>{0.001293, 7.87, 2.7} << QVector<double>{10, 1, 0.02};
        QTest::newRow("the same foil twice")
            << QStringList{"Fe2O3", "Fe2O3"} << QVector<double>{5.24, 5.24}
            << QVector<double>{0.003, 0.003};
    }

    void lightPathTransmission()
    {
        QFETCH(QStringList, formulas);
        QFETCH(QVector<double>, densities);
        QFETCH(QVector<double>, thicknesses);
        LightPath path;
        for (int i = 0; i < formulas.size(); ++i)
            path.layers.append(Layer{eval(formulas[i]), densities[i], thicknesses[i]});
        // Above the Al K edge, and below and above Fe's.
        for (double E : {1.6, 6.4, 7.0, 7.2, 20.0}) {
            double product = 1.0;
            for (const Layer &layer : qAsConst(path.layers)) {
                LightPath single;
                single.layers = {layer};
                const double t = single.transmission(E);
                QVERIFY(t > 0 && t <= 1);
                if (!layer.composition.valid)
                    QCOMPARE(t, 1.0);
                else
                    QVERIFY2(t < 1, qPrintable(QStringLiteral("%1 at %2 keV")
                                                   .arg(layer.composition.entries.at(0).symbol)
                                                   .arg(E)));
                product *= t;
            }
            const double T = path.transmission(E);
            if (path.layers.isEmpty())
                QCOMPARE(T, 1.0);
            QVERIFY2(
                std::abs(T / product - 1) < 1e-13,
                qPrintable(QStringLiteral("%1 keV: %2 against %3").arg(E).arg(T).arg(product)));
        }
    }
};

QTEST_APPLESS_MAIN(TestComposition)
#include "test_composition.moc"
