#include "MeasuredSpectrum.h"

double MeasuredSpectrum::totalCounts() const
{
    double sum = 0;
    for (const double v : counts)
        sum += v;
    return sum;
}
