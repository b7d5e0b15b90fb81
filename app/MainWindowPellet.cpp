#include "MainWindow.h"

#include "FieldStyles.h"
#include "MuT.h"
#include "Pellet.h"

#include <QStatusBar>

namespace {

// Every number the pellet and mu t calculators write into the form.
QString fieldNumber(double v)
{
    return QString::number(v, 'f', 3);
}

} // namespace

double MainWindow::pelletMuT(double E) const
{
    return ::pelletMuT(tgtComp, bndComp, tgtMolPerArea, bndPerTgt, E);
}

void MainWindow::resetFieldStyles()
{
    for (QLineEdit *field : qAsConst(inputFields))
        field->setStyleSheet(inputStyle[StyleNormal]);
    for (QLabel *label : qAsConst(outputFields))
        label->setStyleSheet(outputStyle[OutputNormal]);
}

// ---- pellet: weights, shares and thickness ----

void MainWindow::molRatioToWtRatio()
{
    if (!tgtComp.valid || !bndComp.valid)
        return;
    molRatio = SetTgtBndMolR->text().toDouble();
    wtRatio = wtRatioFromMolRatio(molRatio, tgtComp.molecularWeight(), bndComp.molecularWeight());
    SetTgtBndWtR->setText(fieldNumber(wtRatio));
    SetTgtBndWtR->setStyleSheet(inputStyle[StyleDerived]);
}

void MainWindow::wtRatioToMolRatio()
{
    if (!tgtComp.valid || !bndComp.valid)
        return;
    wtRatio = SetTgtBndWtR->text().toDouble();
    molRatio = molRatioFromWtRatio(wtRatio, tgtComp.molecularWeight(), bndComp.molecularWeight());
    SetTgtBndMolR->setText(fieldNumber(molRatio));
    SetTgtBndMolR->setStyleSheet(inputStyle[StyleDerived]);
}

void MainWindow::recalcFromThickness()
{
    if (!tgtComp.valid)
        return;
    PelletThicknessInput in;
    in.molRatio = molRatio;
    in.tgtDens = tgtDens;
    in.bndDens = bndDens;
    in.thickness = thickness;
    in.cylDiam = cylDiam;
    in.mwT = tgtComp.molecularWeight();
    in.mwB = bndComp.molecularWeight(); // 0 for an empty binder
    const PelletThicknessResult r = pelletFromThickness(in);
    bndPerTgt = r.bndPerTgt;
    tgtMolPerArea = r.tgtMolPerArea;
    tgtWeight = r.tgtWeight;
    bndWeight = r.bndWeight;

    SetTgtWeight->setText(fieldNumber(tgtWeight * 1000));
    SetTgtWeight->setStyleSheet(inputStyle[StyleDerived]);
    SetBndWeight->setText(fieldNumber(bndWeight * 1000));
    SetBndWeight->setStyleSheet(inputStyle[StyleDerived]);
    CylWeight->setText(fieldNumber(r.totalWeight * 1000));
    CylWeight->setStyleSheet(outputStyle[OutputDerived]);
    CylVol->setText(fieldNumber(r.volume * 1000));
    CylVol->setStyleSheet(outputStyle[OutputDerived]);
}

void MainWindow::recalcFromWeights()
{
    if (!tgtComp.valid)
        return;
    PelletWeightsInput in;
    in.tgtWeight = tgtWeight;
    in.bndWeight = bndWeight;
    in.bndValid = bndComp.valid;
    in.tgtDens = tgtDens;
    in.bndDens = bndDens;
    in.cylDiam = cylDiam;
    in.mwT = tgtComp.molecularWeight();
    in.mwB = bndComp.molecularWeight();
    const PelletWeightsResult r = pelletFromWeights(in);
    bndPerTgt = r.bndPerTgt;
    tgtMolPerArea = r.tgtMolPerArea;
    molRatio = r.molRatio;
    wtRatio = r.wtRatio;
    thickness = r.thickness;

    CylWeight->setText(fieldNumber(r.totalWeight * 1000)); // its style stays as reset
    SetTgtBndMolR->setText(fieldNumber(molRatio));
    SetTgtBndMolR->setStyleSheet(inputStyle[StyleDerived]);
    SetTgtBndWtR->setText(fieldNumber(wtRatio));
    SetTgtBndWtR->setStyleSheet(inputStyle[StyleDerived]);
    SetThick->setText(fieldNumber(thickness * 10));
    SetThick->setStyleSheet(inputStyle[StyleDerived]);
    CylVol->setText(fieldNumber(r.volume * 1000));
    CylVol->setStyleSheet(outputStyle[OutputDerived]);
}

void MainWindow::InTgtWeight()
{
    resetFieldStyles();
    SetTgtWeight->setStyleSheet(inputStyle[StyleEdited]);
    tgtWeight = SetTgtWeight->text().toDouble() * 0.001;
    recalcFromWeights();
    GView1->update();
}

void MainWindow::InBndWeight()
{
    resetFieldStyles();
    SetBndWeight->setStyleSheet(inputStyle[StyleEdited]);
    bndWeight = SetBndWeight->text().toDouble() * 0.001;
    recalcFromWeights();
    GView1->update();
}

void MainWindow::InCylDiam()
{
    resetFieldStyles();
    SetCylDiam->setStyleSheet(inputStyle[StyleEdited]);
    cylDiam = SetCylDiam->text().toDouble() * 0.1;
    recalcFromWeights();
    GView1->update();
}

// The shares only mean something between two compositions; without both the edit is ignored
// altogether and the field keeps what the user typed.
void MainWindow::InTgtBndMolR()
{
    if (!tgtComp.valid || !bndComp.valid)
        return;
    resetFieldStyles();
    SetTgtBndMolR->setStyleSheet(inputStyle[StyleEdited]);
    molRatioToWtRatio();
    recalcFromThickness();
    GView1->update();
}

void MainWindow::InTgtBndWtR()
{
    if (!tgtComp.valid || !bndComp.valid)
        return;
    resetFieldStyles();
    SetTgtBndWtR->setStyleSheet(inputStyle[StyleEdited]);
    wtRatioToMolRatio();
    recalcFromThickness();
    GView1->update();
}

void MainWindow::InTgtDens()
{
    resetFieldStyles();
    SetTgtDens->setStyleSheet(inputStyle[StyleEdited]);
    tgtDens = SetTgtDens->text().toDouble();
    recalcFromThickness();
    GView1->update();
}

void MainWindow::InBndDens()
{
    resetFieldStyles();
    SetBndDens->setStyleSheet(inputStyle[StyleEdited]);
    bndDens = SetBndDens->text().toDouble();
    recalcFromThickness();
    GView1->update();
}

void MainWindow::InCylThick()
{
    resetFieldStyles();
    SetThick->setStyleSheet(inputStyle[StyleEdited]);
    thickness = SetThick->text().toDouble() * 0.1;
    recalcFromThickness();
    GView1->update();
}

// ---- mu t: calculation point, curve and the two inverse solutions ----

void MainWindow::SelTarget()
{
    if (!tgtComp.valid)
        return;
    resetFieldStyles();
    const int e = SelectTE->currentIndex();
    const int j = SelectAE->currentIndex();
    // The edge table stops at MI's region; an MI choice keeps the point the user has.
    if (e < 0 || e >= tgtComp.entries.size() || j < 0 || j > EdgeLIII)
        return;
    calcPointE = tgtComp.entries.at(e).data->edge[j]; // -1 when the table lacks this edge
    SetCalcPointE->setText(QString::number(calcPointE, 'f', 4));
    SetCalcPointE->setStyleSheet(inputStyle[StyleEdited]);
    GView1->update();
}

void MainWindow::InCalcPointE()
{
    resetFieldStyles();
    SetCalcPointE->setStyleSheet(inputStyle[StyleEdited]);
    calcPointE = SetCalcPointE->text().toDouble();
    GView1->update();
}

void MainWindow::InDMuT()
{
    resetFieldStyles();
    SetDMuT->setStyleSheet(inputStyle[StyleEdited]);
    wantedDMuT = SetDMuT->text().toDouble();
    // curDMuT is the jump of the last drawn state, which is what the user is looking at.
    bool scalable = false;
    thickness = thicknessForDMuT(thickness, wantedDMuT, curDMuT, &scalable);
    if (!scalable)
        return;
    SetThick->setText(fieldNumber(thickness * 10));
    SetThick->setStyleSheet(inputStyle[StyleDerived]);
    recalcFromThickness();
    GView1->update();
}

void MainWindow::InMuT()
{
    resetFieldStyles();
    SetMuT->setStyleSheet(inputStyle[StyleEdited]);
    wantedMuT = SetMuT->text().toDouble();
    const BinderForMuT r = binderForMuT(tgtComp, bndComp, tgtMolPerArea, tgtWeight, wantedMuT,
                                        calcPointE + EDGE_DELTA);
    switch (r.status) {
    case BinderSolveStatus::TargetAboveWanted:
        return;
    case BinderSolveStatus::BinderDoesNotAbsorb:
        statusBar()->showMessage(tr("The binder does not absorb at the calculation point: "
                                    "mu t cannot be set by the binder weight."),
                                 10000);
        return;
    case BinderSolveStatus::NoFiniteSolution:
        statusBar()->showMessage(tr("mu t cannot be set by the binder weight: the pellet "
                                    "values give no finite binder amount."),
                                 10000);
        return;
    case BinderSolveStatus::Solved:
        break;
    }
    statusBar()->clearMessage();
    bndWeight = r.bndWeight;
    SetBndWeight->setText(fieldNumber(bndWeight * 1000));
    SetBndWeight->setStyleSheet(inputStyle[StyleDerived]);
    recalcFromWeights();
    GView1->update();
}

bool MainWindow::calcMuTCurve()
{
    const MuTRange range = muTRange(StartE0->text().toDouble(), EndE0->text().toDouble());
    if (range.empty())
        return false;
    const auto mut = [this](double E) { return pelletMuT(E); };
    const MuTCurveExtent extent = fillMuTCurve(range, MUT_POINTS, mut, mutCurveE, mutCurve);
    mutMin = extent.min;
    mutMax = extent.max;

    const CalcPointMuT c = muTAtCalcPoint(mut, calcPointE, EDGE_DELTA);
    dMut->setText(fieldNumber(c.dMuT));
    dMut->setStyleSheet(outputStyle[OutputDerived]);
    MuPt->setText(fieldNumber(c.above));
    MuPt->setStyleSheet(outputStyle[OutputDerived]);
    curDMuT = c.dMuT;
    curMuT = c.above;
    TransM->setText(fieldNumber(c.transmission));
    return true;
}

void MainWindow::updateFxafsCheck()
{
    const FxafsCheck c = checkFxafs(curMuT, curDMuT);
    label_15->setText(QString::number(c.muT, 'f', 3) + QStringLiteral("  ") +
                      (c.thin ? tr("OK") : tr("not OK")));
    label_20->setText(QString::number(c.ratioPercent, 'f', 1) + QStringLiteral(" %  ") +
                      (c.thickDilute ? tr("OK") : tr("not OK")));
}
