#include "DetectorResponse.h"

#include "PhysicsCommon.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double FINE_STRUCTURE_INVERSE = 137.035999084;
constexpr double AVOGADRO = 6.02214076e23;
constexpr double ELECTRON_RADIUS_CM = 2.8179403262e-13;

// The cone of directions towards the detector disc is sampled by Gauss-Legendre nodes in the
// cosine of the angle to its axis and evenly spaced azimuths. Everything integrated over it is a
// smooth, low-order function of the direction, so a few points are exact to far below the
// accuracy of the cross sections.
constexpr int CONE_RINGS = 3;
constexpr int CONE_AZIMUTHS = 8;
const double GL_NODES[CONE_RINGS] = {-0.7745966692414834, 0.0, 0.7745966692414834};
const double GL_WEIGHTS[CONE_RINGS] = {5.0 / 9.0, 8.0 / 9.0, 5.0 / 9.0};

struct Vec
{
    double x, y, z;
};
double dot(const Vec &a, const Vec &b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

} // namespace

double comptonEnergy(double E0, double thetaRad)
{
    return E0 / (1.0 + E0 / ELECTRON_REST_ENERGY_KEV * (1.0 - std::cos(thetaRad)));
}

bool DetectorResponse::setUp(const Detector &detector, const CrossSectionTable &xs,
                             const FluoLineTable &lines, const ScatterTable &scatter, double kYield)
{
    valid = false;
    crystal.clear();
    kEdges.clear();
    windows.clear();
    escapes.clear();

    // The crystal's elements by mass. One element takes a mass fraction of exactly 1, so that a
    // silicon crystal computes as it always has.
    const DetectorMaterial &m = detector.material;
    double formulaWeight = 0;
    for (const DetectorAtom &atom : m.atoms) {
        if (atom.z > 0)
            formulaWeight += atom.count * atom.atomicWeight;
    }
    QVector<const ElementLines *> crystalLines;
    for (const DetectorAtom &atom : m.atoms) {
        if (atom.z <= 0)
            continue;
        const ElementCrossSections *element = xs.element(atom.z);
        const ElementLines *elementLines = lines.element(atom.z);
        if (!element || !elementLines || !element->edge(EdgeK) || !(formulaWeight > 0))
            return false;
        crystal.append(Part{element, atom.count * atom.atomicWeight / formulaWeight});
        kEdges.append(element->edge(EdgeK)->energy);
        crystalLines.append(elementLines);
    }
    if (crystal.isEmpty())
        return false;

    for (const DetectorWindow &w : detector.windows) {
        Window window;
        if (w.composition.valid && !w.composition.entries.isEmpty()) {
            double weight = 0;
            for (const CompEntry &e : w.composition.entries)
                weight += e.amount * e.data->atomicWeight;
            for (const CompEntry &e : w.composition.entries) {
                const ElementCrossSections *part = xs.element(e.data->z);
                if (!part || !(weight > 0))
                    return false;
                window.parts.append(Part{part, e.amount * e.data->atomicWeight / weight});
            }
            window.arealDensity = w.density * w.thicknessUm * UM_TO_CM;
        } else {
            const ElementCrossSections *windowXs = xs.element(w.z);
            const ElementScatter *windowBulk = scatter.element(w.z);
            if (!windowXs || !windowBulk)
                return false;
            window.parts.append(Part{windowXs, 1.0});
            window.arealDensity = windowBulk->density * w.thicknessUm * UM_TO_CM;
        }
        windows.append(window);
    }
    crystalArealDensity = m.density * detector.crystalThicknessMm * MM_TO_CM;
    deadLayerArealDensity = m.density * detector.deadLayerUm * UM_TO_CM;
    const auto crystalTotal = [&](double E) {
        double mu = 0.0;
        for (const Part &p : qAsConst(crystal))
            mu += p.massFraction * p.xs->total(E);
        return mu;
    };

    for (int p = 0; p < crystal.size(); ++p) {
        const ElementLines &el = *crystalLines.at(p);
        // The Ka pair (K-L2, K-L3) and the rest of the K lines, each at its rate-weighted
        // energy.
        double kaRate = 0, kaSum = 0, kbRate = 0, kbSum = 0;
        for (const EmissionLine &l : el.lines) {
            if (l.shell != EdgeK)
                continue;
            if (l.name.startsWith(QLatin1String("Ka"))) {
                kaRate += l.rate;
                kaSum += l.rate * l.energy;
            } else {
                kbRate += l.rate;
                kbSum += l.rate * l.energy;
            }
        }
        if (!(kaRate > 0))
            return false;
        const double yield = crystal.size() == 1 && kYield > 0 ? kYield : el.yield[EdgeK];
        Escape ka;
        ka.part = p;
        ka.energy = kaSum / kaRate;
        ka.attenuation = crystalTotal(ka.energy);
        if (!m.escapeByLine) {
            ka.scale = 0.5 * yield;
            ka.suffix = QStringLiteral("_esc");
            escapes.append(ka);
            continue;
        }
        const QString symbol = crystal.at(p).xs->symbol;
        ka.scale = 0.5 * yield * kaRate / (kaRate + kbRate);
        ka.suffix = QStringLiteral("_esc") + symbol + QStringLiteral("Ka");
        escapes.append(ka);
        if (kbRate > 0) {
            Escape kb = ka;
            kb.energy = kbSum / kbRate;
            kb.attenuation = crystalTotal(kb.energy);
            kb.scale = 0.5 * yield * kbRate / (kaRate + kbRate);
            kb.suffix = QStringLiteral("_esc") + symbol + QStringLiteral("Kb");
            escapes.append(kb);
        }
    }
    valid = true;
    return true;
}

double DetectorResponse::crystalPhoto(double E) const
{
    double tau = 0.0;
    for (const Part &p : crystal)
        tau += p.massFraction * p.xs->photo(E);
    return tau;
}

double DetectorResponse::efficiency(double E) const
{
    if (!valid)
        return 1.0;
    double attenuation = 0.0;
    for (const Window &w : windows) {
        double mu = 0.0;
        for (const Part &p : w.parts)
            mu += p.massFraction * p.xs->total(E);
        attenuation += mu * w.arealDensity;
    }
    if (deadLayerArealDensity > 0) {
        double mu = 0.0;
        for (const Part &p : crystal)
            mu += p.massFraction * p.xs->total(E);
        attenuation += mu * deadLayerArealDensity;
    }
    return std::exp(-attenuation) * -std::expm1(-crystalPhoto(E) * crystalArealDensity);
}

double DetectorResponse::escapeFraction(double E, int line) const
{
    if (!valid || line < 0 || line >= escapes.size())
        return 0.0;
    const Escape &l = escapes.at(line);
    if (!(E > kEdges.at(l.part)))
        return 0.0;
    const double tau = crystalPhoto(E);
    if (!(tau > 0) || !(l.attenuation > 0))
        return 0.0;
    const Part &p = crystal.at(l.part);
    // One element: its K share of its own photoabsorption, as the line table gives it.
    const double kShare = crystal.size() == 1
                              ? p.xs->shellShare(EdgeK, E)
                              : p.massFraction * p.xs->photo(E) * p.xs->shellShare(EdgeK, E) / tau;
    const double r = l.attenuation / tau;
    return l.scale * kShare * (1.0 - r * std::log1p(1.0 / r));
}

double DetectorResponse::escapeFraction(double E) const
{
    double sum = 0.0;
    for (int line = 0; line < escapes.size(); ++line)
        sum += escapeFraction(E, line);
    return sum;
}

ScatterRates pelletScatter(const ScatterGeometry &g, const QVector<Scatterer> &elements,
                           const std::function<double(double)> &mut)
{
    ScatterRates out;
    const double alpha = g.incidenceDeg * DEGREE;
    const double beta = g.exitDeg * DEGREE;
    const double sinIn = std::sin(alpha);
    // Where the peak lies when nothing reaches the detector: on the axis.
    out.comptonEnergy = comptonEnergy(g.E0, alpha + beta);
    if (!(g.E0 > 0) || !(sinIn > 0) || !(g.distance >= 0) || !(g.detRadius > 0))
        return out;

    // The surface normal is z; the beam travels along +x and down, the detector axis leaves
    // along +x and up, so that the scattering angle of the axis is alpha + beta. A beam
    // polarised in that plane has its electric vector perpendicular to the beam within it.
    const Vec beam{std::cos(alpha), 0.0, -sinIn};
    const Vec field{sinIn, 0.0, std::cos(alpha)};
    const Vec axis{std::cos(beta), 0.0, std::sin(beta)};
    const Vec across1{-std::sin(beta), 0.0, std::cos(beta)};
    const Vec across2{0.0, 1.0, 0.0};
    const double cosCone = g.distance / std::hypot(g.distance, g.detRadius);

    const double a = mut(g.E0) / sinIn;
    const double re2 = ELECTRON_RADIUS_CM * ELECTRON_RADIUS_CM;
    const double xPerKev = 1.0 / 12.3984172; // sin(theta / 2) / lambda per keV and unit sine

    double meanE = 0, meanE2 = 0, doppler2 = 0;
    for (int ring = 0; ring < CONE_RINGS; ++ring) {
        const double u = 0.5 * (1.0 + cosCone) + 0.5 * (1.0 - cosCone) * GL_NODES[ring];
        const double sinPsi = std::sqrt(std::max(0.0, 1.0 - u * u));
        const double ringWeight = 0.5 * (1.0 - cosCone) * GL_WEIGHTS[ring] * 2.0 * PI;
        for (int k = 0; k < CONE_AZIMUTHS; ++k) {
            const double chi = 2.0 * PI * (k + 0.5) / CONE_AZIMUTHS;
            const double c1 = sinPsi * std::cos(chi);
            const double c2 = sinPsi * std::sin(chi);
            const Vec d{u * axis.x + c1 * across1.x + c2 * across2.x,
                        u * axis.y + c1 * across1.y + c2 * across2.y,
                        u * axis.z + c1 * across1.z + c2 * across2.z};
            // A direction into the pellet reaches no detector in front of it.
            if (!(d.z > 0))
                continue;
            const double w = ringWeight / CONE_AZIMUTHS;
            const double cosTheta = std::clamp(dot(beam, d), -1.0, 1.0);
            const double theta = std::acos(cosTheta);
            const double sin2 = 1.0 - cosTheta * cosTheta;
            // (e . d)^2 for the polarised beam; its average over the azimuth otherwise.
            const double along = g.polarised ? dot(field, d) * dot(field, d) : 0.5 * sin2;
            const double x = g.E0 * std::sin(0.5 * theta) * xPerKev;
            const double Ec = comptonEnergy(g.E0, theta);
            const double ratio = Ec / g.E0;
            const double kn = 0.5 * ratio * ratio * (ratio + 1.0 / ratio - 2.0 * along);
            double rayl = 0, compt = 0, profile = 0;
            for (const Scatterer &s : elements) {
                if (!s.factors || !(s.atomicWeight > 0))
                    continue;
                const double perGram = s.massPerArea * re2 * AVOGADRO / s.atomicWeight;
                const double F = s.factors->formFactor(x);
                const double incoh = perGram * kn * s.factors->incoherentFunction(x);
                rayl += perGram * (1.0 - along) * F * F;
                compt += incoh;
                profile += incoh * s.factors->profileFwhm;
            }
            const double rRate = w * rayl / sinIn * slabFactor(a + mut(g.E0) / d.z);
            const double cRate = w * compt / sinIn * slabFactor(a + mut(Ec) / d.z);
            out.rayleigh += rRate;
            out.compton += cRate;
            if (compt > 0) {
                // The Compton line of an electron of momentum p_z along the momentum transfer
                // q is shifted by about q c (Ec / E0) p_z / (m c); a Gaussian of the Compton
                // profile's FWHM stands in for the profile itself, whose tails are longer.
                const double qc = std::sqrt(g.E0 * g.E0 + Ec * Ec - 2.0 * g.E0 * Ec * cosTheta);
                const double width = qc * ratio * (profile / compt) / FINE_STRUCTURE_INVERSE;
                meanE += cRate * Ec;
                meanE2 += cRate * Ec * Ec;
                doppler2 += cRate * width * width;
            }
        }
    }
    if (out.compton > 0) {
        out.comptonEnergy = meanE / out.compton;
        const double spread =
            std::max(0.0, meanE2 / out.compton - out.comptonEnergy * out.comptonEnergy);
        out.comptonFwhm =
            std::sqrt(doppler2 / out.compton + SIGMA_TO_FWHM * SIGMA_TO_FWHM * spread);
    }
    return out;
}
