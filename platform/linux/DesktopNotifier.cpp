#include "platform/Notifier.h"

#include "platform/Log.h"
#include "platform/linux/SessionBus.h"

#include <QDBusMessage>
#include <QVariantMap>

namespace ratelark {

namespace {

// org.freedesktop.Notifications on the session bus. The call waits for its
// answer, briefly: a notice given as the program quits must not be lost in
// a queue that is never sent.
class DesktopNotifier : public Notifier {
public:
    void notify(const QString& summary, const QString& body) override {
        QDBusConnection bus = advertisedSessionBus();
        if (!bus.isConnected()) {
            nsLog(QStringLiteral("%1: %2 (no session bus for a notification)").arg(summary, body));
            return;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
        call << QStringLiteral("RateLark") << 0u << QStringLiteral("ratelark") << summary << body << QStringList()
             << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("ratelark")}} << -1;
        const QDBusMessage reply = bus.call(call, QDBus::Block, 2000);
        if (reply.type() == QDBusMessage::ErrorMessage)
            nsLog(QStringLiteral("%1: %2 (the desktop shows no notifications: %3)")
                      .arg(summary, body, reply.errorMessage()));
    }
};

}  // namespace

std::unique_ptr<Notifier> makeDesktopNotifier() { return std::make_unique<DesktopNotifier>(); }

}  // namespace ratelark
