#include "LastSession.h"
#include "MainWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QStatusBar>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

QString trMain(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

} // namespace

LastSessionStart restoreLastSession(MainWindow &window, const QString &path)
{
    LastSessionStart start;
    const QFileInfo info(path);
    if (!info.exists())
        return start;
    QString why;
    if (window.openSession(path, &why))
        return start;

    // rename() replaces an older file of that name in one step; a folder in the way stays.
    const QString aside = path + QStringLiteral(".bad");
    const QString shown = QDir::toNativeSeparators(path);
    if (std::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) ==
        0) {
        start.problem = trMain("The last session could not be opened (%1). It was moved to %2; "
                               "the program starts with the defaults.")
                            .arg(why, QDir::toNativeSeparators(aside));
    } else {
        start.saveAtQuit = false;
        start.problem = trMain("The last session could not be opened (%1), nor moved aside (%2). "
                               "%3 is left as it is and this session is not saved at quit.")
                            .arg(why, QString::fromLocal8Bit(std::strerror(errno)), shown);
    }
    window.statusBar()->showMessage(start.problem);
    return start;
}

void showStartProblem(QWidget *window, const QString &problem)
{
    auto *box = new QMessageBox(QMessageBox::Warning, trMain("Last session not opened"), problem,
                                QMessageBox::Ok, window);
    box->setObjectName(QStringLiteral("startProblem"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
