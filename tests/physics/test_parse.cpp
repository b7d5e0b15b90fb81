#include "PhysicsFixture.h"
#include "parse.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>

namespace {

struct LoggedMessage
{
    QtMsgType type;
    QString file;
    int line;
    QString function;
    QString category;
    QString text;
};

QVector<LoggedMessage> logged;

void captureMessages(QtMsgType type, const QMessageLogContext &ctx, const QString &msg)
{
    logged.append(LoggedMessage{type, QString::fromUtf8(ctx.file), ctx.line,
                                QString::fromUtf8(ctx.function), QString::fromUtf8(ctx.category),
                                msg});
}

// Indices reported by the "in 3rd pass" messages, in the order they came.
QVector<int> loggedParenIndices()
{
    QVector<int> out;
    for (const LoggedMessage &m : qAsConst(logged)) {
        if (m.text.startsWith(QLatin1String("in 3rd pass ")))
            out.append(m.text.mid(12).trimmed().toInt());
    }
    return out;
}

// "Fe 2, O 3" -> pairs; empty text -> no pairs.
QVector<QPair<QString, double>> pairsFrom(const QString &text)
{
    QVector<QPair<QString, double>> out;
    const QStringList items = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &item : items) {
        const QStringList parts = item.simplified().split(QLatin1Char(' '));
        out.append({parts.at(0), parts.at(1).toDouble()});
    }
    return out;
}

void compareResult(const QVector<Element> &got, const QString &expected)
{
    const auto want = pairsFrom(expected);
    QCOMPARE(got.size(), want.size());
    for (int i = 0; i < got.size(); ++i) {
        QCOMPARE(got.at(i).kind, int(KindSymbol));
        QCOMPARE(got.at(i).symbol, want.at(i).first);
        const double w = want.at(i).second;
        QVERIFY2(std::fabs(got.at(i).amount - w) <= 1e-5 * std::fabs(w),
                 qPrintable(QStringLiteral("%1: %2 instead of %3")
                                .arg(want.at(i).first)
                                .arg(got.at(i).amount, 0, 'g', 17)
                                .arg(w)));
    }
}

// The parse exactly as the grammar's passes read, group by group and duplicate by duplicate:
// quadratic, but obviously right. The parser proper must agree with it bit for bit.
QVector<Element> literalParse(const QString &text, QString &expandedForm, XrayDataBase &db,
                              QVector<int> &parenIndices)
{
    QVector<Element> tokens;
    int paren = 0;
    int bracket = 0;
    for (int i = 0; i < text.size();) {
        const QChar ch = text.at(i);
        Element e;
        if (ch.isSpace()) {
            ++i;
        } else if (ch == QLatin1Char('(') || ch == QLatin1Char(')') || ch == QLatin1Char('[') ||
                   ch == QLatin1Char(']')) {
            const QString kinds = QStringLiteral("()[]");
            e.kind = KindOpenParen + kinds.indexOf(ch);
            paren += ch == QLatin1Char('(') ? 1 : ch == QLatin1Char(')') ? -1 : 0;
            bracket += ch == QLatin1Char('[') ? 1 : ch == QLatin1Char(']') ? -1 : 0;
            tokens.append(e);
            ++i;
        } else if (ch.category() == QChar::Letter_Uppercase) {
            QString sym(ch);
            if (i + 1 < text.size() && text.at(i + 1).category() == QChar::Letter_Lowercase)
                sym += text.at(++i);
            ++i;
            if (db[sym].z >= 1) {
                e.kind = KindSymbol;
                e.symbol = sym;
                e.atomicWeight = db[sym].atomicWeight;
                tokens.append(e);
            }
        } else if (ch.isNumber() || ch == QLatin1Char('.')) {
            QString num;
            while (i < text.size() && (text.at(i).isNumber() || text.at(i) == QLatin1Char('.')))
                num += text.at(i++);
            e.kind = KindNumber;
            e.amount = num.toDouble();
            tokens.append(e);
        } else {
            ++i;
        }
    }
    if (paren != 0) {
        expandedForm = QStringLiteral("Mismatched brackets () : %1").arg(paren);
        return {};
    }
    if (bracket != 0) {
        expandedForm = QStringLiteral("Mismatched brackets [] : %1").arg(bracket);
        return {};
    }
    if (tokens.isEmpty()) {
        expandedForm = QStringLiteral("No elements");
        return {};
    }
    const int n = tokens.size();
    const bool groupMode = tokens.at(0).kind == KindOpenBracket;
    for (int i = 0; i < n; ++i) {
        const int k = tokens.at(i).kind;
        if (!groupMode && (k == KindOpenBracket || k == KindCloseBracket))
            return {};
        if (groupMode && k == KindCloseBracket) {
            if (i + 1 >= n || tokens.at(i + 1).kind != KindNumber)
                return {};
            if (i + 2 < n && tokens.at(i + 2).kind != KindOpenBracket)
                return {};
        }
    }
    QVector<Element> list;
    for (int i = 0; i < n; ++i) {
        Element e = tokens.at(i);
        if (e.kind == KindNumber)
            continue;
        if (e.kind == KindSymbol || e.kind == KindCloseParen) {
            e.amount = 1.0;
            if (i + 1 < n && tokens.at(i + 1).kind == KindNumber)
                e.amount = tokens.at(i + 1).amount;
        } else if (e.kind == KindCloseBracket) {
            e.amount = tokens.at(i + 1).amount;
        }
        list.append(e);
    }
    for (int k = list.size() - 1; k >= 0; --k) {
        if (list.at(k).kind != KindCloseParen)
            continue;
        parenIndices.append(k);
        const double m = list.at(k).amount;
        list[k].amount = 1.0;
        int depth = 1;
        for (int j = k - 1; j >= 0 && depth > 0; --j) {
            if (list.at(j).kind == KindSymbol)
                list[j].amount *= m;
            if (list.at(j).kind == KindOpenParen)
                --depth;
            if (list.at(j).kind == KindCloseParen)
                ++depth;
        }
    }
    for (int i = 0; i < list.size(); ++i) {
        if (list.at(i).kind != KindOpenBracket)
            continue;
        int depth = 1;
        double sum = 0.0;
        int j = i + 1;
        for (; j < list.size(); ++j) {
            if (list.at(j).kind == KindOpenBracket)
                ++depth;
            if (list.at(j).kind == KindCloseBracket && --depth == 0)
                break;
            if (list.at(j).kind == KindSymbol)
                sum += list.at(j).atomicWeight * list.at(j).amount;
        }
        const double factor = list.at(j).amount / sum;
        for (int s = i + 1; s < j; ++s) {
            if (list.at(s).kind == KindSymbol)
                list[s].amount *= factor;
        }
        i = j;
    }
    QVector<Element> result;
    for (int i = 0; i < list.size(); ++i) {
        if (list.at(i).kind != KindSymbol || !(list.at(i).amount > 0))
            continue;
        Element e = list.at(i);
        for (int j = i + 1; j < list.size(); ++j) {
            if (list.at(j).kind == KindSymbol && list.at(j).symbol == e.symbol) {
                e.amount += list.at(j).amount;
                list[j].amount = 0.0;
            }
        }
        result.append(e);
    }
    expandedForm.clear();
    for (const Element &e : result)
        expandedForm += QStringLiteral("%1%2 ").arg(e.symbol).arg(e.amount, 0, 'g', -1);
    return result;
}

bool sameBits(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

} // namespace

class TestParse : public QObject
{
    Q_OBJECT

    XrayDataBase db;
    QtMessageHandler previousHandler = nullptr;

    QVector<Element> parse(const QString &text, QString &expanded)
    {
        return parseCompString(text, expanded, db);
    }

    static QString nestedFormula(QRandomGenerator &rng, int level)
    {
        static const char *const symbols[] = {"Fe", "O", "H", "C", "Ca"};
        static const char *const counts[] = {"", "", "2", "3", "0.3", "0.7", "1.1", "0.1"};
        QString out;
        const int items = 1 + rng.bounded(3);
        for (int i = 0; i < items; ++i) {
            if (level < 8 && rng.bounded(2) == 0)
                out += QLatin1Char('(') + nestedFormula(rng, level + 1) + QLatin1Char(')');
            else
                out += QLatin1String(symbols[rng.bounded(5)]);
            out += QLatin1String(counts[rng.bounded(8)]);
        }
        return out;
    }

    // Parses text both ways; true when it was accepted.
    bool checkAgainstLiteral(const QString &text)
    {
        QString expected = QStringLiteral("x");
        QString got = expected;
        QVector<int> expectedIndices;
        const QVector<Element> want = literalParse(text, expected, db, expectedIndices);
        logged.clear();
        const QVector<Element> have = parse(text, got);

        [&] {
            QVERIFY2(got == expected, qPrintable(text));
            QVERIFY2(loggedParenIndices() == expectedIndices, qPrintable(text));
            QVERIFY2(have.size() == want.size(), qPrintable(text));
            for (int i = 0; i < have.size(); ++i) {
                QCOMPARE(have.at(i).symbol, want.at(i).symbol);
                QVERIFY2(sameBits(have.at(i).amount, want.at(i).amount), qPrintable(text));
            }
        }();
        return !have.isEmpty();
    }

private Q_SLOTS:
    void initTestCase() { loadFixtureTable(db); }

    void init()
    {
        logged.clear();
        previousHandler = qInstallMessageHandler(captureMessages);
    }
    void cleanup() { qInstallMessageHandler(previousHandler); }

    void accepted_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("expanded");

        // The worked examples.
        QTest::newRow("Fe2O3") << "Fe2O3"
                               << "Fe 2, O 3"
                               << "Fe2 O3 ";
        QTest::newRow("air by parenthesised groups") << "(O)0.209(N)0.781(Ar)0.008"
                                                     << "O 0.209, N 0.781, Ar 0.008"
                                                     << "O0.209 N0.781 Ar0.008 ";
        QTest::newRow("Ca(OH)2") << "Ca(OH)2"
                                 << "Ca 1, O 2, H 2"
                                 << "Ca1 O2 H2 ";
        QTest::newRow("CH3COOH") << "CH3COOH"
                                 << "C 2, H 4, O 2"
                                 << "C2 H4 O2 ";
        QTest::newRow("leading number ignored") << "2H2O"
                                                << "H 2, O 1"
                                                << "H2 O1 ";
        QTest::newRow("mixture by mass") << "[H2O]1[C2H5OH]1"
                                         << "H 0.241257, O 0.0772153, C 0.0434133"
                                         << "H0.241257 O0.0772153 C0.0434133 ";
        QTest::newRow("one group") << "[Fe2O3]1"
                                   << "Fe 0.0125241, O 0.0187861"
                                   << "Fe0.0125241 O0.0187861 ";
        QTest::newRow("FE reads F") << "FE"
                                    << "F 1"
                                    << "F1 ";

        // Hydrate notation: the number after a dot multiplies up to the next dot, the end of
        // the enclosing group or the end; every dot a Japanese or Western keyboard types.
        QTest::newRow("hydrate, middle dot") << "CaCO3\u00B76H2O"
                                             << "Ca 1, C 1, O 9, H 12"
                                             << "Ca1 C1 O9 H12 ";
        QTest::newRow("hydrate, katakana dot") << "CaCO3\u30FB6H2O"
                                               << "Ca 1, C 1, O 9, H 12"
                                               << "Ca1 C1 O9 H12 ";
        QTest::newRow("hydrate, asterisk and dot operator") << "MgF2*2H2O\u22C5 3BN"
                                                            << "Mg 1, F 2, H 4, O 2, B 3, N 3"
                                                            << "Mg1 F2 H4 O2 B3 N3 ";
        QTest::newRow("hydrate inside a group") << "(MgF2\u2022 2H2O)2Al"
                                                << "Mg 2, F 4, H 8, O 4, Al 1"
                                                << "Mg2 F4 H8 O4 Al1 ";
        QTest::newRow("hydrate without a count") << "Fe2O3\u00B7H2O"
                                                 << "Fe 2, O 4, H 2"
                                                 << "Fe2 O4 H2 ";
        // White space and stray characters separate nothing.
        QTest::newRow("spaces") << "Fe 2 O 3"
                                << "Fe 2, O 3"
                                << "Fe2 O3 ";
        QTest::newRow("plus sign") << "Fe2O3 + Al"
                                   << "Fe 2, O 3, Al 1"
                                   << "Fe2 O3 Al1 ";
        QTest::newRow("unicode spaces")
            << QString::fromUtf8("Fe\u00a02\u3000O\u20283\t\n") << "Fe 2, O 3"
            << "Fe2 O3 ";
        QTest::newRow("no exponent") << "H1e5"
                                     << "H 1"
                                     << "H1 ";
        QTest::newRow("decimal count") << "Fe.5O1."
                                       << "Fe 0.5, O 1"
                                       << "Fe0.5 O1 ";
        QTest::newRow("third lower-case letter skipped") << "Feo2"
                                                         << "Fe 2"
                                                         << "Fe2 ";

        // Unlisted symbols vanish before numbers are attached.
        QTest::newRow("unlisted symbol after") << "FeXx2"
                                               << "Fe 2"
                                               << "Fe2 ";
        QTest::newRow("unlisted symbol before") << "Xx2Fe"
                                                << "Fe 1"
                                                << "Fe1 ";
        QTest::newRow("unlisted two-letter symbol") << "Hx2O"
                                                    << "O 1"
                                                    << "O1 ";
        QTest::newRow("non-ASCII upper-case letter") << QString::fromUtf8("\u00c9Fe2") << "Fe 2"
                                                     << "Fe2 ";

        // Parentheses.
        QTest::newRow("reversed parentheses pass") << ")Fe("
                                                   << "Fe 1"
                                                   << "Fe1 ";
        QTest::newRow("nested multipliers") << "(Fe(O)2)3"
                                            << "Fe 3, O 6"
                                            << "Fe3 O6 ";
        QTest::newRow("two groups") << "Mg(OH)2(H2O)3"
                                    << "Mg 1, O 5, H 8"
                                    << "Mg1 O5 H8 ";
        QTest::newRow("unmatched ) multiplies all before it") << "Fe(O)2)3("
                                                              << "Fe 3, O 6"
                                                              << "Fe3 O6 ";
        QTest::newRow("zero multiplier drops a group") << "Fe(O)0"
                                                       << "Fe 1"
                                                       << "Fe1 ";

        // Merging keeps the first position.
        QTest::newRow("repeated symbol") << "Fe2Fe3"
                                         << "Fe 5"
                                         << "Fe5 ";
        QTest::newRow("zero count before the first real one") << "O0Fe2O3"
                                                              << "Fe 2, O 3"
                                                              << "Fe2 O3 ";

        // Number formatting: six significant digits, exponent form outside 1e-4 ... 1e6.
        QTest::newRow("small amount") << "H0.00001"
                                      << "H 0.00001"
                                      << "H1e-05 ";
        QTest::newRow("large amount") << "H1234567"
                                      << "H 1234567"
                                      << "H1.23457e+06 ";

        // Groups.
        QTest::newRow("group with parentheses") << "[Ca(OH)2]2"
                                                << "Ca 0.0269932, O 0.0539865, H 0.0539865"
                                                << "Ca0.0269932 O0.0539865 H0.0539865 ";
    }

    void accepted()
    {
        QFETCH(QString, input);
        QFETCH(QString, result);
        QFETCH(QString, expanded);
        QString out = QStringLiteral("previous text");
        compareResult(parse(input, out), result);
        QCOMPARE(out, expanded);
    }

    // What the parser passes over is reported, so that a typo is not silently read as less; the
    // parse itself is what it always was. White space is no mistake.
    void droppedIsNamed_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expanded"); // what the parse reads, whatever was dropped
        QTest::addColumn<QStringList>("unknown");
        QTest::addColumn<QString>("skipped");
        QTest::addColumn<QStringList>("numbers"); // "number|what follows", in order
        QTest::addColumn<int>("rejection");
        const int ok = ParseNotes::Accepted;
        QTest::newRow("unknown symbol, its count with it")
            << "Xq2O3"
            << "O3 " << QStringList{"Xq"} << "" << QStringList{} << ok;
        QTest::newRow("unknown symbol, count across white space")
            << "Xq 2 O3"
            << "O3 " << QStringList{"Xq"} << "" << QStringList{} << ok;
        QTest::newRow("plus sign") << "Fe2O3 + Al"
                                   << "Fe2 O3 Al1 " << QStringList{} << "+" << QStringList{} << ok;
        QTest::newRow("lower case formula")
            << "fe2o3"
            << "" << QStringList{} << "feo" << QStringList{"2|o3", "3|"} << ok;
        QTest::newRow("each once, in order") << "Qq-Zz-Qq;"
                                             << "No elements" << QStringList{"Qq", "Zz"} << "-;"
                                             << QStringList{} << int(ParseNotes::NothingToRead);
        QTest::newRow("hydrate dots are grammar")
            << "CaCO3\u00B76H2O*H2O"
            << "Ca1 C1 O10 H14 " << QStringList{} << "" << QStringList{} << ok;
        QTest::newRow("clean mixture") << "[Fe2O3]1[BN]9"
                                       << "Fe0.0125241 O0.0187861 B0.362644 N0.362644 "
                                       << QStringList{} << "" << QStringList{} << ok;
        QTest::newRow("spaced counts") << "Fe 2 O 3"
                                       << "Fe2 O3 " << QStringList{} << "" << QStringList{} << ok;
        QTest::newRow("spaced formula")
            << "Ba Fe12 O19"
            << "Ba1 Fe12 O19 " << QStringList{} << "" << QStringList{} << ok;
        QTest::newRow("fractions before compounds") << "0.7CaF2 0.3Al2O3"
                                                    << "Ca1 F2 Al2 O3 " << QStringList{} << ""
                                                    << QStringList{"0.7|CaF2", "0.3|Al2O3"} << ok;
        QTest::newRow("percent before a compound")
            << "70CaF2"
            << "Ca1 F2 " << QStringList{} << "" << QStringList{"70|CaF2"} << ok;
        QTest::newRow("molecules before a compound")
            << "2FeO"
            << "Fe1 O1 " << QStringList{} << "" << QStringList{"2|FeO"} << ok;
        // The 5 is oxygen's count, across the space, as in "Fe 2 O 3": only the sign is odd.
        QTest::newRow("percent sign") << "FeO 5%"
                                      << "Fe1 O5 " << QStringList{} << "%" << QStringList{} << ok;
        QTest::newRow("dash between shares")
            << "70CaF2-30Al2O3"
            << "Ca1 F2 Al2 O3 " << QStringList{} << "-" << QStringList{"70|CaF2", "30|Al2O3"} << ok;
        QTest::newRow("after a parenthesis, group kept whole")
            << "(2Ca(OH)2)3"
            << "Ca3 O6 H6 " << QStringList{} << "" << QStringList{"2|Ca(OH)2"} << ok;
        QTest::newRow("after a square bracket")
            << "[2CaF2]70[Al2O3]30"
            << "Ca0.896576 F1.79315 Al0.588459 O0.882689 " << QStringList{} << ""
            << QStringList{"2|CaF2"} << ok;
        QTest::newRow("after another number, at the end")
            << "Fe2 3"
            << "Fe2 " << QStringList{} << "" << QStringList{"3|"} << ok;
        QTest::newRow("what follows is cut")
            << "2FeFeFeFeFeFeFeFeFeFe"
            << "Fe10 " << QStringList{} << "" << QStringList{"2|FeFeFeFeFeFeFeFe"} << ok;
        QTest::newRow("repeats each reported")
            << "(2Fe)(2Fe)"
            << "Fe2 " << QStringList{} << "" << QStringList{"2|Fe", "2|Fe"} << ok;
        QTest::newRow("nothing but a number")
            << "123"
            << "" << QStringList{} << "" << QStringList{"123|"} << ok;
        QTest::newRow("unbalanced parentheses")
            << "(Fe2O3"
            << "Mismatched brackets () : 1" << QStringList{} << "" << QStringList{}
            << int(ParseNotes::UnbalancedParentheses);
        QTest::newRow("unbalanced square brackets")
            << "[Fe2O3"
            << "Mismatched brackets [] : 1" << QStringList{} << "" << QStringList{}
            << int(ParseNotes::UnbalancedBrackets);
        QTest::newRow("misplaced square bracket")
            << "Fe[O]3"
            << "" << QStringList{} << "" << QStringList{} << int(ParseNotes::MisplacedBracket);
        QTest::newRow("empty") << ""
                               << "No elements" << QStringList{} << "" << QStringList{}
                               << int(ParseNotes::NothingToRead);
    }

    void droppedIsNamed()
    {
        QFETCH(QString, input);
        QFETCH(QString, expanded);
        QFETCH(QStringList, unknown);
        QFETCH(QString, skipped);
        QFETCH(QStringList, numbers);
        QFETCH(int, rejection);
        QString withNotes;
        ParseNotes notes;
        const QVector<Element> noted = parseCompString(input, withNotes, db, &notes);
        QCOMPARE(withNotes, expanded);
        QCOMPARE(notes.unknownSymbols, unknown);
        QCOMPARE(notes.skippedCharacters, skipped);
        QStringList ignored;
        for (const IgnoredNumber &n : qAsConst(notes.ignoredNumbers))
            ignored << n.number + QLatin1Char('|') + n.before;
        QCOMPARE(ignored, numbers);
        QCOMPARE(int(notes.rejection), rejection);
        // Taking notes changes nothing of the parse, which reads as the grammar's passes do.
        // (The literal passes know no hydrate dots.)
        if (!input.contains(QChar(0x00B7)) && !input.contains(QLatin1Char('*'))) {
            QString literal;
            QVector<int> indices;
            const QVector<Element> want = literalParse(input, literal, db, indices);
            QCOMPARE(literal, withNotes);
            QCOMPARE(want.size(), noted.size());
            for (int i = 0; i < want.size(); ++i)
                QVERIFY(sameBits(want.at(i).amount, noted.at(i).amount));
        }
        QString without;
        const QVector<Element> plain = parseCompString(input, without, db);
        QCOMPARE(without, withNotes);
        QCOMPARE(plain.size(), noted.size());
        for (int i = 0; i < plain.size(); ++i) {
            QCOMPARE(plain.at(i).symbol, noted.at(i).symbol);
            QVERIFY(sameBits(plain.at(i).amount, noted.at(i).amount));
        }
    }

    void groupMassBalance()
    {
        // Over the whole result, atoms times atomic weight add up to the sum of group weights.
        QString out;
        const QVector<Element> r = parse(QStringLiteral("[Fe2O3]3[H2O]0.5[CaO]1.5"), out);
        double mass = 0;
        for (const Element &e : r)
            mass += e.amount * e.atomicWeight;
        QVERIFY(std::fabs(mass - 5.0) < 1e-12);
    }

    void rejected_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expanded"); // "<unchanged>" when the caller's text must stay

        QTest::newRow("empty") << ""
                               << "No elements";
        QTest::newRow("only spaces") << " \t "
                                     << "No elements";
        QTest::newRow("lower case") << "fe"
                                    << "No elements";
        QTest::newRow("Uuo") << "Uuo"
                             << "No elements";
        QTest::newRow("stray characters") << "+-,"
                                          << "No elements";
        QTest::newRow("open paren") << "(Fe"
                                    << "Mismatched brackets () : 1";
        QTest::newRow("nested open paren") << "((Fe)2"
                                           << "Mismatched brackets () : 1";
        QTest::newRow("close parens") << "Fe))"
                                      << "Mismatched brackets () : -2";
        QTest::newRow("parenthesis message wins") << "(Fe["
                                                  << "Mismatched brackets () : 1";
        QTest::newRow("open bracket") << "[Fe"
                                      << "Mismatched brackets [] : 1";
        QTest::newRow("close bracket") << "]Fe"
                                       << "Mismatched brackets [] : -1";
        QTest::newRow("bracket after a symbol") << "Fe[O]2"
                                                << "<unchanged>";
        QTest::newRow("group without weight") << "[Fe]"
                                              << "<unchanged>";
        QTest::newRow("symbol after a group") << "[Fe]1O"
                                              << "<unchanged>";
        QTest::newRow("nested groups") << "[[Fe]1]2"
                                       << "<unchanged>";
        QTest::newRow("only numbers") << "123"
                                      << "";
        QTest::newRow("empty parentheses") << "()"
                                           << "";
        QTest::newRow("zero count") << "Fe0"
                                    << "";
        QTest::newRow("unlisted with count") << "Xx2"
                                             << "";
        QTest::newRow("number that does not convert") << "Fe1.2.3"
                                                      << "";
        QTest::newRow("non-ASCII digit") << QString::fromUtf8("Fe\u0662") << "";
        QTest::newRow("superscript digit") << QString::fromUtf8("Fe\u00b2") << "";
    }

    void rejected()
    {
        QFETCH(QString, input);
        QFETCH(QString, expanded);
        const QString before = QStringLiteral("previous text");
        QString out = before;
        QVERIFY(parse(input, out).isEmpty());
        QCOMPARE(out, expanded == QLatin1String("<unchanged>") ? before : expanded);
        // Rejections are not logged; only the pass over ")" writes anything.
        for (const LoggedMessage &m : qAsConst(logged))
            QVERIFY(m.text.startsWith(QLatin1String("in 3rd pass ")));
    }

    void debugMessages_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QVector<int>>("indices");
        QTest::newRow("two groups") << "Mg(OH)2(H2O)3" << QVector<int>{8, 4};
        QTest::newRow("nested") << "((Fe)2)3" << QVector<int>{4, 3};
        QTest::newRow("reversed") << ")Fe(" << QVector<int>{0};
        QTest::newRow("none") << "Fe2O3" << QVector<int>{};
        QTest::newRow("stopped by the count check") << "(Fe)2)" << QVector<int>{};
        QTest::newRow("stopped by the structure check") << "(Fe)[O]1" << QVector<int>{};
        QTest::newRow("inside groups") << "[Ca(OH)2]1[(Fe)2O3]1" << QVector<int>{10, 5};
    }

    void debugMessages()
    {
        QFETCH(QString, input);
        QFETCH(QVector<int>, indices);
        QString out;
        parse(input, out);
        QCOMPARE(logged.size(), indices.size());
        for (int i = 0; i < logged.size(); ++i) {
            const LoggedMessage &m = logged.at(i);
            QCOMPARE(m.type, QtDebugMsg);
            QCOMPARE(m.file, QStringLiteral("parse"));
            QCOMPARE(m.line, 161);
            QCOMPARE(m.function,
                     QStringLiteral(
                         "QVector<Element> MainWindow::ParseCompString(const QString&, QString&)"));
            QCOMPARE(m.category, QStringLiteral("default"));
            QVERIFY(m.text.startsWith(QLatin1String("in 3rd pass ")));
        }
        QCOMPARE(loggedParenIndices(), indices);
    }

    void deepNesting()
    {
        // 100 levels of non-unit multipliers over a non-unit count, and 100000 levels of plain
        // parentheses: powers of two keep the expected amounts exact.
        const int depth = 100;
        QString text = QString(depth, QLatin1Char('(')) + QStringLiteral("Fe3");
        for (int i = 0; i < depth; ++i)
            text += QStringLiteral(")2");
        QString out;
        QVector<Element> r = parse(text, out);
        QCOMPARE(r.size(), 1);
        QCOMPARE(r.at(0).amount, std::ldexp(3.0, depth));
        QCOMPARE(logged.size(), depth);

        const int plain = 100000;
        text = QString(plain, QLatin1Char('(')) + QStringLiteral("O2") +
               QString(plain, QLatin1Char(')')) + QStringLiteral("3");
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
        r = parse(text, out);
        QLoggingCategory::setFilterRules(QString());
        QCOMPARE(r.size(), 1);
        QCOMPARE(r.at(0).amount, 6.0);
        QCOMPARE(out, QStringLiteral("O6 "));
    }

    void longInputsTerminate()
    {
        // Worst cases of the former per-group and per-duplicate walks; correctness is what is
        // checked here, speed is measured by the parser benchmark.
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
        QString many;
        for (int i = 0; i < 20000; ++i)
            many += QStringLiteral("(Fe2O");
        many += QString(20000, QLatin1Char(')'));
        QString out;
        QVector<Element> r = parse(many, out);
        QLoggingCategory::setFilterRules(QString());
        QCOMPARE(r.size(), 2);
        QCOMPARE(r.at(0).amount, 40000.0);
        QCOMPARE(r.at(1).amount, 20000.0);
    }

    void agreesWithLiteralPasses()
    {
        // Random strings over the grammar's building blocks, including group-mode strings, parsed
        // by the parser and by the literal passes: same list bit for bit, same text, same messages.
        static const char *const pieces[] = {"Fe", "O", "H",   "C", "Xx", "(",   ")",
                                             ")",  "(", "[",   "]", "2",  "3",   "0.5",
                                             "0",  ".", "1.2", " ", "e",  "0.3", "7"};
        const int pieceCount = int(sizeof(pieces) / sizeof(pieces[0]));
        QRandomGenerator rng(20240611);
        int accepted = 0;
        for (int round = 0; round < 30000; ++round) {
            QString text;
            if (round % 3 == 2) {
                // Well-formed nesting with fractional counts and multipliers, where the order of
                // the multiplications shows in the last bits.
                text = nestedFormula(rng, 0);
                if (rng.bounded(3) == 0)
                    text = QLatin1Char('[') + text + QStringLiteral("]1.3[") +
                           nestedFormula(rng, 0) + QStringLiteral("]0.7");
                accepted += checkAgainstLiteral(text) ? 1 : 0;
                if (QTest::currentTestFailed())
                    return;
                continue;
            }
            const bool groups = rng.bounded(4) == 0;
            const int parts = 1 + rng.bounded(groups ? 4 : 30);
            for (int p = 0; p < parts; ++p) {
                if (groups)
                    text += QLatin1Char('[');
                const int len = 1 + rng.bounded(groups ? 8 : 1);
                for (int q = 0; q < len; ++q) {
                    const char *piece = pieces[rng.bounded(pieceCount)];
                    if (groups && (piece[0] == '[' || piece[0] == ']'))
                        piece = "Fe";
                    text += QLatin1String(piece);
                }
                if (groups)
                    text += QLatin1Char(']') + QString::number(rng.bounded(5) * 0.7);
            }

            accepted += checkAgainstLiteral(text) ? 1 : 0;
            if (QTest::currentTestFailed())
                return;
        }
        QVERIFY(accepted > 10000); // the generators do reach the interesting paths
    }
};

QTEST_APPLESS_MAIN(TestParse)
#include "test_parse.moc"
