// Several RateLark processes of one user side by side: a tray item and the
// status lines of bars share the settings and keep their logs apart.
#include "app/PreferenceKeys.h"
#include "platform/SettingsStore.h"
#include "tests/support/Harness.h"
#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>

namespace ratelark {
namespace {

using testing::ProgramRun;
using testing::Sample;
using testing::waitUntil;

const std::vector<Sample> kSteady(60, Sample{12595, 1229});  // 12.3 KB down, 1.2 KB up

// Reads the run's lines until one is expected; false when they end first.
bool showsLine(ProgramRun& run, qsizetype& read, const QString& expected) {
    while (read < qsizetype(kSteady.size())) {
        const QList<QByteArray> lines = run.lines(read + 1);
        if (lines.size() <= read) return false;
        if (QString::fromUtf8(lines.at(read++)) == expected) return true;
    }
    return false;
}

QString settingsPath(const ProgramRun& run) { return run.folder() + QStringLiteral("/config/ratelark/ratelark.conf"); }

TEST(Instances, AStatusLineFollowsSettingsWrittenByAnotherProcess) {
    ProgramRun run("showArrow=0\n", kSteady);
    run.start({QStringLiteral("--status-line")});
    qsizetype read = 0;
    ASSERT_TRUE(showsLine(run, read, QStringLiteral("12.3 KB|1.2 KB"))) << run.statusLineLog().toStdString();

    // By hand, in place, to the same size.
    ASSERT_TRUE(testing::writeFile(settingsPath(run), "[General]\nshowArrow=1\n"));
    EXPECT_TRUE(showsLine(run, read, QStringLiteral("\u219312.3 KB|\u21911.2 KB")));

    // As another instance writes: a new file renamed over the old one.
    SettingsStore other(settingsPath(run));
    other.setObject(true, keys::onlyShowDownload);
    other.synchronize();
    EXPECT_TRUE(showsLine(run, read, QStringLiteral("\u219312.3 KB")));
}

TEST(Instances, OnlyTheTrayWritesTheConsoleLog) {
    ProgramRun tray("", kSteady);
    // A display drawn off screen and no bus: the tray's instance, which takes the lock.
    tray.environment().insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    tray.environment().insert(QStringLiteral("DISPLAY"), QStringLiteral(":97"));
    tray.environment().remove(QStringLiteral("WAYLAND_DISPLAY"));
    tray.environment().remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    tray.start({});
    const QString trayMark = QStringLiteral("[%1:").arg(tray.process().processId());
    ASSERT_TRUE(waitUntil([&] { return tray.consoleLog().contains(trayMark); }, 30000));
    const QString firstLine = tray.consoleLog().section(QLatin1Char('\n'), 0, 0);

    ProgramRun bar("", kSteady);
    for (const QString& folder : {QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("XDG_CACHE_HOME"),
                                  QStringLiteral("XDG_RUNTIME_DIR")})
        bar.environment().insert(folder, tray.environment().value(folder));
    bar.start({QStringLiteral("--status-line")});
    ASSERT_EQ(bar.lines(1).size(), 1) << tray.statusLineLog().toStdString();

    // Both read the settings anew at their next update and say so, each in its own log.
    ASSERT_TRUE(testing::writeFile(settingsPath(tray), QByteArray("[General]\xff\xfe\0", 12)));
    const auto told = [](const QString& log) { return log.contains(QStringLiteral("has become unreadable")); };
    ASSERT_TRUE(waitUntil([&] { return told(tray.consoleLog()) && told(tray.statusLineLog()); }, 30000));
    const QStringList lines = tray.consoleLog().trimmed().split(QLatin1Char('\n'));
    EXPECT_EQ(lines.first(), firstLine);
    for (const QString& line : lines) EXPECT_TRUE(line.contains(trayMark)) << line.toStdString();
    EXPECT_TRUE(tray.statusLineLog().contains(QStringLiteral("[%1:").arg(bar.process().processId())));
}

}  // namespace
}  // namespace ratelark
