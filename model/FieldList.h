// Every field of the plan, once: read several times with different definitions of the row
// macros (the enums of FieldTable.h, the tables of FieldTable.cpp). No include guard on purpose.
//
// TIRN_INPUT(name, default, unit, rule, lower, upper, caption, tip, group, flags, readouts)
//   name      the widget, the session key and the --set/--print name
//   default   the text the form starts with
//   rule      what the text must be (Rule in FieldTable.h), checked against lower and upper
//   caption   the field's label, by which messages name it (translated in the window's context)
//   tip       the tool tip of a control the window makes from the row (nullptr: the form's own)
//   group     where the field sits and which part of the plan it belongs to
//   flags     what an edit of it recomputes and how the window shows it (FieldFlag)
//   readouts  the read-outs computed from it (READS_... masks over the outputs)
// TIRN_OUTPUT(name, default, unit, caption, tip, flags)
// TIRN_OPTION(name, checked, caption, tip, flags)
// TIRN_CHOICE(name)
//
// The order is the form's, and the order of every listing, session and comparison.

#ifndef TIRN_INPUT
#define TIRN_INPUT(name, defaultText, unit, rule, lower, upper, caption, tip, group, flags,        \
                   readouts)
#endif
#ifndef TIRN_OUTPUT
#define TIRN_OUTPUT(name, defaultText, unit, caption, tip, flags)
#endif
#ifndef TIRN_OPTION
#define TIRN_OPTION(name, checked, caption, tip, flags)
#endif
#ifndef TIRN_CHOICE
#define TIRN_CHOICE(name)
#endif

// clang-format off

TIRN_OUTPUT(ExtendedTgtMolecularForm, "", "", nullptr, nullptr, 0)
TIRN_OUTPUT(ExtendedBndMolecularForm, "", "", nullptr, nullptr, 0)
TIRN_OUTPUT(CylWeight, "", "mg", nullptr, nullptr, OUT_PELLET | OUT_ROLE)
TIRN_OUTPUT(CylVol, "", "mm3", nullptr, nullptr, OUT_PELLET | OUT_ROLE)
TIRN_OUTPUT(dMut, "", "", nullptr, nullptr, OUT_PELLET | OUT_ROLE)
TIRN_OUTPUT(MuPt, "", "", nullptr, nullptr, OUT_PELLET | OUT_ROLE)
TIRN_OUTPUT(TransM, "", "", nullptr, nullptr, OUT_PELLET | OUT_ROLE)
TIRN_OUTPUT(WindowsMuT, "", "",
            QT_TRANSLATE_NOOP("MainWindow", "Windows mu t"),
            QT_TRANSLATE_NOOP("MainWindow", "mu t of the front and back windows just above the calculation point, part of mu(+)t and Trans. but not of d-mu t"),
            OUT_PELLET | OUT_ROLE)
TIRN_OUTPUT(label_15, "", "", nullptr, nullptr, 0)
TIRN_OUTPUT(label_20, "", "", nullptr, nullptr, 0)
TIRN_OUTPUT(label_21, QT_TRANSLATE_NOOP("MainWindow", "Case:"), "", nullptr, nullptr, OUT_TRANSLATED)
TIRN_OUTPUT(AddInfo, "", "", nullptr, nullptr, 0)
TIRN_OUTPUT(CountRate, "", "/s",
            QT_TRANSLATE_NOOP("MainWindow", "Count rate"),
            QT_TRANSLATE_NOOP("MainWindow", "Every event the detector records per second, scatter and lines outside the plotted range included"),
            OUT_DETECTOR)
TIRN_OUTPUT(DeadTime, "", "%",
            QT_TRANSLATE_NOOP("MainWindow", "Dead time"),
            QT_TRANSLATE_NOOP("MainWindow", "Share of the time the detector is busy, for a paralysable dead time per event"),
            OUT_DETECTOR | OUT_ROLE)
TIRN_OUTPUT(I0Absorbed, "", "%",
            QT_TRANSLATE_NOOP("MainWindow", "I0 absorbed"),
            QT_TRANSLATE_NOOP("MainWindow", "Share of the beam the I0 chamber photoabsorbs at Ext.Eng. (tabulated cross sections, 20 \u00b0C)"),
            OUT_MEASURE)
TIRN_OUTPUT(ItAbsorbed, "", "%",
            QT_TRANSLATE_NOOP("MainWindow", "It absorbed"),
            QT_TRANSLATE_NOOP("MainWindow", "Share of the beam reaching it that the It chamber photoabsorbs at Ext.Eng. (tabulated cross sections, 20 \u00b0C)"),
            OUT_MEASURE)
TIRN_OUTPUT(FluxFromCurrent, "", "photons/s",
            QT_TRANSLATE_NOOP("MainWindow", "Flux into I0"),
            QT_TRANSLATE_NOOP("MainWindow", "Photons per second entering the I0 chamber that give its current at Ext.Eng.: E/W ion pairs per photoabsorbed photon, shot noise and recombination aside. \"Use as I0\" puts what passes the chamber into I0."),
            OUT_MEASURE)
TIRN_OUTPUT(ChiNoiseTrans, "", "",
            QT_TRANSLATE_NOOP("MainWindow", "Noise of chi"),
            QT_TRANSLATE_NOOP("MainWindow", "Shot noise of one transmission point relative to the edge step, sigma(mu t) / d-mu t, at the point time: photons absorbed in the I0 and It chambers just above the calculation point, I0 being the flux at the sample"),
            OUT_MEASURE)
TIRN_OUTPUT(PointTimeTrans, "", "s",
            QT_TRANSLATE_NOOP("MainWindow", "Time for target"),
            QT_TRANSLATE_NOOP("MainWindow", "Point time at which the transmission noise of chi reaches the target"),
            OUT_MEASURE)
TIRN_OUTPUT(BestMuT, "", "",
            QT_TRANSLATE_NOOP("MainWindow", "Best mu(+)t"),
            QT_TRANSLATE_NOOP("MainWindow", "Total mu t above the edge at which the transmission noise of chi is smallest with these chambers, for a thicker or thinner pellet of the same composition; compare mu(+)t"),
            OUT_MEASURE)
TIRN_OUTPUT(RoiSignal, "", "/s",
            QT_TRANSLATE_NOOP("MainWindow", "ROI signal"),
            QT_TRANSLATE_NOOP("MainWindow", "Events per second of the chosen element's lines in the region of interest, after dead time (detailed model)"),
            OUT_MEASURE)
TIRN_OUTPUT(RoiBackground, "", "/s",
            QT_TRANSLATE_NOOP("MainWindow", "ROI background"),
            QT_TRANSLATE_NOOP("MainWindow", "Events per second of everything else recorded in the region of interest: other lines, scatter, escape and pile-up peaks, after dead time"),
            OUT_MEASURE)
TIRN_OUTPUT(ChiNoiseFluo, "", "",
            QT_TRANSLATE_NOOP("MainWindow", "Noise of chi (fluo.)"),
            QT_TRANSLATE_NOOP("MainWindow", "Shot noise of one fluorescence point relative to the edge step at the point time: sqrt((S + B) t) / (S t), counting the region of interest"),
            OUT_MEASURE)
TIRN_OUTPUT(PointTimeFluo, "", "s",
            QT_TRANSLATE_NOOP("MainWindow", "Time for target (fluo.)"),
            QT_TRANSLATE_NOOP("MainWindow", "Point time at which the fluorescence noise of chi reaches the target"),
            OUT_MEASURE)
TIRN_OUTPUT(MeasScale, "", "",
            QT_TRANSLATE_NOOP("MainWindow", "Meas./sim. scale"),
            QT_TRANSLATE_NOOP("MainWindow", "Measured over simulated line areas, one factor by least squares weighted by the counting statistics"),
            0)

TIRN_INPUT(SetTgtCmp, "", "", Rule::Composition, 0, 0, QT_TRANSLATE_NOOP("MainWindow", "Target"), nullptr,
           GroupPellet, FEEDS_LINES, READS_TARGET | READS_PELLET | READS_SPECTRUM)
TIRN_INPUT(SetBndCmp, "BN", "", Rule::Composition, 0, 0, QT_TRANSLATE_NOOP("MainWindow", "Binder"), nullptr,
           GroupPellet, FEEDS_LINES, READS_BINDER | READS_PELLET | READS_SPECTRUM)
TIRN_INPUT(SetTgtWeight, "10", "mg", Rule::NonNegative, 0, 1e6, QT_TRANSLATE_NOOP("MainWindow", "Target [mg]"), nullptr,
           GroupPellet, FEEDS_LINES, READS_PELLET | READS_SPECTRUM)
TIRN_INPUT(SetBndWeight, "0", "mg", Rule::NonNegative, 0, 1e6, QT_TRANSLATE_NOOP("MainWindow", "Binder [mg]"), nullptr,
           GroupPellet, FEEDS_LINES, READS_PELLET | READS_SPECTRUM)
TIRN_INPUT(SetCylDiam, "7", "mm", Rule::Positive, 0.1, 1000, QT_TRANSLATE_NOOP("MainWindow", "Dia. [mm]"), nullptr,
           GroupPellet, FEEDS_LINES, READS_PELLET | READS_SPECTRUM)
TIRN_INPUT(SetTgtBndMolR, "100", "mol%", Rule::Share, 0, 100, QT_TRANSLATE_NOOP("MainWindow", "Target Ratio [Mol%]"), nullptr,
           GroupPellet, FEEDS_LINES, READS_PELLET | READS_SPECTRUM)
TIRN_INPUT(SetTgtBndWtR, "100", "wt%", Rule::Share, 0, 100, QT_TRANSLATE_NOOP("MainWindow", "Target Ratio [Wt%]"),
           QT_TRANSLATE_NOOP("MainWindow", "Share of the target in the total weight (target and binder)"),
           GroupPellet, FEEDS_LINES, READS_PELLET | READS_SPECTRUM)
TIRN_INPUT(SetTgtDens, "1", "g/cm3", Rule::Positive, 1e-6, 30, QT_TRANSLATE_NOOP("MainWindow", "Target density [g/cm3]"),
           QT_TRANSLATE_NOOP("MainWindow", "Density of the target as pressed. For reference: hexagonal BN 2.1 to 2.3 (the binder default, 2.34), cubic BN 3.49, Al 2.70, Be 1.85, air 0.0012 (20 \u00b0C). At 1.27 g/cm3 a 10 mm pellet weighs as many grams as it is centimetres thick; at 2.60 g/cm3 a 7 mm one does."),
           GroupPellet, FEEDS_LINES, READS_PELLET | READS_SPECTRUM)
TIRN_INPUT(SetBndDens, "2.34", "g/cm3", Rule::Positive, 1e-6, 30, QT_TRANSLATE_NOOP("MainWindow", "Binder density [g/cm3]"),
           QT_TRANSLATE_NOOP("MainWindow", "Density of the binder as pressed. For reference: hexagonal BN 2.1 to 2.3 (the default, 2.34), cellulose 1.5, polyethylene 0.92 to 0.97, cubic BN 3.49."),
           GroupPellet, FEEDS_LINES, READS_PELLET | READS_SPECTRUM)
TIRN_INPUT(SetThick, "1", "mm", Rule::Positive, 1e-4, 1000, QT_TRANSLATE_NOOP("MainWindow", "Thickness [mm]"),
           QT_TRANSLATE_NOOP("MainWindow", "Sample thickness"),
           GroupPellet, FEEDS_LINES, READS_PELLET | READS_SPECTRUM)
TIRN_INPUT(SetCalcPointE, "", "keV", Rule::Positive, 0.1, 800, QT_TRANSLATE_NOOP("MainWindow", "Calc. Point [keV]"), nullptr,
           GroupMuT, FEEDS_LINES | EMPTY_WITHOUT_TARGET, READS_MUT | READS_WINDOWS)
TIRN_INPUT(SetDMuT, "1", "", Rule::Positive, 1e-3, 1e3, QT_TRANSLATE_NOOP("MainWindow", "Wanted d-mu t"),
           QT_TRANSLATE_NOOP("MainWindow", "Enter the wanted d-mu t (typically about 1)"),
           GroupMuT, FEEDS_LINES, READS_NONE)
TIRN_INPUT(SetMuT, "2.5", "", Rule::Positive, 1e-3, 1e3, QT_TRANSLATE_NOOP("MainWindow", "Wanted mu(+)t"),
           QT_TRANSLATE_NOOP("MainWindow", "Enter the wanted mu t (typically 3 to 4)"),
           GroupMuT, FEEDS_LINES, READS_NONE)
TIRN_INPUT(StartE0, "5", "keV", Rule::RangeStart, 0, 800, QT_TRANSLATE_NOOP("MainWindow", "Es [keV]"), nullptr,
           GroupRange, 0, READS_RANGE)
TIRN_INPUT(EndE0, "20", "keV", Rule::RangeEnd, 0, 800, QT_TRANSLATE_NOOP("MainWindow", "Ee [keV]"), nullptr,
           GroupRange, 0, READS_RANGE)
TIRN_INPUT(Filter1Composition, "Al", "", Rule::Composition, 0, 0, QT_TRANSLATE_NOOP("MainWindow", "Filter 1 composition"), nullptr,
           GroupFilters, FEEDS_LINES, READS_SPECTRUM)
TIRN_INPUT(Filter2Composition, "", "", Rule::Composition, 0, 0, QT_TRANSLATE_NOOP("MainWindow", "Filter 2 composition"), nullptr,
           GroupFilters, FEEDS_LINES, READS_SPECTRUM)
TIRN_INPUT(Filter1Thickness, "0", "mm", Rule::NonNegative, 0, 1000, QT_TRANSLATE_NOOP("MainWindow", "Filter 1 thickness [mm]"), nullptr,
           GroupFilters, FEEDS_LINES, READS_SPECTRUM)
TIRN_INPUT(Filter2Thickness, "", "mm", Rule::NonNegative, 0, 1000, QT_TRANSLATE_NOOP("MainWindow", "Filter 2 thickness [mm]"), nullptr,
           GroupFilters, FEEDS_LINES | EMPTY_WITHOUT_FILTER2, READS_SPECTRUM)
TIRN_INPUT(Filter1Density, "2.7", "g/cm3", Rule::Positive, 1e-6, 30, QT_TRANSLATE_NOOP("MainWindow", "Filter 1 density [g/cm3]"), nullptr,
           GroupFilters, FEEDS_LINES, READS_SPECTRUM)
TIRN_INPUT(Filter2Density, "", "g/cm3", Rule::Positive, 1e-6, 30, QT_TRANSLATE_NOOP("MainWindow", "Filter 2 density [g/cm3]"), nullptr,
           GroupFilters, FEEDS_LINES | EMPTY_WITHOUT_FILTER2, READS_SPECTRUM)
TIRN_INPUT(FrontWindowComposition, "", "", Rule::Composition, 0, 0, QT_TRANSLATE_NOOP("MainWindow", "Front window"),
           QT_TRANSLATE_NOOP("MainWindow", "Window on the beam side of the pellet: a formula, or Kapton, polypropylene, Mylar or tape for their formula and density. The beam crosses it along the incidence angle, the fluorescence and scatter along the exit angle; empty or 0 \u00b5m for none"),
           GroupWindows, FEEDS_LINES, READS_WINDOWS | READS_SPECTRUM)
TIRN_INPUT(FrontWindowThickness, "0", "\u00b5m", Rule::NonNegative, 0, 10000, QT_TRANSLATE_NOOP("MainWindow", "Front window thickness [\u00b5m]"), nullptr,
           GroupWindows, FEEDS_LINES, READS_WINDOWS | READS_SPECTRUM)
TIRN_INPUT(FrontWindowDensity, "1.42", "g/cm3", Rule::Positive, 0.01, 30, QT_TRANSLATE_NOOP("MainWindow", "Front window density [g/cm3]"), nullptr,
           GroupWindows, FEEDS_LINES, READS_WINDOWS | READS_SPECTRUM)
TIRN_INPUT(BackWindowComposition, "", "", Rule::Composition, 0, 0, QT_TRANSLATE_NOOP("MainWindow", "Back window"),
           QT_TRANSLATE_NOOP("MainWindow", "Window behind the pellet, named as the front one: part of the transmission (mu t), not of the fluorescence seen from the front; empty or 0 \u00b5m for none"),
           GroupWindows, 0, READS_WINDOWS)
TIRN_INPUT(BackWindowThickness, "0", "\u00b5m", Rule::NonNegative, 0, 10000, QT_TRANSLATE_NOOP("MainWindow", "Back window thickness [\u00b5m]"), nullptr,
           GroupWindows, 0, READS_WINDOWS)
TIRN_INPUT(BackWindowDensity, "1.42", "g/cm3", Rule::Positive, 0.01, 30, QT_TRANSLATE_NOOP("MainWindow", "Back window density [g/cm3]"), nullptr,
           GroupWindows, 0, READS_WINDOWS)
TIRN_INPUT(I0Flux, "1e10", "photons/s", Rule::NonNegative, 1, 1e16, QT_TRANSLATE_NOOP("MainWindow", "I0[photons/sec]"), nullptr,
           GroupSpectrum, FEEDS_LINES, READS_SPECTRUM | READS_SAMPLE_FLUX)
TIRN_INPUT(ExtEnergy, "10", "keV", Rule::Positive, 0.1, 800, QT_TRANSLATE_NOOP("MainWindow", "Ext.Eng.[keV]"), nullptr,
           GroupSpectrum, FEEDS_LINES, READS_SPECTRUM | READS_CHAMBERS)
TIRN_INPUT(Distance, "20", "cm", Rule::Positive, 0.01, 1000, QT_TRANSLATE_NOOP("MainWindow", "Distance[cm]"), nullptr,
           GroupSpectrum, FEEDS_LINES, READS_SPECTRUM)
TIRN_INPUT(AirThickness, "150", "mm", Rule::NonNegative, 0, 10000, QT_TRANSLATE_NOOP("MainWindow", "Air thickness [mm]"), nullptr,
           GroupSpectrum, FEEDS_LINES, READS_SPECTRUM)
TIRN_INPUT(DetRadius, "0.5", "cm", Rule::Positive, 0.001, 100, QT_TRANSLATE_NOOP("MainWindow", "Det. Rad.[cm]"),
           QT_TRANSLATE_NOOP("MainWindow", "Radius of the detector's active area: 0.5 cm is about 80 mm2"),
           GroupSpectrum, FEEDS_LINES, READS_SPECTRUM)
TIRN_INPUT(DetResolution, "0.3", "keV", Rule::Positive, 0.01, 10, QT_TRANSLATE_NOOP("MainWindow", "Det. Res.(FWHM)[keV]"),
           QT_TRANSLATE_NOOP("MainWindow", "Energy resolution (FWHM) of the detector at Mn K\u03b1 (5.9 keV): typically 0.12 to 0.15 keV for a silicon drift detector"),
           GroupSpectrum, FANO_LIMITED, READS_SPECTRUM)
TIRN_INPUT(MCAResolution, "0.01", "keV", Rule::Positive, 1e-4, 1, QT_TRANSLATE_NOOP("MainWindow", "MCA Ch[keV]"),
           QT_TRANSLATE_NOOP("MainWindow", "Width of one channel of the multichannel analyser; 0.01 keV is usual"),
           GroupSpectrum, 0, READS_SPECTRUM)
TIRN_INPUT(IncidenceAngle, "45", "deg", Rule::Angle, 0.1, 90, QT_TRANSLATE_NOOP("MainWindow", "Incidence [deg]"),
           QT_TRANSLATE_NOOP("MainWindow", "Angle between the beam and the pellet surface"),
           GroupGeometry, FEEDS_LINES | DETAILED_ONLY | CLASSIC_AT_NORMAL, READS_SPECTRUM)
TIRN_INPUT(ExitAngle, "45", "deg", Rule::Angle, 0.1, 90, QT_TRANSLATE_NOOP("MainWindow", "Exit [deg]"),
           QT_TRANSLATE_NOOP("MainWindow", "Angle between the pellet surface and the detector axis"),
           GroupGeometry, FEEDS_LINES | DETAILED_ONLY | CLASSIC_AT_NORMAL, READS_SPECTRUM)
TIRN_INPUT(DetElements, "1", "", Rule::Count, 1, 1000, QT_TRANSLATE_NOOP("MainWindow", "Det. elements"),
           QT_TRANSLATE_NOOP("MainWindow", "Elements of a detector array, each with the radius and distance above: the solid angle and every rate grow with their number, the count rate, dead time and pile-up are each element's"),
           GroupGeometry, FEEDS_LINES, READS_SPECTRUM)
TIRN_INPUT(DetMaterial, "Si", "", Rule::DetectorMaterial, 0, 0, QT_TRANSLATE_NOOP("MainWindow", "Crystal"),
           QT_TRANSLATE_NOOP("MainWindow", "Material of the detector's crystal: Si (drift detectors), Ge or CdTe; sets the efficiency, the escape peaks and the Fano limit of the peak widths"),
           GroupDetector, FEEDS_LINES | DETAILED_ONLY, READS_SPECTRUM)
TIRN_INPUT(DetSiThickness, "0.45", "mm", Rule::Positive, 1e-4, 1000, QT_TRANSLATE_NOOP("MainWindow", "Crystal [mm]"),
           QT_TRANSLATE_NOOP("MainWindow", "Thickness of the detector's crystal"),
           GroupDetector, FEEDS_LINES | DETAILED_ONLY, READS_SPECTRUM)
TIRN_INPUT(DetDeadLayer, "0", "\u00b5m", Rule::NonNegative, 0, 1000, QT_TRANSLATE_NOOP("MainWindow", "Dead layer [\u00b5m]"),
           QT_TRANSLATE_NOOP("MainWindow", "Layer of the crystal's own material in front of its active part: absorbs and records nothing"),
           GroupDetector, FEEDS_LINES | DETAILED_ONLY, READS_SPECTRUM)
TIRN_INPUT(DetBeWindow, "25", "\u00b5m", Rule::NonNegative, 0, 1e6, QT_TRANSLATE_NOOP("MainWindow", "Det. window thickness [\u00b5m]"),
           QT_TRANSLATE_NOOP("MainWindow", "Thickness of the detector's window, beryllium or whatever its composition says"),
           GroupDetector, FEEDS_LINES | DETAILED_ONLY, READS_SPECTRUM)
TIRN_INPUT(DetWindowComposition, "Be", "", Rule::Composition, 0, 0, QT_TRANSLATE_NOOP("MainWindow", "Det. window"),
           QT_TRANSLATE_NOOP("MainWindow", "Window in front of the detector's crystal: Be, or a polymer such as C10H8O4 (a thin window)"),
           GroupDetector, FEEDS_LINES | DETAILED_ONLY, READS_SPECTRUM)
TIRN_INPUT(DetWindowDensity, "1.848", "g/cm3", Rule::Positive, 0.01, 30, QT_TRANSLATE_NOOP("MainWindow", "Det. window density [g/cm3]"), nullptr,
           GroupDetector, FEEDS_LINES | DETAILED_ONLY, READS_SPECTRUM)
TIRN_INPUT(DetDeadTime, "0.3", "\u00b5s", Rule::NonNegative, 0, 100, QT_TRANSLATE_NOOP("MainWindow", "Dead time [\u00b5s]"),
           QT_TRANSLATE_NOOP("MainWindow", "Dead time per recorded event"),
           GroupDetector, DETAILED_ONLY, READS_DEAD_TIME | READS_FLUO_NOISE)
TIRN_INPUT(PileupTime, "0.5", "\u00b5s", Rule::NonNegative, 0, 100, QT_TRANSLATE_NOOP("MainWindow", "Pile-up time [\u00b5s]"),
           QT_TRANSLATE_NOOP("MainWindow", "Pulse-pair resolving time: two photons closer in time are recorded as one event at the sum of their energies; 0 for no pile-up"),
           GroupDetector, FEEDS_LINES | DETAILED_ONLY, READS_SPECTRUM)
TIRN_INPUT(I0ChamberGas, "N2", "", Rule::Gas, 0, 0, QT_TRANSLATE_NOOP("MainWindow", "I0 gas"),
           QT_TRANSLATE_NOOP("MainWindow", "Gas of the chamber before the sample: He, N2, Ne, Ar, Kr, Xe, air or CO2, or a mixture by mole fractions such as N2:0.8 Ar:0.2; at 20 \u00b0C"),
           GroupMeasurement, 0, READS_I0_CHAMBER)
TIRN_INPUT(I0ChamberLength, "10", "cm", Rule::Positive, 0.1, 200, QT_TRANSLATE_NOOP("MainWindow", "I0 length [cm]"),
           QT_TRANSLATE_NOOP("MainWindow", "Length of the I0 chamber's collecting electrodes along the beam"),
           GroupMeasurement, 0, READS_I0_CHAMBER)
TIRN_INPUT(I0ChamberPressure, "1", "bar", Rule::Positive, 0.01, 10, QT_TRANSLATE_NOOP("MainWindow", "I0 pressure [bar]"),
           QT_TRANSLATE_NOOP("MainWindow", "Gas pressure in the I0 chamber"),
           GroupMeasurement, 0, READS_I0_CHAMBER)
TIRN_INPUT(ItChamberGas, "N2", "", Rule::Gas, 0, 0, QT_TRANSLATE_NOOP("MainWindow", "It gas"),
           QT_TRANSLATE_NOOP("MainWindow", "Gas of the chamber after the sample, named as for I0"),
           GroupMeasurement, 0, READS_IT_CHAMBER)
TIRN_INPUT(ItChamberLength, "30", "cm", Rule::Positive, 0.1, 200, QT_TRANSLATE_NOOP("MainWindow", "It length [cm]"),
           QT_TRANSLATE_NOOP("MainWindow", "Length of the It chamber's collecting electrodes along the beam"),
           GroupMeasurement, 0, READS_IT_CHAMBER)
TIRN_INPUT(ItChamberPressure, "1", "bar", Rule::Positive, 0.01, 10, QT_TRANSLATE_NOOP("MainWindow", "It pressure [bar]"),
           QT_TRANSLATE_NOOP("MainWindow", "Gas pressure in the It chamber"),
           GroupMeasurement, 0, READS_IT_CHAMBER)
TIRN_INPUT(AmpVoltage, "1", "V", Rule::Positive, 1e-6, 1000, QT_TRANSLATE_NOOP("MainWindow", "Amp. output [V]"),
           QT_TRANSLATE_NOOP("MainWindow", "Output of the I0 chamber's current amplifier; times the sensitivity it gives the current"),
           GroupMeasurement, 0, READS_FLUX)
TIRN_INPUT(AmpSensitivity, "1e-9", "A/V", Rule::Positive, 1e-15, 1e-3, QT_TRANSLATE_NOOP("MainWindow", "Amp. sens. [A/V]"),
           QT_TRANSLATE_NOOP("MainWindow", "Sensitivity of the current amplifier as amplifiers state it: 1e-9 A/V is 1 nA/V"),
           GroupMeasurement, 0, READS_FLUX)
TIRN_INPUT(ChamberCurrent, "1e-9", "A", Rule::Positive, 1e-15, 1e-3, QT_TRANSLATE_NOOP("MainWindow", "I0 current [A]"),
           QT_TRANSLATE_NOOP("MainWindow", "Current of the I0 chamber at Ext.Eng.; set by amplifier output and sensitivity when either is edited"),
           GroupMeasurement, 0, READS_FLUX)
TIRN_INPUT(PointTime, "1", "s", Rule::Positive, 1e-3, 1e5, QT_TRANSLATE_NOOP("MainWindow", "Point time [s]"),
           QT_TRANSLATE_NOOP("MainWindow", "Counting time of one point of the scan"),
           GroupMeasurement, 0, readoutBit(PlanFields::ChiNoiseTrans) | readoutBit(PlanFields::ChiNoiseFluo))
TIRN_INPUT(TargetChiNoise, "1e-3", "", Rule::Positive, 1e-7, 1, QT_TRANSLATE_NOOP("MainWindow", "Target noise of chi"),
           QT_TRANSLATE_NOOP("MainWindow", "Noise of chi relative to the edge step wanted per point; 1e-3 suits EXAFS"),
           GroupMeasurement, 0, readoutBit(PlanFields::PointTimeTrans) | readoutBit(PlanFields::PointTimeFluo))
TIRN_INPUT(RoiLow, "", "keV", Rule::Positive, 0.1, 800, QT_TRANSLATE_NOOP("MainWindow", "ROI low [keV]"),
           QT_TRANSLATE_NOOP("MainWindow", "Lower bound of the region of interest counted for a fluorescence scan; empty: the chosen element's main line less the detector's FWHM"),
           GroupMeasurement, EMPTY_MEANS_DEFAULT | DETAILED_ONLY, READS_FLUO_NOISE)
TIRN_INPUT(RoiHigh, "", "keV", Rule::RoiEnd, 0.1, 800, QT_TRANSLATE_NOOP("MainWindow", "ROI high [keV]"),
           QT_TRANSLATE_NOOP("MainWindow", "Upper bound of the region of interest; empty: the main line plus the detector's FWHM"),
           GroupMeasurement, EMPTY_MEANS_DEFAULT | DETAILED_ONLY, READS_FLUO_NOISE)
// A measured spectrum beside the plan, and the plan counted per detector channel.
TIRN_INPUT(MeasFile, "", "", Rule::FilePath, 0, 0, QT_TRANSLATE_NOOP("MainWindow", "Measured file"),
           QT_TRANSLATE_NOOP("MainWindow", "Measured spectrum drawn over the plan: .mca, .spe, or text/CSV of counts; empty: none"),
           GroupMeasurement, 0, readoutBit(PlanFields::MeasScale))
TIRN_INPUT(MeasOffset, "0", "keV", Rule::Signed, -100, 100, QT_TRANSLATE_NOOP("MainWindow", "Meas. offset [keV]"),
           QT_TRANSLATE_NOOP("MainWindow", "Energy of the measured spectrum's channel 0; filled from the file when it has a calibration"),
           GroupMeasurement, 0, readoutBit(PlanFields::MeasScale))
TIRN_INPUT(MeasGain, "0.01", "keV", Rule::Positive, 1e-5, 10, QT_TRANSLATE_NOOP("MainWindow", "Meas. gain [keV/ch]"),
           QT_TRANSLATE_NOOP("MainWindow", "Width of one channel of the measured spectrum; filled from the file when it has a calibration"),
           GroupMeasurement, 0, readoutBit(PlanFields::MeasScale))
TIRN_INPUT(MeasLiveTime, "1", "s", Rule::Positive, 1e-6, 1e7, QT_TRANSLATE_NOOP("MainWindow", "Meas. live time [s]"),
           QT_TRANSLATE_NOOP("MainWindow", "Live time of the measured spectrum; filled from the file when it states one"),
           GroupMeasurement, 0, readoutBit(PlanFields::MeasScale))
TIRN_INPUT(SimLiveTime, "1", "s", Rule::Positive, 1e-6, 1e7, QT_TRANSLATE_NOOP("MainWindow", "Sim. live time [s]"),
           QT_TRANSLATE_NOOP("MainWindow", "Live time for which the plan's spectrum is counted per channel"),
           GroupMeasurement, 0, READS_NONE)
TIRN_INPUT(SimNoise, "0", "", Rule::Count, 0, 1, QT_TRANSLATE_NOOP("MainWindow", "Sim. noise"),
           QT_TRANSLATE_NOOP("MainWindow", "1: Poisson noise on the counts per channel, drawn from the seed; 0: the expected counts"),
           GroupMeasurement, 0, READS_NONE)
TIRN_INPUT(SimSeed, "1", "", Rule::Count, 0, 2147483647, QT_TRANSLATE_NOOP("MainWindow", "Sim. seed"),
           QT_TRANSLATE_NOOP("MainWindow", "Seed of the noise: the same seed gives the same counts"),
           GroupMeasurement, 0, READS_NONE)

TIRN_OPTION(IntensityPeak, false, nullptr, nullptr, OPT_EXCLUSIVE)
TIRN_OPTION(IntensityInt, true, nullptr, nullptr, OPT_EXCLUSIVE)
TIRN_OPTION(AddInfoRatioF, true, nullptr, nullptr, 0)
TIRN_OPTION(MutBox, true, nullptr, nullptr, OPT_VIEW_ONLY)
TIRN_OPTION(FluoBox, true, nullptr, nullptr, OPT_VIEW_ONLY)
TIRN_OPTION(MeasureBox, false, nullptr, nullptr, OPT_VIEW_ONLY)
TIRN_OPTION(DetailedFluo, true, QT_TRANSLATE_NOOP("MainWindow", "Detailed physics"),
            QT_TRANSLATE_NOOP("MainWindow", "Every K and L line with its own rate (xraylib's data), L subshells and Coster-Kronig transitions, incidence and exit angles, the exact solid angle and secondary fluorescence. Always computed with the tabulated cross sections, whatever the absorption data chosen for the pellet."),
            OPT_FEEDS_LINES | OPT_MODEL)
TIRN_OPTION(SecondaryFluo, true, QT_TRANSLATE_NOOP("MainWindow", "Secondary fluorescence"), nullptr,
            OPT_FEEDS_LINES | OPT_MODEL | OPT_DETAILED_ONLY)
TIRN_OPTION(BeamPolarised, true, QT_TRANSLATE_NOOP("MainWindow", "Polarised beam"),
            QT_TRANSLATE_NOOP("MainWindow", "A beam linearly polarised in the plane of beam and detector axis, as at a synchrotron; unchecked, an unpolarised laboratory source. Sets the scatter peaks."),
            OPT_FEEDS_LINES | OPT_MODEL | OPT_DETAILED_ONLY)
TIRN_OPTION(LogIntensity, false, QT_TRANSLATE_NOOP("MainWindow", "Log intensity"),
            QT_TRANSLATE_NOOP("MainWindow", "The intensity axis by decades: weak lines and escape peaks beside strong ones"),
            OPT_PLOT_ONLY)

TIRN_CHOICE(SelectTE)
TIRN_CHOICE(SelectAE)

// clang-format on

#undef TIRN_INPUT
#undef TIRN_OUTPUT
#undef TIRN_OPTION
#undef TIRN_CHOICE
