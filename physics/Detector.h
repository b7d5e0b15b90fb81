#pragma once

// The description of an energy-dispersive detector that the models read, and the peak widths it
// gives.

#include "Composition.h"
#include "DetectorConstants.h"

#include <QVector>

// The energy at which the resolution of a detector is quoted (Mn Ka).
constexpr double RESOLUTION_REFERENCE_KEV = 5.9;

// A window in front of the crystal. By default a foil of one element, z, at its bulk density
// from the scatter table: it attenuates as exp(-(mu/rho)(E) rho t) with the element's tabulated
// total cross section per gram, on a mass basis rather than as a Layer of a composition, whose
// absorption per mole would round differently on the way to the same number. With a valid
// composition (a polymer, say) the window is that material at density instead, its mu/rho the
// mass-weighted sum of its elements'.
struct DetectorWindow
{
    int z = 4; // Be
    double thicknessUm = 25.0;
    Composition composition; // not valid: the element z
    double density = 0;      // g/cm^3, for the composition
};

// One energy-dispersive detector: its crystal and windows, where it stands and what its
// electronics make of the charge. An array of elements repeats the one described: each has the
// same crystal, radius and distance, so the solid angle and every rate grow N times, while each
// element counts, loses its dead time and piles up at its own rate, the N-th part.
struct Detector
{
    DetectorMaterial material = *detectorMaterial("Si");
    double crystalThicknessMm = 0.45;
    QVector<DetectorWindow> windows{DetectorWindow()}; // from the sample's side inwards
    // Of the crystal's own material, between the windows and the crystal: it absorbs (total
    // attenuation) and records nothing.
    double deadLayerUm = 0;
    double radiusCm = 0;   // of the sensitive area
    double distanceCm = 0; // from the sample, on the detector's axis
    int elements = 1;      // N of an array
    // Resolution, FWHM [keV] at Mn Ka. The classic model gives every peak this width; the
    // detailed one extrapolates it with detectorFwhm().
    double fwhm = 0;
    double deadTimeUs = 0; // per recorded event, of each element
};

// The narrowest FWHM [keV] the material allows at E, 2.3548 sqrt(F eps E): 0.117 keV at Mn Ka in
// silicon.
double fanoLimitFwhm(const DetectorMaterial &material, double E);

// FWHM [keV] of a peak at E for the detector's FWHM at Mn Ka:
// FWHM(E)^2 = FWHM(5.9)^2 + 2.3548^2 F eps (E - 5.9). A value below the Fano limit cannot be
// extrapolated that way (the square would turn negative at low energies), so the result never
// falls below the Fano limit at E itself. E <= 0 gives the FWHM at Mn Ka.
double detectorFwhm(const Detector &detector, double E);
