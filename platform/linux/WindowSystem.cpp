#include "platform/WindowSystem.h"

#include <QList>
#include <QtGlobal>

namespace ratelark {

bool prefersX11(const QByteArray& sessionType, const QByteArray& currentDesktops, const QByteArray& x11Display,
                const QByteArray& chosenPlatform) {
    if (!chosenPlatform.isEmpty() || x11Display.isEmpty() || sessionType.toLower() != "wayland") return false;
    // XDG_CURRENT_DESKTOP is a colon-separated list, "ubuntu:GNOME" for one.
    for (const QByteArray& desktop : currentDesktops.toUpper().split(':'))
        if (desktop == "GNOME" || desktop == "KDE") return true;
    return false;
}

void chooseWindowSystem() {
    if (prefersX11(qgetenv("XDG_SESSION_TYPE"), qgetenv("XDG_CURRENT_DESKTOP"), qgetenv("DISPLAY"),
                   qgetenv("QT_QPA_PLATFORM")))
        qputenv("QT_QPA_PLATFORM", "xcb;wayland");  // Wayland still, where X11 refuses the connection
}

}  // namespace ratelark
