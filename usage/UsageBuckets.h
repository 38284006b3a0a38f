#pragma once

#include <QDate>
#include <QDateTime>
#include <QTimeZone>

#include <compare>
#include <cstdint>

namespace ratelark {

// Where bytes seen at one moment are filed: the hour by its start in UTC, so
// that no clock change can move or merge hours, and the day by the local
// calendar date at that moment, so that a day is what the user calls a day
// (23 or 25 hours when the clocks change) and a later change of time zone
// moves nothing already filed. Months are the sums of their days.
struct UsageBucket {
    std::int64_t hourStart = 0;  // seconds since the epoch, a multiple of 3600
    int day = 0;                 // yyyymmdd
    auto operator<=>(const UsageBucket&) const = default;
};

UsageBucket bucketAt(const QDateTime& when, const QTimeZone& zone);

// A day's key, yyyymmdd.
int dayKey(QDate date);

}  // namespace ratelark
