#pragma once

#include <QComboBox>
#include <QList>
#include <QPointer>

class QAction;
class QMenu;

namespace ratelark {

// A drop-down list that mirrors a choice menu: one entry per item of the
// menu, the entry of the marked item selected. Choosing an entry triggers
// that item, so the choice runs through the menu's own command, and the
// selection follows the menu's marks whoever changes them.
class MenuChoiceBox : public QComboBox {
    Q_OBJECT
public:
    explicit MenuChoiceBox(QWidget* parent = nullptr);

    void setMenu(QMenu* menu);
    QMenu* menu() const { return menu_; }

private:
    void chooseEntry(int index);
    void followMarks();

    QPointer<QMenu> menu_;
    QList<QPointer<QAction>> items_;  // the menu's items, one per entry
};

}  // namespace ratelark
