#include "MainWindow.h"

#include "ChCoord.h"
#include "PlotPainter.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageWriter>
#include <QInputDialog>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QStatusBar>
#include <QSvgGenerator>

void MainWindow::SaveSpectrum(const QString &chosen)
{
    // A name without a suffix gets the table's usual one (a folder stays what it is, and fails).
    QString fname = chosen;
    if (QFileInfo(fname).suffix().isEmpty() && !QFileInfo(fname).isDir())
        fname += QStringLiteral(".dat");
    QString error;
    const QString shownName = QDir::toNativeSeparators(fname);
    if (plan->saveSpectrum(fname, &error))
        statusBar()->showMessage(tr("Saved spectrum to %1").arg(shownName), 5000);
    else
        statusBar()->showMessage(tr("Spectrum not saved to %1: %2").arg(shownName, error));
}

bool MainWindow::savePlotImage(const QString &fileName, QSize size, QString *error)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (!(size.width() > 0 && size.height() > 0 && size.width() <= 20000 && size.height() <= 20000))
        return fail(
            tr("the image size %1x%2 is out of range").arg(size.width()).arg(size.height()));
    const bool svg = suffix == QLatin1String("svg");
    const bool pdf = suffix == QLatin1String("pdf");
    if (!svg && !pdf && !QImageWriter::supportedImageFormats().contains(suffix.toLatin1()))
        return fail(tr("no image format for the suffix \"%1\"").arg(suffix));

    // The same painting as on screen, at the chosen size, with a private copy of the mapping so
    // that the mouse keeps the screen's.
    PlotPaintInput in = plotPaintInput();
    in.width = size.width();
    in.height = size.height();
    const auto paint = [&](QPainter &p) {
        p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
        if (plan->plotShown()) {
            ChCoord coord;
            paintSpectrumPlot(&p, in, coord);
        }
    };
    // Written whole to a temporary file and renamed at commit: a failure leaves an existing file.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    if (svg) {
        QSvgGenerator generator;
        generator.setOutputDevice(&file);
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setTitle(windowTitle());
        QPainter p(&generator);
        paint(p);
    } else if (pdf) {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QSizeF(size), QPageSize::Point));
        writer.setPageMargins(QMarginsF());
        writer.setResolution(72);
        QPainter p(&writer);
        paint(p);
    } else {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        QPainter p(&image);
        paint(p);
        p.end();
        QImageWriter writer(&file, suffix.toLatin1());
        if (!writer.write(image)) {
            file.cancelWriting();
            return fail(writer.errorString());
        }
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

void MainWindow::SavePlotImage()
{
    QString name = QFileDialog::getSaveFileName(
        this, tr("Save Plot Image"), QString(),
        tr("PNG images (*.png)") + QStringLiteral(";;") + tr("SVG drawings (*.svg)") +
            QStringLiteral(";;") + tr("PDF documents (*.pdf)"));
    if (name.isEmpty())
        return;
    if (QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".png");
    bool ok = false;
    const QString sizeText = QInputDialog::getText(
        this, tr("Save Plot Image"), tr("Size in pixels (width x height):"), QLineEdit::Normal,
        QStringLiteral("%1x%2").arg(GView1->width()).arg(GView1->height()), &ok);
    if (!ok)
        return;
    const QSize size = parseImageSize(sizeText);
    QString error;
    const QString shown = QDir::toNativeSeparators(name);
    if (savePlotImage(name, size, &error))
        statusBar()->showMessage(tr("Saved plot image to %1").arg(shown), 5000);
    else
        statusBar()->showMessage(tr("Plot image not saved to %1: %2").arg(shown, error));
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
