#pragma once

#include "platform/ExitWatch.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

namespace ratelark {

class ChildProcess;

// The reading end of one output channel of a Task. Whatever one read of the
// channel brings is delivered as one chunk, on the event loop.
class Pipe : public QObject {
    Q_OBJECT
signals:
    void readCompleted(const QByteArray& chunk);
};

// A child process whose standard output and standard error each go to a
// Pipe; standard input, environment and working folder are the program's.
// The child never outlives the program: it gets SIGTERM when the program ends.
class Task : public QObject {
    Q_OBJECT
public:
    // home keeps the child's process object until the child has been reaped,
    // which may be after this task is gone.
    explicit Task(QObject* home, ExitWatch exitWatch = ExitWatch::PidFd);
    // Retires the child: nothing more of it is delivered, and one still
    // running is killed if it has not ended a few seconds later.
    ~Task() override;

    void setLaunchPath(const QString& path);
    void setArguments(const QStringList& arguments);
    void setStandardOutput(const std::shared_ptr<Pipe>& pipe);
    void setStandardError(const std::shared_ptr<Pipe>& pipe);

    // Starts the child and waits only until it runs or has failed to;
    // returns an empty text on success, else why it failed.
    QString launch();
    // Sends SIGINT; does not wait.
    void interrupt();
    // Sends SIGKILL; does not wait.
    void kill();
    // How the child ended, for a log line: "exit status 1", "signal 9 (Killed)".
    QString howItEnded() const;
    // The child's process id; 0 unless it runs.
    qint64 processIdentifier() const;

signals:
    // The child has ended; all it wrote has been delivered before.
    void terminated();

private:
    QPointer<ChildProcess> child_;  // a child of home
};

}  // namespace ratelark
