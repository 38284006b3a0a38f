#include "app/AppController.h"

namespace ratelark {

void AppController::startStopTask() {}

void AppController::onTimerStartStopTask() {}

void AppController::outputDataReady(const QByteArray&) {}

void AppController::errorDataReady(const QByteArray&) {}

void AppController::taskTerminated() {}

}  // namespace ratelark
