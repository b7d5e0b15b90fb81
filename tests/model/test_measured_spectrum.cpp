// Measured spectra in and simulated spectra out: the file formats (good files and every way a
// file can be broken), the per-channel counts and their round trip through the exported files,
// the comparison's areas against a computation of our own here, and the Poisson deviates.
#include "ChannelSpectrum.h"
#include "SpectrumComparison.h"
#include "SpectrumFormatManager.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(QVector<double>)

namespace {

constexpr double None = std::numeric_limits<double>::quiet_NaN();

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

double fwhmOf(double E)
{
    return std::sqrt(0.012 + 0.0016 * E); // 0.149 keV at 5.9 keV
}

LinePeak record(const char *element, const char *line, double energy, double rate)
{
    LinePeak p;
    p.element = QString::fromLatin1(element);
    p.lineName = QString::fromLatin1(line);
    p.peakEnergy = energy;
    p.peakIntensity = rate;
    return p;
}

// A spectrum no reader would produce, to see that a refused file leaves it alone.
MeasuredSpectrum sentinel()
{
    MeasuredSpectrum s;
    s.counts = {7, 7, 7};
    s.firstChannel = 3;
    s.offset = -1;
    s.gain = 9;
    s.liveTime = 42;
    s.format = QStringLiteral("sentinel");
    return s;
}

// Mass of a Gaussian of centre mu and width sigma between a and b, written apart from the
// program's own arithmetic.
double gaussMass(double a, double b, double mu, double sigma)
{
    return 0.5 * (std::erf((b - mu) / (sigma * std::sqrt(2.0))) -
                  std::erf((a - mu) / (sigma * std::sqrt(2.0))));
}

} // namespace

class TestMeasuredSpectrum : public QObject
{
    Q_OBJECT

private slots:
    void readFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        // Empty when the file is good; otherwise what the message must hold.
        QTest::addColumn<QStringList>("error");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QVector<double>>("counts");
        QTest::addColumn<int>("first");
        QTest::addColumn<double>("offset"); // None: no calibration
        QTest::addColumn<double>("gain");
        QTest::addColumn<double>("live"); // None: not in the file
        QTest::addColumn<double>("real");

        const QByteArray mcaHead = "<<PMCA SPECTRUM>>\nTAG - live_data\nDESCRIPTION - test\n"
                                   "GAIN - 20\nLIVE_TIME - 9.5\nREAL_TIME - 10.25\n";
        const QVector<double> four{0, 12, 340, 5};
        auto good = [](const char *row, const char *name, const QByteArray &content,
                       const char *format, const QVector<double> &counts, int first, double offset,
                       double gain, double live, double real) {
            QTest::newRow(row) << QString::fromLatin1(name) << content << QStringList()
                               << QString::fromLatin1(format) << counts << first << offset << gain
                               << live << real;
        };
        auto bad = [](const char *row, const char *name, const QByteArray &content,
                      const QStringList &error) {
            QTest::newRow(row) << QString::fromLatin1(name) << content << error << QString()
                               << QVector<double>() << 0 << None << None << None << None;
        };

        good("mca calibrated", "a.mca",
             mcaHead + "<<CALIBRATION>>\nLABEL - keV\n10 1.0\n110 2.0\n<<DATA>>\n0\n12\n340\n5\n"
                       "<<END>>\n<<DP5 CONFIGURATION>>\nGAIN=20;\n<<DP5 CONFIGURATION END>>\n",
             "Amptek MCA", four, 0, 0.9, 0.01, 9.5, 10.25);
        good("mca CRLF, no calibration or times", "b.MCA",
             "<<PMCA SPECTRUM>>\r\nTAG - live_data\r\nLIVE_TIME - \r\n<<DATA>>\r\n0\r\n12\r\n340"
             "\r\n5\r\n<<END>>\r\n",
             "Amptek MCA", four, 0, None, None, None, None);
        good("mca one point through the origin", "c.mca",
             mcaHead + "<<CALIBRATION>>\nLABEL - keV\n200 3.0\n<<DATA>>\n0\n12\n340\n5\n<<END>>\n",
             "Amptek MCA", four, 0, 0, 0.015, 9.5, 10.25);
        good("mca three points in eV, ROI section", "d.txt",
             mcaHead + "<<CALIBRATION>>\nLABEL - eV\n0 100\n100 1100\n200 2100\n<<ROI>>\n1 2\n"
                       "<<DATA>>\n0\n12\n340\n5\n<<END>>\n",
             "Amptek MCA", four, 0, 0.1, 0.01, 9.5, 10.25);
        good("spe calibrated, several counts a line", "e.Spe",
             "$SPEC_ID:\nsoil sample\n$DATE_MEA:\n01/02/2024 10:00:00\n$MEAS_TIM:\n100 120\n"
             "$DATA:\n0 3\n       0      12\n     340\n       5\n$ROI:\n0\n$ENER_FIT:\n"
             "0.02 0.0195\n$MCA_CAL:\n3\n0.02 0.0195 0 keV\n",
             "Maestro SPE", four, 0, 0.02, 0.0195, 100, 120);
        good("spe uncalibrated from channel 2", "f.spe",
             "$SPEC_ID:\nx\n$MEAS_TIM:\n1.5 2\n$DATA:\n2 5\n0\n12\n340\n5\n$ENER_FIT:\n0 0\n",
             "Maestro SPE", four, 2, None, None, 1.5, 2);
        good("spe found by content, live time alone", "g.dat",
             "$SPEC_ID:\n\n$MEAS_TIM:\n30\n$DATA:\n0 3\n0 12 340 5\n", "Maestro SPE", four, 0, None,
             None, 30, None);
        good("one column with a named header", "h.csv", "counts\n0\n12\n340\n5\n", "Text", four, 0,
             None, None, None, None);
        good("one column, comments, no header", "i.txt", "# from a script\n0\n12\n\n340\n5\n",
             "Text", four, 0, None, None, None, None);
        good("energy and counts under an unnamed header", "j.txt",
             "E(keV)  intensity\n1.00  0\n1.02\t12\n1.04 340\n1.06  5\n", "Text", four, 0, 1.0,
             0.02, None, None);
        good("our own export from channel 5", "k.csv",
             "channel,energy_keV,counts\n5,0.05,0\n6,0.06,12\n7,0.07,340\n8,0.08,5\n", "Text", four,
             5, 0, 0.01, None, None);
        good("quoted names in another order", "l.csv",
             "\"Counts\";\"Energy_keV\"\n0;2.5\n12;2.6\n340;2.7\n5;2.8\n", "Text", four, 0, 2.5,
             0.1, None, None);
        good("energies rounded to the thousandth", "m.csv",
             "energy,counts\n0.000,0\n0.020,12\n0.039,340\n0.059,5\n", "Text", four, 0, 0.0001,
             0.0196, None, None);

        const QByteArray data = "<<DATA>>\n0\n12\n340\n5\n";
        bad("mca truncated", "t.mca", mcaHead + "<<DATA>>\n0\n12\n34", {"line 10", "truncated"});
        bad("mca negative count", "t.mca", mcaHead + "<<DATA>>\n0\n-12\n340\n<<END>>\n",
            {"line 9", "negative"});
        bad("mca no data block", "t.mca", mcaHead + "<<CALIBRATION>>\n1 1\n2 2\n",
            {"line 9", "no <<DATA>>"});
        bad("mca text in numbers", "t.mca", mcaHead + "<<DATA>>\n0\n12\n3x40\n<<END>>\n",
            {"line 10", "\"3x40\" is not a number"});
        bad("mca NaN", "t.mca", mcaHead + "<<DATA>>\n0\nnan\n<<END>>\n",
            {"line 9", "not a finite"});
        bad("mca infinity", "t.mca", mcaHead + "<<DATA>>\n0\ninf\n<<END>>\n",
            {"line 9", "not a finite"});
        bad("mca zero channels", "t.mca", mcaHead + "<<DATA>>\n<<END>>\n",
            {"line 8", "no channels"});
        bad("mca two numbers a line", "t.mca", mcaHead + "<<DATA>>\n0 12\n<<END>>\n",
            {"line 8", "one count per line"});
        bad("mca energies falling", "t.mca",
            mcaHead + "<<CALIBRATION>>\nLABEL - keV\n10 2\n100 1\n" + data + "<<END>>\n",
            {"line 7", "rise"});
        bad("mca negative live time", "t.mca",
            "<<PMCA SPECTRUM>>\nLIVE_TIME - -3\n" + data + "<<END>>\n",
            {"line 2", "counting time"});
        bad("mca END before DATA", "t.mca", mcaHead + "<<END>>\n", {"line 7", "<<END>>"});
        bad("mca not started", "t.mca", "PMCA\n" + data + "<<END>>\n", {"<<PMCA SPECTRUM>>"});
        bad("spe fewer counts than the range", "t.spe", "$SPEC_ID:\n\n$DATA:\n0 4\n0\n12\n340\n5\n",
            {"line 8", "truncated", "0 to 4 (5)", "holds 4"});
        bad("spe more counts than the range", "t.spe", "$SPEC_ID:\n\n$DATA:\n0 1\n0\n12\n340\n",
            {"line 7", "more counts"});
        bad("spe absurd channel number", "t.spe", "$SPEC_ID:\n\n$DATA:\n0 2000000000\n0\n",
            {"line 4", "channel number"});
        bad("spe absurd range", "t.spe", "$SPEC_ID:\n\n$DATA:\n0 9000000\n0\n",
            {"line 4", "not a range"});
        bad("spe falling range", "t.spe", "$SPEC_ID:\n\n$DATA:\n5 2\n0\n",
            {"line 4", "not a range"});
        bad("spe no data block", "t.spe", "$SPEC_ID:\nx\n$MEAS_TIM:\n1 1\n",
            {"line 4", "no $DATA:"});
        bad("spe text in counts", "t.spe", "$SPEC_ID:\n\n$DATA:\n0 1\n0 1O\n",
            {"line 5", "\"1O\""});
        bad("spe negative gain", "t.spe", "$SPEC_ID:\n\n$DATA:\n0 0\n1\n$ENER_FIT:\n1.0 -0.01\n",
            {"line 7", "rise"});
        bad("text empty", "t.csv", "", {"no channels"});
        bad("text header alone", "t.csv", "channel,energy_keV,counts\n", {"line 1", "no channels"});
        bad("text negative count", "t.csv", "1\n2\n-3\n", {"line 3", "negative"});
        bad("text in a later row", "t.csv", "energy,counts\n1,2\n1.1,n/a\n", {"line 3", "\"n/a\""});
        bad("text four columns", "t.txt", "1 2 3 4\n", {"line 1", "4 columns"});
        bad("text ragged rows", "t.txt", "1 2\n3\n", {"line 2", "1 columns where the file has 2"});
        bad("text uneven energies", "t.csv", "1.0,5\n1.1,5\n1.3,5\n1.4,5\n",
            {"do not rise by one step"});
        bad("text channels not consecutive", "t.csv",
            "channel,energy_keV,counts\n1,0.1,0\n3,0.3,0\n", {"line 3", "does not follow"});
        bad("text counts absurd", "t.csv", "1e300\n", {"line 1", "larger than"});
    }

    void readFiles()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, error);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        QVERIFY(writeFile(path, content));
        MeasuredSpectrum s = sentinel();
        QString why;
        const bool ok = SpectrumFormatManager::load(path, &s, &why);
        if (!error.isEmpty()) {
            QVERIFY2(!ok, "a broken file was read");
            for (const QString &part : error)
                QVERIFY2(why.contains(part), qPrintable(why + " lacks " + part));
            const MeasuredSpectrum untouched = sentinel();
            QCOMPARE(s.counts, untouched.counts);
            QCOMPARE(s.gain, untouched.gain);
            QCOMPARE(s.format, untouched.format);
            return;
        }
        QVERIFY2(ok, qPrintable(why));
        QFETCH(QString, format);
        QFETCH(QVector<double>, counts);
        QFETCH(int, first);
        QFETCH(double, offset);
        QFETCH(double, gain);
        QFETCH(double, live);
        QFETCH(double, real);
        QCOMPARE(s.format, format);
        QCOMPARE(s.counts, counts);
        QCOMPARE(s.firstChannel, first);
        QCOMPARE(s.hasCalibration, !std::isnan(gain));
        if (s.hasCalibration) {
            QVERIFY2(
                std::fabs(s.offset - offset) < 1e-12 && std::fabs(s.gain - gain) < 1e-12,
                qPrintable(QString("%1 %2").arg(s.offset, 0, 'g', 17).arg(s.gain, 0, 'g', 17)));
        }
        QCOMPARE(s.hasLiveTime, !std::isnan(live));
        QCOMPARE(s.hasRealTime, !std::isnan(real));
        if (s.hasLiveTime)
            QCOMPARE(s.liveTime, live);
        if (s.hasRealTime)
            QCOMPARE(s.realTime, real);
    }

    void refusedPaths()
    {
        QTemporaryDir dir;
        MeasuredSpectrum s = sentinel();
        QString why;
        // A folder and a file above the size cap are refused by the safe reader.
        QVERIFY(!SpectrumFormatManager::load(dir.path(), &s, &why));
        QVERIFY(!why.isEmpty());
        const QString big = dir.filePath("big.csv");
        QFile f(big);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(SpectrumFormatManager::MaxFileBytes + 1));
        f.close();
        why.clear();
        QVERIFY(!SpectrumFormatManager::load(big, &s, &why));
        QVERIFY(!why.isEmpty());
        QCOMPARE(s.counts, sentinel().counts);
        // Only .csv/.txt and .mca are written.
        QVERIFY(!SpectrumFormatManager::save(dir.filePath("out.spe"), s, &why));
        QVERIFY(!QFile::exists(dir.filePath("out.spe")));
    }

    // Each record's counts add up to rate times live time over a grid that holds it, split
    // between channels as the Gaussian's mass over their edges.
    void channelCounts_data()
    {
        QTest::addColumn<double>("energy");
        QTest::addColumn<double>("intrinsic");
        QTest::newRow("on a channel centre") << 5.0 << 0.0;
        QTest::newRow("on a channel edge") << 5.005 << 0.0;
        QTest::newRow("with an intrinsic width") << 3.3333 << 0.4;
        QTest::newRow("near the first channel") << 0.3 << 0.0;
        QTest::newRow("far beyond the last channel") << 1e300 << 0.0;
    }

    void channelCounts()
    {
        QFETCH(double, energy);
        QFETCH(double, intrinsic);
        LinePeak p = record("Fe", "Ka1", energy, 250);
        p.intrinsicFwhm = intrinsic;
        const ChannelGrid grid = ChannelGrid::covering(0.01, 10);
        QCOMPARE(grid.count, 1001);
        const QVector<double> c = ::channelCounts({p}, fwhmOf, grid, 4);
        const double sigma = std::hypot(fwhmOf(energy), intrinsic) / 2.3548200450309493;
        double total = 0;
        for (int i = 0; i < c.size(); ++i) {
            const double centre = 0.01 * i;
            const double expect = 1000 * gaussMass(centre - 0.005, centre + 0.005, energy, sigma);
            QVERIFY2(std::fabs(c[i] - expect) <= 1e-9 * 1000 + 1e-12,
                     qPrintable(QString("channel %1: %2 vs %3").arg(i).arg(c[i]).arg(expect)));
            total += c[i];
        }
        QVERIFY(std::fabs(total - 1000 * gaussMass(-0.005, 10.005, energy, sigma)) < 1e-9);
    }

    // Export per channel, read the file back, compare: every line with at least MinScaleCounts
    // gives ratio 1 and the scale is 1; through .mca as far as the whole counts allow.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("noise");
        QTest::addColumn<int>("first"); // channel
        QTest::newRow("csv") << "sim.csv" << false << 0;
        QTest::newRow("csv with noise") << "sim.csv" << true << 0;
        QTest::newRow("csv from channel 40") << "sim.csv" << false << 40;
        QTest::newRow("mca") << "sim.mca" << false << 0;
        QTest::newRow("mca with noise") << "sim.mca" << true << 0;
        // The format starts at channel 0: empty channels fill the place of the first 40.
        QTest::newRow("mca from channel 40") << "sim.mca" << false << 40;
    }

    void roundTrip()
    {
        QFETCH(QString, name);
        QFETCH(bool, noise);
        QFETCH(int, first);
        const QVector<LinePeak> records{
            record("Fe", "Ka1", 6.404, 900), record("Fe", "Ka2", 6.391, 450),
            record("Fe", "Kb1", 7.058, 120), record("Cu", "Ka1", 8.048, 300),
            record("S", "Ka1", 2.308, 4),    record("", "Rayleigh", 9.0, 60)};
        ChannelGrid grid = ChannelGrid::covering(0.0123, 10);
        grid.offset = -0.0171;
        grid.firstChannel = first;
        grid.count -= first;
        const double live = 12.5;
        QVector<double> counts = ::channelCounts(records, fwhmOf, grid, live);
        if (noise)
            addPoissonNoise(counts, 2024);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        QString why;
        QVERIFY2(SpectrumFormatManager::save(path, simulatedSpectrum(counts, grid, live), &why),
                 qPrintable(why));
        MeasuredSpectrum back;
        QVERIFY2(SpectrumFormatManager::load(path, &back, &why), qPrintable(why));
        const bool whole = name.endsWith(".mca");
        const int padded = whole ? first : 0;
        QCOMPARE(back.counts.size(), grid.count + padded);
        QCOMPARE(back.firstChannel, first - padded);
        QVERIFY(back.hasCalibration);
        QVERIFY2(
            std::fabs(back.gain - grid.gain) < 1e-15 &&
                std::fabs(back.offset - grid.offset) < 1e-14,
            qPrintable(QString("%1 %2").arg(back.offset, 0, 'g', 17).arg(back.gain, 0, 'g', 17)));
        // The CSV holds no times: the live time then comes from the plan, as in the window.
        QCOMPARE(back.hasLiveTime, whole);
        if (whole)
            QCOMPARE(back.liveTime, live);
        else
            back.liveTime = live;
        for (int i = 0; i < padded; ++i)
            QCOMPARE(back.counts[i], 0.0);
        for (int i = 0; i < counts.size(); ++i)
            QCOMPARE(back.counts[padded + i], whole ? std::round(counts[i]) : counts[i]);

        // Against the noiseless simulation on the file's own channels.
        const QVector<double> sim =
            ::channelCounts(records, fwhmOf, ChannelGrid::of(back), back.liveTime);
        const SpectrumComparisonResult r =
            compareSpectra(back, sim, comparedLines(records, fwhmOf), fwhmOf);
        QCOMPARE(r.groups.size(), 5); // Fe Ka1 and Ka2 are one group
        int used = 0;
        for (const ComparedGroup &g : r.groups) {
            if (g.simulated.net < MinScaleCounts)
                continue;
            ++used;
            QVERIFY(g.used);
            const int n = g.lastChannel - g.firstChannel + 1;
            // Rounding moves each channel by at most 1/2; the ROI and its background by n.
            const double tolerance = noise ? 5 * std::sqrt(g.measured.variance) / g.simulated.net
                                           : (whole ? n / g.simulated.net : 1e-9);
            QVERIFY2(std::fabs(g.ratio - 1) <= tolerance,
                     qPrintable(QString("%1 %2: ratio %3")
                                    .arg(g.element, g.lineName)
                                    .arg(g.ratio, 0, 'g', 17)));
        }
        QCOMPARE(used, 4);
        const QByteArray csv = comparisonCsv(r);
        QVERIFY(csv.startsWith("element,line,energy_keV,measured,simulated,ratio\nS,Ka1,2.308,"));
        QVERIFY(csv.contains("\nFe,Ka1,6.404,"));
        QCOMPARE(csv.count('\n'), 6);
        const double tolerance = noise ? 5 * r.scaleSigma : (whole ? 1e-3 : 1e-9);
        QVERIFY2(std::fabs(r.scale - 1) <= tolerance,
                 qPrintable(QString::number(r.scale, 'g', 17)));
        QVERIFY(r.unexplained.isEmpty());
    }

    // Known Gaussians on a straight background with counting noise: each area against the mass
    // computed here over the same channels, less what the Gaussian puts into the channels beside
    // them, within the statistics.
    void comparisonAreas_data()
    {
        QTest::addColumn<double>("level");      // background counts per channel at 0 keV
        QTest::addColumn<double>("slope");      // and its change per keV
        QTest::addColumn<double>("scale");      // of the measured peaks over the simulated ones
        QTest::addColumn<double>("separation"); // of a second line above the first [keV]
        QTest::newRow("flat background") << 200.0 << 0.0 << 1.0 << 0.0;
        QTest::newRow("falling background") << 900.0 << -80.0 << 0.7 << 0.0;
        QTest::newRow("rising background, doublet") << 50.0 << 30.0 << 1.3 << 0.06;
        QTest::newRow("no background") << 0.0 << 0.0 << 2.0 << 0.0;
    }

    void comparisonAreas()
    {
        QFETCH(double, level);
        QFETCH(double, slope);
        QFETCH(double, scale);
        QFETCH(double, separation);
        const double gain = 0.02, live = 100;
        const ChannelGrid grid = ChannelGrid::covering(gain, 10);
        QVector<LinePeak> records{record("Ti", "Ka1", 4.51, 40), record("Zn", "Ka1", 8.63, 80)};
        if (separation > 0)
            records.append(record("Zn", "Ka2", 8.63 + separation, 30));
        const QVector<double> sim = ::channelCounts(records, fwhmOf, grid, live);
        // A peak no line explains, and one too weak to stand out.
        const LinePeak stray = record("", "", 6.7, 30);
        const LinePeak faint = record("", "", 3.2, 0.2);
        const QVector<double> extra = ::channelCounts({stray, faint}, fwhmOf, grid, live);

        MeasuredSpectrum m;
        m.gain = gain;
        m.liveTime = live;
        PoissonSampler noise(77);
        for (int i = 0; i < grid.count; ++i)
            m.counts.append(noise.draw(level + slope * grid.centre(i) + scale * sim[i] + extra[i]));

        const SpectrumComparisonResult r =
            compareSpectra(m, sim, comparedLines(records, fwhmOf), fwhmOf);
        QCOMPARE(r.groups.size(), 2);
        for (const ComparedGroup &g : r.groups) {
            // The expected net area: the group's Gaussians over the ROI's edges, less the
            // straight line through their mean mass per channel on each side.
            const int k = g.sideChannels;
            const double lo = grid.centre(g.firstChannel) - gain / 2;
            const double hi = grid.centre(g.lastChannel) + gain / 2;
            const int n = g.lastChannel - g.firstChannel + 1;
            // Background and peaks expected in the ROI and in each side window.
            auto line = [&](double a, double b) { // background counts from a to b [keV]
                return (level * (b - a) + slope * (b * b - a * a) / 2) / gain;
            };
            double expect = 0, roi = line(lo, hi), sideL = line(lo - k * gain, lo),
                   sideR = line(hi, hi + k * gain);
            for (const LinePeak &p : records) {
                const double s = fwhmOf(p.peakEnergy) / 2.3548200450309493;
                const double area = p.peakIntensity * live;
                const double inRoi = area * gaussMass(lo, hi, p.peakEnergy, s);
                const double left = area * gaussMass(lo - k * gain, lo, p.peakEnergy, s);
                const double right = area * gaussMass(hi, hi + k * gain, p.peakEnergy, s);
                expect += inRoi - n * (left + right) / (2.0 * k);
                roi += scale * inRoi;
                sideL += scale * left;
                sideR += scale * right;
            }
            QVERIFY2(std::fabs(g.simulated.net - expect) < 1e-6 * expect,
                     qPrintable(QString("%1 vs %2").arg(g.simulated.net).arg(expect)));
            // Counting statistics: the ROI's counts and the background's, which the ROI's
            // centre takes half from each side.
            const double variance = roi + double(n) * n * (sideL + sideR) / (4.0 * k * k);
            QVERIFY2(
                std::fabs(g.measured.variance / variance - 1) < 0.1,
                qPrintable(QString("variance %1 vs %2").arg(g.measured.variance).arg(variance)));
            QVERIFY2(std::fabs(g.measured.net - scale * expect) < 4 * std::sqrt(variance),
                     qPrintable(QString("%1: %2 vs %3")
                                    .arg(g.element)
                                    .arg(g.measured.net)
                                    .arg(scale * expect)));
            QCOMPARE(g.members.size(), separation > 0 && g.element == "Zn" ? 2 : 1);
        }
        QVERIFY(std::fabs(r.scale - scale) < 4 * r.scaleSigma);
        QCOMPARE(r.unexplained.size(), 1);
        QVERIFY(std::fabs(r.unexplained[0].energy - stray.peakEnergy) <= fwhmOf(6.7) / 2);
        QVERIFY(r.unexplained[0].significance > UnexplainedSigmas);
    }

    // Mean and variance of the deviates within their sampling errors, on both sides of the
    // switch from inversion to transformed rejection, and P(0) where it is large enough.
    void poisson_data()
    {
        QTest::addColumn<double>("mean");
        for (double m : {0.05, 1.0, 4.5, 9.99, 10.0, 37.0, 2500.0, 3e7})
            QTest::newRow(qPrintable(QString::number(m))) << m;
    }

    void poisson()
    {
        QFETCH(double, mean);
        const int n = 40000;
        PoissonSampler sampler(12345);
        double sum = 0, sum2 = 0;
        int zeros = 0;
        for (int i = 0; i < n; ++i) {
            const double k = sampler.draw(mean);
            QCOMPARE(k, std::floor(k));
            QVERIFY(k >= 0);
            sum += k;
            sum2 += k * k;
            zeros += k == 0;
        }
        const double m = sum / n;
        const double v = sum2 / n - m * m;
        QVERIFY2(std::fabs(m - mean) < 5 * std::sqrt(mean / n), qPrintable(QString::number(m)));
        // The variance's sampling error: sqrt((mu + 2 mu^2) / n).
        QVERIFY2(std::fabs(v - mean) < 5 * std::sqrt((mean + 2 * mean * mean) / n),
                 qPrintable(QString::number(v)));
        const double p0 = std::exp(-mean);
        QVERIFY(std::fabs(double(zeros) / n - p0) < 5 * std::sqrt(p0 * (1 - p0) / n) + 1e-12);

        // The shape: Pearson's chi-square over bins of consecutive k pooled to an expected 20
        // draws at least, against the Poisson probabilities, below its mean by 5 of its standard
        // deviations (a shifted or skewed sampler fails it by far).
        if (mean <= 5000) {
            const int top = int(mean + 12 * std::sqrt(mean) + 30);
            QVector<int> histogram(top + 1, 0);
            PoissonSampler again(4321);
            const int draws = 200000;
            double total = 0;
            for (int i = 0; i < draws; ++i) {
                const double k = again.draw(mean);
                total += k;
                ++histogram[std::min(int(k), top)];
            }
            QVERIFY2(std::fabs(total / draws - mean) < 5 * std::sqrt(mean / draws),
                     qPrintable(QString::number(total / draws - mean)));
            double chi2 = 0, expected = 0, observed = 0, cumulative = 0;
            int bins = 0;
            for (int k = 0; k <= top; ++k) {
                const double pk = std::exp(-mean + k * std::log(mean) - std::lgamma(k + 1.0));
                cumulative += pk;
                expected += draws * (k == top ? std::max(0.0, 1 - (cumulative - pk)) : pk);
                observed += histogram[k];
                if (expected >= 20 || k == top) {
                    chi2 +=
                        (observed - expected) * (observed - expected) / std::max(expected, 1e-9);
                    ++bins;
                    expected = observed = 0;
                }
            }
            const double df = bins - 1;
            QVERIFY2(chi2 < df + 5 * std::sqrt(2 * df),
                     qPrintable(QString("chi-square %1 over %2 bins").arg(chi2).arg(bins)));
        }

        // The same seed gives the same deviates, another seed others.
        PoissonSampler a(99), b(99), c(100);
        bool differs = false;
        for (int i = 0; i < 200; ++i) {
            const double x = a.draw(mean);
            QCOMPARE(b.draw(mean), x);
            differs = differs || c.draw(mean) != x;
        }
        QCOMPARE(differs, mean > 0.01);
    }

    void pymcaReadsExport()
    {
        const QVector<LinePeak> records{record("Mn", "Ka1", 5.899, 300),
                                        record("Mn", "Kb1", 6.49, 40)};
        ChannelGrid grid = ChannelGrid::covering(0.0097, 8);
        grid.offset = 0.031;
        QVector<double> counts = ::channelCounts(records, fwhmOf, grid, 30);
        addPoissonNoise(counts, 5);
        QTemporaryDir dir;
        const QString path = dir.filePath("peer.mca");
        QString why;
        QVERIFY2(SpectrumFormatManager::save(path, simulatedSpectrum(counts, grid, 30), &why),
                 qPrintable(why));
        QProcess peer;
        peer.start(QStringLiteral("/usr/bin/python3"),
                   {QStringLiteral(TIRN_SOURCE_DIR "/tests/peers/pymca_mca.py"), path});
        const bool finished = peer.waitForFinished(120000);
        if (peer.error() == QProcess::FailedToStart || (finished && peer.exitCode() == 3))
            QSKIP(qPrintable("PyMca peer check not run: " +
                             QString::fromUtf8(peer.readAllStandardError()).trimmed()));
        QVERIFY2(finished && peer.exitCode() == 0, peer.readAllStandardError().constData());
        const QList<QByteArray> rows = peer.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(rows.size(), counts.size() + 1);
        const QList<QByteArray> cal = rows[0].split(' ');
        QCOMPARE(cal.size(), 2);
        // PyMca prints the calibration with six digits.
        QVERIFY(std::fabs(cal[0].toDouble() - grid.offset) < 1e-5 * std::fabs(grid.offset));
        QVERIFY(std::fabs(cal[1].toDouble() - grid.gain) < 1e-5 * grid.gain);
        for (int i = 0; i < counts.size(); ++i)
            QCOMPARE(rows[i + 1].toDouble(), counts[i]);
    }
};

QTEST_GUILESS_MAIN(TestMeasuredSpectrum)
#include "test_measured_spectrum.moc"
