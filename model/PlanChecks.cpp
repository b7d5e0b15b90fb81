// The checks of the plan: each field's rule, and what the status bar says after an edit.
#include "PlanModel.h"

#include <QCoreApplication>

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

QString trMain(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
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
    // Fields that may stay empty: filter 2 without a composition, the calculation point before
    // a target exists.
    const bool mayBeEmpty = ((row.flags & EMPTY_WITHOUT_FILTER2) && !f2Comp.valid) ||
                            ((row.flags & EMPTY_WITHOUT_TARGET) && !tgtComp.valid);
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
        if (!(v > row.lower))
            return trMain("%1: must be greater than 0, not %2").arg(fieldCaption(field), text);
        break;
    case Rule::NonNegative:
    case Rule::RangeStart:
        if (v < row.lower)
            return trMain("%1: must not be negative, not %2").arg(fieldCaption(field), text);
        break;
    case Rule::Share:
        if (v < row.lower || v > row.upper)
            return trMain("%1: must lie between 0 and 100, not %2").arg(fieldCaption(field), text);
        break;
    case Rule::RangeEnd:
        if (!(v > number(StartE0)))
            return trMain("%1: must lie above the range start, not %2")
                .arg(fieldCaption(field), text);
        break;
    case Rule::Angle:
        if (!(v > row.lower && v <= row.upper))
            return trMain("%1: must lie in (0, 90] degrees, not %2").arg(fieldCaption(field), text);
        break;
    case Rule::Composition:
        break;
    }
    // The detailed model reads the resolution as the FWHM at Mn Ka and extrapolates it with the
    // Fano statistics of silicon, which no detector beats.
    if ((row.flags & FANO_LIMITED) && options[DetailedFluo]) {
        const double limit = fanoLimitFwhm(*detectorMaterial("Si"), RESOLUTION_REFERENCE_KEV);
        if (v < limit)
            return trMain("%1: below the Fano limit of silicon at Mn Ka (%2 keV), not %3")
                .arg(fieldCaption(field), QString::number(limit, 'f', 3), text);
    }
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
