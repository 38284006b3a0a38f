#pragma once

#include "platform/StatusBar.h"
#include "platform/StatusLineFormat.h"

#include <QString>

#include <functional>
#include <memory>

namespace ratelark {

// A status line: every title is written to the descriptor fd as one line,
// flushed at once. When the reader has gone (a closed pipe), outputClosed
// runs once and nothing more is written.
std::unique_ptr<StatusBar> makeStatusLine(int fd, StatusLineStyle style, std::function<void()> outputClosed);

// What to tell the user once when the session shows no status area a while
// after the start: a summary, a body and one action offered with them.
struct StatusAreaNotice {
    QString summary;  // empty: nothing is said
    QString body;
    QString actionLabel;
    std::function<void()> action;
};

// The desktop's status area: a StatusNotifierItem where a host draws those,
// else on X11 an XEmbed tray icon. While neither host runs, titles also go
// to standIn, when one is given; the item appears as soon as a host does.
// When there is still no host a while after the start, the notice is given
// once, as a desktop notification and a log line.
std::unique_ptr<StatusBar> makeTray(std::unique_ptr<StatusBar> standIn, StatusAreaNotice notice);

// Whether a status-area host runs in this session now: a StatusNotifierItem
// watcher, or on X11 an XEmbed tray.
bool trayHostAvailable();

}  // namespace ratelark
