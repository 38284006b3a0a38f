#include "app/AppController.h"

namespace ratelark {

void AppController::getMBS(const QByteArray&) {}

}  // namespace ratelark
