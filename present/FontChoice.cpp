#include "app/AppController.h"

namespace ratelark {

void AppController::clickFont(QObject*) {}

void AppController::changeFont(QObject*) {}

void AppController::becomeFontManagerTarget() {}

}  // namespace ratelark
