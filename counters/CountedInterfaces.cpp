#include "counters/CountedInterfaces.h"

#include <sys/stat.h>

namespace ratelark::counters {

bool isValidInterfaceName(std::string_view name) {
    constexpr std::size_t kMostBytes = 15;  // IFNAMSIZ less the terminating NUL
    if (name.empty() || name.size() > kMostBytes || name == "." || name == "..") return false;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == ':' || byte <= ' ' || byte == 0x7f || byte == 0xa0) return false;
    }
    return true;
}

std::vector<std::string> automaticInterfaces(const std::vector<std::string>& names, const std::string& sysfsRoot) {
    std::vector<std::string> backed;
    std::vector<std::string> allButLoopback;
    for (const std::string& name : names) {
        if (!isValidInterfaceName(name)) continue;
        struct stat entry{};
        if (::lstat((sysfsRoot + '/' + name + "/device").c_str(), &entry) == 0) backed.push_back(name);
        if (name != "lo") allButLoopback.push_back(name);
    }
    return backed.empty() ? allButLoopback : backed;
}

}  // namespace ratelark::counters
