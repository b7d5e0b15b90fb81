#pragma once

// What an energy-dispersive detector makes of the photons that reach it: how many it records
// (windows in front of a crystal of finite thickness), how wide their peaks are (electronic noise
// plus the Fano-limited statistics of charge creation), and which of them lose a K photon of the
// crystal out of it and are recorded that much low (escape peaks; 1.74 keV for silicon). Also the
// scattered beam that the pellet sends to the detector, which every measured spectrum carries
// beside the fluorescence lines.

#include "CrossSectionTable.h"
#include "Detector.h"
#include "FluoLineTable.h"
#include "ScatterTable.h"

#include <QVector>

#include <functional>

// m c^2 of the electron [keV].
constexpr double ELECTRON_REST_ENERGY_KEV = 510.99895;

// Energy [keV] of a photon of energy E0 Compton-scattered by thetaRad off an electron at rest.
double comptonEnergy(double E0, double thetaRad);

// Efficiency and escape of one detector, from the tabulated cross sections of its crystal and
// windows, the crystal's line data and the element densities.
class DetectorResponse
{
public:
    // False (and efficiency 1, no escape) when a table lacks one of the crystal's elements or a
    // window's. kYield is the K fluorescence yield of a crystal of one element for the escape;
    // 0, and always for a crystal of several, takes the line table's.
    bool setUp(const Detector &detector, const CrossSectionTable &xs, const FluoLineTable &lines,
               const ScatterTable &scatter, double kYield = 0);

    // Fraction of the photons of energy E arriving at the first window that the crystal absorbs:
    // the windows' and the dead layer's transmission exp(-sum of mu rho t), total attenuation,
    // times (1 - exp(-tau rho t)) of the crystal, photoabsorption.
    double efficiency(double E) const;

    // The escape peaks a photon absorbed in the crystal can give: one for silicon (its Ka and
    // Kb together), a Ka and a Kb for each element of a crystal whose material names its escape
    // lines.
    int escapeLineCount() const { return valid ? escapes.size() : 0; }
    // What the escape peak of a line adds to the line's name: "_esc", or "_escGeKa".
    const QString &escapeSuffix(int line) const { return escapes.at(line).suffix; }
    // Where the escape peak of a line of energy E lies: E minus this.
    double escapeShift(int line) const { return escapes.at(line).energy; }
    double escapeShift() const { return escapes.isEmpty() ? 0.0 : escapes.first().energy; }

    // Of the photons of energy E absorbed in the crystal, the fraction whose photon of this
    // escape line leaves it: the semi-infinite crystal at normal incidence (Reed and Ware,
    // J. Phys. E 5 (1972) 582),
    //   (omega_K / 2) k_K(E) r [1 - (mu_l / tau_E) ln(1 + tau_E / mu_l)],
    // with k_K the share of the whole crystal's photoabsorption at E that goes to the K shell of
    // the line's element, r the line's share of that element's K emission, tau_E the crystal's
    // photoabsorption at E and mu_l its total attenuation at the line. Silicon's one line is
    // at Ka with r = 1: its Kb, 0.1 keV above Ka and a few per cent of it, is counted with Ka,
    // as no silicon detector separates the two escape peaks. 0 at or below the element's K
    // edge. Escape through the back of a thin crystal is not counted.
    double escapeFraction(double E, int line) const;
    // The sum over the escape lines.
    double escapeFraction(double E) const;

private:
    struct Part
    {
        const ElementCrossSections *xs = nullptr;
        double massFraction = 1;
    };
    struct Window
    {
        QVector<Part> parts;
        double arealDensity = 0; // g/cm^2
    };
    struct Escape
    {
        int part = 0;           // the crystal element whose K shell it empties
        double energy = 0;      // keV
        double attenuation = 0; // the crystal's total mu/rho at it, cm^2/g
        double scale = 0;       // omega_K r / 2
        QString suffix;
    };

    double crystalPhoto(double E) const;

    bool valid = false;
    QVector<Part> crystal;
    QVector<double> kEdges; // by part
    QVector<Window> windows;
    double deadLayerArealDensity = 0; // g/cm^2
    double crystalArealDensity = 0;   // g/cm^2
    QVector<Escape> escapes;
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
