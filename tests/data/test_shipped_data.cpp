// Consistency of the shipped element table, tabulated cross sections, scattering factors and
// yield curves, and that they are what the generator writes.

#include "CrossSectionTable.h"
#include "ScatterTable.h"
#include "ShippedTables.h"
#include "XrayDataBase.h"
#include "readTables.h"

#include <QtTest>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cmath>
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
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    in.setEncoding(QStringConverter::Utf8);
#else
    in.setCodec("UTF-8");
#endif
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
    QTemporaryDir generated;       // the generator's output, written once
    bool ranGenerator = false;
    QString notGenerated; // why there is no output: a reason to skip
    QByteArray genFailed; // the generator's complaint: a failure

private slots:
    void initTestCase()
    {
        registerShippedTables();
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

    void crossSectionResource()
    {
        // As the program finds it in its resources: every element of the element table, with
        // the table's edges wherever the tabulation has a step for them.
        CrossSectionTable xs;
        QString error;
        QVERIFY2(xs.load(QStringLiteral(":/CrossSections.txt"), &error), qPrintable(error));
        QCOMPARE(xs.size(), 92);
        for (int z = 1; z <= 92; ++z) {
            const ElementCrossSections *x = xs.element(z);
            QVERIFY(x);
            QCOMPARE(x->symbol, byZ[z]->symbol);
            for (int i = 0; i < EDGE_COUNT; ++i) {
                const double edge = byZ[z]->edge[i];
                const QByteArray who = (x->symbol + QString::number(i)).toUtf8();
                if (x->edge(i) && edge > 0)
                    QVERIFY2(x->edge(i)->energy == edge, who);
                else if (edge > 0) // no step: the edge lies below the tabulation
                    QVERIFY2(edge < 0.1, who);
            }
        }
    }

    void scatterResource()
    {
        ScatterTable sc;
        QString error;
        QVERIFY2(sc.load(QStringLiteral(":/ScatterFactors.txt"), &error), qPrintable(error));
        QCOMPARE(sc.size(), 92);
        for (int z = 1; z <= 92; ++z) {
            const ElementScatter *el = sc.element(z);
            QVERIFY(el);
            const QByteArray who = el->symbol.toUtf8();
            QVERIFY2(el->symbol == byZ[z]->symbol, who);
            QVERIFY2(el->formFactor(0) == z, who);
            // Far beyond the grid all electrons scatter incoherently, none coherently.
            QVERIFY2(std::abs(el->incoherentFunction(100) / z - 1) < 0.01, who);
            QVERIFY2(el->formFactor(100) < 0.01 * z, who);
        }
        QVERIFY(std::abs(sc.element(4)->density / 1.848 - 1) < 0.01);
        QVERIFY(std::abs(sc.element(14)->density / 2.33 - 1) < 0.01);
        // Hydrogen's profile is known in closed form, J(pz) ~ (1 + pz^2)^-3.
        const double hydrogen = 2 * std::sqrt(std::cbrt(2.0) - 1);
        QVERIFY(std::abs(sc.element(1)->profileFwhm / hydrogen - 1) < 0.005);
    }

    // F and S against xraylib, mostly between grid points; x = 16.1 is backscatter at 200 keV.
    void scatterAgainstXraylib_data()
    {
        QTest::addColumn<int>("z");
        QTest::addColumn<double>("x");
        QTest::newRow("H 0.75") << 1 << 0.75;
        QTest::newRow("C 0.03") << 6 << 0.03;
        QTest::newRow("Si 0.2345") << 14 << 0.2345;
        QTest::newRow("Fe 2.2") << 26 << 2.2;
        QTest::newRow("Ag 7.77") << 47 << 7.77;
        QTest::newRow("Pb 11.11") << 82 << 11.11;
        QTest::newRow("U 16.1") << 92 << 16.1;
    }
    void scatterAgainstXraylib()
    {
        QFETCH(int, z);
        QFETCH(double, x);
        const char *peer =
            "import sys\n"
            "try:\n"
            "    import xraylib\n"
            "except ImportError:\n"
            "    sys.exit('xraylib is not installed (Debian package python3-xraylib)')\n"
            "z, x = int(sys.argv[1]), float(sys.argv[2])\n"
            "print('%.10g %.10g' % (xraylib.FF_Rayl(z, x), xraylib.SF_Compt(z, x)))\n";
        QProcess py;
        py.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QString::fromLatin1(peer), QString::number(z),
                  QString::number(x, 'g', 17)});
        const bool finished = py.waitForFinished(60000);
        const QByteArray err = py.readAllStandardError().trimmed();
        if (py.error() == QProcess::FailedToStart || err.contains("not installed"))
            QSKIP(qPrintable(QStringLiteral("xraylib peer check not run: ") +
                             QString::fromLocal8Bit(err)));
        QVERIFY2(finished && py.exitCode() == 0, err.constData());
        const QList<QByteArray> theirs = py.readAllStandardOutput().trimmed().split(' ');
        QCOMPARE(theirs.size(), 2);

        ScatterTable sc;
        QVERIFY(sc.load(QStringLiteral(TIRN_SOURCE_DIR "/data/ScatterFactors.txt")));
        const ElementScatter *el = sc.element(z);
        QVERIFY(el);
        const double ours[2] = {el->formFactor(x), el->incoherentFunction(x)};
        for (int i = 0; i < 2; ++i) {
            const double ref = theirs[i].toDouble();
            QVERIFY2(std::abs(ours[i] / ref - 1) < 0.005,
                     qPrintable(QStringLiteral("%1: %2 vs %3")
                                    .arg(QLatin1String(i ? "S" : "F"))
                                    .arg(ours[i], 0, 'g', 8)
                                    .arg(ref, 0, 'g', 8)));
        }
    }

    void generatorWritesTheShippedFiles_data()
    {
        QTest::addColumn<QString>("file");
        for (const char *f :
             {"XrayDataBase1.txt", "CrossSections.txt", "FYields/y-K.txt", "FYields/y-L.txt",
              "reference/mu_photo_reference.txt", "reference/mu_total_reference.txt",
              "FluoLines.txt", "ScatterFactors.txt", "SOURCES.md"})
            QTest::newRow(f) << QString::fromLatin1(f);
    }
    void generatorWritesTheShippedFiles()
    {
        QFETCH(QString, file);
        if (!ranGenerator) { // once for all rows
            ranGenerator = true;
            QProcess gen;
            gen.start(QStringLiteral("/usr/bin/python3"),
                      {QStringLiteral(TIRN_SOURCE_DIR "/tools/gen_xraydata.py"),
                       QStringLiteral("--output"), generated.path()});
            const bool ran =
                gen.waitForFinished(300000) && gen.exitStatus() == QProcess::NormalExit;
            const QByteArray err = gen.readAllStandardError();
            if (!ran || err.contains("ModuleNotFoundError"))
                notGenerated = QStringLiteral("cannot regenerate the data without /usr/bin/python3 "
                                              "and python3-xraydb, -xraylib, -fisx: ") +
                               QString::fromLocal8Bit(err.trimmed().split('\n').last());
            else if (gen.exitCode() != 0)
                genFailed = "the generator failed: " + err;
        }
        if (!notGenerated.isEmpty())
            QSKIP(qPrintable(notGenerated));
        QVERIFY2(genFailed.isEmpty(), genFailed.constData());
        QFile shipped(QStringLiteral(TIRN_SOURCE_DIR "/data/") + file);
        QFile written(generated.filePath(QStringLiteral("data/") + file));
        QVERIFY(shipped.open(QIODevice::ReadOnly) && written.open(QIODevice::ReadOnly));
        const QList<QByteArray> a = shipped.readAll().split('\n'),
                                b = written.readAll().split('\n');
        for (int i = 0; i < std::min(a.size(), b.size()); ++i)
            QVERIFY2(a[i] == b[i], qPrintable(QStringLiteral("line %1 differs").arg(i + 1)));
        QCOMPARE(a.size(), b.size());
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
