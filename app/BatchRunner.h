#pragma once

#include <QStringList>

// Batch mode replays edits on the real main window, never shown, so that scripted sample
// planning gives exactly what the form gives:
//   Tirn --batch [--set NAME=TEXT]... [--print NAME[,NAME...]] [--save-spectrum FILE]
//        [--render FILE.png]
bool isBatchInvocation(int argc, const char *const *argv);

// Keeps debug, info and warning output of Qt and of the program off standard error; critical
// and fatal messages still come through.
void installBatchMessageFilter();

// Runs a batch invocation; returns the process exit status (0 success, 1 an output could not be
// written, 2 a usage error reported before anything was written).
int runBatch(const QStringList &arguments);
