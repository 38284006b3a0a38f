#pragma once

#include "platform/StatusBar.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class QSystemTrayIcon;
class QWidget;

namespace ratelark {

// RateLark's icon in an X11 tray (XEmbed): its title drawn into the icon,
// the plain text as the icon's tool-tip. Shown from its creation on.
class TrayItem : public QObject, public StatusItem {
public:
    TrayItem();
    ~TrayItem() override;

    void setMenu(QMenu* menu) override;
    void setAttributedTitle(const AttributedText& title) override;

    // The look of an item without title: a small pair of arrows.
    void showUntitled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void draw();
    // The window Qt's X11 tray support embeds into the tray host, which
    // sizes it from its minimum size; none with other tray protocols.
    QWidget* embeddedWindow();

    std::unique_ptr<QSystemTrayIcon> icon_;
    std::optional<AttributedText> title_;
    QPointer<QWidget> watched_;
    int drawnHeight_ = 0;
};

}  // namespace ratelark
