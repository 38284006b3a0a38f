#include "app/AppController.h"

namespace ratelark {

void AppController::composeStatusTitle(QString, QString) {}

}  // namespace ratelark
