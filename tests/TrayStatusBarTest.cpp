#include "platform/StatusSurfaces.h"
#include "platform/linux/TrayItem.h"
#include "tests/support/Fakes.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMenu>
#include <QSystemTrayIcon>

namespace ratelark {
namespace {

using testing::FakeStatusBar;

AttributedText titled(const QString& text) {
    AttributedText title;
    title.text = text;
    title.font = QFont(QStringLiteral("DejaVu Sans Mono"), 10);
    title.compactText = QStringLiteral("12K\n1.2K");
    return title;
}

const TrayItem& trayItem(const std::shared_ptr<StatusItem>& item) { return dynamic_cast<const TrayItem&>(*item); }

void finishEvent() { QCoreApplication::processEvents(); }

TEST(Tray, ShowsTheTitleAsIconAndItsTextAsToolTip) {
    const auto bar = makeTray(nullptr);
    const auto item = bar->statusItemWithVariableLength();
    const QSystemTrayIcon* icon = trayItem(item).icon();
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(icon->isVisible());
    EXPECT_FALSE(icon->icon().isNull()) << "an item without title still shows something to click";
    QMenu menu;
    item->setMenu(&menu);
    EXPECT_EQ(icon->contextMenu(), &menu);
    item->setAttributedTitle(titled(QStringLiteral("12.3 KB|1.2 KB")));
    EXPECT_EQ(icon->toolTip(), QStringLiteral("12.3 KB|1.2 KB"));
    const QSize size = icon->icon().availableSizes().value(0);
    EXPECT_EQ(size.width(), size.height()) << "the compact square";
}

TEST(Tray, ARecreateWithinOneEventKeepsTheSameTrayIcon) {
    const auto bar = makeTray(nullptr);
    QMenu menu;
    auto item = bar->statusItemWithVariableLength();
    item->setMenu(&menu);
    item->setAttributedTitle(titled(QStringLiteral("1.0 KB|2.0 KB")));
    const QSystemTrayIcon* icon = trayItem(item).icon();

    for (int update = 0; update < 3; ++update) {
        bar->removeStatusItem(item);
        item = bar->statusItemWithVariableLength();
        item->setMenu(&menu);
        item->setAttributedTitle(titled(QStringLiteral("%1.0 KB|2.0 KB").arg(update)));
        EXPECT_EQ(trayItem(item).icon(), icon) << "handed over, never hidden and shown again";
        EXPECT_TRUE(icon->isVisible());
        finishEvent();
        EXPECT_EQ(trayItem(item).icon(), icon);
        EXPECT_TRUE(icon->isVisible());
        EXPECT_EQ(icon->toolTip(), QStringLiteral("%1.0 KB|2.0 KB").arg(update));
    }
}

TEST(Tray, ARemovedItemNobodyTakesOverLeavesTheTray) {
    const auto bar = makeTray(nullptr);
    auto item = bar->statusItemWithVariableLength();
    QPointer<QSystemTrayIcon> icon(const_cast<QSystemTrayIcon*>(trayItem(item).icon()));
    bar->removeStatusItem(item);
    EXPECT_EQ(trayItem(item).icon(), nullptr);
    finishEvent();
    EXPECT_TRUE(icon.isNull());
    item->setAttributedTitle(titled(QStringLiteral("late")));  // harmless on a removed item
}

TEST(Tray, ATakenOverIconWithoutTitleLooksLikeANewItem) {
    const auto bar = makeTray(nullptr);
    auto first = bar->statusItemWithVariableLength();
    const QImage untitled = trayItem(first).icon()->icon().pixmap(QSize(400, 22)).toImage();
    first->setAttributedTitle(titled(QStringLiteral("100.0 KB|1.0 KB")));
    bar->removeStatusItem(first);
    const auto second = bar->statusItemWithVariableLength();
    finishEvent();
    EXPECT_EQ(trayItem(second).icon()->icon().pixmap(QSize(400, 22)).toImage(), untitled);
}

TEST(Tray, TheStandInShowsTitlesWhileNoTrayHostRuns) {
    ASSERT_FALSE(trayHostAvailable()) << "the offscreen platform has no tray";
    auto standIn = std::make_unique<FakeStatusBar>();
    FakeStatusBar* lines = standIn.get();
    const auto bar = makeTray(std::move(standIn));
    auto item = bar->statusItemWithVariableLength();
    QMenu menu;
    item->setMenu(&menu);
    item->setAttributedTitle(titled(QStringLiteral("1.0 KB|2.0 KB")));
    bar->removeStatusItem(item);
    item = bar->statusItemWithVariableLength();
    item->setAttributedTitle(titled(QStringLiteral("3.0 KB|4.0 KB")));
    ASSERT_EQ(lines->created.size(), 2u);
    EXPECT_EQ(lines->removed.front(), lines->created.front());
    EXPECT_EQ(lines->created.front()->menu, &menu);
    EXPECT_EQ(lines->last()->title->text, QStringLiteral("3.0 KB|4.0 KB"));
}

}  // namespace
}  // namespace ratelark
