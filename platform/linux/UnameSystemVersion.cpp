#include "platform/linux/UnameSystemVersion.h"

#include "platform/TextNumbers.h"

#include <sys/utsname.h>

namespace ratelark {

VersionNumbers parseKernelRelease(QByteArrayView release) {
    std::int32_t numbers[3] = {0, 0, 0};
    qsizetype pos = 0;
    for (auto& number : numbers) {
        if (pos >= release.size() || release[pos] < '0' || release[pos] > '9') break;
        qsizetype end = pos;
        while (end < release.size() && release[end] >= '0' && release[end] <= '9') ++end;
        number = static_cast<std::int32_t>(integerValue(release.sliced(pos, std::min<qsizetype>(end - pos, 9))));
        if (end >= release.size() || release[end] != '.') break;
        pos = end + 1;
    }
    return {numbers[0], numbers[1], numbers[2]};
}

VersionNumbers UnameSystemVersion::query() {
    utsname names{};
    if (::uname(&names) != 0) return {};
    return parseKernelRelease(QByteArrayView(names.release));
}

}  // namespace ratelark
