// The plot as the user drives it: dragging, the wheel and Shift + move over the real widget, and
// "Save Spectrum" with the name from its dialog and the status bar, and the box of a failed save.
// The simulation and the export table themselves are the plan's, tested without a window in
// tests/model.
#include "ChCoord.h"
#include "FormDriver.h"
#include "MainWindow.h"
#include "MouseC.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QListView>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>

#include <cmath>
#include <csignal>
#include <memory>
#include <sys/resource.h>

class TestPlotForm : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> w;
    std::unique_ptr<QTemporaryDir> tmp; // a fresh directory for every test function and row

    // What choosing a file in the "Save Spectrum" dialog does.
    void save(const QString &file) { Q_EMIT w->saveDialog->fileSelected(file); }

    QString path(const char *name) const { return tmp->filePath(QLatin1String(name)); }
    QStringList files() const { return QDir(tmp->path()).entryList(QDir::Files); }

    // The message boxes on screen: a failed save's.
    static QList<QMessageBox *> failureBoxes()
    {
        QList<QMessageBox *> boxes;
        const QList<QWidget *> windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows) {
            if (auto *box = qobject_cast<QMessageBox *>(window); box && box->isVisible())
                boxes << box;
        }
        return boxes;
    }

    // A plot area of 640 px, 0.03125 keV per pixel over 0 to 20 keV: the plot is widened by
    // whatever its axes' numbers take beyond 160 px. Pixels below are given as if the area ran
    // from x = 120 to 760 (its middle, x = 440, a whole pixel); at() moves them onto it.
    void showFe2o3(const QString &start = QStringLiteral("0"),
                   const QString &end = QStringLiteral("20"))
    {
        type(w->SetTgtCmp, QStringLiteral("Fe2O3"));
        type(w->StartE0, start);
        type(w->EndE0, end);
        w->GView1->repaint();
        const int extra = 640 - int(plotCoord.screenX1 - plotCoord.screenX0);
        if (extra != 0) {
            w->GView1->setFixedSize(800 + extra, 500);
            w->GView1->repaint();
        }
    }
    static int at(int x) { return x - 120 + int(plotCoord.screenX0); }

private Q_SLOTS:
    void init()
    {
        tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(tmp->isValid());
        w = std::make_unique<MainWindow>();
        w->GView1->setFixedSize(800, 500);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QCOMPARE(w->GView1->width(), 800);
        // The mouse record is shared by the whole program: start every test from no press.
        plotMouse.pressed = false;
        plotMouse.curX = plotMouse.pressX = plotMouse.releaseX = 0;
    }
    void cleanup()
    {
        // Closed while whole: closing moves the focus out of the form, and a line edit that
        // loses it reports editingFinished to the window's slots.
        w->close();
        w.reset();
        tmp.reset();
    }

    void repaintSetsMapping();
    void drag_data();
    void drag();
    void wheel_data();
    void wheel();
    void manySmallDragEvents();
    void zoomOutStopsAtTheLimits();
    void shiftMove_data();
    void shiftMove();
    void doubleClickChangesNothing();
    void emptyPlotHasNothingToPointAt_data();
    void emptyPlotHasNothingToPointAt();
    void saveDialog_data();
    void saveDialog();
    void failedSaveShowsOneBox_data();
    void failedSaveShowsOneBox();
    void measuredFromFileMenu_data();
    void measuredFromFileMenu();
};

void TestPlotForm::repaintSetsMapping()
{
    showFe2o3();
    QCOMPARE(plotCoord.screenX1 - plotCoord.screenX0, 640.0);
    QCOMPARE(plotCoord.screenX0, std::trunc(plotCoord.screenX0));
    QCOMPARE(plotCoord.realX0, 0.0);
    QVERIFY(std::abs(plotCoord.realX1 - 20.0) < 1e-12);
    QVERIFY(!w->AddInfo->text().isEmpty());
    QVERIFY(w->AddInfo->text().contains(QLatin1String("Fe Ka1: ")));
}

// Pixel positions of a drag: press at the first, move through the rest with the button held.
void TestPlotForm::drag_data()
{
    QTest::addColumn<QVector<int>>("xs");
    QTest::addColumn<Qt::KeyboardModifiers>("mods");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");

    // From 0-20 keV at 0.03125 keV per pixel: a drag to the right would pass 0 keV and stops
    // there; every total movement counts, however it is split into events.
    QTest::newRow("32 px left") << QVector<int>{472, 440} << Qt::KeyboardModifiers() << "1.0000"
                                << "21.0000";
    QTest::newRow("32 px left in four moves")
        << QVector<int>{472, 464, 456, 448, 440} << Qt::KeyboardModifiers() << "1.0000"
        << "21.0000";
    QTest::newRow("32 px right: kept above 0 keV")
        << QVector<int>{440, 472} << Qt::KeyboardModifiers() << "0.0000"
        << "20.0000";
    QTest::newRow("there and back")
        << QVector<int>{440, 280, 600, 440} << Qt::KeyboardModifiers() << "0.0000"
        << "20.0000";
    QTest::newRow("16 px left") << QVector<int>{300, 284} << Qt::KeyboardModifiers() << "0.5000"
                                << "20.5000";
    // Shift while a button is held pans like a plain drag and leaves ExtEnergy alone.
    QTest::newRow("with Shift held")
        << QVector<int>{472, 440} << Qt::KeyboardModifiers(Qt::ShiftModifier) << "1.0000"
        << "21.0000";
}

void TestPlotForm::drag()
{
    QFETCH(QVector<int>, xs);
    QFETCH(Qt::KeyboardModifiers, mods);
    QFETCH(QString, start);
    QFETCH(QString, end);

    showFe2o3();
    const QString e0 = w->ExtEnergy->text();
    GView *v = w->GView1;
    sendMouse(v, QEvent::MouseButtonPress, QPoint(at(xs[0]), 250), Qt::LeftButton, Qt::LeftButton,
              mods);
    for (int i = 1; i < xs.size(); ++i)
        sendMouse(v, QEvent::MouseMove, QPoint(at(xs[i]), 250), Qt::NoButton, Qt::LeftButton, mods);
    sendMouse(v, QEvent::MouseButtonRelease, QPoint(at(xs.last()), 250), Qt::LeftButton,
              Qt::NoButton, mods);
    QCOMPARE(w->StartE0->text(), start);
    QCOMPARE(w->EndE0->text(), end);
    QCOMPARE(w->ExtEnergy->text(), e0);

    // After the release, moving no longer pans.
    sendMouse(v, QEvent::MouseMove, QPoint(700, 250), Qt::NoButton, Qt::NoButton);
    QCOMPARE(w->StartE0->text(), start);
}

void TestPlotForm::wheel_data()
{
    QTest::addColumn<QPointF>("pos");
    QTest::addColumn<int>("angle");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");

    // Zooming keeps the energy under the pointer in place and the range inside 0-200 keV.
    QTest::newRow("forward over the middle") << QPointF(440, 250) << 120 << "1.0000"
                                             << "19.0000";
    QTest::newRow("backward over the middle: slid back above 0 keV")
        << QPointF(440, 250) << -120 << "0.0000"
        << "22.2222";
    QTest::newRow("one big step is one zoom") << QPointF(440, 250) << 960 << "1.0000"
                                              << "19.0000";
    QTest::newRow("forward at the left edge") << QPointF(120, 250) << 120 << "0.0000"
                                              << "18.0000";
    QTest::newRow("zero delta zooms out") << QPointF(760, 250) << 0 << "0.0000"
                                          << "22.2222";
}

void TestPlotForm::wheel()
{
    QFETCH(QPointF, pos);
    QFETCH(int, angle);
    QFETCH(QString, start);
    QFETCH(QString, end);

    showFe2o3();
    sendWheel(w->GView1, QPointF(at(int(pos.x())), pos.y()), angle);
    QCOMPARE(w->StartE0->text(), start);
    QCOMPARE(w->EndE0->text(), end);
}

// A 0.2 keV window dragged by 100 one-pixel events moves by exactly 100 pixels' worth: the
// range is computed from the press, not from the rounded text of the last event.
void TestPlotForm::manySmallDragEvents()
{
    showFe2o3(QStringLiteral("7.0"), QStringLiteral("7.2"));
    const double keVPerPixel = 0.2 / (plotCoord.screenX1 - plotCoord.screenX0);
    GView *v = w->GView1;
    sendMouse(v, QEvent::MouseButtonPress, QPoint(600, 250), Qt::LeftButton, Qt::LeftButton);
    for (int x = 599; x >= 500; --x)
        sendMouse(v, QEvent::MouseMove, QPoint(x, 250), Qt::NoButton, Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, QPoint(500, 250), Qt::LeftButton, Qt::NoButton);
    const double moved = w->StartE0->text().toDouble() - 7.0;
    QVERIFY2(std::abs(moved - 100 * keVPerPixel) <= 0.00005,
             qPrintable(w->StartE0->text() + QLatin1Char(' ') + w->EndE0->text()));
    QCOMPARE(w->EndE0->text().toDouble() - w->StartE0->text().toDouble(), 0.2);
}

// Zooming out again and again, and dragging far, never leaves 0-200 keV; Home (or the plot's
// context menu) brings back the range last typed.
void TestPlotForm::zoomOutStopsAtTheLimits()
{
    showFe2o3(QStringLiteral("5"), QStringLiteral("20"));
    for (int i = 0; i < 60; ++i) {
        sendWheel(w->GView1, QPointF(600, 250), -120);
        w->GView1->repaint();
    }
    QCOMPARE(w->StartE0->text(), QStringLiteral("0.0000"));
    QCOMPARE(w->EndE0->text(), QStringLiteral("200.0000"));
    w->GView1->setFocus();
    QTest::keyClick(w->GView1, Qt::Key_Home);
    QCOMPARE(w->StartE0->text(), QStringLiteral("5"));
    QCOMPARE(w->EndE0->text(), QStringLiteral("20"));
}

void TestPlotForm::shiftMove_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<QString>("energy");

    QTest::newRow("middle") << 440 << "10";
    QTest::newRow("six significant digits") << 443 << "10.0938";
    QTest::newRow("left edge") << 120 << "0";
    QTest::newRow("left of the plot area") << 100 << "-0.625";
}

void TestPlotForm::shiftMove()
{
    QFETCH(int, x);
    QFETCH(QString, energy);

    showFe2o3();
    sendMouse(w->GView1, QEvent::MouseMove, QPoint(at(x), 250), Qt::NoButton, Qt::NoButton,
              Qt::ShiftModifier);
    QCOMPARE(w->ExtEnergy->text(), energy);
    QCOMPARE(w->StartE0->text(), QStringLiteral("0"));
    // The user sees what happened: the whole value in the field, the status bar, the marker.
    QVERIFY(w->ExtEnergy->fontMetrics().horizontalAdvance(energy) <
            w->ExtEnergy->contentsRect().width());
    QVERIFY2(w->statusBar()->currentMessage().contains(energy + QStringLiteral(" keV")),
             qPrintable(w->statusBar()->currentMessage()));
    const auto markerPixels = [this](int column) {
        const QImage image = w->GView1->grab().toImage();
        int count = 0;
        for (int row = 0; row < image.height(); ++row)
            count += image.pixelColor(column, row) == QColor(0, 130, 130);
        return count;
    };
    if (x >= 120)
        QVERIFY(markerPixels(at(x)) > 50);

    // Without Shift the pointer only moves the read-out, and the marker goes.
    sendMouse(w->GView1, QEvent::MouseMove, QPoint(600, 250), Qt::NoButton, Qt::NoButton);
    QCOMPARE(w->ExtEnergy->text(), energy);
    QCOMPARE(plotMouse.curX, 600);
    if (x >= 120)
        QCOMPARE(markerPixels(at(x)), 0);
}

void TestPlotForm::doubleClickChangesNothing()
{
    showFe2o3();
    GView *v = w->GView1;
    const QPoint p(440, 250);
    sendMouse(v, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
    sendMouse(v, QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(!plotMouse.pressed); // the double click is no press: moving now does not pan
    sendMouse(v, QEvent::MouseMove, QPoint(600, 250), Qt::NoButton, Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, QPoint(600, 250), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(plotMouse.releaseX, 600);
    QCOMPARE(w->StartE0->text(), QStringLiteral("0"));
    QCOMPARE(w->EndE0->text(), QStringLiteral("20"));
    QCOMPARE(w->ExtEnergy->text(), QStringLiteral("10"));
}

// Before any plot, or once the target is gone, the plot has no energy scale: Shift, a drag and
// the wheel leave every field as it was (they used to write "nan" or a stale energy).
void TestPlotForm::emptyPlotHasNothingToPointAt_data()
{
    QTest::addColumn<bool>("plottedBefore");
    QTest::newRow("never plotted") << false;
    QTest::newRow("target cleared") << true;
}

void TestPlotForm::emptyPlotHasNothingToPointAt()
{
    QFETCH(bool, plottedBefore);
    if (plottedBefore) {
        showFe2o3();
        type(w->SetTgtCmp, QString());
        w->GView1->repaint();
    }
    QVERIFY(!w->plan->plotShown());
    const QString start = w->StartE0->text();
    const QString end = w->EndE0->text();
    GView *v = w->GView1;
    sendMouse(v, QEvent::MouseMove, QPoint(300, 250), Qt::NoButton, Qt::NoButton,
              Qt::ShiftModifier);
    sendMouse(v, QEvent::MouseButtonPress, QPoint(300, 250), Qt::LeftButton, Qt::LeftButton);
    sendMouse(v, QEvent::MouseMove, QPoint(500, 250), Qt::NoButton, Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, QPoint(500, 250), Qt::LeftButton, Qt::NoButton);
    sendWheel(v, QPointF(400, 250), 120);
    QCOMPARE(w->ExtEnergy->text(), QStringLiteral("10"));
    QCOMPARE(w->StartE0->text(), start);
    QCOMPARE(w->EndE0->text(), end);
}

// The name picked in the dialog reaches the plan's export: without a suffix it gets ".dat", a
// folder stays a folder (and fails). The status bar says where the table went, or the plan's
// reason why it did not.
void TestPlotForm::saveDialog_data()
{
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written"); // empty: nothing is written
    QTest::newRow("no suffix") << "20"
                               << "spectrum"
                               << "spectrum.dat";
    QTest::newRow("suffix kept") << "20"
                                 << "spectrum.csv"
                                 << "spectrum.csv";
    QTest::newRow("empty range") << "0"
                                 << "spectrum.dat"
                                 << "";
    QTest::newRow("a folder") << "20"
                              << "folder"
                              << "";
}

void TestPlotForm::saveDialog()
{
    QFETCH(QString, end);
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    showFe2o3(QStringLiteral("0"), end);
    const QString target = path(chosen.toLatin1().constData());
    if (chosen == QLatin1String("folder"))
        QVERIFY(QDir(tmp->path()).mkdir(chosen));
    save(target);
    const QString message = w->statusBar()->currentMessage();
    if (!written.isEmpty()) {
        const QString file = path(written.toLatin1().constData());
        QCOMPARE(message, QStringLiteral("Saved spectrum to ") + QDir::toNativeSeparators(file));
        QCOMPARE(files(), QStringList{written});
        const int header = written.endsWith(QLatin1String(".csv")) ? 1 : 0;
        QCOMPARE(fileBytes(file).count('\n'), MUT_POINTS + header);
        QCOMPARE(failureBoxes().size(), 0);
    } else {
        QString error;
        QVERIFY(!w->plan->saveSpectrum(target, &error));
        QCOMPARE(message, QStringLiteral("Spectrum not saved to %1: %2")
                              .arg(QDir::toNativeSeparators(target), error));
        QCOMPARE(files(), QStringList());
        // The same words in a box, which the user cannot miss.
        const QList<QMessageBox *> boxes = failureBoxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first()->text(), message);
    }
}

void TestPlotForm::failedSaveShowsOneBox_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("file");
    QTest::newRow("session") << "session"
                             << "old.tirn";
    QTest::newRow("spectrum") << "spectrum"
                              << "old.dat";
    QTest::newRow("plot image") << "plot image"
                                << "old.png";
    QTest::newRow("plot drawing") << "plot image"
                                  << "old.svg";
}

// A save that the file system cuts short (here a file size limit of 1 KiB, SIGXFSZ ignored)
// shows one box with the status bar's words and leaves the file that was there; once the file
// can be written, it is, without a box.
void TestPlotForm::failedSaveShowsOneBox()
{
    QFETCH(QString, what);
    QFETCH(QString, file);
    showFe2o3();
    const QString target = tmp->filePath(file);
    const QByteArray old("OLD\n");
    QVERIFY(writeFile(target, old));

    // The File menu's way, its dialogs answered as a user would.
    const auto saveOnce = [&] {
        if (what == QLatin1String("session")) {
            w->saveSession(target);
        } else if (what == QLatin1String("spectrum")) {
            save(target);
        } else {
            QTimer user;
            connect(&user, &QTimer::timeout, this, [&] {
                QWidget *modal = QApplication::activeModalWidget();
                if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
                    // Typed into the name field, which wins over anything selected in the list.
                    auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                    if (auto *list = dialog->findChild<QListView *>(QStringLiteral("listView")))
                        list->clearSelection();
                    dialog->setOption(QFileDialog::DontConfirmOverwrite);
                    if (!name) {
                        static_cast<QDialog *>(dialog)->reject(); // no box then: the test fails
                        return;
                    }
                    name->setText(target);
                    static_cast<QDialog *>(dialog)->accept();
                } else if (auto *size = qobject_cast<QInputDialog *>(modal)) {
                    size->setTextValue(QStringLiteral("300x200"));
                    size->accept();
                }
            });
            user.start(10);
            w->findChild<QAction *>(QStringLiteral("actionSave_Plot_Image"))->trigger();
        }
    };

    void (*previousHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previousLimit{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &previousLimit) == 0);
    const auto unlimit = [&] {
        ::setrlimit(RLIMIT_FSIZE, &previousLimit);
        std::signal(SIGXFSZ, previousHandler);
    };
    auto restore = qScopeGuard(unlimit);
    rlimit small = previousLimit;
    small.rlim_cur = 1024;
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);

    saveOnce();
    QList<QMessageBox *> boxes = failureBoxes();
    QCOMPARE(boxes.size(), 1);
    const QString message = w->statusBar()->currentMessage();
    QCOMPARE(boxes.first()->text(), message);
    QVERIFY2(message.contains(QDir::toNativeSeparators(target)), qPrintable(message));
    QVERIFY2(message.endsWith(QLatin1String(": File too large")), qPrintable(message));
    QCOMPARE(fileBytes(target), old);
    QCOMPARE(files(), QStringList{file});

    // Failing again while the box is open (the spectrum's dialog is not blocked by it, nor is the
    // last session) changes its text at most; a failure after it was closed gets a new one.
    if (what != QLatin1String("plot image")) {
        saveOnce();
        QCOMPARE(failureBoxes(), boxes);
    }
    boxes.first()->accept();
    saveOnce();
    boxes = failureBoxes();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(fileBytes(target), old);

    unlimit();
    restore.dismiss();
    boxes.first()->accept();
    saveOnce();
    QCOMPARE(failureBoxes().size(), 0);
    QVERIFY(fileBytes(target).size() > 1024);
    QCOMPARE(files(), QStringList{file});
}

void TestPlotForm::measuredFromFileMenu_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("channel width taken") << true;
    QTest::newRow("channel width declined") << false;
}

// File > Open Measured: the file's channel width is offered and taken only on Yes; Compare shows
// a row per compared group; a file that cannot be read changes nothing but opens a box; Close
// empties the name and disables Compare.
void TestPlotForm::measuredFromFileMenu()
{
    QFETCH(bool, accept);
    showFe2o3();
    PlanModel *plan = w->plan;
    QVERIFY(plan->setOption(PlanModel::IntensityPeak, true));
    const auto form = [this] {
        QStringList texts;
        for (QLineEdit *edit : w->findChildren<QLineEdit *>())
            texts << edit->objectName() + QLatin1Char('=') + edit->text();
        for (PlanModel::Option o : {PlanModel::IntensityInt, PlanModel::IntensityPeak})
            texts << QString::number(
                qobject_cast<QAbstractButton *>(w->optionWidget(o))->isChecked());
        return texts;
    };
    QByteArray mca = "<<PMCA SPECTRUM>>\nLIVE_TIME - 20\n<<CALIBRATION>>\nLABEL - keV\n"
                     "0 0.1\n100 2.6\n<<DATA>>\n";
    for (int c = 0; c < 600; ++c)
        mca += QByteArray::number(50 + (c * 13) % 17) + '\n';
    QVERIFY(writeFile(path("m.mca"), mca + "<<END>>\n"));

    auto *compare = w->findChild<QAction *>(QStringLiteral("actionCompare_Measured"));
    auto *close = w->findChild<QAction *>(QStringLiteral("actionClose_Measured"));
    QVERIFY(compare && close);
    QVERIFY(!compare->isEnabled());
    QVERIFY(w->openMeasured(path("m.mca")));
    QVERIFY(compare->isEnabled());
    QCOMPARE(w->inputEdit(PlanModel::MeasGain)->text(), QStringLiteral("0.025"));
    QPointer<QMessageBox> box = w->findChild<QMessageBox *>(QStringLiteral("channelWidthProposal"));
    QVERIFY(box && box->isVisible());
    const QStringList opened = form();
    box->button(accept ? QMessageBox::Yes : QMessageBox::No)->click();
    QTRY_VERIFY(!box || !box->isVisible());
    if (accept) {
        QCOMPARE(w->inputEdit(PlanModel::MCAResolution)->text(), QStringLiteral("0.025"));
        QCOMPARE(plan->input(PlanModel::MCAResolution), QStringLiteral("0.025"));
        QVERIFY(plan->option(PlanModel::IntensityInt));
        QVERIFY(
            qobject_cast<QAbstractButton *>(w->optionWidget(PlanModel::IntensityInt))->isChecked());
        QVERIFY(!plan->overlayValues().isEmpty());
    } else {
        QCOMPARE(form(), opened);
        QVERIFY(plan->option(PlanModel::IntensityPeak));
    }

    compare->trigger();
    auto *dialog = w->findChild<QDialog *>(QStringLiteral("comparisonDialog"));
    QVERIFY(dialog && dialog->isVisible());
    auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("comparisonTable"));
    QVERIFY(table);
    QVERIFY(!plan->comparison().groups.isEmpty());
    QCOMPARE(table->rowCount(), plan->comparison().groups.size());

    QVERIFY(writeFile(path("broken.mca"), "<<PMCA SPECTRUM>>\n<<DATA>>\n1\nx\n<<END>>\n"));
    const QStringList before = form();
    QVERIFY(!w->openMeasured(path("broken.mca")));
    QCOMPARE(form(), before);
    auto *failure = w->findChild<QMessageBox *>(QStringLiteral("openFailureBox"));
    QVERIFY(failure && failure->isVisible());
    QVERIFY2(failure->text().contains(QDir::toNativeSeparators(path("broken.mca"))),
             qPrintable(failure->text()));
    failure->accept();
    // Typed into the field, the same file is refused and the name shown again.
    QCOMPARE(w->inputEdit(PlanModel::MeasFile)->text(), path("m.mca"));
    type(w->inputEdit(PlanModel::MeasFile), path("broken.mca"));
    QCOMPARE(w->inputEdit(PlanModel::MeasFile)->text(), path("m.mca"));
    QCOMPARE(form(), before);

    close->trigger();
    QCOMPARE(table->rowCount(), 0); // the open table follows the plan
    QCOMPARE(w->inputEdit(PlanModel::MeasFile)->text(), QString());
    QVERIFY(!plan->measuredLoaded());
    QVERIFY(!compare->isEnabled());
    QVERIFY(!close->isEnabled());
}

QTEST_MAIN(TestPlotForm)
#include "test_plot_form.moc"
