#pragma once

#include <QLatin1StringView>

#include <optional>

namespace ratelark {

// What `--usage` reports, and how.
enum class UsagePeriod { Summary, Hours, Days, Months };
enum class UsageFormat { Table, Json, Csv };

inline constexpr QLatin1StringView kUsagePeriodNames[] = {
    QLatin1StringView("summary"), QLatin1StringView("hours"), QLatin1StringView("days"), QLatin1StringView("months")};

inline QLatin1StringView usagePeriodName(UsagePeriod period) { return kUsagePeriodNames[static_cast<int>(period)]; }

inline std::optional<UsagePeriod> usagePeriodNamed(QStringView name) {
    for (int index = 0; index < 4; ++index)
        if (name == kUsagePeriodNames[index]) return static_cast<UsagePeriod>(index);
    return std::nullopt;
}

}  // namespace ratelark
