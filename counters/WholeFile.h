#pragma once

#include <cstddef>
#include <string>

namespace ratelark::counters {

// The most a counter file may hold: /proc/net/dev takes about 130 bytes an
// interface, so this is room for some thirty thousand of them, and a file
// that goes on past it (a device such as /dev/zero, a runaway log) is not
// one.
inline constexpr std::size_t kLargestCounterFile = 4 * 1024 * 1024;

// Reads the whole file at path into text in one pass of reads, never more
// than limit bytes; the buffer keeps its capacity from one call to the next.
// Returns 0, the errno of a failure, or EFBIG when the file holds more than
// limit bytes (text is then empty).
int readWholeFile(const char* path, std::string& text, std::size_t limit = kLargestCounterFile);

// A counter file read again and again, as readWholeFile reads it. A file of
// the kernel's (/proc) stays open and is read again from its start, which
// makes it anew without the path's lookup and opening each time; any other
// file is opened at each read, so that one replaced meanwhile is followed.
class CounterFile {
public:
    explicit CounterFile(const char* path) : path_(path) {}
    ~CounterFile();
    CounterFile(const CounterFile&) = delete;
    CounterFile& operator=(const CounterFile&) = delete;

    int read(std::string& text, std::size_t limit = kLargestCounterFile);

private:
    const char* path_;
    int kept_ = -1;  // the open kernel file, or -1
};

}  // namespace ratelark::counters
