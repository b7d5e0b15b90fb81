#pragma once

// What the crystal of an energy-dispersive detector is made of, beyond what the generated tables
// hold. Density, absorption edges, emission lines and cross sections of the material come from
// those tables by its atomic number; the two constants of charge creation below are in no
// library the tables are written from, so they are kept here, each with where it comes from.
// Listed in data/SOURCES.md.

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
