#include "platform/StatusSurfaces.h"

#include "platform/EverySecond.h"
#include "platform/Log.h"

#include <QSocketNotifier>
#include <QString>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ratelark {

namespace {

// A descriptor for fd whose writes never block. A pipe or terminal is opened
// anew, so that non-blocking mode is this opening's alone and never the
// bar's or the shell's; a regular file never blocks and keeps its own
// opening (and its append mode); a socket is switched as it is.
int nonBlocking(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) return fd;
    const QByteArray own = "/proc/self/fd/" + QByteArray::number(fd);
    if (const int reopened = ::open(own.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC); reopened >= 0)
        return reopened;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

// Where the lines go, shared by the items of one status line. A reader that
// stops reading never blocks the program: while its pipe is full the lines
// wait here, a line begun is finished first, and of those not begun only
// the newest is kept.
class LineOutput {
public:
    LineOutput(int fd, StatusLineStyle style, std::function<void()> outputClosed)
        : formatter_(style), outputClosed_(std::move(outputClosed)) {
        // A reader that has gone must show as EPIPE, not end the program by a
        // signal. Qt ignores the signal too once it has started a child, and
        // gives the children the default back.
        std::signal(SIGPIPE, SIG_IGN);
        fd_ = nonBlocking(fd);
    }

    RATELARK_EVERY_SECOND void write(const AttributedText& title) {
        untitled_ = false;
        if (closed_) return;
        pending_.truncate(begun_);
        pending_ += formatter_.line(title);
        flush();
    }

    // An empty line, once, where a title was: the bar shows no speeds.
    void writeUntitled() {
        if (untitled_) return;
        write(AttributedText{});
        untitled_ = true;
    }

private:
    RATELARK_EVERY_SECOND void flush() {
        while (!pending_.isEmpty()) {
            const ssize_t written = ::write(fd_, pending_.constData(), static_cast<size_t>(pending_.size()));
            if (written > 0) {
                const bool lineEnded = pending_.at(written - 1) == '\n';
                pending_.remove(0, written);
                begun_ = lineEnded ? 0 : pending_.indexOf('\n') + 1;
            } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
                waitUntilWritable(true);
                return;
            } else if (errno != EINTR) {
                close(errno);
                return;
            }
        }
        waitUntilWritable(false);
    }

    void waitUntilWritable(bool wait) {
        if (wait && !writable_) {
            writable_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
            QObject::connect(writable_.get(), &QSocketNotifier::activated, [this] { flush(); });
        }
        if (writable_) writable_->setEnabled(wait);
    }

    void close(int error) {
        closed_ = true;
        pending_.clear();
        waitUntilWritable(false);
        nsLog(QStringLiteral("The status line's output is closed (%1); quitting")
                  .arg(QString::fromLocal8Bit(std::strerror(error))));
        if (outputClosed_) outputClosed_();
    }

    int fd_;
    StatusLineFormatter formatter_;
    std::function<void()> outputClosed_;
    QByteArray pending_;   // what the reader has not taken yet
    qsizetype begun_ = 0;  // the rest of a line partly written, at the start of pending_
    std::unique_ptr<QSocketNotifier> writable_;
    bool closed_ = false;
    bool untitled_ = true;  // nothing written yet, or the empty line last
};

class StatusLineItem : public StatusItem {
public:
    explicit StatusLineItem(std::shared_ptr<LineOutput> output) : output_(std::move(output)) {}
    // A line has no menu to open.
    void setMenu(QMenu*) override {}
    RATELARK_EVERY_SECOND void setAttributedTitle(const AttributedText& title) override { output_->write(title); }
    void showUntitled() override { output_->writeUntitled(); }

private:
    std::shared_ptr<LineOutput> output_;
};

class StatusLineBar : public StatusBar {
public:
    StatusLineBar(int fd, StatusLineStyle style, std::function<void()> outputClosed)
        : output_(std::make_shared<LineOutput>(fd, style, std::move(outputClosed))) {}

    RATELARK_EVERY_SECOND std::shared_ptr<StatusItem> statusItemWithVariableLength() override {
        return std::make_shared<StatusLineItem>(output_);
    }
    // Lines already written stay; the next item writes after them.
    void removeStatusItem(const std::shared_ptr<StatusItem>&) override {}
    bool drawsCompactForm() const override { return false; }

private:
    std::shared_ptr<LineOutput> output_;
};

}  // namespace

std::unique_ptr<StatusBar> makeStatusLine(int fd, StatusLineStyle style, std::function<void()> outputClosed) {
    return std::make_unique<StatusLineBar>(fd, style, std::move(outputClosed));
}

}  // namespace ratelark
