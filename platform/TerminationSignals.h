#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace ratelark {

// Turns SIGTERM and SIGINT into a call on the event loop, so that being told
// to stop from outside (a logout, Ctrl-C) takes the same path as the quit
// command. Only the first signal is caught: a second one ends the process
// the default way, in case the loop no longer runs. One object at a time.
class TerminationSignals : public QObject {
public:
    explicit TerminationSignals(std::function<void()> onTermination, QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    std::function<void()> onTermination_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace ratelark
