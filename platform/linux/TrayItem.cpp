#include "platform/linux/TrayItem.h"

#include "platform/TitlePicture.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QPalette>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

#include <cmath>

namespace ratelark {

namespace {

// The height trays give an icon when they do not say.
constexpr int kDefaultHeight = 22;
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

void TrayItem::setMenu(QMenu* menu) { icon_->setContextMenu(menu); }

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
    // The host decides the height: draw again when it changes it.
    if (watched == watched_ && event->type() == QEvent::Resize && watched_->height() != drawnHeight_) draw();
    return false;
}

void TrayItem::draw() {
    QWidget* window = embeddedWindow();
    const int height = window && window->height() > 0 ? window->height() : kDefaultHeight;
    const qreal ratio = window ? window->devicePixelRatioF() : qApp->devicePixelRatio();
    const QColor textColor = QGuiApplication::palette().color(QPalette::WindowText);
    AttributedText untitled;
    untitled.text = QStringLiteral("\u2193\u2191");
    const QImage picture = drawTitle(title_ ? *title_ : untitled, height, ratio, textColor);
    drawnHeight_ = height;
    icon_->setIcon(QIcon(QPixmap::fromImage(picture)));
    if (!icon_->isVisible()) icon_->show();
    if (window) {
        // As wide as the picture, so the host gives the whole title room.
        const int width = qCeil(picture.width() / picture.devicePixelRatio());
        if (window->minimumWidth() != width) {
            window->setMinimumWidth(width);
            window->resize(width, window->height());
        }
    }
}

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
