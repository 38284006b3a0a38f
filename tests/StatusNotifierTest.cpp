// The status-area item as a desktop's host sees it over D-Bus: registered
// with the host's watcher, its label and picture, and its menu drawn and
// worked by the host.
#include "app/PreferenceKeys.h"
#include "measure/TotalsPipelines.h"
#include "platform/StatusSurfaces.h"
#include "platform/linux/DBusTypes.h"
#include "platform/linux/DesktopAppearance.h"
#include "tests/support/Harness.h"
#include "tests/support/StandInService.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QStandardPaths>

namespace ratelark {

const QString kItemPath = "/StatusNotifierItem";
const QString kItemInterface = "org.kde.StatusNotifierItem";
const QString kMenuPath = "/MenuBar";
const QString kMenuInterface = "com.canonical.dbusmenu";

// A host and its watcher, as small as the protocol allows, on a connection
// of their own: the watcher keeps the services that register and lists
// them until it drops them, the host
// hears the item's signals and asks it what a host asks.
class StandInHost : public StandInService {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems MEMBER items)

public:
    explicit StandInHost(const QString& address) : StandInService(address, "host") {
        publish("/StatusNotifierWatcher", QDBusConnection::ExportScriptableContents | QDBusConnection::ExportAllProperties);
        appear();
    }
    bool hostRegistered() const { return true; }
    void appear() { bus.interface()->registerService("org.kde.StatusNotifierWatcher"); }
    void vanish() {
        items.clear();
        bus.interface()->unregisterService("org.kde.StatusNotifierWatcher");
    }
    void drop() {
        items.clear();
        emit StatusNotifierItemUnregistered(registered.value(0));
    }
    void listen(const QString& service) {
        bus.connect(service, kItemPath, kItemInterface, "XAyatanaNewLabel", this, SLOT(newLabel(QString, QString)));
        bus.connect(service, kItemPath, kItemInterface, "NewIcon", this, SLOT(newIcon()));
        bus.connect(service, kMenuPath, kMenuInterface, "ItemsPropertiesUpdated", this, SLOT(updated(QDBusMessage)));
    }
    // A call answered while the event loop runs: the item lives in this very thread.
    QList<QVariant> ask(const QString& service, const QString& path, const QString& interface, const QString& method,
                        const QVariantList& arguments) {
        QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
        call.setArguments(arguments);
        QDBusPendingCall pending = bus.asyncCall(call);
        testing::waitUntil([&] { return pending.isFinished(); });
        EXPECT_FALSE(pending.isError()) << method.toStdString() << ": " << pending.error().message().toStdString();
        return pending.reply().arguments();
    }

    QStringList registered, items, labels, guides;
    int newIcons = 0;
    QMap<int, int> marks;  // the radio marks the menu reported, by item

signals:
    Q_SCRIPTABLE void StatusNotifierItemUnregistered(const QString& item);

public slots:
    Q_SCRIPTABLE void RegisterStatusNotifierItem(const QString& service) {
        registered << service;
        items << service;
    }
    void newLabel(const QString& label, const QString& guide) {
        labels << label;
        guides << guide;
    }
    void newIcon() { ++newIcons; }
    void updated(const QDBusMessage& message) {
        for (const DBusMenuItem& item : qdbus_cast<QList<DBusMenuItem>>(message.arguments().value(0)))
            if (item.properties.contains("toggle-state")) marks[item.id] = item.properties.value("toggle-state").toInt();
    }
};

namespace {

using namespace testing;

const DBusMenuLayout* itemLabelled(const DBusMenuLayout& layout, const QString& start) {
    if (layout.properties.value("label").toString().startsWith(start)) return &layout;
    for (const DBusMenuLayout& child : layout.children)
        if (const DBusMenuLayout* found = itemLabelled(child, start)) return found;
    return nullptr;
}

// The desktop's settings portal, as far as the colour scheme goes: it
// counts the questions and tells a change by its signal.
class StandInPortal : public StandInService {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    explicit StandInPortal(const QString& address) : StandInService(address, "portal") {
        publish("/org/freedesktop/portal/desktop", QDBusConnection::ExportScriptableContents,
                "org.freedesktop.portal.Desktop");
    }
    void change(uint scheme) { emit SettingChanged("org.freedesktop.appearance", "color-scheme", QDBusVariant(scheme)); }
    int reads = 0;
    uint scheme = 1;

public slots:
    Q_SCRIPTABLE QDBusVariant Read(const QString&, const QString&) {
        ++reads;
        return QDBusVariant(QVariant::fromValue(QDBusVariant(scheme)));
    }
signals:
    Q_SCRIPTABLE void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);
};

TEST(StatusNotifier, TheItemRegistersShowsTheSpeedsAndTheHostWorksItsMenu) {
    PrivateBus bus;
    if (!bus.installed) GTEST_SKIP() << "needs dbus-daemon";
    ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start";
    const QByteArray& address = bus.address;
    const ScopedEnvironment session("DBUS_SESSION_BUS_ADDRESS", address);
    StandInHost host(address);
    Harness harness({.sampler = "while :; do echo '0 0 12595 0 0 1229'; sleep 0.2; echo '0 0 1258291 0 0 1229'; sleep 0.2; done\n",
                     .statusBar = [] { return makeTray(nullptr, {}); }});
    harness.version->answer = {6, 1, 0};  // a new status item at every update, as on Linux
    TotalsPipelines totals;
    totals.sent = "echo 7";
    totals.received = "echo 42.5";
    harness.controller().setTotalsPipelines(totals);
    harness.start();
    ASSERT_TRUE(waitUntil([&] { return !host.registered.isEmpty(); })) << "registers with a running watcher";
    const QString service = host.registered[0];
    host.listen(service);

    // The label and the picture follow the speeds; every update hands the
    // one entry over, so it stays the one registered service.
    ASSERT_TRUE(waitUntil([&] { return host.labels.contains("12.3 KB|1.2 KB") && host.labels.contains("1.2 MB|1.2 KB"); }))
        << host.labels.join(',').toStdString();
    EXPECT_EQ(std::adjacent_find(host.labels.begin(), host.labels.end()), host.labels.end()) << "sent on a change only";
    EXPECT_EQ(host.guides.last(), "1024.0 KB|1024.0 KB") << "the widest speeds these settings show";
    EXPECT_EQ(host.registered, QStringList{service});
    const auto properties = [&] {
        return qdbus_cast<QVariantMap>(host.ask(service, kItemPath, "org.freedesktop.DBus.Properties", "GetAll", {kItemInterface}).value(0));
    };
    const QVariantMap item = properties();
    EXPECT_EQ(QStringList({item["Id"].toString(), item["Title"].toString(), item["Category"].toString(), item["Status"].toString()}),
              QStringList({"ratelark", "RateLark", "ApplicationStatus", "Active"}));
    EXPECT_TRUE(item["ItemIsMenu"].toBool());
    EXPECT_EQ(qdbus_cast<QDBusObjectPath>(item["Menu"]).path(), kMenuPath);
    QList<int> sizes;
    const auto pictures = qdbus_cast<DBusImageList>(item["IconPixmap"]);
    for (const DBusImage& picture : pictures) {
        sizes << picture.width;
        EXPECT_TRUE(picture.height == picture.width && picture.pixels.size() == picture.width * picture.height * 4);
    }
    EXPECT_EQ(sizes, (QList<int>{16, 22, 24, 32, 48, 32, 44, 48, 64, 96}));
    const int icons = host.newIcons;
    ASSERT_TRUE(waitUntil([&] { return host.newIcons > icons; }));
    EXPECT_NE(qdbus_cast<DBusImageList>(properties()["IconPixmap"]), pictures);

    // A watcher that restarts hears from the item again.
    host.vanish();
    host.appear();
    EXPECT_TRUE(waitUntil([&] { return host.registered == QStringList({service, service}); }));
    // One that drops the item sees it registered again.
    host.drop();
    EXPECT_TRUE(waitUntil([&] { return host.items == QStringList{service}; }));

    // The menu as the host draws it: submenus, separators, radio groups.
    const auto layout = qdbus_cast<DBusMenuLayout>(host.ask(service, kMenuPath, kMenuInterface, "GetLayout", {0, -1, QStringList()}).value(1));
    const DBusMenuLayout* refresh = itemLabelled(layout, "Refresh Interval");
    const DBusMenuLayout* received = itemLabelled(layout, "Data Received:");
    ASSERT_TRUE(refresh && received && refresh->children.size() == 6);
    EXPECT_EQ(refresh->properties["children-display"], "submenu");
    for (const DBusMenuLayout& choice : refresh->children)
        EXPECT_TRUE(choice.properties["toggle-type"] == "radio" && choice.properties["toggle-state"] == int(&choice == &refresh->children[0]));
    EXPECT_TRUE(std::any_of(layout.children.begin(), layout.children.end(),
                            [](const DBusMenuLayout& entry) { return entry.properties["type"] == "separator"; }));

    // A click on "2 Seconds" stores the choice and moves the radio mark.
    const auto event = [&](int id, const QString& name) {
        host.ask(service, kMenuPath, kMenuInterface, "Event", {id, name, QVariant::fromValue(QDBusVariant(QString())), 0u});
    };
    const int oneSecond = refresh->children[0].id;
    const int twoSeconds = refresh->children[1].id;
    event(twoSeconds, "clicked");
    EXPECT_TRUE(waitUntil([&] { return harness.reopenSettings()->integerForKey(keys::refreshInterval) == 2; }));
    EXPECT_TRUE(waitUntil([&] { return host.marks.value(twoSeconds) == 1 && host.marks.value(oneSecond, -1) == 0; }));

    // Opening the menu, however the host says it, is one opening, and the
    // totals of the pass it starts arrive in the menu and the tool-tip.
    int openings = 0;
    QObject::connect(harness.controller().statusMenu(), &QMenu::aboutToShow, [&] { ++openings; });
    host.ask(service, kMenuPath, kMenuInterface, "AboutToShow", {0});
    event(0, "opened");
    EXPECT_EQ(openings, 1);
    const auto receivedLabel = [&] {
        return host.ask(service, kMenuPath, kMenuInterface, "GetProperty", {received->id, "label"}).value(0).value<QDBusVariant>().variant();
    };
    EXPECT_TRUE(waitUntil([&] { return receivedLabel() == "Data Received: 42.5M"; })) << receivedLabel().toString().toStdString();
    const auto toolTip = qdbus_cast<DBusToolTip>(properties()["ToolTip"]);
    EXPECT_TRUE(toolTip.text.contains("42.5M") && host.labels.contains(toolTip.title)) << toolTip.text.toStdString();
    bus.daemon.kill();
    bus.daemon.waitForFinished();
}

// Asked once, the portal's answer is then kept current by its signal: a title
// every second never becomes a question every few seconds.
TEST(StatusNotifier, TheAppearanceAsksThePortalOnceAndFollowsItsSignal) {
    PrivateBus bus;
    if (!bus.installed) GTEST_SKIP() << "needs dbus-daemon";
    StandInPortal portal(bus.address);
    AppearanceSources sources;
    sources.bus = QDBusConnection::connectToBus(QString::fromUtf8(bus.address), "appearance");
    sources.otherwiseDark = false;
    {
        DesktopAppearance appearance(sources);
        EXPECT_TRUE(waitUntil([&] { return appearance.interfaceStyle() == "Dark"; }));
        portal.change(2);
        EXPECT_TRUE(waitUntil([&] { return !appearance.interfaceStyle().isValid(); })) << "light, as the signal said";
        portal.change(1);
        EXPECT_TRUE(waitUntil([&] { return appearance.interfaceStyle() == "Dark"; }));
        spin(100);
        EXPECT_EQ(portal.reads, 1);
    }
    QDBusConnection::disconnectFromBus("appearance");
}

}  // namespace
}  // namespace ratelark

#include "StatusNotifierTest.moc"
