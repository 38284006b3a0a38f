#include "platform/linux/SessionBus.h"

#include <QFileInfo>

namespace ratelark {

bool sessionBusAdvertised() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

QDBusConnection advertisedSessionBus() {
    // An empty name refers to no connection and leaves Qt's bus manager unstarted.
    return sessionBusAdvertised() ? QDBusConnection::sessionBus() : QDBusConnection(QString());
}

}  // namespace ratelark
