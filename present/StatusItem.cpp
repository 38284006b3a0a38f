#include "app/AppController.h"

namespace ratelark {

void AppController::updateStatusItem(const AttributedText*) {}

}  // namespace ratelark
