#pragma once

#include <QColor>

#include <optional>

namespace ratelark {

// The colour an X11 tray draws its own text in, as its owner publishes it
// (_NET_SYSTEM_TRAY_COLORS: xfce4-panel and polybar do, from their panel's
// foreground); none where the tray says nothing or the display is not X11.
std::optional<QColor> trayTextColor();

}  // namespace ratelark
