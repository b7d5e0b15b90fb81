#include "PhysicsCommon.h"

#include "Composition.h"

#include <algorithm>
#include <cmath>

namespace {

// A Gaussian tail below 1e-12 of its peak is far below anything the plot or the exported
// table can show; ln(1e12) is where exp(-x) reaches that.
constexpr double GAUSS_CUTOFF_EXPONENT = 27.631021115928547;

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
