#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "measure/SampleParser.h"
#include "platform/EverySecond.h"

#include <QDateTime>

#include <cmath>

namespace ratelark {

namespace {

// No machine moves more than this in one second (8.8 Tbit/s; 10 GbE at line
// rate is 1.25 GB/s): a bigger count is garbage and is left out, rather than
// spoil the whole averaging period.
constexpr double kLargestSample = 1099511627776.0;  // 2^40 bytes

double usable(double count) { return std::isfinite(count) && count <= kLargestSample ? count : 0.0; }

}  // namespace

RATELARK_EVERY_SECOND
void AppController::getMBS(const QByteArray& chunk) {
    const SampleCounts sample = parseSample(chunk);
    setSpeedIn(speedIn() + usable(sample.received));
    setSpeedOut(speedOut() + usable(sample.sent));
    // Each line is one second of the sampler, whatever the refresh interval.
    speedRing_.push({QDateTime::currentMSecsSinceEpoch(), usable(sample.received), usable(sample.sent)});
    if (usageWindow_) showLiveGraph();
    followSpeedGraph();

    const qint64 interval = titleSettings().refreshInterval;
    setSpeedCount(speedCount() + 1);
    if (speedCount() < interval) return;

    const double download = speedIn() / static_cast<double>(speedCount());
    const double upload = speedOut() / static_cast<double>(speedCount());
    composeStatusTitle(download, upload);
}

}  // namespace ratelark
