// The window's side of a measured spectrum: the File menu's entries, the proposal of the
// plot's channel width, the comparison table and the per-channel export.
#include "ComparisonDialog.h"
#include "ExportFormats.h"
#include "MainWindow.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>

#include <cmath>

void MainWindow::buildMeasuredActions()
{
    const QList<QAction *> items = menu_File->actions();
    QAction *before = items.value(
        items.indexOf(findChild<QAction *>(QStringLiteral("actionSave_Plot_Image"))) + 1);
    const auto add = [&](const QString &text, const char *name) {
        auto *action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        menu_File->insertAction(before, action);
        return action;
    };
    menu_File->insertSeparator(before);
    QAction *open = add(tr("Open &Measured Spectrum..."), "actionOpen_Measured");
    QAction *close = add(tr("Close Measured Spectrum"), "actionClose_Measured");
    QAction *compare = add(tr("Compare with Measured..."), "actionCompare_Measured");
    QAction *channels = add(tr("Save Spectrum per &Channel..."), "actionSave_Channels");
    connect(open, &QAction::triggered, this, [this] {
        const QString name = QFileDialog::getOpenFileName(
            this, tr("Open Measured Spectrum"), QString(),
            tr("Spectra (*.mca *.spe *.csv *.txt *.dat);;Any files (*)"));
        if (!name.isEmpty())
            openMeasured(name);
    });
    connect(close, &QAction::triggered, this, [this] { plan->closeMeasured(); });
    connect(compare, &QAction::triggered, this, &MainWindow::showComparison);
    connect(channels, &QAction::triggered, this, [this] {
        QString name = QFileDialog::getSaveFileName(
            this, tr("Save Spectrum per Channel"), QString(),
            exportFilters(ExportKind::ChannelSpectrum).join(QStringLiteral(";;")));
        if (name.isEmpty())
            return;
        if (QFileInfo(name).suffix().isEmpty())
            name += QLatin1Char('.') + defaultSuffix(ExportKind::ChannelSpectrum);
        saveTable(ExportKind::ChannelSpectrum, name);
    });
    // Close and compare mean something only while a spectrum is loaded.
    const auto enable = [this, close, compare] {
        close->setEnabled(plan->measuredLoaded());
        compare->setEnabled(plan->measuredLoaded());
    };
    connect(plan, &PlanModel::plotChanged, this, enable);
    enable();
}

bool MainWindow::openMeasured(const QString &fileName)
{
    QString error;
    const QString shown = QDir::toNativeSeparators(fileName);
    if (!plan->loadMeasured(fileName, &error)) {
        const QString failure =
            tr("Measured spectrum not opened from %1: %2; nothing changed.").arg(shown, error);
        statusBar()->showMessage(failure);
        showOpenFailure(failure);
        return false;
    }
    proposeChannelWidth();
    return true;
}

void MainWindow::proposeChannelWidth()
{
    // The overlay is drawn per channel of the plot's width; the file's own width shows both
    // spectra channel for channel, which the user is offered, not forced into.
    const double gain = plan->measuredSpectrum().gain;
    const bool integ = plan->option(PlanModel::IntensityInt);
    const double width = plan->input(PlanModel::MCAResolution).toDouble();
    if (!(gain > 0) || (integ && std::abs(width - gain) <= 1e-9 * gain))
        return;
    auto *box = findChild<QMessageBox *>(QStringLiteral("channelWidthProposal"),
                                         Qt::FindDirectChildrenOnly);
    if (!box) {
        box = new QMessageBox(QMessageBox::Question, tr("Measured spectrum"), QString(),
                              QMessageBox::Yes | QMessageBox::No, this);
        box->setObjectName(QStringLiteral("channelWidthProposal"));
        box->setAttribute(Qt::WA_DeleteOnClose);
    }
    const QString gainText = QString::number(gain, 'g', QLocale::FloatingPointShortest);
    box->setText(
        tr("The measured channels are %1 keV wide. Show the simulated spectrum per "
           "channel of that width (%2 = %1 keV, %3), so that both are drawn in the same "
           "unit?")
            .arg(gainText, PlanModel::fieldCaption(PlanModel::MCAResolution), tr("Integ.")));
    box->disconnect(this);
    connect(box, &QMessageBox::finished, this, [this, box, gainText] {
        if (box->clickedButton() != box->button(QMessageBox::Yes))
            return;
        plan->setOption(PlanModel::IntensityInt, true);
        plan->setInput(PlanModel::MCAResolution, gainText);
    });
    box->open();
}

void MainWindow::showComparison()
{
    if (!comparisonDialog) {
        comparisonDialog = new ComparisonDialog(plan, this);
        connect(comparisonDialog, &ComparisonDialog::saveRequested, this, [this] {
            QString name = QFileDialog::getSaveFileName(
                this, tr("Save Comparison"), QString(),
                exportFilters(ExportKind::Comparison).join(QStringLiteral(";;")));
            if (name.isEmpty())
                return;
            if (QFileInfo(name).suffix().isEmpty())
                name += QLatin1Char('.') + defaultSuffix(ExportKind::Comparison);
            saveTable(ExportKind::Comparison, name);
        });
    }
    comparisonDialog->refresh();
    comparisonDialog->show();
    comparisonDialog->raise();
}

bool MainWindow::saveTable(ExportKind kind, const QString &fileName)
{
    const QString shown = QDir::toNativeSeparators(fileName);
    const ExportFormat *format = exportFormatFor(kind, fileName);
    QString error = tr("no format for the suffix \"%1\"").arg(QFileInfo(fileName).suffix());
    if (format && saveExport(*format, ExportSource{plan, this, QSize()}, fileName, &error)) {
        statusBar()->showMessage(tr("Saved %1").arg(shown), 5000);
        return true;
    }
    const QString failure = tr("Not saved to %1: %2").arg(shown, error);
    statusBar()->showMessage(failure);
    showSaveFailure(this, failure);
    return false;
}
