#include "LastSession.h"
#include "ExportFormats.h"
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

LastSessionKeeper::LastSessionKeeper(MainWindow &window, const QString &path, int delay)
    : QObject(&window), window(window), path(path)
{
    timer.setSingleShot(true);
    timer.setInterval(delay);
    connect(&timer, &QTimer::timeout, this, [this] { write(false); });
    // Anything a session holds; signals that change nothing in it only cost a comparison.
    PlanModel *plan = window.plan;
    const auto later = [this] { timer.start(); };
    connect(plan, &PlanModel::inputChanged, this, later);
    connect(plan, &PlanModel::inputStyleChanged, this, later);
    connect(plan, &PlanModel::outputChanged, this, later);
    connect(plan, &PlanModel::outputStyleChanged, this, later);
    connect(plan, &PlanModel::choiceChanged, this, later);
    connect(plan, &PlanModel::optionChanged, this, later);
    connect(plan, &PlanModel::absorptionChanged, this, later);
    connect(plan, &PlanModel::plotChanged, this, later);
    connect(plan, &PlanModel::planReset, this, later);
    window.installEventFilter(this);
}

bool LastSessionKeeper::saveNow()
{
    timer.stop();
    return write(false);
}

bool LastSessionKeeper::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &window && event->type() == QEvent::Close) {
        // What is typed when the user quits is meant to stay, though the field still has focus.
        window.finishEditing();
        timer.stop();
        write(true);
    }
    return false;
}

bool LastSessionKeeper::write(bool atClose)
{
    const QByteArray json = window.plan->sessionJson();
    // At close the file is written whatever this window wrote before: it may have gone since.
    if (!atClose && json == written && toldFailure.isEmpty())
        return true;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QString why;
    if (window.plan->saveSession(path, &why)) {
        written = json;
        toldFailure.clear();
        return true;
    }
    const QString failure =
        trMain("Session not saved to %1: %2").arg(QDir::toNativeSeparators(path), why);
    if (failure == toldFailure && !atClose)
        return false;
    toldFailure = failure;
    window.statusBar()->showMessage(failure);
    showSaveFailure(&window, failure);
    if (atClose) {
        // The user reads why before the window goes, instead of finding defaults at the next
        // start; unless nobody is there to read it.
        if (unattended)
            std::fprintf(stderr, "%s\n", failure.toLocal8Bit().constData());
        else
            waitForSaveFailure(&window);
    }
    return false;
}
