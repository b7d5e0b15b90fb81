#include "ChCoord.h"

#include <algorithm>

ChCoord plotCoord;

ChCoord::ChCoord()
{
    colorA.setRgb(0, 220, 220, 255);
    colorB.setRgb(170, 255, 170, 255);
    colorC.setRgb(140, 180, 140, 255);
    colorD.setRgb(0, 0, 0, 255);
}

void ChCoord::setScreenRect(double x0, double y0, double x1, double y1)
{
    screenX0 = x0;
    screenY0 = y0;
    screenX1 = x1;
    screenY1 = y1;
}

void ChCoord::setRealRect(double x0, double y0, double x1, double y1)
{
    realX0 = x0;
    realY0 = y0;
    realX1 = x1;
    realY1 = y1;
}

void ChCoord::setRealXRange(double x0, double x1)
{
    realX0 = x0;
    realX1 = x1;
}

void ChCoord::setRealYRange(double y0, double y1)
{
    realY0 = y0;
    realY1 = y1;
}

void ChCoord::setSavedRect(double x0, double y0, double x1, double y1)
{
    savedX0 = x0;
    savedY0 = y0;
    savedX1 = x1;
    savedY1 = y1;
}

void ChCoord::setSavedXRange(double x0, double x1)
{
    savedX0 = x0;
    savedX1 = x1;
}

void ChCoord::setSavedYRange(double y0, double y1)
{
    savedY0 = y0;
    savedY1 = y1;
}

void ChCoord::restoreRealRect()
{
    restoreRealXRange();
    restoreRealYRange();
}

void ChCoord::restoreRealXRange()
{
    realX0 = savedX0;
    realX1 = savedX1;
}

void ChCoord::restoreRealYRange()
{
    realY0 = savedY0;
    realY1 = savedY1;
}

double ChCoord::realToScreenDX(double dx) const
{
    return (screenX1 - screenX0) / (realX1 - realX0) * dx;
}

double ChCoord::realToScreenDY(double dy) const
{
    return -((screenY1 - screenY0) / (realY1 - realY0)) * dy;
}

double ChCoord::realToScreenDYAbs(double dy) const
{
    return (screenY1 - screenY0) / (realY1 - realY0) * dy;
}

double ChCoord::fractionToScreenY(double v, double lo, double hi) const
{
    const double rh = realY1 - realY0;
    return screenY1 - (screenY1 - screenY0) / rh * (realY0 + rh * (v - lo) / (hi - lo) - realY0);
}

double ChCoord::screenToRealX(double px) const
{
    return realX0 + (realX1 - realX0) / (screenX1 - screenX0) * (px - screenX0);
}

double ChCoord::screenToRealY(double py) const
{
    return realY0 + (realY1 - realY0) / (screenY1 - screenY0) * (screenY1 - py);
}

double ChCoord::screenToRealOffsetX(double px) const
{
    return (realX1 - realX0) / (screenX1 - screenX0) * (px - screenX0);
}

double ChCoord::screenToRealOffsetY(double py) const
{
    return (realY1 - realY0) / (screenY1 - screenY0) * (screenY1 - py);
}

double ChCoord::screenToRealXClamped(double px) const
{
    const double lo = std::min(realX0, realX1);
    const double hi = std::max(realX0, realX1);
    return std::clamp(screenToRealX(px), lo, hi);
}

double ChCoord::screenToRealYClamped(double py) const
{
    const double lo = std::min(realY0, realY1);
    const double hi = std::max(realY0, realY1);
    return std::clamp(screenToRealY(py), lo, hi);
}

double ChCoord::screenToRealDX(double d) const
{
    return (realX1 - realX0) / (screenX1 - screenX0) * d;
}

double ChCoord::screenToRealDY(double d) const
{
    return (realY1 - realY0) / (screenY1 - screenY0) * d;
}

void ChCoord::yAxisSpan(double &lo, double &hi, double &step, int n) const
{
    if (realY0 == realY1) {
        lo = 0;
        hi = 1;
        step = 1;
    } else if (realY0 > realY1) {
        lo = realY1;
        hi = realY0;
        step = (realY0 - realY1) / n;
    } else {
        lo = realY0;
        hi = realY1;
        step = (realY1 - realY0) / n;
    }
}
