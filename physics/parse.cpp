#include "parse.h"

#include "XrayDataBase.h"

#include <QHash>
#include <QLoggingCategory>
#include <QMessageLogger>

namespace {

bool isUpperLetter(QChar ch)
{
    return ch.category() == QChar::Letter_Uppercase;
}
bool isLowerLetter(QChar ch)
{
    return ch.category() == QChar::Letter_Lowercase;
}
bool isNumberChar(QChar ch)
{
    return ch.isNumber() || ch == QLatin1Char('.');
}

// Where a token stands in the text; a number right after an unknown symbol is that symbol's
// count, named with it already, and has no place to report (start -1).
struct Span
{
    int start = -1;
    int end = -1;
};

struct Tokens
{
    QVector<Element> list;
    QVector<Span> spans; // one per token of list
    int parenBalance = 0;
    int bracketBalance = 0;
};

bool isHydrateDot(QChar ch)
{
    const ushort u = ch.unicode();
    return u == 0x00B7 || u == 0x30FB || u == 0x22C5 || u == 0x2022 || u == '*';
}

// Rewrites hydrate dots into parentheses from position i up to the closing bracket of the
// enclosing group (left at i) or the end.
QString rewriteHydrates(const QString &text, int &i)
{
    QString out;
    QString group;
    QString multiplier;
    bool inGroup = false;
    const auto closeGroup = [&] {
        if (inGroup)
            out += QLatin1Char('(') + group + QLatin1Char(')') + multiplier;
        group.clear();
        multiplier.clear();
    };
    while (i < text.size()) {
        const QChar ch = text.at(i);
        QString &current = inGroup ? group : out;
        if (ch == QLatin1Char(')') || ch == QLatin1Char(']'))
            break;
        if (ch == QLatin1Char('(') || ch == QLatin1Char('[')) {
            ++i;
            current += ch + rewriteHydrates(text, i);
            if (i < text.size())
                current += text.at(i++);
            continue;
        }
        if (isHydrateDot(ch)) {
            closeGroup();
            inGroup = true;
            ++i;
            while (i < text.size() && text.at(i).isSpace())
                ++i;
            const int start = i;
            while (i < text.size() && isNumberChar(text.at(i)))
                ++i;
            multiplier = text.mid(start, i - start);
            continue;
        }
        current += ch;
        ++i;
    }
    closeGroup();
    return out;
}

QString expandHydrates(const QString &text)
{
    bool anyDot = false;
    for (const QChar ch : text)
        anyDot = anyDot || isHydrateDot(ch);
    if (!anyDot)
        return text;
    QString out;
    int i = 0;
    while (true) {
        out += rewriteHydrates(text, i);
        if (i >= text.size())
            break;
        out += text.at(i++); // a closing bracket without an opening one
    }
    return out;
}

// Pass 1. Anything that is not a symbol, a number or a bracket is dropped, so that "Fe2O3 + Al"
// and "Fe 2 O 3" read the way a chemist means them; notes say what was dropped.
Tokens tokenise(const QString &text, XrayDataBase &db, ParseNotes *notes)
{
    Tokens t;
    const int length = text.size();
    int i = 0;
    bool afterUnknown = false;
    const auto append = [&t, &afterUnknown](const Element &e, int start, int end) {
        t.list.append(e);
        t.spans.append(afterUnknown ? Span{} : Span{start, end});
        afterUnknown = false;
    };
    while (i < length) {
        const QChar ch = text.at(i);
        if (ch.isSpace()) {
            ++i;
            continue;
        }
        Element e;
        switch (ch.unicode()) {
        case '(':
            e.kind = KindOpenParen;
            ++t.parenBalance;
            break;
        case ')':
            e.kind = KindCloseParen;
            --t.parenBalance;
            break;
        case '[':
            e.kind = KindOpenBracket;
            ++t.bracketBalance;
            break;
        case ']':
            e.kind = KindCloseBracket;
            --t.bracketBalance;
            break;
        default:
            break;
        }
        if (e.kind != KindNone) {
            append(e, i, i + 1);
            ++i;
            continue;
        }
        if (isUpperLetter(ch)) {
            int len = 1;
            if (i + 1 < length && isLowerLetter(text.at(i + 1)))
                len = 2;
            const QString symbol = text.mid(i, len);
            const int start = i;
            i += len;
            // An unknown symbol is dropped whole (Hx is not read as H), before numbers are
            // attached, so its count then stands where a count is ignored.
            const AtomData &rec = db[symbol];
            if (rec.z >= 1) {
                e.kind = KindSymbol;
                e.symbol = symbol;
                e.atomicWeight = rec.atomicWeight;
                append(e, start, i);
            } else {
                if (notes && !notes->unknownSymbols.contains(symbol))
                    notes->unknownSymbols.append(symbol);
                afterUnknown = true;
            }
            continue;
        }
        if (isNumberChar(ch)) {
            int end = i + 1;
            while (end < length && isNumberChar(text.at(end)))
                ++end;
            e.kind = KindNumber;
            e.amount = text.mid(i, end - i).toDouble();
            append(e, i, end);
            i = end;
            continue;
        }
        if (notes && !notes->skippedCharacters.contains(ch))
            notes->skippedCharacters += ch;
        afterUnknown = false;
        ++i;
    }
    return t;
}

// Pass 2, step 1: square brackets are only accepted as a flat list of weighted groups,
// "[A]w1[B]w2...", that makes up the whole string.
bool bracketStructureOk(const QVector<Element> &tokens)
{
    const int n = tokens.size();
    const bool groupMode = n > 0 && tokens.at(0).kind == KindOpenBracket;
    for (int i = 0; i < n; ++i) {
        const int kind = tokens.at(i).kind;
        if (!groupMode) {
            if (kind == KindOpenBracket || kind == KindCloseBracket)
                return false;
            continue;
        }
        if (kind != KindCloseBracket)
            continue;
        if (i + 1 >= n || tokens.at(i + 1).kind != KindNumber)
            return false;
        if (i + 2 < n && tokens.at(i + 2).kind != KindOpenBracket)
            return false;
    }
    return true;
}

// What follows position from in text, for a message: white space skipped, then letters, digits
// and balanced parentheses, at most 16 characters. Bounded, so that a long text full of
// ignored numbers stays linear.
QString textAfter(const QString &text, int from)
{
    constexpr int kMaxShown = 16;
    const int length = text.size();
    while (from < length && text.at(from).isSpace())
        ++from;
    QString out;
    int depth = 0;
    for (int i = from; i < length && out.size() < kMaxShown; ++i) {
        const QChar ch = text.at(i);
        if (ch == QLatin1Char('('))
            ++depth;
        else if (ch == QLatin1Char(')') && --depth < 0)
            break;
        else if (!ch.isLetter() && !isNumberChar(ch) && ch != QLatin1Char(')'))
            break;
        out += ch;
    }
    // A cut group would read as a typo of its own.
    while (depth > 0 && !out.isEmpty()) {
        if (out.endsWith(QLatin1Char('(')))
            --depth;
        else if (out.endsWith(QLatin1Char(')')))
            ++depth;
        out.chop(1);
    }
    return out;
}

// Pass 2, step 2: a number is consumed by the symbol, ")" or "]" right before it; anywhere else
// it means nothing and is dropped, and noted with what follows it.
QVector<Element> attachNumbers(const Tokens &tokens, const QString &text, ParseNotes *notes)
{
    const QVector<Element> &list = tokens.list;
    QVector<Element> out;
    out.reserve(list.size());
    const int n = list.size();
    for (int i = 0; i < n; ++i) {
        Element e = list.at(i);
        const bool nextIsNumber = i + 1 < n && list.at(i + 1).kind == KindNumber;
        switch (e.kind) {
        case KindNumber: {
            const int before = i > 0 ? list.at(i - 1).kind : KindNone;
            const bool counts =
                before == KindSymbol || before == KindCloseParen || before == KindCloseBracket;
            const Span &span = tokens.spans.at(i);
            if (!counts && notes && span.start >= 0) {
                notes->ignoredNumbers.append(IgnoredNumber{
                    text.mid(span.start, span.end - span.start), textAfter(text, span.end)});
            }
            continue;
        }
        case KindSymbol:
        case KindCloseParen:
            e.amount = nextIsNumber ? list.at(i + 1).amount : 1.0;
            break;
        case KindCloseBracket:
            e.amount = nextIsNumber ? list.at(i + 1).amount : 0.0;
            break;
        default:
            break;
        }
        out.append(e);
    }
    return out;
}

void logCloseParen(int k)
{
    // The message would be dropped by the logging filter anyway; not building it keeps deeply
    // nested input cheap when debug output is switched off.
    const QLoggingCategory *category = QLoggingCategory::defaultCategory();
    if (category && !category->isDebugEnabled())
        return;
    QMessageLogger("parse", 161,
                   "QVector<Element> MainWindow::ParseCompString(const QString&, QString&)")
            .debug()
        << "in 3rd pass " << k;
}

// Pass 3. Every ")" multiplies the symbols back to its matching "(" - or, lacking one, every
// symbol before it - by the number that followed it, so nested multipliers multiply.
//
// Walking each group separately costs the nesting depth per ")". Instead the list is walked once
// from the end with a stack of the groups that are open at the current position: a ")" opens a
// group, the "(" that closes its depth count ends it. A ")" whose walk would run off the start
// simply stays on the stack to the end, which is exactly "multiplies everything before it".
//
// The per-group walk multiplies an atom's count by the outermost multiplier first. The stack keeps
// running products in that same order, so a count of 1 gets a bit-identical result from one
// multiplication; other counts are multiplied factor by factor while at most kExactDepth non-unit
// factors are open (bit-identical as well), and by the running product beyond that, which keeps
// pathological nesting linear at the price of a last-bit rounding difference.
void expandParentheses(QVector<Element> &list)
{
    constexpr int kExactDepth = 64;
    struct OpenGroup
    {
        bool scales; // false for a multiplier of 1, which changes nothing
    };
    QVector<OpenGroup> groups;
    QVector<double> factors;  // multipliers of the open scaling groups, outermost first
    QVector<double> products; // products[i] = factors[0] * ... * factors[i], formed in that order

    for (int k = list.size() - 1; k >= 0; --k) {
        Element &e = list[k];
        switch (e.kind) {
        case KindCloseParen: {
            logCloseParen(k);
            const double m = e.amount;
            e.amount = 1.0;
            const bool scales = !(m == 1.0);
            groups.append(OpenGroup{scales});
            if (scales) {
                factors.append(m);
                products.append(products.isEmpty() ? m : products.last() * m);
            }
            break;
        }
        case KindOpenParen:
            if (!groups.isEmpty()) {
                if (groups.last().scales) {
                    factors.removeLast();
                    products.removeLast();
                }
                groups.removeLast();
            }
            break;
        case KindSymbol:
            if (factors.isEmpty())
                break;
            if (e.amount == 1.0) {
                e.amount = products.last();
            } else if (factors.size() <= kExactDepth) {
                for (const double f : qAsConst(factors))
                    e.amount *= f;
            } else {
                e.amount *= products.last();
            }
            break;
        default:
            break;
        }
    }
}

// Pass 4: counts inside "[...]w" become atoms per unit mass of that compound, scaled by w.
void applyGroupWeights(QVector<Element> &list)
{
    const int n = list.size();
    int i = 0;
    while (i < n) {
        if (list.at(i).kind != KindOpenBracket) {
            ++i;
            continue;
        }
        int depth = 1;
        double sum = 0.0;
        int close = -1;
        for (int j = i + 1; j < n; ++j) {
            const Element &e = list.at(j);
            if (e.kind == KindOpenBracket) {
                ++depth;
            } else if (e.kind == KindCloseBracket) {
                if (--depth == 0) {
                    close = j;
                    break;
                }
            } else if (e.kind == KindSymbol) {
                sum += e.atomicWeight * e.amount;
            }
        }
        if (close < 0)
            break; // cannot happen after the structure check; nothing is left to scale
        const double factor = list.at(close).amount / sum;
        for (int j = i + 1; j < close; ++j) {
            if (list.at(j).kind == KindSymbol)
                list[j].amount *= factor;
        }
        i = close + 1;
    }
}

// Pass 5: one entry per symbol, at its first occurrence with a positive count, holding the sum of
// that entry and every later one (a hash keeps long inputs linear).
QVector<Element> mergeSymbols(const QVector<Element> &list)
{
    QVector<Element> result;
    QHash<QString, int> firstIndex;
    for (const Element &e : list) {
        if (e.kind != KindSymbol)
            continue;
        const auto it = firstIndex.constFind(e.symbol);
        if (it != firstIndex.constEnd()) {
            result[it.value()].amount += e.amount;
        } else if (e.amount > 0.0) {
            firstIndex.insert(e.symbol, result.size());
            result.append(e);
        }
    }
    return result;
}

} // namespace

QVector<Element> parseCompString(const QString &text, QString &expandedForm, XrayDataBase &db,
                                 ParseNotes *notes)
{
    const QString expanded = expandHydrates(text);
    const Tokens tokens = tokenise(expanded, db, notes);
    const auto reject = [notes](ParseNotes::Rejection why) {
        if (notes)
            notes->rejection = why;
        return QVector<Element>();
    };

    if (tokens.parenBalance != 0) {
        expandedForm = QStringLiteral("Mismatched brackets () : %1").arg(tokens.parenBalance);
        return reject(ParseNotes::UnbalancedParentheses);
    }
    if (tokens.bracketBalance != 0) {
        expandedForm = QStringLiteral("Mismatched brackets [] : %1").arg(tokens.bracketBalance);
        return reject(ParseNotes::UnbalancedBrackets);
    }
    if (tokens.list.isEmpty()) {
        expandedForm = QStringLiteral("No elements");
        return reject(ParseNotes::NothingToRead);
    }
    // A misplaced square bracket is rejected without a message: the caller's text stays.
    if (!bracketStructureOk(tokens.list))
        return reject(ParseNotes::MisplacedBracket);

    QVector<Element> structured = attachNumbers(tokens, expanded, notes);
    expandParentheses(structured);
    applyGroupWeights(structured);
    const QVector<Element> result = mergeSymbols(structured);

    expandedForm.clear();
    for (const Element &e : result)
        expandedForm += QStringLiteral("%1%2 ").arg(e.symbol).arg(e.amount, 0, 'g', -1);
    return result;
}
