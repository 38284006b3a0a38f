#include "present/SizeFormat.h"

#include "platform/EverySecond.h"
#include "platform/TextNumbers.h"

#include <QStringBuilder>

#include <algorithm>
#include <array>
#include <cmath>

namespace ratelark {

namespace {

constexpr double kKilo = 1024.0;
constexpr double kMega = 1048576.0;
constexpr double kGiga = 1073741824.0;

// Built in one allocation: a title takes two of these every second.
QString withUnit(double value, double divisor, QLatin1Char unit, QLatin1Char suffix) {
    return formatOneDecimal(value / divisor) % QLatin1Char(' ') % unit % suffix;
}

// Strict tests: a value exactly at a threshold stays in the smaller unit.
QString automaticNumber(double value, QLatin1Char suffix) {
    if (value > kGiga) return withUnit(value, kGiga, QLatin1Char('G'), suffix);
    if (value > kMega) return withUnit(value, kMega, QLatin1Char('M'), suffix);
    if (value > 0.0) return withUnit(value, kKilo, QLatin1Char('K'), suffix);
    return QStringLiteral("0.0 K") % suffix;
}

constexpr std::array kCompactUnits{'K', 'M', 'G'};
constexpr double kCompactDecimals = 9.95;  // below this, one decimal fits
constexpr double kCompactZero = 0.05;  // below this, the number shows as 0.0

}  // namespace

RATELARK_EVERY_SECOND
QString formatSizeText(double bytesPerSecond, bool bitsPerSecond, qint64 showType) {
    // The thresholds apply to the count shown, so bits are multiplied first.
    const double value = bitsPerSecond ? bytesPerSecond * 8.0 : bytesPerSecond;
    const QLatin1Char suffix(bitsPerSecond ? 'b' : 'B');
    switch (showType) {
    case showtype::kilo: return withUnit(value, kKilo, QLatin1Char('K'), suffix);
    case showtype::mega: return withUnit(value, kMega, QLatin1Char('M'), suffix);
    case showtype::automatic: return automaticNumber(value, suffix);
    default: return QString(suffix);
    }
}

QString widestSizeText(bool bitsPerSecond, qint64 showType) {
    constexpr double kFastestLink = 1.25e9;  // bytes per second at 10 Gbit/s
    const double countsPerByte = bitsPerSecond ? 8.0 : 1.0;
    QString widest;
    for (const double rate : {kMega / countsPerByte, kGiga / countsPerByte, kFastestLink}) {
        const QString text = formatSizeText(rate, bitsPerSecond, showType);
        if (text.size() > widest.size()) widest = text;
    }
    return widest;
}

RATELARK_EVERY_SECOND
QString formatCompactSize(double bytesPerSecond, bool bitsPerSecond, qint64 showType, int figures) {
    const double value = bitsPerSecond ? bytesPerSecond * 8.0 : bytesPerSecond;
    const double limit = std::pow(10.0, std::clamp(figures, 2, 3));  // one more digit does not fit
    size_t unit = showType == showtype::mega ? 1 : 0;
    double scaled = value / (unit == 0 ? kKilo : kMega);
    while (unit + 1 < kCompactUnits.size() && std::round(scaled) >= limit) {
        scaled /= kKilo;
        ++unit;
    }
    if (!std::isfinite(scaled) || scaled < kCompactZero) return QStringLiteral("0");
    const QString number = scaled < kCompactDecimals ? formatOneDecimal(scaled) : QString::number(std::llround(scaled));
    const QChar letter = QLatin1Char(kCompactUnits[unit]);
    return number + (bitsPerSecond ? letter.toLower() : letter);
}

}  // namespace ratelark
