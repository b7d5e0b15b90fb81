#include "FormDriver.h"
#include "MainWindow.h"

#include "MuT.h"
#include "Pellet.h"

#include <QCheckBox>
#include <QStatusBar>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

double number(const QLineEdit *field)
{
    return field->text().toDouble();
}
double number(const QLabel *label)
{
    return label->text().toDouble();
}

bool isOk(const QLabel *label)
{
    return label->text().endsWith(QLatin1String("  OK"));
}

} // namespace

// The pellet and mu t calculators through the real form: the user's edits, the repaint that
// recomputes mu t, and what the fields show afterwards.
class TestPelletForm : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> w;

    // Shows the window and lets the plot paint once, which is when mu t is computed.
    void repaint() { w->GView1->repaint(); }

    void fe2o3InBn()
    {
        type(w->SetTgtCmp, QStringLiteral("Fe2O3"));
        QVERIFY(w->plan->tgtComp.valid);
        QVERIFY(w->plan->bndComp.valid);
        QCOMPARE(w->SelectTE->currentText(), QStringLiteral("Fe"));
    }

private Q_SLOTS:
    void init()
    {
        w = std::make_unique<MainWindow>();
        w->resize(1200, 900);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void cleanup()
    {
        // Hiding moves the focus out of the line edit that has it, which finishes its editing;
        // that must happen while the window is still whole, not inside its destructor.
        w->hide();
        w.reset();
    }

    void nothingMovesWithoutTarget()
    {
        const QString weight = w->SetTgtWeight->text();
        type(w->SetThick, QStringLiteral("2"));
        type(w->SetTgtBndMolR, QStringLiteral("50"));
        QCOMPARE(w->SetTgtWeight->text(), weight);
        QCOMPARE(w->plan->thickness, 0.2);
    }

    void fieldsFollowTheLibrary()
    {
        // The worked example's numbers, entered in the form's units.
        fe2o3InBn();
        type(w->SetCylDiam, QStringLiteral("10"));
        type(w->SetTgtDens, QStringLiteral("5.24"));
        type(w->SetBndDens, QStringLiteral("1"));
        type(w->SetTgtBndMolR, QStringLiteral("10"));
        type(w->SetThick, QStringLiteral("1"));

        PelletThicknessInput in;
        in.molRatio = 10;
        in.tgtDens = 5.24;
        in.bndDens = 1;
        in.thickness = 0.1;
        in.cylDiam = 1.0;
        in.mwT = w->plan->tgtComp.molecularWeight();
        in.mwB = w->plan->bndComp.molecularWeight();
        const PelletThicknessResult r = pelletFromThickness(in);
        QCOMPARE(w->SetTgtWeight->text(), QString::number(r.tgtWeight * 1000, 'f', 3));
        QCOMPARE(w->SetBndWeight->text(), QString::number(r.bndWeight * 1000, 'f', 3));
        QCOMPARE(w->CylWeight->text(), QString::number(r.totalWeight * 1000, 'f', 3));
        QCOMPARE(w->CylVol->text(), QStringLiteral("78.540"));
        QCOMPARE(w->SetTgtBndWtR->text(),
                 QString::number(wtRatioFromMolRatio(10, in.mwT, in.mwB), 'f', 3));

        // Back from the weights as shown.
        type(w->SetBndWeight, w->SetBndWeight->text());
        QCOMPARE(w->SetTgtBndMolR->text(), QStringLiteral("10.000"));
        QCOMPARE(w->SetThick->text(), QStringLiteral("1.000"));
    }

    void unitsOfTheForm()
    {
        fe2o3InBn();
        type(w->SetBndWeight, QStringLiteral("0"));
        type(w->SetTgtWeight, QStringLiteral("250"));
        QCOMPARE(w->plan->tgtWeight, 0.25);
        QCOMPARE(w->SetTgtBndMolR->text(), QStringLiteral("100.000"));
        // Rewritten from the thickness that the weights gave: the same 250 mg.
        type(w->SetTgtBndMolR, QStringLiteral("100"));
        QCOMPARE(w->SetTgtWeight->text(), QStringLiteral("250.000"));
        QCOMPARE(w->SetBndWeight->text(), QStringLiteral("0.000"));

        type(w->SetThick, QStringLiteral("1.5"));
        QCOMPARE(w->plan->thickness, 1.5 * 0.1); // mm to cm
        type(w->SetCylDiam, QStringLiteral("13"));
        QCOMPARE(w->plan->cylDiam, 1.3);
    }

    void sharesNeedBothCompositions()
    {
        fe2o3InBn();
        type(w->SetBndCmp, QString());
        QVERIFY(!w->plan->bndComp.valid);
        const QString wt = w->SetTgtBndWtR->text();
        type(w->SetTgtBndMolR, QStringLiteral("50"));
        QCOMPARE(w->SetTgtBndWtR->text(), wt);

        // Weights with an invalid binder: the target is all there is.
        type(w->SetTgtWeight, QStringLiteral("20"));
        QCOMPARE(w->SetTgtBndMolR->text(), QStringLiteral("100.000"));
        QCOMPARE(w->SetTgtBndWtR->text(), QStringLiteral("100.000"));
    }

    // Focus passing through the solver fields is no edit: the pellet the user arrived at stays,
    // although Qt reports a finished edit at every focus-out after a field was written.
    void tabbingThroughChangesNothing()
    {
        w->show();
        QApplication::setActiveWindow(w.get());
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        type(w->SetTgtCmp, QStringLiteral("CuO"));
        type(w->SetThick, QStringLiteral("1"));
        const auto texts = [this] {
            QStringList all;
            for (QLineEdit *edit : w->findChildren<QLineEdit *>())
                all << edit->objectName() + QLatin1Char('=') + edit->text();
            return all;
        };
        const QStringList before = texts();
        w->SetBndCmp->setFocus();
        for (QWidget *stop :
             {static_cast<QWidget *>(w->SetDMuT), static_cast<QWidget *>(w->SetMuT)}) {
            while (QApplication::focusWidget() != stop)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(texts(), before);

        // Return re-applies the wanted d-mu t: the thickness follows.
        w->SetDMuT->setFocus();
        QTest::keyClick(w->SetDMuT, Qt::Key_Return);
        QCOMPARE(w->dMut->text(), QStringLiteral("1.000"));
    }

    void dMuTDoublesThicknessAndWeights()
    {
        fe2o3InBn();
        type(w->SetTgtBndMolR, QStringLiteral("20"));
        repaint();
        QVERIFY(w->plan->curDMuT > 0);
        const double thickness = w->plan->thickness;
        const double tgt = w->plan->tgtWeight;
        const double bnd = w->plan->bndWeight;
        type(w->SetDMuT, QString::number(2 * w->plan->curDMuT, 'g', 17));
        QVERIFY(std::fabs(w->plan->thickness - 2 * thickness) < 1e-12 * thickness);
        QVERIFY(std::fabs(w->plan->tgtWeight - 2 * tgt) < 1e-12 * tgt);
        QVERIFY(std::fabs(w->plan->bndWeight - 2 * bnd) < 1e-12 * bnd);
        QCOMPARE(w->SetThick->text(), QString::number(2 * thickness * 10, 'f', 3));
    }

    void dMuTReadsBackAfterRepaint()
    {
        fe2o3InBn();
        repaint();
        type(w->SetDMuT, QStringLiteral("1"));
        repaint();
        QCOMPARE(w->dMut->text(), QStringLiteral("1.000"));
        QVERIFY(std::fabs(w->plan->curDMuT - 1.0) < 1e-9);
    }

    void dMuTWithoutJumpDoesNothing()
    {
        // Below 0 keV nothing absorbs, so there is no jump to scale.
        fe2o3InBn();
        type(w->SetCalcPointE, QStringLiteral("-3"));
        repaint();
        QCOMPARE(w->plan->curDMuT, 0.0);
        const QString thick = w->SetThick->text();
        const double tgt = w->plan->tgtWeight;
        type(w->SetDMuT, QStringLiteral("1"));
        QCOMPARE(w->SetThick->text(), thick);
        QCOMPARE(w->plan->tgtWeight, tgt);
    }

    void muTBelowTheTargetsOwnChangesNothing()
    {
        fe2o3InBn();
        type(w->SetTgtBndMolR, QStringLiteral("20"));
        repaint();
        const QString bnd = w->SetBndWeight->text();
        const double bndWeight = w->plan->bndWeight;
        const double own =
            w->plan->tgtMolPerArea * w->plan->tgtComp.absorption(w->plan->calcPointE + EDGE_DELTA);
        type(w->SetMuT, QString::number(own * 0.5, 'g', 17));
        QCOMPARE(w->SetBndWeight->text(), bnd);
        QCOMPARE(w->plan->bndWeight, bndWeight);
    }

    void muTIsReachedThroughTheBinder()
    {
        fe2o3InBn();
        type(w->SetTgtBndMolR, QStringLiteral("20"));
        repaint();
        const double tmpa = w->plan->tgtMolPerArea;
        const double bndWeight = w->plan->bndWeight;
        const double own =
            w->plan->tgtMolPerArea * w->plan->tgtComp.absorption(w->plan->calcPointE + EDGE_DELTA);
        const double wanted = own + 1.5;
        type(w->SetMuT, QString::number(wanted, 'g', 17));
        QVERIFY(w->plan->bndWeight > 0 && w->plan->bndWeight != bndWeight);
        QCOMPARE(w->SetBndWeight->text(), QString::number(w->plan->bndWeight * 1000, 'f', 3));
        QVERIFY(std::fabs(w->plan->tgtMolPerArea - tmpa) <
                1e-12 * tmpa); // the target per area stays
        repaint();
        QCOMPARE(w->MuPt->text(), QString::number(wanted, 'f', 3));
        QVERIFY(w->statusBar()->currentMessage().isEmpty());
    }

    void muTWithoutAbsorbingBinder()
    {
        fe2o3InBn();
        repaint();
        type(w->SetBndCmp, QString());
        const double bndWeight = w->plan->bndWeight;
        const double own =
            w->plan->tgtMolPerArea * w->plan->tgtComp.absorption(w->plan->calcPointE + EDGE_DELTA);
        QVERIFY(w->statusBar()->currentMessage().isEmpty());
        type(w->SetMuT, QString::number(own + 1, 'g', 17));
        QCOMPARE(w->plan->bndWeight, bndWeight);
        QVERIFY(std::isfinite(w->plan->bndWeight));
        QVERIFY(!w->statusBar()->currentMessage().isEmpty());
    }

    void selTarget_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("element");
        QTest::addColumn<int>("edge");
        QTest::newRow("Fe K") << "Fe2O3" << 0 << int(EdgeK);
        QTest::newRow("Fe LIII") << "Fe2O3" << 0 << int(EdgeLIII);
        QTest::newRow("O K") << "Fe2O3" << 1 << int(EdgeK);
        QTest::newRow("H has no K edge") << "H2O" << 0 << int(EdgeK);
    }

    void selTarget()
    {
        QFETCH(QString, target);
        QFETCH(int, element);
        QFETCH(int, edge);
        type(w->SetTgtCmp, target);
        w->SelectTE->setCurrentIndex(element);
        w->SelectAE->setCurrentIndex(edge);
        const double e = w->plan->tgtComp.entries.at(element).data->edge[edge];
        QCOMPARE(w->plan->calcPointE, e);
        QCOMPARE(w->SetCalcPointE->text(), QString::number(e, 'f', 4));
    }

    void missingEdgeShowsMinusOne()
    {
        type(w->SetTgtCmp, QStringLiteral("H2O"));
        const AtomData *h = w->plan->xrayDb.find(QStringLiteral("H"));
        QVERIFY2(h && h->edge[EdgeK] == MissingValue, "the table gives H a K edge");
        QCOMPARE(w->SelectTE->currentText(), QStringLiteral("H"));
        QCOMPARE(w->SetCalcPointE->text(), QStringLiteral("-1.0000"));
        repaint(); // mu t at -1 +- 0.0001 keV: nothing
        QCOMPARE(w->MuPt->text(), QStringLiteral("0.000"));
        QCOMPARE(w->TransM->text(), QStringLiteral("1.000"));
    }

    void miLeavesTheCalculationPoint()
    {
        fe2o3InBn();
        type(w->SetCalcPointE, QStringLiteral("7.5"));
        w->SelectAE->setCurrentIndex(EdgeMI);
        QCOMPARE(w->SetCalcPointE->text(), QStringLiteral("7.5"));
        QCOMPARE(w->plan->calcPointE, 7.5);
    }

    void curveRanges()
    {
        fe2o3InBn();
        type(w->StartE0, QStringLiteral("5"));
        type(w->EndE0, QStringLiteral("10"));
        QVERIFY(w->plan->calcMuTCurve());
        QCOMPARE(w->plan->mutCurveE[0], 5.0);

        // Reversed ends are no range: no curve, and the end field says why.
        type(w->StartE0, QStringLiteral("10"));
        type(w->EndE0, QStringLiteral("5"));
        QVERIFY(!w->plan->calcMuTCurve());
        QVERIFY(!w->plan->plotShown());
        QVERIFY(!w->plan->fieldProblem(PlanModel::EndE0).isEmpty());

        type(w->StartE0, QStringLiteral("-2"));
        type(w->EndE0, QStringLiteral("3"));
        QVERIFY(w->plan->calcMuTCurve());
        QCOMPARE(w->plan->mutCurveE[0], 0.0);
        QCOMPARE(w->plan->mutMin, 0.0);

        // Equal ends: no curve, and the read-outs and the last curve keep their values.
        type(w->StartE0, QStringLiteral("6"));
        w->dMut->setText(QStringLiteral("marker"));
        type(w->EndE0, QStringLiteral("6"));
        QVERIFY(!w->plan->calcMuTCurve());
        QCOMPARE(w->dMut->text(), QStringLiteral("marker"));
        QCOMPARE(w->plan->mutCurveE[0], 0.0);
    }

    void fxafsLabels()
    {
        fe2o3InBn();
        // A thin pellet of pure target.
        type(w->SetTgtBndMolR, QStringLiteral("100"));
        type(w->SetThick, QStringLiteral("0.0005"));
        repaint();
        QVERIFY2(w->plan->curMuT <= 0.1, qPrintable(w->MuPt->text()));
        QVERIFY(isOk(w->label_15));
        QVERIFY(w->label_15->text().startsWith(QString::number(w->plan->curMuT, 'f', 3)));
        QVERIFY(!isOk(w->label_20));

        // A thick pellet with little target in much binder.
        type(w->SetTgtBndMolR, QStringLiteral("0.01"));
        type(w->SetThick, QStringLiteral("2"));
        repaint();
        QVERIFY2(w->plan->curMuT >= 2, qPrintable(w->MuPt->text()));
        QVERIFY(!isOk(w->label_15));
        QVERIFY(w->label_15->text().endsWith(QLatin1String("not OK")));
        const double ratio = 100 * w->plan->curDMuT / w->plan->curMuT;
        QVERIFY2(ratio <= 10, qPrintable(w->label_20->text()));
        QCOMPARE(w->label_20->text(), QString::number(ratio, 'f', 1) + QStringLiteral(" %  OK"));
    }

    // Each numeric field has its rule: a broken one is framed in red and named in the status
    // bar by its caption, until a sound value comes. The numbers are computed as before.
    void fieldChecks_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("bad");
        QTest::addColumn<QString>("message"); // empty: the value is allowed
        QTest::addColumn<QString>("good");
        QTest::newRow("diameter not a number") << "SetCylDiam"
                                               << "abc"
                                               << "Dia. [mm]: 'abc' is not a number"
                                               << "7";
        QTest::newRow("negative thickness") << "SetThick"
                                            << "-1"
                                            << "Thickness [mm]: must be greater than 0, not -1"
                                            << "1";
        QTest::newRow("share above 100")
            << "SetTgtBndMolR"
            << "150"
            << "Target Ratio [Mol%]: must lie between 0 and 100, not 150"
            << "20";
        QTest::newRow("share 0 is a blank") << "SetTgtBndWtR"
                                            << "0"
                                            << ""
                                            << "20";
        QTest::newRow("range end with text") << "EndE0"
                                             << "20cuo_spectrum"
                                             << "Ee [keV]: '20cuo_spectrum' is not a number"
                                             << "20";
        QTest::newRow("range end below start") << "EndE0"
                                               << "4"
                                               << "Ee [keV]: must lie above the range start, not 4"
                                               << "20";
        QTest::newRow("negative range start") << "StartE0"
                                              << "-2"
                                              << "Es [keV]: must not be negative, not -2"
                                              << "5";
        QTest::newRow("negative flux") << "I0Flux"
                                       << "-5"
                                       << "I0[photons/sec]: must not be negative, not -5"
                                       << "1e10";
        QTest::newRow("zero FWHM") << "DetResolution"
                                   << "0"
                                   << "Det. Res.(FWHM)[keV]: must be greater than 0, not 0"
                                   << "0.3";
        QTest::newRow("empty distance") << "Distance"
                                        << ""
                                        << "Distance[cm]: a number is needed"
                                        << "20";
        QTest::newRow("filter 2 may stay empty") << "Filter2Thickness"
                                                 << ""
                                                 << ""
                                                 << "1";
        // The detailed model reads the FWHM at Mn Ka, which silicon cannot beat; the classic
        // model takes any width.
        QTest::newRow("detailed: FWHM below the Fano limit")
            << "DetResolution"
            << "0.1"
            << "Det. Res.(FWHM)[keV]: below the Fano limit of silicon at Mn Ka (0.117 keV), not 0.1"
            << "0.13";
        QTest::newRow("classic: the same FWHM") << "DetResolution"
                                                << "0.1"
                                                << ""
                                                << "0.3";
        QTest::newRow("detailed: no crystal") << "DetSiThickness"
                                              << "0"
                                              << "Si thickness [mm]: must be greater than 0, not 0"
                                              << "0.45";
        QTest::newRow("detailed: negative dead time")
            << "DetDeadTime"
            << "-1"
            << "Dead time [\u00b5s]: must not be negative, not -1"
            << "0";
        QTest::newRow("exit angle beyond 90") << "ExitAngle"
                                              << "95"
                                              << "Exit [deg]: must lie in (0, 90] degrees, not 95"
                                              << "45";
        QTest::newRow("unknown symbol in the target")
            << "SetTgtCmp"
            << "Xq2O3"
            << "Target: unknown element symbol ignored: Xq"
            << "Fe2O3";
        QTest::newRow("stray character in the binder") << "SetBndCmp"
                                                       << "BN+C"
                                                       << "Binder: characters ignored: +"
                                                       << "BN";
    }

    void fieldChecks()
    {
        QFETCH(QString, field);
        QFETCH(QString, bad);
        QFETCH(QString, message);
        QFETCH(QString, good);
        QLineEdit *edit = w->findChild<QLineEdit *>(field);
        QVERIFY(edit);
        fe2o3InBn();
        w->DetailedFluo->setChecked(QByteArray(QTest::currentDataTag()).startsWith("detailed"));
        const auto framed = [edit] { return edit->styleSheet().contains(QLatin1String("solid")); };
        type(edit, bad);
        QCOMPARE(w->statusBar()->currentMessage(), message);
        QCOMPARE(framed(), !message.isEmpty());
        if (!message.isEmpty())
            QVERIFY2(
                !w->label_20->text().contains(QLatin1String("OK")) ||
                    field.contains(QLatin1String("E0")) || field == QLatin1String("I0Flux") ||
                    field == QLatin1String("DetResolution") || field == QLatin1String("Distance") ||
                    field == QLatin1String("ExitAngle") || field.startsWith(QLatin1String("Det")),
                "a verdict on a pellet with a broken field");
        type(edit, good);
        QVERIFY(!framed());
        QVERIFY(w->plan->flaggedFields().isEmpty());
        QCOMPARE(w->statusBar()->currentMessage(), QString());
    }

    // A detector far too close: the dead time read-out is marked and the status bar names the
    // distance that brings it to 10 %, which typing it then does. The classic model counts
    // nothing.
    void deadTimeAdvice()
    {
        fe2o3InBn();
        w->DetailedFluo->setChecked(true);
        type(w->Distance, QStringLiteral("2"));
        const auto marked = [this] { return w->DeadTime->styleSheet().contains("200, 0, 0"); };
        QVERIFY(marked());
        QVERIFY(w->CountRate->text().endsWith(QLatin1String(" /s")));
        const QString message = w->statusBar()->currentMessage();
        const QRegularExpressionMatch m =
            QRegularExpression("at a distance of ([0-9.]+) cm").match(message);
        QVERIFY2(m.hasMatch(), qPrintable(message));
        type(w->Distance, m.captured(1));
        const double dead = w->DeadTime->text().chopped(2).toDouble();
        QVERIFY2(std::abs(dead - 10) < 0.3, qPrintable(w->DeadTime->text()));
        QVERIFY(!marked());
        QCOMPARE(w->statusBar()->currentMessage(), QString());
        w->DetailedFluo->setChecked(false);
        QCOMPARE(w->CountRate->text(), QString());
        QCOMPARE(w->DeadTime->text(), QString());
    }

    // What the status bar explains: an excitation below every edge of the lines on show, a
    // calculation point off the edges, and why the d-mu t solver then does nothing.
    void statusExplains_data()
    {
        QTest::addColumn<QStringList>("edits"); // field=text, in order
        QTest::addColumn<QString>("start");     // of the status message
        QTest::newRow("PbO at LIII, 10 keV")
            << QStringList{"SetTgtCmp=PbO", "ExtEnergy=10"}
            << "No line of the target in the plotted range is excited: 10 keV lies below their "
               "edges (the lowest edge above it is Pb LIII at 13.0";
        QTest::newRow("2 eV below the Fe K edge")
            << QStringList{"SetTgtCmp=Fe2O3", "SetCalcPointE=7.11"}
            << "No absorption edge of Fe at 7.1100 keV (a jump shows only within 0.1 eV of an "
               "edge); the nearest is Fe K at 7.11";
        QTest::newRow("d-mu t solver off the edge")
            << QStringList{"SetTgtCmp=Fe2O3", "SetCalcPointE=7.11", "SetDMuT=2"}
            << "d-mu t cannot be set by the thickness: the pellet shows no edge jump at the "
               "calculation point. No absorption edge of Fe";
    }

    void statusExplains()
    {
        QFETCH(QStringList, edits);
        QFETCH(QString, start);
        const QString thickness = w->SetThick->text();
        for (const QString &e : edits)
            type(w->findChild<QLineEdit *>(e.section(QLatin1Char('='), 0, 0)),
                 e.section(QLatin1Char('='), 1));
        QVERIFY2(w->statusBar()->currentMessage().startsWith(start),
                 qPrintable(w->statusBar()->currentMessage()));
        // Off the edges there is no jump, so no verdict either.
        QCOMPARE(w->label_15->text().contains(QLatin1String("OK")),
                 !edits.contains(QStringLiteral("SetCalcPointE=7.11")));
        if (edits.last().startsWith(QLatin1String("SetDMuT")))
            QCOMPARE(w->SetThick->text(), thickness);
    }

    // A blank (target share or weight 0) is a finite binder-only pellet with no edge jump.
    void blankPellet_data()
    {
        QTest::addColumn<QString>("field");
        QTest::newRow("share 0") << "SetTgtBndMolR";
        QTest::newRow("target weight 0") << "SetTgtWeight";
    }

    void blankPellet()
    {
        QFETCH(QString, field);
        type(w->SetTgtCmp, QStringLiteral("Fe2O3"));
        type(w->SetTgtDens, QStringLiteral("5.24"));
        type(w->SetThick, QStringLiteral("1"));
        type(w->SetBndWeight, QStringLiteral("50"));
        type(w->findChild<QLineEdit *>(field), QStringLiteral("0"));
        for (QWidget *shown :
             {static_cast<QWidget *>(w->SetBndWeight), static_cast<QWidget *>(w->SetThick),
              static_cast<QWidget *>(w->MuPt), static_cast<QWidget *>(w->dMut)}) {
            const QString text = shown->property("text").toString();
            QVERIFY2(std::isfinite(text.toDouble()) && !text.contains(QLatin1String("nan")),
                     qPrintable(shown->objectName() + QLatin1Char('=') + text));
        }
        QVERIFY(number(w->MuPt) > 0);
        QCOMPARE(std::abs(number(w->dMut)), 0.0);
        QVERIFY(!w->label_15->text().contains(QLatin1String("OK")));
        QVERIFY(w->plan->flaggedFields().isEmpty());
    }

    void degenerateValuesRecover_data()
    {
        QTest::addColumn<QString>("field"); // object name
        QTest::addColumn<QString>("bad");
        QTest::addColumn<QString>("good");
        QTest::newRow("diameter") << "SetCylDiam"
                                  << "0"
                                  << "7";
        QTest::newRow("molar share") << "SetTgtBndMolR"
                                     << "0"
                                     << "20";
        QTest::newRow("target density") << "SetTgtDens"
                                        << "0"
                                        << "5.24";
        QTest::newRow("target weight") << "SetTgtWeight"
                                       << "0"
                                       << "10";
    }

    void degenerateValuesRecover()
    {
        QFETCH(QString, field);
        QFETCH(QString, bad);
        QFETCH(QString, good);
        QLineEdit *edit = w->findChild<QLineEdit *>(field);
        QVERIFY(edit);
        fe2o3InBn();
        type(w->SetTgtBndMolR, QStringLiteral("20"));
        type(edit, good);
        repaint();
        const QString saneThick = w->SetThick->text();
        const QString saneMuT = w->MuPt->text();

        type(edit, bad);
        repaint(); // must neither crash nor hang
        type(w->SetDMuT, QStringLiteral("1"));
        type(w->SetMuT, QStringLiteral("3"));
        repaint();
        QVERIFY(std::isfinite(w->plan->mutMin) && std::isfinite(w->plan->mutMax));
        // A flagged field or a blank pellet leaves no verdict to show.
        QVERIFY2(!w->label_15->text().contains(QLatin1String("OK")),
                 qPrintable(w->label_15->text()));

        // Back to the sane value, and sane results again.
        type(edit, good);
        type(w->SetTgtBndMolR, QStringLiteral("20"));
        type(w->SetThick, saneThick);
        repaint();
        QVERIFY2(std::isfinite(w->plan->curMuT) && std::isfinite(w->plan->curDMuT),
                 qPrintable(w->MuPt->text() + QLatin1Char(' ') + w->dMut->text()));
        QVERIFY(std::isfinite(number(w->SetTgtWeight)));
        QVERIFY(std::isfinite(number(w->SetBndWeight)));
        QVERIFY(std::isfinite(number(w->CylVol)));
        QVERIFY(w->plan->tgtWeight > 0 && std::isfinite(w->plan->tgtWeight));
        QVERIFY(!saneMuT.isEmpty());
    }
};

QTEST_MAIN(TestPelletForm)
#include "test_pellet_form.moc"
