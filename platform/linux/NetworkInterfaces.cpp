#include "platform/NetworkInterfaces.h"

#include "tools/CountedInterfaces.h"
#include "tools/NetDevCounters.h"

#include <QFile>

namespace ratelark {

namespace {

QStringList texts(const std::vector<std::string>& names) {
    QStringList result;
    for (const std::string& name : names) result << QString::fromStdString(name);
    return result;
}

}  // namespace

bool isValidInterfaceName(const QString& name) { return netstat::isValidInterfaceName(name.toUtf8().toStdString()); }

// Read as the sampler tool reads them, so that both see the same interfaces.
NetworkInterfaces currentNetworkInterfaces() {
    QFile file(QStringLiteral("/proc/net/dev"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const std::vector<std::string> names = netstat::namesOf(netstat::parseNetDev(file.readAll().toStdString()));
    return {texts(names), texts(netstat::automaticInterfaces(names, netstat::kSysfsNet))};
}

}  // namespace ratelark
