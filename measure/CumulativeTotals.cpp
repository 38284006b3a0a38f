#include "app/AppController.h"

namespace ratelark {

void AppController::menuWillOpen(QMenu*) {}

void AppController::menuDidClose(QMenu*) {}

void AppController::resetDataState(QObject*) {}

void AppController::threadGetData() {}

void AppController::taskGetData(const QString&) {}

}  // namespace ratelark
