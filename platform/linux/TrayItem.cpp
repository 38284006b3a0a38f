#include "platform/linux/TrayItem.h"

#include "platform/StatusSurfaces.h"
#include "platform/TitlePicture.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

#include <algorithm>

namespace ratelark {

namespace {

// The size trays give an icon when they do not say.
constexpr int kDefaultSize = 22;
const QString kEmbeddedWindowName = QStringLiteral("QSystemTrayIconSys");

}  // namespace

TrayItem::TrayItem(std::unique_ptr<QSystemTrayIcon> icon, std::shared_ptr<StatusItem> standIn)
    : icon_(std::move(icon)), standIn_(std::move(standIn)) {}

TrayItem::~TrayItem() = default;

void TrayItem::setMenu(QMenu* menu) {
    if (icon_) icon_->setContextMenu(menu);
    if (standIn_) standIn_->setMenu(menu);
}

void TrayItem::setAttributedTitle(const AttributedText& title) {
    title_ = title;
    draw();
    if (icon_) icon_->setToolTip(title.text);
    if (standIn_ && !trayHostAvailable()) standIn_->setAttributedTitle(title);
}

void TrayItem::showUntitled() {
    title_.reset();
    draw();
}

std::unique_ptr<QSystemTrayIcon> TrayItem::takeIcon() {
    if (watched_) watched_->removeEventFilter(this);
    watched_ = nullptr;
    return std::move(icon_);
}

bool TrayItem::eventFilter(QObject* watched, QEvent* event) {
    // The host decides the size: draw again when it changes it.
    if (watched == watched_ && event->type() == QEvent::Resize && watched_->size() != drawnSize_) draw();
    return false;
}

void TrayItem::draw() {
    if (!icon_) return;
    // Drawn for the slot the host gave, never the other way round: a tray
    // lays its icons out itself, and an icon that resizes its own window
    // drifts out of its slot.
    QWidget* window = embeddedWindow();
    const int side = window ? std::min(window->width(), window->height()) : 0;
    const qreal ratio = window ? window->devicePixelRatioF() : qApp->devicePixelRatio();
    const QImage picture = drawCompactTitle(title_ ? *title_ : AttributedText(), side > 0 ? side : kDefaultSize, ratio);
    drawnSize_ = window ? window->size() : QSize();
    icon_->setIcon(QIcon(QPixmap::fromImage(picture)));
    if (!icon_->isVisible()) icon_->show();
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
