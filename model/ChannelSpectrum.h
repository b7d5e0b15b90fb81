#pragma once

#include "FluoSimulation.h"
#include "MeasuredSpectrum.h"

#include <QVector>

#include <cstdint>
#include <functional>
#include <random>

// The detector channels a spectrum is counted in: channel c (from firstChannel) is centred at
// offset + gain * c [keV] and gain wide.
struct ChannelGrid
{
    double offset = 0;
    double gain = 0;
    int count = 0;
    int firstChannel = 0;

    double centre(int channel) const { return offset + gain * channel; }
    // The channels of the measured spectrum.
    static ChannelGrid of(const MeasuredSpectrum &spectrum);
    // Channels gain wide from channel 0 centred at 0 keV up to the one holding endKeV.
    static ChannelGrid covering(double gain, double endKeV);
};

// FWHM [keV] of the detector's response at an energy [keV].
using WidthFunction = std::function<double(double)>;

// The counts each channel of grid collects in liveTime [s] from the records' Gaussians: for a
// record of rate r at E with width s (the detector's FWHM at E and the record's intrinsic FWHM
// added in quadrature, over 2.3548), r t (Phi((hi - E)/s) - Phi((lo - E)/s)) over the channel's
// edges lo and hi, exactly. A record adds nothing beyond 12 s of its centre, nor when its rate,
// energy or width is not a finite positive number.
QVector<double> channelCounts(const QVector<LinePeak> &records, const WidthFunction &fwhm,
                              const ChannelGrid &grid, double liveTime);

// Poisson deviates that are the same on every platform and standard library: a 64-bit Mersenne
// twister (its output is fixed by the C++ standard) and arithmetic of our own. Means below 10
// are drawn by inversion (sequential search of the distribution function); from 10 on by
// Hoermann's transformed rejection with squeeze (PTRS, 1993). The decisions go through exp,
// log and lgamma, so a platform whose library rounds them differently could only differ where
// a uniform deviate falls within a rounding error of a boundary.
class PoissonSampler
{
public:
    explicit PoissonSampler(std::uint64_t seed) : engine(seed) {}
    // A deviate of mean mean; 0 for a mean <= 0 or not finite.
    double draw(double mean);
    // A uniform deviate in [0, 1) from the top 53 bits of one draw of the engine.
    double uniform();

private:
    std::mt19937_64 engine;
};

// Each count replaced by a Poisson deviate of that mean, channel by channel in order.
void addPoissonNoise(QVector<double> &counts, std::uint64_t seed);

// The export of a simulated spectrum: counts on the grid's channels with its calibration and
// liveTime as both live and real time, ready for SpectrumFormatManager::save.
MeasuredSpectrum simulatedSpectrum(const QVector<double> &counts, const ChannelGrid &grid,
                                   double liveTime);
