#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace ratelark {

// Hears the closing of every top-level window of the application, whoever
// owns it: the toolkit's counterpart of a process-wide will-close notice.
class WindowCloseObserver : public QObject {
public:
    explicit WindowCloseObserver(std::function<void(QWidget*)> willClose, QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(QWidget*)> willClose_;
};

// Makes a handler the delegate of one window: it hears its resizes, its
// closing and the end of its sheets (window-modal dialogs over it).
class WindowDelegate : public QObject {
public:
    WindowDelegate(QWidget* window, std::function<void(QWidget*)> didResize,
                   std::function<void(QWidget*)> willClose, std::function<void(QWidget*)> didEndSheet);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(QWidget*)> didResize_;
    std::function<void(QWidget*)> willClose_;
    std::function<void(QWidget*)> didEndSheet_;
    bool sheetOpen_ = false;  // the window is blocked by a sheet of its own
};

}  // namespace ratelark
