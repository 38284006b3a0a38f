#include "counters/WholeFile.h"

#include <cerrno>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace ratelark::counters {

namespace {

int openForReading(const char* path) { return ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY); }

// Reads fd to its end, in one pass of reads, never more than limit bytes.
int readToEnd(int fd, std::string& text, std::size_t limit) {
    text.clear();
    constexpr std::size_t kStep = 4096;
    for (;;) {
        const std::size_t used = text.size();
        if (used > limit) {
            text.clear();
            return EFBIG;
        }
        text.resize(used + kStep);
        const ssize_t n = ::read(fd, text.data() + used, kStep);
        if (n < 0 && errno == EINTR) {
            text.resize(used);
            continue;
        }
        if (n <= 0) {
            text.resize(used);
            return n < 0 ? errno : 0;
        }
        text.resize(used + static_cast<std::size_t>(n));
    }
}

bool isKernelFile(int fd) {
    struct statfs system {};
    return ::fstatfs(fd, &system) == 0 && system.f_type == PROC_SUPER_MAGIC;
}

}  // namespace

int readWholeFile(const char* path, std::string& text, std::size_t limit) {
    text.clear();
    const int fd = openForReading(path);
    if (fd < 0) return errno;
    const int failure = readToEnd(fd, text, limit);
    ::close(fd);
    return failure;
}

CounterFile::~CounterFile() {
    if (kept_ >= 0) ::close(kept_);
}

int CounterFile::read(std::string& text, std::size_t limit) {
    if (kept_ >= 0) {
        // A kernel file rewound is made anew.
        if (::lseek(kept_, 0, SEEK_SET) == 0 && readToEnd(kept_, text, limit) == 0) return 0;
        // Read anew through the path, which says what is wrong now.
        ::close(kept_);
        kept_ = -1;
    }
    text.clear();
    const int fd = openForReading(path_);
    if (fd < 0) return errno;
    const int failure = readToEnd(fd, text, limit);
    if (failure == 0 && isKernelFile(fd))
        kept_ = fd;
    else
        ::close(fd);
    return failure;
}

}  // namespace ratelark::counters
