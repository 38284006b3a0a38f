#pragma once

#include "platform/Appearance.h"
#include "platform/EventLoop.h"
#include "platform/LoginItemService.h"
#include "platform/Notifier.h"
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
    QString consoleLog;      // the log file standard error goes to
    bool truncateLog = true;  // false: a log shared with other instances, only appended to
    QString samplerTool;     // the sampler executable
    QString usageHistory;    // the usage history's database; empty: none is kept
    QString documentation;   // the README shipped with the program (it may be missing)
    QString supportAddress;  // a support page set by the packager; empty when none
    bool redirectStandardOutput = true;  // false while standard output carries the status line
    // Without its log file: true logs nowhere (a bar shows standard error as
    // its text), with one line in the system log; false logs to standard error.
    bool quietWithoutLog = false;
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
    std::unique_ptr<Notifier> notifier;  // none: what it would say goes to the log
    PlatformPaths paths;
};

// The Linux services for this user and session; statusBar is left for the
// process entry to choose (tray or status line). forBar: the colours are
// picked for a bar rather than for the desktop's status area.
PlatformServices makeLinuxPlatform(bool forBar);

// $XDG_CACHE_HOME/ratelark/console.log: the log of the status-area item.
QString defaultConsoleLogPath();

// README.md in the documentation folder, found from the program's own folder
// as installed: <prefix>/bin/../share/doc/ratelark. A build that was never
// installed keeps a copy there too.
QString defaultDocumentation();

// $XDG_CACHE_HOME/ratelark/status-line.log: the log all status lines share.
QString statusLineLogPath();

// The sampler tool: $RATELARK_NETSTAT, else ratelark-netstat beside the
// program, else in its install location.
QString defaultSamplerTool();

}  // namespace ratelark
