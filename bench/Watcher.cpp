// watcher: a status-area host and its watcher, as small as the protocol
// allows, for the tray run: it takes the item that registers, fetches what a
// host fetches when the item says something changed, and writes one line to
// a FIFO for each label the item sends, so that the meter sees the titles.
#include "bench/Commands.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QStringList>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace ratelark::bench {

namespace {

const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");

class StandInWatcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems MEMBER items_)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    explicit StandInWatcher(int titles) : titles_(titles) {}
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

signals:
    Q_SCRIPTABLE void StatusNotifierItemRegistered(const QString& item);
    Q_SCRIPTABLE void StatusNotifierHostRegistered();

public slots:
    Q_SCRIPTABLE void RegisterStatusNotifierItem(const QString& service) {
        const QString owner = message().service();
        items_ << owner + kItemPath;
        QDBusConnection bus = connection();
        bus.connect(owner, kItemPath, kItemInterface, QStringLiteral("XAyatanaNewLabel"), this,
                    SLOT(newLabel(QString, QString)));
        bus.connect(owner, kItemPath, kItemInterface, QStringLiteral("NewIcon"), this, SLOT(newIcon()));
        bus.connect(owner, kItemPath, kItemInterface, QStringLiteral("NewToolTip"), this, SLOT(newToolTip()));
        owner_ = owner;
        fetch(QStringLiteral("IconPixmap"));
        fetch(QStringLiteral("ToolTip"));
        emit StatusNotifierItemRegistered(service);
    }
    void newLabel(const QString& label, const QString&) {
        const QByteArray line = label.toUtf8() + '\n';
        if (::write(titles_, line.constData(), std::size_t(line.size())) < 0) std::perror("watcher: titles");
    }
    void newIcon() { fetch(QStringLiteral("IconPixmap")); }
    void newToolTip() { fetch(QStringLiteral("ToolTip")); }

private:
    void fetch(const QString& property) {
        QDBusMessage get = QDBusMessage::createMethodCall(owner_, kItemPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("Get"));
        get.setArguments({kItemInterface, property});
        connection().asyncCall(get);
    }

    int titles_;
    QString owner_;
    QStringList items_;
};

}  // namespace

int watcherCommand(int argc, char** argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: ratelark-bench watcher TITLES_FIFO   (on the session bus of the environment)\n");
        return 2;
    }
    // Opened for reading too, so that the open does not wait for the meter.
    const int titles = ::open(argv[0], O_RDWR | O_CLOEXEC);
    if (titles < 0) {
        std::perror(argv[0]);
        return 1;
    }
    int appArgc = 1;
    char name[] = "ratelark-bench-watcher";
    char* appArgv[] = {name, nullptr};
    QCoreApplication app(appArgc, appArgv);
    StandInWatcher watcher(titles);
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                       QDBusConnection::ExportScriptableContents | QDBusConnection::ExportAllProperties);
    if (!bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))) {
        std::fprintf(stderr, "watcher: cannot own the watcher's name\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

}  // namespace ratelark::bench

#include "Watcher.moc"
