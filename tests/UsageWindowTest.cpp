#include "app/PreferenceKeys.h"
#include "platform/UsageDatabase.h"
#include "present/AxisScale.h"
#include "present/SizeFormat.h"
#include "present/UsageChart.h"
#include "tests/support/Harness.h"
#include "usage/UsageBuckets.h"

#include <QApplication>
#include <QCheckBox>
#include <QChartView>
#include <QTabBar>
#include <QShortcut>
#include <QWindow>

namespace ratelark {
namespace {

using namespace testing;

TEST(UsageWindow, AxesEndOnRoundValuesOfTheDisplayUnit) {
    const double k = 1024, m = k * k;
    struct Row {
        double peak;
        bool bits;
        qint64 showType;
        double top;  // in the unit
        const char* unit;
        int ticks, decimals;
    };
    const Row rows[] = {
        {0, false, showtype::automatic, 1, "KB/s", 6, 1},       // nothing yet: the smallest scale
        {1.5 * k, false, showtype::automatic, 2, "KB/s", 5, 1},
        {3 * k, false, showtype::automatic, 5, "KB/s", 6, 0},
        {5 * k, false, showtype::automatic, 5, "KB/s", 6, 0},   // a peak on a round value is the top
        {333 * k, false, showtype::automatic, 500, "KB/s", 6, 0},
        {900 * k, false, showtype::automatic, 1, "MB/s", 6, 1},  // not "1000 KB/s"
        {1.2 * m, false, showtype::automatic, 2, "MB/s", 5, 1},
        {1.2 * m, true, showtype::automatic, 10, "Mb/s", 6, 0},  // 9.6 Mb/s
        {60 * m, false, showtype::automatic, 100, "MB/s", 6, 0},
        {3 * m * k, false, showtype::automatic, 5, "GB/s", 6, 0},
        {3 * m, false, showtype::kilo, 5000, "KB/s", 6, 0},       // always K
        {3 * k, false, showtype::mega, 0.1, "MB/s", 6, 2},        // always M, at its smallest
        {0.3 * m, true, showtype::mega, 5, "Mb/s", 6, 0},
    };
    for (const Row& row : rows) {
        const AxisScale scale = speedAxis(row.peak, row.bits, row.showType);
        const std::string at = std::to_string(row.peak) + (row.bits ? " bits" : "");
        EXPECT_DOUBLE_EQ(scale.maximum / scale.divisor, row.top) << at;
        EXPECT_EQ(scale.unit, row.unit) << at;
        EXPECT_EQ(std::pair(scale.ticks, scale.decimals), std::pair(row.ticks, row.decimals)) << at;
        EXPECT_GE(scale.maximum, row.peak) << at;
    }
    EXPECT_EQ(volumeAxis(0).unit, "KB");
    EXPECT_DOUBLE_EQ(volumeAxis(1.5e9).maximum, 2.0 * m * k);
}

TEST(UsageWindow, TheRingKeepsTenMinutesAndTheScaleDropsOnlyWhenThePeakHasLeftIt) {
    SpeedRing ring;
    const auto top = [&] { return speedAxis(ring.peak(), false, showtype::automatic).maximum; };
    ring.push({1000, 3e6, 1e3});  // a burst of 3 MB, then quiet seconds of 10 KB
    EXPECT_EQ(top(), 5.0 * 1048576) << "grows at once";
    for (std::int64_t second = 2; second <= 600; ++second) ring.push({second * 1000, 10e3, 2e3});
    EXPECT_EQ(ring.size(), 600U);
    EXPECT_EQ(top(), 5.0 * 1048576) << "the burst is still in view";
    ring.push({601'000, 10e3, 12e3});
    EXPECT_EQ(ring.size(), 600U);
    EXPECT_EQ(ring[0].endMs, 2000);
    EXPECT_EQ(ring[599].upload, 12e3);
    EXPECT_EQ(top(), 20.0 * 1024) << "the burst has left: the quiet seconds' scale";
}

TEST(UsageWindow, ChartsShowTheRecordedHistoryInLocalTimeOverAClockChange) {
    QTemporaryDir dir;
    UsageDatabase database(dir.filePath("usage.sqlite"));
    QString why;
    std::vector<QString> notes;
    ASSERT_TRUE(database.open(&why, &notes)) << why.toStdString();
    const QTimeZone berlin("Europe/Berlin");
    // 1000 bytes received and 10 sent in every hour from 1 February to
    // 30 March 12:00 UTC; Berlin's 29 March has 23 hours.
    UsageChange change;
    const QDateTime now(QDate(2026, 3, 30), QTime(12, 30), Qt::UTC);
    for (QDateTime hour(QDate(2026, 2, 1), QTime(0, 0), Qt::UTC); hour < now; hour = hour.addSecs(3600)) {
        const UsageBucket bucket = bucketAt(hour, berlin);
        change.increments.push_back({bucket.hourStart, bucket.day, "wan9", 1000, 10});
    }
    ASSERT_TRUE(database.record([&](const StoredReadings&) { return change; }, &why, &notes)) << why.toStdString();

    const UsageChart days = usageChart(database, UsagePeriod::Days, now, berlin);
    ASSERT_EQ(days.amounts.size(), 31U);
    EXPECT_EQ(days.periods.front(), "Sat 28 Feb 2026");
    EXPECT_EQ(days.labels.mid(0, 6), QStringList({"", "Mar", "", "", "", "5"}));
    EXPECT_EQ(days.amounts[29].received, 23 * 1000U) << "the day the clocks went forward";
    EXPECT_EQ(days.current.received, 15 * 1000U) << "today so far, the current period last";
    EXPECT_EQ(days.totals, QStringList({"Today: ↓ 14.6 KB ↑ 150 B", "Last 31 Days: ↓ 717 KB ↑ 7.2 KB"}));

    const UsageChart hours = usageChart(database, UsagePeriod::Hours, now, berlin);
    ASSERT_EQ(hours.amounts.size(), 48U);
    EXPECT_EQ(hours.periods.back(), "Mon 30 Mar, 14:00") << "local summer time";
    EXPECT_EQ(hours.labels.count("Mon"), 1);
    EXPECT_EQ(hours.whole.received, 48 * 1000U);

    const UsageChart months = usageChart(database, UsagePeriod::Months, now, berlin);
    ASSERT_EQ(months.amounts.size(), 12U);
    EXPECT_EQ(months.labels.front(), "Apr");
    EXPECT_EQ(months.amounts[10].received, 28 * 24 * 1000U - 1000) << "February from Berlin's midnight";
    EXPECT_EQ(months.totals[0], "This Month: ↓ 693 KB ↑ 6.9 KB");
}

TEST(UsageWindow, TheMenuOpensItAndCtrlWOrTheCloseButtonDeletesItKeepingItsSizeAndChart) {
    Harness harness({.usageHistory = true});
    harness.start();
    QAction* item = nullptr;
    for (QAction* each : harness.controller().statusMenu()->actions())
        if (each->text() == "Usage…") item = each;
    ASSERT_NE(item, nullptr);
    const auto usageWindow = [] {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->windowTitle() == "Usage" && window->isVisible()) return window;
        return static_cast<QWidget*>(nullptr);
    };
    item->trigger();
    QPointer<QWidget> window = usageWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->findChildren<QChartView*>().size(), 2);
    window->resize(640, 480);
    window->findChild<QTabBar*>()->setCurrentIndex(2);
    EXPECT_EQ(harness.settings().valueForKey(keys::usageChart).toString(), "months");
    auto* closeKey = window->findChild<QShortcut*>();
    ASSERT_TRUE(closeKey && closeKey->key() == QKeySequence("Ctrl+W"));
    emit closeKey->activated();
    EXPECT_TRUE(waitUntil([&] { return window.isNull(); })) << "closed and deleted";

    item->trigger();
    window = usageWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->size(), QSize(640, 480)) << "as it was left";
    EXPECT_EQ(window->findChild<QTabBar*>()->currentIndex(), 2);
    window->windowHandle()->close();  // the close button
    EXPECT_TRUE(waitUntil([&] { return window.isNull(); }));
    harness.settings().setObject("weeks", keys::usageChart);
    harness.settings().setObject("garbage", keys::usageWindowFrame);
    item->trigger();
    window = usageWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->findChild<QTabBar*>()->currentIndex(), 0);
    EXPECT_TRUE(harness.consoleLog().contains("The Usage window has no chart \"weeks\""));
    EXPECT_TRUE(harness.consoleLog().contains("The stored place of the Usage window"));
    window->close();
    EXPECT_TRUE(waitUntil([&] { return window.isNull(); }));
}

TEST(SpeedWindow, ItsGraphComesAndGoesWithTheCheckBoxAndTheWindowMakesRoomForIt) {
    Harness harness({.sampler = samplerPrinting({{1000, 10}, {3000, 20}}), .settingsFile = "[General]\nshowWindow=1\n"});
    harness.start();
    QWidget* panel = harness.controller().panel();
    const int height = panel->height();
    harness.controller().clickWindow(nullptr);
    auto* box = harness.named<QCheckBox>("checkSpeedGraph");
    ASSERT_TRUE(box && !box->isChecked()) << "off unless chosen";
    box->click();
    ASSERT_TRUE(waitUntil([&] { return panel->findChild<SpeedGraph*>() != nullptr; }));
    EXPECT_EQ(panel->height(), height + SpeedGraph::kHeight);
    box->click();
    ASSERT_TRUE(waitUntil([&] { return panel->findChild<SpeedGraph*>() == nullptr; }));
    EXPECT_EQ(panel->height(), height);
}

}  // namespace
}  // namespace ratelark
