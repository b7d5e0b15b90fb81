// Sessions of the plan: one JSON object that holds what the form shows and the values behind it.
#include "Pellet.h"
#include "PlanModel.h"
#include "PlanText.h"
#include "SafeRead.h"
#include "SafeWrite.h"
#include "SessionChecks.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

namespace {

const QLatin1String FORMAT_KEY("format");
const QLatin1String FORMAT_NAME("tirn-session");
const QLatin1String VERSION_KEY("version");

// Full precision, as text; only finite values are written.
QString exact(double v)
{
    return QString::number(v, 'g', 17);
}

bool readExact(const QJsonValue &value, double *v)
{
    if (!value.isString())
        return false;
    const QString s = value.toString();
    bool ok = false;
    *v = s.toDouble(&ok);
    if (ok)
        return true;
    if (s == QLatin1String("nan") || s == QLatin1String("-nan")) {
        *v = std::nan("");
        return true;
    }
    if (s == QLatin1String("inf") || s == QLatin1String("-inf")) {
        *v = s.startsWith(QLatin1Char('-')) ? -HUGE_VAL : HUGE_VAL;
        return true;
    }
    return false;
}

} // namespace

// The values behind the three-decimal fields, by the names the program uses for them, with what
// each has to agree with when a session is loaded.
enum class Behind {
    Pellet,  // a pellet value, typed into its field or derived into it: kept with the pellet
    Derived, // an amount derived from the pellet values, shown by no field: kept with the pellet
    Point,   // a value of the mu t part, typed into its field: kept on its own
    Shown,   // a result of the last computation, shown by a read-out: recomputed anyway
};
struct InternalValue
{
    const char *name;
    double PlanModel::*member;
    Behind kind;
    int source;                  // the field (a read-out for Shown) it agrees with; -1 for none
    double (*toShown)(double);   // from the plan's unit to the field's
    double (*fromShown)(double); // back
};
constexpr double asIs(double v)
{
    return v;
}
const InternalValue INTERNALS[] = {
    {"tgtWeight", &PlanModel::tgtWeight, Behind::Pellet, PlanModel::SetTgtWeight, gToMg, mgToG},
    {"bndWeight", &PlanModel::bndWeight, Behind::Pellet, PlanModel::SetBndWeight, gToMg, mgToG},
    {"cylDiam", &PlanModel::cylDiam, Behind::Pellet, PlanModel::SetCylDiam, cmToMm, mmToCm},
    {"molRatio", &PlanModel::molRatio, Behind::Pellet, PlanModel::SetTgtBndMolR, asIs, asIs},
    {"wtRatio", &PlanModel::wtRatio, Behind::Pellet, PlanModel::SetTgtBndWtR, asIs, asIs},
    {"tgtDens", &PlanModel::tgtDens, Behind::Pellet, PlanModel::SetTgtDens, asIs, asIs},
    {"bndDens", &PlanModel::bndDens, Behind::Pellet, PlanModel::SetBndDens, asIs, asIs},
    {"thickness", &PlanModel::thickness, Behind::Pellet, PlanModel::SetThick, cmToMm, mmToCm},
    {"calcPointE", &PlanModel::calcPointE, Behind::Point, PlanModel::SetCalcPointE, asIs, asIs},
    {"wantedDMuT", &PlanModel::wantedDMuT, Behind::Point, PlanModel::SetDMuT, asIs, asIs},
    {"wantedMuT", &PlanModel::wantedMuT, Behind::Point, PlanModel::SetMuT, asIs, asIs},
    {"curMuT", &PlanModel::curMuT, Behind::Shown, PlanModel::MuPt, asIs, asIs},
    {"curDMuT", &PlanModel::curDMuT, Behind::Shown, PlanModel::dMut, asIs, asIs},
    {"bndPerTgt", &PlanModel::bndPerTgt, Behind::Derived, -1, asIs, asIs},
    {"tgtMolPerArea", &PlanModel::tgtMolPerArea, Behind::Derived, -1, asIs, asIs},
    {"bndMolPerArea", &PlanModel::bndMolPerArea, Behind::Derived, -1, asIs, asIs},
};
constexpr int INTERNAL_COUNT = int(std::size(INTERNALS));

void PlanModel::captureStartState()
{
    std::copy(std::begin(inputs), std::end(inputs), std::begin(start.inputs));
    std::copy(std::begin(inputStyles), std::end(inputStyles), std::begin(start.inputStyles));
    std::copy(std::begin(outputs), std::end(outputs), std::begin(start.outputs));
    std::copy(std::begin(outputStyles), std::end(outputStyles), std::begin(start.outputStyles));
    std::copy(std::begin(options), std::end(options), std::begin(start.options));
    start.internals.clear();
    for (const InternalValue &v : INTERNALS)
        start.internals.append(this->*v.member);
}

QByteArray PlanModel::sessionJson() const
{
    QJsonObject fields;
    QJsonObject fieldStyles;
    for (int i = 0; i < InputCount; ++i) {
        fields.insert(inputName(Input(i)), inputs[i]);
        fieldStyles.insert(inputName(Input(i)), inputStyles[i]);
    }
    QJsonObject readouts;
    QJsonObject readoutStyles;
    for (int i = 0; i < OutputCount; ++i) {
        readouts.insert(outputName(Output(i)), outputs[i]);
        readoutStyles.insert(outputName(Output(i)), outputStyles[i]);
    }
    QJsonObject choices;
    choices.insert(choiceName(SelectTE), elementIndex);
    choices.insert(choiceName(SelectAE), edgeIndex);
    QJsonObject checks;
    for (int i = 0; i < OptionCount; ++i)
        checks.insert(optionName(Option(i)), options[i]);
    QJsonObject internal;
    // A value that is not finite is no state to restore: without it the loader recomputes.
    for (const InternalValue &v : INTERNALS) {
        if (std::isfinite(this->*v.member))
            internal.insert(QLatin1String(v.name), exact(this->*v.member));
    }
    QJsonObject plot;
    plot.insert(QStringLiteral("logScale"), logMuT);
    plot.insert(QStringLiteral("typedStart"), lastTypedStart);
    plot.insert(QStringLiteral("typedEnd"), lastTypedEnd);

    QJsonObject root;
    root.insert(FORMAT_KEY, FORMAT_NAME);
    root.insert(VERSION_KEY, SESSION_VERSION);
    root.insert(QStringLiteral("fields"), fields);
    root.insert(QStringLiteral("fieldStyles"), fieldStyles);
    root.insert(QStringLiteral("readouts"), readouts);
    root.insert(QStringLiteral("readoutStyles"), readoutStyles);
    root.insert(QStringLiteral("choices"), choices);
    root.insert(QStringLiteral("options"), checks);
    root.insert(QStringLiteral("absorption"), absorptionName(absorptionData));
    root.insert(QStringLiteral("plot"), plot);
    root.insert(QStringLiteral("internal"), internal);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

using namespace SessionChecks;

QString PlanModel::SessionLoad::ignoredSummary() const
{
    if (ignoredCount == 0)
        return QString();
    QString names = ignored.join(QStringLiteral(", "));
    if (ignoredCount > ignored.size())
        names += QStringLiteral(", ...");
    return trMain("unknown keys ignored (%1): %2").arg(ignoredCount).arg(names);
}

struct PlanModel::SessionValues
{
    QString inputs[InputCount];
    int inputStyles[InputCount] = {};
    bool inputStyleGiven[InputCount] = {};
    QString outputs[OutputCount];
    bool outputGiven[OutputCount] = {};
    int outputStyles[OutputCount] = {};
    bool outputStyleGiven[OutputCount] = {};
    bool options[OptionCount] = {};
    Absorption absorption = TabulatedCrossSections; // a session that names none gets the default
    int elementIndex = -2; // -2: not given, the first element of the target (or none)
    int edgeIndex = 0;
    bool logScale = false;
    QString typedStart;
    QString typedEnd;
    bool calcPointGiven = false;
    bool internalsGiven = false; // the file has the section
    double internals[INTERNAL_COUNT] = {};
    bool internalPresent[INTERNAL_COUNT] = {};
    bool internalRead[INTERNAL_COUNT] = {}; // present and a number
};

PlanModel::SessionLoad PlanModel::loadSessionJson(const QByteArray &bytes)
{
    SessionLoad result;
    if (bytes.size() > SESSION_MAX_BYTES) {
        result.error =
            trMain("larger than the limit of %1 (%2)")
                .arg(SafeRead::sizeText(SESSION_MAX_BYTES), SafeRead::sizeText(bytes.size()));
        return result;
    }
    // Editors on some systems begin a UTF-8 file with a byte order mark; JSON has no place for it.
    const QByteArray json = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    if (json.trimmed().isEmpty()) {
        result.error = trMain("not a session file (the file is empty)");
        return result;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        result.error = trMain("not a session file (%1: %2)")
                           .arg(position(json, parseError.offset), parseError.errorString());
        return result;
    }
    if (!doc.isObject()) {
        result.error = trMain("not a session file (not a JSON object)");
        return result;
    }
    const QJsonObject root = doc.object();
    if (root.value(FORMAT_KEY).toString() != FORMAT_NAME) {
        result.error = trMain("not a session file");
        return result;
    }
    const int version = root.value(VERSION_KEY).toInt(-1);
    if (version < 1) {
        result.error = trMain("the session has no valid format version");
        return result;
    }
    if (version > SESSION_VERSION) {
        result.error =
            trMain("the session was written by a newer version (format %1; this one reads %2)")
                .arg(version)
                .arg(SESSION_VERSION);
        return result;
    }

    // Every value is checked before the first one reaches the plan: a file refused for its last
    // value leaves the plan as it was.
    SessionValues values;
    if (!readSession(root, values, result))
        return result;
    applySession(values, result);
    result.ok = true;
    return result;
}

bool PlanModel::readSession(const QJsonObject &root, SessionValues &v, SessionLoad &result)
{
    SessionReader in(root, result);
    const QStringList topKeys{FORMAT_KEY,
                              VERSION_KEY,
                              QStringLiteral("fields"),
                              QStringLiteral("fieldStyles"),
                              QStringLiteral("readouts"),
                              QStringLiteral("readoutStyles"),
                              QStringLiteral("choices"),
                              QStringLiteral("options"),
                              QStringLiteral("absorption"),
                              QStringLiteral("plot"),
                              QStringLiteral("internal")};
    for (auto it = root.constBegin(); it != root.constEnd(); ++it) {
        if (!topKeys.contains(it.key()))
            in.ignore(it.key());
    }
    const auto key = [](const char *section, const QString &name) {
        return QLatin1String(section) + QLatin1Char('.') + name;
    };

    // What the file lacks comes from the plan as it started.
    QStringList inputNames;
    for (int i = 0; i < InputCount; ++i)
        inputNames << inputName(Input(i));
    const QJsonObject fields = in.section(QStringLiteral("fields"), inputNames);
    for (int i = 0; i < InputCount && !in.failed(); ++i) {
        v.inputs[i] = start.inputs[i];
        if (fields.contains(inputNames[i]))
            in.text(fields.value(inputNames[i]), key("fields", inputNames[i]), &v.inputs[i]);
        else if (root.contains(QStringLiteral("fields")))
            result.missing << key("fields", inputNames[i]);
    }
    v.calcPointGiven = fields.contains(inputNames[SetCalcPointE]);
    const QJsonObject fieldStyles = in.section(QStringLiteral("fieldStyles"), inputNames);
    for (int i = 0; i < InputCount && !in.failed(); ++i) {
        if (!fieldStyles.contains(inputNames[i]))
            continue;
        v.inputStyleGiven[i] =
            in.style(fieldStyles.value(inputNames[i]), key("fieldStyles", inputNames[i]),
                     FIELD_STYLE_ROLES, &v.inputStyles[i]);
    }

    QStringList outputNames;
    for (int i = 0; i < OutputCount; ++i)
        outputNames << outputName(Output(i));
    const QJsonObject readouts = in.section(QStringLiteral("readouts"), outputNames);
    for (int i = 0; i < OutputCount && !in.failed(); ++i) {
        if (!readouts.contains(outputNames[i]))
            continue;
        v.outputGiven[i] =
            in.text(readouts.value(outputNames[i]), key("readouts", outputNames[i]), &v.outputs[i]);
    }
    const QJsonObject readoutStyles = in.section(QStringLiteral("readoutStyles"), outputNames);
    for (int i = 0; i < OutputCount && !in.failed(); ++i) {
        if (!readoutStyles.contains(outputNames[i]))
            continue;
        v.outputStyleGiven[i] =
            in.style(readoutStyles.value(outputNames[i]), key("readoutStyles", outputNames[i]),
                     OUTPUT_STYLE_ROLES, &v.outputStyles[i]);
    }

    QStringList optionNames;
    for (int i = 0; i < OptionCount; ++i)
        optionNames << optionName(Option(i));
    const QJsonObject checks = in.section(QStringLiteral("options"), optionNames);
    for (int i = 0; i < OptionCount && !in.failed(); ++i) {
        v.options[i] = start.options[i];
        if (checks.contains(optionNames[i]))
            in.boolean(checks.value(optionNames[i]), key("options", optionNames[i]), &v.options[i]);
    }

    const QString absorptionKey = QStringLiteral("absorption");
    if (!root.contains(absorptionKey)) {
        result.missing << absorptionKey;
    } else if (!in.failed()) {
        const QJsonValue value = root.value(absorptionKey);
        const int index = value.isString() ? absorptionIndex(value.toString()) : -1;
        if (index < 0)
            in.fail(absorptionKey, trMain("%1 is not classic or tabulated").arg(quoted(value)));
        else
            v.absorption = Absorption(index);
    }

    // The element choice indexes the elements of the target the file has.
    const QJsonObject choices =
        in.section(QStringLiteral("choices"), {choiceName(SelectTE), choiceName(SelectAE)});
    if (!in.failed() && choices.contains(choiceName(SelectTE))) {
        Composition target;
        evalComposition(v.inputs[SetTgtCmp], target, xrayDb);
        in.item(choices.value(choiceName(SelectTE)), key("choices", choiceName(SelectTE)), -1,
                int(target.entries.size()) - 1, &v.elementIndex);
    }
    if (!in.failed() && choices.contains(choiceName(SelectAE))) {
        in.item(choices.value(choiceName(SelectAE)), key("choices", choiceName(SelectAE)), 0,
                int(edgeNames.size()) - 1, &v.edgeIndex);
    }

    const QJsonObject plot = in.section(
        QStringLiteral("plot"),
        {QStringLiteral("logScale"), QStringLiteral("typedStart"), QStringLiteral("typedEnd")});
    v.typedStart = v.inputs[StartE0];
    v.typedEnd = v.inputs[EndE0];
    if (!in.failed() && plot.contains(QStringLiteral("logScale")))
        in.boolean(plot.value(QStringLiteral("logScale")), key("plot", QStringLiteral("logScale")),
                   &v.logScale);
    if (!in.failed() && plot.contains(QStringLiteral("typedStart")))
        in.text(plot.value(QStringLiteral("typedStart")), key("plot", QStringLiteral("typedStart")),
                &v.typedStart);
    if (!in.failed() && plot.contains(QStringLiteral("typedEnd")))
        in.text(plot.value(QStringLiteral("typedEnd")), key("plot", QStringLiteral("typedEnd")),
                &v.typedEnd);

    // The values behind the fields are not refused for their content: one that cannot be used
    // is recomputed from the fields when the plan is put in place.
    QStringList internalNames;
    for (const InternalValue &iv : INTERNALS)
        internalNames << QLatin1String(iv.name);
    const QJsonObject internal = in.section(QStringLiteral("internal"), internalNames);
    v.internalsGiven = root.contains(QStringLiteral("internal"));
    for (int k = 0; k < INTERNAL_COUNT; ++k) {
        const QString name = internalNames[k];
        v.internalPresent[k] = internal.contains(name);
        v.internalRead[k] =
            v.internalPresent[k] && readExact(internal.value(name), &v.internals[k]);
        if (!v.internalPresent[k] && v.internalsGiven)
            result.missing << key("internal", name);
    }

    if (in.failed()) {
        result.error = in.error;
        result.ignored.clear();
        result.ignoredCount = 0;
        result.missing.clear();
        return false;
    }
    return true;
}

void PlanModel::applySession(const SessionValues &v, SessionLoad &result)
{
    for (int i = 0; i < InputCount; ++i) {
        inputs[i] = v.inputs[i];
        inputStyles[i] = start.inputStyles[i];
    }
    // A result the file holds that cannot be one (nan, or no number where a number is shown) is
    // left empty; the plan computes it again wherever it can.
    QStringList emptied;
    for (int o = 0; o < OutputCount; ++o) {
        outputs[o] = v.outputGiven[o] ? v.outputs[o] : start.outputs[o];
        outputStyles[o] = start.outputStyles[o];
        if (v.outputGiven[o] && !plausibleReadout(Output(o), outputs[o])) {
            emptied << QStringLiteral("readouts.") + outputName(Output(o));
            outputs[o].clear();
        }
    }
    if (!emptied.isEmpty()) {
        result.notes << trMain("read-outs that hold no result, left empty: %1")
                            .arg(emptied.join(QStringLiteral(", ")));
    }
    std::copy(std::begin(v.options), std::end(v.options), std::begin(options));
    if (options[IntensityInt] == options[IntensityPeak]) // one of the pair, always
        options[IntensityPeak] = !options[IntensityInt];

    // The compositions follow from their texts, exactly as the parser read them when saved.
    absorptionData = v.absorption == TabulatedCrossSections && crossSections.size() > 0
                         ? TabulatedCrossSections
                         : TwoTermTable;
    const CrossSectionTable *table =
        absorptionData == TabulatedCrossSections ? &crossSections : nullptr;
    for (Composition *comp : compositions())
        comp->tabulated = table;
    // The expanded forms are what the parser says of the texts; a target never edited shows
    // none.
    const QString tgtExpanded = evaluate(SetTgtCmp, tgtComp);
    const QString bndExpanded = evaluate(SetBndCmp, bndComp);
    const auto expanded = [this](Output o, Input field, const QString &parsed) {
        if (outputs[o] != parsed && !(outputs[o].isEmpty() && inputs[field].isEmpty()))
            outputs[o] = parsed;
    };
    expanded(ExtendedTgtMolecularForm, SetTgtCmp, tgtExpanded);
    expanded(ExtendedBndMolecularForm, SetBndCmp, bndExpanded);
    for (int i = 0; i < InputCount; ++i) {
        if (Composition *layer = layerComposition(Input(i)))
            evaluate(Input(i), *layer);
    }

    elementItems.clear();
    for (const CompEntry &e : qAsConst(tgtComp.entries))
        elementItems.append(e.symbol);
    elementIndex = v.elementIndex >= -1 ? v.elementIndex : (elementItems.isEmpty() ? -1 : 0);
    edgeIndex = v.edgeIndex;
    // Without a calculation point the file gets the one choosing the element gives, as typing the
    // target would.
    if (!v.calcPointGiven && tgtComp.valid && elementIndex >= 0 && edgeIndex <= EdgeLIII) {
        const double edge = tgtComp.entries.at(elementIndex).data->edge[edgeIndex];
        inputs[SetCalcPointE] = QString::number(edge, 'f', 4);
    }
    logMuT = v.logScale;
    lastTypedStart = v.typedStart;
    lastTypedEnd = v.typedEnd;

    // The values behind the fields. A field's value is kept when it agrees with the field at
    // the form's rounding, or, while the field is flagged, when it lies within the field's
    // bounds or is the starting one: nothing is taken from a flagged field, so the plan still
    // holds the last sound value, or the one it started with.
    const auto indexOf = [](double PlanModel::*member) {
        return int(std::find_if(std::begin(INTERNALS), std::end(INTERNALS),
                                [member](const InternalValue &iv) { return iv.member == member; }) -
                   std::begin(INTERNALS));
    };
    const int tgtMolIndex = indexOf(&PlanModel::tgtMolPerArea);
    const int bndPerTgtIndex = indexOf(&PlanModel::bndPerTgt);
    double stored[INTERNAL_COUNT];
    bool read[INTERNAL_COUNT];
    std::copy(std::begin(v.internals), std::end(v.internals), std::begin(stored));
    std::copy(std::begin(v.internalRead), std::end(v.internalRead), std::begin(read));
    // A blank's binder per target mole is infinite, which a session does not write: without it,
    // a pellet with no target per area is a blank.
    if (!v.internalPresent[bndPerTgtIndex] && read[tgtMolIndex] && stored[tgtMolIndex] == 0.0) {
        stored[bndPerTgtIndex] = HUGE_VAL;
        read[bndPerTgtIndex] = true;
        result.missing.removeAll(QStringLiteral("internal.bndPerTgt"));
    }
    // The shares mean nothing without both compositions, and an edit of one is then ignored: the
    // field may hold what the user typed while the plan keeps its share.
    const bool sharesTied = tgtComp.valid && bndComp.valid;
    QStringList disagreeing;
    const auto fits = [&](int k) {
        const InternalValue &iv = INTERNALS[k];
        if (!read[k] || !std::isfinite(stored[k]))
            return false;
        const Input field = Input(iv.source);
        const double shown = iv.toShown(stored[k]);
        const bool tied = sharesTied || (iv.source != SetTgtBndMolR && iv.source != SetTgtBndWtR);
        if (sameShown(shown, number(field)))
            return true;
        if (tied && ruleProblem(field).isEmpty())
            return false;
        return withinBounds(shown, Fields::input(field)) || stored[k] == start.internals.at(k);
    };
    // What a value that does not fit is recomputed from: the field's text as an edit reads it,
    // or while the field is flagged the stored value if sound, else the starting one.
    const auto fromField = [&](int k) {
        const InternalValue &iv = INTERNALS[k];
        const Input field = Input(iv.source);
        if (ruleProblem(field).isEmpty())
            return iv.fromShown(number(field));
        if (read[k] && std::isfinite(stored[k]) &&
            withinBounds(iv.toShown(stored[k]), Fields::input(field)))
            return stored[k];
        return start.internals.at(k);
    };
    // A derived amount: not negative, and finite but for the binder per target of a blank.
    const auto derivedFits = [&](int k) {
        if (!read[k] || !(stored[k] >= 0))
            return false;
        if (std::isfinite(stored[k]))
            return true;
        return k == bndPerTgtIndex && read[tgtMolIndex] && stored[tgtMolIndex] == 0.0;
    };

    bool pelletFits = true;
    for (int k = 0; k < INTERNAL_COUNT; ++k) {
        const InternalValue &iv = INTERNALS[k];
        switch (iv.kind) {
        case Behind::Pellet:
        case Behind::Derived:
            if (iv.kind == Behind::Pellet ? fits(k) : derivedFits(k)) {
                this->*iv.member = stored[k];
            } else {
                pelletFits = false;
                if (v.internalPresent[k])
                    disagreeing << QStringLiteral("internal.") + QLatin1String(iv.name);
            }
            break;
        case Behind::Point:
            if (fits(k)) {
                this->*iv.member = stored[k];
            } else {
                this->*iv.member = fromField(k);
                if (v.internalPresent[k])
                    disagreeing << QStringLiteral("internal.") + QLatin1String(iv.name);
            }
            break;
        case Behind::Shown: {
            // The plan computes these again whenever it has a target; the stored one is kept
            // only when it is what the read-out shows.
            bool ok = false;
            const double shown = outputs[iv.source].toDouble(&ok);
            if (read[k] && std::isfinite(stored[k]) && (!ok || sameShown(stored[k], shown)))
                this->*iv.member = stored[k];
            else
                this->*iv.member = ok && std::isfinite(shown) ? shown : start.internals.at(k);
            break;
        }
        }
    }
    // Each of the pellet's values may fit its field while they disagree among themselves (an
    // amount per area that is not the weight's): the whole pellet is then recomputed too.
    // While a field the pellet is computed from is flagged, or a composition cannot be used
    // (an unknown symbol in the binder), the plan keeps the pellet as it was, whatever
    // composition came since: there is nothing to compare with.
    const bool pelletHeld = anyFlagged(
        {SetTgtWeight, SetBndWeight, SetCylDiam, SetTgtBndMolR, SetTgtDens, SetBndDens, SetThick});
    if (pelletFits && pelletUsable() && !pelletHeld) {
        const QString key = pelletDisagreement();
        if (!key.isEmpty()) {
            pelletFits = false;
            disagreeing << key;
        }
    }
    if (!pelletFits) {
        // As at start-up, and as typing the compositions and then the thickness would: the
        // shares first, then the weights from the thickness.
        for (int k = 0; k < INTERNAL_COUNT; ++k) {
            const InternalValue &iv = INTERNALS[k];
            if (iv.kind == Behind::Pellet)
                this->*iv.member = fromField(k);
            else if (iv.kind == Behind::Derived)
                this->*iv.member = derivedFits(k) ? stored[k] : start.internals.at(k);
        }
        molRatioToWtRatio();
        recalcFromThickness();
    }
    if (!disagreeing.isEmpty()) {
        result.notes << trMain("values that disagree with the fields were recomputed from them: %1")
                            .arg(disagreeing.join(QStringLiteral(", ")));
    }

    // The roles the file gives win over those the recomputation set.
    for (int i = 0; i < InputCount; ++i) {
        if (v.inputStyleGiven[i])
            inputStyles[i] = v.inputStyles[i];
    }
    for (int o = 0; o < OutputCount; ++o) {
        if (v.outputStyleGiven[o])
            outputStyles[o] = v.outputStyles[o];
    }

    fluoPlan.invalidateLines();
    reloadMeasuredForSession(result.notes);
    updateChecks();
    refreshPlot();
    pendingStatus.clear();
    shownStatus.clear();
    Q_EMIT absorptionChanged();
    Q_EMIT planReset();
}

QString PlanModel::pelletDisagreement() const
{
    const double area = pelletArea(cylDiam);
    const double mwT = tgtComp.molecularWeight();
    const bool binder = bndComp.valid;
    const double mwB = binder ? bndComp.molecularWeight() : 0.0;
    if (!sameShown(gToMg(mwT * tgtMolPerArea * area), gToMg(tgtWeight)))
        return QStringLiteral("internal.tgtMolPerArea");
    if (binder && !sameShown(gToMg(mwB * bndMolPerArea * area), gToMg(bndWeight)))
        return QStringLiteral("internal.bndMolPerArea");
    if (binder && tgtMolPerArea > 0 &&
        !sameShown(100.0 / (1.0 + bndPerTgt), 100.0 / (1.0 + bndMolPerArea / tgtMolPerArea)))
        return QStringLiteral("internal.bndPerTgt");
    // The pellet read-outs, as either way of computing the pellet gave them (a binder without
    // a composition weighs nothing when the weights were typed).
    const auto shows = [this](Output o, double a, double b) {
        if (outputs[o].isEmpty())
            return true;
        bool ok = false;
        const double shown = outputs[o].toDouble(&ok);
        return ok && (sameShown(a, shown) || sameShown(b, shown));
    };
    const double bndShare = binder ? bndWeight : 0.0;
    if (!shows(CylWeight, gToMg(tgtWeight + bndWeight), gToMg(tgtWeight + bndShare)))
        return QStringLiteral("readouts.CylWeight");
    if (!shows(CylVol, cm3ToMm3(area * thickness),
               cm3ToMm3(tgtWeight / tgtDens + bndShare / bndDens)))
        return QStringLiteral("readouts.CylVol");
    return QString();
}

bool PlanModel::saveSession(const QString &fileName, QString *error) const
{
    return SafeWrite::save(
        fileName,
        [this](QIODevice &file, QString &why) {
            if (file.write(sessionJson()) >= 0)
                return true;
            why = file.errorString();
            return false;
        },
        error);
}

PlanModel::SessionLoad PlanModel::loadSession(const QString &fileName)
{
    QByteArray bytes;
    QString error;
    if (!SafeRead::read(fileName, SESSION_MAX_BYTES, &bytes, &error)) {
        SessionLoad result;
        result.error = error;
        return result;
    }
    return loadSessionJson(bytes);
}
