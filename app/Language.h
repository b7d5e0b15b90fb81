#pragma once

#include "Preferences.h"

#include <QString>

// Decides whether the interface starts in Japanese. A program path containing "Tirne" anywhere
// always means English; otherwise options "-j" and "-e" (whole, case-sensitive arguments after
// the program name) decide, the last one winning; otherwise the choice remembered from the
// Settings menu; otherwise Japanese.
bool startsInJapanese(int argc, const char *const *argv,
                      Preferences::Language remembered = Preferences::Language::Unchosen);
// The same with the choice the window remembered, which only the window reads: a batch run's
// texts are read by scripts and must not depend on how someone left the window. Needs the
// application object and its names (Preferences::setApplicationNames).
bool interfaceStartsInJapanese(int argc, const char *const *argv, bool batch);

// Loads the embedded Japanese translation into translator and installs it. A translation that
// cannot be loaded leaves the interface in English.
class QTranslator;
// Qt's own Japanese catalogue (qtbase_ja) is installed as well where Qt's translations are.
void installJapanese(QTranslator &translator);
// Where Qt's own translation catalogues live.
QString qtTranslationsPath();
