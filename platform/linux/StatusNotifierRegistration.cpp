#include "platform/linux/StatusNotifierRegistration.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace ratelark {

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
constexpr char kWatcherInterface[] = "org.kde.StatusNotifierWatcher";

}  // namespace

StatusNotifierWatcherInterface::StatusNotifierWatcherInterface(const QDBusConnection& bus, QObject* parent)
    : QDBusAbstractInterface(kWatcherService, kWatcherPath, kWatcherInterface, bus, parent) {}

StatusNotifierRegistration::StatusNotifierRegistration(QDBusConnection bus, std::function<void()> hostChanged)
    : bus_(bus),
      serviceWatcher_(kWatcherService, bus, QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration),
      watcher_(bus),
      hostChanged_(std::move(hostChanged)) {
    connect(&serviceWatcher_, &QDBusServiceWatcher::serviceRegistered, this, &StatusNotifierRegistration::watcherAppeared);
    connect(&serviceWatcher_, &QDBusServiceWatcher::serviceUnregistered, this, &StatusNotifierRegistration::watcherGone);
    connect(&watcher_, &StatusNotifierWatcherInterface::StatusNotifierHostRegistered, this, [this] { setHostRegistered(true); });
    connect(&watcher_, &StatusNotifierWatcherInterface::StatusNotifierHostUnregistered, this, [this] { setHostRegistered(false); });
    if (bus_.interface() && bus_.interface()->isServiceRegistered(kWatcherService)) watcherAppeared();
}

StatusNotifierRegistration::~StatusNotifierRegistration() { withdraw(); }

void StatusNotifierRegistration::show() {
    if (!service_.isEmpty()) return;
    // A new name each time, so that a host never mistakes it for the one it dropped.
    service_ = QStringLiteral("org.kde.StatusNotifierItem-%1-%2").arg(QCoreApplication::applicationPid()).arg(++shownCount_);
    if (!bus_.registerService(service_)) nsLog(QStringLiteral("Cannot take the bus name %1: %2").arg(service_, bus_.lastError().message()));
    registerService();
}

void StatusNotifierRegistration::withdraw() {
    if (service_.isEmpty()) return;
    bus_.unregisterService(service_);
    service_.clear();
}

void StatusNotifierRegistration::watcherAppeared() {
    watcherPresent_ = true;
    registerService();
    // Taken to have a host until it says otherwise, so that a desktop with one
    // never sees a stand-in flash up; watchers that cannot tell count as having one.
    hostRegistered_ = true;
    QDBusMessage ask = QDBusMessage::createMethodCall(kWatcherService, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    ask << QString::fromLatin1(kWatcherInterface) << QStringLiteral("IsStatusNotifierHostRegistered");
    auto* answer = new QDBusPendingCallWatcher(bus_.asyncCall(ask), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        const QDBusPendingReply<QDBusVariant> reply = *call;
        call->deleteLater();
        if (!reply.isError()) setHostRegistered(reply.value().variant().toBool());
    });
    if (hostChanged_) hostChanged_();
}

void StatusNotifierRegistration::watcherGone() {
    watcherPresent_ = false;
    if (hostChanged_) hostChanged_();
}

void StatusNotifierRegistration::registerService() {
    if (service_.isEmpty() || !watcherPresent_) return;
    auto* answer = new QDBusPendingCallWatcher(watcher_.asyncCall(QStringLiteral("RegisterStatusNotifierItem"), service_), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [](QDBusPendingCallWatcher* call) {
        if (call->isError()) nsLog(QStringLiteral("The status-area watcher refused RateLark's item: %1").arg(call->error().message()));
        call->deleteLater();
    });
}

void StatusNotifierRegistration::setHostRegistered(bool registered) {
    if (registered == hostRegistered_) return;
    hostRegistered_ = registered;
    if (hostChanged_) hostChanged_();
}

}  // namespace ratelark
