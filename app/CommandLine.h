#pragma once

#include <QString>

#include <optional>

// The options both the window and batch mode take, and the two answers that need neither: the
// help and the version are printed before any application object exists, so they work without
// a display and never open a window.

// What --help prints: every option of the window and of batch mode.
QString helpText();
// What --version prints: "Tirn <version>".
QString versionText();

// Prints the help or the version when the command line asks for one and returns the exit
// status; returns nothing when the program should start as usual. A value of an option that
// takes one (--set --help) is a value, not a request.
std::optional<int> answerWithoutStarting(int argc, const char *const *argv);
