#pragma once

// What the crystal of an energy-dispersive detector is made of, beyond what the generated tables
// hold. Density, absorption edges, emission lines and cross sections of the material come from
// those tables by its atomic number; the two constants of charge creation below are in no
// library the tables are written from, so they are kept here, each with where it comes from;
// so are the gases of the ion chambers. Listed in data/SOURCES.md.

#include <string_view>

// One kind of atom of a crystal, how many of it a formula unit holds, and its standard atomic
// weight (IUPAC, conventional values, as xraydb carries them), for the mass fractions.
struct DetectorAtom
{
    int z;        // 0: none
    double count; // per formula unit
    double atomicWeight;
};

struct DetectorMaterial
{
    const char *symbol;
    int z;                // atomic number of its first element (its only one for Si and Ge)
    double fanoFactor;    // variance over mean of the number of charge carriers
    double pairEnergyKeV; // mean energy spent per electron-hole pair [keV]
    DetectorAtom atoms[2];
    double density; // g/cm^3
    // The K lines of the crystal's elements leave it as separate escape peaks, Ka and Kb of each
    // element, named after the line that escapes. Without it one escape peak at Ka carries the
    // whole K emission, as silicon's Ka and Kb lie 0.1 keV apart.
    bool escapeByLine;
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
    // Density 2.329 g/cm^3: xraydb's density of the element, the one of the generated tables.
    {"Si", 14, 0.115, 0.00365, {{14, 1, 28.085}, {0, 0, 0}}, 2.329, false},
    // Ge, high-purity, at 77 K.
    // Fano factor 0.106: B. G. Lowe, "Measurements of Fano factors in silicon and germanium in
    //   the low-energy X-ray region", Nucl. Instrum. Meth. A 399 (1997) 354, 0.1057 +- 0.0002 at
    //   5.9 keV in cryogenic germanium (values up to 0.13 are quoted for gamma-ray detectors).
    // Pair energy 2.96 eV at 77 K: G. F. Knoll, Radiation Detection and Measurement, 4th ed.
    //   (Wiley, 2010), Table 11.1.
    // Density 5.323 g/cm^3: xraydb's density of the element.
    {"Ge", 32, 0.106, 0.00296, {{32, 1, 72.630}, {0, 0, 0}}, 5.323, true},
    // CdTe, one Cd to one Te.
    // Pair energy 4.43 eV at room temperature, as the review of A. Owens and A. Peacock,
    //   "Compound semiconductor radiation detectors", Nucl. Instrum. Meth. A 531 (2004) 18,
    //   gives it. Fano factor 0.1: the Fano factors reported for CdTe scatter over 0.1-0.15;
    //   0.089 +- 0.005 was measured in CdZnTe (R. H. Redus et al., "Fano factor determination
    //   for CZT", MRS Online Proceedings Library (1998)), so the low end.
    // Density 5.85 g/cm^3: xraydb's list of materials (materials.dat, "CdTe").
    {"CdTe", 48, 0.1, 0.00443, {{48, 1, 112.414}, {52, 1, 127.60}}, 5.85, true},
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

// Materials of the windows over a sample, offered by name: formula and density [g/cm^3]. Kapton,
// polypropylene and Mylar as xraydb's list of materials (materials.dat) has them; tape as the
// cellulose triacetate film of office tape, C12H16O8 at 1.3 g/cm^3 (Polymer Handbook, 4th ed.,
// Wiley 1999: 1.28-1.33), its few micrometres of acrylic adhesive left out.
struct WindowMaterial
{
    const char *name;
    const char *formula;
    double density;
};

constexpr WindowMaterial WINDOW_MATERIALS[] = {
    {"Kapton", "C22H10N2O5", 1.42},
    {"polypropylene", "C3H6", 0.86},
    {"Mylar", "C10H8O4", 1.4},
    {"tape", "C12H16O8", 1.3},
};
