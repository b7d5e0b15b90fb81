#include "SpectrumComparison.h"

#include "SpectrumParsing.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Sums of counts over index ranges by prefix sums.
class RangeSum
{
public:
    explicit RangeSum(const QVector<double> &counts) : prefix(counts.size() + 1, 0.0)
    {
        for (int i = 0; i < counts.size(); ++i)
            prefix[i + 1] = prefix[i] + counts[i];
    }
    // Counts of indices first..last, both included.
    double operator()(int first, int last) const { return prefix[last + 1] - prefix[first]; }

private:
    QVector<double> prefix;
};

QVector<UnexplainedPeak> unexplainedPeaks(const MeasuredSpectrum &m,
                                          const QVector<ComparedLine> &lines,
                                          const WidthFunction &fwhm)
{
    const QVector<double> &counts = m.counts;
    const int n = counts.size();
    const RangeSum sum(counts);
    struct Candidate
    {
        double energy, significance, fwhm;
    };
    QVector<Candidate> found;
    for (int i = 0; i < n; ++i) {
        const double E = m.channelEnergy(m.firstChannel + i);
        const double F = fwhm(E);
        if (!(F > 0) || !std::isfinite(F))
            continue;
        int w = int(std::max(1.0, std::min(std::round(F / m.gain), double(n))));
        w |= 1;
        const int h = w / 2;
        if (i - 2 * w - 1 < 0 || i + 2 * w + 1 >= n)
            continue;
        const double here = sum(i - h, i + h);
        if (!(here > sum(i - 1 - h, i - 1 + h) && here >= sum(i + 1 - h, i + 1 + h)))
            continue;
        const double left = sum(i - 2 * w, i - w - 1);
        const double right = sum(i + w + 1, i + 2 * w);
        // w channels of background at (left + right) / (2 w) each.
        const double excess = here - 0.5 * (left + right);
        const double variance = here + 0.25 * (left + right);
        if (!(variance > 0))
            continue;
        const double significance = excess / std::sqrt(variance);
        if (!(significance > UnexplainedSigmas))
            continue;
        bool explained = false;
        for (const ComparedLine &l : lines)
            explained = explained || std::fabs(E - l.energy) <= 2 * l.fwhm;
        if (explained)
            continue;
        if (!found.isEmpty() && E - found.last().energy <= F) {
            if (significance > found.last().significance)
                found.last() = {E, significance, F};
            continue;
        }
        found.append({E, significance, F});
    }
    QVector<UnexplainedPeak> out;
    for (const Candidate &c : found)
        out.append({c.energy, c.significance});
    return out;
}

} // namespace

QVector<ComparedLine> comparedLines(const QVector<LinePeak> &records, const WidthFunction &fwhm)
{
    QVector<ComparedLine> out;
    for (const LinePeak &p : records) {
        ComparedLine l;
        l.element = p.element;
        l.lineName = p.lineName;
        l.energy = p.peakEnergy;
        const double det = fwhm(p.peakEnergy);
        l.fwhm = std::sqrt(det * det + p.intrinsicFwhm * p.intrinsicFwhm);
        l.rate = p.peakIntensity;
        out.append(l);
    }
    return out;
}

bool peakArea(const QVector<double> &counts, int first, int last, int k, PeakArea *area)
{
    if (k < 1 || first > last || first - k < 0 || last + k >= counts.size())
        return false;
    // Summed where they lie: a spectrum of many channels is not summed whole for each group.
    const auto sum = [&counts](int from, int to) {
        double total = 0;
        for (int i = from; i <= to; ++i)
            total += counts[i];
        return total;
    };
    const double sumL = sum(first - k, first - 1);
    const double sumR = sum(last + 1, last + k);
    const double xL = first - 0.5 * (k + 1); // centres of the side windows
    const double xR = last + 0.5 * (k + 1);
    const double xm = 0.5 * (first + last);
    const double wR = (xm - xL) / (xR - xL);
    const double wL = 1 - wR;
    const int n = last - first + 1;
    const double background = n * (wL * sumL + wR * sumR) / k;
    area->gross = sum(first, last);
    area->net = area->gross - background;
    area->variance = area->gross + double(n) * n * (wL * wL * sumL + wR * wR * sumR) / (k * k);
    return true;
}

SpectrumComparisonResult compareSpectra(const MeasuredSpectrum &measured,
                                        const QVector<double> &simulated,
                                        const QVector<ComparedLine> &lines,
                                        const WidthFunction &fwhm)
{
    SpectrumComparisonResult result;
    result.scale = NaN;
    result.scaleSigma = NaN;
    if (!(measured.gain > 0) || simulated.size() != measured.counts.size())
        return result;

    QVector<ComparedLine> sorted;
    for (const ComparedLine &l : lines)
        if (l.energy > 0 && l.fwhm > 0 && std::isfinite(l.energy) && std::isfinite(l.fwhm))
            sorted.append(l);
    std::stable_sort(
        sorted.begin(), sorted.end(),
        [](const ComparedLine &a, const ComparedLine &b) { return a.energy < b.energy; });

    double sumWms = 0, sumWss = 0;
    for (int i = 0; i < sorted.size();) {
        int j = i + 1;
        while (j < sorted.size() && sorted[j].energy - sorted[j - 1].energy <
                                        std::max(sorted[j].fwhm, sorted[j - 1].fwhm))
            ++j;
        ComparedGroup g;
        double widest = 0;
        const ComparedLine *strongest = &sorted[i];
        for (int q = i; q < j; ++q) {
            const ComparedLine &l = sorted[q];
            g.members.append(l.element.isEmpty() ? l.lineName : l.element + ' ' + l.lineName);
            widest = std::max(widest, l.fwhm);
            if (l.rate > strongest->rate)
                strongest = &l;
        }
        g.element = strongest->element;
        g.lineName = strongest->lineName;
        g.energy = strongest->energy;
        const double lo = sorted[i].energy - sorted[i].fwhm;
        const double hi = sorted[j - 1].energy + sorted[j - 1].fwhm;
        i = j;
        const double c0 = std::ceil((lo - measured.offset) / measured.gain);
        const double c1 = std::floor((hi - measured.offset) / measured.gain);
        if (c0 < measured.firstChannel || c1 > measured.lastChannel() || c1 < c0)
            continue;
        g.firstChannel = int(c0);
        g.lastChannel = int(c1);
        g.sideChannels = std::max(3, int(std::lround(widest / measured.gain / 2)));
        const int first = g.firstChannel - measured.firstChannel;
        const int last = g.lastChannel - measured.firstChannel;
        if (!peakArea(measured.counts, first, last, g.sideChannels, &g.measured) ||
            !peakArea(simulated, first, last, g.sideChannels, &g.simulated))
            continue;
        g.ratio = g.simulated.net > 0 ? g.measured.net / g.simulated.net : NaN;
        g.used = (g.measured.net >= MinScaleCounts || g.simulated.net >= MinScaleCounts) &&
                 g.measured.variance > 0 && g.simulated.net > 0;
        if (g.used) {
            sumWms += g.measured.net * g.simulated.net / g.measured.variance;
            sumWss += g.simulated.net * g.simulated.net / g.measured.variance;
        }
        result.groups.append(g);
    }
    if (sumWss > 0) {
        result.scale = sumWms / sumWss;
        result.scaleSigma = 1 / std::sqrt(sumWss);
    }
    result.unexplained = unexplainedPeaks(measured, sorted, fwhm);
    return result;
}

QByteArray comparisonCsv(const SpectrumComparisonResult &result)
{
    using SpectrumParsing::shortest;
    QByteArray o = "element,line,energy_keV,measured,simulated,ratio\n";
    for (const ComparedGroup &g : result.groups) {
        o += g.element.toUtf8() + ',' + g.lineName.toUtf8() + ',' + shortest(g.energy) + ',' +
             shortest(g.measured.net) + ',' + shortest(g.simulated.net) + ',' +
             (std::isfinite(g.ratio) ? shortest(g.ratio) : QByteArray()) + '\n';
    }
    return o;
}
