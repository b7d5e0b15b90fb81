// Time of an edit through to the screen (the plan's recomputation, the form and the plot's
// painting), of a repaint with nothing changed (a mouse move, an expose), and of the parts: the
// mu t curve, the fluorescence simulation, the painting (from the plot's cache, as a repaint
// finds it) and the layout a new simulation needs (its texts known). Every part is timed as the
// window runs it, after a repaint: painting leaves the processor's vector state as the next edit
// finds it, and that state decides the speed of exp and log. A line per case then splits an
// edit into physics, view (the form, the plan's bookkeeping) and paint, and says whether the
// physics found the vector state clean.
//
//   bench_repaint [repeats]        (default 200 repaints per case)
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "ChCoord.h"
#include "FieldTable.h"
#include "FluoSimulation.h"
#include "MainWindow.h"
#include "PlotPainter.h"
#include "VectorState.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLoggingCategory>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Case
{
    const char *name;
    const char *target;
    const char *binder;
    const char *excitation;
    const char *start;
    const char *end;
    const char *resolution = nullptr; // FWHM [keV]; nullptr: the field's default
};

const Case kCases[] = {
    {"Fe2O3 in BN, 10 keV", "Fe2O3", "BN", "10", "5", "20"},
    // Phlogopite with hematite, rutile, manganosite and zincite: K Mg Al Si O H Fe Ti Mn Zn.
    {"10-element mineral mix in BN + cellulose, 30 keV",
     "[KMg3AlSi3O10(OH)2]4[Fe2O3]2[TiO2]1[MnO]1[ZnO]1", "[BN]1[C6H10O5]1", "30", "0.5", "29"},
    // A silicate glass doped with 27 trace oxides (by mass): 40 elements.
    {"40-element doped glass in cellulose, 30 keV",
     "[SiO2]50[Al2O3]12[Fe2O3]8[CaO]7[MgO]5[Na2O]3[K2O]2[TiO2]1.5[P2O5]0.5[MnO]0.2[SO3]0.3"
     "[NaCl]0.2[V2O5]0.1[Cr2O3]0.1[CoO]0.1[NiO]0.1[CuO]0.1[ZnO]0.1[Ga2O3]0.1[GeO2]0.1"
     "[As2O3]0.1[SeO2]0.1[KBr]0.1[Rb2O]0.1[SrO]0.1[Y2O3]0.1[ZrO2]0.1[Nb2O5]0.1[MoO3]0.1"
     "[Ag2O]0.1[CdO]0.1[SnO2]0.1[Sb2O3]0.1[BaO]0.1[La2O3]0.1[CeO2]0.1[WO3]0.1[PbO]0.1[Bi2O3]0.1",
     "C6H10O5", "30", "0.5", "29"},
    // A wide Gaussian over a narrow range: every line reaches every point of the grid.
    {"Fe2O3 in BN, FWHM 3 keV, 5-9 keV", "Fe2O3", "BN", "10", "5", "9", "3"},
};

void type(QLineEdit *field, const char *text)
{
    field->setText(QString::fromLatin1(text));
    field->setModified(true); // typed by the user
    Q_EMIT field->editingFinished();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// Each timed run follows an untimed step (a repaint), as an edit in the window does.
template <typename B, typename F> std::vector<double> timeAfter(int repeats, B &&before, F &&f)
{
    std::vector<double> us;
    us.reserve(repeats);
    QElapsedTimer t;
    for (int i = 0; i < repeats; ++i) {
        before();
        t.start();
        f();
        us.push_back(t.nsecsElapsed() / 1000.0);
    }
    return us;
}

template <typename F> std::vector<double> timeEach(int repeats, F &&f)
{
    return timeAfter(
        repeats, [] {}, f);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The composition parser reports its passes at debug level; not what is measured here.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    QApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, atoi(argv[1])) : 200;

    MainWindow w;
    w.resize(854, 964);
    w.show();
    app.processEvents();

    std::printf("window %d x %d px (minimum %d x %d), plot widget %d x %d px\n", w.width(),
                w.height(), w.minimumSizeHint().width(), w.minimumSizeHint().height(),
                w.GView1->width(), w.GView1->height());
    std::printf("%d repaints per case, median per repaint [us]\n", repeats);
    std::printf("%-50s %-10s %10s %10s %10s %10s %10s %10s %10s\n", "case", "absorption", "edit",
                "repaint", "mu t", "simulation", "painting", "layout", "lines");

    QImage image(w.GView1->size(), QImage::Format_ARGB32_Premultiplied);
    const auto repaint = [&] { w.GView1->render(&image); };
    struct Split
    {
        QString name;
        double edit, physics, paint;
        VectorStateLog state;
    };
    std::vector<Split> splits;
    for (const Case &c : kCases) {
        type(w.SetBndCmp, c.binder);
        type(w.SetTgtCmp, c.target);
        type(w.ExtEnergy, c.excitation);
        type(w.StartE0, c.start);
        type(w.EndE0, c.end);
        type(w.DetResolution,
             c.resolution ? c.resolution : Fields::input(PlanModel::DetResolution).defaultText);
        if (!w.plan->tgtComp.valid || !w.plan->bndComp.valid) {
            std::printf("%-50s composition not accepted\n", c.name);
            continue;
        }
        // The classic spectrum with either absorption data, then the detailed model (with
        // secondary fluorescence, its default).
        for (int model = 0; model < 3; ++model) {
            const PlanModel::Absorption data =
                model == 1 ? PlanModel::TabulatedCrossSections : PlanModel::TwoTermTable;
            w.plan->setAbsorption(data);
            w.plan->setOption(PlanModel::DetailedFluo, model == 2);
            w.GView1->render(&image); // warm-up, and the state the parts below start from
            // An edit as the user makes it, through to the screen: the plan recomputes curve,
            // read-outs and spectrum, the form shows them and the plot is painted. The excitation
            // energy alternates between two values so that every edit changes something.
            const QString e0 = QString::fromLatin1(c.excitation);
            const QString e0Other = QString::number(e0.toDouble() * 0.999, 'g', 6);
            int edits = 0;
            // The physics' entries record whether they found the vector state clean.
            recordVectorState(true);
            const double edit = median(timeEach(repeats, [&] {
                w.ExtEnergy->setText(++edits % 2 ? e0Other : e0);
                w.ExtEnergy->setModified(true); // typed by the user
                Q_EMIT w.ExtEnergy->editingFinished();
                w.GView1->render(&image);
            }));
            recordVectorState(false);
            const VectorStateLog state = vectorStateLog();
            // What a mouse move, an expose or a resize costs: painting only.
            const double repaintUs = median(timeEach(repeats, repaint));

            // The parts of the physics are entered as the plan enters them.
            const double mut = median(timeAfter(repeats, repaint, [&] {
                cleanVectorState();
                w.plan->calcMuTCurve();
            }));

            const SpectrumInput in = w.plan->spectrumInput();
            std::vector<double> spectrum(MUT_POINTS);
            SpectrumResult result;
            const double simulation =
                model == 2
                    ? median(timeAfter(repeats, repaint,
                                       [&] {
                                           cleanVectorState();
                                           DetailedInput d;
                                           d.spectrum = in;
                                           d.secondary = true;
                                           d.lines = &w.plan->fluoLines;
                                           d.crossSections = &w.plan->crossSections;
                                           d.scatter = &w.plan->scatterFactors;
                                           d.pileupTime =
                                               w.plan->input(PlanModel::PileupTime).toDouble() *
                                               1e-6;
                                           simulateDetailed(d, spectrum.data(), result);
                                       }))
                    : median(timeAfter(repeats, repaint, [&] {
                          cleanVectorState();
                          simulateSpectrum(in, spectrum.data(), result);
                      }));

            // Painting alone, from the plot's cache as a repaint finds it.
            const PlotPaintInput paintIn = w.plotPaintInput();
            ChCoord coord;
            PlotPaintCache cache;
            const double painting = median(timeEach(repeats, [&] {
                QPainter p(&image);
                p.fillRect(image.rect(), Qt::white);
                paintSpectrumPlot(&p, paintIn, coord, &cache);
            }));

            // The plot's part of an edit: a new layout, its texts (numbers, titles, names)
            // mostly measured before, and the first paint, the new texts shaped.
            PlotTextCache texts;
            layoutSpectrumPlot(paintIn, QFont(), &image, &texts);
            const double layoutUs = median(
                timeEach(repeats, [&] { layoutSpectrumPlot(paintIn, QFont(), &image, &texts); }));
            const QString dataName =
                model == 2 ? QStringLiteral("detailed") : PlanModel::absorptionName(data);
            std::printf("%-50s %-10s %10.1f %10.1f %10.1f %10.1f %10.1f %10.1f %10d\n", c.name,
                        qPrintable(dataName), edit, repaintUs, mut, simulation, painting, layoutUs,
                        int(result.linePeaks.size()));
            splits.push_back(Split{QString::fromLatin1(c.name) + QStringLiteral(", ") + dataName,
                                   edit, mut + simulation, repaintUs, state});
        }
        w.plan->setAbsorption(PlanModel::TwoTermTable);
        w.plan->setOption(PlanModel::DetailedFluo, false);
    }
    // With a measured spectrum of 4096 channels beside the detailed plan: each edit also counts
    // the plan per channel, compares and draws the overlay. The measured spectrum is the plan's
    // own, counted with noise.
    {
        type(w.SetBndCmp, "BN");
        type(w.SetTgtCmp, "Fe2O3");
        type(w.ExtEnergy, "10");
        type(w.StartE0, "5");
        type(w.EndE0, "20.475");
        type(w.DetResolution, Fields::input(PlanModel::DetResolution).defaultText);
        type(w.MCAResolution, "0.005");
        w.plan->setOption(PlanModel::DetailedFluo, true);
        w.plan->setInput(PlanModel::SimLiveTime, QStringLiteral("100"));
        w.plan->setInput(PlanModel::SimNoise, QStringLiteral("1"));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("measured.mca"));
        QString error;
        if (!w.plan->saveChannels(file, &error) || !w.plan->loadMeasured(file, &error)) {
            std::printf("\nmeasured spectrum not made: %s\n", qPrintable(error));
            return 1;
        }
        int edits = 0;
        const auto edit = [&] {
            w.ExtEnergy->setText(++edits % 2 ? QStringLiteral("9.99") : QStringLiteral("10"));
            w.ExtEnergy->setModified(true);
            Q_EMIT w.ExtEnergy->editingFinished();
            w.GView1->render(&image);
        };
        edit();
        const double withMeasured = median(timeEach(repeats, edit));
        const double repaintMeasured = median(timeEach(repeats, repaint));
        const int channels = int(w.plan->measuredSpectrum().counts.size());
        w.plan->closeMeasured();
        const double without = median(timeEach(repeats, edit));
        std::printf("\nFe2O3 in BN, detailed, 0.005 keV channels to 20.475 keV: edit %.1f us "
                    "with a measured spectrum of %d channels (repaint %.1f us), %.1f us without\n",
                    withMeasured, channels, repaintMeasured, without);
    }
    // The view is what is left of an edit: the form's read-outs, the plan's checks and texts.
    std::printf("\nsplit of an edit [us]: physics (mu t + simulation), view (the rest), paint "
                "(repaint); entries of the physics during the edits, and how many found the "
                "upper AVX state in use\n");
    for (const Split &s : splits) {
        const QString dirty = s.state.unknown > 0 ? QStringLiteral("state not readable here")
                                                  : QString::number(s.state.dirty);
        std::printf("  %-62s edit %8.1f = physics %8.1f + view %8.1f + paint %8.1f; "
                    "entries %d, dirty %s\n",
                    qPrintable(s.name), s.edit, s.physics, s.edit - s.physics - s.paint, s.paint,
                    s.state.entries, qPrintable(dirty));
    }
    return 0;
}
