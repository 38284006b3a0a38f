#include "app/PreferenceKeys.h"
#include "present/SizeFormat.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <optional>
#include <vector>

namespace ratelark {
namespace {

using testing::Harness;
using testing::waitUntil;
using testing::writeBashScript;

// The title a display update shows for these means, in KB as the tests
// choose the display type.
QString titleFor(double download, double upload) {
    return formatSizeText(download, false, showtype::kilo) + QLatin1Char('|') +
           formatSizeText(upload, false, showtype::kilo);
}

std::optional<QString> shownTitle(Harness& harness) {
    const auto* item = harness.statusBar->last();
    if (!item || !item->title) return std::nullopt;
    return item->title->text;
}

int titleSets(Harness& harness) { return harness.statusBar->last() ? harness.statusBar->last()->titleSets : 0; }

// What the screen showed after each line of a sampler script.
struct Step {
    std::int64_t speedCount;
    std::optional<QString> title;
    int titleSets;
};

// Runs a sampler that prints the lines one at a time, each as a chunk of its
// own: it prints the next only once the test has seen the previous one counted.
std::vector<Step> runSampler(const QStringList& lines, qint64 refreshInterval) {
    QTemporaryDir dir;
    const QString script = dir.path() + QStringLiteral("/sampler");
    QByteArray body = "D='" + dir.path().toUtf8() + "'\ni=0\nwhile IFS= read -r line; do\n"
                      "  i=$((i+1)); printf '%s\\n' \"$line\"\n"
                      "  while [ ! -e \"$D/go$i\" ]; do sleep 0.02; done\n"
                      "done <<'LINES'\n";
    for (const QString& line : lines) body += line.toUtf8() + '\n';
    body += "LINES\nexec sleep 1000\n";
    writeBashScript(script, body);

    Harness::Options options;
    options.samplerTool = script;
    Harness harness(options);
    harness.settings().setInteger(refreshInterval, keys::refreshInterval);
    harness.settings().setInteger(showtype::kilo, keys::showType);
    AppController& c = harness.controller();
    harness.start();

    std::vector<Step> steps;
    const qint64 perUpdate = std::max<qint64>(refreshInterval, 1);
    for (int i = 1; i <= lines.size(); ++i) {
        const bool counted = waitUntil([&] { return titleSets(harness) * perUpdate + c.speedCount() == i; });
        EXPECT_TRUE(counted) << "line " << i << " was not counted as one sample";
        if (!counted) break;
        steps.push_back({c.speedCount(), shownTitle(harness), titleSets(harness)});
        QFile(dir.path() + QStringLiteral("/go%1").arg(i)).open(QIODevice::WriteOnly);
    }
    return steps;
}

TEST(SpeedComputation, IntervalOneShowsEachSampleItself) {
    const auto steps = runSampler({QStringLiteral("  1  0  1024  1  0  2048  0"),
                                   QStringLiteral("  1  0  5120  1  0     0  0"),
                                   QStringLiteral("  1  0     0  1  0   512  0"),
                                   QStringLiteral("  1  0  1250000000  1  0  2147483648  0")},
                                  1);
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[0].title, titleFor(1024, 2048));
    EXPECT_EQ(steps[1].title, titleFor(5120, 0));
    EXPECT_EQ(steps[2].title, titleFor(0, 512));
    EXPECT_EQ(steps[3].title, titleFor(1250000000, 2147483648)) << "10 GbE at line rate, and 2^31 bytes, are shown";
    for (const Step& step : steps) EXPECT_EQ(step.speedCount, 0);
}

TEST(SpeedComputation, IntervalTwoShowsTheWorkedExample) {
    const auto steps = runSampler({QStringLiteral("      27     0      1000     23     0       200     0"),
                                   QStringLiteral("      31     0      3000     25     0       600     0")},
                                  2);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].speedCount, 1);
    EXPECT_EQ(steps[0].titleSets, 0) << "nothing is shown after the first sample";
    EXPECT_EQ(steps[1].speedCount, 0);
    EXPECT_EQ(steps[1].title, titleFor(2000, 400));
}

TEST(SpeedComputation, IntervalFiveShowsTheMeanOfFiveSamples) {
    const auto steps = runSampler({QStringLiteral("1 0 1024 1 0 0 0"), QStringLiteral("1 0 2048 1 0 0 0"),
                                   QStringLiteral("1 0 3072 1 0 0 0"), QStringLiteral("1 0 4096 1 0 0 0"),
                                   QStringLiteral("1 0 5120 1 0 51200 0"), QStringLiteral("1 0 9216 1 0 0 0")},
                                  5);
    ASSERT_EQ(steps.size(), 6u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(steps[i].titleSets, 0) << "sample " << i + 1;
        EXPECT_EQ(steps[i].speedCount, i + 1);
    }
    EXPECT_EQ(steps[4].title, titleFor(3072, 10240));
    EXPECT_EQ(steps[5].speedCount, 1) << "the next period starts afresh";
    EXPECT_EQ(steps[5].titleSets, 1);
}

// Direct calls, for what a script need not show.
class SpeedAccumulators : public ::testing::Test {
protected:
    void SetUp() override {
        harness.settings().setInteger(showtype::kilo, keys::showType);
        harness.start();
    }
    void setInterval(qint64 value) { harness.settings().setInteger(value, keys::refreshInterval); }

    Harness harness;
    AppController& c = harness.controller();
};

TEST_F(SpeedAccumulators, ZeroAndNegativeIntervalsShowEverySample) {
    for (const qint64 interval : {0, -1, -30}) {
        setInterval(interval);
        c.getMBS("1 0 2048 1 0 1024 0\n");
        EXPECT_EQ(shownTitle(harness), titleFor(2048, 1024)) << interval;
        EXPECT_EQ(c.speedCount(), 0);
    }
}

TEST_F(SpeedAccumulators, ASampleAboveTwoToTheFortyAddsNothingButCounts) {
    setInterval(5);
    c.getMBS("0 0 1099511627776 0 0 1099511627777 0\n");
    EXPECT_EQ(c.speedIn(), 1099511627776.0) << "exactly 2^40 is kept";
    EXPECT_EQ(c.speedOut(), 0.0);
    EXPECT_EQ(c.speedCount(), 1);

    c.getMBS("0 0 5 0 0 7 0\n");
    EXPECT_EQ(c.speedIn(), 1099511627781.0) << "a sum above 2^40 is kept: the bound is per sample";
    EXPECT_EQ(c.speedOut(), 7.0);
    EXPECT_EQ(c.speedCount(), 2);

    c.getMBS("0 0 1e400 0 0 -1e400 0\n");
    EXPECT_EQ(c.speedIn(), 1099511627781.0) << "numbers beyond any double add nothing";
    EXPECT_EQ(c.speedOut(), 7.0);
    EXPECT_EQ(c.speedCount(), 3);
}

TEST_F(SpeedAccumulators, AnOversizedSampleLeavesTheRestOfThePeriodInTheMean) {
    setInterval(3);
    c.getMBS("1 0 1024 1 0 2048 0\n");
    c.getMBS("1 0 9999999999999 1 0 2048 0\n");
    c.getMBS("1 0 2048 1 0 2048 0\n");
    EXPECT_EQ(shownTitle(harness), titleFor(1024, 2048));
}

TEST_F(SpeedAccumulators, HeadingsAndShortChunksCountAsEmptySamples) {
    setInterval(3);
    c.getMBS("   packets  errs      bytes    packets  errs      bytes colls\n   27 0 1000 23 0 200 0\n");
    EXPECT_EQ(c.speedCount(), 1);
    EXPECT_EQ(c.speedIn(), 0.0);
    c.getMBS("1 2");
    c.getMBS("\xff\xfe");
    EXPECT_EQ(shownTitle(harness), titleFor(0, 0));
}

TEST_F(SpeedAccumulators, TheIntervalIsReadAtEveryChunk) {
    setInterval(5);
    for (int i = 0; i < 3; ++i) c.getMBS("1 0 3072 1 0 0 0\n");
    EXPECT_EQ(titleSets(harness), 0);
    setInterval(2);
    c.getMBS("1 0 7168 1 0 0 0\n");
    EXPECT_EQ(shownTitle(harness), titleFor(4096, 0)) << "the mean over all four samples";
    EXPECT_EQ(c.speedCount(), 0);
}

TEST_F(SpeedAccumulators, ALineSplitOverTwoChunksMakesTwoSamples) {
    setInterval(5);
    c.getMBS("      27     0      10");
    c.getMBS("00     23     0       200     0\n");
    EXPECT_EQ(c.speedCount(), 2);
    EXPECT_EQ(c.speedIn(), 10.0);
    EXPECT_EQ(c.speedOut(), 0.0);
}

}  // namespace
}  // namespace ratelark
