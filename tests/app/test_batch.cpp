#include "MainWindow.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// Batch mode drives the real window; these tests run the real executable.
class TestBatch : public QObject
{
    Q_OBJECT

private:
    struct Run
    {
        int exitCode = -1;
        QString out;
        QString err;
    };

    static Run run(const QStringList &args, const QString &program = TIRN_EXECUTABLE)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(program, args);
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished();
        }
        Run r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    static QStringList lines(const QString &out)
    {
        return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private Q_SLOTS:
    void usageErrors_data();
    void usageErrors();
    void printsWidgets_data();
    void printsWidgets();
    void languageFollowsOptionsAndLauncher_data();
    void languageFollowsOptionsAndLauncher();
    void setReachesSameSlotAsForm();
    void rendersWindow();
    void savesSpectrum();
    void failedSaveExitsNonZero();
};

void TestBatch::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("unknown option") << QStringList{"--batch", "--frobnicate"};
    QTest::newRow("--set without value") << QStringList{"--batch", "--set"};
    QTest::newRow("--set without =") << QStringList{"--batch", "--set", "SetTgtCmp"};
    QTest::newRow("--set with empty name") << QStringList{"--batch", "--set", "=Fe"};
    QTest::newRow("--set unknown widget") << QStringList{"--batch", "--set", "NoSuchField=1"};
    QTest::newRow("--set on a label") << QStringList{"--batch", "--set", "dMut=3"};
    QTest::newRow("--print unknown widget") << QStringList{"--batch", "--print", "SetDMuT,Nope"};
    QTest::newRow("--print empty name") << QStringList{"--batch", "--print", "SetDMuT,,SetMuT"};
    QTest::newRow("--print without value") << QStringList{"--batch", "--print"};
    QTest::newRow("combo item missing") << QStringList{"--batch", "--set", "SelectAE=M5"};
    QTest::newRow("element not in target")
        << QStringList{"--batch", "--set", "SetTgtCmp=Fe2O3", "--set", "SelectTE=Cu"};
    QTest::newRow("check box bad value") << QStringList{"--batch", "--set", "AddInfoRatioF=yes"};
    // A checked radio button of a group is unchecked only by choosing another: the form cannot
    // do it, so a script asking for it is told so.
    QTest::newRow("unchecking the chosen radio button")
        << QStringList{"--batch", "--set", "IntensityInt=0"};
    QTest::newRow("--save-spectrum twice")
        << QStringList{"--batch", "--save-spectrum", "a.dat", "--save-spectrum", "b.dat"};
    QTest::newRow("--render without file") << QStringList{"--batch", "--render"};
}

void TestBatch::usageErrors()
{
    QFETCH(QStringList, args);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString spectrum = dir.filePath(QStringLiteral("out.dat"));
    const QString image = dir.filePath(QStringLiteral("out.png"));
    // Outputs named on the same command line must not be written when the run fails.
    QStringList full = args;
    if (!args.contains(QStringLiteral("--save-spectrum")) && args.last() != QLatin1String("--print")
        && args.last() != QLatin1String("--set") && args.last() != QLatin1String("--render"))
        full << "--save-spectrum" << spectrum << "--render" << image;

    const Run r = run(full);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(lines(r.err).size(), 1);
    QVERIFY(r.err.startsWith(QLatin1String("Tirn --batch: ")));
    QVERIFY2(r.out.isEmpty(), qPrintable(r.out));
    QVERIFY(!QFile::exists(spectrum));
    QVERIFY(!QFile::exists(image));
}

void TestBatch::printsWidgets_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("defaults of each widget kind")
        << QStringList{"--batch", "-e", "--print",
                       "SetBndCmp,ExtendedBndMolecularForm,SelectAE,AddInfoRatioF,IntensityPeak,"
                       "FluoBox,I0Flux"}
        << QStringList{"SetBndCmp=BN", "ExtendedBndMolecularForm=B1 N1 ", "SelectAE=K",
                       "AddInfoRatioF=1", "IntensityPeak=0", "FluoBox=1", "I0Flux=1e10"};
    QTest::newRow("order as given, repeats allowed")
        << QStringList{"--batch", "-e", "--print", "SetMuT", "--print", "SetDMuT,SetMuT"}
        << QStringList{"SetMuT=2.5", "SetDMuT=1", "SetMuT=2.5"};
    QTest::newRow("target evaluated and element list filled")
        << QStringList{"--batch", "-e", "--set", "SetTgtCmp=Fe2O3", "--print",
                       "ExtendedTgtMolecularForm,SelectTE,SelectAE"}
        << QStringList{"ExtendedTgtMolecularForm=Fe2 O3 ", "SelectTE=Fe", "SelectAE=K"};
    QTest::newRow("check boxes and radio buttons")
        << QStringList{"--batch", "-e",         "--set",   "IntensityPeak=true", "--set",
                       "FluoBox=0", "--print", "IntensityPeak,IntensityInt,FluoBox"}
        << QStringList{"IntensityPeak=1", "IntensityInt=0", "FluoBox=0"};
}

void TestBatch::printsWidgets()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, expected);
    const Run r = run(args);
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(r.out.split(QLatin1Char('\n')).mid(0, expected.size()), expected);
    QCOMPARE(lines(r.out).size(), expected.size());
}

void TestBatch::languageFollowsOptionsAndLauncher_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("label");
    const QString english = QStringLiteral("label_36=   Ext.Eng.[keV]");
    const QString japanese = QStringLiteral("label_36=励起E[keV]");
    QTest::newRow("default Japanese") << TIRN_EXECUTABLE << QStringList{} << japanese;
    QTest::newRow("-e") << TIRN_EXECUTABLE << QStringList{"-e"} << english;
    QTest::newRow("-e -j") << TIRN_EXECUTABLE << QStringList{"-e", "-j"} << japanese;
    QTest::newRow("-j -e") << TIRN_EXECUTABLE << QStringList{"-j", "-e"} << english;
    QTest::newRow("Tirne launcher with -j") << TIRN_ENGLISH_LAUNCHER << QStringList{"-j"}
                                            << english;
}

void TestBatch::languageFollowsOptionsAndLauncher()
{
    QFETCH(QString, program);
    QFETCH(QStringList, options);
    QFETCH(QString, label);
    const Run r = run(QStringList{"--batch"} + options + QStringList{"--print", "label_36,I0Flux"},
                      program);
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(lines(r.out), (QStringList{label, "I0Flux=1e10"}));
}

// A --set must go through the same slot as a user's edit: the batch output equals what the
// window shows after the same edits made on the form in this process.
void TestBatch::setReachesSameSlotAsForm()
{
    const QList<QPair<QString, QString>> edits = {
        {"SetTgtCmp", "Fe2O3"}, {"SetBndCmp", "C6H10O5"}, {"SetTgtBndMolR", "5"},
        {"SetCylDiam", "10"},   {"SetThick", "0.8"},      {"SetDMuT", "1"}};
    const QStringList shown = {"SetTgtWeight", "SetBndWeight", "SetTgtBndWtR", "CylWeight",
                               "CylVol",       "SetThick",     "dMut",         "MuPt"};

    QStringList args{"--batch", "-e"};
    for (const auto &e : edits)
        args << "--set" << e.first + QLatin1Char('=') + e.second;
    args << "--print" << shown.join(QLatin1Char(','));
    const Run r = run(args);
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));

    MainWindow w;
    w.setAttribute(Qt::WA_DontShowOnScreen, true);
    w.show();
    (void)w.GView1->grab();
    for (const auto &e : edits) {
        auto *edit = w.findChild<QLineEdit *>(e.first);
        QVERIFY(edit);
        edit->setText(e.second);
        Q_EMIT edit->editingFinished();
        (void)w.GView1->grab();
    }
    QStringList expected;
    for (const QString &name : shown) {
        QWidget *wd = w.findChild<QWidget *>(name);
        QVERIFY(wd);
        if (auto *le = qobject_cast<QLineEdit *>(wd))
            expected << name + QLatin1Char('=') + le->text();
        else
            expected << name + QLatin1Char('=') + qobject_cast<QLabel *>(wd)->text();
    }
    QCOMPARE(lines(r.out), expected);
    // The edits had an effect at all (guards against both sides doing nothing).
    QVERIFY(!expected.contains(QStringLiteral("SetTgtWeight=10")));
}

void TestBatch::rendersWindow()
{
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("window.png"));
    const Run r = run({"--batch", "-e", "--set", "SetTgtCmp=Fe2O3", "--render", image});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QImage img(image);
    QVERIFY(!img.isNull());
    // The window's default size; it is wider only where the fonts of the machine need more
    // room than the form's 854 pixels.
    QCOMPARE(img.height(), 964);
    QVERIFY(img.width() >= 854);
}

void TestBatch::savesSpectrum()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("spectrum.dat"));
    const Run r = run({"--batch", "--set", "SetTgtCmp=Fe2O3", "--save-spectrum", file});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = f.readAll().split('\n');
    QCOMPARE(rows.size(), 2001); // 2000 lines, each ending in "\n"
    QVERIFY(rows.last().isEmpty());
    QCOMPARE(rows.first().split('\t').size(), 3);
}

void TestBatch::failedSaveExitsNonZero()
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("keep.dat"));
    {
        QFile f(existing);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("precious\n");
    }
    // An empty energy range leaves the existing file as it was.
    Run r = run({"--batch", "--set", "SetTgtCmp=Fe2O3", "--set", "StartE0=7", "--set", "EndE0=7",
                 "--save-spectrum", existing});
    QVERIFY(r.exitCode != 0);
    QVERIFY(!r.err.isEmpty());
    QFile f(existing);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("precious\n"));

    r = run({"--batch", "--set", "SetTgtCmp=Fe2O3", "--save-spectrum",
             dir.filePath(QStringLiteral("no/such/dir/x.dat"))});
    QVERIFY(r.exitCode != 0);
    QVERIFY(!r.err.isEmpty());
}

QTEST_MAIN(TestBatch)
#include "test_batch.moc"
