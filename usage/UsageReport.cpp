#include "usage/UsageReport.h"

#include "usage/UsageBuckets.h"

#include <limits>

namespace ratelark {

namespace {

void add(UsageReportRow& row, const UsageRow& stored) {
    const UsageAmount amount{stored.received, stored.sent};
    row.total += amount;
    row.interfaces[stored.interface] += amount;
}

QDate monthOf(QDate date, int monthsBack) { return QDate(date.year(), date.month(), 1).addMonths(-monthsBack); }

// Rows for consecutive periods, each from its start to the next one's, filled from days.
std::vector<UsageReportRow> dayRows(UsageDatabase& database, const std::vector<QDate>& starts, QDate end,
                                    const QTimeZone& zone) {
    std::vector<UsageReportRow> rows;
    for (const QDate& start : starts) rows.push_back({{}, start.startOfDay(zone), {}, {}});
    for (const UsageRow& stored : database.days(dayKey(starts.front()), dayKey(end))) {
        std::size_t index = starts.size() - 1;
        while (index > 0 && int(stored.key) < dayKey(starts[index])) --index;
        add(rows[index], stored);
    }
    return rows;
}

std::vector<UsageReportRow> hourRows(UsageDatabase& database, const QDateTime& now, const QTimeZone& zone,
                                     int count) {
    const std::int64_t current = bucketAt(now, zone).hourStart;
    const std::int64_t first = current - std::int64_t(count - 1) * 3600;
    std::vector<UsageReportRow> rows;
    for (int back = count - 1; back >= 0; --back)
        rows.push_back({{}, QDateTime::fromSecsSinceEpoch(current - back * 3600, zone), {}, {}});
    for (const UsageRow& stored : database.hours(first, current + 3600))
        add(rows[std::size_t((stored.key - first) / 3600)], stored);
    return rows;
}

std::vector<UsageReportRow> summaryRows(UsageDatabase& database, QDate today) {
    struct Span {
        const char* name;
        QDate from, to;
    };
    const Span spans[] = {
        {"today", today, today.addDays(1)},
        {"yesterday", today.addDays(-1), today},
        {"this_month", monthOf(today, 0), monthOf(today, -1)},
        {"last_month", monthOf(today, 1), monthOf(today, 0)},
    };
    std::vector<UsageReportRow> rows;
    for (const Span& span : spans) {
        rows.push_back({QLatin1String(span.name), {}, {}, {}});
        for (const UsageRow& stored : database.days(dayKey(span.from), dayKey(span.to))) add(rows.back(), stored);
    }
    rows.push_back({QStringLiteral("all_time"), {}, {}, {}});
    for (const UsageRow& stored : database.days(0, std::numeric_limits<int>::max())) add(rows.back(), stored);
    return rows;
}

}  // namespace

UsageReport usageReport(UsageDatabase& database, UsagePeriod period, const QDateTime& now, const QTimeZone& zone,
                        int rows) {
    constexpr int kPrintedRows[] = {0, 24, 30, 12};
    const int count = rows > 0 ? rows : kPrintedRows[static_cast<int>(period)];
    UsageReport report;
    report.period = period;
    const QDate today = now.toTimeZone(zone).date();
    switch (period) {
    case UsagePeriod::Summary: report.rows = summaryRows(database, today); break;
    case UsagePeriod::Hours: report.rows = hourRows(database, now, zone, count); break;
    case UsagePeriod::Days: {
        std::vector<QDate> starts;
        for (int back = count - 1; back >= 0; --back) starts.push_back(today.addDays(-back));
        report.rows = dayRows(database, starts, today.addDays(1), zone);
        break;
    }
    case UsagePeriod::Months: {
        std::vector<QDate> starts;
        for (int back = count - 1; back >= 0; --back) starts.push_back(monthOf(today, back));
        report.rows = dayRows(database, starts, monthOf(today, -1), zone);
        break;
    }
    }
    report.hasHistory = !database.days(0, std::numeric_limits<int>::max()).empty();
    QStringList names;
    for (const UsageReportRow& row : report.rows)
        for (const auto& entry : row.interfaces)
            if (!names.contains(entry.first)) names << entry.first;
    names.sort();
    report.interfaces = names;
    return report;
}

}  // namespace ratelark
