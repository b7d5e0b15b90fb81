#include "SpectrumParsing.h"

#include "MeasuredSpectrum.h"

#include <QCoreApplication>

#include <charconv>
#include <cmath>

namespace SpectrumParsing {

QVector<Line> splitLines(const QByteArray &content)
{
    QVector<Line> lines;
    int start = 0;
    int number = 1;
    const int n = content.size();
    while (start <= n) {
        int end = start;
        while (end < n && content[end] != '\n' && content[end] != '\r')
            ++end;
        if (end == n && start == n)
            break;
        lines.append({number++, content.mid(start, end - start).trimmed()});
        if (end < n && content[end] == '\r' && end + 1 < n && content[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

namespace {

// A spreadsheet's "counts" as counts.
QByteArray unquoted(const QByteArray &field)
{
    if (field.size() >= 2 && field.startsWith('"') && field.endsWith('"'))
        return field.mid(1, field.size() - 2).trimmed();
    return field;
}

} // namespace

QVector<QByteArray> fields(const QByteArray &text)
{
    QVector<QByteArray> out;
    if (text.contains(',') || text.contains(';')) {
        QByteArray field;
        for (const char c : text) {
            if (c == ',' || c == ';') {
                out.append(unquoted(field.trimmed()));
                field.clear();
            } else {
                field.append(c);
            }
        }
        out.append(unquoted(field.trimmed()));
        return out;
    }
    for (const QByteArray &f : text.simplified().split(' '))
        if (!f.isEmpty())
            out.append(f);
    return out;
}

QString translate(const char *text)
{
    return QCoreApplication::translate("MeasuredSpectrum", text);
}

QString atLine(int line, const QString &what)
{
    return translate("line %1: %2").arg(line).arg(what);
}

bool number(const QByteArray &token, int line, double *value, QString *error)
{
    bool ok = false;
    const double v = token.toDouble(&ok);
    if (!ok) {
        *error = atLine(line,
                        translate("\"%1\" is not a number").arg(QString::fromUtf8(token.left(40))));
        return false;
    }
    if (!std::isfinite(v)) {
        *error = atLine(
            line,
            translate("\"%1\" is not a finite number").arg(QString::fromUtf8(token.left(40))));
        return false;
    }
    *value = v;
    return true;
}

bool count(const QByteArray &token, int line, double *value, QString *error)
{
    double v = 0;
    if (!number(token, line, &v, error))
        return false;
    if (v < 0) {
        *error = atLine(line, translate("negative count %1").arg(QString::fromUtf8(token)));
        return false;
    }
    if (v > MeasuredLimits::MaxCount) {
        *error = atLine(line, translate("count %1 is larger than any analyser records")
                                  .arg(QString::fromUtf8(token)));
        return false;
    }
    *value = v;
    return true;
}

bool channel(const QByteArray &token, int line, int *value, QString *error)
{
    double v = 0;
    if (!number(token, line, &v, error))
        return false;
    if (v != std::floor(v) || v < 0 || v > MeasuredLimits::MaxChannelNumber) {
        *error = atLine(line, translate("channel number %1 is not a whole number from 0 to %2")
                                  .arg(QString::fromUtf8(token))
                                  .arg(MeasuredLimits::MaxChannelNumber));
        return false;
    }
    *value = int(v);
    return true;
}

bool time(const QByteArray &token, int line, double *value, QString *error)
{
    double v = 0;
    if (!number(token, line, &v, error))
        return false;
    if (v < 0 || v > MeasuredLimits::MaxTime) {
        *error = atLine(line, translate("counting time %1 s is out of range (0 to %2 s)")
                                  .arg(QString::fromUtf8(token))
                                  .arg(MeasuredLimits::MaxTime));
        return false;
    }
    *value = v;
    return true;
}

bool fitCalibration(const QVector<double> &channels, const QVector<double> &energies,
                    double *offset, double *gain, double *largestResidual, QString *error)
{
    const int n = channels.size();
    double mc = 0, me = 0;
    for (int i = 0; i < n; ++i) {
        mc += channels[i];
        me += energies[i];
    }
    if (n > 0) {
        mc /= n;
        me /= n;
    }
    // Centred sums, so that an offset far from 0 costs no precision.
    double scc = 0, sce = 0;
    for (int i = 0; i < n; ++i) {
        scc += (channels[i] - mc) * (channels[i] - mc);
        sce += (channels[i] - mc) * (energies[i] - me);
    }
    if (n < 2 || scc <= 0) {
        *error = translate("the energy calibration needs two different channels");
        return false;
    }
    const double g = sce / scc;
    const double o = me - g * mc;
    if (!(g > 0) || !std::isfinite(g) || g > MeasuredLimits::MaxGain || !std::isfinite(o) ||
        std::fabs(o) > MeasuredLimits::MaxOffset) {
        *error = translate("the energy calibration (offset %1 keV, gain %2 keV per channel) is "
                           "out of range: energies must rise with the channel")
                     .arg(o)
                     .arg(g);
        return false;
    }
    double worst = 0;
    for (int i = 0; i < n; ++i)
        worst = std::max(worst, std::fabs(energies[i] - (o + g * channels[i])));
    *offset = o;
    *gain = g;
    if (largestResidual)
        *largestResidual = worst;
    return true;
}

QByteArray shortest(double value)
{
    char text[32];
    const std::to_chars_result r = std::to_chars(text, text + sizeof text, value);
    return QByteArray(text, int(r.ptr - text));
}

} // namespace SpectrumParsing
