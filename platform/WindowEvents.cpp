#include "platform/WindowEvents.h"

#include <QEvent>
#include <QWidget>

namespace ratelark {

WindowCloseObserver::WindowCloseObserver(std::function<void(QWidget*)> willClose, QObject* parent)
    : QObject(parent), willClose_(std::move(willClose)) {}

bool WindowCloseObserver::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow()) willClose_(widget);
    }
    return false;
}

WindowDelegate::WindowDelegate(QWidget* window, std::function<void(QWidget*)> didResize,
                               std::function<void(QWidget*)> willClose)
    : QObject(window), didResize_(std::move(didResize)), willClose_(std::move(willClose)) {
    window->installEventFilter(this);
}

bool WindowDelegate::eventFilter(QObject* watched, QEvent* event) {
    auto* window = static_cast<QWidget*>(watched);
    if (event->type() == QEvent::Resize) didResize_(window);
    else if (event->type() == QEvent::Close) willClose_(window);
    return false;
}

}  // namespace ratelark
