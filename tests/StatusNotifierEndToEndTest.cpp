#include "app/PreferenceKeys.h"
#include "platform/StatusSurfaces.h"
#include "platform/linux/DBusTypes.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusAbstractInterface>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>

namespace ratelark {
namespace {

using testing::Harness;
using testing::waitUntil;

const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString kMenuPath = QStringLiteral("/MenuBar");
const QString kMenuInterface = QStringLiteral("com.canonical.dbusmenu");

// A session bus of the test's own.
class PrivateBus {
public:
    PrivateBus() {
        daemon_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                       QStringLiteral("--print-address")});
        if (waitUntil([&] { return daemon_.canReadLine(); })) address_ = QString::fromUtf8(daemon_.readLine().trimmed());
    }
    ~PrivateBus() {
        daemon_.kill();
        daemon_.waitForFinished();
    }
    QString address() const { return address_; }

private:
    QProcess daemon_;
    QString address_;
};

}  // namespace

// A host's watcher as small as the protocol allows, on a connection of its
// own: it keeps the services that register and says that a host draws them.
class StandInWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)

public:
    StandInWatcher(const QString& address, const QString& name) : bus(QDBusConnection::connectToBus(address, name)) {
        bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                           QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
        // Queued: the watcher before it may not have let go of the name yet.
        bus.interface()->registerService(QStringLiteral("org.kde.StatusNotifierWatcher"),
                                         QDBusConnectionInterface::QueueService);
    }
    ~StandInWatcher() override { QDBusConnection::disconnectFromBus(bus.name()); }
    bool hostRegistered() const { return true; }

    QDBusConnection bus;
    QStringList registered;

public slots:
    void RegisterStatusNotifierItem(const QString& service) { registered << service; }
};

// The signals a host hears from the item and from its menu.
class ItemSignals : public QDBusAbstractInterface {
    Q_OBJECT
public:
    ItemSignals(const QString& service, const QDBusConnection& bus)
        : QDBusAbstractInterface(service, kItemPath, "org.kde.StatusNotifierItem", bus, nullptr) {}
signals:
    void XAyatanaNewLabel(const QString& label, const QString& guide);
    void NewIcon();
};

class MenuSignals : public QDBusAbstractInterface {
    Q_OBJECT
public:
    MenuSignals(const QString& service, const QDBusConnection& bus)
        : QDBusAbstractInterface(service, kMenuPath, "com.canonical.dbusmenu", bus, nullptr) {}
signals:
    void ItemsPropertiesUpdated(const QList<ratelark::DBusMenuItem>& updated,
                                const QList<ratelark::DBusMenuItemKeys>& removed);
};

namespace {

// A method call answered while the event loop runs: the item lives in this
// very thread.
QList<QVariant> ask(const QDBusConnection& bus, const QString& service, const QString& path,
                    const QString& interface, const QString& method, const QVariantList& arguments = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    QDBusPendingCall pending = bus.asyncCall(call);
    waitUntil([&] { return pending.isFinished(); });
    EXPECT_FALSE(pending.isError()) << method.toStdString() << ": " << pending.error().message().toStdString();
    return pending.reply().arguments();
}

QVariantMap itemProperties(const QDBusConnection& bus, const QString& service) {
    return qdbus_cast<QVariantMap>(ask(bus, service, kItemPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                       QStringLiteral("GetAll"), {kItemInterface}).value(0));
}

const DBusMenuLayout* itemLabelled(const DBusMenuLayout& layout, const QString& start) {
    if (layout.properties.value(QStringLiteral("label")).toString().startsWith(start)) return &layout;
    for (const DBusMenuLayout& child : layout.children)
        if (const DBusMenuLayout* found = itemLabelled(child, start)) return found;
    return nullptr;
}

TEST(StatusNotifierEndToEnd, TheItemRegistersShowsTheSpeedsAndTheHostWorksItsMenu) {
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) GTEST_SKIP() << "needs dbus-daemon";
    PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());

    auto watcher = std::make_unique<StandInWatcher>(bus.address(), QStringLiteral("watcher-1"));
    QTemporaryDir dir;
    Harness::Options options;
    options.samplerTool = testing::writeBashScript(
        dir.path() + QStringLiteral("/sampler"),
        "while :; do echo '0 0 12595 0 0 1229'; sleep 0.2; echo '0 0 1258291 0 0 1229'; sleep 0.2; done\n");
    options.statusBar = [] { return makeTray(nullptr, {}); };
    Harness harness(options);
    harness.version->answer = {6, 1, 0};  // a fresh status item at every update, as on Linux
    TotalsPipelines totals;
    totals.sent = QStringLiteral("echo 7");
    totals.received = QStringLiteral("echo 42.5");
    harness.controller().setTotalsPipelines(totals);
    harness.start();

    ASSERT_TRUE(waitUntil([&] { return !watcher->registered.isEmpty(); })) << "registers with a running watcher";
    const QString service = watcher->registered.first();
    EXPECT_TRUE(service.startsWith(QStringLiteral("org.kde.StatusNotifierItem-%1-").arg(QCoreApplication::applicationPid())));
    const QDBusConnection host = QDBusConnection::connectToBus(bus.address(), QStringLiteral("host"));

    // The label and the picture follow the speeds; every update hands the
    // entry over, so it stays the one registered service.
    ItemSignals itemSignals(service, host);
    QStringList labels;
    QStringList guides;
    int newIcons = 0;
    QObject::connect(&itemSignals, &ItemSignals::XAyatanaNewLabel, [&](const QString& label, const QString& guide) {
        labels << label;
        guides << guide;
    });
    QObject::connect(&itemSignals, &ItemSignals::NewIcon, [&] { ++newIcons; });
    ASSERT_TRUE(waitUntil([&] {
        return labels.contains(QStringLiteral("12.3 KB|1.2 KB")) && labels.contains(QStringLiteral("1.2 MB|1.2 KB"));
    })) << labels.join(QLatin1Char(',')).toStdString();
    EXPECT_GE(newIcons, 2);
    EXPECT_EQ(std::adjacent_find(labels.begin(), labels.end()), labels.end()) << "sent on a change only";
    EXPECT_EQ(guides.last(), QStringLiteral("1024.0 KB|1024.0 KB")) << "the widest speeds these settings show";
    EXPECT_EQ(watcher->registered, QStringList{service});

    QVariantMap properties = itemProperties(host, service);
    EXPECT_EQ(properties.value(QStringLiteral("Id")).toString(), QStringLiteral("ratelark"));
    EXPECT_EQ(properties.value(QStringLiteral("Title")).toString(), QStringLiteral("RateLark"));
    EXPECT_EQ(properties.value(QStringLiteral("Category")).toString(), QStringLiteral("ApplicationStatus"));
    EXPECT_EQ(properties.value(QStringLiteral("Status")).toString(), QStringLiteral("Active"));
    EXPECT_TRUE(properties.value(QStringLiteral("ItemIsMenu")).toBool());
    EXPECT_EQ(qdbus_cast<QDBusObjectPath>(properties.value(QStringLiteral("Menu"))).path(), kMenuPath);
    EXPECT_TRUE(labels.contains(properties.value(QStringLiteral("XAyatanaLabel")).toString()));
    QList<int> sizes;
    const auto pictures = qdbus_cast<DBusImageList>(properties.value(QStringLiteral("IconPixmap")));
    for (const DBusImage& picture : pictures) {
        sizes << picture.width;
        EXPECT_EQ(picture.height, picture.width) << "square";
        EXPECT_EQ(picture.pixels.size(), picture.width * picture.height * 4);
    }
    EXPECT_EQ(sizes, (QList<int>{16, 22, 24, 32, 48, 32, 44, 48, 64, 96}));
    const int iconsBefore = newIcons;
    ASSERT_TRUE(waitUntil([&] { return newIcons > iconsBefore; }));
    EXPECT_NE(qdbus_cast<DBusImageList>(itemProperties(host, service).value(QStringLiteral("IconPixmap"))), pictures);

    // A watcher that restarts hears from the item again.
    watcher.reset();
    watcher = std::make_unique<StandInWatcher>(bus.address(), QStringLiteral("watcher-2"));
    ASSERT_TRUE(waitUntil([&] { return !watcher->registered.isEmpty(); })) << "registers again";
    EXPECT_EQ(watcher->registered, QStringList{service});

    // The menu as the host draws it: submenus, separators, radio groups.
    const auto layoutReply = ask(host, service, kMenuPath, kMenuInterface, QStringLiteral("GetLayout"),
                                 {0, -1, QStringList()});
    const auto layout = qdbus_cast<DBusMenuLayout>(layoutReply.value(1));
    const DBusMenuLayout* refresh = itemLabelled(layout, QStringLiteral("Refresh Interval"));
    const DBusMenuLayout* received = itemLabelled(layout, QStringLiteral("Data Received:"));
    ASSERT_TRUE(refresh && received);
    EXPECT_EQ(refresh->properties.value(QStringLiteral("children-display")).toString(), QStringLiteral("submenu"));
    ASSERT_EQ(refresh->children.size(), 6);
    for (const DBusMenuLayout& choice : refresh->children) {
        EXPECT_EQ(choice.properties.value(QStringLiteral("toggle-type")).toString(), QStringLiteral("radio"));
        EXPECT_EQ(choice.properties.value(QStringLiteral("toggle-state")).toInt(), &choice == &refresh->children[0] ? 1 : 0);
    }
    EXPECT_TRUE(std::any_of(layout.children.begin(), layout.children.end(), [](const DBusMenuLayout& item) {
        return item.properties.value(QStringLiteral("type")) == QStringLiteral("separator");
    }));

    // A click on "2 Seconds" stores the choice and moves the radio mark.
    MenuSignals menuSignals(service, host);
    QMap<int, int> marks;
    QObject::connect(&menuSignals, &MenuSignals::ItemsPropertiesUpdated, [&](const QList<DBusMenuItem>& updated) {
        for (const DBusMenuItem& item : updated)
            if (item.properties.contains(QStringLiteral("toggle-state")))
                marks[item.id] = item.properties.value(QStringLiteral("toggle-state")).toInt();
    });
    const int oneSecond = refresh->children[0].id;
    const int twoSeconds = refresh->children[1].id;
    ask(host, service, kMenuPath, kMenuInterface, QStringLiteral("Event"),
        {twoSeconds, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(QString())), 0u});
    EXPECT_TRUE(waitUntil([&] { return harness.reopenSettings()->integerForKey(keys::refreshInterval) == 2; }));
    EXPECT_TRUE(waitUntil([&] { return marks.value(twoSeconds) == 1 && marks.value(oneSecond, -1) == 0; }));

    // Opening the menu, however the host says it, is one opening, and the
    // totals of the pass it starts arrive in the menu and the tool-tip.
    auto* statusMenu = qobject_cast<QMenu*>(harness.ui.named.value(QStringLiteral("statusMenu")));
    int openings = 0;
    QObject::connect(statusMenu, &QMenu::aboutToShow, [&] { ++openings; });
    const auto open = [&] {
        ask(host, service, kMenuPath, kMenuInterface, QStringLiteral("AboutToShow"), {0});
        ask(host, service, kMenuPath, kMenuInterface, QStringLiteral("Event"),
            {0, QStringLiteral("opened"), QVariant::fromValue(QDBusVariant(QString())), 0u});
    };
    open();
    EXPECT_EQ(openings, 1);
    const auto receivedLabel = [&] {
        return ask(host, service, kMenuPath, kMenuInterface, QStringLiteral("GetProperty"),
                   {received->id, QStringLiteral("label")}).value(0).value<QDBusVariant>().variant().toString();
    };
    EXPECT_TRUE(waitUntil([&] {
        if (receivedLabel().endsWith(QStringLiteral("42.5M"))) return true;
        ask(host, service, kMenuPath, kMenuInterface, QStringLiteral("Event"),
            {0, QStringLiteral("closed"), QVariant::fromValue(QDBusVariant(QString())), 0u});
        open();
        return false;
    })) << receivedLabel().toStdString();
    const auto toolTip = qdbus_cast<DBusToolTip>(itemProperties(host, service).value(QStringLiteral("ToolTip")));
    EXPECT_TRUE(toolTip.text.contains(QStringLiteral("42.5M"))) << toolTip.text.toStdString();
    EXPECT_TRUE(labels.contains(toolTip.title)) << toolTip.title.toStdString();
}

}  // namespace
}  // namespace ratelark

#include "StatusNotifierEndToEndTest.moc"
