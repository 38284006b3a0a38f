#pragma once

#include "platform/AttributedText.h"

#include <memory>

class QMenu;

namespace ratelark {

// One item in the desktop's status area: a tray icon or a status line.
class StatusItem {
public:
    virtual ~StatusItem() = default;
    virtual void setMenu(QMenu* menu) = 0;
    virtual void setAttributedTitle(const AttributedText& title) = 0;
    // Shows the item as it is before its first title: no speeds, for a time
    // in which none is measured.
    virtual void showUntitled() = 0;
};

// The desktop's status area. Items are created with variable width: their
// width follows their title.
class StatusBar {
public:
    virtual ~StatusBar() = default;
    virtual std::shared_ptr<StatusItem> statusItemWithVariableLength() = 0;
    virtual void removeStatusItem(const std::shared_ptr<StatusItem>& item) = 0;
    // Whether its items draw the title's compact form as a picture; lines of
    // text do not, and are spared composing it every second.
    virtual bool drawsCompactForm() const { return true; }
};

}  // namespace ratelark
