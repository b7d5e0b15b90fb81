// The plan on its own: the model library with nothing of the program's bundle, as a script or
// another program would use it.

#include "PlanModel.h"

#include <QtTest>

#include <QFile>
#include <QHash>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cmath>

class TestPlanModel : public QObject
{
    Q_OBJECT

    // Total mu/rho [cm2/g] of the Elam tables by xraydb, keyed by "symbol energy" as the
    // reference file writes them.
    QHash<QString, double> reference;

private Q_SLOTS:
    void initTestCase();
    void muTOfPellet_data();
    void muTOfPellet();
    void optionEditsRecomputeByTheirRow_data();
    void optionEditsRecomputeByTheirRow();
    void inputEditsRefreshTheLinesByTheirRow_data();
    void inputEditsRefreshTheLinesByTheirRow();
    void sessionDefaultsAreTheStartingPlan_data();
    void sessionDefaultsAreTheStartingPlan();
    void listingNamesEveryRow();
};

void TestPlanModel::initTestCase()
{
    QFile f(QStringLiteral(TIRN_SOURCE_DIR "/data/reference/mu_total_reference.txt"));
    QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
    while (!f.atEnd()) {
        const QStringList w =
            QString::fromLatin1(f.readLine()).simplified().split(QLatin1Char(' '));
        if (w.size() == 5 && w[0] == QLatin1String("mu"))
            reference.insert(w[1] + QLatin1Char(' ') + w[3], w[4].toDouble());
    }
    QVERIFY(reference.size() > 92 * 60);
}

// A pellet of the target alone, of known mass per area: its mu t is that mass per area times the
// mass attenuation coefficient, the sum of the elements' by mass fraction.
void TestPlanModel::muTOfPellet_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("energy");     // keV, as the reference file writes it
    QTest::addColumn<QStringList>("shares"); // "symbol=mass fraction", standard atomic weights

    QTest::newRow("Cu below its K edge") << "Cu"
                                         << "8.973" << QStringList{"Cu=1"};
    QTest::newRow("Cu above its K edge") << "Cu"
                                         << "8.985" << QStringList{"Cu=1"};
    QTest::newRow("Cu at 20 keV") << "Cu"
                                  << "19.811" << QStringList{"Cu=1"};
    QTest::newRow("Pb above L3") << "Pb"
                                 << "13.041" << QStringList{"Pb=1"};
    QTest::newRow("Pb at 5 keV") << "Pb"
                                 << "4.85956" << QStringList{"Pb=1"};
    // Fe 2 x 55.845, O 3 x 15.999.
    QTest::newRow("Fe2O3 at 9.8 keV") << "Fe2O3"
                                      << "9.81186" << QStringList{"Fe=0.699430", "O=0.300570"};
    QTest::newRow("Fe2O3 at 3.4 keV") << "Fe2O3"
                                      << "3.41995" << QStringList{"Fe=0.699430", "O=0.300570"};
}

void TestPlanModel::muTOfPellet()
{
    QFETCH(QString, target);
    QFETCH(QString, energy);
    QFETCH(QStringList, shares);

    double muRho = 0;
    for (const QString &share : shares) {
        const QStringList s = share.split(QLatin1Char('='));
        const QString key = s[0] + QLatin1Char(' ') + energy;
        QVERIFY2(reference.contains(key), qPrintable(key));
        muRho += s[1].toDouble() * reference.value(key);
    }

    PlanModel plan;
    plan.setAbsorption(PlanModel::TabulatedCrossSections);
    QCOMPARE(plan.absorption(), PlanModel::TabulatedCrossSections);
    plan.setInput(PlanModel::SetTgtCmp, target);
    plan.setInput(PlanModel::SetTgtWeight, QStringLiteral("20"));
    plan.setInput(PlanModel::SetBndWeight, QStringLiteral("0"));
    plan.setInput(PlanModel::SetCylDiam, QStringLiteral("10"));
    QVERIFY2(plan.flaggedFields().isEmpty(), qPrintable(plan.fieldProblem(PlanModel::SetTgtCmp)));

    const double massPerArea = 20e-3 / (M_PI * 0.5 * 0.5); // g/cm2
    const double expected = massPerArea * muRho;
    const double muT = plan.pelletMuT(energy.toDouble());
    // The tabulation is interpolated log-log between its points; xraydb agrees within 0.5 %.
    QVERIFY2(std::abs(muT / expected - 1) < 0.005,
             qPrintable(QStringLiteral("mu t %1, expected %2").arg(muT).arg(expected)));
}

namespace {

// A pellet the detailed model gives lines, scatter and a count rate for, with Cu K lines that
// excite Fe K in the plotted range (secondary fluorescence).
void detailedPellet(PlanModel &plan)
{
    plan.setInput(PlanModel::SetTgtCmp, QStringLiteral("CuFe2O4"));
    plan.setInput(PlanModel::SetBndWeight, QStringLiteral("100"));
    plan.setOption(PlanModel::DetailedFluo, true);
}

QString allLines(PlanModel &plan)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("lines.csv"));
    if (!plan.saveLines(file))
        return QString();
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

} // namespace

// Each option's row says whether an edit of it recomputes the plot and the detailed lines; a
// wrong flag leaves the plot showing the option's old state.
void TestPlanModel::optionEditsRecomputeByTheirRow_data()
{
    QTest::addColumn<int>("option");
    for (int i = 0; i < PlanModel::OptionCount; ++i) {
        QTest::newRow(qPrintable(PlanModel::optionName(PlanModel::Option(i)))) << i;
    }
}

void TestPlanModel::optionEditsRecomputeByTheirRow()
{
    QFETCH(int, option);
    const auto o = PlanModel::Option(option);
    const unsigned flags = Fields::option(o).flags;
    PlanModel plan;
    detailedPellet(plan);
    const QString before = allLines(plan);
    const bool wasOn = plan.option(o);
    QSignalSpy repaints(&plan, &PlanModel::plotChanged);
    // Of a pair of radio buttons only checking one counts.
    const bool accepted = plan.setOption(o, !wasOn);
    QCOMPARE(accepted, !(flags & OPT_EXCLUSIVE) || !wasOn);
    if (!accepted)
        return;
    QCOMPARE(plan.option(o), !wasOn);
    QCOMPARE(repaints.isEmpty(), bool(flags & OPT_VIEW_ONLY));
    if (flags & OPT_FEEDS_LINES) {
        // Whatever the option does to the rates, the table must be the one of the new state.
        PlanModel fresh;
        detailedPellet(fresh);
        fresh.setOption(o, !wasOn);
        QCOMPARE(allLines(plan), allLines(fresh));
        QVERIFY(o == PlanModel::DetailedFluo || allLines(plan) != before);
    }
}

// An input that feeds the detailed lines must make the plan compute them anew; one that does
// not (a view setting) must leave the rates alone.
void TestPlanModel::inputEditsRefreshTheLinesByTheirRow_data()
{
    QTest::addColumn<int>("input");
    QTest::addColumn<QString>("text");
    QTest::newRow("ExitAngle") << int(PlanModel::ExitAngle) << "30";
    QTest::newRow("DetBeWindow") << int(PlanModel::DetBeWindow) << "200";
    QTest::newRow("Filter1Thickness") << int(PlanModel::Filter1Thickness) << "0.05";
    QTest::newRow("AirThickness") << int(PlanModel::AirThickness) << "10";
    QTest::newRow("ExtEnergy") << int(PlanModel::ExtEnergy) << "12";
    QTest::newRow("DetResolution") << int(PlanModel::DetResolution) << "0.15";
    QTest::newRow("DetDeadTime") << int(PlanModel::DetDeadTime) << "2";
}

void TestPlanModel::inputEditsRefreshTheLinesByTheirRow()
{
    QFETCH(int, input);
    QFETCH(QString, text);
    const auto field = PlanModel::Input(input);
    PlanModel plan;
    detailedPellet(plan);
    const QString before = allLines(plan);
    plan.setInput(field, text);
    PlanModel fresh;
    fresh.setInput(field, text);
    detailedPellet(fresh);
    QCOMPARE(allLines(plan), allLines(fresh));
    QCOMPARE(allLines(plan) != before, bool(Fields::input(field).flags & FEEDS_LINES));
}

// What a session lacks comes from the plan as it started: a file that holds only the fields (as
// a script writes it) loads into an edited plan exactly as into a new one.
void TestPlanModel::sessionDefaultsAreTheStartingPlan_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("fields only") << QByteArray(R"({"format": "tirn-session", "version": 1,
                          "fields": {"SetTgtCmp": "CuO", "SetThick": "0.5"}})");
    QTest::newRow("nothing but the format")
        << QByteArray(R"({"format": "tirn-session", "version": 1})");
    QTest::newRow("options and choices")
        << QByteArray(R"({"format": "tirn-session", "version": 1, "options": {"DetailedFluo": true},
                          "choices": {"SelectAE": 1}, "fields": {"SetTgtCmp": "PbO"}})");
}

void TestPlanModel::sessionDefaultsAreTheStartingPlan()
{
    QFETCH(QByteArray, json);
    PlanModel edited;
    edited.setInput(PlanModel::SetTgtCmp, QStringLiteral("Fe2O3"));
    edited.setInput(PlanModel::SetBndCmp, QStringLiteral("C"));
    edited.setInput(PlanModel::DetDeadTime, QStringLiteral("5"));
    edited.setOption(PlanModel::IntensityPeak, true);
    edited.setOption(PlanModel::SecondaryFluo, false);
    QVERIFY(edited.loadSessionJson(json).ok);
    PlanModel fresh;
    QVERIFY(fresh.loadSessionJson(json).ok);
    QCOMPARE(edited.sessionJson(), fresh.sessionJson());
}

// The listing batch mode prints is the table: every row once, by kind, each name found again.
void TestPlanModel::listingNamesEveryRow()
{
    const QStringList lines = Fields::listing().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), int(PlanModel::InputCount + PlanModel::OutputCount +
                               PlanModel::OptionCount + PlanModel::ChoiceCount));
    QHash<QString, int> seen;
    for (const QString &line : lines) {
        const QStringList cells = line.split(QLatin1Char('\t'));
        QCOMPARE(cells.size(), 5);
        const QString &name = cells[0];
        QVERIFY2(!seen.contains(name), qPrintable(name));
        seen.insert(name, 1);
        const QString &kind = cells[1];
        if (kind == QLatin1String("input")) {
            const int i = PlanModel::inputIndex(name);
            QVERIFY2(i >= 0, qPrintable(name));
            QCOMPARE(cells[3], PlanModel().input(PlanModel::Input(i)));
        } else if (kind == QLatin1String("output")) {
            QVERIFY2(PlanModel::outputIndex(name) >= 0, qPrintable(name));
        } else if (kind == QLatin1String("option")) {
            const int o = PlanModel::optionIndex(name);
            QVERIFY2(o >= 0, qPrintable(name));
            QCOMPARE(cells[3], Fields::option(PlanModel::Option(o)).checked ? "1" : "0");
        } else {
            QCOMPARE(kind, QStringLiteral("choice"));
            QVERIFY2(PlanModel::choiceIndex(name) >= 0, qPrintable(name));
        }
    }
}

QTEST_GUILESS_MAIN(TestPlanModel)
#include "test_plan_model.moc"
