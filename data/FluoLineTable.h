#pragma once

#include <QString>
#include <QVector>

#include <vector>

// The subshells the detailed fluorescence model follows, indexed like the edges (EdgeK ...
// EdgeLIII).
constexpr int FLUO_SHELL_COUNT = 4;

// One emission line: the vacancy it fills, its energy and its share of that subshell's
// radiative emission.
struct EmissionLine
{
    QString name;      // "Ka1", "Kb1_3", "Lb2_15", ...: ASCII, no commas
    int shell = 0;     // EdgeK, EdgeLI, EdgeLII or EdgeLIII
    double energy = 0; // keV
    double rate = 0;   // share of the shell's radiative emission, 0 ... 1
};

// What an element's vacancies in K, L1, L2 and L3 turn into.
struct ElementLines
{
    int z = 0;
    QString symbol;
    double yield[FLUO_SHELL_COUNT] = {0, 0, 0, 0}; // fluorescence yields of K, L1, L2, L3
    // Single-step Coster-Kronig probabilities: L1 to L2, L1 to L3, L2 to L3. An L1 vacancy
    // reaches L3 through L2 as well, with f12 f23, which f13 does not include.
    double f12 = 0;
    double f13 = 0;
    double f23 = 0;
    double kToL[3] = {0, 0, 0};  // L1, L2, L3 vacancies one K vacancy leaves, radiative and Auger
    QVector<EmissionLine> lines; // by shell, then by energy
    // Each subshell's share of the photoabsorption on a grid from its edge up, as ln E [keV]
    // and ln share; empty for a subshell the table gives none (no line draws on it).
    QVector<double> shareLogE[FLUO_SHELL_COUNT];
    QVector<double> shareLog[FLUO_SHELL_COUNT];

    // The subshell's share of the photoabsorption at E, log-log between grid points and
    // constant beyond either end: the caller decides where the edge is. 0 without a grid.
    double photoShare(int shell, double E) const;
    double photoShareAtLog(int shell, double lnE) const; // the same at ln E
};

// Emission lines, yields and vacancy transfer of the elements, keyed by Z (data/FluoLines.txt).
class FluoLineTable
{
public:
    // Reads a table file (format in FluoLineTable.cpp). Returns false, leaving the table empty
    // and a message with the line number in *error, when the file cannot be read or any part of
    // it is malformed.
    bool load(const QString &fileName, QString *error = nullptr);

    int size() const { return count; }
    // nullptr for an element the table does not hold.
    const ElementLines *element(int z) const
    {
        return z > 0 && z < int(byZ.size()) && byZ[z].z == z ? &byZ[z] : nullptr;
    }

private:
    std::vector<ElementLines> byZ;
    int count = 0;
};
