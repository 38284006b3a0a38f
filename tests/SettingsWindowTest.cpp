#include "app/PreferenceKeys.h"
#include "platform/MenuChoiceBox.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QMenu>

namespace ratelark {
namespace {

using testing::Harness;

const QStringList kDisplaySettings = {keys::upAndDown,        keys::bitsPerSecond,  keys::useFixedWith, keys::showArrow,
                                      keys::onlyShowDownload, keys::colorIsRedBlue, keys::showKBMBGB};

QCheckBox* boxFor(Harness& harness, const QString& key) {
    for (QCheckBox* box : harness.controller().window()->findChildren<QCheckBox*>())
        if (box->property("key").toString() == key) return box;
    return nullptr;
}

TEST(SettingsWindow, HasACheckBoxForEachDisplaySetting) {
    Harness harness;
    for (const QString& key : kDisplaySettings) EXPECT_NE(boxFor(harness, key), nullptr) << key.toStdString();
    EXPECT_TRUE(harness.ui.errors.isEmpty()) << harness.ui.errors.join(QLatin1Char('\n')).toStdString();
}

TEST(SettingsWindow, CheckBoxesWriteTheirKeys) {
    Harness harness;
    harness.start();
    harness.controller().clickWindow(nullptr);
    for (const QString& key : kDisplaySettings) {
        QCheckBox* box = boxFor(harness, key);
        const bool before = harness.settings().boolForKey(key);
        box->click();
        EXPECT_EQ(harness.reopenSettings()->boolForKey(key), !before) << key.toStdString();
        box->click();
        EXPECT_EQ(harness.reopenSettings()->boolForKey(key), before) << key.toStdString();
    }
}

TEST(SettingsWindow, OpensShowingTheStoredValues) {
    Harness::Options options;
    options.settingsFile = QStringLiteral("[General]\nupAndDown=1\nshowArrow=true\nshowKBMBGB=0\nbitsPerSecond=0\n").toUtf8();
    Harness harness(options);
    harness.start();
    // A value written while the window is away shows when it opens.
    harness.settings().setObject(true, keys::colorIsRedBlue);
    harness.controller().clickWindow(nullptr);
    EXPECT_TRUE(boxFor(harness, keys::upAndDown)->isChecked());
    EXPECT_TRUE(boxFor(harness, keys::showArrow)->isChecked());
    EXPECT_TRUE(boxFor(harness, keys::colorIsRedBlue)->isChecked());
    EXPECT_FALSE(boxFor(harness, keys::showKBMBGB)->isChecked());
    EXPECT_FALSE(boxFor(harness, keys::bitsPerSecond)->isChecked());
    EXPECT_FALSE(boxFor(harness, keys::onlyShowDownload)->isChecked());
}

TEST(SettingsWindow, ACheckBoxWithoutADisplaySettingStoresNothing) {
    Harness harness;
    harness.start();
    QCheckBox stray;
    stray.setProperty("key", QStringLiteral("refreshInterval"));
    stray.setChecked(true);
    harness.controller().clickPreferenceCheckBox(&stray);
    harness.controller().clickPreferenceCheckBox(nullptr);
    EXPECT_EQ(harness.reopenSettings()->integerForKey(keys::refreshInterval), 1);
    EXPECT_EQ(harness.consoleLog().count(QStringLiteral("which is no display setting")), 2);
}

TEST(SettingsWindow, ChoiceListsMirrorTheirMenus) {
    Harness::Options options;
    options.settingsFile = QStringLiteral("[General]\nrefreshInterval=5\nshowType=2\n").toUtf8();
    Harness harness(options);
    harness.start();
    auto* refresh = qobject_cast<MenuChoiceBox*>(harness.ui.named.value(QStringLiteral("choiceRefreshInterval")));
    auto* showType = qobject_cast<MenuChoiceBox*>(harness.ui.named.value(QStringLiteral("choiceShowType")));
    ASSERT_NE(refresh, nullptr);
    ASSERT_NE(showType, nullptr);
    EXPECT_EQ(refresh->menu(), harness.controller().refreshMenu());
    EXPECT_EQ(showType->menu(), harness.controller().showTypeMenu());
    EXPECT_EQ(refresh->currentText(), QStringLiteral("5 Seconds"));
    EXPECT_EQ(showType->currentText(), QStringLiteral("Always M"));
}

TEST(SettingsWindow, AChoiceGoesThroughTheMenuCommand) {
    Harness harness;
    harness.start();
    auto* refresh = qobject_cast<MenuChoiceBox*>(harness.ui.named.value(QStringLiteral("choiceRefreshInterval")));
    ASSERT_NE(refresh, nullptr);
    const int index = refresh->findText(QStringLiteral("10 Seconds"));
    ASSERT_GE(index, 0);
    emit refresh->activated(index);
    EXPECT_EQ(harness.reopenSettings()->integerForKey(keys::refreshInterval), 10);
    EXPECT_EQ(refresh->currentIndex(), index);
    int marked = 0;
    for (QAction* item : harness.controller().refreshMenu()->actions()) marked += item->isChecked() ? 1 : 0;
    EXPECT_EQ(marked, 1);
}

TEST(SettingsWindow, AChoiceNamingNoMenuIsReported) {
    const QByteArray description = R"({"windows": [{"kind": "window", "controls": [
        {"type": "choice", "label": "Interval", "name": "lost", "menu": "noSuchMenu"},
        {"type": "textfield", "name": "big", "fontSize": 21}]}]})";
    const LoadedInterface ui = loadInterface(description, InterfaceConnections{});
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(ui.errors.front().contains(QStringLiteral("noSuchMenu")));
    auto* lost = qobject_cast<MenuChoiceBox*>(ui.named.value(QStringLiteral("lost")));
    ASSERT_NE(lost, nullptr);
    EXPECT_EQ(lost->count(), 0);
    EXPECT_EQ(qobject_cast<QWidget*>(ui.named.value(QStringLiteral("big")))->font().pointSizeF(), 21.0);
}

}  // namespace
}  // namespace ratelark
