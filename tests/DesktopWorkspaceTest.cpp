#include "platform/linux/DesktopWorkspace.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace ratelark {
namespace {

// Gives each test a PATH of its own holding only the programs it installs.
class SystemMonitorSearch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bin_.isValid());
        savedPath_ = qgetenv("PATH");
        qputenv("PATH", bin_.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("PATH", savedPath_); }

    // An executable that notes its arguments in <name>.ran when started.
    QString install(const QString& name) {
        const QString path = bin_.path() + QLatin1Char('/') + name;
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("#!/bin/sh\necho \"$@\" > \"$0.ran\"\n");
        file.close();
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return path;
    }

    QTemporaryDir bin_;

private:
    QByteArray savedPath_;
};

TEST_F(SystemMonitorSearch, NothingInstalledMeansNoLaunch) {
    EXPECT_EQ(findSystemMonitor(), std::nullopt);
    DesktopWorkspace workspace;
    EXPECT_FALSE(workspace.launchSystemMonitor());
}

TEST_F(SystemMonitorSearch, TheDesktopMonitorsComeInTheirOrder) {
    install(QStringLiteral("lxtask"));
    EXPECT_EQ(findSystemMonitor(), (ProgramLaunch{bin_.path() + "/lxtask", {}}));
    const QString xfce = install(QStringLiteral("xfce4-taskmanager"));
    EXPECT_EQ(findSystemMonitor(), (ProgramLaunch{xfce, {}}));
    const QString gnome = install(QStringLiteral("gnome-system-monitor"));
    install(QStringLiteral("xterm"));
    install(QStringLiteral("htop"));
    EXPECT_EQ(findSystemMonitor(), (ProgramLaunch{gnome, {}}));
}

TEST_F(SystemMonitorSearch, ElseATerminalRunsHtopOrTop) {
    const QString xterm = install(QStringLiteral("xterm"));
    EXPECT_EQ(findSystemMonitor(), std::nullopt) << "a terminal with nothing to show";
    const QString top = install(QStringLiteral("top"));
    EXPECT_EQ(findSystemMonitor(), (ProgramLaunch{xterm, {"-e", top}}));
    const QString htop = install(QStringLiteral("htop"));
    EXPECT_EQ(findSystemMonitor(), (ProgramLaunch{xterm, {"-e", htop}}));
    const QString gnomeTerminal = install(QStringLiteral("gnome-terminal"));
    EXPECT_EQ(findSystemMonitor(), (ProgramLaunch{gnomeTerminal, {"--", htop}}));
    const QString debianDefault = install(QStringLiteral("x-terminal-emulator"));
    EXPECT_EQ(findSystemMonitor(), (ProgramLaunch{debianDefault, {"-e", htop}}));
}

TEST_F(SystemMonitorSearch, TheMonitorIsStartedDetached) {
    const QString monitor = install(QStringLiteral("mate-system-monitor"));
    DesktopWorkspace workspace;
    EXPECT_TRUE(workspace.launchSystemMonitor());
    EXPECT_TRUE(testing::waitUntil([&] { return QFile::exists(monitor + ".ran"); }));
}

// The same private PATH serves the desktop's registry of scheme handlers.
TEST_F(SystemMonitorSearch, ASchemeHasAHandlerWhenXdgMimeNamesOne) {
    DesktopWorkspace workspace;
    const QUrl page(QStringLiteral("appstream://com.tarnwick.ratelark"));
    EXPECT_FALSE(workspace.canOpen(page)) << "without xdg-mime";
    testing::writeBashScript(bin_.filePath(QStringLiteral("xdg-mime")),
                             "[ \"$*\" = 'query default x-scheme-handler/appstream' ] && echo gnome-software.desktop\nexit 0\n");
    EXPECT_TRUE(workspace.canOpen(page));
    EXPECT_FALSE(workspace.canOpen(QUrl(QStringLiteral("other:x")))) << "an empty answer";
}

}  // namespace
}  // namespace ratelark
