#include "app/AppController.h"

#include "platform/EverySecond.h"

namespace ratelark {

namespace {

// Systems numbered below 10 in either place get a fresh item at every update.
constexpr std::int32_t kKeepItemFrom = 10;

}  // namespace

RATELARK_EVERY_SECOND
void AppController::updateStatusItem(const AttributedText* title) {
    // Opens the next averaging period, whatever the title.
    setSpeedCount(0);
    setSpeedOut(0.0);
    setSpeedIn(0.0);

    StatusBar& bar = *services().statusBar;
    const bool recreate = versionMajor() < kKeepItemFrom || versionMinor() < kKeepItemFrom;
    if (recreate) {
        if (statusItem()) bar.removeStatusItem(statusItem());
        setStatusItem(bar.statusItemWithVariableLength());
        statusItem()->setMenu(statusMenu());
    } else if (!statusItem()) {
        setStatusItem(bar.statusItemWithVariableLength());
        statusItem()->setMenu(statusMenu());
    }

    if (title && title->length() > 0) statusItem()->setAttributedTitle(*title);
}

}  // namespace ratelark
