#include "platform/ShellCommand.h"
#include "tests/TotalsProbes.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <thread>

#include <unistd.h>

namespace ratelark {
namespace {

using namespace std::chrono_literals;
using testing::pidIn;
using testing::processEnded;
using testing::waitUntil;
using Outcome = ShellCommand::Outcome;

const QString bash = QStringLiteral("/bin/bash");

ShellCommand::Result runOnce(const QString& text, std::chrono::milliseconds limit = 10s) {
    return ShellCommand(bash, text, limit).run();
}

TEST(ShellCommand, CapturesStandardOutputButNotStandardError) {
    const ShellCommand::Result result = runOnce(QStringLiteral("echo 12.5; echo to-stderr >&2; echo more"));
    EXPECT_EQ(result.outcome, Outcome::Finished);
    EXPECT_EQ(result.output, QByteArray("12.5\nmore\n"));
}

TEST(ShellCommand, ReadsUntilEveryWriterHasClosedTheOutput) {
    // The background writer outlives the shell; its line still belongs to the run.
    const ShellCommand::Result result = runOnce(QStringLiteral("(sleep 0.2; echo late) & echo early"));
    EXPECT_EQ(result.outcome, Outcome::Finished);
    EXPECT_EQ(result.output, QByteArray("early\nlate\n"));
}

TEST(ShellCommand, RunsInAProcessGroupOfItsOwn) {
    // Field 5 of the stat line is the process group.
    const ShellCommand::Result result = runOnce(QStringLiteral("echo $$ $(cut -d' ' -f5 /proc/$$/stat)"));
    ASSERT_EQ(result.outcome, Outcome::Finished);
    const QList<QByteArray> ids = result.output.trimmed().split(' ');
    ASSERT_EQ(ids.size(), 2);
    EXPECT_EQ(ids[0], ids[1]) << "the shell leads its group";
    EXPECT_NE(ids[1].toLongLong(), static_cast<qint64>(::getpgrp()));
}

TEST(ShellCommand, TimeLimitEndsTheWholePipeline) {
    QTemporaryDir dir;
    const QString pidFile = dir.filePath(QStringLiteral("sleeper"));
    const ShellCommand::Result result =
        runOnce(QStringLiteral("{ echo $BASHPID > '%1'; exec sleep 1000; } | cat").arg(pidFile), 300ms);
    EXPECT_EQ(result.outcome, Outcome::TimedOut);
    EXPECT_TRUE(result.output.isEmpty());
    const qint64 sleeper = pidIn(pidFile);
    ASSERT_GT(sleeper, 0);
    EXPECT_TRUE(waitUntil([&] { return processEnded(sleeper); })) << "the sleep was left behind";
}

TEST(ShellCommand, AShellThatLingersAfterClosingItsOutputIsEnded) {
    QTemporaryDir dir;
    const QString pidFile = dir.filePath(QStringLiteral("shell"));
    const ShellCommand::Result result =
        runOnce(QStringLiteral("echo 5; exec >&-; echo $$ > '%1'; exec sleep 1000").arg(pidFile), 300ms);
    EXPECT_EQ(result.outcome, Outcome::TimedOut);
    EXPECT_TRUE(result.output.isEmpty()) << "a run that did not end within its limit yields nothing";
    const qint64 shell = pidIn(pidFile);
    ASSERT_GT(shell, 0);
    EXPECT_TRUE(waitUntil([&] { return processEnded(shell); }));
}

TEST(ShellCommand, AShellThatCannotStartIsReported) {
    const ShellCommand::Result result = ShellCommand(QStringLiteral("/nonexistent/bash"), QStringLiteral("echo 1"), 10s).run();
    EXPECT_EQ(result.outcome, Outcome::FailedToStart);
    EXPECT_TRUE(result.error.contains(QStringLiteral("/nonexistent/bash"))) << result.error.toStdString();
}

TEST(ShellCommand, EndFromAnotherThreadKillsTheGroup) {
    QTemporaryDir dir;
    const QString pidFile = dir.filePath(QStringLiteral("sleeper"));
    // A limit far beyond the test's own: only end() can stop this run.
    ShellCommand command(bash, QStringLiteral("{ echo $BASHPID > '%1'; exec sleep 1000; } | cat").arg(pidFile), 1h);
    ShellCommand::Result result;
    std::thread runner([&] { result = command.run(); });
    const bool started = waitUntil([&] { return pidIn(pidFile) > 0; });
    command.end();
    runner.join();
    ASSERT_TRUE(started);
    EXPECT_EQ(result.outcome, Outcome::Ended);
    const qint64 sleeper = pidIn(pidFile);
    EXPECT_TRUE(waitUntil([&] { return processEnded(sleeper); }));
}

TEST(ShellCommand, EndBeforeRunStartsNothing) {
    QTemporaryDir dir;
    const QString marker = dir.filePath(QStringLiteral("ran"));
    ShellCommand command(bash, QStringLiteral("touch '%1'").arg(marker), 10s);
    command.end();
    EXPECT_EQ(command.run().outcome, Outcome::Ended);
    EXPECT_FALSE(QFile::exists(marker));
}

}  // namespace
}  // namespace ratelark
