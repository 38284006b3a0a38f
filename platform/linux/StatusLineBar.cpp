#include "platform/StatusSurfaces.h"

#include "platform/Log.h"

#include <QString>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <poll.h>
#include <unistd.h>

namespace ratelark {

namespace {

// Where the lines go, shared by the items of one status line.
class LineOutput {
public:
    LineOutput(int fd, StatusLineStyle style, std::function<void()> outputClosed)
        : fd_(fd), formatter_(style), outputClosed_(std::move(outputClosed)) {
        // A reader that has gone must show as EPIPE, not end the program by a
        // signal. Qt ignores the signal too once it has started a child, and
        // gives the children the default back.
        std::signal(SIGPIPE, SIG_IGN);
    }

    void write(const AttributedText& title) {
        untitled_ = false;
        if (closed_) return;
        const QByteArray line = formatter_.line(title);
        const char* data = line.constData();
        qsizetype left = line.size();
        while (left > 0) {
            const ssize_t written = ::write(fd_, data, static_cast<size_t>(left));
            if (written >= 0) {
                data += written;
                left -= written;
            } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
                pollfd writable{fd_, POLLOUT, 0};
                ::poll(&writable, 1, -1);
            } else if (errno != EINTR) {
                close(errno);
                return;
            }
        }
    }

    // An empty line, once, where a title was: the bar shows no speeds.
    void writeUntitled() {
        if (untitled_) return;
        write(AttributedText{});
        untitled_ = true;
    }

private:
    void close(int error) {
        closed_ = true;
        nsLog(QStringLiteral("The status line's output is closed (%1); quitting")
                  .arg(QString::fromLocal8Bit(std::strerror(error))));
        if (outputClosed_) outputClosed_();
    }

    int fd_;
    StatusLineFormatter formatter_;
    std::function<void()> outputClosed_;
    bool closed_ = false;
    bool untitled_ = true;  // nothing written yet, or the empty line last
};

class StatusLineItem : public StatusItem {
public:
    explicit StatusLineItem(std::shared_ptr<LineOutput> output) : output_(std::move(output)) {}
    // A line has no menu to open.
    void setMenu(QMenu*) override {}
    void setAttributedTitle(const AttributedText& title) override { output_->write(title); }
    void showUntitled() override { output_->writeUntitled(); }

private:
    std::shared_ptr<LineOutput> output_;
};

class StatusLineBar : public StatusBar {
public:
    StatusLineBar(int fd, StatusLineStyle style, std::function<void()> outputClosed)
        : output_(std::make_shared<LineOutput>(fd, style, std::move(outputClosed))) {}

    std::shared_ptr<StatusItem> statusItemWithVariableLength() override {
        return std::make_shared<StatusLineItem>(output_);
    }
    // Lines already written stay; the next item writes after them.
    void removeStatusItem(const std::shared_ptr<StatusItem>&) override {}

private:
    std::shared_ptr<LineOutput> output_;
};

}  // namespace

std::unique_ptr<StatusBar> makeStatusLine(int fd, StatusLineStyle style, std::function<void()> outputClosed) {
    return std::make_unique<StatusLineBar>(fd, style, std::move(outputClosed));
}

}  // namespace ratelark
