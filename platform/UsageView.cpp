#include "platform/UsageView.h"

#include "platform/GraphColors.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QShortcut>
#include <QTabBar>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>

namespace ratelark {

namespace {

void setUp(QValueAxis* axis, const ValueAxis& from) {
    axis->setRange(0.0, from.maximum);
    axis->setTickCount(from.ticks);
    axis->setLabelFormat(QStringLiteral("%.%1f").arg(from.decimals));
    axis->setTitleText(from.unit);
}

QChart* plainChart() {
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);  // no frames beyond the one a change needs
    chart->legend()->setAlignment(Qt::AlignTop);
    chart->setMargins(QMargins(4, 4, 4, 4));
    return chart;
}

}  // namespace

// The live graph: a tool tip anywhere over the plot names the moment under
// the pointer and both speeds then.
class LiveChartView : public QChartView {
public:
    // Made with its chart: a chart set later leaves the view's first one undeleted.
    explicit LiveChartView(std::function<QString(qint64)> hoverText)
        : QChartView(plainChart()), hoverText_(std::move(hoverText)) {
        QChart* graph = chart();
        download_->setName(QStringLiteral("Download"));
        upload_->setName(QStringLiteral("Upload"));
        graph->addSeries(download_);
        graph->addSeries(upload_);
        time_->setFormat(QStringLiteral("HH:mm"));
        time_->setTickCount(6);
        graph->addAxis(time_, Qt::AlignBottom);
        graph->addAxis(value_, Qt::AlignLeft);
        for (QLineSeries* series : {download_, upload_}) {
            series->attachAxis(time_);
            series->attachAxis(value_);
        }
        setRenderHint(QPainter::Antialiasing);
        setMouseTracking(true);
    }

    void show(const LiveGraph& graph) {
        download_->replace(QList<QPointF>(graph.download.begin(), graph.download.end()));
        upload_->replace(QList<QPointF>(graph.upload.begin(), graph.upload.end()));
        time_->setRange(QDateTime::fromMSecsSinceEpoch(graph.fromMs), QDateTime::fromMSecsSinceEpoch(graph.toMs));
        setUp(value_, graph.axis);
    }

    void setDark(bool dark) {
        download_->setPen(QPen(downloadColor(dark), 1.5));
        upload_->setPen(QPen(uploadColor(dark), 1.5));
    }

protected:
    void mouseMoveEvent(QMouseEvent* event) override {
        QChartView::mouseMoveEvent(event);
        const QPointF at = event->position();
        if (!chart()->plotArea().contains(at)) return QToolTip::hideText();
        const qint64 moment = qint64(chart()->mapToValue(at, download_).x());
        QToolTip::showText(event->globalPosition().toPoint(), hoverText_(moment), this);
    }

private:
    std::function<QString(qint64)> hoverText_;
    QLineSeries* download_ = new QLineSeries;
    QLineSeries* upload_ = new QLineSeries;
    QDateTimeAxis* time_ = new QDateTimeAxis;
    QValueAxis* value_ = new QValueAxis;
};

// The bars of received and sent; the current period's bars are marked, and a tool tip over a bar gives its period's totals.
class BarChartView : public QChartView {
public:
    explicit BarChartView(std::function<QString(int)> hoverText) : QChartView(plainChart()) {
        QChart* graph = chart();
        received_->setLabel(QStringLiteral("Received"));
        sent_->setLabel(QStringLiteral("Sent"));
        series_->append(received_);
        series_->append(sent_);
        series_->setBarWidth(0.8);
        periods_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        periods_->setGridLineVisible(false);
        graph->addSeries(series_);
        graph->addAxis(periods_, Qt::AlignBottom);
        graph->addAxis(value_, Qt::AlignLeft);
        series_->attachAxis(periods_);
        series_->attachAxis(value_);
        connect(series_, &QBarSeries::hovered, this, [this, hoverText = std::move(hoverText)](bool on, int index) {
            on ? QToolTip::showText(QCursor::pos(), hoverText(index), this) : QToolTip::hideText();
        });
    }

    void show(const BarGraph& graph) {
        // Bar i stands at i. A label sits under its bar, where it has the
        // room of its neighbours that have none; the axis wants labels that
        // differ, so a repeated one (06:00 of two days) gets trailing spaces.
        for (const QString& label : periods_->categoriesLabels()) periods_->remove(label);
        periods_->setRange(-0.5, double(graph.labels.size()) - 0.5);
        periods_->setStartValue(-0.5);
        for (qsizetype index = 0; index < graph.labels.size(); ++index) {
            QString label = graph.labels[index];
            if (label.isEmpty()) continue;
            while (periods_->categoriesLabels().contains(label)) label += QLatin1Char(' ');
            periods_->append(label, double(index));
        }
        for (QBarSet* set : {received_, sent_}) {
            const std::vector<double>& values = set == received_ ? graph.received : graph.sent;
            set->remove(0, set->count());
            set->append(QList<qreal>(values.begin(), values.end()));
            set->deselectAllBars();
            if (graph.current >= 0) set->selectBar(graph.current);
        }
        setUp(value_, graph.axis);
    }

    void setDark(bool dark) {
        for (QBarSet* set : {received_, sent_}) {
            const QColor color = set == received_ ? downloadColor(dark) : uploadColor(dark);
            set->setColor(color);
            set->setBorderColor(color);
            // The current period is not over yet: its bars are outlined and half filled.
            QColor unfinished = color;
            unfinished.setAlpha(90);
            set->setSelectedColor(unfinished);
        }
    }

private:
    QBarSeries* series_ = new QBarSeries;
    QBarSet* received_ = new QBarSet(QString());
    QBarSet* sent_ = new QBarSet(QString());
    QCategoryAxis* periods_ = new QCategoryAxis;
    QValueAxis* value_ = new QValueAxis;
};

UsageView::UsageView(const QStringList& periodNames, int chosen, Handlers handlers)
    : handlers_(std::move(handlers)),
      live_(new LiveChartView(handlers_.liveHoverText)),
      bars_(new BarChartView(handlers_.barHoverText)),
      periods_(new QTabBar),
      totals_(new QLabel) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Usage"));
    for (const QString& name : periodNames) periods_->addTab(name);
    periods_->setCurrentIndex(chosen);
    connect(periods_, &QTabBar::currentChanged, this, [this](int index) { handlers_.periodChosen(index); });
    totals_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    totals_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    totals_->setContentsMargins(8, 32, 8, 8);

    auto* history = new QHBoxLayout;
    history->addWidget(bars_, 1);
    history->addWidget(totals_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(live_, 1);
    layout->addWidget(periods_);
    layout->addLayout(history, 1);
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this, this, &QWidget::close);
}

UsageView::~UsageView() = default;

void UsageView::showLive(const LiveGraph& graph) { live_->show(graph); }

void UsageView::showBars(const BarGraph& graph) {
    bars_->show(graph);
    totals_->setText(graph.totals.join(QLatin1Char('\n')));
}

void UsageView::setDark(bool dark) {
    if (dark_ == int(dark)) return;
    dark_ = int(dark);
    for (QChartView* view : {static_cast<QChartView*>(live_), static_cast<QChartView*>(bars_)})
        view->chart()->setTheme(dark ? QChart::ChartThemeDark : QChart::ChartThemeLight);
    // A theme sets the series' colours of its own; the title's are set after it.
    live_->setDark(dark);
    bars_->setDark(dark);
    QPalette palette;
    if (dark) {
        const QColor background(0x1e, 0x1f, 0x26);  // between the dark charts' gradient stops
        palette.setColor(QPalette::Window, background);
        palette.setColor(QPalette::Base, background);
        palette.setColor(QPalette::Button, background.lighter(150));
        for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            palette.setColor(role, QColor(0xee, 0xee, 0xec));
    }
    setPalette(palette);  // light: the application's own
    setAutoFillBackground(true);
}

void UsageView::closeEvent(QCloseEvent* event) {
    if (handlers_.willClose) handlers_.willClose(this);
    QWidget::closeEvent(event);
}

}  // namespace ratelark
