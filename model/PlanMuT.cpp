// The mu t half of the pellet plan: the calculation point, the curve, the F-XAFS check and the
// two solvers that set d-mu t by the thickness and mu t by the binder.
#include "PlanModel.h"
#include "PlanText.h"

#include "MuT.h"
#include "Pellet.h"
#include "VectorState.h"

#include <QCoreApplication>

#include <cmath>

// ---- mu t: calculation point, curve and the two inverse solutions ----

void PlanModel::selTarget()
{
    if (!tgtComp.valid)
        return;
    resetFieldStyles();
    const int e = elementIndex;
    const int j = edgeIndex;
    // The edge table stops at MI's region; an MI choice keeps the point the user has.
    if (e < 0 || e >= tgtComp.entries.size() || j < 0 || j > EdgeLIII)
        return;
    calcPointE = tgtComp.entries.at(e).data->edge[j]; // -1 when the table lacks this edge
    setText(SetCalcPointE, QString::number(calcPointE, 'f', 4));
    setStyle(SetCalcPointE, StyleEdited);
}

void PlanModel::inCalcPointE()
{
    resetFieldStyles();
    setStyle(SetCalcPointE, StyleEdited);
    if (flagged(SetCalcPointE))
        return;
    calcPointE = number(SetCalcPointE);
}

void PlanModel::inDMuT()
{
    resetFieldStyles();
    setStyle(SetDMuT, StyleEdited);
    if (flagged(SetDMuT))
        return;
    wantedDMuT = number(SetDMuT);
    // A jump on show that is not the pellet's (a field it comes from is flagged and the
    // read-out empty) gives nothing to scale by.
    if (readoutsOfFlagged() & READS_MUT)
        return;
    // curDMuT is the jump of the state on show, which is what the user is looking at.
    bool scalable = false;
    thickness = thicknessForDMuT(thickness, wantedDMuT, curDMuT, &scalable);
    if (!scalable) {
        const QString why = calcPointProblem();
        pendingStatus = trMain("d-mu t cannot be set by the thickness: the pellet shows no edge "
                               "jump at the calculation point.");
        if (!why.isEmpty())
            pendingStatus += QLatin1Char(' ') + why;
        return;
    }
    setText(SetThick, fieldNumber(cmToMm(thickness)));
    setStyle(SetThick, StyleDerived);
    recalcFromThickness();
}

void PlanModel::inMuT()
{
    resetFieldStyles();
    setStyle(SetMuT, StyleEdited);
    if (flagged(SetMuT))
        return;
    wantedMuT = number(SetMuT);
    if (readoutsOfFlagged() & READS_MUT)
        return;
    // The windows' share of mu t is fixed: the binder makes up the rest.
    const double E = calcPointE + EDGE_DELTA;
    const double windows = windowsMuTAt(E);
    if (windows > 0 && !(wantedMuT > windows)) {
        pendingStatus = trMain("mu t cannot be set by the binder weight: the windows alone "
                               "have mu t %1.")
                            .arg(QString::number(windows, 'f', 3));
        return;
    }
    const BinderForMuT r =
        binderForMuT(tgtComp, bndComp, tgtMolPerArea, tgtWeight, wantedMuT - windows, E);
    switch (r.status) {
    case BinderSolveStatus::TargetAboveWanted:
        return;
    case BinderSolveStatus::BinderDoesNotAbsorb:
        pendingStatus = trMain("The binder does not absorb at the calculation point: "
                               "mu t cannot be set by the binder weight.");
        return;
    case BinderSolveStatus::NoFiniteSolution:
        pendingStatus = trMain("mu t cannot be set by the binder weight: the pellet "
                               "values give no finite binder amount.");
        return;
    case BinderSolveStatus::Solved:
        break;
    }
    bndWeight = r.bndWeight;
    setText(SetBndWeight, fieldNumber(gToMg(bndWeight)));
    setStyle(SetBndWeight, StyleDerived);
    recalcFromWeights();
}

double PlanModel::pelletMuT(double E) const
{
    // Amounts left from the last pellet are no answer to this one.
    if (!pelletUsable())
        return 0.0;
    return ::pelletMuT(tgtComp, bndComp, tgtMolPerArea, bndPerTgt, bndMolPerArea, E);
}

bool PlanModel::calcMuTCurve()
{
    noteVectorState();
    const MuTRange range = muTRange(number(StartE0), number(EndE0));
    if (range.empty())
        return false;
    // What the beam crosses: the pellet and the windows over it. Without windows the sum adds
    // nothing, to the last digit.
    const bool windows = (frontWindowComp.valid && number(FrontWindowThickness) > 0) ||
                         (backWindowComp.valid && number(BackWindowThickness) > 0);
    const auto mut = [this, windows](double E) {
        return windows ? pelletMuT(E) + windowsMuTAt(E) : pelletMuT(E);
    };
    const MuTCurveExtent extent = fillMuTCurve(range, MUT_POINTS, mut, mutCurveE, mutCurve);
    mutMin = extent.min;
    mutMax = extent.max;
    return true;
}

// The calculation point does not depend on the plotted range: its read-outs answer the pellet
// whatever the range is.
void PlanModel::updateCalcPointReadouts()
{
    // The edge jump is the pellet's; mu(+)t and the transmission are what the beam crosses, the
    // windows included.
    const auto mut = [this](double E) { return pelletMuT(E); };
    const CalcPointMuT c = muTAtCalcPoint(mut, calcPointE, EDGE_DELTA);
    const double windows = windowsMuTAt(calcPointE + EDGE_DELTA);
    const double above = windows > 0 ? c.above + windows : c.above;
    setOutputNumber(dMut, c.dMuT, 'f', 3);
    setOutputRole(dMut, OutputDerived);
    setOutputNumber(MuPt, above, 'f', 3);
    setOutputRole(MuPt, OutputDerived);
    setOutputNumber(WindowsMuT, windows, 'f', 3);
    setOutputRole(WindowsMuT, OutputDerived);
    curDMuT = c.dMuT;
    curMuT = above;
    pelletMuTAbove = c.above;
    setOutputNumber(TransM, windows > 0 ? std::exp(-above) : c.transmission, 'f', 3);
}

void PlanModel::updateFxafsCheck()
{
    // Self-absorption is the pellet's own: the windows only attenuate.
    const FxafsCheck c = checkFxafs(pelletMuTAbove, curDMuT);
    // A verdict on a blank, on a point without an edge jump, on a mu t that cannot be computed,
    // or on a pellet one of whose fields makes no sense, would mislead.
    const bool known = std::isfinite(c.muT) && std::isfinite(c.ratioPercent);
    if (!known || verdictDependsOnFlagged() || isBlankPellet(tgtMolPerArea, bndPerTgt) ||
        !(curDMuT > 0)) {
        setOutputNumber(label_15, c.muT, 'f', 3);
        setOutputNumber(label_20, c.ratioPercent, 'f', 1, QStringLiteral(" %"));
        setOutputText(label_21, trMain("Case:"));
        return;
    }
    const QString muT = numberText(c.muT, 'f', 3);
    const QString ratio = numberText(c.ratioPercent, 'f', 1) + QStringLiteral(" %");
    unanswered &= ~(readoutBit(label_15) | readoutBit(label_20));
    setOutputText(label_15,
                  muT + QStringLiteral("  ") + (c.thin ? trMain("OK") : trMain("not OK")));
    setOutputText(label_20,
                  ratio + QStringLiteral("  ") + (c.thickDilute ? trMain("OK") : trMain("not OK")));
    setOutputText(label_21, c.thin          ? trMain("Case: thin")
                            : c.thickDilute ? trMain("Case: thick and dilute")
                                            : trMain("Case: neither"));
}
