#include "Language.h"
#include "Preferences.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <vector>

using Language = Preferences::Language;
Q_DECLARE_METATYPE(Preferences::Language)

// The language rule: a program path containing "Tirne", then "-j"/"-e" (last one wins), then the
// choice remembered from the window, then Japanese.
class TestLanguage : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir config; // the user's settings folder for this run

private Q_SLOTS:
    void initTestCase();
    void choice_data();
    void choice();
    void nullArgumentsAreEmptyStrings();
    void qtOwnTextsFollow();
    void choiceSurvivesARestart_data();
    void choiceSurvivesARestart();
};

void TestLanguage::initTestCase()
{
    QVERIFY(config.isValid());
    // Before any settings are read: they are looked for here from then on.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
}

void TestLanguage::choice_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("japanese");
    QTest::addColumn<Language>("remembered");

    const QString tirn = QStringLiteral("/usr/bin/Tirn");
    QTest::newRow("no options") << tirn << QStringList{} << true << Language::Unchosen;
    QTest::newRow("-e") << tirn << QStringList{"-e"} << false << Language::Unchosen;
    QTest::newRow("-j") << tirn << QStringList{"-j"} << true << Language::Unchosen;
    QTest::newRow("-e then -j") << tirn << QStringList{"-e", "-j"} << true << Language::Unchosen;
    QTest::newRow("-j then -e") << tirn << QStringList{"-j", "-e"} << false << Language::Unchosen;
    QTest::newRow("-e among others")
        << tirn << QStringList{"--batch", "-e", "x"} << false << Language::Unchosen;
    QTest::newRow("upper-case -E is no option")
        << tirn << QStringList{"-E"} << true << Language::Unchosen;
    QTest::newRow("-en is no option") << tirn << QStringList{"-en"} << true << Language::Unchosen;
    QTest::newRow("-e with a blank is no option")
        << tirn << QStringList{"-e "} << true << Language::Unchosen;
    QTest::newRow("empty argument") << tirn << QStringList{""} << true << Language::Unchosen;
    QTest::newRow("Tirne launcher")
        << QStringLiteral("/usr/bin/Tirne") << QStringList{} << false << Language::Unchosen;
    QTest::newRow("Tirne beats -j")
        << QStringLiteral("Tirne") << QStringList{"-j"} << false << Language::Unchosen;
    QTest::newRow("Tirne in a directory") << QStringLiteral("/opt/Tirne2/bin/Tirn")
                                          << QStringList{"-j"} << false << Language::Unchosen;
    QTest::newRow("case-sensitive name")
        << QStringLiteral("/usr/bin/tirne") << QStringList{} << true << Language::Unchosen;
    QTest::newRow("TIRNE upper case")
        << QStringLiteral("/usr/bin/TIRNE") << QStringList{"-j"} << true << Language::Unchosen;
    // What the window remembered comes after the launcher and the options.
    QTest::newRow("English remembered") << tirn << QStringList{} << false << Language::English;
    QTest::newRow("Japanese remembered") << tirn << QStringList{} << true << Language::Japanese;
    QTest::newRow("-j beats English remembered")
        << tirn << QStringList{"-j"} << true << Language::English;
    QTest::newRow("-e beats Japanese remembered")
        << tirn << QStringList{"-e"} << false << Language::Japanese;
    QTest::newRow("-e -j beats English remembered")
        << tirn << QStringList{"-e", "-j"} << true << Language::English;
    QTest::newRow("-en is no option, English remembered")
        << tirn << QStringList{"-en"} << false << Language::English;
    QTest::newRow("Tirne beats Japanese remembered")
        << QStringLiteral("/usr/bin/Tirne") << QStringList{} << false << Language::Japanese;
}

void TestLanguage::choice()
{
    QFETCH(QString, program);
    QFETCH(QStringList, options);
    QFETCH(bool, japanese);
    QFETCH(Language, remembered);

    std::vector<QByteArray> storage;
    storage.push_back(program.toLocal8Bit());
    for (const QString &o : options)
        storage.push_back(o.toLocal8Bit());
    std::vector<const char *> argv;
    for (const QByteArray &b : storage)
        argv.push_back(b.constData());
    QCOMPARE(startsInJapanese(int(argv.size()), argv.data(), remembered), japanese);
}

void TestLanguage::nullArgumentsAreEmptyStrings()
{
    const char *withNull[] = {"Tirn", "-e", nullptr};
    QCOMPARE(startsInJapanese(3, withNull), false);
    const char *nullProgram[] = {nullptr, "-j"};
    QCOMPARE(startsInJapanese(2, nullProgram), true);
    QCOMPARE(startsInJapanese(0, nullptr), true);
}

// Qt's own dialogs and menus speak the interface's language too: the Japanese start installs
// Qt's catalogue (Debian qttranslations5-l10n / qt6-translations-l10n) beside the program's.
void TestLanguage::qtOwnTextsFollow()
{
    int argc = 1;
    char name[] = "test_language";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QVERIFY2(QFile::exists(qtTranslationsPath() + QStringLiteral("/qtbase_ja.qm")),
             qPrintable(qtTranslationsPath()));
    const QString english = QCoreApplication::translate("QFileDialog", "Save As");
    QTranslator translator;
    installJapanese(translator);
    const QString japanese = QCoreApplication::translate("QFileDialog", "Save As");
    QVERIFY2(japanese != english, qPrintable(japanese));
}

void TestLanguage::choiceSurvivesARestart_data()
{
    QTest::addColumn<Language>("chosen");
    QTest::addColumn<QStringList>("arguments"); // after the program name
    QTest::addColumn<bool>("japanese");
    QTest::addColumn<QByteArray>("stored"); // the line in the settings file; empty for none

    QTest::newRow("English") << Language::English << QStringList{} << false
                             << QByteArray("language=en");
    QTest::newRow("Japanese") << Language::Japanese << QStringList{} << true
                              << QByteArray("language=ja");
    QTest::newRow("nothing chosen") << Language::Unchosen << QStringList{} << true << QByteArray();
    QTest::newRow("English, started with -j")
        << Language::English << QStringList{"-j"} << true << QByteArray("language=en");
    // Scripts read a batch run's texts: they never depend on the window's choice.
    QTest::newRow("English, batch")
        << Language::English << QStringList{"--batch", "--print", "MuPt"} << true
        << QByteArray("language=en");
    QTest::newRow("English, batch -e")
        << Language::English << QStringList{"--batch", "-e"} << false << QByteArray("language=en");
}

// The language chosen in the window is in the settings file when the program ends, and the next
// start reads it from there.
void TestLanguage::choiceSurvivesARestart()
{
    QFETCH(Language, chosen);
    QFETCH(QStringList, arguments);
    QFETCH(bool, japanese);
    QFETCH(QByteArray, stored);

    QByteArray program("/usr/bin/Tirn");
    std::vector<QByteArray> storage{program};
    for (const QString &a : arguments)
        storage.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &b : storage)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    int argc = int(argv.size()) - 1;
    const bool batch = arguments.contains(QStringLiteral("--batch"));

    QString settingsFile;
    {
        QCoreApplication first(argc, argv.data());
        Preferences::setApplicationNames();
        settingsFile = Preferences::configFolder() + QStringLiteral("/Tirn.conf");
        QVERIFY(settingsFile.startsWith(config.path()));
        // An earlier choice is replaced, not added to.
        Preferences().setLanguage(chosen == Language::English ? Language::Japanese
                                                              : Language::English);
        Preferences().setLanguage(chosen);
    }
    QFile file(settingsFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray onDisk = file.readAll();
    QCOMPARE(onDisk.count("language="), stored.isEmpty() ? 0 : 1);
    if (!stored.isEmpty())
        QVERIFY2(onDisk.contains("[interface]\n" + stored + "\n"), onDisk.constData());

    QCoreApplication second(argc, argv.data());
    Preferences::setApplicationNames();
    QCOMPARE(Preferences().language(), chosen);
    QCOMPARE(interfaceStartsInJapanese(argc, argv.data(), batch), japanese);
}

QTEST_APPLESS_MAIN(TestLanguage)
#include "test_language.moc"
