#pragma once

#include <QDBusConnection>

namespace ratelark {

// Whether this session names a bus: $DBUS_SESSION_BUS_ADDRESS, or the
// socket $XDG_RUNTIME_DIR/bus that libdbus looks for without it.
bool sessionBusAdvertised();

// The session bus when the session names one, else a connection that is not
// connected. Asking without one would start Qt's D-Bus thread for nothing and
// let libdbus launch a bus of its own.
QDBusConnection advertisedSessionBus();

}  // namespace ratelark
