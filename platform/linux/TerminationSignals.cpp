#include "platform/TerminationSignals.h"

#include "platform/Log.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace ratelark {

namespace {

// The self-pipe: a signal handler may do little more than write().
int signalPipe[2] = {-1, -1};
pid_t signalOwner = 0;

void noteSignal(int number) {
    // A child between fork and exec still runs this handler: it must end as
    // the signal's default would, not speak for its parent.
    if (::getpid() != signalOwner) {
        ::signal(number, SIG_DFL);
        ::raise(number);
        return;
    }
    const int savedErrno = errno;
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

void setHandler(void (*handler)(int), int flags) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onTermination, QObject* parent)
    : QObject(parent), onTermination_(std::move(onTermination)) {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        nsLog(QStringLiteral("Cannot watch for termination signals: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        while (::read(signalPipe[0], &byte, 1) == 1) {}
        onTermination_();
    });
    signalOwner = ::getpid();
    setHandler(noteSignal, SA_RESTART | SA_RESETHAND);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_) return;
    setHandler(SIG_DFL, 0);
    delete notifier_;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

}  // namespace ratelark
