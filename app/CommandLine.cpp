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
const QString kUsageIs = QStringLiteral("--usage=");

CommandLine failure(const QString& error) { return {CommandLine::Action::Error, StatusLineFormat::None, {}, {}, error}; }

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine result;
    bool usage = false;
    int formats = 0;
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
                return failure(
                    QStringLiteral("unknown status-line format %1 (use text, json, waybar, polybar or pango)")
                        .arg(quotedForLog(name)));
            result.statusLine = named->format;
        } else if (argument == QStringLiteral("--usage")) {
            usage = true;
        } else if (argument.startsWith(kUsageIs)) {
            const auto period = usagePeriodNamed(QStringView(argument).mid(kUsageIs.size()));
            if (!period)
                return failure(QStringLiteral("unknown usage period '%1' (use summary, hours, days or months)")
                                   .arg(argument.mid(kUsageIs.size())));
            usage = true;
            result.usagePeriod = *period;
        } else if (argument == QStringLiteral("--json") || argument == QStringLiteral("--csv")) {
            ++formats;
            result.usageFormat = argument == QStringLiteral("--json") ? UsageFormat::Json : UsageFormat::Csv;
        } else {
            return failure(QStringLiteral("unknown option %1").arg(quotedForLog(argument)));
        }
    }
    if (formats > 1) return failure(QStringLiteral("--json and --csv cannot be given together"));
    if (formats > 0 && !usage) return failure(QStringLiteral("--json and --csv go with --usage"));
    if (usage && result.statusLine != StatusLineFormat::None)
        return failure(QStringLiteral("--usage prints a report and exits; it cannot run as a status line"));
    if (usage && result.action == CommandLine::Action::Run) result.action = CommandLine::Action::Usage;
    return result;
}

QString usageText() {
    return QStringLiteral(
        "Usage: ratelark [--status-line[=FORMAT]] [--help] [--version]\n"
        "       ratelark --usage[=PERIOD] [--json | --csv]\n"
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
        "  --usage[=PERIOD]        print the data received and sent, from the usage\n"
        "                          history, and exit; PERIOD is one of:\n"
        "                            summary  today, yesterday, this month, last\n"
        "                                     month and all time (the default)\n"
        "                            hours    the last 24 hours\n"
        "                            days     the last 30 days\n"
        "                            months   the last 12 months\n"
        "  --json, --csv           print the usage report as data, in bytes\n"
        "  --help                  show this help and exit\n"
        "  --version               show the version and exit\n"
        "\n"
        "Settings: $XDG_CONFIG_HOME/ratelark/ratelark.conf\n"
        "History:  $XDG_DATA_HOME/ratelark/usage.sqlite\n"
        "Log:      $XDG_CACHE_HOME/ratelark/console.log, the status-area item's;\n"
        "          status lines append to status-line.log beside it\n");
}

}  // namespace ratelark
