#include "BatchRunner.h"

#include "ExportFormats.h"
#include "MainWindow.h"
#include "SafeWrite.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QScopeGuard>
#include <QTextStream>

#include <algorithm>
#include <memory>

#include <cstdio>

namespace {

constexpr int ExitOk = 0;
constexpr int ExitOutputFailed = 1;
constexpr int ExitUsage = 2;

struct SetAction
{
    QString name;
    QString text;
};

struct BatchPlan
{
    QVector<SetAction> sets;
    QStringList prints;
    QString spectrumFile;
    QString linesFile;
    QString renderFile;
    QString channelsFile;
    QString comparisonFile;
    int absorption = -1; // PlanModel::Absorption, -1 when not given
    QString loadSession;
    QString saveSession;
    QString plotFile;
    QSize plotSize{1000, 600};
    bool listFields = false;
};

void printError(const QString &message)
{
    std::fprintf(stderr, "Tirn --batch: %s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
}

// Parses the options; returns an error text, empty on success.
QString parsePlan(const QStringList &arguments, BatchPlan &plan)
{
    // arguments[0] is the program; Qt has already removed its own options.
    bool seenBatch = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        const auto value = [&]() -> QString {
            if (i + 1 >= arguments.size())
                return QString();
            return arguments.at(++i);
        };
        if (arg == QLatin1String("--batch")) {
            seenBatch = true;
        } else if (arg == QLatin1String("-e") || arg == QLatin1String("-j")) {
            // language choice, handled before the application started
        } else if (arg == QLatin1String("--fresh")) {
            // a batch run always starts from the defaults (or --load-session)
        } else if (arg == QLatin1String("--list-fields")) {
            plan.listFields = true;
        } else if (arg == QLatin1String("--set")) {
            const bool present = i + 1 < arguments.size();
            const QString v = value();
            const int eq = v.indexOf(QLatin1Char('='));
            if (!present || eq <= 0)
                return QStringLiteral("--set needs NAME=TEXT, got \"%1\"").arg(v);
            plan.sets.append(SetAction{v.left(eq), v.mid(eq + 1)});
        } else if (arg == QLatin1String("--print")) {
            const bool present = i + 1 < arguments.size();
            const QString v = value();
            if (!present || v.isEmpty())
                return QStringLiteral("--print needs NAME[,NAME...]");
            const QStringList names = v.split(QLatin1Char(','), Qt::KeepEmptyParts);
            for (const QString &n : names) {
                if (n.isEmpty())
                    return QStringLiteral("--print has an empty widget name in \"%1\"").arg(v);
                plan.prints.append(n);
            }
        } else if (arg == QLatin1String("--save-spectrum")) {
            const bool present = i + 1 < arguments.size();
            const QString v = value();
            if (!present || v.isEmpty())
                return QStringLiteral("--save-spectrum needs a file name");
            if (!plan.spectrumFile.isEmpty())
                return QStringLiteral("--save-spectrum given twice");
            plan.spectrumFile = v;
        } else if (arg == QLatin1String("--absorption")) {
            const bool present = i + 1 < arguments.size();
            const QString v = value();
            plan.absorption = PlanModel::absorptionIndex(v);
            if (!present || plan.absorption < 0)
                return QStringLiteral("--absorption takes classic or tabulated, got \"%1\"").arg(v);
        } else if (arg == QLatin1String("--load-session") ||
                   arg == QLatin1String("--save-session")) {
            const bool present = i + 1 < arguments.size();
            const QString v = value();
            QString &target =
                arg == QLatin1String("--load-session") ? plan.loadSession : plan.saveSession;
            if (!present || v.isEmpty())
                return QStringLiteral("%1 needs a file name").arg(arg);
            if (!target.isEmpty())
                return QStringLiteral("%1 given twice").arg(arg);
            target = v;
        } else if (arg == QLatin1String("--render-plot")) {
            const bool present = i + 1 < arguments.size();
            const QString v = value();
            if (!present || v.isEmpty())
                return QStringLiteral("--render-plot needs a file name");
            if (!plan.plotFile.isEmpty())
                return QStringLiteral("--render-plot given twice");
            if (v == SafeWrite::StandardOutput)
                return QStringLiteral("--render-plot writes an image file, not standard output");
            if (!exportFormatFor(ExportKind::PlotImage, v))
                return QStringLiteral("--render-plot: no image format for the suffix \"%1\"")
                    .arg(QFileInfo(v).suffix().toLower());
            plan.plotFile = v;
        } else if (arg == QLatin1String("--plot-size")) {
            const bool present = i + 1 < arguments.size();
            const QString v = value();
            plan.plotSize = parseImageSize(v);
            if (!present || !imageSizeAllowed(plan.plotSize))
                return QStringLiteral("--plot-size takes WxH in pixels (1 to %1), got \"%2\"")
                    .arg(QString::number(MaxImageSide), v);
        } else if (arg == QLatin1String("--save-lines")) {
            const bool present = i + 1 < arguments.size();
            const QString v = value();
            if (!present || v.isEmpty())
                return QStringLiteral("--save-lines needs a file name");
            if (!plan.linesFile.isEmpty())
                return QStringLiteral("--save-lines given twice");
            plan.linesFile = v;
        } else if (arg == QLatin1String("--load-measured")) {
            // A set of MeasFile in its place among the edits: later --set of the calibration
            // then overrides what the file states.
            const bool present = i + 1 < arguments.size();
            const QString v = value();
            if (!present || v.isEmpty())
                return QStringLiteral("--load-measured needs a file name");
            plan.sets.append(SetAction{QStringLiteral("MeasFile"), v});
        } else if (arg == QLatin1String("--save-channels") ||
                   arg == QLatin1String("--save-comparison")) {
            const bool present = i + 1 < arguments.size();
            const QString v = value();
            const bool channels = arg == QLatin1String("--save-channels");
            QString &target = channels ? plan.channelsFile : plan.comparisonFile;
            if (!present || v.isEmpty())
                return QStringLiteral("%1 needs a file name").arg(arg);
            if (!target.isEmpty())
                return QStringLiteral("%1 given twice").arg(arg);
            if (channels && !exportFormatFor(ExportKind::ChannelSpectrum, v))
                return QStringLiteral("--save-channels writes .csv, .txt, .mca or CSV without a "
                                      "suffix, not \"%1\"")
                    .arg(v);
            target = v;
        } else if (arg == QLatin1String("--render")) {
            const bool present = i + 1 < arguments.size();
            const QString v = value();
            if (!present || v.isEmpty())
                return QStringLiteral("--render needs a file name");
            if (!plan.renderFile.isEmpty())
                return QStringLiteral("--render given twice");
            if (v == SafeWrite::StandardOutput)
                return QStringLiteral("--render writes an image file, not standard output");
            plan.renderFile = v;
        } else {
            return QStringLiteral("unknown option \"%1\"").arg(arg);
        }
    }
    if (!seenBatch)
        return QStringLiteral("--batch missing");
    return QString();
}

bool isCheckable(QWidget *w)
{
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return b->isCheckable();
    if (auto *g = qobject_cast<QGroupBox *>(w))
        return g->isCheckable();
    return false;
}

// A caption or read-out of the window that the plan does not hold.
bool isPrintableWidget(QWidget *w)
{
    return qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w) ||
           qobject_cast<QLabel *>(w) || isCheckable(w);
}

QString printedValue(QWidget *w)
{
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit->text();
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->text();
    if (auto *combo = qobject_cast<QComboBox *>(w))
        return combo->currentText();
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        return button->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    if (auto *group = qobject_cast<QGroupBox *>(w))
        return group->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    return QString();
}

bool isSettable(const QString &name)
{
    return PlanModel::inputIndex(name) >= 0 || PlanModel::choiceIndex(name) >= 0 ||
           PlanModel::optionIndex(name) >= 0;
}

// Applies one edit the way a user's would arrive; returns an error text, empty on success.
QString applySet(PlanModel &plan, const SetAction &set)
{
    // A measured file that cannot be read is refused with its reason, not taken as a flag.
    if (set.name == QLatin1String("MeasFile")) {
        QString why;
        if (set.text.trimmed().isEmpty())
            plan.closeMeasured();
        else if (!plan.loadMeasured(set.text, &why))
            return QStringLiteral("cannot load measured spectrum \"%1\": %2").arg(set.text, why);
        return QString();
    }
    if (const int i = PlanModel::inputIndex(set.name); i >= 0) {
        plan.setInput(PlanModel::Input(i), set.text);
        return QString();
    }
    if (const int c = PlanModel::choiceIndex(set.name); c >= 0) {
        const QStringList items = plan.choiceItems(PlanModel::Choice(c));
        const int index = items.indexOf(set.text);
        if (index < 0) {
            return QStringLiteral("%1 has no item \"%2\" (items: %3)")
                .arg(set.name, set.text, items.join(QLatin1String(", ")));
        }
        plan.setChoice(PlanModel::Choice(c), index);
        return QString();
    }
    bool checked = false;
    if (set.text == QLatin1String("1") || set.text == QLatin1String("true"))
        checked = true;
    else if (set.text == QLatin1String("0") || set.text == QLatin1String("false"))
        checked = false;
    else
        return QStringLiteral("%1 takes 1, 0, true or false, got \"%2\"").arg(set.name, set.text);
    // A radio button is unchecked only by checking another one of its group; a script asking
    // for the impossible must hear about it rather than read back an unchanged state.
    if (!plan.setOption(PlanModel::Option(PlanModel::optionIndex(set.name)), checked))
        return QStringLiteral("%1 cannot be unchecked directly: check another choice of its group")
            .arg(set.name);
    return QString();
}

// How far a typed name is from a valid one, ignoring case: a missing or extra letter counts 1,
// two neighbours swapped 1, a wrong letter 2 (one out, one in). A wrong letter weighing like two
// keeps a cut-off or lengthened name ("SetThickness") nearer to its field ("SetThick") than to
// another that merely has as many letters ("AirThickness").
int editDistance(const QString &a, const QString &b)
{
    const QString x = a.toLower();
    const QString y = b.toLower();
    const int n = int(x.size());
    const int m = int(y.size());
    QVector<QVector<int>> d(n + 1, QVector<int>(m + 1));
    for (int i = 0; i <= n; ++i)
        d[i][0] = i;
    for (int j = 0; j <= m; ++j)
        d[0][j] = j;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= m; ++j) {
            const bool same = x.at(i - 1) == y.at(j - 1);
            d[i][j] =
                std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (same ? 0 : 2)});
            if (i > 1 && j > 1 && x.at(i - 1) == y.at(j - 2) && x.at(i - 2) == y.at(j - 1))
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[n][m];
}

// The candidate nearest to a mistyped name, the earlier one on a tie; empty when even that one
// shares too little with it to be what was meant.
QString nearestName(const QString &name, const QStringList &candidates)
{
    QString best;
    int bestDistance = std::max(3, int(name.size()) / 2) + 1;
    for (const QString &candidate : candidates) {
        const int d = editDistance(name, candidate);
        if (d < bestDistance) {
            best = candidate;
            bestDistance = d;
        }
    }
    return best;
}

// "no ... named X", then the name most likely meant, or where to find them all.
QString unknownName(const QString &what, const QString &name, const QStringList &candidates)
{
    const QString nearest = nearestName(name, candidates);
    const QString message = QStringLiteral("no %1 named \"%2\"").arg(what, name);
    if (nearest.isEmpty())
        return message + QStringLiteral(" (--batch --list-fields lists them)");
    return message + QStringLiteral("; did you mean \"%1\"?").arg(nearest);
}

QStringList settableNames()
{
    QStringList names;
    for (int i = 0; i < PlanModel::InputCount; ++i)
        names << QLatin1String(Fields::input(PlanModel::Input(i)).name);
    for (int o = 0; o < PlanModel::OptionCount; ++o)
        names << QLatin1String(Fields::option(PlanModel::Option(o)).name);
    for (int c = 0; c < PlanModel::ChoiceCount; ++c)
        names << QLatin1String(Fields::choice(PlanModel::Choice(c)));
    return names;
}

// Every name --print takes: the table's, then the window's captions where there is a window.
QStringList printableNames(const QWidget *window)
{
    QStringList names = settableNames();
    for (int o = 0; o < PlanModel::OutputCount; ++o)
        names << QLatin1String(Fields::output(PlanModel::Output(o)).name);
    if (window) {
        const auto widgets = window->findChildren<QWidget *>();
        for (QWidget *w : widgets) {
            const QString name = w->objectName();
            if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")) && isPrintableWidget(w) &&
                !names.contains(name))
                names << name;
        }
    }
    return names;
}

// Lets pending layout requests and posted events run, as the event loop would between a
// user's edit and the next repaint, so labels whose text grew get their room.
void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

} // namespace

void installBatchMessageFilter()
{
    static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
    qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                previous(type, context, message);
        });
}

bool isBatchInvocation(int argc, const char *const *argv)
{
    for (int i = 1; i < argc; ++i) {
        if (argv[i] && QLatin1String(argv[i]) == QLatin1String("--batch"))
            return true;
    }
    return false;
}

int runBatch(const QStringList &arguments)
{
    BatchPlan plan;
    const QString usageError = parsePlan(arguments, plan);
    if (!usageError.isEmpty()) {
        printError(usageError);
        return ExitUsage;
    }

    // The field table alone answers; no plan is built.
    if (plan.listFields) {
        QTextStream(stdout) << Fields::listing();
        return ExitOk;
    }

    auto *model = new PlanModel;
    std::unique_ptr<MainWindow> window;
    const auto ownModel = qScopeGuard([&] {
        if (!window)
            delete model;
    });
    for (const SetAction &set : plan.sets) {
        if (PlanModel::outputIndex(set.name) >= 0) {
            printError(QStringLiteral("--set: \"%1\" is a read-out: --print shows it, nothing "
                                      "sets it")
                           .arg(set.name));
            return ExitUsage;
        }
        if (!isSettable(set.name)) {
            printError(QStringLiteral("--set: ") +
                       unknownName(QStringLiteral("input field"), set.name, settableNames()));
            return ExitUsage;
        }
    }
    // The plan answers for every field that holds state; captions and the screenshot need the
    // window, which then shows the plan and follows its edits.
    QString unused;
    bool needWindow = !plan.renderFile.isEmpty() || !plan.plotFile.isEmpty();
    for (const QString &name : plan.prints)
        needWindow = needWindow || !model->printValue(name, &unused);
    if (needWindow) {
        window = std::make_unique<MainWindow>(model);
        // Laid out at its default size like a shown window, but never put on a screen.
        window->setAttribute(Qt::WA_DontShowOnScreen, true);
        window->show();
    }
    const auto widgetNamed = [&window](const QString &name) {
        return window ? window->findChild<QWidget *>(name, Qt::FindChildrenRecursively) : nullptr;
    };
    for (const QString &name : plan.prints) {
        QWidget *w = widgetNamed(name);
        if (!model->printValue(name, &unused) && !(w && isPrintableWidget(w))) {
            printError(QStringLiteral("--print: ") +
                       unknownName(QStringLiteral("field"), name, printableNames(window.get())));
            return ExitUsage;
        }
    }

    // A session is the starting point of the edits; the data choice overrides it and comes
    // before any edit, so every edit computes with it.
    if (!plan.loadSession.isEmpty()) {
        const PlanModel::SessionLoad loaded = model->loadSession(plan.loadSession);
        if (!loaded.ok) {
            printError(QStringLiteral("cannot load session \"%1\": %2")
                           .arg(plan.loadSession, loaded.error));
            return ExitUsage;
        }
        // Named up to a few; a file with thousands of unknown keys gives one more line, not
        // thousands.
        for (const QString &key : loaded.ignored)
            std::fprintf(stderr, "warning: session key ignored: %s\n", qPrintable(key));
        if (loaded.ignoredCount > loaded.ignored.size())
            std::fprintf(stderr, "warning: %d more session keys ignored\n",
                         loaded.ignoredCount - int(loaded.ignored.size()));
        for (const QString &key : loaded.missing)
            std::fprintf(stderr, "warning: session key missing, default used: %s\n",
                         qPrintable(key));
        for (const QString &note : loaded.notes)
            std::fprintf(stderr, "warning: session: %s\n", qPrintable(note));
    }
    if (plan.absorption >= 0)
        model->setAbsorption(PlanModel::Absorption(plan.absorption));
    for (const SetAction &set : plan.sets) {
        const QString error = applySet(*model, set);
        if (!error.isEmpty()) {
            printError(error);
            return ExitUsage;
        }
    }
    if (window)
        settle();
    // The form would frame these fields in red; a script hears of them on standard error, in
    // the words of the status bar, and still gets its results.
    for (PlanModel::Input field : model->flaggedFields()) {
        std::fprintf(stderr, "warning: %s: %s\n",
                     PlanModel::inputName(field).toLatin1().constData(),
                     model->fieldProblem(field).toLocal8Bit().constData());
    }
    std::fflush(stderr);

    // The screenshot's format and file come before any output is written, so that a run that
    // cannot write it leaves every file as it was.
    SafeWrite imageFile(plan.renderFile);
    const ExportFormat *imageFormat = nullptr;
    if (!plan.renderFile.isEmpty()) {
        QString message;
        imageFormat = exportFormatFor(ExportKind::WindowImage, plan.renderFile);
        if (!imageFormat) {
            message = QStringLiteral("no image format for the suffix \"%1\"")
                          .arg(QString::fromLatin1(
                              QFileInfo(plan.renderFile).suffix().toLower().toLatin1()));
        }
        if (!imageFormat || !imageFile.open(&message)) {
            printError(
                QStringLiteral("cannot write image \"%1\": %2").arg(plan.renderFile, message));
            return ExitOutputFailed;
        }
    }

    QTextStream out(stdout);
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    out.setEncoding(QStringConverter::Utf8);
#else
    out.setCodec("UTF-8");
#endif
    for (const QString &name : plan.prints) {
        QString value;
        if (!model->printValue(name, &value))
            value = printedValue(widgetNamed(name));
        out << name << '=' << value << '\n';
        // An empty read-out of the measurement has a reason the status bar would give.
        const int o = PlanModel::outputIndex(name);
        const QString why = o == PlanModel::MeasScale ? model->measuredProblem()
                            : o >= 0 && (Fields::output(PlanModel::Output(o)).flags & OUT_MEASURE)
                                ? model->measureProblem()
                                : QString();
        if (value.isEmpty() && !why.isEmpty()) {
            std::fprintf(stderr, "warning: %s is empty: %s\n", name.toLatin1().constData(),
                         why.toLocal8Bit().constData());
        }
    }
    // A text output named "-" follows on standard output.
    out.flush();

    // Tables and sessions take any name: their kinds have a format for every suffix.
    const ExportSource source{model, window.get(), plan.plotSize};
    // One output that cannot be written does not cost the others: a spectrum refused while a
    // field is flagged still leaves the session saved. The status says something failed.
    int status = ExitOk;
    if (!plan.spectrumFile.isEmpty()) {
        QString message;
        if (!saveExport(*exportFormatFor(ExportKind::SpectrumTable, plan.spectrumFile), source,
                        plan.spectrumFile, &message)) {
            printError(
                QStringLiteral("spectrum not saved to \"%1\": %2").arg(plan.spectrumFile, message));
            status = ExitOutputFailed;
        }
    }
    if (!plan.saveSession.isEmpty()) {
        QString message;
        if (!saveExport(*exportFormatFor(ExportKind::Session, plan.saveSession), source,
                        plan.saveSession, &message)) {
            printError(
                QStringLiteral("session not saved to \"%1\": %2").arg(plan.saveSession, message));
            status = ExitOutputFailed;
        }
    }
    if (!plan.linesFile.isEmpty()) {
        QString message;
        if (!saveExport(*exportFormatFor(ExportKind::LineTable, plan.linesFile), source,
                        plan.linesFile, &message)) {
            printError(
                QStringLiteral("line table not saved to \"%1\": %2").arg(plan.linesFile, message));
            status = ExitOutputFailed;
        }
    }
    const struct
    {
        const QString &file;
        ExportKind kind;
        const char *what;
    } tables[] = {{plan.channelsFile, ExportKind::ChannelSpectrum, "spectrum per channel"},
                  {plan.comparisonFile, ExportKind::Comparison, "comparison"}};
    for (const auto &table : tables) {
        if (table.file.isEmpty())
            continue;
        QString message;
        if (!saveExport(*exportFormatFor(table.kind, table.file), source, table.file, &message)) {
            printError(QStringLiteral("%1 not saved to \"%2\": %3")
                           .arg(QLatin1String(table.what), table.file, message));
            status = ExitOutputFailed;
        }
    }
    if (!plan.plotFile.isEmpty()) {
        QString message;
        if (!window->savePlotImage(plan.plotFile, plan.plotSize, &message)) {
            printError(
                QStringLiteral("plot image not saved to \"%1\": %2").arg(plan.plotFile, message));
            status = ExitOutputFailed;
        }
    }
    if (!plan.renderFile.isEmpty()) {
        // The exports may have rewritten read-out labels; give the layout its turn first.
        settle();
        const auto fill = [&](QIODevice &file, QString &why) {
            return fillExport(*imageFormat, source, plan.renderFile, file, why);
        };
        QString message;
        if (!imageFile.write(fill, &message)) {
            printError(
                QStringLiteral("cannot write image \"%1\": %2").arg(plan.renderFile, message));
            status = ExitOutputFailed;
        }
    }
    return status;
}
