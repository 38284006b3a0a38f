// spawn: the floor for starting a program: COUNT starts of a command with
// posix_spawn from this small process, each waited for, its output dropped;
// prints the CPU of one start, the spawner's share and the child's together,
// and the child's page faults.
// pages: what one page fault costs here: COUNT new pages, each written once.
// A start is mostly faults (the loader's, the first run of each code page,
// each new page of heap), and on a virtual machine one can cost more than
// the thousands of instructions around it.
#include "bench/Commands.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ratelark::bench {

namespace {

double cpuSeconds(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long faults(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    return usage.ru_minflt + usage.ru_majflt;
}

double processCpuUs() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

}  // namespace

int spawnCommand(int argc, char** argv) {
    const int count = argc >= 2 ? std::atoi(argv[0]) : 0;
    if (count <= 0) {
        std::fprintf(stderr, "usage: ratelark-bench spawn COUNT COMMAND...\n");
        return 2;
    }
    posix_spawn_file_actions_t dropOutput;
    ::posix_spawn_file_actions_init(&dropOutput);
    ::posix_spawn_file_actions_addopen(&dropOutput, 1, "/dev/null", O_WRONLY, 0);
    const double before = cpuSeconds(RUSAGE_SELF) + cpuSeconds(RUSAGE_CHILDREN);
    const long faultsBefore = faults(RUSAGE_CHILDREN);
    for (int i = 0; i < count; ++i) {
        pid_t pid = 0;
        if (::posix_spawn(&pid, argv[1], &dropOutput, nullptr, argv + 1, environ) != 0) return 1;
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    ::posix_spawn_file_actions_destroy(&dropOutput);
    const double after = cpuSeconds(RUSAGE_SELF) + cpuSeconds(RUSAGE_CHILDREN);
    std::printf("spawns=%d\n", count);
    std::printf("spawn_cpu_ms=%.3f\n", (after - before) * 1000.0 / count);
    std::printf("spawn_faults=%ld\n", (faults(RUSAGE_CHILDREN) - faultsBefore) / count);
    return 0;
}

int pagesCommand(int argc, char** argv) {
    const long count = argc >= 1 ? std::atol(argv[0]) : 0;
    if (count <= 0) {
        std::fprintf(stderr, "usage: ratelark-bench pages COUNT\n");
        return 2;
    }
    const long page = ::sysconf(_SC_PAGESIZE);
    void* mapped = ::mmap(nullptr, std::size_t(count * page), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return 1;
    auto* bytes = static_cast<volatile char*>(mapped);
    const long faultsBefore = faults(RUSAGE_SELF);
    const double before = processCpuUs();
    for (long i = 0; i < count; ++i) bytes[i * page] = 1;
    const double after = processCpuUs();
    std::printf("pages=%ld\n", count);
    std::printf("page_faults=%ld\n", faults(RUSAGE_SELF) - faultsBefore);
    std::printf("page_fault_us=%.2f\n", (after - before) / double(count));
    ::munmap(mapped, std::size_t(count * page));
    return 0;
}

}  // namespace ratelark::bench
