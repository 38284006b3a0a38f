#include "platform/ShellCommand.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ratelark {

namespace {

using Clock = std::chrono::steady_clock;

// More than any number a pipeline prints; a runaway writer is read to its
// end but not kept.
constexpr qsizetype kKeptOutput = 1 << 20;

int millisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

// Waits until fd is readable (or hung up); false once the deadline passes.
bool waitReadable(int fd, Clock::time_point deadline) {
    for (;;) {
        pollfd watched{fd, POLLIN, 0};
        const int ready = ::poll(&watched, 1, millisecondsLeft(deadline));
        if (ready > 0) return true;
        if (ready == 0) return false;
        if (errno != EINTR) return true;  // let the read that follows report it
    }
}

// Waits until the shell has ended, looking every few milliseconds, but does
// not reap it: until finish() does, its id cannot be reused, so killing its
// group stays safe. False once the deadline passes.
bool waitExited(pid_t pid, Clock::time_point deadline) {
    constexpr auto kPollInterval = std::chrono::milliseconds(10);
    for (;;) {
        siginfo_t info{};
        const int got = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
        if (got == 0 && info.si_pid == pid) return true;
        if (got != 0 && errno != EINTR) return true;  // nothing to wait for; finish() reaps what there is
        const Clock::duration left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) return false;
        std::this_thread::sleep_for(std::min<Clock::duration>(left, kPollInterval));
    }
}

QString errorText(const char* what, int error) {
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what), QString::fromLocal8Bit(std::strerror(error)));
}

// The child starts with no blocked signals and SIGPIPE at its default, so
// that a pipeline behaves as it would from a terminal whatever the program
// itself blocks or ignores.
struct SpawnSettings {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;

    explicit SpawnSettings(int outputFd) {
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
        posix_spawnattr_init(&attributes);
        sigset_t none;
        sigemptyset(&none);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        posix_spawnattr_setpgroup(&attributes, 0);  // a new group led by the shell
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
    }
    ~SpawnSettings() {
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;
};

// The program's environment with the added NAME=VALUE entries in place of
// any of the same names; the pointers live as long as both lists.
std::vector<char*> environmentWith(const QList<QByteArray>& added) {
    std::vector<char*> entries;
    for (char** entry = environ; *entry; ++entry) {
        const QByteArrayView existing(*entry);
        const bool replaced = std::any_of(added.begin(), added.end(), [&](const QByteArray& addition) {
            return existing.startsWith(addition.left(addition.indexOf('=') + 1));
        });
        if (!replaced) entries.push_back(*entry);
    }
    for (const QByteArray& addition : added) entries.push_back(const_cast<char*>(addition.constData()));
    entries.push_back(nullptr);
    return entries;
}

}  // namespace

ShellCommand::ShellCommand(QString shell, QString text, std::chrono::milliseconds timeLimit, ExitWatch exitWatch)
    : shell_(std::move(shell)), text_(std::move(text)), timeLimit_(timeLimit), exitWatch_(exitWatch) {}

void ShellCommand::addEnvironment(const QString& name, const QString& value) {
    environment_ << name.toUtf8() + '=' + value.toUtf8();
}

ShellCommand::Result ShellCommand::run() {
    const Clock::time_point deadline = Clock::now() + timeLimit_;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return {Outcome::FailedToStart, {}, errorText("pipe", errno)};

    QByteArray shell = QFile::encodeName(shell_);
    QByteArray option("-c");
    QByteArray text = text_.toUtf8();
    char* arguments[] = {shell.data(), option.data(), text.data(), nullptr};
    const std::vector<char*> environment = environmentWith(environment_);
    pid_t pid = 0;
    int spawnError = 0;
    bool endedEarly = false;
    {
        const SpawnSettings settings(pipeFds[1]);
        // Spawned under the lock, so that end() either prevents the run or
        // finds the group.
        const std::lock_guard lock(mutex_);
        endedEarly = ended_;
        if (!endedEarly) {
            spawnError = ::posix_spawn(&pid, shell.constData(), &settings.actions, &settings.attributes, arguments, environment.data());
            if (spawnError == 0) group_ = pid;
        }
    }
    ::close(pipeFds[1]);
    if (endedEarly || spawnError != 0) {
        ::close(pipeFds[0]);
        if (endedEarly) return {Outcome::Ended, {}, {}};
        return {Outcome::FailedToStart, {}, errorText(shell.constData(), spawnError)};
    }

    // A descriptor that becomes readable when the shell ends, so that its end
    // can be awaited with the same deadline. (The C library of Debian 12
    // declares pidfd_open without C linkage, hence the raw call.) Without one,
    // on Linux before 5.3 or when refused, the shell is polled instead.
    const int exitFd = exitWatch_ == ExitWatch::PidFd ? static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)) : -1;

    QByteArray output;
    char buffer[4096];
    for (;;) {
        if (!waitReadable(pipeFds[0], deadline)) return finish(Outcome::TimedOut, output, pipeFds[0], exitFd, pid);
        const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
        if (got > 0) {
            output.append(buffer, std::min<qsizetype>(got, kKeptOutput - output.size()));
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    const bool exited = exitFd >= 0 ? waitReadable(exitFd, deadline) : waitExited(pid, deadline);
    return finish(exited ? Outcome::Finished : Outcome::TimedOut, output, pipeFds[0], exitFd, pid);
}

void ShellCommand::end() {
    const std::lock_guard lock(mutex_);
    ended_ = true;
    killGroupLocked();
}

void ShellCommand::killGroupLocked() {
    if (group_ > 0) ::kill(-group_, SIGKILL);
}

ShellCommand::Result ShellCommand::finish(Outcome outcome, QByteArray output, int outputFd, int exitFd, pid_t shellPid) {
    {
        const std::lock_guard lock(mutex_);
        if (outcome == Outcome::TimedOut) killGroupLocked();
        if (ended_) outcome = Outcome::Ended;
        // The shell is reaped next and its id may then be reused: never
        // signal the group again.
        group_ = 0;
    }
    ::close(outputFd);
    if (exitFd >= 0) ::close(exitFd);
    while (::waitpid(shellPid, nullptr, 0) < 0 && errno == EINTR) {
    }
    if (outcome != Outcome::Finished) output.clear();
    return {outcome, std::move(output), {}};
}

}  // namespace ratelark
