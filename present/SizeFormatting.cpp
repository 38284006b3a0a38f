#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "present/SizeFormat.h"

namespace ratelark {

QString AppController::formatSize(double bytesPerSecond) {
    // Both read on every call, so a changed setting shows in the next text.
    const bool bits = standardUserDefaults().boolForKey(keys::bitsPerSecond);
    const qint64 showType = standardUserDefaults().integerForKey(keys::showType);
    return formatSizeText(bytesPerSecond, bits, showType);
}

}  // namespace ratelark
