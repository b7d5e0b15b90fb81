#include "MainWindow.h"

#include "FieldStyles.h"

#include <QIcon>
#include <QVariant>

QVector<Element> MainWindow::ParseCompString(const QString &text, QString &expandedForm)
{
    return parseCompString(text, expandedForm, xrayDb);
}

QString MainWindow::EvalComposition(const QString &text, Composition &comp)
{
    return evalComposition(text, comp, xrayDb);
}

void MainWindow::InTgtCmp()
{
    resetFieldStyles();
    SetTgtCmp->setStyleSheet(inputStyle[StyleEdited]);
    const QString expanded = EvalComposition(SetTgtCmp->text(), tgtComp);
    // Leaving the field without a real change must not disturb the element choice or the
    // pellet values the user has arrived at.
    if (expanded == ExtendedTgtMolecularForm->text())
        return;
    ExtendedTgtMolecularForm->setText(expanded);
    // Clearing and refilling moves the current item, so SelTarget follows with the first
    // element's selected edge.
    SelectTE->clear();
    for (const CompEntry &e : qAsConst(tgtComp.entries))
        SelectTE->insertItem(SelectTE->count(), QIcon(), e.symbol, QVariant());
    molRatioToWtRatio();
    recalcFromThickness();
    GView1->update();
}

void MainWindow::InBndCmp()
{
    resetFieldStyles();
    SetBndCmp->setStyleSheet(inputStyle[StyleEdited]);
    ExtendedBndMolecularForm->setText(EvalComposition(SetBndCmp->text(), bndComp));
    molRatioToWtRatio();
    recalcFromThickness();
    GView1->update();
}

// A filter only changes the simulated spectrum, which the next repaint of the window redoes.
void MainWindow::InF1Comp()
{
    EvalComposition(Filter1Composition->text(), f1Comp);
    update();
}

void MainWindow::InF2Comp()
{
    EvalComposition(Filter2Composition->text(), f2Comp);
    update();
}
