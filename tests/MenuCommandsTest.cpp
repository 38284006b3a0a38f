#include "app/PreferenceKeys.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>

namespace ratelark {
namespace {

using testing::Harness;

const QString kRefusal = QStringLiteral("Couldn't add/remove Helper App to launch at login item list.");
const QString kHelper = QStringLiteral("com.tarnwick.ratelarkhelper");

QList<QAction*> markedItems(QMenu* menu) {
    QList<QAction*> marked;
    for (QAction* item : menu->actions())
        if (stateOf(item) == 1) marked << item;
    return marked;
}

QAction* itemWithTag(QMenu* menu, qint64 tag) {
    for (QAction* item : menu->actions())
        if (tagOf(item) == tag) return item;
    return nullptr;
}

QAction* openAtLoginItem(Harness& harness) {
    return qobject_cast<QAction*>(harness.ui.named.value(QStringLiteral("itemOpenAtLogin")));
}

TEST(ChoiceLists, ChoosingTheSameRefreshItemTwiceLeavesOneMarkAndTheSameValue) {
    Harness harness;
    harness.start();
    QMenu* menu = harness.controller().refreshMenu();
    QAction* five = itemWithTag(menu, 5);
    ASSERT_NE(five, nullptr);

    five->trigger();
    five->trigger();

    EXPECT_EQ(markedItems(menu), QList<QAction*>{five});
    EXPECT_EQ(harness.settings().integerForKey(keys::refreshInterval), 5);
    EXPECT_EQ(harness.reopenSettings()->integerForKey(keys::refreshInterval), 5) << "written through at once";
}

TEST(ChoiceLists, AShowTypeChoiceMovesTheMark) {
    Harness harness;
    harness.start();
    QMenu* menu = harness.controller().showTypeMenu();
    ASSERT_EQ(markedItems(menu), QList<QAction*>{itemWithTag(menu, 0)});

    itemWithTag(menu, 2)->trigger();
    EXPECT_EQ(markedItems(menu), QList<QAction*>{itemWithTag(menu, 2)});
    EXPECT_EQ(harness.reopenSettings()->integerForKey(keys::showType), 2);

    itemWithTag(menu, 1)->trigger();
    EXPECT_EQ(markedItems(menu), QList<QAction*>{itemWithTag(menu, 1)});
    EXPECT_EQ(harness.reopenSettings()->integerForKey(keys::showType), 1);
}

TEST(ChoiceLists, SeparatorsAndForeignItemsAreClearedToo) {
    Harness::Options options;
    options.loadInterface = false;
    Harness harness(options);
    QMenu menu;
    QAction* other = menu.addAction(QStringLiteral("other"));
    other->setProperty("tag", 99LL);
    setStateOf(other, 1);
    QAction* separator = menu.addSeparator();
    QAction* chosen = menu.addAction(QStringLiteral("chosen"));
    chosen->setProperty("tag", 3LL);
    harness.controller().setRefreshMenu(&menu);

    harness.controller().clickRefreshInterval(chosen);

    EXPECT_EQ(markedItems(&menu), QList<QAction*>{chosen});
    EXPECT_EQ(stateOf(separator), 0);
    EXPECT_EQ(harness.settings().integerForKey(keys::refreshInterval), 3);
}

TEST(ChoiceLists, AnEmptySubmenuMarksOnlyTheSender) {
    Harness::Options options;
    options.loadInterface = false;
    Harness harness(options);
    QMenu empty;
    harness.controller().setShowTypeMenu(&empty);
    QAction sender;
    sender.setProperty("tag", 1LL);

    harness.controller().clickShowType(&sender);

    EXPECT_EQ(stateOf(&sender), 1);
    EXPECT_TRUE(empty.actions().isEmpty());
    EXPECT_EQ(harness.settings().integerForKey(keys::showType), 1);
}

TEST(ChoiceLists, AMissingSubmenuStillStoresAndMarksTheSender) {
    Harness::Options options;
    options.loadInterface = false;
    Harness harness(options);
    QAction sender;
    sender.setProperty("tag", 10LL);

    harness.controller().clickRefreshInterval(&sender);

    EXPECT_EQ(stateOf(&sender), 1);
    EXPECT_EQ(harness.reopenSettings()->integerForKey(keys::refreshInterval), 10);
}

TEST(OpenAtLogin, AnUncheckedItemEnablesAndTheMarkFollows) {
    Harness harness;
    harness.start();
    QAction* item = openAtLoginItem(harness);
    ASSERT_NE(item, nullptr);
    ASSERT_EQ(stateOf(item), 0);

    item->trigger();
    EXPECT_EQ(harness.loginItems->calls, (QStringList{"disable " + kHelper, "enable " + kHelper}));
    EXPECT_TRUE(harness.loginItems->enabled);
    EXPECT_EQ(stateOf(item), 1);

    item->trigger();
    EXPECT_EQ(harness.loginItems->calls.size(), 3);
    EXPECT_EQ(harness.loginItems->calls.last(), "disable " + kHelper);
    EXPECT_FALSE(harness.loginItems->enabled);
    EXPECT_EQ(stateOf(item), 0);
    EXPECT_FALSE(harness.consoleLog().contains(kRefusal));
}

TEST(OpenAtLogin, ARefusedEnableIsLoggedOnceAndTheItemStaysOff) {
    Harness harness;
    harness.start();
    harness.loginItems->refuseEnable = true;
    QAction* item = openAtLoginItem(harness);

    item->trigger();

    EXPECT_EQ(harness.loginItems->calls, (QStringList{"disable " + kHelper, "enable " + kHelper}));
    EXPECT_EQ(harness.consoleLog().count(kRefusal), 1);
    EXPECT_EQ(stateOf(item), 0);
}

TEST(OpenAtLogin, ARefusedDisableIsNotLogged) {
    Harness harness;
    harness.start();
    harness.loginItems->refuseDisable = true;
    QAction* item = openAtLoginItem(harness);
    setStateOf(item, 1);

    item->trigger();

    EXPECT_EQ(harness.loginItems->calls, QStringList{"disable " + kHelper});
    EXPECT_FALSE(harness.consoleLog().contains(kRefusal));
    EXPECT_EQ(stateOf(item), 0);
}

TEST(OpenAtLogin, TheMarkStartsOutAsTheRegistration) {
    for (const bool registered : {false, true}) {
        Harness::Options options;
        options.loadInterface = false;
        Harness harness(options);
        harness.loginItems->enabled = registered;
        harness.ui = loadInterface(shippedInterfaceDescription(), harness.controller().interfaceConnections());
        harness.start();
        EXPECT_EQ(stateOf(openAtLoginItem(harness)), registered ? 1 : 0) << registered;
    }
}

TEST(Addresses, RateOpensTheSoftwareCentrePageAndSupportTheDocumentation) {
    Harness harness;
    harness.start();
    QHash<QString, QAction*> items;
    for (QAction* item : harness.controller().statusMenu()->actions()) items.insert(item->text(), item);
    QList<QUrl>& opened = harness.workspace->opened;
    items.value(QStringLiteral("Rate RateLark"))->trigger();
    items.value(QStringLiteral("Support"))->trigger();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened.at(0), QUrl(QStringLiteral("appstream://com.tarnwick.ratelark")));
    EXPECT_TRUE(opened.at(1).isLocalFile() && QFileInfo(opened.at(1).toLocalFile()).fileName() == "README.md"
                && QFileInfo::exists(opened.at(1).toLocalFile()))
        << opened.at(1).toString().toStdString();

    // No software centre: nothing handed to a browser, said once. No README: said.
    harness.workspace->canOpenAll = false;
    items.value(QStringLiteral("Rate RateLark"))->trigger();
    items.value(QStringLiteral("Rate RateLark"))->trigger();
    harness.controller().services().paths.documentation = harness.logPath() + QStringLiteral(".missing");
    items.value(QStringLiteral("Support"))->trigger();
    EXPECT_EQ(opened.size(), 2);
    EXPECT_EQ(harness.consoleLog().count(QStringLiteral("appstream://com.tarnwick.ratelark")), 1);
    EXPECT_EQ(harness.consoleLog().count(QStringLiteral(".missing")), 1);

    harness.controller().services().paths.supportAddress = QStringLiteral("https://packager.invalid/help");
    items.value(QStringLiteral("Support"))->trigger();
    EXPECT_EQ(opened.last(), QUrl(QStringLiteral("https://packager.invalid/help")));
}

TEST(SystemMonitor, TheCommandAsksTheDesktopOnce) {
    Harness harness;
    harness.controller().launchActivityMonitor(nullptr);
    EXPECT_EQ(harness.workspace->monitorLaunches, 1);
    EXPECT_TRUE(harness.workspace->opened.isEmpty());
}

TEST(Quit, PendingSettingsAreWrittenBeforeTheLoopStops) {
    Harness harness;
    harness.start();
    // Read the file itself: stores in this process share unwritten changes.
    const auto onDisk = [&] {
        QFile file(harness.settingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    harness.settings().setInteger(30, keys::refreshInterval);
    ASSERT_FALSE(onDisk().contains("refreshInterval=30")) << "not yet written";
    QByteArray fileWhenStopping;
    harness.eventLoop->onStop = [&] { fileWhenStopping = onDisk(); };

    harness.controller().clickQuit(nullptr);

    EXPECT_EQ(harness.eventLoop->stops, 1);
    EXPECT_TRUE(fileWhenStopping.contains("refreshInterval=30")) << fileWhenStopping.toStdString();
}

}  // namespace
}  // namespace ratelark
