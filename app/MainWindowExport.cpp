#include "MainWindow.h"

#include <QDir>
#include <QSaveFile>
#include <QStatusBar>
#include <QTextStream>

bool MainWindow::saveSpectrumTo(const QString &fname, QString *error)
{
    // Written to a temporary file next to the target and renamed over it at commit, so a
    // failure at any point leaves an existing file as it was.
    QSaveFile file(fname);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (!calcMuTCurve()) {
        file.cancelWriting();
        if (error)
            *error = tr("the energy range is empty");
        return false;
    }
    // The spectrum column is the one the last repaint drew, in its "Peak" or "Integ." form.
    QTextStream out(&file);
    for (int i = 0; i < MUT_POINTS; ++i)
        out << mutCurveE[i] << '\t' << mutCurve[i] << '\t' << fluoSpectrum[i] << '\n';
    out.flush();
    if (out.status() != QTextStream::Ok) {
        file.cancelWriting();
        if (error)
            *error = file.errorString();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool MainWindow::saveLinesTo(const QString &fname, QString *error)
{
    QSaveFile file(fname);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // The records are those of the last simulation; without a target or a range there is
    // none to show, whatever an earlier state left.
    const bool simulated = tgtComp.valid && calcMuTCurve();
    const QString csv = lineTableCsv(simulated ? spectrum.linePeaks : QVector<LinePeak>());
    if (file.write(csv.toUtf8()) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

void MainWindow::SaveSpectrum(const QString &fname)
{
    QString error;
    const QString shownName = QDir::toNativeSeparators(fname);
    if (saveSpectrumTo(fname, &error))
        statusBar()->showMessage(tr("Saved spectrum to %1").arg(shownName), 5000);
    else
        statusBar()->showMessage(tr("Spectrum not saved to %1: %2").arg(shownName, error));
}
