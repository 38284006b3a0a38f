// What the benchmarks read about processes from /proc, and a clock.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ratelark::bench {

std::int64_t nowNs();  // CLOCK_MONOTONIC
void sleepUntilNs(std::int64_t deadline);

// The whole file, or nothing when it cannot be opened.
std::optional<std::string> readFile(const std::string& path);

struct ProcStat {
    pid_t pid = 0;
    pid_t ppid = 0;
    char state = '?';
    std::string comm;
    // In clock ticks, as /proc gives them.
    std::uint64_t utime = 0, stime = 0, cutime = 0, cstime = 0;
    // Page faults of the process itself, minor and major together.
    std::uint64_t faults = 0;
};
std::optional<ProcStat> readStat(pid_t pid);
std::vector<ProcStat> allProcesses();

// A "kB" field of /proc/<pid>/status (VmHWM, VmRSS, ...); -1 when absent.
long statusKb(pid_t pid, const char* field);
// Open descriptors and threads of a process; -1 when it is gone.
int openDescriptors(pid_t pid);
int threadCount(pid_t pid);

// Every process below root, found by parent links (the kernel here offers
// no children lists).
std::vector<ProcStat> descendants(pid_t root);

// Kills and reaps every child of the calling process, including those left
// to it as a child subreaper.
void reapEverythingLeft();

// Sent and received bytes of one interface in /proc/self/net/dev, that is in
// the network namespace of the calling process; nothing when it is missing.
struct InterfaceBytes {
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
};
std::optional<InterfaceBytes> interfaceBytes(const std::string& text, const std::string& name);

}  // namespace ratelark::bench
