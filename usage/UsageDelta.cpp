#include "usage/UsageDelta.h"

#include <algorithm>

namespace ratelark {

namespace {

constexpr double kFastestLink = 1099511627776.0;  // 2^40 bytes a second
constexpr double kLinkMargin = 1.05;

std::uint64_t since(std::uint64_t before, std::uint64_t now, bool sameBoot) {
    return sameBoot && now >= before ? now - before : now;
}

}  // namespace

CounterDelta counterDelta(const StoredReading& before, const StoredReading& now, std::uint64_t linkBytesPerSecond) {
    const bool sameBoot = !before.boot.isEmpty() && before.boot == now.boot;
    const CounterDelta delta{since(before.received, now.received, sameBoot), since(before.sent, now.sent, sameBoot)};
    const std::int64_t elapsedNs = sameBoot ? now.bootTimeNs - before.bootTimeNs : now.bootTimeNs;
    const double seconds = std::max(1.0, static_cast<double>(elapsedNs) / 1e9);
    const double rate = linkBytesPerSecond > 0 ? static_cast<double>(linkBytesPerSecond) * kLinkMargin : kFastestLink;
    const double most = rate * seconds;
    if (static_cast<double>(delta.received) > most || static_cast<double>(delta.sent) > most) return {0, 0, false};
    return delta;
}

QString implausibleDeltaLine(const QString& interface, const StoredReading& before, const StoredReading& now) {
    return QStringLiteral("The counters of %1 went from %2 received, %3 sent to %4 received, %5 sent: more than the "
                          "link could carry in the time between; not counted in the usage history")
        .arg(interface)
        .arg(before.received)
        .arg(before.sent)
        .arg(now.received)
        .arg(now.sent);
}

}  // namespace ratelark
