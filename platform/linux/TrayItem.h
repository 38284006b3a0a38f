#pragma once

#include "platform/StatusBar.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class QSystemTrayIcon;
class QWidget;

namespace ratelark {

// One item of the tray: its title drawn into the icon, the plain text as the
// icon's tool-tip. standIn, when given, shows the titles while no tray host runs.
class TrayItem : public QObject, public StatusItem {
public:
    TrayItem(std::unique_ptr<QSystemTrayIcon> icon, std::shared_ptr<StatusItem> standIn);
    ~TrayItem() override;

    void setMenu(QMenu* menu) override;
    void setAttributedTitle(const AttributedText& title) override;

    bool hasTitle() const { return title_.has_value(); }
    // The look of an item without title: a small pair of arrows.
    void showUntitled();
    // The icon showing this item; none once it has been handed over.
    const QSystemTrayIcon* icon() const { return icon_.get(); }
    std::unique_ptr<QSystemTrayIcon> takeIcon();
    const std::shared_ptr<StatusItem>& standIn() const { return standIn_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void draw();
    // The window Qt's X11 tray support embeds into the tray host, which
    // sizes it from its minimum size; none with other tray protocols.
    QWidget* embeddedWindow();

    std::unique_ptr<QSystemTrayIcon> icon_;
    std::shared_ptr<StatusItem> standIn_;
    std::optional<AttributedText> title_;
    QPointer<QWidget> watched_;
    int drawnHeight_ = 0;
};

}  // namespace ratelark
