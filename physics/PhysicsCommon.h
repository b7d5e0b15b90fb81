#pragma once

// The small pieces of arithmetic every model shares: unit conversions, Gaussian peaks, the slab
// factor of a layer and the moles per area of a composition. Each is written here once, so that
// the models cannot drift apart in the last bit.

struct Composition;

// ---- units ----

constexpr double MM_TO_CM = 0.1;
constexpr double UM_TO_CM = 1e-4;

// Between what the form shows and what the arithmetic uses.
constexpr double mmToCm(double mm)
{
    return mm * MM_TO_CM;
}
constexpr double cmToMm(double cm)
{
    return cm * 10;
}
constexpr double umToCm(double um)
{
    return um * UM_TO_CM;
}
constexpr double mgToG(double mg)
{
    return mg * 0.001;
}
constexpr double gToMg(double g)
{
    return g * 1000;
}
// Volumes: cm^3 to the form's mm^3 ("[mm3]" label) uses the same factor as grams to mg.
constexpr double cm3ToMm3(double cm3)
{
    return cm3 * 1000;
}

// ---- angles ----

constexpr double PI = 3.14159265358979323846;
constexpr double DEGREE = PI / 180.0;

// ---- Gaussian peaks ----

// 4 ln 2: exp(-4 ln 2 (E - El)^2 / FWHM^2) is a peak of height 1 and that FWHM.
constexpr double FOUR_LN2 = 2.772588722239781;
// 2 sqrt(ln 2 / pi): the peak height of a Gaussian of unit area and unit FWHM.
constexpr double UNIT_GAUSS_PEAK = 0.93943727869965133;
// 2 sqrt(2 ln 2): FWHM over standard deviation.
constexpr double SIGMA_TO_FWHM = 2.3548200450309493;

// The w of exp(-(E - El)^2 / w) for a peak of this FWHM.
inline double gaussianWidth(double fwhm)
{
    return fwhm * fwhm / FOUR_LN2;
}

// Peak height of a unit-area Gaussian of this FWHM; times a channel width it turns a line's rate
// into the rate one channel collects at the line's centre.
inline double unitAreaPeak(double fwhm)
{
    return UNIT_GAUSS_PEAK / fwhm;
}

// The grid points [first, last) where a Gaussian of this width around El is above 1e-12 of its
// peak, on an ascending grid. Non-finite amplitudes or widths, or a grid that is not ascending,
// give the whole grid, so that degenerate inputs show their infinities and NaNs everywhere.
// Returns whether the window was narrowed.
bool gaussianWindow(const double *gridE, int n, double El, double amplitude, double gaussWidth,
                    int *first, int *last);

// Adds amplitude * exp(-(E - El)^2 / gaussWidth) to out over the grid, one exponential per point
// inside the window of gaussianWindow().
void addGaussianByPoint(const double *gridE, int n, double El, double amplitude, double gaussWidth,
                        double *out);

// The same sum, but on an evenly spaced grid (step > 0, see evenStep()) the Gaussian is carried
// from point to point by two multiplications instead of an exponential each; it stays within
// 1e-13 of addGaussianByPoint() over a window of a few hundred points. Other grids take one
// exponential per point.
void addGaussianByRecurrence(const double *gridE, int n, double step, double El, double amplitude,
                             double gaussWidth, double *out);

// The sum of addGaussianByPoint(), point for point within 1e-12 of its value (or, where that
// value is subnormal or zero, within one step of the subnormal doubles), with two exponentials
// per block of points instead of one per point. On an evenly spaced grid (step > 0, see
// evenStep()) each block starts from the exact value and carries the Gaussian across the block
// by one multiplication per point; the small departures of the grid from even spacing are
// corrected to second order, and a point further off takes its own exponential. Short windows,
// a step of 0 and non-finite inputs take addGaussianByPoint() itself.
void addGaussianByBlocks(const double *gridE, int n, double step, double El, double amplitude,
                         double gaussWidth, double *out);

// The step of an evenly spaced grid (the mu t curve's), or 0.
double evenStep(const double *gridE, int n);

// ---- layers ----

// (1 - exp(-S)) / S: the depth average of exp(-S z) over a layer, for excitation and escape of
// total mu t S. A layer transparent at both energies is the thin limit, 1, not 0 / 0.
double slabFactor(double S);

// Moles of formula units per cm^2 in a layer of this density [g/cm^3] and thickness [mm].
double molPerArea(double density, const Composition &comp, double thicknessMm);
