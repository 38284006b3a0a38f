#pragma once

#include "counters/NetDevCounters.h"

#include <QString>
#include <QStringList>

#include <cstdint>

namespace ratelark {

// Whether name is one the kernel accepts for a network interface, and holds
// no control characters. Names that are not never reach the sampler or the
// totals pipelines.
bool isValidInterfaceName(const QString& name);

// The file the interface counters are read from: $RATELARK_NET_DEV where a
// test replays one, else /proc/net/dev.
QString counterFilePath();

// The network interfaces of this system now, sorted by name, those the
// sampler tool counts when the user has chosen none, and the counters of
// them all from the same read. failure: why the counter file could not be
// read (then everything is empty).
struct NetworkInterfaces {
    QStringList present;
    QStringList automatic;
    counters::Reading reading;
    QString failure;
};
NetworkInterfaces currentNetworkInterfaces();

// What the link of a device-backed interface carries at most, in bytes per
// second, as the kernel reports its speed; 0 where it does not know (virtual
// interfaces, Wi-Fi, a link that is down).
std::uint64_t linkBytesPerSecond(const QString& name);

}  // namespace ratelark
