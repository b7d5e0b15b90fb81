#include "ScatterTable.h"

#include "TableFile.h"

#include <QList>

#include <algorithm>
#include <cmath>
#include <utility>

// File layout (written by tools/gen_xraydata.py):
//   # comment
//   x <n> <x_0 = 0> <x_1> ... <x_n-1>             (the grid of all elements, ascending, once)
//   element <Z> <symbol> <density g/cm^3> <Compton profile FWHM, atomic units>
//   F <n values>                                                       (the next line)
//   S <n values>                                                       (the line after that)
// F(0) is Z and S(0) is 0; at the positive grid points both are positive, S at most Z (give or
// take the tabulation's overshoot).

namespace {

constexpr int MaxZ = 118;
// F(0) is written as the integer Z; a hair of slack for another writer's rounding.
constexpr double RoundingSlack = 1e-6;
// The tabulation's spline overshoots Z by up to 1e-5 Z for a few elements around 5-20 1/A.
constexpr double OvershootSlack = 1e-4;

bool finiteNumber(const QByteArray &field, double *value)
{
    bool ok = false;
    *value = field.toDouble(&ok);
    return ok && std::isfinite(*value);
}

// The values of a line "<key> v_0 ... v_n-1" (keyWidth 1) or "<key> <n> v_0 ..." (keyWidth 2).
bool valueLine(const QList<QByteArray> &f, const char *key, int keyWidth, int n,
               std::vector<double> *values)
{
    if (f.size() != keyWidth + n || f.at(0) != key)
        return false;
    values->resize(n);
    for (int i = 0; i < n; ++i) {
        if (!finiteNumber(f.at(keyWidth + i), &(*values)[i]))
            return false;
    }
    return true;
}

} // namespace

double ElementScatter::interpolate(const std::vector<double> &lnV, double lx) const
{
    // The interval holding ln x; beyond the grid the last one, whose power law continues.
    const std::vector<double> &g = grid->lnX;
    const int i = int(std::upper_bound(g.cbegin() + 1, g.cend() - 1, lx) - g.cbegin());
    const double t = (lx - g[i - 1]) / (g[i] - g[i - 1]);
    return std::exp(lnV[i - 1] + t * (lnV[i] - lnV[i - 1]));
}

double ElementScatter::formFactor(double x) const
{
    if (!(x > 0.0))
        return f0;
    if (x <= grid->x1) {
        const double r = x / grid->x1;
        return f0 + r * r * (f1 - f0);
    }
    return interpolate(lnF, std::log(x));
}

double ElementScatter::incoherentFunction(double x) const
{
    if (!(x > 0.0))
        return 0.0;
    if (x <= grid->x1) {
        const double r = x / grid->x1;
        return r * r * s1;
    }
    const double lx = std::log(x);
    const double lnLast = grid->lnX.back();
    // S tends to Z: what is still missing falls as it did over the last interval.
    if (lx >= lnLast)
        return z - deficitLast * std::exp(deficitSlope * (lx - lnLast));
    return interpolate(lnS, lx);
}

bool ScatterTable::load(const QString &fileName, QString *error)
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

    std::vector<ElementScatter> table(MaxZ + 1);
    std::shared_ptr<ElementScatter::Grid> grid;
    int points = 0; // on the grid, x = 0 included
    int n = 0;
    while (n < lines.size()) {
        lineNo = n + 1;
        const QByteArray line = lines.at(n++).simplified();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> f = line.split(' ');

        if (f.at(0) == "x") {
            bool countOk = false;
            points = f.size() > 1 ? f.at(1).toInt(&countOk) : 0;
            std::vector<double> x;
            // Two positive points at least, so that beyond the grid there is a power law to go on.
            bool ok = !grid && countOk && points >= 3 && valueLine(f, "x", 2, points, &x) &&
                      x[0] == 0.0 && x[1] > 0.0;
            for (int i = 2; ok && i < points; ++i)
                ok = x[i] > x[i - 1];
            if (!ok)
                return fail(QStringLiteral(
                    "expected one line \"x <n>\" and n ascending grid points, the first 0"));
            grid = std::make_shared<ElementScatter::Grid>();
            grid->x1 = x[1];
            for (int i = 1; i < points; ++i)
                grid->lnX.push_back(std::log(x[i]));
            continue;
        }

        bool zOk = false;
        const int z = f.size() == 5 ? f.at(1).toInt(&zOk) : 0;
        ElementScatter el;
        if (f.at(0) != "element" || !zOk || !finiteNumber(f.at(3), &el.density) ||
            !finiteNumber(f.at(4), &el.profileFwhm) || !(el.density > 0.0) ||
            !(el.profileFwhm > 0.0))
            return fail(QStringLiteral(
                "expected \"element <Z> <symbol> <density> <profile FWHM>\", both positive"));
        if (!grid)
            return fail(QStringLiteral("element %1 before the grid").arg(z));
        if (z < 1 || z > MaxZ || table[z].z != 0)
            return fail(QStringLiteral("element %1 out of range or repeated").arg(z));
        el.symbol = QString::fromLatin1(f.at(2));

        std::vector<double> v[2];
        const char *const keys[2] = {"F", "S"};
        for (int k = 0; k < 2; ++k) {
            lineNo = n + 1;
            const QList<QByteArray> g =
                n < lines.size() ? lines.at(n++).simplified().split(' ') : QList<QByteArray>();
            if (!valueLine(g, keys[k], 1, points, &v[k]))
                return fail(QStringLiteral("element %1: expected \"%2\" and %3 values")
                                .arg(z)
                                .arg(QLatin1String(keys[k]))
                                .arg(points));
        }
        const std::vector<double> &F = v[0], &S = v[1];
        if (std::abs(F[0] - z) > RoundingSlack * z || S[0] != 0.0)
            return fail(QStringLiteral("element %1: F(0) is not Z or S(0) not 0").arg(z));
        for (int i = 1; i < points; ++i) {
            if (!(F[i] > 0.0) || !(S[i] > 0.0) || S[i] > z * (1 + OvershootSlack))
                return fail(QStringLiteral("element %1: F or S out of range at point %2")
                                .arg(z)
                                .arg(i + 1));
            el.lnF.push_back(std::log(F[i]));
            el.lnS.push_back(std::log(S[i]));
        }
        el.grid = grid;
        el.f0 = F[0];
        el.f1 = F[1];
        el.s1 = S[1];
        const double before = std::max(z - S[points - 2], 0.0);
        el.deficitLast = std::max(z - S[points - 1], 0.0);
        if (el.deficitLast > 0.0 && el.deficitLast < before)
            el.deficitSlope =
                std::log(el.deficitLast / before) / (grid->lnX[points - 2] - grid->lnX[points - 3]);
        el.z = z;
        table[z] = std::move(el);
        ++count;
    }
    lineNo = 0;
    if (count == 0)
        return fail(QStringLiteral("no elements"));
    byZ = std::move(table);
    return true;
}
