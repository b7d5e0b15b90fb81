#include "Composition.h"

#include "parse.h"

#include <cmath>

namespace {

// Energies at or below 0 keV have no photon behind them, and within ~1e-70 keV of zero the
// wavelength powers overflow. Such energies absorb nothing here rather than passing an infinity
// or NaN on to curves, extrema and exports that would treat it as a number.
inline bool physicalEnergy(double E)
{
    return E > 0.0 && std::isfinite(E);
}

inline double regionValue(const CompEntry &e, int i, double lambda)
{
    const AtomData *d = e.data;
    if (!(d->coefC[i] > 0.0 && d->coefD[i] > 0.0))
        return 0.0;
    const double l3 = lambda * lambda * lambda;
    const double l4 = lambda * l3;
    const double v = d->atomicWeight * e.amount * (d->coefC[i] * l3 - d->coefD[i] * l4);
    return std::isfinite(v) ? v : 0.0;
}

inline double finiteOrZero(double v)
{
    return std::isfinite(v) ? v : 0.0;
}

} // namespace

double Composition::molecularWeight() const
{
    double mw = 0.0;
    for (const CompEntry &e : entries)
        mw += e.amount * e.data->atomicWeight;
    return mw;
}

double Composition::entryAbsorption(double E, int k) const
{
    if (k < 0 || k >= entries.size() || !physicalEnergy(E))
        return 0.0;
    const CompEntry &e = entries.at(k);
    if (tabulated) {
        const ElementCrossSections *x = tabulated->element(e.data->z);
        return x ? finiteOrZero(e.data->atomicWeight * e.amount * x->total(E)) : 0.0;
    }
    // The first edge below E decides the region, even when that region has no coefficients.
    for (int i = 0; i < EDGE_COUNT; ++i) {
        if (E > e.data->edge[i])
            return regionValue(e, i, HC_KEV_ANGSTROM / E);
    }
    return 0.0;
}

double Composition::absorption(double E) const
{
    double sum = 0.0;
    const int n = entries.size();
    if (tabulated) {
        if (!physicalEnergy(E))
            return 0.0;
        for (const CompEntry &e : entries) {
            if (const ElementCrossSections *x = tabulated->element(e.data->z))
                sum += finiteOrZero(e.data->atomicWeight * e.amount * x->total(E));
        }
        return sum;
    }
    for (int k = 0; k < n; ++k)
        sum += entryAbsorption(E, k);
    return sum;
}

double Composition::edgeAbsorption(double E, int k, int i) const
{
    if (k < 0 || k >= entries.size() || i < 0 || i >= EDGE_COUNT || !physicalEnergy(E))
        return 0.0;
    const CompEntry &e = entries.at(k);
    if (tabulated) {
        const ElementCrossSections *x = tabulated->element(e.data->z);
        const double share = x ? x->shellShare(i, E) : 0.0;
        if (!(share > 0.0))
            return 0.0;
        return finiteOrZero(e.data->atomicWeight * e.amount * x->photo(E) * share);
    }
    if (!(E > e.data->edge[i]))
        return 0.0;
    const double lambda = HC_KEV_ANGSTROM / E;
    double result = regionValue(e, i, lambda);
    // Subtract the extrapolation of the next region: what remains is the excess that the shell
    // i vacancies cause.
    if (i != EdgeMI && E > e.data->edge[i + 1])
        result -= regionValue(e, i + 1, lambda);
    return result;
}

QString evalComposition(const QString &text, Composition &comp, XrayDataBase &db, ParseNotes *notes)
{
    QString result;
    comp.entries.clear();
    const QVector<Element> list = parseCompString(text, result, db, notes);
    for (const Element &el : list) {
        const AtomData &rec = db[el.symbol];
        if (rec.z >= 1)
            comp.entries.append(CompEntry{el.symbol, &rec, el.amount});
    }
    comp.valid = !comp.entries.isEmpty();
    return result;
}

double pelletMuT(const Composition &tgt, const Composition &bnd, double tgtMolPerArea,
                 double bndPerTgt, double E)
{
    return tgtMolPerArea * (tgt.absorption(E) + bndPerTgt * bnd.absorption(E));
}
