#include "platform/Task.h"

#include "platform/ChildProcessSetup.h"

#include <QProcess>
#include <QTimer>

#include <csignal>
#include <cstring>

#include <unistd.h>

namespace ratelark {

namespace {

// How long a retired child may take to end on its own before it is killed.
constexpr int kRetirementGraceMs = 3000;
// How long a started child may take to reach its program.
constexpr int kLaunchLimitMs = 10000;

}  // namespace

Task::Task(QObject* home) : process_(new QProcess(home)) {
    process_->setProcessChannelMode(QProcess::SeparateChannels);
    process_->setInputChannelMode(QProcess::ForwardedInputChannel);
    process_->setChildProcessModifier([parent = ::getpid()] { prepareChildProcess(parent); });
    connect(process_, &QProcess::finished, this, &Task::terminated);
}

Task::~Task() {
    QProcess* const process = process_;
    process->disconnect();
    if (process->state() == QProcess::NotRunning) {
        // Its finished signal may be the one being delivered right now.
        process->deleteLater();
        return;
    }
    // What it still writes is read and dropped, so that it never blocks on a
    // full pipe and nothing piles up.
    process->closeReadChannel(QProcess::StandardOutput);
    process->closeReadChannel(QProcess::StandardError);
    connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QTimer::singleShot(kRetirementGraceMs, process, [process] { process->kill(); });
    // The home going first ends the child rather than leave it behind.
    if (QObject* home = process->parent())
        connect(home, &QObject::destroyed, process, [process] {
            process->kill();
            process->waitForFinished();
        });
}

void Task::setLaunchPath(const QString& path) { process_->setProgram(path); }

void Task::setArguments(const QStringList& arguments) { process_->setArguments(arguments); }

void Task::setStandardOutput(const std::shared_ptr<Pipe>& pipe) {
    QProcess* const process = process_;
    connect(process, &QProcess::readyReadStandardOutput, pipe.get(),
            [process, receiver = pipe.get()] { emit receiver->readCompleted(process->readAllStandardOutput()); });
}

void Task::setStandardError(const std::shared_ptr<Pipe>& pipe) {
    QProcess* const process = process_;
    connect(process, &QProcess::readyReadStandardError, pipe.get(),
            [process, receiver = pipe.get()] { emit receiver->readCompleted(process->readAllStandardError()); });
}

QString Task::launch() {
    process_->start();
    if (process_->waitForStarted(kLaunchLimitMs)) return {};
    const QString reason = process_->errorString();
    process_->kill();
    return reason;
}

void Task::interrupt() {
    if (const qint64 pid = processIdentifier()) ::kill(static_cast<pid_t>(pid), SIGINT);
}

void Task::kill() {
    if (processIdentifier() != 0) process_->kill();
}

QString Task::howItEnded() const {
    const int code = process_->exitCode();
    if (process_->exitStatus() == QProcess::NormalExit) return QStringLiteral("exit status %1").arg(code);
    return QStringLiteral("signal %1 (%2)").arg(code).arg(QString::fromLocal8Bit(::strsignal(code)));
}

qint64 Task::processIdentifier() const { return process_->state() == QProcess::Running ? process_->processId() : 0; }

}  // namespace ratelark
