#include "SpeFormat.h"

#include "SpectrumParsing.h"

using namespace SpectrumParsing;

QString SpeFormat::name() const
{
    return QStringLiteral("Maestro SPE");
}

QStringList SpeFormat::extensions() const
{
    return {QStringLiteral("spe")};
}

bool SpeFormat::recognizes(const QByteArray &content) const
{
    return content.trimmed().startsWith("$SPEC_ID:");
}

bool SpeFormat::read(const QByteArray &content, MeasuredSpectrum *spectrum, QString *error) const
{
    const QVector<Line> lines = splitLines(content);
    MeasuredSpectrum out;
    out.format = name();
    bool seenId = false, seenData = false;
    int dataLine = 0, first = 0, last = -1;
    QByteArray section;
    int sectionRow = 0; // lines of the current section read so far
    for (const Line &line : lines) {
        if (line.text.startsWith('$')) {
            section = line.text;
            sectionRow = 0;
            if (section == "$SPEC_ID:")
                seenId = true;
            if (section == "$DATA:") {
                if (seenData) {
                    *error = atLine(line.number, translate("a second $DATA: block"));
                    return false;
                }
                seenData = true;
                dataLine = line.number;
            }
            continue;
        }
        if (line.text.isEmpty())
            continue;
        const int row = sectionRow++;
        const QVector<QByteArray> f = fields(line.text);
        if (section == "$MEAS_TIM:" && row == 0) {
            // Some software writes the live time alone.
            if (f.size() != 1 && f.size() != 2) {
                *error = atLine(line.number, translate("$MEAS_TIM: needs the live and the real "
                                                       "time"));
                return false;
            }
            if (!time(f[0], line.number, &out.liveTime, error) ||
                (f.size() == 2 && !time(f[1], line.number, &out.realTime, error)))
                return false;
            out.hasLiveTime = true;
            out.hasRealTime = f.size() == 2;
        } else if (section == "$ENER_FIT:" && row == 0) {
            double o = 0, g = 0;
            if (f.size() < 2) {
                *error = atLine(line.number, translate("$ENER_FIT: needs an offset and a gain"));
                return false;
            }
            if (!number(f[0], line.number, &o, error) || !number(f[1], line.number, &g, error))
                return false;
            if (o == 0 && g == 0)
                continue; // never calibrated
            QString why;
            if (!fitCalibration({0, 1}, {o, o + g}, &out.offset, &out.gain, nullptr, &why)) {
                *error = atLine(line.number, why);
                return false;
            }
            out.offset = o; // as written, not through the fit's arithmetic
            out.gain = g;
            out.hasCalibration = true;
        } else if (section == "$DATA:" && row == 0) {
            if (f.size() != 2) {
                *error = atLine(line.number, translate("$DATA: needs the first and the last "
                                                       "channel"));
                return false;
            }
            if (!channel(f[0], line.number, &first, error) ||
                !channel(f[1], line.number, &last, error))
                return false;
            if (last < first || qint64(last) - first + 1 > MeasuredLimits::MaxChannels) {
                *error = atLine(line.number, translate("$DATA: channels %1 to %2 are not a range "
                                                       "of 1 to %3 channels")
                                                 .arg(first)
                                                 .arg(last)
                                                 .arg(MeasuredLimits::MaxChannels));
                return false;
            }
            out.firstChannel = first;
            out.counts.reserve(last - first + 1);
        } else if (section == "$DATA:") {
            for (const QByteArray &token : f) {
                double v = 0;
                if (!count(token, line.number, &v, error))
                    return false;
                if (out.counts.size() == last - first + 1) {
                    *error = atLine(line.number, translate("more counts than channels %1 to %2 "
                                                           "of $DATA:")
                                                     .arg(first)
                                                     .arg(last));
                    return false;
                }
                out.counts.append(v);
            }
        }
    }
    const int lastLine = lines.isEmpty() ? 1 : lines.last().number;
    if (!seenId) {
        *error = translate("not an SPE file: it has no $SPEC_ID: line");
        return false;
    }
    if (!seenData) {
        *error = atLine(lastLine, translate("no $DATA: block"));
        return false;
    }
    if (last < 0) {
        *error = atLine(dataLine, translate("$DATA: has no channel range"));
        return false;
    }
    if (out.counts.size() != last - first + 1) {
        *error = atLine(lastLine, translate("the file is truncated: $DATA: gives channels %1 to "
                                            "%2 (%3) but holds %4 counts")
                                      .arg(first)
                                      .arg(last)
                                      .arg(last - first + 1)
                                      .arg(out.counts.size()));
        return false;
    }
    *spectrum = out;
    return true;
}

bool SpeFormat::write(const MeasuredSpectrum &, QByteArray *, QString *error) const
{
    *error = translate("spectra are not written as SPE files");
    return false;
}
