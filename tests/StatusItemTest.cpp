#include "tests/support/Harness.h"

#include <gtest/gtest.h>

namespace ratelark {
namespace {

using testing::Harness;

AttributedText titled(const QString& text) {
    AttributedText title;
    title.text = text;
    return title;
}

void dirtyAccumulators(AppController& c) {
    c.setSpeedCount(3);
    c.setSpeedIn(42.0);
    c.setSpeedOut(17.0);
}

void expectAccumulatorsZero(const AppController& c) {
    EXPECT_EQ(c.speedCount(), 0);
    EXPECT_EQ(c.speedIn(), 0.0);
    EXPECT_EQ(c.speedOut(), 0.0);
}

struct VersionRow {
    std::int32_t major;
    std::int32_t minor;
    bool recreate;
};

void PrintTo(const VersionRow& row, std::ostream* out) { *out << row.major << '.' << row.minor; }

class VersionRule : public ::testing::TestWithParam<VersionRow> {};

TEST_P(VersionRule, LooksAtEachNumberOnItsOwn) {
    const VersionRow row = GetParam();
    Harness harness;
    AppController& c = harness.controller();
    c.setVersionMajor(row.major);
    c.setVersionMinor(row.minor);

    c.updateStatusItem(nullptr);
    const auto first = c.statusItem();
    const AttributedText title = titled(QStringLiteral("1.0 KB|2.0 KB"));
    c.updateStatusItem(&title);
    c.updateStatusItem(&title);

    if (row.recreate) {
        ASSERT_EQ(harness.statusBar->created.size(), 3u);
        ASSERT_EQ(harness.statusBar->removed.size(), 2u);
        EXPECT_EQ(harness.statusBar->removed[0], first);
        EXPECT_EQ(harness.statusBar->removed[1], harness.statusBar->created[1]);
    } else {
        EXPECT_EQ(harness.statusBar->created.size(), 1u);
        EXPECT_TRUE(harness.statusBar->removed.empty());
    }
    EXPECT_EQ(c.statusItem(), harness.statusBar->created.back());
    EXPECT_EQ(harness.statusBar->last()->menu, c.statusMenu());
    ASSERT_TRUE(harness.statusBar->last()->title.has_value());
    EXPECT_EQ(harness.statusBar->last()->title->text, title.text);
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionRule,
                         ::testing::Values(VersionRow{10, 10, false}, VersionRow{10, 15, false},
                                           VersionRow{13, 12, false}, VersionRow{10, 9, true},
                                           VersionRow{10, 7, true}, VersionRow{11, 2, true},
                                           VersionRow{6, 12, true}, VersionRow{6, 1, true},
                                           VersionRow{9, 10, true}, VersionRow{0, 0, true},
                                           VersionRow{-1, 20, true}));

TEST(StatusItem, FirstCallCreatesTheItemWithTheMenuAndNoTitle) {
    Harness harness;
    AppController& c = harness.controller();
    c.setVersionMajor(10);
    c.setVersionMinor(15);
    dirtyAccumulators(c);
    c.updateStatusItem(nullptr);
    ASSERT_NE(c.statusItem(), nullptr);
    ASSERT_EQ(harness.statusBar->created.size(), 1u);
    EXPECT_EQ(harness.statusBar->last()->menu, c.statusMenu());
    EXPECT_NE(c.statusMenu(), nullptr);
    EXPECT_FALSE(harness.statusBar->last()->title.has_value());
    expectAccumulatorsZero(c);
}

TEST(StatusItem, KeepPathOnlyRetitlesTheSameItem) {
    Harness harness;
    AppController& c = harness.controller();
    c.setVersionMajor(10);
    c.setVersionMinor(10);
    c.updateStatusItem(nullptr);
    const auto item = c.statusItem();
    QMenu other;
    item->setMenu(&other);  // an existing item keeps whatever menu it has
    for (int i = 0; i < 3; ++i) {
        const AttributedText title = titled(QStringLiteral("%1.0 KB").arg(i));
        c.updateStatusItem(&title);
        EXPECT_EQ(c.statusItem(), item);
    }
    EXPECT_EQ(harness.statusBar->last()->menu, &other);
    EXPECT_EQ(harness.statusBar->last()->title->text, QStringLiteral("2.0 KB"));
    EXPECT_EQ(harness.statusBar->last()->titleSets, 3);
}

TEST(StatusItem, EmptyOrAbsentTitleLeavesTheTitleButStillZeroes) {
    Harness harness;
    AppController& c = harness.controller();
    c.setVersionMajor(10);
    c.setVersionMinor(12);
    const AttributedText title = titled(QStringLiteral("5.0 KB|1.0 KB"));
    c.updateStatusItem(&title);
    const AttributedText empty;
    for (const AttributedText* t : {&empty, static_cast<const AttributedText*>(nullptr)}) {
        dirtyAccumulators(c);
        c.updateStatusItem(t);
        expectAccumulatorsZero(c);
        EXPECT_EQ(harness.statusBar->last()->title->text, title.text);
        EXPECT_EQ(harness.statusBar->last()->titleSets, 1);
    }
}

TEST(StatusItem, RecreatePathWithEmptyTitleGivesANewUntitledItem) {
    Harness harness;
    AppController& c = harness.controller();
    c.setVersionMajor(10);
    c.setVersionMinor(9);
    const AttributedText title = titled(QStringLiteral("5.0 KB|1.0 KB"));
    c.updateStatusItem(&title);
    const AttributedText empty;
    dirtyAccumulators(c);
    c.updateStatusItem(&empty);
    expectAccumulatorsZero(c);
    ASSERT_EQ(harness.statusBar->created.size(), 2u);
    EXPECT_EQ(harness.statusBar->removed.back(), harness.statusBar->created[0]);
    EXPECT_FALSE(harness.statusBar->last()->title.has_value());
    EXPECT_EQ(harness.statusBar->last()->menu, c.statusMenu());
}

TEST(StatusItem, AccumulatorsAreZeroWhenTheItemIsMade) {
    Harness harness;
    AppController& c = harness.controller();
    c.setVersionMajor(6);
    c.setVersionMinor(1);
    dirtyAccumulators(c);
    bool zeroFirst = false;
    harness.statusBar->onCreate = [&] { zeroFirst = c.speedCount() == 0 && c.speedIn() == 0.0 && c.speedOut() == 0.0; };
    c.updateStatusItem(nullptr);
    EXPECT_TRUE(zeroFirst);
}

}  // namespace
}  // namespace ratelark
