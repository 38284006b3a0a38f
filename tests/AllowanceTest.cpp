// The data allowance: its period by the local calendar, the values it takes,
// and its notifications, each given once a period however many instances
// run and restart.
#include "platform/UsageDatabase.h"
#include "platform/linux/StatusNotifierItem.h"
#include "tests/support/Harness.h"
#include "tests/support/StandInService.h"
#include "usage/DataAllowance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QStandardPaths>
#include <QTimeZone>

namespace ratelark {
namespace {

using namespace testing;

TEST(DataAllowance, PeriodsFollowTheLocalCalendarAndSettingsAreReadWithCare) {
    const QTimeZone utc("UTC"), berlin("Europe/Berlin"), newYork("America/New_York");
    struct Case {
        QDateTime now;
        QTimeZone zone;
        int startDay;
        QDate start, end;
    } cases[] = {
        {QDateTime(QDate(2026, 12, 7), QTime(12, 0), utc), utc, 1, QDate(2026, 12, 1), QDate(2027, 1, 1)},
        {QDateTime(QDate(2026, 1, 5), QTime(12, 0), utc), utc, 15, QDate(2025, 12, 15), QDate(2026, 1, 15)},
        {QDateTime(QDate(2026, 2, 15), QTime(12, 0), utc), utc, 31, QDate(2026, 1, 31), QDate(2026, 2, 28)},
        {QDateTime(QDate(2026, 2, 28), QTime(12, 0), utc), utc, 31, QDate(2026, 2, 28), QDate(2026, 3, 31)},
        {QDateTime(QDate(2028, 2, 28), QTime(12, 0), utc), utc, 30, QDate(2028, 1, 30), QDate(2028, 2, 29)},  // leap
        {QDateTime(QDate(2028, 2, 29), QTime(12, 0), utc), utc, 30, QDate(2028, 2, 29), QDate(2028, 3, 30)},
        // The night the clocks go forward, and the same moment seen from New York.
        {QDateTime(QDate(2026, 3, 29), QTime(0, 30), utc), berlin, 29, QDate(2026, 3, 29), QDate(2026, 4, 29)},
        {QDateTime(QDate(2026, 3, 29), QTime(0, 30), utc), newYork, 29, QDate(2026, 2, 28), QDate(2026, 3, 29)},
    };
    for (const Case& c : cases) {
        const AllowancePeriod period = allowancePeriod(c.now.toTimeZone(c.zone).date(), c.startDay);
        EXPECT_EQ(std::pair(period.start, period.end), std::pair(c.start, c.end)) << c.now.toString().toStdString();
    }
    EXPECT_EQ(allowanceLine(41'200'000'000, 50ULL << 30, {QDate(2026, 11, 15), QDate(2026, 12, 15)}),
              "This Period: 38.4 GB of 50 GB (76 %), resets 15 Dec");

    const std::pair<const char*, std::optional<std::uint64_t>> volumes[] = {
        {"50 GB", 50ULL << 30}, {"500mb", 500ULL << 20}, {"1,5 TB", 3ULL << 39}, {"20000", 20000},
        {"GB", std::nullopt},   {"-5 MB", std::nullopt}, {"5 XB", std::nullopt}, {"99999999 PB", std::nullopt},
    };
    for (const auto& [text, bytes] : volumes) EXPECT_EQ(parseVolume(text), bytes) << text;

    // Stored by hand: what cannot be meant turns the allowance off and says why.
    const std::tuple<QVariant, QVariant, QVariant, bool> stored[] = {
        {"1073741824", "15", QStringList{"wwan0"}, true}, {"-1", "1", {}, false}, {"50 GB", "1", {}, false},
        {"1000", "32", {}, false}, {"1000", "0", {}, false}, {"1000", "x", {}, false},
        {"1000", "1", QStringList{"a/b"}, false},
    };
    for (const auto& [bytes, day, interfaces, on] : stored) {
        QString problem;
        EXPECT_EQ(dataAllowance(bytes, day, interfaces, &problem).isOn(), on) << bytes.toString().toStdString();
        EXPECT_EQ(problem.isEmpty(), on) << problem.toStdString();
    }
}

TEST(DataAllowance, AUsedUpAllowanceAsksForAttentionAndStillShowsTheSpeeds) {
    StatusNotifierItem item;
    AttributedText title;
    title.text = "1.2 MB|12.1 KB";
    title.compactText = "1.2M\n12K";
    for (const TitleAlert alert : {TitleAlert::Warning, TitleAlert::Critical, TitleAlert::None}) {
        title.alert = alert;
        item.setTitle(&title);
        const bool attention = alert == TitleAlert::Critical;
        EXPECT_EQ(item.status(), attention ? "NeedsAttention" : "Active");
        ASSERT_EQ(item.attentionPixmap().size(), attention ? item.iconPixmap().size() : 0);
        if (attention) {  // the speeds' picture, in a red frame
            EXPECT_EQ(item.attentionPixmap()[0].pixels.left(4), QByteArray("\xff\xcc\x00\x00", 4));
        }
    }
}

// org.freedesktop.Notifications, as small as a notice needs: it keeps the summaries.
class StandInNotifications : public StandInService {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    explicit StandInNotifications(const QString& address) : StandInService(address, "notices") {
        publish("/org/freedesktop/Notifications", QDBusConnection::ExportScriptableSlots,
                "org.freedesktop.Notifications");
    }
    QStringList summaries;

public slots:
    Q_SCRIPTABLE uint Notify(const QString&, uint, const QString&, const QString& summary, const QString&,
                             const QStringList&, const QVariantMap&, int) {
        summaries << summary;
        return uint(summaries.size());
    }

private:
};

TEST(DataAllowance, EachShareIsNotifiedOnceAPeriodByWhicheverInstanceReachedIt) {
    const PrivateBus bus;
    if (!bus.installed) GTEST_SKIP() << "needs dbus-daemon";
    ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start";
    const QByteArray& address = bus.address;
    StandInNotifications notices(address);

    ProgramRun home("dataAllowance=10000\ndataAllowanceDay=1\n");
    const auto run = [&](int instances) {
        std::vector<std::unique_ptr<ProgramRun>> runs;
        for (int i = 0; i < instances; ++i) {
            runs.push_back(std::make_unique<ProgramRun>());
            runs.back()->shareFoldersOf(home);
            runs.back()->environment().insert("DBUS_SESSION_BUS_ADDRESS", address);
            runs.back()->start({"--status-line"});
        }
        for (auto& each : runs) each->lines(1);
        return runs;
    };
    // Ended by SIGTERM, all at once; the notices are answered meanwhile.
    const auto end = [](std::vector<std::unique_ptr<ProgramRun>>& runs) {
        for (auto& each : runs) each->process().terminate();
        for (auto& each : runs)
            EXPECT_TRUE(waitUntil([&] { return each->process().state() == QProcess::NotRunning; }, 20000));
    };
    auto first = run(1);
    end(first);  // the baseline
    home.setCounters(7000, 1500);
    auto two = run(2);
    end(two);
    EXPECT_EQ(notices.summaries, QStringList{"80 % of the data allowance used"}) << "one of the two tells";
    auto again = run(2);
    end(again);
    EXPECT_EQ(notices.summaries.size(), 1) << "nor again after a restart";
    home.setCounters(9000, 1500);
    auto last = run(1);
    end(last);
    EXPECT_EQ(notices.summaries, QStringList({"80 % of the data allowance used", "Data allowance used up"}));
}

}  // namespace
}  // namespace ratelark

#include "AllowanceTest.moc"
