#include "present/AxisScale.h"

#include "present/SizeFormat.h"

#include <cmath>
#include <vector>

namespace ratelark {

namespace {

struct Unit {
    double divisor;
    const char* name;
};

// The smallest of 1, 2 and 5 times a power of ten at or above value (> 0).
struct Round {
    double value;
    int mantissa;  // 1, 2 or 5
    int exponent;
};

Round roundUp(double value) {
    int exponent = int(std::floor(std::log10(value)));
    // A value a hair above a power of ten from a division is that power.
    if (std::pow(10.0, exponent + 1) <= value * (1.0 + 1e-9)) ++exponent;
    const double power = std::pow(10.0, exponent);
    for (const int mantissa : {1, 2, 5})
        if (mantissa * power >= value * (1.0 - 1e-9)) return {mantissa * power, mantissa, exponent};
    return {10.0 * power, 1, exponent + 1};
}

// Units from the smallest up; the largest whose one is reached is taken, and
// a round value that would read 1000 or more moves to the next unit.
AxisScale roundScale(double peak, const std::vector<Unit>& units, double smallest) {
    const double floorValue = std::isfinite(peak) ? std::max(peak, smallest) : smallest;
    std::size_t index = 0;
    while (index + 1 < units.size() && floorValue >= units[index + 1].divisor) ++index;
    Round round = roundUp(floorValue / units[index].divisor);
    if (round.value >= 1000.0 && index + 1 < units.size()) {
        ++index;
        round = {1.0, 1, 0};
    }
    // 1: fifths, 2: halves, 5: ones of the power below the maximum.
    const int stepExponent = round.mantissa == 5 ? round.exponent : round.exponent - 1;
    AxisScale scale;
    scale.maximum = round.value * units[index].divisor;
    scale.divisor = units[index].divisor;
    scale.unit = QString::fromUtf8(units[index].name);
    scale.ticks = round.mantissa == 2 ? 5 : 6;
    scale.decimals = std::max(0, -stepExponent);
    return scale;
}

constexpr double kKilo = 1024.0;

}  // namespace

AxisScale speedAxis(double peakBytesPerSecond, bool bitsPerSecond, qint64 showType) {
    const double peak = bitsPerSecond ? peakBytesPerSecond * 8.0 : peakBytesPerSecond;
    const double k = kKilo, m = k * kKilo, g = m * kKilo;
    std::vector<Unit> units;
    if (bitsPerSecond)
        units = {{k, "Kb/s"}, {m, "Mb/s"}, {g, "Gb/s"}};
    else
        units = {{k, "KB/s"}, {m, "MB/s"}, {g, "GB/s"}};
    double smallest = k;
    if (showType == showtype::kilo) {
        units.resize(1);
    } else if (showType == showtype::mega) {
        units = {units[1]};
        smallest = m / 10.0;
    }
    AxisScale scale = roundScale(peak, units, smallest);
    if (bitsPerSecond) {
        scale.maximum /= 8.0;
        scale.divisor /= 8.0;
    }
    return scale;
}

AxisScale volumeAxis(double peakBytes) {
    const double k = kKilo, m = k * kKilo, g = m * kKilo, t = g * kKilo;
    return roundScale(peakBytes, {{1.0, "B"}, {k, "KB"}, {m, "MB"}, {g, "GB"}, {t, "TB"}}, k);
}

}  // namespace ratelark
