#include "ExportFormats.h"

#include "ChCoord.h"
#include "MainWindow.h"
#include "PlanModel.h"
#include "PlotPainter.h"
#include "SafeWrite.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QImageWriter>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

namespace {

QString suffixOf(const QString &fileName)
{
    return QFileInfo(fileName).suffix().toLower();
}

bool anySuffix(const QString &)
{
    return true;
}

bool noSuffix(const QString &suffix)
{
    return suffix.isEmpty();
}

bool imageWriterSuffix(const QString &suffix)
{
    return QImageWriter::supportedImageFormats().contains(suffix.toLatin1());
}

// The plot alone as on screen, at the source's size, with a private copy of the mapping so that
// the mouse keeps the screen's.
void paintPlot(QPainter &p, const ExportSource &source)
{
    PlotPaintInput in = source.window->plotPaintInput();
    in.width = source.size.width();
    in.height = source.size.height();
    // Where the mouse happens to rest is no part of the picture.
    in.showPointer = false;
    p.fillRect(QRect(QPoint(0, 0), source.size), Qt::white);
    if (source.plan->plotShown()) {
        ChCoord coord;
        paintSpectrumPlot(&p, in, coord);
    }
}

bool writePlotRaster(const ExportSource &source, const QString &fileName, QIODevice &file,
                     QString &why)
{
    QImage image(source.size, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    paintPlot(p, source);
    p.end();
    QImageWriter writer(&file, suffixOf(fileName).toLatin1());
    if (writer.write(image))
        return true;
    why = writer.errorString();
    return false;
}

bool writePlotSvg(const ExportSource &source, const QString &, QIODevice &file, QString &)
{
    QSvgGenerator generator;
    generator.setOutputDevice(&file);
    generator.setSize(source.size);
    generator.setViewBox(QRect(QPoint(0, 0), source.size));
    generator.setTitle(source.window->windowTitle());
    QPainter p(&generator);
    paintPlot(p, source);
    return true;
}

bool writePlotPdf(const ExportSource &source, const QString &, QIODevice &file, QString &)
{
    QPdfWriter writer(&file);
    writer.setPageSize(QPageSize(QSizeF(source.size), QPageSize::Point));
    writer.setPageMargins(QMarginsF());
    writer.setResolution(72);
    QPainter p(&writer);
    paintPlot(p, source);
    return true;
}

// The whole window as it stands, laid out like a shown one.
bool writeWindowImage(const ExportSource &source, const QString &fileName, QIODevice &file,
                      QString &why)
{
    QImageWriter writer(&file, suffixOf(fileName).toLatin1());
    if (writer.write(source.window->grab().toImage()))
        return true;
    why = writer.error() != QImageWriter::UnknownError ? writer.errorString() : file.errorString();
    return false;
}

bool saveSpectrum(const ExportSource &source, const QString &fileName, QString *error)
{
    return source.plan->saveSpectrum(fileName, error);
}

bool saveLines(const ExportSource &source, const QString &fileName, QString *error)
{
    return source.plan->saveLines(fileName, error);
}

bool saveSession(const ExportSource &source, const QString &fileName, QString *error)
{
    return source.plan->saveSession(fileName, error);
}

bool saveChannels(const ExportSource &source, const QString &fileName, QString *error)
{
    return source.plan->saveChannels(fileName, error);
}

bool saveComparison(const ExportSource &source, const QString &fileName, QString *error)
{
    return source.plan->saveComparison(fileName, error);
}

QVector<ExportFormat> makeFormats()
{
    using K = ExportKind;
    const auto drawn = [](K kind, const char *filter, QStringList suffixes,
                          bool (*takesOther)(const QString &), decltype(ExportFormat::fill) fill) {
        return ExportFormat{kind, filter, std::move(suffixes), takesOther, std::move(fill), {}};
    };
    const auto written = [](K kind, const char *filter, QStringList suffixes,
                            bool (*takesOther)(const QString &),
                            decltype(ExportFormat::save) save) {
        return ExportFormat{kind, filter, std::move(suffixes), takesOther, {}, std::move(save)};
    };
    const QString dat = QStringLiteral("dat");
    const QString csv = QStringLiteral("csv");
    const QString tirn = QStringLiteral("tirn");
    const QString png = QStringLiteral("png");
    const QString svg = QStringLiteral("svg");
    const QString pdf = QStringLiteral("pdf");
    const QString mca = QStringLiteral("mca");
    const QString txt = QStringLiteral("txt");
    return {
        // The spectrum table is tab-separated, with a header and commas for ".csv"; the plan
        // chooses by the name.
        written(K::SpectrumTable, QT_TRANSLATE_NOOP("MainWindow", "Data files (*.dat)"), {dat},
                nullptr, saveSpectrum),
        written(K::SpectrumTable, QT_TRANSLATE_NOOP("MainWindow", "CSV files (*.csv)"), {csv},
                nullptr, saveSpectrum),
        written(K::SpectrumTable, QT_TRANSLATE_NOOP("MainWindow", "Any files (*)"), {}, anySuffix,
                saveSpectrum),
        written(K::LineTable, nullptr, {}, anySuffix, saveLines),
        written(K::Session, QT_TRANSLATE_NOOP("MainWindow", "Tirn sessions (*.tirn)"), {tirn},
                nullptr, saveSession),
        written(K::Session, nullptr, {}, anySuffix, saveSession),
        drawn(K::PlotImage, QT_TRANSLATE_NOOP("MainWindow", "PNG images (*.png)"), {png}, nullptr,
              writePlotRaster),
        drawn(K::PlotImage, QT_TRANSLATE_NOOP("MainWindow", "SVG drawings (*.svg)"), {svg}, nullptr,
              writePlotSvg),
        drawn(K::PlotImage, QT_TRANSLATE_NOOP("MainWindow", "PDF documents (*.pdf)"), {pdf},
              nullptr, writePlotPdf),
        // Whatever else Qt's image plugins write.
        drawn(K::PlotImage, nullptr, {}, imageWriterSuffix, writePlotRaster),
        drawn(K::WindowImage, nullptr, {}, imageWriterSuffix, writeWindowImage),
        // Per channel as a table of our own or as an analyser would write it; the plan's
        // spectrum writers choose by the suffix.
        written(K::ChannelSpectrum, QT_TRANSLATE_NOOP("MainWindow", "CSV files (*.csv)"), {csv},
                nullptr, saveChannels),
        written(K::ChannelSpectrum, QT_TRANSLATE_NOOP("MainWindow", "Amptek MCA files (*.mca)"),
                {mca}, nullptr, saveChannels),
        written(K::ChannelSpectrum, nullptr, {txt}, nullptr, saveChannels),
        written(K::ChannelSpectrum, nullptr, {}, noSuffix, saveChannels),
        written(K::Comparison, QT_TRANSLATE_NOOP("MainWindow", "CSV files (*.csv)"), {csv}, nullptr,
                saveComparison),
        written(K::Comparison, nullptr, {}, anySuffix, saveComparison),
    };
}

} // namespace

const QVector<ExportFormat> &exportFormats()
{
    static const QVector<ExportFormat> formats = makeFormats();
    return formats;
}

const ExportFormat *exportFormatFor(ExportKind kind, const QString &fileName)
{
    const QString suffix = suffixOf(fileName);
    for (const ExportFormat &f : exportFormats()) {
        if (f.kind == kind && f.suffixes.contains(suffix))
            return &f;
    }
    for (const ExportFormat &f : exportFormats()) {
        if (f.kind == kind && f.takesOther && f.takesOther(suffix))
            return &f;
    }
    return nullptr;
}

QStringList exportFilters(ExportKind kind)
{
    QStringList filters;
    for (const ExportFormat &f : exportFormats()) {
        if (f.kind == kind && f.filter)
            filters << QCoreApplication::translate("MainWindow", f.filter);
    }
    return filters;
}

QString defaultSuffix(ExportKind kind)
{
    for (const ExportFormat &f : exportFormats()) {
        if (f.kind == kind && !f.suffixes.isEmpty())
            return f.suffixes.first();
    }
    return QString();
}

bool fillExport(const ExportFormat &format, const ExportSource &source, const QString &fileName,
                QIODevice &file, QString &why)
{
    QBuffer drawn;
    drawn.open(QIODevice::ReadWrite);
    if (!format.fill(source, fileName, drawn, why))
        return false;
    if (file.write(drawn.data()) == drawn.size())
        return true;
    why = file.errorString();
    return false;
}

bool saveExport(const ExportFormat &format, const ExportSource &source, const QString &fileName,
                QString *error)
{
    if (format.save)
        return format.save(source, fileName, error);
    return SafeWrite::save(
        fileName,
        [&](QIODevice &file, QString &why) {
            return fillExport(format, source, fileName, file, why);
        },
        error);
}

namespace {
const QString SaveFailureBox = QStringLiteral("saveFailureBox");
}

void showFailureBox(QWidget *window, const QString &boxName, const QString &title,
                    const QString &message)
{
    auto *box = window->findChild<QMessageBox *>(boxName, Qt::FindDirectChildrenOnly);
    if (!box) {
        box = new QMessageBox(QMessageBox::Warning, title, QString(), QMessageBox::Ok, window);
        box->setObjectName(boxName);
        box->setAttribute(Qt::WA_DeleteOnClose);
    }
    box->setText(message);
    if (box->isVisible())
        box->raise();
    else
        box->open();
}

void showSaveFailure(QWidget *window, const QString &message)
{
    showFailureBox(window, SaveFailureBox, QCoreApplication::translate("MainWindow", "Not saved"),
                   message);
}

void waitForSaveFailure(QWidget *window)
{
    auto *box = window->findChild<QMessageBox *>(SaveFailureBox, Qt::FindDirectChildrenOnly);
    if (!box || !box->isVisible())
        return;
    QEventLoop wait;
    QObject::connect(box, &QDialog::finished, &wait, &QEventLoop::quit);
    wait.exec();
}

bool imageSizeAllowed(QSize size)
{
    return size.width() > 0 && size.height() > 0 && size.width() <= MaxImageSide &&
           size.height() <= MaxImageSide;
}
