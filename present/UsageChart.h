#pragma once

#include "usage/UsagePeriod.h"
#include "usage/UsageRecorder.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <vector>

namespace ratelark {

class UsageDatabase;

// What a chart of the usage history shows: one bar pair per period, oldest
// first and the current period last, in local time.
struct UsageChart {
    QStringList labels;   // under the bars; blank where a label would crowd
    QStringList periods;  // each period named in full, for its tool tip
    std::vector<UsageAmount> amounts;
    UsageAmount current, whole;  // the current period, and every period shown
    QStringList totals;          // the two lines beside the chart
};

// The last 48 hours, 31 days or 12 months, as they are stored now.
UsageChart usageChart(UsageDatabase& database, UsagePeriod period, const QDateTime& now, const QTimeZone& zone);

}  // namespace ratelark
