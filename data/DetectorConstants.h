#pragma once

// What the crystal of an energy-dispersive detector is made of, beyond what the generated tables
// hold. Density, absorption edges, emission lines and cross sections of the material come from
// those tables by its atomic number; the two constants of charge creation below are in no
// library the tables are written from, so they are kept here, each with where it comes from;
// so are the gases of the ion chambers. Listed in data/SOURCES.md.

#include <string_view>

struct DetectorMaterial
{
    const char *symbol;
    int z;                // atomic number: the row of the generated tables
    double fanoFactor;    // variance over mean of the number of charge carriers
    double pairEnergyKeV; // mean energy spent per electron-hole pair [keV]
};

constexpr DetectorMaterial DETECTOR_MATERIALS[] = {
    // Si.
    // Fano factor 0.115: the theoretical value for silicon of R. C. Alig, S. Bloom and
    //   C. W. Struck, Phys. Rev. B 22 (1980) 5565, as listed in the Wikipedia article "Fano
    //   factor"; measured at Mn Ka: 0.119 +- 0.002 (D. Rodrigues et al., "Absolute measurement
    //   of the Fano factor using a Skipper-CCD", arXiv:2004.11499, at 123 K).
    // Pair energy 3.65 eV: C. Canali, M. Martini, G. Ottaviani and A. Alberigi Quaranta, IEEE
    //   Trans. Nucl. Sci. 19 (1972), doi:10.1109/TNS.1972.4326778, measured 5-320 K and fitted
    //   2.15 Eg(T) + 1.21 eV, normalised to 3.62 eV at 300 K; with the band gap of silicon at
    //   about 240 K, where Peltier-cooled detectors work, that is 3.65 eV.
    {"Si", 14, 0.115, 0.00365},
};

// The row of a material by its symbol, or nullptr.
constexpr const DetectorMaterial *detectorMaterial(std::string_view symbol)
{
    for (const DetectorMaterial &m : DETECTOR_MATERIALS) {
        if (symbol == m.symbol)
            return &m;
    }
    return nullptr;
}

// The gases of an ion chamber: each by its molecule (atoms of the generated tables' elements, per
// molecule; air per mole of its molecules, as the program's air elsewhere) and the mean energy
// spent per ion pair W [eV] for X-rays and fast electrons. The W values are those of G. F. Knoll,
// Radiation Detection and Measurement (Wiley), Table 5-1, and ICRU Report 31, "Average Energy
// Required to Produce an Ion Pair" (1979), as xraydb's ionization_potential tabulates them.
struct IonGasAtom
{
    const char *symbol;
    double count;
};

struct IonGas
{
    const char *name;    // as typed in a chamber's gas field
    IonGasAtom atoms[3]; // unused entries have a null symbol
    double pairEnergyEV; // W
};

constexpr IonGas ION_GASES[] = {
    {"He", {{"He", 1}, {nullptr, 0}, {nullptr, 0}}, 41.3},
    {"N2", {{"N", 2}, {nullptr, 0}, {nullptr, 0}}, 34.8},
    {"Ne", {{"Ne", 1}, {nullptr, 0}, {nullptr, 0}}, 35.4},
    {"Ar", {{"Ar", 1}, {nullptr, 0}, {nullptr, 0}}, 26.4},
    {"Kr", {{"Kr", 1}, {nullptr, 0}, {nullptr, 0}}, 24.4},
    {"Xe", {{"Xe", 1}, {nullptr, 0}, {nullptr, 0}}, 22.1},
    // Dry air by volume: N2 78.084 %, O2 20.946 %, Ar 0.934 % (the trace gases left out).
    {"air", {{"N", 1.56168}, {"O", 0.41896}, {"Ar", 0.00934}}, 33.8},
    {"CO2", {{"C", 1}, {"O", 2}, {nullptr, 0}}, 33.0},
};

// Gas constant [J/(mol K)] (N_A k, both exact in the SI since 2019) and elementary charge [C],
// and the temperature every chamber is taken at (20 degrees C).
constexpr double GAS_CONSTANT = 8.31446261815324;
constexpr double ELEMENTARY_CHARGE = 1.602176634e-19;
constexpr double CHAMBER_TEMPERATURE_K = 293.15;
