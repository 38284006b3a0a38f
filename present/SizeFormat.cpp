#include "present/SizeFormat.h"

#include "platform/TextNumbers.h"

namespace ratelark {

namespace {

constexpr double kKilo = 1024.0;
constexpr double kMega = 1048576.0;
constexpr double kGiga = 1073741824.0;

QString withUnit(double value, double divisor, QLatin1Char unit) {
    return formatOneDecimal(value / divisor) + QLatin1Char(' ') + unit;
}

// Strict tests: a value exactly at a threshold stays in the smaller unit.
QString automaticNumber(double value) {
    if (value > kGiga) return withUnit(value, kGiga, QLatin1Char('G'));
    if (value > kMega) return withUnit(value, kMega, QLatin1Char('M'));
    if (value > 0.0) return withUnit(value, kKilo, QLatin1Char('K'));
    return QStringLiteral("0.0 K");
}

}  // namespace

QString formatSizeText(double bytesPerSecond, bool bitsPerSecond, qint64 showType) {
    // The thresholds apply to the count shown, so bits are multiplied first.
    const double value = bitsPerSecond ? bytesPerSecond * 8.0 : bytesPerSecond;
    const QLatin1Char suffix(bitsPerSecond ? 'b' : 'B');
    QString number;
    switch (showType) {
    case showtype::kilo: number = withUnit(value, kKilo, QLatin1Char('K')); break;
    case showtype::mega: number = withUnit(value, kMega, QLatin1Char('M')); break;
    case showtype::automatic: number = automaticNumber(value); break;
    default: break;
    }
    return number + suffix;
}

}  // namespace ratelark
