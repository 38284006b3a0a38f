#pragma once

#include <QString>
#include <QStringList>

namespace ratelark {

// Whether name is one the kernel accepts for a network interface, and holds
// no control characters. Names that are not never reach the sampler or the
// totals pipelines.
bool isValidInterfaceName(const QString& name);

// The network interfaces of this system now, sorted by name,
// and those the sampler tool counts when the user has chosen none.
struct NetworkInterfaces {
    QStringList present;
    QStringList automatic;
};
NetworkInterfaces currentNetworkInterfaces();

}  // namespace ratelark
