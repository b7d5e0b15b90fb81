#include "MainWindow.h"

#include "ChCoord.h"
#include "MouseC.h"
#include "PlotPainter.h"

#include <QColor>
#include <QPainter>

#include <algorithm>

// Paints what the plan holds: a mouse move, an expose or a resize computes no physics.
void MainWindow::draw(QPainter *p)
{
    QColor white;
    white.setRgb(255, 255, 255, 255);
    p->fillRect(QRect(0, 0, GView1->width(), GView1->height()), white);
    if (!plan->plotShown())
        return;
    paintSpectrumPlot(p, plotPaintInput(), plotCoord, &GView1->paintCache());
}

double MainWindow::getStep(double xw)
{
    return ::getStep(xw);
}

PlotPaintInput MainWindow::plotPaintInput() const
{
    PlotPaintInput in;
    in.width = GView1->width();
    in.height = GView1->height();
    in.gridE = plan->mutCurveE;
    in.mutCurve = plan->mutCurve;
    in.fluoSpectrum = plan->fluoSpectrum;
    in.points = MUT_POINTS;
    in.mutMin = plan->mutMin;
    in.mutMax = plan->mutMax;
    in.calcPointE = plan->calcPointE;
    in.tgt = &plan->tgtComp;
    in.bnd = &plan->bndComp;
    in.edgeNames = plan->edgeNames;
    in.spectrum = &plan->spectrum;
    in.cursorX = plotMouse.curX;
    in.calcPointCaption = tr("Calc. Point");
    const bool integ = plan->option(PlanModel::IntensityInt);
    in.readoutFormat = integ ? tr("Fluo. Int. : %1 photons/s per channel (at %2 [keV])")
                             : tr("Fluo. Int. : %1 photons/s (at %2 [keV])");
    in.logMuT = plan->logScale();
    in.logIntensity = plan->option(PlanModel::LogIntensity);
    if (excitationMarked) {
        const QString energy = plan->input(PlanModel::ExtEnergy);
        in.excitationE = energy.toDouble();
        in.excitationCaption = tr("Excitation %1 keV").arg(energy);
    }
    // The region a fluorescence scan counts, while the measurement is being planned.
    if (const Roi roi = plan->fluorescenceRoi();
        roi.valid() && plan->option(PlanModel::MeasureBox)) {
        in.roiLow = roi.low;
        in.roiHigh = roi.high;
        in.roiCaption = tr("ROI");
    }
    in.energyTitle = tr("Energy [keV]");
    in.muTTitle = tr("mu t");
    in.intensityTitle = integ ? tr("photons/s per channel") : tr("photons/s");
    in.legend = {{PlotPen::MuT, tr("mu t")},
                 {PlotPen::Fluorescence, tr("fluorescence")},
                 {PlotPen::Edges, tr("edges")},
                 {PlotPen::CalcPoint, tr("calc. point")}};
    const QVector<LinePeak> &peaks = plan->spectrum.linePeaks;
    // Each row is there when its peaks are.
    if (std::any_of(peaks.cbegin(), peaks.cend(), [](const LinePeak &p) {
            return p.kind == LinePeak::Kind::Scatter || p.kind == LinePeak::Kind::Escape;
        }))
        in.legend.append({PlotPen::Detector, tr("scatter, escape")});
    if (std::any_of(peaks.cbegin(), peaks.cend(),
                    [](const LinePeak &p) { return p.kind == LinePeak::Kind::Pileup; }))
        in.legend.append({PlotPen::Pileup, tr("pile-up")});
    // The measured spectrum over the simulated one, and the peaks no line explains.
    const QVector<double> &measuredE = plan->overlayEnergies();
    if (!measuredE.isEmpty()) {
        in.measuredE = measuredE.constData();
        in.measuredY = plan->overlayValues().constData();
        in.measuredPoints = int(measuredE.size());
        in.measuredFormat = tr("; measured %1");
        for (const UnexplainedPeak &u : plan->comparison().unexplained)
            in.unexplainedE << u.energy;
    }
    if (in.measuredPoints > 0)
        in.legend.append({PlotPen::Measured, tr("measured")});
    if (!in.unexplainedE.isEmpty())
        in.legend.append({PlotPen::Unexplained, tr("unexplained peak")});
    // Never smaller than about 80 % of the interface's font.
    in.minPointSize = 0.8 * font().pointSizeF();
    return in;
}
