#pragma once

// The description of an energy-dispersive detector that the models read, and the peak widths it
// gives.

#include "DetectorConstants.h"

#include <QVector>

// The energy at which the resolution of a detector is quoted (Mn Ka).
constexpr double RESOLUTION_REFERENCE_KEV = 5.9;

// A window in front of the crystal: a foil of one element. It attenuates as
// exp(-(mu/rho)(E) rho t) with the element's tabulated total cross section per gram and its bulk
// density from the scatter table, on a mass basis rather than as a Layer of a composition, whose
// absorption per mole would round differently on the way to the same number.
struct DetectorWindow
{
    int z = 4; // Be
    double thicknessUm = 25.0;
};

// One energy-dispersive detector: its crystal and windows, where it stands and what its
// electronics make of the charge.
struct Detector
{
    DetectorMaterial material = *detectorMaterial("Si");
    double crystalThicknessMm = 0.45;
    QVector<DetectorWindow> windows{DetectorWindow()}; // from the sample's side inwards
    double radiusCm = 0;                               // of the sensitive area
    double distanceCm = 0;                             // from the sample, on the detector's axis
    // Resolution, FWHM [keV] at Mn Ka. The classic model gives every peak this width; the
    // detailed one extrapolates it with detectorFwhm().
    double fwhm = 0;
    double deadTimeUs = 0; // per recorded event
};

// The narrowest FWHM [keV] the material allows at E, 2.3548 sqrt(F eps E): 0.117 keV at Mn Ka in
// silicon.
double fanoLimitFwhm(const DetectorMaterial &material, double E);

// FWHM [keV] of a peak at E for the detector's FWHM at Mn Ka:
// FWHM(E)^2 = FWHM(5.9)^2 + 2.3548^2 F eps (E - 5.9). A value below the Fano limit cannot be
// extrapolated that way (the square would turn negative at low energies), so the result never
// falls below the Fano limit at E itself. E <= 0 gives the FWHM at Mn Ka.
double detectorFwhm(const Detector &detector, double E);
