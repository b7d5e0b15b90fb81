#include "MainWindow.h"

#include "ExportFormats.h"
#include "FieldStyles.h"

#include <QAbstractButton>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>

#include <algorithm>
#include <cmath>
#include <iterator>

MainWindow::MainWindow(PlanModel *initialPlan)
    : QMainWindow(nullptr, Qt::WindowFlags()), plan(initialPlan ? initialPlan : new PlanModel)
{
    plan->setParent(this);
    setupUi(this);
    fitToSmallScreens();

    // Every field's widget goes by the field's name; the ones the form lacks are made here.
    buildLayerControls();
    buildDetailedControls();
    buildMeasurementControls();
    buildPlotOptions();
    for (int i = 0; i < PlanModel::InputCount; ++i) {
        inputEdits[i] = findChild<QLineEdit *>(PlanModel::inputName(PlanModel::Input(i)));
        Q_ASSERT(inputEdits[i]);
        if (const char *tip = Fields::input(PlanModel::Input(i)).tip)
            inputEdits[i]->setToolTip(tr(tip));
    }
    for (int i = 0; i < PlanModel::OutputCount; ++i) {
        outputLabels[i] = findChild<QLabel *>(PlanModel::outputName(PlanModel::Output(i)));
        Q_ASSERT(outputLabels[i]);
    }
    for (int i = 0; i < PlanModel::OptionCount; ++i) {
        optionWidgets[i] = findChild<QWidget *>(PlanModel::optionName(PlanModel::Option(i)));
        Q_ASSERT(qobject_cast<QAbstractButton *>(optionWidgets[i]) ||
                 qobject_cast<QGroupBox *>(optionWidgets[i]));
    }

    fitFieldsToContent();

    showPlan();
    buildSettingsMenu();
    buildSessionActions();
    buildMeasuredActions();
    buildPlotActions();
    wireForm();
    plan->restateStatus();
    // Typing starts in the target: it is what every plan begins with.
    SetTgtCmp->setFocus(Qt::OtherFocusReason);
}

void MainWindow::showPlan()
{
    // The form shows the plan as it stands; the form's own style sheets are the normal role.
    for (int i = 0; i < PlanModel::InputCount; ++i) {
        showInput(PlanModel::Input(i));
        if (plan->inputStyle(PlanModel::Input(i)) != StyleNormal ||
            !plan->fieldProblem(PlanModel::Input(i)).isEmpty() ||
            inputEdits[i]->styleSheet() != inputStyle[StyleNormal])
            showInputStyle(PlanModel::Input(i));
    }
    for (int i = 0; i < PlanModel::OutputCount; ++i) {
        showOutput(PlanModel::Output(i));
        // Only some read-outs ever change role; the others keep the form's own style.
        const bool roleManaged = Fields::output(PlanModel::Output(i)).flags & OUT_ROLE;
        if (plan->outputStyle(PlanModel::Output(i)) != OutputNormal ||
            (roleManaged && outputLabels[i]->styleSheet() != outputStyle[OutputNormal]))
            showOutputStyle(PlanModel::Output(i));
    }
    for (int i = 0; i < PlanModel::ChoiceCount; ++i)
        showChoice(PlanModel::Choice(i));
    for (int i = 0; i < PlanModel::OptionCount; ++i)
        showOption(PlanModel::Option(i));
    showHideMTBox(MutBox->isChecked());
    showHideFBox(FluoBox->isChecked());
    showHideMeasureBox(MeasureBox->isChecked());
    GView1->update();
}

void MainWindow::buildDetailedControls()
{
    // The detailed fluorescence model's angles sit with the experimental conditions, its choices
    // with the numerical conditions and the detector in a column of its own, so that the
    // section stays as short as its longest column on a laptop screen: one row per field of
    // those groups, in the table's order, each widget named and captioned by its row.
    auto *geometry = qobject_cast<QGridLayout *>(FluoECBox->layout());
    auto *detector = qobject_cast<QGridLayout *>(FluoDetBox->layout());
    auto *numerical = qobject_cast<QGridLayout *>(FluoNCBox->layout());
    int numericalRow = numerical->rowCount();
    int geometryRow = geometry->rowCount();
    int detectorRow = detector->count() ? detector->rowCount() : 0;
    QWidget *tabBefore[2] = {DetRadius, DetResolution}; // where each group's tab chain starts
    // Room for an energy set from the plot with six digits ("12.4083"), whatever the language
    // of the captions beside it; the fields made below share the width.
    const int digitsWidth = ExtEnergy->fontMetrics().horizontalAdvance(QStringLiteral("888.8888")) +
                            2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 8;
    for (QLineEdit *edit : {ExtEnergy, Distance, DetRadius})
        edit->setMinimumWidth(std::max(edit->minimumWidth(), digitsWidth));
    const auto caption = [](const char *text, const char *tip) {
        auto *label = new QLabel(tr(text));
        if (tip)
            label->setToolTip(tr(tip));
        return label;
    };
    for (int i = 0; i < PlanModel::InputCount; ++i) {
        const InputRow &row = Fields::input(PlanModel::Input(i));
        if (row.group != GroupGeometry && row.group != GroupDetector)
            continue;
        if (findChild<QLineEdit *>(QLatin1String(row.name)))
            continue; // a row of the filter table
        auto *edit = new QLineEdit;
        QWidget *widget = edit;
        if (row.rule == Rule::DetectorMaterial) {
            // The crystals the program knows, offered as the text is typed; any other text is
            // checked like that of any field.
            QStringList names;
            for (const DetectorMaterial &m : DETECTOR_MATERIALS)
                names << QLatin1String(m.symbol);
            auto *completer = new QCompleter(names, edit);
            completer->setCaseSensitivity(Qt::CaseInsensitive);
            completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
            edit->setCompleter(completer);
        }
        edit->setObjectName(QLatin1String(row.name));
        edit->setAlignment(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
        edit->setStyleSheet(inputStyle[StyleNormal]);
        edit->setMaximumWidth(ExtEnergy->maximumWidth());
        edit->setMinimumWidth(ExtEnergy->minimumWidth());
        const bool inGeometry = row.group == GroupGeometry;
        if (inGeometry) {
            geometry->addWidget(caption(row.caption, row.tip), geometryRow, 0);
            geometry->addWidget(widget, geometryRow++, 1);
        } else {
            detector->addWidget(caption(row.caption, row.tip), detectorRow, 0);
            detector->addWidget(widget, detectorRow++, 1, 1, 2);
        }
        QWidget *&previous = tabBefore[inGeometry ? 0 : 1];
        setTabOrder(previous, edit);
        previous = edit;
    }
    for (int i = 0; i < PlanModel::OptionCount; ++i) {
        const OptionRow &row = Fields::option(PlanModel::Option(i));
        if (!(row.flags & OPT_MODEL))
            continue;
        auto *box = new QCheckBox(tr(row.caption));
        box->setObjectName(QLatin1String(row.name));
        if (row.tip)
            box->setToolTip(tr(row.tip));
        numerical->addWidget(box, numericalRow++, 0, 1, 3);
    }
    for (int i = 0; i < PlanModel::OutputCount; ++i) {
        const OutputRow &row = Fields::output(PlanModel::Output(i));
        if (!(row.flags & OUT_DETECTOR))
            continue;
        auto *label = new QLabel;
        label->setObjectName(QLatin1String(row.name));
        label->setAlignment(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
        label->setStyleSheet(outputStyle[OutputNormal]);
        label->setIndent(3); // the unit clear of the frame's edge
        label->setToolTip(tr(row.tip));
        detector->addWidget(caption(row.caption, row.tip), detectorRow, 0);
        detector->addWidget(label, detectorRow++, 1, 1, 2);
    }
}

void MainWindow::buildLayerControls()
{
    // Below air and the two filters, in the same columns: the layers a user puts around the
    // sample and in front of the crystal. Their thicknesses are in micrometres, as windows are
    // sold; the caption says so.
    static const char *const layers[][4] = {
        {QT_TRANSLATE_NOOP("MainWindow", "Front win. [\u00b5m]"), "FrontWindowComposition",
         "FrontWindowThickness", "FrontWindowDensity"},
        {QT_TRANSLATE_NOOP("MainWindow", "Back win. [\u00b5m]"), "BackWindowComposition",
         "BackWindowThickness", "BackWindowDensity"},
        {QT_TRANSLATE_NOOP("MainWindow", "Det. win. [\u00b5m]"), "DetWindowComposition",
         "DetBeWindow", "DetWindowDensity"},
    };
    auto *table = qobject_cast<QGridLayout *>(FluoEFBox->layout());
    QWidget *previous = Filter2Density;
    for (const auto &layer : layers) {
        const int row = table->rowCount();
        auto *caption = new QLabel(tr(layer[0]));
        table->addWidget(caption, row, 0);
        for (int c = 1; c < 4; ++c) {
            const QString name = QLatin1String(layer[c]);
            auto *edit = new QLineEdit;
            edit->setObjectName(name);
            const InputRow &field = Fields::input(PlanModel::Input(PlanModel::inputIndex(name)));
            edit->setAlignment(field.rule == Rule::Composition
                                   ? Qt::AlignLeft | Qt::AlignVCenter
                                   : Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
            edit->setStyleSheet(inputStyle[StyleNormal]);
            if (c == 1 && field.tip)
                caption->setToolTip(tr(field.tip));
            // The sample's windows offer the usual materials by name; the plan puts in their
            // formula and density.
            if (c == 1 && name != QLatin1String("DetWindowComposition")) {
                QStringList names;
                for (const WindowMaterial &m : WINDOW_MATERIALS)
                    names << QLatin1String(m.name);
                auto *completer = new QCompleter(names, edit);
                completer->setCaseSensitivity(Qt::CaseInsensitive);
                edit->setCompleter(completer);
            }
            table->addWidget(edit, row, c);
            setTabOrder(previous, edit);
            previous = edit;
        }
    }

    // The windows' mu t beside d-mu t, above the transmission it takes part in.
    auto *mut = qobject_cast<QGridLayout *>(MutMutBox->layout());
    const OutputRow &windows = Fields::output(PlanModel::WindowsMuT);
    auto *windowsCaption = new QLabel(tr(windows.caption));
    windowsCaption->setToolTip(tr(windows.tip));
    windowsCaption->setAlignment(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
    auto *windowsLabel = new QLabel;
    windowsLabel->setObjectName(QLatin1String(windows.name));
    windowsLabel->setToolTip(tr(windows.tip));
    windowsLabel->setAlignment(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
    windowsLabel->setFrameShape(QFrame::StyledPanel);
    windowsLabel->setStyleSheet(outputStyle[OutputNormal]);
    mut->addWidget(windowsCaption, 0, 3);
    mut->addWidget(windowsLabel, 0, 4);
}

void MainWindow::buildMeasurementControls()
{
    // A column per thing the user sets up at the beamline: the I0 chamber, the It chamber, the
    // I0 chamber's current (below the amplifier it is read from), the scan's point in
    // transmission and the region of interest of a fluorescence scan; each column's read-outs
    // below its fields.
    static const char *const columns[][6] = {
        {"I0ChamberGas", "I0ChamberLength", "I0ChamberPressure", "I0Absorbed"},
        {"ItChamberGas", "ItChamberLength", "ItChamberPressure", "ItAbsorbed"},
        {"AmpVoltage", "AmpSensitivity", "ChamberCurrent", "FluxFromCurrent"},
        {"PointTime", "TargetChiNoise", "ChiNoiseTrans", "PointTimeTrans", "BestMuT"},
        {"RoiLow", "RoiHigh", "RoiSignal", "RoiBackground", "ChiNoiseFluo", "PointTimeFluo"},
    };
    // Below them, row by row: the measured spectrum's file across the box, its calibration and
    // live time with the scale the comparison finds, and the plan counted per channel.
    static const char *const rows[][5] = {
        {"MeasFile"},
        {"MeasOffset", "MeasGain", "MeasLiveTime", "MeasScale"},
        {"SimLiveTime", "SimNoise", "SimSeed"},
    };
    constexpr int columnCount = int(std::size(columns));
    // The box starts folded, as the form has no height to spare on a laptop screen; its fields
    // sit on one widget that folding hides.
    auto *contents = new QWidget;
    contents->setObjectName(QStringLiteral("MeasureContents"));
    auto *grid = new QGridLayout(contents);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(3);
    MeasureBox->layout()->addWidget(contents);
    QWidget *previous = nullptr;
    // A field or read-out with its caption at a cell of the grid, its widget spanning
    // widgetColumns columns of the grid.
    const auto place = [&](const char *name, int row, int column, int widgetColumns) {
        const QString key = QLatin1String(name);
        QWidget *widget = nullptr;
        const char *captionText = nullptr;
        const char *tip = nullptr;
        if (const int i = PlanModel::inputIndex(key); i >= 0) {
            const InputRow &field = Fields::input(PlanModel::Input(i));
            auto *edit = new QLineEdit;
            // A file's name reads from its start; numbers line up on the right.
            if (field.rule != Rule::FilePath)
                edit->setAlignment(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
            edit->setStyleSheet(inputStyle[StyleNormal]);
            if (field.flags & EMPTY_MEANS_DEFAULT)
                edit->setPlaceholderText(tr("auto"));
            widget = edit;
            captionText = field.caption;
            tip = field.tip;
        } else {
            const OutputRow &out = Fields::output(PlanModel::Output(PlanModel::outputIndex(key)));
            auto *label = new QLabel;
            label->setAlignment(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
            label->setStyleSheet(outputStyle[OutputNormal]);
            label->setIndent(3);
            label->setToolTip(tr(out.tip));
            widget = label;
            captionText = out.caption;
            tip = out.tip;
        }
        widget->setObjectName(key);
        auto *caption = new QLabel(tr(captionText));
        caption->setToolTip(tr(tip));
        grid->addWidget(caption, row, 2 * column);
        grid->addWidget(widget, row, 2 * column + 1, 1, widgetColumns);
        if (qobject_cast<QLineEdit *>(widget)) {
            if (previous)
                setTabOrder(previous, widget);
            previous = widget;
        }
    };
    int bandTop = 0;
    for (int c = 0; c < columnCount; ++c) {
        int row = 0;
        for (const char *name : columns[c]) {
            if (!name)
                break;
            place(name, row++, c, 1);
        }
        if (c == 2) {
            auto *use = new QPushButton(tr("Use as I0"));
            use->setObjectName(QStringLiteral("UseChamberFlux"));
            use->setToolTip(tr("Puts the flux that passes the I0 chamber into I0[photons/sec]"));
            grid->addWidget(use, row++, 2 * c, 1, 2);
        }
        bandTop = std::max(bandTop, row);
    }
    for (const auto &line : rows) {
        int column = 0;
        for (const char *name : line) {
            if (!name)
                break;
            // A lone field (the file) takes the band's whole width, less a button.
            place(name, bandTop, column++, line[1] ? 1 : 2 * columnCount - 2);
        }
        ++bandTop;
    }
    // The file's name may be typed, or chosen as from the File menu.
    auto *browse = new QToolButton;
    browse->setObjectName(QStringLiteral("MeasFileBrowse"));
    browse->setText(QStringLiteral("..."));
    browse->setToolTip(tr("Open Measured Spectrum"));
    grid->addWidget(browse, bandTop - int(std::size(rows)), 2 * columnCount - 1);
    connect(browse, &QToolButton::clicked, this, [this] {
        if (auto *open = findChild<QAction *>(QStringLiteral("actionOpen_Measured")))
            open->trigger();
    });
    for (int c = 0; c < columnCount; ++c)
        grid->setColumnStretch(2 * c + 1, 1);
}

QLineEdit *MainWindow::inputEdit(PlanModel::Input field) const
{
    return inputEdits[field];
}

QLabel *MainWindow::outputLabel(PlanModel::Output label) const
{
    return outputLabels[label];
}

QWidget *MainWindow::optionWidget(PlanModel::Option option) const
{
    return optionWidgets[option];
}

void MainWindow::showDetailedState()
{
    // In the classic model the angles, the secondary excitation and the detector mean nothing.
    const bool detailed = plan->option(PlanModel::DetailedFluo);
    for (int i = 0; i < PlanModel::InputCount; ++i) {
        const unsigned flags = Fields::input(PlanModel::Input(i)).flags;
        if (flags & DETAILED_ONLY)
            inputEdits[i]->setEnabled(detailed);
        if (flags & CLASSIC_AT_NORMAL)
            showInput(PlanModel::Input(i));
    }
    for (int i = 0; i < PlanModel::OptionCount; ++i) {
        if (Fields::option(PlanModel::Option(i)).flags & OPT_DETAILED_ONLY)
            optionWidgets[i]->setEnabled(detailed);
    }
}

void MainWindow::fitToSmallScreens()
{
    // The form scrolls and the plot takes what is left: a splitter between the two lets a laptop
    // screen show both, and the user choose how much of each.
    QWidget *form = takeCentralWidget();
    form->layout()->removeWidget(groupBox_15);
    auto *scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("formScrollArea"));
    scroll->setWidget(form);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *splitter = new QSplitter(Qt::Vertical);
    splitter->setObjectName(QStringLiteral("formPlotSplitter"));
    splitter->addWidget(scroll);
    splitter->addWidget(groupBox_15);
    splitter->setChildrenCollapsible(false);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    // On a screen with room the form shows whole, as it always did.
    splitter->setSizes({form->sizeHint().height(), groupBox_15->sizeHint().height()});
    setCentralWidget(splitter);
    formPlotSplitter = splitter;
    // The window is made wide enough for the form, so the form scrolls up and down; only a
    // screen narrower than the form (800x600) gets a sideways bar, so that every field stays
    // reachable there.
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

namespace {

// The layout among those of top that holds widget directly, or none.
QLayout *layoutHolding(QLayout *top, QWidget *widget)
{
    if (!top)
        return nullptr;
    if (top->indexOf(widget) >= 0)
        return top;
    for (int i = 0; i < top->count(); ++i) {
        if (QLayout *found = layoutHolding(top->itemAt(i)->layout(), widget))
            return found;
    }
    return nullptr;
}

} // namespace

void MainWindow::fitFieldsToContent()
{
    // A number needs the room of its longest sensible spelling, whatever the screen: stretched
    // across a maximised window it only moves away from its caption. The composition fields keep
    // the stretch, a formula may be long, and so does a file's name.
    const int frame = 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 8;
    const auto widest = [frame](const QWidget *w) {
        return w->fontMetrics().horizontalAdvance(QStringLiteral("-8.8888e+10")) + frame;
    };
    const auto keepLeft = [](QWidget *w) {
        if (QLayout *layout = layoutHolding(w->parentWidget()->layout(), w))
            layout->setAlignment(w, Qt::AlignLeft | Qt::AlignVCenter);
    };
    for (int i = 0; i < PlanModel::InputCount; ++i) {
        const Rule rule = Fields::input(PlanModel::Input(i)).rule;
        if (rule == Rule::Composition || rule == Rule::FilePath)
            continue;
        QLineEdit *edit = inputEdits[i];
        edit->setMaximumWidth(
            std::max(edit->minimumWidth(), std::min(edit->maximumWidth(), widest(edit))));
        keepLeft(edit);
    }
    for (int i = 0; i < PlanModel::OutputCount; ++i) {
        if (!(Fields::output(PlanModel::Output(i)).flags & OUT_PELLET))
            continue;
        QLabel *label = outputLabels[i];
        label->setMaximumWidth(
            std::max(label->minimumWidth(), std::min(label->maximumWidth(), widest(label))));
        keepLeft(label);
    }
    // Rows of a box shorter than its neighbours stay together at the top: spread over the
    // height, the captions of the filters float in the middle and their rows drop out of sight.
    for (QGroupBox *box : {FluoECBox, FluoEFBox, FluoNCBox, FluoDetBox}) {
        auto *grid = qobject_cast<QGridLayout *>(box->layout());
        grid->setRowStretch(grid->rowCount(), 1);
    }
}

void MainWindow::buildPlotOptions()
{
    // How the plot is drawn is set beside its range, where the eye already is; the check boxes
    // are made from their rows, like the detailed model's.
    auto *range = qobject_cast<QGridLayout *>(groupBox_15->layout());
    QLayoutItem *spacer = range->itemAtPosition(0, 5);
    range->removeItem(spacer);
    delete spacer;
    auto *row = new QHBoxLayout;
    row->setObjectName(QStringLiteral("plotOptionsLayout"));
    row->addSpacing(12);
    for (int i = 0; i < PlanModel::OptionCount; ++i) {
        const OptionRow &option = Fields::option(PlanModel::Option(i));
        if (!(option.flags & OPT_PLOT_ONLY))
            continue;
        auto *box = new QCheckBox(tr(option.caption));
        box->setObjectName(QLatin1String(option.name));
        if (option.tip)
            box->setToolTip(tr(option.tip));
        row->addWidget(box);
    }
    row->addStretch(1);
    range->addLayout(row, 0, 5);
}

int MainWindow::splitterSpace()
{
    // Laid out now, not at the show: sizes handed to a splitter of the wrong height are scaled
    // to it, and the difference later goes to the plot.
    layout()->invalidate();
    layout()->activate();
    return formPlotSplitter->height() - formPlotSplitter->handleWidth();
}

void MainWindow::splitForHeight(int windowHeight)
{
    if (splitRestored)
        return;
    const int space = splitterSpace();
    // What the plot's group needs besides the plot.
    const int around = groupBox_15->minimumSizeHint().height() - GView1->minimumHeight();
    // The whole form where that leaves the plot room for its lines and labels; else the plot
    // keeps its share and the form scrolls.
    const int formWhole = centralwidget->sizeHint().height();
    const int plotBelowWhole = space - formWhole - around;
    const int plotGroup = int(std::ceil(PlotShare * windowHeight)) + around;
    const int form = plotBelowWhole >= 16 * fontMetrics().height()
                         ? formWhole
                         : std::max(0, std::min(formWhole, space - plotGroup));
    formPlotSplitter->setSizes({form, space - form});
}

void MainWindow::restoreSplit(const QByteArray &state)
{
    if (state.isEmpty())
        return;
    // Kept in pixels of the window it was left in: as a share, it means the same on another
    // screen. A plot made small by the user stays small; it was a choice. Read on a splitter
    // of its own, which is as tall as the state says.
    QSplitter reader(Qt::Vertical);
    reader.addWidget(new QWidget);
    reader.addWidget(new QWidget);
    reader.setChildrenCollapsible(false);
    reader.resize(100, 100000);
    if (!reader.restoreState(state))
        return;
    const QList<int> sizes = reader.sizes();
    const int total = sizes.value(0) + sizes.value(1);
    if (sizes.size() != 2 || total <= 0)
        return;
    const int space = splitterSpace();
    const int form = int(std::lround(double(sizes[0]) / total * space));
    formPlotSplitter->setSizes({form, space - form});
    splitRestored = true;
}

void MainWindow::sizeForScreen(const QSize &available)
{
    // Wide enough for the form without a horizontal scroll bar; tall enough for the whole form
    // above a plot of a comfortable height; never beyond the screen. Where the height is short,
    // the plot keeps its share and the form scrolls.
    const auto fit = [this, available] {
        const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        const QSize form = centralwidget->sizeHint().expandedTo(centralwidget->minimumSizeHint());
        const int chrome = menuBar()->sizeHint().height() + statusBar()->sizeHint().height() +
                           formPlotSplitter->handleWidth();
        const int around = groupBox_15->minimumSizeHint().height() - GView1->minimumHeight();
        const int comfortablePlot = 24 * fontMetrics().height();
        const QSize wanted(std::max(width(), form.width() + scrollBar + 8),
                           std::max(height(), form.height() + chrome + around + comfortablePlot));
        resize(wanted.boundedTo(available));
        splitForHeight(height());
    };
    fit();
    // The form claims its full width only once it has been shown (by some tens of pixels in
    // Japanese): measured again then, so that no field is cut off at the right.
    QTimer::singleShot(0, this, fit);
}

void MainWindow::buildSettingsMenu()
{
    QMenu *settings = menuBar()->addMenu(tr("&Settings"));
    settings->setObjectName(QStringLiteral("menu_Settings"));
    QMenu *data = settings->addMenu(tr("Absorption data"));
    absorptionGroup = new QActionGroup(this);
    absorptionActions[PlanModel::TwoTermTable] = data->addAction(tr("Two-term table"));
    absorptionActions[PlanModel::TabulatedCrossSections] =
        data->addAction(tr("Tabulated cross sections (with scattering)"));
    for (int i = 0; i < 2; ++i) {
        QAction *action = absorptionActions[i];
        action->setCheckable(true);
        absorptionGroup->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, i] { plan->setAbsorption(PlanModel::Absorption(i)); });
    }
    buildLanguageMenu(settings);
    modelLabel = new QLabel(this);
    modelLabel->setObjectName(QStringLiteral("SpectrumModel"));
    statusBar()->addPermanentWidget(modelLabel);
    absorptionLabel = new QLabel(this);
    absorptionLabel->setObjectName(QStringLiteral("AbsorptionData"));
    statusBar()->addPermanentWidget(absorptionLabel);
    showAbsorption();
}

void MainWindow::buildLanguageMenu(QMenu *settings)
{
    // Named in both languages, and each language in its own: someone who cannot read the
    // interface still finds the way out of it.
    QMenu *menu = settings->addMenu(QStringLiteral("Language / 言語"));
    menu->setObjectName(QStringLiteral("menu_Language"));
    auto *group = new QActionGroup(this);
    // The form's own File menu tells which catalogue the window was built with.
    const bool japaneseNow = menu_File->title() != QLatin1String("&File");
    for (const bool japanese : {true, false}) {
        QAction *action =
            menu->addAction(japanese ? QStringLiteral("日本語") : QStringLiteral("English"));
        action->setObjectName(japanese ? QStringLiteral("actionJapanese")
                                       : QStringLiteral("actionEnglish"));
        action->setCheckable(true);
        action->setChecked(japanese == japaneseNow);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, japanese] { chooseLanguage(japanese); });
    }
}

void MainWindow::chooseLanguage(bool japanese)
{
    Q_EMIT languageChosen(japanese);
    // Said in the language chosen: that is the one the user reads best.
    static const char *const nextStart[2] = {
        QT_TR_NOOP("English from the next start, unless started as Tirne or with -e or -j."),
        QT_TR_NOOP("Japanese from the next start, unless started as Tirne or with -e or -j.")};
    const char *source = nextStart[japanese ? 1 : 0];
    QString text = QString::fromUtf8(source);
    if (japanese) {
        QTranslator catalogue;
        if (catalogue.load(QStringLiteral(":Tirn_ja_JP")))
            text = catalogue.translate("MainWindow", source);
        if (text.isEmpty())
            text = tr(source);
    }
    statusBar()->showMessage(text, 10000);
}

void MainWindow::buildPlotActions()
{
    // The plot's own menu: the range back to what was typed, the mu t scale.
    GView1->setFocusPolicy(Qt::ClickFocus);
    GView1->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto *reset = new QAction(tr("Reset range (Home)"), GView1);
    reset->setObjectName(QStringLiteral("actionResetRange"));
    connect(reset, &QAction::triggered, this, &MainWindow::resetRange);
    GView1->addAction(reset);
    auto *logScale = new QAction(tr("Logarithmic mu t axis"), GView1);
    logScale->setObjectName(QStringLiteral("actionLogScale"));
    logScale->setCheckable(true);
    logScale->setChecked(plan->logScale());
    connect(logScale, &QAction::toggled, plan, &PlanModel::setLogScale);
    connect(plan, &PlanModel::planReset, logScale,
            [this, logScale] { logScale->setChecked(plan->logScale()); });
    GView1->addAction(logScale);
    // The same scale as a check box beside the intensity's, for those who never open the menu.
    auto *logMuT = new QCheckBox(tr("Log mu t"));
    logMuT->setObjectName(QStringLiteral("LogMuT"));
    logMuT->setToolTip(tr("Logarithmic mu t axis"));
    logMuT->setChecked(logScale->isChecked());
    connect(logMuT, &QCheckBox::toggled, logScale, &QAction::setChecked);
    connect(logScale, &QAction::toggled, logMuT, &QCheckBox::setChecked);
    if (auto *row = groupBox_15->findChild<QHBoxLayout *>(QStringLiteral("plotOptionsLayout")))
        row->insertWidget(1, logMuT);
    GView1->installEventFilter(this);
}

void MainWindow::resetRange()
{
    plan->setRange(plan->typedStart(), plan->typedEnd());
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The excitation marker lasts while the pointer moves over the plot with Shift held.
    if (watched == GView1 && excitationMarked &&
        (event->type() == QEvent::Leave ||
         (event->type() == QEvent::KeyRelease &&
          static_cast<QKeyEvent *>(event)->key() == Qt::Key_Shift))) {
        excitationMarked = false;
        GView1->update();
    }
    if (watched == GView1 && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Home) {
        resetRange();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::buildSessionActions()
{
    action_Open->setText(tr("&Open Session..."));
    action_Open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    auto *save = new QAction(tr("Save &Session..."), this);
    save->setObjectName(QStringLiteral("actionSave_Session"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    const QAction *first = menu_File->actions().value(0);
    menu_File->insertAction(const_cast<QAction *>(first), action_Open);
    menu_File->insertAction(const_cast<QAction *>(first), save);
    auto *image = new QAction(tr("Save Plot &Image..."), this);
    image->setObjectName(QStringLiteral("actionSave_Plot_Image"));
    const QList<QAction *> items = menu_File->actions();
    menu_File->insertAction(items.value(items.indexOf(actionSave_Spectrum) + 1), image);
    connect(image, &QAction::triggered, this, &MainWindow::SavePlotImage);
    connect(action_Open, &QAction::triggered, this, [this] {
        const QString name = QFileDialog::getOpenFileName(
            this, tr("Open Session"), QString(),
            (exportFilters(ExportKind::Session) << tr("Any files (*)")).join(QStringLiteral(";;")));
        if (!name.isEmpty())
            openSession(name);
    });
    connect(save, &QAction::triggered, this, [this] {
        QString name = QFileDialog::getSaveFileName(
            this, tr("Save Session"), QString(),
            exportFilters(ExportKind::Session).join(QStringLiteral(";;")));
        if (name.isEmpty())
            return;
        if (QFileInfo(name).suffix().isEmpty())
            name += QLatin1Char('.') + defaultSuffix(ExportKind::Session);
        saveSession(name);
    });
}

bool MainWindow::openSession(const QString &fileName, QString *error)
{
    const QString shown = QDir::toNativeSeparators(fileName);
    const PlanModel::SessionLoad r = plan->loadSession(fileName);
    if (!r.ok) {
        const QString failure = tr("Session not opened from %1: %2").arg(shown, r.error);
        statusBar()->showMessage(failure);
        if (error)
            *error = r.error;
        else
            showOpenFailure(failure);
        return false;
    }
    if (r.ignoredCount > 0 || !r.missing.isEmpty() || !r.notes.isEmpty()) {
        QStringList notes;
        if (r.ignoredCount > 0)
            notes << r.ignoredSummary();
        if (!r.missing.isEmpty())
            notes << tr("defaults for %1").arg(r.missing.join(QStringLiteral(", ")));
        notes << r.notes;
        statusBar()->showMessage(
            tr("Opened session %1 (%2)").arg(shown, notes.join(QStringLiteral("; "))));
    } else {
        statusBar()->showMessage(tr("Opened session %1").arg(shown), 5000);
    }
    return true;
}

bool MainWindow::saveSession(const QString &fileName)
{
    QString error;
    const QString shown = QDir::toNativeSeparators(fileName);
    if (!plan->saveSession(fileName, &error)) {
        const QString failure = tr("Session not saved to %1: %2").arg(shown, error);
        statusBar()->showMessage(failure);
        showSaveFailure(this, failure);
        return false;
    }
    statusBar()->showMessage(tr("Saved session to %1").arg(shown), 5000);
    return true;
}

void MainWindow::showOpenFailure(const QString &message)
{
    // One box at a time, as for a failed save: a later failure replaces the text.
    showFailureBox(this, QStringLiteral("openFailureBox"), tr("Not opened"), message);
}

void MainWindow::showAbsorption()
{
    // Which model and which data every number comes from, always in view: since the tabulated
    // data and the detailed model became the defaults, results of older plans differ, and the
    // user must be able to see why at a glance.
    if (!absorptionLabel) // the form is shown before the menus exist
        return;
    const PlanModel::Absorption data = plan->absorption();
    const bool detailed = plan->option(PlanModel::DetailedFluo);
    absorptionActions[data]->setChecked(true);
    modelLabel->setText(detailed ? tr("Spectrum: detailed model") : tr("Spectrum: classic model"));
    modelLabel->setToolTip(
        detailed ? tr("Spectrum: every line with its own rate, geometry, secondary fluorescence "
                      "and the detector's response")
                 : tr("Spectrum: the classic model (normal incidence, no secondary fluorescence, "
                      "no detector response); the Detailed physics box switches"));
    absorptionLabel->setText(data == PlanModel::TabulatedCrossSections
                                 ? tr("Absorption: tabulated cross sections")
                                 : tr("Absorption: two-term table"));
    absorptionLabel->setToolTip(
        data == PlanModel::TabulatedCrossSections
            ? tr("Elam's tabulated photoabsorption with coherent and incoherent scattering, "
                 "interpolated log-log within each edge region")
            : tr("Photoabsorption from C lambda^3 - D lambda^4 per edge region"));
}

void MainWindow::wireForm()
{
    connect(plan, &PlanModel::inputChanged, this, &MainWindow::showInput);
    connect(plan, &PlanModel::inputStyleChanged, this, &MainWindow::showInputStyle);
    connect(plan, &PlanModel::fieldValidityChanged, this, &MainWindow::showInputStyle);
    connect(plan, &PlanModel::outputChanged, this, &MainWindow::showOutput);
    connect(plan, &PlanModel::outputStyleChanged, this, &MainWindow::showOutputStyle);
    connect(plan, &PlanModel::choiceChanged, this, &MainWindow::showChoice);
    connect(plan, &PlanModel::optionChanged, this, &MainWindow::showOption);
    connect(plan, &PlanModel::plotChanged, GView1, qOverload<>(&QWidget::update));
    connect(plan, &PlanModel::absorptionChanged, this, &MainWindow::showAbsorption);
    connect(plan, &PlanModel::planReset, this, &MainWindow::showPlan);
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
    connect(MeasureBox->findChild<QPushButton *>(QStringLiteral("UseChamberFlux")),
            &QPushButton::clicked, this, [this] {
                finishEditing(); // a current typed but not yet left counts
                plan->useChamberFlux();
            });
    // The fields without a slot of their own (those only the plot reads) hand their edits to
    // the plan directly.
    const QList<QLineEdit *> withSlots{
        SetTgtCmp,     SetBndCmp,    SetTgtWeight,  SetBndWeight,       SetCylDiam,
        SetTgtBndMolR, SetTgtBndWtR, SetTgtDens,    SetBndDens,         SetThick,
        SetDMuT,       SetMuT,       SetCalcPointE, Filter1Composition, Filter2Composition};
    for (int i = 0; i < PlanModel::InputCount; ++i) {
        const auto field = PlanModel::Input(i);
        if (!withSlots.contains(inputEdits[i]))
            connect(inputEdits[i], &QLineEdit::editingFinished, this,
                    [this, field] { edited(field); });
    }
    for (int i = 0; i < PlanModel::InputCount; ++i) {
        QLineEdit *edit = inputEdits[i];
        connect(edit, &QLineEdit::returnPressed, this, [this, edit, i] {
            edit->setModified(true);
            edited(PlanModel::Input(i));
        });
        // A choice offered by a completer (the detector's crystal) is an edit made.
        if (QCompleter *completer = edit->completer()) {
            connect(completer, QOverload<const QString &>::of(&QCompleter::activated), this,
                    [this, edit, i] {
                        edit->setModified(true);
                        edited(PlanModel::Input(i));
                    });
        }
    }
    // Check boxes and radio buttons hand their state to the plan; of a pair of radio buttons
    // only the one being checked counts (the plan refuses to uncheck one by itself). The
    // checkable group boxes have slots of their own.
    for (int i = 0; i < PlanModel::OptionCount; ++i) {
        const auto option = PlanModel::Option(i);
        if (auto *button = qobject_cast<QAbstractButton *>(optionWidgets[i])) {
            connect(button, &QAbstractButton::toggled, this,
                    [this, option](bool on) { plan->setOption(option, on); });
        }
    }
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
    saveDialog->setNameFilters(exportFilters(ExportKind::SpectrumTable));
    actionSave_Spectrum->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));

    connect(actionSave_Spectrum, &QAction::triggered, saveDialog, &QWidget::show);
    connect(saveDialog, &QFileDialog::fileSelected, this, &MainWindow::SaveSpectrum);
    // The desktop's own quit key; Ctrl+Q where the platform names none. Quitting closes the
    // windows, which is the path that writes the last session.
    action_Quit->setShortcuts(QKeySequence::keyBindings(QKeySequence::Quit).isEmpty()
                                  ? QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Q)}
                                  : QKeySequence::keyBindings(QKeySequence::Quit));
    connect(action_Quit, &QAction::triggered, qApp, &QApplication::closeAllWindows);
    connect(MutBox, &QGroupBox::toggled, this, &MainWindow::showHideMTBox);
    connect(FluoBox, &QGroupBox::toggled, this, &MainWindow::showHideFBox);
    connect(MeasureBox, &QGroupBox::toggled, this, &MainWindow::showHideMeasureBox);
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

// Qt reports a finished edit at every focus-out after any setText, typed or not; only text the
// user typed (or Return, an explicit re-apply) may change the plan, or tabbing through the
// solver fields would re-run them and overwrite the pellet.
void MainWindow::edited(PlanModel::Input field)
{
    QLineEdit *edit = inputEdits[field];
    if (!edit->isModified())
        return;
    edit->setModified(false);
    plan->setInput(field, edit->text());
}

void MainWindow::finishEditing()
{
    for (int i = 0; i < PlanModel::InputCount; ++i)
        edited(PlanModel::Input(i));
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
    FluoDetBox->setHidden(!f);
}

void MainWindow::showHideMeasureBox(bool f)
{
    plan->setOption(PlanModel::MeasureBox, f);
    MeasureBox->findChild<QWidget *>(QStringLiteral("MeasureContents"))->setHidden(!f);
    GView1->update(); // the region of interest shows while the box is open
}

// ---- the plan into the form ----

void MainWindow::showInput(PlanModel::Input field)
{
    // Rewriting a field with its own text would still reset its cursor and undo history.
    // A greyed angle shows what the classic model computes with; the typed value stays in the
    // plan for the detailed model and the session.
    const bool atNormal =
        (Fields::input(field).flags & CLASSIC_AT_NORMAL) && !plan->option(PlanModel::DetailedFluo);
    const QString text = atNormal ? QStringLiteral("90") : plan->input(field);
    if (inputEdits[field]->text() != text)
        inputEdits[field]->setText(text);
}

void MainWindow::showInputStyle(PlanModel::Input field)
{
    QString style = inputStyle[plan->inputStyle(field)];
    // A flagged field keeps a red frame until its value is sound.
    if (!plan->fieldProblem(field).isEmpty())
        style += invalidInputStyle;
    inputEdits[field]->setStyleSheet(style);
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
    if (auto *button = qobject_cast<QAbstractButton *>(optionWidgets[option]))
        button->setChecked(checked);
    else if (auto *box = qobject_cast<QGroupBox *>(optionWidgets[option]))
        box->setChecked(checked);
    if (option == PlanModel::DetailedFluo) {
        showDetailedState();
        showAbsorption();
    }
}
