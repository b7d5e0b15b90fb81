#include "DetailedFluorescence.h"

#include "Pellet.h"

#include <algorithm>
#include <cmath>
#include <utility>

// Units: every absorption in the pellet is a mu t (dimensionless), and depths are in units of
// the pellet's thickness, so that a homogeneous pellet needs neither its thickness nor its
// density. Per incident photon and per unit of Omega / 4 pi, a line of energy El from subshell s
// of an element gives
//
//   primary   = V_s omega_s r (1 / sin alpha) (1 - exp(-S)) / S,
//               S = mu t(E0) / sin alpha + mu t(El) / sin beta,
//   secondary = sum over exciting lines i (energy Ei, production g_i) of
//               g_i W_s(Ei) omega_s r (1 / (2 sin alpha)) J(a, b, m_i),
//
// where V_s are the subshell's vacancies per incident photon path (its own photoabsorption at E0
// as mu t, plus what K-to-L transfer and Coster-Kronig transitions move into it), omega_s its
// yield and r the line's share of its radiative emission; g_i = V omega r of the exciting line,
// W_s(Ei) the vacancies its photons make in subshell s per unit mu t of their path, and J the
// depth integral below with a = mu t(E0) / sin alpha, b = mu t(El) / sin beta, m_i = mu t(Ei).
// The factor 1/2 and the exponential integral E1 come from spreading the exciting line over all
// directions: of the photons emitted at depth z, those absorbed at depth z' per unit depth make
// (tau / 2) E1(m |z - z'|).

namespace {

constexpr double EULER_GAMMA = 0.57721566490153286;
// Below this, Ein(x) of a negative x comes from Ei's asymptotic series instead of the power
// series, whose terms would need e^|x| / |x| of headroom.
constexpr double EIN_SERIES_FLOOR = -40.0;

// Ein(x) = integral from 0 to x of (1 - exp(-u)) / u du, the entire part of the exponential
// integral: E1(x) = Ein(x) - gamma - ln x for x > 0, and for x < 0 the principal value of E1
// continues the same way, -Ei(-x) = Ein(x) - gamma - ln|x|. Its power series alternates for x > 0
// (used up to 1) and has terms of one sign for x < 0 (used down to EIN_SERIES_FLOOR).
double einSeries(double x)
{
    double term = 1.0;
    double sum = 0.0;
    for (int n = 1; n < 400; ++n) {
        term *= x / n;
        const double c = term / n;
        sum += (n & 1) ? c : -c;
        if (!(std::abs(c) > 1e-17 * std::abs(sum)))
            break;
    }
    return sum;
}

// exp(x) E1(x) for x > 1 by its continued fraction 1 / (x + 1 - 1 / (x + 3 - 4 / (x + 5 - ...))),
// evaluated forwards (modified Lentz); it needs fewer terms the larger x is.
double scaledE1(double x)
{
    constexpr double tiny = 1e-300;
    double b = x + 1.0;
    double c = 1.0 / tiny;
    double d = 1.0 / b;
    double h = d;
    for (int i = 1; i < 500; ++i) {
        const double an = -double(i) * double(i);
        b += 2.0;
        d = 1.0 / (an * d + b);
        c = b + an / c;
        const double delta = c * d;
        h *= delta;
        if (!(std::abs(delta - 1.0) > 1e-16))
            break;
    }
    return h;
}

// E1(x) for x > 0.
double e1(double x)
{
    return x <= 1.0 ? einSeries(x) - EULER_GAMMA - std::log(x) : std::exp(-x) * scaledE1(x);
}

// exp(-y) Ei(y) for y >= -EIN_SERIES_FLOOR by the asymptotic series sum k! / y^(k+1), cut at
// its smallest term (about exp(-y), below double precision here).
double scaledEi(double y)
{
    const double inv = 1.0 / y;
    double term = inv;
    double sum = term;
    for (int k = 1; k < 200; ++k) {
        const double next = term * (k * inv);
        if (!(next < term) || !(next > 1e-17 * sum))
            break;
        term = next;
        sum += term;
    }
    return sum;
}

// exp(-s) Ein(x), kept finite where Ein(x) alone would overflow (x far below 0, with s large
// enough that the product is small).
double scaledEin(double x, double s)
{
    if (x > 1.0)
        return std::exp(-s) * (std::exp(-x) * scaledE1(x) + EULER_GAMMA + std::log(x));
    if (x >= EIN_SERIES_FLOOR)
        return std::exp(-s) * einSeries(x);
    const double y = -x;
    return std::exp(-s) * (EULER_GAMMA + std::log(y)) - std::exp(y - s) * scaledEi(y);
}

// The parts of the depth integral that depend only on the incidence term a and the exciting
// line's m, computed once per exciting line.
struct ExcitingTerms
{
    double a = 0;
    double ea = 0; // exp(-a)
    double m = 0;
    double lnM = 0;     // ln m
    double einM = 0;    // Ein(m) - gamma
    double lnMa = 0;    // ln(m + a)
    double e1Ma = 0;    // E1(m + a)
    double logA = 0;    // ln(1 + a / m) / a
    double eaEinMa = 0; // exp(-a) Ein(m - a)
    // What an exit term so large that exp(-b) vanishes leaves (see depthIntegral):
    double skinA = 0;    // ln(1 + a / m) / a + E1(m + a) / a
    double skinM = 0;    // exp(-a) E1(m) / a
    double backFace = 0; // exp(-a - m)
};

ExcitingTerms excitingTerms(double a, double m)
{
    ExcitingTerms t;
    t.a = a;
    t.ea = std::exp(-a);
    t.m = m;
    t.lnM = std::log(m);
    t.einM = m <= 1.0 ? einSeries(m) - EULER_GAMMA : e1(m) + t.lnM;
    t.lnMa = std::log(m + a);
    t.e1Ma = e1(m + a);
    t.logA = std::log1p(a / m) / a;
    t.eaEinMa = scaledEin(m - a, a);
    t.skinA = t.logA + t.e1Ma / a;
    t.skinM = t.ea * (t.einM - t.lnM) / a;
    t.backFace = std::exp(-a - m);
    return t;
}

// Beyond this exit term, and as far beyond m, exp(-b) is below 1e-17 of the terms it multiplies.
constexpr double SKIN_EXIT = 40.0;

// The depth integral J(a, b, m) for the exit term b. With c = m s, s >= 1, over the direction
// cosines 1/s of the exciting photons, J = integral over s from 1 to infinity of ds / s K(m s),
//   K(c) = [F - G(a, c)] / (b + c) + [F - G(b, c)] / (a + c),
//   F = (1 - exp(-(a + b))) / (a + b),   G(a, c) = (exp(-(a + b)) - exp(-(b + c))) / (c - a),
// the first part for exciting photons travelling towards the surface the secondary line leaves
// by, the second for those travelling inwards. Partial fractions in c and
//   integral from m to infinity of exp(-c) / (c - p) dc = exp(-p) E1(m - p)
// (a principal value when m < p) give logarithms and exponential integrals. Each E1 of a
// difference is paired with the logarithm of the same difference, E1(x) + ln|x| = Ein(x) -
// gamma, so nothing diverges where m meets a or b.
double depthIntegral(const ExcitingTerms &t, double b)
{
    const double a = t.a;
    const double m = t.m;
    const double s = a + b;
    if (b > m + SKIN_EXIT) {
        // A secondary line that only a thin skin under the surface lets out (soft lines, most
        // of the pairs): only the terms without exp(-b) remain, Ein(m) - gamma - ln m being
        // E1(m) and exp(-b) Ein(m - b) turning into -exp(-m) exp(-(b - m)) Ei(b - m).
        return (std::log1p(b / m) / b + t.skinA) / s - t.skinM / b -
               t.backFace * scaledEi(b - m) / (b * s);
    }
    const double eb = std::exp(-b);
    const double es = t.ea * eb;
    const double slab = -std::expm1(-s) / s;
    // Towards the exit surface and inwards, thick-layer parts ...
    const double thick = slab * (std::log1p(b / m) / b + t.logA);
    // ... less what the finite thickness takes away. es - eb and es - ea through expm1, for
    // thin layers.
    const double shared =
        (eb * std::expm1(-a) + t.ea * std::expm1(-b)) * t.lnM + (t.ea + eb) * t.einM;
    const double finite = shared / (a * b) - (es * std::log(m + b) + e1(m + b)) / (b * s) -
                          (es * t.lnMa + t.e1Ma) / (a * s) +
                          (EULER_GAMMA * es - eb * t.eaEinMa) / (a * s) +
                          (EULER_GAMMA * es - t.ea * scaledEin(m - b, b)) / (b * s);
    return thick - finite;
}

// Vacancies in K, L1, L2 and L3 once K vacancies have passed some on to the L subshells and
// Coster-Kronig transitions have moved L1 vacancies to L2 and L3 and L2 vacancies to L3.
void cascade(const ElementLines &el, const double ionised[FLUO_SHELL_COUNT],
             double vacancies[FLUO_SHELL_COUNT])
{
    vacancies[EdgeK] = ionised[EdgeK];
    vacancies[EdgeLI] = ionised[EdgeLI] + el.kToL[0] * vacancies[EdgeK];
    vacancies[EdgeLII] =
        ionised[EdgeLII] + el.kToL[1] * vacancies[EdgeK] + el.f12 * vacancies[EdgeLI];
    vacancies[EdgeLIII] = ionised[EdgeLIII] + el.kToL[2] * vacancies[EdgeK] +
                          el.f13 * vacancies[EdgeLI] + el.f23 * vacancies[EdgeLII];
}

// One element of the target or the binder, with what the model needs of it.
struct Emitter
{
    const ElementLines *lines = nullptr;
    const ElementCrossSections *xs = nullptr;
    double massPerArea = 0; // g/cm^2 of the element in the pellet
    double lowestEdge = 0;  // keV: photons at or below it ionise none of K ... L3
    int firstLine = 0;      // its first entry in the line arrays
};

// Photoionisation of K, L1, L2 and L3 by photons of energy E travelling one pellet thickness:
// the element's photoabsorption in the pellet as a mu t, shared out by the tabulated jump
// ratios. Returns false when no subshell is ionised.
bool ionisation(const Emitter &em, double E, double ionised[FLUO_SHELL_COUNT])
{
    if (!(E > em.lowestEdge))
        return false;
    const double tau = em.massPerArea * em.xs->photo(E);
    bool any = false;
    for (int s = 0; s < FLUO_SHELL_COUNT; ++s) {
        ionised[s] = tau * em.xs->shellShare(s, E);
        any = any || ionised[s] > 0.0;
    }
    return any;
}

// The pellet's scatter peaks, then what the detector makes of every record: its efficiency,
// and the escape peaks that take their share of each rate.
template <typename MuT, typename Path>
void addDetectorResponse(const DetailedInput &in, const Composition &tgt, const Composition &bnd,
                         double tgtMol, double bndMol, const MuT &mut, const Path &path,
                         DetailedLineSet &out)
{
    const SpectrumInput &sp = in.spectrum;
    QVector<Scatterer> scatterers;
    for (const Composition *comp : {&tgt, &bnd}) {
        const double mol = comp == &bnd ? bndMol : tgtMol;
        for (const CompEntry &entry : comp->entries) {
            Scatterer s;
            s.factors = in.scatter->element(entry.data->z);
            s.atomicWeight = entry.data->atomicWeight;
            s.massPerArea = mol * entry.amount * entry.data->atomicWeight;
            scatterers.append(s);
        }
    }
    ScatterGeometry geometry;
    geometry.E0 = sp.E0;
    geometry.incidenceDeg = in.incidenceDeg;
    geometry.exitDeg = in.exitDeg;
    geometry.distance = sp.detector.distanceCm;
    geometry.detRadius = sp.detector.radiusCm;
    geometry.polarised = in.polarised;
    const ScatterRates rates = pelletScatter(geometry, scatterers, mut);
    LinePeak rayleigh;
    rayleigh.kind = LinePeak::Kind::Scatter;
    rayleigh.lineName = QStringLiteral("Rayleigh");
    rayleigh.peakEnergy = sp.E0;
    rayleigh.peakIntensity = sp.I0 * rates.rayleigh * path(sp.E0);
    LinePeak compton = rayleigh;
    compton.lineName = QStringLiteral("Compton");
    compton.peakEnergy = rates.comptonEnergy;
    compton.peakIntensity = sp.I0 * rates.compton * path(compton.peakEnergy);
    compton.intrinsicFwhm = rates.comptonFwhm;
    out.lines.append(rayleigh);
    out.lines.append(compton);

    DetectorResponse detector;
    // The escape of a silicon detector is usually figured with Hubbell's K yield of Si (0.050,
    // the classic yield table's) rather than the 0.043 of Elam's line table; so the classic
    // table's yield of the crystal's element.
    const int z = sp.detector.material.z;
    const double kYield = sp.yieldK && sp.yieldSize > z ? sp.yieldK[z] : 0.0;
    if (in.crossSections && in.lines)
        detector.setUp(sp.detector, *in.crossSections, *in.lines, *in.scatter, kYield);
    const int parents = out.lines.size();
    double total = 0;
    for (int i = 0; i < parents; ++i) {
        LinePeak &peak = out.lines[i];
        const double E = peak.peakEnergy;
        const double eff = detector.efficiency(E);
        const double escape = detector.escapeFraction(E);
        const double recorded = peak.peakIntensity * eff;
        peak.peakIntensity = recorded * (1.0 - escape);
        peak.secondaryIntensity *= eff * (1.0 - escape);
        total += recorded;
        if (!(recorded * escape > 0))
            continue;
        LinePeak esc;
        esc.kind = LinePeak::Kind::Escape;
        esc.fromBinder = peak.fromBinder;
        esc.element = peak.element;
        esc.lineName = peak.lineName + QStringLiteral("_esc");
        esc.peakEnergy = E - detector.escapeShift();
        esc.peakIntensity = recorded * escape;
        esc.secondaryIntensity = peak.secondaryIntensity / (1.0 - escape) * escape;
        esc.intrinsicFwhm = peak.intrinsicFwhm;
        out.lines.append(esc);
    }
    out.detectorResponse = true;
    out.countRate = total;
}

} // namespace

double discSolidAngleFraction(double distance, double radius)
{
    // 1 - D / r = R^2 / (r (r + D)) with r = sqrt(D^2 + R^2): no cancellation for a small disc.
    const double r = std::sqrt(distance * distance + radius * radius);
    return 0.5 * (radius * radius) / (r * (r + distance));
}

double secondaryDepthIntegral(double a, double b, double m)
{
    return depthIntegral(excitingTerms(a, m), b);
}

void computeDetailedLines(const DetailedInput &in, DetailedLineSet &out)
{
    const SpectrumInput &sp = in.spectrum;
    out.lines.clear();
    out.detectorResponse = false;
    out.countRate = 0.0;

    if (!in.lines || !in.crossSections)
        return;
    // The same compositions and path, with the tabulated cross sections whatever their own
    // choice.
    Composition tgt = *sp.tgt;
    Composition bnd = *sp.bnd;
    tgt.tabulated = bnd.tabulated = in.crossSections;
    const LightPath exitPath = sp.exit.withTabulated(in.crossSections);

    // Moles of each composition per cm^2; a blank pellet holds its binder alone.
    const bool blank = isBlankPellet(sp.tgtMolPerArea, sp.bndPerTgt);
    const double tgtMol = sp.tgtMolPerArea;
    const double bndMol = blank ? sp.bndMolPerArea : sp.tgtMolPerArea * sp.bndPerTgt;
    const auto mut = [&](double E) {
        return tgtMol * tgt.absorption(E) +
               (bnd.entries.isEmpty() ? 0.0 : bndMol * bnd.absorption(E));
    };
    const double sinIn = std::sin(in.incidenceDeg * DEGREE);
    const double sinOut = std::sin(in.exitDeg * DEGREE);
    const double a = mut(sp.E0) / sinIn;
    const double scale =
        sp.I0 * discSolidAngleFraction(sp.detector.distanceCm, sp.detector.radiusCm);

    // Every element of both compositions with its lines, in the order of the records.
    QVector<Emitter> emitters;
    for (const Composition *comp : {&tgt, &bnd}) {
        const bool fromBinder = comp == &bnd;
        const double mol = fromBinder ? bndMol : tgtMol;
        for (const CompEntry &entry : comp->entries) {
            Emitter em;
            em.lines = in.lines->element(entry.data->z);
            em.xs = in.crossSections->element(entry.data->z);
            em.massPerArea = mol * entry.amount * entry.data->atomicWeight;
            em.firstLine = out.lines.size();
            em.lowestEdge = HUGE_VAL;
            for (int s = 0; em.xs && s < FLUO_SHELL_COUNT; ++s) {
                if (const TabulatedEdge *edge = em.xs->edge(s))
                    em.lowestEdge = std::min(em.lowestEdge, edge->energy);
            }
            if (!em.lines)
                continue;
            for (const EmissionLine &l : em.lines->lines) {
                LinePeak peak;
                peak.peakEnergy = l.energy;
                peak.fromBinder = fromBinder;
                peak.element = entry.symbol;
                peak.lineName = l.name;
                out.lines.append(peak);
            }
            emitters.append(em);
        }
    }

    // Per line: what the beam makes it emit per unit mu t of depth (g = V omega r), and its exit
    // term b.
    const int nLines = out.lines.size();
    QVector<double> production(nLines, 0.0), exitTerm(nLines, 0.0), secondary(nLines, 0.0);
    for (const Emitter &em : qAsConst(emitters)) {
        double ionised[FLUO_SHELL_COUNT] = {0, 0, 0, 0};
        double vacancies[FLUO_SHELL_COUNT] = {0, 0, 0, 0};
        if (em.xs && ionisation(em, sp.E0, ionised))
            cascade(*em.lines, ionised, vacancies);
        for (int j = 0; j < em.lines->lines.size(); ++j) {
            const EmissionLine &l = em.lines->lines.at(j);
            const int i = em.firstLine + j;
            production[i] = vacancies[l.shell] * em.lines->yield[l.shell] * l.rate;
            exitTerm[i] = mut(l.energy) / sinOut;
        }
    }

    if (in.secondary) {
        // Secondary fluorescence is linear in what the exciting lines emit, so lines of one
        // energy (Ka1 and Ka2 of the light elements, an element in both compositions) excite
        // together.
        QVector<std::pair<double, double>> exciting; // energy, production
        for (int i = 0; i < nLines; ++i) {
            if (production[i] > 0.0)
                exciting.append({out.lines.at(i).peakEnergy, production[i]});
        }
        std::sort(exciting.begin(), exciting.end());
        for (int i = 0; i < exciting.size(); ++i) {
            const double Ei = exciting.at(i).first;
            double emitted = exciting.at(i).second;
            while (i + 1 < exciting.size() && exciting.at(i + 1).first == Ei)
                emitted += exciting.at(++i).second;
            const double m = mut(Ei);
            if (!(m > 0.0))
                continue;
            const ExcitingTerms terms = excitingTerms(a, m);
            const double weight = emitted / (2.0 * sinIn);
            for (const Emitter &em : qAsConst(emitters)) {
                double ionised[FLUO_SHELL_COUNT];
                double vacancies[FLUO_SHELL_COUNT];
                if (!em.xs || !ionisation(em, Ei, ionised))
                    continue;
                cascade(*em.lines, ionised, vacancies);
                double lastB = -1.0;
                double lastJ = 0.0;
                for (int j = 0; j < em.lines->lines.size(); ++j) {
                    const EmissionLine &l = em.lines->lines.at(j);
                    const double made = vacancies[l.shell] * em.lines->yield[l.shell] * l.rate;
                    if (!(made > 0.0))
                        continue;
                    const int k = em.firstLine + j;
                    const double b = exitTerm[k];
                    if (!(b > 0.0))
                        continue;
                    // Lines of one energy (Ka1 and Ka2 of the light elements) share J.
                    if (b != lastB) {
                        lastB = b;
                        lastJ = depthIntegral(terms, b);
                    }
                    secondary[k] += weight * made * lastJ;
                }
            }
        }
    }

    // Air and filters between pellet and detector.
    const auto path = [&](double E) { return exitPath.transmission(E); };
    for (int i = 0; i < nLines; ++i) {
        LinePeak &peak = out.lines[i];
        const double primary = production[i] / sinIn * slabFactor(a + exitTerm[i]);
        const double T = path(peak.peakEnergy);
        peak.peakIntensity = T * scale * (primary + secondary[i]);
        peak.secondaryIntensity = T * scale * secondary[i];
    }
    if (in.scatter)
        addDetectorResponse(in, tgt, bnd, tgtMol, bndMol, mut, path, out);
}

void renderDetailedSpectrum(const DetailedLineSet &lines, const SpectrumInput &view,
                            double *spectrum, SpectrumResult &result)
{
    const int n = view.gridPoints;
    const double gaussWidth = gaussianWidth(view.detector.fwhm);
    const double integScale = unitAreaPeak(view.detector.fwhm) * view.channelWidth;
    const double eLo = n > 0 ? view.gridE[0] : 0.0;
    const double eHi = n > 0 ? view.gridE[n - 1] : 0.0;

    std::fill(spectrum, spectrum + n, 0.0);
    result.linePeaks.clear();
    result.labelList.clear();
    result.infoText.clear();

    const double step = evenStep(view.gridE, n);
    double peakMax = 0.0;
    for (const LinePeak &line : lines.lines) {
        const double I = line.peakIntensity;
        // A line that nothing excites adds nothing but the cost of its Gaussian.
        if (I != 0.0) {
            double width = gaussWidth;
            double toInteg = integScale;
            if (lines.detectorResponse) {
                // The detector's width at the peak's energy, with what the peak brings of its
                // own in quadrature.
                const double det = detectorFwhm(view.detector, line.peakEnergy);
                const double fwhm = std::sqrt(det * det + line.intrinsicFwhm * line.intrinsicFwhm);
                width = gaussianWidth(fwhm);
                toInteg = unitAreaPeak(fwhm) * view.channelWidth;
            }
            addGaussianByRecurrence(view.gridE, n, step, line.peakEnergy,
                                    view.integ ? I * toInteg : I, width, spectrum);
        }
        if (!(eLo < line.peakEnergy && line.peakEnergy < eHi))
            continue;
        peakMax = std::max(peakMax, I);
        result.linePeaks.append(line);
    }

    finishSpectrum(spectrum, n, peakMax, view.ratio, result);
}

void simulateDetailed(const DetailedInput &in, double *spectrum, SpectrumResult &result)
{
    DetailedLineSet lines;
    computeDetailedLines(in, lines);
    renderDetailedSpectrum(lines, in.spectrum, spectrum, result);
}
