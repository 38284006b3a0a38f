#pragma once

#include "platform/Workspace.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace ratelark {

// The desktop's opener and system monitor.
class DesktopWorkspace : public Workspace {
public:
    bool openUrl(const QUrl& url) override;
    // Asks xdg-mime, the desktops' shared registry of handlers, which is
    // also what xdg-open follows; no answer (or no xdg-mime) means no.
    bool canOpen(const QUrl& url) override;
    // Starts the first installed system monitor, detached, so that it outlives
    // RateLark and never makes it wait.
    bool launchSystemMonitor() override;
};

struct ProgramLaunch {
    QString program;  // absolute path
    QStringList arguments;
    bool operator==(const ProgramLaunch&) const = default;
};

// What launchSystemMonitor would start with the current PATH: the first
// installed desktop monitor, else a terminal emulator running htop or top;
// nothing when none of them is installed.
std::optional<ProgramLaunch> findSystemMonitor();

}  // namespace ratelark
