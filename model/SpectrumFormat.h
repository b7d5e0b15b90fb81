#pragma once

#include "MeasuredSpectrum.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// One file format of spectra. A reader fills the spectrum only once the whole file is read and
// found sound; a refused file leaves it as it was, with error saying why and on which line.
class SpectrumFormat
{
public:
    virtual ~SpectrumFormat() = default;

    virtual QString name() const = 0;
    // Lower-case file name extensions without the dot.
    virtual QStringList extensions() const = 0;
    // Whether content (the start of a file is enough) is of this format by its own marks.
    virtual bool recognizes(const QByteArray &content) const = 0;
    virtual bool read(const QByteArray &content, MeasuredSpectrum *spectrum,
                      QString *error) const = 0;
    // The file's bytes for spectrum; formats that cannot hold it return false with error set.
    virtual bool write(const MeasuredSpectrum &spectrum, QByteArray *content,
                       QString *error) const = 0;
};
