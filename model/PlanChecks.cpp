// The checks of the plan: each field's rule, and what the status bar says after an edit.
#include "PlanModel.h"
#include "PlanText.h"

#include "IonChamber.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

// The fields whose trouble makes an F-XAFS verdict meaningless: those the verdict is read from.
bool feedsVerdict(PlanModel::Input field)
{
    return Fields::input(field).readouts & READS_VERDICT;
}

// The calculation point counts as on an edge within this distance [keV]: the jump is seen only
// between calcPointE - EDGE_DELTA and calcPointE + EDGE_DELTA.
constexpr double ON_EDGE = EDGE_DELTA;

// A bound as the messages show it: 1e-06 and 1e+16 read as 1e-6 and 1e16.
QString boundText(double v)
{
    QString s = QString::number(v, 'g', 6);
    s.replace(QLatin1String("e+"), QLatin1String("e"));
    s.replace(QRegularExpression(QStringLiteral("e(-?)0+")), QStringLiteral("e\\1"));
    return s;
}

} // namespace

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
    return trMain(Fields::input(field).caption);
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
    const InputRow &row = Fields::input(field);
    const Rule rule = row.rule;
    if (rule == Rule::Composition)
        return compositionProblems[field];
    // The file is read when it is loaded, and refused there with the reason.
    if (rule == Rule::FilePath)
        return QString();
    if (rule == Rule::Gas) {
        GasMixture gas;
        if (parseGasMixture(text, &gas))
            return QString();
        const QString shown = text.size() > 40 ? text.left(37) + QStringLiteral("...") : text;
        return trMain("%1: '%2' is not a gas; names %3, a mixture as N2:0.8 Ar:0.2")
            .arg(fieldCaption(field), shown, gasNames());
    }
    if (rule == Rule::DetectorMaterial) {
        if (detectorMaterial(text.trimmed().toStdString()))
            return QString();
        const QString shown = text.size() > 40 ? text.left(37) + QStringLiteral("...") : text;
        return trMain("%1: '%2' is not a detector material; Si, Ge or CdTe")
            .arg(fieldCaption(field), shown);
    }
    // Fields that may stay empty: filter 2 without a composition, the calculation point before
    // a target exists, and those whose value the plan otherwise chooses.
    const bool mayBeEmpty = ((row.flags & EMPTY_WITHOUT_FILTER2) && !f2Comp.valid) ||
                            ((row.flags & EMPTY_WITHOUT_TARGET) && !tgtComp.valid) ||
                            (row.flags & EMPTY_MEANS_DEFAULT);
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
    // The rule says on which side of 0 a number belongs, in the words users know; the row's
    // bounds then keep it within what the tables and the instruments can mean.
    switch (rule) {
    case Rule::RoiEnd: {
        bool lowSet = false;
        const double low = inputs[RoiLow].toDouble(&lowSet);
        if (lowSet && std::isfinite(low) && !(v > low))
            return trMain("%1: must lie above %2, not %3")
                .arg(fieldCaption(field), fieldCaption(RoiLow), text);
        if (!(v > 0))
            return trMain("%1: must be greater than 0, not %2").arg(fieldCaption(field), text);
        break;
    }
    case Rule::Count:
        if (v != std::floor(v))
            return trMain("%1: must be a whole number, not %2").arg(fieldCaption(field), text);
        break;
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
        if (v < row.lower || v > row.upper)
            return trMain("%1: must lie between 0 and 100, not %2").arg(fieldCaption(field), text);
        break;
    case Rule::RangeEnd: {
        // The curve starts at 0 keV at the lowest, whatever the start field says.
        const double start = number(StartE0);
        if (!(v > (start < 0 ? 0.0 : start)))
            return trMain("%1: must lie above the range start, not %2")
                .arg(fieldCaption(field), text);
        break;
    }
    case Rule::Angle:
        if (!(v > 0 && v <= 90))
            return trMain("%1: must lie in (0, 90] degrees, not %2").arg(fieldCaption(field), text);
        break;
    case Rule::Composition:
    case Rule::Gas:
    case Rule::DetectorMaterial:
    case Rule::FilePath:
    case Rule::Signed:
        break;
    }
    if (v < row.lower)
        return trMain("%1: must be at least %2, not %3")
            .arg(fieldCaption(field), boundText(row.lower), text);
    if (v > row.upper)
        return trMain("%1: must be at most %2, not %3")
            .arg(fieldCaption(field), boundText(row.upper), text);
    // The detailed model reads the resolution as the FWHM at Mn Ka and extrapolates it with the
    // Fano statistics of silicon, which no detector beats.
    if ((row.flags & FANO_LIMITED) && options[DetailedFluo]) {
        const DetectorMaterial &m = crystal();
        const double limit = fanoLimitFwhm(m, RESOLUTION_REFERENCE_KEV);
        if (v < limit)
            return trMain("%1: below the Fano limit of %2 at Mn Ka (%3 keV), not %4")
                .arg(fieldCaption(field), QLatin1String(m.symbol), QString::number(limit, 'f', 3),
                     text);
    }
    return QString();
}

bool PlanModel::flagged(Input field) const
{
    return Fields::input(field).rule != Rule::Composition && !ruleProblem(field).isEmpty();
}

bool PlanModel::anyFlagged(std::initializer_list<Input> fields) const
{
    return std::any_of(fields.begin(), fields.end(), [this](Input f) { return flagged(f); });
}

unsigned PlanModel::readoutsOfFlagged() const
{
    unsigned mask = 0;
    for (int i = 0; i < InputCount; ++i) {
        const InputRow &row = Fields::input(Input(i));
        // The classic model computes nothing from the detailed model's fields.
        if ((row.flags & DETAILED_ONLY) && !options[DetailedFluo])
            continue;
        // A pellet composition that cannot be used (no target, "Xq2O3", "(BN", counts beyond
        // the doubles) counts as flagged, but for its expanded form, which is the parser's answer
        // to the text; one the parser read in part is only named. An empty binder is none.
        const bool unusable =
            (i == SetTgtCmp && !tgtComp.valid) ||
            (i == SetBndCmp && !bndComp.valid && !compositionProblems[i].isEmpty());
        if (unusable)
            mask |= row.readouts & ~(READS_TARGET | READS_BINDER);
        else if (flagged(Input(i)))
            mask |= row.readouts;
    }
    return mask;
}

// A read-out computed from a flagged field would answer another form than the one on show; it
// is empty instead, the case too: a script reading it must not mistake a caption for an answer.
// Its role goes back to normal.
void PlanModel::clearReadoutsOfFlagged()
{
    const unsigned mask = readoutsOfFlagged();
    for (int o = 0; o < OutputCount; ++o) {
        if (!(mask & readoutBit(Output(o))))
            continue;
        unanswered &= ~readoutBit(Output(o));
        setOutputText(Output(o), QString());
        setOutputRole(Output(o), OutputNormal);
    }
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

void PlanModel::restateStatus()
{
    shownStatus.clear();
    finishEdit(-2);
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
    // With the measurement box open its read-outs are in view: an empty one is explained.
    if (message.isEmpty() &&
        (options[MeasureBox] ||
         (editedField >= 0 && Fields::input(Input(editedField)).group == GroupMeasurement)))
        message = measureProblem();
    if (message.isEmpty() && !inputs[MeasFile].isEmpty())
        message = measuredWhy;
    // Without a target every result is empty; the first thing to say is why.
    if (message.isEmpty() && inputs[SetTgtCmp].trimmed().isEmpty())
        message = fieldCaption(SetTgtCmp) + QStringLiteral(": ") +
                  trMain("no composition \u2014 type one, e.g. Fe2O3");
    for (int i = 0; message.isEmpty() && i < InputCount; ++i)
        message = problems[i];
    if (message.isEmpty() && unanswered)
        message = trMain("Some results cannot be computed from these values and are left empty.");
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
