// Times the composition parser on megabyte inputs that would be quadratic for a parser walking
// every parenthesised group or every duplicate separately.
//
// Usage: bench_parser [element table]   (default: the shipped data/XrayDataBase1.txt)

#include "XrayDataBase.h"
#include "parse.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int InputSize = 1 << 20;
constexpr int Runs = 5;

long long debugMessages = 0;

// Counts the parser's per-")" debug lines instead of writing them: their formatting is part of
// the parse, the terminal output is not.
void countMessages(QtMsgType, const QMessageLogContext &, const QString &)
{
    ++debugMessages;
}

// "(H2O(H2O(H2O ... )1.00001)1.00001)1.00001": every level holds atoms and multiplies them.
QString nestedInput()
{
    const QString open = QStringLiteral("(H2O");
    const QString close = QStringLiteral(")1.00001");
    const int levels = InputSize / (open.size() + close.size());
    QString s;
    s.reserve(InputSize);
    for (int i = 0; i < levels; ++i)
        s += open;
    for (int i = 0; i < levels; ++i)
        s += close;
    return s;
}

// Characters of every class the tokeniser tells apart, brackets included, so most strings stop at
// a count check after the full tokenising walk.
QString randomCharacters(QRandomGenerator &rng)
{
    static const QString alphabet =
        QString::fromUtf8("ABCDEFGHIKLMNOPRSTUVWXYZabcdefghiklmnoprstuyz0123456789..()[] "
                          "\t+-,*\u00a0\u3000\u00c9\u00e9"
                          "\u0662\u00b2");
    QString s;
    s.reserve(InputSize);
    for (int i = 0; i < InputSize; ++i)
        s += alphabet.at(int(rng.bounded(uint(alphabet.size()))));
    return s;
}

// A random but well-formed formula: symbols, counts and balanced parentheses, so every pass runs
// and the merge sees each element many thousand times.
QString randomFormula(QRandomGenerator &rng)
{
    static const char *const symbols[] = {"H", "C", "N", "O", "Fe", "Ca", "Si", "Al", "Xx", "Zn"};
    QString s;
    s.reserve(InputSize + 64);
    int open = 0;
    while (s.size() < InputSize - 2 * open - 16) {
        const quint32 r = rng.bounded(10u);
        if (r < 6) {
            s += QLatin1String(symbols[rng.bounded(10u)]);
            if (rng.bounded(2u))
                s += QString::number(rng.bounded(1, 20));
        } else if (r < 8) {
            s += QLatin1Char('(');
            ++open;
        } else if (open > 0) {
            s += QLatin1Char(')');
            --open;
            if (rng.bounded(2u))
                s += QString::number(rng.bounded(1, 5));
        }
    }
    while (open-- > 0)
        s += QLatin1Char(')');
    return s;
}

void timeParse(const char *name, const QString &input, XrayDataBase &db)
{
    std::vector<double> ms;
    QString expanded;
    int elements = 0;
    for (int run = 0; run < Runs; ++run) {
        debugMessages = 0;
        QElapsedTimer timer;
        timer.start();
        const QVector<Element> result = parseCompString(input, expanded, db);
        ms.push_back(timer.nsecsElapsed() / 1e6);
        elements = result.size();
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-18s %8d chars  median %8.1f ms  (min %.1f, max %.1f)  %d elements, "
                "%lld debug lines, text: %.40s\n",
                name, int(input.size()), ms[Runs / 2], ms.front(), ms.back(), elements,
                debugMessages, qPrintable(expanded));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString table = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                   : QStringLiteral(TIRN_SOURCE_DIR "/data/XrayDataBase1.txt");
    XrayDataBase db;
    if (!db.load(table)) {
        std::fprintf(stderr, "cannot read the element table %s\n", qPrintable(table));
        return 1;
    }
    qInstallMessageHandler(countMessages);

    QRandomGenerator rng(12345);
    std::printf("parser, %d runs each, table %s (%d records)\n", Runs, qPrintable(table),
                db.size());
    timeParse("nested groups", nestedInput(), db);
    timeParse("random characters", randomCharacters(rng), db);
    const QString formula = randomFormula(rng);
    timeParse("random formula", formula, db);

    // The same with debug output switched off by the logging rules: the parser's own share.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    timeParse("nested, no debug", nestedInput(), db);
    timeParse("formula, no debug", formula, db);
    return 0;
}
