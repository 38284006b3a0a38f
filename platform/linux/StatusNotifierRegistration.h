#pragma once

#include <QDBusAbstractInterface>
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

namespace ratelark {

// The session's org.kde.StatusNotifierWatcher, whose signals arrive as these.
class StatusNotifierWatcherInterface : public QDBusAbstractInterface {
    Q_OBJECT
public:
    explicit StatusNotifierWatcherInterface(const QDBusConnection& bus, QObject* parent = nullptr);

signals:
    void StatusNotifierHostRegistered();
    void StatusNotifierHostUnregistered();
    void StatusNotifierItemUnregistered(const QString& item);
};

class StatusNotifierItem;

// While shown, puts the item on a session-bus connection of its own and
// registers that connection's unique name with the watcher whenever one
// appears: at the start, later, and again after the watcher restarts. A
// unique name never changes owner, so a host's view of the item never
// resets while it is setting it up, as it does for a well-known name it
// watches. Whenever the watcher may have lost the item (after a
// registration, when it unregisters an item or changes owner), checks that
// it still lists it, and registers it again after 1, 2, 4 ... 30 s while it
// does not. Follows whether a host draws the registered items; hostChanged
// runs when that changes.
class StatusNotifierRegistration : public QObject {
public:
    StatusNotifierRegistration(QDBusConnection bus, StatusNotifierItem& item, std::function<void()> hostChanged);
    ~StatusNotifierRegistration() override;

    void show();
    // Closes the item's connection, so that hosts drop the item.
    void withdraw();
    bool hostPresent() const { return watcherPresent_ && hostRegistered_; }

private:
    void watcherAppeared();
    void watcherGone();
    void registerService();
    // Asks the watcher whether it lists the item, and registers it again if not.
    void checkListed();
    void listed(const QStringList& items);
    void setHostRegistered(bool registered);

    QDBusConnection bus_;
    StatusNotifierItem& item_;
    QDBusServiceWatcher serviceWatcher_;
    StatusNotifierWatcherInterface watcher_;
    std::function<void()> hostChanged_;
    std::optional<QDBusConnection> itemBus_;
    QString itemBusName_;
    QString service_;
    QTimer retry_;
    std::chrono::seconds retryDelay_;
    int shownCount_ = 0;
    bool watcherPresent_ = false;
    bool hostRegistered_ = false;
    bool lost_ = false;
};

}  // namespace ratelark
