#pragma once

#include "SpectrumFormat.h"

// The ASCII .spe of Maestro-type software: sections opened by "$NAME:" lines; $DATA: gives the
// first and last channel and then the counts, $MEAS_TIM: the live and real time, $ENER_FIT: the
// offset and gain (0 0 when the spectrum was never calibrated, which counts as none).
class SpeFormat : public SpectrumFormat
{
public:
    QString name() const override;
    QStringList extensions() const override;
    bool recognizes(const QByteArray &content) const override;
    bool read(const QByteArray &content, MeasuredSpectrum *spectrum, QString *error) const override;
    bool write(const MeasuredSpectrum &spectrum, QByteArray *content,
               QString *error) const override;
};
