// The plan's side of the spectrum: the physics inputs its fields give, the read-outs of the
// detector, and the exports.
#include "PlanModel.h"
#include "PlanText.h"

#include "SafeWrite.h"
#include "VectorState.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

void PlanModel::refreshPlot()
{
    // Every recomputation passes here, mostly straight after a repaint or a composition parsed
    // through a hash: both leave the vector state that slows exp and log several times.
    cleanVectorState();
    // Without a pellet to compute with the plot is blank and every result of the pellet empty
    // (the last step), a spectrum left from the last one included; without a range only the
    // spectrum's results keep their last value.
    // While a field is flagged the plan computes with its last sound value: a curve or spectrum
    // drawn from it would answer another plan, so the plot leaves out what the field feeds.
    const bool usable = pelletUsable();
    const unsigned flagged = readoutsOfFlagged();
    curveShown = usable && !(flagged & readoutBit(CylWeight)) && calcMuTCurve();
    if (usable) {
        updateCalcPointReadouts();
        updateFxafsCheck();
    }
    const auto dropSpectrum = [this] {
        std::fill(std::begin(fluoSpectrum), std::end(fluoSpectrum), 0.0);
        spectrum = SpectrumResult();
    };
    if (!usable || (flagged & readoutBit(CylWeight)))
        dropSpectrum();
    if (curveShown) {
        const SpectrumInput in = spectrumInput();
        // The read-outs above reached the window, whose widgets may have painted since.
        cleanVectorState();
        if (options[DetailedFluo]) {
            DetailedInput d;
            d.incidenceDeg = number(IncidenceAngle);
            d.exitDeg = number(ExitAngle);
            d.secondary = options[SecondaryFluo];
            d.lines = &fluoLines;
            d.crossSections = &crossSections;
            d.scatter = scatterFactors.size() > 0 ? &scatterFactors : nullptr;
            d.polarised = options[BeamPolarised];
            d.pileupTime = number(PileupTime) * 1e-6;
            d.frontWindow = frontWindow();
            d.backWindow = backWindow();
            fluoPlan.simulate(in, &d);
        } else {
            fluoPlan.simulate(in, nullptr);
        }
        setOutputText(AddInfo, spectrum.infoText);
        if (spectrum.complete)
            unanswered &= ~readoutBit(AddInfo);
        else
            unanswered |= readoutBit(AddInfo);
        updateDetectorReadouts();
        if (flagged & readoutBit(AddInfo))
            dropSpectrum();
    }
    updateMeasureReadouts();
    updateMeasured();
    clearReadoutsOfFlagged();
    Q_EMIT plotChanged();
}

void PlanModel::updateDetectorReadouts()
{
    // Only the detailed model knows what the detector records.
    if (!fluoPlan.detectorKnown()) {
        unanswered &= ~(readoutBit(CountRate) | readoutBit(DeadTime));
        setOutputText(CountRate, QString());
        setOutputText(DeadTime, QString());
        setOutputRole(DeadTime, OutputNormal);
        return;
    }
    // An infinite rate has no dead time to speak of either.
    const double rate = fluoPlan.countRate();
    const double dead = std::isfinite(rate) ? fluoPlan.deadTimePercent() : rate;
    setOutputNumber(CountRate, rate, 'e', 3, QStringLiteral(" /s"));
    setOutputNumber(DeadTime, dead, 'f', 1, QStringLiteral(" %"));
    setOutputRole(DeadTime,
                  dead > DEAD_TIME_ALARM && std::isfinite(dead) ? OutputAlarm : OutputNormal);
}

QString PlanModel::deadTimeProblem() const
{
    if (!curveShown || !fluoPlan.detectorKnown() || !std::isfinite(fluoPlan.countRate()))
        return QString();
    const double dead = fluoPlan.deadTimePercent();
    if (!(dead > DEAD_TIME_ALARM) || (readoutsOfFlagged() & READS_DEAD_TIME))
        return QString();
    const double distance = fluoPlan.advisedDistance();
    if (!std::isfinite(distance)) // an infinite count rate: no distance helps
        return QString();
    return trMain("Dead time %1 % at %2 /s; at a distance of %3 cm it would be %4 %.")
        .arg(QString::number(dead, 'f', 1), QString::number(fluoPlan.countRate(), 'e', 2),
             QString::number(distance, 'g', 3), QString::number(DEAD_TIME_ADVISED, 'f', 0));
}

SpectrumInput PlanModel::spectrumInput() const
{
    SpectrumInput in;
    in.E0 = number(ExtEnergy);
    in.I0 = number(I0Flux);
    in.channelWidth = number(MCAResolution);
    in.integ = options[IntensityInt];
    in.ratio = options[AddInfoRatioF];
    in.tgt = &tgtComp;
    in.bnd = &bndComp;
    // Air, then the two filters, between the pellet and the detector.
    in.exit.layers = {Layer{airComp, AIR_DENSITY, number(AirThickness)},
                      Layer{f1Comp, number(Filter1Density), number(Filter1Thickness)},
                      Layer{f2Comp, number(Filter2Density), number(Filter2Thickness)}};
    in.detector.material = crystal();
    in.detector.crystalThicknessMm = number(DetSiThickness);
    in.detector.deadLayerUm = number(DetDeadLayer);
    DetectorWindow window;
    window.thicknessUm = number(DetBeWindow);
    window.composition = detWindowComp;
    window.density = number(DetWindowDensity);
    in.detector.windows = {window};
    in.detector.elements = int(number(DetElements));
    in.detector.radiusCm = number(DetRadius);
    in.detector.distanceCm = number(Distance);
    in.detector.fwhm = number(DetResolution);
    in.detector.deadTimeUs = number(DetDeadTime);
    in.yieldK = yieldK;
    in.yieldL = yieldL;
    in.yieldSize = YIELD_ARRAY_SIZE;
    in.thickness = thickness;
    in.tgtMolPerArea = tgtMolPerArea;
    in.bndPerTgt = bndPerTgt;
    in.bndMolPerArea = bndMolPerArea;
    in.lineNames = lineNames;
    in.gridE = mutCurveE;
    in.gridPoints = MUT_POINTS;
    return in;
}

// ---- exports ----

bool PlanModel::saveSpectrum(const QString &fileName, QString *error)
{
    return SafeWrite::save(
        fileName,
        [&](QIODevice &file, QString &why) {
            // The plan holds a flagged field's last sound value: a table computed from it would
            // be another plan's.
            for (const Input field : flaggedFields()) {
                const InputRow &row = Fields::input(field);
                const bool used = !(row.flags & DETAILED_ONLY) || options[DetailedFluo];
                if (used && (row.readouts & (readoutBit(CylWeight) | readoutBit(AddInfo)))) {
                    why = trMain("correct the flagged field first: %1").arg(fieldProblem(field));
                    return false;
                }
            }
            cleanVectorState(); // a file dialog or the batch's own text work came first
            if (!calcMuTCurve()) {
                why = trMain("the energy range is empty");
                return false;
            }
            // A table with nan or inf in it breaks the scripts that read it; nothing is written
            // rather than numbers that cannot be computed.
            if (!fluoPlan.tableFinite(mutCurveE, mutCurve)) {
                why = trMain("the spectrum cannot be computed from these values (it holds "
                             "numbers that are not finite)");
                return false;
            }
            const bool csv = fileName.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
            return fluoPlan.writeSpectrumTable(file, mutCurveE, mutCurve, csv);
        },
        error);
}

bool PlanModel::saveLines(const QString &fileName, QString *error)
{
    return SafeWrite::save(
        fileName,
        [&](QIODevice &file, QString &why) {
            // The records are those of the last simulation; without a pellet or a range there
            // is none to show, whatever an earlier state left, nor while a field the spectrum is
            // computed from is flagged: its lines are then those of an older plan, like the
            // information text, which is empty.
            cleanVectorState();
            const bool simulated =
                pelletUsable() && calcMuTCurve() && !(readoutsOfFlagged() & readoutBit(AddInfo));
            const QString csv = fluoPlan.lineTable(simulated, options[DetailedFluo]);
            if (file.write(csv.toUtf8()) >= 0)
                return true;
            why = file.errorString();
            return false;
        },
        error);
}
