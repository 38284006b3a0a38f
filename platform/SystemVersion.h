#pragma once

#include <cstdint>

namespace ratelark {

struct VersionNumbers {
    std::int32_t major = 0;
    std::int32_t minor = 0;
    std::int32_t bugFix = 0;
};

// The operating system's version: on Linux the kernel release numbers.
class SystemVersion {
public:
    virtual ~SystemVersion() = default;
    // Each number on its own; a number that cannot be read is 0.
    virtual VersionNumbers query() = 0;
};

}  // namespace ratelark
