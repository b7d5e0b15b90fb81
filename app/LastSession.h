#pragma once

#include <QString>

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
