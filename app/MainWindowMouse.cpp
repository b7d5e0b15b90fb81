#include "MainWindow.h"

#include "ChCoord.h"
#include "MouseC.h"
#include "RangeNavigation.h"

#include <QMouseEvent>
#include <QStatusBar>
#include <QWheelEvent>

namespace {

EnergyRange planRange(const PlanModel &plan)
{
    return {plan.input(PlanModel::StartE0).toDouble(), plan.input(PlanModel::EndE0).toDouble()};
}

} // namespace

void MainWindow::mousePressed(QMouseEvent *e)
{
    plotMouse.recordPress(e);
    // A drag moves the range it started from by the pointer's whole travel.
    rangeAtPress = planRange(*plan);
    keVPerPixelAtPress = plotCoord.screenToRealOffsetX(1) - plotCoord.screenToRealOffsetX(0);
    update();
}

void MainWindow::mouseReleased(QMouseEvent *e)
{
    plotMouse.recordRelease(e);
    update();
}

void MainWindow::mouseDoubleClicked(QMouseEvent *) {}

void MainWindow::mouseMoved(QMouseEvent *e)
{
    plotMouse.recordMove(e);
    // An empty plot has no energy scale to point at: nothing to pan, nothing to set.
    const bool scaled = plan->plotShown();
    if (plotMouse.pressed && scaled) {
        const EnergyRange r =
            pannedRange(rangeAtPress, keVPerPixelAtPress, plotMouse.pressX, plotMouse.curX);
        plan->setRange(rangeText(r.start), rangeText(r.end));
    }
    // Shift rewrites the excitation energy as the pointer moves: the plot marks it and the
    // status bar says so, since nothing else on the plot would.
    const bool marking = scaled && !plotMouse.pressed && (e->modifiers() & Qt::ShiftModifier);
    if (marking) {
        const QString energy = QString::number(plotCoord.screenToRealX(e->pos().x()), 'g', 6);
        plan->setInput(PlanModel::ExtEnergy, energy);
        statusBar()->showMessage(
            tr("Excitation energy set to %1 keV (Shift + move over the plot)").arg(energy), 5000);
    }
    if (marking != excitationMarked) {
        excitationMarked = marking;
        GView1->update();
    }
    update();
}

void MainWindow::wheelMoved(QWheelEvent *e)
{
    if (!plan->plotShown())
        return;
    // One event is one zoom step whatever its size; only the direction counts.
    const double steps = e->angleDelta().y() * 0.125 / 15;
    const int x = static_cast<int>(e->position().x());
    const EnergyRange r = zoomedRange(planRange(*plan), plotCoord.screenToRealX(x), steps > 0);
    plan->setRange(rangeText(r.start), rangeText(r.end));
    update();
}
