#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

class XrayDataBase;

enum ElementKind {
    KindNone = 0,
    KindSymbol = 1,
    KindNumber = 2,
    KindOpenParen = 3,
    KindCloseParen = 4,
    KindOpenBracket = 5,
    KindCloseBracket = 6
};

// One entry of the parser's token and result lists.
struct Element
{
    int kind = KindNone;
    QString symbol;
    double amount = 0.0;
    double atomicWeight = 0.0;
};

// A number that stands where no count is read (at the start, after "(" or "[", after another
// number), with the text that follows it, so that a message can say which one.
struct IgnoredNumber
{
    QString number;
    QString before; // up to 16 characters of what follows; empty at the end of the text
};

// What the parser passed over: element symbols the table does not know (dropped whole, with
// their counts), numbers that count nothing, other characters that are neither white space nor
// part of the grammar, and why nothing at all was read.
struct ParseNotes
{
    enum Rejection {
        Accepted,
        UnbalancedParentheses,
        UnbalancedBrackets,
        NothingToRead,    // no symbol, number or bracket
        MisplacedBracket, // square brackets outside a whole "[A]w1[B]w2..." list
    };
    QStringList unknownSymbols;
    QString skippedCharacters;             // each once, in order of first appearance
    QVector<IgnoredNumber> ignoredNumbers; // in order, repeats included
    Rejection rejection = Accepted;
};

// Parses a composition string (Fe2O3, Ca(OH)2, [A]w1[B]w2 ...) into merged element amounts.
// expandedForm receives the expanded form on success, an error message on a bracket-count error
// or an empty token list, and is left untouched on a misplaced square bracket.
// Symbols are looked up with the table's inserting subscript.
// Hydrate notation: a dot (U+00B7, U+30FB, U+22C5, U+2022 or '*') starts a group that runs to
// the next dot, the closing bracket of the enclosing group or the end, multiplied by the number
// right after the dot: "CuSO4·5H2O" reads as "CuSO4(H2O)5". notes, when given, receives what was
// passed over.
QVector<Element> parseCompString(const QString &text, QString &expandedForm, XrayDataBase &db,
                                 ParseNotes *notes = nullptr);
