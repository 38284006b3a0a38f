#include "platform/ShellCommand.h"
#include "tests/TotalsProbes.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cerrno>

#include <sys/wait.h>

namespace ratelark {
namespace {

using namespace std::chrono_literals;
using Outcome = ShellCommand::Outcome;

// Linux before 5.3 has no pidfd_open: the end of the shell is polled for
// within the same limit, and the shell is still reaped.
TEST(ShellCommandWithoutPidFd, EndsWithinTheLimitAndLeavesNoZombie) {
    QTemporaryDir dir;
    const QString pidFile = dir.filePath(QStringLiteral("shell"));
    const struct {
        const char* body;
        Outcome outcome;
        QByteArray output;
    } cases[] = {
        {"echo 5", Outcome::Finished, "5\n"},
        {"echo 5; exec >&-; sleep 0.1", Outcome::Finished, "5\n"},
        {"echo 5; exec >&-; exec sleep 1000", Outcome::TimedOut, {}},
    };
    for (const auto& run : cases) {
        const QString text = QStringLiteral("echo $$ > '%1'; %2").arg(pidFile, QString::fromLatin1(run.body));
        const ShellCommand::Result result =
            ShellCommand(QStringLiteral("/bin/bash"), text, 500ms, ShellCommand::ExitWatch::Polling).run();
        EXPECT_EQ(result.outcome, run.outcome) << run.body;
        EXPECT_EQ(result.output, run.output) << run.body;
        // Reaped: no longer a child of this process.
        errno = 0;
        EXPECT_EQ(::waitpid(static_cast<pid_t>(testing::pidIn(pidFile)), nullptr, WNOHANG), -1) << run.body;
        EXPECT_EQ(errno, ECHILD) << run.body;
    }
}

}  // namespace
}  // namespace ratelark
