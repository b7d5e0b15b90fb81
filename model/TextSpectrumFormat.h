#pragma once

#include "SpectrumFormat.h"

// Plain text or CSV, one row per channel. Without a header the number of columns says what they
// are: counts; energy [keV] and counts; or channel, energy [keV] and counts, as this program
// writes them. A first line that is not numbers is a header, read by its names (channel,
// energy_keV or energy, counts or count, in any order) when it names a counts column. Lines
// starting with '#' are comments. Energies give the calibration when they rise by one step per
// row, within a twentieth of a channel; otherwise the file is refused, as the channels would
// not be the analyser's.
class TextSpectrumFormat : public SpectrumFormat
{
public:
    QString name() const override;
    QStringList extensions() const override;
    bool recognizes(const QByteArray &content) const override;
    bool read(const QByteArray &content, MeasuredSpectrum *spectrum, QString *error) const override;
    bool write(const MeasuredSpectrum &spectrum, QByteArray *content,
               QString *error) const override;
};
