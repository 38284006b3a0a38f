#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "measure/SampleParser.h"

#include <cmath>

namespace ratelark {

namespace {

// No interface moves more than this in one second; a bigger count is
// garbage and is left out, rather than spoil the whole averaging period.
constexpr double kLargestSample = 1073741824.0;  // 2^30 bytes

double usable(double count) { return std::isfinite(count) && count <= kLargestSample ? count : 0.0; }

}  // namespace

void AppController::getMBS(const QByteArray& chunk) {
    const SampleCounts sample = parseSample(chunk);
    setSpeedIn(speedIn() + usable(sample.received));
    setSpeedOut(speedOut() + usable(sample.sent));

    const qint64 interval = standardUserDefaults().integerForKey(keys::refreshInterval);
    setSpeedCount(speedCount() + 1);
    if (speedCount() < interval) return;

    const double download = speedIn() / static_cast<double>(speedCount());
    const double upload = speedOut() / static_cast<double>(speedCount());
    composeStatusTitle(download, upload);
}

}  // namespace ratelark
