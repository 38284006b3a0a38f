#include "app/CommandLine.h"

#include <algorithm>
#include <iterator>

namespace ratelark {

namespace {

struct NamedFormat {
    QLatin1StringView name;
    StatusLineFormat format;
};

constexpr NamedFormat kFormats[] = {
    {QLatin1StringView("text"), StatusLineFormat::Text},       {QLatin1StringView("json"), StatusLineFormat::Json},
    {QLatin1StringView("waybar"), StatusLineFormat::Waybar},   {QLatin1StringView("polybar"), StatusLineFormat::Polybar},
    {QLatin1StringView("pango"), StatusLineFormat::Pango},
};

const QString kStatusLineIs = QStringLiteral("--status-line=");

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine result;
    for (const QString& argument : arguments) {
        if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
            result.action = CommandLine::Action::Help;
        } else if (argument == QStringLiteral("--version")) {
            if (result.action == CommandLine::Action::Run) result.action = CommandLine::Action::Version;
        } else if (argument == QStringLiteral("--status-line")) {
            result.statusLine = StatusLineFormat::Text;
        } else if (argument.startsWith(kStatusLineIs)) {
            const QString name = argument.mid(kStatusLineIs.size());
            const auto named = std::find_if(std::begin(kFormats), std::end(kFormats),
                                            [&name](const NamedFormat& format) { return format.name == name; });
            if (named == std::end(kFormats))
                return {CommandLine::Action::Error, StatusLineFormat::None,
                        QStringLiteral("unknown status-line format '%1' (use text, json, waybar, polybar or pango)")
                            .arg(name)};
            result.statusLine = named->format;
        } else {
            return {CommandLine::Action::Error, StatusLineFormat::None,
                    QStringLiteral("unknown option '%1'").arg(argument)};
        }
    }
    return result;
}

QString usageText() {
    return QStringLiteral(
        "Usage: ratelark [--status-line[=FORMAT]] [--help] [--version]\n"
        "Shows the live download and upload speeds in the desktop's status area.\n"
        "\n"
        "  --status-line[=FORMAT]  write each status title to standard output,\n"
        "                          one line per update, in one of these formats:\n"
        "      text     plain text (the default)\n"
        "      json     the exact title and its colour runs, for scripts\n"
        "      waybar   a waybar custom module (\"return-type\": \"json\")\n"
        "      polybar  polybar's colour tags (custom/script, tail = true)\n"
        "      pango    Pango markup (i3blocks with markup=pango)\n"
        "                          The bar formats (waybar, polybar, pango) show\n"
        "                          the title on one line in colours for a dark\n"
        "                          bar; RATELARK_APPEARANCE=light picks colours\n"
        "                          for a light one.\n"
        "  --help                  show this help and exit\n"
        "  --version               show the version and exit\n"
        "\n"
        "Settings: $XDG_CONFIG_HOME/ratelark/ratelark.conf\n"
        "Log:      $XDG_CACHE_HOME/ratelark/console.log, the status-area item's;\n"
        "          status lines append to status-line.log beside it\n");
}

}  // namespace ratelark
