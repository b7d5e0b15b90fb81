#pragma once

// Shot noise of a fluorescence point counted in a region of interest of the detector's spectrum:
// the absorber's lines give the signal, everything else the detector records there (other
// lines, the scattered beam, escape and pile-up peaks) the background.

#include "Detector.h"
#include "FluoSimulation.h"

#include <QStringList>
#include <QVector>

// The lines of an element that a fluorescence scan at an edge is counted in: Ka1 and Ka2 at K,
// La1 and La2 at L3, Lb1 at L2, Lb3 and Lb4 at L1; none for an M edge. edge is the index of the
// edge selector (0 K, 1 L1, 2 L2, 3 L3, 4 M1).
QStringList roiLineNames(int edge);

struct Roi
{
    double low = 0;  // keV
    double high = 0; // keV
    bool valid() const { return high > low; }
};

// The region around an element's main lines: their centre, weighted by their rates (by their
// energies alone while all rates are 0), plus and minus the detector's FWHM there. Empty when
// the element has none of the lines among the records.
Roi roiAroundLines(const QVector<LinePeak> &records, const QString &element,
                   const QStringList &lineNames, const Detector &detector);

// FWHM [keV] of a record as the detector records it: its own width and the detector's at its
// energy, in quadrature.
double recordedFwhm(const LinePeak &record, const Detector &detector);

struct RoiRates
{
    double signal = 0;     // events/s of the element's fluorescence lines
    double background = 0; // events/s of every other record
};

// What falls into the region per second: each record's rate times the share of its Gaussian
// between the bounds, the element's lines (kind Line) as signal, the rest as background; both
// times liveFraction, the share of the time the detector is ready.
RoiRates roiRates(const QVector<LinePeak> &records, const QString &element, const Roi &roi,
                  const Detector &detector, double liveFraction);

// The noise of chi relative to the edge step for a point counted time [s]: counts S t over a
// background B t, sqrt((S + B) t) / (S t). Not finite without signal.
double fluorescenceChiNoise(const RoiRates &rates, double time);

// The point time [s] at which that noise falls to target: (S + B) / (S target)^2.
double fluorescenceTimeFor(const RoiRates &rates, double target);
