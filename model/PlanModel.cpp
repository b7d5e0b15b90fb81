#include "PlanModel.h"

#include "MuT.h"
#include "Pellet.h"

#include <QCoreApplication>
#include <QSaveFile>
#include <QTextStream>

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
    {"AddInfo", ""},
};

struct OptionDefault
{
    const char *name;
    bool checked;
};
const OptionDefault OPTIONS[PlanModel::OptionCount] = {
    {"IntensityPeak", false}, {"IntensityInt", true}, {"AddInfoRatioF", true},
    {"MutBox", true},         {"FluoBox", true},
};

const char *const CHOICE_NAMES[PlanModel::ChoiceCount] = {"SelectTE", "SelectAE"};

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
    airComp = ::airComposition(xrayDb);
    f1Comp.entries = {CompEntry{QStringLiteral("Al"), &xrayDb[QStringLiteral("Al")], 1.0}};
    f1Comp.valid = true;

    for (int i = 0; i < InputCount; ++i)
        inputs[i] = QString::fromLatin1(INPUT_NAMES[i][1]);
    for (int i = 0; i < OutputCount; ++i)
        outputs[i] = QString::fromLatin1(OUTPUT_NAMES[i][1]);
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
    evalComposition(inputs[Filter1Composition], f1Comp, xrayDb);
    evalComposition(inputs[Filter2Composition], f2Comp, xrayDb);
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
        evalComposition(text, f1Comp, xrayDb);
        break;
    case Filter2Composition:
        evalComposition(text, f2Comp, xrayDb);
        break;
    default:
        // Range and spectrum fields: only the plot depends on them.
        break;
    }
    refreshPlot();
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
    refreshPlot();
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
    // The display options change the spectrum's scale and the information text at once.
    if (option == IntensityPeak || option == IntensityInt || option == AddInfoRatioF)
        refreshPlot();
    return true;
}

void PlanModel::setRange(const QString &start, const QString &end)
{
    setText(StartE0, start);
    setText(EndE0, end);
    refreshPlot();
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

void PlanModel::inTgtCmp()
{
    resetFieldStyles();
    setStyle(SetTgtCmp, StyleEdited);
    const QString expanded = evalComposition(inputs[SetTgtCmp], tgtComp, xrayDb);
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
    setOutputText(ExtendedBndMolecularForm, evalComposition(inputs[SetBndCmp], bndComp, xrayDb));
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
    if (!scalable)
        return;
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
        Q_EMIT statusMessage(trMain("The binder does not absorb at the calculation point: "
                                    "mu t cannot be set by the binder weight."),
                             10000);
        return;
    case BinderSolveStatus::NoFiniteSolution:
        Q_EMIT statusMessage(trMain("mu t cannot be set by the binder weight: the pellet "
                                    "values give no finite binder amount."),
                             10000);
        return;
    case BinderSolveStatus::Solved:
        break;
    }
    Q_EMIT statusMessage(QString(), 0);
    bndWeight = r.bndWeight;
    setText(SetBndWeight, fieldNumber(gToMg(bndWeight)));
    setStyle(SetBndWeight, StyleDerived);
    recalcFromWeights();
}

double PlanModel::pelletMuT(double E) const
{
    return ::pelletMuT(tgtComp, bndComp, tgtMolPerArea, bndPerTgt, E);
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
    setOutputText(label_15, QString::number(c.muT, 'f', 3) + QStringLiteral("  ") +
                                (c.thin ? trMain("OK") : trMain("not OK")));
    setOutputText(label_20, QString::number(c.ratioPercent, 'f', 1) + QStringLiteral(" %  ") +
                                (c.thickDilute ? trMain("OK") : trMain("not OK")));
}

void PlanModel::refreshPlot()
{
    // Without a target or a range the plot stays blank and every result keeps its last value.
    curveShown = tgtComp.valid && calcMuTCurve();
    if (curveShown) {
        updateFxafsCheck();
        ::simulateSpectrum(spectrumInput(), fluoSpectrum, spectrum);
        airMolPerArea = spectrum.airMolPerArea;
        f1MolPerArea = spectrum.f1MolPerArea;
        f2MolPerArea = spectrum.f2MolPerArea;
        setOutputText(AddInfo, spectrum.infoText);
    }
    Q_EMIT plotChanged();
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
    QTextStream out(&file);
    for (int i = 0; i < MUT_POINTS; ++i)
        out << mutCurveE[i] << '\t' << mutCurve[i] << '\t' << fluoSpectrum[i] << '\n';
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
    const QString csv = lineTableCsv(simulated ? spectrum.linePeaks : QVector<LinePeak>());
    if (file.write(csv.toUtf8()) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
