#include "app/AppController.h"

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
    if (!usageRecorder_) return;
    usageCounted_ = counted.counted;
    usageRecorder_->observe(counted.counted, interfaces);
}

void AppController::followUsage() {
    if (!usageRecorder_) return;
    // The first restart writes at once, so that a first run has its
    // baseline stored early.
    if (usageTicks_++ % kRestartsPerWrite == 0 && writeUsage()) showUsageChart();
    showUsage();
}

void AppController::recordUsage() {
    if (!usageRecorder_) return;
    const InterfacesNow now = interfacesNow();
    observeUsage(now.counted, now.interfaces);
    writeUsage();
}

void AppController::showUsage() {
    if (!usageRecorder_) return;
    usageRecorder_->watchAllowance(followAllowance());
    const RecentUsage recent = usageRecorder_->recent();
    QStringList lines = recentUsageLines(recent);
    if (itemUsageToday()) itemUsageToday()->setText(lines.value(0));
    if (itemUsageMonth()) itemUsageMonth()->setText(lines.value(1));
    allowanceLevel_ = allowanceLevel(recent.periodUsed, allowance_.bytes);
    if (allowance_.isOn())
        lines << allowanceLine(recent.periodUsed, allowance_.bytes,
                               allowancePeriod(QDate::currentDate(), allowance_.startDay));
    if (itemUsagePeriod()) {
        itemUsagePeriod()->setVisible(allowance_.isOn());
        if (allowance_.isOn()) itemUsagePeriod()->setText(lines.value(2));
    }
    usageToolTip_.clear();
    for (const QString& line : lines) usageToolTip_ += QLatin1Char('\n') + line;
}

}  // namespace ratelark
