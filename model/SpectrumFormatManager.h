#pragma once

#include "MeasuredSpectrum.h"

#include <QString>

class SpectrumFormat;

// The spectrum file formats the program knows, and the choice among them: a file is read by the
// format whose marks its content carries (<<PMCA SPECTRUM>>, $SPEC_ID:), else by its extension,
// else as text; a file is written in the format of its extension.
namespace SpectrumFormatManager {

// The largest spectrum file read: twice the 8 MiB that a million channels of counts take as
// text. The program's own CSV, channel and energy to the last bit beside each count, holds about
// half a million channels within it; a larger export is refused rather than written unreadable.
constexpr qint64 MaxFileBytes = 16 * 1024 * 1024;

const SpectrumFormat &formatFor(const QByteArray &content, const QString &fileName);
// The format written for fileName's extension (.csv, .txt, .mca; the CSV table without one),
// or nullptr.
const SpectrumFormat *writerFor(const QString &fileName);

// Reads fileName through SafeRead; on failure spectrum is untouched and error says why (without
// the file's name: the caller says which file it was).
bool load(const QString &fileName, MeasuredSpectrum *spectrum, QString *error);
// Writes spectrum whole or not at all (SafeWrite) in the format of fileName's extension.
bool save(const QString &fileName, const MeasuredSpectrum &spectrum, QString *error);

} // namespace SpectrumFormatManager
