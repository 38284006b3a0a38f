#include "platform/NetworkInterfaces.h"

#include "counters/CountedInterfaces.h"
#include "counters/NetDevCounters.h"
#include "counters/WholeFile.h"

namespace ratelark {

namespace {

QStringList texts(const std::vector<std::string>& names) {
    QStringList result;
    for (const std::string& name : names) result << QString::fromStdString(name);
    return result;
}

}  // namespace

bool isValidInterfaceName(const QString& name) { return counters::isValidInterfaceName(name.toUtf8().toStdString()); }

// Read as the sampler tool reads them, so that both see the same interfaces.
NetworkInterfaces currentNetworkInterfaces() {
    std::string text;
    if (counters::readWholeFile("/proc/net/dev", text) != 0) return {};
    const std::vector<std::string> names = counters::namesOf(counters::parseNetDev(text));
    return {texts(names), texts(counters::automaticInterfaces(names, counters::kSysfsNet))};
}

}  // namespace ratelark
