#include "TextSpectrumFormat.h"

#include "SpectrumParsing.h"

#include <cmath>

using namespace SpectrumParsing;

namespace {

// Where a row keeps what; -1 when it does not.
struct Columns
{
    int channel = -1;
    int energy = -1;
    int counts = -1;
    int size = 0;
};

Columns byCount(int n)
{
    Columns c;
    c.size = n;
    if (n == 1) {
        c.counts = 0;
    } else if (n == 2) {
        c.energy = 0;
        c.counts = 1;
    } else if (n == 3) {
        c.channel = 0;
        c.energy = 1;
        c.counts = 2;
    }
    return c;
}

bool looksNumeric(const QVector<QByteArray> &f)
{
    for (const QByteArray &token : f) {
        bool ok = false;
        token.toDouble(&ok);
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

QString TextSpectrumFormat::name() const
{
    return QStringLiteral("Text");
}

QStringList TextSpectrumFormat::extensions() const
{
    return {QStringLiteral("csv"), QStringLiteral("txt"), QStringLiteral("dat")};
}

bool TextSpectrumFormat::recognizes(const QByteArray &content) const
{
    return content.trimmed().startsWith("channel,energy_keV,counts");
}

bool TextSpectrumFormat::read(const QByteArray &content, MeasuredSpectrum *spectrum,
                              QString *error) const
{
    const QVector<Line> lines = splitLines(content);
    MeasuredSpectrum out;
    out.format = name();
    Columns columns; // size 0 until the first row of numbers or a header with names
    bool first = true;
    QVector<double> energies, channels;
    int lastLine = 1;
    for (const Line &line : lines) {
        lastLine = line.number;
        if (line.text.isEmpty() || line.text.startsWith('#'))
            continue;
        const QVector<QByteArray> f = fields(line.text);
        if (first) {
            first = false;
            if (!looksNumeric(f)) {
                // A header: its names when it names the counts, else the rows decide.
                Columns named;
                named.size = f.size();
                for (int i = 0; i < f.size(); ++i) {
                    const QByteArray n = f[i].toLower();
                    if (n == "channel")
                        named.channel = i;
                    else if (n == "energy_kev" || n == "energy")
                        named.energy = i;
                    else if (n == "counts" || n == "count")
                        named.counts = i;
                }
                if (named.counts >= 0)
                    columns = named;
                continue;
            }
        }
        if (columns.size == 0) {
            columns = byCount(f.size());
            if (columns.counts < 0) {
                *error = atLine(line.number, translate("%1 columns: a spectrum has counts, energy "
                                                       "and counts, or channel, energy and "
                                                       "counts")
                                                 .arg(f.size()));
                return false;
            }
        }
        if (f.size() != columns.size) {
            *error = atLine(
                line.number,
                translate("%1 columns where the file has %2").arg(f.size()).arg(columns.size));
            return false;
        }
        if (out.counts.size() == MeasuredLimits::MaxChannels) {
            *error = atLine(line.number,
                            translate("more than %1 channels").arg(MeasuredLimits::MaxChannels));
            return false;
        }
        double v = 0;
        if (!count(f[columns.counts], line.number, &v, error))
            return false;
        if (columns.energy >= 0) {
            double e = 0;
            if (!number(f[columns.energy], line.number, &e, error))
                return false;
            energies.append(e);
        }
        if (columns.channel >= 0) {
            int c = 0;
            if (!channel(f[columns.channel], line.number, &c, error))
                return false;
            if (!channels.isEmpty() && c != channels.last() + 1) {
                *error = atLine(
                    line.number,
                    translate("channel %1 does not follow channel %2").arg(c).arg(channels.last()));
                return false;
            }
            channels.append(c);
        }
        out.counts.append(v);
    }
    if (out.counts.isEmpty()) {
        *error = atLine(lastLine, translate("no channels: the file holds no rows of numbers"));
        return false;
    }
    out.firstChannel = channels.isEmpty() ? 0 : int(channels.first());
    if (!energies.isEmpty()) {
        if (energies.size() < 2) {
            *error = translate("one row cannot give an energy calibration");
            return false;
        }
        QVector<double> at(energies.size());
        for (int i = 0; i < at.size(); ++i)
            at[i] = out.firstChannel + i;
        double worst = 0;
        QString why;
        if (!fitCalibration(at, energies, &out.offset, &out.gain, &worst, &why)) {
            *error = why;
            return false;
        }
        if (worst > out.gain / 20) {
            *error = translate("the energies do not rise by one step per row (one is %1 keV "
                               "off the line through them, more than a twentieth of the %2 keV "
                               "step)")
                         .arg(worst)
                         .arg(out.gain);
            return false;
        }
        out.hasCalibration = true;
    }
    *spectrum = out;
    return true;
}

// Each channel's energy is the centre of the channel, written to the last bit, so that the
// calibration read back is the one written.
bool TextSpectrumFormat::write(const MeasuredSpectrum &spectrum, QByteArray *content,
                               QString *) const
{
    QByteArray o = "channel,energy_keV,counts\n";
    for (int i = 0; i < spectrum.counts.size(); ++i) {
        const int c = spectrum.firstChannel + i;
        o += QByteArray::number(c) + ',' + shortest(spectrum.channelEnergy(c)) + ',' +
             shortest(spectrum.counts[i]) + '\n';
    }
    *content = o;
    return true;
}
