#pragma once

#include "app/CommandLine.h"
#include "platform/StatusLineFormat.h"

#include <QString>

namespace ratelark {

// Where the status title goes.
struct SurfaceChoice {
    enum class Surface {
        Tray,             // the desktop's tray
        TrayWithStandIn,  // the tray, and standard output while no tray host runs
        StatusLine,       // standard output only
    };
    Surface surface = Surface::Tray;
    StatusLineStyle style = StatusLineStyle::Text;  // of standard output's lines
    QString notice;  // one line for standard error saying why, empty when asked for

    bool writesStandardOutput() const { return surface != Surface::Tray; }
    // Whether the lines go to a bar, which draws them in its own colours.
    bool forBar() const {
        return surface == Surface::StatusLine && style != StatusLineStyle::Text && style != StatusLineStyle::Json;
    }
};

// Whether a graphical session is there to show a tray in.
bool hasDisplay();

// The surface for the command line's wish, a display and a tray host: a
// status line when asked for, and when there is nothing to show a tray on.
SurfaceChoice chooseSurface(StatusLineFormat requested, bool display, bool trayHost);

}  // namespace ratelark
