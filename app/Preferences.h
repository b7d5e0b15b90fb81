#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>

// The interface's own preferences, kept in the user's settings apart from the plan, which lives
// in sessions and the last session. Only the window reads and writes them: batch mode never
// makes one, so what a script prints never depends on how someone left the window.
class Preferences
{
public:
    // Keys in the settings file.
    static constexpr const char *LanguageKey = "interface/language";
    static constexpr const char *SplitterKey = "window/formPlotSplitter";

    enum class Language { Unchosen, Japanese, English };

    // Names the program for its settings and folders, whichever launcher started it; once, right
    // after the application object exists.
    static void setApplicationNames();
    // The folder of the settings file, where the last session is kept too.
    static QString configFolder();

    Preferences();

    Language language() const;
    void setLanguage(Language language);
    // The split between form and plot as QSplitter::saveState gives it; empty when none is kept.
    QByteArray splitterState() const;
    void setSplitterState(const QByteArray &state);

private:
    QSettings settings;
};
