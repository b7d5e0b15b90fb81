#include "Pellet.h"

// The association order of every product and quotient below is part of the results: the form
// shows three decimals, and the figures users compare against were produced in this order.

double pelletArea(double cylDiam)
{
    return ((PELLET_PI * cylDiam) * cylDiam) * 0.25;
}

double wtRatioFromMolRatio(double molRatio, double mwT, double mwB)
{
    return (mwT * (molRatio * 100.0)) / (mwB * (100.0 - molRatio) + mwT * molRatio);
}

double molRatioFromWtRatio(double wtRatio, double mwT, double mwB)
{
    return (100.0 * wtRatio / mwT) / ((100.0 - wtRatio) / mwB + wtRatio / mwT);
}

PelletThicknessResult pelletFromThickness(const PelletThicknessInput &in)
{
    PelletThicknessResult r;
    r.bndPerTgt = (100.0 - in.molRatio) / in.molRatio;
    // Target concentration [mol/cm^3]: one mole of target fills mwT/tgtDens and brings
    // bndPerTgt * mwB/bndDens of binder volume with it. A binder without density or without share
    // takes no room. (Exact comparisons: a NaN share counts as present.)
    double n;
    if (in.bndDens == 0.0 || r.bndPerTgt == 0.0)
        n = in.tgtDens / in.mwT;
    else
        n = (in.bndDens * in.tgtDens) / (in.mwT * in.bndDens + r.bndPerTgt * in.tgtDens * in.mwB);
    const double area = pelletArea(in.cylDiam);
    r.tgtMolPerArea = n * in.thickness;
    r.tgtWeight = in.mwT * r.tgtMolPerArea * area;
    r.bndWeight = ((r.tgtWeight * r.bndPerTgt) * in.mwB) / in.mwT;
    r.bndMolPerArea = r.tgtMolPerArea * r.bndPerTgt;
    // A share of 0 is a blank: binder alone, by its own density, with nothing per target mole.
    if (in.molRatio == 0.0 && in.mwB > 0.0) {
        r.tgtMolPerArea = 0.0;
        r.tgtWeight = 0.0;
        r.bndMolPerArea = in.bndDens / in.mwB * in.thickness;
        r.bndWeight = in.mwB * r.bndMolPerArea * area;
    }
    r.totalWeight = r.tgtWeight + r.bndWeight;
    r.volume = area * in.thickness;
    return r;
}

PelletWeightsResult pelletFromWeights(const PelletWeightsInput &in)
{
    PelletWeightsResult r;
    const double wT = in.tgtWeight;
    const double wB = in.bndValid ? in.bndWeight : 0.0;
    const double mwB = in.bndValid ? in.mwB : 1.0;
    r.bndPerTgt = in.bndValid ? (in.mwT / mwB) * wB / wT : 0.0;
    const double nT = wT / in.mwT;
    const double nB = wB / mwB;
    const double area = pelletArea(in.cylDiam);
    r.tgtMolPerArea = nT / area;
    r.bndMolPerArea = nB / area;
    r.molRatio = 100.0 * nT / (nT + nB);
    r.wtRatio = 100.0 * wT / (wT + wB);
    r.totalWeight = wT + wB;
    r.volume = wT / in.tgtDens + wB / in.bndDens;
    r.thickness = r.volume / area;
    return r;
}
