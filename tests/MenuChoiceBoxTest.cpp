#include "platform/MenuChoiceBox.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

namespace ratelark {
namespace {

struct ChoiceMenu {
    QMenu menu;
    QList<QAction*> items;
    QList<QAction*> chosen;

    ChoiceMenu() {
        for (const char* title : {"One", "Two", "Three"}) {
            QAction* item = menu.addAction(QString::fromLatin1(title));
            item->setCheckable(true);
            QObject::connect(item, &QAction::triggered, item, [this, item] {
                chosen << item;
                for (QAction* other : items) other->setChecked(other == item);
            });
            items << item;
        }
        menu.addSeparator();
    }
};

TEST(MenuChoiceBox, OffersTheMenuItemsAndSelectsTheMarkedOne) {
    ChoiceMenu choices;
    choices.items[1]->setChecked(true);
    MenuChoiceBox box;
    box.setMenu(&choices.menu);
    ASSERT_EQ(box.count(), 3);
    EXPECT_EQ(box.itemText(0), QStringLiteral("One"));
    EXPECT_EQ(box.itemText(2), QStringLiteral("Three"));
    EXPECT_EQ(box.currentIndex(), 1);
}

TEST(MenuChoiceBox, FollowsMarksSetByTheMenu) {
    ChoiceMenu choices;
    MenuChoiceBox box;
    box.setMenu(&choices.menu);
    EXPECT_EQ(box.currentIndex(), -1);  // nothing marked, nothing selected
    choices.items[2]->trigger();
    EXPECT_EQ(box.currentIndex(), 2);
    choices.items[2]->setChecked(false);
    EXPECT_EQ(box.currentIndex(), -1);
}

TEST(MenuChoiceBox, AChoiceRunsTheItemsCommand) {
    ChoiceMenu choices;
    MenuChoiceBox box;
    box.setMenu(&choices.menu);
    emit box.activated(0);
    ASSERT_EQ(choices.chosen.size(), 1);
    EXPECT_EQ(choices.chosen.front(), choices.items[0]);
    EXPECT_EQ(box.currentIndex(), 0);
    EXPECT_TRUE(choices.items[0]->isChecked());
}

TEST(MenuChoiceBox, OutlivesItsMenu) {
    MenuChoiceBox box;
    {
        ChoiceMenu choices;
        box.setMenu(&choices.menu);
    }
    emit box.activated(1);  // the items are gone: nothing to run, no crash
    EXPECT_EQ(box.menu(), nullptr);
}

}  // namespace
}  // namespace ratelark
