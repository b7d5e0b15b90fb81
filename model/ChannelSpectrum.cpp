#include "ChannelSpectrum.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double FwhmPerSigma = 2.3548200450309493; // 2 sqrt(2 ln 2)
constexpr double Cutoff = 12;                       // sigmas beyond which a record adds nothing
constexpr double Sqrt2 = 1.4142135623730951;

// The standard normal's mass beyond |x| on x's side: the smaller of Phi(x) and 1 - Phi(x), which
// keeps its digits far from the centre.
double smallerTail(double x)
{
    return 0.5 * std::erfc(std::abs(x) / Sqrt2);
}

// Phi(b) - Phi(a) for a <= b from the smaller tails at a and b, taken on the side of the smaller
// tail so that far from the centre the difference keeps its digits.
double massBetween(double a, double tailA, double b, double tailB)
{
    if (a >= 0)
        return tailA - tailB;
    if (b <= 0)
        return tailB - tailA;
    return 1 - tailA - tailB;
}

} // namespace

ChannelGrid ChannelGrid::of(const MeasuredSpectrum &spectrum)
{
    ChannelGrid g;
    g.offset = spectrum.offset;
    g.gain = spectrum.gain;
    g.count = spectrum.counts.size();
    g.firstChannel = spectrum.firstChannel;
    return g;
}

ChannelGrid ChannelGrid::covering(double gain, double endKeV)
{
    ChannelGrid g;
    g.gain = gain;
    if (gain > 0 && endKeV > 0) {
        const double n = std::floor(endKeV / gain + 0.5) + 1;
        g.count = int(std::min(n, double(MeasuredLimits::MaxChannels)));
    }
    return g;
}

QVector<double> channelCounts(const QVector<LinePeak> &records, const WidthFunction &fwhm,
                              const ChannelGrid &grid, double liveTime)
{
    QVector<double> counts(std::max(grid.count, 0), 0.0);
    if (!(grid.gain > 0))
        return counts;
    const int first = grid.firstChannel;
    const int last = first + grid.count - 1;
    for (const LinePeak &p : records) {
        const double E = p.peakEnergy;
        const double rate = p.peakIntensity;
        if (!(E > 0) || !(rate > 0) || !std::isfinite(E) || !std::isfinite(rate))
            continue;
        const double det = fwhm(E);
        const double s = std::sqrt(det * det + p.intrinsicFwhm * p.intrinsicFwhm) / FwhmPerSigma;
        if (!(s > 0) || !std::isfinite(s))
            continue;
        const double from = std::floor((E - Cutoff * s - grid.offset) / grid.gain);
        const double to = std::ceil((E + Cutoff * s - grid.offset) / grid.gain);
        if (to < first || from > last)
            continue;
        const int c0 = int(std::max(from, double(first)));
        const int c1 = int(std::min(to, double(last)));
        const double scale = rate * liveTime;
        // Neighbouring channels share an edge: its tail is taken once, and the channels' masses
        // add up to the Gaussian's between the outer edges.
        double lo = (grid.centre(c0) - 0.5 * grid.gain - E) / s;
        double tailLo = smallerTail(lo);
        for (int c = c0; c <= c1; ++c) {
            const double hi = (grid.centre(c) + 0.5 * grid.gain - E) / s;
            const double tailHi = smallerTail(hi);
            counts[c - first] += scale * massBetween(lo, tailLo, hi, tailHi);
            lo = hi;
            tailLo = tailHi;
        }
    }
    return counts;
}

double PoissonSampler::uniform()
{
    return double(engine() >> 11) * 0x1.0p-53;
}

double PoissonSampler::draw(double mean)
{
    if (!(mean > 0) || !std::isfinite(mean))
        return 0;
    if (mean < 10) {
        // Inversion: walk up the distribution function until it passes u.
        const double u = uniform();
        double p = std::exp(-mean);
        double F = p;
        double k = 0;
        while (u > F && k < 1000) {
            ++k;
            p *= mean / k;
            F += p;
            if (p == 0)
                break; // u lies in the rounding error of the far tail
        }
        return k;
    }
    // PTRS: W. Hoermann, "The transformed rejection method for generating Poisson random
    // variables", Insurance: Mathematics and Economics 12 (1993) 39-45.
    const double smu = std::sqrt(mean);
    const double b = 0.931 + 2.53 * smu;
    const double a = -0.059 + 0.02483 * b;
    const double invAlpha = 1.1239 + 1.1328 / (b - 3.4);
    const double vr = 0.9277 - 3.6224 / (b - 2);
    const double logMean = std::log(mean);
    for (;;) {
        const double U = uniform() - 0.5;
        const double V = uniform();
        const double us = 0.5 - std::fabs(U);
        const double k = std::floor((2 * a / us + b) * U + mean + 0.43);
        if (us >= 0.07 && V <= vr)
            return k;
        if (k < 0 || (us < 0.013 && V > us))
            continue;
        if (std::log(V) + std::log(invAlpha) - std::log(a / (us * us) + b) <=
            -mean + k * logMean - std::lgamma(k + 1))
            return k;
    }
}

void addPoissonNoise(QVector<double> &counts, std::uint64_t seed)
{
    PoissonSampler sampler(seed);
    for (double &v : counts)
        v = sampler.draw(v);
}

MeasuredSpectrum simulatedSpectrum(const QVector<double> &counts, const ChannelGrid &grid,
                                   double liveTime)
{
    MeasuredSpectrum s;
    s.counts = counts;
    s.firstChannel = grid.firstChannel;
    s.offset = grid.offset;
    s.gain = grid.gain;
    s.hasCalibration = true;
    s.liveTime = s.realTime = liveTime;
    s.hasLiveTime = s.hasRealTime = true;
    s.format = QStringLiteral("simulated");
    return s;
}
