#pragma once

#include "platform/StatusSurfaces.h"

#include <QDBusAbstractInterface>

namespace ratelark {

// The desktop's notifications (org.freedesktop.Notifications on the session
// bus), for a notice that offers one action.
class DesktopNotifications : public QDBusAbstractInterface {
    Q_OBJECT
public:
    explicit DesktopNotifications(const QDBusConnection& bus, QObject* parent = nullptr);

    // Shows the notice; its action runs when the user picks it there.
    void show(const StatusAreaNotice& notice);

signals:
    void ActionInvoked(uint id, const QString& actionKey);

private:
    std::function<void()> action_;
    uint shown_ = 0;  // the server's id of the notice; 0 until it answers
};

}  // namespace ratelark
