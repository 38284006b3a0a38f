#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "platform/Log.h"
#include "platform/WindowOrdering.h"

namespace ratelark {

void AppController::clickMenuShowWindow(QObject*) {
    // The stored wish is the state before this click.
    orderSpeedWindow(!standardUserDefaults().boolForKey(keys::showWindow));
    standardUserDefaults().synchronize();
}

void AppController::clickButtonShowWindow(QObject* sender) {
    orderSpeedWindow(stateOf(sender) == 1);
    standardUserDefaults().synchronize();
}

void AppController::clickWindow(QObject*) {
    if (!window()) buildSettingsWindow();
    if (!window()) {
        nsLog(QStringLiteral("The interface description has no main window to show"));
        return;
    }
    // The window shows what is stored now, whatever changed while it was away.
    followPreferences(true);
    center(window());
    makeKeyAndOrderFront(window());
}

void AppController::windowDidResize(QWidget*) { nsLog(QStringLiteral("windowDidResize")); }

void AppController::windowDidEndSheet(QWidget* window) { forgetSpeedWindow(window); }

void AppController::windowWillClose(QWidget* window) { forgetSpeedWindow(window); }

void AppController::orderSpeedWindow(bool front) {
    if (!panel()) {
        nsLog(QStringLiteral("The interface description has no speed window to show or hide"));
        return;
    }
    if (front)
        orderFront(panel());
    else
        orderOut(panel());
    standardUserDefaults().setObject(front, keys::showWindow);
    followPreferences();
}

void AppController::forgetSpeedWindow(QWidget* window) {
    // Every window's closing arrives here, the speed window's twice: once
    // as its delegate and once through the application-wide observation.
    if (!window || window != panel()) return;
    standardUserDefaults().setObject(QStringLiteral("0"), keys::showWindow);
    standardUserDefaults().synchronize();
    followPreferences();
}

}  // namespace ratelark
