#pragma once

#include "Composition.h"
#include "CrossSectionTable.h"
#include "DetailedFluorescence.h"
#include "FieldTable.h"
#include "FluoLineTable.h"
#include "FluoPlan.h"
#include "FluoSimulation.h"
#include "IonChamber.h"
#include "MeasuredSpectrum.h"
#include "PhysicsCommon.h"
#include "RoiCounting.h"
#include "ScatterTable.h"
#include "SpectrumComparison.h"
#include "XrayDataBase.h"
#include "readTables.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <initializer_list>

class QJsonObject;

// Distance [keV] either side of the calculation point at which mu t is evaluated.
constexpr double EDGE_DELTA = 0.0001;

// Roles of the field style sheets. The colours are the view's business; which role a field has
// is part of the plan, since every recomputation says which fields it derived.
enum FieldStyleRole { StyleNormal = 0, StyleDerived = 1, StyleEdited = 2 };
// Output labels have no "edited" role; a read-out whose value spells trouble (a dead time above
// DEAD_TIME_ALARM) is marked instead.
enum OutputStyleRole { OutputNormal = 0, OutputDerived = 1, OutputAlarm = 2 };
// How many roles of each kind there are: a session's style values index the window's tables.
constexpr int FIELD_STYLE_ROLES = 3;
constexpr int OUTPUT_STYLE_ROLES = 3;

// The whole sample plan behind the window, without any widget: every field as the text the user
// typed, every choice, the compositions and every result. Each setter runs the recomputation
// that the matching edit of the form runs and reports, through the signals, what changed; the
// plot results (curve, read-outs, spectrum) are brought up to date at the end of every edit, so
// painting them needs no physics.
// The enums Input, Output, Option and Choice come from the field table (PlanFields).
class PlanModel : public QObject, public PlanFields
{
    Q_OBJECT

public:
    explicit PlanModel(QObject *parent = nullptr);

    static QString inputName(Input i);
    static QString outputName(Output o);
    static QString optionName(Option o);
    static QString choiceName(Choice c);
    // -1 when no field of that kind has the name.
    static int inputIndex(const QString &name);
    static int outputIndex(const QString &name);
    static int optionIndex(const QString &name);
    static int choiceIndex(const QString &name);

    // ---- edits ----
    // The user finished editing a field with this text.
    void setInput(Input field, const QString &text);
    // Chooses item index of a selector; an unchanged index does nothing, as with a combo box.
    void setChoice(Choice choice, int index);
    // Checks or unchecks an option. Of the exclusive pair "Peak"/"Integ." the chosen one is
    // unchecked only by checking the other: returns false (and changes nothing) when asked to.
    bool setOption(Option option, bool checked);
    // Absorption data: the tabulated cross sections with scattering (the default) or the
    // two-term table, for every mu the plan uses. A menu choice rather than a field.
    enum Absorption { TwoTermTable, TabulatedCrossSections };
    void setAbsorption(Absorption data);
    Absorption absorption() const { return absorptionData; }
    // "classic" and "tabulated", as batch mode and sessions name them; -1 for another name.
    static int absorptionIndex(const QString &name);
    static QString absorptionName(Absorption data);

    // ---- plot view state that belongs to the plan (kept in sessions) ----
    // mu t on a logarithmic axis.
    void setLogScale(bool on);
    bool logScale() const { return logMuT; }
    // The range as it was after the last typed range edit: what Home goes back to.
    QString typedStart() const { return lastTypedStart; }
    QString typedEnd() const { return lastTypedEnd; }

    // ---- sessions ----
    // Every field's text keyed by widget name, every choice and option, the absorption data, the
    // plot state and the internal values at full precision, so that a restored plan shows and
    // prints exactly what the saved one did.
    static constexpr int SESSION_VERSION = 1;
    // The most a session file may hold; a larger one is not read at all.
    static constexpr qint64 SESSION_MAX_BYTES = 1 << 20;
    // The longest text a field, read-out or range of a session may hold: what a line edit of the
    // form holds, so that no text the form can show is refused.
    static constexpr int SESSION_MAX_TEXT = 32767;
    QByteArray sessionJson() const;
    struct SessionLoad
    {
        bool ok = false;
        QString error;        // why nothing was loaded: the key (or line and column) and what
        QStringList ignored;  // the first few keys of the file this version does not know
        int ignoredCount = 0; // how many keys were ignored in all
        QStringList missing;  // keys this version expected and took defaults for
        QStringList notes;    // what was loaded otherwise than the file has it, and why
        // One line for the ignored keys ("ignored 3 unknown keys: a, b, c"), empty for none.
        QString ignoredSummary() const;
    };
    // Whatever the bytes, the plan either stays exactly as it was (error says why) or holds a
    // plan it could have reached by edits: every value is checked against its field's kind
    // first; the values behind the fields are kept only where they agree with the fields, the
    // pellet is recomputed from the fields otherwise.
    SessionLoad loadSessionJson(const QByteArray &json);
    // Written atomically; false with error set when the file cannot be written.
    bool saveSession(const QString &fileName, QString *error = nullptr) const;
    // Reads only a regular file of at most SESSION_MAX_BYTES (SafeRead).
    SessionLoad loadSession(const QString &fileName);

    // A plot range set by dragging or zooming: both ends at once.
    void setRange(const QString &start, const QString &end);
    // Says again what the status bar should say of the plan as it stands (a new window's
    // first word: a fresh plan has no target yet, and the user is told what to type).
    void restateStatus();

    // ---- what the form shows ----
    QString input(Input field) const { return inputs[field]; }
    int inputStyle(Input field) const { return inputStyles[field]; }
    QString output(Output label) const { return outputs[label]; }
    int outputStyle(Output label) const { return outputStyles[label]; }
    bool option(Option o) const { return options[o]; }
    QStringList choiceItems(Choice c) const { return c == SelectTE ? elementItems : edgeNames; }
    int choiceIndex(Choice c) const { return c == SelectTE ? elementIndex : edgeIndex; }
    // Puts the flux that passes the I0 chamber, as its current gives it, into I0 (an edit of
    // I0); false, with a status message, while that flux cannot be computed.
    bool useChamberFlux();
    // The region of interest the fluorescence noise was last counted in; not valid while that
    // noise is not computed (classic model, M edge, no signal, a flagged field).
    Roi fluorescenceRoi() const { return outputs[RoiSignal].isEmpty() ? Roi() : fluoRoi; }
    // Why read-outs of the measurement are empty, for the status bar and batch mode; empty when
    // none is for a reason worth telling.
    QString measureProblem() const;

    // ---- a measured spectrum beside the plan ----
    // Reads a spectrum file (.mca, .spe, text or CSV): MeasFile then names it (as an absolute
    // path), and the calibration and live time the file states fill their fields, which the
    // user may edit afterwards. A file that cannot be read changes nothing: false, with error
    // saying why. Typing a name into MeasFile does the same; an empty name closes the spectrum.
    bool loadMeasured(const QString &fileName, QString *error = nullptr);
    void closeMeasured();
    // True while a spectrum is loaded (MeasFile names a file that was read).
    bool measuredLoaded() const { return measuredRead; }
    // The loaded counts with the calibration and live time of the fields.
    const MeasuredSpectrum &measuredSpectrum() const { return measured; }
    // The overlay of the plot: per measured channel its energy [keV] and counts per second of
    // live time per MCA channel (MCAResolution wide), the simulated spectrum's "Integ." unit;
    // empty while nothing is to be drawn (no spectrum, a flagged field, the "Peak" display).
    const QVector<double> &overlayEnergies() const { return overlayE; }
    const QVector<double> &overlayValues() const { return overlayY; }
    // The comparison with the simulated lines as last computed; no groups while none is.
    const SpectrumComparisonResult &comparison() const { return compared; }
    // Why there is no overlay or comparison although MeasFile names a file; empty otherwise.
    QString measuredProblem() const { return measuredWhy; }
    // The simulated spectrum counted per detector channel in SimLiveTime (with Poisson noise
    // drawn from SimSeed when SimNoise is 1): on the measured spectrum's channels while one is
    // loaded, else MCAResolution wide from 0 keV to the range's end. False, with why, while the
    // spectrum cannot be computed.
    bool channelSpectrum(MeasuredSpectrum *out, QString *why) const;
    // The per-channel spectrum as CSV (channel,energy_keV,counts), text or Amptek .mca, by the
    // name's suffix; the comparison table as CSV. Whole files or nothing, error saying why.
    bool saveChannels(const QString &fileName, QString *error = nullptr) const;
    bool saveComparison(const QString &fileName, QString *error = nullptr) const;

    // The text a widget of that name shows ("1"/"0" for options); false when no such field.
    bool printValue(const QString &name, QString *value) const;

    // What is wrong with a field's text by its rule (named by the field's caption in the
    // interface language), empty when the text is sound. Every numeric field has a rule; a
    // composition is flagged when the parser dropped part of it.
    QString fieldProblem(Input field) const { return problems[field]; }
    // The fields that are flagged now, in form order.
    QList<Input> flaggedFields() const;
    // The caption by which messages name a field, in the interface language.
    static QString fieldCaption(Input field);

    // True while the plot has something to show: a valid target and a non-empty range.
    bool plotShown() const { return curveShown; }

    // Fills the mu t curve over the range; false when the range is empty.
    bool calcMuTCurve();
    // mu t of the pellet at E [keV].
    double pelletMuT(double E) const;
    // mu t of the windows over the pellet at E [keV]: their total attenuation with the pellet's
    // absorption data.
    double windowsMuTAt(double E) const;
    // The numbers the simulation reads, taken from the plan as it stands.
    SpectrumInput spectrumInput() const;

    // The export table: energy, mu t and intensity per grid point, 10 significant digits;
    // tab-separated, or with a header row and commas for a name ending in ".csv". An existing
    // file is replaced only once the complete table has been written; on failure error says why.
    bool saveSpectrum(const QString &fileName, QString *error = nullptr);
    // The line table of the last simulation (lines inside the plotted range), all or nothing.
    bool saveLines(const QString &fileName, QString *error = nullptr);

    // ---- the plan, by the names the program has always used ----
    XrayDataBase xrayDb;
    CrossSectionTable crossSections; // Elam's tabulated cross sections, for the tabulated choice
    FluoLineTable fluoLines;         // every line by subshell, yields and Coster-Kronig rates
    ScatterTable scatterFactors;     // form factors and incoherent scattering functions
    QStringList edgeNames;           // "K" ... "MI", the items of SelectAE
    QStringList lineNames;           // "Ka2" ... "Lb2", indexed like AtomData::line
    double yieldK[YIELD_ARRAY_SIZE] = {};
    double yieldL[YIELD_ARRAY_SIZE] = {};
    Composition tgtComp;
    Composition bndComp;
    Composition airComp;
    Composition f1Comp;
    Composition f2Comp;
    Composition frontWindowComp; // the windows over the pellet's faces
    Composition backWindowComp;
    Composition detWindowComp; // the detector's window
    double bndPerTgt = 0;
    double tgtMolPerArea = 0;
    double bndMolPerArea = 0; // what a blank pellet (no target) holds
    double mutMin = 0;
    double mutMax = 0;
    double mutCurve[MUT_POINTS] = {};
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
    double pelletMuTAbove = 0; // mu(+)t of the pellet alone, without the windows
    // The spectrum half of the plan, and its results by the names the program has used.
    FluoPlan fluoPlan;
    double (&fluoSpectrum)[MUT_POINTS] = fluoPlan.fluoSpectrum;
    SpectrumResult &spectrum = fluoPlan.result;

Q_SIGNALS:
    void inputChanged(PlanModel::Input field);
    void inputStyleChanged(PlanModel::Input field);
    // A field became flagged, or sound again.
    void fieldValidityChanged(PlanModel::Input field);
    void outputChanged(PlanModel::Output label);
    void outputStyleChanged(PlanModel::Output label);
    void choiceChanged(PlanModel::Choice choice); // items or current index
    void optionChanged(PlanModel::Option option);
    void absorptionChanged();
    // Everything may have changed (a session was loaded): show the whole plan again.
    void planReset();
    // The curve, the spectrum or the markers changed: the plot needs painting.
    void plotChanged();
    // A message for the status bar (timeout in ms, 0 for none); empty text clears it.
    void statusMessage(const QString &text, int timeout);

private:
    void setText(Input field, const QString &text);
    void setStyle(Input field, int role);
    void setOutputText(Output label, const QString &text);
    void setOutputRole(Output label, int role);
    // Writes a computed read-out; a value that is not finite leaves it empty and is noted, so
    // that the status bar can say why.
    void setOutputNumber(Output label, double v, char format, int precision,
                         const QString &suffix = QString());
    // True when a numeric field's text breaks its rule or bounds now: nothing is computed from
    // it. A composition is never flagged here (what the parser drops is reported, not refused).
    bool flagged(Input field) const;
    bool anyFlagged(std::initializer_list<Input> fields) const;
    // The read-outs computed from a flagged field, as READS_... bits.
    unsigned readoutsOfFlagged() const;
    // Empties every read-out computed from a flagged field: the last step of a recomputation.
    void clearReadoutsOfFlagged();
    // The mu t read-outs at the calculation point.
    void updateCalcPointReadouts();
    double number(Input field) const { return inputs[field].toDouble(); }
    void resetFieldStyles();

    // Evaluates a composition field, noting what the parser passed over.
    QString evaluate(Input field, Composition &comp);
    // Every composition the plan evaluates, and the layer composition (filters, windows) a field
    // holds the text of, or nullptr.
    QVector<Composition *> compositions();
    Composition *layerComposition(Input field);
    // The windows over the pellet as layers.
    Layer frontWindow() const;
    Layer backWindow() const;
    // The detector's crystal as the field names it; silicon while the field names none.
    const DetectorMaterial &crystal() const;
    // True when target and binder can be computed with: a target, and a binder that is either
    // read or left empty.
    bool pelletUsable() const;
    // The recomputation of each edit.
    void inTgtCmp();
    void inBndCmp();
    void inTgtWeight();
    void inBndWeight();
    void inCylDiam();
    void inTgtBndMolR();
    void inTgtBndWtR();
    void inTgtDens();
    void inBndDens();
    void inCylThick();
    void inCalcPointE();
    void inDMuT();
    void inMuT();
    void selTarget();
    void recalcFromThickness();
    void recalcFromWeights();
    void molRatioToWtRatio();
    void wtRatioToMolRatio();
    void updateFxafsCheck();
    // Brings curve, read-outs and spectrum up to date, as a repaint of the plot used to.
    void refreshPlot();
    // Everything an edit ends with: the field checks, the plot results and what the status bar
    // should say about the edited field.
    void finishEdit(int editedField);
    void updateChecks();
    QString ruleProblem(Input field) const;
    // "" when the calculation point lies on an edge of the chosen element, else why not.
    QString calcPointProblem() const;
    // "" unless no line of the target is excited, else which edge E0 must pass.
    QString unexcitedProblem() const;
    // "" unless the dead time is above DEAD_TIME_ALARM, else the distance that would bring it to
    // DEAD_TIME_ADVISED.
    QString deadTimeProblem() const;
    // The count rate and dead time read-outs of the detailed model.
    void updateDetectorReadouts();
    bool verdictDependsOnFlagged() const;
    // The ion chambers' read-outs and the noise of a transmission point.
    void updateMeasureReadouts();
    // The noise of a fluorescence point counted in the region of interest (detailed model).
    void updateFluoNoiseReadouts();
    // The overlay, the comparison and MeasScale from the measured spectrum and the last
    // simulation.
    void updateMeasured();
    // A typed MeasFile: loads, closes, or refuses and puts the last name back.
    void inMeasFile(const QString &text);
    // The simulated records and the detector's width the per-channel counts are made from:
    // every line of the detailed model, the lines in the plotted range of the classic one.
    const QVector<LinePeak> &channelRecords() const;
    WidthFunction channelWidth() const;
    // Reads MeasFile again for a session; a note says so when it cannot be read.
    void reloadMeasuredForSession(QStringList &notes);
    // Empties the read-outs of mask, answered or not.
    void clearReadouts(unsigned mask);
    // The chamber current from amplifier output and sensitivity, when either was edited.
    void inAmplifier();

    // The plan as construction leaves it, which a session falls back on for what it lacks:
    // the field table's texts and what the start-up recomputation derives from them.
    struct StartState
    {
        QString inputs[InputCount];
        int inputStyles[InputCount] = {};
        QString outputs[OutputCount];
        int outputStyles[OutputCount] = {};
        bool options[OptionCount] = {};
        QVector<double> internals; // in the order sessions store them
    };
    void captureStartState();
    StartState start;

    // A session's values once every one has been checked, before any reaches the plan.
    struct SessionValues;
    // Checks every value of a session's root object against its kind; false with result.error
    // set at the first one that cannot be used.
    bool readSession(const QJsonObject &root, SessionValues &values, SessionLoad &result);
    // Puts checked values in place: nothing here can fail.
    void applySession(const SessionValues &values, SessionLoad &result);
    // The session key of the first value behind the pellet that disagrees with the others, the
    // compositions or the pellet read-outs; empty when they all agree.
    QString pelletDisagreement() const;

    QString inputs[InputCount];
    int inputStyles[InputCount] = {};
    QString problems[InputCount];
    QString shownStatus;   // the last message of the checks, so that a mend can clear it
    QString pendingStatus; // what a solver has to say about the edit under way
    QString measureWhy;    // why the measurement's read-outs are empty, if they are
    QString fluoNoiseWhy;  // why the fluorescence noise is, if it is
    Roi fluoRoi;
    // The measured spectrum as read (counts), its calibration and live time kept equal to the
    // fields'; what is drawn and compared from it.
    MeasuredSpectrum measured;
    bool measuredRead = false;
    QString measuredWhy;
    QVector<double> overlayE;
    QVector<double> overlayY;
    SpectrumComparisonResult compared;
    // The chambers' gases as last read, and the texts they were read from (I0, It).
    bool gasRead[2] = {};
    QString gasTexts[2];
    GasMixture gases[2];
    bool gasSound[2] = {};
    QString compositionProblems[InputCount]; // what the parser dropped, by composition field
    QString outputs[OutputCount];
    int outputStyles[OutputCount] = {};
    bool options[OptionCount] = {};
    QStringList elementItems;
    int elementIndex = -1;
    int edgeIndex = 0;
    bool curveShown = false;
    // Read-outs whose last computed value was not finite and are empty for it (READS_... bits).
    unsigned unanswered = 0;
    Absorption absorptionData = TabulatedCrossSections;
    bool logMuT = false;
    QString lastTypedStart;
    QString lastTypedEnd;
};
