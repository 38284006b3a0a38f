// What a child inherits of the program's signal handling: its program must
// start with the stop signals at their defaults, and a child that is hit
// before it gets there must end, never report the signal as its parent's.
#include "platform/ChildProcessSetup.h"
#include "platform/TerminationSignals.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

namespace ratelark {
namespace {

// The named mask (SigIgn, SigCgt, SigBlk) of /proc/self/status as a shell sees it.
qulonglong statusMask(const QByteArray& status, const QByteArray& name) {
    for (const QByteArray& line : status.split('\n'))
        if (line.startsWith(name + ':')) return line.mid(name.size() + 1).trimmed().toULongLong(nullptr, 16);
    return ~0ull;
}

constexpr qulonglong bit(int number) { return 1ull << (number - 1); }

TEST(ChildSignals, AChildStartsItsProgramWithTheStopSignalsAtTheirDefaults) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction oldInt {}, oldPipe {};
    ::sigaction(SIGINT, &ignore, &oldInt);
    ::sigaction(SIGPIPE, &ignore, &oldPipe);
    sigset_t blocked, oldMask;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    ::pthread_sigmask(SIG_BLOCK, &blocked, &oldMask);
    QByteArray status;
    {
        TerminationSignals caught([] {});  // SIGTERM caught here
        QProcess child;
        child.setChildProcessModifier([parent = ::getpid()] { prepareChildProcess(parent); });
        child.start(QStringLiteral("/bin/cat"), {QStringLiteral("/proc/self/status")});
        ASSERT_TRUE(child.waitForFinished(10000));
        status = child.readAllStandardOutput();
    }
    ::pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    ::sigaction(SIGINT, &oldInt, nullptr);
    ::sigaction(SIGPIPE, &oldPipe, nullptr);

    const qulonglong stops = bit(SIGINT) | bit(SIGTERM) | bit(SIGPIPE);
    EXPECT_EQ(statusMask(status, "SigIgn") & stops, 0u) << status.toStdString();
    EXPECT_EQ(statusMask(status, "SigCgt") & stops, 0u) << status.toStdString();
    EXPECT_EQ(statusMask(status, "SigBlk"), 0u) << status.toStdString();
}

TEST(ChildSignals, AForkedChildHitBeforeItsProgramStartsEndsByTheSignal) {
    for (const int number : {SIGTERM, SIGINT}) {
        int calls = 0;
        TerminationSignals watcher([&calls] { ++calls; });
        const pid_t child = ::fork();
        if (child == 0) {
            ::kill(::getpid(), number);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == number) << "status " << status;
        testing::waitUntil([] { return false; }, 200);
        EXPECT_EQ(calls, 0) << "the child's signal was taken for the parent's";
    }
}

}  // namespace
}  // namespace ratelark
