#include "platform/BootClock.h"

#include "counters/WholeFile.h"

#include <ctime>

namespace ratelark {

QString currentBootId() {
    const QString replayed = qEnvironmentVariable("RATELARK_BOOT_ID");
    const QString path = replayed.isEmpty() ? QStringLiteral("/proc/sys/kernel/random/boot_id") : replayed;
    std::string text;
    if (counters::readWholeFile(path.toLocal8Bit().constData(), text, 256) != 0) return {};
    return QString::fromStdString(text).trimmed();
}

std::int64_t bootTimeNs() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

}  // namespace ratelark
