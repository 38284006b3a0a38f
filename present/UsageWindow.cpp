#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "platform/FreedMemory.h"
#include "platform/Log.h"
#include "platform/UsageView.h"
#include "platform/WindowOrdering.h"
#include "present/AxisScale.h"
#include "present/TitleComposer.h"
#include "present/UsageChart.h"
#include "usage/UsageText.h"

#include <QDateTime>
#include <QTimer>

namespace ratelark {

namespace {

constexpr UsagePeriod kChartPeriods[] = {UsagePeriod::Hours, UsagePeriod::Days, UsagePeriod::Months};
constexpr qint64 kLiveSpanMs = qint64(SpeedRing::kCapacity) * 1000;
const QSize kUsageWindowSize(760, 600);

ValueAxis valueAxis(const AxisScale& scale) {
    return {scale.maximum / scale.divisor, scale.ticks, scale.decimals, scale.unit};
}

}  // namespace

void AppController::clickUsage(QObject*) {
    if (usageWindow_) return makeKeyAndOrderFront(usageWindow_);
    UsageView::Handlers handlers;
    handlers.periodChosen = [this](int index) {
        standardUserDefaults().setObject(QString(usagePeriodName(kChartPeriods[index])), keys::usageChart);
        standardUserDefaults().synchronize();
        showUsageChart();
    };
    handlers.liveHoverText = [this](qint64 moment) { return liveGraphText(moment); };
    handlers.barHoverText = [this](int index) { return usageBarTexts_.value(index); };
    handlers.willClose = [this](UsageView* view) {
        standardUserDefaults().setObject(QString::fromLatin1(view->saveGeometry().toBase64()), keys::usageWindowFrame);
        standardUserDefaults().synchronize();
    };
    const int chosen = chosenChart();
    usageWindow_ = new UsageView({QStringLiteral("Hours"), QStringLiteral("Days"), QStringLiteral("Months")}, chosen,
                                 std::move(handlers));
    // A closed window costs no memory: the charts' heap goes back to the system.
    // After the whole of it has gone, children and deferred deletions too.
    connect(usageWindow_, &QObject::destroyed, this, [this] { QTimer::singleShot(0, this, [] { returnFreedMemory(); }); });
    const QString frame = standardUserDefaults().valueForKey(keys::usageWindowFrame).toString();
    if (!usageWindow_->restoreGeometry(QByteArray::fromBase64(frame.toLatin1()))) {
        if (!frame.isEmpty())
            nsLog(QStringLiteral("The stored place of the Usage window (%1) is unreadable; it opens in the middle")
                      .arg(keys::usageWindowFrame));
        usageWindow_->resize(kUsageWindowSize);
        center(usageWindow_);
    }
    // What the counters carried since the last write shows at once.
    recordUsage();
    showLiveGraph();
    showUsageChart();
    makeKeyAndOrderFront(usageWindow_);
}

int AppController::chosenChart() {
    const QString name = standardUserDefaults().valueForKey(keys::usageChart).toString();
    for (int index = 0; index < 3; ++index)
        if (name == usagePeriodName(kChartPeriods[index])) return index;
    if (!name.isEmpty())
        nsLog(QStringLiteral("The Usage window has no chart \"%1\" (%2); it shows the hours").arg(name, keys::usageChart));
    return 0;
}

void AppController::showLiveGraph() {
    if (!usageWindow_) return;
    const bool bits = standardUserDefaults().boolForKey(keys::bitsPerSecond);
    const AxisScale scale = speedAxis(speedRing_.peak(), bits, standardUserDefaults().integerForKey(keys::showType));
    LiveGraph graph;
    graph.toMs = speedRing_.size() ? speedRing_[speedRing_.size() - 1].endMs : QDateTime::currentMSecsSinceEpoch();
    graph.fromMs = graph.toMs - kLiveSpanMs;
    graph.axis = valueAxis(scale);
    for (std::size_t index = 0; index < speedRing_.size(); ++index) {
        const SpeedSample& sample = speedRing_[index];
        graph.download.emplace_back(qreal(sample.endMs), sample.download / scale.divisor);
        graph.upload.emplace_back(qreal(sample.endMs), sample.upload / scale.divisor);
    }
    usageWindow_->setDark(isDarkInterfaceStyle(services().appearance->interfaceStyle()));
    usageWindow_->showLive(graph);
}

QString AppController::liveGraphText(qint64 moment) {
    // The second that ended nearest the moment.
    const SpeedSample* nearest = nullptr;
    for (std::size_t index = 0; index < speedRing_.size(); ++index)
        if (!nearest || std::llabs(speedRing_[index].endMs - moment) < std::llabs(nearest->endMs - moment))
            nearest = &speedRing_[index];
    if (!nearest) return {};
    return QStringLiteral("%1\n↓ %2/s  ↑ %3/s")
        .arg(QDateTime::fromMSecsSinceEpoch(nearest->endMs).toString(QStringLiteral("HH:mm:ss")),
             formatSize(nearest->download),
             formatSize(nearest->upload));
}

void AppController::showUsageChart() {
    if (!usageWindow_ || !usageRecorder_) return;
    UsageDatabase& database = usageRecorder_->database();
    const UsageChart chart =
        usageChart(database, kChartPeriods[chosenChart()], QDateTime::currentDateTimeUtc(), QTimeZone::systemTimeZone());
    double peak = 0.0;
    for (const UsageAmount& amount : chart.amounts) peak = std::max({peak, double(amount.received), double(amount.sent)});
    const AxisScale scale = volumeAxis(peak);
    BarGraph graph;
    graph.labels = chart.labels;
    graph.current = int(chart.amounts.size()) - 1;
    graph.axis = valueAxis(scale);
    graph.totals = chart.totals;
    usageBarTexts_.clear();
    for (qsizetype index = 0; index < chart.periods.size(); ++index) {
        const UsageAmount& amount = chart.amounts[std::size_t(index)];
        graph.received.push_back(double(amount.received) / scale.divisor);
        graph.sent.push_back(double(amount.sent) / scale.divisor);
        usageBarTexts_ << usageLine(chart.periods[index], amount);
    }
    usageWindow_->setDark(isDarkInterfaceStyle(services().appearance->interfaceStyle()));
    usageWindow_->showBars(graph);
}

}  // namespace ratelark
