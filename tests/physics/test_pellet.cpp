#include "Composition.h"
#include "Pellet.h"
#include "PhysicsFixture.h"

#include <QtTest>

#include <cmath>

namespace {

QString f3(double v)
{
    return QString::number(v, 'f', 3);
}

} // namespace

class TestPellet : public QObject
{
    Q_OBJECT

    XrayDataBase db;
    double mwT = 0; // Fe2O3 from the fixture table
    const double mwB = 100.0;

    PelletThicknessInput example() const
    {
        PelletThicknessInput in;
        in.molRatio = 10;
        in.tgtDens = 5.24;
        in.bndDens = 1.0;
        in.thickness = 0.1;
        in.cylDiam = 1.0;
        in.mwT = mwT;
        in.mwB = mwB;
        return in;
    }

    PelletWeightsInput weightsOf(const PelletThicknessResult &r) const
    {
        PelletWeightsInput in;
        in.tgtWeight = r.tgtWeight;
        in.bndWeight = r.bndWeight;
        in.bndValid = true;
        in.tgtDens = 5.24;
        in.bndDens = 1.0;
        in.cylDiam = 1.0;
        in.mwT = mwT;
        in.mwB = mwB;
        return in;
    }

private Q_SLOTS:
    void initTestCase()
    {
        loadFixtureTable(db);
        Composition fe2o3;
        evalComposition(QStringLiteral("Fe2O3"), fe2o3, db);
        mwT = fe2o3.molecularWeight();
        QCOMPARE(QString::number(mwT, 'f', 4), QStringLiteral("159.6922"));
    }

    void area()
    {
        QCOMPARE(QString::number(pelletArea(1.0), 'f', 9), QStringLiteral("0.785398163"));
    }

    void workedExampleFromThickness()
    {
        const PelletThicknessResult r = pelletFromThickness(example());
        QCOMPARE(r.bndPerTgt, 9.0);
        QCOMPARE(QString::number(r.tgtMolPerArea, 'g', 6), QStringLiteral("0.000107472"));
        QCOMPARE(QString::number(r.tgtWeight, 'g', 6), QStringLiteral("0.0134793"));
        QCOMPARE(QString::number(r.bndWeight, 'g', 6), QStringLiteral("0.0759674"));
        // As the form shows them (mg, mm^3).
        QCOMPARE(f3(r.tgtWeight * 1000), QStringLiteral("13.479"));
        QCOMPARE(f3(r.bndWeight * 1000), QStringLiteral("75.967"));
        QCOMPARE(f3(r.totalWeight * 1000), QStringLiteral("89.447"));
        QCOMPARE(f3(r.volume * 1000), QStringLiteral("78.540"));
    }

    void workedExampleBackFromWeights()
    {
        const PelletWeightsResult w = pelletFromWeights(weightsOf(pelletFromThickness(example())));
        QCOMPARE(f3(w.molRatio), QStringLiteral("10.000"));
        QCOMPARE(f3(w.wtRatio), QStringLiteral("15.070"));
        QCOMPARE(f3(w.thickness * 10), QStringLiteral("1.000"));
        QCOMPARE(f3(w.volume * 1000), QStringLiteral("78.540"));
        QVERIFY(std::fabs(w.bndPerTgt - 9.0) < 1e-12);
        QVERIFY(std::fabs(w.tgtMolPerArea - 0.000107472) < 1e-9);
    }

    void ratioConversions_data()
    {
        QTest::addColumn<double>("molRatio");
        QTest::addColumn<QString>("wtRatio");
        QTest::newRow("worked example") << 10.0 << "15.070";
        QTest::newRow("pure target") << 100.0 << "100.000";
        QTest::newRow("no target") << 0.0 << "0.000";
        QTest::newRow("half") << 50.0 << "61.493";
    }

    void ratioConversions()
    {
        QFETCH(double, molRatio);
        QFETCH(QString, wtRatio);
        const double w = wtRatioFromMolRatio(molRatio, mwT, mwB);
        QCOMPARE(f3(w), wtRatio);
        QVERIFY(std::fabs(molRatioFromWtRatio(w, mwT, mwB) - molRatio) < 1e-9);
    }

    void pureTargetHasNoBinder()
    {
        PelletThicknessInput in = example();
        in.molRatio = 100;
        const PelletThicknessResult r = pelletFromThickness(in);
        QCOMPARE(r.bndPerTgt, 0.0);
        QCOMPARE(r.bndWeight, 0.0);
        QCOMPARE(r.tgtMolPerArea, in.tgtDens / mwT * in.thickness);
    }

    void binderWithoutDensityTakesNoRoom()
    {
        PelletThicknessInput in = example();
        in.bndDens = 0;
        const PelletThicknessResult r = pelletFromThickness(in);
        QCOMPARE(r.tgtMolPerArea, in.tgtDens / mwT * in.thickness);
        QCOMPARE(r.bndWeight, ((r.tgtWeight * 9.0) * mwB) / mwT);
        QVERIFY(r.bndWeight > 0);
    }

    void invalidBinderCountsAsAbsent()
    {
        PelletWeightsInput in;
        in.tgtWeight = 0.25;
        in.bndWeight = 0.5; // ignored
        in.bndValid = false;
        in.tgtDens = 5.24;
        in.bndDens = 2.34;
        in.cylDiam = 0.7;
        in.mwT = mwT;
        in.mwB = 0; // an empty binder's molecular weight
        const PelletWeightsResult r = pelletFromWeights(in);
        QCOMPARE(r.molRatio, 100.0);
        QCOMPARE(r.wtRatio, 100.0);
        QCOMPARE(r.bndPerTgt, 0.0);
        QCOMPARE(r.totalWeight, 0.25);
        QVERIFY(std::fabs(r.thickness - 0.25 / 5.24 / pelletArea(0.7)) < 1e-15);
    }

    void emptyBinderFromThickness()
    {
        // The molar share still rules; an empty binder has molecular weight 0 and no weight.
        PelletThicknessInput in = example();
        in.mwB = 0;
        const PelletThicknessResult r = pelletFromThickness(in);
        QCOMPARE(r.bndWeight, 0.0);
        QCOMPARE(f3(r.tgtWeight * 1000), f3(in.tgtDens * in.thickness * pelletArea(1.0) * 1000));
    }

    void zeroShare()
    {
        // No target at all: a blank of binder alone, by its own density. The binder per target
        // is infinite; nothing else is.
        PelletThicknessInput in = example();
        in.molRatio = 0;
        const PelletThicknessResult r = pelletFromThickness(in);
        QVERIFY(std::isinf(r.bndPerTgt));
        QCOMPARE(r.tgtWeight, 0.0);
        QCOMPARE(r.tgtMolPerArea, 0.0);
        QVERIFY(isBlankPellet(r.tgtMolPerArea, r.bndPerTgt));
        // Binder weight = density x volume; its moles per area = density / mw x thickness.
        QVERIFY(std::abs(r.bndWeight - in.bndDens * r.volume) <= 1e-12 * r.bndWeight);
        QVERIFY(std::abs(r.bndMolPerArea - in.bndDens / in.mwB * in.thickness) <= 1e-15);
        QCOMPARE(r.totalWeight, r.bndWeight);
    }

    void zeroDiameter()
    {
        PelletThicknessInput in = example();
        in.cylDiam = 0;
        const PelletThicknessResult r = pelletFromThickness(in);
        QCOMPARE(r.tgtWeight, 0.0);
        QCOMPARE(r.volume, 0.0);

        PelletWeightsInput w = weightsOf(pelletFromThickness(example()));
        w.cylDiam = 0;
        const PelletWeightsResult back = pelletFromWeights(w);
        QVERIFY(std::isinf(back.thickness));
        QVERIFY(std::isinf(back.tgtMolPerArea));
        QCOMPARE(f3(back.molRatio), QStringLiteral("10.000")); // shares do not need the area
    }

    void zeroTargetDensity()
    {
        PelletWeightsInput w = weightsOf(pelletFromThickness(example()));
        w.tgtDens = 0;
        QVERIFY(std::isinf(pelletFromWeights(w).thickness));

        PelletThicknessInput in = example();
        in.tgtDens = 0;
        const PelletThicknessResult r = pelletFromThickness(in);
        QCOMPARE(r.tgtWeight, 0.0);
        QCOMPARE(r.bndWeight, 0.0);
    }
};

QTEST_APPLESS_MAIN(TestPellet)
#include "test_pellet.moc"
