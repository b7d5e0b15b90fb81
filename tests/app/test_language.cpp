#include "Language.h"

#include <QCoreApplication>
#include <QFile>
#include <QTranslator>
#include <QtTest>

#include <vector>

// The language rule: "-j"/"-e" (last one wins) and a program path containing "Tirne".
class TestLanguage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void choice_data();
    void choice();
    void nullArgumentsAreEmptyStrings();
    void qtOwnTextsFollow();
};

void TestLanguage::choice_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("japanese");

    const QString tirn = QStringLiteral("/usr/bin/Tirn");
    QTest::newRow("no options") << tirn << QStringList{} << true;
    QTest::newRow("-e") << tirn << QStringList{"-e"} << false;
    QTest::newRow("-j") << tirn << QStringList{"-j"} << true;
    QTest::newRow("-e then -j") << tirn << QStringList{"-e", "-j"} << true;
    QTest::newRow("-j then -e") << tirn << QStringList{"-j", "-e"} << false;
    QTest::newRow("-e among others") << tirn << QStringList{"--batch", "-e", "x"} << false;
    QTest::newRow("upper-case -E is no option") << tirn << QStringList{"-E"} << true;
    QTest::newRow("-en is no option") << tirn << QStringList{"-en"} << true;
    QTest::newRow("-e with a blank is no option") << tirn << QStringList{"-e "} << true;
    QTest::newRow("empty argument") << tirn << QStringList{""} << true;
    QTest::newRow("Tirne launcher") << QStringLiteral("/usr/bin/Tirne") << QStringList{} << false;
    QTest::newRow("Tirne beats -j") << QStringLiteral("Tirne") << QStringList{"-j"} << false;
    QTest::newRow("Tirne in a directory")
        << QStringLiteral("/opt/Tirne2/bin/Tirn") << QStringList{"-j"} << false;
    QTest::newRow("case-sensitive name")
        << QStringLiteral("/usr/bin/tirne") << QStringList{} << true;
    QTest::newRow("TIRNE upper case")
        << QStringLiteral("/usr/bin/TIRNE") << QStringList{"-j"} << true;
}

void TestLanguage::choice()
{
    QFETCH(QString, program);
    QFETCH(QStringList, options);
    QFETCH(bool, japanese);

    std::vector<QByteArray> storage;
    storage.push_back(program.toLocal8Bit());
    for (const QString &o : options)
        storage.push_back(o.toLocal8Bit());
    std::vector<const char *> argv;
    for (const QByteArray &b : storage)
        argv.push_back(b.constData());
    QCOMPARE(startsInJapanese(int(argv.size()), argv.data()), japanese);
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

QTEST_APPLESS_MAIN(TestLanguage)
#include "test_language.moc"
