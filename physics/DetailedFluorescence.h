#pragma once

// The detailed fluorescence model: every K and L line of the tabulation with its own radiative
// rate and subshell yield, vacancies followed through the K-to-L transfer and Coster-Kronig
// transitions, incidence and exit at angles to the pellet surface, the exact solid angle of the
// detector disc and, on request, secondary fluorescence within the pellet. It always computes
// with the tabulated cross sections (total attenuation and per-shell photoabsorption), whatever
// absorption data the compositions were evaluated with.
//
// Work is split in two so that a caller can cache the expensive part: computeDetailedLines()
// depends on everything but the view (energy grid, FWHM, channel width, "Integ.", "Ratio");
// renderDetailedSpectrum() turns its lines into the spectrum and the records of one view.

#include "CrossSectionTable.h"
#include "DetectorResponse.h"
#include "FluoLineTable.h"
#include "FluoSimulation.h"

#include <QVector>

struct DetailedInput
{
    // The classic inputs. Read here: E0, I0, the exit path, the detector, the two compositions
    // of the pellet and its amounts (tgtMolPerArea, bndPerTgt, bndMolPerArea). The line names
    // belong to the classic model and are not read, nor are the yield arrays except for the
    // detector's escape (the K yield of its crystal's element); the view fields are read by
    // renderDetailedSpectrum() only.
    SpectrumInput spectrum;
    double incidenceDeg = 45.0; // between the beam and the pellet surface, (0, 90]
    double exitDeg = 45.0;      // between the pellet surface and the detector axis, (0, 90]
    bool secondary = false;     // add fluorescence excited by the pellet's own lines
    // Secondary fluorescence leaves out the pairs of exciting line and emitter that together
    // make at most this fraction of any line's rate, and computes the rest with fitted
    // exponential integrals. 0: every pair, with the integrals by their series (slow; the
    // reference the fast way is checked against).
    double secondaryTolerance = 1e-3;
    const FluoLineTable *lines = nullptr;             // not owned; no lines without it
    const CrossSectionTable *crossSections = nullptr; // not owned; no lines without it
    // Not owned. With it the records are what the detector records: the scattered beam's
    // Rayleigh and Compton peaks join the lines, every rate is multiplied by the detector's
    // efficiency, and escape peaks take their share of each rate. Without it the rates are
    // those arriving at the detector window.
    const ScatterTable *scatter = nullptr;
    bool polarised = true; // the beam, linearly in the plane of beam and detector axis
    // Pulse-pair resolving time [s] of the detector's electronics; with the detector's response
    // and a positive value, two photons closer in time than this are recorded as one event at
    // the sum of their energies (first order). 0: no pile-up.
    double pileupTime = 0;
    // Layers over the pellet: composition, density and thickness; none by default (thickness 0).
    // The front window lies on the side of the beam and the detector: the beam crosses it along
    // the incidence angle, t / sin(incidence), and every line and scatter peak of the pellet
    // along the exit angle, t / sin(exit) (the axis's, for the scatter over the detector's
    // cone); its own lines and scatter join the records, marked fromWindow. The back window lies
    // behind the pellet, where in this reflection geometry neither the beam on its way to the
    // detector nor anything the detector sees passes: it takes no part in the lines, only in the
    // transmission through the sample (windowsMuT()).
    Layer frontWindow;
    Layer backWindow;
};

// Every line of every element of the target and the binder, whatever its energy: target
// entries first, then binder, then the front window's, each element's lines in the table's
// order (by shell, then energy); with the detector's response then Rayleigh and Compton (of the
// pellet, then of the front window), and then the escape peaks of all these with a non-zero
// rate, in the same order (each parent's escape lines in the detector's order), and last the
// pile-up peaks of the pairs of
// these records whose rate reaches PILEUP_LISTED of the strongest record's, the strongest
// parents first. peakIntensity is photons/s reaching (or
// with the detector's response, recorded by) the detector, secondary fluorescence included;
// secondaryIntensity is the part of it that secondary fluorescence adds. Texts stay empty.
// Pile-up pairs below this fraction of the strongest record's rate are left out.
constexpr double PILEUP_LISTED = 1e-4;
// First-order pile-up is scaled down where it would take more than this fraction of any
// parent's photons (tau times the count rate near 1/4 and beyond).
constexpr double PILEUP_MOST_LOST = 0.5;

struct DetailedLineSet
{
    QVector<LinePeak> lines;
    // With the detector's response: peak widths grow with energy from the FWHM at Mn Ka, and
    // countRate is every recorded event per second, whatever its energy, of all the elements of
    // the detector: a pile-up event counts once for its two photons.
    bool detectorResponse = false;
    double countRate = 0;
    int elements = 1; // of the detector

    // What one element of the array records per second, the rate its dead time goes by.
    double countRatePerElement() const { return countRate / elements; }
};

// The view-independent part: the lines with their rates. Costs as much as a few mu t curves
// with secondary fluorescence, far less without; call it when an input it reads changes.
void computeDetailedLines(const DetailedInput &in, DetailedLineSet &out);

// The view: fills in.gridPoints values of spectrum on view.gridE (photons/s at each line's
// centre, or per analyser channel in "Integ." mode) and result, as simulateSpectrum() does for
// the classic model: every line with a non-zero rate adds its Gaussian wherever it lies, and the
// lines inside the grid's range, zero rates included, get records with texts. Reads only
// view.detector (for the widths), channelWidth, integ, ratio, gridE and gridPoints.
void renderDetailedSpectrum(const DetailedLineSet &lines, const SpectrumInput &view,
                            double *spectrum, SpectrumResult &result);

// First-order pile-up of records (what the detector records, rates in events/s) for a pulse-pair
// resolving time tau [s]: every pair i <= j whose rate 2 r_i r_j tau (r_i^2 tau for i = j)
// reaches PILEUP_LISTED of the strongest record's is appended as a record of kind Pileup at
// E_i + E_j, and each parent gives up the photons that went into it (one per event from each
// parent, two from a pair of itself). Photons are conserved: the rates left plus twice the
// pile-up rates make the rates before. Returns the sum of the pile-up rates, by which the
// recorded events fall; 0 and no change for tau <= 0. First order holds while tau times the
// count rate is small; where a parent would give up more than PILEUP_MOST_LOST of its photons,
// all pile-up rates shrink by one factor to that bound.
double addFirstOrderPileup(QVector<LinePeak> &records, double tau);

// Both steps at once, for callers that do not cache.
void simulateDetailed(const DetailedInput &in, double *spectrum, SpectrumResult &result);

// Fraction of all directions that a disc of radius R at distance D on its axis subtends,
// Omega / (4 pi) = (1 - D / sqrt(D^2 + R^2)) / 2.
double discSolidAngleFraction(double distance, double radius);

// The depth integral of secondary fluorescence in a homogeneous layer, in units of its
// thickness: the integral over 0 <= z, z' <= 1 of exp(-a z) E1(m |z - z'|) exp(-b z'), where a
// is the layer's mu t at the incident energy over sin(incidence), b its mu t at the secondary
// line over sin(exit), and m its mu t at the exciting line. In closed form (de Boer, X-Ray
// Spectrom. 19 (1990) 145) with exponential integrals; all three arguments must be positive.
// With reference, the integrals by their series and continued fraction instead of the fits.
double secondaryDepthIntegral(double a, double b, double m, bool reference = false);

// The exponential integrals as the depth integral computes them, each within a few units of the
// last place: exp(x) E1(x) for x > 0, Ein(x) = integral from 0 to x of (1 - exp(-u)) / u du for
// any x (it overflows below about -700), and exp(-y) Ei(y) for y > 0.
double scaledExpIntegralE1(double x);
double expIntegralEin(double x);
double scaledExpIntegralEi(double y);
