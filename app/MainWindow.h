#pragma once

#include "PlanModel.h"
#include "PlotPainter.h"
#include "ui_MainWindow.h"

#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QVector>
#include <QWheelEvent>

class QFileDialog;
class QLabel;
class QLineEdit;

// The program's only window: a view of the plan. Each slot hands the edited field to the
// plan, and the plan's change signals write the results back into the form; the draw slot
// paints what the plan holds and computes nothing.
class MainWindow : public QMainWindow, public Ui_MainWindow
{
    Q_OBJECT

public:
    // Shows a new plan, or takes over one that has already been edited (batch mode builds the
    // window only for a screenshot).
    explicit MainWindow(PlanModel *plan = nullptr);
    ~MainWindow() override;

    // What the draw slot hands to the painting: the curves, markers and the last simulation.
    PlotPaintInput plotPaintInput() const;

    PlanModel *const plan; // owned
    QFileDialog *saveDialog = nullptr;

private Q_SLOTS:
    void InTgtCmp();
    void InBndCmp();
    void InTgtWeight();
    void InBndWeight();
    void InCylDiam();
    void InTgtBndMolR();
    void InTgtBndWtR();
    void InTgtDens();
    void InBndDens();
    void InCylThick();
    void InCalcPointE();
    void InDMuT();
    void InMuT();
    void InF1Comp();
    void InF2Comp();
    void SelTarget();
    void draw(QPainter *p);
    double getStep(double xw);
    void SaveSpectrum(const QString &fname);
    void showHideMTBox(bool f);
    void showHideFBox(bool f);

public Q_SLOTS:
    void mouseMoved(QMouseEvent *e);
    void mousePressed(QMouseEvent *e);
    void mouseReleased(QMouseEvent *e);
    void mouseDoubleClicked(QMouseEvent *e);
    void wheelMoved(QWheelEvent *e);

private:
    // Hands a finished edit of a line edit to the plan.
    void edited(PlanModel::Input field);
    void wireForm();
    // Writes one piece of the plan into the form.
    void showInput(PlanModel::Input field);
    void showInputStyle(PlanModel::Input field);
    void showOutput(PlanModel::Output label);
    void showOutputStyle(PlanModel::Output label);
    void showChoice(PlanModel::Choice choice);
    void showOption(PlanModel::Option option);

    QLineEdit *inputEdits[PlanModel::InputCount] = {};
    QLabel *outputLabels[PlanModel::OutputCount] = {};
};
