#pragma once

#include "DetailedFluorescence.h"
#include "FluoSimulation.h"

#include <QString>

class QIODevice;

// Points of the mu t curve and of the simulated spectrum; the step divides the range by 1999.
constexpr int MUT_POINTS = 2000;

// Dead time [%] above which the read-out is marked, and the one the status bar's advice aims at.
constexpr double DEAD_TIME_ALARM = 20.0;
constexpr double DEAD_TIME_ADVISED = 10.0;

// The spectrum half of the plan: the simulated spectrum of one view, the detailed model's lines
// (kept between edits that do not change them), what the detector records, and the spectrum and
// line tables. The pellet plan hands it the physics inputs; it knows nothing of fields.
class FluoPlan
{
public:
    // The detailed model's lines must be computed anew at the next simulation.
    void invalidateLines() { linesDirty = true; }

    // Simulates the spectrum of in on its grid: with the detailed model when detailed is given
    // (its spectrum member is ignored: in is used), with the classic one otherwise.
    void simulate(const SpectrumInput &in, const DetailedInput *detailed);

    // True when the last simulation knows what the detector records (the detailed model with
    // the detector's response).
    bool detectorKnown() const { return detailedModel && detailedLines.detectorResponse; }
    // Every recorded event per second, and the paralysable dead time [%] it gives.
    double countRate() const { return detailedLines.countRate; }
    double deadTimePercent() const;
    // The share of the time the detector is ready to record: exp(-n tau), paralysable.
    double liveFraction() const;
    // The detector of the last simulation.
    const Detector &lastDetector() const { return detector; }
    // The detector distance [cm] at which the dead time would be DEAD_TIME_ADVISED, when every
    // rate scales with the solid angle of the detector; not finite when no distance helps.
    double advisedDistance() const;

    // The export table: energy, mu t and intensity per grid point, 10 significant digits;
    // tab-separated, or with a header row and commas. False when the device failed.
    bool writeSpectrumTable(QIODevice &device, const double *gridE, const double *mut,
                            bool csv) const;
    // True when every number of the export table is finite.
    bool tableFinite(const double *gridE, const double *mut) const;
    // The line table of the last simulation, or only its header when simulated is false; the
    // detailed model's has a column for what secondary fluorescence adds.
    QString lineTable(bool simulated, bool detailed) const;

    double fluoSpectrum[MUT_POINTS] = {};
    // Line list, labels, maxima and information text of the last simulation.
    SpectrumResult result;
    // The detailed model's lines with their rates: what does not depend on the view.
    DetailedLineSet detailedLines;

private:
    double deadTimePerEvent() const { return detector.deadTimeUs * 1e-6; } // s

    bool linesDirty = true;
    bool detailedModel = false;
    Detector detector; // of the last simulation
};
