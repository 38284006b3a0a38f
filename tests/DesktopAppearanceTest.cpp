#include "platform/linux/DesktopAppearance.h"
#include "platform/linux/SessionBus.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDir>
#include <QFile>
#include <QPalette>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <atomic>

namespace ratelark {
namespace {

using testing::waitUntil;
using testing::writeFile;

const QVariant kDark(QStringLiteral("Dark"));

// Keeps the application palette as it was.
class PaletteGuard {
public:
    PaletteGuard() : saved_(QApplication::palette()) {}
    ~PaletteGuard() { QApplication::setPalette(saved_); }

private:
    QPalette saved_;
};

void setWindowColor(const QColor& color) {
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Window, color);
    QApplication::setPalette(palette);
}

TEST(Appearance, TheOverrideDecidesAlone) {
    PaletteGuard guard;
    setWindowColor(Qt::black);
    EXPECT_EQ(DesktopAppearance({QStringLiteral("dark"), {}, {}}).interfaceStyle(), kDark);
    EXPECT_EQ(DesktopAppearance({QStringLiteral("DARK"), {}, {}}).interfaceStyle(), kDark);
    EXPECT_FALSE(DesktopAppearance({QStringLiteral("light"), {}, {}}).interfaceStyle().isValid());
    setWindowColor(Qt::white);
    EXPECT_EQ(DesktopAppearance({QStringLiteral(" Dark "), {}, {}}).interfaceStyle(), kDark);
}

TEST(Appearance, WithoutOtherSourcesThePaletteDecides) {
    PaletteGuard guard;
    setWindowColor(QColor(0x30, 0x30, 0x30));
    EXPECT_EQ(DesktopAppearance({}).interfaceStyle(), kDark);
    setWindowColor(QColor(0xef, 0xef, 0xef));
    EXPECT_FALSE(DesktopAppearance({}).interfaceStyle().isValid());
    // A value that is not a known word is no override.
    EXPECT_FALSE(DesktopAppearance({QStringLiteral("purple"), {}, {}}).interfaceStyle().isValid());
}

TEST(Appearance, GtkSettingsAreReadAgainWhenTheyChange) {
    PaletteGuard guard;
    setWindowColor(Qt::white);
    QTemporaryDir dir;
    const QString gtk4 = dir.filePath(QStringLiteral("gtk-4.0.ini"));
    const QString gtk3 = dir.filePath(QStringLiteral("gtk-3.0.ini"));
    ASSERT_TRUE(writeFile(gtk3, "[Settings]\ngtk-theme-name=Adwaita-dark\n"));
    DesktopAppearance appearance({{}, {}, {gtk4, gtk3}});
    EXPECT_EQ(appearance.interfaceStyle(), kDark) << "the first readable file counts";
    ASSERT_TRUE(writeFile(gtk4, "[Settings]\ngtk-application-prefer-dark-theme=0\ngtk-theme-name=Adwaita\n"));
    EXPECT_FALSE(appearance.interfaceStyle().isValid());
    QFile::remove(gtk4);
    EXPECT_EQ(appearance.interfaceStyle(), kDark);
}

TEST(Appearance, GtkSettingsTable) {
    const struct {
        const char* text;
        std::optional<bool> dark;
    } rows[] = {
        {"[Settings]\ngtk-application-prefer-dark-theme=1\n", true},
        {"[Settings]\ngtk-application-prefer-dark-theme = true\n", true},
        {"[Settings]\ngtk-application-prefer-dark-theme=false\n", false},
        {"[Settings]\ngtk-theme-name=Breeze-Dark\n", true},
        {"[Settings]\ngtk-theme-name=Arc\ngtk-application-prefer-dark-theme=1\n", true},
        {"[Settings]\ngtk-theme-name=Arc\n", false},
        {"[Settings]\ngtk-font-name=Cantarell 11\n", std::nullopt},
        {"", std::nullopt},
        {"garbage without equals\n\x01\x02", std::nullopt},
    };
    for (const auto& row : rows) EXPECT_EQ(gtkSettingsPrefersDark(row.text), row.dark) << row.text;
}

TEST(Appearance, PortalColorSchemeValues) {
    EXPECT_EQ(colorSchemePrefersDark(QVariant(1u)), true);
    EXPECT_EQ(colorSchemePrefersDark(QVariant(2u)), false);
    EXPECT_EQ(colorSchemePrefersDark(QVariant(0u)), std::nullopt);
    EXPECT_EQ(colorSchemePrefersDark(QVariant(7u)), std::nullopt);
    EXPECT_EQ(colorSchemePrefersDark(QVariant()), std::nullopt);
    EXPECT_EQ(colorSchemePrefersDark(QVariant(QStringLiteral("dark"))), std::nullopt);
}

// Sets an environment variable for one scope, or unsets it for a null value.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QByteArray& value) : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    ~ScopedEnvironment() { had_ ? qputenv(name_, old_) : qunsetenv(name_); }

private:
    const char* name_;
    QByteArray old_;
    bool had_;
};

int threadsNamed(const QByteArray& name) {
    int count = 0;
    for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name) ++count;
    }
    return count;
}

TEST(Appearance, ASessionBusIsAdvertisedByItsAddressOrItsSocket) {
    QTemporaryDir runtime;
    const ScopedEnvironment runtimeDir("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    {
        const ScopedEnvironment address("DBUS_SESSION_BUS_ADDRESS", QByteArray());
        EXPECT_FALSE(sessionBusAdvertised());
        QFile socket(runtime.filePath(QStringLiteral("bus")));
        ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
        EXPECT_TRUE(sessionBusAdvertised());
    }
    const ScopedEnvironment address("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    EXPECT_TRUE(sessionBusAdvertised());
}

TEST(Appearance, WithoutASessionBusNoDBusThreadIsStarted) {
    QTemporaryDir runtime;
    const ScopedEnvironment runtimeDir("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    const ScopedEnvironment address("DBUS_SESSION_BUS_ADDRESS", QByteArray());
    const AppearanceSources sources = sessionAppearanceSources();
    EXPECT_FALSE(sources.bus.has_value());
    EXPECT_EQ(threadsNamed("QDBusConnection"), 0);
}

// A message bus of the test's own, with a settings portal on it that answers
// what the test sets.
class PrivateBus {
public:
    PrivateBus() {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) return;
        daemon_.start(daemon,
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!waitUntil([&] { return daemon_.canReadLine(); })) return;
        address_ = QString::fromUtf8(daemon_.readLine().trimmed());
    }
    ~PrivateBus() {
        QDBusConnection::disconnectFromBus(QStringLiteral("portal"));
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        daemon_.kill();
        daemon_.waitForFinished();
    }
    bool running() const { return !address_.isEmpty(); }
    QDBusConnection client() { return QDBusConnection::connectToBus(address_, QStringLiteral("client")); }
    QDBusConnection portal() { return QDBusConnection::connectToBus(address_, QStringLiteral("portal")); }

private:
    QProcess daemon_;
    QString address_;
};

class FakePortal : public QDBusVirtualObject {
public:
    // Called on the bus's own thread.
    std::atomic<int> reads{0};
    std::atomic<int> scheme{1};  // below 0: the portal has no such setting
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QStringLiteral("Read")) return false;
        ++reads;
        const QStringList names{message.arguments().value(0).toString(), message.arguments().value(1).toString()};
        if (names != QStringList{QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme")} ||
            scheme < 0)
            return connection.send(message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                                                            QStringLiteral("no such setting")));
        // The portal's Read wraps the value in a second variant.
        const QVariant value = QVariant::fromValue(QDBusVariant(uint(scheme.load())));
        return connection.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
    }
    QString introspect(const QString&) const override { return {}; }
};

class PortalAppearance : public ::testing::Test {
protected:
    void SetUp() override {
        if (!bus_.running()) GTEST_SKIP() << "dbus-daemon is not installed";
        QDBusConnection portal = bus_.portal();
        ASSERT_TRUE(portal.registerVirtualObject(QStringLiteral("/org/freedesktop/portal/desktop"), &fake_));
        ASSERT_TRUE(portal.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
        guard_.emplace();
        setWindowColor(Qt::white);
    }
    void TearDown() override { guard_.reset(); }

    AppearanceSources sources(int lifeMs = 60000) {
        AppearanceSources s;
        s.bus = bus_.client();
        s.gtkSettingsFiles = {gtkFile_};
        s.portalAnswerLifeMs = lifeMs;
        return s;
    }

    PrivateBus bus_;
    FakePortal fake_;
    std::optional<PaletteGuard> guard_;
    QTemporaryDir dir_;
    QString gtkFile_ = dir_.filePath(QStringLiteral("settings.ini"));
};

TEST_F(PortalAppearance, APortalPreferringDarkGivesDark) {
    DesktopAppearance appearance(sources());
    EXPECT_TRUE(waitUntil([&] { return appearance.interfaceStyle() == kDark; }));
}

TEST_F(PortalAppearance, ThePortalIsAskedInTheBackgroundAndItsAnswerKept) {
    DesktopAppearance appearance(sources());
    ASSERT_TRUE(waitUntil([&] { return appearance.interfaceStyle() == kDark; }));
    const int reads = fake_.reads;
    for (int i = 0; i < 50; ++i) appearance.interfaceStyle();
    QCoreApplication::processEvents();
    EXPECT_EQ(fake_.reads, reads) << "one question per answer's life, not one per display update";
}

TEST_F(PortalAppearance, ALaterChangeShowsOnceTheAnswerIsOld) {
    DesktopAppearance appearance(sources(50));
    ASSERT_TRUE(waitUntil([&] { return appearance.interfaceStyle() == kDark; }));
    fake_.scheme = 2;
    EXPECT_TRUE(waitUntil([&] { return !appearance.interfaceStyle().isValid(); }));
}

TEST_F(PortalAppearance, PortalPreferringLightWinsOverGtk) {
    ASSERT_TRUE(writeFile(gtkFile_, "[Settings]\ngtk-theme-name=Adwaita-dark\n"));
    fake_.scheme = 2;
    DesktopAppearance appearance(sources());
    appearance.interfaceStyle();
    ASSERT_TRUE(waitUntil([&] { return fake_.reads > 0; }));
    EXPECT_TRUE(waitUntil([&] { return !appearance.interfaceStyle().isValid(); }));
}

TEST_F(PortalAppearance, NoPreferenceOrNoSettingLetsGtkDecide) {
    ASSERT_TRUE(writeFile(gtkFile_, "[Settings]\ngtk-theme-name=Adwaita-dark\n"));
    for (int scheme : {0, -1}) {
        fake_.scheme = scheme;
        fake_.reads = 0;
        DesktopAppearance appearance(sources());
        EXPECT_EQ(appearance.interfaceStyle(), kDark);
        ASSERT_TRUE(waitUntil([&] { return fake_.reads > 0; }));
        QCoreApplication::processEvents();
        EXPECT_EQ(appearance.interfaceStyle(), kDark);
    }
}

TEST_F(PortalAppearance, NoPortalOnTheBusLetsTheNextSourceDecide) {
    bus_.portal().unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
    setWindowColor(Qt::black);
    DesktopAppearance appearance(sources());
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(appearance.interfaceStyle(), kDark);
        QCoreApplication::processEvents();
    }
}

}  // namespace
}  // namespace ratelark
