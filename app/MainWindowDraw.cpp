#include "MainWindow.h"

#include "ChCoord.h"
#include "MouseC.h"
#include "PlotPainter.h"

#include <QColor>
#include <QPainter>

void MainWindow::draw(QPainter *p)
{
    const int W = GView1->width();
    const int H = GView1->height();
    QColor white;
    white.setRgb(255, 255, 255, 255);
    p->fillRect(QRect(0, 0, W, H), white);
    if (!tgtComp.valid)
        return;
    if (!calcMuTCurve())
        return;
    updateFxafsCheck();

    // The simulation reads only the form and the curve grid, never the painting, so it runs
    // before the painting starts rather than halfway through it.
    simulateSpectrum();
    paintSpectrumPlot(p, plotPaintInput(), plotCoord);
    AddInfo->setText(spectrum.infoText);
}

double MainWindow::getStep(double xw)
{
    return ::getStep(xw);
}

SpectrumInput MainWindow::spectrumInputFromForm() const
{
    SpectrumInput in;
    in.E0 = ExtEnergy->text().toDouble();
    in.I0 = I0Flux->text().toDouble();
    in.distance = Distance->text().toDouble();
    in.detRadius = DetRadius->text().toDouble();
    in.airThickness = AirThickness->text().toDouble();
    in.f1Thickness = Filter1Thickness->text().toDouble();
    in.f1Density = Filter1Density->text().toDouble();
    in.f2Thickness = Filter2Thickness->text().toDouble();
    in.f2Density = Filter2Density->text().toDouble();
    in.fwhm = DetResolution->text().toDouble();
    in.channelWidth = MCAResolution->text().toDouble();
    in.integ = IntensityInt->isChecked();
    in.ratio = AddInfoRatioF->isChecked();
    in.tgt = &tgtComp;
    in.bnd = &bndComp;
    in.air = &airComp;
    in.f1 = &f1Comp;
    in.f2 = &f2Comp;
    in.yieldK = yieldK;
    in.yieldL = yieldL;
    in.yieldSize = YIELD_ARRAY_SIZE;
    in.thickness = thickness;
    in.tgtMolPerArea = tgtMolPerArea;
    in.bndPerTgt = bndPerTgt;
    in.lineNames = lineNames;
    in.gridE = mutCurveE;
    in.gridPoints = MUT_POINTS;
    return in;
}

void MainWindow::simulateSpectrum()
{
    ::simulateSpectrum(spectrumInputFromForm(), fluoSpectrum, spectrum);
    airMolPerArea = spectrum.airMolPerArea;
    f1MolPerArea = spectrum.f1MolPerArea;
    f2MolPerArea = spectrum.f2MolPerArea;
}

PlotPaintInput MainWindow::plotPaintInput() const
{
    PlotPaintInput in;
    in.width = GView1->width();
    in.height = GView1->height();
    in.gridE = mutCurveE;
    in.mutCurve = mutCurve;
    in.fluoSpectrum = fluoSpectrum;
    in.points = MUT_POINTS;
    in.mutMin = mutMin;
    in.mutMax = mutMax;
    in.calcPointE = calcPointE;
    in.tgt = &tgtComp;
    in.bnd = &bndComp;
    in.edgeNames = edgeNames;
    in.spectrum = &spectrum;
    in.cursorX = plotMouse.curX;
    in.calcPointCaption = tr("Calc. Point");
    in.readoutFormat = IntensityInt->isChecked()
                           ? tr("Fluo. Int. : %1 photons/s per channel (at %2 [keV])")
                           : tr("Fluo. Int. : %1 photons/s (at %2 [keV])");
    return in;
}
