// totals: the cost of one totals pass, that is one run of the sent and one of
// the received pipeline through /bin/bash -c, as a menu opening starts it,
// over the interfaces the program counts by default.
// Time is wall time from the spawn to the reaping; CPU is the shell's and
// everything it waited for, from wait4.
#include "bench/Commands.h"
#include "bench/ProcFiles.h"
#include "measure/TotalsPipelines.h"
#include "counters/CountedInterfaces.h"
#include "counters/NetDevCounters.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ratelark::bench {

namespace {

struct Run {
    double wallMs = 0;
    double cpuMs = 0;
    std::string output;
};

Run runPipeline(const char* text) {
    int out[2];
    if (::pipe(out) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char shell[] = "/bin/bash";
    char dashC[] = "-c";
    std::string command = text;
    char* arguments[] = {shell, dashC, command.data(), nullptr};
    const std::int64_t start = nowNs();
    pid_t pid = 0;
    const int failed = ::posix_spawn(&pid, shell, &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    Run run;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(out[0], buffer, sizeof buffer)) > 0) run.output.append(buffer, std::size_t(n));
    ::close(out[0]);
    if (failed) return run;
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    run.wallMs = double(nowNs() - start) / 1e6;
    run.cpuMs = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    while (!run.output.empty() && run.output.back() == '\n') run.output.pop_back();
    return run;
}

}  // namespace

int totalsCommand(int argc, char** argv) {
    const int passes = argc > 0 ? std::max(1, std::atoi(argv[0])) : 20;
    std::string counted;
    const std::vector<std::string> names = counters::namesOf(counters::parseNetDev(readFile("/proc/net/dev").value_or("")));
    for (const std::string& name : counters::automaticInterfaces(names, counters::kSysfsNet))
        counted += (counted.empty() ? "" : " ") + name;
    ::setenv(totalsInterfacesVariable, counted.c_str(), 1);
    std::vector<double> wall, cpu;
    std::string sent, received;
    for (int i = 0; i < passes; ++i) {
        // The order of a pass: sent first, then received.
        const Run s = runPipeline(sentTotalsPipeline);
        const Run r = runPipeline(receivedTotalsPipeline);
        wall.push_back(s.wallMs + r.wallMs);
        cpu.push_back(s.cpuMs + r.cpuMs);
        sent = s.output;
        received = r.output;
    }
    auto mean = [](const std::vector<double>& v) {
        double sum = 0;
        for (double x : v) sum += x;
        return sum / double(v.size());
    };
    std::sort(wall.begin(), wall.end());
    std::printf("passes=%d\n", passes);
    std::printf("pass_wall_ms_mean=%.2f\n", mean(wall));
    std::printf("pass_wall_ms_median=%.2f\n", wall[wall.size() / 2]);
    std::printf("pass_wall_ms_max=%.2f\n", wall.back());
    std::printf("pass_cpu_ms_mean=%.2f\n", mean(cpu));
    std::printf("sent_mb=%s\n", sent.c_str());
    std::printf("received_mb=%s\n", received.c_str());
    return 0;
}

}  // namespace ratelark::bench
