#include "PlanModel.h"
#include "PlanText.h"
#include "SafeWrite.h"
#include "SpectrumFormatManager.h"
#include "VectorState.h"

#include <QFileInfo>
#include <QIODevice>
#include <QLocale>

#include <cmath>

namespace {

// The shortest text that reads back as the same number, so that a calibration taken from a
// file computes exactly what the file says.
QString shortest(double v)
{
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

} // namespace

bool PlanModel::loadMeasured(const QString &fileName, QString *error)
{
    MeasuredSpectrum read;
    QString why;
    if (fileName.trimmed().isEmpty()) {
        why = trMain("no file named");
    } else if (SpectrumFormatManager::load(fileName, &read, &why)) {
        cleanVectorState();
        measured = read;
        measuredRead = true;
        measuredWhy.clear();
        // An absolute name, so that a session finds the file from wherever it is opened.
        setText(MeasFile, QFileInfo(fileName).absoluteFilePath());
        setStyle(MeasFile, StyleNormal);
        QStringList fromFields;
        if (read.hasCalibration) {
            setText(MeasOffset, shortest(read.offset));
            setText(MeasGain, shortest(read.gain));
            setStyle(MeasOffset, StyleDerived);
            setStyle(MeasGain, StyleDerived);
        } else {
            fromFields << fieldCaption(MeasOffset) << fieldCaption(MeasGain);
        }
        if (read.hasLiveTime) {
            setText(MeasLiveTime, shortest(read.liveTime));
            setStyle(MeasLiveTime, StyleDerived);
        } else {
            fromFields << fieldCaption(MeasLiveTime);
        }
        pendingStatus = trMain("Measured spectrum read: %1 channels, %2 counts (%3).")
                            .arg(read.channelCount())
                            .arg(read.totalCounts(), 0, 'g', 6)
                            .arg(read.format);
        if (!fromFields.isEmpty())
            pendingStatus += QLatin1Char(' ') + trMain("The file does not state %1: the fields' "
                                                       "values are used.")
                                                    .arg(fromFields.join(QStringLiteral(", ")));
        // A calibration or live time beyond its field's bounds is flagged; the overlay waits
        // for it, and the message says which.
        updateChecks();
        for (const Input field : {MeasOffset, MeasGain, MeasLiveTime}) {
            if (!problems[field].isEmpty())
                pendingStatus += QLatin1Char(' ') + problems[field];
        }
        finishEdit(-2);
        return true;
    }
    if (error)
        *error = why;
    return false;
}

void PlanModel::closeMeasured()
{
    measured = MeasuredSpectrum();
    measuredRead = false;
    measuredWhy.clear();
    setText(MeasFile, QString());
    finishEdit(MeasFile);
}

void PlanModel::inMeasFile(const QString &text)
{
    if (text.trimmed().isEmpty()) {
        closeMeasured();
        return;
    }
    QString why;
    if (loadMeasured(text, &why))
        return;
    // Refused: the field and the plan stay as they were, and the form shows the old name again.
    Q_EMIT inputChanged(MeasFile);
    Q_EMIT statusMessage(trMain("%1: cannot read \"%2\": %3; nothing changed.")
                             .arg(fieldCaption(MeasFile), text, why),
                         0);
    shownStatus.clear();
}

void PlanModel::reloadMeasuredForSession(QStringList &notes)
{
    measured = MeasuredSpectrum();
    measuredRead = false;
    measuredWhy.clear();
    const QString fileName = inputs[MeasFile];
    if (fileName.trimmed().isEmpty())
        return;
    // The session's calibration and live time are kept: they may have been edited since the
    // file was opened.
    QString why;
    if (SpectrumFormatManager::load(fileName, &measured, &why)) {
        measuredRead = true;
        return;
    }
    measured = MeasuredSpectrum();
    measuredWhy =
        trMain("The measured spectrum \"%1\" cannot be read (%2): no overlay.").arg(fileName, why);
    notes << trMain("measured spectrum \"%1\" cannot be read (%2): loaded without the overlay")
                 .arg(fileName, why);
}

const QVector<LinePeak> &PlanModel::channelRecords() const
{
    // Every line, not only those of the plotted range: zooming must not change the counts.
    return options[DetailedFluo] ? fluoPlan.detailedLines.lines : spectrum.allLines;
}

WidthFunction PlanModel::channelWidth() const
{
    const Detector detector = fluoPlan.lastDetector();
    if (options[DetailedFluo] && fluoPlan.detectorKnown())
        return [detector](double E) { return detectorFwhm(detector, E); };
    const double fwhm = number(DetResolution);
    return [fwhm](double) { return fwhm; };
}

void PlanModel::updateMeasured()
{
    overlayE.clear();
    overlayY.clear();
    compared = SpectrumComparisonResult();
    setOutputText(MeasScale, QString());
    if (!measuredRead)
        return;
    measuredWhy.clear();
    if (anyFlagged({MeasOffset, MeasGain, MeasLiveTime})) {
        measuredWhy = trMain("The measured spectrum needs a sound calibration and live time.");
        return;
    }
    measured.offset = number(MeasOffset);
    measured.gain = number(MeasGain);
    measured.liveTime = number(MeasLiveTime);
    // The simulated spectrum must be this plan's: none without a pellet or while a field it is
    // computed from is flagged.
    if (!curveShown || (readoutsOfFlagged() & readoutBit(AddInfo))) {
        measuredWhy = trMain("The measured spectrum is compared once the spectrum is computed.");
        return;
    }
    if (options[IntensityInt]) {
        // Counts per second of live time and per keV, times the width of the plot's channel.
        const double perChannel = number(MCAResolution) / (measured.gain * measured.liveTime);
        const int n = measured.channelCount();
        overlayE.resize(n);
        overlayY.resize(n);
        for (int i = 0; i < n; ++i) {
            overlayE[i] = measured.channelEnergy(measured.firstChannel + i);
            overlayY[i] = measured.counts[i] * perChannel;
        }
    }
    const QVector<LinePeak> &records = channelRecords();
    const WidthFunction width = channelWidth();
    const QVector<double> simulated =
        channelCounts(records, width, ChannelGrid::of(measured), measured.liveTime);
    compared = compareSpectra(measured, simulated, comparedLines(records, width), width);
    if (std::isfinite(compared.scale))
        setOutputNumber(MeasScale, compared.scale, 'g', 4);
    else
        measuredWhy = trMain("No simulated line in the measured range has %1 counts or more: "
                             "no scale.")
                          .arg(MinScaleCounts);
}

bool PlanModel::channelSpectrum(MeasuredSpectrum *out, QString *why) const
{
    for (const Input field : flaggedFields()) {
        const InputRow &row = Fields::input(field);
        const bool used = !(row.flags & DETAILED_ONLY) || options[DetailedFluo];
        const bool spectrumField = row.readouts & (readoutBit(CylWeight) | readoutBit(AddInfo));
        const bool channelField = field == SimLiveTime || field == SimNoise || field == SimSeed ||
                                  (measuredRead && (field == MeasOffset || field == MeasGain));
        if (used && (spectrumField || channelField)) {
            *why = trMain("correct the flagged field first: %1").arg(fieldProblem(field));
            return false;
        }
    }
    if (!curveShown) {
        *why = trMain("there is no spectrum to count: type a target and a range");
        return false;
    }
    const double liveTime = number(SimLiveTime);
    const ChannelGrid grid =
        measuredRead ? ChannelGrid::of(measured)
                     : ChannelGrid::covering(number(MCAResolution), mutCurveE[MUT_POINTS - 1]);
    if (grid.count < 1) {
        *why = trMain("the channels cover no energy");
        return false;
    }
    QVector<double> counts = channelCounts(channelRecords(), channelWidth(), grid, liveTime);
    if (number(SimNoise) == 1)
        addPoissonNoise(counts, std::uint64_t(number(SimSeed)));
    *out = simulatedSpectrum(counts, grid, liveTime);
    return true;
}

bool PlanModel::saveChannels(const QString &fileName, QString *error) const
{
    MeasuredSpectrum counted;
    QString why;
    if (!channelSpectrum(&counted, &why)) {
        if (error)
            *error = why;
        return false;
    }
    QString message;
    const bool saved = SpectrumFormatManager::save(fileName, counted, &message);
    if (!saved && error)
        *error = message;
    return saved;
}

bool PlanModel::saveComparison(const QString &fileName, QString *error) const
{
    QString why;
    if (!measuredRead)
        why = trMain("no measured spectrum is loaded");
    else if (!measuredWhy.isEmpty() && compared.groups.isEmpty())
        why = measuredWhy;
    if (!why.isEmpty()) {
        if (error)
            *error = why;
        return false;
    }
    const QByteArray csv = comparisonCsv(compared);
    return SafeWrite::save(
        fileName, [&csv](QIODevice &file, QString &) { return file.write(csv) == csv.size(); },
        error);
}
