#include "platform/linux/XdgAutostart.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace ratelark {
namespace {

using testing::Harness;

const QString kHelper = QStringLiteral("com.tarnwick.ratelarkhelper");

// Points XDG_CONFIG_HOME at a fresh folder for one test and puts it back after.
class XdgAutostartTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(config_.isValid());
        hadConfigHome_ = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        savedConfigHome_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
    }
    void TearDown() override {
        if (hadConfigHome_)
            qputenv("XDG_CONFIG_HOME", savedConfigHome_);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }

    QString entryFile() const { return config_.path() + QStringLiteral("/autostart/") + kHelper + ".desktop"; }
    QByteArray entryText() const {
        QFile file(entryFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir config_;

private:
    bool hadConfigHome_ = false;
    QByteArray savedConfigHome_;
};

TEST_F(XdgAutostartTest, EnableWritesTheEntryAndDisableRemovesIt) {
    XdgAutostart autostart(shippedDesktopEntry(), QStringLiteral("/usr/local/bin/ratelark"));
    EXPECT_EQ(XdgAutostart::entryPath(kHelper), entryFile());
    EXPECT_FALSE(autostart.isEnabled(kHelper));

    EXPECT_TRUE(autostart.setEnabled(kHelper, true));
    EXPECT_TRUE(QFile::exists(entryFile()));
    EXPECT_TRUE(autostart.isEnabled(kHelper));
    EXPECT_TRUE(entryText().contains("\nExec=/usr/local/bin/ratelark\n")) << entryText().toStdString();

    EXPECT_TRUE(autostart.setEnabled(kHelper, false));
    EXPECT_FALSE(QFile::exists(entryFile()));
    EXPECT_FALSE(autostart.isEnabled(kHelper));
    EXPECT_TRUE(autostart.setEnabled(kHelper, false)) << "nothing to remove is no failure";
}

TEST_F(XdgAutostartTest, TheEntryIsTheDesktopFileStartingTheProgramAtLogin) {
    const QByteArray desktop = shippedDesktopEntry();
    ASSERT_TRUE(desktop.startsWith("[Desktop Entry]\n"));
    const QByteArray entry = autostartEntry(desktop, QStringLiteral("/opt/rate lark/bin/ratelark"));

    QList<QByteArray> expected;
    for (const QByteArray& line : desktop.split('\n'))
        if (!line.isEmpty()) expected << (line.startsWith("Exec=") ? "Exec=\"/opt/rate lark/bin/ratelark\"" : line);
    expected << "X-GNOME-Autostart-enabled=true";
    EXPECT_EQ(entry.toStdString(), (expected.join('\n') + '\n').toStdString());
    EXPECT_TRUE(entry.contains("\nName=RateLark\n"));
    EXPECT_TRUE(entry.contains("\nIcon=ratelark\n"));
}

TEST_F(XdgAutostartTest, OnlyTheMainGroupIsCarriedOver) {
    const QByteArray entry =
        autostartEntry("# comment\n[Desktop Entry]\nName=X\nExec=x --flag\n\n[Desktop Action New]\nExec=x --new\n",
                       QStringLiteral("/bin/x"));
    EXPECT_EQ(entry.toStdString(), "[Desktop Entry]\nName=X\nExec=/bin/x\nX-GNOME-Autostart-enabled=true\n");
}

TEST_F(XdgAutostartTest, ExecArgumentsAreQuotedAndEscaped) {
    EXPECT_EQ(execArgument(QStringLiteral("/usr/bin/ratelark")), QStringLiteral("/usr/bin/ratelark"));
    EXPECT_EQ(execArgument(QStringLiteral("/a b/ratelark")), QStringLiteral("\"/a b/ratelark\""));
    // Inside quotes $ is escaped with a backslash, and every backslash of a
    // value is doubled once more.
    EXPECT_EQ(execArgument(QStringLiteral("/a$b")), QStringLiteral("\"/a\\\\$b\""));
    EXPECT_EQ(execArgument(QStringLiteral("/100%/x")), QStringLiteral("/100%%/x"));
    EXPECT_TRUE(autostartEntry(shippedDesktopEntry(), QStringLiteral("/a\nb")).isEmpty());
}

TEST_F(XdgAutostartTest, AFailedWriteAnswersFalse) {
    QFile blocker(config_.path() + QStringLiteral("/autostart"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    XdgAutostart autostart(shippedDesktopEntry(), QStringLiteral("/usr/bin/ratelark"));
    EXPECT_FALSE(autostart.setEnabled(kHelper, true));
    EXPECT_FALSE(autostart.isEnabled(kHelper));
    EXPECT_FALSE(XdgAutostart(shippedDesktopEntry(), QString()).setEnabled(kHelper, true));
}

TEST_F(XdgAutostartTest, IdentifiersThatAreNoFileNameAreRefused) {
    XdgAutostart autostart(shippedDesktopEntry(), QStringLiteral("/usr/bin/ratelark"));
    for (const QString& identifier : {QString(), QStringLiteral("../evil"), QStringLiteral(".hidden")}) {
        EXPECT_FALSE(autostart.setEnabled(identifier, true)) << identifier.toStdString();
        EXPECT_FALSE(autostart.isEnabled(identifier)) << identifier.toStdString();
    }
    EXPECT_TRUE(QDir(config_.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST_F(XdgAutostartTest, AnEntryTheUserTurnedOffIsNotRegistered) {
    XdgAutostart autostart(shippedDesktopEntry(), QStringLiteral("/usr/bin/ratelark"));
    for (const QByteArray& off : {QByteArray("Hidden=true"), QByteArray("X-GNOME-Autostart-enabled=false")}) {
        QDir().mkpath(config_.path() + QStringLiteral("/autostart"));
        QFile file(entryFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[Desktop Entry]\nName=RateLark\nExec=/usr/bin/ratelark\n" + off + "\n");
        file.close();
        EXPECT_FALSE(autostart.isEnabled(kHelper)) << off.toStdString();
    }
}

// The command and the start-up mark against the real autostart folder.
TEST_F(XdgAutostartTest, TheMenuItemTogglesTheEntryAndTheNextStartSeesIt) {
    const auto withRealAutostart = [](Harness& harness) {
        harness.controller().services().loginItems =
            std::make_unique<XdgAutostart>(shippedDesktopEntry(), QStringLiteral("/usr/bin/ratelark"));
        harness.ui = loadInterface(shippedInterfaceDescription(), harness.controller().interfaceConnections());
        harness.start();
        return qobject_cast<QAction*>(harness.ui.named.value(QStringLiteral("itemOpenAtLogin")));
    };
    Harness::Options options;
    options.loadInterface = false;
    {
        Harness harness(options);
        QAction* item = withRealAutostart(harness);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(stateOf(item), 0);
        item->trigger();
        EXPECT_EQ(stateOf(item), 1);
        EXPECT_TRUE(QFile::exists(entryFile()));
    }
    {
        Harness harness(options);
        QAction* item = withRealAutostart(harness);
        EXPECT_EQ(stateOf(item), 1) << "read back at the next start";
        item->trigger();
        EXPECT_EQ(stateOf(item), 0);
        EXPECT_FALSE(QFile::exists(entryFile()));
        EXPECT_FALSE(harness.consoleLog().contains(QStringLiteral("Couldn't add/remove")));
    }
}

TEST_F(XdgAutostartTest, AnAutostartFolderThatCannotBeMadeGivesTheLogLineOnce) {
    QFile blocker(config_.path() + QStringLiteral("/autostart"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Harness::Options options;
    options.loadInterface = false;
    Harness harness(options);
    harness.controller().services().loginItems =
        std::make_unique<XdgAutostart>(shippedDesktopEntry(), QStringLiteral("/usr/bin/ratelark"));
    harness.ui = loadInterface(shippedInterfaceDescription(), harness.controller().interfaceConnections());
    harness.start();
    auto* item = qobject_cast<QAction*>(harness.ui.named.value(QStringLiteral("itemOpenAtLogin")));

    item->trigger();

    EXPECT_EQ(harness.consoleLog().count(QStringLiteral("Couldn't add/remove Helper App to launch at login item list.")),
              1);
    EXPECT_EQ(stateOf(item), 0);
}

}  // namespace
}  // namespace ratelark
