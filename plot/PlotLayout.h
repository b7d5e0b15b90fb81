#pragma once

#include <cmath>

#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVector>

class QPaintDevice;
class PlotTextCache;
struct PlotPaintInput;

// One axis's mapping from values to pixels: linear, or by decades (lo and hi are then the
// log10 of the values at the ends).
struct PlotScale
{
    bool log = false;
    double lo = 0;
    double hi = 1;
    double p0 = 0; // pixel of lo
    double p1 = 1; // pixel of hi

    // NaN for a value a log axis cannot show. Inline: it maps every point of both curves.
    double operator()(double v) const
    {
        const double t = log ? (v > 0 ? std::log10(v) : std::nan("")) : v;
        return p0 + (p1 - p0) / (hi - lo) * (t - lo);
    }
};

// A grid line or tick mark; text and rect are empty where the tick carries no number.
struct PlotTick
{
    double value = 0;
    double pos = 0; // pixel along its axis
    QString text;
    QRectF rect;
};

// A caption placed by the layout: an edge name, a line or the calculation point.
struct PlotLabel
{
    QString text;
    QRectF rect;
    QPointF anchor;      // the point it names (top of a stick, a marker)
    bool leader = false; // moved away from its anchor: a line joins them
    double strength = 0; // what decided its turn: a line's intensity
};

// A measured peak that nothing simulated explains: a small downward triangle near the top of the
// frame, its "?" beside it where there is room.
struct PlotMark
{
    double energy = 0;
    QRectF triangle;   // the box it fills, its tip at the bottom centre, above the peak
    PlotLabel caption; // empty rect: no room for it
};

// Where everything of one repaint goes, decided before anything is drawn, so that nothing
// drawn later can land on a caption and tests can check the places without reading pixels.
struct PlotLayout
{
    QRectF picture;
    QRectF frame; // the plot area; everything but the axes' texts is clipped to it
    QFont font;   // the one size of every text of the plot
    double lineH = 0;

    PlotScale energy;    // x
    PlotScale muT;       // left axis
    PlotScale intensity; // right axis
    double energyStep = 0;
    double muTStep = 0;       // 0 on a log axis
    double intensityStep = 0; // likewise
    QVector<PlotTick> energyTicks;
    QVector<PlotTick> muTTicks;
    QVector<PlotTick> intensityTicks;

    // The side titles are drawn turned; these are the rectangles they cover on the device.
    QRectF energyTitle;
    QRectF muTTitle;
    QRectF intensityTitle;
    QString muTTitleText; // shortened to the frame's height where needed
    QString intensityTitleText;

    QVector<double> edgeX;  // absorption edge markers in the range
    bool calcShown = false; // the calculation point lies in the range
    double calcX = 0;
    PlotLabel calcCaption; // empty rect: no room for it
    PlotLabel roiCaption;  // over the region of interest; empty rect: none or no room
    QVector<PlotLabel> edgeLabels;
    QVector<PlotLabel> lineLabels; // strongest first
    double stickMax = 0;           // height of the strongest stick [px]
    QVector<PlotMark> unexplained; // in the range only

    QRectF legend;      // empty when the plot is too small for it
    int legendRows = 0; // rows of each of its columns: more rows than this wrap into a second
    QRectF readout;     // the hover read-out's band, empty without the pointer

    // Every rectangle that holds text, for checks that none covers another.
    QVector<QRectF> textRects() const;
};

// What the measured spectrum adds to the intensity axis: over the channels inside [lo, hi] [keV]
// with a finite value, the largest value and the smallest positive one; 0 where there is none.
struct PlotValueExtent
{
    double max = 0;
    double smallestPositive = 0;
};
PlotValueExtent measuredExtent(const PlotPaintInput &in, double lo, double hi);

// The layout of paintSpectrumPlot at in.width x in.height on device, with text at font's size
// (never below in.minPointSize). With texts, widths come from there: a text already measured
// in that font is not measured again.
PlotLayout layoutSpectrumPlot(const PlotPaintInput &in, const QFont &font, QPaintDevice *device,
                              PlotTextCache *texts = nullptr);
