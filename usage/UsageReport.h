#pragma once

#include "platform/UsageDatabase.h"
#include "usage/UsagePeriod.h"
#include "usage/UsageRecorder.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <map>
#include <optional>
#include <vector>

namespace ratelark {

struct UsageReportRow {
    QString name;       // summary rows: "today", "yesterday", "this_month", "last_month", "all_time"
    QDateTime start;    // other rows: the period's start, in local time
    UsageAmount total;  // every interface together
    std::map<QString, UsageAmount> interfaces;
};

// A period's rows, oldest first and the current period last: the last 24
// hours, 30 days or 12 months, with rows of nothing where nothing was
// recorded; or the summary.
// The data allowance's period and how much of it is used.
struct AllowanceReport {
    std::uint64_t bytes = 0;
    std::uint64_t used = 0;
    QDate start, end;  // [start, end)
};

struct UsageReport {
    UsagePeriod period = UsagePeriod::Summary;
    std::optional<AllowanceReport> allowance;
    QStringList interfaces;  // every interface in the rows, sorted
    std::vector<UsageReportRow> rows;
    bool hasHistory = false;  // false: nothing was ever recorded
};

UsageReport usageReport(UsageDatabase& database, UsagePeriod period, const QDateTime& now, const QTimeZone& zone);

}  // namespace ratelark
