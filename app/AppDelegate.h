#pragma once

#include <QPointer>
#include <QWidget>

namespace ratelark {

// Answers the application's two questions: nothing to do once launched, and
// closing the last window does not quit (RateLark lives in the status area).
class AppDelegate {
public:
    void applicationDidFinishLaunching() {}
    bool applicationShouldTerminateAfterLastWindowClosed() const { return false; }

    QWidget* window() const { return window_; }
    void setWindow(QWidget* window) { window_ = window; }

private:
    QPointer<QWidget> window_;
};

}  // namespace ratelark
