#include "bench/ProcFiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <sstream>

#include <csignal>

#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ratelark::bench {

std::int64_t nowNs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

void sleepUntilNs(std::int64_t deadline) {
    const timespec at{time_t(deadline / 1'000'000'000), long(deadline % 1'000'000'000)};
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {}
}

std::optional<std::string> readFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string text;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(buffer, std::size_t(n));
    }
    ::close(fd);
    return text;
}

std::optional<ProcStat> readStat(pid_t pid) {
    const auto text = readFile("/proc/" + std::to_string(pid) + "/stat");
    if (!text) return std::nullopt;
    // The name may hold blanks and parentheses: it ends at the last ')'.
    const std::size_t open = text->find('(');
    const std::size_t close = text->rfind(')');
    if (open == std::string::npos || close == std::string::npos || close + 2 >= text->size()) return std::nullopt;
    ProcStat stat;
    stat.pid = pid;
    stat.comm = text->substr(open + 1, close - open - 1);
    std::istringstream rest(text->substr(close + 2));
    std::string field;
    std::vector<std::string> fields;
    while (rest >> field && fields.size() < 16) fields.push_back(field);
    if (fields.size() < 16) return std::nullopt;
    // Fields from the state on: state(3) ppid(4) ... minflt(10) majflt(12) utime(14) stime(15) cutime(16) cstime(17).
    stat.state = fields[0][0];
    stat.ppid = pid_t(std::atol(fields[1].c_str()));
    stat.faults = std::strtoull(fields[7].c_str(), nullptr, 10) + std::strtoull(fields[9].c_str(), nullptr, 10);
    stat.utime = std::strtoull(fields[11].c_str(), nullptr, 10);
    stat.stime = std::strtoull(fields[12].c_str(), nullptr, 10);
    stat.cutime = std::strtoull(fields[13].c_str(), nullptr, 10);
    stat.cstime = std::strtoull(fields[14].c_str(), nullptr, 10);
    return stat;
}

std::vector<ProcStat> allProcesses() {
    std::vector<ProcStat> result;
    DIR* proc = ::opendir("/proc");
    if (!proc) return result;
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0') continue;
        if (auto stat = readStat(pid_t(pid))) result.push_back(std::move(*stat));
    }
    ::closedir(proc);
    return result;
}

long statusKb(pid_t pid, const char* field) {
    const auto text = readFile("/proc/" + std::to_string(pid) + "/status");
    if (!text) return -1;
    const std::string key = std::string("\n") + field + ":";
    const std::size_t at = text->find(key);
    if (at == std::string::npos) return -1;
    return std::atol(text->c_str() + at + key.size());
}

namespace {

int countEntries(const std::string& path) {
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return -1;
    int count = 0;
    while (const dirent* entry = ::readdir(dir))
        if (entry->d_name[0] != '.') ++count;
    ::closedir(dir);
    return count;
}

}  // namespace

int openDescriptors(pid_t pid) { return countEntries("/proc/" + std::to_string(pid) + "/fd"); }
int threadCount(pid_t pid) { return countEntries("/proc/" + std::to_string(pid) + "/task"); }

std::vector<ProcStat> descendants(pid_t root) {
    std::multimap<pid_t, ProcStat> byParent;
    for (ProcStat& stat : allProcesses()) byParent.emplace(stat.ppid, std::move(stat));
    std::vector<ProcStat> found;
    std::vector<pid_t> open{root};
    while (!open.empty()) {
        const pid_t parent = open.back();
        open.pop_back();
        const auto [first, last] = byParent.equal_range(parent);
        for (auto it = first; it != last; ++it) {
            found.push_back(it->second);
            open.push_back(it->second.pid);
        }
    }
    return found;
}

void reapEverythingLeft() {
    for (int round = 0; round < 100; ++round) {
        for (const ProcStat& p : allProcesses())
            if (p.ppid == ::getpid() && p.state != 'Z') ::kill(p.pid, SIGKILL);
        int status = 0;
        pid_t reaped = 0;
        while ((reaped = ::waitpid(-1, &status, WNOHANG)) > 0) {}
        if (reaped < 0 && errno == ECHILD) return;
        ::usleep(20000);
    }
}

std::optional<InterfaceBytes> interfaceBytes(const std::string& text, const std::string& name) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string device = line.substr(0, colon);
        device.erase(0, device.find_first_not_of(" \t"));
        if (device != name) continue;
        std::istringstream columns(line.substr(colon + 1));
        std::uint64_t value[9] = {};
        for (std::uint64_t& v : value)
            if (!(columns >> v)) return std::nullopt;
        return InterfaceBytes{value[0], value[8]};
    }
    return std::nullopt;
}

}  // namespace ratelark::bench
