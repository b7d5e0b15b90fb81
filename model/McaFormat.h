#pragma once

#include "SpectrumFormat.h"

// Amptek's MCA text file: a header of "KEY - value" lines after <<PMCA SPECTRUM>>, an
// optional <<CALIBRATION>> of channel/energy pairs (a line fitted through them; one point
// calibrates through the origin), the counts one a line between <<DATA>> and
// <<END>>; sections after <<END>> (the analyser's settings) are not read.
class McaFormat : public SpectrumFormat
{
public:
    QString name() const override;
    QStringList extensions() const override;
    bool recognizes(const QByteArray &content) const override;
    bool read(const QByteArray &content, MeasuredSpectrum *spectrum, QString *error) const override;
    bool write(const MeasuredSpectrum &spectrum, QByteArray *content,
               QString *error) const override;
};
