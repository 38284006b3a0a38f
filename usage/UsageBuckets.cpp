#include "usage/UsageBuckets.h"

namespace ratelark {

UsageBucket bucketAt(const QDateTime& when, const QTimeZone& zone) {
    const std::int64_t seconds = when.toSecsSinceEpoch();
    const std::int64_t hourStart = seconds - ((seconds % 3600) + 3600) % 3600;
    return {hourStart, dayKey(when.toTimeZone(zone).date())};
}

int dayKey(QDate date) { return date.year() * 10000 + date.month() * 100 + date.day(); }

}  // namespace ratelark
