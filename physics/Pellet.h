#pragma once

#include "Composition.h"

#include <cmath>

// Arithmetic of the pressed pellet: a target compound diluted in a binder, pressed into a
// cylinder. Internal units: g, cm, cm^2, cm^3, g/cm^3, g/mol; shares in percent.
//
// Nothing here guards a division: a zero diameter, density, weight or share gives the IEEE
// infinity or NaN, which the form shows as it comes. Every function recomputes from its inputs
// alone, so a sane value typed afterwards gives sane results again.

// pi exactly as the pellet formulas have always used it
constexpr double PELLET_PI = 3.1415926535;

// Cross-section of the cylinder [cm^2], formed as ((pi * d) * d) * 0.25.
double pelletArea(double cylDiam);

// Weight share [%] of the target from its molar share [%].
double wtRatioFromMolRatio(double molRatio, double mwT, double mwB);
// Molar share [%] of the target from its weight share [%].
double molRatioFromWtRatio(double wtRatio, double mwT, double mwB);

// Thickness, shares and densities given; the weights follow.
struct PelletThicknessInput
{
    double molRatio = 0;  // %
    double tgtDens = 0;   // g/cm^3
    double bndDens = 0;   // g/cm^3
    double thickness = 0; // cm
    double cylDiam = 0;   // cm
    double mwT = 0;       // g/mol
    double mwB = 0;       // g/mol (0 for an empty binder)
};

struct PelletThicknessResult
{
    double bndPerTgt = 0;     // mol binder per mol target
    double tgtMolPerArea = 0; // mol/cm^2
    double bndMolPerArea = 0; // mol/cm^2; a blank (share 0) has binder alone
    double tgtWeight = 0;     // g
    double bndWeight = 0;     // g
    double totalWeight = 0;   // g
    double volume = 0;        // cm^3
};

// A blank pellet holds binder only: no target moles, so every amount per target mole is
// infinite, and its binder is counted on its own (bndMolPerArea).
inline bool isBlankPellet(double tgtMolPerArea, double bndPerTgt)
{
    return tgtMolPerArea == 0.0 && !std::isfinite(bndPerTgt);
}

// mu t of a pellet, blanks included: the binder's own amount when there is no target.
inline double pelletMuT(const Composition &tgt, const Composition &bnd, double tgtMolPerArea,
                        double bndPerTgt, double bndMolPerArea, double E)
{
    if (isBlankPellet(tgtMolPerArea, bndPerTgt))
        return bndMolPerArea * bnd.absorption(E);
    return pelletMuT(tgt, bnd, tgtMolPerArea, bndPerTgt, E);
}

PelletThicknessResult pelletFromThickness(const PelletThicknessInput &in);

// Weights given; the shares, the thickness and the volume follow.
struct PelletWeightsInput
{
    double tgtWeight = 0; // g
    double bndWeight = 0; // g; ignored when the binder is not valid
    bool bndValid = false;
    double tgtDens = 0; // g/cm^3
    double bndDens = 0; // g/cm^3
    double cylDiam = 0; // cm
    double mwT = 0;     // g/mol
    double mwB = 0;     // g/mol; ignored when the binder is not valid
};

struct PelletWeightsResult
{
    double bndPerTgt = 0;     // mol/mol
    double tgtMolPerArea = 0; // mol/cm^2
    double bndMolPerArea = 0; // mol/cm^2; a blank (target weight 0) has binder alone
    double molRatio = 0;      // %
    double wtRatio = 0;       // %
    double totalWeight = 0;   // g
    double volume = 0;        // cm^3
    double thickness = 0;     // cm
};

PelletWeightsResult pelletFromWeights(const PelletWeightsInput &in);
