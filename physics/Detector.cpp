#include "Detector.h"

#include "PhysicsCommon.h"

#include <algorithm>
#include <cmath>

double fanoLimitFwhm(const DetectorMaterial &material, double E)
{
    return E > 0 ? SIGMA_TO_FWHM * std::sqrt(material.fanoFactor * material.pairEnergyKeV * E)
                 : 0.0;
}

double detectorFwhm(const Detector &detector, double E)
{
    const double fwhmAtMnKa = detector.fwhm;
    if (!(E > 0))
        return fwhmAtMnKa;
    const DetectorMaterial &m = detector.material;
    const double k = SIGMA_TO_FWHM * SIGMA_TO_FWHM * m.fanoFactor * m.pairEnergyKeV;
    const double square = fwhmAtMnKa * fwhmAtMnKa + k * (E - RESOLUTION_REFERENCE_KEV);
    return std::sqrt(std::max(square, k * E));
}
