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
    // A spectrum written here must open here: one beyond the reader's limits (a file too large,
    // a count no analyser records) is refused before anything is written.
    MeasuredSpectrum readBack;
    if (content.size() > MaxFileBytes) {
        *error = SpectrumParsing::translate("the file would take %1, more than the %2 a spectrum "
                                            "file may have")
                     .arg(SafeRead::sizeText(content.size()), SafeRead::sizeText(MaxFileBytes));
        return false;
    }
    if (!formatFor(content, fileName).read(content, &readBack, error)) {
        *error = SpectrumParsing::translate("it could not be read back: %1").arg(*error);
        return false;
    }
    return SafeWrite::save(
        fileName,
        [&content](QIODevice &file, QString &) { return file.write(content) == content.size(); },
        error);
}

} // namespace SpectrumFormatManager
