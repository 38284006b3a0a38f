#include "platform/linux/TrayItem.h"

#include "platform/EverySecond.h"
#include "platform/TitlePicture.h"
#include "platform/linux/TrayColors.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWidget>

#include <algorithm>

namespace ratelark {

namespace {

// The size trays give an icon when they do not say.
constexpr int kDefaultSize = 22;
const QString kEmbeddedWindowName = QStringLiteral("QSystemTrayIconSys");

}  // namespace

TrayItem::TrayItem() : icon_(std::make_unique<QSystemTrayIcon>()) {
    // A click opens the menu; the host opens it by itself on a context click.
    connect(icon_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason != QSystemTrayIcon::Trigger) return;
        if (QMenu* menu = icon_->contextMenu()) menu->popup(QCursor::pos());
    });
    showUntitled();
}

TrayItem::~TrayItem() = default;

void TrayItem::setMenu(QMenu* menu) {
    if (menu_) menu_->removeEventFilter(this);
    menu_ = menu;
    if (menu) menu->installEventFilter(this);
    icon_->setContextMenu(menu);
}

RATELARK_EVERY_SECOND
void TrayItem::setAttributedTitle(const AttributedText& title) {
    title_ = title;
    draw();
    icon_->setToolTip(title.text);
}

void TrayItem::showUntitled() {
    title_.reset();
    draw();
}

bool TrayItem::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Resize) return false;
    // The host decides the size: draw again when it changes it.
    if (watched == watched_ && watched_->size() != drawnSize_) draw();
    // A totals pass that finishes while the menu is open widens it to the
    // right, off a screen whose right edge holds the tray.
    if (watched == menu_ && menu_->isVisible()) keepOnScreen(*menu_);
    return false;
}

void keepOnScreen(QWidget& window) {
    const QRect area = window.screen()->availableGeometry();
    QRect frame = window.frameGeometry();
    frame.moveRight(std::min(frame.right(), area.right()));
    frame.moveBottom(std::min(frame.bottom(), area.bottom()));
    frame.moveLeft(std::max(frame.left(), area.left()));
    frame.moveTop(std::max(frame.top(), area.top()));
    if (frame.topLeft() != window.frameGeometry().topLeft()) window.move(frame.topLeft());
}

RATELARK_EVERY_SECOND
void TrayItem::draw() {
    // Drawn for the slot the host gave, never the other way round: a tray
    // lays its icons out itself, and an icon that resizes its own window
    // drifts out of its slot.
    QWidget* window = embeddedWindow();
    const int side = window ? std::min(window->width(), window->height()) : 0;
    const qreal ratio = window ? window->devicePixelRatioF() : qApp->devicePixelRatio();
    // The tray's own text colour, read at every drawing: it follows the panel's theme.
    const QImage picture = drawCompactTitle(title_ ? *title_ : AttributedText(), side > 0 ? side : kDefaultSize, ratio,
                                            trayTextColor());
    drawnSize_ = window ? window->size() : QSize();
    icon_->setIcon(QIcon(QPixmap::fromImage(picture)));
    if (!icon_->isVisible()) icon_->show();
}

RATELARK_EVERY_SECOND
QWidget* TrayItem::embeddedWindow() {
    QWidget* found = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == kEmbeddedWindowName) found = widget;
    if (found != watched_) {
        if (watched_) watched_->removeEventFilter(this);
        watched_ = found;
        if (found) found->installEventFilter(this);
    }
    return found;
}

}  // namespace ratelark
