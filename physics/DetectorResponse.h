#pragma once

// What an energy-dispersive silicon detector makes of the photons that reach it: how many it
// records (a beryllium window in front of a silicon crystal of finite thickness), how wide their
// peaks are (electronic noise plus the Fano-limited statistics of charge creation), and which of
// them lose a silicon K photon out of the crystal and are recorded 1.74 keV low (escape peaks).
// Also the scattered beam that the pellet sends to the detector, which every measured spectrum
// carries beside the fluorescence lines.

#include "CrossSectionTable.h"
#include "FluoLineTable.h"
#include "ScatterTable.h"

#include <QVector>

#include <functional>

// Fano factor and mean energy per electron-hole pair of silicon, and the energy at which the
// resolution of a detector is quoted (Mn Ka).
constexpr double SI_FANO_FACTOR = 0.115;
constexpr double SI_PAIR_ENERGY_KEV = 0.00365;
constexpr double RESOLUTION_REFERENCE_KEV = 5.9;
// m c^2 of the electron [keV].
constexpr double ELECTRON_REST_ENERGY_KEV = 510.99895;

// FWHM [keV] of a peak at E when the detector's FWHM at Mn Ka is fwhmAtMnKa:
// FWHM(E)^2 = FWHM(5.9)^2 + 2.3548^2 F eps (E - 5.9). A value below the Fano limit cannot be
// extrapolated that way (the square would turn negative at low energies), so the result never
// falls below the Fano limit at E itself. E <= 0 gives fwhmAtMnKa.
double detectorFwhm(double fwhmAtMnKa, double E);
// The narrowest FWHM [keV] silicon allows at E, 2.3548 sqrt(F eps E): 0.117 keV at Mn Ka.
double fanoLimitFwhm(double E);

// Energy [keV] of a photon of energy E0 Compton-scattered by thetaRad off an electron at rest.
double comptonEnergy(double E0, double thetaRad);

struct DetectorSettings
{
    double siThicknessMm = 0.45;
    double beWindowUm = 25.0;
};

// Efficiency and escape of one detector, from the tabulated cross sections of Be and Si, the Si
// line data and the element densities.
class DetectorResponse
{
public:
    // False (and efficiency 1, no escape) when a table lacks Be or Si. siKYield is the K
    // fluorescence yield of Si for the escape; 0 takes the line table's.
    bool setUp(const DetectorSettings &settings, const CrossSectionTable &xs,
               const FluoLineTable &lines, const ScatterTable &scatter, double siKYield = 0);

    // Fraction of the photons of energy E arriving at the window that the crystal absorbs:
    // exp(-mu_Be rho_Be t_Be) (1 - exp(-tau_Si rho_Si t_Si)), total attenuation in the window,
    // photoabsorption in the crystal.
    double efficiency(double E) const;

    // Of the photons of energy E absorbed in the crystal, the fraction whose Si K photon leaves
    // it: the semi-infinite crystal at normal incidence (Reed and Ware, J. Phys. E 5 (1972) 582),
    //   (omega_K / 2) k_K(E) [1 - (mu_Ka / tau_E) ln(1 + tau_E / mu_Ka)],
    // with k_K the K shell's share of the photoabsorption at E, tau_E the photoabsorption at E
    // and mu_Ka the attenuation of Si Ka. Si Kb, 0.1 keV above Ka and a few per cent of it, is
    // counted with Ka: no silicon detector separates the two escape peaks. 0 at or below the
    // Si K edge. Escape through the back of a thin crystal is not counted.
    double escapeFraction(double E) const;

    // Where the escape peak of a line of energy E lies: E minus the Si Ka energy.
    double escapeShift() const { return siKaEnergy; }

private:
    bool valid = false;
    const ElementCrossSections *si = nullptr;
    const ElementCrossSections *be = nullptr;
    double siArealDensity = 0; // g/cm^2 of the crystal
    double beArealDensity = 0; // g/cm^2 of the window
    double siKEdge = 0;
    double siKaEnergy = 0;
    double siKaAttenuation = 0; // cm^2/g
    double escapeScale = 0;     // omega_K / 2
};

// One element of the pellet as a scatterer.
struct Scatterer
{
    const ElementScatter *factors = nullptr;
    double massPerArea = 0;  // g/cm^2
    double atomicWeight = 0; // g/mol
};

struct ScatterGeometry
{
    double E0 = 0;            // keV
    double incidenceDeg = 45; // beam to surface
    double exitDeg = 45;      // surface to detector axis, on the far side of the normal
    double distance = 0;      // cm
    double detRadius = 0;     // cm
    bool polarised = true;    // linearly, in the plane of beam and detector axis
};

// The scattered beam that reaches the detector disc, per incident photon, before air, filters
// and detector.
struct ScatterRates
{
    double rayleigh = 0;
    double compton = 0;
    double comptonEnergy = 0; // keV, the mean over the detector's cone (its axis's at rate 0)
    // FWHM [keV] of the Compton peak before the detector's own: Doppler broadening by the
    // electrons' momenta and the spread of scattering angles over the cone, in quadrature.
    double comptonFwhm = 0;
};

// Rayleigh (form factors) and Compton (Klein-Nishina times the incoherent scattering function)
// scattering of a homogeneous layer, integrated over the detector's cone with the layer's self-
// absorption; mut(E) is the layer's total attenuation as a mu t at E. The scattering angle of
// the cone's axis is incidence + exit.
ScatterRates pelletScatter(const ScatterGeometry &geometry, const QVector<Scatterer> &elements,
                           const std::function<double(double)> &mut);
