#include "app/SurfaceChoice.h"

#include <unistd.h>

namespace ratelark {

bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

bool standardOutputIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

SurfaceChoice chooseSurface(StatusLineFormat requested, bool display, bool trayHost, bool terminal) {
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
    if (trayHost) return {Surface::Tray, StatusLineStyle::Text, {}};
    // Standard output that is no terminal is a log, where a line a second would only pile up.
    if (!terminal)
        return {Surface::Tray, StatusLineStyle::Text,
                QStringLiteral("ratelark: RateLark waits for a status-area host; its item appears as soon as one runs")};
    return {Surface::TrayWithStandIn, StatusLineStyle::Text,
            QStringLiteral("ratelark: no status area yet; showing the speeds here until one appears")};
}

}  // namespace ratelark
