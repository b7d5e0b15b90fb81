#include "PlanModel.h"

#include "MuT.h"
#include "Pellet.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

bool isOk(const QString &verdict)
{
    return verdict.endsWith(QLatin1String("  OK"));
}

// nan, inf, -inf, infinity as a number prints them, in any case.
bool readsNanOrInf(const QString &text)
{
    static const QRegularExpression special(QStringLiteral("\\b(nan|inf|infinity)\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    return text.contains(special);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The Fano limit of silicon at Mn Ka [keV], below which the detailed model refuses a FWHM.
constexpr double FANO_LIMIT_SI = 0.117;

} // namespace

// The pellet and mu t calculators of the plan: the user's edits, the recomputation each one
// ends with, and what the fields, read-outs and status line show afterwards.
class TestPelletPlan : public QObject
{
    Q_OBJECT

    std::unique_ptr<PlanModel> plan;
    QString status; // the plan's message as the status bar would show it

    void type(PlanModel::Input field, const QString &text) { plan->setInput(field, text); }
    QString input(PlanModel::Input field) const { return plan->input(field); }
    QString output(PlanModel::Output label) const { return plan->output(label); }

    void fe2o3InBn()
    {
        type(PlanModel::SetTgtCmp, QStringLiteral("Fe2O3"));
        QVERIFY(plan->tgtComp.valid);
        QVERIFY(plan->bndComp.valid);
        QCOMPARE(
            plan->choiceItems(PlanModel::SelectTE).value(plan->choiceIndex(PlanModel::SelectTE)),
            QStringLiteral("Fe"));
    }

private Q_SLOTS:
    void init()
    {
        plan = std::make_unique<PlanModel>();
        status.clear();
        connect(plan.get(), &PlanModel::statusMessage, this,
                [this](const QString &text, int) { status = text; });
    }
    void cleanup() { plan.reset(); }

    void nothingMovesWithoutTarget()
    {
        const QString weight = input(PlanModel::SetTgtWeight);
        type(PlanModel::SetThick, QStringLiteral("2"));
        type(PlanModel::SetTgtBndMolR, QStringLiteral("50"));
        QCOMPARE(input(PlanModel::SetTgtWeight), weight);
        QCOMPARE(plan->thickness, 0.2);
    }

    void fieldsFollowTheLibrary()
    {
        // The worked example's numbers, entered in the form's units.
        fe2o3InBn();
        type(PlanModel::SetCylDiam, QStringLiteral("10"));
        type(PlanModel::SetTgtDens, QStringLiteral("5.24"));
        type(PlanModel::SetBndDens, QStringLiteral("1"));
        type(PlanModel::SetTgtBndMolR, QStringLiteral("10"));
        type(PlanModel::SetThick, QStringLiteral("1"));

        PelletThicknessInput in;
        in.molRatio = 10;
        in.tgtDens = 5.24;
        in.bndDens = 1;
        in.thickness = 0.1;
        in.cylDiam = 1.0;
        in.mwT = plan->tgtComp.molecularWeight();
        in.mwB = plan->bndComp.molecularWeight();
        const PelletThicknessResult r = pelletFromThickness(in);
        QCOMPARE(input(PlanModel::SetTgtWeight), QString::number(r.tgtWeight * 1000, 'f', 3));
        QCOMPARE(input(PlanModel::SetBndWeight), QString::number(r.bndWeight * 1000, 'f', 3));
        QCOMPARE(output(PlanModel::CylWeight), QString::number(r.totalWeight * 1000, 'f', 3));
        QCOMPARE(output(PlanModel::CylVol), QStringLiteral("78.540"));
        QCOMPARE(input(PlanModel::SetTgtBndWtR),
                 QString::number(wtRatioFromMolRatio(10, in.mwT, in.mwB), 'f', 3));

        // Back from the weights as shown.
        type(PlanModel::SetBndWeight, input(PlanModel::SetBndWeight));
        QCOMPARE(input(PlanModel::SetTgtBndMolR), QStringLiteral("10.000"));
        QCOMPARE(input(PlanModel::SetThick), QStringLiteral("1.000"));
    }

    void unitsOfTheForm()
    {
        fe2o3InBn();
        type(PlanModel::SetBndWeight, QStringLiteral("0"));
        type(PlanModel::SetTgtWeight, QStringLiteral("250"));
        QCOMPARE(plan->tgtWeight, 0.25);
        QCOMPARE(input(PlanModel::SetTgtBndMolR), QStringLiteral("100.000"));
        // Rewritten from the thickness that the weights gave: the same 250 mg.
        type(PlanModel::SetTgtBndMolR, QStringLiteral("100"));
        QCOMPARE(input(PlanModel::SetTgtWeight), QStringLiteral("250.000"));
        QCOMPARE(input(PlanModel::SetBndWeight), QStringLiteral("0.000"));

        type(PlanModel::SetThick, QStringLiteral("1.5"));
        QCOMPARE(plan->thickness, 1.5 * 0.1); // mm to cm
        type(PlanModel::SetCylDiam, QStringLiteral("13"));
        QCOMPARE(plan->cylDiam, 1.3);
    }

    void sharesNeedBothCompositions()
    {
        fe2o3InBn();
        type(PlanModel::SetBndCmp, QString());
        QVERIFY(!plan->bndComp.valid);
        const QString wt = input(PlanModel::SetTgtBndWtR);
        type(PlanModel::SetTgtBndMolR, QStringLiteral("50"));
        QCOMPARE(input(PlanModel::SetTgtBndWtR), wt);

        // Weights with an invalid binder: the target is all there is.
        type(PlanModel::SetTgtWeight, QStringLiteral("20"));
        QCOMPARE(input(PlanModel::SetTgtBndMolR), QStringLiteral("100.000"));
        QCOMPARE(input(PlanModel::SetTgtBndWtR), QStringLiteral("100.000"));
    }

    void dMuTDoublesThicknessAndWeights()
    {
        fe2o3InBn();
        type(PlanModel::SetTgtBndMolR, QStringLiteral("20"));
        QVERIFY(plan->curDMuT > 0);
        const double thickness = plan->thickness;
        const double tgt = plan->tgtWeight;
        const double bnd = plan->bndWeight;
        type(PlanModel::SetDMuT, QString::number(2 * plan->curDMuT, 'g', 17));
        QVERIFY(std::fabs(plan->thickness - 2 * thickness) < 1e-12 * thickness);
        QVERIFY(std::fabs(plan->tgtWeight - 2 * tgt) < 1e-12 * tgt);
        QVERIFY(std::fabs(plan->bndWeight - 2 * bnd) < 1e-12 * bnd);
        QCOMPARE(input(PlanModel::SetThick), QString::number(2 * thickness * 10, 'f', 3));
    }

    // The edit ends with the read-outs of the pellet it made, not of the one before.
    void dMuTReadsBack()
    {
        fe2o3InBn();
        type(PlanModel::SetDMuT, QStringLiteral("1"));
        QCOMPARE(output(PlanModel::dMut), QStringLiteral("1.000"));
        QVERIFY(std::fabs(plan->curDMuT - 1.0) < 1e-9);
    }

    void dMuTWithoutJumpDoesNothing()
    {
        // Just below the Fe K edge the absorption falls with energy: no jump to scale.
        fe2o3InBn();
        type(PlanModel::SetCalcPointE, QStringLiteral("7"));
        QVERIFY(plan->flaggedFields().isEmpty());
        QVERIFY2(plan->curDMuT <= 0, qPrintable(output(PlanModel::dMut)));
        const QString thick = input(PlanModel::SetThick);
        const double tgt = plan->tgtWeight;
        type(PlanModel::SetDMuT, QStringLiteral("1"));
        QCOMPARE(input(PlanModel::SetThick), thick);
        QCOMPARE(plan->tgtWeight, tgt);
    }

    void muTBelowTheTargetsOwnChangesNothing()
    {
        fe2o3InBn();
        type(PlanModel::SetTgtBndMolR, QStringLiteral("20"));
        const QString bnd = input(PlanModel::SetBndWeight);
        const double bndWeight = plan->bndWeight;
        const double own =
            plan->tgtMolPerArea * plan->tgtComp.absorption(plan->calcPointE + EDGE_DELTA);
        type(PlanModel::SetMuT, QString::number(own * 0.5, 'g', 17));
        QCOMPARE(input(PlanModel::SetBndWeight), bnd);
        QCOMPARE(plan->bndWeight, bndWeight);
    }

    void muTIsReachedThroughTheBinder()
    {
        fe2o3InBn();
        type(PlanModel::SetTgtBndMolR, QStringLiteral("20"));
        const double tmpa = plan->tgtMolPerArea;
        const double bndWeight = plan->bndWeight;
        const double own =
            plan->tgtMolPerArea * plan->tgtComp.absorption(plan->calcPointE + EDGE_DELTA);
        const double wanted = own + 1.5;
        type(PlanModel::SetMuT, QString::number(wanted, 'g', 17));
        QVERIFY(plan->bndWeight > 0 && plan->bndWeight != bndWeight);
        QCOMPARE(input(PlanModel::SetBndWeight), QString::number(plan->bndWeight * 1000, 'f', 3));
        QVERIFY(std::fabs(plan->tgtMolPerArea - tmpa) < 1e-12 * tmpa); // the target per area stays
        QCOMPARE(output(PlanModel::MuPt), QString::number(wanted, 'f', 3));
        QVERIFY(status.isEmpty());
    }

    void muTWithoutAbsorbingBinder()
    {
        fe2o3InBn();
        type(PlanModel::SetBndCmp, QString());
        const double bndWeight = plan->bndWeight;
        const double own =
            plan->tgtMolPerArea * plan->tgtComp.absorption(plan->calcPointE + EDGE_DELTA);
        QVERIFY(status.isEmpty());
        type(PlanModel::SetMuT, QString::number(own + 1, 'g', 17));
        QCOMPARE(plan->bndWeight, bndWeight);
        QVERIFY(std::isfinite(plan->bndWeight));
        QVERIFY(!status.isEmpty());
    }

    void selTarget_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("element");
        QTest::addColumn<int>("edge");
        QTest::newRow("Fe K") << "Fe2O3" << 0 << int(EdgeK);
        QTest::newRow("Fe LIII") << "Fe2O3" << 0 << int(EdgeLIII);
        QTest::newRow("O K") << "Fe2O3" << 1 << int(EdgeK);
        QTest::newRow("H has no K edge") << "H2O" << 0 << int(EdgeK);
    }

    void selTarget()
    {
        QFETCH(QString, target);
        QFETCH(int, element);
        QFETCH(int, edge);
        type(PlanModel::SetTgtCmp, target);
        plan->setChoice(PlanModel::SelectTE, element);
        plan->setChoice(PlanModel::SelectAE, edge);
        const double e = plan->tgtComp.entries.at(element).data->edge[edge];
        QCOMPARE(plan->calcPointE, e);
        QCOMPARE(input(PlanModel::SetCalcPointE), QString::number(e, 'f', 4));
    }

    void missingEdgeShowsMinusOne()
    {
        type(PlanModel::SetTgtCmp, QStringLiteral("H2O"));
        const AtomData *h = plan->xrayDb.find(QStringLiteral("H"));
        QVERIFY2(h && h->edge[EdgeK] == MissingValue, "the table gives H a K edge");
        QCOMPARE(
            plan->choiceItems(PlanModel::SelectTE).value(plan->choiceIndex(PlanModel::SelectTE)),
            QStringLiteral("H"));
        QCOMPARE(input(PlanModel::SetCalcPointE), QStringLiteral("-1.0000"));
        // No point to compute at: flagged, and its read-outs empty.
        QCOMPARE(plan->fieldProblem(PlanModel::SetCalcPointE),
                 QStringLiteral("Calc. Point [keV]: must be greater than 0, not -1.0000"));
        QCOMPARE(output(PlanModel::MuPt), QString());
        QCOMPARE(output(PlanModel::TransM), QString());
    }

    void miLeavesTheCalculationPoint()
    {
        fe2o3InBn();
        type(PlanModel::SetCalcPointE, QStringLiteral("7.5"));
        plan->setChoice(PlanModel::SelectAE, EdgeMI);
        QCOMPARE(input(PlanModel::SetCalcPointE), QStringLiteral("7.5"));
        QCOMPARE(plan->calcPointE, 7.5);
    }

    void curveRanges()
    {
        fe2o3InBn();
        type(PlanModel::StartE0, QStringLiteral("5"));
        type(PlanModel::EndE0, QStringLiteral("10"));
        QVERIFY(plan->calcMuTCurve());
        QCOMPARE(plan->mutCurveE[0], 5.0);

        // Reversed ends are no range: no curve, and the end field says why.
        type(PlanModel::StartE0, QStringLiteral("10"));
        type(PlanModel::EndE0, QStringLiteral("5"));
        QVERIFY(!plan->calcMuTCurve());
        QVERIFY(!plan->plotShown());
        QVERIFY(!plan->fieldProblem(PlanModel::EndE0).isEmpty());

        type(PlanModel::StartE0, QStringLiteral("-2"));
        type(PlanModel::EndE0, QStringLiteral("3"));
        QVERIFY(plan->calcMuTCurve());
        QCOMPARE(plan->mutCurveE[0], 0.0);
        QCOMPARE(plan->mutMin, 0.0);

        // Equal ends: no curve, and the read-outs and the last curve keep their values.
        type(PlanModel::StartE0, QStringLiteral("6"));
        QList<PlanModel::Output> rewritten;
        connect(plan.get(), &PlanModel::outputChanged, this,
                [&rewritten](PlanModel::Output o) { rewritten << o; });
        type(PlanModel::EndE0, QStringLiteral("6"));
        QVERIFY(!plan->calcMuTCurve());
        QVERIFY(!rewritten.contains(PlanModel::dMut));
        QCOMPARE(plan->mutCurveE[0], 0.0);
    }

    void fxafsLabels()
    {
        fe2o3InBn();
        // A thin pellet of pure target.
        type(PlanModel::SetTgtBndMolR, QStringLiteral("100"));
        type(PlanModel::SetThick, QStringLiteral("0.0005"));
        QVERIFY2(plan->curMuT <= 0.1, qPrintable(output(PlanModel::MuPt)));
        QVERIFY(isOk(output(PlanModel::label_15)));
        QVERIFY(output(PlanModel::label_15).startsWith(QString::number(plan->curMuT, 'f', 3)));
        QVERIFY(!isOk(output(PlanModel::label_20)));

        // A thick pellet with little target in much binder.
        type(PlanModel::SetTgtBndMolR, QStringLiteral("0.01"));
        type(PlanModel::SetThick, QStringLiteral("2"));
        QVERIFY2(plan->curMuT >= 2, qPrintable(output(PlanModel::MuPt)));
        QVERIFY(!isOk(output(PlanModel::label_15)));
        QVERIFY(output(PlanModel::label_15).endsWith(QLatin1String("not OK")));
        const double ratio = 100 * plan->curDMuT / plan->curMuT;
        QVERIFY2(ratio <= 10, qPrintable(output(PlanModel::label_20)));
        QCOMPARE(output(PlanModel::label_20),
                 QString::number(ratio, 'f', 1) + QStringLiteral(" %  OK"));
    }

    // Each numeric field has its rule: a broken one is flagged and named in the status line by
    // its caption, until a sound value comes. The numbers are computed as before.
    void fieldChecks_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("bad");
        QTest::addColumn<QString>("message"); // empty: the value is allowed
        QTest::addColumn<QString>("good");
        QTest::newRow("diameter not a number") << "SetCylDiam"
                                               << "abc"
                                               << "Dia. [mm]: 'abc' is not a number"
                                               << "7";
        QTest::newRow("negative thickness") << "SetThick"
                                            << "-1"
                                            << "Thickness [mm]: must be greater than 0, not -1"
                                            << "1";
        QTest::newRow("share above 100")
            << "SetTgtBndMolR"
            << "150"
            << "Target Ratio [Mol%]: must lie between 0 and 100, not 150"
            << "20";
        QTest::newRow("share 0 is a blank") << "SetTgtBndWtR"
                                            << "0"
                                            << ""
                                            << "20";
        QTest::newRow("range end with text") << "EndE0"
                                             << "20cuo_spectrum"
                                             << "Ee [keV]: '20cuo_spectrum' is not a number"
                                             << "20";
        QTest::newRow("range end below start") << "EndE0"
                                               << "4"
                                               << "Ee [keV]: must lie above the range start, not 4"
                                               << "20";
        QTest::newRow("negative range start") << "StartE0"
                                              << "-2"
                                              << "Es [keV]: must not be negative, not -2"
                                              << "5";
        QTest::newRow("negative flux") << "I0Flux"
                                       << "-5"
                                       << "I0[photons/sec]: must not be negative, not -5"
                                       << "1e10";
        QTest::newRow("zero FWHM") << "DetResolution"
                                   << "0"
                                   << "Det. Res.(FWHM)[keV]: must be greater than 0, not 0"
                                   << "0.3";
        QTest::newRow("empty distance") << "Distance"
                                        << ""
                                        << "Distance[cm]: a number is needed"
                                        << "20";
        QTest::newRow("filter 2 may stay empty") << "Filter2Thickness"
                                                 << ""
                                                 << ""
                                                 << "1";
        // The detailed model reads the FWHM at Mn Ka, which silicon cannot beat; the classic
        // model takes any width.
        QTest::newRow("detailed: FWHM below the Fano limit")
            << "DetResolution"
            << "0.1"
            << "Det. Res.(FWHM)[keV]: below the Fano limit of Si at Mn Ka (0.117 keV), not 0.1"
            << "0.13";
        QTest::newRow("classic: the same FWHM") << "DetResolution"
                                                << "0.1"
                                                << ""
                                                << "0.3";
        QTest::newRow("detailed: no crystal") << "DetSiThickness"
                                              << "0"
                                              << "Crystal [mm]: must be greater than 0, not 0"
                                              << "0.45";
        QTest::newRow("detailed: a crystal the program does not know")
            << "DetMaterial"
            << "GaAs"
            << "Crystal: 'GaAs' is not a detector material; Si, Ge or CdTe"
            << "Si";
        QTest::newRow("half a detector element") << "DetElements"
                                                 << "2.5"
                                                 << "Det. elements: must be a whole number, not 2.5"
                                                 << "1";
        QTest::newRow("detailed: negative dead time")
            << "DetDeadTime"
            << "-1"
            << "Dead time [\u00b5s]: must not be negative, not -1"
            << "0";
        QTest::newRow("exit angle beyond 90") << "ExitAngle"
                                              << "95"
                                              << "Exit [deg]: must lie in (0, 90] degrees, not 95"
                                              << "45";
        QTest::newRow("unknown symbol in the target")
            << "SetTgtCmp"
            << "Xq2O3"
            << "Target: unknown element symbol: Xq; the composition is not used until it is "
               "corrected"
            << "Fe2O3";
        QTest::newRow("unknown symbol in a filter")
            << "Filter1Composition"
            << "XqAl"
            << "Filter 1 composition: unknown element symbol: Xq; the composition is not used "
               "until it is corrected"
            << "Al";
        QTest::newRow("stray character in the binder")
            << "SetBndCmp"
            << "BN+C"
            << "Binder: characters ignored: +; a mixture by mass is written [SiO2]70[Al2O3]30"
            << "BN";
        QTest::newRow("fractions before compounds")
            << "SetBndCmp"
            << "0.7SiO2 0.3Al2O3"
            << "Binder: the numbers 0.7 before SiO2, 0.3 before Al2O3 are ignored; a mixture by "
               "mass is written [SiO2]70[Al2O3]30"
            << "BN";
        QTest::newRow("percent before a compound")
            << "SetBndCmp"
            << "70SiO2"
            << "Binder: the number 70 before SiO2 is ignored; a mixture by mass is written "
               "[SiO2]70[Al2O3]30"
            << "BN";
        QTest::newRow("molecules before a compound")
            << "SetTgtCmp"
            << "2CuO"
            << "Target: the number 2 before CuO is ignored; a mixture by mass is written "
               "[SiO2]70[Al2O3]30"
            << "CuO";
        QTest::newRow("percent sign")
            << "SetTgtCmp"
            << "CuO 5%"
            << "Target: characters ignored: %; a mixture by mass is written [SiO2]70[Al2O3]30"
            << "CuO";
        QTest::newRow("shares joined by a dash")
            << "SetBndCmp"
            << "70SiO2-30Al2O3"
            << "Binder: the numbers 70 before SiO2, 30 before Al2O3 are ignored; characters "
               "ignored: -; a mixture by mass is written [SiO2]70[Al2O3]30"
            << "BN";
        QTest::newRow("spaced formula is sound") << "SetTgtCmp"
                                                 << "Y Ba2 Cu3 O7"
                                                 << ""
                                                 << "Fe2O3";
        QTest::newRow("spaced counts are sound") << "SetBndCmp"
                                                 << "B 1 N 1"
                                                 << ""
                                                 << "BN";
        QTest::newRow("binder of lower case letters")
            << "SetBndCmp"
            << "bn"
            << "Binder: no composition could be read; characters ignored: b n"
            << "BN";
        QTest::newRow("target with an open parenthesis")
            << "SetTgtCmp"
            << "(Fe2O3"
            << "Target: no composition could be read: unbalanced parentheses"
            << "Fe2O3";
        QTest::newRow("square brackets not around a mixture")
            << "SetTgtCmp"
            << "Fe[O]3"
            << "Target: no composition could be read: square brackets only enclose the parts of a "
               "mixture by mass; a mixture by mass is written [SiO2]70[Al2O3]30"
            << "Fe2O3";
        QTest::newRow("count beyond the doubles")
            << "SetTgtCmp" << QStringLiteral("Fe") + QString(400, QLatin1Char('9'))
            << "Target: amounts too large to compute with"
            << "Fe2O3";
        // Each number within the range the tables and real instruments give it a meaning in.
        QTest::newRow("thickness beyond its bound")
            << "SetThick"
            << "2000"
            << "Thickness [mm]: must be at most 1000, not 2000"
            << "1";
        QTest::newRow("density of no material")
            << "SetTgtDens"
            << "40"
            << "Target density [g/cm3]: must be at most 30, not 40"
            << "5.24";
        QTest::newRow("binder density of a vacuum")
            << "SetBndDens"
            << "1e-7"
            << "Binder density [g/cm3]: must be at least 1e-6, not 1e-7"
            << "2.1";
        QTest::newRow("binder weight of a brick") << "SetBndWeight"
                                                  << "1e7"
                                                  << "Binder [mg]: must be at most 1e6, not 1e7"
                                                  << "50";
        QTest::newRow("calculation point below the tables")
            << "SetCalcPointE"
            << "0.05"
            << "Calc. Point [keV]: must be at least 0.1, not 0.05"
            << "7.1120";
        QTest::newRow("range end beyond the tables") << "EndE0"
                                                     << "900"
                                                     << "Ee [keV]: must be at most 800, not 900"
                                                     << "20";
        QTest::newRow("no flux") << "I0Flux"
                                 << "0"
                                 << "I0[photons/sec]: must be at least 1, not 0"
                                 << "1e10";
        QTest::newRow("flux of no source") << "I0Flux"
                                           << "1e17"
                                           << "I0[photons/sec]: must be at most 1e16, not 1e17"
                                           << "1e10";
        QTest::newRow("grazing incidence") << "IncidenceAngle"
                                           << "0.05"
                                           << "Incidence [deg]: must be at least 0.1, not 0.05"
                                           << "45";
        QTest::newRow("detailed: dead time of a slow counter")
            << "DetDeadTime"
            << "150"
            << "Dead time [\u00b5s]: must be at most 100, not 150"
            << "0.3";
    }

    void fieldChecks()
    {
        QFETCH(QString, field);
        QFETCH(QString, bad);
        QFETCH(QString, message);
        QFETCH(QString, good);
        const int index = PlanModel::inputIndex(field);
        QVERIFY(index >= 0);
        const auto edit = PlanModel::Input(index);
        fe2o3InBn();
        plan->setOption(PlanModel::DetailedFluo,
                        QByteArray(QTest::currentDataTag()).startsWith("detailed"));
        type(edit, bad);
        QCOMPARE(status, message);
        QCOMPARE(plan->fieldProblem(edit), message);
        if (!message.isEmpty() && (Fields::input(edit).readouts & READS_VERDICT))
            QVERIFY2(!output(PlanModel::label_20).contains(QLatin1String("OK")),
                     "a verdict on a pellet with a broken field");
        type(edit, good);
        QCOMPARE(plan->fieldProblem(edit), QString());
        QVERIFY(plan->flaggedFields().isEmpty());
        QCOMPARE(status, QString());
    }

    // Every numeric field of the table at the extremes a user can type, and at its bounds, in
    // both models. A value outside the field's range is flagged; every read-out computed from
    // it is then empty while the others keep what they showed (nothing is computed from the
    // flagged value, nor left over from before); and whatever the value, nothing the plan
    // shows, saves or exports reads nan or inf.
    void extremes_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("detailed");
        QTest::addColumn<bool>("inRange");
        for (const bool detailed : {false, true}) {
            for (int i = 0; i < PlanModel::InputCount; ++i) {
                const InputRow &row = Fields::input(PlanModel::Input(i));
                if (row.rule == Rule::Composition || row.rule == Rule::Gas ||
                    row.rule == Rule::DetectorMaterial || row.rule == Rule::FilePath)
                    continue;
                QStringList values{"1e308",
                                   "1e-320",
                                   "1e-9",
                                   "-1",
                                   "0",
                                   QString::number(row.upper),
                                   QString::number(row.lower)};
                for (const QString &value : values) {
                    const double v = value.toDouble();
                    // Where 0 itself is outside the rule: the values that must be above it.
                    const bool positive = row.rule == Rule::Positive || row.rule == Rule::Angle;
                    bool inRange = v >= row.lower && v <= row.upper && (v > 0 || !positive);
                    if (row.rule == Rule::RangeEnd) // above the start, 5 keV by default
                        inRange = v > 5 && v <= row.upper;
                    if (row.rule == Rule::Count && v != std::floor(v))
                        inRange = false;
                    if ((row.flags & FANO_LIMITED) && detailed && v < FANO_LIMIT_SI)
                        inRange = false;
                    QTest::addRow("%s %s = %s", detailed ? "detailed" : "classic", row.name,
                                  qPrintable(value))
                        << i << value << detailed << inRange;
                }
            }
        }
    }

    void extremes()
    {
        QFETCH(int, field);
        QFETCH(QString, value);
        QFETCH(bool, detailed);
        QFETCH(bool, inRange);
        const auto edit = PlanModel::Input(field);
        const InputRow &row = Fields::input(edit);

        // A pellet with a binder and a second filter, so that every field counts.
        fe2o3InBn();
        type(PlanModel::SetBndWeight, QStringLiteral("50"));
        type(PlanModel::Filter2Composition, QStringLiteral("Cu"));
        type(PlanModel::Filter2Thickness, QStringLiteral("0.01"));
        type(PlanModel::Filter2Density, QStringLiteral("8.96"));
        plan->setOption(PlanModel::DetailedFluo, detailed);
        QVERIFY2(plan->flaggedFields().isEmpty(), qPrintable(status));
        QStringList before;
        for (int o = 0; o < PlanModel::OutputCount; ++o)
            before << output(PlanModel::Output(o));
        QStringList fieldsBefore;
        for (int i = 0; i < PlanModel::InputCount; ++i)
            fieldsBefore << input(PlanModel::Input(i));

        type(edit, value);
        const QString problem = plan->fieldProblem(edit);
        QVERIFY2(problem.isEmpty() == inRange, qPrintable(problem));
        if (!inRange) {
            QVERIFY2(problem.startsWith(PlanModel::fieldCaption(edit) + QStringLiteral(": ")),
                     qPrintable(problem));
            QCOMPARE(status, problem);
            // No field is derived from it.
            for (int i = 0; i < PlanModel::InputCount; ++i) {
                const auto other = PlanModel::Input(i);
                QVERIFY2(other == edit || input(other) == fieldsBefore.at(i),
                         qPrintable(PlanModel::inputName(other) + QLatin1Char('=') + input(other)));
            }
            // The read-outs computed from it; the classic model computes nothing from the
            // detailed model's fields.
            const unsigned reads =
                (row.flags & DETAILED_ONLY) && !detailed ? READS_NONE : row.readouts;
            for (int o = 0; o < PlanModel::OutputCount; ++o) {
                const auto label = PlanModel::Output(o);
                const QString shown = output(label);
                const QString name = PlanModel::outputName(label) + QLatin1Char('=') + shown;
                if (reads & readoutBit(label)) {
                    QVERIFY2(shown.isEmpty() ||
                                 (label == PlanModel::label_21 && shown == QLatin1String("Case:")),
                             qPrintable(name));
                    QCOMPARE(plan->outputStyle(label), int(OutputNormal));
                } else {
                    QVERIFY2(shown == before.at(o), qPrintable(name + " was " + before.at(o)));
                }
            }
        }

        // Nothing reads nan or inf: not the read-outs, not the fields the plan writes, not the
        // session, the line table or the spectrum table.
        for (int o = 0; o < PlanModel::OutputCount; ++o) {
            const auto label = PlanModel::Output(o);
            QVERIFY2(!readsNanOrInf(output(label)),
                     qPrintable(PlanModel::outputName(label) + QLatin1Char('=') + output(label)));
        }
        for (int i = 0; i < PlanModel::InputCount; ++i) {
            const auto other = PlanModel::Input(i);
            QVERIFY2(other == edit || !readsNanOrInf(input(other)),
                     qPrintable(PlanModel::inputName(other) + QLatin1Char('=') + input(other)));
        }
        const QJsonObject session = QJsonDocument::fromJson(plan->sessionJson()).object();
        for (const char *part : {"readouts", "internal"}) {
            const QJsonObject values = session.value(QLatin1String(part)).toObject();
            for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
                QVERIFY2(!readsNanOrInf(it.value().toString()),
                         qPrintable(it.key() + QLatin1Char('=') + it.value().toString()));
            }
        }
        QTemporaryDir dir;
        const QString lines = dir.filePath(QStringLiteral("lines.csv"));
        QVERIFY(plan->saveLines(lines));
        QVERIFY(!readsNanOrInf(QString::fromLatin1(fileBytes(lines))));
        const QString table = dir.filePath(QStringLiteral("spectrum.dat"));
        QString error;
        if (plan->saveSpectrum(table, &error)) {
            const QByteArray bytes = fileBytes(table);
            QCOMPARE(bytes.count('\n'), MUT_POINTS);
            QVERIFY(!readsNanOrInf(QString::fromLatin1(bytes)));
        } else {
            // Refused whole, with the reason.
            QVERIFY(!error.isEmpty());
            QVERIFY(!QFile::exists(table));
        }
    }

    // A detector far too close: the dead time read-out is marked as an alarm and the status line
    // names the distance that brings it to 10 %, which typing it then does. The classic model
    // counts nothing.
    void deadTimeAdvice()
    {
        fe2o3InBn();
        plan->setOption(PlanModel::DetailedFluo, true);
        type(PlanModel::Distance, QStringLiteral("2"));
        const auto marked = [this] {
            return plan->outputStyle(PlanModel::DeadTime) == OutputAlarm;
        };
        QVERIFY(marked());
        QVERIFY(output(PlanModel::CountRate).endsWith(QLatin1String(" /s")));
        const QRegularExpressionMatch m =
            QRegularExpression("at a distance of ([0-9.]+) cm").match(status);
        QVERIFY2(m.hasMatch(), qPrintable(status));
        type(PlanModel::Distance, m.captured(1));
        const double dead = output(PlanModel::DeadTime).chopped(2).toDouble();
        QVERIFY2(std::abs(dead - 10) < 0.3, qPrintable(output(PlanModel::DeadTime)));
        QVERIFY(!marked());
        QCOMPARE(status, QString());
        plan->setOption(PlanModel::DetailedFluo, false);
        QCOMPARE(output(PlanModel::CountRate), QString());
        QCOMPARE(output(PlanModel::DeadTime), QString());
    }

    // What the status line explains: an excitation below every edge of the lines on show, a
    // calculation point off the edges, and why the d-mu t solver then does nothing.
    void statusExplains_data()
    {
        QTest::addColumn<QStringList>("edits"); // field=text, in order
        QTest::addColumn<QString>("start");     // of the status message
        QTest::newRow("PbO at LIII, 10 keV")
            << QStringList{"SetTgtCmp=PbO", "ExtEnergy=10"}
            << "No line of the target in the plotted range is excited: 10 keV lies below their "
               "edges (the lowest edge above it is Pb LIII at 13.0";
        QTest::newRow("2 eV below the Fe K edge")
            << QStringList{"SetTgtCmp=Fe2O3", "SetCalcPointE=7.11"}
            << "No absorption edge of Fe at 7.1100 keV (a jump shows only within 0.1 eV of an "
               "edge); the nearest is Fe K at 7.11";
        // Below boron's and nitrogen's K edges nothing of the pellet absorbs in the two-term
        // table: no jump, and no share of it in mu t (the tabulated data scatter there).
        QTest::newRow("B in BN below every edge, then another edit")
            << QStringList{"absorption=classic", "SetTgtCmp=B", "SetCalcPointE=0.15", "Distance=20"}
            << "Some results cannot be computed from these values and are left empty.";
        QTest::newRow("d-mu t solver off the edge")
            << QStringList{"SetTgtCmp=Fe2O3", "SetCalcPointE=7.11", "SetDMuT=2"}
            << "d-mu t cannot be set by the thickness: the pellet shows no edge jump at the "
               "calculation point. No absorption edge of Fe";
    }

    void statusExplains()
    {
        QFETCH(QStringList, edits);
        QFETCH(QString, start);
        const QString thickness = input(PlanModel::SetThick);
        for (const QString &e : edits) {
            if (e.startsWith(QLatin1String("absorption="))) {
                plan->setAbsorption(PlanModel::Absorption(
                    PlanModel::absorptionIndex(e.section(QLatin1Char('='), 1))));
                continue;
            }
            const int field = PlanModel::inputIndex(e.section(QLatin1Char('='), 0, 0));
            QVERIFY2(field >= 0, qPrintable(e));
            type(PlanModel::Input(field), e.section(QLatin1Char('='), 1));
        }
        QVERIFY2(status.startsWith(start), qPrintable(status));
        // Off the edges there is no jump, so no verdict either.
        const bool pointTyped = edits.join(QLatin1Char(' ')).contains(QLatin1String("CalcPointE"));
        QCOMPARE(output(PlanModel::label_15).contains(QLatin1String("OK")), !pointTyped);
        for (int o = 0; o < PlanModel::OutputCount; ++o) {
            const QString shown = output(PlanModel::Output(o));
            QVERIFY2(!readsNanOrInf(shown), qPrintable(shown));
        }
        if (edits.last().startsWith(QLatin1String("SetDMuT")))
            QCOMPARE(input(PlanModel::SetThick), thickness);
    }

    // A blank (target share or weight 0) is a finite binder-only pellet with no edge jump.
    void blankPellet_data()
    {
        QTest::addColumn<QString>("field");
        QTest::newRow("share 0") << "SetTgtBndMolR";
        QTest::newRow("target weight 0") << "SetTgtWeight";
    }

    void blankPellet()
    {
        QFETCH(QString, field);
        const int blanked = PlanModel::inputIndex(field);
        QVERIFY(blanked >= 0);
        type(PlanModel::SetTgtCmp, QStringLiteral("Fe2O3"));
        type(PlanModel::SetTgtDens, QStringLiteral("5.24"));
        type(PlanModel::SetThick, QStringLiteral("1"));
        type(PlanModel::SetBndWeight, QStringLiteral("50"));
        type(PlanModel::Input(blanked), QStringLiteral("0"));
        const QList<QPair<const char *, QString>> shown = {
            {"SetBndWeight", input(PlanModel::SetBndWeight)},
            {"SetThick", input(PlanModel::SetThick)},
            {"MuPt", output(PlanModel::MuPt)},
            {"dMut", output(PlanModel::dMut)}};
        for (const auto &s : shown) {
            QVERIFY2(std::isfinite(s.second.toDouble()) && !s.second.contains(QLatin1String("nan")),
                     qPrintable(QLatin1String(s.first) + QLatin1Char('=') + s.second));
        }
        QVERIFY(output(PlanModel::MuPt).toDouble() > 0);
        QCOMPARE(std::abs(output(PlanModel::dMut).toDouble()), 0.0);
        QVERIFY(!output(PlanModel::label_15).contains(QLatin1String("OK")));
        QVERIFY(plan->flaggedFields().isEmpty());
    }

    void degenerateValuesRecover_data()
    {
        QTest::addColumn<QString>("field"); // input name
        QTest::addColumn<QString>("bad");
        QTest::addColumn<QString>("good");
        QTest::newRow("diameter") << "SetCylDiam"
                                  << "0"
                                  << "7";
        QTest::newRow("molar share") << "SetTgtBndMolR"
                                     << "0"
                                     << "20";
        QTest::newRow("target density") << "SetTgtDens"
                                        << "0"
                                        << "5.24";
        QTest::newRow("target weight") << "SetTgtWeight"
                                       << "0"
                                       << "10";
    }

    void degenerateValuesRecover()
    {
        QFETCH(QString, field);
        QFETCH(QString, bad);
        QFETCH(QString, good);
        const int index = PlanModel::inputIndex(field);
        QVERIFY(index >= 0);
        const auto edit = PlanModel::Input(index);
        fe2o3InBn();
        type(PlanModel::SetTgtBndMolR, QStringLiteral("20"));
        type(edit, good);
        const QString saneThick = input(PlanModel::SetThick);
        const QString saneMuT = output(PlanModel::MuPt);

        // Each edit recomputes the curve: none of them may crash or hang.
        type(edit, bad);
        type(PlanModel::SetDMuT, QStringLiteral("1"));
        type(PlanModel::SetMuT, QStringLiteral("3"));
        QVERIFY(std::isfinite(plan->mutMin) && std::isfinite(plan->mutMax));
        // A flagged field or a blank pellet leaves no verdict to show.
        QVERIFY2(!output(PlanModel::label_15).contains(QLatin1String("OK")),
                 qPrintable(output(PlanModel::label_15)));

        // Back to the sane value, and sane results again.
        type(edit, good);
        type(PlanModel::SetTgtBndMolR, QStringLiteral("20"));
        type(PlanModel::SetThick, saneThick);
        QVERIFY2(std::isfinite(plan->curMuT) && std::isfinite(plan->curDMuT),
                 qPrintable(output(PlanModel::MuPt) + QLatin1Char(' ') + output(PlanModel::dMut)));
        QVERIFY(std::isfinite(input(PlanModel::SetTgtWeight).toDouble()));
        QVERIFY(std::isfinite(input(PlanModel::SetBndWeight).toDouble()));
        QVERIFY(std::isfinite(output(PlanModel::CylVol).toDouble()));
        QVERIFY(plan->tgtWeight > 0 && std::isfinite(plan->tgtWeight));
        QVERIFY(!saneMuT.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPelletPlan)
#include "test_pellet_plan.moc"
