#pragma once

#include "platform/StatusBar.h"

#include <QObject>
#include <QPointer>
#include <QSize>

#include <memory>
#include <optional>

class QSystemTrayIcon;
class QWidget;

namespace ratelark {

// One item of the tray: its title's compact form drawn into the icon at the
// size the tray host gives, the whole text as the icon's tool-tip. standIn,
// when given, shows the titles while no tray host runs.
class TrayItem : public QObject, public StatusItem {
public:
    TrayItem(std::unique_ptr<QSystemTrayIcon> icon, std::shared_ptr<StatusItem> standIn);
    ~TrayItem() override;

    void setMenu(QMenu* menu) override;
    void setAttributedTitle(const AttributedText& title) override;

    bool hasTitle() const { return title_.has_value(); }
    // The look of an item without title: a pair of arrows.
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
    // sizes it; none with other tray protocols.
    QWidget* embeddedWindow();

    std::unique_ptr<QSystemTrayIcon> icon_;
    std::shared_ptr<StatusItem> standIn_;
    std::optional<AttributedText> title_;
    QPointer<QWidget> watched_;
    QSize drawnSize_;
};

}  // namespace ratelark
