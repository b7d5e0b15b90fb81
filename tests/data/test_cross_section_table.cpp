// Loader and interpolation rules of the tabulated cross sections and of the scattering factors,
// on small files whose values follow power laws known by hand, and the fast total on the shipped
// table.

#include "CrossSectionTable.h"
#include "ScatterTable.h"

#include <QtTest>

#include <QTemporaryDir>

#include <cmath>

namespace {

// Fe-like element with an LI edge at 2 keV (jump 2) and a K edge at 4 keV (jump 4):
// photo 8000 E^-3 below LI, 16000 E^-3 up to K, 64000 E^-3 above; coherent 4/E; incoherent E/2.
const char *const kPowerLaws = "# test\n"
                               "element 26 Fe 7\n"
                               "1 8000 4 0.5\n"
                               "2 1000 2 1\n"
                               "2 2000 2 1 L1\n"
                               "4 250 1 2\n"
                               "4 1000 1 2 K\n"
                               "8 125 0.5 4\n"
                               "16 15.625 0.25 8\n";

// Grid 0, 0.1, 1, 10: F = 26 at 0, then 2/x up to 1 and 2/x^2 beyond; S = 20 x up to 1, then
// 20 x^lg(1.2) up to 24 at 10, where Z - S has fallen from 6 to 2 over the last interval.
const char *const kScatter = "# test\n"
                             "x 4 0 0.1 1 10\n"
                             "element 26 Fe 7.86 1.94\n"
                             "F 26 20 2 0.02\n"
                             "S 0 2 20 24\n";

enum { Total = 3, FormFactor, Incoherent };

} // namespace

class TestCrossSectionTable : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString write(const QByteArray &text)
    {
        const QString path = dir.filePath(QStringLiteral("xs.txt"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text) != text.size())
            return QString();
        return path;
    }

private slots:
    void interpolation_data()
    {
        QTest::addColumn<int>("part");
        QTest::addColumn<double>("energy");
        QTest::addColumn<double>("expected");
        QTest::newRow("photo between grid energies") << 0 << 1.5 << 8000 / 3.375;
        QTest::newRow("photo between the edges") << 0 << 3.0 << 16000 / 27.0;
        QTest::newRow("photo at K is the value below") << 0 << 4.0 << 250.0;
        QTest::newRow("photo just above K") << 0 << 4.0 * (1 + 1e-15) << 1000.0;
        QTest::newRow("photo below the grid") << 0 << 0.5 << 64000.0;
        QTest::newRow("photo above the grid") << 0 << 32.0 << 1.953125;
        QTest::newRow("coherent above the grid") << 1 << 100.0 << 0.04;
        QTest::newRow("incoherent below the grid") << 2 << 0.25 << 0.125;
        QTest::newRow("total below K") << int(Total) << 3.0 << 16000 / 27.0 + 4 / 3.0 + 1.5;
        QTest::newRow("total above K") << int(Total) << 6.0 << 64000 / 216.0 + 4 / 6.0 + 3.0;
        QTest::newRow("total above the grid") << int(Total) << 20.0 << 8.0 + 0.2 + 10.0;
        // Below the grid the cells carry the first interval's power laws on.
        QTest::newRow("total below the grid") << int(Total) << 0.5 << 64000.0 + 8.0 + 0.25;
        QTest::newRow("total two decades below the grid")
            << int(Total) << 0.01 << 8e9 + 400.0 + 0.005;
        QTest::newRow("total at the cells' lowest energy")
            << int(Total) << ElementCrossSections::LowestCellEnergy
            << 8000 * std::pow(1024.0, 3) + 4096.0 + 0.5 / 1024;
        QTest::newRow("total below the cells")
            << int(Total) << ElementCrossSections::LowestCellEnergy / 3
            << 8000 * std::pow(3072.0, 3) + 12288.0 + 0.5 / 3072;
        QTest::newRow("no photons") << int(Total) << -1.0 << 0.0;
        QTest::newRow("undefined energy") << 0 << qQNaN() << 0.0;
        // For F and S the energy column is x = sin(theta/2)/lambda.
        QTest::newRow("F below the first point") << int(FormFactor) << 0.05 << 26 - 0.25 * 6;
        QTest::newRow("F between points") << int(FormFactor) << 0.5 << 4.0;
        QTest::newRow("F at a point") << int(FormFactor) << 1.0 << 2.0;
        QTest::newRow("F beyond the grid") << int(FormFactor) << 100.0 << 2e-4;
        QTest::newRow("F at undefined x") << int(FormFactor) << qQNaN() << 26.0;
        QTest::newRow("S below the first point") << int(Incoherent) << 0.05 << 0.5;
        QTest::newRow("S in the last interval")
            << int(Incoherent) << 3.0 << 20 * std::pow(1.2, std::log10(3.0));
        QTest::newRow("S beyond the grid") << int(Incoherent) << 100.0 << 26 - 2 / 3.0;
        QTest::newRow("S at x 0") << int(Incoherent) << 0.0 << 0.0;
    }
    void interpolation()
    {
        QFETCH(int, part);
        QFETCH(double, energy);
        QFETCH(double, expected);
        QString error;
        double v = 0;
        if (part >= FormFactor) {
            ScatterTable t;
            QVERIFY2(t.load(write(kScatter), &error), qPrintable(error));
            const ElementScatter *s = t.element(26);
            QVERIFY(t.size() == 1 && s && !t.element(25));
            QVERIFY(s->symbol == QLatin1String("Fe") && s->density == 7.86 &&
                    s->profileFwhm == 1.94);
            v = part == FormFactor ? s->formFactor(energy) : s->incoherentFunction(energy);
        } else {
            CrossSectionTable t;
            QVERIFY2(t.load(write(kPowerLaws), &error), qPrintable(error));
            QCOMPARE(t.size(), 1);
            const ElementCrossSections *x = t.element(26);
            QVERIFY(x && x->symbol == QLatin1String("Fe") && !t.element(25));
            QVERIFY(x->edges().size() == 2 && x->edge(EdgeK)->energy == 4.0 && !x->edge(EdgeLII));
            QVERIFY(x->jumpRatio(EdgeLI) == 2.0 && x->jumpRatio(EdgeK) == 4.0);
            v = part == Total ? x->total(energy)
                              : x->value(ElementCrossSections::Part(part), energy);
        }
        if (expected == 0.0)
            QVERIFY2(v == 0.0, qPrintable(QString::number(v)));
        else // the total within the grid is the cubic cell's value
            QVERIFY2(qAbs(v / expected - 1) < (part == Total ? 5e-7 : 1e-13),
                     qPrintable(QStringLiteral("%1 vs %2").arg(v, 0, 'g', 17).arg(expected)));
    }

    void malformed_data()
    {
        QTest::addColumn<bool>("scatter"); // a scattering factor file, else cross sections
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("where"); // in the message
        const QByteArray head = "element 26 Fe 4\n";
        QTest::newRow("energies fall") << false << head + "1 1 1 1\n3 1 1 1\n2 1 1 1\n4 1 1 1\n"
                                       << ":4:";
        QTest::newRow("zero value") << false << head + "1 1 1 1\n2 1 0 1\n3 1 1 1\n4 1 1 1\n"
                                    << ":3:";
        QTest::newRow("edge at a new energy")
            << false << head + "1 1 1 1\n2 1 1 1\n3 2 1 1 K\n4 1 1 1\n"
            << ":4:";
        QTest::newRow("one energy below an edge")
            << false << head + "1 1 1 1\n1 2 1 1 K\n2 1 1 1\n4 1 1 1\n"
            << "below edge K";
        QTest::newRow("nothing above the last edge")
            << false << head + "1 1 1 1\n2 1 1 1\n4 1 1 1\n4 2 1 1 K\n"
            << "above the last edge";
        QTest::newRow("rows missing") << false << head + "1 1 1 1\n2 1 1 1\nelement 27 Co 2\n"
                                      << ":4:";
        QTest::newRow("element twice") << false << QByteArray(kPowerLaws) + kPowerLaws << ":11:";
        QTest::newRow("no elements") << false << QByteArray("# nothing\n\n") << "no elements";
        const QByteArray grid = "x 4 0 0.1 1 10\n";
        const QByteArray fe = "element 26 Fe 7.86 1.94\nF 26 20 2 0.02\n";
        QTest::newRow("scatter: grid not ascending")
            << true << "x 4 0 0.1 10 1\n" + fe + "S 0 2 20 24\n"
            << ":1:";
        QTest::newRow("scatter: S value missing") << true << grid + fe + "S 0 2 20\n"
                                                  << ":4:";
        QTest::newRow("scatter: S above Z") << true << grid + fe + "S 0 2 20 27\n"
                                            << "point 4";
    }
    void malformed()
    {
        QFETCH(bool, scatter);
        QFETCH(QByteArray, text);
        QFETCH(QString, where);
        CrossSectionTable xs;
        ScatterTable sc;
        const auto load = [&](const QByteArray &file, QString *error) {
            return scatter ? sc.load(write(file), error) : xs.load(write(file), error);
        };
        QVERIFY(load(scatter ? kScatter : kPowerLaws, nullptr));
        QString error;
        QVERIFY(!load(text, &error));
        QVERIFY2(error.contains(where), qPrintable(error));
        // A failed load leaves nothing of the earlier one either.
        QCOMPARE(scatter ? sc.size() : xs.size(), 0);
        QVERIFY(scatter ? !sc.element(26) : !xs.element(26));
    }

    void missingFile()
    {
        CrossSectionTable t;
        QString error;
        QVERIFY(!t.load(dir.filePath(QStringLiteral("none.txt")), &error));
        QVERIFY(error.contains(QLatin1String("none.txt")));
    }

    void cellsOnFirstUse_data()
    {
        QTest::addColumn<double>("first"); // the energy of the first total asked of Fe
        QTest::addColumn<bool>("builds");  // whether that builds Fe's cells
        QTest::newRow("within the grid") << 7.0 << true;
        QTest::newRow("at the grid's first energy") << 0.1 << true;
        QTest::newRow("below the grid") << 0.05 << true;
        QTest::newRow("at the cells' lowest energy")
            << ElementCrossSections::LowestCellEnergy << true;
        QTest::newRow("at the grid's last energy") << 800.026 << true;
        QTest::newRow("below the cells") << 1e-4 << false;
        QTest::newRow("above the grid") << 1000.0 << false;
        QTest::newRow("no photons") << 0.0 << false;
        QTest::newRow("undefined energy") << qQNaN() << false;
    }
    void cellsOnFirstUse()
    {
        // Reading the table builds no cells; the first total within them builds those of that
        // element alone, and whether that happens early or late changes no value.
        QFETCH(double, first);
        QFETCH(bool, builds);
        const QString path = QStringLiteral(TIRN_SOURCE_DIR "/data/CrossSections.txt");
        CrossSectionTable late, early;
        QVERIFY(late.load(path) && early.load(path));
        for (int z = 1; z <= 92; ++z)
            QVERIFY2(late.element(z)->cellCount() == 0, qPrintable(late.element(z)->symbol));
        const ElementCrossSections *fe = late.element(26), *feEarly = early.element(26);
        // The parts, edges and shares do not need the cells.
        QVERIFY(fe->photo(7.0) > 0 && fe->shellShare(EdgeK, 7.5) > 0 && fe->edge(EdgeK));
        QCOMPARE(fe->cellCount(), 0);

        const double atFirst = fe->total(first);
        QCOMPARE(fe->cellCount() > 0, builds);
        for (int z = 1; z <= 92; ++z) {
            if (z != 26)
                QVERIFY2(late.element(z)->cellCount() == 0, qPrintable(late.element(z)->symbol));
        }
        QVERIFY(feEarly->total(7.0) > 0 && feEarly->cellCount() > 0);
        QVector<double> energies{first, 1e-4, 0.05, 0.1, 1000.0};
        for (double e = ElementCrossSections::LowestCellEnergy; e < 900; e *= 1.01)
            energies.append(e);
        for (const TabulatedEdge &edge : fe->edges())
            energies << edge.energy << edge.energy * (1 + 1e-12);
        int fromCells = 0; // energies where the total is the cubic's, not the exact sum
        for (double e : qAsConst(energies)) {
            const double a = e == first ? atFirst : fe->total(e), b = feEarly->total(e);
            QVERIFY2(a == b, qPrintable(QStringLiteral("%1 keV: %2 vs %3")
                                            .arg(e)
                                            .arg(a, 0, 'g', 17)
                                            .arg(b, 0, 'g', 17)));
            fromCells += a != fe->photo(e) + fe->coherent(e) + fe->incoherent(e);
        }
        QCOMPARE(fe->cellCount(), feEarly->cellCount());
        QVERIFY2(fromCells > energies.size() / 4, qPrintable(QString::number(fromCells)));
    }

    void fastTotalFollowsTheParts()
    {
        // Over the whole shipped grid of every element and the cells below it, at and around
        // every edge too, the total is the sum of its parts; at the grid's first energy, where
        // the cells below the grid meet those of the grid, it is the sum exactly.
        const QString path = QStringLiteral(TIRN_SOURCE_DIR "/data/CrossSections.txt");
        CrossSectionTable t;
        QVERIFY(t.load(path));
        // Each element's first grid energy, from the line after its head.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QMap<int, double> gridStart;
        while (!file.atEnd()) {
            const QList<QByteArray> head = file.readLine().simplified().split(' ');
            if (head.size() == 4 && head[0] == "element")
                gridStart[head[1].toInt()] = file.readLine().split(' ').value(0).toDouble();
        }
        QCOMPARE(gridStart.size(), t.size());
        double worst = 0;
        for (int z = 1; z <= 92; ++z) {
            const ElementCrossSections *x = t.element(z);
            QVERIFY(x);
            QVector<double> energies;
            for (double e = ElementCrossSections::LowestCellEnergy; e < 900; e *= 1.0007)
                energies.append(e);
            for (const TabulatedEdge &edge : x->edges())
                energies << edge.energy << edge.energy * (1 + 1e-12) << edge.energy * (1 - 1e-12);
            for (double e : qAsConst(energies)) {
                const double sum = x->photo(e) + x->coherent(e) + x->incoherent(e);
                worst = std::max(worst, qAbs(x->total(e) / sum - 1));
            }
            const double e = gridStart.value(z);
            QVERIFY2(x->total(e) == x->photo(e) + x->coherent(e) + x->incoherent(e),
                     qPrintable(x->symbol));
        }
        qInfo("largest deviation of the total from the sum of its parts: %.2g", worst);
        QVERIFY2(worst < 5e-7, qPrintable(QString::number(worst)));
    }
};

QTEST_GUILESS_MAIN(TestCrossSectionTable)
#include "test_cross_section_table.moc"
