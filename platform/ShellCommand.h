#pragma once

#include "platform/ExitWatch.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <mutex>

#include <sys/types.h>

namespace ratelark {

// One run of a command text through a shell ("-c" TEXT) in a process group
// of its own, so that the whole pipeline can be ended at once. Standard
// output is captured to end of file; standard input and standard error are
// the program's own, and so is the environment, plus the variables added.
// Blocking: meant for a worker thread.
class ShellCommand {
public:
    enum class Outcome {
        Finished,       // output reached end of file and the shell ended
        TimedOut,       // the time limit passed first; the group was ended
        Ended,          // end() was called; the group was ended
        FailedToStart,  // no shell process could be started
    };
    struct Result {
        Outcome outcome = Outcome::FailedToStart;
        QByteArray output;  // what reached standard output; empty unless Finished
        QString error;      // why it failed to start
    };

    // How the end of the shell is awaited within the limit.
    using ExitWatch = ratelark::ExitWatch;

    ShellCommand(QString shell, QString text, std::chrono::milliseconds timeLimit,
                 ExitWatch exitWatch = ExitWatch::PidFd);
    ShellCommand(const ShellCommand&) = delete;
    ShellCommand& operator=(const ShellCommand&) = delete;

    const QString& text() const { return text_; }

    // Sets a variable in the environment of the run, in place of the
    // program's own of that name: how a command text is given data without
    // the data ever becoming part of the text. Call before run().
    void addEnvironment(const QString& name, const QString& value);

    // Runs the text once and waits, at most the time limit, until the output
    // reaches end of file and the shell has ended. When the limit passes, the
    // whole process group is killed. Call once.
    Result run();

    // Kills the process group of a run in progress, or keeps run() from
    // starting one. Safe from any thread; never waits.
    void end();

private:
    void killGroupLocked();
    Result finish(Outcome outcome, QByteArray output, int outputFd, int exitFd, pid_t shellPid);

    const QString shell_;
    const QString text_;
    const std::chrono::milliseconds timeLimit_;
    const ExitWatch exitWatch_;
    QList<QByteArray> environment_;  // NAME=VALUE, added to the program's

    std::mutex mutex_;   // guards the two below, shared with end()
    pid_t group_ = 0;    // the running group's id; 0 once the shell is reaped
    bool ended_ = false;
};

}  // namespace ratelark
