#include "app/PreferenceKeys.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTimer>

namespace ratelark {
namespace {

using testing::Harness;

QList<QAction*> markedItems(QMenu* menu) {
    QList<QAction*> marked;
    for (QAction* item : menu->actions())
        if (item->isChecked()) marked << item;
    return marked;
}

TEST(Startup, FieldsStartAtZero) {
    Harness harness;
    AppController& c = harness.controller();
    EXPECT_EQ(c.statusItem(), nullptr);
    EXPECT_EQ(c.condition(), nullptr);
    EXPECT_EQ(c.speedCount(), 0);
    EXPECT_EQ(c.maxFixedWidth(), 0);
    EXPECT_EQ(c.speedIn(), 0.0);
    EXPECT_EQ(c.rCurDataSent(), 0.0);
    EXPECT_FALSE(c.bResetDataReceived());
    EXPECT_EQ(c.versionMajor(), 0);
}

TEST(Startup, RunsItsStepsInOrder) {
    Harness harness;
    AppController& c = harness.controller();
    c.setBResetDataSent(true);
    c.setRResetDataReceived(4.0);
    harness.version->answer = {6, 1, 12};

    bool logRedirectedBeforeVersion = false;
    bool resetClearedBeforeVersion = false;
    harness.version->onQuery = [&] {
        logRedirectedBeforeVersion = QFile::exists(harness.logPath());
        resetClearedBeforeVersion = !c.bResetDataSent() && c.rResetDataReceived() == 0.0 && c.condition() != nullptr;
    };
    int versionQueriesAtItemCreation = -1;
    bool menuMarkedAtItemCreation = true;
    harness.statusBar->onCreate = [&] {
        versionQueriesAtItemCreation = harness.version->queries;
        menuMarkedAtItemCreation = !markedItems(c.refreshMenu()).isEmpty();
    };

    harness.start();

    EXPECT_TRUE(logRedirectedBeforeVersion);
    EXPECT_TRUE(resetClearedBeforeVersion);
    EXPECT_EQ(versionQueriesAtItemCreation, 1);
    EXPECT_FALSE(menuMarkedAtItemCreation) << "menus are marked after the status item exists";
    ASSERT_EQ(harness.statusBar->created.size(), 1u);
    EXPECT_EQ(harness.statusBar->last()->menu, c.statusMenu());
    EXPECT_FALSE(harness.statusBar->last()->title.has_value());
    EXPECT_EQ(c.versionMajor(), 6);
    EXPECT_EQ(c.versionMinor(), 1);
    EXPECT_EQ(c.versionBugFix(), 12);

    const QList<QTimer*> timers = c.findChildren<QTimer*>();
    ASSERT_EQ(timers.size(), 1);
    EXPECT_TRUE(timers.front()->isActive());
    EXPECT_EQ(timers.front()->interval(), 30000);
    EXPECT_FALSE(c.panel()->isVisible());
}

TEST(Startup, VersionLineIsTheFirstLineOfTheLog) {
    Harness harness;
    QDir().mkpath(QFileInfo(harness.logPath()).absolutePath());
    QFile old(harness.logPath());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("a line of the previous run\n");
    old.close();
    harness.version->answer = {6, 1, 0};

    harness.start();

    const QString log = harness.consoleLog();
    EXPECT_FALSE(log.contains(QStringLiteral("previous run")));
    const QString first = log.section(QLatin1Char('\n'), 0, 0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \S+\[\d+:\d+\] 6\.1\.0$)"))
                    .match(first)
                    .hasMatch())
        << first.toStdString();
}

TEST(Startup, ShowsThePanelWhenAsked) {
    Harness harness;
    harness.settings().setObject(QStringLiteral("1"), keys::showWindow);
    harness.start();
    EXPECT_TRUE(harness.controller().panel()->isVisible());
}

struct MarkCase {
    const char* stored;
    QList<qint64> refreshTags;  // marked in a refresh menu whose items are tagged 1, 2, 2
    QList<qint64> typeTags;     // marked in a display-type menu tagged 0, 1, 2
};

void PrintTo(const MarkCase& c, std::ostream* os) { *os << "stored " << c.stored; }

class MenuMarks : public ::testing::TestWithParam<MarkCase> {};

TEST_P(MenuMarks, FollowTheStoredValue) {
    Harness::Options options;
    options.loadInterface = false;
    Harness harness(options);
    // Two items share tag 2; a stale mark on another item must be cleared.
    harness.ui = loadInterface(R"({"menus": [{"outlet": "statusMenu", "items": [
        {"title": "r", "submenu": {"outlet": "refreshMenu", "items": [
            {"title": "a", "tag": 1}, {"title": "b", "tag": 2}, {"title": "c", "tag": 2}]}},
        {"title": "t", "submenu": {"outlet": "showTypeMenu", "items": [
            {"title": "auto", "tag": 0}, {"title": "k", "tag": 1}, {"title": "m", "tag": 2}]}}]}]})",
                               harness.controller().interfaceConnections());
    setStateOf(harness.controller().refreshMenu()->actions().at(0), 1);
    harness.settings().setObject(QString::fromLatin1(GetParam().stored), keys::refreshInterval);
    harness.settings().setObject(QString::fromLatin1(GetParam().stored), keys::showType);

    harness.start();

    const auto markedTags = [](QMenu* menu) {
        QList<qint64> tags;
        for (QAction* item : markedItems(menu)) tags << tagOf(item);
        return tags;
    };
    EXPECT_EQ(markedTags(harness.controller().refreshMenu()), GetParam().refreshTags);
    EXPECT_EQ(markedTags(harness.controller().showTypeMenu()), GetParam().typeTags);
}

INSTANTIATE_TEST_SUITE_P(Stored, MenuMarks,
                         ::testing::Values(MarkCase{"1", {1}, {1}}, MarkCase{"2", {2, 2}, {2}}, MarkCase{"7", {}, {}},
                                           MarkCase{"junk", {}, {0}}));

TEST(Startup, EmptyMenusAreLeftAlone) {
    Harness::Options options;
    options.loadInterface = false;
    Harness harness(options);
    harness.ui = loadInterface(R"({"menus": [{"outlet": "refreshMenu", "items": []}]})",
                               harness.controller().interfaceConnections());
    harness.start();
    EXPECT_TRUE(harness.controller().refreshMenu()->actions().isEmpty());
}

}  // namespace
}  // namespace ratelark
