// The yield reader: line rules and the diagnostic for a missing file.

#include "readTables.h"

#include <QtTest>

#include <QFile>
#include <QTemporaryDir>

#include <vector>

namespace {

struct Captured
{
    QtMsgType type = QtInfoMsg;
    QString file;
    int line = 0;
    QString function;
    QString category;
    QString message;
    int count = 0;
};

Captured captured;

void captureHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    ++captured.count;
    captured.type = type;
    captured.file = QString::fromUtf8(context.file);
    captured.line = context.line;
    captured.function = QString::fromUtf8(context.function);
    captured.category = QString::fromUtf8(context.category);
    captured.message = message;
}

} // namespace

class TestReadYield : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString writeFile(const QByteArray &content)
    {
        static int serial = 0;
        const QString name = dir.filePath(QStringLiteral("yield%1.txt").arg(++serial));
        QFile f(name);
        if (!f.open(QIODevice::WriteOnly))
            return QString();
        f.write(content);
        return name;
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void lines_data()
    {
        // Expected non-zero entries as "index=value" pairs; every other entry must be 0.
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("single line") << QByteArray("26  0.327018\n") << QStringList{"26=0.327018"};
        QTest::newRow("header and data, CRLF")
            << QByteArray(
                   "# curve\r\n# title\r\n# x y type\r\n7  0.000444516\r\n8  0.00354651\r\n\r\n")
            << QStringList{"7=0.000444516", "8=0.00354651"};
        QTest::newRow("hash as its own field") << QByteArray("# 5 0.5\n") << QStringList{};
        QTest::newRow("hash glued to the number") << QByteArray("#5 0.5\n") << QStringList{};
        QTest::newRow("not an integer reads as 0") << QByteArray("x 0.5\n") << QStringList{"0=0.5"};
        QTest::newRow("decimal index reads as 0")
            << QByteArray("26.5 0.5\n") << QStringList{"0=0.5"};
        QTest::newRow("leading blank gives an empty first field")
            << QByteArray(" 26 0.3\n") << QStringList{"0=26"};
        QTest::newRow("trailing blanks") << QByteArray("12  0.25   \n") << QStringList{"12=0.25"};
        QTest::newRow("tab separated") << QByteArray("9\t0.125\n") << QStringList{"9=0.125"};
        QTest::newRow("exponent form")
            << QByteArray("3  2.08801e-05\n") << QStringList{"3=2.08801e-05"};
        QTest::newRow("unreadable value") << QByteArray("4  abc\n") << QStringList{};
        QTest::newRow("last index stored") << QByteArray("129 0.9\n") << QStringList{"129=0.9"};
        QTest::newRow("index past the end ignored") << QByteArray("130 0.9\n") << QStringList{};
        QTest::newRow("negative index ignored") << QByteArray("-1 0.9\n") << QStringList{};
        QTest::newRow("one field and empty lines")
            << QByteArray("\n26\n\n27 0.5\n") << QStringList{"27=0.5"};
        QTest::newRow("later line overwrites")
            << QByteArray("5 0.1\n5 0.2\n") << QStringList{"5=0.2"};
        QTest::newRow("no newline at the end") << QByteArray("6 0.75") << QStringList{"6=0.75"};
    }
    void lines()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, expected);
        const QString name = writeFile(content);
        QVERIFY(!name.isEmpty());

        std::vector<double> wanted(YIELD_SLOTS, 0.0);
        for (const QString &pair : expected) {
            const QStringList kv = pair.split(QLatin1Char('='));
            wanted[kv.at(0).toInt()] = kv.at(1).toDouble();
        }
        // Stale contents must be cleared, and nothing beyond count touched.
        std::vector<double> values(YIELD_ARRAY_SIZE, 7.0);
        readYield(values.data(), YIELD_SLOTS, name);
        for (int i = 0; i < YIELD_SLOTS; ++i)
            QVERIFY2(values[i] == wanted[i],
                     qPrintable(QStringLiteral("index %1: %2").arg(i).arg(values[i])));
        for (int i = YIELD_SLOTS; i < YIELD_ARRAY_SIZE; ++i)
            QCOMPARE(values[i], 7.0);
    }

    void smallCount()
    {
        const QString name = writeFile("0 0.5\n1 0.25\n2 0.125\n3 0.0625\n");
        double values[3] = {9, 9, 9};
        readYield(values, 2, name);
        QCOMPARE(values[0], 0.5);
        QCOMPARE(values[1], 0.25);
        QCOMPARE(values[2], 9.0);
    }

    void missingFileDebugMessage()
    {
        const QString name = dir.filePath(QStringLiteral("missing/y-K.txt"));
        std::vector<double> values(YIELD_ARRAY_SIZE, 3.0);
        captured = Captured();
        const QtMessageHandler previous = qInstallMessageHandler(captureHandler);
        readYield(values.data(), YIELD_SLOTS, name);
        qInstallMessageHandler(previous);

        QCOMPARE(captured.count, 1);
        QCOMPARE(captured.type, QtDebugMsg);
        QCOMPARE(captured.file, QStringLiteral("readTables"));
        QCOMPARE(captured.line, 17);
        QCOMPARE(captured.function, QStringLiteral("void readYield(double*, int, QString)"));
        QCOMPARE(captured.category, QStringLiteral("default"));
        QCOMPARE(captured.message, QStringLiteral("\"Can't open [%1]\"").arg(name));
        for (int i = 0; i < YIELD_SLOTS; ++i)
            QCOMPARE(values[i], 0.0);
        QCOMPARE(values[YIELD_SLOTS], 3.0);
    }

    void resourceNameInMessage()
    {
        // The program reads its yields from resources; the message names the path as given.
        captured = Captured();
        double values[YIELD_SLOTS];
        const QtMessageHandler previous = qInstallMessageHandler(captureHandler);
        readYield(values, YIELD_SLOTS, QStringLiteral(":FYields/none.txt"));
        qInstallMessageHandler(previous);
        QCOMPARE(captured.count, 1);
        QCOMPARE(captured.message, QStringLiteral("\"Can't open [:FYields/none.txt]\""));
    }
};

QTEST_GUILESS_MAIN(TestReadYield)
#include "test_readyield.moc"
