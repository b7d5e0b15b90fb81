#pragma once

#include "PlanModel.h"
#include "PlotPainter.h"
#include "RangeNavigation.h"
#include "ui_MainWindow.h"

#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QVector>
#include <QWheelEvent>

// "WxH" as a size; an invalid size when the text is not two whole numbers around an x.
QSize parseImageSize(const QString &text);

class ComparisonDialog;
enum class ExportKind;
class QActionGroup;
class QCheckBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QSplitter;

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

    // Sessions from the File menu (and the last session at start and quit); the status bar says
    // what happened. False when nothing was read or written; error (when given) then says why,
    // for the caller to tell. Without it a failed open is also put up in a box.
    bool openSession(const QString &fileName, QString *error = nullptr);
    bool saveSession(const QString &fileName);

    // Hands the plan what is typed in a field and not yet finished (the window is closing).
    void finishEditing();

    // Sizes the window for a screen of this available area: the form's width where it fits,
    // never larger than the area; the plot at least a share of the height, the form the rest.
    void sizeForScreen(const QSize &available);
    // The split between form and plot as the user left it (QSplitter::saveState), kept as a
    // share of the height; nothing happens for an empty or unreadable state.
    void restoreSplit(const QByteArray &state);
    // The least share of the window's height that the plot gets at the default split.
    static constexpr double PlotShare = 0.42;

    // Writes the plot alone at the given size: PNG (or another image format) by suffix, SVG or
    // PDF; an unknown suffix or size fails before anything is written.
    bool savePlotImage(const QString &fileName, QSize size, QString *error = nullptr);

    // Reads a measured spectrum (File menu): the status bar says what happened, a box why it
    // failed; on success the file's channel width is offered for the plot.
    bool openMeasured(const QString &fileName);
    // A per-channel spectrum or comparison table to a file; the status bar (and a box on
    // failure) says what happened.
    bool saveTable(ExportKind kind, const QString &fileName);

    // What the draw slot hands to the painting: the curves, markers and the last simulation.
    PlotPaintInput plotPaintInput() const;

    PlanModel *const plan; // owned
    // Each field's widget, the form's own or one made from the field's row.
    QLineEdit *inputEdit(PlanModel::Input field) const;
    QLabel *outputLabel(PlanModel::Output label) const;
    QWidget *optionWidget(PlanModel::Option option) const; // a button or a checkable group box
    QFileDialog *saveDialog = nullptr;
    ComparisonDialog *comparisonDialog = nullptr;

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
    void SavePlotImage();
    void showHideMTBox(bool f);
    void showHideFBox(bool f);
    void showHideMeasureBox(bool f);

Q_SIGNALS:
    // The language chosen in the Settings menu, for the next start.
    void languageChosen(bool japanese);

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

    void buildDetailedControls();
    // The windows over the pellet and the detector's window as rows of the filter table, each a
    // layer: composition, thickness, density; the windows' mu t beside d-mu t; the detector's
    // crystal as a list of the materials the program knows.
    void buildLayerControls();
    // The measurement's chambers, amplifier, point time and read-outs, in four columns, and the
    // button that puts the chambers' flux into I0.
    void buildMeasurementControls();
    void showDetailedState();
    void fitToSmallScreens();
    // Number fields as wide as a number, the check boxes of the plot beside its range, the
    // filter rows at the top of their box.
    void fitFieldsToContent();
    void buildPlotOptions();
    // The default split for this window height: the form whole where the plot keeps its share.
    void splitForHeight(int windowHeight);
    int splitterSpace();
    void buildSettingsMenu();
    void buildLanguageMenu(QMenu *settings);
    void chooseLanguage(bool japanese);
    // Puts up why a session did not open, without waiting.
    void showOpenFailure(const QString &message);
    void buildSessionActions();
    void buildMeasuredActions();
    void proposeChannelWidth();
    void showComparison();
    void buildPlotActions();
    // Back to the range as it was after the last typed range edit.
    void resetRange();
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Writes the whole plan into the form.
    void showPlan();
    void showAbsorption();

    QLineEdit *inputEdits[PlanModel::InputCount] = {};
    EnergyRange rangeAtPress;      // the plot range when the mouse button went down
    double keVPerPixelAtPress = 0; // and the scale it was drawn at
    bool excitationMarked = false; // Shift + move is setting the excitation energy
    QActionGroup *absorptionGroup = nullptr;
    QAction *absorptionActions[2] = {};
    QLabel *modelLabel = nullptr;      // permanent in the status bar
    QLabel *absorptionLabel = nullptr; // permanent in the status bar
    QLabel *outputLabels[PlanModel::OutputCount] = {};
    QWidget *optionWidgets[PlanModel::OptionCount] = {};
    QSplitter *formPlotSplitter = nullptr;
    bool splitRestored = false; // the user's split, not to be replaced by the default
};
