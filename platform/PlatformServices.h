#pragma once

#include "platform/Appearance.h"
#include "platform/EventLoop.h"
#include "platform/LoginItemService.h"
#include "platform/SettingsStore.h"
#include "platform/StatusBar.h"
#include "platform/SystemVersion.h"
#include "platform/Workspace.h"

#include <QString>

#include <memory>

namespace ratelark {

// Where the console log goes, which sampler runs and what the Support item
// opens: chosen by the process entry, replaced by tests.
struct PlatformPaths {
    QString consoleLog;      // the console log file
    QString samplerTool;     // the sampler executable
    QString documentation;   // the README shipped with the program (it may be missing)
    QString supportAddress;  // a support page set by the packager; empty when none
    bool redirectStandardOutput = true;  // false while standard output carries the status line
};

// Every service of the desktop and the system the controller uses, each
// behind its adapter so that tests can put a fake where the real one cannot run.
struct PlatformServices {
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<SystemVersion> systemVersion;
    std::unique_ptr<StatusBar> statusBar;
    std::unique_ptr<Appearance> appearance;
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<LoginItemService> loginItems;
    std::unique_ptr<EventLoop> eventLoop;
    PlatformPaths paths;
};

// The Linux services for this user and session; statusBar is left for the
// process entry to choose (tray or status line).
PlatformServices makeLinuxPlatform();

// $XDG_CACHE_HOME/ratelark/console.log
QString defaultConsoleLogPath();

// README.md in the documentation folder, found from the program's own folder
// as installed: <prefix>/bin/../share/doc/ratelark. A build that was never
// installed keeps a copy there too.
QString defaultDocumentation();

// The sampler tool: $RATELARK_NETSTAT, else ratelark-netstat beside the
// program, else in its install location.
QString defaultSamplerTool();

}  // namespace ratelark
