#pragma once

#include "Composition.h"

#include <cmath>

// mu t of the pellet as a callable: tgtMolPerArea * (tgt.absorption(E) + bndPerTgt *
// bnd.absorption(E)). Holds pointers; the compositions must outlive it.
struct PelletAbsorber
{
    const Composition *tgt = nullptr;
    const Composition *bnd = nullptr;
    double tgtMolPerArea = 0;
    double bndPerTgt = 0;

    double operator()(double E) const { return pelletMuT(*tgt, *bnd, tgtMolPerArea, bndPerTgt, E); }
};

// Energy range of the curve from the two range fields: either order, never below 0 keV.
struct MuTRange
{
    double lo = 0;
    double hi = 0;
    bool empty() const { return !(lo < hi); }
};

// The plotted range from its two fields: the start is clamped at 0 keV, and a range whose start
// is not below its end (reversed, equal, or both ends negative) is empty.
inline MuTRange muTRange(double a, double b)
{
    MuTRange r;
    r.lo = a < 0 ? 0.0 : a;
    r.hi = b;
    return r;
}

struct MuTCurveExtent
{
    double min = 1e200;
    double max = -1e200;
};

// Fills points energies spanning range (both ends included) and mu t at each. The extent only
// looks at finite values: an infinity or NaN (from degenerate pellet values) would otherwise
// become the plot's scale. Nothing is allocated; mut is called once per point.
template <typename MuTFunction>
MuTCurveExtent fillMuTCurve(const MuTRange &range, int points, const MuTFunction &mut,
                            double *curveE, double *curve)
{
    MuTCurveExtent extent;
    const double step = (range.hi - range.lo) / (points - 1);
    for (int i = 0; i < points; ++i) {
        const double E = i * step + range.lo;
        const double m = mut(E);
        curve[i] = m;
        if (std::isfinite(m)) {
            if (m > extent.max)
                extent.max = m;
            if (m < extent.min)
                extent.min = m;
        }
        curveE[i] = E;
    }
    return extent;
}

// mu t just below and just above the calculation point, and what follows from them.
struct CalcPointMuT
{
    double below = 0;
    double above = 0;
    double dMuT = 0;         // above - below: every edge inside the interval contributes
    double transmission = 0; // exp(-above)
};

template <typename MuTFunction>
CalcPointMuT muTAtCalcPoint(const MuTFunction &mut, double calcPointE, double delta)
{
    CalcPointMuT r;
    r.below = mut(calcPointE - delta);
    r.above = mut(calcPointE + delta);
    r.dMuT = r.above - r.below;
    r.transmission = std::exp(-r.above);
    return r;
}

// Thickness giving the wanted d-mu t, d-mu t being proportional to the thickness at fixed
// composition and densities. ok is false (and thickness returned unchanged) when the current
// d-mu t is not positive: there is nothing to scale.
double thicknessForDMuT(double thickness, double wantedDMuT, double curDMuT, bool *ok);

enum class BinderSolveStatus {
    Solved,
    TargetAboveWanted,   // the target alone already absorbs more than wanted
    BinderDoesNotAbsorb, // no binder absorption (or no target) at E: mu t does not depend on it
    NoFiniteSolution     // the pellet values give no finite binder share
};

struct BinderForMuT
{
    BinderSolveStatus status = BinderSolveStatus::NoFiniteSolution;
    double bndPerTgt = 0; // mol binder per mol target that gives the wanted mu t
    double bndWeight = 0; // g; only meaningful when solved
};

// Binder weight that brings the pellet's mu t at E to wantedMuT, with the amount of target per
// area kept.
BinderForMuT binderForMuT(const Composition &tgt, const Composition &bnd, double tgtMolPerArea,
                          double tgtWeight, double wantedMuT, double E);

// Suitability for fluorescence XAFS from mu t just above the calculation point and the jump.
struct FxafsCheck
{
    double muT = 0;
    double ratioPercent = 0;  // 100 * dMuT / muT
    bool thin = false;        // muT <= 0.1: self-absorption negligible
    bool thickDilute = false; // muT >= 2 and ratio <= 10 %
};

FxafsCheck checkFxafs(double muT, double dMuT);
