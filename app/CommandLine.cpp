#include "app/CommandLine.h"

namespace ratelark {

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine result;
    for (const QString& argument : arguments) {
        if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
            result.action = CommandLine::Action::Help;
        } else if (argument == QStringLiteral("--version")) {
            if (result.action == CommandLine::Action::Run) result.action = CommandLine::Action::Version;
        } else if (argument == QStringLiteral("--status-line") || argument == QStringLiteral("--status-line=text")) {
            result.statusLine = StatusLineFormat::Text;
        } else if (argument == QStringLiteral("--status-line=json")) {
            result.statusLine = StatusLineFormat::Json;
        } else if (argument.startsWith(QStringLiteral("--status-line="))) {
            return {CommandLine::Action::Error, StatusLineFormat::None,
                    QStringLiteral("unknown status-line format '%1' (use text or json)")
                        .arg(argument.mid(QStringLiteral("--status-line=").size()))};
        } else {
            return {CommandLine::Action::Error, StatusLineFormat::None,
                    QStringLiteral("unknown option '%1'").arg(argument)};
        }
    }
    return result;
}

QString usageText() {
    return QStringLiteral(
        "Usage: ratelark [--status-line[=text|json]] [--help] [--version]\n"
        "Shows the live download and upload speeds in the desktop's status area.\n"
        "\n"
        "  --status-line[=text|json]  write each status title to standard output,\n"
        "                             one line per update, for bars such as waybar\n"
        "                             (json), i3blocks or polybar (text)\n"
        "  --help                     show this help and exit\n"
        "  --version                  show the version and exit\n"
        "\n"
        "Settings: $XDG_CONFIG_HOME/ratelark/ratelark.conf\n"
        "Log:      $XDG_CACHE_HOME/ratelark/console.log\n");
}

}  // namespace ratelark
