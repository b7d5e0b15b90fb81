#include "PlanModel.h"

#include "MuT.h"
#include "Pellet.h"
#include "ShippedTables.h"

#include <QCoreApplication>

#include <cmath>

namespace {

// The pellet fields, whose marking an edit resets; the spectrum fields keep theirs.
bool pelletField(PlanModel::Input field)
{
    const FieldGroup group = Fields::input(field).group;
    return group == GroupPellet || group == GroupMuT;
}

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

} // namespace

PlanModel::PlanModel(QObject *parent) : QObject(parent)
{
    // The element table comes first: every composition points into it, and without it the
    // program cannot do anything useful, so a missing table ends the process here.
    registerShippedTables();
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
        inputs[i] = QString::fromUtf8(Fields::input(Input(i)).defaultText);
    for (int i = 0; i < OutputCount; ++i) {
        const OutputRow &row = Fields::output(Output(i));
        outputs[i] = row.flags & OUT_TRANSLATED ? trMain(row.defaultText)
                                                : QString::fromUtf8(row.defaultText);
    }
    for (int i = 0; i < OptionCount; ++i)
        options[i] = Fields::option(Option(i)).checked;

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
    captureStartState();
}

QString PlanModel::inputName(Input i)
{
    return QString::fromLatin1(Fields::input(i).name);
}
QString PlanModel::outputName(Output o)
{
    return QString::fromLatin1(Fields::output(o).name);
}
QString PlanModel::optionName(Option o)
{
    return QString::fromLatin1(Fields::option(o).name);
}
QString PlanModel::choiceName(Choice c)
{
    return QString::fromLatin1(Fields::choice(c));
}

int PlanModel::inputIndex(const QString &name)
{
    return Fields::inputIndex(name);
}
int PlanModel::outputIndex(const QString &name)
{
    return Fields::outputIndex(name);
}
int PlanModel::optionIndex(const QString &name)
{
    return Fields::optionIndex(name);
}
int PlanModel::choiceIndex(const QString &name)
{
    return Fields::choiceIndex(name);
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
    if (Fields::input(field).flags & FEEDS_LINES)
        spectrumPlan.invalidateLines();
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
    const unsigned flags = Fields::option(option).flags;
    const bool exclusive = flags & OPT_EXCLUSIVE;
    if (options[option] == checked)
        return true;
    if (exclusive && !checked)
        return false; // a radio button of a pair is unchecked by choosing the other
    options[option] = checked;
    Q_EMIT optionChanged(option);
    if (exclusive) {
        for (int other = 0; other < OptionCount; ++other) {
            if (other != option && (Fields::option(Option(other)).flags & OPT_EXCLUSIVE)) {
                options[other] = false;
                Q_EMIT optionChanged(Option(other));
            }
        }
    }
    if (flags & OPT_FEEDS_LINES)
        spectrumPlan.invalidateLines();
    // The display options and the fluorescence model change the spectrum and the information
    // text at once.
    if (!(flags & OPT_VIEW_ONLY))
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
    for (int i = 0; i < InputCount; ++i) {
        if (pelletField(Input(i)))
            setStyle(Input(i), StyleNormal);
    }
    for (int i = 0; i < OutputCount; ++i) {
        if (Fields::output(Output(i)).flags & OUT_PELLET)
            setOutputRole(Output(i), OutputNormal);
    }
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
