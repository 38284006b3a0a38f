#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QObject>
#include <QString>

namespace ratelark {

// A D-Bus service a test stands in for, on a connection of its own to a
// private bus, which goes with it. The class made from it publishes itself
// once it is whole.
class StandInService : public QObject {
public:
    StandInService(const QString& address, const QString& connectionName)
        : bus(QDBusConnection::connectToBus(address, connectionName)), connectionName_(connectionName) {}
    ~StandInService() override { QDBusConnection::disconnectFromBus(connectionName_); }

    QDBusConnection bus;

protected:
    // Exports this object at path and, unless service is empty, takes that name.
    void publish(const QString& path, QDBusConnection::RegisterOptions options, const QString& service = {}) {
        bus.registerObject(path, this, options);
        if (!service.isEmpty()) bus.interface()->registerService(service);
    }

private:
    QString connectionName_;
};

}  // namespace ratelark
