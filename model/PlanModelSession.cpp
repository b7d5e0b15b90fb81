// Sessions of the plan: one JSON object that holds what the form shows and the values behind it.
#include "PlanModel.h"
#include "SafeWrite.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

namespace {

const QLatin1String FORMAT_KEY("format");
const QLatin1String FORMAT_NAME("tirn-session");
const QLatin1String VERSION_KEY("version");

QString trMain(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

// Full precision and the IEEE specials, which JSON numbers cannot carry.
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

// The values behind the three-decimal fields, by the names the program uses for them.
struct InternalValue
{
    const char *name;
    double PlanModel::*member;
};
const InternalValue INTERNALS[] = {
    {"tgtWeight", &PlanModel::tgtWeight},
    {"bndWeight", &PlanModel::bndWeight},
    {"cylDiam", &PlanModel::cylDiam},
    {"molRatio", &PlanModel::molRatio},
    {"wtRatio", &PlanModel::wtRatio},
    {"tgtDens", &PlanModel::tgtDens},
    {"bndDens", &PlanModel::bndDens},
    {"thickness", &PlanModel::thickness},
    {"calcPointE", &PlanModel::calcPointE},
    {"wantedDMuT", &PlanModel::wantedDMuT},
    {"wantedMuT", &PlanModel::wantedMuT},
    {"curMuT", &PlanModel::curMuT},
    {"curDMuT", &PlanModel::curDMuT},
    {"bndPerTgt", &PlanModel::bndPerTgt},
    {"tgtMolPerArea", &PlanModel::tgtMolPerArea},
    {"bndMolPerArea", &PlanModel::bndMolPerArea},
};

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
    for (const InternalValue &v : INTERNALS)
        internal.insert(QLatin1String(v.name), exact(this->*v.member));
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

PlanModel::SessionLoad PlanModel::loadSessionJson(const QByteArray &json)
{
    SessionLoad result;
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        result.error = trMain("not a session file (%1)").arg(parseError.errorString());
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

    // Takes the object under key, noting its unknown members; known names are looked up by
    // the caller, which notes the missing ones.
    const auto section = [&](const QString &key, const QStringList &known) {
        const QJsonObject obj = root.value(key).toObject();
        if (!root.contains(key))
            result.missing << key;
        for (auto it = obj.constBegin(); it != obj.constEnd(); ++it) {
            if (!known.contains(it.key()))
                result.ignored << key + QLatin1Char('.') + it.key();
        }
        return obj;
    };
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
    for (const QString &key : root.keys()) {
        if (!topKeys.contains(key))
            result.ignored << key;
    }

    // The plan as it started supplies the defaults for whatever the file lacks.
    QStringList inputNames;
    for (int i = 0; i < InputCount; ++i)
        inputNames << inputName(Input(i));
    QStringList outputNames;
    for (int i = 0; i < OutputCount; ++i)
        outputNames << outputName(Output(i));
    QStringList optionNames;
    for (int i = 0; i < OptionCount; ++i)
        optionNames << optionName(Option(i));

    const QJsonObject fields = section(QStringLiteral("fields"), inputNames);
    const QJsonObject fieldStyles = section(QStringLiteral("fieldStyles"), inputNames);
    for (int i = 0; i < InputCount; ++i) {
        const QJsonValue v = fields.value(inputNames[i]);
        if (!v.isString() && root.contains(QStringLiteral("fields")))
            result.missing << QStringLiteral("fields.") + inputNames[i];
        inputs[i] = v.isString() ? v.toString() : start.inputs[i];
        inputStyles[i] = fieldStyles.value(inputNames[i]).toInt(start.inputStyles[i]);
    }
    const QJsonObject readouts = section(QStringLiteral("readouts"), outputNames);
    const QJsonObject readoutStyles = section(QStringLiteral("readoutStyles"), outputNames);
    for (int i = 0; i < OutputCount; ++i) {
        const QJsonValue v = readouts.value(outputNames[i]);
        outputs[i] = v.isString() ? v.toString() : start.outputs[i];
        outputStyles[i] = readoutStyles.value(outputNames[i]).toInt(start.outputStyles[i]);
    }
    const QJsonObject checks = section(QStringLiteral("options"), optionNames);
    for (int i = 0; i < OptionCount; ++i)
        options[i] = checks.value(optionNames[i]).toBool(start.options[i]);
    if (options[IntensityInt] == options[IntensityPeak]) // one of the pair, always
        options[IntensityPeak] = !options[IntensityInt];

    // The compositions follow from their texts, exactly as the parser read them when saved.
    const int absorptionChoice =
        absorptionIndex(root.value(QStringLiteral("absorption")).toString());
    if (!root.contains(QStringLiteral("absorption")))
        result.missing << QStringLiteral("absorption");
    absorptionData = absorptionChoice == TabulatedCrossSections && crossSections.size() > 0
                         ? TabulatedCrossSections
                         : TwoTermTable;
    const CrossSectionTable *table =
        absorptionData == TabulatedCrossSections ? &crossSections : nullptr;
    for (Composition *comp : {&tgtComp, &bndComp, &airComp, &f1Comp, &f2Comp})
        comp->tabulated = table;
    // The expanded forms are what the parser says of the texts, unless the file has them (a
    // target never edited shows none).
    const QString tgtExpanded = evaluate(SetTgtCmp, tgtComp);
    const QString bndExpanded = evaluate(SetBndCmp, bndComp);
    if (!readouts.contains(outputName(ExtendedTgtMolecularForm)))
        outputs[ExtendedTgtMolecularForm] = tgtExpanded;
    if (!readouts.contains(outputName(ExtendedBndMolecularForm)))
        outputs[ExtendedBndMolecularForm] = bndExpanded;
    evaluate(Filter1Composition, f1Comp);
    evaluate(Filter2Composition, f2Comp);

    const QJsonObject choices =
        section(QStringLiteral("choices"), {choiceName(SelectTE), choiceName(SelectAE)});
    elementItems.clear();
    for (const CompEntry &e : qAsConst(tgtComp.entries))
        elementItems.append(e.symbol);
    const int e = choices.value(choiceName(SelectTE)).toInt(elementItems.isEmpty() ? -1 : 0);
    elementIndex = (e >= -1 && e < elementItems.size()) ? e : (elementItems.isEmpty() ? -1 : 0);
    const int j = choices.value(choiceName(SelectAE)).toInt(0);
    edgeIndex = (j >= 0 && j < edgeNames.size()) ? j : 0;

    const QJsonObject plot =
        section(QStringLiteral("plot"), {QStringLiteral("logScale"), QStringLiteral("typedStart"),
                                         QStringLiteral("typedEnd")});
    logMuT = plot.value(QStringLiteral("logScale")).toBool(false);
    lastTypedStart = plot.value(QStringLiteral("typedStart")).toString(inputs[StartE0]);
    lastTypedEnd = plot.value(QStringLiteral("typedEnd")).toString(inputs[EndE0]);

    QStringList internalNames;
    for (const InternalValue &v : INTERNALS)
        internalNames << QLatin1String(v.name);
    const QJsonObject internal = section(QStringLiteral("internal"), internalNames);
    // Without a stored value, the fresh plan's is taken, as at start-up.
    for (int k = 0; k < int(std::size(INTERNALS)); ++k) {
        const InternalValue &v = INTERNALS[k];
        if (!readExact(internal.value(QLatin1String(v.name)), &(this->*v.member))) {
            this->*v.member = start.internals.at(k);
            if (root.contains(QStringLiteral("internal")))
                result.missing << QStringLiteral("internal.") + QLatin1String(v.name);
        }
    }

    spectrumPlan.invalidateLines();
    updateChecks();
    refreshPlot();
    pendingStatus.clear();
    shownStatus.clear();
    Q_EMIT absorptionChanged();
    Q_EMIT planReset();
    result.ok = true;
    return result;
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
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        SessionLoad result;
        result.error = file.errorString();
        return result;
    }
    return loadSessionJson(file.readAll());
}
