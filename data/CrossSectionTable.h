#pragma once

#include "AtomData.h"

#include <QString>
#include <QVector>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

// An absorption edge of the tabulation: the photoabsorption steps up by jumpRatio at energy.
struct TabulatedEdge
{
    QString name;         // the tabulation's shell name: "K", "L1", ..., "M1", "M2", "N1", ...
    int index = -1;       // EdgeK ... EdgeMI, or -1 for a shell the program has no edge for
    double energy = 0.0;  // keV
    double jumpRatio = 1; // photoabsorption just above the edge over the value just below it
};

// Photoabsorption, coherent and incoherent scattering of one element [cm^2/g] on its tabulated
// grid. Each part is a power law between neighbouring grid energies (log-log linear) and never
// reaches across an edge; beyond the grid the outermost interval's power law continues. An energy
// exactly at an edge takes the value below it, as everywhere else in the program.
class ElementCrossSections
{
public:
    enum Part { Photo = 0, Coherent = 1, Incoherent = 2 };

    int z = 0;
    QString symbol;

    // cm^2/g at E [keV]; 0 at an energy that is not positive and finite.
    double value(Part part, double E) const;
    double photo(double E) const { return value(Photo, E); }
    double coherent(double E) const { return value(Coherent, E); }
    double incoherent(double E) const { return value(Incoherent, E); }

    // The sum of the three parts. A mu t curve asks for it at every point for every element, and
    // three exponentials each time would cost several times the two-term table; so it comes from
    // a cubic in E per cell through the exact sum at four points, cells never reaching across a
    // grid energy and short enough for the cubic to stay within 1e-7 of the sum. The cells cover
    // the grid and, below it, the first interval's power laws down to LowestCellEnergy (the L
    // lines of Mg, Al and Si and Li's K line lie there); outside them it is the sum itself. An
    // element's cells (about 500 of 56 bytes, a fifth of a millisecond to build) are built the
    // first time its total is asked for within them: a plan needs a few elements of 92, and
    // building them all would take several times as long as reading the table.
    double total(double E) const
    {
        if (!(E >= cellLo && E <= eLast))
            return totalOutsideCells(E);
        return cellTotal(E);
    }

    // Below the grid the cells reach down to this energy [keV] (or to the grid's start if that
    // is lower): 2^-10 keV, under an electronvolt. Every line and edge of the shipped tables,
    // the excitation and what it scatters into lie above it. Only a mu t curve whose range
    // starts below it has points there (from 0 keV its first few, when the range ends under
    // 2 keV), and those take the exact sum.
    static constexpr double LowestCellEnergy = 1.0 / 1024;
    // How many cells the element holds; 0 until its total is first asked for within them.
    int cellCount() const { return int(cells.size()); }

    // Ascending in energy; every step of the photoabsorption, named or not by the program.
    const QVector<TabulatedEdge> &edges() const { return edgeList; }
    // The tabulated edge with a program index (EdgeK ... EdgeMI); nullptr when the tabulation
    // has no step for that shell (its edge lies below the grid, or the shell does not exist).
    const TabulatedEdge *edge(int index) const;
    double jumpRatio(int index) const;

    // Share of shell index in the photoabsorption at E: of the vacancies the edges between that
    // edge and E leave to it (the product of their 1/J), the shell takes 1 - 1/J of its own
    // edge. 0 when E is not above the edge or the edge is not tabulated.
    double shellShare(int index, double E) const;

private:
    friend class CrossSectionTable;

    // One grid interval: ln v = lnV + slope * (ln E - lnE) for each part, up to eHi.
    struct Segment
    {
        double eHi;
        double lnE;
        double lnV[3];
        double slope[3];
    };
    // One cell of the total: c0 + c1 t + c2 t^2 + c3 t^3, t = (E - eLo) / (eHi - eLo). The
    // last cell ends at eLast, so no energy within the grid walks past it.
    struct Cell
    {
        double eLo;
        double eHi;
        double invWidth;
        double c[4];
    };

    // Sign, exponent and the top five mantissa bits: rises with E, by one every 1/32 octave.
    static std::uint64_t octaveKey(double E)
    {
        std::uint64_t bits;
        std::memcpy(&bits, &E, sizeof bits);
        return bits >> 47;
    }
    double cellTotal(double E) const
    {
        const Cell *k = &cells[bucketStart[std::min(int(octaveKey(E) - keyBase), lastBucket)]];
        while (E > k->eHi)
            ++k;
        const double t = (E - k->eLo) * k->invWidth;
        return k->c[0] + t * (k->c[1] + t * (k->c[2] + t * k->c[3]));
    }
    int segmentFor(double E) const;
    double segmentTotal(const Segment &s, double E) const;
    double totalOutsideCells(double E) const;
    void buildCells() const;

    std::vector<Segment> segments;
    // The cells and their index, filled by buildCells on first use. Until then cellLo is
    // infinite, so that total() takes the way out of the cells and builds them there. The
    // physics runs on one thread; a table shared by threads would need its cells built first.
    // What total() reads lies together, from cells to eLast.
    mutable std::vector<Cell> cells;
    mutable std::vector<std::uint32_t> bucketStart; // first cell to look at, by octaveKey - keyBase
    mutable std::uint64_t keyBase = 0;
    mutable int lastBucket = 0;
    mutable double cellLo = std::numeric_limits<double>::infinity();
    double eLast = -1.0;
    double eFirst = 0.0;
    QVector<TabulatedEdge> edgeList;
    int edgeSlot[EDGE_COUNT] = {-1, -1, -1, -1, -1}; // position in edgeList by program index
};

// Tabulated cross sections of the elements, keyed by Z. Compositions keep a pointer to the
// table, so it is not copied.
class CrossSectionTable
{
public:
    CrossSectionTable() = default;
    CrossSectionTable(const CrossSectionTable &) = delete;
    CrossSectionTable &operator=(const CrossSectionTable &) = delete;

    // Reads a table file (format in CrossSectionTable.cpp). Returns false, leaving the table
    // empty and a message with the line number in *error, when the file cannot be read or any
    // part of it is malformed.
    bool load(const QString &fileName, QString *error = nullptr);

    int size() const { return count; }
    // nullptr for an element the table does not hold.
    const ElementCrossSections *element(int z) const
    {
        return z > 0 && z < int(byZ.size()) && byZ[z].z == z ? &byZ[z] : nullptr;
    }

private:
    std::vector<ElementCrossSections> byZ;
    int count = 0;
};
