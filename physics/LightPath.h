#pragma once

// What lies in the way of the photons on one leg of their path: layers of air, filters or
// windows, each a composition of some density and thickness.

#include "Composition.h"

#include <QVector>

struct Layer
{
    Composition composition;
    double density = 0;     // g/cm^3
    double thicknessMm = 0; // mm

    // Moles of formula units per cm^2; 0 when the composition is not valid, so that a filter
    // whose text did not parse absorbs nothing.
    double molPerArea() const;
};

struct LightPath
{
    QVector<Layer> layers; // in the order the photons cross them

    // exp(-sum of molPerArea x absorption(E)) over the layers, summed in their order; 1 for an
    // empty path. Every layer takes part, an invalid one with its 0 moles per area.
    double transmission(double E) const;

    // The same path evaluating absorption with these cross sections (the two-term table for
    // nullptr), whatever its compositions' own choice.
    LightPath withTabulated(const CrossSectionTable *table) const;
};

// mu t of the windows around a sample at E [keV], the front one and the back one, along their
// normal: their total attenuation from the given cross sections (the two-term table for
// nullptr), whatever their compositions' own choice. A window of no thickness or of a
// composition that did not parse adds nothing.
double windowsMuT(const Layer &front, const Layer &back, const CrossSectionTable *table, double E);
