// Loader rules of the element table, on small fixture files.

#include "XrayDataBase.h"

#include <QtTest>

namespace {

const QString fixture(const char *name)
{
    return QStringLiteral(TIRN_SOURCE_DIR "/tests/fixtures/data/") + QLatin1String(name);
}

enum Field { FieldZ, FieldWeight, FieldEdge, FieldC, FieldD, FieldLine };

double fieldValue(const AtomData &rec, int field, int index)
{
    switch (field) {
    case FieldZ:
        return rec.z;
    case FieldWeight:
        return rec.atomicWeight;
    case FieldEdge:
        return rec.edge[index];
    case FieldC:
        return rec.coefC[index];
    case FieldD:
        return rec.coefD[index];
    case FieldLine:
        return rec.line[index];
    }
    return qQNaN();
}

void addValueColumns()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("expected");
}

void checkValue(const XrayDataBase &db)
{
    QFETCH(QString, symbol);
    QFETCH(int, field);
    QFETCH(int, index);
    QFETCH(double, expected);
    const AtomData *rec = db.find(symbol);
    QVERIFY2(rec, qPrintable(symbol));
    QCOMPARE(fieldValue(*rec, field, index), expected);
}

} // namespace

class TestXrayDataBase : public QObject
{
    Q_OBJECT

private:
    XrayDataBase rows;  // telling_rows.txt
    XrayDataBase edges; // edge_cases.txt

private slots:
    void initTestCase()
    {
        QVERIFY(rows.load(fixture("telling_rows.txt")));
        QVERIFY(edges.load(fixture("edge_cases.txt")));
    }

    void tellingRows_data()
    {
        addValueColumns();
        QTest::newRow("Fe z") << "Fe" << int(FieldZ) << 0 << 26.0;
        QTest::newRow("Fe weight") << "Fe" << int(FieldWeight) << 0 << 55.847;
        QTest::newRow("Fe K edge") << "Fe" << int(FieldEdge) << int(EdgeK) << 7.11326;
        QTest::newRow("Fe C1") << "Fe" << int(FieldC) << int(EdgeK) << 126.0;
        QTest::newRow("Fe D1") << "Fe" << int(FieldD) << int(EdgeK) << 27.2;
        QTest::newRow("Fe LII edge") << "Fe" << int(FieldEdge) << int(EdgeLII) << 0.722;
        QTest::newRow("Fe C3 missing") << "Fe" << int(FieldC) << int(EdgeLII) << -1.0;
        QTest::newRow("Fe MI edge missing") << "Fe" << int(FieldEdge) << int(EdgeMI) << -1.0;
        QTest::newRow("Fe Ka1 in keV") << "Fe" << int(FieldLine) << int(LineKa1) << 6.4038;
        QTest::newRow("Fe Kb in keV") << "Fe" << int(FieldLine) << int(LineKb) << 7.058;
        QTest::newRow("Fe La1 absent is 0") << "Fe" << int(FieldLine) << int(LineLa1) << 0.0;
        QTest::newRow("H K edge missing") << "H" << int(FieldEdge) << int(EdgeK) << -1.0;
        QTest::newRow("H C1") << "H" << int(FieldC) << int(EdgeK) << 0.0127;
        QTest::newRow("H D1 exponent form") << "H" << int(FieldD) << int(EdgeK) << 4.66e-6;
        QTest::newRow("H Ka2 absent is 0") << "H" << int(FieldLine) << int(LineKa2) << 0.0;
        QTest::newRow("Ba MI edge") << "Ba" << int(FieldEdge) << int(EdgeMI) << 1.2928;
        QTest::newRow("Ba C5") << "Ba" << int(FieldC) << int(EdgeMI) << 19.2;
        QTest::newRow("Ba D5") << "Ba" << int(FieldD) << int(EdgeMI) << 1.72;
        QTest::newRow("Ba LIII C4") << "Ba" << int(FieldC) << int(EdgeLIII) << 56.3;
        QTest::newRow("Ba Lb2") << "Ba" << int(FieldLine) << int(LineLb2) << 5.1565;
        QTest::newRow("Pb C1 missing") << "Pb" << int(FieldC) << int(EdgeK) << -1.0;
        QTest::newRow("Pb K edge") << "Pb" << int(FieldEdge) << int(EdgeK) << 88.054;
        QTest::newRow("Pb LI D2") << "Pb" << int(FieldD) << int(EdgeLI) << 333.0;
        QTest::newRow("Pb La2") << "Pb" << int(FieldLine) << int(LineLa2) << 10.4495;
        QTest::newRow("U weight") << "U" << int(FieldWeight) << 0 << 238.051;
        QTest::newRow("U LIII edge") << "U" << int(FieldEdge) << int(EdgeLIII) << 17.158;
        QTest::newRow("U D4 missing") << "U" << int(FieldD) << int(EdgeLIII) << -1.0;
        QTest::newRow("U Kb") << "U" << int(FieldLine) << int(LineKb) << 111.3;
        QTest::newRow("U Lb2") << "U" << int(FieldLine) << int(LineLb2) << 16.4283;
    }
    void tellingRows() { checkValue(rows); }

    void headerLinesBecomeRecords()
    {
        // Five elements and the two header lines; the tab-only lines and the "#" line are skipped.
        QCOMPARE(rows.size(), 7);
        const AtomData *numbers = rows.find(QStringLiteral("#0"));
        QVERIFY(numbers);
        QCOMPARE(numbers->z, 1);
        QCOMPARE(numbers->atomicWeight, 2.0);
        QCOMPARE(numbers->edge[EdgeK], 3.0);
        // The title line is read as UTF-8, so its key is the title itself; "原子番号" is no number.
        const AtomData *titles = rows.find(QStringLiteral("#元素名"));
        QVERIFY(titles);
        QCOMPARE(titles->z, 0);
        QCOMPARE(titles->edge[EdgeK], -1.0);
    }

    void edgeCases_data()
    {
        addValueColumns();
        // Three fields: z and weight, nothing else.
        QTest::newRow("short z") << "Xx" << int(FieldZ) << 0 << 5.0;
        QTest::newRow("short weight") << "Xx" << int(FieldWeight) << 0 << 10.0;
        for (int i = 0; i < EDGE_COUNT; ++i) {
            const QByteArray n = QByteArray::number(i);
            QTest::newRow("short edge " + n) << "Xx" << int(FieldEdge) << i << -1.0;
            QTest::newRow("short C " + n) << "Xx" << int(FieldC) << i << -1.0;
            QTest::newRow("short D " + n) << "Xx" << int(FieldD) << i << -1.0;
        }
        QTest::newRow("short line") << "Xx" << int(FieldLine) << int(LineKa1) << 0.0;
        // "0" and "=" are alike: -1 for edges and coefficients, 0 for emission lines.
        QTest::newRow("C1 zero") << "Zc" << int(FieldC) << int(EdgeK) << -1.0;
        QTest::newRow("D1 equals") << "Zc" << int(FieldD) << int(EdgeK) << -1.0;
        QTest::newRow("K edge kept") << "Zc" << int(FieldEdge) << int(EdgeK) << 9.659;
        QTest::newRow("LI edge") << "Zc" << int(FieldEdge) << int(EdgeLI) << 1.196;
        // Column 8 holds the wavelength 10.4, column 9 the "=" that C2 must come from.
        QTest::newRow("C2 equals, not the wavelength")
            << "Zc" << int(FieldC) << int(EdgeLI) << -1.0;
        QTest::newRow("D2 zero") << "Zc" << int(FieldD) << int(EdgeLI) << -1.0;
        QTest::newRow("Ka2 zero") << "Zc" << int(FieldLine) << int(LineKa2) << 0.0;
        QTest::newRow("Ka1 equals") << "Zc" << int(FieldLine) << int(LineKa1) << 0.0;
        QTest::newRow("Kb eV to keV") << "Zc" << int(FieldLine) << int(LineKb) << 8.6158;
        QTest::newRow("Lb1") << "Zc" << int(FieldLine) << int(LineLb1) << 1.0347;
        // "#x" is a field that starts with '#', not the comment marker.
        QTest::newRow("hash-prefixed key z") << "#x" << int(FieldZ) << 0 << 1.0;
        QTest::newRow("hash-prefixed key weight") << "#x" << int(FieldWeight) << 0 << 2.0;
        // The later of two lines with one symbol replaces the earlier one whole.
        QTest::newRow("duplicate z") << "Dp" << int(FieldZ) << 0 << 2.0;
        QTest::newRow("duplicate weight") << "Dp" << int(FieldWeight) << 0 << 2.5;
        QTest::newRow("duplicate edge") << "Dp" << int(FieldEdge) << int(EdgeK) << 3.0;
        QTest::newRow("duplicate C") << "Dp" << int(FieldC) << int(EdgeK) << 5.0;
        QTest::newRow("duplicate D") << "Dp" << int(FieldD) << int(EdgeK) << 6.0;
        // Leading and doubled white space are collapsed before splitting.
        QTest::newRow("indented z") << "Lw" << int(FieldZ) << 0 << 7.0;
        QTest::newRow("indented edge") << "Lw" << int(FieldEdge) << int(EdgeK) << 1.1;
        QTest::newRow("indented C") << "Lw" << int(FieldC) << int(EdgeK) << 3.3;
        QTest::newRow("indented D") << "Lw" << int(FieldD) << int(EdgeK) << 4.4;
        QTest::newRow("indented no LI") << "Lw" << int(FieldEdge) << int(EdgeLI) << -1.0;
        // Text where a number belongs reads as 0: kept as 0 for the weight, -1 for the rest.
        QTest::newRow("malformed weight") << "Mf" << int(FieldWeight) << 0 << 0.0;
        QTest::newRow("exponent edge") << "Mf" << int(FieldEdge) << int(EdgeK) << 10.0;
        QTest::newRow("malformed C") << "Mf" << int(FieldC) << int(EdgeK) << -1.0;
        QTest::newRow("malformed D") << "Mf" << int(FieldD) << int(EdgeK) << -1.0;
        // 27 fields: regions all read, lines only as far as the line reaches.
        QTest::newRow("partial LII edge") << "Sh" << int(FieldEdge) << int(EdgeLII) << 1.0;
        QTest::newRow("partial LII C") << "Sh" << int(FieldC) << int(EdgeLII) << 7.0;
        QTest::newRow("partial LII D") << "Sh" << int(FieldD) << int(EdgeLII) << 0.7;
        QTest::newRow("partial MI") << "Sh" << int(FieldEdge) << int(EdgeMI) << -1.0;
        QTest::newRow("partial Ka2") << "Sh" << int(FieldLine) << int(LineKa2) << 1.0;
        QTest::newRow("partial Ka1") << "Sh" << int(FieldLine) << int(LineKa1) << 2.0;
        QTest::newRow("partial Kb unset") << "Sh" << int(FieldLine) << int(LineKb) << 0.0;
        QTest::newRow("partial Lb2 unset") << "Sh" << int(FieldLine) << int(LineLb2) << 0.0;
        QTest::newRow("tab separated") << "Tw" << int(FieldWeight) << 0 << 20.5;
    }
    void edgeCases() { checkValue(edges); }

    void skippedLines()
    {
        // Xx, Zc, #x, Dp, Lw, Mf, Sh, Tw: the comment lines and blank lines leave no record.
        QCOMPARE(edges.size(), 8);
        QVERIFY(!edges.contains(QStringLiteral("#")));
        QVERIFY(!edges.contains(QString()));
        QVERIFY(!edges.contains(QStringLiteral("Qq")));
        QVERIFY(!edges.contains(QStringLiteral("tab")));
    }

    void unknownSymbolIsInserted()
    {
        XrayDataBase db;
        QVERIFY(db.load(fixture("telling_rows.txt")));
        const AtomData *fe = db.find(QStringLiteral("Fe"));
        QVERIFY(!db.contains(QStringLiteral("Zz")));
        const AtomData &zz = db[QStringLiteral("Zz")];
        QCOMPARE(zz.z, -1);
        QCOMPARE(zz.atomicWeight, -1.0);
        QCOMPARE(zz.edge[EdgeK], -1.0);
        QCOMPARE(zz.line[LineKa1], 0.0);
        QVERIFY(db.contains(QStringLiteral("Zz")));
        QCOMPARE(db.size(), 8);
        // Records never move: compositions keep pointers into the table while lookups insert.
        for (int i = 0; i < 500; ++i)
            db[QStringLiteral("Q%1").arg(i)];
        QCOMPARE(db.find(QStringLiteral("Fe")), fe);
        QCOMPARE(fe->edge[EdgeK], 7.11326);
    }

    void missingFile()
    {
        XrayDataBase db;
        QVERIFY(db.load(fixture("telling_rows.txt")));
        QVERIFY(!db.load(fixture("no_such_table.txt")));
        QCOMPARE(db.size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestXrayDataBase)
#include "test_xraydatabase.moc"
