// Batch mode under hostile input, run as the real executable: malformed options, hostile values,
// every widget printed, and outputs that cannot be written. A run must never crash or hang, must
// exit 0 for valid options whatever the values (hostile values are legal input), 2 for malformed
// options and unknown names, 1 for an output that cannot be written, and must leave the file
// system as it found it whenever it fails.
#include "FormDriver.h"
#include "MainWindow.h"
#include "PlanModel.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace {

// Far beyond any run of this program (a fraction of a second, a few seconds under sanitizers);
// a run still going then is taken as hung.
constexpr int kRunLimitMs = 120000;

constexpr uid_t kNobody = 65534;

// What a user may put in any field. No NUL: an argument cannot carry one.
QStringList hostileValues()
{
    QStringList v;
    v << QString() << QStringLiteral("   ") << QStringLiteral("-0") << QStringLiteral("0")
      << QStringLiteral("1e308") << QStringLiteral("-1e308") << QStringLiteral("1e400")
      << QStringLiteral("nan") << QStringLiteral("inf") << QStringLiteral("-inf")
      << QStringLiteral("1e-320") << QStringLiteral("1e-9") << QStringLiteral("-1");
    v << QString(400, QLatin1Char('9'));
    v << QString(10000, QLatin1Char('('));
    v << QStringLiteral("Fe₂O₃ Железо 鉄 αβγ \u202Eabc");
    v << QStringLiteral("１２３．５");
    v << QStringLiteral("\x01\x02\t\n\r\x1b\x7f"
                        "5");
    QString paste;
    while (paste.size() < 100 * 1024)
        paste += QStringLiteral("Fe2O3 (Ca(OH)2)3 [BN]1.5 1.25e3 ");
    v << paste;
    QString nested = QStringLiteral("Fe");
    for (int i = 0; i < 40; ++i)
        nested = QStringLiteral("(") + nested + QStringLiteral(")1000000000");
    v << nested << QStringLiteral("[Fe2O3]0[BN]0") << QStringLiteral(")(");
    return v;
}

// Fields that take the hostile value, after a valid target, in this order.
const QStringList kHostileFields = {
    "SetBndCmp",    "SetTgtWeight",  "SetThick", "SetTgtBndMolR",      "SetDMuT",
    "SetMuT",       "SetCalcPointE", "StartE0",  "ExtEnergy",          "DetResolution",
    "Distance",     "DetRadius",     "I0Flux",   "Filter1Composition", "Filter2Thickness",
    "MCAResolution"};

// nan, inf, -inf as a number prints them, in any case.
bool readsNanOrInf(const QString &text)
{
    static const QRegularExpression special(QStringLiteral("\\b(nan|inf|infinity)\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    return text.contains(special);
}

// The NAME=TEXT lines of --print that name a read-out, whose text is the program's own.
QStringList readoutLines(const QByteArray &out)
{
    QStringList lines;
    for (const QString &line : QString::fromUtf8(out).split(QLatin1Char('\n'))) {
        if (PlanModel::outputIndex(line.section(QLatin1Char('='), 0, 0)) >= 0)
            lines << line;
    }
    return lines;
}

// What a session holds that the program computed: its read-outs and internal values.
QStringList computedSessionValues(const QByteArray &json)
{
    QStringList values;
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    for (const char *part : {"readouts", "internal"}) {
        const QJsonObject o = root.value(QLatin1String(part)).toObject();
        for (auto it = o.constBegin(); it != o.constEnd(); ++it)
            values << it.key() + QLatin1Char('=') + it.value().toString();
    }
    return values;
}

QString printedValue(const QWidget *w)
{
    if (const auto *e = qobject_cast<const QLineEdit *>(w)) {
        // The classic model's greyed angles show 90; a script gets the typed angle.
        const auto *window = qobject_cast<const MainWindow *>(e->window());
        const int field = PlanModel::inputIndex(e->objectName());
        if (window && field >= 0 &&
            (Fields::input(PlanModel::Input(field)).flags & CLASSIC_AT_NORMAL) &&
            !window->plan->option(PlanModel::DetailedFluo))
            return window->plan->input(PlanModel::Input(field));
        return e->text();
    }
    if (const auto *l = qobject_cast<const QLabel *>(w))
        return l->text();
    if (const auto *c = qobject_cast<const QComboBox *>(w))
        return c->currentText();
    if (const auto *b = qobject_cast<const QAbstractButton *>(w))
        return b->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    if (const auto *g = qobject_cast<const QGroupBox *>(w))
        return g->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    return QString();
}

bool printable(const QWidget *w)
{
    if (qobject_cast<const QLineEdit *>(w) || qobject_cast<const QLabel *>(w) ||
        qobject_cast<const QComboBox *>(w))
        return true;
    if (const auto *b = qobject_cast<const QAbstractButton *>(w))
        return b->isCheckable();
    if (const auto *g = qobject_cast<const QGroupBox *>(w))
        return g->isCheckable();
    return false;
}

QStringList namedWidgets(const MainWindow &w, bool wantPrintable)
{
    QStringList names;
    const QList<QWidget *> all = w.findChildren<QWidget *>();
    for (const QWidget *wd : all) {
        const QString n = wd->objectName();
        if (n.isEmpty() || n.startsWith(QLatin1String("qt_")) || names.contains(n))
            continue;
        if (printable(wd) == wantPrintable)
            names << n;
    }
    return names;
}

// Every entry below a folder, hidden ones too, with its size: a temporary file left behind by a
// failed write shows here.
QStringList listing(const QString &dir)
{
    QStringList out;
    const QFileInfoList infos = QDir(dir).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &i : infos) {
        out << i.fileName() + QLatin1Char(' ') + QString::number(i.size());
        if (i.isDir())
            out += listing(i.filePath());
    }
    return out;
}

} // namespace

class TestBatchHostile : public QObject
{
    Q_OBJECT

    struct Run
    {
        bool finished = false;
        bool crashed = false;
        int exitCode = -1;
        QByteArray out;
        QString err;
    };

    std::unique_ptr<QTemporaryDir> tmp;
    QStringList printableNames;
    QStringList otherNames;

    // stdoutFile: standard output goes into this regular file, which r.out then holds.
    static Run run(const QStringList &args, const QStringList &prefix = QStringList(),
                   const QString &stdoutFile = QString())
    {
        QProcess p;
        if (!stdoutFile.isEmpty())
            p.setStandardOutputFile(stdoutFile);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        if (prefix.isEmpty())
            p.start(QStringLiteral(TIRN_EXECUTABLE), args);
        else
            p.start(prefix.first(), prefix.mid(1) + QStringList{TIRN_EXECUTABLE} + args);
        Run r;
        r.finished = p.waitForFinished(kRunLimitMs);
        if (!r.finished) {
            p.kill();
            p.waitForFinished();
        }
        r.crashed = p.exitStatus() == QProcess::CrashExit;
        r.exitCode = p.exitCode();
        r.out = stdoutFile.isEmpty() ? p.readAllStandardOutput() : fileBytes(stdoutFile);
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    // The run ended by itself, without a crash, with this status.
    static bool endedWith(const Run &r, int status, QString &why)
    {
        if (!r.finished)
            why = QStringLiteral("still running after %1 ms").arg(kRunLimitMs);
        else if (r.crashed)
            why = QStringLiteral("crashed: ") + r.err.right(2000);
        else if (r.exitCode != status)
            why =
                QStringLiteral("exit %1 instead of %2: %3").arg(r.exitCode).arg(status).arg(r.err);
        else
            return true;
        return false;
    }

    QString path(const QString &name) const { return tmp->filePath(name); }

private Q_SLOTS:
    void initTestCase();
    void init();
    void malformedOptions_data();
    void malformedOptions();
    void hostileValues_data();
    void hostileValues();
    void extremesLeaveNoNanOrInf_data();
    void extremesLeaveNoNanOrInf();
    void unansweredPrintsEmpty_data();
    void unansweredPrintsEmpty();
    void printsEveryWidget();
    void refusesWidgetsThatAreNotFields();
    void unwritableOutputs_data();
    void unwritableOutputs();
    void readOnlyFileStaysAsItWas_data();
    void readOnlyFileStaysAsItWas();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void specialFileIsWrittenInto_data();
    void specialFileIsWrittenInto();
    void dashWritesToStandardOutput_data();
    void dashWritesToStandardOutput();
    void refusedMeasuredFile_data();
    void refusedMeasuredFile();
};

void TestBatchHostile::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    dropPlatformNotices();
    MainWindow w;
    printableNames = namedWidgets(w, true);
    otherNames = namedWidgets(w, false);
    QVERIFY(printableNames.contains(QStringLiteral("dMut")));
    QVERIFY(printableNames.contains(QStringLiteral("FluoBox")));
    QVERIFY(otherNames.contains(QStringLiteral("GView1")));
}

void TestBatchHostile::init()
{
    tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp->isValid());
}

void TestBatchHostile::malformedOptions_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("withOutputs"); // the outputs are named before the row's options

    const QString longText(100 * 1024, QLatin1Char('x'));
    QTest::newRow("--set =") << QStringList{"--set", "="} << true;
    QTest::newRow("--set ==") << QStringList{"--set", "=="} << true;
    QTest::newRow("--set =value") << QStringList{"--set", "=Fe2O3"} << true;
    QTest::newRow("--set without =") << QStringList{"--set", "SetTgtCmp"} << true;
    QTest::newRow("--set last, no value") << QStringList{"--set"} << true;
    QTest::newRow("--set empty") << QStringList{"--set", ""} << true;
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << true;
    QTest::newRow("option in other case") << QStringList{"--SET", "SetTgtCmp=Fe"} << true;
    QTest::newRow("option with =") << QStringList{"--set=SetTgtCmp=Fe"} << true;
    QTest::newRow("bare --") << QStringList{"--"} << true;
    QTest::newRow("bare -") << QStringList{"-"} << true;
    QTest::newRow("100 kB option") << QStringList{"--" + longText} << true;
    QTest::newRow("100 kB name") << QStringList{"--set", longText + "=1"} << true;
    QTest::newRow("name with SOH") << QStringList{"--set", "Set\x01TgtCmp=Fe"} << true;
    QTest::newRow("name with tab") << QStringList{"--set", "SetTgtCmp\t=Fe"} << true;
    QTest::newRow("name with line feed") << QStringList{"--set", "SetTgtCmp\n=Fe"} << true;
    QTest::newRow("name is DEL") << QStringList{"--set", "\x7f=1"} << true;
    QTest::newRow("name with escape") << QStringList{"--set", "\x1b[2JSetDMuT=1"} << true;
    QTest::newRow("name with leading blank") << QStringList{"--set", " SetTgtCmp=Fe"} << true;
    QTest::newRow("Cyrillic name") << QStringList{"--set", "Фе=1"} << true;
    QTest::newRow("full-width name") << QStringList{"--set", "ＳｅｔＴｇｔＣｍｐ=Fe"} << true;
    QTest::newRow("name with zero-width space")
        << QStringList{"--set", "SetTgtCmp\u200b=Fe"} << true;
    QTest::newRow("CJK name") << QStringList{"--set", "鉄=1"} << true;
    QTest::newRow("the window itself") << QStringList{"--set", "MainWindow=1"} << true;
    QTest::newRow("--print control character") << QStringList{"--print", "dMut,\x01"} << true;
    QTest::newRow("--print full-width") << QStringList{"--print", "ｄＭｕｔ"} << true;
    QTest::newRow("--print only commas") << QStringList{"--print", ",,"} << true;
    QTest::newRow("--print empty") << QStringList{"--print", ""} << true;
    QTest::newRow("--print last, no value") << QStringList{"--print"} << true;
    QTest::newRow("--print 100 kB name") << QStringList{"--print", longText} << true;
    QTest::newRow("combo text in other case") << QStringList{"--set", "SelectAE=k"} << true;
    QTest::newRow("combo text with blank") << QStringList{"--set", "SelectAE= K"} << true;
    QTest::newRow("combo text empty") << QStringList{"--set", "SelectAE="} << true;
    QTest::newRow("element of no target") << QStringList{"--set", "SelectTE=Fe"} << true;
    QTest::newRow("check box TRUE") << QStringList{"--set", "MutBox=TRUE"} << true;
    QTest::newRow("check box empty") << QStringList{"--set", "FluoBox="} << true;
    QTest::newRow("check box 1 and blank") << QStringList{"--set", "IntensityInt=1 "} << true;
    QTest::newRow("check box full-width 1") << QStringList{"--set", "AddInfoRatioF=１"} << true;
    QTest::newRow("valid edits before a bad one")
        << QStringList{"--set", "SetTgtCmp=Fe2O3", "--set", "SetDMuT=1", "--set", "SelectAE=M5"}
        << true;
    QTest::newRow("--save-spectrum empty") << QStringList{"--save-spectrum", ""} << false;
    QTest::newRow("--render empty") << QStringList{"--render", ""} << false;
    QTest::newRow("--render last, no value") << QStringList{"--render"} << false;
    QTest::newRow("--save-spectrum twice")
        << QStringList{"--save-spectrum", "a.dat", "--save-spectrum", "b.dat"} << false;
    QTest::newRow("--render to standard output") << QStringList{"--render", "-"} << false;
    QTest::newRow("--render-plot to standard output") << QStringList{"--render-plot", "-"} << false;
    QTest::newRow("--save-channels unknown suffix")
        << QStringList{"--save-channels", "counts.xyz"} << true;
    QTest::newRow("--load-measured empty") << QStringList{"--load-measured", ""} << true;
}

// A malformed command line is refused before anything happens: one message, nothing printed,
// no file written, an existing one left byte for byte.
void TestBatchHostile::malformedOptions()
{
    QFETCH(QStringList, args);
    QFETCH(bool, withOutputs);
    const QString existing = path(QStringLiteral("keep.dat"));
    const QByteArray precious("precious\n");
    QVERIFY(writeFile(existing, precious));
    const QStringList before = listing(tmp->path());

    QStringList full{"--batch", "-e"};
    if (withOutputs)
        full << "--save-spectrum" << existing << "--render" << path(QStringLiteral("new.png"));
    const Run r = run(full + args);
    QString why;
    QVERIFY2(endedWith(r, 2, why), qPrintable(why));
    QVERIFY(r.err.startsWith(QLatin1String("Tirn --batch: ")));
    QVERIFY2(r.out.isEmpty(), r.out.constData());
    QCOMPARE(fileBytes(existing), precious);
    QCOMPARE(listing(tmp->path()), before);
}

void TestBatchHostile::hostileValues_data()
{
    QTest::addColumn<QString>("value");
    const QStringList values = ::hostileValues();
    for (int i = 0; i < values.size(); ++i) {
        QString shown = values.at(i).left(24);
        for (QChar &c : shown) {
            if (!c.isPrint())
                c = QLatin1Char('?');
        }
        QTest::addRow("%d: %s", i, qUtf8Printable(shown)) << values.at(i);
    }
}

// Hostile values are legal input: the run succeeds, writes both outputs, and prints exactly what
// the window shows after the same edits made on the form in this process.
void TestBatchHostile::hostileValues()
{
    QFETCH(QString, value);

    QVector<QPair<QString, QString>> edits{{"SetTgtCmp", "Fe2O3"}};
    for (const QString &f : kHostileFields)
        edits.append({f, value});
    edits.append({"SetTgtCmp", value});

    const QString spectrum = path(QStringLiteral("spectrum.dat"));
    const QString image = path(QStringLiteral("window.png"));
    const QString session = path(QStringLiteral("plan.tirn"));
    const QString lines = path(QStringLiteral("lines.csv"));
    QStringList args{"--batch", "-e"};
    for (const auto &e : edits)
        args << "--set" << e.first + QLatin1Char('=') + e.second;
    args << "--print" << printableNames.join(QLatin1Char(','));
    args << "--save-spectrum" << spectrum << "--save-session" << session << "--save-lines" << lines
         << "--render" << image;
    const Run r = run(args);
    // Whatever was typed, what the program computed never reads nan or inf.
    for (const QString &line : readoutLines(r.out))
        QVERIFY2(!readsNanOrInf(line), qPrintable(line.left(200)));
    for (const QString &v : computedSessionValues(fileBytes(session)))
        QVERIFY2(!readsNanOrInf(v), qPrintable(v.left(200)));
    QVERIFY(!readsNanOrInf(QString::fromUtf8(fileBytes(lines))));

    MainWindow w;
    w.setAttribute(Qt::WA_DontShowOnScreen, true);
    w.show();
    (void)w.GView1->grab();
    for (const auto &e : edits) {
        auto *edit = w.findChild<QLineEdit *>(e.first);
        QVERIFY(edit);
        edit->setText(e.second);
        edit->setModified(true); // typed by the user
        Q_EMIT edit->editingFinished();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        (void)w.GView1->grab();
    }
    // Fields the form would frame in red are named on standard error, nothing else.
    QString warnings;
    for (PlanModel::Input field : w.plan->flaggedFields())
        warnings += QStringLiteral("warning: %1: %2\n")
                        .arg(PlanModel::inputName(field), w.plan->fieldProblem(field));
    QVERIFY2(r.err.startsWith(warnings), qPrintable(r.err));
    QVERIFY(!r.err.mid(warnings.size()).contains(QLatin1String("warning:")));

    QString expected;
    for (const QString &name : qAsConst(printableNames))
        expected += name + QLatin1Char('=') + printedValue(w.findChild<QWidget *>(name)) + '\n';
    const QString out = QString::fromUtf8(r.out);
    if (out != expected) {
        const QStringList a = out.split(QLatin1Char('\n'));
        const QStringList b = expected.split(QLatin1Char('\n'));
        for (int i = 0; i < qMin(a.size(), b.size()); ++i)
            QCOMPARE(a.at(i).left(200), b.at(i).left(200));
        QCOMPARE(a.size(), b.size());
    }

    // A start at or beyond the end (both 1e308, or NaN) is an empty range: nothing to export,
    // which the run reports with status 1 after printing; the image is not written either. So
    // is a spectrum that holds numbers that cannot be computed (a distance of 1e-320), and one
    // that a flagged field would leave computed from its last sound value.
    QString why;
    const bool ranged = w.plan->calcMuTCurve();
    const auto feedsTable = [&w](PlanModel::Input f) {
        const InputRow &row = Fields::input(f);
        return (row.readouts &
                (readoutBit(PlanModel::CylWeight) | readoutBit(PlanModel::AddInfo))) &&
               (!(row.flags & DETAILED_ONLY) || w.plan->option(PlanModel::DetailedFluo));
    };
    const QList<PlanModel::Input> flagged = w.plan->flaggedFields();
    if (!ranged || !w.plan->fluoPlan.tableFinite(w.plan->mutCurveE, w.plan->mutCurve) ||
        std::any_of(flagged.cbegin(), flagged.cend(), feedsTable)) {
        QVERIFY2(endedWith(r, 1, why), qPrintable(why));
        QVERIFY2(r.err.contains(QLatin1String("spectrum not saved")), qPrintable(r.err));
        QVERIFY(!QFile::exists(spectrum));
        return;
    }
    QVERIFY2(endedWith(r, 0, why), qPrintable(why));
    const QList<QByteArray> rows = fileBytes(spectrum).split('\n');
    QCOMPARE(rows.size(), MUT_POINTS + 1);
    QVERIFY(rows.last().isEmpty());
    for (const QByteArray &row : rows.mid(0, MUT_POINTS)) {
        QCOMPARE(row.split('\t').size(), 3);
        QVERIFY2(!readsNanOrInf(QString::fromLatin1(row)), row.constData());
    }
    QVERIFY(!QImage(image).isNull());
}

void TestBatchHostile::extremesLeaveNoNanOrInf_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<bool>("detailed");
    // Values that made earlier versions print nan or inf, each outside its field's range.
    const QStringList edits{"DetRadius=1e308",     "Distance=1e-320",      "I0Flux=1e308",
                            "MCAResolution=1e308", "DetResolution=1e-320", "SetBndDens=1e308",
                            "SetBndDens=1e-320",   "SetBndWeight=1e308",   "SetCalcPointE=1e308",
                            "SetCalcPointE=1e-9",  "SetThick=1e-320",      "IncidenceAngle=1e-320",
                            "ExitAngle=1e-320",    "SetTgtDens=-1",        "EndE0=1e308"};
    for (const bool detailed : {false, true}) {
        for (const QString &e : edits)
            QTest::addRow("%s, %s", qPrintable(e), detailed ? "detailed" : "classic")
                << e << detailed;
    }
}

// End to end, through the executable: the value is named on standard error, no read-out, line
// table or session reads nan or inf, and the spectrum table is either all finite numbers or not
// written at all (status 1, saying why), as the plan of the same edits says it must be.
void TestBatchHostile::extremesLeaveNoNanOrInf()
{
    QFETCH(QString, edit);
    QFETCH(bool, detailed);
    const QString name = edit.section(QLatin1Char('='), 0, 0);
    const QStringList edits{"SetTgtCmp=Fe2O3", "SetBndWeight=50",
                            detailed ? "DetailedFluo=1" : "DetailedFluo=0", edit};
    QStringList outputs;
    for (int o = 0; o < PlanModel::OutputCount; ++o)
        outputs << PlanModel::outputName(PlanModel::Output(o));
    QStringList args{"--batch", "-e"};
    for (const QString &e : edits)
        args << "--set" << e;
    const QString lines = path(QStringLiteral("lines.csv"));
    const QString session = path(QStringLiteral("plan.tirn"));
    const Run r = run(args + QStringList{"--print", outputs.join(QLatin1Char(',')), "--save-lines",
                                         lines, "--save-session", session});
    QString why;
    QVERIFY2(endedWith(r, 0, why), qPrintable(why));
    QVERIFY2(r.err.contains(QStringLiteral("warning: %1: ").arg(name)), qPrintable(r.err));
    const QStringList shown = readoutLines(r.out);
    QCOMPARE(shown.size(), outputs.size());
    for (const QString &line : shown)
        QVERIFY2(!readsNanOrInf(line), qPrintable(line));
    const QString table = QString::fromUtf8(fileBytes(lines));
    QVERIFY(table.startsWith(QLatin1String("composition,")));
    QVERIFY2(!readsNanOrInf(table), qPrintable(table));
    const QStringList computed = computedSessionValues(fileBytes(session));
    QVERIFY(!computed.isEmpty());
    for (const QString &v : computed)
        QVERIFY2(!readsNanOrInf(v), qPrintable(v));

    PlanModel plan;
    for (const QString &e : edits) {
        const QString field = e.section(QLatin1Char('='), 0, 0);
        const QString text = e.section(QLatin1Char('='), 1);
        if (field == QLatin1String("DetailedFluo"))
            plan.setOption(PlanModel::DetailedFluo, text == QLatin1String("1"));
        else
            plan.setInput(PlanModel::Input(PlanModel::inputIndex(field)), text);
    }
    // The plan refuses an empty range, numbers it cannot compute and a flagged field the table
    // is computed from; the batch run must agree and never write nan or inf.
    QString refusal;
    const bool exportable = plan.saveSpectrum(path(QStringLiteral("model.dat")), &refusal);
    if (!exportable)
        QVERIFY2(
            refusal.contains(QLatin1String("range")) || refusal.contains(QLatin1String("finite")) ||
                refusal.contains(plan.fieldProblem(PlanModel::Input(PlanModel::inputIndex(name)))),
            qPrintable(refusal));
    const QString spectrum = path(QStringLiteral("spectrum.dat"));
    const Run s = run(args + QStringList{"--save-spectrum", spectrum});
    if (exportable) {
        QVERIFY2(endedWith(s, 0, why), qPrintable(why));
        const QByteArray bytes = fileBytes(spectrum);
        QCOMPARE(bytes.count('\n'), MUT_POINTS);
        QVERIFY(!readsNanOrInf(QString::fromLatin1(bytes)));
    } else {
        QVERIFY2(endedWith(s, 1, why), qPrintable(why));
        QVERIFY2(s.err.contains(QLatin1String("spectrum not saved")), qPrintable(s.err));
        QVERIFY(!QFile::exists(spectrum));
    }
}

void TestBatchHostile::unansweredPrintsEmpty_data()
{
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QString>("warning");  // on standard error; empty: none
    QTest::addColumn<unsigned>("emptied"); // the read-outs printed empty
    const unsigned pellet = READS_PELLET | READS_SPECTRUM;
    QTest::newRow("target emptied") << QStringList{"SetTgtCmp=CuO", "SetTgtCmp="} << "" << pellet;
    QTest::newRow("target in lower case")
        << QStringList{"SetTgtCmp=CuO", "SetTgtCmp=cuo"}
        << "warning: SetTgtCmp: Target: no composition could be read; characters ignored: c u o"
        << pellet;
    QTest::newRow("unknown symbol in the target")
        << QStringList{"SetTgtCmp=CuO", "SetTgtCmp=Xq2O3"}
        << "warning: SetTgtCmp: Target: unknown element symbol: Xq" << pellet;
    QTest::newRow("unknown symbol in the binder")
        << QStringList{"SetTgtCmp=CuO", "SetBndCmp=Xq"}
        << "warning: SetBndCmp: Binder: unknown element symbol: Xq" << pellet;
    QTest::newRow("mixture typed as fractions")
        << QStringList{"SetTgtCmp=CuO", "SetBndCmp=0.7SiO2 0.3Al2O3"}
        << "warning: SetBndCmp: Binder: the numbers 0.7 before SiO2, 0.3 before Al2O3 are ignored"
        << 0u;
    QTest::newRow("negative thickness")
        << QStringList{"SetTgtCmp=CuO", "SetBndWeight=50", "SetThick=-1"}
        << "warning: SetThick: Thickness [mm]: must be greater than 0, not -1" << pellet;
    QTest::newRow("thickness not a number")
        << QStringList{"SetTgtCmp=CuO", "SetBndWeight=50", "SetThick=abc"}
        << "warning: SetThick: Thickness [mm]: 'abc' is not a number" << pellet;
    QTest::newRow("thickness of a road")
        << QStringList{"SetTgtCmp=CuO", "SetBndWeight=50", "SetThick=1e9"}
        << "warning: SetThick: Thickness [mm]: must be at most 1000, not 1e9" << pellet;
}

// Through the executable: a read-out that does not answer the plan as typed prints empty, the
// line table has no line, and no field or read-out shows a negative amount, a transmission above
// 1, nan or inf.
void TestBatchHostile::unansweredPrintsEmpty()
{
    QFETCH(QStringList, edits);
    QFETCH(QString, warning);
    QFETCH(unsigned, emptied);
    QStringList names;
    for (int o = 0; o < PlanModel::OutputCount; ++o)
        names << PlanModel::outputName(PlanModel::Output(o));
    for (const char *field : {"SetTgtWeight", "SetBndWeight", "SetCalcPointE"})
        names << QLatin1String(field);
    QStringList args{"--batch", "-e"};
    for (const QString &e : edits)
        args << "--set" << e;
    const QString lines = path(QStringLiteral("lines.csv"));
    const Run r =
        run(args + QStringList{"--print", names.join(QLatin1Char(',')), "--save-lines", lines});
    QString why;
    QVERIFY2(endedWith(r, 0, why), qPrintable(why));
    if (warning.isEmpty())
        QVERIFY2(!r.err.contains(QLatin1String("warning:")), qPrintable(r.err));
    else
        QVERIFY2(r.err.startsWith(warning), qPrintable(r.err));
    const QStringList printed = QString::fromUtf8(r.out).split(QLatin1Char('\n'));
    QCOMPARE(printed.size(), names.size() + 1);
    for (int i = 0; i < names.size(); ++i) {
        const QString value = printed.at(i).section(QLatin1Char('='), 1);
        QVERIFY2(!readsNanOrInf(value) && !value.startsWith(QLatin1Char('-')),
                 qPrintable(printed.at(i)));
        if (i < PlanModel::OutputCount && (emptied & readoutBit(PlanModel::Output(i))))
            QVERIFY2(value.isEmpty(), qPrintable(printed.at(i)));
        if (i == PlanModel::TransM && !value.isEmpty())
            QVERIFY2(value.toDouble() <= 1.0, qPrintable(printed.at(i)));
    }
    // The mu t at the calculation point is there exactly while the pellet answers the form.
    QCOMPARE(printed.at(PlanModel::dMut).section(QLatin1Char('='), 1).isEmpty(),
             bool(emptied & readoutBit(PlanModel::dMut)));
    const QStringList table =
        QString::fromUtf8(fileBytes(lines)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(!table.isEmpty());
    QCOMPARE(table.size() == 1, bool(emptied & READS_SPECTRUM));
}

// Every field, label, selector and check box of the form can be printed, in the order asked.
void TestBatchHostile::printsEveryWidget()
{
    const Run r = run({"--batch", "-e", "--print", printableNames.join(QLatin1Char(','))});
    QString why;
    QVERIFY2(endedWith(r, 0, why), qPrintable(why));
    QStringList names;
    const QStringList lines = QString::fromUtf8(r.out).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        // A label's text may run over several lines; only lines that start a record count.
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && printableNames.contains(line.left(eq)))
            names << line.left(eq);
    }
    QCOMPARE(names, printableNames);
}

// Group boxes that are not check boxes, the plot, layouts' holders and the menu bar are no
// fields: naming one is a usage error, for printing as for setting.
void TestBatchHostile::refusesWidgetsThatAreNotFields()
{
    QVERIFY(!otherNames.isEmpty());
    for (const QString &name : qAsConst(otherNames)) {
        for (const QString &option : {QStringLiteral("--print"), QStringLiteral("--set")}) {
            const QString arg =
                option == QLatin1String("--set") ? name + QStringLiteral("=1") : name;
            const Run r = run({"--batch", option, arg});
            QString why;
            QVERIFY2(endedWith(r, 2, why), qPrintable(name + QLatin1String(": ") + why));
            QVERIFY(r.out.isEmpty());
        }
    }
}

void TestBatchHostile::unwritableOutputs_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("target"); // relative to the temporary folder; "." is the folder

    for (const QString &option : {QStringLiteral("--save-spectrum"), QStringLiteral("--render")}) {
        const QString o = option.mid(2);
        const QString suffix = option == QLatin1String("--render") ? ".png" : ".dat";
        QTest::addRow("%s into a missing folder", qPrintable(o))
            << option << QStringLiteral("no/such/folder/out") + suffix;
        QTest::addRow("%s onto the folder itself", qPrintable(o)) << option << ".";
        QTest::addRow("%s onto a subfolder", qPrintable(o))
            << option << QStringLiteral("sub") + suffix;
        QTest::addRow("%s below a regular file", qPrintable(o))
            << option << QStringLiteral("keep.dat/out") + suffix;
        QTest::addRow("%s with a 100 kB name", qPrintable(o))
            << option << QString(100 * 1024, QLatin1Char('n')) + suffix;
    }
    // The suffix chooses the image format; a suffix that names none cannot be written, and must
    // not cost an existing file its contents.
    QTest::newRow("render onto an existing file, unknown suffix") << "--render"
                                                                  << "keep.dat";
    QTest::newRow("render with no suffix") << "--render"
                                           << "picture";
}

// An output that cannot be written: status 1, one message, and the folder exactly as before
// (no new file, no temporary left behind, the existing file byte for byte).
void TestBatchHostile::unwritableOutputs()
{
    QFETCH(QString, option);
    QFETCH(QString, target);
    const QByteArray precious("precious\n");
    QVERIFY(writeFile(path(QStringLiteral("keep.dat")), precious));
    QVERIFY(QDir(tmp->path()).mkdir(QStringLiteral("sub.dat")));
    QVERIFY(QDir(tmp->path()).mkdir(QStringLiteral("sub.png")));
    const QStringList before = listing(tmp->path());

    const Run r = run({"--batch", "--set", "SetTgtCmp=Fe2O3", option, path(target)});
    QString why;
    QVERIFY2(endedWith(r, 1, why), qPrintable(why));
    QVERIFY(r.err.startsWith(QLatin1String("Tirn --batch: ")));
    QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    QCOMPARE(fileBytes(path(QStringLiteral("keep.dat"))), precious);
    QCOMPARE(listing(tmp->path()), before);
}

void TestBatchHostile::readOnlyFileStaysAsItWas_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("name");
    QTest::newRow("spectrum") << "--save-spectrum"
                              << "keep.dat";
    QTest::newRow("render") << "--render"
                            << "keep.png";
}

// An existing file without write permission is not replaced. Permissions do not bind a
// privileged user, so when the suite runs as root the program runs as "nobody", owner of the
// folder and of the read-only file.
void TestBatchHostile::readOnlyFileStaysAsItWas()
{
    QFETCH(QString, option);
    QFETCH(QString, name);

    QStringList prefix;
    const QString dir = path(QStringLiteral("ro"));
    QVERIFY(QDir().mkpath(dir));
    const QString file = dir + QLatin1Char('/') + name;
    const QByteArray precious("precious\n");
    QVERIFY(writeFile(file, precious));
    if (geteuid() == 0) {
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (setpriv.isEmpty())
            QSKIP("running as root without setpriv: no user whom the permissions bind");
        QVERIFY(::chmod(QFile::encodeName(tmp->path()).constData(), 0755) == 0);
        QVERIFY(::chown(QFile::encodeName(dir).constData(), kNobody, kNobody) == 0);
        QVERIFY(::chown(QFile::encodeName(file).constData(), kNobody, kNobody) == 0);
        prefix = QStringList{setpriv, "--reuid=65534", "--regid=65534", "--clear-groups"};
    }
    QVERIFY(::chmod(QFile::encodeName(file).constData(), 0444) == 0);
    const QStringList before = listing(dir);

    const Run r = run({"--batch", "--set", "SetTgtCmp=Fe2O3", option, file}, prefix);
    QString why;
    QVERIFY2(endedWith(r, 1, why), qPrintable(why));
    QVERIFY2(r.err.startsWith(QLatin1String("Tirn --batch: ")), qPrintable(r.err));
    QCOMPARE(fileBytes(file), precious);
    QCOMPARE(listing(dir), before);
    QCOMPARE(QFileInfo(file).permissions() &
                 (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther),
             QFile::Permissions());

    // The same run with a writable file succeeds, so the refusal above was the permission's.
    QVERIFY(::chmod(QFile::encodeName(file).constData(), 0644) == 0);
    const Run ok = run({"--batch", "--set", "SetTgtCmp=Fe2O3", option, file}, prefix);
    QVERIFY2(endedWith(ok, 0, why), qPrintable(why));
    QVERIFY(fileBytes(file) != precious);
}

// Every output, each in a file that exists: the outputs and the options that make them.
struct OutputCase
{
    const char *name;
    QStringList options; // the file's name follows the last option
    const char *file;
};

const QVector<OutputCase> &outputCases()
{
    static const QVector<OutputCase> cases = {
        {"session", {"--save-session"}, "out.tirn"},
        {"spectrum", {"--save-spectrum"}, "out.dat"},
        {"spectrum csv", {"--save-spectrum"}, "out.csv"},
        {"line table", {"--set", "DetailedFluo=1", "--save-lines"}, "lines.csv"},
        {"plot png", {"--render-plot"}, "plot.png"},
        {"plot svg", {"--render-plot"}, "plot.svg"},
        {"plot pdf", {"--render-plot"}, "plot.pdf"},
        {"window png", {"--render"}, "window.png"},
    };
    return cases;
}

void TestBatchHostile::failedWriteKeepsTheOldFile_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("limitKiB"); // the file size limit, -1 for a full file system
    for (const OutputCase &c : outputCases()) {
        // 2 KiB cuts the session and the pictures short in the middle of a write; the line table
        // is smaller, and no byte of it may go.
        const int limit = QLatin1String(c.name) == QLatin1String("line table") ? 0 : 2;
        QTest::addRow("%s, size limit", c.name) << c.options << c.file << limit;
        QTest::addRow("%s, full file system", c.name) << c.options << c.file << -1;
    }
}

// A write that fails at any byte (the file size limit of ulimit -f, with SIGXFSZ ignored as a
// shell script may; a file system with no room left) is reported, status 1, and the file that
// was there keeps its bytes, with no temporary file left beside it.
void TestBatchHostile::failedWriteKeepsTheOldFile()
{
    QFETCH(QStringList, options);
    QFETCH(QString, file);
    QFETCH(int, limitKiB);

    QString dir = tmp->path();
    QStringList prefix;
    auto unmount =
        qScopeGuard([&dir] { ::umount2(QFile::encodeName(dir).constData(), MNT_DETACH); });
    if (limitKiB >= 0) {
        unmount.dismiss();
        prefix = QStringList{
            "bash", "-c",
            QStringLiteral("trap '' XFSZ; ulimit -f %1; exec \"$0\" \"$@\"").arg(limitKiB)};
    } else {
        dir = path(QStringLiteral("full"));
        QVERIFY(QDir().mkpath(dir));
        if (::mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0, "size=64k") != 0) {
            unmount.dismiss();
            QSKIP("no small file system to fill: mounting a tmpfs is not permitted here");
        }
    }
    const QString target = dir + QLatin1Char('/') + file;
    const QByteArray old("OLD\n");
    QVERIFY(writeFile(target, old));
    if (limitKiB < 0) {
        // Every page of the file system taken.
        QFile filler(dir + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray page(4096, 'x');
        while (filler.write(page) == page.size()) {
        }
    }
    const QStringList before = listing(dir);

    const Run r = run(QStringList{"--batch", "-e", "--set", "SetTgtCmp=Fe2O3"} + options +
                          QStringList{target},
                      prefix);
    QString why;
    QVERIFY2(endedWith(r, 1, why), qPrintable(why));
    QVERIFY2(r.err.startsWith(QLatin1String("Tirn --batch: ")), qPrintable(r.err));
    QVERIFY2(r.err.contains(limitKiB < 0 ? QLatin1String("No space left on device")
                                         : QLatin1String("File too large")),
             qPrintable(r.err));
    QCOMPARE(fileBytes(target), old);
    QCOMPARE(listing(dir), before);
}

namespace {

// Everything a reader of the FIFO gets, from when a writer opens it to when the last one closes.
class FifoReader
{
public:
    explicit FifoReader(const QString &fifo) : name(QFile::encodeName(fifo))
    {
        reader = std::thread([this] {
            const int fd = ::open(name.constData(), O_RDONLY);
            if (fd < 0)
                return;
            char chunk[65536];
            for (;;) {
                const ssize_t n = ::read(fd, chunk, sizeof chunk);
                if (n <= 0)
                    break;
                bytes.append(chunk, int(n));
            }
            ::close(fd);
        });
    }
    // The bytes read; a reader still waiting for a writer (none came) is let go first.
    QByteArray finish()
    {
        const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
        reader.join();
        return bytes;
    }
    ~FifoReader()
    {
        if (reader.joinable())
            finish();
    }

private:
    const QByteArray name;
    QByteArray bytes;
    std::thread reader;
};

bool isKind(const QString &file, mode_t kind)
{
    struct stat st;
    return ::lstat(QFile::encodeName(file).constData(), &st) == 0 && (st.st_mode & S_IFMT) == kind;
}

} // namespace

void TestBatchHostile::specialFileIsWrittenInto_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("special"); // fifo; null or full: a device node like /dev's
    for (const OutputCase &c : outputCases()) {
        if (QLatin1String(c.name) != QLatin1String("plot svg") &&
            QLatin1String(c.name) != QLatin1String("plot pdf"))
            QTest::addRow("%s into a FIFO", c.name) << c.options << c.file << "fifo";
    }
    QTest::newRow("spectrum into a null device") << QStringList{"--save-spectrum"} << "out.dat"
                                                 << "null";
    QTest::newRow("session into a full device") << QStringList{"--save-session"} << "out.tirn"
                                                << "full";
    QTest::newRow("plot into a full device") << QStringList{"--render-plot"} << "plot.png"
                                             << "full";
}

// A target that exists and is not a regular file is written into, never replaced: a FIFO's
// reader gets what a regular file would have held, and the FIFO or device is still one
// afterwards. A device that refuses the bytes is a failed write.
void TestBatchHostile::specialFileIsWrittenInto()
{
    QFETCH(QStringList, options);
    QFETCH(QString, file);
    QFETCH(QString, special);

    const QStringList args{"--batch", "-e", "--set", "SetTgtCmp=Fe2O3"};
    // The format goes by the name's suffix, as for a regular file.
    const QString target = path(file);
    const QByteArray encoded = QFile::encodeName(target);
    const mode_t kind = special == QLatin1String("fifo") ? S_IFIFO : S_IFCHR;
    if (kind == S_IFIFO) {
        QVERIFY(::mkfifo(encoded.constData(), 0600) == 0);
    } else if (::mknod(encoded.constData(), S_IFCHR | 0600,
                       makedev(1, special == QLatin1String("null") ? 3 : 7)) != 0) {
        QSKIP("no device node to write into: mknod is not permitted here");
    }

    std::unique_ptr<FifoReader> reader;
    if (kind == S_IFIFO)
        reader = std::make_unique<FifoReader>(target);
    const Run r = run(args + options + QStringList{target});
    const QByteArray got = reader ? reader->finish() : QByteArray();
    QString why;
    QVERIFY(isKind(target, kind));
    if (special == QLatin1String("full")) {
        QVERIFY2(endedWith(r, 1, why), qPrintable(why));
        QVERIFY2(r.err.contains(QLatin1String("No space left on device")), qPrintable(r.err));
        return;
    }
    QVERIFY2(endedWith(r, 0, why), qPrintable(why));
    if (!reader)
        return;

    // The same output into a regular file of the same suffix.
    const QString regular = path(QStringLiteral("plain-") + file);
    const Run plain = run(args + options + QStringList{regular});
    QVERIFY2(endedWith(plain, 0, why), qPrintable(why));
    if (file.endsWith(QLatin1String(".png"))) {
        const QImage image = QImage::fromData(got);
        QVERIFY(!image.isNull());
        QCOMPARE(image, QImage(regular));
    } else {
        QCOMPARE(got, fileBytes(regular));
    }
}

void TestBatchHostile::dashWritesToStandardOutput_data()
{
    QTest::addColumn<QStringList>("outputs"); // options that take the name, in the order given
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("intoFile"); // standard output redirected to a regular file
    QTest::newRow("spectrum") << QStringList{"--save-spectrum"} << "-" << false;
    QTest::newRow("line table") << QStringList{"--save-lines"} << "-" << false;
    QTest::newRow("session") << QStringList{"--save-session"} << "-" << false;
    QTest::newRow("line table and spectrum")
        << QStringList{"--save-lines", "--save-spectrum"} << "-" << false;
    QTest::newRow("all three") << QStringList{"--save-session", "--save-lines", "--save-spectrum"}
                               << "-" << true;
    QTest::newRow("spectrum to /dev/stdout, a pipe")
        << QStringList{"--save-spectrum"} << "/dev/stdout" << false;
    QTest::newRow("session to /dev/stdout, a regular file")
        << QStringList{"--save-session"} << "/dev/stdout" << true;
    QTest::newRow("lines to /dev/fd/1, a regular file")
        << QStringList{"--save-lines"} << "/dev/fd/1" << true;
}

// "-" writes a text output to standard output after the printed fields, the spectrum as the
// tab-separated table; several follow in the order the program writes its files (spectrum,
// session, line table), whatever the order of the options. /dev/stdout and /dev/fd/1 are the
// same descriptor, also when it is a regular file, whose printed lines stay.
void TestBatchHostile::dashWritesToStandardOutput()
{
    QFETCH(QStringList, outputs);
    QFETCH(QString, name);
    QFETCH(bool, intoFile);
    if (!QFileInfo::exists(name) && name != QLatin1String("-"))
        QSKIP("this system has no such name for a descriptor");
    const QStringList args{"--batch", "-e", "--set", "SetTgtCmp=Fe2O3", "--print", "dMut,SetThick"};
    const QVector<QPair<QString, QString>> order{{"--save-spectrum", "spectrum.dat"},
                                                 {"--save-session", "session.tirn"},
                                                 {"--save-lines", "lines.csv"}};
    QStringList toFiles = args;
    QStringList toStdout = args;
    for (const QString &option : outputs)
        toStdout << option << name;
    for (const auto &o : order)
        toFiles << o.first << path(o.second);
    const Run files = run(toFiles);
    const Run streamed =
        run(toStdout, QStringList(), intoFile ? path(QStringLiteral("stdout.txt")) : QString());
    QString why;
    QVERIFY2(endedWith(files, 0, why), qPrintable(why));
    QVERIFY2(endedWith(streamed, 0, why), qPrintable(why));
    QVERIFY(files.out.startsWith("dMut="));

    QByteArray expected = files.out;
    for (const auto &o : order) {
        if (outputs.contains(o.first))
            expected += fileBytes(path(o.second));
    }
    QCOMPARE(streamed.out, expected);
    QCOMPARE(streamed.err, files.err);
    QCOMPARE(QDir(tmp->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(),
             intoFile ? 4 : 3);
}

void TestBatchHostile::refusedMeasuredFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // null: no such file; "<folder>": a folder
    QTest::newRow("missing") << "none.mca" << QByteArray();
    QTest::newRow("a folder") << "dir.spe" << QByteArray("<folder>");
    QTest::newRow("mca truncated")
        << "t.mca" << QByteArray("<<PMCA SPECTRUM>>\nLIVE_TIME - 1\n<<DATA>>\n3\n");
    QTest::newRow("spe without data") << "s.spe" << QByteArray("$SPEC_ID:\nx\n$MEAS_TIM:\n1 1\n");
    QTest::newRow("text in numbers") << "x.csv" << QByteArray("channel,counts\n0,4\n1,4o\n");
}

// A measured file that cannot be read stops the run before any output: exit 2, the reader's
// reason on standard error, every named file left as it was.
void TestBatchHostile::refusedMeasuredFile()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    const QString measured = path(name);
    if (content == "<folder>")
        QVERIFY(QDir(tmp->path()).mkdir(name));
    else if (!content.isNull())
        QVERIFY(writeFile(measured, content));
    const QString existing = path(QStringLiteral("keep.dat"));
    const QByteArray precious("precious\n");
    QVERIFY(writeFile(existing, precious));
    const QStringList before = listing(tmp->path());

    PlanModel reader;
    QString why;
    QVERIFY(!reader.loadMeasured(measured, &why));
    QVERIFY(!why.isEmpty());

    const Run r = run({"--batch", "-e", "--set", "SetTgtCmp=Fe2O3", "--load-measured", measured,
                       "--print", "MeasScale", "--save-spectrum", existing, "--save-channels",
                       path(QStringLiteral("c.csv")), "--save-session",
                       path(QStringLiteral("s.tirn")), "--render", path(QStringLiteral("w.png"))});
    QString failed;
    QVERIFY2(endedWith(r, 2, failed), qPrintable(failed));
    QVERIFY2(r.err.contains(measured) && r.err.contains(why), qPrintable(r.err));
    QVERIFY2(r.out.isEmpty(), r.out.constData());
    QCOMPARE(fileBytes(existing), precious);
    QCOMPARE(listing(tmp->path()), before);

    // In Japanese the reader's own reasons are Japanese too (the system's, a missing file's,
    // are the system's).
    if (!content.isNull() && content != "<folder>") {
        const Run ja = run({"--batch", "-j", "--load-measured", measured});
        QVERIFY2(endedWith(ja, 2, failed), qPrintable(failed));
        const QString &err = ja.err;
        QVERIFY2(!err.contains(why), qPrintable(err));
        QVERIFY2(std::any_of(err.cbegin(), err.cend(),
                             [](QChar c) { return c.unicode() >= 0x3040 && c.unicode() < 0xa000; }),
                 qPrintable(err));
    }
}

QTEST_MAIN(TestBatchHostile)
#include "test_batch_hostile.moc"
