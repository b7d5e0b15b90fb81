#pragma once

#include <QString>
#include <QVector>

// A spectrum as a multichannel analyser recorded it: counts per channel, with what the file says
// about the energy calibration and the counting times. Channel c (numbered as the analyser
// numbers them, from firstChannel) is centred at offset + gain * c and gain wide.
struct MeasuredSpectrum
{
    QVector<double> counts; // per channel, finite and >= 0
    int firstChannel = 0;   // number of counts[0]

    // E(c) = offset + gain * c [keV]; hasCalibration says the file gave it.
    double offset = 0;
    double gain = 0;
    bool hasCalibration = false;

    double liveTime = 0; // [s]
    double realTime = 0; // [s]
    bool hasLiveTime = false;
    bool hasRealTime = false;

    QString format; // the reader's name, "Amptek MCA", "Maestro SPE", "Text"

    int channelCount() const { return counts.size(); }
    int lastChannel() const { return firstChannel + counts.size() - 1; }
    double channelEnergy(int channel) const { return offset + gain * channel; }
    double totalCounts() const;
};

namespace MeasuredLimits {
// Sizes no analyser writes; a file claiming more is refused before anything is allocated.
constexpr int MaxChannels = 1 << 20;
constexpr int MaxChannelNumber = 1 << 24;
// Largest count a channel may hold and the largest counting time [s] (about 30 years).
constexpr double MaxCount = 1e15;
constexpr double MaxTime = 1e9;
// Calibration ranges [keV] and [keV/channel]: beyond them the energies mean nothing.
constexpr double MaxOffset = 1e4;
constexpr double MaxGain = 1e3;
} // namespace MeasuredLimits
