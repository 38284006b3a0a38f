#pragma once

#include <QString>

#include <span>

namespace ratelark {

// The top of a graph's value axis: a round number (1, 2 or 5 times a power of
// ten) of one display unit, so that the lines between the ticks fall on
// numbers a person reads at a glance.
struct AxisScale {
    double maximum = 0.0;  // in the counts given (bytes or bytes per second)
    double divisor = 1.0;  // counts per unit
    QString unit;          // "MB/s", "Kb/s", "GB"
    int ticks = 6;         // tick lines from 0 to the maximum, both ends included
    int decimals = 0;      // what the tick labels need
    bool operator==(const AxisScale&) const = default;
};

// The scale for the live graph from the highest speed it shows (bytes per
// second), in the units the display settings name: bits or bytes, K, M or G
// as the speed grows (automatic), or always K, or always M. Since the peak is
// that of the whole visible range, the maximum grows with the first higher
// sample and shrinks only once the sample that set it has left the range.
AxisScale speedAxis(double peakBytesPerSecond, bool bitsPerSecond, qint64 showType);

// The scale for amounts of data (bytes), in KB, MB, GB or TB as they grow.
AxisScale volumeAxis(double peakBytes);

}  // namespace ratelark
