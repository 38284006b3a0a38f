#include "app/AppController.h"

#include "platform/EverySecond.h"
#include "platform/Log.h"
#include "platform/Task.h"

#include <QTimer>

#include <algorithm>

namespace ratelark {

namespace {

// The longest wait, in seconds, before another start while samplers keep
// ending at once: the restart period.
constexpr int kLongestSamplerWait = 30;

}  // namespace

void AppController::startStopTask() {
    if (samplerRunning())
        stopSampler();
    else
        startSampler();
}

void AppController::onTimerStartStopTask() {
    // A sampler that ended on its own, or never launched, is replaced too:
    // the speeds must not stop for good.
    if (samplerRunning()) stopSampler();
    startSampler();
    followUsage();
}

void AppController::onTimerWatchSampler() {
    if (samplerRunning() || --ticksBeforeNextSampler_ > 0) return;
    startSampler();
}

void AppController::startSampler() {
    samplerDelivered_ = false;
    setTask(std::make_shared<Task>(this));
    task()->setLaunchPath(services().paths.samplerTool);
    // The choice is read anew at each start, the 30-second restart included.
    QStringList arguments;
    for (const QString& name : followInterfaces().names) arguments << QStringLiteral("--interface") << name;
    // A test that replays counters has the sampler read the same file.
    if (const QString counters = counterFilePath(); counters != QLatin1String("/proc/net/dev"))
        arguments << QStringLiteral("--file") << counters;
    task()->setArguments(arguments << QStringLiteral("1"));
    setPipeOutput(std::make_shared<Pipe>());
    setPipeError(std::make_shared<Pipe>());
    task()->setStandardOutput(pipeOutput());
    task()->setStandardError(pipeError());

    // Nothing of an earlier child may reach the controller once this one starts.
    cutSamplerConnections();
    samplerConnections_ = {
        connect(pipeOutput().get(), &Pipe::readCompleted, this, &AppController::outputDataReady),
        connect(pipeError().get(), &Pipe::readCompleted, this, &AppController::errorDataReady),
        connect(task().get(), &Task::terminated, this, &AppController::taskTerminated),
    };

    const QString failure = task()->launch();
    if (failure.isEmpty()) {
        if (samplerWatch_) samplerWatch_->stop();
        return;
    }
    samplerEnded(QStringLiteral("Couldn't launch the sampler %1: %2").arg(services().paths.samplerTool, failure));
}

void AppController::samplerEnded(const QString& why) {
    cutSamplerConnections();
    clearSampler();
    if (samplerDelivered_) samplerEndLogged_.clear();
    if (why != samplerEndLogged_) nsLog(why);
    samplerEndLogged_ = why;
    samplersFailedInARow_ = samplerDelivered_ ? 1 : samplersFailedInARow_ + 1;
    ticksBeforeNextSampler_ = std::min(kLongestSamplerWait, 1 << std::min(samplersFailedInARow_ - 1, 5));
    if (samplerWatch_) samplerWatch_->start();
    if (statusItem()) statusItem()->showUntitled();
}

void AppController::stopSampler() {
    task()->interrupt();
    clearSampler();
}

void AppController::endSampler() {
    cutSamplerConnections();
    if (task()) task()->kill();
    clearSampler();
}

void AppController::clearSampler() {
    setTask(nullptr);
    setPipeOutput(nullptr);
    setPipeError(nullptr);
}

void AppController::cutSamplerConnections() {
    for (QMetaObject::Connection& connection : samplerConnections_) disconnect(connection);
}

RATELARK_EVERY_SECOND
void AppController::outputDataReady(const QByteArray& chunk) {
    // The pipe keeps reading on its own; nothing needs re-arming here.
    if (chunk.isEmpty()) return;
    samplerDelivered_ = true;
    getMBS(chunk);
}

void AppController::errorDataReady(const QByteArray& chunk) {
    // Bytes that are not UTF-8 show as replacement characters rather than
    // losing the whole message.
    if (!chunk.isEmpty()) nsLog(QString::fromUtf8(chunk));
}

void AppController::taskTerminated() {
    const QString how = task() ? task()->howItEnded() : QString();
    samplerEnded(QStringLiteral("The sampler %1 ended on its own (%2)").arg(services().paths.samplerTool, how));
}

}  // namespace ratelark
