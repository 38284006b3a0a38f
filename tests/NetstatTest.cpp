// The sampler tool, ratelark-netstat: its reading of /proc/net/dev, its
// arithmetic, and the tool itself run on a counters file of the test's own.
#include "tests/support/Harness.h"
#include "counters/CountedInterfaces.h"
#include "counters/NetDevCounters.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

#include <csignal>
#include <QSaveFile>

namespace ratelark {
namespace {

using namespace counters;

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

// A /proc/net/dev line with the seven reported counters, the other fields
// holding values that must never show up, and blanks before short names.
std::string interface(const std::string& name, const Counters& c) {
    const std::array<std::uint64_t, 16> fields = {c[BytesIn],  c[PacketsIn],  c[ErrsIn],  901, 902,     903, 904, 905,
                                                  c[BytesOut], c[PacketsOut], c[ErrsOut], 906, 907, c[Colls], 908, 909};
    std::string text = std::string(name.size() < 6 ? 6 - name.size() : 0, ' ') + name + ':';
    for (const std::uint64_t field : fields) text += ' ' + std::to_string(field);
    return text + '\n';
}

TEST(NetDevCounters, ReadsEachWholeInterfaceLineSplitAtItsFirstColon) {
    const Reading reading = parseNetDev(
        "Inter-|   Receive   |  Transmit\n face |bytes    packets errs|bytes    packets errs\n" +
        interface("wlan0", {1, 2, 3, 4, 5, 6, 7}) + interface("lo", {1, 1, 1, 1, 1, 1, 1}) +
        "  eth0: 81543243 2798 1 0 0 0 0 0 123460 1631 2 0 0 3 0 0\n"
        "enp0s31f6-longname:123456 7 0 0 0 0 0 0 654321 8 0 0 0 0 0 0\n"  // a long name runs into its colon
        "veth:a:b: 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\n"              // a colon in the counters
        "  eth1: 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15\n"                   // one number short
        "  eth2: 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 -16\n"
        "  eth3: 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 99999999999999999999\n"  // beyond 64 bits
        "  eth0: 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9\n"                           // a name again: the first counts
        "  eth5: 18446744073709551615 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0");        // no line break at the end
    EXPECT_EQ(namesOf(reading), (std::vector<std::string>{"enp0s31f6-longname", "eth0", "eth5", "lo", "wlan0"}));
    EXPECT_EQ(reading[0].counters, (Counters{7, 0, 123456, 8, 0, 654321, 0}));
    EXPECT_EQ(reading[1].counters, (Counters{2798, 1, 81543243, 1631, 2, 123460, 3}));
    EXPECT_EQ(reading[2].counters[BytesIn], kMax);
    EXPECT_EQ(reading[4].counters, (Counters{1, 2, 3, 4, 5, 6, 7}));
}

TEST(NetDevCounters, SumsWhatEachCountedInterfaceGainedScaledToOneInterval) {
    const std::tuple<const char*, std::string, std::string, Counters> rows[] = {  // what; before; after; sum
        {"two interfaces add up", interface("eth0", {0, 0, 100, 0, 0, 100, 0}) + interface("wlan0", {0, 0, 50, 0, 0, 50, 0}),
         interface("eth0", {1, 0, 300, 1, 0, 150, 0}) + interface("wlan0", {2, 0, 90, 2, 0, 51, 0}), {3, 0, 240, 3, 0, 51, 0}},
        {"one that appears adds nothing yet", interface("eth0", {0, 0, 100, 0, 0, 100, 0}),
         interface("eth0", {0, 0, 200, 0, 0, 100, 0}) + interface("wlan0", {9, 9, 999, 9, 9, 999, 9}), {0, 0, 100, 0, 0, 0, 0}},
        {"one that vanishes adds nothing", interface("eth0", {0, 0, 100, 0, 0, 100, 0}) + interface("wlan0", {9, 9, 9, 9, 9, 9, 9}),
         interface("eth0", {0, 0, 100, 0, 0, 700, 0}), {0, 0, 0, 0, 0, 600, 0}},
        {"a counter that goes backwards adds 0", interface("eth0", {50, 5, 5000, 60, 6, 6000, 7}),
         interface("eth0", {0, 5, 10, 61, 6, 6100, 7}), {0, 0, 0, 1, 0, 100, 0}},
        {"sums stop at the largest value", interface("eth0", {0, 0, 0, 0, 0, 0, 0}) + interface("wlan0", {0, 0, 0, 0, 0, 0, 0}),
         interface("eth0", {0, 0, kMax, 0, 0, 0, 0}) + interface("wlan0", {0, 0, 10, 0, 0, 0, 0}), {0, 0, kMax, 0, 0, 0, 0}},
        {"what docker0 and lo carry does not count", interface("docker0", {0, 0, 0, 0, 0, 0, 0}) + interface("lo", {}),
         interface("docker0", {5, 5, 5, 5, 5, 5, 5}) + interface("lo", {9, 9, 9, 9, 9, 9, 9}), {}},
    };
    for (const auto& [what, before, after, sum] : rows)
        EXPECT_EQ(sumIncreases(parseNetDev(before), parseNetDev(after), {"eth0", "wlan0"}), sum) << what;
    const std::tuple<std::uint64_t, std::int64_t, std::uint64_t> scalings[] = {  // counted, in ns, in one second
        {1100, 1'100'000'000, 1000}, {900, 900'000'000, 1000}, {3, 2'000'000'000, 2}, {7, 0, 7}, {kMax, 1, kMax}};
    for (const auto& [counted, elapsedNs, expected] : scalings)
        EXPECT_EQ(scaleToInterval({counted, 0, 0, 0, 0, 0, 0}, elapsedNs, 1'000'000'000)[PacketsIn], expected) << counted;
}

TEST(CountedInterfaces, AreThoseBackedByADeviceElseAllButLoopbackAndOnlyValidNames) {
    // The kernel's interfaces, each NAME or NAME:ENTRY,ENTRY with what its sysfs folder holds.
    const std::pair<const char*, const char*> rows[] = {
        {"docker0:bridge eth0:device lo tun0:tun_flags veth3f2a:brport wg0 wlan0:device,phy80211", "eth0 wlan0"},
        {"bond0:bonding eth0:device,master eth1:device,master eth1.10", "eth0 eth1"},
        {"br0:bridge enp3s0:device,master tap0:tun_flags vnet0 usb0:device wwan0:device", "enp3s0 usb0 wwan0"},
        {"br0:bridge lo veth0:brport veth1:brport", "br0 veth0 veth1"},  // no device anywhere: all but lo
        {"lo", ""},
    };
    for (const auto& [tree, counted] : rows) {
        QTemporaryDir root;
        std::vector<std::string> names;
        for (const QString& interface : QString(tree).split(' ')) {
            names.push_back(interface.section(':', 0, 0).toStdString());
            for (const QString& entry : interface.section(':', 1).split(',', Qt::SkipEmptyParts))
                QDir().mkpath(root.filePath(interface.section(':', 0, 0) + '/' + entry));
        }
        std::string found;
        for (const std::string& name : automaticInterfaces(names, root.path().toStdString())) found += (found.empty() ? "" : " ") + name;
        EXPECT_EQ(found, counted) << tree;
    }
    // The kernel's rule for names; what breaks it is never counted nor passed on.
    for (const char* name : {"eth0", "a", "abcdefghijklmno", "...", "$(reboot)", "`id`", "a;b", "'\"", "\xc3\xa9"})
        EXPECT_TRUE(counters::isValidInterfaceName(name)) << name;
    for (const char* name : {"", ".", "..", "abcdefghijklmnop", "a/b", "a:b", "a b", "a\tb", "a\nb", "\x01", "x\x7f", "a\xc2\xa0"})
        EXPECT_FALSE(counters::isValidInterfaceName(name)) << name;
}

TEST(NetstatTool, PrintsWhatMovedEachIntervalAndNoSpikeAfterTheFileWasUnreadable) {
    QTemporaryDir dir;
    const QString file = dir.filePath("net-dev");
    std::uint64_t received = 1000000;
    const auto write = [&](std::uint64_t more) {  // replaced whole, so the tool never reads half of it
        QSaveFile counters(file);
        counters.open(QIODevice::WriteOnly);
        counters.write(QByteArray::fromStdString(interface("eth0", {0, 0, received += more, 0, 0, 0, 0})));
        counters.commit();
    };
    write(0);
    QProcess tool;
    tool.start(RATELARK_TEST_BIN_DIR "/ratelark-netstat", {"--file", file, "0.3"});
    const auto next = [&] {  // the next line's bytes received; -1 when none comes
        while (!tool.canReadLine())
            if (!tool.waitForReadyRead(10000)) return qint64(-1);
        return tool.readLine().simplified().split(' ').value(BytesIn).toLongLong();
    };
    EXPECT_EQ(next(), 0) << "the first line is a difference, not the totals since boot";
    write(20000);
    qint64 moved = 0;
    for (int tick = 0; tick < 30 && moved == 0; ++tick) moved = next();
    EXPECT_NEAR(moved, 20000, 15000) << "scaled to one interval by the time measured";
    EXPECT_EQ(next(), 0) << "a step shows once";

    QFile::remove(file);
    QByteArray errors;
    ASSERT_TRUE(testing::waitUntil([&] { return (errors += tool.readAllStandardError()).contains('\n'); }));
    for (int tick = 0; tick < 3; ++tick) EXPECT_EQ(next(), 0);
    write(90000000);
    for (int tick = 0; tick < 2; ++tick) EXPECT_EQ(next(), 0) << "the outage is no spike";
    errors += tool.readAllStandardError();
    EXPECT_EQ(errors.count('\n'), 1) << errors.toStdString();
    EXPECT_TRUE(errors.contains("cannot read " + file.toUtf8())) << errors.toStdString();

    QFile::remove(file);  // a file that never ends: read up to a bound, not without end
    QFile::link("/dev/zero", file);
    for (int tick = 0; tick < 2; ++tick) EXPECT_EQ(next(), 0);
    errors += tool.readAllStandardError();
    EXPECT_TRUE(errors.contains(": File too large")) << errors.toStdString();
}

// Stopped for five intervals while the counters rise steadily, the tool's
// next line is one interval's worth: divided by the nominal interval it
// would be six.
TEST(NetstatTool, AfterAStopTheNextLineIsOneIntervalsWorth) {
    QTemporaryDir dir;
    const QString file = dir.filePath("net-dev");
    constexpr double kBytesPerSecond = 1e6, kInterval = 0.2;
    QElapsedTimer clock;
    clock.start();
    const auto write = [&] {
        QSaveFile counters(file);
        counters.open(QIODevice::WriteOnly);
        const auto received = std::uint64_t(kBytesPerSecond * double(clock.nsecsElapsed()) / 1e9);
        counters.write(QByteArray::fromStdString(interface("eth0", {0, 0, received, 0, 0, 0, 0})));
        counters.commit();
    };
    write();
    QTimer rising;
    QObject::connect(&rising, &QTimer::timeout, write);
    rising.start(5);
    QProcess tool;
    tool.start(RATELARK_TEST_BIN_DIR "/ratelark-netstat", {"--file", file, QString::number(kInterval)});
    const auto next = [&] {
        if (!testing::waitUntil([&] { return tool.canReadLine(); })) return qint64(-1);
        return tool.readLine().simplified().split(' ').value(BytesIn).toLongLong();
    };
    for (int line = 0; line < 3; ++line) next();
    ::kill(pid_t(tool.processId()), SIGSTOP);
    testing::spin(int(5 * kInterval * 1000));
    testing::spin(0);
    tool.readAllStandardOutput();  // what it wrote before the stop
    ::kill(pid_t(tool.processId()), SIGCONT);
    EXPECT_NEAR(double(next()), kBytesPerSecond * kInterval, 0.35 * kBytesPerSecond * kInterval);
}

TEST(NetstatTool, CountsTheDeviceBackedOrTheNamedInterfacesAndTakesInNewOnes) {
    QTemporaryDir dir;
    const QString file = dir.filePath("net-dev");
    const auto write = [&](std::uint64_t eth0, std::uint64_t docker0, std::uint64_t usb0 = 0) {
        QSaveFile counters(file);
        counters.open(QIODevice::WriteOnly);
        counters.write(QByteArray::fromStdString(interface("eth0", {0, 0, eth0, 0, 0, 0, 0}) + interface("docker0", {0, 0, docker0, 0, 0, 0, 0}) +
                                                 (usb0 ? interface("usb0", {0, 0, usb0, 0, 0, 0, 0}) : "")));
        counters.commit();
    };
    QDir().mkpath(dir.filePath("sys/eth0/device"));
    write(1000, 1000);
    QProcess automatic, chosen;
    automatic.start(RATELARK_TEST_BIN_DIR "/ratelark-netstat", {"--sysfs", dir.filePath("sys"), "--file", file, "0.2"});
    chosen.start(RATELARK_TEST_BIN_DIR "/ratelark-netstat", {"--interface", "docker0", "--interface", "usb0", "--file", file, "0.2"});
    const auto nextChange = [](QProcess& tool) {  // bytes received in the next line that has any
        for (int line = 0; line < 50; ++line) {
            while (!tool.canReadLine())
                if (!tool.waitForReadyRead(10000)) return qint64(-1);
            if (const qint64 bytes = tool.readLine().simplified().split(' ').value(BytesIn).toLongLong()) return bytes;
        }
        return qint64(0);
    };
    for (QProcess* tool : {&automatic, &chosen})  // each has taken its first reading
        ASSERT_TRUE(tool->waitForReadyRead(10000)) << tool->readAllStandardError().toStdString();
    write(4000, 6000);
    EXPECT_NEAR(nextChange(automatic), 3000, 2000) << "the device-backed eth0 alone";
    EXPECT_NEAR(nextChange(chosen), 5000, 3000) << "the chosen docker0 alone";
    // A USB modem plugged in joins both sets, from its second reading on.
    QDir().mkpath(dir.filePath("sys/usb0/device"));
    write(4000, 6000, 9000000);
    testing::spin(600);
    write(4000, 6000, 9070000);
    EXPECT_NEAR(nextChange(automatic), 70000, 50000);
    EXPECT_NEAR(nextChange(chosen), 70000, 50000);
}

}  // namespace
}  // namespace ratelark
