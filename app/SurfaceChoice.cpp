#include "app/SurfaceChoice.h"

namespace ratelark {

bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

SurfaceChoice chooseSurface(StatusLineFormat requested, bool display, bool trayHost) {
    using Surface = SurfaceChoice::Surface;
    switch (requested) {
    case StatusLineFormat::Text: return {Surface::StatusLine, StatusLineStyle::Text, {}};
    case StatusLineFormat::Json: return {Surface::StatusLine, StatusLineStyle::Json, {}};
    case StatusLineFormat::Waybar: return {Surface::StatusLine, StatusLineStyle::Waybar, {}};
    case StatusLineFormat::Polybar: return {Surface::StatusLine, StatusLineStyle::Polybar, {}};
    case StatusLineFormat::Pango: return {Surface::StatusLine, StatusLineStyle::Pango, {}};
    case StatusLineFormat::None: break;
    }
    if (!display)
        return {Surface::StatusLine, StatusLineStyle::Text,
                QStringLiteral("ratelark: no display; showing the speeds here, one line per update")};
    if (!trayHost)
        return {Surface::TrayWithStandIn, StatusLineStyle::Text,
                QStringLiteral("ratelark: no system tray yet; showing the speeds here until one appears")};
    return {Surface::Tray, StatusLineStyle::Text, {}};
}

}  // namespace ratelark
