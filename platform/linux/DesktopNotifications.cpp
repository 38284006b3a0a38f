#include "platform/linux/DesktopNotifications.h"

#include "platform/Log.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace ratelark {

namespace {

const QString kActionKey = QStringLiteral("act");

}  // namespace

DesktopNotifications::DesktopNotifications(const QDBusConnection& bus, QObject* parent)
    : QDBusAbstractInterface(QStringLiteral("org.freedesktop.Notifications"),
                             QStringLiteral("/org/freedesktop/Notifications"), "org.freedesktop.Notifications", bus,
                             parent) {
    connect(this, &DesktopNotifications::ActionInvoked, this, [this](uint id, const QString& key) {
        if (id == shown_ && key == kActionKey && action_) action_();
    });
}

void DesktopNotifications::show(const StatusAreaNotice& notice) {
    action_ = notice.action;
    const QStringList actions = notice.actionLabel.isEmpty() ? QStringList() : QStringList{kActionKey, notice.actionLabel};
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("ratelark")}};
    const QDBusPendingCall call = asyncCall(QStringLiteral("Notify"), QStringLiteral("RateLark"), 0u,
                                            QStringLiteral("ratelark"), notice.summary, notice.body, actions, hints, -1);
    auto* answer = new QDBusPendingCallWatcher(call, this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        const QDBusPendingReply<uint> reply = *finished;
        finished->deleteLater();
        if (reply.isError())
            nsLog(QStringLiteral("The desktop shows no notifications: %1").arg(reply.error().message()));
        else
            shown_ = reply.value();
    });
}

}  // namespace ratelark
