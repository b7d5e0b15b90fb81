#include "BatchRunner.h"
#include "CommandLine.h"
#include "Language.h"
#include "LastSession.h"
#include "MainWindow.h"
#include "Preferences.h"

#include <QApplication>
#include <QIcon>
#include <QScreen>
#include <QSplitter>
#include <QTranslator>

#include <functional>
#include <optional>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

// Where the GUI keeps the session it restores at the next start.
QString lastSessionPath();

#ifdef Q_OS_UNIX
namespace {

int signalPipe[2] = {-1, -1};

void onStopSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    const ssize_t written = ::write(signalPipe[1], &byte, 1);
    (void)written; // a full pipe already holds a request to stop
    errno = saved;
}

// A request to stop (kill, the session ending, Ctrl+C in the terminal) closes the window as the
// File menu does, so that the last session is written first. Nothing of Qt may run inside a
// signal handler: the handler only writes a byte, which the event loop reads.
void quitOnStopSignals(const std::function<void()> &quit)
{
    if (::pipe(signalPipe) != 0)
        return;
    for (const int fd : signalPipe)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [quit] {
        char bytes[16];
        const ssize_t got = ::read(signalPipe[0], bytes, sizeof bytes);
        (void)got;
        quit();
    });
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

} // namespace
#endif

int main(int argc, char *argv[])
{
    // Answered before any application exists: no display needed, no window opened.
    if (const std::optional<int> answered = answerWithoutStarting(argc, argv))
        return *answered;
    QApplication::setStyle(QStringLiteral("Fusion"));

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
    const bool japanese = interfaceStartsInJapanese(argc, argv, batch);
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
    // The last session comes back unless --fresh asks for the defaults; from then on it is kept
    // on disk. Only the GUI does either: batch runs and tests start from the defaults. One that
    // cannot be opened is moved aside, and never written over.
    const QString lastSession = lastSessionPath();
    LastSessionStart restored;
    if (!QCoreApplication::arguments().contains(QStringLiteral("--fresh")))
        restored = restoreLastSession(*window, lastSession);
    LastSessionKeeper *keeper =
        restored.saveAtQuit ? new LastSessionKeeper(*window, lastSession) : nullptr;
    QObject::connect(&app, &QApplication::lastWindowClosed, window, [&preferences, splitter] {
        if (splitter)
            preferences.setSplitterState(splitter->saveState());
    });
    QObject::connect(window, &MainWindow::languageChosen, window, [&preferences](bool japanese) {
        preferences.setLanguage(japanese ? Preferences::Language::Japanese
                                         : Preferences::Language::English);
    });
    // Never larger than the screen: on a laptop the form scrolls and the plot keeps its share.
    if (const QScreen *screen = window->screen())
        window->sizeForScreen(screen->availableGeometry().size());
    window->restoreSplit(preferences.splitterState());
    window->show();
    if (!restored.problem.isEmpty())
        showStartProblem(window, restored.problem);
#ifdef Q_OS_UNIX
    quitOnStopSignals([keeper] {
        if (keeper)
            keeper->setUnattended(true);
        QApplication::closeAllWindows();
    });
#endif
    return QApplication::exec();
}

QString lastSessionPath()
{
    return Preferences::configFolder() + QStringLiteral("/last-session.json");
}
