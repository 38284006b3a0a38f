#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "measure/TotalsTitle.h"
#include "platform/Log.h"
#include "platform/ShellCommand.h"

#include <system_error>
#include <thread>

namespace ratelark {

namespace {

bool sameCommand(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) == 0; }

}  // namespace

void AppController::menuWillOpen(QMenu*) {
    startTotalsWorker();
    // The totals as the last finished pass left them, until the pass just
    // started finishes.
    showTotals();
    showUsage();
}

void AppController::showTotals() {
    if (itemDataReceived()) itemDataReceived()->setText(totalTitle(dataReceivedLabel, rCurDataReceived()));
    if (itemDataSent()) itemDataSent()->setText(totalTitle(dataSentLabel, rCurDataSent()));
}

void AppController::menuDidClose(QMenu*) {}

void AppController::resetDataState(QObject*) {
    setBResetDataSent(true);
    setBResetDataReceived(true);
}

void AppController::startTotalsWorker() {
    // Settings are read on the main thread; the worker gets the names as data.
    QStringList chosen = interfaceChoice(standardUserDefaults().valueForKey(keys::interfaces)).names;
    try {
        std::thread([this, ticket = totalsWorkers_.enter(), chosen = std::move(chosen)] { threadGetData(chosen); }).detach();
    } catch (const std::system_error& error) {
        nsLog(QStringLiteral("Cannot start a totals worker: %1").arg(QString::fromLocal8Bit(error.what())));
    }
}

void AppController::threadGetData(const QStringList& chosenInterfaces) {
    const std::shared_ptr<std::mutex> condition = this->condition();
    if (!condition) {
        nsLog(QStringLiteral("Totals pass skipped: the controller has not started"));
        return;
    }
    {
        // One pass at a time, over both runs.
        const std::lock_guard pass(*condition);
        const TotalsPipelines pipelines = totalsPipelines_;
        // Both runs count the same interfaces, the ones the sampler counts.
        totalsInterfaces_ = (chosenInterfaces.isEmpty() ? currentNetworkInterfaces().automatic : chosenInterfaces)
                                .join(QLatin1Char(' '));
        taskGetData(pipelines.sent);
        taskGetData(pipelines.received);
    }
    // An open menu shows this pass's totals at once: queued to the main
    // thread through the controller, whose teardown waits for this worker
    // and then drops the call if it is still queued. Called by name, so
    // that the hand-over stays inside Qt, whose locks ThreadSanitizer cannot
    // see (a functor's call code would be compiled here and read as a race).
    QMetaObject::invokeMethod(this, "showTotals", Qt::QueuedConnection);
}

void AppController::taskGetData(const QString& command) {
    const TotalsPipelines& pipelines = totalsPipelines_;
    setTaskGetData(nullptr);
    setTaskGetData(std::make_shared<ShellCommand>(pipelines.shell, command, pipelines.timeLimit));
    taskGetData()->addEnvironment(QString::fromLatin1(totalsInterfacesVariable), totalsInterfaces_);
    const ShellCommand::Result result = totalsWorkers_.run(taskGetData());
    switch (result.outcome) {
    case ShellCommand::Outcome::Finished:
        break;
    case ShellCommand::Outcome::TimedOut:
        nsLog(QStringLiteral("Totals pipeline ran past its limit of %1 ms and was ended; totals unchanged")
                  .arg(pipelines.timeLimit.count()));
        return;
    case ShellCommand::Outcome::FailedToStart:
        nsLog(QStringLiteral("Totals pipeline could not start (%1); totals unchanged").arg(result.error));
        return;
    case ShellCommand::Outcome::Ended:
        return;
    }

    const PipelineAmount amount = pipelineAmount(result.output);
    if (!amount.readable) nsLog(QStringLiteral("Totals pipeline printed no number; counting 0.0"));
    const double value = amount.value;
    const bool sent = sameCommand(command, pipelines.sent);
    const bool received = !sent && sameCommand(command, pipelines.received);
    if (!sent && !received) {
        nsLog(QStringLiteral("Not a totals pipeline; totals unchanged"));
        return;
    }

    if (sent && bResetDataSent()) {
        setRResetDataSent(value);
        setBResetDataSent(false);
    } else if (received && bResetDataReceived()) {
        setRResetDataReceived(value);
        setBResetDataReceived(false);
    }
    if (sent)
        setRCurDataSent(value - rResetDataSent());
    else
        setRCurDataReceived(value - rResetDataReceived());
}

void AppController::endTotalsPipelines() { totalsWorkers_.end(); }

void AppController::setTotalsPipelines(TotalsPipelines pipelines) {
    const std::shared_ptr<std::mutex> condition = this->condition();
    if (!condition) {
        totalsPipelines_ = std::move(pipelines);
        return;
    }
    const std::lock_guard pass(*condition);
    totalsPipelines_ = std::move(pipelines);
}

}  // namespace ratelark
