#pragma once

#include "platform/UsageDatabase.h"

#include <QString>

#include <cstdint>

namespace ratelark {

// The bytes an interface carried between two readings of its counters.
struct CounterDelta {
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
    bool plausible = true;  // false: more than the link could carry; both are 0
};

// The rules that keep a history free of phantom days:
// - the same boot and a counter not lower: the difference (also the catch-up
//   after the program was not running: nothing is lost);
// - the same boot and a lower counter: the interface was re-created or its
//   driver reset, so the current value is what it carried since;
// - another boot: the current value, the bytes since boot;
// - more than the link could carry in the time between (its speed × 1.05
//   where the kernel knows it, linkBytesPerSecond; else 2^40 bytes a second,
//   which no link reaches): not counted at all.
// A counter is never assumed to have wrapped: on 64-bit counters a "wrap" is
// always a reset, and counting it as one invents 16 EiB.
CounterDelta counterDelta(const StoredReading& before, const StoredReading& now, std::uint64_t linkBytesPerSecond);

// The log line for a delta that was not counted.
QString implausibleDeltaLine(const QString& interface, const StoredReading& before, const StoredReading& now);

}  // namespace ratelark
