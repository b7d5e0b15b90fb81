#include "PlanModel.h"

#include "DetectorConstants.h"
#include "PlanText.h"

#include "MuT.h"
#include "Pellet.h"
#include "ShippedTables.h"
#include "VectorState.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {

// The pellet fields, whose marking an edit resets; the spectrum fields keep theirs.
bool pelletField(PlanModel::Input field)
{
    const FieldGroup group = Fields::input(field).group;
    return group == GroupPellet || group == GroupMuT;
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
    // The tabulated cross sections are the default; a build whose table is missing falls back to
    // the two-term table rather than computing nothing.
    if (crossSections.size() == 0)
        absorptionData = TwoTermTable;
    for (Composition *comp : compositions())
        comp->tabulated = absorptionData == TabulatedCrossSections ? &crossSections : nullptr;

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
    for (int i = 0; i < InputCount; ++i) {
        if (Composition *layer = layerComposition(Input(i)))
            evaluate(Input(i), *layer);
    }
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
    // A file is read before its name is taken: one that cannot be read changes nothing.
    if (field == MeasFile) {
        inMeasFile(text);
        return;
    }
    cleanVectorState(); // the pellet's own computations below come first
    setText(field, text);
    // The detailed lines depend on everything but the view and the dead time.
    if (Fields::input(field).flags & FEEDS_LINES)
        fluoPlan.invalidateLines();
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
    case AmpVoltage:
    case AmpSensitivity:
        inAmplifier();
        break;
    case ChamberCurrent:
        setStyle(ChamberCurrent, StyleNormal); // typed, no longer the amplifier's
        break;
    case StartE0:
    case EndE0:
        lastTypedStart = inputs[StartE0];
        lastTypedEnd = inputs[EndE0];
        break;
    case FrontWindowComposition:
    case BackWindowComposition:
        // A window named by its material takes that material's formula and density.
        for (const WindowMaterial &m : WINDOW_MATERIALS) {
            if (inputs[field].trimmed().compare(QLatin1String(m.name), Qt::CaseInsensitive) == 0) {
                const Input density =
                    field == FrontWindowComposition ? FrontWindowDensity : BackWindowDensity;
                setText(field, QLatin1String(m.formula));
                setText(density, QString::number(m.density));
                setStyle(density, StyleDerived);
                break;
            }
        }
        evaluate(field, *layerComposition(field));
        break;
    default:
        // A filter's or window's composition is read anew; other spectrum fields: only the
        // plot depends on them.
        if (Composition *layer = layerComposition(field))
            evaluate(field, *layer);
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
    if (flags & OPT_PLOT_ONLY) {
        Q_EMIT plotChanged();
        return true;
    }
    if (flags & OPT_FEEDS_LINES)
        fluoPlan.invalidateLines();
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
    for (Composition *comp : compositions())
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

void PlanModel::setOutputNumber(Output label, double v, char format, int precision,
                                const QString &suffix)
{
    const bool finite = std::isfinite(v);
    if (finite)
        unanswered &= ~readoutBit(label);
    else
        unanswered |= readoutBit(label);
    setOutputText(label, finite ? numberText(v, format, precision) + suffix : QString());
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

QVector<Composition *> PlanModel::compositions()
{
    return {&tgtComp, &bndComp,         &airComp,        &f1Comp,
            &f2Comp,  &frontWindowComp, &backWindowComp, &detWindowComp};
}

Composition *PlanModel::layerComposition(Input field)
{
    switch (field) {
    case Filter1Composition:
        return &f1Comp;
    case Filter2Composition:
        return &f2Comp;
    case FrontWindowComposition:
        return &frontWindowComp;
    case BackWindowComposition:
        return &backWindowComp;
    case DetWindowComposition:
        return &detWindowComp;
    default:
        return nullptr;
    }
}

Layer PlanModel::frontWindow() const
{
    return Layer{frontWindowComp, number(FrontWindowDensity), number(FrontWindowThickness) * 1e-3};
}

Layer PlanModel::backWindow() const
{
    return Layer{backWindowComp, number(BackWindowDensity), number(BackWindowThickness) * 1e-3};
}

const DetectorMaterial &PlanModel::crystal() const
{
    const DetectorMaterial *m = detectorMaterial(inputs[DetMaterial].trimmed().toStdString());
    return m ? *m : *detectorMaterial("Si");
}

double PlanModel::windowsMuTAt(double E) const
{
    const CrossSectionTable *table =
        absorptionData == TabulatedCrossSections ? &crossSections : nullptr;
    return ::windowsMuT(frontWindow(), backWindow(), table, E);
}

QString PlanModel::evaluate(Input field, Composition &comp)
{
    ParseNotes notes;
    QString expanded = evalComposition(inputs[field], comp, xrayDb, &notes);
    // Everything the parser passed over is named, so that "0.7SiO2 0.3Al2O3" is not silently
    // read as Si1 O5 Al2.
    QStringList dropped;
    // Counts beyond the doubles ("Fe" and 400 nines) leave nothing to compute with: no
    // composition, rather than one that turns every result into nan.
    const bool finite = std::isfinite(comp.molecularWeight()) &&
                        std::all_of(comp.entries.cbegin(), comp.entries.cend(),
                                    [](const CompEntry &e) { return std::isfinite(e.amount); });
    // What is left of a composition without its unknown symbols is another material ("Xq2O3"
    // is not "O3"): it is not used at all.
    const bool refused = !finite || !notes.unknownSymbols.isEmpty();
    if (refused) {
        comp.entries.clear();
        comp.valid = false;
        expanded.clear();
    }
    if (!comp.valid && !refused && !inputs[field].trimmed().isEmpty()) {
        switch (notes.rejection) {
        case ParseNotes::UnbalancedParentheses:
            dropped << trMain("no composition could be read: unbalanced parentheses");
            break;
        case ParseNotes::UnbalancedBrackets:
            dropped << trMain("no composition could be read: unbalanced square brackets");
            break;
        case ParseNotes::MisplacedBracket:
            dropped << trMain("no composition could be read: square brackets only enclose the "
                              "parts of a mixture by mass");
            break;
        case ParseNotes::Accepted:
        case ParseNotes::NothingToRead:
            dropped << trMain("no composition could be read");
            break;
        }
    }
    if (!finite)
        dropped << trMain("amounts too large to compute with");
    if (!notes.unknownSymbols.isEmpty()) {
        dropped << trMain("unknown element symbol: %1")
                       .arg(notes.unknownSymbols.mid(0, 8).join(QStringLiteral(", ")));
    }
    constexpr int kShownNumbers = 6;
    if (!notes.ignoredNumbers.isEmpty()) {
        QStringList shown;
        for (const IgnoredNumber &n : notes.ignoredNumbers.mid(0, kShownNumbers)) {
            shown << (n.before.isEmpty() ? trMain("%1 at the end").arg(n.number)
                                         : trMain("%1 before %2").arg(n.number, n.before));
        }
        if (notes.ignoredNumbers.size() > kShownNumbers)
            shown << QStringLiteral("...");
        dropped
            << (notes.ignoredNumbers.size() == 1
                    ? trMain("the number %1 is ignored").arg(shown.first())
                    : trMain("the numbers %1 are ignored").arg(shown.join(QStringLiteral(", "))));
    }
    bool mixtureLike =
        !notes.ignoredNumbers.isEmpty() || notes.rejection == ParseNotes::MisplacedBracket;
    if (!notes.skippedCharacters.isEmpty()) {
        QStringList shown;
        for (const QChar ch : notes.skippedCharacters.left(12)) {
            shown << (ch.isPrint()
                          ? QString(ch)
                          : QStringLiteral("U+%1").arg(ch.unicode(), 4, 16, QLatin1Char('0')));
        }
        dropped << trMain("characters ignored: %1").arg(shown.join(QLatin1Char(' ')));
        // "+", "-", "%" or "," between compounds: a mixture meant; lower-case letters are not.
        for (const QChar ch : notes.skippedCharacters)
            mixtureLike = mixtureLike || !ch.isLetter();
    }
    if (mixtureLike)
        dropped << trMain("a mixture by mass is written [SiO2]70[Al2O3]30");
    if (!notes.unknownSymbols.isEmpty())
        dropped << trMain("the composition is not used until it is corrected");
    compositionProblems[field] = dropped.isEmpty() ? QString()
                                                   : fieldCaption(field) + QStringLiteral(": ") +
                                                         dropped.join(QStringLiteral("; "));
    return expanded;
}

bool PlanModel::pelletUsable() const
{
    // An empty binder is a pellet of the target alone; a binder text that reads as nothing is
    // a mistake, not an absent binder.
    return tgtComp.valid && (bndComp.valid || compositionProblems[SetBndCmp].isEmpty());
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
    } else {
        // The point was an edge of the old target; the next target chooses its own, as at
        // start.
        calcPointE = 0;
        setText(SetCalcPointE, QString());
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
    if (!tgtComp.valid || !bndComp.valid || flagged(SetTgtBndMolR))
        return;
    molRatio = number(SetTgtBndMolR);
    wtRatio = wtRatioFromMolRatio(molRatio, tgtComp.molecularWeight(), bndComp.molecularWeight());
    setText(SetTgtBndWtR, fieldNumber(wtRatio));
    setStyle(SetTgtBndWtR, StyleDerived);
}

void PlanModel::wtRatioToMolRatio()
{
    if (!tgtComp.valid || !bndComp.valid || flagged(SetTgtBndWtR))
        return;
    wtRatio = number(SetTgtBndWtR);
    molRatio = molRatioFromWtRatio(wtRatio, tgtComp.molecularWeight(), bndComp.molecularWeight());
    setText(SetTgtBndMolR, fieldNumber(molRatio));
    setStyle(SetTgtBndMolR, StyleDerived);
}

// Nothing is derived from a flagged field: the pellet stays as it was until the field is sound.
void PlanModel::recalcFromThickness()
{
    if (!pelletUsable() ||
        anyFlagged({SetTgtBndMolR, SetTgtBndWtR, SetTgtDens, SetBndDens, SetThick, SetCylDiam}))
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
    setOutputNumber(CylWeight, gToMg(r.totalWeight), 'f', 3);
    setOutputRole(CylWeight, OutputDerived);
    setOutputNumber(CylVol, cm3ToMm3(r.volume), 'f', 3);
    setOutputRole(CylVol, OutputDerived);
}

void PlanModel::recalcFromWeights()
{
    if (!pelletUsable() ||
        anyFlagged({SetTgtWeight, SetBndWeight, SetTgtDens, SetBndDens, SetCylDiam}))
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

    setOutputNumber(CylWeight, gToMg(r.totalWeight), 'f', 3); // its style stays as reset
    setText(SetTgtBndMolR, fieldNumber(molRatio));
    setStyle(SetTgtBndMolR, StyleDerived);
    setText(SetTgtBndWtR, fieldNumber(wtRatio));
    setStyle(SetTgtBndWtR, StyleDerived);
    setText(SetThick, fieldNumber(cmToMm(thickness)));
    setStyle(SetThick, StyleDerived);
    setOutputNumber(CylVol, cm3ToMm3(r.volume), 'f', 3);
    setOutputRole(CylVol, OutputDerived);
}

void PlanModel::inTgtWeight()
{
    resetFieldStyles();
    setStyle(SetTgtWeight, StyleEdited);
    if (flagged(SetTgtWeight))
        return;
    tgtWeight = mgToG(number(SetTgtWeight));
    recalcFromWeights();
}

void PlanModel::inBndWeight()
{
    resetFieldStyles();
    setStyle(SetBndWeight, StyleEdited);
    if (flagged(SetBndWeight))
        return;
    bndWeight = mgToG(number(SetBndWeight));
    recalcFromWeights();
}

void PlanModel::inCylDiam()
{
    resetFieldStyles();
    setStyle(SetCylDiam, StyleEdited);
    if (flagged(SetCylDiam))
        return;
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
    if (flagged(SetTgtDens))
        return;
    tgtDens = number(SetTgtDens);
    recalcFromThickness();
}

void PlanModel::inBndDens()
{
    resetFieldStyles();
    setStyle(SetBndDens, StyleEdited);
    if (flagged(SetBndDens))
        return;
    bndDens = number(SetBndDens);
    recalcFromThickness();
}

void PlanModel::inCylThick()
{
    resetFieldStyles();
    setStyle(SetThick, StyleEdited);
    if (flagged(SetThick))
        return;
    thickness = mmToCm(number(SetThick));
    recalcFromThickness();
}
