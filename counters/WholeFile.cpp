#include "counters/WholeFile.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace ratelark::counters {

int readWholeFile(const char* path, std::string& text, std::size_t limit) {
    text.clear();
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return errno;
    constexpr std::size_t kStep = 4096;
    int failure = 0;
    for (;;) {
        const std::size_t used = text.size();
        if (used > limit) {
            failure = EFBIG;
            text.clear();
            break;
        }
        text.resize(used + kStep);
        const ssize_t n = ::read(fd, text.data() + used, kStep);
        if (n < 0 && errno == EINTR) {
            text.resize(used);
            continue;
        }
        if (n <= 0) {
            text.resize(used);
            if (n < 0) failure = errno;
            break;
        }
        text.resize(used + static_cast<std::size_t>(n));
    }
    ::close(fd);
    return failure;
}

}  // namespace ratelark::counters
