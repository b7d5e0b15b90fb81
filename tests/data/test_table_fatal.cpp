// A missing element table ends the process: one line on standard output and exit status 1.

#include <QtTest>

#include <QProcess>

class TestTableFatal : public QObject
{
    Q_OBJECT

private slots:
    void run_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("missing table")
            << QStringLiteral(TIRN_SOURCE_DIR "/tests/fixtures/data/no_such_table.txt")
            << QByteArray("Cannot open [XrayDataBase1.txt]\n") << 1;
        QTest::newRow("missing resource") << QStringLiteral(":XrayDataBase1.txt")
                                          << QByteArray("Cannot open [XrayDataBase1.txt]\n") << 1;
        QTest::newRow("present table")
            << QStringLiteral(TIRN_SOURCE_DIR "/tests/fixtures/data/telling_rows.txt")
            << QByteArray("loaded 7 records\n") << 0;
    }
    void run()
    {
        QFETCH(QString, table);
        QFETCH(QByteArray, output);
        QFETCH(int, exitCode);
        QProcess helper;
        helper.start(QStringLiteral(TIRN_LOAD_HELPER), {table});
        QVERIFY(helper.waitForFinished(30000));
        QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
        QCOMPARE(helper.exitCode(), exitCode);
        QCOMPARE(helper.readAllStandardOutput(), output);
        QCOMPARE(helper.readAllStandardError(), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestTableFatal)
#include "test_table_fatal.moc"
