#include "app/AppController.h"

namespace ratelark {

QString AppController::formatSize(double) { return {}; }

}  // namespace ratelark
