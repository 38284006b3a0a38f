#include "platform/linux/StatusNotifierRegistration.h"

#include "platform/Log.h"
#include "platform/linux/StatusNotifierItem.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

#include <algorithm>

namespace ratelark {

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
constexpr char kWatcherInterface[] = "org.kde.StatusNotifierWatcher";

constexpr std::chrono::seconds kFirstRetry{1};
constexpr std::chrono::seconds kLastRetry{30};

// Watchers list an item by its service, some with its object path after a
// '/' (KDE's) or an '@' (GNOME's).
bool namesItem(const QString& entry, const QString& service) {
    return entry.startsWith(service)
           && (entry.size() == service.size() || entry[service.size()] == u'/' || entry[service.size()] == u'@');
}

QDBusMessage watcherProperty(const QString& name) {
    QDBusMessage ask = QDBusMessage::createMethodCall(kWatcherService, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    ask << QString::fromLatin1(kWatcherInterface) << name;
    return ask;
}

}  // namespace

StatusNotifierWatcherInterface::StatusNotifierWatcherInterface(const QDBusConnection& bus, QObject* parent)
    : QDBusAbstractInterface(kWatcherService, kWatcherPath, kWatcherInterface, bus, parent) {}

StatusNotifierRegistration::StatusNotifierRegistration(QDBusConnection bus, StatusNotifierItem& item, std::function<void()> hostChanged)
    : bus_(bus),
      item_(item),
      serviceWatcher_(kWatcherService, bus, QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration
                                               | QDBusServiceWatcher::WatchForOwnerChange),
      watcher_(bus),
      hostChanged_(std::move(hostChanged)),
      retryDelay_(kFirstRetry) {
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &StatusNotifierRegistration::registerService);
    connect(&serviceWatcher_, &QDBusServiceWatcher::serviceRegistered, this, &StatusNotifierRegistration::watcherAppeared);
    connect(&serviceWatcher_, &QDBusServiceWatcher::serviceUnregistered, this, &StatusNotifierRegistration::watcherGone);
    // Another watcher took the name over at once: it knows nothing of the item.
    connect(&serviceWatcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString& before, const QString& now) {
                if (!before.isEmpty() && !now.isEmpty()) watcherAppeared();
            });
    connect(&watcher_, &StatusNotifierWatcherInterface::StatusNotifierHostRegistered, this, [this] { setHostRegistered(true); });
    connect(&watcher_, &StatusNotifierWatcherInterface::StatusNotifierHostUnregistered, this, [this] { setHostRegistered(false); });
    connect(&watcher_, &StatusNotifierWatcherInterface::StatusNotifierItemUnregistered, this, &StatusNotifierRegistration::checkListed);
    if (bus_.interface() && bus_.interface()->isServiceRegistered(kWatcherService)) watcherAppeared();
}

StatusNotifierRegistration::~StatusNotifierRegistration() { withdraw(); }

void StatusNotifierRegistration::show() {
    if (itemBus_) return;
    // A new connection each time, so that a host never mistakes it for the one it dropped.
    itemBusName_ = QStringLiteral("ratelark-item-%1").arg(++shownCount_);
    itemBus_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, itemBusName_);
    if (!itemBus_->isConnected()) {
        nsLog(QStringLiteral("Cannot open a session-bus connection for RateLark's item: %1").arg(itemBus_->lastError().message()));
        withdraw();
        return;
    }
    item_.exportOn(*itemBus_);
    service_ = itemBus_->baseService();
    registerService();
}

void StatusNotifierRegistration::withdraw() {
    if (!itemBus_) return;
    retry_.stop();
    lost_ = false;
    retryDelay_ = kFirstRetry;
    service_.clear();
    itemBus_.reset();
    QDBusConnection::disconnectFromBus(itemBusName_);
}

void StatusNotifierRegistration::watcherAppeared() {
    watcherPresent_ = true;
    registerService();
    // Taken to have a host until it says otherwise, so that a desktop with one
    // never sees a stand-in flash up; watchers that cannot tell count as having one.
    hostRegistered_ = true;
    auto* answer = new QDBusPendingCallWatcher(bus_.asyncCall(watcherProperty(QStringLiteral("IsStatusNotifierHostRegistered"))), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        const QDBusPendingReply<QDBusVariant> reply = *call;
        call->deleteLater();
        if (!reply.isError()) setHostRegistered(reply.value().variant().toBool());
    });
    if (hostChanged_) hostChanged_();
}

void StatusNotifierRegistration::watcherGone() {
    watcherPresent_ = false;
    retry_.stop();
    if (hostChanged_) hostChanged_();
}

void StatusNotifierRegistration::registerService() {
    if (service_.isEmpty() || !watcherPresent_) return;
    // Sent from the item's own connection, for watchers that go by the sender.
    QDBusMessage registration = QDBusMessage::createMethodCall(kWatcherService, kWatcherPath, QString::fromLatin1(kWatcherInterface),
                                                               QStringLiteral("RegisterStatusNotifierItem"));
    registration << service_;
    auto* answer = new QDBusPendingCallWatcher(itemBus_->asyncCall(registration), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        if (call->isError() && !lost_)
            nsLog(QStringLiteral("The status-area watcher refused RateLark's item: %1").arg(call->error().message()));
        checkListed();
    });
}

void StatusNotifierRegistration::checkListed() {
    if (service_.isEmpty() || !watcherPresent_) return;
    auto* answer = new QDBusPendingCallWatcher(bus_.asyncCall(watcherProperty(QStringLiteral("RegisteredStatusNotifierItems"))), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        const QDBusPendingReply<QDBusVariant> reply = *call;
        call->deleteLater();
        // A watcher that cannot say is taken at its word.
        if (!reply.isError()) listed(reply.value().variant().toStringList());
    });
}

void StatusNotifierRegistration::listed(const QStringList& items) {
    if (service_.isEmpty()) return;
    if (std::any_of(items.begin(), items.end(), [this](const QString& entry) { return namesItem(entry, service_); })) {
        lost_ = false;
        retryDelay_ = kFirstRetry;
        return;
    }
    if (retry_.isActive()) return;
    if (!lost_) nsLog(QStringLiteral("The status area no longer lists RateLark's item: registering it again, less often while that fails"));
    lost_ = true;
    retry_.start(retryDelay_);
    retryDelay_ = std::min(retryDelay_ * 2, kLastRetry);
}

void StatusNotifierRegistration::setHostRegistered(bool registered) {
    if (registered == hostRegistered_) return;
    hostRegistered_ = registered;
    if (hostChanged_) hostChanged_();
}

}  // namespace ratelark
