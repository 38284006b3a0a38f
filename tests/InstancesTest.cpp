// RateLark processes of one user side by side: a tray item and a bar's status line.
#include "app/PreferenceKeys.h"
#include "platform/SettingsStore.h"
#include "tests/support/Harness.h"
#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>

namespace ratelark {
namespace {

using testing::ProgramRun;
using testing::waitUntil;

const std::vector<testing::Sample> kSteady(300, {12595, 1229});  // 12.3 KB down, 1.2 KB up

// Reads the run's lines until one is expected; false when they end first.
bool showsLine(ProgramRun& run, qsizetype& read, const QString& expected) {
    while (read < qsizetype(kSteady.size())) {
        const QList<QByteArray> lines = run.lines(read + 1);
        if (lines.size() <= read) return false;
        if (QString::fromUtf8(lines.at(read++)) == expected) return true;
    }
    return false;
}

TEST(Instances, AStatusLineFollowsTheSharedSettingsAndKeepsOutOfTheTraysLog) {
    ProgramRun tray("showArrow=0\n", kSteady);
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
    for (const char* folder : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
        bar.environment().insert(QLatin1String(folder), tray.environment().value(QLatin1String(folder)));
    bar.start({QStringLiteral("--status-line")});
    qsizetype read = 0;
    ASSERT_TRUE(showsLine(bar, read, QStringLiteral("12.3 KB|1.2 KB"))) << tray.statusLineLog().toStdString();

    // By hand, in place, to the same size.
    const QString settings = tray.folder() + QStringLiteral("/config/ratelark/ratelark.conf");
    ASSERT_TRUE(testing::writeFile(settings, "[General]\nshowArrow=1\n"));
    EXPECT_TRUE(showsLine(bar, read, QStringLiteral("\u219312.3 KB|\u21911.2 KB")));
    // As another instance writes: a new file renamed over the old one.
    SettingsStore other(settings);
    other.setObject(true, keys::onlyShowDownload);
    other.synchronize();
    EXPECT_TRUE(showsLine(bar, read, QStringLiteral("\u219312.3 KB")));

    // Both read the settings anew at their next update and say so, each in its own log.
    ASSERT_TRUE(testing::writeFile(settings, QByteArray("[General]\xff\xfe\0", 12)));
    const auto told = [](const QString& log) { return log.contains(QStringLiteral("has become unreadable")); };
    ASSERT_TRUE(waitUntil([&] { return told(tray.consoleLog()) && told(tray.statusLineLog()); }, 30000));
    const QStringList lines = tray.consoleLog().trimmed().split(QLatin1Char('\n'));
    EXPECT_EQ(lines.first(), firstLine);
    for (const QString& line : lines) EXPECT_TRUE(line.contains(trayMark)) << line.toStdString();
}

}  // namespace
}  // namespace ratelark
