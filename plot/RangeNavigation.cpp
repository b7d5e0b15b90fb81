#include "RangeNavigation.h"

#include <algorithm>

EnergyRange pannedRange(EnergyRange atPress, double keVPerPixel, int pressX, int x)
{
    const double shift = (x - pressX) * keVPerPixel;
    EnergyRange r{atPress.start - shift, atPress.end - shift};
    const double width = r.end - r.start;
    if (!(width < RANGE_CEILING - RANGE_FLOOR))
        return {RANGE_FLOOR, RANGE_CEILING};
    if (r.start < RANGE_FLOOR)
        r = {RANGE_FLOOR, RANGE_FLOOR + width};
    if (r.end > RANGE_CEILING)
        r = {RANGE_CEILING - width, RANGE_CEILING};
    return r;
}

EnergyRange zoomedRange(EnergyRange current, double anchor, bool in)
{
    const double width = current.end - current.start;
    const double fraction = width > 0 ? (anchor - current.start) / width : 0.5;
    const double newWidth = std::min(width * (in ? 0.9 : 1.0 / 0.9), RANGE_CEILING - RANGE_FLOOR);
    EnergyRange r;
    r.start = anchor - newWidth * fraction;
    r.end = r.start + newWidth;
    // At a limit the range slides back inside rather than losing width, so zooming out keeps
    // widening until it shows all of 0-200 keV.
    if (r.start < RANGE_FLOOR)
        r = {RANGE_FLOOR, RANGE_FLOOR + newWidth};
    if (r.end > RANGE_CEILING)
        r = {RANGE_CEILING - newWidth, RANGE_CEILING};
    return r;
}

QString rangeText(double keV)
{
    return QString::number(keV, 'f', 4);
}
