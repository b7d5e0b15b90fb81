#include "BatchRunner.h"
#include "Language.h"
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

// Where the GUI keeps the session it restores at the next start.
QString lastSessionPath();

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
    const QString lastSession = lastSessionPath();
    if (!QCoreApplication::arguments().contains(QStringLiteral("--fresh")) &&
        QFile::exists(lastSession))
        window->openSession(lastSession);
    QObject::connect(&app, &QApplication::lastWindowClosed, window,
                     [window, lastSession, &preferences, splitter] {
                         QDir().mkpath(QFileInfo(lastSession).absolutePath());
                         window->saveSession(lastSession);
                         if (splitter)
                             preferences.setSplitterState(splitter->saveState());
                     });
    // Never larger than the screen: on a laptop the form scrolls and the plot keeps its share.
    if (const QScreen *screen = window->screen())
        window->sizeForScreen(screen->availableGeometry().size());
    if (splitter)
        splitter->restoreState(preferences.splitterState());
    window->show();
    return QApplication::exec();
}

QString lastSessionPath()
{
    return Preferences::configFolder() + QStringLiteral("/last-session.json");
}
