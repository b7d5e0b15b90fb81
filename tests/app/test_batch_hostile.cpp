// Batch mode under hostile input, run as the real executable: malformed options, hostile values,
// every widget printed, and outputs that cannot be written. A run must never crash or hang, must
// exit 0 for valid options whatever the values (hostile values are legal input), 2 for malformed
// options and unknown names, 1 for an output that cannot be written, and must leave the file
// system as it found it whenever it fails.
#include "FormDriver.h"
#include "MainWindow.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <sys/stat.h>
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
      << QStringLiteral("1e-320");
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

QString printedValue(const QWidget *w)
{
    if (const auto *e = qobject_cast<const QLineEdit *>(w))
        return e->text();
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

    static Run run(const QStringList &args, const QStringList &prefix = QStringList())
    {
        QProcess p;
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
        r.out = p.readAllStandardOutput();
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
    void printsEveryWidget();
    void refusesWidgetsThatAreNotFields();
    void unwritableOutputs_data();
    void unwritableOutputs();
    void readOnlyFileStaysAsItWas_data();
    void readOnlyFileStaysAsItWas();
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
    QStringList args{"--batch", "-e"};
    for (const auto &e : edits)
        args << "--set" << e.first + QLatin1Char('=') + e.second;
    args << "--print" << printableNames.join(QLatin1Char(','));
    args << "--save-spectrum" << spectrum << "--render" << image;
    const Run r = run(args);

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
    // which the run reports with status 1 after printing; the image is not written either.
    QString why;
    if (!w.plan->calcMuTCurve()) {
        QVERIFY2(endedWith(r, 1, why), qPrintable(why));
        QVERIFY(!QFile::exists(spectrum));
        return;
    }
    QVERIFY2(endedWith(r, 0, why), qPrintable(why));
    const QList<QByteArray> rows = fileBytes(spectrum).split('\n');
    QCOMPARE(rows.size(), MUT_POINTS + 1);
    QVERIFY(rows.last().isEmpty());
    for (const QByteArray &row : rows.mid(0, MUT_POINTS))
        QCOMPARE(row.split('\t').size(), 3);
    QVERIFY(!QImage(image).isNull());
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

QTEST_MAIN(TestBatchHostile)
#include "test_batch_hostile.moc"
