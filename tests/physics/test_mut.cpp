#include "MuT.h"
#include "Pellet.h"
#include "PhysicsFixture.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr int Points = 2000;
constexpr double Delta = 0.0001;

} // namespace

class TestMuT : public QObject
{
    Q_OBJECT

    XrayDataBase db;
    Composition fe2o3;
    Composition bn;
    Composition none;

    PelletAbsorber pellet(double tgtMolPerArea, double bndPerTgt, const Composition &bnd) const
    {
        return PelletAbsorber{&fe2o3, &bnd, tgtMolPerArea, bndPerTgt};
    }

private Q_SLOTS:
    void initTestCase()
    {
        loadFixtureTable(db);
        evalComposition(QStringLiteral("Fe2O3"), fe2o3, db);
        evalComposition(QStringLiteral("BN"), bn, db);
        QVERIFY(fe2o3.valid && bn.valid);
    }

    void range_data()
    {
        QTest::addColumn<double>("a");
        QTest::addColumn<double>("b");
        QTest::addColumn<double>("lo");
        QTest::addColumn<double>("hi");
        QTest::addColumn<bool>("empty");
        QTest::newRow("in order") << 5.0 << 10.0 << 5.0 << 10.0 << false;
        QTest::newRow("reversed") << 10.0 << 5.0 << 10.0 << 5.0 << true;
        QTest::newRow("negative start") << -2.0 << 3.0 << 0.0 << 3.0 << false;
        QTest::newRow("equal ends") << 7.0 << 7.0 << 7.0 << 7.0 << true;
        QTest::newRow("from below zero to zero") << -1.0 << 0.0 << 0.0 << 0.0 << true;
        // Only the lower end is clamped: two negative ends leave nothing to show.
        QTest::newRow("both negative") << -3.0 << -1.0 << 0.0 << -1.0 << true;
        QTest::newRow("NaN end") << 5.0 << std::nan("") << 5.0 << std::nan("") << true;
    }

    void range()
    {
        QFETCH(double, a);
        QFETCH(double, b);
        QFETCH(double, lo);
        QFETCH(double, hi);
        QFETCH(bool, empty);
        const MuTRange r = muTRange(a, b);
        QCOMPARE(r.lo, lo);
        QVERIFY(r.hi == hi || (std::isnan(r.hi) && std::isnan(hi)));
        QCOMPARE(r.empty(), empty);
    }

    void curveSpansTheRange()
    {
        std::vector<double> e(Points), m(Points);
        const PelletAbsorber mut = pellet(1e-4, 9.0, bn);
        const MuTCurveExtent x = fillMuTCurve(muTRange(5, 10), Points, mut, e.data(), m.data());
        QCOMPARE(e.front(), 5.0);
        QVERIFY(std::fabs(e.back() - 10.0) < 1e-12);
        QCOMPARE(e[1] - e[0], 5.0 / 1999);
        double mn = 1e300, mx = -1e300;
        for (int i = 0; i < Points; ++i) {
            QCOMPARE(m[i], mut(e[i]));
            mn = std::min(mn, m[i]);
            mx = std::max(mx, m[i]);
        }
        QCOMPARE(x.min, mn);
        QCOMPARE(x.max, mx);
        // The Fe K edge lies inside: the curve jumps up there.
        QVERIFY(mx > m.front());
    }

    void negativeRangeStartsAtZero()
    {
        std::vector<double> e(Points), m(Points);
        const MuTCurveExtent x =
            fillMuTCurve(muTRange(-2, 3), Points, pellet(1e-4, 9.0, bn), e.data(), m.data());
        QCOMPARE(e.front(), 0.0);
        QCOMPARE(m.front(), 0.0); // no photons, no absorption
        QCOMPARE(x.min, 0.0);
        QVERIFY(std::isfinite(x.max) && x.max > 0);
    }

    void extentIgnoresNonFinitePoints()
    {
        std::vector<double> e(Points), m(Points);
        const auto spiky = [](double E) {
            if (E < 6)
                return std::numeric_limits<double>::quiet_NaN();
            if (E > 9)
                return std::numeric_limits<double>::infinity();
            return E;
        };
        const MuTCurveExtent x = fillMuTCurve(muTRange(5, 10), Points, spiky, e.data(), m.data());
        QVERIFY(x.min >= 6.0 && x.min < 6.01);
        QVERIFY(x.max <= 9.0 && x.max > 8.99);
        QVERIFY(std::isnan(m.front())); // the points themselves keep what was computed
        QVERIFY(std::isinf(m.back()));

        const auto allNaN = [](double) { return std::numeric_limits<double>::quiet_NaN(); };
        const MuTCurveExtent none =
            fillMuTCurve(muTRange(5, 10), Points, allNaN, e.data(), m.data());
        QCOMPARE(none.min, 1e200);
        QCOMPARE(none.max, -1e200);
    }

    void jumpAtTheIronKEdge()
    {
        // d-mu t across Fe K is the Fe K jump times the target per area, plus the tiny change of
        // everything else over 0.0002 keV.
        const double tmpa = 1e-4;
        const double edge = db.find(QStringLiteral("Fe"))->edge[EdgeK];
        const CalcPointMuT c = muTAtCalcPoint(pellet(tmpa, 9.0, bn), edge, Delta);
        const double above = 2 * 55.847 *
                             (126 * std::pow(12.3984172 / (edge + Delta), 3) -
                              27.2 * std::pow(12.3984172 / (edge + Delta), 4));
        const double below = 2 * 55.847 *
                             (9.95 * std::pow(12.3984172 / (edge - Delta), 3) -
                              0.433 * std::pow(12.3984172 / (edge - Delta), 4));
        const double jump = tmpa * (above - below);
        QVERIFY2(std::fabs(c.dMuT - jump) < 1e-3 * jump,
                 qPrintable(QStringLiteral("%1 vs %2").arg(c.dMuT).arg(jump)));
        QCOMPARE(c.dMuT, c.above - c.below);
        QCOMPARE(c.transmission, std::exp(-c.above));
    }

    void missingEdgeGivesNothing()
    {
        // A calculation point of -1 (a missing edge) reads mu t at -1 +- 0.0001 keV: nothing.
        const CalcPointMuT c = muTAtCalcPoint(pellet(1e-4, 9.0, bn), -1.0, Delta);
        QCOMPARE(c.above, 0.0);
        QCOMPARE(c.dMuT, 0.0);
        QCOMPARE(c.transmission, 1.0);
    }

    void thicknessForDMuT_data()
    {
        QTest::addColumn<double>("current");
        QTest::addColumn<double>("wanted");
        QTest::addColumn<bool>("scaled");
        QTest::addColumn<double>("thickness");
        QTest::newRow("double") << 0.5 << 1.0 << true << 0.2;
        QTest::newRow("half") << 2.0 << 1.0 << true << 0.05;
        QTest::newRow("no jump") << 0.0 << 1.0 << false << 0.1;
        QTest::newRow("negative jump") << -0.3 << 1.0 << false << 0.1;
        QTest::newRow("undefined jump")
            << std::numeric_limits<double>::quiet_NaN() << 1.0 << false << 0.1;
    }

    void thicknessForDMuT()
    {
        QFETCH(double, current);
        QFETCH(double, wanted);
        QFETCH(bool, scaled);
        QFETCH(double, thickness);
        bool ok = !scaled;
        QCOMPARE(::thicknessForDMuT(0.1, wanted, current, &ok), thickness);
        QCOMPARE(ok, scaled);
    }

    void binderForWantedMuT()
    {
        // Solve, then check that the pellet with that binder share really has the wanted mu t,
        // and that the weights give the same share back.
        const double tmpa = 1e-4;
        const double E = 7.2;
        const double tgtWeight = 0.01;
        const double own = tmpa * fe2o3.absorption(E);
        const double wanted = own + 1.5;
        const BinderForMuT r = binderForMuT(fe2o3, bn, tmpa, tgtWeight, wanted, E);
        QCOMPARE(r.status, BinderSolveStatus::Solved);
        QVERIFY(r.bndPerTgt > 0);
        QVERIFY(std::fabs(pelletMuT(fe2o3, bn, tmpa, r.bndPerTgt, E) - wanted) < 1e-12);

        PelletWeightsInput w;
        w.tgtWeight = tgtWeight;
        w.bndWeight = r.bndWeight;
        w.bndValid = true;
        w.tgtDens = 5.24;
        w.bndDens = 2.34;
        w.cylDiam = 0.7;
        w.mwT = fe2o3.molecularWeight();
        w.mwB = bn.molecularWeight();
        QVERIFY(std::fabs(pelletFromWeights(w).bndPerTgt - r.bndPerTgt) < 1e-9 * r.bndPerTgt);
    }

    void binderCannotLowerMuT()
    {
        const double tmpa = 1e-4;
        const double own = tmpa * fe2o3.absorption(7.2);
        const BinderForMuT r = binderForMuT(fe2o3, bn, tmpa, 0.01, own * 0.5, 7.2);
        QCOMPARE(r.status, BinderSolveStatus::TargetAboveWanted);
    }

    void binderThatDoesNotAbsorb_data()
    {
        QTest::addColumn<double>("extra"); // wanted mu t minus the target's own
        QTest::newRow("more wanted") << 1.0;
        QTest::newRow("exactly the target's") << 0.0;
    }

    void binderThatDoesNotAbsorb()
    {
        QFETCH(double, extra);
        const double tmpa = 1e-4;
        const double own = tmpa * fe2o3.absorption(7.2);
        const BinderForMuT r = binderForMuT(fe2o3, none, tmpa, 0.01, own + extra, 7.2);
        QCOMPARE(r.status, BinderSolveStatus::BinderDoesNotAbsorb);
    }

    void noTargetPerArea()
    {
        const BinderForMuT r = binderForMuT(fe2o3, bn, 0.0, 0.01, 2.0, 7.2);
        QCOMPARE(r.status, BinderSolveStatus::NoFiniteSolution);
    }

    void fxafsCheck_data()
    {
        QTest::addColumn<double>("muT");
        QTest::addColumn<double>("dMuT");
        QTest::addColumn<bool>("thin");
        QTest::addColumn<bool>("thickDilute");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("thin") << 0.05 << 0.01 << true << false;
        QTest::newRow("thin at the limit") << 0.1 << 0.05 << true << false;
        QTest::newRow("just too thick for thin") << 0.1001 << 0.01 << false << false;
        QTest::newRow("thick and dilute") << 3.0 << 0.2 << false << true;
        QTest::newRow("at both limits") << 2.0 << 0.2 << false << true;
        QTest::newRow("thick, not dilute") << 3.0 << 0.5 << false << false;
        QTest::newRow("dilute, not thick") << 1.99 << 0.1 << false << false;
        QTest::newRow("undefined") << nan << 0.1 << false << false;
        QTest::newRow("infinite") << inf << 0.1 << false << false;
        QTest::newRow("infinite jump") << 3.0 << inf << false << false;
    }

    void fxafsCheck()
    {
        QFETCH(double, muT);
        QFETCH(double, dMuT);
        QFETCH(bool, thin);
        QFETCH(bool, thickDilute);
        const FxafsCheck c = checkFxafs(muT, dMuT);
        QCOMPARE(c.thin, thin);
        QCOMPARE(c.thickDilute, thickDilute);
        if (std::isfinite(muT) && std::isfinite(dMuT))
            QVERIFY(std::fabs(c.ratioPercent - 100.0 * dMuT / muT) < 1e-12);
    }
};

QTEST_APPLESS_MAIN(TestMuT)
#include "test_mut.moc"
