#pragma once

#include <QByteArray>

namespace ratelark {

// Whether RateLark's windows should go through X11 (XWayland) rather than
// Wayland: on a Wayland session of GNOME or KDE with an X11 display beside
// it, unless the user chose Qt's platform (QT_QPA_PLATFORM). Those desktops
// keep an X11 utility window above the others and where it was put, which a
// Wayland client cannot ask for, and frame it themselves: on GNOME, Qt's
// own Wayland frame has minimise and maximise buttons and cuts the title.
bool prefersX11(const QByteArray& sessionType, const QByteArray& currentDesktops, const QByteArray& x11Display,
                const QByteArray& chosenPlatform);

// Applies prefersX11 to this process's environment; before the application starts.
void chooseWindowSystem();

}  // namespace ratelark
