#pragma once

#include <QString>
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

// Parses a composition string (Fe2O3, Ca(OH)2, [A]w1[B]w2 ...) into merged element amounts.
// expandedForm receives the expanded form on success, an error message on a bracket-count error
// or an empty token list, and is left untouched on a misplaced square bracket.
// Symbols are looked up with the table's inserting subscript.
QVector<Element> parseCompString(const QString &text, QString &expandedForm, XrayDataBase &db);
