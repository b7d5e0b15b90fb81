#include "MainWindow.h"

#include "ExportFormats.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QStatusBar>

void MainWindow::SaveSpectrum(const QString &chosen)
{
    // A name without a suffix gets the table's usual one (a folder stays what it is, and fails).
    QString fname = chosen;
    if (QFileInfo(fname).suffix().isEmpty() && !QFileInfo(fname).isDir())
        fname += QLatin1Char('.') + defaultSuffix(ExportKind::SpectrumTable);
    QString error;
    const QString shownName = QDir::toNativeSeparators(fname);
    // Every name has a table format: a suffix of no other one's gets the tab-separated table.
    const ExportFormat *format = exportFormatFor(ExportKind::SpectrumTable, fname);
    if (saveExport(*format, ExportSource{plan, this, QSize()}, fname, &error)) {
        statusBar()->showMessage(tr("Saved spectrum to %1").arg(shownName), 5000);
        return;
    }
    const QString failure = tr("Spectrum not saved to %1: %2").arg(shownName, error);
    statusBar()->showMessage(failure);
    showSaveFailure(this, failure);
}

bool MainWindow::savePlotImage(const QString &fileName, QSize size, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (!imageSizeAllowed(size))
        return fail(
            tr("the image size %1x%2 is out of range").arg(size.width()).arg(size.height()));
    const ExportFormat *format = exportFormatFor(ExportKind::PlotImage, fileName);
    if (!format) {
        return fail(tr("no image format for the suffix \"%1\"")
                        .arg(QFileInfo(fileName).suffix().toLower()));
    }
    return saveExport(*format, ExportSource{plan, this, size}, fileName, error);
}

void MainWindow::SavePlotImage()
{
    QString name = QFileDialog::getSaveFileName(
        this, tr("Save Plot Image"), QString(),
        exportFilters(ExportKind::PlotImage).join(QStringLiteral(";;")));
    if (name.isEmpty())
        return;
    if (QFileInfo(name).suffix().isEmpty())
        name += QLatin1Char('.') + defaultSuffix(ExportKind::PlotImage);
    const QString shown = QDir::toNativeSeparators(name);
    const auto fail = [this, &shown](const QString &why) {
        const QString failure = tr("Plot image not saved to %1: %2").arg(shown, why);
        statusBar()->showMessage(failure);
        showSaveFailure(this, failure);
    };
    // A name no format takes is refused before the user picks a size for nothing.
    if (!exportFormatFor(ExportKind::PlotImage, name)) {
        fail(tr("no image format for the suffix \"%1\"").arg(QFileInfo(name).suffix().toLower()));
        return;
    }
    bool ok = false;
    const QString sizeText = QInputDialog::getText(
        this, tr("Save Plot Image"), tr("Size in pixels (width x height):"), QLineEdit::Normal,
        QStringLiteral("%1x%2").arg(GView1->width()).arg(GView1->height()), &ok);
    if (!ok)
        return;
    const QSize size = parseImageSize(sizeText);
    QString error;
    if (savePlotImage(name, size, &error)) {
        statusBar()->showMessage(tr("Saved plot image to %1").arg(shown), 5000);
        return;
    }
    fail(error);
}

QSize parseImageSize(const QString &text)
{
    const QStringList parts = text.trimmed().toLower().split(QLatin1Char('x'));
    if (parts.size() != 2)
        return QSize();
    bool okW = false;
    bool okH = false;
    const int w = parts[0].trimmed().toInt(&okW);
    const int h = parts[1].trimmed().toInt(&okH);
    return okW && okH ? QSize(w, h) : QSize();
}
