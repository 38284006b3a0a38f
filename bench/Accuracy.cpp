// accuracy: steady UDP traffic from one network namespace to another over a
// veth pair, with several readers of the sending side's speed running in the
// sending namespace at the same time (RateLark's status line, the sampler
// tool, ifstat, sar). Each line a reader prints is compared with what the
// veth's own counter moved in the second before that line arrived; the
// counter is read every couple of milliseconds and interpolated.
#include "bench/Commands.h"
#include "bench/ProcFiles.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ratelark::bench {

namespace {

constexpr std::int64_t kSecond = 1'000'000'000;
constexpr std::int64_t kCounterEvery = 2'000'000;
// A second whose window began this soon after the traffic started is left out.
constexpr std::int64_t kStartMargin = 150'000'000;

struct Reader {
    std::string name;
    std::string kind;  // title, tool, ifstat, sar
    std::string command;
    pid_t pid = 0;
    int fd = -1;
    std::string partial;
    std::vector<std::pair<std::int64_t, std::string>> lines;
};

struct Options {
    std::string txNs, rxNs, device, destination = "10.213.1.2";
    int port = 9;
    double rate = 0;  // bytes a second on the wire; 0: as fast as it goes
    int payload = 1472;
    double lead = 3;
    double seconds = 30;
    std::string dumpFile;
    std::vector<Reader> readers;
};

// The counter's reader and a paced sender keep their times on a busy
// machine: what they do each millisecond is little, but it must not wait
// behind other work. A failure to get the priority leaves them as they are.
void preferThisThread() {
    sched_param priority{};
    priority.sched_priority = 10;
    ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &priority);
}

// The readers too, a step below: a reader that is preempted between reading
// its counters and writing its line (by the sender flat out, or by anything
// else on a busy machine) would seem to have measured the wrong second, and
// every reader gets the same treatment.
void preferThisReader() {
    sched_param priority{};
    priority.sched_priority = 5;
    ::sched_setscheduler(0, SCHED_FIFO, &priority);
}

int openNamespace(const std::string& name) { return ::open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC); }

double number(const std::string& text, std::size_t& at) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str() + at, &end);
    at = std::size_t(end - text.c_str());
    return value;
}

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> result;
    std::string w;
    while (in >> w) result.push_back(w);
    return result;
}

bool isNumber(const std::string& word) {
    char* end = nullptr;
    std::strtod(word.c_str(), &end);
    return !word.empty() && *end == '\0';
}

// The sent speed, bytes a second, that one line of a reader shows.
std::optional<double> sentSpeed(const std::string& kind, const std::string& line, const std::string& device) {
    if (kind == "title") {
        // "download|upload", each "N.N KB", "N.N Mb", ...
        const std::size_t bar = line.find('|');
        if (bar == std::string::npos) return std::nullopt;
        std::size_t at = bar + 1;
        const double value = number(line, at);
        while (at < line.size() && line[at] == ' ') ++at;
        if (at >= line.size()) return std::nullopt;
        double scale = 1;
        switch (line[at]) {
        case 'K': scale = 1024.0; break;
        case 'M': scale = 1048576.0; break;
        case 'G': scale = 1073741824.0; break;
        default: return std::nullopt;
        }
        if (at + 1 < line.size() && line[at + 1] == 'b') scale /= 8.0;
        return value * scale;
    }
    const std::vector<std::string> w = words(line);
    if (kind == "tool") {
        if (w.size() != 7 || !isNumber(w[5])) return std::nullopt;
        return std::strtod(w[5].c_str(), nullptr);
    }
    if (kind == "ifstat") {
        // "  KB/s in  KB/s out" for the one interface asked for.
        if (w.size() != 2 || !isNumber(w[0]) || !isNumber(w[1])) return std::nullopt;
        return std::strtod(w[1].c_str(), nullptr) * 1024.0;
    }
    if (kind == "sar") {
        // time IFACE rxpck/s txpck/s rxkB/s txkB/s ...
        if (!w.empty() && w[0].rfind("Average", 0) == 0) return std::nullopt;
        const auto it = std::find(w.begin(), w.end(), device);
        if (it == w.end() || w.end() - it < 5 || !isNumber(*(it + 4))) return std::nullopt;
        return std::strtod((it + 4)->c_str(), nullptr) * 1024.0;
    }
    return std::nullopt;
}

struct CounterReading {
    std::int64_t at;
    double sent;
};

// The counter at a moment, linearly between the two readings around it.
std::optional<double> counterAt(const std::vector<CounterReading>& readings, std::int64_t at) {
    const auto after = std::lower_bound(readings.begin(), readings.end(), at,
                                        [](const CounterReading& r, std::int64_t t) { return r.at < t; });
    if (after == readings.begin() || after == readings.end()) return std::nullopt;
    const auto before = after - 1;
    const double f = double(at - before->at) / double(after->at - before->at);
    return before->sent + f * (after->sent - before->sent);
}

bool parseOptions(int argc, char** argv, Options& o) {
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--tx-ns") o.txNs = value();
        else if (a == "--rx-ns") o.rxNs = value();
        else if (a == "--dev") o.device = value();
        else if (a == "--dest") o.destination = value();
        else if (a == "--port") o.port = std::atoi(value().c_str());
        else if (a == "--rate") o.rate = std::atof(value().c_str());
        else if (a == "--payload") o.payload = std::atoi(value().c_str());
        else if (a == "--lead") o.lead = std::atof(value().c_str());
        else if (a == "--seconds") o.seconds = std::atof(value().c_str());
        else if (a == "--dump") o.dumpFile = value();
        else if (a == "--reader" && i + 3 < argc) {
            Reader r;
            r.name = argv[++i];
            r.kind = argv[++i];
            r.command = argv[++i];
            o.readers.push_back(std::move(r));
        } else {
            std::fprintf(stderr, "accuracy: unknown option %s\n", a.c_str());
            return false;
        }
    }
    return !o.txNs.empty() && !o.rxNs.empty() && !o.device.empty() && !o.readers.empty();
}

// Sends UDP datagrams from the start for the given time: paced on a 1 ms
// grid of absolute deadlines, or as fast as the machine lets it.
void pump(int socket, const Options& o, std::int64_t start, std::int64_t end) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(std::uint16_t(o.port));
    ::inet_pton(AF_INET, o.destination.c_str(), &to.sin_addr);
    const std::string payload(std::size_t(o.payload), 'r');
    // Ethernet, IPv4 and UDP headers as the veth counts the frame.
    const double frame = double(o.payload) + 14 + 20 + 8;
    auto send = [&] {
        ::sendto(socket, payload.data(), payload.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    };
    sleepUntilNs(start);
    if (o.rate <= 0) {
        while (nowNs() < end)
            for (int i = 0; i < 64; ++i) send();
        return;
    }
    std::int64_t sent = 0;
    for (std::int64_t tick = start; tick < end; tick += 1'000'000) {
        sleepUntilNs(tick);
        const auto due = std::int64_t(o.rate * double(nowNs() - start) / 1e9 / frame);
        for (; sent < due; ++sent) send();
    }
}

}  // namespace

int accuracyCommand(int argc, char** argv) {
    Options o;
    if (!parseOptions(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: ratelark-bench accuracy --tx-ns NS --rx-ns NS --dev VETH [--dest IP] [--port N]\n"
                     "         [--rate BYTES_PER_S|0] [--payload N] [--lead S] [--seconds S] [--dump FILE]\n"
                     "         --reader NAME title|tool|ifstat|sar 'COMMAND' ...\n");
        return 2;
    }
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    ::signal(SIGPIPE, SIG_IGN);

    // The whole process moves to the sending side; only the receiving socket
    // is made on the other.
    const int tx = openNamespace(o.txNs);
    const int rx = openNamespace(o.rxNs);
    if (tx < 0 || rx < 0 || ::setns(tx, CLONE_NEWNET) != 0) {
        std::fprintf(stderr, "accuracy: cannot enter the namespaces %s and %s: %s\n", o.txNs.c_str(), o.rxNs.c_str(),
                     std::strerror(errno));
        return 1;
    }
    int receiver = -1;
    std::thread([&] {
        if (::setns(rx, CLONE_NEWNET) != 0) return;
        receiver = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(std::uint16_t(o.port));
        // Bound but never read: datagrams are dropped at the socket, with no
        // "port unreachable" coming back to disturb the sending side.
        ::bind(receiver, reinterpret_cast<const sockaddr*>(&at), sizeof at);
    }).join();
    const int sender = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (receiver < 0 || sender < 0) {
        std::fprintf(stderr, "accuracy: no sockets in the namespaces\n");
        return 1;
    }

    for (Reader& r : o.readers) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return 1;
        r.pid = ::fork();
        if (r.pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDERR_FILENO);
            ::signal(SIGPIPE, SIG_DFL);
            preferThisReader();
            ::execl("/bin/sh", "sh", "-c", r.command.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        r.fd = out[0];
        ::fcntl(r.fd, F_SETFL, O_NONBLOCK);
    }

    const std::int64_t begin = nowNs();
    const std::int64_t pumpStart = begin + std::int64_t(o.lead * 1e9);
    const std::int64_t pumpEnd = pumpStart + std::int64_t(o.seconds * 1e9);

    std::atomic<bool> stop{false};
    std::vector<CounterReading> readings;
    readings.reserve(std::size_t((o.lead + o.seconds + 2) * 1e9 / double(kCounterEvery)));
    std::thread counter([&] {
        preferThisThread();
        for (std::int64_t next = nowNs(); !stop; next += kCounterEvery) {
            sleepUntilNs(next);
            const auto text = readFile("/proc/self/net/dev");
            const std::int64_t at = nowNs();
            if (!text) continue;
            if (const auto bytes = interfaceBytes(*text, o.device)) readings.push_back({at, double(bytes->sent)});
        }
    });
    std::thread sending([&] {
        // Flat out, the sender would hold a core for itself at that priority.
        if (o.rate > 0) preferThisThread();
        pump(sender, o, pumpStart, pumpEnd);
    });

    // The readers' lines, as they arrive, until the traffic has ended. Each
    // line is timed the moment it can be read, whatever else runs.
    preferThisThread();
    std::vector<pollfd> fds;
    for (const Reader& r : o.readers) fds.push_back({r.fd, POLLIN, 0});
    const std::int64_t readUntil = pumpEnd + kSecond / 4;
    while (nowNs() < readUntil) {
        const int timeoutMs = int((readUntil - nowNs()) / 1'000'000) + 1;
        if (::poll(fds.data(), fds.size(), timeoutMs) <= 0) continue;
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP))) continue;
            Reader& r = o.readers[i];
            char buffer[8192];
            const ssize_t n = ::read(r.fd, buffer, sizeof buffer);
            if (n <= 0) {
                fds[i].fd = -1;  // ended: poll no longer
                continue;
            }
            const std::int64_t at = nowNs();
            r.partial.append(buffer, std::size_t(n));
            std::size_t newline = 0;
            while ((newline = r.partial.find('\n')) != std::string::npos) {
                r.lines.emplace_back(at, r.partial.substr(0, newline));
                r.partial.erase(0, newline + 1);
            }
        }
    }
    sending.join();
    stop = true;
    counter.join();
    for (const Reader& r : o.readers) ::kill(r.pid, SIGTERM);
    for (int i = 0; i < 250; ++i) {
        bool all = true;
        for (Reader& r : o.readers)
            if (r.pid > 0) {
                if (::waitpid(r.pid, nullptr, WNOHANG) == r.pid) r.pid = 0;
                else all = false;
            }
        if (all) break;
        ::usleep(20000);
    }
    reapEverythingLeft();

    const auto inPumpStart = counterAt(readings, pumpStart + kStartMargin);
    const auto inPumpEnd = counterAt(readings, pumpEnd);
    const double rate = inPumpStart && inPumpEnd ? (*inPumpEnd - *inPumpStart) / (double(pumpEnd - pumpStart - kStartMargin) / 1e9) : 0;
    std::printf("rate_mbit=%.3f\n", rate * 8 / 1e6);
    std::printf("counter_readings=%zu\n", readings.size());

    FILE* dump = o.dumpFile.empty() ? nullptr : std::fopen(o.dumpFile.c_str(), "w");
    for (const Reader& r : o.readers) {
        double sumAbs = 0, worst = 0, shown = 0, truth = 0;
        int used = 0;
        for (const auto& [at, line] : r.lines) {
            const auto value = sentSpeed(r.kind, line, o.device);
            if (!value) continue;
            if (at - kSecond < pumpStart + kStartMargin || at > pumpEnd) continue;
            const auto now = counterAt(readings, at);
            const auto before = counterAt(readings, at - kSecond);
            if (!now || !before || *now <= *before) continue;
            const double actual = *now - *before;
            const double error = (*value - actual) / actual;
            sumAbs += std::abs(error);
            worst = std::max(worst, std::abs(error));
            shown += *value;
            truth += actual;
            ++used;
            if (dump) std::fprintf(dump, "%s\t%.3f\t%.0f\t%.0f\t%+.4f%%\t%s\n", r.name.c_str(), double(at - begin) / 1e9,
                                   *value, actual, error * 100, line.c_str());
        }
        std::printf("reader=%s lines=%zu used=%d mean_abs_pct=%.4f worst_pct=%.4f bias_pct=%+.4f\n", r.name.c_str(),
                    r.lines.size(), used, used ? sumAbs / used * 100 : -1.0, used ? worst * 100 : -1.0,
                    truth > 0 ? (shown - truth) / truth * 100 : 0.0);
    }
    if (dump) std::fclose(dump);
    return 0;
}

}  // namespace ratelark::bench
