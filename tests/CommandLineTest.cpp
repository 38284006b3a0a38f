#include "app/CommandLine.h"
#include "platform/TextNumbers.h"
#include "platform/linux/UnameSystemVersion.h"

#include <gtest/gtest.h>

#include <QProcess>

namespace ratelark {
namespace {

struct ParseCase {
    QStringList arguments;
    CommandLine::Action action;
    StatusLineFormat format;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << '"' << c.arguments.join(' ').toStdString() << '"'; }

class CommandLineParsing : public ::testing::TestWithParam<ParseCase> {};

TEST_P(CommandLineParsing, ReadsTheOptions) {
    const CommandLine result = parseCommandLine(GetParam().arguments);
    EXPECT_EQ(result.action, GetParam().action) << GetParam().arguments.join(' ').toStdString();
    EXPECT_EQ(result.statusLine, GetParam().format);
    EXPECT_EQ(result.error.isEmpty(), result.action != CommandLine::Action::Error);
}

using A = CommandLine::Action;
using F = StatusLineFormat;
INSTANTIATE_TEST_SUITE_P(
    Options, CommandLineParsing,
    ::testing::Values(ParseCase{{}, A::Run, F::None}, ParseCase{{"--help"}, A::Help, F::None},
                      ParseCase{{"--version"}, A::Version, F::None},
                      ParseCase{{"--status-line"}, A::Run, F::Text},
                      ParseCase{{"--status-line=text"}, A::Run, F::Text},
                      ParseCase{{"--status-line=json"}, A::Run, F::Json},
                      ParseCase{{"--status-line=xml"}, A::Error, F::None},
                      ParseCase{{"--frobnicate"}, A::Error, F::None}, ParseCase{{"extra"}, A::Error, F::None},
                      ParseCase{{"--version", "--help"}, A::Help, F::None}));

TEST(CommandLine, UnknownOptionExitsWithStatusTwoAndUsage) {
    QProcess program;
    program.start(QStringLiteral(RATELARK_TEST_BIN_DIR "/ratelark"), {QStringLiteral("--frobnicate")});
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitCode(), 2);
    const QStringList lines = QString::fromLocal8Bit(program.readAllStandardError()).split(QLatin1Char('\n'));
    EXPECT_EQ(lines.value(0), QStringLiteral("ratelark: unknown option '--frobnicate'"));
    EXPECT_TRUE(lines.value(1).startsWith(QStringLiteral("Usage: ratelark")));
    EXPECT_TRUE(program.readAllStandardOutput().isEmpty());
}

struct ReleaseCase {
    const char* release;
    VersionNumbers numbers;
};

void PrintTo(const ReleaseCase& c, std::ostream* os) { *os << '"' << c.release << '"'; }

class KernelRelease : public ::testing::TestWithParam<ReleaseCase> {};

TEST_P(KernelRelease, GivesEachNumberOnItsOwn) {
    const VersionNumbers v = parseKernelRelease(QByteArrayView(GetParam().release));
    EXPECT_EQ(v.major, GetParam().numbers.major) << GetParam().release;
    EXPECT_EQ(v.minor, GetParam().numbers.minor) << GetParam().release;
    EXPECT_EQ(v.bugFix, GetParam().numbers.bugFix) << GetParam().release;
}

INSTANTIATE_TEST_SUITE_P(Releases, KernelRelease,
                         ::testing::Values(ReleaseCase{"6.1.0-18-amd64", {6, 1, 0}}, ReleaseCase{"5.15", {5, 15, 0}},
                                           ReleaseCase{"6.18.44+deb13", {6, 18, 44}}, ReleaseCase{"", {0, 0, 0}},
                                           ReleaseCase{"weird", {0, 0, 0}},
                                           ReleaseCase{"4.19.999999999999", {4, 19, 999999999}}));

struct NumberCase {
    const char* text;
    double value;
};

void PrintTo(const NumberCase& c, std::ostream* os) { *os << '"' << QByteArray(c.text).toPercentEncoding().toStdString() << '"'; }

class LeadingNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(LeadingNumber, IsReadFromTheStartOfTheText) {
    EXPECT_DOUBLE_EQ(doubleValue(QByteArrayView(GetParam().text)), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, LeadingNumber,
                         ::testing::Values(NumberCase{"2048", 2048}, NumberCase{"  12.5\n", 12.5},
                                           NumberCase{"-3.25x", -3.25}, NumberCase{"+7", 7}, NumberCase{".5", 0.5},
                                           NumberCase{"1e3", 1000}, NumberCase{"1e", 1}, NumberCase{"abc", 0},
                                           NumberCase{"", 0}, NumberCase{"-", 0}, NumberCase{".", 0},
                                           NumberCase{"\n1536.44\n", 1536.44}, NumberCase{"0x1A", 0},
                                           NumberCase{"1e-400", 0}));

TEST(TextNumbers, OneDecimalIsTheSameInEveryLocale) {
    EXPECT_EQ(formatOneDecimal(1536.44), QStringLiteral("1536.4"));
    EXPECT_EQ(formatOneDecimal(-0.04), QStringLiteral("-0.0"));
    EXPECT_EQ(formatOneDecimal(0.25), QStringLiteral("0.2"));
    EXPECT_EQ(formatOneDecimal(1e20), QStringLiteral("100000000000000000000.0"));
}

}  // namespace
}  // namespace ratelark
