#include "BatchRunner.h"
#include "Language.h"
#include "MainWindow.h"

#include <QApplication>
#include <QTranslator>

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
    QTranslator translator;
    if (japanese)
        installJapanese(translator);

    if (batch)
        return runBatch(QCoreApplication::arguments());

    // Lives until the process ends, like its export dialog.
    auto *window = new MainWindow();
    window->show();
    return QApplication::exec();
}
