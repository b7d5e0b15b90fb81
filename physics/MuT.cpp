#include "MuT.h"

double thicknessForDMuT(double thickness, double wantedDMuT, double curDMuT, bool *ok)
{
    const bool scalable = curDMuT > 0;
    if (ok)
        *ok = scalable;
    if (!scalable)
        return thickness;
    return thickness * wantedDMuT / curDMuT;
}

BinderForMuT binderForMuT(const Composition &tgt, const Composition &bnd, double tgtMolPerArea,
                          double tgtWeight, double wantedMuT, double E)
{
    BinderForMuT r;
    const double bndAbs = bnd.absorption(E);
    r.bndPerTgt = (wantedMuT - tgtMolPerArea * tgt.absorption(E)) / (bndAbs * tgtMolPerArea);
    if (r.bndPerTgt < 0) {
        r.status = BinderSolveStatus::TargetAboveWanted;
        return r;
    }
    if (!std::isfinite(r.bndPerTgt)) {
        // A non-absorbing binder gives a zero divisor; say so rather than store an infinity.
        r.status = (bndAbs == 0.0) ? BinderSolveStatus::BinderDoesNotAbsorb
                                   : BinderSolveStatus::NoFiniteSolution;
        return r;
    }
    r.bndWeight = (bnd.molecularWeight() * r.bndPerTgt) / tgt.molecularWeight() * tgtWeight;
    r.status = BinderSolveStatus::Solved;
    return r;
}

FxafsCheck checkFxafs(double muT, double dMuT)
{
    FxafsCheck c;
    c.muT = muT;
    c.ratioPercent = 100.0 * dMuT / muT;
    // An infinite or undefined mu t comes from degenerate pellet values, never from a sample
    // that could be measured: it passes no criterion.
    const bool finite = std::isfinite(muT) && std::isfinite(c.ratioPercent);
    c.thin = std::isfinite(muT) && muT <= 0.1;
    c.thickDilute = finite && muT >= 2.0 && c.ratioPercent <= 10.0;
    return c;
}
