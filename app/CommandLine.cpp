#include "CommandLine.h"

#include <QStringList>

#include <cstdio>
#include <cstring>

namespace {

struct OptionHelp
{
    const char *usage; // the option as typed, with its value
    const char *text;
    bool takesValue;
};

// One table for the help and for the scan below, so that an option added here is both
// explained and skipped with its value.
const OptionHelp COMMON_OPTIONS[] = {
    {"-e", "English interface (always when the program is started as Tirne)", false},
    {"-j",
     "Japanese interface. The last of -e and -j wins; without either, the window "
     "takes the language last chosen in its settings (Japanese at first), batch mode Japanese",
     false},
    {"--fresh", "start the window from the defaults instead of the last session", false},
    {"--batch", "no window: apply the batch options below, then exit", false},
    {"-h, --help", "print this help and exit", false},
    {"--version", "print the version and exit", false},
};

const OptionHelp BATCH_OPTIONS[] = {
    {"--list-fields",
     "list every NAME that --set and --print take, one per line: name, kind, unit, default and "
     "rule, tab-separated",
     false},
    {"--load-session FILE", "start from a saved session", true},
    {"--absorption MODEL", "absorption data of the pellet: tabulated (the default) or classic",
     true},
    {"--set NAME=TEXT",
     "edit the field NAME as on the form: text, an item of a list, or 1/0 for a check box; "
     "repeatable, applied in order",
     true},
    {"--load-measured FILE",
     "read a measured spectrum (.mca, .spe, text or CSV) as --set MeasFile=FILE does, in order",
     true},
    {"--print NAME[,NAME...]",
     "print NAME=VALUE for each field, read-out or caption of the window (label_36), in order",
     true},
    {"--save-spectrum FILE", "write the spectrum table (comma-separated when FILE ends in .csv)",
     true},
    {"--save-lines FILE", "write the table of fluorescence lines (CSV)", true},
    {"--save-session FILE", "write the session after the edits", true},
    {"--save-channels FILE",
     "write the simulated spectrum counted per detector channel in SimLiveTime, as .csv, .txt "
     "or Amptek .mca",
     true},
    {"--save-comparison FILE", "write the comparison with the measured spectrum (CSV)", true},
    {"--render-plot FILE", "write the plot alone as PNG, SVG or PDF, by suffix", true},
    {"--plot-size WxH", "size of --render-plot in pixels (default 1000x600)", true},
    {"--render FILE", "write a screenshot of the whole window (PNG, JPEG, ... by suffix)", true},
};

constexpr int UsageColumn = 26;
constexpr int LineWidth = 80;

// The option in its column, its text filled to the line width and indented under itself.
void appendOption(QString &out, const OptionHelp &option)
{
    QString line = QStringLiteral("  ") + QLatin1String(option.usage);
    if (line.size() >= UsageColumn)
        line += QLatin1Char('\n') + QString(UsageColumn, QLatin1Char(' '));
    else
        line = line.leftJustified(UsageColumn);
    int used = UsageColumn;
    const QStringList words = QString::fromLatin1(option.text).split(QLatin1Char(' '));
    bool first = true;
    for (const QString &word : words) {
        if (!first && used + 1 + word.size() > LineWidth) {
            line += QLatin1Char('\n') + QString(UsageColumn, QLatin1Char(' '));
            used = UsageColumn;
            first = true;
        }
        if (!first) {
            line += QLatin1Char(' ');
            ++used;
        }
        line += word;
        used += int(word.size());
        first = false;
    }
    out += line + QLatin1Char('\n');
}

bool takesValue(const char *arg)
{
    for (const OptionHelp &option : BATCH_OPTIONS) {
        if (!option.takesValue)
            continue;
        const char *space = std::strchr(option.usage, ' ');
        const size_t length = space ? size_t(space - option.usage) : std::strlen(option.usage);
        if (std::strlen(arg) == length && std::strncmp(arg, option.usage, length) == 0)
            return true;
    }
    return false;
}

void print(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

} // namespace

QString helpText()
{
    QString out = QStringLiteral(
        "Usage: Tirn [-e | -j] [--fresh]\n"
        "       Tirn --batch [-e | -j] [BATCH OPTIONS]\n"
        "       Tirn --help | --version\n"
        "\n"
        "Plans pellets for X-ray absorption (weights, thickness, mu t, edge jump) and\n"
        "simulates the fluorescence spectrum a detector would record from them. Without\n"
        "--batch the window opens; it needs a display.\n"
        "\n"
        "Options:\n");
    for (const OptionHelp &option : COMMON_OPTIONS)
        appendOption(out, option);
    out += QStringLiteral("\nBatch options (with --batch; the edits run first, then the prints,\n"
                          "then the files):\n");
    for (const OptionHelp &option : BATCH_OPTIONS)
        appendOption(out, option);
    out += QStringLiteral(
        "\n"
        "A FILE of - writes that text output to standard output, after the printed\n"
        "fields. Batch mode needs no display. Exit status: 0 success; 1 a file could not\n"
        "be written; 2 a usage error, reported before anything is written.\n");
    return out;
}

QString versionText()
{
    return QStringLiteral("Tirn " TIRN_VERSION "\n");
}

std::optional<int> answerWithoutStarting(int argc, const char *const *argv)
{
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (!arg)
            continue;
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            print(helpText());
            return 0;
        }
        if (std::strcmp(arg, "--version") == 0) {
            print(versionText());
            return 0;
        }
        if (takesValue(arg))
            ++i;
    }
    return std::nullopt;
}
