#pragma once

// Ion chambers before and after the sample, and the shot noise of a transmission measurement
// with them. The gases and their energies per ion pair are in data/DetectorConstants.h; the
// cross sections always come from the tabulation (photoabsorption for what the chamber counts,
// the total attenuation for what it lets through).

#include "CrossSectionTable.h"
#include "XrayDataBase.h"

#include <QString>
#include <QVector>

struct IonGas;

struct GasShare
{
    const IonGas *gas = nullptr;
    double fraction = 0; // mole fraction; the shares of a mixture add up to 1
};

struct GasMixture
{
    QVector<GasShare> shares;
};

// Reads a chamber's gas: names separated by spaces, each with an optional mole fraction after a
// colon ("N2", "N2:0.8 Ar:0.2", "air"); the fractions are normalised, a name without one counts
// 1, a name given twice adds up. Names are matched without regard to case. False, and mixture
// untouched, for a text that is not such a list.
bool parseGasMixture(const QString &text, GasMixture *mixture);

// The names a gas may be written with, for messages: "He, N2, ...".
QString gasNames();

// Moles of molecules per cm3 of an ideal gas at the pressure [bar] and CHAMBER_TEMPERATURE_K.
double gasMolesPerCm3(double pressureBar);

struct ChamberAbsorption
{
    double absorbed = 0;     // share of the entering photons photoabsorbed in the gas
    double transmitted = 0;  // share leaving it, after the total attenuation
    double pairEnergyEV = 0; // W of the mixture: ion pairs add up, each gas by its share of
                             // the photoabsorbed photons
};

// The chamber's absorption at E [keV], its gas at the pressure [bar] over the length [cm]. An
// element the table lacks absorbs nothing.
ChamberAbsorption chamberAbsorption(const GasMixture &gas, double lengthCm, double pressureBar,
                                    double energyKeV, const CrossSectionTable &table,
                                    const XrayDataBase &db);

// Photons per second entering a chamber that gives the current [A] at E [keV]: each absorbed
// photon leaves E / W ion pairs, whose charge the chamber collects (no recombination, no
// Compton electrons, no escape of fluorescence). Not finite when the chamber absorbs nothing.
double fluxFromCurrent(double currentA, double energyKeV, const ChamberAbsorption &chamber);

// Shot noise of a transmission point: the flux at the sample [photons/s] over the point time
// [s]; the I0 chamber before it absorbs f0 of what enters it and lets t0 through, the It chamber
// after it absorbs f1; the sample has mu t (total) and the edge step d-mu t. Counts are the
// photons each chamber absorbs, N0 = flux t f0 / t0 and N1 = flux t exp(-mu t) f1.
struct TransmissionPoint
{
    double sampleFlux = 0;
    double pointTime = 0;
    double f0 = 0;
    double t0 = 1;
    double f1 = 0;
    double muT = 0;
    double dMuT = 0;
};

// sigma(mu t) / d-mu t = sqrt(1 / N0 + 1 / N1) / d-mu t.
double transmissionChiNoise(const TransmissionPoint &p);
// The point time that brings that noise to the target (the point's own time is not used).
double transmissionTimeFor(const TransmissionPoint &p, double targetChiNoise);
// The total mu t at which a sample of fixed composition, made thicker or thinner, has the
// smallest noise of chi: the root above 2 of exp(x) (x - 2) = 2 t0 f1 / f0 (exactly 2 when the
// I0 chamber's noise is nothing). Not finite when either chamber absorbs nothing.
double bestTransmissionMuT(double f0, double t0, double f1);
