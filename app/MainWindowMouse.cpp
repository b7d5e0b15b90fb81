#include "MainWindow.h"

#include "ChCoord.h"
#include "MouseC.h"

#include <QMouseEvent>
#include <QWheelEvent>

namespace {

// A range field's energy moved by -delta, keeping the field's three decimals.
QString shifted(const QString &field, double delta)
{
    return QString::number(field.toDouble() - delta, 'f', 3);
}

} // namespace

void MainWindow::mousePressed(QMouseEvent *e)
{
    plotMouse.recordPress(e);
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
    if (plotMouse.pressed) {
        // The anchor follows the pointer, so each event pans by the movement since the last
        // one and the fields never accumulate the whole drag twice.
        const double delta = plotCoord.screenToRealOffsetX(plotMouse.curX) -
                             plotCoord.screenToRealOffsetX(plotMouse.pressX);
        plotMouse.pressX = plotMouse.curX;
        plan->setRange(shifted(plan->input(PlanModel::StartE0), delta),
                       shifted(plan->input(PlanModel::EndE0), delta));
    } else if (e->modifiers() & Qt::ShiftModifier) {
        plan->setInput(PlanModel::ExtEnergy,
                       QString::number(plotCoord.screenToRealX(e->pos().x()), 'g', 6));
    }
    update();
}

void MainWindow::wheelMoved(QWheelEvent *e)
{
    // One event is one zoom step whatever its size; only the direction counts.
    const double steps = e->angleDelta().y() * 0.125 / 15;
    const int x = static_cast<int>(e->position().x());
    const double anchor = plotCoord.screenToRealX(x);
    double span = plotCoord.realX1 - plotCoord.realX0;
    if (steps > 0)
        span *= 0.9;
    else
        span /= 0.9;
    // Keep the energy under the cursor at its pixel.
    const double newStart =
        anchor - span * (x - plotCoord.screenX0) / (plotCoord.screenX1 - plotCoord.screenX0);
    const double newEnd = newStart + span;
    plan->setRange(QString::number(newStart, 'f', 3), QString::number(newEnd, 'f', 3));
    update();
}
