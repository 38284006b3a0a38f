// The usage history: every byte the counted interfaces carried counted once,
// across quits, crashes, resets, reboots, clock changes, several instances
// and broken files.
#include "app/CommandLine.h"
#include "platform/UsageDatabase.h"
#include "tests/support/Harness.h"
#include "usage/UsageDelta.h"
#include "usage/UsageLedger.h"
#include "usage/UsageRecorder.h"
#include "usage/UsageReport.h"
#include "usage/UsageText.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <climits>

#include <unistd.h>

namespace ratelark {
namespace {

using namespace testing;
using Bytes = std::pair<std::uint64_t, std::uint64_t>;

UsageAmount allTime(const QString& path) {
    UsageDatabase database(path);
    QString why;
    std::vector<QString> notes;
    UsageAmount sum;
    if (database.open(&why, &notes))
        for (const UsageRow& row : database.days(0, INT_MAX)) sum += {row.received, row.sent};
    return sum;
}

QString historyOf(const ProgramRun& run) { return run.path("data/ratelark/usage.sqlite"); }

// `ratelark --usage ARGUMENTS` in run's folders; its standard output.
QByteArray usageCommand(const ProgramRun& run, const QStringList& arguments = {"--usage"},
                        const QStringList& prefix = {}) {
    ProgramRun command;
    command.shareFoldersOf(run);
    if (!prefix.isEmpty()) {
        command.environment().remove("RATELARK_NET_DEV");
        command.environment().remove("RATELARK_BOOT_ID");
    }
    command.start(prefix.isEmpty() ? arguments : prefix.mid(1) + QStringList{ProgramRun::ratelarkPath()} + arguments,
                  prefix.isEmpty() ? ProgramRun::ratelarkPath() : prefix[0]);
    command.process().waitForFinished(30000);
    EXPECT_EQ(command.process().exitCode(), 0) << command.process().readAllStandardError().toStdString();
    return command.process().readAllStandardOutput();
}

TEST(UsageHistory, DeltasFollowTheBootAndNeverInventBytes) {
    const std::uint64_t kGiB = 1 << 30;
    struct Case {
        StoredReading before, now;
        std::uint64_t link;
        CounterDelta expected;
    } cases[] = {
        {{"a", 1000, 500, 0}, {"a", 5000, 600, 10'000'000'000}, 0, {4000, 100}},      // the difference
        {{"a", 9000, 500, 0}, {"a", 200, 700, 10'000'000'000}, 0, {200, 200}},        // a reset: since it
        {{"a", 9000, 500, 0}, {"b", 300, 40, 10'000'000'000}, 0, {300, 40}},          // another boot: since boot
        {{"a", 0, 0, 0}, {"a", 1ULL << 62, 0, 10'000'000'000}, 0, {0, 0, false}},     // no link carries that
        {{"a", 0, 0, 0}, {"a", kGiB, 0, 10'000'000'000}, 125'000'000, {kGiB, 0}},     // 1 Gbit/s for 10 s
        {{"a", 0, 0, 0}, {"a", kGiB, 0, 1'000'000'000}, 125'000'000, {0, 0, false}},  // but not in 1 s
    };
    for (const Case& c : cases) {
        const CounterDelta delta = counterDelta(c.before, c.now, c.link);
        EXPECT_EQ(std::tuple(delta.received, delta.sent, delta.plausible),
                  std::tuple(c.expected.received, c.expected.sent, c.expected.plausible))
            << c.now.received;
    }
}

TEST(UsageHistory, CatchesUpAfterAQuitACrashAResetAndAReboot) {
    ProgramRun home;
    const auto step = [&](std::uint64_t received, std::uint64_t sent, const char* boot = "test-boot\n") {
        writeFile(home.path("boot_id"), boot);
        home.setCounters(received, sent);
        usageCommand(home);
        const UsageAmount total = allTime(historyOf(home));
        return Bytes{total.received, total.sent};
    };
    EXPECT_EQ(step(1000, 500), Bytes(0, 0)) << "the first sighting is a baseline";
    EXPECT_EQ(step(5000, 1500), Bytes(4000, 1000)) << "what went by while nothing ran";

    ProgramRun quitting;
    quitting.shareFoldersOf(home);
    quitting.start({"--status-line"});
    quitting.lines(1);
    home.setCounters(9000, 2000);
    ASSERT_TRUE(quitting.end());
    EXPECT_EQ(allTime(historyOf(home)).received, 8000U) << "written at SIGTERM";

    ProgramRun crashing;
    crashing.shareFoldersOf(home);
    crashing.start({"--status-line"});
    crashing.lines(1);
    home.setCounters(20000, 3000);
    crashing.process().kill();
    crashing.process().waitForFinished();
    EXPECT_EQ(step(20000, 3000), Bytes(19000, 2500)) << "a kill -9 loses nothing";

    EXPECT_EQ(step(200, 100), Bytes(19200, 2600)) << "a reset counts the bytes since";
    EXPECT_EQ(step(300, 300, "another-boot\n"), Bytes(19500, 2900)) << "a reboot counts them since boot";
    EXPECT_EQ(step(1ULL << 62, 400, "another-boot\n"), Bytes(19500, 2900)) << "a phantom jump is not";
    EXPECT_EQ(step((1ULL << 62) + 1000, 500, "another-boot\n"), Bytes(20500, 3000)) << "nor the next";

    const QJsonObject today = QJsonDocument::fromJson(usageCommand(home, {"--usage", "--json"})).object();
    EXPECT_EQ(today["rows"].toArray()[0].toObject()["interfaces"].toObject()["wan9"].toObject()["received"].toInteger(),
              20500) << "the report holds only the counted interface";
}

TEST(UsageHistory, InstancesRecordingAtOnceCountEachByteOnce) {
    ProgramRun home;
    usageCommand(home);
    std::vector<std::unique_ptr<ProgramRun>> bars;
    for (int i = 0; i < 3; ++i) {
        bars.push_back(std::make_unique<ProgramRun>());
        bars.back()->shareFoldersOf(home);
        bars.back()->start({"--status-line"});
        bars.back()->lines(1);
    }
    home.setCounters(3'000'000, 1'000'000);
    for (auto& bar : bars) bar->process().terminate();
    for (auto& bar : bars) EXPECT_TRUE(bar->process().waitForFinished(10000) && bar->process().exitCode() == 0);
    std::vector<std::unique_ptr<ProgramRun>> commands;
    home.setCounters(5'000'000, 2'000'000);
    for (int i = 0; i < 4; ++i) {
        commands.push_back(std::make_unique<ProgramRun>());
        commands.back()->shareFoldersOf(home);
        commands.back()->start({"--usage"});
    }
    for (auto& command : commands) EXPECT_TRUE(command->process().waitForFinished(30000));
    const UsageAmount total = allTime(historyOf(home));
    EXPECT_EQ((Bytes(total.received, total.sent)), Bytes(5'000'000, 2'000'000));
}

// The menu's totals are read again only when the file has changed, so a
// write by this instance or by another one must show at the next look.
TEST(UsageHistory, EveryWriteToTheFileShowsAtTheNextLook) {
    QTemporaryDir folder;
    UsageDatabase mine(folder.filePath("usage.sqlite")), theirs(folder.filePath("usage.sqlite"));
    QString why;
    std::vector<QString> notes;
    ASSERT_TRUE(mine.open(&why, &notes) && theirs.open(&why, &notes)) << why.toStdString();
    const auto add = [&](UsageDatabase& database, std::uint64_t received) {
        EXPECT_TRUE(database.record(
            [&](const StoredReadings&) {
                return UsageChange{{{0, 20261208, "eth0", received, 0}}, {{"eth0", {"boot", received, 0, 1}}}, {}, {}};
            },
            &why, &notes));
    };
    const auto today = [](UsageDatabase& database) {
        std::uint64_t sum = 0;
        for (const UsageRow& row : database.days(20261208, 20261209)) sum += row.received;
        return sum;
    };
    add(mine, 100);
    EXPECT_EQ(today(mine), 100U);
    add(theirs, 50);
    EXPECT_EQ(today(mine), 150U);
    EXPECT_EQ(mine.readings().at("eth0").received, 50U);
    add(mine, 7);
    EXPECT_EQ(today(mine), 157U);
    EXPECT_EQ(mine.readings().at("eth0").received, 7U);
    EXPECT_EQ(today(theirs), 157U);
}

TEST(UsageHistory, ACorruptFileIsKeptAsideOnceAndANewOneStarted) {
    ProgramRun home;
    QDir().mkpath(home.path("data/ratelark"));
    const QByteArray garbage = QByteArray("not a database, but the user's bytes ").repeated(200);
    writeFile(historyOf(home), garbage);
    std::vector<std::unique_ptr<ProgramRun>> commands;
    for (int i = 0; i < 2; ++i) {
        commands.push_back(std::make_unique<ProgramRun>());
        commands.back()->shareFoldersOf(home);
        commands.back()->start({"--usage"});
    }
    QString said;
    for (auto& command : commands) {
        EXPECT_TRUE(command->process().waitForFinished(30000));
        EXPECT_EQ(command->process().exitCode(), 0);
        said += QString::fromUtf8(command->process().readAllStandardError());
    }
    const QStringList aside = QDir(home.path("data/ratelark")).entryList({"usage.sqlite.corrupt-*"});
    ASSERT_EQ(aside.size(), 1) << aside.join(' ').toStdString();
    EXPECT_EQ(readFile(home.path("data/ratelark/" + aside[0])), garbage);
    EXPECT_EQ(said.count("it is kept as"), 1) << said.toStdString();
    home.setCounters(700, 70);
    usageCommand(home);
    EXPECT_EQ(allTime(historyOf(home)).received, 700U) << "the new file records";
}

TEST(UsageHistory, AnUnwritableHomeKeepsTheBytesInMemoryUntilItCanBeWritten) {
    QTemporaryDir dir;
    const QString blocked = dir.filePath("data");
    writeFile(blocked, "a file where the folder should be");
    UsageRecorder recorder(blocked + "/ratelark/usage.sqlite");
    const auto observe = [&](std::uint64_t received) {
        recorder.observe({"wan9"}, {{"wan9"}, {}, counters::parseNetDev(netDevText({{"wan9", received, 0}}).toStdString()), {}});
    };
    observe(1000);
    EXPECT_FALSE(recorder.write());
    observe(6000);
    EXPECT_FALSE(recorder.write());
    EXPECT_EQ(recorder.recent().today.received, 5000U) << "the menu shows what waits";
    QFile::remove(blocked);
    observe(8000);
    EXPECT_TRUE(recorder.write());
    EXPECT_EQ(allTime(blocked + "/ratelark/usage.sqlite").received, 7000U);

    ProgramRun run;
    writeFile(run.path("data"), "not a folder");
    run.start({"--status-line"});
    EXPECT_EQ(run.lines(1).size(), 1) << "the speeds go on";
    EXPECT_TRUE(run.end());
    EXPECT_EQ(readFile(run.path("cache/ratelark/status-line.log")).count("cannot be written"), 1);
}

TEST(UsageHistory, DaysFollowTheLocalCalendarThroughClockChangesAndAMove) {
    QTemporaryDir dir;
    UsageDatabase database(dir.filePath("usage.sqlite"));
    UsageLedger ledger([](const QString&) { return std::uint64_t{0}; });
    const QTimeZone berlin("Europe/Berlin"), newYork("America/New_York");
    std::vector<QString> notes;
    QString why;
    // Every ten minutes from 2026-03-28 22:00 UTC for two days, 1000 bytes
    // each, written every five readings: Berlin's 29 March has 23 hours.
    QDateTime when(QDate(2026, 3, 28), QTime(22, 0), Qt::UTC);
    for (std::uint64_t step = 0; step <= 288; ++step, when = when.addSecs(600)) {
        ledger.observe({{"wan9", {"boot", step * 1000, 0, std::int64_t(step) * 600'000'000'000}}}, {},
                       bucketAt(when, berlin), &notes);
        if (step % 5 != 0 && step != 288) continue;
        ASSERT_TRUE(database.record([&](const StoredReadings& stored) { return ledger.recording(stored, {}, &notes); },
                                    &why, &notes)) << why.toStdString();
        ledger.written();
    }
    const auto dayBytes = [&](int day) {
        std::uint64_t sum = 0;
        for (const UsageRow& row : database.days(day, day + 1)) sum += row.received;
        return sum;
    };
    EXPECT_EQ(std::vector({dayBytes(20260328), dayBytes(20260329), dayBytes(20260330), dayBytes(20260331)}),
              std::vector<std::uint64_t>({5000, 23 * 6000, 24 * 6000, 1000}));
    const UsageReport hours =
        usageReport(database, UsagePeriod::Hours, QDateTime(QDate(2026, 3, 30), QTime(0, 0), Qt::UTC), berlin);
    EXPECT_EQ(hours.rows.front().start.toString(Qt::ISODate), "2026-03-29T03:00:00+02:00") << "local time";
    std::uint64_t inHours = 0;
    for (const UsageReportRow& row : hours.rows) inHours += row.total.received;
    EXPECT_EQ(inHours, 24 * 6000U) << "no hour merged or lost over the change";
    // Moved to New York, the days stay as they were filed.
    const UsageReport days =
        usageReport(database, UsagePeriod::Days, QDateTime(QDate(2026, 3, 31), QTime(12, 0), Qt::UTC), newYork);
    EXPECT_EQ(days.rows[days.rows.size() - 3].total.received, 23 * 6000U);
    EXPECT_EQ(usageText(days, UsageFormat::Csv).split('\n')[0], "start,received,sent,wan9 received,wan9 sent");
}

TEST(UsageHistory, TheCommandLineSaysWhatItCannotDo) {
    const std::pair<QStringList, QString> cases[] = {
        {{"--usage=weeks"}, "unknown usage period 'weeks' (use summary, hours, days or months)"},
        {{"--usage", "--json", "--csv"}, "--json and --csv cannot be given together"},
        {{"--csv"}, "--json and --csv go with --usage"},
        {{"--usage", "--status-line"}, "--usage prints a report and exits; it cannot run as a status line"},
    };
    for (const auto& [arguments, error] : cases) EXPECT_EQ(parseCommandLine(arguments).error, error);
    const CommandLine months = parseCommandLine({"--csv", "--usage=months"});
    EXPECT_TRUE(months.action == CommandLine::Action::Usage && months.usagePeriod == UsagePeriod::Months &&
                months.usageFormat == UsageFormat::Csv);
    ProgramRun fresh;
    EXPECT_EQ(usageCommand(fresh).split('\n').value(1), "No usage has been recorded yet: RateLark records it while it runs.");
}

// Two network namespaces joined by a veth pair, for as long as it lives.
struct VethPair {
    bool up = ::geteuid() == 0 && sh("ip netns add rlt-a && ip netns add rlt-b && ip link add rlt0 netns rlt-a type veth "
                                     "peer name rlt1 netns rlt-b && ip -n rlt-a addr add 10.231.0.1/24 dev rlt0 && "
                                     "ip -n rlt-b addr add 10.231.0.2/24 dev rlt1 && ip -n rlt-a link set rlt0 up && "
                                     "ip -n rlt-b link set rlt1 up && ip -n rlt-a route add 224.0.0.0/4 dev rlt0");
    ~VethPair() { sh("ip netns del rlt-a; ip netns del rlt-b"); }
    static bool sh(const QString& command) { return QProcess::execute("sh", {"-c", command + " 2>/dev/null"}) == 0; }
    static std::uint64_t counter(const char* name) {
        QProcess cat;
        cat.start("ip", {"netns", "exec", "rlt-a", "cat", QString("/sys/class/net/rlt0/statistics/") + name});
        cat.waitForFinished();
        return cat.readAllStandardOutput().trimmed().toULongLong();
    }
};

TEST(UsageHistory, WhatARealInterfaceCarriedIsWhatTheKernelCounted) {
    VethPair veth;
    if (!veth.up) GTEST_SKIP() << "needs root to make network namespaces";
    ProgramRun home;
    const QStringList inNamespace{"ip", "netns", "exec", "rlt-a"};
    usageCommand(home, {"--usage"}, inNamespace);
    const Bytes before(VethPair::counter("rx_bytes"), VethPair::counter("tx_bytes"));
    // Multicast: no address to resolve and no answer that would stop the sending.
    ASSERT_TRUE(VethPair::sh("ip netns exec rlt-a bash -c 'head -c 20000000 /dev/zero > /dev/udp/239.23.1.1/9'"));
    const Bytes after(VethPair::counter("rx_bytes"), VethPair::counter("tx_bytes"));
    usageCommand(home, {"--usage"}, inNamespace);
    const UsageAmount recorded = allTime(historyOf(home));
    ASSERT_GT(after.second - before.second, 19'000'000U);
    EXPECT_NEAR(double(recorded.sent), double(after.second - before.second), 0.005 * double(after.second - before.second));
    EXPECT_NEAR(double(recorded.received), double(after.first - before.first), 0.005 * double(after.second - before.second));
}

}  // namespace
}  // namespace ratelark
