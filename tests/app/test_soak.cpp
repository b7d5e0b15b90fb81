// Soak test: the whole form under hostile input. Every input field receives every value of a
// hostile list, every selector every choice, in a seeded random order, interleaved with repaints,
// wheel steps, drags, Shift-moves and exports. Nothing may crash, every repaint must finish, and
// typing the defaults back in must bring back exactly the numbers the form showed before.
//
// TIRN_SOAK_ITERATIONS (default 1) sets how many hostile passes run, each over the full deck of
// field x value pairs in a fresh order and each followed by the replay and comparison;
// TIRN_SOAK_SEED changes the seed. Both are for longer runs by hand.
#include "ChCoord.h"
#include "FieldTable.h"
#include "FormDriver.h"
#include "MainWindow.h"
#include "MouseC.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMap>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

// A repaint slower than this is a fault (a loop that no longer terminates sensibly, a text
// engine fed absurd geometry), not a slow machine: a normal one takes milliseconds.
constexpr qint64 kRepaintLimitMs = 2000;

constexpr quint32 kDefaultSeed = 20240611;

// The plot's size at both ends of the comparison.
constexpr QSize kPlotSize(800, 500);

int envInt(const char *name, int fallback)
{
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok && v > 0 ? v : fallback;
}

// The target the comparison starts from.
const QString kTarget = QStringLiteral("Fe2O3");

// Valid targets typed now and then so that the hostile values also meet a working calculator.
const QStringList kValidTargets = {QStringLiteral("Fe2O3"), QStringLiteral("Cu"),
                                   QStringLiteral("[Fe2O3]1[BN]9"), QStringLiteral("Ca(OH)2"),
                                   QStringLiteral("U")};

QString allElements()
{
    // Every symbol the table knows: the longest line list and edge list a repaint can meet.
    return QStringLiteral(
        "HHeLiBeBCNOFNeNaMgAlSiPSClArKCaScTiVCrMnFeCoNiCuZnGaGeAsSeBrKrRbSrYZrNbMoTcRuRhPdAgCd"
        "InSnSbTeIXeCsBaLaCePrNdPmSmEuGdTbDyHoErTmYbLuHfTaWReOsIrPtAuHgTlPbBiPoAtRnFrRaAcThPaU");
}

QStringList hostileValues()
{
    QStringList v;
    v << QString() << QStringLiteral("   ") << QStringLiteral("-0") << QStringLiteral("0")
      << QStringLiteral("1e308") << QStringLiteral("-1e308") << QStringLiteral("1e400")
      << QStringLiteral("nan") << QStringLiteral("inf") << QStringLiteral("-inf")
      << QStringLiteral("1e-320") << QStringLiteral("4.9e-324");
    v << QString(400, QLatin1Char('9')); // a very long integer
    v << QStringLiteral("0.") + QString(300, QLatin1Char('0')) + QStringLiteral("1");
    v << QString(10000, QLatin1Char('('));
    v << QStringLiteral("Fe₂O₃ Железо 鉄 αβγ ﷺ \u202Eabc"); // mixed scripts, RTL
    v << QStringLiteral("１２３．５");                      // full-width digits
    v << QStringLiteral("\x01\x02\t\n\r\x1b\x7f") + QChar(0) + QStringLiteral("5");
    // A 100 kB paste of plausible compositions (the field keeps what fits).
    QString paste;
    const QString chunk = QStringLiteral("Fe2O3 (Ca(OH)2)3 [BN]1.5 1.25e3 ");
    while (paste.size() < 100 * 1024)
        paste += chunk;
    v << paste;
    // Compositions that push the parser and the arithmetic to the limits.
    QString nested = QStringLiteral("Fe");
    for (int i = 0; i < 40; ++i)
        nested = QStringLiteral("(") + nested + QStringLiteral(")1000000000");
    v << nested;                                                // counts overflow to infinity
    v << QStringLiteral("H") + QString(60, QLatin1Char('9'));   // a count of 1e60
    v << QStringLiteral("Fe") + QString(400, QLatin1Char('9')); // a count that overflows
    v << QStringLiteral("Fe0.") + QString(320, QLatin1Char('0')) + QStringLiteral("1");
    v << QStringLiteral("[Fe2O3]0[BN]0") << QStringLiteral("[Fe]1e308") << QStringLiteral(")(")
      << QStringLiteral("Fe0") << allElements();
    return v;
}

// One card of the deck: an edit of a field or a choice on a selector.
struct Card
{
    QLineEdit *field = nullptr; // the field typed into, or none for a selector
    QString value;              // the text typed (fields only)
    int choice = 0;             // the selector's choice
    int selector = -1;          // index into the selectors
};

struct Selector
{
    QString name;
    int deckChoices;                 // choices dealt into the deck
    std::function<int()> choices;    // how many choices it offers now
    std::function<void(int)> choose; // makes choice i as a user would
};

// Everything the form shows: texts of fields and labels, combo items and choice, check states,
// and which boxes are hidden or disabled.
QMap<QString, QString> formState(const MainWindow &w)
{
    QMap<QString, QString> s;
    const QList<QWidget *> widgets = w.findChildren<QWidget *>();
    for (const QWidget *wd : widgets) {
        const QString name = wd->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
            continue;
        if (const auto *e = qobject_cast<const QLineEdit *>(wd)) {
            s.insert(name, e->text());
        } else if (const auto *l = qobject_cast<const QLabel *>(wd)) {
            s.insert(name, l->text());
        } else if (const auto *c = qobject_cast<const QComboBox *>(wd)) {
            QStringList items;
            for (int i = 0; i < c->count(); ++i)
                items << c->itemText(i);
            s.insert(name, items.join(QLatin1Char('|')) + QStringLiteral(" @") +
                               QString::number(c->currentIndex()));
        } else if (const auto *b = qobject_cast<const QAbstractButton *>(wd)) {
            if (b->isCheckable())
                s.insert(name, b->isChecked() ? QStringLiteral("on") : QStringLiteral("off"));
        } else if (const auto *g = qobject_cast<const QGroupBox *>(wd)) {
            s.insert(name, QStringLiteral("checked=%1 hidden=%2 enabled=%3")
                               .arg(g->isChecked())
                               .arg(g->isHidden())
                               .arg(g->isEnabled()));
        }
    }
    return s;
}

QString describeDifferences(const QMap<QString, QString> &a, const QMap<QString, QString> &b)
{
    QStringList out;
    for (auto it = a.constBegin(); it != a.constEnd(); ++it) {
        const QString other = b.value(it.key(), QStringLiteral("<absent>"));
        if (other != it.value())
            out << QStringLiteral("%1: \"%2\" -> \"%3\"")
                       .arg(it.key(), it.value().left(80), other.left(80));
    }
    return out.join(QLatin1Char('\n'));
}

// A label of the form (a read-out, a caption) that shows nan or inf, as NAME=TEXT; empty when
// none does. The fields are left out: they show whatever was typed.
QString labelShowingNanOrInf(const MainWindow &w)
{
    static const QRegularExpression special(QStringLiteral("\\b(nan|inf|infinity)\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QList<QLabel *> labels = w.findChildren<QLabel *>();
    for (const QLabel *l : labels) {
        if (!l->objectName().isEmpty() && !l->objectName().startsWith(QLatin1String("qt_")) &&
            l->text().contains(special))
            return l->objectName() + QLatin1Char('=') + l->text().left(200);
    }
    return QString();
}

// The export table: 2000 lines of three tab-separated numbers, each ending in a line feed.
bool isExportTable(const QByteArray &bytes, QString *why)
{
    const QList<QByteArray> rows = bytes.split('\n');
    if (rows.size() != MUT_POINTS + 1 || !rows.last().isEmpty()) {
        *why = QStringLiteral("%1 rows").arg(rows.size() - 1);
        return false;
    }
    for (int i = 0; i < MUT_POINTS; ++i) {
        if (rows.at(i).split('\t').size() != 3 || rows.at(i).contains("nan") ||
            rows.at(i).contains("inf")) {
            *why = QStringLiteral("row %1: \"%2\"").arg(i).arg(QString::fromLatin1(rows.at(i)));
            return false;
        }
    }
    return true;
}

} // namespace

class TestSoak : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> w;
    std::unique_ptr<QTemporaryDir> tmp;
    QMap<QLineEdit *, QString> defaults; // each field's text as the form starts
    QVector<QLineEdit *> replayOrder;
    int drawsCompleted = 0;
    qint64 slowestRepaintMs = -1;
    QString slowestRepaintAfter;
    int repaints = 0;
    int exports = 0;
    int edits = 0;
    QMap<QString, int> actions; // how often each kind of action ran, for the log
    QString lastAction;

    void repaintTimed();
    void tickBoxFor(QLineEdit *field);
    // The check box of an option the window makes from the field table.
    QAbstractButton *optionButton(PlanModel::Option option) const
    {
        return qobject_cast<QAbstractButton *>(w->optionWidget(option));
    }
    void mouseAction(QRandomGenerator &rng);
    void exportAction(QRandomGenerator &rng);
    void resizePlot(QRandomGenerator &rng);
    void replayDefaults();
    void settle();
    QByteArray exportNow(const QString &name);
    QImage plotPicture();

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void hostileFormReturnsToStart();
};

void TestSoak::initTestCase()
{
    // The parser traces every ")" at debug level; a 100 kB paste would flood the log.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    dropPlatformNotices();
    tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp->isValid());
}

void TestSoak::cleanupTestCase()
{
    if (w)
        w->close();
    w.reset();
    QStringList counts;
    for (auto it = actions.constBegin(); it != actions.constEnd(); ++it)
        counts << QStringLiteral("%1 %2").arg(it.value()).arg(it.key());
    qInfo("soak: %d edits, %d repaints, %s; slowest repaint %lld ms (after %s)", edits, repaints,
          qPrintable(counts.join(QLatin1String(", "))), slowestRepaintMs,
          qPrintable(slowestRepaintAfter.left(120)));
}

// Lets posted updates and layout requests run, as the event loop does between user actions.
void TestSoak::settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void TestSoak::repaintTimed()
{
    settle();
    const int before = drawsCompleted;
    QElapsedTimer t;
    t.start();
    w->GView1->repaint();
    const qint64 ms = t.elapsed();
    ++repaints;
    if (ms > slowestRepaintMs) {
        slowestRepaintMs = ms;
        slowestRepaintAfter = lastAction;
    }
    // The draw slot ran to its end: the counter is connected after it.
    QVERIFY2(drawsCompleted == before + 1, qPrintable(lastAction.left(200)));
    QVERIFY2(ms <= kRepaintLimitMs,
             qPrintable(
                 QStringLiteral("repaint took %1 ms after %2").arg(ms).arg(lastAction.left(200))));
}

// A field inside an unticked box cannot be reached; a user ticks the box first.
void TestSoak::tickBoxFor(QLineEdit *field)
{
    for (QGroupBox *box : {w->MutBox, w->FluoBox}) {
        if (box->isAncestorOf(field) && !box->isChecked())
            box->setChecked(true);
    }
}

void TestSoak::mouseAction(QRandomGenerator &rng)
{
    GView *v = w->GView1;
    const auto anyPoint = [&rng, v]() {
        // Mostly over the plot, sometimes just outside it (a grabbed mouse still reports there).
        return QPoint(rng.bounded(-20, v->width() + 20), rng.bounded(-20, v->height() + 20));
    };
    switch (rng.bounded(4)) {
    case 0: {
        const QPoint p = anyPoint();
        const int angle = QVector<int>{120, -120, 960, -15, 0}.at(rng.bounded(5));
        ++actions[QStringLiteral("wheel")];
        lastAction = QStringLiteral("wheel %1 at %2,%3").arg(angle).arg(p.x()).arg(p.y());
        sendWheel(v, p, angle);
        break;
    }
    case 1: {
        QPoint p = anyPoint();
        ++actions[QStringLiteral("drag")];
        lastAction = QStringLiteral("drag from %1,%2").arg(p.x()).arg(p.y());
        sendMouse(v, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
        const int moves = rng.bounded(1, 5);
        for (int i = 0; i < moves; ++i) {
            p = anyPoint();
            sendMouse(v, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
            if (rng.bounded(2))
                repaintTimed();
        }
        sendMouse(v, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
        break;
    }
    case 2: {
        const QPoint p = anyPoint();
        ++actions[QStringLiteral("shift-move")];
        lastAction = QStringLiteral("shift-move to %1,%2").arg(p.x()).arg(p.y());
        sendMouse(v, QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton, Qt::ShiftModifier);
        break;
    }
    default: {
        const QPoint p = anyPoint();
        ++actions[QStringLiteral("double click")];
        lastAction = QStringLiteral("double click at %1,%2").arg(p.x()).arg(p.y());
        sendMouse(v, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
        sendMouse(v, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
        sendMouse(v, QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton);
        sendMouse(v, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
        break;
    }
    }
    QVERIFY(!plotMouse.pressed);
}

void TestSoak::exportAction(QRandomGenerator &rng)
{
    const QDir dir(tmp->path());
    const QStringList before = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    ++exports;
    ++actions[QStringLiteral("export")];
    switch (rng.bounded(3)) {
    case 0: {
        // A file that can be written: it holds the whole table, or (empty range) nothing new.
        const QString name = QStringLiteral("export_%1.dat").arg(exports);
        lastAction = QStringLiteral("export to %1").arg(name);
        Q_EMIT w->saveDialog->fileSelected(dir.filePath(name));
        if (QFile::exists(dir.filePath(name))) {
            QString why;
            QVERIFY2(isExportTable(fileBytes(dir.filePath(name)), &why), qPrintable(why));
            QVERIFY(QFile::remove(dir.filePath(name)));
        }
        break;
    }
    case 1:
        lastAction = QStringLiteral("export into a missing folder");
        Q_EMIT w->saveDialog->fileSelected(dir.filePath(QStringLiteral("missing/sub/x.dat")));
        break;
    default:
        lastAction = QStringLiteral("export onto the folder itself");
        Q_EMIT w->saveDialog->fileSelected(dir.path());
        break;
    }
    // A failed export leaves nothing behind, not even a temporary file.
    QCOMPARE(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}

// The plot squeezed to a few pixels or stretched to a strip: the layout arithmetic of the repaint
// then works with zero units and degenerate rectangles, and the mouse slots convert through them.
void TestSoak::resizePlot(QRandomGenerator &rng)
{
    const QVector<QSize> sizes = {QSize(1, 1),     QSize(3, 2),    QSize(29, 19),
                                  QSize(1600, 40), QSize(40, 900), kPlotSize};
    const QSize size = sizes.at(rng.bounded(sizes.size()));
    ++actions[QStringLiteral("resize")];
    lastAction = QStringLiteral("plot resized to %1 x %2").arg(size.width()).arg(size.height());
    w->GView1->setFixedSize(size);
}

// Types every default back in. The order matters because some slots act on more than their
// own field:
//  1. The target is emptied first. With no valid target the pellet calculators stand still,
//     so the fields below are loaded without recomputing each other.
//  2. The selectors go back to their start: both boxes ticked, "Integ." and "Ratio" chosen,
//     edge K (the element list is refilled by the target at the end).
//  3. SetDMuT and SetMuT come before the pellet fields: they rescale the thickness and solve
//     the binder weight from the last drawn state, and the fields typed after them overwrite
//     whatever they changed.
//  4. The pellet fields in the order the window reads them at start-up, the calculation point,
//     the spectrum fields in form order, the energy range, and the binder.
//  5. The target again: as at the start, it converts the molar share, recomputes the weights
//     from the thickness and moves the calculation point to the first element's edge.
void TestSoak::replayDefaults()
{
    lastAction = QStringLiteral("replay");
    type(w->SetTgtCmp, QString());
    QVERIFY(!w->plan->tgtComp.valid);
    w->MutBox->setChecked(true);
    w->FluoBox->setChecked(true);
    w->IntensityInt->click();
    w->AddInfoRatioF->setChecked(true);
    for (PlanModel::Option o : {PlanModel::DetailedFluo, PlanModel::SecondaryFluo})
        optionButton(o)->setChecked(Fields::option(o).checked);
    w->SelectAE->setCurrentIndex(0);
    for (QLineEdit *field : qAsConst(replayOrder))
        type(field, defaults.value(field));
    type(w->SetTgtCmp, kTarget);
    QVERIFY(w->plan->tgtComp.valid);
}

QByteArray TestSoak::exportNow(const QString &name)
{
    const QString path = tmp->filePath(name);
    Q_EMIT w->saveDialog->fileSelected(path);
    const QByteArray bytes = fileBytes(path);
    QFile::remove(path);
    return bytes;
}

// The plot with the cursor parked at a fixed spot, so that its read-out is comparable.
QImage TestSoak::plotPicture()
{
    sendMouse(w->GView1, QEvent::MouseMove, QPoint(400, 250), Qt::NoButton, Qt::NoButton);
    repaintTimed();
    return w->GView1->grab().toImage();
}

void TestSoak::hostileFormReturnsToStart()
{
    const int iterations = envInt("TIRN_SOAK_ITERATIONS", 1);
    const quint32 seed = quint32(envInt("TIRN_SOAK_SEED", int(kDefaultSeed)));

    w = std::make_unique<MainWindow>();
    // A fixed plot size: labels holding hostile text may widen the window, and the comparison
    // of pictures needs the same plot geometry at both ends.
    w->GView1->setFixedSize(kPlotSize);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    plotMouse.pressed = false;
    connect(w->GView1, &GView::draw, this, [this](QPainter *) { ++drawsCompleted; });

    const QVector<QLineEdit *> pelletFields = {w->SetTgtWeight,  w->SetBndWeight, w->SetCylDiam,
                                               w->SetTgtBndMolR, w->SetTgtBndWtR, w->SetTgtDens,
                                               w->SetBndDens,    w->SetThick,     w->SetCalcPointE};
    QVector<QLineEdit *> spectrumFields = {
        w->ExtEnergy,          w->Distance,         w->DetRadius,      w->AirThickness,
        w->Filter1Composition, w->Filter1Thickness, w->Filter1Density, w->Filter2Composition,
        w->Filter2Thickness,   w->Filter2Density,   w->I0Flux,         w->MCAResolution,
        w->DetResolution};
    // The detailed model's fields and the windows, which the window makes from the field table.
    for (int i = 0; i < PlanModel::InputCount; ++i) {
        const FieldGroup group = Fields::input(PlanModel::Input(i)).group;
        if (group == GroupGeometry || group == GroupDetector || group == GroupWindows)
            spectrumFields.append(w->inputEdit(PlanModel::Input(i)));
    }
    // The measurement's fields, made from the table as well.
    for (int i = 0; i < PlanModel::InputCount; ++i) {
        if (Fields::input(PlanModel::Input(i)).group == GroupMeasurement)
            spectrumFields.append(w->inputEdit(PlanModel::Input(i)));
    }
    replayOrder = QVector<QLineEdit *>{w->SetDMuT, w->SetMuT} + pelletFields + spectrumFields +
                  QVector<QLineEdit *>{w->StartE0, w->EndE0, w->SetBndCmp};
    QVector<QLineEdit *> allFields = replayOrder;
    allFields.prepend(w->SetTgtCmp);
    // Every line edit of the form is in the deck.
    QCOMPARE(allFields.size(), w->findChildren<QLineEdit *>().size());
    for (QLineEdit *f : qAsConst(allFields))
        defaults.insert(f, f->text());

    // The start: all defaults and the target typed in.
    lastAction = QStringLiteral("start");
    type(w->SetTgtCmp, kTarget);
    const QImage startPicture = plotPicture();
    const QMap<QString, QString> start = formState(*w);
    const QByteArray startExport = exportNow(QStringLiteral("start.dat"));
    QString why;
    QVERIFY2(isExportTable(startExport, &why), qPrintable(why));
    QVERIFY(start.value(QStringLiteral("dMut")) != QLatin1String("1")); // the repaint wrote it

    const QStringList hostile = hostileValues();
    // SelectTE gets as many cards as the longest valid target has elements; a choice beyond
    // the current list wraps around.
    const QVector<Selector> selectors = {
        {QStringLiteral("SelectTE"), 5, [this] { return w->SelectTE->count(); },
         [this](int i) { w->SelectTE->setCurrentIndex(i % w->SelectTE->count()); }},
        {QStringLiteral("SelectAE"), 5, [this] { return w->SelectAE->count(); },
         [this](int i) { w->SelectAE->setCurrentIndex(i); }},
        {QStringLiteral("IntensityPeak/IntensityInt"), 2, [] { return 2; },
         [this](int i) { (i ? w->IntensityInt : w->IntensityPeak)->click(); }},
        // The only button of its group: clicking keeps it checked and unchecking is refused,
        // in the form as in the toolkit.
        {QStringLiteral("AddInfoRatioF"), 2, [] { return 2; },
         [this](int i) { i ? w->AddInfoRatioF->click() : w->AddInfoRatioF->setChecked(false); }},
        {QStringLiteral("MutBox"), 2, [] { return 2; },
         [this](int i) { w->MutBox->setChecked(i == 1); }},
        {QStringLiteral("FluoBox"), 2, [] { return 2; },
         [this](int i) { w->FluoBox->setChecked(i == 1); }},
        {QStringLiteral("DetailedFluo"), 2, [] { return 2; },
         [this](int i) { optionButton(PlanModel::DetailedFluo)->setChecked(i == 1); }},
        {QStringLiteral("SecondaryFluo"), 2, [] { return 2; },
         [this](int i) { optionButton(PlanModel::SecondaryFluo)->setChecked(i == 1); }},
    };
    const auto choose = [&](int selector, int i) {
        const Selector &s = selectors.at(selector);
        lastAction = QStringLiteral("%1 choice %2").arg(s.name).arg(i);
        ++actions[QStringLiteral("selector")];
        if (s.choices() > 0)
            s.choose(i);
    };

    QRandomGenerator rng(seed);
    for (int iteration = 0; iteration < iterations; ++iteration) {
        // The deck: every field with every hostile value, its own default and the target, and
        // every choice of every selector, each twice.
        QVector<Card> deck;
        for (QLineEdit *f : qAsConst(allFields)) {
            for (const QString &v : hostile)
                deck.append(Card{f, v, 0, -1});
            deck.append(Card{f, defaults.value(f), 0, -1});
            deck.append(Card{f, kTarget, 0, -1});
        }
        for (int s = 0; s < selectors.size(); ++s) {
            for (int i = 0; i < selectors.at(s).deckChoices; ++i) {
                deck.append(Card{nullptr, QString(), i, s});
                deck.append(Card{nullptr, QString(), i, s});
            }
        }
        std::shuffle(deck.begin(), deck.end(), rng);

        for (const Card &c : qAsConst(deck)) {
            if (c.field) {
                tickBoxFor(c.field);
                lastAction = QStringLiteral("%1 := \"%2\"").arg(c.field->objectName(), c.value);
                type(c.field, c.value);
                ++edits;
                if (w->plan->tgtComp.valid)
                    ++actions[QStringLiteral("edit with a valid target")];
            } else {
                choose(c.selector, c.choice);
            }
            if (QTest::currentTestFailed())
                return;
            repaintTimed();
            if (QTest::currentTestFailed())
                return;
            const QString special = labelShowingNanOrInf(*w);
            QVERIFY2(special.isEmpty(),
                     qPrintable(lastAction.left(200) + QLatin1String(": ") + special));

            // A hostile target idles every calculator; bring a working one back now and then.
            if (!w->plan->tgtComp.valid && rng.bounded(3) != 0) {
                const QString t = kValidTargets.at(rng.bounded(kValidTargets.size()));
                lastAction = QStringLiteral("SetTgtCmp := \"%1\"").arg(t);
                ++actions[QStringLiteral("valid target")];
                type(w->SetTgtCmp, t);
            }
            // One or two other actions between edits.
            const int extra = rng.bounded(3);
            for (int k = 0; k < extra; ++k) {
                const int kind = rng.bounded(20);
                if (kind < 8) {
                    const int s = rng.bounded(selectors.size());
                    choose(s, rng.bounded(selectors.at(s).deckChoices));
                } else if (kind < 16) {
                    mouseAction(rng);
                } else if (kind < 19) {
                    exportAction(rng);
                } else {
                    resizePlot(rng);
                }
                if (QTest::currentTestFailed())
                    return;
                repaintTimed();
                if (QTest::currentTestFailed())
                    return;
            }
        }

        w->GView1->setFixedSize(kPlotSize);
        replayDefaults();
        const QImage endPicture = plotPicture();
        const QMap<QString, QString> end = formState(*w);
        QVERIFY2(end == start, qPrintable(QStringLiteral("iteration %1, seed %2:\n%3")
                                              .arg(iteration)
                                              .arg(seed)
                                              .arg(describeDifferences(start, end))));
        QCOMPARE(exportNow(QStringLiteral("end.dat")), startExport);
        QVERIFY(endPicture == startPicture);
    }
}

QTEST_MAIN(TestSoak)
#include "test_soak.moc"
