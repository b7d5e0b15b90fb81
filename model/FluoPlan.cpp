#include "FluoPlan.h"

#include "VectorState.h"

#include <QIODevice>
#include <QTextStream>

#include <cmath>

void FluoPlan::simulate(const SpectrumInput &in, const DetailedInput *detailed)
{
    noteVectorState();
    detailedModel = detailed != nullptr;
    detector = in.detector;
    if (!detailed) {
        ::simulateSpectrum(in, fluoSpectrum, result);
        return;
    }
    if (linesDirty) {
        DetailedInput d = *detailed;
        d.spectrum = in;
        computeDetailedLines(d, detailedLines);
        linesDirty = false;
    }
    renderDetailedSpectrum(detailedLines, in, fluoSpectrum, result);
}

double FluoPlan::deadTimePercent() const
{
    // Paralysable: of n events per second, exp(-n tau) find the detector ready; each element
    // of an array counts its own n.
    return -100.0 * std::expm1(-detailedLines.countRatePerElement() * deadTimePerEvent());
}

double FluoPlan::liveFraction() const
{
    return std::exp(-detailedLines.countRatePerElement() * deadTimePerEvent());
}

double FluoPlan::advisedDistance() const
{
    // Find the distance whose solid angle brings the rate down to the one that gives the
    // advised dead time.
    const double wanted = -std::log1p(-DEAD_TIME_ADVISED / 100.0) / deadTimePerEvent();
    const double radius = detector.radiusCm;
    const double fraction = discSolidAngleFraction(detector.distanceCm, radius) * wanted /
                            detailedLines.countRatePerElement();
    const double c = 1.0 - 2.0 * fraction; // D / sqrt(D^2 + R^2)
    return c * radius / std::sqrt((1.0 - c) * (1.0 + c));
}

bool FluoPlan::writeSpectrumTable(QIODevice &device, const double *gridE, const double *mut,
                                  bool csv) const
{
    // The spectrum column is the one of the last simulation, in its "Peak" or "Integ." form.
    // Ten significant digits keep neighbouring energies of a narrow window apart above 10 keV.
    QTextStream out(&device);
    out.setRealNumberPrecision(10);
    const char separator = csv ? ',' : '\t';
    if (csv)
        out << "energy_keV,mu_t,intensity\n";
    for (int i = 0; i < MUT_POINTS; ++i)
        out << gridE[i] << separator << mut[i] << separator << fluoSpectrum[i] << '\n';
    out.flush();
    return out.status() == QTextStream::Ok;
}

bool FluoPlan::tableFinite(const double *gridE, const double *mut) const
{
    for (int i = 0; i < MUT_POINTS; ++i) {
        if (!std::isfinite(gridE[i]) || !std::isfinite(mut[i]) || !std::isfinite(fluoSpectrum[i]))
            return false;
    }
    return true;
}

QString FluoPlan::lineTable(bool simulated, bool detailed) const
{
    return lineTableCsv(simulated ? result.linePeaks : QVector<LinePeak>(), detailed);
}
