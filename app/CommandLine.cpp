#include "app/CommandLine.h"

#include "platform/Log.h"

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
                        QStringLiteral("unknown status-line format %1 (use text, json, waybar, polybar or pango)")
                            .arg(quotedForLog(name))};
            result.statusLine = named->format;
        } else {
            return {CommandLine::Action::Error, StatusLineFormat::None,
                    QStringLiteral("unknown option %1").arg(quotedForLog(argument))};
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
        "                            text     plain text (the default)\n"
        "                            json     the exact title and its colour runs\n"
        "                            waybar   for waybar, \"return-type\": \"json\"\n"
        "                            polybar  for polybar, tail = true\n"
        "                            pango    Pango markup, for i3blocks with\n"
        "                                     markup=pango\n"
        "                          The bar formats (waybar, polybar, pango) give\n"
        "                          one line in colours for a dark bar;\n"
        "                          RATELARK_APPEARANCE=light picks a light bar's.\n"
        "  --help                  show this help and exit\n"
        "  --version               show the version and exit\n"
        "\n"
        "Settings: $XDG_CONFIG_HOME/ratelark/ratelark.conf\n"
        "Log:      $XDG_CACHE_HOME/ratelark/console.log, the status-area item's;\n"
        "          status lines append to status-line.log beside it\n");
}

}  // namespace ratelark
