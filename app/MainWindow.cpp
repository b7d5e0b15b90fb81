#include "MainWindow.h"

#include "FieldStyles.h"

#include <QApplication>
#include <QFileDialog>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace {

// Form texts read as numbers; an unreadable text is 0, as everywhere in the form.
double numberIn(const QString &text) { return text.toDouble(); }

} // namespace

MainWindow::MainWindow() : QMainWindow(nullptr, Qt::WindowFlags())
{
    // The element table comes first: every composition points into it, and without it the
    // program cannot do anything useful, so a missing table ends the process here.
    loadXrayDataBase(xrayDb, QStringLiteral(":XrayDataBase1.txt"));

    setupUi(this);

    inputFields = {SetTgtCmp,     SetBndCmp,     SetTgtWeight, SetBndWeight, SetCylDiam,
                   SetTgtBndMolR, SetTgtBndWtR,  SetTgtDens,   SetBndDens,   SetThick,
                   SetCalcPointE, SetDMuT,       SetMuT};
    outputFields = {dMut, MuPt, TransM, CylVol, CylWeight};

    loadYields();

    tgtWeight = numberIn(SetTgtWeight->text()) * 0.001;
    bndWeight = numberIn(SetBndWeight->text()) * 0.001;
    cylDiam = numberIn(SetCylDiam->text()) * 0.1;
    molRatio = numberIn(SetTgtBndMolR->text());
    wtRatio = numberIn(SetTgtBndWtR->text());
    tgtDens = numberIn(SetTgtDens->text());
    bndDens = numberIn(SetBndDens->text());
    thickness = numberIn(SetThick->text()) * 0.1;
    calcPointE = numberIn(SetCalcPointE->text());
    wantedDMuT = numberIn(SetDMuT->text());
    wantedMuT = numberIn(SetMuT->text());
    curDMuT = numberIn(dMut->text());
    curMuT = numberIn(MuPt->text());

    edgeNames = QStringList{QStringLiteral("K"), QStringLiteral("LI"), QStringLiteral("LII"),
                            QStringLiteral("LIII"), QStringLiteral("MI")};
    SelectAE->addItems(edgeNames);
    SelectAE->setCurrentIndex(0); // before the connections exist: calls no slot

    lineNames = QStringList{QStringLiteral("Ka2"), QStringLiteral("Ka1"), QStringLiteral("Kb"),
                            QStringLiteral("La2"), QStringLiteral("La1"), QStringLiteral("Lb1"),
                            QStringLiteral("Lb2")};

    const auto entryFor = [this](const char *symbol, double amount) {
        const QString s = QString::fromLatin1(symbol);
        return CompEntry{s, &xrayDb[s], amount};
    };
    // Dry air by mole fraction of its molecules: N2 0.78084, O2 0.20948, Ar 0.00934.
    airComp.entries = {entryFor("N", 1.56168), entryFor("O", 0.41896), entryFor("Ar", 0.00934)};
    airComp.valid = true;
    f1Comp.entries = {entryFor("Al", 1.0)};
    f1Comp.valid = true;

    // With no target evaluated yet both return at once; kept so that a start-up target would
    // be handled like an edited one.
    molRatioToWtRatio();
    recalcFromThickness();

    const auto widgetUpdate = static_cast<void (QWidget::*)()>(&QWidget::update);
    const auto comboIndexChanged = qOverload<int>(&QComboBox::currentIndexChanged);

    connect(SetTgtCmp, &QLineEdit::editingFinished, this, &MainWindow::InTgtCmp);
    connect(SetBndCmp, &QLineEdit::editingFinished, this, &MainWindow::InBndCmp);
    connect(SetTgtWeight, &QLineEdit::editingFinished, this, &MainWindow::InTgtWeight);
    connect(SetBndWeight, &QLineEdit::editingFinished, this, &MainWindow::InBndWeight);
    connect(SetCylDiam, &QLineEdit::editingFinished, this, &MainWindow::InCylDiam);
    connect(SetTgtBndMolR, &QLineEdit::editingFinished, this, &MainWindow::InTgtBndMolR);
    connect(SetTgtBndWtR, &QLineEdit::editingFinished, this, &MainWindow::InTgtBndWtR);
    connect(SetTgtDens, &QLineEdit::editingFinished, this, &MainWindow::InTgtDens);
    connect(SetBndDens, &QLineEdit::editingFinished, this, &MainWindow::InBndDens);
    connect(SetThick, &QLineEdit::editingFinished, this, &MainWindow::InCylThick);
    connect(SetDMuT, &QLineEdit::editingFinished, this, &MainWindow::InDMuT);
    connect(SetMuT, &QLineEdit::editingFinished, this, &MainWindow::InMuT);
    connect(SetCalcPointE, &QLineEdit::editingFinished, this, &MainWindow::InCalcPointE);
    connect(SelectTE, comboIndexChanged, this, &MainWindow::SelTarget);
    connect(SelectAE, comboIndexChanged, this, &MainWindow::SelTarget);
    connect(StartE0, &QLineEdit::editingFinished, GView1, widgetUpdate);
    connect(EndE0, &QLineEdit::editingFinished, GView1, widgetUpdate);
    connect(Filter1Composition, &QLineEdit::editingFinished, this, &MainWindow::InF1Comp);
    connect(Filter2Composition, &QLineEdit::editingFinished, this, &MainWindow::InF2Comp);
    connect(Filter1Thickness, &QLineEdit::editingFinished, this, widgetUpdate);
    connect(Filter2Thickness, &QLineEdit::editingFinished, this, widgetUpdate);
    connect(Filter1Density, &QLineEdit::editingFinished, this, widgetUpdate);
    connect(Filter2Density, &QLineEdit::editingFinished, this, widgetUpdate);
    connect(GView1, &GView::draw, this, &MainWindow::draw);
    connect(GView1, &GView::mouseMoved, this, &MainWindow::mouseMoved);
    connect(GView1, &GView::mousePressed, this, &MainWindow::mousePressed);
    connect(GView1, &GView::mouseReleased, this, &MainWindow::mouseReleased);
    connect(GView1, &GView::mouseDoubleClicked, this, &MainWindow::mouseDoubleClicked);
    connect(GView1, &GView::wheelMoved, this, &MainWindow::wheelMoved);
    connect(I0Flux, &QLineEdit::editingFinished, GView1, widgetUpdate);
    connect(ExtEnergy, &QLineEdit::editingFinished, GView1, widgetUpdate);
    connect(Distance, &QLineEdit::editingFinished, GView1, widgetUpdate);
    connect(AirThickness, &QLineEdit::editingFinished, GView1, widgetUpdate);
    connect(DetRadius, &QLineEdit::editingFinished, GView1, widgetUpdate);
    connect(DetResolution, &QLineEdit::editingFinished, GView1, widgetUpdate);

    // Non-modal: the menu only shows the dialog and the chosen name arrives through
    // fileSelected, so the window stays usable while the dialog is open.
    saveDialog = new QFileDialog(nullptr, QString(), QString(), QString());
    saveDialog->setAcceptMode(QFileDialog::AcceptSave);
    saveDialog->setNameFilters(
        QStringList{QStringLiteral("Data files (*.dat)"), QStringLiteral("Any files (*)")});

    connect(actionSave_Spectrum, &QAction::triggered, saveDialog, &QWidget::show);
    connect(saveDialog, &QFileDialog::fileSelected, this, &MainWindow::SaveSpectrum);
    connect(action_Quit, &QAction::triggered, qApp, &QApplication::closeAllWindows);
    connect(MutBox, &QGroupBox::toggled, this, &MainWindow::showHideMTBox);
    connect(FluoBox, &QGroupBox::toggled, this, &MainWindow::showHideFBox);

    InBndCmp();
    InF1Comp();
    InF2Comp();
}

// The export dialog has no parent and lives as long as the process, like the window itself.
MainWindow::~MainWindow()
{
    // Destroying the form moves focus away from a line edit, which would emit editingFinished
    // into the slots of a half-destroyed window.
    const QList<QObject *> children = findChildren<QObject *>();
    for (QObject *child : children)
        child->disconnect(this);
    if (saveDialog)
        saveDialog->disconnect(this);
}

void MainWindow::loadYields()
{
    readYield(yieldK, YIELD_SLOTS, QStringLiteral(":FYields/y-K.txt"));
    readYield(yieldL, YIELD_SLOTS, QStringLiteral(":FYields/y-L.txt"));
}

void MainWindow::showHideMTBox(bool f)
{
    MutMutBox->setHidden(!f);
    MutCalcPBox->setHidden(!f);
}

void MainWindow::showHideFBox(bool f)
{
    FluoECBox->setHidden(!f);
    FluoEFBox->setHidden(!f);
    FluoNCBox->setHidden(!f);
}
