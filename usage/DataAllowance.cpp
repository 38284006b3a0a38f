#include "usage/DataAllowance.h"

#include "app/PreferenceKeys.h"
#include "measure/InterfaceChoice.h"
#include "platform/Log.h"
#include "platform/SettingsStore.h"
#include "usage/UsageBuckets.h"
#include "usage/UsageText.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace ratelark {

namespace {

constexpr const char* kUnits[] = {"B", "KB", "MB", "GB", "TB", "PB"};

QDate dayOfMonth(int year, int month, int day) {
    const QDate first(year, month, 1);
    return QDate(year, month, std::min(day, first.daysInMonth()));
}

}  // namespace

DataAllowance dataAllowance(const QVariant& bytes, const QVariant& startDay, const QVariant& interfaces,
                            QString* problem) {
    DataAllowance allowance;
    if (!bytes.isValid() || bytes.toString().trimmed().isEmpty()) return allowance;
    bool ok = false;
    const qlonglong amount = bytes.toString().trimmed().toLongLong(&ok);
    if (!ok || amount < 0) {
        *problem = QStringLiteral("The data allowance %1 is not a number of bytes; no allowance is watched")
                       .arg(quotedForLog(bytes.toString()));
        return {};
    }
    const int day = startDay.isValid() ? startDay.toString().trimmed().toInt(&ok) : (ok = true, 1);
    if (!ok || day < 1 || day > 31) {
        *problem = QStringLiteral("The data allowance's start day %1 is not a day of the month (1 to 31); no "
                                  "allowance is watched").arg(quotedForLog(startDay.toString()));
        return {};
    }
    const InterfaceChoice chosen = interfaceChoice(interfaces);
    if (!chosen.problems.isEmpty()) {
        *problem = QStringLiteral("The data allowance's interfaces cannot be used (%1); no allowance is watched")
                       .arg(chosen.problems.join(QStringLiteral("; ")));
        return {};
    }
    return {static_cast<std::uint64_t>(amount), day, chosen.names};
}

DataAllowance storedAllowance(SettingsStore& settings, QString* problem) {
    return dataAllowance(settings.valueForKey(keys::dataAllowance), settings.valueForKey(keys::dataAllowanceDay),
                         settings.valueForKey(keys::dataAllowanceInterfaces), problem);
}

AllowancePeriod allowancePeriod(QDate today, int startDay) {
    QDate start = dayOfMonth(today.year(), today.month(), startDay);
    if (today < start) {
        const QDate before = today.addMonths(-1);
        start = dayOfMonth(before.year(), before.month(), startDay);
    }
    const QDate next = QDate(start.year(), start.month(), 1).addMonths(1);
    return {start, dayOfMonth(next.year(), next.month(), startDay)};
}

AllowanceWatch allowanceWatch(const DataAllowance& allowance, const AllowancePeriod& period, const QStringList& counted) {
    const QStringList& names = allowance.interfaces.isEmpty() ? counted : allowance.interfaces;
    return {dayKey(period.start), dayKey(period.end), {names.begin(), names.end()}, allowance.bytes};
}

int allowanceLevel(std::uint64_t used, std::uint64_t allowance) {
    if (allowance == 0) return 0;
    const double share = static_cast<double>(used) / static_cast<double>(allowance);
    return share >= 1.0 ? 100 : share >= 0.8 ? 80 : 0;
}

std::optional<std::uint64_t> parseVolume(const QString& text) {
    static const QRegularExpression amount(QStringLiteral("^\\s*(\\d+(?:[.,]\\d+)?)\\s*([KMGTP]?B?)\\s*$"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = amount.match(text);
    if (!match.hasMatch()) return std::nullopt;
    double value = match.captured(1).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    const QString unit = match.captured(2).toUpper();
    for (std::size_t power = 1; power < std::size(kUnits); ++power)
        if (!unit.isEmpty() && unit[0] == QLatin1Char(kUnits[power][0])) value *= std::pow(1024.0, double(power));
    if (!std::isfinite(value) || value >= 9.2e18) return std::nullopt;
    return static_cast<std::uint64_t>(std::llround(value));
}

QString allowanceLine(std::uint64_t used, std::uint64_t allowance, const AllowancePeriod& period) {
    const double percent = 100.0 * static_cast<double>(used) / static_cast<double>(allowance);
    return QStringLiteral("This Period: %1 of %2 (%3 %), resets %4")
        .arg(formatVolume(used), formatVolume(allowance), QString::number(std::floor(percent), 'f', 0),
             QLocale::c().toString(period.end, QStringLiteral("d MMM")));
}

}  // namespace ratelark
