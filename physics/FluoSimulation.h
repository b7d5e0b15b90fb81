#pragma once

#include "Composition.h"
#include "Detector.h"
#include "LightPath.h"
#include "PhysicsCommon.h"

#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

// Density of air [g/cm^3] for the path between sample and detector.
constexpr double AIR_DENSITY = 0.001293;

// Dry air by mole fraction of its molecules, N2 0.78084, O2 0.20948 and Ar 0.00934, as atoms per
// formula unit: N 1.56168, O 0.41896, Ar 0.00934. Points into db.
Composition airComposition(XrayDataBase &db);

// Relative weight of each emission line within its shell, by line index (Ka2, Ka1, Kb, La2,
// La1, Lb1, Lb2). Ka1 is the strongest K line and La1 the strongest L line; the K weights are
// seventeenths and the L weights twenty-firsts, each set summing to 1.
extern const double LINE_WEIGHT[LINE_COUNT];

// Everything one simulation reads: the numbers typed into the form, the compositions of the
// pellet, what lies on the way in and out, the detector, the yield curves, the pellet and the
// energy grid. Pointers are borrowed for the call only.
struct SpectrumInput
{
    double E0 = 0;           // excitation energy [keV]
    double I0 = 0;           // incident flux [photons/s]
    double channelWidth = 0; // width of one analyser channel [keV]
    bool integ = false;      // "Integ." display: Gaussians carry the channel's integral
    bool ratio = false;      // "Ratio" form of the information text

    const Composition *tgt = nullptr;
    const Composition *bnd = nullptr;

    // Between the source and the sample. Neither model applies it yet: the flux I0 is what
    // reaches the pellet.
    LightPath incident;
    // Between the sample and the detector's first window (air, then the filters).
    LightPath exit;
    Detector detector;

    const double *yieldK = nullptr; // indexed by atomic number
    const double *yieldL = nullptr;
    int yieldSize = 0; // entries readable in each yield array

    double thickness = 0;     // pellet thickness [cm]
    double tgtMolPerArea = 0; // moles of target per cm^2
    double bndPerTgt = 0;     // moles of binder per mole of target
    double bndMolPerArea = 0; // moles of binder per cm^2 (what a blank pellet holds)

    QStringList lineNames; // "Ka2" ... "Lb2", indexed like AtomData::line

    const double *gridE = nullptr; // ascending energies [keV]
    int gridPoints = 0;
};

// One emission line that falls inside the plotted range. Rates are photons per second reaching
// the detector: primary fluorescence only, normal incidence and exit, fixed line weights within a
// shell and one L yield.
struct LinePeak
{
    double peakEnergy = 0;    // [keV]
    double peakIntensity = 0; // photons/s reaching the detector, before the "Integ." scaling
    QString peakText;         // "Fe Ka1: 1.23e+04"
    QString ratioText;        // "Fe Ka1:  42.00", percent of peakMax
    bool fromBinder = false;  // an entry of the binder rather than of the target
    // A line or scatter peak of the window over the pellet rather than of the pellet (detailed
    // model only); its escape peaks carry it too.
    bool fromWindow = false;
    QString element;  // "Fe"
    QString lineName; // "Ka1"
    // The part of peakIntensity that secondary fluorescence within the pellet adds (detailed
    // model only; the classic model leaves it 0).
    double secondaryIntensity = 0;
    // A fluorescence line, a peak of the scattered beam (element empty, lineName "Rayleigh" or
    // "Compton"), the escape peak of another record (its element, its lineName + "_esc"), or
    // the pile-up of two records (element "Fe+Cr", lineName "Ka1+Ka1"; a scatter peak stands
    // for its element by its lineName). Only the detailed model makes the last three.
    enum class Kind { Line, Scatter, Escape, Pileup };
    Kind kind = Kind::Line;
    // FWHM [keV] the peak has before the detector adds its own (the Compton peak's Doppler and
    // angular broadening); 0 for lines.
    double intrinsicFwhm = 0;
};

using LineLabel = QPair<double, QString>; // (energy, peakText)

struct SpectrumResult
{
    QVector<LinePeak> linePeaks; // target entries first, then binder; lines 0..6 within one
    // Every line of the simulation, wherever it lies (only simulateSpectrum fills it): what a
    // detector counts does not depend on the plotted range.
    QVector<LinePeak> allLines;
    QVector<LineLabel> labelList; // the same lines by ascending energy
    double peakMax = 1.0;         // largest line intensity, 1 when all are 0
    double spectrumMax = 0;       // largest finite spectrum value, at least 0
    QString infoText;
    // False when a number of the texts could not be computed (not finite): it is left out.
    bool complete = true;
};

// Simulates the detector spectrum on in.gridE, writing in.gridPoints values into fluoSpectrum
// (photons/s at each line's centre, or in "Integ." mode photons/s per analyser channel), and
// fills result. Every line adds its Gaussian wherever it lies; only the lines inside the grid's
// range get records. Degenerate inputs (zero distance or FWHM, an energy of 0) give IEEE
// infinities or NaN in the spectrum as they come; only the maxima skip them.
void simulateSpectrum(const SpectrumInput &in, double *fluoSpectrum, SpectrumResult &result);

// What every model does after its lines are in: spectrumMax over the finite values of spectrum,
// peakMax (1 when 0), each record's texts, the labels by energy and the information text. A
// rate or share that is not finite is left out of the texts ("Fe Ka1: "), and complete says so;
// with a peakMax that is not finite no share is known.
void finishSpectrum(const double *spectrum, int n, double peakMax, bool ratio,
                    SpectrumResult &result);

// The line table for scripts: a CSV header "composition,element,line,energy_keV,rate_per_s" and
// one row per record of peaks, in their order, with "\n" line ends; a rate that is not finite
// is an empty cell. The composition is
// "target", "binder", "window" (lines and scatter of the window over the pellet), "scatter",
// "escape" or "pileup". Readers go by header name:
// later columns may be added to the right. withSecondary adds the column "secondary_per_s", the
// part of each rate that secondary fluorescence adds.
QString lineTableCsv(const QVector<LinePeak> &peaks, bool withSecondary = false);

// Orders labels by ascending energy as a plain selection sort does (each place in turn takes the
// first of the smallest energies left, by exchange), in O(n log n). It is not stable: among equal
// energies the order that this exact exchange sequence leaves is part of the displayed result.
void sortLabelsByEnergy(QVector<LineLabel> &labels);
