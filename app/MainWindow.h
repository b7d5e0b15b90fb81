#pragma once

#include "AtomData.h"
#include "Composition.h"
#include "parse.h"
#include "readTables.h"
#include "FluoSimulation.h"
#include "PlotPainter.h"
#include "ui_MainWindow.h"

#include <QMainWindow>
#include <QStringList>
#include <QVector>

class QFileDialog;
class QLabel;
class QLineEdit;
class QMouseEvent;
class QPainter;
class QWheelEvent;

// Points of the mu t curve and of the simulated spectrum; the step divides the range by 1999.
constexpr int MUT_POINTS = 2000;
// Distance [keV] either side of the calculation point at which mu t is evaluated.
constexpr double EDGE_DELTA = 0.0001;

// The program's only window. It owns every piece of state; the arithmetic lives in the data,
// physics and plot libraries, and the slots here read the form, call it and write back.
class MainWindow : public QMainWindow, public Ui_MainWindow
{
    Q_OBJECT

public:
    MainWindow();
    ~MainWindow() override;

    QVector<Element> ParseCompString(const QString &text, QString &expandedForm);
    QString EvalComposition(const QString &text, Composition &comp);

    // mu t of the pellet at E [keV].
    double pelletMuT(double E) const;
    // Fills the mu t curve over the displayed range and the calculation-point read-outs; false
    // when the range is empty.
    bool calcMuTCurve();

    // ---- state, in declaration order ----
    XrayDataBase xrayDb;
    QStringList edgeNames;
    QStringList lineNames;
    double yieldK[YIELD_ARRAY_SIZE] = {};
    double yieldL[YIELD_ARRAY_SIZE] = {};
    Composition tgtComp;
    Composition bndComp;
    Composition airComp;
    Composition f1Comp;
    Composition f2Comp;
    double bndPerTgt = 0;
    double tgtMolPerArea = 0;
    double airMolPerArea = 0;
    double f1MolPerArea = 0;
    double f2MolPerArea = 0;
    double mutMin = 0;
    double mutMax = 0;
    double mutCurve[MUT_POINTS] = {};
    double fluoSpectrum[MUT_POINTS] = {};
    double mutCurveE[MUT_POINTS] = {};
    double tgtWeight = 0;
    double bndWeight = 0;
    double cylDiam = 0;
    double molRatio = 0;
    double wtRatio = 0;
    double tgtDens = 0;
    double bndDens = 0;
    double thickness = 0;
    double calcPointE = 0;
    double wantedDMuT = 0;
    double wantedMuT = 0;
    double curMuT = 0;
    double curDMuT = 0;
    QFileDialog *saveDialog = nullptr;
    QVector<QLineEdit *> inputFields;
    QVector<QLabel *> outputFields;

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
    void loadYields();
    void resetFieldStyles();
    void recalcFromThickness();
    void recalcFromWeights();
    void molRatioToWtRatio();
    void wtRatioToMolRatio();
    void updateFxafsCheck();
    void simulateSpectrum();

    // ---- spectrum view: simulation results, painting input, export ----
public:
    // The numbers the simulation reads, taken from the form as it stands now.
    SpectrumInput spectrumInputFromForm() const;
    // What the draw slot hands to the painting: the curves, markers and the last simulation.
    PlotPaintInput plotPaintInput() const;
    // Writes the export table. An existing file is replaced only once the complete table has
    // been written; on failure it is left as it was and error (when given) says why.
    bool saveSpectrumTo(const QString &fname, QString *error = nullptr);
    // Writes the line table of the last simulation (the lines inside the plotted range), all or
    // nothing like the spectrum.
    bool saveLinesTo(const QString &fname, QString *error = nullptr);
    // Line list, labels, maxima and information text of the last simulation.
    SpectrumResult spectrum;
};
