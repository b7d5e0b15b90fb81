#include "IonChamber.h"

#include "DetectorConstants.h"

#include <QStringList>

#include <cmath>
#include <limits>

namespace {

const IonGas *gasByName(const QString &name)
{
    for (const IonGas &g : ION_GASES) {
        if (name.compare(QLatin1String(g.name), Qt::CaseInsensitive) == 0)
            return &g;
    }
    return nullptr;
}

// Cross section [cm2 per mole of molecules] of one gas: photoabsorption, or the total.
double molarCrossSection(const IonGas &gas, double E, bool total, const CrossSectionTable &table,
                         const XrayDataBase &db)
{
    double sum = 0;
    for (const IonGasAtom &a : gas.atoms) {
        if (!a.symbol)
            continue;
        const AtomData *atom = db.find(QLatin1String(a.symbol));
        const ElementCrossSections *x = atom ? table.element(atom->z) : nullptr;
        if (!x)
            continue;
        sum += a.count * atom->atomicWeight * (total ? x->total(E) : x->photo(E));
    }
    return sum;
}

} // namespace

QString gasNames()
{
    QStringList names;
    for (const IonGas &g : ION_GASES)
        names << QLatin1String(g.name);
    return names.join(QStringLiteral(", "));
}

bool parseGasMixture(const QString &text, GasMixture *mixture)
{
    GasMixture m;
    const QStringList parts = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return false;
    double sum = 0;
    for (const QString &part : parts) {
        const int colon = int(part.indexOf(QLatin1Char(':')));
        const QString name = colon < 0 ? part : part.left(colon);
        const IonGas *gas = gasByName(name);
        if (!gas)
            return false;
        double fraction = 1;
        if (colon >= 0) {
            bool ok = false;
            fraction = part.mid(colon + 1).toDouble(&ok);
            if (!ok || !std::isfinite(fraction) || !(fraction > 0))
                return false;
        }
        sum += fraction;
        bool merged = false;
        for (GasShare &s : m.shares) {
            if (s.gas == gas) {
                s.fraction += fraction;
                merged = true;
            }
        }
        if (!merged)
            m.shares.append(GasShare{gas, fraction});
    }
    if (!std::isfinite(sum))
        return false;
    for (GasShare &s : m.shares)
        s.fraction /= sum;
    *mixture = m;
    return true;
}

double gasMolesPerCm3(double pressureBar)
{
    constexpr double PASCAL_PER_BAR = 1e5;
    constexpr double CM3_PER_M3 = 1e6;
    return pressureBar * PASCAL_PER_BAR / (GAS_CONSTANT * CHAMBER_TEMPERATURE_K) / CM3_PER_M3;
}

ChamberAbsorption chamberAbsorption(const GasMixture &gas, double lengthCm, double pressureBar,
                                    double energyKeV, const CrossSectionTable &table,
                                    const XrayDataBase &db)
{
    const double molesPerArea = gasMolesPerCm3(pressureBar) * lengthCm;
    double photoMuT = 0;
    double totalMuT = 0;
    double pairsPerEV = 0; // ion pairs per eV absorbed, times the photoabsorption mu t
    for (const GasShare &s : gas.shares) {
        const double photo =
            s.fraction * molesPerArea * molarCrossSection(*s.gas, energyKeV, false, table, db);
        photoMuT += photo;
        totalMuT +=
            s.fraction * molesPerArea * molarCrossSection(*s.gas, energyKeV, true, table, db);
        pairsPerEV += photo / s.gas->pairEnergyEV;
    }
    ChamberAbsorption c;
    c.absorbed = -std::expm1(-photoMuT);
    c.transmitted = std::exp(-totalMuT);
    c.pairEnergyEV =
        photoMuT > 0 ? photoMuT / pairsPerEV : std::numeric_limits<double>::quiet_NaN();
    return c;
}

double fluxFromCurrent(double currentA, double energyKeV, const ChamberAbsorption &chamber)
{
    constexpr double EV_PER_KEV = 1000.0;
    const double pairsPerPhoton = energyKeV * EV_PER_KEV / chamber.pairEnergyEV;
    return currentA / (ELEMENTARY_CHARGE * pairsPerPhoton * chamber.absorbed);
}

double transmissionChiNoise(const TransmissionPoint &p)
{
    const double n0 = p.sampleFlux * p.pointTime * p.f0 / p.t0;
    const double n1 = p.sampleFlux * p.pointTime * std::exp(-p.muT) * p.f1;
    return std::sqrt(1 / n0 + 1 / n1) / p.dMuT;
}

double transmissionTimeFor(const TransmissionPoint &p, double targetChiNoise)
{
    // The noise goes as one over the square root of the time.
    TransmissionPoint second = p;
    second.pointTime = 1;
    const double atOneSecond = transmissionChiNoise(second);
    return atOneSecond * atOneSecond / (targetChiNoise * targetChiNoise);
}

double bestTransmissionMuT(double f0, double t0, double f1)
{
    const double k = 2 * t0 * f1 / f0;
    if (!(f0 > 0) || !(f1 > 0) || !std::isfinite(k))
        return std::numeric_limits<double>::quiet_NaN();
    // exp(x) (x - 2) rises from 0 at x = 2 and passes k before 3 + k: bisection.
    double lo = 2;
    double hi = 3 + k;
    for (int i = 0; i < 200 && hi - lo > 1e-12 * hi; ++i) {
        const double mid = 0.5 * (lo + hi);
        if (std::exp(mid) * (mid - 2) < k)
            lo = mid;
        else
            hi = mid;
    }
    return 0.5 * (lo + hi);
}
