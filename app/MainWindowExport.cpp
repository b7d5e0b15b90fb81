#include "MainWindow.h"

#include <QDir>
#include <QStatusBar>

void MainWindow::SaveSpectrum(const QString &fname)
{
    QString error;
    const QString shownName = QDir::toNativeSeparators(fname);
    if (plan->saveSpectrum(fname, &error))
        statusBar()->showMessage(tr("Saved spectrum to %1").arg(shownName), 5000);
    else
        statusBar()->showMessage(tr("Spectrum not saved to %1: %2").arg(shownName, error));
}
