#include "platform/linux/TrayStatusBar.h"

#include "platform/EverySecond.h"
#include "platform/linux/SessionBus.h"
#include "platform/linux/TrayEntry.h"

#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QSystemTrayIcon>
#include <QTimer>

namespace ratelark {

namespace {

// An item of the status area: it acts on the entry while it is the entry's owner.
class TrayStatusItem : public StatusItem {
public:
    explicit TrayStatusItem(std::shared_ptr<TrayEntry> entry) : entry_(std::move(entry)) {}

    void setMenu(QMenu* menu) override {
        if (entry_->owner() == this) entry_->setMenu(menu);
    }
    RATELARK_EVERY_SECOND void setAttributedTitle(const AttributedText& title) override {
        if (entry_->owner() == this) entry_->setTitle(title);
    }
    void showUntitled() override {
        if (entry_->owner() == this) entry_->showUntitled();
    }

private:
    // Shared: the controller may keep its item longer than the status bar lives.
    std::shared_ptr<TrayEntry> entry_;
};

}  // namespace

TrayStatusBar::TrayStatusBar(std::unique_ptr<StatusBar> standIn, StatusAreaNotice notice)
    : entry_(std::make_shared<TrayEntry>(std::move(standIn), std::move(notice))) {
    settling_.setSingleShot(true);
    settling_.setInterval(0);
    connect(&settling_, &QTimer::timeout, this, &TrayStatusBar::settle);
}

TrayStatusBar::~TrayStatusBar() = default;

RATELARK_EVERY_SECOND
std::shared_ptr<StatusItem> TrayStatusBar::statusItemWithVariableLength() {
    auto item = std::make_shared<TrayStatusItem>(entry_);
    const bool handedOver = settling_.isActive() && !entry_->owner();
    entry_->setOwner(item.get());
    if (!handedOver) {
        entry_->show();
        entry_->showUntitled();
    }
    return item;
}

RATELARK_EVERY_SECOND
void TrayStatusBar::removeStatusItem(const std::shared_ptr<StatusItem>& item) {
    if (!item || entry_->owner() != item.get()) return;
    entry_->setOwner(nullptr);
    if (!settling_.isActive()) settling_.start();
}

void TrayStatusBar::settle() {
    if (!entry_->owner())
        entry_->withdraw();
    else if (!entry_->titledByOwner())
        entry_->showUntitled();
}

std::unique_ptr<StatusBar> makeTray(std::unique_ptr<StatusBar> standIn, StatusAreaNotice notice) {
    return std::make_unique<TrayStatusBar>(std::move(standIn), std::move(notice));
}

bool trayHostAvailable() {
    const QDBusConnection bus = advertisedSessionBus();
    if (bus.isConnected() && bus.interface()->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher")))
        return true;
    return QGuiApplication::platformName() == QStringLiteral("xcb") && QSystemTrayIcon::isSystemTrayAvailable();
}

}  // namespace ratelark
