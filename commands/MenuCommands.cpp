#include "app/AppController.h"

namespace ratelark {

void AppController::clickRefreshInterval(QObject*) {}

void AppController::clickShowType(QObject*) {}

void AppController::clickOpenAtLogin(QObject*) {}

void AppController::launchActivityMonitor(QObject*) {}

void AppController::clickRateOnAppStore(QObject*) {}

void AppController::clickSupport(QObject*) {}

void AppController::clickQuit(QObject*) {
    standardUserDefaults().synchronize();
    services_.eventLoop->stop();
}

}  // namespace ratelark
