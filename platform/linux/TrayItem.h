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

// Moves a window back inside the available area of its screen, as far as
// it fits there.
void keepOnScreen(QWidget& window);

// RateLark's icon in an X11 tray (XEmbed): its title's compact form drawn
// into the icon at the size the tray host gives, the whole text as the
// icon's tool-tip. Shown from its creation on.
class TrayItem : public QObject, public StatusItem {
public:
    TrayItem();
    ~TrayItem() override;

    void setMenu(QMenu* menu) override;
    void setAttributedTitle(const AttributedText& title) override;

    // The look of an item without title: a pair of arrows.
    void showUntitled() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void draw();
    // The window Qt's X11 tray support embeds into the tray host, which
    // sizes it; none with other tray protocols.
    QWidget* embeddedWindow();

    std::unique_ptr<QSystemTrayIcon> icon_;
    QPointer<QMenu> menu_;
    std::optional<AttributedText> title_;
    QPointer<QWidget> watched_;
    QSize drawnSize_;
};

}  // namespace ratelark
