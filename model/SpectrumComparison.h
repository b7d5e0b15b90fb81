#pragma once

#include "ChannelSpectrum.h"
#include "MeasuredSpectrum.h"

#include <QString>
#include <QStringList>
#include <QVector>

// A simulated line as the comparison needs it.
struct ComparedLine
{
    QString element;   // "Fe"
    QString lineName;  // "Ka1"
    double energy = 0; // [keV]
    double fwhm = 0;   // of the peak at energy [keV]
    double rate = 0;   // photons/s, to pick the strongest of a group
};

// The lines of records (fluorescence, scatter, escape and pile-up alike) with their FWHM from
// the detector's and their own width.
QVector<ComparedLine> comparedLines(const QVector<LinePeak> &records, const WidthFunction &fwhm);

// Counts in a region of interest above a straight background: the ROI's channels summed, less
// the line through the mean count of the k channels left of it and of the k channels right of
// it, each mean taken at the centre of its channels.
struct PeakArea
{
    double net = 0;      // counts above the background
    double variance = 0; // of net: the ROI's counts plus the background's own variance
    double gross = 0;    // counts in the ROI
};

// first and last are indices into counts; false when the k channels on either side do not fit.
bool peakArea(const QVector<double> &counts, int first, int last, int k, PeakArea *area);

// One simulated line, or several closer than one FWHM to each other, in both spectra.
struct ComparedGroup
{
    // Element and line of the group's strongest line (by simulated rate), and its energy; the
    // CSV writes these. members lists every line, "Fe Ka1".
    QString element;
    QString lineName;
    double energy = 0;
    QStringList members;
    int firstChannel = 0, lastChannel = 0; // the ROI, as channel numbers
    int sideChannels = 0;                  // k beside the ROI on each side
    PeakArea measured;
    PeakArea simulated;
    double ratio = 0;  // measured / simulated net; NaN when the simulated one is not positive
    bool used = false; // in the overall scale
};

struct UnexplainedPeak
{
    double energy = 0;       // [keV], centre of its channel
    double significance = 0; // counts above the local background over their standard deviation
};

struct SpectrumComparisonResult
{
    QVector<ComparedGroup> groups; // by energy
    // Weighted least squares of measured on simulated areas: sum(w m s) / sum(w s^2), w the
    // inverse variance of the measured area; NaN when no group is used.
    double scale = 0;
    double scaleSigma = 0;
    QVector<UnexplainedPeak> unexplained; // by energy
};

// Minimum counts (net, measured or simulated) for a group to enter the overall scale: below
// it the counting statistics say little and a wrong background matters more.
constexpr double MinScaleCounts = 100;
// Significance above which a peak no line explains is reported.
constexpr double UnexplainedSigmas = 5;

// Compares the measured spectrum with simulated counts on the same channels (channelCounts with
// ChannelGrid::of(measured) and the measurement's live time) for the simulated lines:
// - lines closer than one FWHM (the larger of the two) join a group, transitively; its ROI spans
//   the channels centred within [lowest E - its FWHM, highest E + its FWHM];
// - beside it k = max(3, round(FWHM / gain / 2)) channels on each side, with the group's
//   largest FWHM, give the background; groups whose ROI or sides leave the spectrum are left
//   out;
// - a group enters the scale when its measured or simulated net area reaches MinScaleCounts, its
//   simulated area is positive and its variance too.
// Unexplained peaks: at each channel c, with w = max(1, round(FWHM(c) / gain)) channels made
// odd, the sum S of the w channels centred on c; where S is larger than at c - 1 and no smaller
// than at c + 1, the background is w times the mean count of the w channels on each side beyond
// one FWHM ([c - 2w, c - w - 1] and [c + w + 1, c + 2w], L and R counts): excess S - (L + R) / 2,
// variance S + (L + R) / 4. A peak is reported when the excess exceeds UnexplainedSigmas
// standard deviations and it lies more than 2 FWHM (the line's) from every simulated line; of
// peaks within one FWHM of each other the most significant stays.
// fwhm gives the width for the smoothing at each channel.
SpectrumComparisonResult compareSpectra(const MeasuredSpectrum &measured,
                                        const QVector<double> &simulated,
                                        const QVector<ComparedLine> &lines,
                                        const WidthFunction &fwhm);

// "element,line,energy_keV,measured,simulated,ratio" and one row per group, "\n" line ends;
// numbers to the last bit, a ratio that is not a number an empty cell.
QByteArray comparisonCsv(const SpectrumComparisonResult &result);
