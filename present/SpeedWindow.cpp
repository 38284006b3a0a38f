#include "app/AppController.h"

namespace ratelark {

void AppController::clickMenuShowWindow(QObject*) {}

void AppController::clickButtonShowWindow(QObject*) {}

void AppController::clickWindow(QObject*) {}

void AppController::windowDidResize(QWidget*) {}

void AppController::windowDidEndSheet(QWidget*) {}

void AppController::windowWillClose(QWidget*) {}

}  // namespace ratelark
