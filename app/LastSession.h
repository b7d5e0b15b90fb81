#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class MainWindow;
class QWidget;

// The session the window restores at start: what became of it.
struct LastSessionStart
{
    // False when a file that could not be opened could not be moved aside either: writing the
    // session at quit would then destroy it.
    bool saveAtQuit = true;
    // What the user has to be told (the file could not be opened, where it went); empty when
    // there was nothing to say.
    QString problem;
};

// Opens the last session at path in the window when there is one. A file that cannot be opened
// is never overwritten: it is moved aside to path + ".bad" (replacing an older one, so that the
// newest is kept) for the user to repair or delete, and the window keeps the defaults. The
// problem also stays in the status bar.
LastSessionStart restoreLastSession(MainWindow &window, const QString &path);

// Puts up the problem of restoreLastSession over the window, without waiting for it.
void showStartProblem(QWidget *window, const QString &problem);

// Keeps the last session on disk while the window is open: a moment after the last change of
// the plan, so that a crash or a kill loses at most that moment, and again as the window closes.
// Each write replaces the file whole or not at all. A failure is told once (status bar and a
// box), not at every later attempt that fails the same way; a close that fails is always told.
// Lives as long as the window; made only when the last session may be written (saveAtQuit).
class LastSessionKeeper : public QObject
{
public:
    static constexpr int DefaultDelay = 1000; // ms after the last change

    LastSessionKeeper(MainWindow &window, const QString &path, int delay = DefaultDelay);

    // Writes the plan now unless the file already holds it; false when the write failed.
    bool saveNow();
    // True while a change waits to be written.
    bool savePending() const { return timer.isActive(); }
    // Nobody is there to answer a box (the program was told to stop): a failure at close goes to
    // standard error as well, and the window closes without waiting.
    void setUnattended(bool on) { unattended = on; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool write(bool atClose);

    MainWindow &window;
    const QString path;
    QTimer timer;
    QByteArray written;  // what the file holds since the last write of this window
    QString toldFailure; // the failure last told, until a write succeeds
    bool unattended = false;
};
