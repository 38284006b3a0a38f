// spawn: the floor for starting a program: COUNT starts of a command with
// posix_spawn from this small process, each waited for, its output dropped;
// prints the CPU of one start, the spawner's share and the child's together.
#include "bench/Commands.h"

#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace ratelark::bench {

namespace {

double cpuSeconds(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
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
    return 0;
}

}  // namespace ratelark::bench
