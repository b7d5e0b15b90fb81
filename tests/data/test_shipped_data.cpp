// Consistency of the shipped element table and yield curves.

#include "AtomData.h"
#include "readTables.h"

#include <QtTest>

#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

const QString tablePath = QStringLiteral(TIRN_SOURCE_DIR "/data/XrayDataBase1.txt");
constexpr double HC = 12.3984172;

QStringList rawLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QTextStream in(&f);
    in.setCodec("UTF-8");
    QStringList lines;
    while (!in.atEnd())
        lines.append(in.readLine());
    return lines;
}

bool isDataLine(const QString &line)
{
    const QString s = line.simplified();
    return !s.isEmpty() && !s.startsWith(QLatin1Char('#'));
}

} // namespace

class TestShippedData : public QObject
{
    Q_OBJECT

    XrayDataBase db;
    QVector<const AtomData *> byZ; // index z, 1..92

private slots:
    void initTestCase()
    {
        QVERIFY(db.load(tablePath));
        byZ.fill(nullptr, 93);
        for (const AtomData &rec : db.records()) {
            if (rec.z >= 1 && rec.z <= 92)
                byZ[rec.z] = &rec;
        }
    }

    void layout()
    {
        const QStringList lines = rawLines(tablePath);
        QCOMPARE(lines.size(), 2 + 92 + 3 + 1);
        QVERIFY(lines.at(0).startsWith(QStringLiteral("#元素名\t")));
        const QStringList numbers = lines.at(1).split(QLatin1Char('\t'));
        QCOMPARE(numbers.size(), 35);
        QCOMPARE(numbers.first(), QStringLiteral("#0"));
        QCOMPARE(numbers.last(), QStringLiteral("34"));
        int previousZ = 0;
        for (int i = 2; i < 94; ++i) {
            const QStringList f = lines.at(i).split(QLatin1Char('\t'));
            QCOMPARE(f.size(), 35);
            QCOMPARE(f.at(1).toInt(), previousZ + 1); // Z ascending, no gaps
            previousZ = f.at(1).toInt();
            QCOMPARE(f.at(23), f.at(0));
            QCOMPARE(f.at(24), f.at(1));
            for (const QString &field : f)
                QVERIFY2(!field.isEmpty(), qPrintable(lines.at(i)));
        }
        QCOMPARE(previousZ, 92);
        for (int i = 94; i < 97; ++i)
            QVERIFY(lines.at(i).trimmed().isEmpty() && lines.at(i).contains(QLatin1Char('\t')));
        QVERIFY(lines.at(97).startsWith(QStringLiteral("#\t")));
        QVERIFY(lines.at(97).contains(QStringLiteral("Elam")));
    }

    void records()
    {
        // 92 elements plus the two header lines.
        QCOMPARE(db.size(), 94);
        for (int z = 1; z <= 92; ++z)
            QVERIFY2(byZ[z], qPrintable(QString::number(z)));
        QCOMPARE(byZ[1]->symbol, QStringLiteral("H"));
        QCOMPARE(byZ[26]->symbol, QStringLiteral("Fe"));
        QCOMPARE(byZ[46]->symbol, QStringLiteral("Pd"));
        QCOMPARE(byZ[92]->symbol, QStringLiteral("U"));
        for (int z = 2; z <= 92; ++z)
            QVERIFY(byZ[z]->atomicWeight > byZ[z - 1]->atomicWeight || z == 19 || z == 28 ||
                    z == 53 || z == 91); // the four inversions of the periodic table
    }

    void edgesAndCoefficients()
    {
        for (int z = 1; z <= 92; ++z) {
            const AtomData &r = *byZ[z];
            const QByteArray who = r.symbol.toUtf8();
            if (z <= 2) {
                // No edge: the K-region formula applies at every energy.
                for (double e : r.edge)
                    QCOMPARE(e, -1.0);
                QVERIFY2(r.coefC[EdgeK] > 0 && r.coefD[EdgeK] > 0, who);
                continue;
            }
            QVERIFY2(r.edge[EdgeK] > 0, who);
            bool ended = false;
            for (int i = 0; i < EDGE_COUNT; ++i) {
                if (r.edge[i] <= 0) {
                    ended = true;
                    QCOMPARE(r.coefC[i], -1.0);
                    QCOMPARE(r.coefD[i], -1.0);
                    continue;
                }
                QVERIFY2(!ended, who); // edges form an unbroken run from K down
                if (i > 0)
                    QVERIFY2(r.edge[i] < r.edge[i - 1], who);
                // Every region with an edge has positive coefficients, and its form stays
                // positive from the edge upwards.
                QVERIFY2(r.coefC[i] > 0 && r.coefD[i] > 0, who);
                QVERIFY2(r.coefC[i] - r.coefD[i] * HC / r.edge[i] > 0, who);
            }
        }
    }

    void wavelengthAndElectronVoltColumns()
    {
        const QStringList lines = rawLines(tablePath);
        for (int i = 2; i < 94; ++i) {
            const QStringList f = lines.at(i).split(QLatin1Char('\t'));
            for (int j = 1; j <= 5; ++j) {
                const QString edge = f.at(4 * j - 1);
                const QString lambda = f.at(4 * j);
                QCOMPARE(lambda == QLatin1String("="), edge == QLatin1String("="));
                if (edge != QLatin1String("="))
                    QVERIFY(qAbs(lambda.toDouble() * edge.toDouble() / HC - 1) < 1e-5);
            }
            // K, LIII, LII in eV repeat the keV columns 3, 15, 11.
            const int keVColumn[3] = {3, 15, 11};
            for (int k = 0; k < 3; ++k) {
                const QString kev = f.at(keVColumn[k]);
                const QString ev = f.at(32 + k);
                QCOMPARE(ev == QLatin1String("="), kev == QLatin1String("="));
                if (ev != QLatin1String("="))
                    QVERIFY(qAbs(ev.toDouble() - 1000 * kev.toDouble()) < 0.05);
            }
        }
    }

    void emissionLines()
    {
        int withKa1 = 0, withLa1 = 0;
        for (int z = 1; z <= 92; ++z) {
            const AtomData &r = *byZ[z];
            const QByteArray who = r.symbol.toUtf8();
            for (double l : r.line)
                QVERIFY2(l >= 0.0, who);
            // Each line lies below the edge whose vacancy it fills, and has that edge.
            const struct
            {
                int line;
                int edge;
            } below[] = {{LineKa2, EdgeK},    {LineKa1, EdgeK},    {LineKb, EdgeK},
                         {LineLa2, EdgeLIII}, {LineLa1, EdgeLIII}, {LineLb1, EdgeLII},
                         {LineLb2, EdgeLIII}};
            for (const auto &b : below) {
                if (r.line[b.line] > 0)
                    QVERIFY2(r.edge[b.edge] > 0 && r.line[b.line] < r.edge[b.edge], who);
            }
            // K-L2 lies below K-L3; the tabulation has Na's two 0.1 eV the other way round.
            if (r.line[LineKa1] > 0 && r.line[LineKa2] > 0)
                QVERIFY2(r.line[LineKa2] <= r.line[LineKa1] + 0.0002, who);
            if (r.line[LineKb] > 0 && r.line[LineKa1] > 0)
                QVERIFY2(r.line[LineKb] > r.line[LineKa1], who);
            if (r.line[LineLa1] > 0 && r.line[LineLb1] > 0)
                QVERIFY2(r.line[LineLa1] < r.line[LineLb1], who);
            withKa1 += r.line[LineKa1] > 0;
            withLa1 += r.line[LineLa1] > 0;
        }
        // K lines from light elements on, L lines for the heavier half at least.
        QVERIFY(withKa1 >= 85);
        QVERIFY(withLa1 >= 60);
        QVERIFY(byZ[92]->line[LineLb2] > 0);
        QVERIFY(byZ[46]->line[LineLa1] > 2.8 && byZ[46]->line[LineLa1] < 2.9);
    }

    void yieldFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("lastZero");     // highest Z with a zero yield
        QTest::addColumn<double>("riseFeToU"); // at least this factor from Fe to U
        QTest::newRow("K") << QStringLiteral("y-K.txt") << 2 << 2.5;
        QTest::newRow("L") << QStringLiteral("y-L.txt") << 10 << 50.0;
    }
    void yieldFiles()
    {
        QFETCH(QString, file);
        QFETCH(int, lastZero);
        QFETCH(double, riseFeToU);
        const QString path = QStringLiteral(TIRN_SOURCE_DIR "/data/FYields/") + file;

        const QStringList lines = rawLines(path);
        QVERIFY(lines.size() >= 3 + 121);
        for (int i = 0; i < 3; ++i)
            QVERIFY(lines.at(i).startsWith(QLatin1Char('#')));
        QCOMPARE(lines.at(2), QStringLiteral("# x y type"));
        QCOMPARE(int(std::count_if(lines.cbegin(), lines.cend(), isDataLine)), 121);
        QVERIFY(lines.last().isEmpty());

        std::vector<double> y(YIELD_ARRAY_SIZE, -1.0);
        readYield(y.data(), YIELD_SLOTS, path);
        for (int z = 0; z <= 120; ++z) {
            QVERIFY(y[z] >= 0.0 && y[z] <= 1.0);
            if (z <= lastZero)
                QCOMPARE(y[z], 0.0);
            else
                QVERIFY2(y[z] > 0.0, qPrintable(QString::number(z)));
        }
        for (int z = 121; z < YIELD_SLOTS; ++z)
            QCOMPARE(y[z], 0.0);
        // Rising with Z: from Ca on no value falls more than 5 % below the largest one before it.
        double highest = 0.0;
        for (int z = 20; z <= 120; ++z) {
            QVERIFY2(y[z] >= 0.95 * highest, qPrintable(QString::number(z)));
            highest = std::max(highest, y[z]);
        }
        QVERIFY(y[92] > riseFeToU * y[26]);
    }

    void yieldMagnitudes()
    {
        std::vector<double> k(YIELD_SLOTS), l(YIELD_SLOTS);
        readYield(k.data(), YIELD_SLOTS, QStringLiteral(TIRN_SOURCE_DIR "/data/FYields/y-K.txt"));
        readYield(l.data(), YIELD_SLOTS, QStringLiteral(TIRN_SOURCE_DIR "/data/FYields/y-L.txt"));
        // Well-known values: Fe K about 0.35, Ag K about 0.83, Pb L3 about 0.36, U L3 about 0.49.
        QVERIFY(qAbs(k[26] - 0.35) < 0.02);
        QVERIFY(qAbs(k[47] - 0.83) < 0.02);
        QVERIFY(qAbs(l[82] - 0.36) < 0.03);
        QVERIFY(qAbs(l[92] - 0.49) < 0.03);
        QVERIFY(k[8] > 0.003 && k[8] < 0.01);
    }
};

QTEST_GUILESS_MAIN(TestShippedData)
#include "test_shipped_data.moc"
