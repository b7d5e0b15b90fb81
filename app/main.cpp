#include "BatchRunner.h"
#include "ExportFormats.h"
#include "Language.h"
#include "LastSession.h"
#include "MainWindow.h"
#include "Preferences.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QScreen>
#include <QSplitter>
#include <QTranslator>

#include <optional>

// Where the GUI keeps the session it restores at the next start.
QString lastSessionPath();

namespace {

// Writes the last session as the window closes, while the window can still say that it failed:
// the user reads why before it goes, instead of finding defaults at the next start.
class SessionAtClose : public QObject
{
public:
    SessionAtClose(MainWindow *window, const QString &fileName) : window(window), fileName(fileName)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == window && event->type() == QEvent::Close) {
            QDir().mkpath(QFileInfo(fileName).absolutePath());
            if (!window->saveSession(fileName))
                waitForSaveFailure(window);
        }
        return false;
    }

private:
    MainWindow *const window;
    const QString fileName;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    const bool japanese = startsInJapanese(argc, argv);

    const bool batch = isBatchInvocation(argc, argv);
    // A batch run never shows its window; unless told otherwise it needs no display at all.
    if (batch && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Scripts read a batch run's standard error for its one message; Qt's diagnostics (parser
    // traces, platform notes) would only bury it.
    if (batch)
        installBatchMessageFilter();

    QApplication app(argc, argv);
    Preferences::setApplicationNames();
    QTranslator translator;
    if (japanese)
        installJapanese(translator);

    if (batch)
        return runBatch(QCoreApplication::arguments());

    // The SVG is drawn by Qt's SVG plugin at whatever sizes the window manager asks for. Wayland
    // compositors ignore the icon and look up the desktop entry named here instead.
    QApplication::setWindowIcon(QIcon(QStringLiteral(TIRN_ICON_RESOURCE)));
    QGuiApplication::setDesktopFileName(QStringLiteral(TIRN_APP_ID));

    // Lives until the process ends, like its export dialog.
    auto *window = new MainWindow();
    // The interface as it was left. Written back when the window closes and saved to disk when
    // this goes out of scope, after the event loop.
    Preferences preferences;
    auto *splitter = window->findChild<QSplitter *>(QStringLiteral("formPlotSplitter"));
    // The last session comes back unless --fresh asks for the defaults; it is written when the
    // window closes. Only the GUI does either: batch runs and tests start from the defaults.
    // One that cannot be opened is moved aside, and never written over.
    const QString lastSession = lastSessionPath();
    LastSessionStart restored;
    if (!QCoreApplication::arguments().contains(QStringLiteral("--fresh")))
        restored = restoreLastSession(*window, lastSession);
    std::optional<SessionAtClose> sessionAtClose;
    if (restored.saveAtQuit)
        sessionAtClose.emplace(window, lastSession);
    QObject::connect(&app, &QApplication::lastWindowClosed, window, [&preferences, splitter] {
        if (splitter)
            preferences.setSplitterState(splitter->saveState());
    });
    // Never larger than the screen: on a laptop the form scrolls and the plot keeps its share.
    if (const QScreen *screen = window->screen())
        window->sizeForScreen(screen->availableGeometry().size());
    if (splitter)
        splitter->restoreState(preferences.splitterState());
    window->show();
    if (!restored.problem.isEmpty())
        showStartProblem(window, restored.problem);
    return QApplication::exec();
}

QString lastSessionPath()
{
    return Preferences::configFolder() + QStringLiteral("/last-session.json");
}
