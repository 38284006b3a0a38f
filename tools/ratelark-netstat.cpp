// ratelark-netstat: prints, once an interval, how many packets, errors and
// bytes the counted interfaces received and sent during that interval.

#include "counters/CountedInterfaces.h"
#include "counters/NetDevCounters.h"
#include "counters/WholeFile.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include <sys/prctl.h>
#include <unistd.h>

using namespace ratelark::counters;

namespace {

constexpr int kUsageError = 2;
constexpr std::int64_t kNsPerSecond = 1'000'000'000;

void writeText(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

constexpr std::string_view kUsage =
    "usage: ratelark-netstat [--interface NAME]... [--sysfs DIR] [--file PATH] [INTERVAL]\n"
    "  Prints, every INTERVAL seconds (default 1), one line of what the counted\n"
    "  interfaces did in that interval: packets in, errors in, bytes in,\n"
    "  packets out, errors out, bytes out, collisions.\n"
    "  Counted are the interfaces named with --interface; without it, those backed\n"
    "  by a device (DIR/NAME/device exists: Ethernet, Wi-Fi, USB tethering, WWAN,\n"
    "  virtio), and where none is, every interface but lo. That automatic set is\n"
    "  looked at again whenever an interface appears or goes.\n"
    "  --interface NAME  count NAME (repeat for more); one that is absent counts 0\n"
    "  --sysfs DIR       where to look for device links (default /sys/class/net)\n"
    "  --file PATH       read the counters from PATH instead of /proc/net/dev\n";

int usageError(std::string_view problem) {
    writeText(STDERR_FILENO, "ratelark-netstat: ");
    writeText(STDERR_FILENO, problem);
    writeText(STDERR_FILENO, "\n");
    writeText(STDERR_FILENO, kUsage);
    return kUsageError;
}

std::int64_t monotonicNs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * kNsPerSecond + now.tv_nsec;
}

void sleepUntil(std::int64_t deadlineNs) {
    const timespec deadline{static_cast<time_t>(deadlineNs / kNsPerSecond), static_cast<long>(deadlineNs % kNsPerSecond)};
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {}
}

// Says once why the counters cannot be read, and again only after they could
// be read in between.
class ReadFailureReport {
public:
    void failed(const char* path, int error) {
        if (reported_) return;
        reported_ = true;
        std::string line = "ratelark-netstat: cannot read ";
        line += path;
        line += ": ";
        line += std::strerror(error);
        line += '\n';
        writeText(STDERR_FILENO, line);
    }
    void recovered() { reported_ = false; }

private:
    bool reported_ = false;
};

void endQuietly(int) { ::_exit(0); }

void installSignalHandlers() {
    struct sigaction action{};
    action.sa_handler = endQuietly;
    ::sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    // A closed output shows as EPIPE from write, ending the loop.
    ::signal(SIGPIPE, SIG_IGN);
}

// Writes one whole line; returns 0 or the errno of the failure.
int writeLine(const std::string& line) {
    std::string_view rest = line;
    while (!rest.empty()) {
        const ssize_t n = ::write(STDOUT_FILENO, rest.data(), rest.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        rest.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

// Output that cannot be written ends the program: quietly when the reader
// has gone away, with one line otherwise.
int endForOutput(int error) {
    if (error == EPIPE) return 0;
    std::string message = "ratelark-netstat: cannot write: ";
    message += std::strerror(error);
    message += '\n';
    writeText(STDERR_FILENO, message);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    // The sampler never outlives the program that started it.
    const pid_t parent = ::getppid();
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) return 0;
    installSignalHandlers();

    const char* path = "/proc/net/dev";
    std::string sysfsRoot = kSysfsNet;
    std::vector<std::string> chosen;
    std::int64_t intervalNs = kNsPerSecond;
    bool intervalGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            writeText(STDOUT_FILENO, kUsage);
            return 0;
        }
        if (argument == "--file") {
            if (++i == argc) return usageError("--file needs a path");
            path = argv[i];
        } else if (argument == "--sysfs") {
            if (++i == argc) return usageError("--sysfs needs a folder");
            sysfsRoot = argv[i];
        } else if (argument == "--interface") {
            if (++i == argc) return usageError("--interface needs a name");
            if (!isValidInterfaceName(argv[i])) return usageError("not an interface name: \"" + std::string(argv[i]) + "\"");
            chosen.emplace_back(argv[i]);
        } else if (!intervalGiven && !argument.starts_with('-')) {
            intervalNs = parseIntervalNs(argument);
            if (intervalNs == 0) return usageError("the interval must be a number of seconds from 0.01 to 86400");
            intervalGiven = true;
        } else {
            return usageError("unexpected argument \"" + std::string(argument) + "\"");
        }
    }

    std::sort(chosen.begin(), chosen.end());
    chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
    const bool automatic = chosen.empty();
    std::vector<std::string> counted = std::move(chosen);
    // The automatic set changes only with the list of interfaces, so it is
    // looked at again only then: no stat() on an ordinary tick.
    auto follow = [&](const Reading& reading) {
        if (automatic) counted = automaticInterfaces(namesOf(reading), sysfsRoot);
    };
    auto sameNames = [](const Reading& a, const Reading& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                          [](const InterfaceCounters& x, const InterfaceCounters& y) { return x.name == y.name; });
    };

    ReadFailureReport report;
    CounterFile counterFile(path);
    std::string text;
    Reading previous;
    std::int64_t previousNs = monotonicNs();
    if (const int error = counterFile.read(text); error != 0)
        report.failed(path, error);
    else
        previous = parseNetDev(text);
    follow(previous);

    std::int64_t deadline = previousNs + intervalNs;
    for (;;) {
        sleepUntil(deadline);
        const std::int64_t nowNs = monotonicNs();
        Counters line{};
        if (const int error = counterFile.read(text); error != 0) {
            report.failed(path, error);
            // Every interface counts as new once the file can be read again.
            previous.clear();
        } else {
            report.recovered();
            Reading current = parseNetDev(text);
            if (!sameNames(previous, current)) follow(current);
            line = scaleToInterval(sumIncreases(previous, current, counted), nowNs - previousNs, intervalNs);
            previous = std::move(current);
        }
        previousNs = nowNs;
        if (const int error = writeLine(formatLine(line)); error != 0) return endForOutput(error);
        // After a stop (a suspended process, a debugger) skip the missed
        // ticks rather than print them all at once.
        deadline += intervalNs;
        if (deadline <= nowNs) deadline += (nowNs - deadline) / intervalNs * intervalNs + intervalNs;
    }
}
