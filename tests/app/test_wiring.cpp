#include "FormDriver.h"
#include "LastSession.h"
#include "MainWindow.h"
#include "MouseC.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/types.h>

namespace {

// Counts paint events reaching a widget.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    QRegion region;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint) {
            ++paints;
            region += static_cast<QPaintEvent *>(e)->region();
        }
        return false;
    }
};

// QObject::receivers is protected; reaching it through a derived class's using-declaration
// lets the test count the connections of a form widget's signal.
struct ReceiverCount : QObject
{
    using QObject::receivers;
};

int receiverCount(const QObject *o, const char *signal)
{
    return (o->*(&ReceiverCount::receivers))(signal);
}

} // namespace

// Every input of the form reaches the slot that handles it.
class TestWiring : public QObject
{
    Q_OBJECT

private:
    MainWindow *w = nullptr;
    PaintCounter plotPaints;
    PaintCounter windowPaints;

    void flushPaints()
    {
        QApplication::processEvents();
        QApplication::processEvents();
    }

private Q_SLOTS:
    void init();
    void cleanup();
    void eachFieldHasOneConnection_data();
    void eachFieldHasOneConnection();
    void displayOptionsRepaintAtOnce_data();
    void displayOptionsRepaintAtOnce();
    void compositionFieldsReachTheirSlots();
    void pelletFieldsReachTheirSlots_data();
    void pelletFieldsReachTheirSlots();
    void selectorsMoveTheCalculationPoint();
    void plotFieldsRepaintOnlyThePlot_data();
    void plotFieldsRepaintOnlyThePlot();
    void mouseSignalsReachTheMouseState();
    void boxesShowAndHide();
    void useChamberFluxButton();
    void classicModelShowsNormalAngles();
    void saveMenuShowsDialogAndFileArrives();
    void quitClosesTheWindow_data();
    void quitClosesTheWindow();
    void lastSessionFollowsEachChange_data();
    void lastSessionFollowsEachChange();
    void failedAutosaveToldOnce();
    void stopSignalWritesTheLastSession_data();
    void stopSignalWritesTheLastSession();
    void absorptionMenuSwitchesTheData();
    void damagedLastSessionGoesAside_data();
    void damagedLastSessionGoesAside();
};

void TestWiring::init()
{
    w = new MainWindow();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    w->GView1->installEventFilter(&plotPaints);
    w->installEventFilter(&windowPaints);
    flushPaints();
    plotPaints.paints = 0;
    plotPaints.region = QRegion();
    windowPaints.paints = 0;
    windowPaints.region = QRegion();
}

void TestWiring::cleanup()
{
    QFileDialog *dialog = w->saveDialog;
    delete w;
    delete dialog;
    w = nullptr;
}

void TestWiring::eachFieldHasOneConnection_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("signal");
    const QByteArray edited = SIGNAL(editingFinished());
    // Every input of the field table, the form's own and those the window makes from a row.
    for (int i = 0; i < PlanModel::InputCount; ++i) {
        const QString n = PlanModel::inputName(PlanModel::Input(i));
        QTest::newRow(qPrintable(n)) << n << edited;
    }
    QTest::newRow("SelectTE") << "SelectTE" << QByteArray(SIGNAL(currentIndexChanged(int)));
    QTest::newRow("SelectAE") << "SelectAE" << QByteArray(SIGNAL(currentIndexChanged(int)));
    QTest::newRow("MutBox") << "MutBox" << QByteArray(SIGNAL(toggled(bool)));
    QTest::newRow("FluoBox") << "FluoBox" << QByteArray(SIGNAL(toggled(bool)));
    QTest::newRow("MeasureBox") << "MeasureBox" << QByteArray(SIGNAL(toggled(bool)));
    QTest::newRow("UseChamberFlux") << "UseChamberFlux" << QByteArray(SIGNAL(clicked(bool)));
    QTest::newRow("LogIntensity") << "LogIntensity" << QByteArray(SIGNAL(toggled(bool)));
    QTest::newRow("LogMuT") << "LogMuT" << QByteArray(SIGNAL(toggled(bool)));
    QTest::newRow("GView1 draw") << "GView1" << QByteArray(SIGNAL(draw(QPainter *)));
    QTest::newRow("GView1 wheel") << "GView1" << QByteArray(SIGNAL(wheelMoved(QWheelEvent *)));
}

void TestWiring::eachFieldHasOneConnection()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, signal);
    QObject *o = w->findChild<QObject *>(name);
    QVERIFY(o);
    QCOMPARE(receiverCount(o, signal.constData()), 1);
}

// The display options change the spectrum's scale and the information text: the plot shows
// the change at once rather than at the next mouse move.
void TestWiring::displayOptionsRepaintAtOnce_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("changesInfo");
    QTest::newRow("Peak") << "IntensityPeak" << false;
    QTest::newRow("Ratio") << "AddInfoRatioF" << true;
    // The scales only redraw: the information text stays.
    QTest::newRow("Log intensity") << "LogIntensity" << false;
    QTest::newRow("Log mu t") << "LogMuT" << false;
}

void TestWiring::displayOptionsRepaintAtOnce()
{
    QFETCH(QString, name);
    QFETCH(bool, changesInfo);
    type(w->SetTgtCmp, QStringLiteral("Fe2O3"));
    flushPaints();
    const QString info = w->AddInfo->text();
    plotPaints.paints = 0;
    auto *button = w->findChild<QAbstractButton *>(name);
    QVERIFY(button);
    button->click();
    flushPaints();
    QVERIFY(plotPaints.paints > 0);
    QCOMPARE(w->AddInfo->text() != info, changesInfo);
    QCOMPARE(w->plan->option(PlanModel::IntensityInt), w->IntensityInt->isChecked());
    QCOMPARE(w->plan->option(PlanModel::AddInfoRatioF), w->AddInfoRatioF->isChecked());
    if (const int option = PlanModel::optionIndex(name); option >= 0)
        QCOMPARE(w->plan->option(PlanModel::Option(option)), button->isChecked());
    else // the check box and the plot's menu are one setting of the plan
        QVERIFY(button->isChecked() && w->plan->logScale() &&
                w->findChild<QAction *>(QStringLiteral("actionLogScale"))->isChecked());
    QCOMPARE(w->plotPaintInput().logIntensity, w->plan->option(PlanModel::LogIntensity));
    QCOMPARE(w->plotPaintInput().logMuT, w->plan->logScale());
}

void TestWiring::compositionFieldsReachTheirSlots()
{
    type(w->SetTgtCmp, QStringLiteral("Fe2O3"));
    QCOMPARE(w->ExtendedTgtMolecularForm->text(), QStringLiteral("Fe2 O3 "));
    type(w->SetBndCmp, QStringLiteral("C"));
    QCOMPARE(w->ExtendedBndMolecularForm->text(), QStringLiteral("C1 "));
    type(w->Filter1Composition, QStringLiteral("Cu"));
    QCOMPARE(w->plan->f1Comp.entries.size(), 1);
    QCOMPARE(w->plan->f1Comp.entries.at(0).symbol, QStringLiteral("Cu"));
    type(w->Filter2Composition, QStringLiteral("Be"));
    QVERIFY(w->plan->f2Comp.valid);
    QCOMPARE(w->plan->f2Comp.entries.at(0).symbol, QStringLiteral("Be"));
}

void TestWiring::pelletFieldsReachTheirSlots_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("changed"); // a field the slot rewrites
    QTest::newRow("target weight") << "SetTgtWeight"
                                   << "20"
                                   << "CylWeight";
    QTest::newRow("binder weight") << "SetBndWeight"
                                   << "50"
                                   << "CylWeight";
    QTest::newRow("diameter") << "SetCylDiam"
                              << "13"
                              << "SetThick";
    QTest::newRow("molar share") << "SetTgtBndMolR"
                                 << "20"
                                 << "SetTgtBndWtR";
    QTest::newRow("weight share") << "SetTgtBndWtR"
                                  << "20"
                                  << "SetTgtBndMolR";
    QTest::newRow("target density") << "SetTgtDens"
                                    << "5.24"
                                    << "SetTgtWeight";
    QTest::newRow("binder density") << "SetBndDens"
                                    << "1.5"
                                    << "SetBndWeight";
    QTest::newRow("thickness") << "SetThick"
                               << "2"
                               << "SetTgtWeight";
    QTest::newRow("wanted d-mu t") << "SetDMuT"
                                   << "0.5"
                                   << "SetThick";
    QTest::newRow("wanted mu t") << "SetMuT"
                                 << "60"
                                 << "SetBndWeight";
}

void TestWiring::pelletFieldsReachTheirSlots()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, changed);
    type(w->SetTgtCmp, QStringLiteral("Fe2O3"));
    type(w->SetTgtBndMolR, QStringLiteral("10"));
    (void)w->GView1->grab(); // the repaint computes the d-mu t the inverse solvers start from

    auto *edit = w->findChild<QLineEdit *>(field);
    QVERIFY(edit);
    QWidget *out = w->findChild<QWidget *>(changed);
    QVERIFY(out);
    const auto textOf = [](QWidget *x) {
        if (auto *le = qobject_cast<QLineEdit *>(x))
            return le->text();
        return qobject_cast<QLabel *>(x)->text();
    };
    const QString before = textOf(out);
    type(edit, text);
    QVERIFY2(textOf(out) != before, qPrintable(changed + QLatin1String(" stayed ") + before));
}

void TestWiring::selectorsMoveTheCalculationPoint()
{
    type(w->SetTgtCmp, QStringLiteral("Fe2O3"));
    const double feK = w->plan->tgtComp.entries.at(0).data->edge[EdgeK];
    QCOMPARE(w->plan->calcPointE, feK);
    w->SelectAE->setCurrentIndex(EdgeLI);
    QCOMPARE(w->plan->calcPointE, w->plan->tgtComp.entries.at(0).data->edge[EdgeLI]);
    w->SelectTE->setCurrentIndex(1);
    QCOMPARE(w->plan->calcPointE, w->plan->tgtComp.entries.at(1).data->edge[EdgeLI]);
    type(w->SetCalcPointE, QStringLiteral("7.5"));
    QCOMPARE(w->plan->calcPointE, 7.5);
}

void TestWiring::plotFieldsRepaintOnlyThePlot_data()
{
    QTest::addColumn<QString>("field");
    for (const char *n :
         {"StartE0", "EndE0", "I0Flux", "ExtEnergy", "Distance", "AirThickness", "DetRadius",
          "DetResolution", "MCAResolution", "Filter1Thickness", "Filter2Thickness",
          "Filter1Density", "Filter2Density", "Filter1Composition", "Filter2Composition"})
        QTest::newRow(n) << QString::fromLatin1(n);
}

void TestWiring::plotFieldsRepaintOnlyThePlot()
{
    QFETCH(QString, field);
    auto *edit = w->findChild<QLineEdit *>(field);
    QVERIFY(edit);
    edit->setModified(true); // typed by the user
    Q_EMIT edit->editingFinished();
    flushPaints();
    QVERIFY(plotPaints.paints > 0);
    // The window may paint the background behind the plot, but nothing outside it.
    const QRect plotArea(w->GView1->mapTo(w, QPoint(0, 0)), w->GView1->size());
    QVERIFY(QRegion(plotArea).contains(windowPaints.region.boundingRect()) ||
            windowPaints.region.isEmpty());
}

void TestWiring::mouseSignalsReachTheMouseState()
{
    QTest::mousePress(w->GView1, Qt::LeftButton, Qt::NoModifier, QPoint(200, 150));
    QVERIFY(plotMouse.pressed);
    QCOMPARE(plotMouse.pressX, 200);
    QTest::mouseRelease(w->GView1, Qt::LeftButton, Qt::NoModifier, QPoint(210, 150));
    QVERIFY(!plotMouse.pressed);
    QCOMPARE(plotMouse.releaseX, 210);
    QMouseEvent move(QEvent::MouseMove, QPointF(123, 45), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w->GView1, &move);
    QCOMPARE(plotMouse.curX, 123);
    QCOMPARE(plotMouse.curY, 45);
}

void TestWiring::boxesShowAndHide()
{
    w->FluoBox->setChecked(false);
    QVERIFY(w->FluoECBox->isHidden());
    QVERIFY(w->FluoEFBox->isHidden());
    QVERIFY(w->FluoNCBox->isHidden());
    QVERIFY(!w->AddInfoRatioF->isEnabled());
    QVERIFY(!w->AddInfo->isEnabled());
    QVERIFY(!w->AddInfoRatioF->isHidden());
    w->FluoBox->setChecked(true);
    QVERIFY(!w->FluoECBox->isHidden());
    QVERIFY(!w->FluoEFBox->isHidden());
    QVERIFY(!w->FluoNCBox->isHidden());

    w->MutBox->setChecked(false);
    QVERIFY(w->MutMutBox->isHidden());
    QVERIFY(w->MutCalcPBox->isHidden());
    w->MutBox->setChecked(true);
    QVERIFY(!w->MutMutBox->isHidden());
    QVERIFY(!w->MutCalcPBox->isHidden());

    // The measurement starts folded.
    QWidget *measure = w->findChild<QWidget *>(QStringLiteral("MeasureContents"));
    QVERIFY(measure && measure->isHidden());
    QVERIFY(!w->plan->option(PlanModel::MeasureBox));
    w->MeasureBox->setChecked(true);
    QVERIFY(!measure->isHidden());
    QVERIFY(w->plan->option(PlanModel::MeasureBox));
}

// The button puts the flux that passes the I0 chamber into I0, a current typed but not yet left
// included, and the form shows it.
void TestWiring::useChamberFluxButton()
{
    w->MeasureBox->setChecked(true);
    auto *current = w->findChild<QLineEdit *>(QStringLiteral("ChamberCurrent"));
    auto *button = w->findChild<QAbstractButton *>(QStringLiteral("UseChamberFlux"));
    QVERIFY(current && button);
    current->setFocus();
    current->setText(QStringLiteral("3e-9"));
    current->setModified(true);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(w->plan->input(PlanModel::ChamberCurrent), QStringLiteral("3e-9"));
    const double flux = w->plan->output(PlanModel::FluxFromCurrent).section(' ', 0, 0).toDouble();
    const double sample = w->I0Flux->text().toDouble();
    QCOMPARE(w->plan->input(PlanModel::I0Flux), w->I0Flux->text());
    // Below the flux entering the chamber by what the chamber takes, a few per cent of N2.
    QVERIFY2(sample < flux && sample > 0.9 * flux,
             qPrintable(QStringLiteral("%1 of %2").arg(sample).arg(flux)));
}

// The classic model computes at normal incidence and exit: its greyed angle fields say 90, while
// the typed angles stay in the plan and come back with the detailed model.
void TestWiring::classicModelShowsNormalAngles()
{
    auto *detailed = qobject_cast<QAbstractButton *>(w->optionWidget(PlanModel::DetailedFluo));
    QVERIFY(detailed);
    detailed->setChecked(true);
    type(w->inputEdit(PlanModel::IncidenceAngle), QStringLiteral("30"));
    type(w->inputEdit(PlanModel::ExitAngle), QStringLiteral("60"));
    detailed->setChecked(false);
    for (const auto field : {PlanModel::IncidenceAngle, PlanModel::ExitAngle}) {
        QCOMPARE(w->inputEdit(field)->text(), QStringLiteral("90"));
        QVERIFY(!w->inputEdit(field)->isEnabled());
    }
    QCOMPARE(w->plan->input(PlanModel::IncidenceAngle), QStringLiteral("30"));
    QCOMPARE(w->plan->input(PlanModel::ExitAngle), QStringLiteral("60"));
    // An edit elsewhere rewrites the form; the angles still show what the model uses.
    type(w->SetTgtCmp, QStringLiteral("Fe2O3"));
    QCOMPARE(w->inputEdit(PlanModel::IncidenceAngle)->text(), QStringLiteral("90"));
    detailed->setChecked(true);
    QCOMPARE(w->inputEdit(PlanModel::IncidenceAngle)->text(), QStringLiteral("30"));
    QCOMPARE(w->inputEdit(PlanModel::ExitAngle)->text(), QStringLiteral("60"));
}

void TestWiring::saveMenuShowsDialogAndFileArrives()
{
    QVERIFY(!w->saveDialog->isVisible());
    QCOMPARE(w->saveDialog->acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(w->saveDialog->nameFilters(),
             (QStringList{"Data files (*.dat)", "CSV files (*.csv)", "Any files (*)"}));
    QVERIFY(!w->saveDialog->isModal());
    w->actionSave_Spectrum->trigger();
    QVERIFY(w->saveDialog->isVisible());
    w->saveDialog->hide();

    type(w->SetTgtCmp, QStringLiteral("Fe2O3"));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("picked.dat"));
    Q_EMIT w->saveDialog->fileSelected(file);
    QVERIFY(QFile::exists(file));
}

void TestWiring::quitClosesTheWindow_data()
{
    QTest::addColumn<bool>("byKey");
    QTest::newRow("File menu") << false;
    QTest::newRow("Ctrl+Q") << true;
}

// Quitting goes the way of closing the window, which writes the last session at once, an edit
// of a moment ago included.
void TestWiring::quitClosesTheWindow()
{
    QFETCH(bool, byKey);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("last-session.json"));
    auto *keeper = new LastSessionKeeper(*w, path);
    QApplication::setActiveWindow(w);
    QVERIFY(QTest::qWaitForWindowActive(w));
    type(w->SetTgtCmp, QStringLiteral("CuO"));
    QVERIFY(keeper->savePending());
    // Typed but not finished: the field still has focus.
    w->SetBndCmp->setFocus();
    QTest::keyClicks(w->SetBndCmp, QStringLiteral("4C"));
    QCOMPARE(w->plan->input(PlanModel::SetBndCmp), QStringLiteral("BN"));
    QVERIFY(w->isVisible());
    if (byKey)
        QTest::keyClick(w, Qt::Key_Q, Qt::ControlModifier);
    else
        w->action_Quit->trigger();
    QVERIFY(!w->isVisible());
    QVERIFY(!keeper->savePending());
    PlanModel kept;
    QVERIFY(kept.loadSession(path).ok);
    QCOMPARE(kept.input(PlanModel::SetTgtCmp), QStringLiteral("CuO"));
    QCOMPARE(kept.input(PlanModel::SetBndCmp), QStringLiteral("BN4C"));
}

// The last session follows the plan a moment after each change, whatever the change: nothing is
// written while the user is still at it, then the file is the plan's session, whole.
void TestWiring::lastSessionFollowsEachChange_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("typed target") << "target";
    QTest::newRow("typed range end") << "range";
    QTest::newRow("check box") << "option";
    QTest::newRow("log intensity") << "logIntensity";
    QTest::newRow("log mu t from the menu") << "logMuT";
    QTest::newRow("edge chosen") << "edge";
    QTest::newRow("absorption menu") << "absorption";
    QTest::newRow("session opened") << "session";
}

void TestWiring::lastSessionFollowsEachChange()
{
    QFETCH(QString, change);
    QTemporaryDir dir;
    // The folder is made on the first write, as it is on a first start.
    const QString path = dir.filePath(QStringLiteral("config/Tirn/last-session.json"));
    type(w->SetTgtCmp, QStringLiteral("Fe2O3"));
    LastSessionKeeper keeper(*w, path);
    QVERIFY(keeper.saveNow());
    const QByteArray before = fileBytes(path);
    QCOMPARE(before, w->plan->sessionJson());

    if (change == QLatin1String("target")) {
        type(w->SetTgtCmp, QStringLiteral("CuO"));
    } else if (change == QLatin1String("range")) {
        type(w->EndE0, QStringLiteral("12"));
    } else if (change == QLatin1String("option")) {
        qobject_cast<QAbstractButton *>(w->optionWidget(PlanModel::DetailedFluo))->click();
    } else if (change == QLatin1String("logIntensity")) {
        qobject_cast<QAbstractButton *>(w->optionWidget(PlanModel::LogIntensity))->click();
    } else if (change == QLatin1String("logMuT")) {
        w->findChild<QAction *>(QStringLiteral("actionLogScale"))->trigger();
    } else if (change == QLatin1String("edge")) {
        QCOMPARE(w->SelectTE->currentText(), QStringLiteral("Fe"));
        w->SelectTE->setCurrentIndex(w->SelectTE->findText(QStringLiteral("O")));
    } else if (change == QLatin1String("absorption")) {
        for (QAction *a : w->findChildren<QAction *>()) {
            if (a->text() == QLatin1String("Two-term table")) // away from the default
                a->trigger();
        }
    } else {
        PlanModel other;
        other.setInput(PlanModel::SetTgtCmp, QStringLiteral("NiO"));
        const QString file = dir.filePath(QStringLiteral("other.tirn"));
        QVERIFY(other.saveSession(file));
        QVERIFY(w->openSession(file));
    }
    QVERIFY(w->plan->sessionJson() != before);
    QVERIFY(keeper.savePending());
    QCOMPARE(fileBytes(path), before);
    QTRY_COMPARE_WITH_TIMEOUT(fileBytes(path), w->plan->sessionJson(),
                              5 * LastSessionKeeper::DefaultDelay);
    QCOMPARE(QFileInfo(path).dir().entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("last-session.json")});
    PlanModel kept;
    QVERIFY(kept.loadSession(path).ok);
    QCOMPARE(kept.sessionJson(), w->plan->sessionJson());
}

// An autosave that fails says so once, in the status bar and a box; failing again the same way
// stays quiet, a write that succeeds ends the failure, and the next failure is told again.
void TestWiring::failedAutosaveToldOnce()
{
    QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    const QString path = blocker + QStringLiteral("/last-session.json");
    QVERIFY(writeFile(blocker, "a file where the folder should be"));
    LastSessionKeeper keeper(*w, path);
    const auto boxes = [this] {
        QList<QMessageBox *> shown;
        for (QMessageBox *box : w->findChildren<QMessageBox *>()) {
            if (box->isVisible())
                shown << box;
        }
        return shown;
    };

    type(w->SetTgtCmp, QStringLiteral("CuO"));
    QVERIFY(!keeper.saveNow());
    QString why;
    QVERIFY(!w->plan->saveSession(path, &why));
    QVERIFY(!why.isEmpty());
    const QString told =
        QStringLiteral("Session not saved to %1: %2").arg(QDir::toNativeSeparators(path), why);
    QCOMPARE(w->statusBar()->currentMessage(), told);
    QCOMPARE(boxes().size(), 1);
    QCOMPARE(boxes().first()->text(), told);
    boxes().first()->accept();
    QTRY_COMPARE(boxes().size(), 0);

    w->statusBar()->showMessage(QStringLiteral("a field warning"));
    type(w->SetTgtCmp, QStringLiteral("NiO"));
    QVERIFY(!keeper.saveNow());
    QCOMPARE(boxes().size(), 0);
    QCOMPARE(w->statusBar()->currentMessage(), QStringLiteral("a field warning"));

    QVERIFY(QFile::remove(blocker));
    type(w->SetTgtCmp, QStringLiteral("ZnO"));
    QVERIFY(keeper.saveNow());
    QCOMPARE(fileBytes(path), w->plan->sessionJson());

    QVERIFY(QDir(blocker).removeRecursively());
    QVERIFY(writeFile(blocker, "in the way again"));
    type(w->SetTgtCmp, QStringLiteral("MnO"));
    QVERIFY(!keeper.saveNow());
    QCOMPARE(boxes().size(), 1);
    boxes().first()->accept();
}

void TestWiring::stopSignalWritesTheLastSession_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

// Told to stop, the program closes its window as Quit does: the last session it restored comes
// back whole (every section, not just what the file held) and opens again.
void TestWiring::stopSignalWritesTheLastSession()
{
    QFETCH(int, signal);
    QTemporaryDir config;
    const QString path = config.filePath(QStringLiteral("Tirn/last-session.json"));
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    PlanModel plan;
    plan.setInput(PlanModel::SetTgtCmp, QStringLiteral("Fe2O3"));
    QJsonObject full = QJsonDocument::fromJson(plan.sessionJson()).object();
    QJsonObject part;
    for (const char *key : {"format", "version"})
        part.insert(QLatin1String(key), full.value(QLatin1String(key)));
    part.insert(QStringLiteral("fields"),
                QJsonObject{{QStringLiteral("SetTgtCmp"), QStringLiteral("Fe2O3")}});
    const QByteArray partial = QJsonDocument(part).toJson(QJsonDocument::Compact);
    QVERIFY(writeFile(path, partial));
    PlanModel expected;
    QVERIFY(expected.loadSessionJson(partial).ok);
    QVERIFY(expected.sessionJson() != partial);

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(TIRN_EXECUTABLE), {QStringLiteral("-e")});
    QVERIFY(program.waitForStarted());
    // Running once it catches the signal: the handler is set just before the event loop starts.
    const auto catches = [&program, signal] {
        QFile status(QStringLiteral("/proc/%1/status").arg(program.processId()));
        if (!status.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("SigCgt:"))
                return ((line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1) != 0;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(catches(), 30000);
    QCOMPARE(fileBytes(path), partial);
    QVERIFY(::kill(pid_t(program.processId()), signal) == 0);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);

    QCOMPARE(fileBytes(path), expected.sessionJson());
    PlanModel reopened;
    const PlanModel::SessionLoad load = reopened.loadSession(path);
    QVERIFY2(load.ok, qPrintable(load.error));
    QVERIFY(load.missing.isEmpty());
    QCOMPARE(reopened.input(PlanModel::SetTgtCmp), QStringLiteral("Fe2O3"));
}

// Settings > Absorption data switches every mu of the plan, from the tabulated default to the
// two-term table and back; the status bar says which data and which model are used.
void TestWiring::absorptionMenuSwitchesTheData()
{
    type(w->SetTgtCmp, QStringLiteral("Fe2O3"));
    QCOMPARE(w->plan->absorption(), PlanModel::TabulatedCrossSections);
    QVERIFY(w->plan->option(PlanModel::DetailedFluo));
    const QString tabulatedMuT = w->MuPt->text();
    auto *label = w->findChild<QLabel *>(QStringLiteral("AbsorptionData"));
    auto *model = w->findChild<QLabel *>(QStringLiteral("SpectrumModel"));
    QVERIFY(label && model);
    const QString tabulatedLabel = label->text();
    const QString detailedModel = model->text();
    QAction *classic = nullptr;
    for (QAction *a : w->findChildren<QAction *>()) {
        if (a->text() == QLatin1String("Two-term table"))
            classic = a;
    }
    QVERIFY(classic);
    classic->trigger();
    QCOMPARE(w->plan->absorption(), PlanModel::TwoTermTable);
    QVERIFY(!w->plan->tgtComp.tabulated && !w->plan->airComp.tabulated);
    QVERIFY(w->MuPt->text() != tabulatedMuT);
    QVERIFY(label->text() != tabulatedLabel);
    QCOMPARE(model->text(), detailedModel);
    // The detailed box changes what the bar says of the spectrum, and nothing of the data.
    const QString classicTable = label->text();
    w->plan->setOption(PlanModel::DetailedFluo, false);
    QVERIFY(model->text() != detailedModel);
    QCOMPARE(label->text(), classicTable);
    w->plan->setAbsorption(PlanModel::TabulatedCrossSections);
    QCOMPARE(w->MuPt->text(), tabulatedMuT);
    QVERIFY(!classic->isChecked());
}

// A last session the program cannot open never stops it and is never lost: it goes aside to
// ".bad" (the newest kept), the window shows the defaults and says so where it stays in view,
// and the session is written at quit only when the damaged file is safe.
void TestWiring::damagedLastSessionGoesAside_data()
{
    QTest::addColumn<QByteArray>("content"); // <folder>: a folder of that name
    QTest::addColumn<QByteArray>("older");   // a .bad already there; <folder>: a full folder
    QTest::addColumn<QString>("says");       // empty: the session opens
    QTest::addColumn<bool>("movedAside");

    PlanModel plan;
    plan.setInput(PlanModel::SetTgtCmp, QStringLiteral("Fe2O3"));
    const QByteArray session = plan.sessionJson();
    const auto with = [&session](const char *section, const char *key, const QJsonValue &value) {
        QJsonObject root = QJsonDocument::fromJson(session).object();
        QJsonObject part = root.value(QLatin1String(section)).toObject();
        part.insert(QLatin1String(key), value);
        root.insert(QLatin1String(section), part);
        return QJsonDocument(root).toJson();
    };
    QTest::newRow("sound") << session << QByteArray() << QString() << false;
    QTest::newRow("field style 999") << with("fieldStyles", "SetThick", 999) << QByteArray()
                                     << "fieldStyles.SetThick: 999 is not a style" << true;
    QTest::newRow("read-out style -1") << with("readoutStyles", "DeadTime", -1) << QByteArray()
                                       << "readoutStyles.DeadTime: -1 is not a style" << true;
    QTest::newRow("truncated, an older .bad there")
        << session.left(200) << QByteArray("older") << "not a session file (line " << true;
    QTest::newRow("a folder") << QByteArray("<folder>") << QByteArray() << "a folder, not a file"
                              << true;
    QTest::newRow("a full folder in the way")
        << session.left(200) << QByteArray("<folder>") << "nor moved aside" << false;
}

void TestWiring::damagedLastSessionGoesAside()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, older);
    QFETCH(QString, says);
    QFETCH(bool, movedAside);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("last-session.json"));
    const QString aside = path + QStringLiteral(".bad");
    const auto write = [](const QString &file, const QByteArray &bytes) {
        if (bytes == "<folder>")
            return QDir().mkpath(file + QStringLiteral("/inside"));
        QFile f(file);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    };
    QVERIFY(write(path, content));
    if (!older.isEmpty())
        QVERIFY(write(aside, older));
    const QByteArray defaults = w->plan->sessionJson();

    const LastSessionStart start = restoreLastSession(*w, path);
    QVERIFY2(start.problem.contains(says), qPrintable(start.problem));
    if (says.isEmpty()) {
        QVERIFY(start.problem.isEmpty());
        QVERIFY(start.saveAtQuit);
        QCOMPARE(w->plan->input(PlanModel::SetTgtCmp), QStringLiteral("Fe2O3"));
        QVERIFY(QFileInfo(path).isFile());
        return;
    }
    QCOMPARE(w->plan->sessionJson(), defaults);
    QCOMPARE(w->statusBar()->currentMessage(), start.problem);
    QCOMPARE(start.saveAtQuit, movedAside);
    if (movedAside) {
        QVERIFY(start.problem.contains(QDir::toNativeSeparators(aside)));
        QVERIFY(!QFileInfo::exists(path));
        if (content == "<folder>") {
            QVERIFY(QFileInfo(aside + QStringLiteral("/inside")).isDir());
        } else {
            QFile moved(aside);
            QVERIFY(moved.open(QIODevice::ReadOnly));
            QCOMPARE(moved.readAll(), content);
        }
    } else {
        QFile kept(path);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), content);
    }

    // The user is told in a box that does not hold up the start.
    showStartProblem(w, start.problem);
    auto *box = w->findChild<QMessageBox *>(QStringLiteral("startProblem"));
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QCOMPARE(box->text(), start.problem);
    box->close();
}

QTEST_MAIN(TestWiring)
#include "test_wiring.moc"
