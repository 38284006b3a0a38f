// meter: runs one command for a fixed time, as a user would, and measures it
// from outside: CPU of the command and every process below it, peak memory,
// when its output lines arrive, and (for long runs) how its memory and
// descriptors develop.
//
// CPU comes from getrusage(RUSAGE_CHILDREN) once everything has been reaped.
// The meter is a child subreaper, so children the command leaves behind (a
// sampler it kills without waiting, a sadc whose sar has gone) are reaped here
// and counted too; children the command reaps itself reach this total through
// its own cutime/cstime. Both are exact to the microsecond, unlike the clock
// ticks of /proc/<pid>/stat, which are reported beside them for the split.
//
// Where the cpuacct controller can be written (root), the command runs in a
// group of its own, whose usage counts the CPU of every process of the tree
// to the nanosecond, dead ones included: it gives the start-up cost (the
// tree's CPU when the first title arrives), the steady state, and the cost of
// one sampler restart (the second around each new child, less a median
// second without one).
#include "bench/Commands.h"
#include "bench/ProcFiles.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <ctime>
#include <unistd.h>

namespace ratelark::bench {

namespace {

constexpr std::int64_t kSecond = 1'000'000'000;
constexpr std::int64_t kPollEvery = kSecond / 4;

struct Options {
    double seconds = 60;
    double every = 0;       // memory and descriptor samples, seconds; 0: none
    double period = 0;      // the command's line period for the drift figures; 0: none
    double steadyFrom = 10; // the steady-state CPU is counted from this many seconds on
    std::string linesFile;  // every line with its arrival time
    std::string errorFile;  // the command's standard error
    std::string titlesFile; // a FIFO whose lines are the titles, for a command that shows them elsewhere
    std::vector<char*> command;
};

struct Peak {
    std::string name;
    long hwmKb = 0;
};

// What is learned from the process tree while it runs.
class TreeWatch {
public:
    explicit TreeWatch(pid_t main) : main_(main) {}

    void poll() {
        if (long hwm = statusKb(main_, "VmHWM"); hwm > mainHwmKb) mainHwmKb = hwm;
        std::map<pid_t, int> zombiesNow;
        for (const ProcStat& p : descendants(main_)) {
            if (p.ppid == main_) directChildren_.insert(p.pid);
            if (p.state == 'Z') {
                // One poll as a zombie is the moment before its parent reaps it.
                const int age = zombies_.count(p.pid) ? zombies_[p.pid] + 1 : 1;
                zombiesNow[p.pid] = age;
                longestZombiePolls = std::max(longestZombiePolls, age);
                continue;
            }
            const long hwm = statusKb(p.pid, "VmHWM");
            if (hwm > peaks_[p.pid].hwmKb) peaks_[p.pid] = {p.comm, hwm};
        }
        zombies_ = std::move(zombiesNow);
    }

    // The largest peak among the processes below the main one.
    Peak largestChild() const {
        Peak largest;
        for (const auto& [pid, peak] : peaks_)
            if (peak.hwmKb > largest.hwmKb) largest = peak;
        return largest;
    }
    std::size_t childrenSeen() const { return directChildren_.size(); }

    long mainHwmKb = 0;
    int longestZombiePolls = 0;

private:
    pid_t main_;
    std::map<pid_t, Peak> peaks_;
    std::map<pid_t, int> zombies_;
    std::set<pid_t> directChildren_;
};

// CPU of the tree at one moment, for the steady state: the exact CPU clocks
// of the command and of the processes running below it, and the ticks of the
// children the command has already reaped (exact inside the kernel, shown in
// 10 ms steps).
struct CpuSnapshot {
    double ownSeconds = 0;
    double reapedSeconds = 0;
    double liveSeconds = 0;
    double total() const { return ownSeconds + reapedSeconds + liveSeconds; }
};

double processClockSeconds(pid_t pid) {
    clockid_t clock;
    timespec t{};
    if (::clock_getcpuclockid(pid, &clock) != 0 || ::clock_gettime(clock, &t) != 0) return 0;
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

CpuSnapshot cpuSnapshot(pid_t main) {
    const double tick = double(::sysconf(_SC_CLK_TCK));
    CpuSnapshot snapshot;
    snapshot.ownSeconds = processClockSeconds(main);
    if (auto stat = readStat(main)) snapshot.reapedSeconds = double(stat->cutime + stat->cstime) / tick;
    for (const ProcStat& p : descendants(main)) {
        if (p.state == 'Z') continue;  // its time reaches the parent when it is reaped
        snapshot.liveSeconds += processClockSeconds(p.pid) + double(p.cutime + p.cstime) / tick;
    }
    return snapshot;
}

struct Sample {
    double atSeconds;
    long rssKb;
    int fds;
    int threads;
};

// Arrival times of the periodic lines against the ideal grid. A line comes at
// its tick plus a delay that is never negative and varies (the wakeup, the
// work, the way through the pipe), so the least delays tell where the ticks
// are: the drift is how far the least offset from the grid moved between the
// first and the last quarter of the run. The fitted period is given too; it
// takes every delay in and so is the noisier figure.
void reportDrift(const std::vector<std::int64_t>& arrivals, double period) {
    const std::size_t n = arrivals.size();
    if (n < 8) return;
    std::vector<double> offset(n);
    for (std::size_t k = 0; k < n; ++k) offset[k] = double(arrivals[k] - arrivals[0]) / 1e9 - double(k) * period;
    const std::size_t quarter = n / 4;
    const double first = *std::min_element(offset.begin(), offset.begin() + std::ptrdiff_t(quarter));
    const double last = *std::min_element(offset.end() - std::ptrdiff_t(quarter), offset.end());
    const double between = double(n - quarter) * period;  // from the first quarter's start to the last's

    double meanK = 0, meanO = 0;
    for (std::size_t k = 0; k < n; ++k) {
        meanK += double(k);
        meanO += offset[k];
    }
    meanK /= double(n);
    meanO /= double(n);
    double sKO = 0, sKK = 0;
    for (std::size_t k = 0; k < n; ++k) {
        sKO += (double(k) - meanK) * (offset[k] - meanO);
        sKK += (double(k) - meanK) * (double(k) - meanK);
    }
    const double slope = sKO / sKK;  // seconds a line
    std::printf("drift_lines=%zu\n", n);
    std::printf("drift_ms=%.3f\n", (last - first) * 1000.0);
    std::printf("drift_ms_per_hour=%.1f\n", (last - first) * 1000.0 * 3600.0 / between);
    std::printf("drift_fitted_ms_per_hour=%.1f\n", slope / period * 3600.0 * 1000.0);
    std::printf("delay_spread_ms=%.3f\n",
                (*std::max_element(offset.begin(), offset.end()) - *std::min_element(offset.begin(), offset.end())) *
                    1000.0);
}

// A cpuacct group of the meter's own for the command's tree; empty where
// none can be made.
class CpuGroup {
public:
    CpuGroup() {
        const std::string path = "/sys/fs/cgroup/cpuacct/ratelark-bench-" + std::to_string(::getpid());
        if (::mkdir(path.c_str(), 0755) == 0) path_ = path;
    }
    ~CpuGroup() {
        if (!path_.empty()) ::rmdir(path_.c_str());
    }
    bool available() const { return !path_.empty(); }
    // In the child before exec.
    void join() const {
        if (!available()) return;
        const int fd = ::open((path_ + "/cgroup.procs").c_str(), O_WRONLY);
        if (fd >= 0 && ::write(fd, "0\n", 2) < 0) ::_exit(126);
        ::close(fd);
    }
    double usageSeconds() const {
        const auto text = readFile(path_ + "/cpuacct.usage");
        return text ? std::atof(text->c_str()) / 1e9 : 0;
    }

private:
    std::string path_;
};

// The cost of one sampler restart: for each child started after the first,
// the CPU of the second around the poll that saw it, less the median CPU of
// the seconds that saw none. Samples are (time ns, usage s, children seen).
struct UsagePoint {
    std::int64_t at;
    double usage;
    std::size_t children;
};

std::vector<double> restartCosts(const std::vector<UsagePoint>& points, std::int64_t from) {
    const std::size_t half = 2;  // polls each side: one second in all
    std::vector<std::size_t> restarts;
    for (std::size_t k = 1; k < points.size(); ++k)
        if (points[k].children > points[k - 1].children && points[k - 1].children > 0 && points[k].at >= from)
            restarts.push_back(k);
    std::vector<double> quiet;
    for (std::size_t k = half; k + half < points.size(); k += 2 * half) {
        if (points[k].at < from) continue;
        const bool near = std::any_of(restarts.begin(), restarts.end(), [&](std::size_t r) {
            return r + 2 * half >= k && r <= k + 2 * half;
        });
        if (!near) quiet.push_back(points[k + half].usage - points[k - half].usage);
    }
    std::vector<double> costs;
    if (quiet.empty()) return costs;
    std::nth_element(quiet.begin(), quiet.begin() + std::ptrdiff_t(quiet.size() / 2), quiet.end());
    const double second = quiet[quiet.size() / 2];
    for (const std::size_t r : restarts)
        if (r >= half + 1 && r + half - 1 < points.size())
            costs.push_back(points[r + half - 1].usage - points[r - half - 1].usage - second);
    return costs;
}

bool parseOptions(int argc, char** argv, Options& options) {
    int i = 0;
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--") {
            ++i;
            break;
        } else if (a == "--seconds") options.seconds = std::atof(value());
        else if (a == "--every") options.every = std::atof(value());
        else if (a == "--period") options.period = std::atof(value());
        else if (a == "--steady-from") options.steadyFrom = std::atof(value());
        else if (a == "--lines") options.linesFile = value();
        else if (a == "--stderr") options.errorFile = value();
        else if (a == "--titles") options.titlesFile = value();
        else {
            std::fprintf(stderr, "meter: unknown option %s\n", a.c_str());
            return false;
        }
    }
    for (; i < argc; ++i) options.command.push_back(argv[i]);
    options.command.push_back(nullptr);
    return options.command.size() > 1 && options.seconds > 0;
}

}  // namespace

int meterCommand(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: ratelark-bench meter --seconds S [--every S] [--period S] [--steady-from S]\n"
                     "                            [--lines FILE] [--stderr FILE] -- COMMAND...\n");
        return 2;
    }
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    ::signal(SIGPIPE, SIG_IGN);
    FILE* lines = options.linesFile.empty() ? nullptr : std::fopen(options.linesFile.c_str(), "w");

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return 1;
    // Opened for writing too, so that it never reads as ended between writers.
    const int titles = options.titlesFile.empty() ? -1 : ::open(options.titlesFile.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    const CpuGroup group;
    const std::int64_t start = nowNs();
    const pid_t child = ::fork();
    if (child == 0) {
        group.join();
        ::dup2(out[1], STDOUT_FILENO);
        const int in = ::open("/dev/null", O_RDONLY);
        ::dup2(in, STDIN_FILENO);
        const int err = options.errorFile.empty() ? ::open("/dev/null", O_WRONLY)
                                                  : ::open(options.errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(err, STDERR_FILENO);
        ::signal(SIGPIPE, SIG_DFL);
        ::execvp(options.command[0], options.command.data());
        std::perror(options.command[0]);
        ::_exit(127);
    }
    ::close(out[1]);
    ::fcntl(out[0], F_SETFL, O_NONBLOCK);

    TreeWatch watch(child);
    std::vector<Sample> samples;
    std::vector<std::int64_t> arrivals;
    std::int64_t lineCount = 0, firstLine = -1, secondLine = -1, longestGap = 0, lastLine = -1;
    std::string partial, titlePartial;
    const std::int64_t end = start + std::int64_t(options.seconds * 1e9);
    std::int64_t nextPoll = start + kPollEvery / 5;
    std::int64_t nextSample = options.every > 0 ? start + std::int64_t(options.every * 1e9) : INT64_MAX;
    const std::int64_t steadyAt = start + std::int64_t(options.steadyFrom * 1e9);
    std::optional<CpuSnapshot> steadyStart;
    std::int64_t steadyStartNs = 0;
    double steadyStartGroup = 0;
    bool outputOpen = true;
    double startupUsage = -1;
    long long startupFaults = -1;
    std::vector<UsagePoint> usage;

    auto drainFrom = [&](int fd, std::string& partial, bool counted) {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n == 0 && fd == out[0]) outputOpen = false;
            if (n <= 0) return;
            if (!counted) continue;
            const std::int64_t at = nowNs();
            if (startupUsage < 0 && group.available()) startupUsage = group.usageSeconds();
            if (startupFaults < 0)
                if (const auto stat = readStat(child)) startupFaults = static_cast<long long>(stat->faults);
            partial.append(buffer, std::size_t(n));
            std::size_t from = 0, newline = 0;
            while ((newline = partial.find('\n', from)) != std::string::npos) {
                ++lineCount;
                if (firstLine < 0) firstLine = at - start;
                else if (secondLine < 0) secondLine = at - start;
                if (lastLine >= 0) longestGap = std::max(longestGap, at - lastLine);
                lastLine = at;
                // Lines of numbers are the periodic ones; headings are not.
                const std::size_t text = partial.find_first_not_of(' ', from);
                if (options.period > 0 && text < newline && partial[text] >= '0' && partial[text] <= '9')
                    arrivals.push_back(at);
                if (lines) std::fprintf(lines, "%.3f\t%.*s\n", double(at - start) / 1e6, int(newline - from),
                                        partial.data() + from);
                from = newline + 1;
            }
            partial.erase(0, from);
        }
    };
    auto drain = [&] {
        // A command whose titles come through the FIFO has its output only drained.
        if (titles >= 0) drainFrom(titles, titlePartial, true);
        if (outputOpen) drainFrom(out[0], partial, titles < 0);
    };

    bool endedEarly = false;
    for (;;) {
        const std::int64_t now = nowNs();
        if (now >= end) break;
        if (!steadyStart && now >= steadyAt) {
            steadyStart = cpuSnapshot(child);
            steadyStartNs = nowNs();
            if (group.available()) steadyStartGroup = group.usageSeconds();
        }
        if (now >= nextPoll) {
            watch.poll();
            if (group.available()) usage.push_back({now, group.usageSeconds(), watch.childrenSeen()});
            nextPoll += kPollEvery;
        }
        if (now >= nextSample) {
            samples.push_back({double(now - start) / 1e9, statusKb(child, "VmRSS"), openDescriptors(child),
                               threadCount(child)});
            nextSample += std::int64_t(options.every * 1e9);
        }
        const std::int64_t wake = std::min({end, nextPoll, nextSample, steadyStart ? end : steadyAt});
        // An ended output is left out of the poll; the titles' FIFO never ends.
        pollfd fds[2] = {{titles, POLLIN, 0}, {outputOpen ? out[0] : -1, POLLIN, 0}};
        const int timeoutMs = int(std::max<std::int64_t>(0, (wake - now + 999'999) / 1'000'000));
        if (outputOpen || titles >= 0) {
            if (::poll(fds, 2, timeoutMs) > 0) drain();
        } else {
            ::usleep(useconds_t(timeoutMs) * 1000);
        }
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child) {
            endedEarly = true;
            break;
        }
    }
    const std::int64_t measured = nowNs() - start;

    // The split by /proc, before the end: the command itself, the children it
    // has reaped, and the processes still running below it.
    std::uint64_t ownTicks = 0, reapedTicks = 0, liveTicks = 0;
    std::optional<CpuSnapshot> steadyEnd;
    const std::int64_t steadyEndNs = nowNs();
    const double groupEnd = group.available() ? group.usageSeconds() : 0;
    if (!endedEarly) {
        if (steadyStart) steadyEnd = cpuSnapshot(child);
        watch.poll();
        if (auto stat = readStat(child)) {
            ownTicks = stat->utime + stat->stime;
            reapedTicks = stat->cutime + stat->cstime;
        }
        for (const ProcStat& p : descendants(child)) liveTicks += p.utime + p.stime + p.cutime + p.cstime;
    }

    int status = 0;
    bool endedByTerm = endedEarly;
    if (!endedEarly) {
        ::kill(child, SIGTERM);
        for (int i = 0; i < 500; ++i) {
            if (outputOpen) drain();
            if (::waitpid(child, &status, WNOHANG) == child) {
                endedByTerm = true;
                break;
            }
            ::usleep(20000);
        }
        if (!endedByTerm) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
        }
    }
    reapEverythingLeft();
    rusage children{};
    ::getrusage(RUSAGE_CHILDREN, &children);
    const double cpu = double(children.ru_utime.tv_sec + children.ru_stime.tv_sec) +
                       double(children.ru_utime.tv_usec + children.ru_stime.tv_usec) / 1e6;
    if (lines) std::fclose(lines);

    const long tick = ::sysconf(_SC_CLK_TCK);
    const Peak child_ = watch.largestChild();
    std::printf("command=%s\n", options.command[0]);
    std::printf("seconds=%.3f\n", double(measured) / 1e9);
    std::printf("ended_early=%d\n", endedEarly ? 1 : 0);
    std::printf("ended_on_term=%d\n", endedByTerm && !endedEarly ? 1 : 0);
    std::printf("exit=%s%d\n", WIFSIGNALED(status) ? "signal " : "", WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
    std::printf("cpu_s=%.6f\n", cpu);
    std::printf("cpu_s_per_hour=%.3f\n", cpu * 3600.0 / (double(measured) / 1e9));
    if (steadyStart && steadyEnd) {
        const double span = double(steadyEndNs - steadyStartNs) / 1e9;
        const double cpuSteady =
            group.available() ? groupEnd - steadyStartGroup : steadyEnd->total() - steadyStart->total();
        std::printf("steady_seconds=%.3f\n", span);
        std::printf("steady_cpu_s=%.6f\n", cpuSteady);
        std::printf("steady_cpu_s_per_hour=%.3f\n", cpuSteady * 3600.0 / span);
        std::printf("steady_own_s_per_hour=%.3f\n", (steadyEnd->ownSeconds - steadyStart->ownSeconds) * 3600.0 / span);
        std::printf("steady_children_s_per_hour=%.3f\n",
                    (cpuSteady - (steadyEnd->ownSeconds - steadyStart->ownSeconds)) * 3600.0 / span);
    }
    std::printf("cpu_own_s=%.2f\n", double(ownTicks) / double(tick));
    std::printf("cpu_reaped_children_s=%.2f\n", double(reapedTicks) / double(tick));
    std::printf("cpu_live_children_s=%.2f\n", double(liveTicks) / double(tick));
    std::printf("hwm_kb=%ld\n", watch.mainHwmKb);
    std::printf("child_name=%s\n", child_.name.empty() ? "-" : child_.name.c_str());
    std::printf("child_hwm_kb=%ld\n", child_.hwmKb);
    std::printf("children_seen=%zu\n", watch.childrenSeen());
    std::printf("longest_zombie_polls=%d\n", watch.longestZombiePolls);
    std::printf("lines=%lld\n", static_cast<long long>(lineCount));
    std::printf("first_line_ms=%.3f\n", firstLine < 0 ? -1.0 : double(firstLine) / 1e6);
    std::printf("second_line_ms=%.3f\n", secondLine < 0 ? -1.0 : double(secondLine) / 1e6);
    std::printf("longest_gap_ms=%.3f\n", double(longestGap) / 1e6);
    if (options.period > 0) reportDrift(arrivals, options.period);
    std::printf("cpu_accounting=%s\n", group.available() ? "cpuacct group" : "process clocks");
    std::printf("startup_cpu_ms=%.2f\n", startupUsage < 0 ? -1.0 : startupUsage * 1000.0);
    std::printf("startup_faults=%lld\n", startupFaults);
    std::vector<double> costs = restartCosts(usage, steadyAt);
    if (!costs.empty()) {
        std::sort(costs.begin(), costs.end());
        std::printf("restarts_measured=%zu\n", costs.size());
        std::printf("restart_cpu_ms_median=%.2f\n", costs[costs.size() / 2] * 1000.0);
        std::printf("restart_cpu_ms_min=%.2f\n", costs.front() * 1000.0);
    }
    for (const Sample& s : samples)
        std::printf("sample=%.1f %ld %d %d\n", s.atSeconds, s.rssKb, s.fds, s.threads);
    return 0;
}

}  // namespace ratelark::bench
