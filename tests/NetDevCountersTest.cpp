#include "tools/CountedInterfaces.h"
#include "tools/NetDevCounters.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace ratelark::netstat {
namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

// Two lines of headings and one line per interface, as the kernel writes them.
const char* const kHeadings =
    "Inter-|   Receive                                                |  Transmit\n"
    " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs drop fifo colls "
    "carrier compressed\n";

// A /proc/net/dev line whose sixteen fields are the given numbers, with the
// usual leading blanks before short names.
std::string line(const std::string& name, const std::array<std::uint64_t, 16>& fields) {
    std::string text = name.size() < 6 ? std::string(6 - name.size(), ' ') + name : name;
    text += ':';
    for (const std::uint64_t field : fields) text += ' ' + std::to_string(field);
    return text + '\n';
}

// An interface line with the seven reported counters set and the rest given
// distinct values that must not show up anywhere.
std::string interface(const std::string& name, const Counters& c) {
    return line(name, {c[BytesIn], c[PacketsIn], c[ErrsIn], 901, 902, 903, 904, 905, c[BytesOut], c[PacketsOut],
                       c[ErrsOut], 906, 907, c[Colls], 908, 909});
}

TEST(NetDevCounters, PicksTheSevenColumnsOfEachInterface) {
    const Reading reading = parseNetDev(std::string(kHeadings) + interface("eth0", {1, 2, 3, 4, 5, 6, 7}));
    ASSERT_EQ(reading.size(), 1u);
    EXPECT_EQ(reading[0].name, "eth0");
    EXPECT_EQ(reading[0].counters, (Counters{1, 2, 3, 4, 5, 6, 7}));
}

TEST(NetDevCounters, ParsesTheKernelsOwnLayout) {
    const Reading reading = parseNetDev(
        std::string(kHeadings) +
        "    lo:    3267      29    0    0    0     0          0         0     3267      29    0    0    0     0       0          0\n"
        "  eth0: 81543243    2798    1    0    0     0          0         0   123460    1631    2    0    0     3       0          0\n");
    ASSERT_EQ(reading.size(), 2u);
    EXPECT_EQ(reading[0].name, "eth0");
    EXPECT_EQ(reading[0].counters, (Counters{2798, 1, 81543243, 1631, 2, 123460, 3}));
}

TEST(NetDevCounters, SplitsAtTheFirstColonSoLongNamesKeepTheirFirstCounter) {
    // A name of more than six characters runs straight into the colon.
    const std::string text = std::string(kHeadings) + "enp0s31f6-longname:123456 7 0 0 0 0 0 0 654321 8 0 0 0 0 0 0\n" +
                             "veth:a:b: 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\n";
    const Reading reading = parseNetDev(text);
    ASSERT_EQ(reading.size(), 1u) << "a name cannot hold a colon, so the second line has too few numbers";
    EXPECT_EQ(reading[0].name, "enp0s31f6-longname");
    EXPECT_EQ(reading[0].counters[BytesIn], 123456u);
    EXPECT_EQ(reading[0].counters[BytesOut], 654321u);
}

TEST(NetDevCounters, SkipsLinesThatAreNotWholeInterfaceLines) {
    const std::string text = std::string(kHeadings) +
                             "  eth0: 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15\n"          // one number short
                             "  eth1: 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 x\n"        // not a number
                             "  eth2: 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 -16\n"      // negative
                             "  eth3: 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 99999999999999999999\n"  // beyond 64 bits
                             "      : 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\n"       // no name
                             "no colon at all\n"
                             "\n"
                             "  eth4: 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17\n";   // a seventeenth field is fine
    const Reading reading = parseNetDev(text);
    ASSERT_EQ(reading.size(), 1u);
    EXPECT_EQ(reading[0].name, "eth4");
}

TEST(NetDevCounters, ReadsTheLargestCounterAndALastLineWithoutBreak) {
    const std::string text = "  eth0: 18446744073709551615 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0";
    const Reading reading = parseNetDev(text);
    ASSERT_EQ(reading.size(), 1u);
    EXPECT_EQ(reading[0].counters[BytesIn], kMax);
}

TEST(NetDevCounters, KeepsOneEntryPerNameSortedByName) {
    const Reading reading = parseNetDev(interface("wlan0", {1, 1, 1, 1, 1, 1, 1}) +
                                        interface("eth0", {2, 2, 2, 2, 2, 2, 2}) +
                                        interface("eth0", {3, 3, 3, 3, 3, 3, 3}));
    ASSERT_EQ(reading.size(), 2u);
    EXPECT_EQ(reading[0].name, "eth0");
    EXPECT_EQ(reading[0].counters[BytesIn], 2u) << "the first of two lines of one name counts";
    EXPECT_EQ(reading[1].name, "wlan0");
}

TEST(NetDevCounters, EmptyOrGarbledTextHasNoInterfaces) {
    EXPECT_TRUE(parseNetDev("").empty());
    EXPECT_TRUE(parseNetDev(kHeadings).empty());
    EXPECT_TRUE(parseNetDev(std::string("\0\xff:\x01", 4)).empty());
}

struct IncreaseCase {
    const char* what;
    std::string previous;
    std::string current;
    Counters expected;
};

void PrintTo(const IncreaseCase& c, std::ostream* out) { *out << c.what; }

class NetDevIncreases : public ::testing::TestWithParam<IncreaseCase> {};

TEST_P(NetDevIncreases, SumsWhatEachInterfaceGained) {
    const IncreaseCase& c = GetParam();
    // No sysfs: every interface but the loopback counts.
    const Reading current = parseNetDev(c.current);
    EXPECT_EQ(sumIncreases(parseNetDev(c.previous), current, automaticInterfaces(namesOf(current), "/nonexistent")),
              c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, NetDevIncreases,
    ::testing::Values(
        IncreaseCase{"one interface",
                     interface("eth0", {10, 1, 1000, 20, 2, 2000, 3}),
                     interface("eth0", {15, 2, 1500, 30, 4, 2600, 4}),
                     {5, 1, 500, 10, 2, 600, 1}},
        IncreaseCase{"two interfaces add up",
                     interface("eth0", {0, 0, 100, 0, 0, 100, 0}) + interface("wlan0", {0, 0, 50, 0, 0, 50, 0}),
                     interface("eth0", {1, 0, 300, 1, 0, 150, 0}) + interface("wlan0", {2, 0, 90, 2, 0, 51, 0}),
                     {3, 0, 240, 3, 0, 51, 0}},
        IncreaseCase{"an interface that appears adds nothing at its first reading",
                     interface("eth0", {0, 0, 100, 0, 0, 100, 0}),
                     interface("eth0", {0, 0, 200, 0, 0, 100, 0}) + interface("tun0", {9, 9, 999999, 9, 9, 999999, 9}),
                     {0, 0, 100, 0, 0, 0, 0}},
        IncreaseCase{"an interface that vanishes adds nothing",
                     interface("eth0", {0, 0, 100, 0, 0, 100, 0}) + interface("tun0", {9, 9, 999999, 9, 9, 999999, 9}),
                     interface("eth0", {0, 0, 100, 0, 0, 700, 0}),
                     {0, 0, 0, 0, 0, 600, 0}},
        IncreaseCase{"a counter that goes backwards adds 0, the others still count",
                     interface("eth0", {50, 5, 5000, 60, 6, 6000, 7}),
                     interface("eth0", {0, 5, 10, 61, 6, 6100, 7}),
                     {0, 0, 0, 1, 0, 100, 0}},
        IncreaseCase{"a re-created interface starts again below its old counters",
                     interface("veth1", {100, 0, 1u << 30, 100, 0, 1u << 30, 0}),
                     interface("veth1", {1, 0, 60, 1, 0, 60, 0}),
                     {0, 0, 0, 0, 0, 0, 0}},
        IncreaseCase{"a counter at the 64-bit top wrapping to a small value adds 0",
                     interface("eth0", {0, 0, kMax, 0, 0, 0, 0}),
                     interface("eth0", {0, 0, 5, 0, 0, 0, 0}),
                     {0, 0, 0, 0, 0, 0, 0}},
        IncreaseCase{"the whole 64-bit range is one increase",
                     interface("eth0", {0, 0, 0, 0, 0, 0, 0}),
                     interface("eth0", {0, 0, kMax, 0, 0, 0, 0}),
                     {0, 0, kMax, 0, 0, 0, 0}},
        IncreaseCase{"sums stop at the largest value",
                     interface("eth0", {0, 0, 0, 0, 0, 0, 0}) + interface("eth1", {0, 0, 0, 0, 0, 0, 0}),
                     interface("eth0", {0, 0, kMax, 0, 0, 0, 0}) + interface("eth1", {0, 0, 10, 0, 0, 0, 0}),
                     {0, 0, kMax, 0, 0, 0, 0}},
        IncreaseCase{"loopback never counts",
                     interface("lo", {0, 0, 0, 0, 0, 0, 0}),
                     interface("lo", {5, 5, 5000, 5, 5, 5000, 5}),
                     {0, 0, 0, 0, 0, 0, 0}},
        IncreaseCase{"nothing read before", "", interface("eth0", {1, 1, 1, 1, 1, 1, 1}), {0, 0, 0, 0, 0, 0, 0}}));

struct ScaleCase {
    std::uint64_t value;
    std::int64_t elapsedNs;
    std::int64_t intervalNs;
    std::uint64_t expected;
};

void PrintTo(const ScaleCase& c, std::ostream* out) {
    *out << c.value << " in " << c.elapsedNs << " ns for " << c.intervalNs << " ns";
}

class NetDevScaling : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(NetDevScaling, GivesTheAmountOfExactlyOneInterval) {
    const ScaleCase& c = GetParam();
    const Counters scaled = scaleToInterval({c.value, 0, c.value, 0, 0, c.value, 0}, c.elapsedNs, c.intervalNs);
    EXPECT_EQ(scaled[PacketsIn], c.expected);
    EXPECT_EQ(scaled[BytesIn], c.expected);
    EXPECT_EQ(scaled[BytesOut], c.expected);
    EXPECT_EQ(scaled[ErrsIn], 0u);
}

INSTANTIATE_TEST_SUITE_P(Table, NetDevScaling,
                         ::testing::Values(ScaleCase{1000, 1'000'000'000, 1'000'000'000, 1000},   // on time
                                           ScaleCase{1100, 1'100'000'000, 1'000'000'000, 1000},   // a late tick
                                           ScaleCase{900, 900'000'000, 1'000'000'000, 1000},      // an early one
                                           ScaleCase{3, 2'000'000'000, 1'000'000'000, 2},         // 1.5 rounds up
                                           ScaleCase{1, 3'000'000'000, 1'000'000'000, 0},         // 0.33 rounds down
                                           ScaleCase{500, 250'000'000, 500'000'000, 1000},        // half-second interval
                                           ScaleCase{0, 1'234'567, 1'000'000'000, 0},
                                           ScaleCase{7, 0, 1'000'000'000, 7},                     // no time measured
                                           ScaleCase{kMax, 1, 1'000'000'000, kMax}));             // saturates

TEST(NetDevCounters, FormatsSevenIntegersSeparatedBySpaces) {
    EXPECT_EQ(formatLine({1, 0, 1000, 2, 0, 200, 0}),
              "          1          0       1000          2          0        200          0\n");
    const std::string wide = formatLine({kMax, 0, 0, 0, 0, 0, 12345678901});
    EXPECT_EQ(wide, " 18446744073709551615          0          0          0          0          0 12345678901\n");
}

struct IntervalCase {
    const char* text;
    std::int64_t expectedNs;
};

void PrintTo(const IntervalCase& c, std::ostream* out) { *out << '"' << c.text << '"'; }

class NetDevInterval : public ::testing::TestWithParam<IntervalCase> {};

TEST_P(NetDevInterval, AcceptsPositiveSecondsUpToADay) {
    EXPECT_EQ(parseIntervalNs(GetParam().text), GetParam().expectedNs) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Table, NetDevInterval,
                         ::testing::Values(IntervalCase{"1", 1'000'000'000}, IntervalCase{"2", 2'000'000'000},
                                           IntervalCase{"0.5", 500'000'000}, IntervalCase{"0.01", 10'000'000},
                                           IntervalCase{"86400", 86'400'000'000'000}, IntervalCase{"0", 0},
                                           IntervalCase{"-1", 0}, IntervalCase{"0.001", 0},
                                           IntervalCase{"86401", 0}, IntervalCase{"", 0}, IntervalCase{"abc", 0},
                                           IntervalCase{"1s", 0}, IntervalCase{" 1", 0}, IntervalCase{"nan", 0},
                                           IntervalCase{"inf", 0}));

}  // namespace
}  // namespace ratelark::netstat
