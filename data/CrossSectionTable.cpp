#include "CrossSectionTable.h"

#include "TableFile.h"

#include <algorithm>
#include <cmath>
#include <functional>

// File layout (written by tools/gen_xraydata.py):
//   # comment
//   element <Z> <symbol> <rows>
//   <E keV> <photo> <coherent> <incoherent> [edge name]      (<rows> lines, ascending in E)
// An edge is two lines at one energy: the values below the edge, then the values above it with
// the edge's name. Every stretch between edges, and between an edge and a grid end, holds at
// least two energies, so that each has an interval of its own to interpolate on.

namespace {

constexpr int MaxZ = 118;

struct Row
{
    double e;
    double v[3];
    QString edge;
};

int programEdgeIndex(const QString &name)
{
    static const char *const names[EDGE_COUNT] = {"K", "L1", "L2", "L3", "M1"};
    for (int i = 0; i < EDGE_COUNT; ++i) {
        if (name == QLatin1String(names[i]))
            return i;
    }
    return -1;
}

bool positiveNumber(const QByteArray &field, double *value)
{
    bool ok = false;
    *value = field.toDouble(&ok);
    return ok && std::isfinite(*value) && *value > 0.0;
}

bool physical(double E)
{
    return E > 0.0 && std::isfinite(E);
}

} // namespace

int ElementCrossSections::segmentFor(double E) const
{
    // The first interval reaching up to E; an energy at an edge ends the interval below it.
    const auto it = std::lower_bound(segments.cbegin(), segments.cend() - 1, E,
                                     [](const Segment &s, double e) { return s.eHi < e; });
    return int(it - segments.cbegin());
}

double ElementCrossSections::segmentTotal(const Segment &s, double E) const
{
    const double d = std::log(E) - s.lnE;
    return std::exp(s.lnV[Photo] + s.slope[Photo] * d) +
           std::exp(s.lnV[Coherent] + s.slope[Coherent] * d) +
           std::exp(s.lnV[Incoherent] + s.slope[Incoherent] * d);
}

double ElementCrossSections::totalOutsideCells(double E) const
{
    if (!physical(E))
        return 0.0;
    if (cells.empty() && E >= std::min(LowestCellEnergy, eFirst) && E <= eLast) {
        buildCells();
        return cellTotal(E);
    }
    return segmentTotal(segments[segmentFor(E)], E);
}

double ElementCrossSections::value(Part part, double E) const
{
    if (!physical(E))
        return 0.0;
    const Segment &s = segments[segmentFor(E)];
    return std::exp(s.lnV[part] + s.slope[part] * (std::log(E) - s.lnE));
}

void ElementCrossSections::buildCells() const
{
    auto boundary = [](std::uint64_t key) {
        const std::uint64_t bits = key << 47;
        double e;
        std::memcpy(&e, &bits, sizeof e);
        return e;
    };
    // The cubic through the exact sum at t = 0, 1/3, 2/3, 1, from forward differences in steps
    // of 1/3 turned into powers of t; the two ends come out exact, so the cells join. A grid
    // interval starts as one cell, halved until the cubic meets the sum between its nodes (just
    // above some edges the photoabsorption rises like E^35 for a while, and needs short cells).
    std::function<void(const Segment &, double, double, int)> addCell =
        [&](const Segment &s, double x0, double x1, int depth) {
            const double w = x1 - x0;
            const double f0 = segmentTotal(s, x0), f1 = segmentTotal(s, x0 + w / 3),
                         f2 = segmentTotal(s, x0 + 2 * w / 3), f3 = segmentTotal(s, x1);
            const double d1 = f1 - f0, d2 = f2 - 2 * f1 + f0, d3 = f3 - 3 * f2 + 3 * f1 - f0;
            const Cell cell{
                x0, x1, 1.0 / w, {f0, 3 * d1 - 1.5 * d2 + d3, 4.5 * d2 - 4.5 * d3, 4.5 * d3}};
            bool close = true;
            for (double t : {1.0 / 6, 0.5, 5.0 / 6}) {
                const double cubic = cell.c[0] + t * (cell.c[1] + t * (cell.c[2] + t * cell.c[3]));
                close = close && std::abs(cubic / segmentTotal(s, x0 + t * w) - 1) < 1e-7;
            }
            if (close || depth == 24) {
                cells.push_back(cell);
            } else {
                addCell(s, x0, x0 + w / 2, depth + 1);
                addCell(s, x0 + w / 2, x1, depth + 1);
            }
        };
    cells.clear();
    const double lowest = std::min(LowestCellEnergy, eFirst);
    // Below the grid the first interval's power laws, an octave at a time, so that the halving
    // starts from cells of one proportion. The grid's first energy belongs to the grid's own
    // first cell (whose value there is the exact sum), not to the end of the last of these.
    for (double lo = lowest; lo < eFirst; lo *= 2)
        addCell(segments.front(), lo, std::min(2 * lo, eFirst), 0);
    if (!cells.empty())
        cells.back().eHi = std::nextafter(eFirst, 0.0);
    double lo = eFirst;
    for (const Segment &s : segments) {
        addCell(s, lo, s.eHi, 0);
        lo = s.eHi;
    }
    keyBase = octaveKey(lowest);
    lastBucket = int(octaveKey(eLast) - keyBase);
    bucketStart.resize(lastBucket + 1);
    size_t c = 0;
    for (int b = 0; b <= lastBucket; ++b) {
        // The cell the walk in total() settles on for the bucket's lowest energy.
        const double e = std::max(lowest, boundary(keyBase + b));
        while (e > cells[c].eHi)
            ++c;
        bucketStart[b] = std::uint32_t(c);
    }
    cellLo = lowest;
}

const TabulatedEdge *ElementCrossSections::edge(int index) const
{
    if (index < 0 || index >= EDGE_COUNT || edgeSlot[index] < 0)
        return nullptr;
    return &edgeList[edgeSlot[index]];
}

double ElementCrossSections::jumpRatio(int index) const
{
    const TabulatedEdge *e = edge(index);
    return e ? e->jumpRatio : 0.0;
}

double ElementCrossSections::shellShare(int index, double E) const
{
    const TabulatedEdge *own = edge(index);
    if (!own || !(E > own->energy))
        return 0.0;
    // A step that falls (the tabulation has a few tiny ones, at M3 edges) frees no shell.
    double share = std::max(0.0, 1.0 - 1.0 / own->jumpRatio);
    for (int j = edgeSlot[index] + 1; j < edgeList.size() && E > edgeList[j].energy; ++j)
        share /= edgeList[j].jumpRatio;
    return share;
}

bool CrossSectionTable::load(const QString &fileName, QString *error)
{
    TableFile in(fileName, error, [this] {
        byZ.clear();
        count = 0;
    });
    if (!in.read())
        return false;
    const QList<QByteArray> &lines = in.lines;
    int &lineNo = in.lineNo;
    const auto fail = [&in](const QString &what) { return in.fail(what); };

    // Turns the rows of one element into its intervals, edges and index.
    auto build = [&](ElementCrossSections &x, const std::vector<Row> &rows) {
        int regionRows = 0;
        for (size_t i = 0; i < rows.size(); ++i) {
            const Row &r = rows[i];
            if (!r.edge.isEmpty()) {
                if (regionRows < 2)
                    return fail(QStringLiteral("%1: fewer than two energies below edge %2")
                                    .arg(x.symbol, r.edge));
                const Row &below = rows[i - 1];
                const TabulatedEdge edge{r.edge, programEdgeIndex(r.edge), r.e,
                                         r.v[0] / below.v[0]};
                for (const TabulatedEdge &seen : qAsConst(x.edgeList)) {
                    if (seen.name == edge.name)
                        return fail(QStringLiteral("%1: edge %2 twice").arg(x.symbol, r.edge));
                }
                if (edge.index >= 0)
                    x.edgeSlot[edge.index] = x.edgeList.size();
                x.edgeList.append(edge);
                regionRows = 1;
                continue;
            }
            if (i > 0 && regionRows > 0) {
                const Row &lo = rows[i - 1];
                ElementCrossSections::Segment s;
                s.eHi = r.e;
                s.lnE = std::log(lo.e);
                const double dLnE = std::log(r.e) - s.lnE;
                for (int p = 0; p < 3; ++p) {
                    s.lnV[p] = std::log(lo.v[p]);
                    s.slope[p] = (std::log(r.v[p]) - s.lnV[p]) / dLnE;
                }
                x.segments.push_back(s);
            }
            ++regionRows;
        }
        if (regionRows < 2)
            return fail(
                QStringLiteral("%1: fewer than two energies above the last edge").arg(x.symbol));

        x.eFirst = rows.front().e;
        x.eLast = rows.back().e;
        return true;
    };

    std::vector<ElementCrossSections> table(MaxZ + 1);
    int n = 0;
    while (n < lines.size()) {
        lineNo = n + 1;
        const QByteArray line = lines.at(n++).simplified();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> head = line.split(' ');
        bool zOk = false, rowsOk = false;
        const int z = head.size() == 4 ? head.at(1).toInt(&zOk) : 0;
        const int rowCount = head.size() == 4 ? head.at(3).toInt(&rowsOk) : 0;
        if (head.at(0) != "element" || !zOk || !rowsOk)
            return fail(QStringLiteral("expected \"element <Z> <symbol> <rows>\""));
        if (z < 1 || z > MaxZ || table[z].z != 0)
            return fail(QStringLiteral("element %1 out of range or repeated").arg(z));
        if (rowCount < 2 || rowCount > 0xffff)
            return fail(QStringLiteral("element %1: %2 rows").arg(z).arg(rowCount));

        ElementCrossSections &x = table[z];
        x.symbol = QString::fromLatin1(head.at(2));
        std::vector<Row> rows(rowCount);
        for (int i = 0; i < rowCount; ++i) {
            lineNo = n + 1;
            if (n >= lines.size())
                return fail(QStringLiteral("element %1 ends after %2 of %3 rows")
                                .arg(z)
                                .arg(i)
                                .arg(rowCount));
            const QList<QByteArray> f = lines.at(n++).simplified().split(' ');
            Row &r = rows[i];
            if (f.size() < 4 || f.size() > 5 || !positiveNumber(f[0], &r.e) ||
                !positiveNumber(f[1], &r.v[0]) || !positiveNumber(f[2], &r.v[1]) ||
                !positiveNumber(f[3], &r.v[2]))
                return fail(QStringLiteral("expected <E> <photo> <coherent> <incoherent> [edge] "
                                           "with positive numbers"));
            if (f.size() == 5)
                r.edge = QString::fromLatin1(f[4]);
            // Energies rise, except at an edge, which repeats the energy and names itself.
            const bool edgeRow = !r.edge.isEmpty();
            if (i > 0 && !(edgeRow ? r.e == rows[i - 1].e && rows[i - 1].edge.isEmpty()
                                   : r.e > rows[i - 1].e))
                return fail(
                    edgeRow
                        ? QStringLiteral("edge %1 does not repeat the energy before it").arg(r.edge)
                        : QStringLiteral("energies do not rise"));
            if (i == 0 && edgeRow)
                return fail(QStringLiteral("edge %1 has no row below it").arg(r.edge));
        }
        if (!build(x, rows))
            return false;
        x.z = z;
        ++count;
    }
    lineNo = 0;
    if (count == 0)
        return fail(QStringLiteral("no elements"));
    byZ = std::move(table);
    return true;
}
