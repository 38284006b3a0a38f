#include "platform/linux/DesktopWorkspace.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>

namespace ratelark {

namespace {

// The monitors of the common desktops, GNOME and KDE first.
const char* const kMonitors[] = {
    "gnome-system-monitor", "plasma-systemmonitor", "ksysguard",
    "xfce4-taskmanager",    "mate-system-monitor",  "lxtask",
};

// Terminal emulators with the option after which the rest of the command
// line is the program to run; Debian's x-terminal-emulator follows -e.
struct Terminal {
    const char* name;
    const char* runOption;
};
const Terminal kTerminals[] = {
    {"x-terminal-emulator", "-e"}, {"gnome-terminal", "--"}, {"konsole", "-e"},  {"xfce4-terminal", "-x"},
    {"mate-terminal", "-x"},       {"lxterminal", "-e"},     {"kitty", "--"},    {"alacritty", "-e"},
    {"foot", "--"},                {"xterm", "-e"},
};

QString installed(const char* name) { return QStandardPaths::findExecutable(QString::fromLatin1(name)); }

}  // namespace

std::optional<ProgramLaunch> findSystemMonitor() {
    for (const char* name : kMonitors)
        if (const QString path = installed(name); !path.isEmpty()) return ProgramLaunch{path, {}};
    QString viewer = installed("htop");
    if (viewer.isEmpty()) viewer = installed("top");
    if (viewer.isEmpty()) return std::nullopt;
    for (const Terminal& terminal : kTerminals)
        if (const QString path = installed(terminal.name); !path.isEmpty())
            return ProgramLaunch{path, {QString::fromLatin1(terminal.runOption), viewer}};
    return std::nullopt;
}

bool DesktopWorkspace::openUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

bool DesktopWorkspace::canOpen(const QUrl& url) {
    // A query reads a few small files; a hung one is not worth waiting for.
    constexpr int kQueryLimitMs = 3000;
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("x-scheme-handler/") + url.scheme()});
    if (!query.waitForFinished(kQueryLimitMs)) {
        query.kill();
        query.waitForFinished();
        return false;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0
           && !query.readAllStandardOutput().trimmed().isEmpty();
}

bool DesktopWorkspace::launchSystemMonitor() {
    const std::optional<ProgramLaunch> monitor = findSystemMonitor();
    return monitor && QProcess::startDetached(monitor->program, monitor->arguments);
}

}  // namespace ratelark
