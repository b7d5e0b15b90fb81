#include "McaFormat.h"

#include "SpectrumParsing.h"

#include <cmath>

using namespace SpectrumParsing;

QString McaFormat::name() const
{
    return QStringLiteral("Amptek MCA");
}

QStringList McaFormat::extensions() const
{
    return {QStringLiteral("mca")};
}

bool McaFormat::recognizes(const QByteArray &content) const
{
    return content.trimmed().startsWith("<<PMCA SPECTRUM>>");
}

bool McaFormat::read(const QByteArray &content, MeasuredSpectrum *spectrum, QString *error) const
{
    const QVector<Line> lines = splitLines(content);
    int at = 0;
    while (at < lines.size() && lines[at].text.isEmpty())
        ++at;
    if (at == lines.size() || lines[at].text != "<<PMCA SPECTRUM>>") {
        *error = translate("not an Amptek MCA file: it does not start with <<PMCA SPECTRUM>>");
        return false;
    }
    enum Section { Header, Calibration, Data, Other } section = Header;
    MeasuredSpectrum out;
    out.format = name();
    QVector<double> calChannels, calEnergies;
    double energyUnit = 1; // keV per unit of the calibration's energies
    bool seenData = false, ended = false;
    int calibrationLine = 0;
    for (++at; at < lines.size() && !ended; ++at) {
        const Line &line = lines[at];
        if (line.text.isEmpty())
            continue;
        if (line.text.startsWith("<<") && line.text.endsWith(">>")) {
            const QByteArray tag = line.text.mid(2, line.text.size() - 4).trimmed().toUpper();
            if (tag == "END") {
                if (section != Data) {
                    *error = atLine(line.number, translate("<<END>> without a <<DATA>> block"));
                    return false;
                }
                ended = true;
            } else if (tag == "DATA") {
                if (seenData) {
                    *error = atLine(line.number, translate("a second <<DATA>> block"));
                    return false;
                }
                seenData = true;
                section = Data;
            } else if (tag == "CALIBRATION") {
                section = Calibration;
                calibrationLine = line.number;
            } else if (section == Data) {
                *error = atLine(line.number, translate("the <<DATA>> block ends without <<END>>"));
                return false;
            } else {
                section = Other; // regions of interest and the like
            }
            continue;
        }
        switch (section) {
        case Header: {
            const int dash = line.text.indexOf(" - ");
            const QByteArray key = (dash < 0 ? line.text : line.text.left(dash)).trimmed();
            const QByteArray value = dash < 0 ? QByteArray() : line.text.mid(dash + 3).trimmed();
            if (value.isEmpty())
                break;
            if (key == "LIVE_TIME") {
                if (!time(value, line.number, &out.liveTime, error))
                    return false;
                out.hasLiveTime = true;
            } else if (key == "REAL_TIME") {
                if (!time(value, line.number, &out.realTime, error))
                    return false;
                out.hasRealTime = true;
            }
            break;
        }
        case Calibration: {
            if (line.text.startsWith("LABEL")) {
                const int dash = line.text.indexOf('-');
                const QByteArray unit = line.text.mid(dash + 1).trimmed().toLower();
                energyUnit = unit == "ev" ? 1e-3 : 1;
                break;
            }
            const QVector<QByteArray> f = fields(line.text);
            double c = 0, e = 0;
            if (f.size() != 2) {
                *error = atLine(line.number,
                                translate("a calibration point needs a channel and an energy"));
                return false;
            }
            if (!number(f[0], line.number, &c, error) || !number(f[1], line.number, &e, error))
                return false;
            calChannels.append(c);
            calEnergies.append(e * energyUnit);
            break;
        }
        case Data: {
            const QVector<QByteArray> f = fields(line.text);
            if (f.size() != 1) {
                *error = atLine(line.number, translate("one count per line is expected in "
                                                       "<<DATA>>, not \"%1\"")
                                                 .arg(QString::fromUtf8(line.text.left(40))));
                return false;
            }
            double v = 0;
            if (!count(f[0], line.number, &v, error))
                return false;
            if (out.counts.size() == MeasuredLimits::MaxChannels) {
                *error =
                    atLine(line.number,
                           translate("more than %1 channels").arg(MeasuredLimits::MaxChannels));
                return false;
            }
            out.counts.append(v);
            break;
        }
        case Other:
            break;
        }
    }
    const int lastLine = lines.isEmpty() ? 1 : lines.last().number;
    if (!seenData) {
        *error = atLine(lastLine, translate("no <<DATA>> block"));
        return false;
    }
    if (!ended) {
        *error = atLine(lastLine, translate("the file is truncated: <<DATA>> has no <<END>>"));
        return false;
    }
    if (out.counts.isEmpty()) {
        *error = atLine(lastLine, translate("the <<DATA>> block holds no channels"));
        return false;
    }
    // A single point calibrates through the origin: channel 0 at 0 keV.
    if (calChannels.size() == 1) {
        calChannels.prepend(0);
        calEnergies.prepend(0);
    }
    if (!calChannels.isEmpty()) {
        QString why;
        if (!fitCalibration(calChannels, calEnergies, &out.offset, &out.gain, nullptr, &why)) {
            *error = atLine(calibrationLine, why);
            return false;
        }
        out.hasCalibration = true;
    }
    *spectrum = out;
    return true;
}

// Channels start at 0 in this format: a spectrum starting later gets empty channels before it.
// Counts are rounded to whole numbers; two calibration points, the first and the last channel,
// give every reader the offset and gain.
bool McaFormat::write(const MeasuredSpectrum &spectrum, QByteArray *content, QString *error) const
{
    if (spectrum.counts.isEmpty() || !(spectrum.gain > 0)) {
        *error = translate("an MCA file needs at least one channel and a calibration");
        return false;
    }
    const int last = spectrum.lastChannel();
    QByteArray o;
    o += "<<PMCA SPECTRUM>>\r\n";
    o += "TAG - live_data\r\n";
    o += "DESCRIPTION - simulated spectrum\r\n";
    o += "LIVE_TIME - " + shortest(spectrum.liveTime) + "\r\n";
    o += "REAL_TIME - " + shortest(spectrum.hasRealTime ? spectrum.realTime : spectrum.liveTime) +
         "\r\n";
    o += "<<CALIBRATION>>\r\n";
    o += "LABEL - keV\r\n";
    o += "0 " + shortest(spectrum.channelEnergy(0)) + "\r\n";
    if (last > 0)
        o += QByteArray::number(last) + ' ' + shortest(spectrum.channelEnergy(last)) + "\r\n";
    else
        o += "1 " + shortest(spectrum.channelEnergy(1)) + "\r\n";
    o += "<<DATA>>\r\n";
    for (int c = 0; c < spectrum.firstChannel; ++c)
        o += "0\r\n";
    for (const double v : spectrum.counts)
        o += QByteArray::number(qint64(std::llround(v))) + "\r\n";
    o += "<<END>>\r\n";
    *content = o;
    return true;
}
