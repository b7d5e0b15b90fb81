#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// Edge indices; the order is that of the edge selector items "K", "LI", "LII", "LIII", "MI".
enum EdgeIndex { EdgeK = 0, EdgeLI = 1, EdgeLII = 2, EdgeLIII = 3, EdgeMI = 4 };
// Line indices, in the order of the line names "Ka2", "Ka1", "Kb", "La2", "La1", "Lb1", "Lb2".
enum LineIndex {
    LineKa2 = 0,
    LineKa1 = 1,
    LineKb = 2,
    LineLa2 = 3,
    LineLa1 = 4,
    LineLb1 = 5,
    LineLb2 = 6
};

constexpr int EDGE_COUNT = 5;
constexpr int LINE_COUNT = 7;
// Marks an absent edge or coefficient. Absorption code only ever tests these fields for being
// greater than something, so -1 never passes as a real value there.
constexpr double MissingValue = -1.0;

// Names of the edges and lines, indexed like AtomData::edge and AtomData::line.
inline QStringList edgeNames()
{
    return {QStringLiteral("K"), QStringLiteral("LI"), QStringLiteral("LII"),
            QStringLiteral("LIII"), QStringLiteral("MI")};
}
inline QStringList lineNames()
{
    return {QStringLiteral("Ka2"), QStringLiteral("Ka1"), QStringLiteral("Kb"),
            QStringLiteral("La2"), QStringLiteral("La1"), QStringLiteral("Lb1"),
            QStringLiteral("Lb2")};
}

struct AtomData
{
    QString symbol;
    int z = -1;
    double atomicWeight = MissingValue;
    double edge[EDGE_COUNT] = {MissingValue, MissingValue, MissingValue, MissingValue,
                               MissingValue};
    double coefC[EDGE_COUNT] = {MissingValue, MissingValue, MissingValue, MissingValue,
                                MissingValue};
    double coefD[EDGE_COUNT] = {MissingValue, MissingValue, MissingValue, MissingValue,
                                MissingValue};
    // Emission-line energies in keV; an absent line is 0 (so it never falls inside a plotted
    // range).
    double line[LINE_COUNT] = {0, 0, 0, 0, 0, 0, 0};
};
