#pragma once

#include "ChCoord.h"
#include "Composition.h"
#include "FluoSimulation.h"
#include "PlotLayout.h"
#include "PlotText.h"

#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

class QPainter;

// Rows the legend has room for.
constexpr int PLOT_LEGEND_ROWS = 8;

// The pens a legend row can show: each row says whose sample it draws, so that rows may come
// and go in any combination.
enum class PlotPen {
    MuT,
    Fluorescence,
    Edges,
    CalcPoint,
    Detector, // scatter and escape peaks
    Pileup,
    Measured,
    Unexplained // a measured peak no simulated line explains
};

struct PlotLegendRow
{
    PlotPen pen = PlotPen::MuT;
    QString text;
    bool operator==(const PlotLegendRow &o) const { return pen == o.pen && text == o.text; }
    bool operator!=(const PlotLegendRow &o) const { return !(*this == o); }
};

// What one repaint of the plot shows: the mu t curve on its grid, the markers, and the last
// simulation. Pointers are borrowed for the call only.
struct PlotPaintInput
{
    int width = 0; // plot widget size [px]
    int height = 0;

    const double *gridE = nullptr; // ascending energies [keV]
    const double *mutCurve = nullptr;
    const double *fluoSpectrum = nullptr;
    int points = 0;
    double mutMin = 0;
    double mutMax = 0;
    double calcPointE = 0;

    const Composition *tgt = nullptr;
    const Composition *bnd = nullptr;
    QStringList edgeNames; // "K" ... "MI", indexed like AtomData::edge

    const SpectrumResult *spectrum = nullptr;

    // A measured spectrum drawn over the simulated one on the same intensity axis: per channel
    // its centre energy [keV], ascending, and its value (photons/s per channel, scaled by the
    // caller). Nothing is drawn without points.
    const double *measuredE = nullptr;
    const double *measuredY = nullptr;
    int measuredPoints = 0;
    // Energies [keV] of measured peaks that no simulated line explains, each marked at the top
    // of the frame.
    QVector<double> unexplainedE;

    int cursorX = 0; // pointer x [px] for the intensity read-out

    bool logMuT = false;       // mu t on a logarithmic axis
    bool logIntensity = false; // the intensity axis by decades
    bool showPointer = true;   // the hover read-out and cursor line; false for exports

    // The excitation energy while Shift + move sets it, marked across the plot with its caption;
    // none when the caption is empty.
    double excitationE = 0;    // [keV]
    QString excitationCaption; // "Excitation 12.4083 keV"

    // The region of interest a fluorescence scan counts, shaded across the plot with its
    // caption at the top; none when the caption is empty.
    double roiLow = 0;  // [keV]
    double roiHigh = 0; // [keV]
    QString roiCaption; // "ROI"

    // Translated by the caller, so that the captions belong to the window's context.
    QString calcPointCaption; // "Calc. Point"
    QString readoutFormat;    // "Fluo. Int. : %1 (at %2 [keV])"
    QString measuredFormat;   // "; measured %1", after it while a measured spectrum is drawn
    QString energyTitle;      // "Energy [keV]"
    QString muTTitle;         // "mu t"
    QString intensityTitle;   // "photons/s" or "photons/s per channel"
    // At most PLOT_LEGEND_ROWS rows, each drawn with the sample of its own pen.
    QVector<PlotLegendRow> legend;
    // Text is never drawn smaller than this; a caption that would need less is left out.
    double minPointSize = 0;
};

// Grid step for a data range of length xw: 1, 2 or 5 times 10^n, n = floor(log10(xw / 10)),
// giving about 7 to 20 lines. 0 when xw is not a positive finite number.
double getStep(double xw);
// Decimals a tick label needs for this step: max(0, -floor(log10 step)).
int tickDecimals(double step);
// Multiples of step inside (lo, hi].
QVector<double> axisTicks(double lo, double hi, double step);
// A tick value written with the decimals its step needs.
QString tickLabel(double v, double step);

// Index of the first grid energy at or above energy, counted from the second point; 0 when the
// energy lies at or below the first point or beyond the last.
int cursorIndex(const double *gridE, int n, double energy);
// Index of the point of ascending x nearest to v, within half a step beyond either end; -1 when
// there is none (no points, v not a number or farther out).
int nearestPoint(const double *x, int n, double v);

// What the plot keeps from one repaint to the next: the layout of the last input, and its texts
// measured and shaped. A repaint whose input lays out as the last one did (a mouse move, an
// expose) reuses the layout; a new simulation, size, font or resolution makes a new one, which
// measures and shapes only the texts not seen before. Everything the layout reads is compared,
// by value, with what it was made from.
class PlotPaintCache
{
public:
    PlotPaintCache();
    ~PlotPaintCache();
    PlotPaintCache(const PlotPaintCache &) = delete;
    PlotPaintCache &operator=(const PlotPaintCache &) = delete;

    // layoutSpectrumPlot(in, font, device), made anew only when an input it reads has changed.
    const PlotLayout &layout(const PlotPaintInput &in, const QFont &font, QPaintDevice *device);
    PlotTextCache &texts() { return textCache; }
    // Layouts made so far (for checks that a repaint made none).
    int layoutsMade() const { return made; }

private:
    struct Key;
    std::unique_ptr<Key> key;
    PlotLayout cached;
    PlotTextCache textCache;
    int made = 0;
};

// Paints everything above the white background in layers over one layout (layoutSpectrumPlot
// with the default font): frame and grid, axes, mu t curve, edges and calculation point,
// spectrum, measured spectrum, sticks and labels, unexplained peaks, legend, and with
// in.showPointer what follows the mouse. Leaves coord with this repaint's screen rectangle, the
// energy range as x range and the spectrum's intensity range as y range, which the mouse handling
// relies on. With a cache, the layout and the texts of the previous repaint are used again where
// the input allows; the pixels are the same.
void paintSpectrumPlot(QPainter *p, const PlotPaintInput &in, ChCoord &coord,
                       PlotPaintCache *cache = nullptr);
