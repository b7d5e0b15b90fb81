#include "SpectrumFormatManager.h"

#include "McaFormat.h"
#include "SafeRead.h"
#include "SafeWrite.h"
#include "SpeFormat.h"
#include "SpectrumParsing.h"
#include "TextSpectrumFormat.h"

#include <QFileInfo>
#include <QIODevice>

namespace SpectrumFormatManager {

namespace {

const McaFormat mca;
const SpeFormat spe;
const TextSpectrumFormat text;
const SpectrumFormat *const formats[] = {&mca, &spe, &text};

const SpectrumFormat *byExtension(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    for (const SpectrumFormat *f : formats)
        if (f->extensions().contains(suffix))
            return f;
    return nullptr;
}

} // namespace

const SpectrumFormat &formatFor(const QByteArray &content, const QString &fileName)
{
    for (const SpectrumFormat *f : formats)
        if (f->recognizes(content))
            return *f;
    const SpectrumFormat *f = byExtension(fileName);
    return f ? *f : text;
}

const SpectrumFormat *writerFor(const QString &fileName)
{
    // A name without a suffix (standard output, "-", among them) gets the program's own table.
    if (QFileInfo(fileName).suffix().isEmpty())
        return &text;
    const SpectrumFormat *f = byExtension(fileName);
    return f == &spe ? nullptr : f;
}

bool load(const QString &fileName, MeasuredSpectrum *spectrum, QString *error)
{
    QByteArray content;
    if (!SafeRead::read(fileName, MaxFileBytes, &content, error))
        return false;
    return formatFor(content, fileName).read(content, spectrum, error);
}

bool save(const QString &fileName, const MeasuredSpectrum &spectrum, QString *error)
{
    const SpectrumFormat *f = writerFor(fileName);
    if (!f) {
        *error = SpectrumParsing::translate("spectra are written as .csv or .mca files");
        return false;
    }
    QByteArray content;
    if (!f->write(spectrum, &content, error))
        return false;
    return SafeWrite::save(
        fileName,
        [&content](QIODevice &file, QString &) { return file.write(content) == content.size(); },
        error);
}

} // namespace SpectrumFormatManager
