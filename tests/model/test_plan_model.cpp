// The plan on its own: the model library with nothing of the program's bundle, as a script or
// another program would use it.

#include "PlanModel.h"
#include "VectorState.h"

#include <QtTest>

#include <QFile>
#include <QHash>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPen>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <sys/stat.h>

class TestPlanModel : public QObject
{
    Q_OBJECT

    // Total mu/rho [cm2/g] of the Elam tables by xraydb, keyed by "symbol energy" as the
    // reference file writes them.
    QHash<QString, double> reference;
    // A session the program saved: Fe2O3 in boron nitride, by weight share and thickness.
    QByteArray saved;

private Q_SLOTS:
    void initTestCase();
    void muTOfPellet_data();
    void muTOfPellet();
    void optionEditsRecomputeByTheirRow_data();
    void optionEditsRecomputeByTheirRow();
    void inputEditsRefreshTheLinesByTheirRow_data();
    void inputEditsRefreshTheLinesByTheirRow();
    void flaggedFieldLeavesNoOldPlot_data();
    void flaggedFieldLeavesNoOldPlot();
    void sessionDefaultsAreTheStartingPlan_data();
    void sessionDefaultsAreTheStartingPlan();
    void hostileSessions_data();
    void hostileSessions();
    void sessionRoundTripKeepsThePlan_data();
    void sessionRoundTripKeepsThePlan();
    void sessionOfFieldsIsTheTypedPlan_data();
    void sessionOfFieldsIsTheTypedPlan();
    void listingNamesEveryRow();
    void physicsStartsInACleanVectorState_data();
    void physicsStartsInACleanVectorState();
};

void TestPlanModel::initTestCase()
{
    QFile f(QStringLiteral(TIRN_SOURCE_DIR "/data/reference/mu_total_reference.txt"));
    QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
    while (!f.atEnd()) {
        const QStringList w =
            QString::fromLatin1(f.readLine()).simplified().split(QLatin1Char(' '));
        if (w.size() == 5 && w[0] == QLatin1String("mu"))
            reference.insert(w[1] + QLatin1Char(' ') + w[3], w[4].toDouble());
    }
    QVERIFY(reference.size() > 92 * 60);

    PlanModel plan;
    plan.setInput(PlanModel::SetTgtCmp, QStringLiteral("Fe2O3"));
    plan.setInput(PlanModel::SetTgtBndWtR, QStringLiteral("10"));
    plan.setInput(PlanModel::SetThick, QStringLiteral("0.7"));
    saved = plan.sessionJson();
}

// A pellet of the target alone, of known mass per area: its mu t is that mass per area times the
// mass attenuation coefficient, the sum of the elements' by mass fraction.
void TestPlanModel::muTOfPellet_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("energy");     // keV, as the reference file writes it
    QTest::addColumn<QStringList>("shares"); // "symbol=mass fraction", standard atomic weights

    QTest::newRow("Cu below its K edge") << "Cu"
                                         << "8.973" << QStringList{"Cu=1"};
    QTest::newRow("Cu above its K edge") << "Cu"
                                         << "8.985" << QStringList{"Cu=1"};
    QTest::newRow("Cu at 20 keV") << "Cu"
                                  << "19.811" << QStringList{"Cu=1"};
    QTest::newRow("Pb above L3") << "Pb"
                                 << "13.041" << QStringList{"Pb=1"};
    QTest::newRow("Pb at 5 keV") << "Pb"
                                 << "4.85956" << QStringList{"Pb=1"};
    // Fe 2 x 55.845, O 3 x 15.999.
    QTest::newRow("Fe2O3 at 9.8 keV") << "Fe2O3"
                                      << "9.81186" << QStringList{"Fe=0.699430", "O=0.300570"};
    QTest::newRow("Fe2O3 at 3.4 keV") << "Fe2O3"
                                      << "3.41995" << QStringList{"Fe=0.699430", "O=0.300570"};
}

void TestPlanModel::muTOfPellet()
{
    QFETCH(QString, target);
    QFETCH(QString, energy);
    QFETCH(QStringList, shares);

    double muRho = 0;
    for (const QString &share : shares) {
        const QStringList s = share.split(QLatin1Char('='));
        const QString key = s[0] + QLatin1Char(' ') + energy;
        QVERIFY2(reference.contains(key), qPrintable(key));
        muRho += s[1].toDouble() * reference.value(key);
    }

    PlanModel plan;
    plan.setAbsorption(PlanModel::TabulatedCrossSections);
    QCOMPARE(plan.absorption(), PlanModel::TabulatedCrossSections);
    plan.setInput(PlanModel::SetTgtCmp, target);
    plan.setInput(PlanModel::SetTgtWeight, QStringLiteral("20"));
    plan.setInput(PlanModel::SetBndWeight, QStringLiteral("0"));
    plan.setInput(PlanModel::SetCylDiam, QStringLiteral("10"));
    QVERIFY2(plan.flaggedFields().isEmpty(), qPrintable(plan.fieldProblem(PlanModel::SetTgtCmp)));

    const double massPerArea = 20e-3 / (M_PI * 0.5 * 0.5); // g/cm2
    const double expected = massPerArea * muRho;
    const double muT = plan.pelletMuT(energy.toDouble());
    // The tabulation is interpolated log-log between its points; xraydb agrees within 0.5 %.
    QVERIFY2(std::abs(muT / expected - 1) < 0.005,
             qPrintable(QStringLiteral("mu t %1, expected %2").arg(muT).arg(expected)));
}

namespace {

// A pellet the detailed model gives lines, scatter and a count rate for, with Cu K lines that
// excite Fe K in the plotted range (secondary fluorescence).
void detailedPellet(PlanModel &plan)
{
    plan.setInput(PlanModel::SetTgtCmp, QStringLiteral("CuFe2O4"));
    plan.setInput(PlanModel::SetBndWeight, QStringLiteral("100"));
    plan.setOption(PlanModel::DetailedFluo, true);
}

QString allLines(PlanModel &plan)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("lines.csv"));
    if (!plan.saveLines(file))
        return QString();
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

} // namespace

// Each option's row says whether an edit of it recomputes the plot and the detailed lines; a
// wrong flag leaves the plot showing the option's old state.
void TestPlanModel::optionEditsRecomputeByTheirRow_data()
{
    QTest::addColumn<int>("option");
    for (int i = 0; i < PlanModel::OptionCount; ++i) {
        QTest::newRow(qPrintable(PlanModel::optionName(PlanModel::Option(i)))) << i;
    }
}

void TestPlanModel::optionEditsRecomputeByTheirRow()
{
    QFETCH(int, option);
    const auto o = PlanModel::Option(option);
    const unsigned flags = Fields::option(o).flags;
    PlanModel plan;
    detailedPellet(plan);
    const QString before = allLines(plan);
    const bool wasOn = plan.option(o);
    QSignalSpy repaints(&plan, &PlanModel::plotChanged);
    QSignalSpy readouts(&plan, &PlanModel::outputChanged);
    // Of a pair of radio buttons only checking one counts.
    const bool accepted = plan.setOption(o, !wasOn);
    QCOMPARE(accepted, !(flags & OPT_EXCLUSIVE) || !wasOn);
    if (!accepted)
        return;
    QCOMPARE(plan.option(o), !wasOn);
    QCOMPARE(repaints.isEmpty(), bool(flags & OPT_VIEW_ONLY));
    // A scale of the plot repaints and recomputes nothing: no read-out, not the lines.
    if (flags & OPT_PLOT_ONLY) {
        QVERIFY(readouts.isEmpty());
        QCOMPARE(allLines(plan), before);
    }
    if (flags & OPT_FEEDS_LINES) {
        // Whatever the option does to the rates, the table must be the one of the new state.
        PlanModel fresh;
        detailedPellet(fresh);
        fresh.setOption(o, !wasOn);
        QCOMPARE(allLines(plan), allLines(fresh));
        QVERIFY(o == PlanModel::DetailedFluo || allLines(plan) != before);
    }
}

// An input that feeds the detailed lines must make the plan compute them anew; one that does
// not (a view setting) must leave the rates alone.
void TestPlanModel::inputEditsRefreshTheLinesByTheirRow_data()
{
    QTest::addColumn<int>("input");
    QTest::addColumn<QString>("text");
    QTest::newRow("ExitAngle") << int(PlanModel::ExitAngle) << "30";
    QTest::newRow("DetBeWindow") << int(PlanModel::DetBeWindow) << "200";
    QTest::newRow("Filter1Thickness") << int(PlanModel::Filter1Thickness) << "0.05";
    QTest::newRow("AirThickness") << int(PlanModel::AirThickness) << "10";
    QTest::newRow("ExtEnergy") << int(PlanModel::ExtEnergy) << "12";
    QTest::newRow("DetResolution") << int(PlanModel::DetResolution) << "0.15";
    QTest::newRow("DetDeadTime") << int(PlanModel::DetDeadTime) << "2";
}

void TestPlanModel::inputEditsRefreshTheLinesByTheirRow()
{
    QFETCH(int, input);
    QFETCH(QString, text);
    const auto field = PlanModel::Input(input);
    PlanModel plan;
    detailedPellet(plan);
    const QString before = allLines(plan);
    plan.setInput(field, text);
    PlanModel fresh;
    fresh.setInput(field, text);
    detailedPellet(fresh);
    QCOMPARE(allLines(plan), allLines(fresh));
    QCOMPARE(allLines(plan) != before, bool(Fields::input(field).flags & FEEDS_LINES));
}

// A flagged field leaves the plan computing with its last sound value; the plot must not show
// that older plan: no curve when the pellet is flagged, no spectrum when the spectrum is.
void TestPlanModel::flaggedFieldLeavesNoOldPlot_data()
{
    QTest::addColumn<int>("input");
    for (int i = 0; i < PlanModel::InputCount; ++i) {
        const InputRow &row = Fields::input(PlanModel::Input(i));
        if (row.rule != Rule::Composition && row.rule != Rule::FilePath &&
            row.readouts != READS_NONE)
            QTest::newRow(row.name) << i;
    }
}

void TestPlanModel::flaggedFieldLeavesNoOldPlot()
{
    QFETCH(int, input);
    const auto field = PlanModel::Input(input);
    PlanModel plan;
    detailedPellet(plan);
    QVERIFY(plan.plotShown());
    QVERIFY(plan.spectrum.spectrumMax > 0);
    // A signed field takes -1; far below its bounds it is flagged all the same.
    plan.setInput(field, Fields::input(field).rule == Rule::Signed ? QStringLiteral("-1e9")
                                                                   : QStringLiteral("-1"));
    QVERIFY(!plan.fieldProblem(field).isEmpty());
    const unsigned reads = Fields::input(field).readouts;
    if (reads & readoutBit(PlanModel::CylWeight))
        QVERIFY(!plan.plotShown());
    if ((reads & readoutBit(PlanModel::AddInfo)) && plan.plotShown()) {
        QCOMPARE(plan.spectrum.spectrumMax, 0.0);
        QVERIFY(plan.spectrum.linePeaks.isEmpty());
        QVERIFY(std::all_of(std::begin(plan.fluoSpectrum), std::end(plan.fluoSpectrum),
                            [](double v) { return v == 0; }));
    }
    // Mended, the plot is the fresh plan's again.
    plan.setInput(field, Fields::input(field).defaultText);
    QVERIFY(plan.plotShown());
}

// What a session lacks comes from the plan as it started: a file that holds only the fields (as
// a script writes it) loads into an edited plan exactly as into a new one.
// A session that names no choice gets the defaults a new user gets (the tabulated data, the
// detailed model), whatever the plan held before; one that names the classic ones keeps them.
void TestPlanModel::sessionDefaultsAreTheStartingPlan_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("absorption");
    QTest::addColumn<bool>("detailed");
    QTest::newRow("fields only") << QByteArray(R"({"format": "tirn-session", "version": 1,
                          "fields": {"SetTgtCmp": "CuO", "SetThick": "0.5"}})")
                                 << "tabulated" << true;
    QTest::newRow("nothing but the format")
        << QByteArray(R"({"format": "tirn-session", "version": 1})") << "tabulated" << true;
    QTest::newRow("options and choices")
        << QByteArray(R"({"format": "tirn-session", "version": 1, "options": {"DetailedFluo": true},
                          "choices": {"SelectAE": 1}, "fields": {"SetTgtCmp": "PbO"}})")
        << "tabulated" << true;
    QTest::newRow("an earlier user's classic session")
        << QByteArray(R"({"format": "tirn-session", "version": 1, "absorption": "classic",
                          "options": {"DetailedFluo": false}, "fields": {"SetTgtCmp": "PbO"}})")
        << "classic" << false;
}

void TestPlanModel::sessionDefaultsAreTheStartingPlan()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, absorption);
    QFETCH(bool, detailed);
    PlanModel fresh;
    QCOMPARE(fresh.absorption(), PlanModel::TabulatedCrossSections);
    QVERIFY(fresh.option(PlanModel::DetailedFluo));
    PlanModel edited;
    edited.setInput(PlanModel::SetTgtCmp, QStringLiteral("Fe2O3"));
    edited.setInput(PlanModel::SetBndCmp, QStringLiteral("C"));
    edited.setInput(PlanModel::DetDeadTime, QStringLiteral("5"));
    edited.setOption(PlanModel::IntensityPeak, true);
    edited.setOption(PlanModel::SecondaryFluo, false);
    edited.setOption(PlanModel::DetailedFluo, !detailed);
    edited.setAbsorption(absorption == QLatin1String("classic") ? PlanModel::TabulatedCrossSections
                                                                : PlanModel::TwoTermTable);
    QVERIFY(edited.loadSessionJson(json).ok);
    QVERIFY(fresh.loadSessionJson(json).ok);
    QCOMPARE(edited.sessionJson(), fresh.sessionJson());
    QCOMPARE(PlanModel::absorptionName(edited.absorption()), absorption);
    QCOMPARE(edited.option(PlanModel::DetailedFluo), detailed);
}

namespace {

// A number that is no number, as a read-out or a session could spell it.
bool showsNoNumberThatIsNot(const QString &text)
{
    static const QRegularExpression notFinite(
        QStringLiteral("(?<![\\w.])[-+]?(nan|inf|infinity)(?!\\w)"),
        QRegularExpression::CaseInsensitiveOption);
    return !text.contains(notFinite);
}

// The session json with the value at key ("options.DetailedFluo", "version") replaced; an
// undefined value removes the key.
QByteArray withValue(const QByteArray &json, const QString &key, const QJsonValue &value)
{
    QJsonObject root = QJsonDocument::fromJson(json).object();
    const QStringList path = key.split(QLatin1Char('.'));
    QJsonObject section = path.size() > 1 ? root.value(path[0]).toObject() : root;
    if (value.isUndefined())
        section.remove(path.last());
    else
        section.insert(path.last(), value);
    if (path.size() > 1)
        root.insert(path[0], section);
    else
        root = section;
    return QJsonDocument(root).toJson();
}

// Edits "Name=value" by field, option or choice name, or "absorption=tabulated", in order.
void applyEdits(PlanModel &plan, const QStringList &edits)
{
    for (const QString &edit : edits) {
        const QString name = edit.section(QLatin1Char('='), 0, 0);
        const QString value = edit.section(QLatin1Char('='), 1);
        if (const int i = PlanModel::inputIndex(name); i >= 0)
            plan.setInput(PlanModel::Input(i), value);
        else if (const int o = PlanModel::optionIndex(name); o >= 0)
            plan.setOption(PlanModel::Option(o), value == QLatin1String("1"));
        else if (const int c = PlanModel::choiceIndex(name); c >= 0)
            plan.setChoice(PlanModel::Choice(c), value.toInt());
        else if (name == QLatin1String("absorption"))
            plan.setAbsorption(PlanModel::Absorption(PlanModel::absorptionIndex(value)));
        else
            QTest::qFail(qPrintable(QStringLiteral("no such name: ") + name), __FILE__, __LINE__);
    }
}

// Everything the form shows, one line each.
QStringList shownPlan(const PlanModel &plan)
{
    QStringList shown;
    for (int i = 0; i < PlanModel::InputCount; ++i) {
        const auto f = PlanModel::Input(i);
        shown << QStringLiteral("%1=%2 (%3)")
                     .arg(PlanModel::inputName(f), plan.input(f))
                     .arg(plan.inputStyle(f));
    }
    for (int o = 0; o < PlanModel::OutputCount; ++o) {
        const auto r = PlanModel::Output(o);
        shown << QStringLiteral("%1=%2 (%3)")
                     .arg(PlanModel::outputName(r), plan.output(r))
                     .arg(plan.outputStyle(r));
    }
    for (int c = 0; c < PlanModel::ChoiceCount; ++c) {
        const auto choice = PlanModel::Choice(c);
        shown << PlanModel::choiceName(choice) + QLatin1Char('=') +
                     QString::number(plan.choiceIndex(choice));
    }
    return shown;
}

} // namespace

// Whatever a session file holds, loading it either changes nothing and says where the file is
// wrong, or gives a plan the program could have reached by edits: no nan or inf anywhere, the
// absurd fields flagged, and a state that loading its own session again leaves as it is.
void TestPlanModel::hostileSessions_data()
{
    QTest::addColumn<QString>("file"); // empty: content in a file; <fifo>, <folder>, <missing>
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("loads");
    QTest::addColumn<QString>("says"); // in the error, or in the notes of a load
    QTest::addColumn<QStringList>("flagged");

    const QByteArray &s = saved;
    const auto set = [&s](const char *key, const QJsonValue &value) {
        return withValue(s, QLatin1String(key), value);
    };
    const auto refused = [](const char *name, const QByteArray &content, const char *says) {
        QTest::newRow(name) << QString() << content << false << says << QStringList();
    };
    const auto loaded = [](const char *name, const QByteArray &content, const char *says,
                           const QStringList &flagged = {}) {
        QTest::newRow(name) << QString() << content << true << says << flagged;
    };

    // Syntax: where the parser stopped, by line and column.
    refused("truncated", s.left(s.size() / 2), "not a session file (line ");
    refused("unterminated string",
            "{\"format\": \"tirn-session\", \"version\": 1,\n\"fields\": {\"SetTgtCmp\": \"Fe2O3",
            "(line 2, column ");
    refused("trailing garbage", s + "}", "not a session file (line ");
    refused("empty", "", "the file is empty");
    refused("blank lines", "\n\n  \n", "the file is empty");
    refused("an array", "[1, 2]", "not a JSON object");
    refused("another program's JSON", "{\"fields\": {}}", "not a session file");
    refused("version as text", set("version", QStringLiteral("1")), "no valid format version");
    refused("newer version", set("version", 99), "newer version");

    // Types and lists: the key and what is wrong with its value.
    refused("field a number", set("fields.SetThick", 5), "fields.SetThick: 5 is not a text");
    refused("field null", set("fields.SetTgtCmp", QJsonValue::Null),
            "fields.SetTgtCmp: null is not a text");
    refused("fields an array", set("fields", QJsonArray{1}), "fields: [...] is not an object");
    refused("option as text", set("options.DetailedFluo", QStringLiteral("true")),
            "options.DetailedFluo: \"true\" is not true or false");
    refused("option a number", set("options.MutBox", 1), "options.MutBox: 1 is not true or false");
    refused("field style 999", set("fieldStyles.SetThick", 999),
            "fieldStyles.SetThick: 999 is not a style");
    refused("read-out style -1", set("readoutStyles.DeadTime", -1),
            "readoutStyles.DeadTime: -1 is not a style");
    refused("read-out style 1.5", set("readoutStyles.dMut", 1.5),
            "readoutStyles.dMut: 1.5 is not a style");
    refused("element 1e9", set("choices.SelectTE", 1e9),
            "choices.SelectTE: 1000000000 is not an item of the list (-1 to 1)");
    refused("edge -1", set("choices.SelectAE", -1), "choices.SelectAE: -1 is not an item");
    refused("edge as text", set("choices.SelectAE", QStringLiteral("K")),
            "choices.SelectAE: \"K\" is not an item");
    refused("absorption quantum", set("absorption", QStringLiteral("quantum")),
            "absorption: \"quantum\" is not classic or tabulated");
    refused("log scale as text", set("plot.logScale", QStringLiteral("yes")),
            "plot.logScale: \"yes\" is not true or false");
    refused("read-out an object", set("readouts.AddInfo", QJsonObject()),
            "readouts.AddInfo: {...} is not a text");

    // Numbers: the values behind the fields are used only where they agree with the fields.
    for (const char *bad : {"nan", "inf", "-inf", "-5", "1e308", "0", "1e-320", "abc"}) {
        loaded(qPrintable(QStringLiteral("tgtMolPerArea %1").arg(QLatin1String(bad))),
               set("internal.tgtMolPerArea", QLatin1String(bad)), "internal.tgtMolPerArea");
    }
    loaded("bndPerTgt inf", set("internal.bndPerTgt", QStringLiteral("inf")), "internal.bndPerTgt");
    loaded("bndPerTgt -inf", set("internal.bndPerTgt", QStringLiteral("-inf")),
           "internal.bndPerTgt");
    loaded("calcPointE 0", set("internal.calcPointE", QStringLiteral("0")), "internal.calcPointE");
    loaded("thickness beside its field", set("internal.thickness", QStringLiteral("0.5")),
           "internal.thickness");
    loaded("internal value a number", set("internal.tgtWeight", 0.005), "internal.tgtWeight");
    loaded("read-out nan", set("readouts.dMut", QStringLiteral("nan")), "readouts.dMut");
    loaded("read-out no number", set("readouts.CylWeight", QStringLiteral("heavy")),
           "readouts.CylWeight");
    loaded("read-out lying", set("readouts.CylVol", QStringLiteral("12345.000")),
           "readouts.CylVol");
    loaded("thickness 1e308", set("fields.SetThick", QStringLiteral("1e308")), "", {"SetThick"});
    loaded("thickness 1e-320", set("fields.SetThick", QStringLiteral("1e-320")), "", {"SetThick"});
    loaded("radius abc", set("fields.DetRadius", QStringLiteral("abc")), "", {"DetRadius"});
    loaded("distance 1e-320", set("fields.Distance", QStringLiteral("1e-320")), "", {"Distance"});
    loaded("target weight 1e308 everywhere",
           withValue(set("fields.SetTgtWeight", QStringLiteral("1e308")), "internal.tgtWeight",
                     QStringLiteral("1e300")),
           "internal.tgtWeight");
    loaded("calculation point 1e308",
           withValue(set("fields.SetCalcPointE", QStringLiteral("1e308")), "internal.calcPointE",
                     QStringLiteral("1e308")),
           "", {"SetCalcPointE"});

    // A flagged field whose value the file lacks: the plan keeps the one it started with.
    loaded("point flagged, no values behind the fields",
           withValue(set("fields.SetCalcPointE", QStringLiteral("721120")), "internal",
                     QJsonValue::Undefined),
           "internal", {"SetCalcPointE"});

    // Keys: the unknown ones counted in one note, the missing ones from the defaults.
    {
        QJsonObject root = QJsonDocument::fromJson(s).object();
        for (int i = 0; i < 60000; ++i)
            root.insert(QStringLiteral("k%1").arg(i), i);
        loaded("60000 unknown keys", QJsonDocument(root).toJson(QJsonDocument::Compact),
               "unknown keys ignored (60000): k0, k1, k10, ");
    }
    loaded("an unknown field", set("fields.Nope", QStringLiteral("1")),
           "unknown keys ignored (1): fields.Nope");
    loaded("no internal values", set("internal", QJsonValue::Undefined), "internal");
    loaded("no read-outs", set("readouts", QJsonValue::Undefined), "readouts");
    loaded("format and version only", "{\"format\": \"tirn-session\", \"version\": 1}", "fields");

    // Encoding.
    loaded("byte order mark", "\xEF\xBB\xBF" + s, "");
    refused("lone surrogate", set("fields.SetTgtCmp", QString(QChar(0xD800))),
            "fields.SetTgtCmp: \"?\" is not valid Unicode");
    {
        QByteArray broken = s;
        broken.replace("\"Fe2O3\"", "\"Fe\xFF\xFE"
                                    "2O3\"");
        refused("invalid UTF-8", broken, "not a session file (line ");
    }
    {
        const QString text = QString::fromUtf8(s);
        refused("UTF-16", QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2),
                "not a session file (line 1, column ");
    }
    loaded("NUL in a composition", set("fields.SetBndCmp", QStringLiteral("B\u0000N")), "",
           {"SetBndCmp"});
    refused("NUL byte in the file", QByteArray(s).insert(1, '\0'), "not a session file (line 1");

    // Size: what a line edit holds, and the file's limit, both to the byte.
    loaded("longest field",
           set("fields.SetBndCmp", QString(PlanModel::SESSION_MAX_TEXT / 2, 'C') + "H"), "", {});
    refused("field too long",
            set("fields.SetTgtCmp", QString(PlanModel::SESSION_MAX_TEXT + 1, QLatin1Char('C'))),
            "fields.SetTgtCmp: 32768 characters, more than the 32767 a field holds");
    loaded("at the size limit", s + QByteArray(PlanModel::SESSION_MAX_BYTES - s.size(), ' '), "");
    refused("beyond the size limit",
            s + QByteArray(PlanModel::SESSION_MAX_BYTES + 1 - s.size(), ' '),
            "larger than the limit of 1 MiB (1 MiB)");

    // Special files: refused before a byte is read.
    QTest::newRow("FIFO") << "<fifo>" << QByteArray() << false << "named pipe" << QStringList();
    QTest::newRow("/dev/zero") << "/dev/zero" << QByteArray() << false << "device" << QStringList();
    QTest::newRow("/dev/urandom") << "/dev/urandom" << QByteArray() << false << "device"
                                  << QStringList();
    QTest::newRow("folder") << "<folder>" << QByteArray() << false << "a folder, not a file"
                            << QStringList();
    QTest::newRow("no such file") << "<missing>" << QByteArray() << false << "No such file"
                                  << QStringList();
    // A kernel file claims no size and holds text: read in steps, then refused as no JSON.
    QTest::newRow("/proc/self/status") << "/proc/self/status" << QByteArray() << false
                                       << "not a session file (line 1" << QStringList();
}

void TestPlanModel::hostileSessions()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(bool, loads);
    QFETCH(QString, says);
    QFETCH(QStringList, flagged);

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("s.tirn"));
    if (file == QLatin1String("<fifo>")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (file == QLatin1String("<folder>")) {
        path = dir.path();
    } else if (file.startsWith(QLatin1Char('/'))) {
        path = file;
    } else if (file.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(content), qint64(content.size()));
    }

    // A plan unlike both the file's and the defaults.
    PlanModel plan;
    applyEdits(plan, {"SetTgtCmp=CuO", "SetThick=0.3", "DetailedFluo=0", "absorption=classic"});
    const QByteArray before = plan.sessionJson();
    const PlanModel::SessionLoad r = plan.loadSession(path);
    const QString told =
        r.ok ? (QStringList{r.ignoredSummary()} + r.missing + r.notes).join(QLatin1Char('|'))
             : r.error;
    QVERIFY2(told.contains(says), qPrintable(told));
    QCOMPARE(r.ok, loads);
    if (!loads) {
        QCOMPARE(plan.sessionJson(), before);
        return;
    }

    for (int o = 0; o < PlanModel::OutputCount; ++o) {
        const auto label = PlanModel::Output(o);
        QVERIFY2(showsNoNumberThatIsNot(plan.output(label)),
                 qPrintable(PlanModel::outputName(label) + QLatin1Char('=') + plan.output(label)));
    }
    const QByteArray json = plan.sessionJson();
    QVERIFY2(showsNoNumberThatIsNot(QString::fromUtf8(json)), json.constData());
    for (const QString &name : flagged) {
        const auto field = PlanModel::Input(PlanModel::inputIndex(name));
        QVERIFY2(plan.flaggedFields().contains(field), qPrintable(name));
    }
    // A state the plan keeps: its own session loads without a note and changes nothing.
    const PlanModel::SessionLoad again = plan.loadSessionJson(json);
    QVERIFY(again.ok);
    QVERIFY2(again.notes.isEmpty(), qPrintable(again.notes.join(QLatin1Char('|'))));
    QCOMPARE(plan.sessionJson(), json);
}

// A session the program wrote comes back as it was: every field, read-out, style and choice,
// the values behind the fields kept (no note), whichever way the pellet was computed.
void TestPlanModel::sessionRoundTripKeepsThePlan_data()
{
    QTest::addColumn<QStringList>("edits");
    QTest::newRow("defaults") << QStringList{};
    QTest::newRow("thickness and weight share")
        << QStringList{"SetTgtCmp=Fe2O3", "SetTgtBndWtR=10", "SetThick=0.7"};
    QTest::newRow("weights typed")
        << QStringList{"SetTgtCmp=CuO", "SetTgtWeight=12.3456", "SetBndWeight=87.65"};
    QTest::newRow("diameter typed") << QStringList{"SetTgtCmp=CuO", "SetCylDiam=13.3"};
    QTest::newRow("blank by share") << QStringList{"SetTgtCmp=CuO", "SetTgtBndMolR=0"};
    QTest::newRow("blank by weight")
        << QStringList{"SetTgtCmp=CuO", "SetBndWeight=50", "SetTgtWeight=0"};
    QTest::newRow("no binder, weights typed")
        << QStringList{"SetTgtCmp=Fe", "SetBndCmp=", "SetTgtWeight=20"};
    QTest::newRow("no binder, share typed")
        << QStringList{"SetTgtCmp=Fe", "SetBndCmp=", "SetTgtBndMolR=50"};
    QTest::newRow("target cleared") << QStringList{"SetTgtCmp=Fe2O3", "SetTgtCmp="};
    QTest::newRow("target unknown") << QStringList{"SetTgtCmp=Fe2O3", "SetTgtCmp=Xq"};
    QTest::newRow("thickness flagged") << QStringList{"SetTgtCmp=Fe2O3", "SetThick=abc"};
    QTest::newRow("weight beyond its bounds") << QStringList{"SetTgtCmp=Fe2O3", "SetTgtWeight=1e9"};
    QTest::newRow("thickness derived beyond its bounds")
        << QStringList{"SetTgtCmp=Fe2O3", "SetCylDiam=0.1", "SetTgtWeight=100000"};
    QTest::newRow("target changed while the thickness is flagged")
        << QStringList{"SetTgtCmp=Fe2O3", "SetThick=-1", "SetTgtCmp=PbO"};
    QTest::newRow("d-mu t solved") << QStringList{"SetTgtCmp=Fe2O3", "SetDMuT=1.5"};
    QTest::newRow("mu t solved") << QStringList{"SetTgtCmp=Fe2O3", "SetBndWeight=10", "SetMuT=3"};
    QTest::newRow("calculation point typed") << QStringList{"SetTgtCmp=Fe2O3", "SetCalcPointE=7.2"};
    QTest::newRow("tabulated, L3 edge, detailed")
        << QStringList{"absorption=tabulated", "SetTgtCmp=PbO", "SelectAE=3",
                       "DetailedFluo=1",       "DetDeadTime=5", "IntensityPeak=1"};
    QTest::newRow("second element, empty range")
        << QStringList{"SetTgtCmp=CuFe2O4", "SelectTE=1", "EndE0=1"};
}

void TestPlanModel::sessionRoundTripKeepsThePlan()
{
    QFETCH(QStringList, edits);
    PlanModel plan;
    applyEdits(plan, edits);
    const QByteArray json = plan.sessionJson();
    PlanModel loaded;
    applyEdits(loaded, {"SetTgtCmp=CuO", "SetBndCmp=C", "DetDeadTime=2"});
    const PlanModel::SessionLoad r = loaded.loadSessionJson(json);
    QVERIFY(r.ok);
    QVERIFY2(r.notes.isEmpty(), qPrintable(r.notes.join(QLatin1Char('|'))));
    QCOMPARE(r.ignoredCount, 0);
    QCOMPARE(shownPlan(loaded), shownPlan(plan));
    QCOMPARE(loaded.sessionJson(), json);
}

// A session of the fields alone, as a script writes it, is the plan those fields give when
// typed: the compositions, the densities and the diameter, then the share and the thickness
// (the calculation point from the element when the file has none).
void TestPlanModel::sessionOfFieldsIsTheTypedPlan_data()
{
    QTest::addColumn<QStringList>("fields"); // in the order they are typed
    QTest::newRow("Fe2O3 in BN") << QStringList{
        "SetTgtCmp=Fe2O3", "SetBndCmp=BN",    "SetTgtDens=5.24", "SetBndDens=2.1",
        "SetCylDiam=10",   "SetTgtBndMolR=5", "SetThick=0.5"};
    QTest::newRow("CuO alone") << QStringList{"SetTgtCmp=CuO", "SetThick=0.05"};
    QTest::newRow("blank") << QStringList{"SetTgtCmp=CuO", "SetTgtBndMolR=0", "SetThick=1"};
    QTest::newRow("calculation point and range")
        << QStringList{"SetTgtCmp=PbO",      "SetTgtBndMolR=2", "SetThick=0.3",
                       "SetCalcPointE=13.1", "StartE0=12",      "EndE0=14"};
    QTest::newRow("detector fields") << QStringList{"SetTgtCmp=NiO", "SetThick=0.2", "Distance=5",
                                                    "DetRadius=0.3", "I0Flux=1e12"};
}

void TestPlanModel::sessionOfFieldsIsTheTypedPlan()
{
    QFETCH(QStringList, fields);
    PlanModel typed;
    applyEdits(typed, fields);
    QJsonObject texts;
    for (const QString &edit : fields)
        texts.insert(edit.section(QLatin1Char('='), 0, 0), edit.section(QLatin1Char('='), 1));
    const QJsonObject root{{"format", "tirn-session"}, {"version", 1}, {"fields", texts}};
    PlanModel loaded;
    QVERIFY(loaded.loadSessionJson(QJsonDocument(root).toJson()).ok);
    for (int o = 0; o < PlanModel::OutputCount; ++o) {
        const auto label = PlanModel::Output(o);
        QCOMPARE(loaded.output(label), typed.output(label));
    }
    for (int i = 0; i < PlanModel::InputCount; ++i) {
        const auto field = PlanModel::Input(i);
        QCOMPARE(loaded.input(field), typed.input(field));
    }
    QVERIFY(!typed.output(PlanModel::dMut).isEmpty());
}

// The listing batch mode prints is the table: every row once, by kind, each name found again.
void TestPlanModel::listingNamesEveryRow()
{
    const QStringList lines = Fields::listing().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), int(PlanModel::InputCount + PlanModel::OutputCount +
                               PlanModel::OptionCount + PlanModel::ChoiceCount));
    QHash<QString, int> seen;
    for (const QString &line : lines) {
        const QStringList cells = line.split(QLatin1Char('\t'));
        QCOMPARE(cells.size(), 5);
        const QString &name = cells[0];
        QVERIFY2(!seen.contains(name), qPrintable(name));
        seen.insert(name, 1);
        const QString &kind = cells[1];
        if (kind == QLatin1String("input")) {
            const int i = PlanModel::inputIndex(name);
            QVERIFY2(i >= 0, qPrintable(name));
            QCOMPARE(cells[3], PlanModel().input(PlanModel::Input(i)));
        } else if (kind == QLatin1String("output")) {
            QVERIFY2(PlanModel::outputIndex(name) >= 0, qPrintable(name));
        } else if (kind == QLatin1String("option")) {
            const int o = PlanModel::optionIndex(name);
            QVERIFY2(o >= 0, qPrintable(name));
            QCOMPARE(cells[3], Fields::option(PlanModel::Option(o)).checked ? "1" : "0");
        } else {
            QCOMPARE(kind, QStringLiteral("choice"));
            QVERIFY2(PlanModel::choiceIndex(name) >= 0, qPrintable(name));
        }
    }
}

namespace {

// What the window does between two edits, each of which leaves the upper AVX state in use with
// this Qt: a repaint of the plot, the composition parser's hash lookups.
void paintAPlot()
{
    QImage image(640, 480, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.fillRect(image.rect(), Qt::white);
    p.setPen(QPen(Qt::blue, 1.5));
    for (int x = 0; x < 600; x += 3)
        p.drawLine(QLineF(x, 400 - x / 2.0, x + 3, 400 - (x + 3) / 2.0));
}

int hashSomeNames()
{
    QHash<QString, int> symbols;
    for (const char *s : {"Fe", "O", "B", "N", "Mn", "Ti", "Zn", "Si", "Al", "Mg"})
        symbols.insert(QString::fromLatin1(s), int(symbols.size()));
    int found = 0;
    for (int i = 0; i < 200; ++i)
        found += symbols.value(QStringLiteral("Mn"), -1) + symbols.contains(QStringLiteral("Xx"));
    return found;
}

// The same state left on purpose, for a Qt that leaves it clean (in assembly: a compiler ends
// a function of its own that used the upper halves by clearing them).
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
void useUpperHalves()
{
    if (__builtin_cpu_supports("avx"))
        __asm__ volatile("vinsertf128 $1, %%xmm0, %%ymm1, %%ymm1" ::: "xmm1");
}
#else
void useUpperHalves() {}
#endif

void dirtyBy(const QString &how)
{
    if (how == QLatin1String("paint"))
        paintAPlot();
    else if (how == QLatin1String("hash"))
        hashSomeNames();
    else
        useUpperHalves();
}

} // namespace

// glibc's exp and log run several times slower with the upper AVX state in use, as a repaint or a
// hash lookup leaves it: every entry of the physics must find it clean, whatever ran before the
// edit, and whatever the window's read-out slots do halfway through the recomputation.
void TestPlanModel::physicsStartsInACleanVectorState_data()
{
    QTest::addColumn<QString>("before");  // what ran before the edit
    QTest::addColumn<bool>("inReadouts"); // the same again in every read-out's slot
    QTest::addColumn<QString>("edit");
    QTest::addColumn<int>("entries"); // the entries of the physics the edit reaches at least
    QTest::newRow("paint, excitation") << "paint" << false << "excitation" << 2;
    QTest::newRow("hash, target") << "hash" << false << "target" << 2;
    QTest::newRow("paint, detailed model") << "paint" << false << "detailed" << 2;
    QTest::newRow("hash, tabulated data") << "hash" << false << "tabulated" << 2;
    QTest::newRow("paint, element choice") << "paint" << false << "choice" << 2;
    QTest::newRow("paint, session load") << "paint" << false << "session" << 2;
    QTest::newRow("ymm, excitation") << "ymm" << false << "excitation" << 2;
    QTest::newRow("paint in read-outs, excitation") << "paint" << true << "excitation" << 2;
    QTest::newRow("hash in read-outs, detailed target") << "hash" << true << "target" << 2;
}

void TestPlanModel::physicsStartsInACleanVectorState()
{
    QFETCH(QString, before);
    QFETCH(bool, inReadouts);
    QFETCH(QString, edit);
    QFETCH(int, entries);
    if (avxUpperStateInUse() < 0)
        QSKIP("this processor cannot report the upper AVX state (no AVX, or no XGETBV with "
              "ECX=1): nothing to check");
    PlanModel plan;
    detailedPellet(plan);
    plan.setOption(PlanModel::DetailedFluo, edit != QLatin1String("detailed"));
    const QByteArray session = plan.sessionJson();
    plan.setInput(PlanModel::ExtEnergy, QStringLiteral("12"));

    // Without a dirty state to start from the check below would pass whatever the plan did.
    dirtyBy(before);
    if (avxUpperStateInUse() != 1)
        QSKIP("this Qt leaves the upper AVX state clean after this step: nothing to clean");
    if (inReadouts)
        connect(&plan, &PlanModel::outputChanged, &plan, [&] { dirtyBy(before); });

    recordVectorState(true);
    if (edit == QLatin1String("excitation"))
        plan.setInput(PlanModel::ExtEnergy, QStringLiteral("11"));
    else if (edit == QLatin1String("target"))
        plan.setInput(PlanModel::SetTgtCmp, QStringLiteral("[Fe2O3]2[MnO]1[TiO2]1"));
    else if (edit == QLatin1String("detailed"))
        plan.setOption(PlanModel::DetailedFluo, true);
    else if (edit == QLatin1String("tabulated"))
        plan.setAbsorption(plan.absorption() == PlanModel::TabulatedCrossSections
                               ? PlanModel::TwoTermTable
                               : PlanModel::TabulatedCrossSections);
    else if (edit == QLatin1String("choice"))
        plan.setChoice(PlanModel::SelectTE, 1);
    else {
        QVERIFY(plan.loadSessionJson(session).ok);
    }
    recordVectorState(false);

    const VectorStateLog log = vectorStateLog();
    QVERIFY2(log.entries >= entries, qPrintable(QString::number(log.entries)));
    QCOMPARE(log.unknown, 0);
    QCOMPARE(log.dirty, 0);
}

QTEST_GUILESS_MAIN(TestPlanModel)
#include "test_plan_model.moc"
