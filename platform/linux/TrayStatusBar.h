#pragma once

#include "platform/StatusBar.h"

#include <QObject>

#include <memory>

class QSystemTrayIcon;

namespace ratelark {

class TrayItem;

// The tray: each item is a tray icon showing its title as a picture.
// One icon at a time serves all items: an item removed and another created
// within one event hand it over, so the entry neither blinks nor moves.
class TrayStatusBar : public QObject, public StatusBar {
public:
    explicit TrayStatusBar(std::unique_ptr<StatusBar> standIn);
    ~TrayStatusBar() override;

    std::shared_ptr<StatusItem> statusItemWithVariableLength() override;
    void removeStatusItem(const std::shared_ptr<StatusItem>& item) override;

private:
    std::unique_ptr<QSystemTrayIcon> makeIcon();
    // After the event that removed an item: hides an icon nobody took over,
    // and shows a taken-over icon without title as a new item looks.
    void settle();

    std::unique_ptr<StatusBar> standIn_;
    std::unique_ptr<QSystemTrayIcon> released_;
    std::weak_ptr<TrayItem> takenOver_;
    bool settling_ = false;
};

}  // namespace ratelark
