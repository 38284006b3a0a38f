#include "tests/support/Harness.h"
#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <vector>

namespace ratelark {
namespace {

using testing::waitUntil;

using testing::ProgramRun;
using testing::Sample;

struct Run {
    int start;
    int length;
    const char* color;
};

struct Expected {
    QString text;
    QString tooltip;
    std::vector<Run> runs;
};

void expectLine(const QByteArray& line, const Expected& expected) {
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(line, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
    EXPECT_EQ(object.value(QStringLiteral("text")).toString(), expected.text) << line.toStdString();
    EXPECT_EQ(object.value(QStringLiteral("tooltip")).toString(), expected.tooltip) << line.toStdString();
    EXPECT_EQ(object.value(QStringLiteral("class")).toString(), QStringLiteral("ratelark"));
    const QJsonArray runs = object.value(QStringLiteral("runs")).toArray();
    ASSERT_EQ(runs.size(), qsizetype(expected.runs.size())) << line.toStdString();
    for (size_t i = 0; i < expected.runs.size(); ++i) {
        const QJsonObject run = runs[qsizetype(i)].toObject();
        EXPECT_EQ(run.value(QStringLiteral("start")).toInt(), expected.runs[i].start) << line.toStdString();
        EXPECT_EQ(run.value(QStringLiteral("length")).toInt(), expected.runs[i].length) << line.toStdString();
        EXPECT_EQ(run.value(QStringLiteral("color")).toString(), QLatin1String(expected.runs[i].color))
            << line.toStdString();
    }
}

const QString kUp = QStringLiteral("\u2191");
const QString kDown = QStringLiteral("\u2193");
const Sample kTypical{12595, 1229};  // 12.3 KB down, 1.2 KB up

struct Case {
    const char* name;
    QByteArray settings;
    QString appearance;
    std::vector<Sample> samples;
    std::vector<Expected> lines;
};

std::vector<Case> cases() {
    return {
        {"defaults", "", QStringLiteral("light"), {kTypical},
         {{QStringLiteral("12.3 KB|1.2 KB"), QStringLiteral("1.2 KB\n12.3 KB"), {}}}},
        {"colours light", "colorIsRedBlue=1\n", QStringLiteral("light"), {kTypical},
         {{QStringLiteral("12.3 KB|1.2 KB"), QStringLiteral("1.2 KB\n12.3 KB"),
           {{0, 7, "blue"}, {7, 1, "black"}, {8, 6, "red"}}}}},
        {"colours dark, arrows, two lines", "colorIsRedBlue=1\nshowArrow=1\nupAndDown=1\n", QStringLiteral("dark"),
         {kTypical},
         {{kUp + QStringLiteral("1.2 KB   \n") + kDown + QStringLiteral("12.3 KB"),
           kUp + QStringLiteral("1.2 KB\n") + kDown + QStringLiteral("12.3 KB"),
           {{0, 10, "yellow"}, {10, 1, "white"}, {11, 8, "green"}}}}},
        {"download alone on two lines", "colorIsRedBlue=1\nonlyShowDownload=1\nupAndDown=1\n", QStringLiteral("light"),
         {kTypical}, {{QStringLiteral("12.3 KB"), QStringLiteral("1.2 KB\n12.3 KB"), {{0, 7, "red"}}}}},
        {"download alone dark in capitals", "colorIsRedBlue=1\nonlyShowDownload=1\n", QStringLiteral("DARK"),
         {kTypical}, {{QStringLiteral("12.3 KB"), QStringLiteral("1.2 KB\n12.3 KB"), {{0, 7, "green"}}}}},
        {"bits always mega", "bitsPerSecond=1\nshowType=2\n", QStringLiteral("light"), {kTypical},
         {{QStringLiteral("0.1 Mb|0.0 Mb"), QStringLiteral("0.0 Mb\n0.1 Mb"), {}}}},
        {"always kilo", "showType=1\n", QStringLiteral("light"), {{1000000000, 0}},
         {{QStringLiteral("976562.5 KB|0.0 KB"), QStringLiteral("0.0 KB\n976562.5 KB"), {}}}},
        {"fixed width without units keeps the widest", "useFixedWith=1\nshowKBMBGB=0\ncolorIsRedBlue=1\n",
         QStringLiteral("light"), {{1100000, 1000}, {1048576, 0}, {52, 0}},
         {{QStringLiteral("1.0|1.0"), QStringLiteral("1.0\n1.0"), {{0, 3, "blue"}, {3, 1, "black"}, {4, 3, "red"}}},
          {QStringLiteral("1024.0|0000.0"), QStringLiteral("0000.0\n1024.0"),
           {{0, 6, "blue"}, {6, 1, "black"}, {7, 6, "red"}}},
          {QStringLiteral("0000.1|0000.0"), QStringLiteral("0000.0\n0000.1"),
           {{0, 6, "blue"}, {6, 1, "black"}, {7, 6, "red"}}}}},
        {"averaged over two samples", "refreshInterval=2\nshowArrow=1\n", QStringLiteral("light"),
         {{1024, 0}, {3072, 2048}, {0, 0}, {0, 0}},
         {{kDown + QStringLiteral("2.0 KB|") + kUp + QStringLiteral("1.0 KB"),
           kUp + QStringLiteral("1.0 KB\n") + kDown + QStringLiteral("2.0 KB"), {}},
          {kDown + QStringLiteral("0.0 KB|") + kUp + QStringLiteral("0.0 KB"),
           kUp + QStringLiteral("0.0 KB\n") + kDown + QStringLiteral("0.0 KB"), {}}}},
        {"unknown display type without units", "showType=3\nshowKBMBGB=0\nupAndDown=1\n", QStringLiteral("light"),
         {kTypical}, {{QStringLiteral("B\nB"), QStringLiteral("B\nB"), {}}}},
        {"gigabytes in bits, fixed width, two lines",
         "bitsPerSecond=1\nuseFixedWith=1\nupAndDown=1\ncolorIsRedBlue=1\n",
         QStringLiteral("dark"), {{200000000, 1536}},
         {{QStringLiteral("12.0 Kb\n01.5 Gb"), QStringLiteral("12.0 Kb\n01.5 Gb"),
           {{0, 7, "yellow"}, {7, 1, "white"}, {8, 7, "green"}}}}},
    };
}

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class StatusLineEndToEnd : public ::testing::TestWithParam<Case> {};

TEST_P(StatusLineEndToEnd, WritesTheExpectedLines) {
    const Case& c = GetParam();
    ProgramRun run(c.settings, c.samples);
    run.environment().insert(QStringLiteral("RATELARK_APPEARANCE"), c.appearance);
    run.start({QStringLiteral("--status-line=json")});
    const QList<QByteArray> lines = run.lines(qsizetype(c.lines.size()));
    ASSERT_EQ(lines.size(), qsizetype(c.lines.size())) << run.statusLineLog().toStdString();
    for (size_t i = 0; i < c.lines.size(); ++i) {
        SCOPED_TRACE(::testing::Message() << "line " << i);
        expectLine(lines[qsizetype(i)], c.lines[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, StatusLineEndToEnd, ::testing::ValuesIn(cases()), [](const auto& info) {
    std::string name;
    for (const char* ch = info.param.name; *ch; ++ch)
        if (std::isalnum(static_cast<unsigned char>(*ch))) name += *ch;
    return name;
});

TEST(StatusLineProgram, TextModeWritesTheTitleOnOneLine) {
    ProgramRun run("showArrow=1\nupAndDown=1\n", {kTypical});
    run.start({QStringLiteral("--status-line")});
    const QList<QByteArray> lines = run.lines(1);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(QString::fromUtf8(lines[0]), kUp + QStringLiteral("1.2 KB ") + kDown + QStringLiteral("12.3 KB"));
}

TEST(StatusLineProgram, WithoutADisplayItRunsAsAStatusLineAndSaysSo) {
    ProgramRun run("", {kTypical, kTypical});
    run.environment().remove(QStringLiteral("DISPLAY"));
    run.environment().remove(QStringLiteral("WAYLAND_DISPLAY"));
    run.start({});
    const QList<QByteArray> lines = run.lines(2);
    ASSERT_EQ(lines.size(), 2) << run.statusLineLog().toStdString();
    EXPECT_EQ(lines[0], QByteArray("12.3 KB|1.2 KB"));
    EXPECT_EQ(lines[1], QByteArray("12.3 KB|1.2 KB"));
    const QString errors = QString::fromUtf8(run.process().readAllStandardError());
    EXPECT_EQ(errors.count(QLatin1Char('\n')), 1) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("no display"))) << errors.toStdString();
}

TEST(StatusLineProgram, AClosedOutputEndsTheProgramQuietly) {
    // The reader takes one line and goes; the shell reports how RateLark ended.
    ProgramRun run("", std::vector<Sample>(20, kTypical));
    run.start({QStringLiteral("-c"), QStringLiteral(R"("$0" --status-line=json | head -n 1; exit "${PIPESTATUS[0]}")"),
               ProgramRun::ratelarkPath()},
              QStringLiteral("/bin/bash"));
    ASSERT_TRUE(waitUntil([&] { return run.process().state() == QProcess::NotRunning; }, 30000));
    EXPECT_EQ(run.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.process().exitCode(), 0) << "128 + 13 would be death by SIGPIPE";
    EXPECT_EQ(run.process().readAllStandardOutput().count('\n'), 1);
    EXPECT_TRUE(run.process().readAllStandardError().isEmpty());
    EXPECT_TRUE(run.statusLineLog().contains(QStringLiteral("output is closed")));
}

}  // namespace
}  // namespace ratelark
