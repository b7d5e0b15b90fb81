#pragma once

#include <QColor>
#include <QObject>

// Mapping between data coordinates (x: energy in keV, y: a value) and the pixels of the plot
// area. Pixel y grows downwards, so realY0 sits at the bottom edge screenY1.
class ChCoord : public QObject
{
    Q_OBJECT

public:
    ChCoord();

    QColor colorA;
    QColor colorB;
    QColor colorC;
    QColor colorD;

    double screenX0 = 0;
    double screenX1 = 0;
    double screenY0 = 0;
    double screenY1 = 0;
    double realX0 = 0;
    double realX1 = 0;
    double realY0 = 0;
    double realY1 = 0;
    double savedX0 = 0;
    double savedX1 = 0;
    double savedY0 = 0;
    double savedY1 = 0;

    void setScreenRect(double x0, double y0, double x1, double y1);
    void setRealRect(double x0, double y0, double x1, double y1);
    void setRealXRange(double x0, double x1);
    void setRealYRange(double y0, double y1);
    void setSavedRect(double x0, double y0, double x1, double y1);
    void setSavedXRange(double x0, double x1);
    void setSavedYRange(double y0, double y1);
    void restoreRealRect();
    void restoreRealXRange();
    void restoreRealYRange();

    // Inline: the curves map every one of their points through these at each repaint.
    double realToScreenX(double x) const
    {
        return screenX0 + (screenX1 - screenX0) / (realX1 - realX0) * (x - realX0);
    }
    double realToScreenY(double y) const
    {
        return screenY1 - (screenY1 - screenY0) / (realY1 - realY0) * (y - realY0);
    }
    double realToScreenDX(double dx) const;
    double realToScreenDY(double dy) const;
    double realToScreenDYAbs(double dy) const;
    double fractionToScreenY(double v, double lo, double hi) const;
    double screenToRealX(double px) const;
    double screenToRealY(double py) const;
    double screenToRealOffsetX(double px) const;
    double screenToRealOffsetY(double py) const;
    double screenToRealXClamped(double px) const;
    double screenToRealYClamped(double py) const;
    double screenToRealDX(double d) const;
    double screenToRealDY(double d) const;
    void yAxisSpan(double &lo, double &hi, double &step, int n) const;
};

// Shared by the draw slot, which sets it on every repaint, and the mouse slots, which read it.
extern ChCoord plotCoord;
