#include "PhysicsCommon.h"

#include "Composition.h"

#include <algorithm>
#include <cmath>

namespace {

// A Gaussian tail below 1e-12 of its peak is far below anything the plot or the exported
// table can show; ln(1e12) is where exp(-x) reaches that.
constexpr double GAUSS_CUTOFF_EXPONENT = 27.631021115928547;

// Each block costs two exponentials and a table of its length shared by all blocks, so the
// best length is near sqrt(2 x window); the error carried across a block grows with its length
// (about one unit in the last place per point), which the upper bound keeps far below 1e-12.
constexpr int GAUSS_BLOCK_MAX = 64;
// Below this many points the exponentials saved do not pay for setting the blocks up.
constexpr int GAUSS_BLOCK_MIN_WINDOW = 16;
// Where 1 - x + x^2 / 2 still is exp(-x) to the last bit (the x^3 / 6 left out is below 2e-16).
constexpr double GRID_CORRECTION_LIMIT = 1e-5;

} // namespace

bool gaussianWindow(const double *gridE, int n, double El, double amplitude, double gaussWidth,
                    int *first, int *last)
{
    *first = 0;
    *last = n;
    const bool windowed = n > 1 && std::isfinite(amplitude) && std::isfinite(gaussWidth) &&
                          gaussWidth > 0 && std::isfinite(gridE[0]) &&
                          std::isfinite(gridE[n - 1]) && gridE[0] <= gridE[n - 1];
    if (windowed) {
        const double halfWidth = std::sqrt(GAUSS_CUTOFF_EXPONENT * gaussWidth);
        *first = int(std::lower_bound(gridE, gridE + n, El - halfWidth) - gridE);
        *last = int(std::upper_bound(gridE + *first, gridE + n, El + halfWidth) - gridE);
    }
    return windowed;
}

// Every value computed is the same expression as in a full sweep; the window only skips points
// where the Gaussian is below the cut-off.
void addGaussianByPoint(const double *gridE, int n, double El, double amplitude, double gaussWidth,
                        double *out)
{
    int first = 0;
    int last = n; // one past the end
    gaussianWindow(gridE, n, El, amplitude, gaussWidth, &first, &last);
    for (int i = first; i < last; ++i) {
        const double d = gridE[i] - El;
        out[i] += amplitude * std::exp(-(d * d) / gaussWidth);
    }
}

// With d the distance to the line and h the step, g(d + h) = g(d) q and q(d + h) = q(d)
// exp(-2 h^2 / w), where q(d) = exp(-(2 d h + h^2) / w).
void addGaussianByRecurrence(const double *gridE, int n, double step, double El, double amplitude,
                             double gaussWidth, double *out)
{
    int first = 0;
    int last = n;
    const bool windowed = gaussianWindow(gridE, n, El, amplitude, gaussWidth, &first, &last);
    const double inv = 1.0 / gaussWidth;
    if (windowed && step > 0.0 && first < last) {
        const double d = gridE[first] - El;
        double g = amplitude * std::exp(-(d * d) * inv);
        double q = std::exp(-(2.0 * d * step + step * step) * inv);
        const double c = std::exp(-2.0 * step * step * inv);
        for (int i = first; i < last; ++i) {
            out[i] += g;
            g *= q;
            q *= c;
        }
        return;
    }
    for (int i = first; i < last; ++i) {
        const double d = gridE[i] - El;
        out[i] += amplitude * std::exp(-(d * d) * inv);
    }
}

// Within a block starting at distance d0 from the line, the point j steps on lies at D = d0 + j h
// where exp(-D^2 / w) = exp(-d0^2 / w) a^j b_j, with a = exp(-2 d0 h / w) and b_j =
// exp(-j^2 h^2 / w). The grid is only even to rounding, and at the distance d it really has the
// Gaussian differs from that by exp(-(d - D)(d + D) / w): a factor so near 1 (its exponent is a
// few units in the last place of d over w) that a second-order expansion gives it to the last
// bit; a point too far off for that takes its own exponential.
void addGaussianByBlocks(const double *gridE, int n, double step, double El, double amplitude,
                         double gaussWidth, double *out)
{
    int first = 0;
    int last = n;
    const bool windowed = gaussianWindow(gridE, n, El, amplitude, gaussWidth, &first, &last);
    const int count = last - first;
    if (!windowed || !(step > 0.0) || !std::isfinite(step) || !std::isfinite(El) ||
        count < GAUSS_BLOCK_MIN_WINDOW) {
        addGaussianByPoint(gridE, n, El, amplitude, gaussWidth, out);
        return;
    }

    const int blockLength = std::min(GAUSS_BLOCK_MAX, std::max(4, int(std::sqrt(2.0 * count)) + 1));
    const double stepSquaredOverWidth = step * step / gaussWidth;
    double b[GAUSS_BLOCK_MAX];
    for (int j = 0; j < blockLength; ++j)
        b[j] = std::exp(-double(j * j) * stepSquaredOverWidth);

    const double invWidth = 1.0 / gaussWidth;
    for (int start = first; start < last; start += blockLength) {
        const int end = std::min(last, start + blockLength);
        const double d0 = gridE[start] - El;
        const double e0 = std::exp(-(d0 * d0) / gaussWidth);
        const double a = std::exp(-(2.0 * d0 * step) / gaussWidth);
        out[start] += amplitude * e0;
        double p = 1.0;
        for (int i = start + 1, j = 1; i < end; ++i, ++j) {
            p *= a;
            const double d = gridE[i] - El;
            const double off = (d - d0) - j * step;
            const double x = off * (2.0 * d - off) * invWidth;
            if (std::abs(x) <= GRID_CORRECTION_LIMIT)
                out[i] += amplitude * (e0 * (b[j] * p) * (1.0 - x + 0.5 * (x * x)));
            else
                out[i] += amplitude * std::exp(-(d * d) / gaussWidth);
        }
    }
}

double evenStep(const double *gridE, int n)
{
    if (n < 2)
        return 0.0;
    const double step = (gridE[n - 1] - gridE[0]) / (n - 1);
    if (!(step > 0.0) || !std::isfinite(step))
        return 0.0;
    for (int i = 1; i < n; ++i) {
        if (std::abs(gridE[i] - gridE[i - 1] - step) > 1e-9 * step)
            return 0.0;
    }
    return step;
}

double slabFactor(double S)
{
    return S == 0.0 ? 1.0 : -std::expm1(-S) / S;
}

double molPerArea(double density, const Composition &comp, double thicknessMm)
{
    return density / comp.molecularWeight() * mmToCm(thicknessMm);
}
