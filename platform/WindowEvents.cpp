#include "platform/WindowEvents.h"

#include <QGuiApplication>
#include <QResizeEvent>
#include <QWidget>
#include <QWindow>

namespace ratelark {

namespace {

// A sheet: a dialog that blocks only the window it belongs to.
bool isSheetOf(const QWidget* window, const QWindow* modal) {
    return modal && modal->modality() == Qt::WindowModal && modal->transientParent() == window->windowHandle();
}

}  // namespace

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
                               std::function<void(QWidget*)> willClose, std::function<void(QWidget*)> didEndSheet)
    : QObject(window),
      didResize_(std::move(didResize)),
      willClose_(std::move(willClose)),
      didEndSheet_(std::move(didEndSheet)) {
    window->installEventFilter(this);
}

bool WindowDelegate::eventFilter(QObject* watched, QEvent* event) {
    auto* window = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::Resize: {
        // The size given to a window before it was first shown arrives with
        // that showing, with no old size: that is no resize of the window.
        const auto* resize = static_cast<const QResizeEvent*>(event);
        if (resize->oldSize().isValid() && resize->oldSize() != resize->size()) didResize_(window);
        break;
    }
    case QEvent::Close:
        willClose_(window);
        break;
    case QEvent::WindowBlocked:
        sheetOpen_ = isSheetOf(window, QGuiApplication::modalWindow());
        break;
    case QEvent::WindowUnblocked:
        if (sheetOpen_) {
            sheetOpen_ = false;
            didEndSheet_(window);
        }
        break;
    default:
        break;
    }
    return false;
}

}  // namespace ratelark
