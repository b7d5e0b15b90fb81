#pragma once

#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class MainWindow;
class PlanModel;
class QIODevice;
class QWidget;

// Every file the program writes, by what it holds and in which format. The window's save dialogs
// list the formats of a kind and batch mode looks them up by suffix in the same place, so both
// take and refuse the same names and write the same bytes.
enum class ExportKind {
    SpectrumTable,
    LineTable,
    Session,
    PlotImage,
    WindowImage,
    ChannelSpectrum, // the simulated spectrum counted per detector channel
    Comparison,      // the measured spectrum's line areas against the simulated ones
};

// What the writers read: the plan, and for pictures the window that paints it.
struct ExportSource
{
    PlanModel *plan = nullptr;
    MainWindow *window = nullptr;
    QSize size; // of a plot image
};

struct ExportFormat
{
    ExportKind kind;
    // How a save dialog lists it, in the window's translation context; null for a format that
    // is taken by suffix but not offered by name.
    const char *filter;
    // The suffixes it answers to, lower case; the first is what a bare name gets.
    QStringList suffixes;
    // Any other suffix it takes once no format of its kind claims that suffix by name; null for
    // none.
    bool (*takesOther)(const QString &suffix);
    // A format the program draws fills an opened file (named fileName); its "why" is empty to
    // report the file's own error. The plan's tables and sessions are written whole by the plan
    // instead, through save.
    std::function<bool(const ExportSource &, const QString &fileName, QIODevice &, QString &why)>
        fill;
    std::function<bool(const ExportSource &, const QString &fileName, QString *error)> save;
};

// Every format, in the order the dialogs list them.
const QVector<ExportFormat> &exportFormats();
// The format of that kind that writes a file of this name (by its suffix, in any case); null when
// none does.
const ExportFormat *exportFormatFor(ExportKind kind, const QString &fileName);
// A save dialog's name filters for the kind, in the interface language.
QStringList exportFilters(ExportKind kind);
// The suffix given to a name that has none.
QString defaultSuffix(ExportKind kind);
// A drawn format's bytes, made whole in memory before they go into the file: the image writers
// seek in their device and do not check what its writes return, which a file is then spared.
bool fillExport(const ExportFormat &format, const ExportSource &source, const QString &fileName,
                QIODevice &file, QString &why);
// Writes the whole file or nothing: an existing file survives any failure, which error explains.
// A special file or standard output (SafeWrite) is written straight into instead.
bool saveExport(const ExportFormat &format, const ExportSource &source, const QString &fileName,
                QString *error);

// Puts up why a save from the window failed, without waiting: one box at a time, a later failure
// replacing the text of a box still open. The status bar keeps its own line.
void showSaveFailure(QWidget *window, const QString &message);
// The same for any failure of something the user asked for, in a box of its own name and title.
void showFailureBox(QWidget *window, const QString &boxName, const QString &title,
                    const QString &message);
// Returns once the box of showSaveFailure is closed; at once when none is open. For a save whose
// window is about to go.
void waitForSaveFailure(QWidget *window);

// Plot images are 1 to MaxImageSide pixels each way.
constexpr int MaxImageSide = 20000;
bool imageSizeAllowed(QSize size);
