#include "Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool startsInJapanese(int argc, const char *const *argv, Preferences::Language remembered)
{
    bool japanese = remembered != Preferences::Language::English;
    for (int i = 1; i < argc; ++i) {
        const QString arg = argv[i] ? QString::fromLocal8Bit(argv[i]) : QString();
        if (arg == QLatin1String("-j"))
            japanese = true;
        else if (arg == QLatin1String("-e"))
            japanese = false;
    }
    const QString program = (argc > 0 && argv[0]) ? QString::fromLocal8Bit(argv[0]) : QString();
    if (program.indexOf(QLatin1String("Tirne"), 0, Qt::CaseSensitive) >= 0)
        japanese = false;
    return japanese;
}

bool interfaceStartsInJapanese(int argc, const char *const *argv, bool batch)
{
    return startsInJapanese(argc, argv,
                            batch ? Preferences::Language::Unchosen : Preferences().language());
}

void installJapanese(QTranslator &translator)
{
    // ":Tirn_ja_JP" names the embedded resource (the loader adds ".qm"), so a stray file next to
    // the executable is never picked up; the directory argument is then irrelevant.
    const bool loaded =
        translator.load(QStringLiteral(":Tirn_ja_JP"), QCoreApplication::applicationDirPath(),
                        QString(), QString());
    Q_UNUSED(loaded)
    QCoreApplication::installTranslator(&translator);
    // Qt's own texts (file dialog, context menus of the line edits) come from Qt's catalogue,
    // installed with Qt's translations package; without it they stay English.
    static QTranslator qtTranslator;
    if (qtTranslator.isEmpty() &&
        qtTranslator.load(QStringLiteral("qtbase_ja"), qtTranslationsPath()))
        QCoreApplication::installTranslator(&qtTranslator);
}

QString qtTranslationsPath()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#else
    return QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#endif
}
