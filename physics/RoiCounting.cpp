#include "RoiCounting.h"

#include <cmath>
#include <limits>

QStringList roiLineNames(int edge)
{
    switch (edge) {
    case 0:
        return {QStringLiteral("Ka1"), QStringLiteral("Ka2")};
    case 1:
        return {QStringLiteral("Lb3"), QStringLiteral("Lb4")};
    case 2:
        return {QStringLiteral("Lb1")};
    case 3:
        return {QStringLiteral("La1"), QStringLiteral("La2")};
    default:
        return {};
    }
}

double recordedFwhm(const LinePeak &record, const Detector &detector)
{
    return std::hypot(detectorFwhm(detector, record.peakEnergy), record.intrinsicFwhm);
}

Roi roiAroundLines(const QVector<LinePeak> &records, const QString &element,
                   const QStringList &lineNames, const Detector &detector)
{
    double rate = 0;
    double rateEnergy = 0;
    double energies = 0;
    int count = 0;
    for (const LinePeak &p : records) {
        if (p.kind != LinePeak::Kind::Line || p.element != element ||
            !lineNames.contains(p.lineName))
            continue;
        // The target and the binder may both hold the element: its lines count once per entry,
        // which the weighting does not mind.
        rate += p.peakIntensity;
        rateEnergy += p.peakIntensity * p.peakEnergy;
        energies += p.peakEnergy;
        ++count;
    }
    if (count == 0)
        return Roi();
    const double centre =
        rate > 0 && std::isfinite(rateEnergy / rate) ? rateEnergy / rate : energies / count;
    const double fwhm = detectorFwhm(detector, centre);
    return Roi{centre - fwhm, centre + fwhm};
}

RoiRates roiRates(const QVector<LinePeak> &records, const QString &element, const Roi &roi,
                  const Detector &detector, double liveFraction)
{
    // FWHM = 2 sqrt(2 ln 2) sigma; the share between the bounds by the error function.
    constexpr double fwhmPerSigma = 2.3548200450309493;
    RoiRates r;
    for (const LinePeak &p : records) {
        if (!(p.peakIntensity > 0))
            continue;
        const double sigma = recordedFwhm(p, detector) / fwhmPerSigma;
        const double a = (roi.low - p.peakEnergy) / (M_SQRT2 * sigma);
        const double b = (roi.high - p.peakEnergy) / (M_SQRT2 * sigma);
        // erfc on the far side of the centre keeps a distant peak's small share exact.
        const double share = a >= 0   ? 0.5 * (std::erfc(a) - std::erfc(b))
                             : b <= 0 ? 0.5 * (std::erfc(-b) - std::erfc(-a))
                                      : 0.5 * (std::erf(b) - std::erf(a));
        const double inRoi = p.peakIntensity * share * liveFraction;
        if (p.kind == LinePeak::Kind::Line && p.element == element)
            r.signal += inRoi;
        else
            r.background += inRoi;
    }
    return r;
}

double fluorescenceChiNoise(const RoiRates &rates, double time)
{
    if (!(rates.signal > 0))
        return std::numeric_limits<double>::quiet_NaN();
    return std::sqrt((rates.signal + rates.background) * time) / (rates.signal * time);
}

double fluorescenceTimeFor(const RoiRates &rates, double target)
{
    if (!(rates.signal > 0))
        return std::numeric_limits<double>::quiet_NaN();
    const double s = rates.signal * target;
    return (rates.signal + rates.background) / (s * s);
}
