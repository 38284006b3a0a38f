#pragma once

#include "platform/StatusBar.h"
#include "platform/StatusLineFormat.h"

#include <functional>
#include <memory>

namespace ratelark {

// A status line: every title is written to the descriptor fd as one line,
// flushed at once. When the reader has gone (a closed pipe), outputClosed
// runs once and nothing more is written.
std::unique_ptr<StatusBar> makeStatusLine(int fd, StatusLineStyle style, std::function<void()> outputClosed);

// The desktop's tray. While no tray host runs, titles also go to standIn,
// when one is given; the item appears in the tray as soon as a host does.
std::unique_ptr<StatusBar> makeTray(std::unique_ptr<StatusBar> standIn);

// Whether a tray host runs in this session now.
bool trayHostAvailable();

}  // namespace ratelark
