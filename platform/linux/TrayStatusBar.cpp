#include "platform/linux/TrayStatusBar.h"

#include "platform/StatusSurfaces.h"
#include "platform/linux/TrayItem.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

namespace ratelark {

TrayStatusBar::TrayStatusBar(std::unique_ptr<StatusBar> standIn) : standIn_(std::move(standIn)) {}

TrayStatusBar::~TrayStatusBar() = default;

std::shared_ptr<StatusItem> TrayStatusBar::statusItemWithVariableLength() {
    std::shared_ptr<StatusItem> standIn = standIn_ ? standIn_->statusItemWithVariableLength() : nullptr;
    if (released_) {
        auto item = std::make_shared<TrayItem>(std::move(released_), std::move(standIn));
        takenOver_ = item;
        return item;
    }
    auto item = std::make_shared<TrayItem>(makeIcon(), std::move(standIn));
    item->showUntitled();
    return item;
}

void TrayStatusBar::removeStatusItem(const std::shared_ptr<StatusItem>& item) {
    const auto trayItem = std::dynamic_pointer_cast<TrayItem>(item);
    if (!trayItem) return;
    if (standIn_ && trayItem->standIn()) standIn_->removeStatusItem(trayItem->standIn());
    // Kept until the event ends, for an item created in the same event.
    released_ = trayItem->takeIcon();
    if (!settling_) {
        settling_ = true;
        QTimer::singleShot(0, this, &TrayStatusBar::settle);
    }
}

std::unique_ptr<QSystemTrayIcon> TrayStatusBar::makeIcon() {
    auto icon = std::make_unique<QSystemTrayIcon>();
    QSystemTrayIcon* raw = icon.get();
    // A click opens the menu; the host opens it by itself on a context click.
    connect(raw, &QSystemTrayIcon::activated, raw, [raw](QSystemTrayIcon::ActivationReason reason) {
        if (reason != QSystemTrayIcon::Trigger) return;
        if (QMenu* menu = raw->contextMenu()) menu->popup(QCursor::pos());
    });
    return icon;
}

void TrayStatusBar::settle() {
    settling_ = false;
    released_.reset();
    if (const auto item = takenOver_.lock(); item && !item->hasTitle()) item->showUntitled();
    takenOver_.reset();
}

std::unique_ptr<StatusBar> makeTray(std::unique_ptr<StatusBar> standIn) {
    return std::make_unique<TrayStatusBar>(std::move(standIn));
}

bool trayHostAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

}  // namespace ratelark
