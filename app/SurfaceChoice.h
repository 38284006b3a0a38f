#pragma once

#include "app/CommandLine.h"
#include "platform/StatusLineFormat.h"

#include <QString>

namespace ratelark {

// Where the status title goes.
struct SurfaceChoice {
    enum class Surface {
        Tray,             // the desktop's tray
        TrayWithStandIn,  // the tray, and standard output while no status-area host runs
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

// Whether standard output is a terminal, where a person would read a status line.
bool standardOutputIsTerminal();

// The surface for the command line's wish, a display, a status-area host and
// a terminal on standard output: a status line when asked for, and when there
// is nothing to show a tray on; the tray otherwise, with a status line
// standing in on the terminal while no host runs.
SurfaceChoice chooseSurface(StatusLineFormat requested, bool display, bool trayHost, bool terminal);

}  // namespace ratelark
