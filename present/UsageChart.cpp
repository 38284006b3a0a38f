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

// Hours are labelled every sixth (local clock), days by their date, months by name.
QString labelOf(UsagePeriod period, const QDateTime& start) {
    switch (period) {
    case UsagePeriod::Hours: return start.time().hour() % 6 == 0 ? start.toString(QStringLiteral("HH:mm")) : QString();
    case UsagePeriod::Days: return start.toString(QStringLiteral("d"));
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
