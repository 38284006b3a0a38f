// floor: the least a status line of this design can cost. A Qt program set up
// as a status line is (minimal platform, Qt's own event loop) runs the
// sampler tool with the program's own launcher, restarts it every 30 s, and
// copies its lines to standard output untouched. Whatever the program costs
// beyond this is its own work: the title, the totals, the history.
#include "bench/Commands.h"
#include "platform/Task.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <memory>

#include <unistd.h>

namespace ratelark::bench {

namespace {

constexpr int kRestartPeriodMs = 30'000;

class Sampler : public QObject {
public:
    explicit Sampler(QString tool) : tool_(std::move(tool)) {}

    void restart() {
        if (task_) task_->interrupt();
        task_ = std::make_unique<Task>(this);
        output_ = std::make_shared<Pipe>();
        connect(output_.get(), &Pipe::readCompleted, this, [](const QByteArray& chunk) {
            if (::write(1, chunk.constData(), size_t(chunk.size())) < 0) QCoreApplication::exit(1);
        });
        task_->setLaunchPath(tool_);
        task_->setArguments({QStringLiteral("1")});
        task_->setStandardOutput(output_);
        task_->setStandardError(std::make_shared<Pipe>());
        if (const QString failure = task_->launch(); !failure.isEmpty()) {
            std::fprintf(stderr, "ratelark-bench floor: %s\n", qPrintable(failure));
            QCoreApplication::exit(1);
        }
    }

private:
    QString tool_;
    std::unique_ptr<Task> task_;
    std::shared_ptr<Pipe> output_;
};

}  // namespace

int floorCommand(int argc, char** argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: ratelark-bench floor SAMPLER\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "minimal");
    qputenv("QT_NO_GLIB", "1");
    int qtArgc = 1;
    char name[] = "ratelark-bench";
    char* qtArgv[] = {name, nullptr};
    QApplication application(qtArgc, qtArgv);
    Sampler sampler(QString::fromLocal8Bit(argv[0]));
    QTimer restarts;
    QObject::connect(&restarts, &QTimer::timeout, &sampler, &Sampler::restart);
    restarts.start(kRestartPeriodMs);
    sampler.restart();
    return QApplication::exec();
}

}  // namespace ratelark::bench
