// The form as the user meets it: default texts, alignments, sizes, hints, colours, tab order,
// the check boxes of the group boxes, and the Japanese translation.
#include "ExportFormats.h"
#include "FormDriver.h"
#include "MainWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTranslator>
#include <QtTest>

#include <cmath>
#include <memory>
#include <tuple>

namespace {

const QString kInputStyle = QStringLiteral("background-color: rgb(255, 255, 255);");
const QString kResultStyle = QStringLiteral("background-color: rgb(255, 250, 220);");
const QString kFormulaStyle = QStringLiteral("background-color: rgb(255, 255, 230);");

constexpr int kUnlimited = QWIDGETSIZE_MAX;
constexpr int kContent = -1; // a maximum width measured from the font: that of a long number
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;
constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;

// The text a user reads on a widget: a field's contents, a label, a button or a box title.
QString shownText(const QWidget *w)
{
    if (const auto *e = qobject_cast<const QLineEdit *>(w))
        return e->text();
    if (const auto *l = qobject_cast<const QLabel *>(w))
        return l->text();
    if (const auto *b = qobject_cast<const QAbstractButton *>(w))
        return b->text();
    if (const auto *g = qobject_cast<const QGroupBox *>(w))
        return g->title();
    return w->windowTitle();
}

Qt::Alignment alignmentOf(const QWidget *w)
{
    if (const auto *e = qobject_cast<const QLineEdit *>(w))
        return e->alignment();
    if (const auto *l = qobject_cast<const QLabel *>(w))
        return l->alignment();
    return {};
}

// Installs the embedded Japanese translation for as long as it lives.
class JapaneseScope
{
public:
    JapaneseScope() : loaded(translator.load(QStringLiteral(":/Tirn_ja_JP.qm")))
    {
        QCoreApplication::installTranslator(&translator);
    }
    ~JapaneseScope() { QCoreApplication::removeTranslator(&translator); }
    JapaneseScope(const JapaneseScope &) = delete;
    JapaneseScope &operator=(const JapaneseScope &) = delete;

    QTranslator translator;
    const bool loaded;
};

} // namespace

class TestForm : public QObject
{
    Q_OBJECT

private:
    // One window serves the tests that only look at it; a test that shows, clicks or replaces
    // it sets windowUsed, and the next test gets a new one.
    std::unique_ptr<MainWindow> window;
    bool windowUsed = false;

    QWidget *widget(const QString &name) const
    {
        auto *w = window->findChild<QWidget *>(name);
        if (!w && window->objectName() == name)
            return window.get();
        return w;
    }

    void dropWindow()
    {
        if (!window)
            return;
        // Hide first: a line edit that loses focus finishes its edit, and the slot behind it
        // has to run on a whole window, not on one whose members are being torn down.
        window->hide();
        window.reset();
    }

private Q_SLOTS:
    void initTestCase() { QApplication::setStyle(QStringLiteral("Fusion")); }
    void init()
    {
        if (!window)
            window = std::make_unique<MainWindow>();
    }
    void cleanup()
    {
        if (windowUsed || QTest::currentTestFailed())
            dropWindow();
        windowUsed = false;
    }
    void cleanupTestCase() { dropWindow(); }

    void englishTexts_data();
    void englishTexts();
    void alignments_data();
    void alignments();
    void sizeLimits_data();
    void sizeLimits();
    void layoutCells_data();
    void layoutCells();
    void resultFrames_data();
    void resultFrames();
    void styleSheets_data();
    void styleSheets();
    void plainToolTips_data();
    void plainToolTips();
    void densityToolTips_data();
    void densityToolTips();
    void whatsThis();
    void comboBoxesAtStart();
    void initialChoices();
    void windowFrame();
    void focusChain();
    void focusAtStart();
    void tabKey();
    void groupBoxUnchecked_data();
    void groupBoxUnchecked();
    void japaneseTexts_data();
    void japaneseTexts();
    void japaneseMenu();
    void japaneseCodeTexts_data();
    void japaneseCodeTexts();
    void everyToolTipIsInCatalogue();
    void englishShowsNoJapanese();
    void languageMenu_data();
    void languageMenu();
    void failureInABox_data();
    void failureInABox();
    void screens_data();
    void screens();
};

void TestForm::englishTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    const QList<QPair<const char *, const char *>> rows = {
        {"MainWindow", "X-ray absorption / Fluorescence simulation"},
        {"groupBox", "Materials"},
        {"groupBox_6", "Compositions"},
        {"label", "Target"},
        {"SetTgtCmp", ""},
        {"ExtendedTgtMolecularForm", ""},
        {"label_3", "Binder"},
        {"SetBndCmp", "BN"},
        {"groupBox_2", "Weights"},
        {"CylWeightlbl", "Target [mg]"},
        {"SetTgtWeight", "10"},
        {"label_28", "Binder [mg]"},
        {"SetBndWeight", "0"},
        {"label_29", "Total [mg]"},
        {"CylWeight", ""}, // no target: no pellet to weigh
        {"groupBox_4", "Cylinder Size"},
        {"label_22", "Dia. [mm]"},
        {"SetCylDiam", "7"},
        {"label_30", "Vol. [mm3]"},
        {"CylVol", ""},
        {"groupBox_3", "Thickness"},
        {"SetThick", "1"},
        {"label_27", "[mm]"},
        {"groupBox_5", "Target Ratio"},
        {"SetTgtBndMolR", "100"},
        {"label_25", "[Mol%]"},
        {"SetTgtBndWtR", "100"},
        {"label_18", "[Wt%]"},
        {"groupBox_7", "Density [g/cm3]"},
        {"label_4", "Target"},
        {"SetTgtDens", "1"},
        {"label_5", "Binder"},
        {"SetBndDens", "2.34"},
        {"MutBox", "mut Calculation"},
        {"MutMutBox", "d-mut / mut"},
        {"label_17", "d-mu t "},
        {"dMut", ""},
        {"SetDMuT", "1"},
        {"label_16", "   mu(+)t"},
        {"MuPt", ""},
        {"SetMuT", "2.5"},
        {"label_19", "   Trans."},
        {"TransM", ""},
        {"MutCalcPBox", "Calc. Point"},
        {"label_8", "    Calc. Point [keV]"},
        {"SetCalcPointE", ""},
        {"label_6", "   Element"},
        {"label_7", "   Abs. Edge"},
        {"groupBox_8", "Check mu/mut for F-XAFS"},
        {"label_21", ""},
        {"label_13", "Thin"},
        {"label_15", ""},
        {"label_14", "Thick and Dilute"},
        {"label_20", ""},
        {"FluoBox", "Fluorescence Calculation"},
        {"FluoECBox", "Exp. Conditions"},
        {"label_36", "   Ext.Eng.[keV]"},
        {"ExtEnergy", "10"},
        {"label_34", "  Distance[cm]"},
        {"Distance", "20"},
        {"label_32", "  Det. Rad.[cm]"},
        {"DetRadius", "0.5"},
        {"FluoEFBox", "Env. / Filters"},
        {"label_10", "Composition"},
        {"label_41", "Thick. [mm]"},
        {"label_42", "Dens.[g/cm3]"},
        {"label_23", "Air"},
        {"label_2", "(N2)0.781(O2)0.209(Ar)0.009"},
        {"AirThickness", "150"},
        {"label_9", "1.293e-3"},
        {"label_40", "Filter 1"},
        {"Filter1Composition", "Al"},
        {"Filter1Thickness", "0"},
        {"Filter1Density", "2.7"},
        {"label_43", "Filter 2"},
        {"Filter2Composition", ""},
        {"Filter2Thickness", ""},
        {"Filter2Density", ""},
        {"FluoNCBox", "Conditions on Numerical Calculation"},
        {"label_33", "I0[photons/sec]"},
        {"I0Flux", "1e10"},
        {"label_38", "MCA Ch[keV]"},
        {"MCAResolution", "0.01"},
        {"label_35", "Det. Res.(FWHM)[keV]"},
        {"DetResolution", "0.3"},
        {"label_37", "Int."},
        {"IntensityPeak", "Peak"},
        {"IntensityInt", "Integ."},
        {"AddInfoRatioF", "Ratio"},
        {"AddInfo", ""},
        {"groupBox_15", "Calculated Spectra"},
        {"label_11", "Es"},
        {"StartE0", "5"},
        {"label_12", "  Ee"},
        {"EndE0", "20"},
        {"label_39", "[keV]"},
    };
    for (const auto &row : rows)
        QTest::newRow(row.first) << QString::fromLatin1(row.first) << QString::fromUtf8(row.second);
}

void TestForm::englishTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    const QWidget *w = widget(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(shownText(w), text);
}

void TestForm::alignments_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("alignment");

    // Numbers line up on the right, compositions read from the left.
    for (const char *n : {"SetTgtWeight",
                          "SetBndWeight",
                          "SetCylDiam",
                          "SetThick",
                          "SetTgtBndMolR",
                          "SetTgtBndWtR",
                          "SetTgtDens",
                          "SetBndDens",
                          "SetDMuT",
                          "SetMuT",
                          "ExtEnergy",
                          "Distance",
                          "DetRadius",
                          "AirThickness",
                          "Filter1Thickness",
                          "Filter1Density",
                          "Filter2Thickness",
                          "Filter2Density",
                          "I0Flux",
                          "MCAResolution",
                          "DetResolution",
                          "StartE0",
                          "EndE0",
                          "CylWeight",
                          "CylVol",
                          "dMut",
                          "MuPt",
                          "TransM",
                          "label_15",
                          "label_20",
                          "label_9",
                          "label_17",
                          "label_16",
                          "label_19"})
        QTest::newRow(n) << QString::fromLatin1(n) << int(kRight);
    for (const char *n : {"SetTgtCmp", "SetBndCmp", "Filter1Composition", "Filter2Composition",
                          "SetCalcPointE", "label_2"})
        QTest::newRow(n) << QString::fromLatin1(n) << int(kLeft);
}

void TestForm::alignments()
{
    QFETCH(QString, name);
    QFETCH(int, alignment);
    const QWidget *w = widget(name);
    QVERIFY2(w, qPrintable(name));
    const Qt::Alignment mask = Qt::AlignHorizontal_Mask | Qt::AlignVertical_Mask;
    QCOMPARE(int(alignmentOf(w) & mask), alignment);
}

void TestForm::sizeLimits_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QSize>("maximum");

    QTest::newRow("SetTgtCmp") << "SetTgtCmp" << QSize(80, 0) << QSize(kUnlimited, 10000);
    QTest::newRow("StartE0") << "StartE0" << QSize(0, 0) << QSize(kContent, kUnlimited);
    QTest::newRow("SetBndCmp") << "SetBndCmp" << QSize(0, 0) << QSize(kUnlimited, 10000);
    QTest::newRow("SetTgtWeight") << "SetTgtWeight" << QSize(60, 0) << QSize(80, kUnlimited);
    QTest::newRow("CylWeight") << "CylWeight" << QSize(60, 24) << QSize(80, kUnlimited);
    QTest::newRow("CylVol") << "CylVol" << QSize(60, 24) << QSize(80, kUnlimited);
    QTest::newRow("SetThick") << "SetThick" << QSize(60, 20) << QSize(kContent, 100000);
    QTest::newRow("SetTgtBndMolR") << "SetTgtBndMolR" << QSize(60, 20) << QSize(80, 100000);
    QTest::newRow("SetTgtBndWtR") << "SetTgtBndWtR" << QSize(60, 20) << QSize(80, 10000);
    QTest::newRow("SetTgtDens") << "SetTgtDens" << QSize(50, 0) << QSize(80, 100000);
    QTest::newRow("SetBndDens") << "SetBndDens" << QSize(50, 0) << QSize(80, 1000000);
    QTest::newRow("dMut") << "dMut" << QSize(0, 0) << QSize(kContent, 10000);
    QTest::newRow("SetMuT") << "SetMuT" << QSize(0, 0) << QSize(kContent, 10000);
    QTest::newRow("SetCalcPointE") << "SetCalcPointE" << QSize(60, 20) << QSize(kContent, 20);
    QTest::newRow("SelectTE") << "SelectTE" << QSize(0, 0) << QSize(10000, 100000);
    QTest::newRow("SelectAE") << "SelectAE" << QSize(0, 0) << QSize(10000, 10000);
    QTest::newRow("I0Flux") << "I0Flux" << QSize(50, 0) << QSize(kContent, kUnlimited);
    QTest::newRow("GView1") << "GView1" << QSize(0, 100) << QSize(kUnlimited, kUnlimited);
}

void TestForm::sizeLimits()
{
    QFETCH(QString, name);
    QFETCH(QSize, minimum);
    QFETCH(QSize, maximum);
    const QWidget *w = widget(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(w->minimumSize(), minimum);
    if (maximum.width() == kContent) {
        // Room for "-8.8888e+10" and the frame: more than nine digits, less than sixteen.
        const QFontMetrics fm = w->fontMetrics();
        QVERIFY2(w->maximumWidth() > fm.horizontalAdvance(QString(9, QLatin1Char('8'))) &&
                     w->maximumWidth() < fm.horizontalAdvance(QString(16, QLatin1Char('8'))),
                 qPrintable(QString::number(w->maximumWidth())));
        QCOMPARE(w->maximumHeight(), maximum.height());
    } else {
        QCOMPARE(w->maximumSize(), maximum);
    }
}

void TestForm::layoutCells_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QRect>("cell"); // column, row, column span, row span

    QTest::newRow("groupBox") << "groupBox"
                              << "gridLayout_7" << QRect(0, 0, 3, 1);
    QTest::newRow("MutBox") << "MutBox"
                            << "gridLayout_7" << QRect(0, 1, 1, 1);
    QTest::newRow("groupBox_8") << "groupBox_8"
                                << "gridLayout_7" << QRect(1, 1, 1, 1);
    QTest::newRow("FluoBox") << "FluoBox"
                             << "gridLayout_7" << QRect(0, 2, 3, 1);
    QTest::newRow("groupBox_6") << "groupBox_6"
                                << "gridLayout" << QRect(0, 0, 1, 2);
    QTest::newRow("groupBox_2") << "groupBox_2"
                                << "gridLayout" << QRect(1, 0, 1, 2);
    QTest::newRow("groupBox_3") << "groupBox_3"
                                << "gridLayout" << QRect(2, 0, 1, 2);
    QTest::newRow("ExtendedBndMolecularForm") << "ExtendedBndMolecularForm"
                                              << "gridLayout_5" << QRect(1, 3, 1, 1);
    QTest::newRow("line") << "line"
                          << "gridLayout_2" << QRect(0, 2, 2, 1);
    QTest::newRow("groupBox_4") << "groupBox_4"
                                << "gridLayout_2" << QRect(2, 0, 1, 4);
    QTest::newRow("label_27") << "label_27"
                              << "gridLayout_4" << QRect(2, 0, 1, 1);
    QTest::newRow("groupBox_5") << "groupBox_5"
                                << "gridLayout_4" << QRect(0, 1, 2, 1);
    QTest::newRow("groupBox_7") << "groupBox_7"
                                << "gridLayout_4" << QRect(2, 1, 1, 1);
    QTest::newRow("TransM") << "TransM"
                            << "gridLayout_10" << QRect(4, 1, 1, 1);
    QTest::newRow("label_8") << "label_8"
                             << "gridLayout_11" << QRect(0, 0, 2, 1);
    QTest::newRow("SetCalcPointE") << "SetCalcPointE"
                                   << "gridLayout_11" << QRect(2, 0, 2, 1);
    QTest::newRow("line_2") << "line_2"
                            << "gridLayout_11" << QRect(0, 1, 4, 1);
    QTest::newRow("SelectAE") << "SelectAE"
                              << "gridLayout_11" << QRect(3, 2, 1, 1);
    QTest::newRow("label_20") << "label_20"
                              << "gridLayout_17" << QRect(1, 2, 1, 1);
    QTest::newRow("FluoNCBox") << "FluoNCBox"
                               << "gridLayout_12" << QRect(2, 0, 1, 1);
    QTest::newRow("DetRadius") << "DetRadius"
                               << "gridLayout_14" << QRect(1, 3, 1, 1);
    QTest::newRow("label_9") << "label_9"
                             << "gridLayout_15" << QRect(3, 1, 1, 1);
    QTest::newRow("Filter2Density") << "Filter2Density"
                                    << "gridLayout_15" << QRect(3, 3, 1, 1);
    QTest::newRow("I0Flux") << "I0Flux"
                            << "gridLayout_13" << QRect(1, 0, 2, 1);
    QTest::newRow("GView1") << "GView1"
                            << "gridLayout_16" << QRect(0, 1, 6, 1);
}

void TestForm::layoutCells()
{
    QFETCH(QString, name);
    QFETCH(QString, layout);
    QFETCH(QRect, cell);
    QWidget *w = widget(name);
    QVERIFY2(w, qPrintable(name));
    auto *grid = window->findChild<QGridLayout *>(layout);
    QVERIFY2(grid, qPrintable(layout));
    const int index = grid->indexOf(w);
    QVERIFY2(index >= 0, "not in this layout");
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    QCOMPARE(QRect(column, row, columnSpan, rowSpan), cell);
}

void TestForm::resultFrames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("shadow");

    for (const char *n : {"CylWeight", "CylVol", "dMut", "MuPt", "TransM",
                          "ExtendedTgtMolecularForm", "ExtendedBndMolecularForm"})
        QTest::newRow(n) << QString::fromLatin1(n) << int(QFrame::Sunken);
    for (const char *n : {"label_15", "label_20", "label_2", "label_9"})
        QTest::newRow(n) << QString::fromLatin1(n) << int(QFrame::Plain);
}

void TestForm::resultFrames()
{
    QFETCH(QString, name);
    QFETCH(int, shadow);
    const auto *frame = qobject_cast<const QFrame *>(widget(name));
    QVERIFY2(frame, qPrintable(name));
    QCOMPARE(frame->frameShape(), QFrame::StyledPanel);
    QCOMPARE(int(frame->frameShadow()), shadow);
}

void TestForm::styleSheets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("style");

    for (const char *n : {"SetTgtCmp",
                          "SetBndCmp",
                          "SetTgtWeight",
                          "SetBndWeight",
                          "SetCylDiam",
                          "SetThick",
                          "SetTgtBndMolR",
                          "SetTgtBndWtR",
                          "SetTgtDens",
                          "SetBndDens",
                          "SetDMuT",
                          "SetMuT",
                          "SetCalcPointE",
                          "SelectTE",
                          "SelectAE",
                          "ExtEnergy",
                          "Distance",
                          "DetRadius",
                          "AirThickness",
                          "Filter1Composition",
                          "Filter1Thickness",
                          "Filter1Density",
                          "Filter2Composition",
                          "Filter2Thickness",
                          "Filter2Density",
                          "I0Flux",
                          "MCAResolution",
                          "DetResolution",
                          "StartE0",
                          "EndE0"})
        QTest::newRow(n) << QString::fromLatin1(n) << kInputStyle;
    for (const char *n : {"CylWeight", "CylVol", "dMut", "MuPt", "TransM", "label_15", "label_20",
                          "label_2", "label_9"})
        QTest::newRow(n) << QString::fromLatin1(n) << kResultStyle;
    for (const char *n : {"ExtendedTgtMolecularForm", "ExtendedBndMolecularForm"})
        QTest::newRow(n) << QString::fromLatin1(n) << kFormulaStyle;
    QTest::newRow("groupBox") << "groupBox"
                              << "background-color: rgba(255, 255, 220, 128);";
    QTest::newRow("MutBox") << "MutBox"
                            << "background-color: rgba(245, 255, 230, 128);";
    QTest::newRow("groupBox_8") << "groupBox_8"
                                << "background-color: rgba(255, 235, 220, 128);";
    QTest::newRow("FluoBox") << "FluoBox"
                             << "background-color: rgba(255, 235, 220, 128);";
    QTest::newRow("groupBox_15") << "groupBox_15"
                                 << "background-color: rgba(255, 230, 230, 128);";
    // The inner boxes of the materials area are cleared, the rest inherit; the labels carry none.
    for (const char *n : {"groupBox_2", "groupBox_6", "groupBox_3", "groupBox_7", "groupBox_4",
                          "groupBox_5", "MutMutBox", "FluoNCBox", "label_17", "MainWindow"})
        QTest::newRow(n) << QString::fromLatin1(n) << QString();
}

void TestForm::styleSheets()
{
    QFETCH(QString, name);
    QFETCH(QString, style);
    const QWidget *w = widget(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(w->styleSheet(), style);
}

void TestForm::plainToolTips_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tip");

    const QList<QPair<const char *, const char *>> rows = {
        {"SetTgtBndWtR", "Share of the target in the total weight (target and binder)"},
        {"SetThick", "Sample thickness"},
        {"DetRadius", "Radius of the detector's active area: 0.5 cm is about 80 mm2"},
        {"MCAResolution", "Width of one channel of the multichannel analyser; 0.01 keV is usual"},
        {"DetResolution", "Energy resolution (FWHM) of the detector at Mn K\u03b1 (5.9 keV): "
                          "typically 0.12 to 0.15 keV for a silicon drift detector"},
        {"IntensityPeak", "<html><head/><body><p>Peak intensity in the display roughly shows "
                          "actual integrated intensity.</p></body></html>"},
        {"IntensityInt", "<html><head/><body><p>Integrated intensity in a region on the display "
                         "is corresponded to the correct integrated intensity.</p></body></html>"},
        {"label_17",
         "Change of the absorption from just below to just above the calculation point"},
        {"dMut", "Absorption step computed for the given materials, thickness and energy"},
        {"label_16", "mu t just above the calculation point."},
        {"MuPt", "Absorption computed for the given materials, thickness and energy"},
        {"SetDMuT", "Enter the wanted d-mu t (typically about 1)"},
        {"SetMuT", "Enter the wanted mu t (typically 3 to 4)"},
        {"label_15", "Thin sample: mu(+)t at the calculation point is 0.1 or less, so "
                     "self-absorption is negligible."},
        {"label_20", "Thick and dilute sample: mu(+)t at the calculation point is 2 or more and "
                     "d-mu t / mu(+)t is 10 % or less."},
        // Fields without a hint must not pick one up by accident.
        {"SetTgtCmp", ""},
        {"ExtEnergy", ""},
        {"I0Flux", ""},
    };
    for (const auto &row : rows)
        QTest::newRow(row.first) << QString::fromLatin1(row.first) << QString::fromUtf8(row.second);
}

void TestForm::plainToolTips()
{
    QFETCH(QString, name);
    QFETCH(QString, tip);
    const QWidget *w = widget(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(w->toolTip(), tip);
}

void TestForm::densityToolTips_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("quoted");

    // The hints quote the binder's default density and the pellet rule of thumb: a disc of
    // diameter d weighs t [cm] grams at the density 4 / (pi d^2).
    const QString binder = QString::fromLatin1(Fields::input(PlanModel::SetBndDens).defaultText);
    const auto rule = [](double diameterCm) {
        return QString::number(4 / (M_PI * diameterCm * diameterCm), 'f', 2);
    };
    QTest::newRow("SetTgtDens") << "SetTgtDens"
                                << QStringList{binder, rule(1.0) + QStringLiteral(" g/cm3 a 10 mm"),
                                               rule(0.7) + QStringLiteral(" g/cm3 a 7 mm")};
    QTest::newRow("SetBndDens") << "SetBndDens" << QStringList{binder};
}

void TestForm::densityToolTips()
{
    QFETCH(QString, name);
    QFETCH(QStringList, quoted);
    const QWidget *w = widget(name);
    QVERIFY2(w, qPrintable(name));
    for (const QString &text : quoted)
        QVERIFY2(w->toolTip().contains(text),
                 qPrintable(text + QLatin1String(" | ") + w->toolTip()));
}

void TestForm::whatsThis()
{
    QCOMPARE(window->SetTgtBndWtR->whatsThis(),
             QStringLiteral("Share of the target in the total weight (target and binder)"));
    // It is the only one in the form.
    const auto all = window->findChildren<QWidget *>();
    for (const QWidget *w : all) {
        if (w != window->SetTgtBndWtR)
            QVERIFY2(w->whatsThis().isEmpty(), qPrintable(w->objectName()));
    }
}

void TestForm::comboBoxesAtStart()
{
    QCOMPARE(window->SelectTE->count(), 0);
    QCOMPARE(window->SelectTE->currentIndex(), -1);
    QVERIFY(window->SelectTE->hasFrame());

    QStringList edges;
    for (int i = 0; i < window->SelectAE->count(); ++i)
        edges << window->SelectAE->itemText(i);
    QCOMPARE(edges, (QStringList{"K", "LI", "LII", "LIII", "MI"}));
    QCOMPARE(window->SelectAE->currentIndex(), 0);
}

void TestForm::initialChoices()
{
    windowUsed = true;
    QVERIFY(window->AddInfoRatioF->isChecked());
    QVERIFY(window->IntensityInt->isChecked());
    QVERIFY(!window->IntensityPeak->isChecked());
    QVERIFY(window->IntensityPeak->autoExclusive());

    QVERIFY(window->MutBox->isCheckable());
    QVERIFY(window->MutBox->isChecked());
    QVERIFY(window->FluoBox->isCheckable());
    QVERIFY(window->FluoBox->isChecked());
    QVERIFY(!window->FluoBox->isFlat());
    QVERIFY(!window->groupBox_8->isCheckable());

    // The two intensity buttons exclude each other, and leave the ratio button alone.
    QTest::mouseClick(window->IntensityPeak, Qt::LeftButton);
    QVERIFY(window->IntensityPeak->isChecked());
    QVERIFY(!window->IntensityInt->isChecked());
    QVERIFY(window->AddInfoRatioF->isChecked());
}

void TestForm::windowFrame()
{
    QCOMPARE(window->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window->size(), QSize(854, 964));
    QCOMPARE(window->styleSheet(), QString());
    // The form scrolls above a splitter; the plot's group takes the lower part.
    auto *splitter = qobject_cast<QSplitter *>(window->centralWidget());
    QVERIFY(splitter);
    QCOMPARE(splitter->count(), 2);
    QVERIFY(window->centralwidget->isAncestorOf(window->SetTgtCmp));
    QCOMPARE(qobject_cast<QScrollArea *>(splitter->widget(0))->widget(), window->centralwidget);
    QCOMPARE(splitter->widget(1), window->groupBox_15);
    QCOMPARE(window->menuBar(), window->menubar);
    QCOMPARE(window->statusBar(), window->statusbar);
    QCOMPARE(window->menubar->geometry(), QRect(0, 0, 854, 21));

    QCOMPARE(window->action_Open->text(), QStringLiteral("&Open Session..."));
    QCOMPARE(window->action_Quit->text(), QStringLiteral("&Quit"));
    QCOMPARE(window->actionSave_Spectrum->text(), QStringLiteral("Save Spectrum"));
    QCOMPARE(window->menu_File->title(), QStringLiteral("&File"));

    QCOMPARE(window->menubar->actions().first(), window->menu_File->menuAction());
    QCOMPARE(window->menubar->actions().size(), 2); // File, Settings
    const QList<QAction *> items = window->menu_File->actions();
    QCOMPARE(items.size(), 11);
    QCOMPARE(items.at(0), window->action_Open);
    QCOMPARE(items.at(1)->objectName(), QStringLiteral("actionSave_Session"));
    QCOMPARE(items.at(2), window->actionSave_Spectrum);
    QCOMPARE(items.at(3)->objectName(), QStringLiteral("actionSave_Plot_Image"));
    QVERIFY(items.at(4)->isSeparator());
    // The measured spectrum's entries, set apart from the plan's own files.
    QCOMPARE(items.at(5)->objectName(), QStringLiteral("actionOpen_Measured"));
    QCOMPARE(items.at(8)->objectName(), QStringLiteral("actionSave_Channels"));
    QVERIFY(items.at(9)->isSeparator());
    QCOMPARE(items.at(10), window->action_Quit);
    QCOMPARE(window->action_Open->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    QCOMPARE(items.at(1)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    QCOMPARE(window->action_Quit->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));

    // The plot widget is the promoted custom class, not a plain QWidget.
    QVERIFY(qobject_cast<GView *>(window->findChild<QWidget *>(QStringLiteral("GView1"))));
}

namespace {

const QStringList kTabOrder = {"SetTgtCmp",
                               "SetBndCmp",
                               "SetDMuT",
                               "SetMuT",
                               "SelectTE",
                               "SelectAE",
                               "SetCylDiam",
                               "SetTgtBndMolR",
                               "SetTgtBndWtR",
                               "SetTgtDens",
                               "SetBndDens",
                               "SetThick",
                               "SetTgtWeight",
                               "SetBndWeight",
                               "SetCalcPointE",
                               "ExtEnergy",
                               "Distance",
                               "DetRadius",
                               "IncidenceAngle", // the detailed model's, on by default
                               "ExitAngle",
                               "DetElements",
                               "AirThickness",
                               "Filter1Composition",
                               "Filter1Thickness",
                               "Filter1Density",
                               "Filter2Composition",
                               "Filter2Thickness",
                               "Filter2Density",
                               "FrontWindowComposition",
                               "FrontWindowThickness",
                               "FrontWindowDensity",
                               "BackWindowComposition",
                               "BackWindowThickness",
                               "BackWindowDensity",
                               "DetWindowComposition",
                               "DetBeWindow",
                               "DetWindowDensity",
                               "I0Flux",
                               "MCAResolution",
                               "DetResolution",
                               "DetMaterial",
                               "DetSiThickness",
                               "DetDeadLayer",
                               "DetDeadTime",
                               "PileupTime",
                               "IntensityPeak",
                               "IntensityInt",
                               "StartE0",
                               "EndE0"};

} // namespace

// The focus chain from the target field on: the first widgets that take focus by Tab are the
// listed fields, in this order, with nothing in between.
void TestForm::focusChain()
{
    QStringList chain;
    QWidget *w = window->SetTgtCmp;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window.get()) && w->isEnabled())
            chain << w->objectName();
        w = w->nextInFocusChain();
    } while (w != window->SetTgtCmp && chain.size() < kTabOrder.size());
    QCOMPARE(chain, kTabOrder);
}

// A new window takes typing in the target, with nothing clicked first.
void TestForm::focusAtStart()
{
    windowUsed = true;
    window = std::make_unique<MainWindow>();
    window->show();
    QApplication::setActiveWindow(window.get());
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(window->SetTgtCmp));
    // The empty form says what it waits for.
    QVERIFY2(window->statusBar()->currentMessage().startsWith(QLatin1String("Target: ")),
             qPrintable(window->statusBar()->currentMessage()));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("CuO"));
    QCOMPARE(window->SetTgtCmp->text(), QStringLiteral("CuO"));
}

// Pressing Tab on the shown window walks the same order. The two intensity buttons exclude each
// other and form a single Tab stop (the arrow keys move between them), so "Integ." is not
// reached by Tab itself.
void TestForm::tabKey()
{
    windowUsed = true;
    QStringList expected = kTabOrder;
    expected.removeOne(QStringLiteral("IntensityInt"));

    window->show();
    QApplication::setActiveWindow(window.get());
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    window->SetTgtCmp->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(window->SetTgtCmp));

    QStringList reached{window->SetTgtCmp->objectName()};
    while (reached.size() < expected.size()) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(reached, expected);

    // Back from the last one, Shift+Tab retraces the order.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget()->objectName(), expected.at(expected.size() - 2));
}

void TestForm::groupBoxUnchecked_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("hidden");
    QTest::addColumn<QStringList>("disabled");

    QTest::newRow("FluoBox") << "FluoBox"
                             << QStringList{"FluoECBox", "FluoEFBox", "FluoNCBox", "FluoDetBox"}
                             << QStringList{"AddInfoRatioF", "AddInfo"};
    QTest::newRow("MutBox") << "MutBox" << QStringList{"MutMutBox", "MutCalcPBox"} << QStringList{};
}

// Unchecking a box folds its sub-boxes away; what stays visible is greyed out until it is
// checked again.
void TestForm::groupBoxUnchecked()
{
    windowUsed = true;
    QFETCH(QString, box);
    QFETCH(QStringList, hidden);
    QFETCH(QStringList, disabled);

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto *group = qobject_cast<QGroupBox *>(widget(box));
    QVERIFY(group);

    // Space on the box's title toggles its check box, like a click on it.
    QTest::keyClick(group, Qt::Key_Space);
    QVERIFY(!group->isChecked());
    for (const QString &n : hidden) {
        QVERIFY2(widget(n), qPrintable(n));
        QVERIFY2(widget(n)->isHidden(), qPrintable(n));
    }
    for (const QString &n : disabled) {
        QVERIFY2(widget(n)->isVisible(), qPrintable(n));
        QVERIFY2(!widget(n)->isEnabled(), qPrintable(n));
    }
    QVERIFY(group->isVisible());

    QTest::keyClick(group, Qt::Key_Space);
    QVERIFY(group->isChecked());
    for (const QString &n : hidden)
        QVERIFY2(widget(n)->isVisible(), qPrintable(n));
    for (const QString &n : disabled)
        QVERIFY2(widget(n)->isEnabled(), qPrintable(n));
}

void TestForm::japaneseTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tip");

    const QList<std::tuple<const char *, const char *, const char *>> rows = {
        {"MainWindow", "X線吸収 / 蛍光 シミュレーション", ""},
        {"groupBox", "物質", ""},
        {"groupBox_6", "組成", ""},
        {"label", "対象物質", ""},
        {"label_3", "希釈物質", ""},
        {"CylWeightlbl", "対象物質 [mg]", ""},
        {"groupBox_4", "錠剤サイズ", ""},
        {"groupBox_3", "厚さ", ""},
        {"SetThick", "1", "試料膜厚"},
        {"SetTgtBndWtR", "100", "全重量(ターゲットとバインダ)に占めるターゲット重量の割合"},
        {"MutBox", "μt 計算", ""},
        {"MutMutBox", "Δμt / μt", ""},
        {"label_17", "Δμt", "\"Center\"に指定したエネルギーの直前、直後での吸収係数の変化"},
        {"label_16", "   μ(+)t", "\"Center\"に指定したエネルギー直後の線吸収係数。"},
        {"label_19", "   透過率", ""},
        {"MutCalcPBox", "吸収計算点", ""},
        {"label_8", "    吸収計算点 [keV]", ""},
        {"label_6", "元素", ""},
        {"label_7", "吸収端", ""},
        {"label_36", "励起E[keV]", ""},
        {"label_34", "   距離[cm]", ""},
        {"label_32", "   検出器半径[cm]", ""},
        {"DetRadius", "0.5", "検出器の有感領域の半径: 0.5 cm で約 80 mm2"},
        {"FluoBox", "蛍光スペクトル", ""},
        {"FluoNCBox", "絶対値計算の為の条件", ""},
        {"FluoDetBox", "検出器", ""},
        {"label_33", "I0強度[光子/秒]", ""},
        {"MCAResolution", "0.01", "マルチチャンネルアナライザの 1 チャンネルの幅。通常は 0.01 keV"},
        {"DetResolution", "0.3",
         "Mn Kα (5.9 keV) での検出器のエネルギー分解能 (半値全幅): シリコンドリフト検出器では通常 "
         "0.12〜0.15 keV"},
        {"IntensityPeak", "ピーク",
         "グラフのピーク強度が実際に観測される積分強度に大まかに対応します。"},
        {"IntensityInt", "積分",
         "<html><head/><body><p>グラフの上での積分強度が実際の積分強度に対応します。</p>"
         "</body></html>"},
        {"label_15", "", "薄い試料: 吸収計算点の μ(+)t が 0.1 以下なら自己吸収は無視できます。"},
        {"label_20", "",
         "厚く希薄な試料: 吸収計算点の μ(+)t が 2 以上で、Δμt / μ(+)t が 10 % 以下。"},
        {"label_12", "終点", ""},
        {"label_11", "始点", ""},
        {"groupBox_15", "計算スペクトル", ""},
        {"label_13", "薄い試料", ""},
        {"label_14", "厚く希薄な試料", ""},
        {"label_21", "", ""},
        {"groupBox_8", "蛍光XAFS用 μ/μt の確認", ""},
        {"AddInfoRatioF", "比率", ""},
        // Untranslated on purpose: numbers and units stay as written.
        {"I0Flux", "1e10", ""},
        {"label_39", "[keV]", ""},
        {"label_2", "(N2)0.781(O2)0.209(Ar)0.009", ""},
        {"SetBndCmp", "BN", ""},
    };
    for (const auto &row : rows)
        QTest::newRow(std::get<0>(row))
            << QString::fromLatin1(std::get<0>(row)) << QString::fromUtf8(std::get<1>(row))
            << QString::fromUtf8(std::get<2>(row));
}

void TestForm::japaneseTexts()
{
    windowUsed = true;
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, tip);

    const JapaneseScope japanese;
    QVERIFY(japanese.loaded);
    window = std::make_unique<MainWindow>();

    const QWidget *w = widget(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(shownText(w), text);
    QCOMPARE(w->toolTip(), tip);
}

void TestForm::japaneseMenu()
{
    windowUsed = true;
    const JapaneseScope japanese;
    QVERIFY(japanese.loaded);
    window = std::make_unique<MainWindow>();

    QCOMPARE(window->actionSave_Spectrum->text(), QStringLiteral("スペクトル保存"));
    QCOMPARE(window->action_Quit->text(), QStringLiteral("終了(&Q)"));
    QCOMPARE(window->menu_File->title(), QStringLiteral("ファイル(&F)"));
    // The save dialogs list the export formats in the interface language too.
    QCOMPARE(
        window->saveDialog->nameFilters(),
        (QStringList{"データファイル (*.dat)", "CSV ファイル (*.csv)", "すべてのファイル (*)"}));
    QCOMPARE(exportFilters(ExportKind::PlotImage),
             (QStringList{"PNG 画像 (*.png)", "SVG 図 (*.svg)", "PDF 文書 (*.pdf)"}));
}

void TestForm::japaneseCodeTexts_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("japanese");

    QTest::newRow("plot caption") << "Calc. Point"
                                  << "吸収計算点";
    QTest::newRow("cursor read-out") << "Fluo. Int. : %1 photons/s (at %2 [keV])"
                                     << "蛍光強度 : %1 光子/秒 (%2 [keV] にて)";
    QTest::newRow("cursor read-out, Integ.")
        << "Fluo. Int. : %1 photons/s per channel (at %2 [keV])"
        << "蛍光強度 : %1 光子/秒/チャンネル (%2 [keV] にて)";
    QTest::newRow("check passed") << "OK"
                                  << "OK";
    QTest::newRow("check failed") << "not OK"
                                  << "不適";
}

void TestForm::japaneseCodeTexts()
{
    QFETCH(QString, source);
    QFETCH(QString, japanese);

    const QByteArray key = source.toUtf8();
    QCOMPARE(QCoreApplication::translate("MainWindow", key.constData()), source);
    {
        const JapaneseScope scope;
        QVERIFY(scope.loaded);
        QCOMPARE(QCoreApplication::translate("MainWindow", key.constData()), japanese);
    }
    QCOMPARE(QCoreApplication::translate("MainWindow", key.constData()), source);
}

// A hint whose source text differs by a single byte from the form's would silently stay
// untranslated; the catalogue must hold every hint exactly as the form passes it, including
// those that read the same in both languages.
void TestForm::everyToolTipIsInCatalogue()
{
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/Tirn_ja_JP.qm")));
    int tips = 0;
    const auto all = window->findChildren<QWidget *>();
    for (const QWidget *w : all) {
        const QString tip = w->toolTip();
        if (tip.isEmpty())
            continue;
        ++tips;
        const QByteArray key = tip.toUtf8();
        QVERIFY2(!translator.translate("MainWindow", key.constData()).isEmpty(),
                 qPrintable(w->objectName()));
    }
    // The detailed model's fields carry their captions' hints too, the plot's check boxes theirs;
    // the measurement's 23 fields and read-outs and their captions, and its button, 47 more;
    // the windows and the detector's crystal, dead layer and elements, 13 more; the measured
    // spectrum's and the per-channel spectrum's 8 fields and their captions and the file's
    // button, 17 more.
    QCOMPARE(tips, 117);
}

// Started in English, nothing on the screen is Japanese: texts, titles, hints, menus.
void TestForm::englishShowsNoJapanese()
{
    const auto japanese = [](const QString &text) {
        for (const QChar ch : text) {
            const ushort u = ch.unicode();
            if ((u >= 0x3040 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF) || u == 0xFF08)
                return true;
        }
        return false;
    };
    // The language menu alone names itself and Japanese in Japanese too, so that it can be
    // found by someone who reads only that.
    const auto *languages = window->findChild<QMenu *>(QStringLiteral("menu_Language"));
    QVERIFY(languages);
    const auto all = window->findChildren<QWidget *>();
    for (const QWidget *w : all) {
        if (w == languages)
            continue;
        const QString text = w->property("text").toString() + w->property("title").toString() +
                             w->toolTip() + w->whatsThis() + w->statusTip();
        QVERIFY2(!japanese(text), qPrintable(w->objectName() + QLatin1String(": ") + text));
    }
    int bilingual = 0;
    for (const QAction *a : window->findChildren<QAction *>()) {
        if (a == languages->menuAction() || a->objectName() == QLatin1String("actionJapanese")) {
            ++bilingual;
            continue;
        }
        QVERIFY2(!japanese(a->text() + a->toolTip()), qPrintable(a->objectName()));
    }
    QCOMPARE(bilingual, 2);
}

// Settings > Language: the language the window is in is ticked; a choice goes to the
// preferences (through the signal) and the status bar says, in the language chosen, when it
// takes effect.
void TestForm::languageMenu_data()
{
    QTest::addColumn<bool>("builtJapanese");
    QTest::addColumn<bool>("chooseJapanese");
    QTest::addColumn<QString>("says");

    const QString inEnglish =
        QStringLiteral("English from the next start, unless started as Tirne or with -e or -j.");
    const QString inJapanese =
        QStringLiteral("次回の起動から日本語で表示します（Tirne としての起動と -e、-j "
                       "の指定が優先されます）。");
    QTest::newRow("English window, Japanese chosen") << false << true << inJapanese;
    QTest::newRow("English window, English chosen") << false << false << inEnglish;
    QTest::newRow("Japanese window, English chosen") << true << false << inEnglish;
    QTest::newRow("Japanese window, Japanese chosen") << true << true << inJapanese;
}

void TestForm::languageMenu()
{
    QFETCH(bool, builtJapanese);
    QFETCH(bool, chooseJapanese);
    QFETCH(QString, says);

    windowUsed = true;
    {
        std::unique_ptr<JapaneseScope> scope;
        if (builtJapanese)
            scope = std::make_unique<JapaneseScope>();
        window = std::make_unique<MainWindow>();
    }
    auto *languages = window->findChild<QMenu *>(QStringLiteral("menu_Language"));
    QVERIFY(languages);
    QCOMPARE(languages->title(), QStringLiteral("Language / 言語"));
    auto *settings = window->findChild<QMenu *>(QStringLiteral("menu_Settings"));
    QVERIFY(settings->actions().contains(languages->menuAction()));
    const QList<QAction *> items = languages->actions();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items.at(0)->text(), QStringLiteral("日本語"));
    QCOMPARE(items.at(1)->text(), QStringLiteral("English"));
    QCOMPARE(items.at(0)->isChecked(), builtJapanese);
    QCOMPARE(items.at(1)->isChecked(), !builtJapanese);

    QSignalSpy chosen(window.get(), &MainWindow::languageChosen);
    items.at(chooseJapanese ? 0 : 1)->trigger();
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.first().first().toBool(), chooseJapanese);
    QCOMPARE(items.at(0)->isChecked(), chooseJapanese);
    QCOMPARE(items.at(1)->isChecked(), !chooseJapanese);
    QCOMPARE(window->statusBar()->currentMessage(), says);
}

// A failed open or export the user asked for is put up in a box with the whole reason (the
// status bar, where it may be cut, says the same); an image name no format takes is refused
// before the size is asked for.
void TestForm::failureInABox_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content"); // written to the file first, unless empty
    QTest::addColumn<QString>("size");       // typed into the size prompt; empty: no prompt
    QTest::addColumn<QString>("message");    // %1 the file; empty: from the plan's own reason

    QTest::newRow("open: not a session")
        << "actionOpen"
        << "notes.tirn" << QByteArray("plain text, no JSON") << QString() << QString();
    QTest::newRow("open: another program's JSON")
        << "actionOpen"
        << "other.json" << QByteArray(R"({"format": "something-else", "version": 1})") << QString()
        << QString();
    QTest::newRow("open: a long reason") << "actionOpen" << QString(250, QLatin1Char('n'))
                                         << QByteArray("{\"format\": 3}") << QString() << QString();
    QTest::newRow("image: unknown suffix")
        << "actionSave_Plot_Image"
        << "plot.xyz" << QByteArray() << QString()
        << "Plot image not saved to %1: no image format for the suffix \"xyz\"";
    QTest::newRow("image: size out of range")
        << "actionSave_Plot_Image"
        << "plot.png" << QByteArray() << "0x10"
        << "Plot image not saved to %1: the image size 0x10 is out of range";
}

void TestForm::failureInABox()
{
    QFETCH(QString, action);
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QString, size);
    QFETCH(QString, message);

    windowUsed = true;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QTemporaryDir dir;
    const QString path = dir.filePath(file);
    if (!content.isEmpty())
        QVERIFY(writeFile(path, content));
    if (message.isEmpty()) {
        PlanModel plan;
        const PlanModel::SessionLoad load = plan.loadSession(path);
        QVERIFY(!load.ok);
        message = QStringLiteral("Session not opened from %1: ") + load.error;
    }
    message = message.arg(QDir::toNativeSeparators(path));

    // The dialogs answered as a user would: the name typed, the size typed if asked for.
    QStringList asked;
    QTimer user;
    connect(&user, &QTimer::timeout, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
            asked << QStringLiteral("file");
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            if (auto *list = dialog->findChild<QListView *>(QStringLiteral("listView")))
                list->clearSelection();
            if (!name) {
                static_cast<QDialog *>(dialog)->reject();
                return;
            }
            name->setText(path);
            static_cast<QDialog *>(dialog)->accept();
        } else if (auto *prompt = qobject_cast<QInputDialog *>(modal)) {
            asked << QStringLiteral("size");
            prompt->setTextValue(size);
            prompt->accept();
        }
    });
    user.start(10);
    const QString name =
        action == QLatin1String("actionOpen") ? QStringLiteral("action_Open") : action;
    auto *item = window->findChild<QAction *>(name);
    QVERIFY(item);
    item->trigger();
    user.stop();

    QCOMPARE(asked, size.isEmpty() ? QStringList{"file"} : (QStringList{"file", "size"}));
    QMessageBox *box = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *b = qobject_cast<QMessageBox *>(w); b && b->isVisible()) {
            QVERIFY2(!box, "one box at a time");
            box = b;
        }
    }
    QVERIFY(box);
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QCOMPARE(box->text(), message);
    QCOMPARE(window->statusBar()->currentMessage(), message);
    // Nothing was written under the name refused.
    if (content.isEmpty())
        QVERIFY(!QFileInfo::exists(path));
    box->accept();
}

// The window as it opens on the screens people have (the area left by the desktop's panels),
// and maximised there: the plot keeps a share of the height, nothing of the form lies beyond its
// right edge, numbers are as wide as numbers, a split left by the user comes back as left.
void TestForm::screens_data()
{
    QTest::addColumn<QSize>("available");
    QTest::addColumn<bool>("japanese");
    QTest::addColumn<bool>("maximised");
    QTest::addColumn<double>("savedFormShare"); // of the splitter's height; 0: none kept
    QTest::addColumn<double>("plotShare");      // the least share of the window's height
    QTest::addColumn<bool>("formWhole");        // no vertical scrolling either

    QTest::newRow("1366x768") << QSize(1366, 741) << false << false << 0.0 << 0.4 << false;
    QTest::newRow("1366x768 ja") << QSize(1366, 741) << true << false << 0.0 << 0.4 << false;
    QTest::newRow("1280x720") << QSize(1280, 693) << false << false << 0.0 << 0.4 << false;
    QTest::newRow("1920x1080") << QSize(1920, 1053) << false << false << 0.0 << 0.25 << true;
    QTest::newRow("1920x1080 ja") << QSize(1920, 1053) << true << false << 0.0 << 0.25 << true;
    QTest::newRow("1920x1080 maximised")
        << QSize(1920, 1053) << false << true << 0.0 << 0.25 << true;
    // A small plot the user chose is not enlarged behind their back.
    QTest::newRow("1366x768 split left by the user")
        << QSize(1366, 741) << false << false << 0.75 << 0.0 << false;
}

void TestForm::screens()
{
    QFETCH(QSize, available);
    QFETCH(bool, japanese);
    QFETCH(bool, maximised);
    QFETCH(double, savedFormShare);
    QFETCH(double, plotShare);
    QFETCH(bool, formWhole);

    windowUsed = true;
    // The sizes asked for hold at the interface font the window is laid out for (9 pt, what
    // Qt 6 gives here); Qt 5's offscreen default is 12 pt, at which a 1080-line screen cannot
    // show the whole form above a plot of 16 lines and the form scrolls instead.
    const QFont interfaceFont = QApplication::font();
    QFont nine = interfaceFont;
    nine.setPointSize(9);
    QApplication::setFont(nine);
    const auto restoreFont = qScopeGuard([&] { QApplication::setFont(interfaceFont); });
    std::unique_ptr<JapaneseScope> scope;
    if (japanese)
        scope = std::make_unique<JapaneseScope>();
    window = std::make_unique<MainWindow>();
    auto *splitter = window->findChild<QSplitter *>(QStringLiteral("formPlotSplitter"));
    QVERIFY(splitter);
    QByteArray saved;
    if (savedFormShare > 0) {
        // As kept by a window on a taller screen: only the share may count.
        MainWindow other;
        other.sizeForScreen(QSize(1920, 1053));
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        auto *otherSplitter = other.findChild<QSplitter *>(QStringLiteral("formPlotSplitter"));
        const int total = otherSplitter->sizes().value(0) + otherSplitter->sizes().value(1);
        otherSplitter->setSizes({int(total * savedFormShare), total - int(total * savedFormShare)});
        saved = otherSplitter->saveState();
    }
    window->sizeForScreen(available);
    window->restoreSplit(saved);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QTest::qWait(50); // the second measure, after the form's first layout
    if (maximised)
        window->resize(available);
    QTest::qWait(50);

    QVERIFY2(window->width() <= available.width() && window->height() <= available.height(),
             qPrintable(QStringLiteral("%1x%2").arg(window->width()).arg(window->height())));
    const int plot = window->GView1->height();
    QVERIFY2(plot >= plotShare * window->height(),
             qPrintable(QStringLiteral("plot %1 of %2").arg(plot).arg(window->height())));
    if (savedFormShare > 0) {
        const QList<int> sizes = splitter->sizes();
        QVERIFY2(std::abs(double(sizes[0]) / (sizes[0] + sizes[1]) - savedFormShare) < 0.02,
                 qPrintable(QStringLiteral("%1 / %2").arg(sizes[0]).arg(sizes[1])));
    }

    auto *scroll = window->findChild<QScrollArea *>(QStringLiteral("formScrollArea"));
    QWidget *viewport = scroll->viewport();
    QVERIFY2(window->centralwidget->width() <= viewport->width(),
             qPrintable(QStringLiteral("form %1 in %2")
                            .arg(window->centralwidget->width())
                            .arg(viewport->width())));
    if (formWhole)
        QVERIFY2(window->centralwidget->height() <= viewport->height(),
                 qPrintable(QStringLiteral("form %1 in %2")
                                .arg(window->centralwidget->height())
                                .arg(viewport->height())));
    // Every check box and radio button, and the check of a group box, lies within the view's
    // width: a vertical scroll reaches it.
    QList<QWidget *> checks;
    for (QAbstractButton *b : window->centralwidget->findChildren<QAbstractButton *>())
        checks << b;
    for (QGroupBox *g : window->centralwidget->findChildren<QGroupBox *>()) {
        if (g->isCheckable())
            checks << g;
    }
    QVERIFY(checks.size() >= 8);
    for (QWidget *w : checks) {
        if (!w->isVisibleTo(window.get()))
            continue;
        const QRect r(w->mapTo(viewport, QPoint(0, 0)), w->size());
        QVERIFY2(r.left() >= 0 && r.right() < viewport->width(),
                 qPrintable(w->objectName() + QStringLiteral(" at %1..%2 of %3")
                                                  .arg(r.left())
                                                  .arg(r.right())
                                                  .arg(viewport->width())));
    }
    // A number field is as wide as a dozen digits at most, and shows what it holds.
    for (int i = 0; i < PlanModel::InputCount; ++i) {
        QLineEdit *edit = window->inputEdit(PlanModel::Input(i));
        if (Fields::input(PlanModel::Input(i)).rule == Rule::Composition ||
            Fields::input(PlanModel::Input(i)).rule == Rule::FilePath ||
            !edit->isVisibleTo(window.get()))
            continue;
        const QFontMetrics fm = edit->fontMetrics();
        QVERIFY2(edit->width() <= fm.horizontalAdvance(QString(12, QLatin1Char('8'))) + 16,
                 qPrintable(edit->objectName() + QStringLiteral(" %1 px").arg(edit->width())));
        QVERIFY2(edit->width() >= fm.horizontalAdvance(edit->text()) + 8,
                 qPrintable(edit->objectName() + QStringLiteral(" %1 px for ").arg(edit->width()) +
                            edit->text()));
    }
}

QTEST_MAIN(TestForm)
#include "test_form.moc"
