#include "present/UsageChart.h"

#include "usage/UsageReport.h"
#include "usage/UsageText.h"

namespace ratelark {

namespace {

struct ChartKind {
    int rows;
    const char* currentName;
    const char* wholeName;
    const char* periodFormat;  // for the tool tip
};

ChartKind kindOf(UsagePeriod period) {
    switch (period) {
    case UsagePeriod::Hours: return {48, "This Hour", "Last 48 Hours", "ddd d MMM, HH:mm"};
    case UsagePeriod::Days: return {31, "Today", "Last 31 Days", "ddd d MMM yyyy"};
    case UsagePeriod::Summary:
    case UsagePeriod::Months: break;
    }
    return {12, "This Month", "Last 12 Months", "MMMM yyyy"};
}

// Labels a bar's width apart would crowd: every sixth hour of the local
// clock is labelled (midnight by the day's name), the 5th, 10th, ... 25th
// day and the first by the month's name, and every month.
QString labelOf(UsagePeriod period, const QDateTime& start) {
    const QTime time = start.time();
    const int day = start.date().day();
    switch (period) {
    case UsagePeriod::Hours:
        if (time.hour() % 6 != 0) return {};
        return start.toString(time.hour() == 0 ? QStringLiteral("ddd") : QStringLiteral("HH:mm"));
    case UsagePeriod::Days:
        if (day == 1) return start.toString(QStringLiteral("MMM"));
        return day % 5 == 0 && day < 30 ? QString::number(day) : QString();
    case UsagePeriod::Summary:
    case UsagePeriod::Months: break;
    }
    return start.toString(QStringLiteral("MMM"));
}

}  // namespace

UsageChart usageChart(UsageDatabase& database, UsagePeriod period, const QDateTime& now, const QTimeZone& zone) {
    const ChartKind kind = kindOf(period);
    const UsageReport report = usageReport(database, period, now, zone, kind.rows);
    UsageChart chart;
    for (const UsageReportRow& row : report.rows) {
        chart.labels << labelOf(period, row.start);
        chart.periods << row.start.toString(QLatin1String(kind.periodFormat));
        chart.amounts.push_back(row.total);
        chart.whole += row.total;
    }
    if (!chart.amounts.empty()) chart.current = chart.amounts.back();
    chart.totals = {usageLine(QLatin1String(kind.currentName), chart.current),
                    usageLine(QLatin1String(kind.wholeName), chart.whole)};
    return chart;
}

}  // namespace ratelark
