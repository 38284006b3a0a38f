#pragma once

#include "usage/UsagePeriod.h"
#include "usage/UsageRecorder.h"
#include "usage/UsageReport.h"

#include <QString>

#include <cstdint>

namespace ratelark {

// An amount of data as the menu shows it: powers of 1024, one decimal below
// 100 units, none where it would be ".0": "0 B", "1.2 GB", "140 MB".
QString formatVolume(std::uint64_t bytes);

// "Today: ↓ 1.2 GB ↑ 140 MB".
QString usageLine(const QString& label, const UsageAmount& amount);

// The two lines below the totals in the menu and the tooltips.
QStringList recentUsageLines(const RecentUsage& recent);

// The report as `--usage` prints it. With no history yet, a table says so in
// a line of its own; the data formats then hold no rows.
QString usageText(const UsageReport& report, UsageFormat format);

}  // namespace ratelark
