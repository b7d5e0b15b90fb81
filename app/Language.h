#pragma once

#include <QString>

// Decides whether the interface starts in Japanese. Options "-j" and "-e" (whole, case-sensitive
// arguments after the program name) set and clear the choice, the last one winning; a program
// path containing "Tirne" anywhere always means English, whatever the options say.
bool startsInJapanese(int argc, const char *const *argv);

// Loads the embedded Japanese translation into translator and installs it. A translation that
// cannot be loaded leaves the interface in English.
class QTranslator;
// Qt's own Japanese catalogue (qtbase_ja) is installed as well where Qt's translations are.
void installJapanese(QTranslator &translator);
// Where Qt's own translation catalogues live.
QString qtTranslationsPath();
