#pragma once

#include <QWidget>

#include <vector>

namespace ratelark {

// A small graph of download and upload without axes, for under the speed
// window's numbers: each value a fraction of the height, the newest at the
// right edge, one pixel a value.
class SpeedGraph : public QWidget {
    Q_OBJECT

public:
    explicit SpeedGraph(QWidget* parent = nullptr);

    void setValues(std::vector<double> download, std::vector<double> upload, bool dark);
    QSize sizeHint() const override { return {100, kHeight}; }

    static constexpr int kHeight = 28;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<double> download_, upload_;
    bool dark_ = false;
};

}  // namespace ratelark
