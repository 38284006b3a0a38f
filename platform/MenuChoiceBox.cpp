#include "platform/MenuChoiceBox.h"

#include <QAction>
#include <QMenu>

namespace ratelark {

MenuChoiceBox::MenuChoiceBox(QWidget* parent) : QComboBox(parent) {
    // Only a choice of the user's is a command; a selection set to follow
    // the marks is not.
    connect(this, &QComboBox::activated, this, &MenuChoiceBox::chooseEntry);
}

void MenuChoiceBox::setMenu(QMenu* menu) {
    for (const QPointer<QAction>& item : items_)
        if (item) disconnect(item, nullptr, this, nullptr);
    clear();
    items_.clear();
    menu_ = menu;
    if (!menu) return;
    for (QAction* item : menu->actions()) {
        if (item->isSeparator() || item->menu()) continue;
        addItem(item->text());
        items_ << item;
        connect(item, &QAction::changed, this, &MenuChoiceBox::followMarks);
    }
    followMarks();
}

void MenuChoiceBox::chooseEntry(int index) {
    if (index < 0 || index >= items_.size() || !items_.at(index)) return;
    items_.at(index)->trigger();
    // The command decides the marks; show what it decided, also when it
    // changed none.
    followMarks();
}

void MenuChoiceBox::followMarks() {
    int marked = -1;
    for (int i = 0; i < items_.size() && marked < 0; ++i)
        if (items_.at(i) && items_.at(i)->isChecked()) marked = i;
    setCurrentIndex(marked);
}

}  // namespace ratelark
