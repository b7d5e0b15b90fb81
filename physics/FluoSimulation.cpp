#include "FluoSimulation.h"

#include "Pellet.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

const double LINE_WEIGHT[LINE_COUNT] = {
    5.0 / 17.0,  // Ka2
    10.0 / 17.0, // Ka1
    2.0 / 17.0,  // Kb
    1.0 / 21.0,  // La2
    9.0 / 21.0,  // La1
    5.0 / 21.0,  // Lb1
    6.0 / 21.0,  // Lb2
};

namespace {

// The constants are kept at the digits the program has always used, so that its numbers stay
// comparable from one version to the next.
constexpr double PI_TRUNCATED = 3.1415926535;
constexpr double FOUR_PI_TRUNCATED = 12.566370614;

double yieldAt(const double *yields, int size, int z)
{
    return (yields && z >= 0 && z < size) ? yields[z] : 0.0;
}

// A number of the line table; one that is not finite cannot be computed and is left empty.
QString finiteNumber(double v)
{
    return std::isfinite(v) ? QString::number(v, 'g', 10) : QString();
}

} // namespace

Composition airComposition(XrayDataBase &db)
{
    Composition air;
    for (const auto &[symbol, atoms] :
         {std::pair<const char *, double>{"N", 1.56168}, {"O", 0.41896}, {"Ar", 0.00934}}) {
        const QString s = QString::fromLatin1(symbol);
        air.entries.append(CompEntry{s, &db[s], atoms});
    }
    air.valid = true;
    return air;
}

QString lineTableCsv(const QVector<LinePeak> &peaks, bool withSecondary)
{
    QString csv =
        withSecondary
            ? QStringLiteral("composition,element,line,energy_keV,rate_per_s,secondary_per_s\n")
            : QStringLiteral("composition,element,line,energy_keV,rate_per_s\n");
    for (const LinePeak &p : peaks) {
        const QString composition = p.kind == LinePeak::Kind::Escape    ? QStringLiteral("escape")
                                    : p.kind == LinePeak::Kind::Pileup  ? QStringLiteral("pileup")
                                    : p.fromWindow                      ? QStringLiteral("window")
                                    : p.kind == LinePeak::Kind::Scatter ? QStringLiteral("scatter")
                                    : p.fromBinder                      ? QStringLiteral("binder")
                                                                        : QStringLiteral("target");
        csv += composition + QLatin1Char(',') + p.element + QLatin1Char(',') + p.lineName +
               QLatin1Char(',') + finiteNumber(p.peakEnergy) + QLatin1Char(',') +
               finiteNumber(p.peakIntensity);
        if (withSecondary)
            csv += QLatin1Char(',') + finiteNumber(p.secondaryIntensity);
        csv += QLatin1Char('\n');
    }
    return csv;
}

void sortLabelsByEnergy(QVector<LineLabel> &labels)
{
    const int n = labels.size();
    const bool ordered = std::none_of(labels.cbegin(), labels.cend(),
                                      [](const LineLabel &l) { return std::isnan(l.first); });
    if (ordered && n > 2) {
        // The same exchanges in O(n log n): the scan below takes the first of the smallest
        // energies left, which a tree of minima over the positions finds in log n steps.
        int size = 1;
        while (size < n)
            size *= 2;
        std::vector<int> tree(2 * size, -1); // leaf size + k: position k; node: first smallest
        const auto better = [&labels](int a, int b) {
            if (a < 0)
                return b;
            if (b < 0)
                return a;
            return labels.at(b).first < labels.at(a).first ? b : a; // a lies left of b
        };
        const auto update = [&](int k, bool present) {
            int node = size + k;
            tree[node] = present ? k : -1;
            for (node /= 2; node >= 1; node /= 2)
                tree[node] = better(tree[2 * node], tree[2 * node + 1]);
        };
        for (int k = 0; k < n; ++k)
            tree[size + k] = k;
        for (int node = size - 1; node >= 1; --node)
            tree[node] = better(tree[2 * node], tree[2 * node + 1]);
        for (int i = 0; i < n - 1; ++i) {
            const int m = tree[1]; // the positions before i are out of the tree
            if (m != i) {
                std::swap(labels[i], labels[m]);
                update(m, true);
            }
            update(i, false);
        }
        return;
    }
    // With a NaN among the energies the scan's choice depends on its order; it is kept as is.
    for (int i = 0; i < n - 1; ++i) {
        int m = i;
        for (int j = i + 1; j < n; ++j) {
            if (labels.at(m).first > labels.at(j).first)
                m = j;
        }
        if (m != i)
            std::swap(labels[i], labels[m]);
    }
}

void simulateSpectrum(const SpectrumInput &in, double *fluoSpectrum, SpectrumResult &result)
{
    const Composition &tgt = *in.tgt;
    const Composition &bnd = *in.bnd;
    const int n = in.gridPoints;

    const double R = in.detector.radiusCm;
    const double D = in.detector.distanceCm;
    // Each element of an array has the solid angle of the one described.
    const double solidAngleFraction = (R * (R * PI_TRUNCATED)) / (D * (D * FOUR_PI_TRUNCATED)) *
                                      std::max(1, in.detector.elements);
    // Every peak has the resolution's width, whatever its energy.
    const double gaussWidth = gaussianWidth(in.detector.fwhm);
    const double integNorm = unitAreaPeak(in.detector.fwhm);
    const double gridStep = evenStep(in.gridE, n);

    std::fill(fluoSpectrum, fluoSpectrum + n, 0.0);
    result.linePeaks.clear();
    result.allLines.clear();
    result.labelList.clear();
    result.infoText.clear();
    double peakMax = 0.0;

    const double eLo = n > 0 ? in.gridE[0] : 0.0;
    const double eHi = n > 0 ? in.gridE[n - 1] : 0.0;
    const auto mut = [&](double E) {
        return pelletMuT(tgt, bnd, in.tgtMolPerArea, in.bndPerTgt, in.bndMolPerArea, E);
    };
    const bool blank = isBlankPellet(in.tgtMolPerArea, in.bndPerTgt);
    const double muIn = mut(in.E0);
    const int nT = tgt.entries.size();
    const int nB = bnd.entries.size();
    const int nLines = std::min(LINE_COUNT, int(in.lineNames.size()));

    for (int e = 0; e < nT + nB; ++e) {
        const bool inTarget = e < nT;
        const Composition &comp = inTarget ? tgt : bnd;
        const int k = inTarget ? e : e - nT;
        const CompEntry &entry = comp.entries.at(k);
        const AtomData &atom = *entry.data;

        // Moles of this line's own composition per cm^2: the binder's follow the target's.
        const double molPerArea = inTarget ? in.tgtMolPerArea
                                  : blank  ? in.bndMolPerArea
                                           : in.tgtMolPerArea * in.bndPerTgt;

        for (int L = 0; L < nLines; ++L) {
            const double El = atom.line[L];
            // Every line shapes the spectrum, wherever it lies: its tail reaches into the
            // plotted range, and the exported table must not depend on the view.
            if (!(El > 0.0))
                continue;
            const bool inRange = eLo < El && El < eHi;

            double W;
            double P;
            if (L <= LineKb) {
                W = yieldAt(in.yieldK, in.yieldSize, atom.z) * LINE_WEIGHT[L];
                P = comp.edgeAbsorption(in.E0, k, EdgeK);
            } else {
                // Any vacancy in the L shell can end in an L line: the K shell through the
                // K-L cascade, and each of the three L subshells directly. Lb1 starts from an
                // L2 vacancy, which needs E0 above the LII edge.
                W = yieldAt(in.yieldL, in.yieldSize, atom.z) * LINE_WEIGHT[L];
                P = 0.0;
                const bool lIIOpen = atom.edge[EdgeLII] > 0.0 && in.E0 > atom.edge[EdgeLII];
                if (L != LineLb1 || lIIOpen) {
                    for (int i = EdgeK; i <= EdgeLIII; ++i)
                        P += comp.edgeAbsorption(in.E0, k, i);
                }
            }

            const double muOut = mut(El);
            const double S = muIn + muOut;
            // P x molPerArea is the shell's own absorption in the pellet (dimensionless); the
            // depth integral of excitation times escape through a slab of mu t S then gives
            // (1 - exp(-S)) / S of it.
            const double X = W * in.I0 * P * (molPerArea / S);
            const double T = in.exit.transmission(El);
            double I = T * ((1.0 - std::exp(-S)) * X * solidAngleFraction);
            // A pellet transparent at both energies (lines of a light element far below every
            // edge) is the thin limit, (1 - exp(-S)) / S = 1, not 0 / 0.
            if (S == 0.0)
                I = T * (W * in.I0 * P * molPerArea * solidAngleFraction);
            const double amplitude = in.integ ? I * integNorm * in.channelWidth : I;
            addGaussianByBlocks(in.gridE, n, gridStep, El, amplitude, gaussWidth, fluoSpectrum);
            LinePeak peak;
            peak.peakEnergy = El;
            peak.peakIntensity = I;
            peak.fromBinder = !inTarget;
            peak.element = entry.symbol;
            peak.lineName = in.lineNames.at(L);
            result.allLines.append(peak);
            if (!inRange)
                continue;

            peakMax = std::max(peakMax, I);
            result.linePeaks.append(peak);
        }
    }

    finishSpectrum(fluoSpectrum, n, peakMax, in.ratio, result);
}

void finishSpectrum(const double *spectrum, int n, double peakMax, bool ratio,
                    SpectrumResult &result)
{
    double spectrumMax = 0.0;
    for (int i = 0; i < n; ++i) {
        if (std::isfinite(spectrum[i]) && spectrum[i] > spectrumMax)
            spectrumMax = spectrum[i];
    }
    result.spectrumMax = spectrumMax;
    if (peakMax == 0.0)
        peakMax = 1.0;
    result.peakMax = peakMax;

    const QString pattern = QStringLiteral("%1: %2");
    // What cannot be computed is left out, never shown as nan or inf.
    const auto shown = [](double v, char format, int precision) {
        return std::isfinite(v)
                   ? QStringLiteral("%1").arg(v, 4, format, precision, QLatin1Char(' '))
                   : QString();
    };
    const bool maxKnown = std::isfinite(peakMax);
    bool complete = !ratio || maxKnown;
    for (LinePeak &peak : result.linePeaks) {
        // Scatter peaks belong to no element; the front window's own peaks say whose they are,
        // beside the pellet's of the same name.
        QString prefix = peak.element.isEmpty() ? peak.lineName
                                                : peak.element + QLatin1Char(' ') + peak.lineName;
        if (peak.fromWindow)
            prefix.prepend(QLatin1String("window "));
        const double I = peak.peakIntensity;
        // Against an infinite maximum every share would read 0: none is known.
        const double share = maxKnown ? I / peakMax * 100.0 : std::nan("");
        peak.peakText = pattern.arg(prefix, shown(I, 'e', 2));
        peak.ratioText = pattern.arg(prefix, shown(share, 'f', 2));
        complete = complete && std::isfinite(ratio ? share : I);
        result.labelList.append(LineLabel(peak.peakEnergy, peak.peakText));
    }
    sortLabelsByEnergy(result.labelList);
    result.complete = complete;

    QString info;
    if (ratio)
        info = QStringLiteral("Max %1 :: ").arg(shown(peakMax, 'e', 2));
    const int count = result.linePeaks.size();
    for (int j = 0; j < count; ++j) {
        if (j > 0)
            info += QStringLiteral(", ");
        info += ratio ? result.linePeaks.at(j).ratioText : result.labelList.at(j).second;
    }
    result.infoText = info;
}
