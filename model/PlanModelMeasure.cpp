// The measurement half of the plan: the ion chambers before and after the pellet, the flux their
// current gives, and the shot noise of a transmission point.
#include "PlanModel.h"
#include "PlanText.h"

#include "IonChamber.h"
#include "VectorState.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <cmath>

namespace {

constexpr unsigned MEASURE_READOUTS = READS_CHAMBERS | READS_TRANS_NOISE;

} // namespace

void PlanModel::inAmplifier()
{
    // The amplifier is how the current is read off; the current is what the flux is computed
    // from, so an edit of either setting writes it.
    setStyle(AmpVoltage, StyleNormal);
    setStyle(AmpSensitivity, StyleNormal);
    if (anyFlagged({AmpVoltage, AmpSensitivity}))
        return;
    // Written as currents are typed: 2.5e-9, not 2.5e-09.
    QString current = QString::number(number(AmpVoltage) * number(AmpSensitivity), 'g', 6);
    current.replace(QRegularExpression(QStringLiteral("e([+-])0*(\\d)")),
                    QStringLiteral("e\\1\\2"));
    current.replace(QLatin1String("e+"), QLatin1String("e"));
    setText(ChamberCurrent, current);
    setStyle(ChamberCurrent, StyleDerived);
}

void PlanModel::clearReadouts(unsigned mask)
{
    for (int o = 0; o < OutputCount; ++o) {
        if (mask & readoutBit(Output(o))) {
            unanswered &= ~readoutBit(Output(o));
            setOutputText(Output(o), QString());
        }
    }
}

void PlanModel::updateFluoNoiseReadouts()
{
    fluoNoiseWhy.clear();
    fluoRoi = Roi();
    // Without a pellet or a range there is no spectrum, and nothing to say about it.
    if (!curveShown) {
        clearReadouts(READS_FLUO_NOISE);
        return;
    }
    const auto empty = [this](const QString &why) {
        clearReadouts(READS_FLUO_NOISE);
        fluoNoiseWhy = why;
    };
    if (!fluoPlan.detectorKnown())
        return empty(trMain("The noise of a fluorescence point needs the detailed model, which "
                            "knows what the detector records."));
    if (elementIndex < 0 || elementIndex >= tgtComp.entries.size())
        return empty(QString());
    const CompEntry &absorber = tgtComp.entries.at(elementIndex);
    const QStringList lines = roiLineNames(edgeIndex);
    if (lines.isEmpty())
        return empty(trMain("No fluorescence noise at an M edge: its lines are not tabulated."));
    const double edge = absorber.data->edge[edgeIndex];
    if (!(number(ExtEnergy) > edge))
        return empty(
            trMain("Ext.Eng. lies below the %1 %2 edge (%3 keV): the element gives no "
                   "fluorescence to count there.")
                .arg(absorber.symbol, edgeNames.value(edgeIndex), QString::number(edge, 'f', 4)));
    const QVector<LinePeak> &records = fluoPlan.detailedLines.lines;
    const Detector &detector = fluoPlan.lastDetector();
    // Bounds left empty are the main lines' centre less and plus the FWHM there.
    Roi roi = roiAroundLines(records, absorber.symbol, lines, detector);
    if (!inputs[RoiLow].trimmed().isEmpty())
        roi.low = number(RoiLow);
    if (!inputs[RoiHigh].trimmed().isEmpty())
        roi.high = number(RoiHigh);
    if (!roi.valid())
        return empty(trMain("The region of interest is empty: set ROI high above ROI low."));
    fluoRoi = roi;
    const RoiRates rates =
        roiRates(records, absorber.symbol, roi, detector, fluoPlan.liveFraction());
    setOutputNumber(RoiSignal, rates.signal, 'e', 3, QStringLiteral(" /s"));
    setOutputNumber(RoiBackground, rates.background, 'e', 3, QStringLiteral(" /s"));
    if (!(rates.signal > 0)) {
        // The rates stay: a background without signal is worth seeing.
        clearReadouts(readoutBit(ChiNoiseFluo) | readoutBit(PointTimeFluo));
        fluoNoiseWhy =
            trMain("No line of %1 falls into the region of interest.").arg(absorber.symbol);
        return;
    }
    setOutputNumber(ChiNoiseFluo, fluorescenceChiNoise(rates, number(PointTime)), 'e', 3);
    setOutputNumber(PointTimeFluo, fluorescenceTimeFor(rates, number(TargetChiNoise)), 'g', 4,
                    QStringLiteral(" s"));
}

void PlanModel::updateMeasureReadouts()
{
    measureWhy.clear();
    updateFluoNoiseReadouts();
    const auto clear = [this](unsigned mask) { clearReadouts(mask); };
    if (crossSections.size() == 0) {
        clear(MEASURE_READOUTS);
        measureWhy = trMain("The chambers need the tabulated cross sections, which are missing.");
        return;
    }
    // Every edit passes here: a gas is read again only when its text changed.
    for (int c = 0; c < 2; ++c) {
        const QString &text = inputs[c == 0 ? I0ChamberGas : ItChamberGas];
        if (!gasRead[c] || text != gasTexts[c]) {
            gasTexts[c] = text;
            gasSound[c] = parseGasMixture(text, &gases[c]);
            gasRead[c] = true;
        }
    }
    const GasMixture &gas0 = gases[0];
    const GasMixture &gas1 = gases[1];
    const bool sound0 = gasSound[0];
    const bool sound1 = gasSound[1];
    const auto chamber = [this](const GasMixture &gas, Input length, Input pressure, double E) {
        return chamberAbsorption(gas, number(length), number(pressure), E, crossSections, xrayDb);
    };

    // At the excitation energy: what each chamber absorbs, and the flux its current stands for.
    const double E0 = number(ExtEnergy);
    if (sound0) {
        const ChamberAbsorption c0 = chamber(gas0, I0ChamberLength, I0ChamberPressure, E0);
        setOutputNumber(I0Absorbed, 100 * c0.absorbed, 'g', 4, QStringLiteral(" %"));
        setOutputNumber(FluxFromCurrent, fluxFromCurrent(number(ChamberCurrent), E0, c0), 'e', 4,
                        QStringLiteral(" photons/s"));
    } else {
        clear(readoutBit(I0Absorbed) | READS_FLUX);
    }
    if (sound1) {
        const ChamberAbsorption c1 = chamber(gas1, ItChamberLength, ItChamberPressure, E0);
        setOutputNumber(ItAbsorbed, 100 * c1.absorbed, 'g', 4, QStringLiteral(" %"));
    } else {
        clear(readoutBit(ItAbsorbed));
    }

    // Just above the calculation point, where mu(+)t and d-mu t are read: the noise of a point.
    // Without a pellet there is nothing to compute it from; a flagged field of the pellet
    // empties it with the pellet's read-outs.
    if (!pelletUsable() || !sound0 || !sound1) {
        clear(READS_TRANS_NOISE);
        return;
    }
    if (!(curDMuT > 0) || !std::isfinite(curMuT)) {
        clear(READS_TRANS_NOISE);
        measureWhy = trMain("The noise of chi needs an edge jump at the calculation point.");
        return;
    }
    const double E = calcPointE + EDGE_DELTA;
    const ChamberAbsorption c0 = chamber(gas0, I0ChamberLength, I0ChamberPressure, E);
    const ChamberAbsorption c1 = chamber(gas1, ItChamberLength, ItChamberPressure, E);
    TransmissionPoint p;
    p.sampleFlux = number(I0Flux);
    p.pointTime = number(PointTime);
    p.f0 = c0.absorbed;
    p.t0 = c0.transmitted;
    p.f1 = c1.absorbed;
    p.muT = curMuT;
    p.dMuT = curDMuT;
    setOutputNumber(ChiNoiseTrans, transmissionChiNoise(p), 'e', 3);
    setOutputNumber(PointTimeTrans, transmissionTimeFor(p, number(TargetChiNoise)), 'g', 4,
                    QStringLiteral(" s"));
    // The windows stay as they are while the pellet is made thicker or thinner: they weaken the
    // It chamber's count as a smaller f1 would, and add their mu t to the best total.
    const double windows = windowsMuTAt(E);
    setOutputNumber(BestMuT, bestTransmissionMuT(p.f0, p.t0, p.f1 * std::exp(-windows)) + windows,
                    'f', 3);
}

bool PlanModel::useChamberFlux()
{
    cleanVectorState();
    GasMixture gas;
    const bool sound = parseGasMixture(inputs[I0ChamberGas], &gas) &&
                       !anyFlagged({ChamberCurrent, I0ChamberLength, I0ChamberPressure, ExtEnergy});
    double flux = std::nan("");
    if (sound && crossSections.size() > 0) {
        const double E0 = number(ExtEnergy);
        const ChamberAbsorption c0 = chamberAbsorption(
            gas, number(I0ChamberLength), number(I0ChamberPressure), E0, crossSections, xrayDb);
        flux = fluxFromCurrent(number(ChamberCurrent), E0, c0) * c0.transmitted;
    }
    if (!std::isfinite(flux)) {
        Q_EMIT statusMessage(trMain("No flux can be computed from the I0 chamber as it stands."),
                             10000);
        return false;
    }
    setInput(I0Flux, QString::number(flux, 'g', 6));
    return true;
}

QString PlanModel::measureProblem() const
{
    return measureWhy.isEmpty() ? fluoNoiseWhy : measureWhy;
}
