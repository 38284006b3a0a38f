#include "platform/Task.h"

#include "platform/ChildProcessSetup.h"
#include "platform/EverySecond.h"

#include <QFile>
#include <QPointer>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ratelark {

namespace {

// How long a retired child may take to end on its own before it is killed.
constexpr int kRetirementGraceMs = 3000;
// How often a child is looked at where its end cannot be watched.
constexpr int kExitPollMs = 20;
// A pipe's default capacity, so that one read takes all the child has written.
constexpr std::size_t kReadBytes = 65536;

QString errorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// In the child: fd becomes the standard stream target, open across exec.
void placeStream(int fd, int target) {
    if (fd == target)
        ::fcntl(fd, F_SETFD, 0);
    else
        ::dup2(fd, target);
}

void closeBoth(const int (&ends)[2]) {
    ::close(ends[0]);
    ::close(ends[1]);
}

}  // namespace

// The process object behind a Task. It is started by vfork and exec rather
// than by a full copy of this large process, reads the child's streams as
// they come, and notices the child's end through a pidfd.
class ChildProcess : public QObject {
    Q_OBJECT
public:
    ChildProcess(QObject* home, ExitWatch exitWatch) : QObject(home), exitWatch_(exitWatch) {}
    // The home going first ends the child rather than leave it behind.
    ~ChildProcess() override {
        if (running()) {
            ::kill(pid_, SIGKILL);
            reap();
        }
        for (Stream& stream : streams_) closeStream(stream);
        stopWatchingExit();
    }

    QString program;
    QStringList arguments;
    void setPipe(int stream, const std::shared_ptr<Pipe>& pipe) { streams_[stream].pipe = pipe.get(); }

    QString start(Task* owner);
    // Nothing more is delivered; the object goes once the child has ended.
    void retire() {
        retired_ = true;
        owner_ = nullptr;
        if (!running()) {
            deleteLater();
            return;
        }
        // What it still writes is read and dropped, so that it never blocks
        // on a full pipe and nothing piles up.
        QTimer::singleShot(kRetirementGraceMs, this, [this] { signal(SIGKILL); });
    }
    void signal(int number) const {
        if (running()) ::kill(pid_, number);
    }
    pid_t pid() const { return running() ? pid_ : 0; }
    QString howItEnded() const {
        if (!reaped_ || ended_.si_code == CLD_EXITED) return QStringLiteral("exit status %1").arg(ended_.si_status);
        return QStringLiteral("signal %1 (%2)")
            .arg(ended_.si_status)
            .arg(QString::fromLocal8Bit(::strsignal(ended_.si_status)));
    }

private:
    struct Stream {
        int fd = -1;
        QSocketNotifier* notifier = nullptr;
        QPointer<Pipe> pipe;
    };
    enum class ReadResult { Read, Empty, Ended };

    bool running() const { return pid_ > 0 && !reaped_; }
    void watchStream(Stream& stream, int fd);
    ReadResult readFrom(Stream& stream);
    static void closeStream(Stream& stream);
    void watchExit();
    void stopWatchingExit();
    bool hasExited() const;
    void noticeEnd();
    void reap();

    const ExitWatch exitWatch_;
    pid_t pid_ = 0;
    bool reaped_ = false;
    bool retired_ = false;
    siginfo_t ended_{};
    std::array<Stream, 2> streams_;  // standard output, standard error
    int exitFd_ = -1;
    QSocketNotifier* exitNotifier_ = nullptr;
    QTimer* exitPoll_ = nullptr;
    QPointer<Task> owner_;
};

QString ChildProcess::start(Task* owner) {
    owner_ = owner;
    const QString path = program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
    if (path.isEmpty()) return errorText(ENOENT);
    // Everything the child needs is made before it exists: between vfork and
    // exec it may not allocate.
    const QByteArray file = QFile::encodeName(path);
    std::vector<QByteArray> words{file};
    for (const QString& argument : arguments) words.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    int pipes[3][2];  // standard output, standard error, the exec report
    for (int made = 0; made < 3; ++made)
        if (::pipe2(pipes[made], O_CLOEXEC) != 0) {
            const int why = errno;
            for (int each = 0; each < made; ++each) closeBoth(pipes[each]);
            return errorText(why);
        }
    const int(&output)[2] = pipes[0];
    const int(&error)[2] = pipes[1];
    const int(&report)[2] = pipes[2];

    // No handler of this process may run in the child before its program
    // starts: it shares this process's memory until then.
    sigset_t all, previous;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    const pid_t parent = ::getpid();
    const pid_t pid = ::vfork();
    if (pid == 0) {
        placeStream(output[1], STDOUT_FILENO);
        placeStream(error[1], STDERR_FILENO);
        prepareChildProcess(parent);
        ::execve(file.constData(), argv.data(), environ);
        const int why = errno;
        [[maybe_unused]] const ssize_t written = ::write(report[1], &why, sizeof why);
        ::_exit(127);
    }
    const int forkError = errno;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    for (const int(&ends)[2] : pipes) ::close(ends[1]);
    if (pid < 0) {
        for (const int(&ends)[2] : pipes) ::close(ends[0]);
        return errorText(forkError);
    }
    pid_ = pid;
    // The report's writing end closes when the program starts; before that,
    // a failed exec writes why.
    int execError = 0;
    ssize_t got = 0;
    while ((got = ::read(report[0], &execError, sizeof execError)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    if (got == static_cast<ssize_t>(sizeof execError)) {
        ::close(output[0]);
        ::close(error[0]);
        reap();
        return errorText(execError);
    }
    watchStream(streams_[0], output[0]);
    watchStream(streams_[1], error[0]);
    watchExit();
    return {};
}

void ChildProcess::watchStream(Stream& stream, int fd) {
    ::fcntl(fd, F_SETFL, O_NONBLOCK);
    stream.fd = fd;
    stream.notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(stream.notifier, &QSocketNotifier::activated, this, [this, &stream] {
        if (readFrom(stream) == ReadResult::Ended) closeStream(stream);
    });
}

// One read, delivered as one chunk.
RATELARK_EVERY_SECOND
ChildProcess::ReadResult ChildProcess::readFrom(Stream& stream) {
    std::array<char, kReadBytes> buffer;
    ssize_t got = 0;
    while ((got = ::read(stream.fd, buffer.data(), buffer.size())) < 0 && errno == EINTR) {
    }
    if (got < 0) return errno == EAGAIN ? ReadResult::Empty : ReadResult::Ended;
    if (got == 0) return ReadResult::Ended;
    if (stream.pipe && !retired_) emit stream.pipe->readCompleted(QByteArray(buffer.data(), got));
    return ReadResult::Read;
}

// Safe from the stream's own notification: the notifier goes later.
void ChildProcess::closeStream(Stream& stream) {
    if (stream.fd < 0) return;
    stream.notifier->setEnabled(false);
    stream.notifier->deleteLater();
    stream.notifier = nullptr;
    ::close(stream.fd);
    stream.fd = -1;
}

void ChildProcess::watchExit() {
    // (The C library of Debian 12 declares pidfd_open without C linkage,
    // hence the raw call.) The child is not reaped before its end is
    // noticed, so its id cannot have been reused.
    exitFd_ = exitWatch_ == ExitWatch::PidFd ? static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0)) : -1;
    if (exitFd_ >= 0) {
        exitNotifier_ = new QSocketNotifier(exitFd_, QSocketNotifier::Read, this);
        connect(exitNotifier_, &QSocketNotifier::activated, this, &ChildProcess::noticeEnd);
        return;
    }
    exitPoll_ = new QTimer(this);
    connect(exitPoll_, &QTimer::timeout, this, [this] {
        if (hasExited()) noticeEnd();
    });
    exitPoll_->start(kExitPollMs);
}

void ChildProcess::stopWatchingExit() {
    if (exitNotifier_) {
        exitNotifier_->setEnabled(false);
        exitNotifier_->deleteLater();
        exitNotifier_ = nullptr;
    }
    if (exitPoll_) {
        exitPoll_->stop();
        exitPoll_->deleteLater();
        exitPoll_ = nullptr;
    }
    if (exitFd_ >= 0) ::close(exitFd_);
    exitFd_ = -1;
}

bool ChildProcess::hasExited() const {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid == pid_;
}

void ChildProcess::noticeEnd() {
    stopWatchingExit();
    reap();
    // All it wrote before it ended is delivered before its end.
    for (Stream& stream : streams_) {
        ReadResult result = ReadResult::Read;
        while (stream.fd >= 0 && result == ReadResult::Read) result = readFrom(stream);
        closeStream(stream);
    }
    if (owner_) emit owner_->terminated();
    if (retired_) deleteLater();
}

void ChildProcess::reap() {
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED) != 0 && errno == EINTR) {
    }
    ended_ = info;
    reaped_ = true;
}

Task::Task(QObject* home, ExitWatch exitWatch) : child_(new ChildProcess(home, exitWatch)) {}

Task::~Task() {
    if (child_) child_->retire();
}

void Task::setLaunchPath(const QString& path) { child_->program = path; }

void Task::setArguments(const QStringList& arguments) { child_->arguments = arguments; }

void Task::setStandardOutput(const std::shared_ptr<Pipe>& pipe) { child_->setPipe(0, pipe); }

void Task::setStandardError(const std::shared_ptr<Pipe>& pipe) { child_->setPipe(1, pipe); }

QString Task::launch() { return child_->start(this); }

void Task::interrupt() { child_->signal(SIGINT); }

void Task::kill() { child_->signal(SIGKILL); }

QString Task::howItEnded() const { return child_->howItEnded(); }

qint64 Task::processIdentifier() const { return child_->pid(); }

}  // namespace ratelark

#include "Task.moc"
