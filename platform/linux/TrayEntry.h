#pragma once

#include "platform/StatusSurfaces.h"

#include <QDBusConnection>
#include <QMenu>
#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

namespace ratelark {

class DesktopNotifications;
class StatusNotifierItem;
class StatusNotifierRegistration;
class TrayItem;

// The one entry RateLark keeps in the desktop's status area, shown the way
// the session offers: as a StatusNotifierItem whenever a host draws those;
// on X11, while none does, as an XEmbed tray icon instead; and while neither
// host runs, also as lines of the stand-in, when there is one. The item stays
// registered with any StatusNotifierItem watcher all along, so a host that
// comes later finds it at once, and the XEmbed icon then goes.
class TrayEntry : public QObject {
public:
    TrayEntry(std::unique_ptr<StatusBar> standIn, StatusAreaNotice notice);
    ~TrayEntry() override;

    // Into the status area, and out of it.
    void show();
    void withdraw();
    void setMenu(QMenu* menu);
    void setTitle(const AttributedText& title);
    void showUntitled();

    // The item the entry serves now, and whether it gave a title since it took over.
    const StatusItem* owner() const { return owner_; }
    void setOwner(const StatusItem* owner);
    bool titledByOwner() const { return titledByOwner_; }

private:
    bool statusNotifierHost() const;
    bool hostPresent() const;
    // Shows the XEmbed icon exactly while it is the way to be seen.
    void followHosts();
    // A while after the start: with no host yet, tells the user once.
    void checkStatusArea();

    QDBusConnection bus_;
    std::unique_ptr<StatusBar> standInBar_;
    std::shared_ptr<StatusItem> standIn_;
    StatusAreaNotice notice_;
    std::unique_ptr<StatusNotifierItem> item_;  // none without a session bus
    std::unique_ptr<StatusNotifierRegistration> registration_;
    std::unique_ptr<TrayItem> xembed_;
    std::unique_ptr<DesktopNotifications> notifications_;
    QPointer<QMenu> menu_;
    std::optional<AttributedText> title_;
    const StatusItem* owner_ = nullptr;
    bool titledByOwner_ = false;
    bool shown_ = false;
};

}  // namespace ratelark
