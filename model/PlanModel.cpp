#include "PlanModel.h"

#include "MuT.h"
#include "Pellet.h"

#include <QCoreApplication>
#include <QSaveFile>
#include <QTextStream>

#include <cmath>

namespace {

// The texts the form starts with; the window's form carries the same ones.
const char *const INPUT_NAMES[PlanModel::InputCount][2] = {
    {"SetTgtCmp", ""},
    {"SetBndCmp", "BN"},
    {"SetTgtWeight", "10"},
    {"SetBndWeight", "0"},
    {"SetCylDiam", "7"},
    {"SetTgtBndMolR", "100"},
    {"SetTgtBndWtR", "100"},
    {"SetTgtDens", "1"},
    {"SetBndDens", "2.34"},
    {"SetThick", "1"},
    {"SetCalcPointE", ""},
    {"SetDMuT", "1"},
    {"SetMuT", "2.5"},
    {"StartE0", "5"},
    {"EndE0", "20"},
    {"Filter1Composition", "Al"},
    {"Filter2Composition", ""},
    {"Filter1Thickness", "0"},
    {"Filter2Thickness", ""},
    {"Filter1Density", "2.7"},
    {"Filter2Density", ""},
    {"I0Flux", "1e10"},
    {"ExtEnergy", "10"},
    {"Distance", "20"},
    {"AirThickness", "150"},
    {"DetRadius", "0.5"},
    {"DetResolution", "0.3"},
    {"MCAResolution", "0.01"},
    {"IncidenceAngle", "45"},
    {"ExitAngle", "45"},
    {"DetSiThickness", "0.45"},
    {"DetBeWindow", "25"},
    {"DetDeadTime", "0.3"},
};

const char *const OUTPUT_NAMES[PlanModel::OutputCount][2] = {
    {"ExtendedTgtMolecularForm", ""},
    {"ExtendedBndMolecularForm", ""},
    {"CylWeight", "10"},
    {"CylVol", ""},
    {"dMut", "1"},
    {"MuPt", "2.5"},
    {"TransM", ""},
    {"label_15", ""},
    {"label_20", ""},
    {"label_21", "Case:"},
    {"AddInfo", ""},
    {"CountRate", ""},
    {"DeadTime", ""},
};

struct OptionDefault
{
    const char *name;
    bool checked;
};
const OptionDefault OPTIONS[PlanModel::OptionCount] = {
    {"IntensityPeak", false}, {"IntensityInt", true},  {"AddInfoRatioF", true},
    {"MutBox", true},         {"FluoBox", true},       {"DetailedFluo", false},
    {"SecondaryFluo", true},  {"BeamPolarised", true},
};

const char *const CHOICE_NAMES[PlanModel::ChoiceCount] = {"SelectTE", "SelectAE"};

// What a field's text must be. Text that does not read as a finite number fails every rule.
enum class Rule {
    Composition, // anything; flagged only for what the parser drops
    Positive,    // > 0
    NonNegative, // >= 0
    Share,       // 0 to 100 (0 is a blank: binder alone)
    RangeStart,  // >= 0
    RangeEnd,    // above the range start
    Angle,       // in (0, 90] degrees
};

struct FieldRule
{
    Rule rule;
    const char *caption; // the field's label in the form, translated in the window's context
};

// One rule per field, in the order of PlanModel::Input. The README lists the same table.
const FieldRule FIELD_RULES[PlanModel::InputCount] = {
    {Rule::Composition, QT_TRANSLATE_NOOP("MainWindow", "Target")},
    {Rule::Composition, QT_TRANSLATE_NOOP("MainWindow", "Binder")},
    {Rule::NonNegative, QT_TRANSLATE_NOOP("MainWindow", "Target [mg]")},
    {Rule::NonNegative, QT_TRANSLATE_NOOP("MainWindow", "Binder [mg]")},
    {Rule::Positive, QT_TRANSLATE_NOOP("MainWindow", "Dia. [mm]")},
    {Rule::Share, QT_TRANSLATE_NOOP("MainWindow", "Target Ratio [Mol%]")},
    {Rule::Share, QT_TRANSLATE_NOOP("MainWindow", "Target Ratio [Wt%]")},
    {Rule::Positive, QT_TRANSLATE_NOOP("MainWindow", "Target density [g/cm3]")},
    {Rule::Positive, QT_TRANSLATE_NOOP("MainWindow", "Binder density [g/cm3]")},
    {Rule::Positive, QT_TRANSLATE_NOOP("MainWindow", "Thickness [mm]")},
    {Rule::Positive, QT_TRANSLATE_NOOP("MainWindow", "Calc. Point [keV]")},
    {Rule::Positive, QT_TRANSLATE_NOOP("MainWindow", "Wanted d-mu t")},
    {Rule::Positive, QT_TRANSLATE_NOOP("MainWindow", "Wanted mu(+)t")},
    {Rule::RangeStart, QT_TRANSLATE_NOOP("MainWindow", "Es [keV]")},
    {Rule::RangeEnd, QT_TRANSLATE_NOOP("MainWindow", "Ee [keV]")},
    {Rule::Composition, QT_TRANSLATE_NOOP("MainWindow", "Filter 1 composition")},
    {Rule::Composition, QT_TRANSLATE_NOOP("MainWindow", "Filter 2 composition")},
    {Rule::NonNegative, QT_TRANSLATE_NOOP("MainWindow", "Filter 1 thickness [mm]")},
    {Rule::NonNegative, QT_TRANSLATE_NOOP("MainWindow", "Filter 2 thickness [mm]")},
    {Rule::Positive, QT_TRANSLATE_NOOP("MainWindow", "Filter 1 density [g/cm3]")},
    {Rule::Positive, QT_TRANSLATE_NOOP("MainWindow", "Filter 2 density [g/cm3]")},
    {Rule::NonNegative, QT_TRANSLATE_NOOP("MainWindow", "I0[photons/sec]")},
    {Rule::Positive, QT_TRANSLATE_NOOP("MainWindow", "Ext.Eng.[keV]")},
    {Rule::Positive, QT_TRANSLATE_NOOP("MainWindow", "Distance[cm]")},
    {Rule::NonNegative, QT_TRANSLATE_NOOP("MainWindow", "Air thickness [mm]")},
    {Rule::Positive, QT_TRANSLATE_NOOP("MainWindow", "Det. Rad.[cm]")},
    {Rule::Positive, QT_TRANSLATE_NOOP("MainWindow", "Det. Res.(FWHM)[keV]")},
    {Rule::Positive, QT_TRANSLATE_NOOP("MainWindow", "MCA Ch[keV]")},
    {Rule::Angle, QT_TRANSLATE_NOOP("MainWindow", "Incidence [deg]")},
    {Rule::Angle, QT_TRANSLATE_NOOP("MainWindow", "Exit [deg]")},
    {Rule::Positive, QT_TRANSLATE_NOOP("MainWindow", "Si thickness [mm]")},
    {Rule::NonNegative, QT_TRANSLATE_NOOP("MainWindow", "Be window [\u00b5m]")},
    {Rule::NonNegative, QT_TRANSLATE_NOOP("MainWindow", "Dead time [\u00b5s]")},
};

// The fields whose trouble makes an F-XAFS verdict meaningless.
bool feedsVerdict(PlanModel::Input field)
{
    return field <= PlanModel::SetCalcPointE;
}

// The calculation point counts as on an edge within this distance [keV]: the jump is seen only
// between calcPointE - EDGE_DELTA and calcPointE + EDGE_DELTA.
constexpr double ON_EDGE = EDGE_DELTA;

// The pellet fields whose marking an edit resets; the spectrum fields keep theirs.
const PlanModel::Input PELLET_FIELDS[] = {
    PlanModel::SetTgtCmp,    PlanModel::SetBndCmp,     PlanModel::SetTgtWeight,
    PlanModel::SetBndWeight, PlanModel::SetCylDiam,    PlanModel::SetTgtBndMolR,
    PlanModel::SetTgtBndWtR, PlanModel::SetTgtDens,    PlanModel::SetBndDens,
    PlanModel::SetThick,     PlanModel::SetCalcPointE, PlanModel::SetDMuT,
    PlanModel::SetMuT};
const PlanModel::Output PELLET_OUTPUTS[] = {PlanModel::dMut, PlanModel::MuPt, PlanModel::TransM,
                                            PlanModel::CylVol, PlanModel::CylWeight};

// Every number the pellet and mu t calculators write into the form.
QString fieldNumber(double v)
{
    return QString::number(v, 'f', 3);
}

// The window's translation context: these texts share its catalogue.
QString trMain(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

template <std::size_t N, typename Table> int indexOf(const Table (&table)[N], const QString &name)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (name == QLatin1String(table[i][0]))
            return int(i);
    }
    return -1;
}

} // namespace

PlanModel::PlanModel(QObject *parent) : QObject(parent)
{
    // The element table comes first: every composition points into it, and without it the
    // program cannot do anything useful, so a missing table ends the process here.
    loadXrayDataBase(xrayDb, QStringLiteral(":XrayDataBase1.txt"));
    readYield(yieldK, YIELD_SLOTS, QStringLiteral(":FYields/y-K.txt"));
    readYield(yieldL, YIELD_SLOTS, QStringLiteral(":FYields/y-L.txt"));
    edgeNames = ::edgeNames();
    lineNames = ::lineNames();
    // The tabulated data are only read for the tabulated choice; a missing table leaves that
    // choice with nothing to compute from, which setAbsorption refuses.
    crossSections.load(QStringLiteral(":CrossSections.txt"));
    fluoLines.load(QStringLiteral(":FluoLines.txt"));
    scatterFactors.load(QStringLiteral(":ScatterFactors.txt"));
    airComp = ::airComposition(xrayDb);
    f1Comp.entries = {CompEntry{QStringLiteral("Al"), &xrayDb[QStringLiteral("Al")], 1.0}};
    f1Comp.valid = true;

    for (int i = 0; i < InputCount; ++i)
        inputs[i] = QString::fromLatin1(INPUT_NAMES[i][1]);
    for (int i = 0; i < OutputCount; ++i)
        outputs[i] = QString::fromLatin1(OUTPUT_NAMES[i][1]);
    outputs[label_21] = trMain(OUTPUT_NAMES[label_21][1]);
    for (int i = 0; i < OptionCount; ++i)
        options[i] = OPTIONS[i].checked;

    tgtWeight = mgToG(number(SetTgtWeight));
    bndWeight = mgToG(number(SetBndWeight));
    cylDiam = mmToCm(number(SetCylDiam));
    molRatio = number(SetTgtBndMolR);
    wtRatio = number(SetTgtBndWtR);
    tgtDens = number(SetTgtDens);
    bndDens = number(SetBndDens);
    thickness = mmToCm(number(SetThick));
    calcPointE = number(SetCalcPointE);
    wantedDMuT = number(SetDMuT);
    wantedMuT = number(SetMuT);
    curDMuT = outputs[dMut].toDouble();
    curMuT = outputs[MuPt].toDouble();

    inBndCmp();
    evaluate(Filter1Composition, f1Comp);
    evaluate(Filter2Composition, f2Comp);
    lastTypedStart = inputs[StartE0];
    lastTypedEnd = inputs[EndE0];
    updateChecks();
    refreshPlot();
}

QString PlanModel::inputName(Input i)
{
    return QString::fromLatin1(INPUT_NAMES[i][0]);
}
QString PlanModel::outputName(Output o)
{
    return QString::fromLatin1(OUTPUT_NAMES[o][0]);
}
QString PlanModel::optionName(Option o)
{
    return QString::fromLatin1(OPTIONS[o].name);
}
QString PlanModel::choiceName(Choice c)
{
    return QString::fromLatin1(CHOICE_NAMES[c]);
}

int PlanModel::inputIndex(const QString &name)
{
    return indexOf(INPUT_NAMES, name);
}
int PlanModel::outputIndex(const QString &name)
{
    return indexOf(OUTPUT_NAMES, name);
}

int PlanModel::optionIndex(const QString &name)
{
    for (int i = 0; i < OptionCount; ++i) {
        if (name == QLatin1String(OPTIONS[i].name))
            return i;
    }
    return -1;
}

int PlanModel::choiceIndex(const QString &name)
{
    for (int i = 0; i < ChoiceCount; ++i) {
        if (name == QLatin1String(CHOICE_NAMES[i]))
            return i;
    }
    return -1;
}

bool PlanModel::printValue(const QString &name, QString *value) const
{
    if (const int i = inputIndex(name); i >= 0)
        *value = inputs[i];
    else if (const int o = outputIndex(name); o >= 0)
        *value = outputs[o];
    else if (const int c = choiceIndex(name); c >= 0)
        *value = choiceItems(Choice(c)).value(choiceIndex(Choice(c)));
    else if (const int p = optionIndex(name); p >= 0)
        *value = options[p] ? QStringLiteral("1") : QStringLiteral("0");
    else
        return false;
    return true;
}

// ---- edits ----

void PlanModel::setInput(Input field, const QString &text)
{
    setText(field, text);
    // The detailed lines depend on everything but the view and the dead time.
    if (field != StartE0 && field != EndE0 && field != DetResolution && field != MCAResolution &&
        field != DetDeadTime)
        detailedDirty = true;
    switch (field) {
    case SetTgtCmp:
        inTgtCmp();
        break;
    case SetBndCmp:
        inBndCmp();
        break;
    case SetTgtWeight:
        inTgtWeight();
        break;
    case SetBndWeight:
        inBndWeight();
        break;
    case SetCylDiam:
        inCylDiam();
        break;
    case SetTgtBndMolR:
        inTgtBndMolR();
        break;
    case SetTgtBndWtR:
        inTgtBndWtR();
        break;
    case SetTgtDens:
        inTgtDens();
        break;
    case SetBndDens:
        inBndDens();
        break;
    case SetThick:
        inCylThick();
        break;
    case SetCalcPointE:
        inCalcPointE();
        break;
    case SetDMuT:
        inDMuT();
        break;
    case SetMuT:
        inMuT();
        break;
    case Filter1Composition:
        evaluate(Filter1Composition, f1Comp);
        break;
    case Filter2Composition:
        evaluate(Filter2Composition, f2Comp);
        break;
    case StartE0:
    case EndE0:
        lastTypedStart = inputs[StartE0];
        lastTypedEnd = inputs[EndE0];
        break;
    default:
        // Spectrum fields: only the plot depends on them.
        break;
    }
    finishEdit(field);
}

void PlanModel::setChoice(Choice choice, int index)
{
    int &current = choice == SelectTE ? elementIndex : edgeIndex;
    const int count = choiceItems(choice).size();
    if (index == current || index < -1 || index >= count)
        return;
    current = index;
    Q_EMIT choiceChanged(choice);
    selTarget();
    finishEdit(-1);
}

bool PlanModel::setOption(Option option, bool checked)
{
    const bool exclusive = option == IntensityPeak || option == IntensityInt;
    if (options[option] == checked)
        return true;
    if (exclusive && !checked)
        return false; // a radio button of a pair is unchecked by choosing the other
    options[option] = checked;
    Q_EMIT optionChanged(option);
    if (exclusive) {
        const Option other = option == IntensityPeak ? IntensityInt : IntensityPeak;
        options[other] = false;
        Q_EMIT optionChanged(other);
    }
    if (option == DetailedFluo || option == SecondaryFluo || option == BeamPolarised)
        detailedDirty = true;
    // The display options and the fluorescence model change the spectrum and the information
    // text at once.
    if (option != MutBox && option != FluoBox)
        finishEdit(-2);
    return true;
}

int PlanModel::absorptionIndex(const QString &name)
{
    if (name == QLatin1String("classic"))
        return TwoTermTable;
    if (name == QLatin1String("tabulated"))
        return TabulatedCrossSections;
    return -1;
}

QString PlanModel::absorptionName(Absorption data)
{
    return data == TabulatedCrossSections ? QStringLiteral("tabulated") : QStringLiteral("classic");
}

void PlanModel::setAbsorption(Absorption data)
{
    if (data == absorptionData)
        return;
    if (data == TabulatedCrossSections && crossSections.size() == 0)
        return;
    absorptionData = data;
    const CrossSectionTable *table = data == TabulatedCrossSections ? &crossSections : nullptr;
    for (Composition *comp : {&tgtComp, &bndComp, &airComp, &f1Comp, &f2Comp})
        comp->tabulated = table;
    Q_EMIT absorptionChanged();
    finishEdit(-2);
}

void PlanModel::setLogScale(bool on)
{
    if (on == logMuT)
        return;
    logMuT = on;
    Q_EMIT plotChanged();
}

void PlanModel::setRange(const QString &start, const QString &end)
{
    setText(StartE0, start);
    setText(EndE0, end);
    finishEdit(EndE0);
}

// Every write is announced, even of an unchanged text: whatever the field shows after an edit
// is what the plan computed from.
void PlanModel::setText(Input field, const QString &text)
{
    inputs[field] = text;
    Q_EMIT inputChanged(field);
}

void PlanModel::setStyle(Input field, int role)
{
    if (inputStyles[field] == role)
        return;
    inputStyles[field] = role;
    Q_EMIT inputStyleChanged(field);
}

void PlanModel::setOutputText(Output label, const QString &text)
{
    if (outputs[label] == text)
        return;
    outputs[label] = text;
    Q_EMIT outputChanged(label);
}

void PlanModel::setOutputRole(Output label, int role)
{
    if (outputStyles[label] == role)
        return;
    outputStyles[label] = role;
    Q_EMIT outputStyleChanged(label);
}

void PlanModel::resetFieldStyles()
{
    for (Input field : PELLET_FIELDS)
        setStyle(field, StyleNormal);
    for (Output label : PELLET_OUTPUTS)
        setOutputRole(label, OutputNormal);
}

// ---- compositions ----

QString PlanModel::evaluate(Input field, Composition &comp)
{
    ParseNotes notes;
    const QString expanded = evalComposition(inputs[field], comp, xrayDb, &notes);
    // What the parser passed over is named, so that "Xq2O3" is not silently read as "O3".
    QStringList dropped;
    if (!notes.unknownSymbols.isEmpty()) {
        dropped << trMain("unknown element symbol ignored: %1")
                       .arg(notes.unknownSymbols.mid(0, 8).join(QStringLiteral(", ")));
    }
    if (!notes.skippedCharacters.isEmpty()) {
        QStringList shown;
        for (const QChar ch : notes.skippedCharacters.left(12)) {
            shown << (ch.isPrint()
                          ? QString(ch)
                          : QStringLiteral("U+%1").arg(ch.unicode(), 4, 16, QLatin1Char('0')));
        }
        dropped << trMain("characters ignored: %1").arg(shown.join(QLatin1Char(' ')));
    }
    compositionProblems[field] = dropped.isEmpty() ? QString()
                                                   : fieldCaption(field) + QStringLiteral(": ") +
                                                         dropped.join(QStringLiteral("; "));
    return expanded;
}

void PlanModel::inTgtCmp()
{
    resetFieldStyles();
    setStyle(SetTgtCmp, StyleEdited);
    const QString expanded = evaluate(SetTgtCmp, tgtComp);
    // Leaving the field without a real change must not disturb the element choice or the
    // pellet values the user has arrived at.
    if (expanded == outputs[ExtendedTgtMolecularForm])
        return;
    setOutputText(ExtendedTgtMolecularForm, expanded);
    // Emptying the element list leaves no element chosen, and the first element of the new
    // list becomes the choice: each step moves the calculation point as a choice does.
    if (!elementItems.isEmpty()) {
        elementItems.clear();
        elementIndex = -1;
        Q_EMIT choiceChanged(SelectTE);
        selTarget();
    }
    for (const CompEntry &e : qAsConst(tgtComp.entries))
        elementItems.append(e.symbol);
    if (!elementItems.isEmpty()) {
        elementIndex = 0;
        Q_EMIT choiceChanged(SelectTE);
        selTarget();
    }
    molRatioToWtRatio();
    recalcFromThickness();
}

void PlanModel::inBndCmp()
{
    resetFieldStyles();
    setStyle(SetBndCmp, StyleEdited);
    setOutputText(ExtendedBndMolecularForm, evaluate(SetBndCmp, bndComp));
    molRatioToWtRatio();
    recalcFromThickness();
}

// ---- pellet: weights, shares and thickness ----

void PlanModel::molRatioToWtRatio()
{
    if (!tgtComp.valid || !bndComp.valid)
        return;
    molRatio = number(SetTgtBndMolR);
    wtRatio = wtRatioFromMolRatio(molRatio, tgtComp.molecularWeight(), bndComp.molecularWeight());
    setText(SetTgtBndWtR, fieldNumber(wtRatio));
    setStyle(SetTgtBndWtR, StyleDerived);
}

void PlanModel::wtRatioToMolRatio()
{
    if (!tgtComp.valid || !bndComp.valid)
        return;
    wtRatio = number(SetTgtBndWtR);
    molRatio = molRatioFromWtRatio(wtRatio, tgtComp.molecularWeight(), bndComp.molecularWeight());
    setText(SetTgtBndMolR, fieldNumber(molRatio));
    setStyle(SetTgtBndMolR, StyleDerived);
}

void PlanModel::recalcFromThickness()
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
    bndMolPerArea = r.bndMolPerArea;
    tgtWeight = r.tgtWeight;
    bndWeight = r.bndWeight;

    setText(SetTgtWeight, fieldNumber(gToMg(tgtWeight)));
    setStyle(SetTgtWeight, StyleDerived);
    setText(SetBndWeight, fieldNumber(gToMg(bndWeight)));
    setStyle(SetBndWeight, StyleDerived);
    setOutputText(CylWeight, fieldNumber(gToMg(r.totalWeight)));
    setOutputRole(CylWeight, OutputDerived);
    setOutputText(CylVol, fieldNumber(cm3ToMm3(r.volume)));
    setOutputRole(CylVol, OutputDerived);
}

void PlanModel::recalcFromWeights()
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
    bndMolPerArea = r.bndMolPerArea;
    molRatio = r.molRatio;
    wtRatio = r.wtRatio;
    thickness = r.thickness;

    setOutputText(CylWeight, fieldNumber(gToMg(r.totalWeight))); // its style stays as reset
    setText(SetTgtBndMolR, fieldNumber(molRatio));
    setStyle(SetTgtBndMolR, StyleDerived);
    setText(SetTgtBndWtR, fieldNumber(wtRatio));
    setStyle(SetTgtBndWtR, StyleDerived);
    setText(SetThick, fieldNumber(cmToMm(thickness)));
    setStyle(SetThick, StyleDerived);
    setOutputText(CylVol, fieldNumber(cm3ToMm3(r.volume)));
    setOutputRole(CylVol, OutputDerived);
}

void PlanModel::inTgtWeight()
{
    resetFieldStyles();
    setStyle(SetTgtWeight, StyleEdited);
    tgtWeight = mgToG(number(SetTgtWeight));
    recalcFromWeights();
}

void PlanModel::inBndWeight()
{
    resetFieldStyles();
    setStyle(SetBndWeight, StyleEdited);
    bndWeight = mgToG(number(SetBndWeight));
    recalcFromWeights();
}

void PlanModel::inCylDiam()
{
    resetFieldStyles();
    setStyle(SetCylDiam, StyleEdited);
    cylDiam = mmToCm(number(SetCylDiam));
    recalcFromWeights();
}

// The shares only mean something between two compositions; without both the edit is ignored
// altogether and the field keeps what the user typed.
void PlanModel::inTgtBndMolR()
{
    if (!tgtComp.valid || !bndComp.valid)
        return;
    resetFieldStyles();
    setStyle(SetTgtBndMolR, StyleEdited);
    molRatioToWtRatio();
    recalcFromThickness();
}

void PlanModel::inTgtBndWtR()
{
    if (!tgtComp.valid || !bndComp.valid)
        return;
    resetFieldStyles();
    setStyle(SetTgtBndWtR, StyleEdited);
    wtRatioToMolRatio();
    recalcFromThickness();
}

void PlanModel::inTgtDens()
{
    resetFieldStyles();
    setStyle(SetTgtDens, StyleEdited);
    tgtDens = number(SetTgtDens);
    recalcFromThickness();
}

void PlanModel::inBndDens()
{
    resetFieldStyles();
    setStyle(SetBndDens, StyleEdited);
    bndDens = number(SetBndDens);
    recalcFromThickness();
}

void PlanModel::inCylThick()
{
    resetFieldStyles();
    setStyle(SetThick, StyleEdited);
    thickness = mmToCm(number(SetThick));
    recalcFromThickness();
}

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
    calcPointE = number(SetCalcPointE);
}

void PlanModel::inDMuT()
{
    resetFieldStyles();
    setStyle(SetDMuT, StyleEdited);
    wantedDMuT = number(SetDMuT);
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
    wantedMuT = number(SetMuT);
    const BinderForMuT r = binderForMuT(tgtComp, bndComp, tgtMolPerArea, tgtWeight, wantedMuT,
                                        calcPointE + EDGE_DELTA);
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
    return ::pelletMuT(tgtComp, bndComp, tgtMolPerArea, bndPerTgt, bndMolPerArea, E);
}

bool PlanModel::calcMuTCurve()
{
    const MuTRange range = muTRange(number(StartE0), number(EndE0));
    if (range.empty())
        return false;
    const auto mut = [this](double E) { return pelletMuT(E); };
    const MuTCurveExtent extent = fillMuTCurve(range, MUT_POINTS, mut, mutCurveE, mutCurve);
    mutMin = extent.min;
    mutMax = extent.max;

    const CalcPointMuT c = muTAtCalcPoint(mut, calcPointE, EDGE_DELTA);
    setOutputText(dMut, fieldNumber(c.dMuT));
    setOutputRole(dMut, OutputDerived);
    setOutputText(MuPt, fieldNumber(c.above));
    setOutputRole(MuPt, OutputDerived);
    curDMuT = c.dMuT;
    curMuT = c.above;
    setOutputText(TransM, fieldNumber(c.transmission));
    return true;
}

void PlanModel::updateFxafsCheck()
{
    const FxafsCheck c = checkFxafs(curMuT, curDMuT);
    const QString muT = QString::number(c.muT, 'f', 3);
    const QString ratio = QString::number(c.ratioPercent, 'f', 1) + QStringLiteral(" %");
    // A verdict on a blank, on a point without an edge jump, or on a pellet one of whose fields
    // makes no sense, would mislead.
    if (verdictDependsOnFlagged() || isBlankPellet(tgtMolPerArea, bndPerTgt) || !(curDMuT > 0)) {
        setOutputText(label_15, muT);
        setOutputText(label_20, ratio);
        setOutputText(label_21, trMain("Case:"));
        return;
    }
    setOutputText(label_15,
                  muT + QStringLiteral("  ") + (c.thin ? trMain("OK") : trMain("not OK")));
    setOutputText(label_20,
                  ratio + QStringLiteral("  ") + (c.thickDilute ? trMain("OK") : trMain("not OK")));
    setOutputText(label_21, c.thin          ? trMain("Case: thin")
                            : c.thickDilute ? trMain("Case: thick and dilute")
                                            : trMain("Case: neither"));
}

bool PlanModel::verdictDependsOnFlagged() const
{
    for (int i = 0; i < InputCount; ++i) {
        if (feedsVerdict(Input(i)) && !problems[i].isEmpty())
            return true;
    }
    return false;
}

// ---- checks ----

QString PlanModel::fieldCaption(Input field)
{
    return trMain(FIELD_RULES[field].caption);
}

QList<PlanModel::Input> PlanModel::flaggedFields() const
{
    QList<Input> flagged;
    for (int i = 0; i < InputCount; ++i) {
        if (!problems[i].isEmpty())
            flagged.append(Input(i));
    }
    return flagged;
}

QString PlanModel::ruleProblem(Input field) const
{
    const QString &text = inputs[field];
    const Rule rule = FIELD_RULES[field].rule;
    if (rule == Rule::Composition)
        return compositionProblems[field];
    // Fields that may stay empty: filter 2 without a composition, the calculation point before
    // a target exists.
    const bool mayBeEmpty =
        ((field == Filter2Thickness || field == Filter2Density) && !f2Comp.valid) ||
        (field == SetCalcPointE && !tgtComp.valid);
    if (text.trimmed().isEmpty()) {
        if (mayBeEmpty)
            return QString();
        return trMain("%1: a number is needed").arg(fieldCaption(field));
    }
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v)) {
        // A pasted page would bury the message; its start says enough.
        const QString shown = text.size() > 40 ? text.left(37) + QStringLiteral("...") : text;
        return trMain("%1: '%2' is not a number").arg(fieldCaption(field), shown);
    }
    switch (rule) {
    case Rule::Positive:
        if (!(v > 0))
            return trMain("%1: must be greater than 0, not %2").arg(fieldCaption(field), text);
        break;
    case Rule::NonNegative:
    case Rule::RangeStart:
        if (v < 0)
            return trMain("%1: must not be negative, not %2").arg(fieldCaption(field), text);
        break;
    case Rule::Share:
        if (v < 0 || v > 100)
            return trMain("%1: must lie between 0 and 100, not %2").arg(fieldCaption(field), text);
        break;
    case Rule::RangeEnd:
        if (!(v > number(StartE0)))
            return trMain("%1: must lie above the range start, not %2")
                .arg(fieldCaption(field), text);
        break;
    case Rule::Angle:
        if (!(v > 0 && v <= 90))
            return trMain("%1: must lie in (0, 90] degrees, not %2").arg(fieldCaption(field), text);
        break;
    case Rule::Composition:
        break;
    }
    // The detailed model reads the resolution as the FWHM at Mn Ka and extrapolates it with the
    // Fano statistics of silicon, which no detector beats.
    if (field == DetResolution && options[DetailedFluo] &&
        v < fanoLimitFwhm(RESOLUTION_REFERENCE_KEV))
        return trMain("%1: below the Fano limit of silicon at Mn Ka (%2 keV), not %3")
            .arg(fieldCaption(field),
                 QString::number(fanoLimitFwhm(RESOLUTION_REFERENCE_KEV), 'f', 3), text);
    return QString();
}

void PlanModel::updateChecks()
{
    for (int i = 0; i < InputCount; ++i) {
        const QString problem = ruleProblem(Input(i));
        if (problem != problems[i]) {
            problems[i] = problem;
            Q_EMIT fieldValidityChanged(Input(i));
        }
    }
}

QString PlanModel::calcPointProblem() const
{
    if (!tgtComp.valid || elementIndex < 0 || elementIndex >= tgtComp.entries.size() ||
        !std::isfinite(calcPointE))
        return QString();
    const AtomData &atom = *tgtComp.entries.at(elementIndex).data;
    int nearest = -1;
    for (int i = 0; i < EDGE_COUNT; ++i) {
        if (atom.edge[i] > 0 && (nearest < 0 || std::abs(atom.edge[i] - calcPointE) <
                                                    std::abs(atom.edge[nearest] - calcPointE)))
            nearest = i;
    }
    if (nearest < 0 || std::abs(atom.edge[nearest] - calcPointE) < ON_EDGE)
        return QString();
    return trMain("No absorption edge of %1 at %2 keV (a jump shows only within 0.1 eV of an "
                  "edge); the nearest is %1 %3 at %4 keV.")
        .arg(atom.symbol, QString::number(calcPointE, 'f', 4), edgeNames.value(nearest),
             QString::number(atom.edge[nearest], 'f', 4));
}

QString PlanModel::unexcitedProblem() const
{
    if (!curveShown)
        return QString();
    const double E0 = number(ExtEnergy);
    const double eLo = mutCurveE[0];
    const double eHi = mutCurveE[MUT_POINTS - 1];
    // The target's lines on show; an excited line outside the range is no sign of trouble.
    bool anyShown = false;
    for (const CompEntry &e : tgtComp.entries) {
        const AtomData &atom = *e.data;
        for (int L = 0; L < LINE_COUNT; ++L) {
            if (!(eLo < atom.line[L] && atom.line[L] < eHi))
                continue;
            anyShown = true;
            // A K line needs E0 above the K edge; an L line above one of K to LIII (Lb1: K to
            // LII), as the simulation excites them.
            const int deepest = L <= LineKb ? EdgeK : L == LineLb1 ? EdgeLII : EdgeLIII;
            for (int i = EdgeK; i <= deepest; ++i) {
                if (atom.edge[i] > 0 && E0 > atom.edge[i])
                    return QString();
            }
        }
    }
    if (!anyShown)
        return QString();
    double lowest = 0;
    QString lowestName;
    for (const CompEntry &e : tgtComp.entries) {
        for (int i = EdgeK; i <= EdgeLIII; ++i) {
            const double edge = e.data->edge[i];
            if (edge > E0 && (lowestName.isEmpty() || edge < lowest)) {
                lowest = edge;
                lowestName = e.symbol + QLatin1Char(' ') + edgeNames.value(i);
            }
        }
    }
    if (lowestName.isEmpty())
        return QString();
    return trMain("No line of the target in the plotted range is excited: %1 keV lies below "
                  "their edges (the lowest edge above it is %2 at %3 keV).")
        .arg(QString::number(E0, 'g', 6), lowestName, QString::number(lowest, 'f', 4));
}

void PlanModel::finishEdit(int editedField)
{
    updateChecks();
    refreshPlot();
    QString message = editedField >= 0 ? problems[editedField] : QString();
    int timeout = 0;
    if (message.isEmpty() && !pendingStatus.isEmpty()) {
        message = pendingStatus;
        timeout = 10000;
    }
    const bool pointEdited = editedField == -1 || editedField == SetCalcPointE;
    if (message.isEmpty() && pointEdited)
        message = calcPointProblem();
    if (message.isEmpty())
        message = unexcitedProblem();
    if (message.isEmpty())
        message = deadTimeProblem();
    for (int i = 0; message.isEmpty() && i < InputCount; ++i)
        message = problems[i];
    pendingStatus.clear();
    if (!message.isEmpty()) {
        if (message != shownStatus || timeout)
            Q_EMIT statusMessage(message, timeout);
        shownStatus = timeout ? QString() : message;
    } else if (!shownStatus.isEmpty()) {
        Q_EMIT statusMessage(QString(), 0);
        shownStatus.clear();
    }
}

void PlanModel::refreshPlot()
{
    // Without a target or a range the plot stays blank and every result keeps its last value.
    curveShown = tgtComp.valid && calcMuTCurve();
    if (curveShown) {
        updateFxafsCheck();
        const SpectrumInput in = spectrumInput();
        if (options[DetailedFluo]) {
            if (detailedDirty) {
                DetailedInput d;
                d.spectrum = in;
                d.incidenceDeg = number(IncidenceAngle);
                d.exitDeg = number(ExitAngle);
                d.secondary = options[SecondaryFluo];
                d.lines = &fluoLines;
                d.crossSections = &crossSections;
                d.scatter = scatterFactors.size() > 0 ? &scatterFactors : nullptr;
                d.polarised = options[BeamPolarised];
                d.detector.siThicknessMm = number(DetSiThickness);
                d.detector.beWindowUm = number(DetBeWindow);
                computeDetailedLines(d, detailedLines);
                detailedDirty = false;
            }
            renderDetailedSpectrum(detailedLines, in, fluoSpectrum, spectrum);
            spectrum.airMolPerArea = detailedLines.airMolPerArea;
            spectrum.f1MolPerArea = detailedLines.f1MolPerArea;
            spectrum.f2MolPerArea = detailedLines.f2MolPerArea;
        } else {
            ::simulateSpectrum(in, fluoSpectrum, spectrum);
        }
        airMolPerArea = spectrum.airMolPerArea;
        f1MolPerArea = spectrum.f1MolPerArea;
        f2MolPerArea = spectrum.f2MolPerArea;
        setOutputText(AddInfo, spectrum.infoText);
        updateDetectorReadouts();
    }
    Q_EMIT plotChanged();
}

void PlanModel::updateDetectorReadouts()
{
    // Only the detailed model knows what the detector records.
    if (!options[DetailedFluo] || !detailedLines.detectorResponse) {
        setOutputText(CountRate, QString());
        setOutputText(DeadTime, QString());
        setOutputRole(DeadTime, OutputNormal);
        return;
    }
    const double rate = detailedLines.countRate;
    setOutputText(CountRate, QString::number(rate, 'e', 3) + QStringLiteral(" /s"));
    setOutputText(DeadTime, QString::number(deadTimePercent(), 'f', 1) + QStringLiteral(" %"));
    setOutputRole(DeadTime, deadTimePercent() > DEAD_TIME_ALARM ? OutputAlarm : OutputNormal);
}

double PlanModel::deadTimePercent() const
{
    // Paralysable: of n events per second, exp(-n tau) find the detector ready.
    return -100.0 * std::expm1(-detailedLines.countRate * deadTimePerEvent());
}

QString PlanModel::deadTimeProblem() const
{
    if (!curveShown || !options[DetailedFluo] || !detailedLines.detectorResponse)
        return QString();
    const double dead = deadTimePercent();
    if (!(dead > DEAD_TIME_ALARM))
        return QString();
    // Every rate scales with the solid angle of the detector: find the distance whose solid
    // angle brings the rate down to the one that gives the advised dead time.
    const double wanted = -std::log1p(-DEAD_TIME_ADVISED / 100.0) / deadTimePerEvent();
    const double radius = number(DetRadius);
    const double fraction =
        discSolidAngleFraction(number(Distance), radius) * wanted / detailedLines.countRate;
    const double c = 1.0 - 2.0 * fraction; // D / sqrt(D^2 + R^2)
    const double distance = c * radius / std::sqrt((1.0 - c) * (1.0 + c));
    if (!std::isfinite(distance)) // an infinite count rate: no distance helps
        return QString();
    return trMain("Dead time %1 % at %2 /s; at a distance of %3 cm it would be %4 %.")
        .arg(QString::number(dead, 'f', 1), QString::number(detailedLines.countRate, 'e', 2),
             QString::number(distance, 'g', 3), QString::number(DEAD_TIME_ADVISED, 'f', 0));
}

SpectrumInput PlanModel::spectrumInput() const
{
    SpectrumInput in;
    in.E0 = number(ExtEnergy);
    in.I0 = number(I0Flux);
    in.distance = number(Distance);
    in.detRadius = number(DetRadius);
    in.airThickness = number(AirThickness);
    in.f1Thickness = number(Filter1Thickness);
    in.f1Density = number(Filter1Density);
    in.f2Thickness = number(Filter2Thickness);
    in.f2Density = number(Filter2Density);
    in.fwhm = number(DetResolution);
    in.channelWidth = number(MCAResolution);
    in.integ = options[IntensityInt];
    in.ratio = options[AddInfoRatioF];
    in.tgt = &tgtComp;
    in.bnd = &bndComp;
    in.air = &airComp;
    in.f1 = &f1Comp;
    in.f2 = &f2Comp;
    in.yieldK = yieldK;
    in.yieldL = yieldL;
    in.yieldSize = YIELD_ARRAY_SIZE;
    in.thickness = thickness;
    in.tgtMolPerArea = tgtMolPerArea;
    in.bndPerTgt = bndPerTgt;
    in.bndMolPerArea = bndMolPerArea;
    in.lineNames = lineNames;
    in.gridE = mutCurveE;
    in.gridPoints = MUT_POINTS;
    return in;
}

// ---- exports ----

bool PlanModel::saveSpectrum(const QString &fileName, QString *error)
{
    // Written to a temporary file next to the target and renamed over it at commit, so a
    // failure at any point leaves an existing file as it was.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (!calcMuTCurve()) {
        file.cancelWriting();
        if (error)
            *error = trMain("the energy range is empty");
        return false;
    }
    // The spectrum column is the one of the last simulation, in its "Peak" or "Integ." form.
    // Ten significant digits keep neighbouring energies of a narrow window apart above 10 keV.
    QTextStream out(&file);
    out.setRealNumberPrecision(10);
    const bool csv = fileName.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
    const char separator = csv ? ',' : '\t';
    if (csv)
        out << "energy_keV,mu_t,intensity\n";
    for (int i = 0; i < MUT_POINTS; ++i) {
        out << mutCurveE[i] << separator << mutCurve[i] << separator << fluoSpectrum[i] << '\n';
    }
    out.flush();
    if (out.status() != QTextStream::Ok) {
        file.cancelWriting();
        if (error)
            *error = file.errorString();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool PlanModel::saveLines(const QString &fileName, QString *error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // The records are those of the last simulation; without a target or a range there is
    // none to show, whatever an earlier state left.
    const bool simulated = tgtComp.valid && calcMuTCurve();
    // The detailed model says how much of each rate secondary fluorescence adds.
    const QString csv =
        lineTableCsv(simulated ? spectrum.linePeaks : QVector<LinePeak>(), options[DetailedFluo]);
    if (file.write(csv.toUtf8()) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
