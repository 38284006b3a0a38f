#pragma once

#include <QPointF>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QTabBar;

namespace ratelark {

class BarChartView;
class LiveChartView;

// A value axis from 0 to maximum, in a unit of its own.
struct ValueAxis {
    double maximum = 1.0;  // in the unit
    int ticks = 6;
    int decimals = 0;
    QString unit;
};

// Download and upload over a span of time; x in milliseconds since the epoch.
struct LiveGraph {
    std::vector<QPointF> download, upload;
    qint64 fromMs = 0, toMs = 0;
    ValueAxis axis;
};

// Received and sent per period, the current one marked, and lines of totals.
struct BarGraph {
    QStringList labels;
    std::vector<double> received, sent;  // in the axis' unit
    int current = -1;
    ValueAxis axis;
    QStringList totals;
};

// The "Usage" window: a live graph above, and below it the bars of the
// periods chosen in a tab bar, with their totals beside. Qt Charts draws
// them. The window is deleted when it closes, so a closed one costs nothing.
class UsageView : public QWidget {
    Q_OBJECT
public:
    struct Handlers {
        std::function<void(int)> periodChosen;         // index into the period names
        std::function<QString(qint64)> liveHoverText;  // for a moment of the live graph
        std::function<QString(int)> barHoverText;      // for a bar's period
        std::function<void(UsageView*)> willClose;
    };
    UsageView(const QStringList& periodNames, int chosen, Handlers handlers);
    ~UsageView() override;

    void showLive(const LiveGraph& graph);
    void showBars(const BarGraph& graph);
    // Light or dark charts and window; nothing happens when it is so already.
    void setDark(bool dark);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Handlers handlers_;
    LiveChartView* live_;
    BarChartView* bars_;
    QTabBar* periods_;
    QLabel* totals_;
    int dark_ = -1;  // unknown until set
};

}  // namespace ratelark
