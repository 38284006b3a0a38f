#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "usage/UsageText.h"

namespace ratelark {

namespace {

// Readings are taken at every sampler restart (every 30 seconds) and
// written every tenth: five minutes of bytes wait at most, and a crash
// loses none of them, only the hour they were seen in (the next start
// catches them up from the counters).
constexpr int kRestartsPerWrite = 10;

}  // namespace

void AppController::observeUsage(const CountedInterfaces& counted, const NetworkInterfaces& interfaces) {
    if (usageRecorder_) usageRecorder_->observe(counted.counted, interfaces);
}

void AppController::followUsage() {
    if (!usageRecorder_) return;
    // The first restart writes at once, so that a first run has its
    // baseline stored early.
    if (usageTicks_++ % kRestartsPerWrite == 0 && usageRecorder_->write()) showUsageChart();
    showUsage();
}

void AppController::recordUsage() {
    if (!usageRecorder_) return;
    const NetworkInterfaces interfaces = currentNetworkInterfaces();
    const InterfaceChoice choice = interfaceChoice(standardUserDefaults().valueForKey(keys::interfaces));
    usageRecorder_->observe(countedInterfaces(choice, interfaces).counted, interfaces);
    usageRecorder_->write();
}

void AppController::showUsage() {
    if (!usageRecorder_) return;
    usageLines_ = recentUsageLines(usageRecorder_->recent());
    if (itemUsageToday()) itemUsageToday()->setText(usageLines_.value(0));
    if (itemUsageMonth()) itemUsageMonth()->setText(usageLines_.value(1));
}

}  // namespace ratelark
