#include "platform/linux/TrayEntry.h"

#include "platform/EverySecond.h"
#include "platform/Log.h"
#include "platform/linux/DesktopNotifications.h"
#include "platform/linux/SessionBus.h"
#include "platform/linux/StatusNotifierItem.h"
#include "platform/linux/StatusNotifierRegistration.h"
#include "platform/linux/TrayItem.h"

#include <QGuiApplication>
#include <QSystemTrayIcon>
#include <QTimer>

namespace ratelark {

namespace {

// How long a desktop may take to bring its status area up after RateLark starts.
constexpr int kStatusAreaGraceMs = 10000;

bool onX11() { return QGuiApplication::platformName() == QStringLiteral("xcb"); }

}  // namespace

TrayEntry::TrayEntry(std::unique_ptr<StatusBar> standIn, StatusAreaNotice notice)
    : bus_(advertisedSessionBus()), standInBar_(std::move(standIn)), notice_(std::move(notice)) {
    if (standInBar_) standIn_ = standInBar_->statusItemWithVariableLength();
    if (bus_.isConnected()) {
        item_ = std::make_unique<StatusNotifierItem>();
        registration_ = std::make_unique<StatusNotifierRegistration>(bus_, *item_, [this] { followHosts(); });
    }
    if (!notice_.summary.isEmpty()) QTimer::singleShot(kStatusAreaGraceMs, this, &TrayEntry::checkStatusArea);
}

TrayEntry::~TrayEntry() = default;

void TrayEntry::show() {
    if (shown_) return;
    shown_ = true;
    if (registration_) registration_->show();
    followHosts();
}

void TrayEntry::withdraw() {
    shown_ = false;
    if (registration_) registration_->withdraw();
    followHosts();
}

void TrayEntry::setMenu(QMenu* menu) {
    menu_ = menu;
    if (item_) item_->setMenu(menu);
    if (xembed_) xembed_->setMenu(menu);
    if (standIn_) standIn_->setMenu(menu);
}

RATELARK_EVERY_SECOND
void TrayEntry::setTitle(const AttributedText& title) {
    title_ = title;
    titledByOwner_ = true;
    if (item_) item_->setTitle(&title);
    if (xembed_) xembed_->setAttributedTitle(title);
    if (standIn_ && !hostPresent()) standIn_->setAttributedTitle(title);
}

void TrayEntry::showUntitled() {
    title_.reset();
    if (item_) item_->setTitle(nullptr);
    if (xembed_) xembed_->showUntitled();
    if (standIn_ && !hostPresent()) standIn_->showUntitled();
}

void TrayEntry::setOwner(const StatusItem* owner) {
    owner_ = owner;
    titledByOwner_ = false;
}

bool TrayEntry::statusNotifierHost() const { return registration_ && registration_->hostPresent(); }

bool TrayEntry::hostPresent() const {
    // Asked only without a StatusNotifierItem host: Qt's tray keeps the
    // answer of its first look at the bus, and would otherwise put a second
    // item of its own beside this one.
    return statusNotifierHost() || (onX11() && QSystemTrayIcon::isSystemTrayAvailable());
}

void TrayEntry::followHosts() {
    const bool wanted = shown_ && onX11() && !statusNotifierHost();
    if (!wanted) {
        xembed_.reset();
        return;
    }
    if (xembed_) return;
    xembed_ = std::make_unique<TrayItem>();
    xembed_->setMenu(menu_);
    if (title_) xembed_->setAttributedTitle(*title_);
}

void TrayEntry::checkStatusArea() {
    if (hostPresent()) return;
    nsLog(notice_.summary + QStringLiteral(": ") + notice_.body);
    if (!bus_.isConnected()) return;
    notifications_ = std::make_unique<DesktopNotifications>(bus_);
    notifications_->show(notice_);
}

}  // namespace ratelark
