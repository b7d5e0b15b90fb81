#include "LightPath.h"

#include "PhysicsCommon.h"

#include <cmath>

double Layer::molPerArea() const
{
    return composition.valid ? ::molPerArea(density, composition, thicknessMm) : 0.0;
}

double LightPath::transmission(double E) const
{
    double attenuation = 0.0;
    for (const Layer &layer : layers)
        attenuation += layer.molPerArea() * layer.composition.absorption(E);
    return std::exp(-attenuation);
}

LightPath LightPath::withTabulated(const CrossSectionTable *table) const
{
    LightPath path = *this;
    for (Layer &layer : path.layers)
        layer.composition.tabulated = table;
    return path;
}

double windowsMuT(const Layer &front, const Layer &back, const CrossSectionTable *table, double E)
{
    double mut = 0.0;
    for (const Layer *window : {&front, &back}) {
        const double mol = window->molPerArea();
        if (!(mol > 0))
            continue;
        Composition composition = window->composition;
        composition.tabulated = table;
        mut += mol * composition.absorption(E);
    }
    return mut;
}
