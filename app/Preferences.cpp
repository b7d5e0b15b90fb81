#include "Preferences.h"

#include <QCoreApplication>
#include <QStandardPaths>

namespace {

constexpr QLatin1String Name("Tirn");
constexpr QLatin1String JapaneseName("ja");
constexpr QLatin1String EnglishName("en");

} // namespace

void Preferences::setApplicationNames()
{
    QCoreApplication::setOrganizationName(Name);
    QCoreApplication::setApplicationName(Name);
}

QString Preferences::configFolder()
{
    // What QSettings uses for the organisation's files; the application's own folder below it
    // would move the last session away from where earlier versions kept it.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1Char('/') + QCoreApplication::organizationName();
}

Preferences::Preferences() = default;

Preferences::Language Preferences::language() const
{
    const QString name = settings.value(QLatin1String(LanguageKey)).toString();
    if (name == JapaneseName)
        return Language::Japanese;
    if (name == EnglishName)
        return Language::English;
    return Language::Unchosen;
}

void Preferences::setLanguage(Language language)
{
    if (language == Language::Unchosen)
        settings.remove(QLatin1String(LanguageKey));
    else
        settings.setValue(QLatin1String(LanguageKey),
                          QString(language == Language::Japanese ? JapaneseName : EnglishName));
}

QByteArray Preferences::splitterState() const
{
    return settings.value(QLatin1String(SplitterKey)).toByteArray();
}

void Preferences::setSplitterState(const QByteArray &state)
{
    settings.setValue(QLatin1String(SplitterKey), state);
}
