#pragma once

#include <QUrl>

namespace ratelark {

// The desktop's shared services for opening things.
class Workspace {
public:
    virtual ~Workspace() = default;
    virtual bool openUrl(const QUrl& url) = 0;
    // Whether the desktop has a program registered for the address's scheme.
    virtual bool canOpen(const QUrl& url) = 0;
    // Starts the desktop's system monitor, or does nothing when none is installed.
    virtual bool launchSystemMonitor() = 0;
};

}  // namespace ratelark
