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

// Where the console log goes and which sampler runs: chosen by the process
// entry, replaced by tests.
struct PlatformPaths {
    QString consoleLog;   // the console log file
    QString samplerTool;  // the sampler executable
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

// The sampler tool: $RATELARK_NETSTAT, else ratelark-netstat beside the
// program, else in its install location.
QString defaultSamplerTool();

}  // namespace ratelark
