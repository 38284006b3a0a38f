#include "app/AppController.h"

#include "platform/EverySecond.h"
#include "present/SizeFormat.h"

namespace ratelark {

RATELARK_EVERY_SECOND
QString AppController::formatSize(double bytesPerSecond) {
    // As the settings are now, so a changed setting shows in the next text.
    const TitleSettings& settings = titleSettings();
    return formatSizeText(bytesPerSecond, settings.bitsPerSecond, settings.showType);
}

}  // namespace ratelark
