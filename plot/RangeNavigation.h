#pragma once

#include <QString>

// Panning and zooming the energy range with the mouse. Everything is computed from the state at
// the press (or the exact range before a wheel step), never from the rounded texts of earlier
// events, so many small events add up to the same movement as one large one.

// The widest range the plot shows: 0 to 200 keV.
constexpr double RANGE_FLOOR = 0.0;
constexpr double RANGE_CEILING = 200.0;

struct EnergyRange
{
    double start = 0;
    double end = 0;
};

// The range at the press moved by the pointer's travel since the press, kept inside 0-200 keV
// with its width (or 0-200 keV itself when it is wider).
EnergyRange pannedRange(EnergyRange atPress, double keVPerPixel, int pressX, int x);

// One wheel step about the energy under the pointer, which keeps its place: in narrows the
// range to 0.9 of its width, out widens it by 1/0.9 (at most to 200 keV); a range that would
// pass 0 or 200 keV slides back inside.
EnergyRange zoomedRange(EnergyRange current, double anchor, bool in);

// A range end as the fields show it: four decimals, 0.1 eV.
QString rangeText(double keV);
