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

// The data allowance's period and how much of it is used.
struct AllowanceReport {
    std::uint64_t bytes = 0;
    std::uint64_t used = 0;
    QDate start, end;  // [start, end)
};

// A period's rows, oldest first and the current period last: the last hours,
// days or months, with rows of nothing where nothing was recorded; or the
// summary.
struct UsageReport {
    UsagePeriod period = UsagePeriod::Summary;
    std::optional<AllowanceReport> allowance;
    QStringList interfaces;  // every interface in the rows, sorted
    std::vector<UsageReportRow> rows;
    bool hasHistory = false;  // false: nothing was ever recorded
};

// rows: how many hours, days or months; 0: as many as `--usage` prints (24,
// 30 and 12). The summary has its five rows whatever rows says.
UsageReport usageReport(UsageDatabase& database, UsagePeriod period, const QDateTime& now, const QTimeZone& zone,
                        int rows = 0);

}  // namespace ratelark
