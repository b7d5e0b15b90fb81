#include "MainWindow.h"

#include "FieldStyles.h"

#include <QApplication>
#include <QFileDialog>
#include <QSignalBlocker>
#include <QStatusBar>

MainWindow::MainWindow(PlanModel *initialPlan)
    : QMainWindow(nullptr, Qt::WindowFlags()), plan(initialPlan ? initialPlan : new PlanModel)
{
    plan->setParent(this);
    setupUi(this);

    inputEdits[PlanModel::SetTgtCmp] = SetTgtCmp;
    inputEdits[PlanModel::SetBndCmp] = SetBndCmp;
    inputEdits[PlanModel::SetTgtWeight] = SetTgtWeight;
    inputEdits[PlanModel::SetBndWeight] = SetBndWeight;
    inputEdits[PlanModel::SetCylDiam] = SetCylDiam;
    inputEdits[PlanModel::SetTgtBndMolR] = SetTgtBndMolR;
    inputEdits[PlanModel::SetTgtBndWtR] = SetTgtBndWtR;
    inputEdits[PlanModel::SetTgtDens] = SetTgtDens;
    inputEdits[PlanModel::SetBndDens] = SetBndDens;
    inputEdits[PlanModel::SetThick] = SetThick;
    inputEdits[PlanModel::SetCalcPointE] = SetCalcPointE;
    inputEdits[PlanModel::SetDMuT] = SetDMuT;
    inputEdits[PlanModel::SetMuT] = SetMuT;
    inputEdits[PlanModel::StartE0] = StartE0;
    inputEdits[PlanModel::EndE0] = EndE0;
    inputEdits[PlanModel::Filter1Composition] = Filter1Composition;
    inputEdits[PlanModel::Filter2Composition] = Filter2Composition;
    inputEdits[PlanModel::Filter1Thickness] = Filter1Thickness;
    inputEdits[PlanModel::Filter2Thickness] = Filter2Thickness;
    inputEdits[PlanModel::Filter1Density] = Filter1Density;
    inputEdits[PlanModel::Filter2Density] = Filter2Density;
    inputEdits[PlanModel::I0Flux] = I0Flux;
    inputEdits[PlanModel::ExtEnergy] = ExtEnergy;
    inputEdits[PlanModel::Distance] = Distance;
    inputEdits[PlanModel::AirThickness] = AirThickness;
    inputEdits[PlanModel::DetRadius] = DetRadius;
    inputEdits[PlanModel::DetResolution] = DetResolution;
    inputEdits[PlanModel::MCAResolution] = MCAResolution;
    outputLabels[PlanModel::ExtendedTgtMolecularForm] = ExtendedTgtMolecularForm;
    outputLabels[PlanModel::ExtendedBndMolecularForm] = ExtendedBndMolecularForm;
    outputLabels[PlanModel::CylWeight] = CylWeight;
    outputLabels[PlanModel::CylVol] = CylVol;
    outputLabels[PlanModel::dMut] = dMut;
    outputLabels[PlanModel::MuPt] = MuPt;
    outputLabels[PlanModel::TransM] = TransM;
    outputLabels[PlanModel::label_15] = label_15;
    outputLabels[PlanModel::label_20] = label_20;
    outputLabels[PlanModel::AddInfo] = AddInfo;

    // The form shows the plan as it stands; the form's own style sheets are the normal role.
    for (int i = 0; i < PlanModel::InputCount; ++i) {
        showInput(PlanModel::Input(i));
        if (plan->inputStyle(PlanModel::Input(i)) != StyleNormal)
            showInputStyle(PlanModel::Input(i));
    }
    for (int i = 0; i < PlanModel::OutputCount; ++i) {
        showOutput(PlanModel::Output(i));
        if (plan->outputStyle(PlanModel::Output(i)) != OutputNormal)
            showOutputStyle(PlanModel::Output(i));
    }
    for (int i = 0; i < PlanModel::ChoiceCount; ++i)
        showChoice(PlanModel::Choice(i));
    for (int i = 0; i < PlanModel::OptionCount; ++i)
        showOption(PlanModel::Option(i));
    showHideMTBox(MutBox->isChecked());
    showHideFBox(FluoBox->isChecked());

    wireForm();
}

void MainWindow::wireForm()
{
    connect(plan, &PlanModel::inputChanged, this, &MainWindow::showInput);
    connect(plan, &PlanModel::inputStyleChanged, this, &MainWindow::showInputStyle);
    connect(plan, &PlanModel::outputChanged, this, &MainWindow::showOutput);
    connect(plan, &PlanModel::outputStyleChanged, this, &MainWindow::showOutputStyle);
    connect(plan, &PlanModel::choiceChanged, this, &MainWindow::showChoice);
    connect(plan, &PlanModel::optionChanged, this, &MainWindow::showOption);
    connect(plan, &PlanModel::plotChanged, GView1, qOverload<>(&QWidget::update));
    connect(plan, &PlanModel::statusMessage, this, [this](const QString &text, int timeout) {
        if (text.isEmpty())
            statusBar()->clearMessage();
        else
            statusBar()->showMessage(text, timeout);
    });

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
    connect(Filter1Composition, &QLineEdit::editingFinished, this, &MainWindow::InF1Comp);
    connect(Filter2Composition, &QLineEdit::editingFinished, this, &MainWindow::InF2Comp);
    // The fields that only the plot reads have no slot of their own.
    for (PlanModel::Input field :
         {PlanModel::StartE0, PlanModel::EndE0, PlanModel::Filter1Thickness,
          PlanModel::Filter2Thickness, PlanModel::Filter1Density, PlanModel::Filter2Density,
          PlanModel::I0Flux, PlanModel::ExtEnergy, PlanModel::Distance, PlanModel::AirThickness,
          PlanModel::DetRadius, PlanModel::DetResolution, PlanModel::MCAResolution}) {
        connect(inputEdits[field], &QLineEdit::editingFinished, this,
                [this, field] { edited(field); });
    }
    // "Peak" and "Integ." are one choice: the toggle of "Integ." says which.
    connect(IntensityInt, &QAbstractButton::toggled, this, [this](bool integ) {
        plan->setOption(integ ? PlanModel::IntensityInt : PlanModel::IntensityPeak, true);
    });
    connect(AddInfoRatioF, &QAbstractButton::toggled, this,
            [this](bool ratio) { plan->setOption(PlanModel::AddInfoRatioF, ratio); });
    connect(GView1, &GView::draw, this, &MainWindow::draw);
    connect(GView1, &GView::mouseMoved, this, &MainWindow::mouseMoved);
    connect(GView1, &GView::mousePressed, this, &MainWindow::mousePressed);
    connect(GView1, &GView::mouseReleased, this, &MainWindow::mouseReleased);
    connect(GView1, &GView::mouseDoubleClicked, this, &MainWindow::mouseDoubleClicked);
    connect(GView1, &GView::wheelMoved, this, &MainWindow::wheelMoved);

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
}

// The export dialog has no parent and lives as long as the process, like the window itself.
MainWindow::~MainWindow()
{
    // Destroying the form moves focus away from a line edit, which would emit editingFinished
    // into the slots of a half-destroyed window.
    const QList<QObject *> children = findChildren<QObject *>();
    for (QObject *child : children)
        child->disconnect(this);
    plan->disconnect(this);
    if (saveDialog)
        saveDialog->disconnect(this);
}

void MainWindow::edited(PlanModel::Input field)
{
    plan->setInput(field, inputEdits[field]->text());
}

void MainWindow::InTgtCmp()
{
    edited(PlanModel::SetTgtCmp);
}
void MainWindow::InBndCmp()
{
    edited(PlanModel::SetBndCmp);
}
void MainWindow::InTgtWeight()
{
    edited(PlanModel::SetTgtWeight);
}
void MainWindow::InBndWeight()
{
    edited(PlanModel::SetBndWeight);
}
void MainWindow::InCylDiam()
{
    edited(PlanModel::SetCylDiam);
}
void MainWindow::InTgtBndMolR()
{
    edited(PlanModel::SetTgtBndMolR);
}
void MainWindow::InTgtBndWtR()
{
    edited(PlanModel::SetTgtBndWtR);
}
void MainWindow::InTgtDens()
{
    edited(PlanModel::SetTgtDens);
}
void MainWindow::InBndDens()
{
    edited(PlanModel::SetBndDens);
}
void MainWindow::InCylThick()
{
    edited(PlanModel::SetThick);
}
void MainWindow::InCalcPointE()
{
    edited(PlanModel::SetCalcPointE);
}
void MainWindow::InDMuT()
{
    edited(PlanModel::SetDMuT);
}
void MainWindow::InMuT()
{
    edited(PlanModel::SetMuT);
}
void MainWindow::InF1Comp()
{
    edited(PlanModel::Filter1Composition);
}
void MainWindow::InF2Comp()
{
    edited(PlanModel::Filter2Composition);
}

void MainWindow::SelTarget()
{
    plan->setChoice(PlanModel::SelectTE, SelectTE->currentIndex());
    plan->setChoice(PlanModel::SelectAE, SelectAE->currentIndex());
}

void MainWindow::showHideMTBox(bool f)
{
    plan->setOption(PlanModel::MutBox, f);
    MutMutBox->setHidden(!f);
    MutCalcPBox->setHidden(!f);
}

void MainWindow::showHideFBox(bool f)
{
    plan->setOption(PlanModel::FluoBox, f);
    FluoECBox->setHidden(!f);
    FluoEFBox->setHidden(!f);
    FluoNCBox->setHidden(!f);
}

// ---- the plan into the form ----

void MainWindow::showInput(PlanModel::Input field)
{
    // Rewriting a field with its own text would still reset its cursor and undo history.
    const QString text = plan->input(field);
    if (inputEdits[field]->text() != text)
        inputEdits[field]->setText(text);
}

void MainWindow::showInputStyle(PlanModel::Input field)
{
    inputEdits[field]->setStyleSheet(inputStyle[plan->inputStyle(field)]);
}

void MainWindow::showOutput(PlanModel::Output label)
{
    outputLabels[label]->setText(plan->output(label));
}

void MainWindow::showOutputStyle(PlanModel::Output label)
{
    outputLabels[label]->setStyleSheet(outputStyle[plan->outputStyle(label)]);
}

void MainWindow::showChoice(PlanModel::Choice choice)
{
    QComboBox *combo = choice == PlanModel::SelectTE ? SelectTE : SelectAE;
    // The plan has already made the choice; the combo box only follows it.
    const QSignalBlocker blocker(combo);
    const QStringList items = plan->choiceItems(choice);
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i)
        shown << combo->itemText(i);
    if (shown != items) {
        combo->clear();
        combo->addItems(items);
    }
    combo->setCurrentIndex(plan->choiceIndex(choice));
}

void MainWindow::showOption(PlanModel::Option option)
{
    const bool checked = plan->option(option);
    switch (option) {
    case PlanModel::IntensityPeak:
        IntensityPeak->setChecked(checked);
        break;
    case PlanModel::IntensityInt:
        IntensityInt->setChecked(checked);
        break;
    case PlanModel::AddInfoRatioF:
        AddInfoRatioF->setChecked(checked);
        break;
    case PlanModel::MutBox:
        MutBox->setChecked(checked);
        break;
    case PlanModel::FluoBox:
        FluoBox->setChecked(checked);
        break;
    case PlanModel::OptionCount:
        break;
    }
}
