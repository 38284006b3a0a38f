#include "platform/NetworkInterfaces.h"

#include "counters/CountedInterfaces.h"
#include "counters/NetDevCounters.h"
#include "counters/WholeFile.h"

#include <cstring>

namespace ratelark {

namespace {

QStringList texts(const std::vector<std::string>& names) {
    QStringList result;
    for (const std::string& name : names) result << QString::fromStdString(name);
    return result;
}

}  // namespace

bool isValidInterfaceName(const QString& name) { return counters::isValidInterfaceName(name.toUtf8().toStdString()); }

QString counterFilePath() {
    const QString replayed = qEnvironmentVariable("RATELARK_NET_DEV");
    return replayed.isEmpty() ? QStringLiteral("/proc/net/dev") : replayed;
}

// Read as the sampler tool reads them, so that both see the same interfaces.
NetworkInterfaces currentNetworkInterfaces() {
    std::string text;
    const QString path = counterFilePath();
    if (const int error = counters::readWholeFile(path.toLocal8Bit().constData(), text); error != 0)
        return {{}, {}, {}, QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(error)))};
    counters::Reading reading = counters::parseNetDev(text);
    const std::vector<std::string> names = counters::namesOf(reading);
    return {texts(names), texts(counters::automaticInterfaces(names, counters::kSysfsNet)), std::move(reading), {}};
}

std::uint64_t linkBytesPerSecond(const QString& name) {
    if (!isValidInterfaceName(name)) return 0;
    const QByteArray link = QByteArray(counters::kSysfsNet) + '/' + name.toUtf8();
    std::string text;
    // Only a device's speed means a limit: a veth or a bridge reports an
    // invented one (10 Gbit/s) that real traffic can exceed.
    if (counters::readWholeFile(link + "/device/uevent", text, 1 << 16) != 0) return 0;
    if (counters::readWholeFile(link + "/speed", text, 64) != 0) return 0;
    bool ok = false;
    const long long megabits = QByteArray::fromStdString(text).trimmed().toLongLong(&ok);
    return ok && megabits > 0 ? static_cast<std::uint64_t>(megabits) * 1000000 / 8 : 0;
}

}  // namespace ratelark
