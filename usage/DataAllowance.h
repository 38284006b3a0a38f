#pragma once

#include "platform/UsageDatabase.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <optional>

namespace ratelark {

// A data allowance for a metered link: so many bytes (received and sent
// together) a period, the period starting on a day of the month, over some
// interfaces (none named: those counted).
struct DataAllowance {
    std::uint64_t bytes = 0;  // 0: no allowance
    int startDay = 1;         // 1 to 31; past a month's end, its last day
    QStringList interfaces;
    bool isOn() const { return bytes > 0; }
};

// The allowance as stored in the settings. A value that cannot be meant
// turns the allowance off, with the reason in *problem.
DataAllowance dataAllowance(const QVariant& bytes, const QVariant& startDay, const QVariant& interfaces,
                            QString* problem);

// The allowance the settings hold now.
class SettingsStore;
DataAllowance storedAllowance(SettingsStore& settings, QString* problem);

// The period holding today: [start, end).
struct AllowancePeriod {
    QDate start;
    QDate end;
};
AllowancePeriod allowancePeriod(QDate today, int startDay);

// What a recording watches of the allowance in this period; counted: the
// interfaces counted now, for an allowance that names none.
AllowanceWatch allowanceWatch(const DataAllowance& allowance, const AllowancePeriod& period, const QStringList& counted);

// How far the use has gone: 0, 80 (from 80 %) or 100 (from 100 %).
int allowanceLevel(std::uint64_t used, std::uint64_t allowance);

// "50 GB", "500 MB", "1.5 TB", "20000000" (bytes), in the menu's powers of
// 1024; nullopt when the text is not an amount.
std::optional<std::uint64_t> parseVolume(const QString& text);

// "This Period: 41.2 GB of 50 GB (82 %), resets 15 Dec".
QString allowanceLine(std::uint64_t used, std::uint64_t allowance, const AllowancePeriod& period);

}  // namespace ratelark
