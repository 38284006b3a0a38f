#pragma once

#include <QDBusAbstractInterface>
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>

#include <functional>
#include <memory>

namespace ratelark {

// The session's org.kde.StatusNotifierWatcher, whose signals arrive as these.
class StatusNotifierWatcherInterface : public QDBusAbstractInterface {
    Q_OBJECT
public:
    explicit StatusNotifierWatcherInterface(const QDBusConnection& bus, QObject* parent = nullptr);

signals:
    void StatusNotifierHostRegistered();
    void StatusNotifierHostUnregistered();
};

// Gives the item a service name of its own (org.kde.StatusNotifierItem-<pid>-<n>)
// while it is shown, and registers that name with the watcher whenever one
// appears: at the start, later, and again after the watcher restarts. Follows
// whether a host draws the registered items; hostChanged runs when that changes.
class StatusNotifierRegistration : public QObject {
public:
    StatusNotifierRegistration(QDBusConnection bus, std::function<void()> hostChanged);
    ~StatusNotifierRegistration() override;

    void show();
    // Gives the name up, so that hosts drop the item.
    void withdraw();
    bool hostPresent() const { return watcherPresent_ && hostRegistered_; }
    const QString& service() const { return service_; }

private:
    void watcherAppeared();
    void watcherGone();
    void registerService();
    void setHostRegistered(bool registered);

    QDBusConnection bus_;
    QDBusServiceWatcher serviceWatcher_;
    StatusNotifierWatcherInterface watcher_;
    std::function<void()> hostChanged_;
    QString service_;
    int shownCount_ = 0;
    bool watcherPresent_ = false;
    bool hostRegistered_ = false;
};

}  // namespace ratelark
