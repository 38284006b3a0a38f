#include "platform/SpeedGraph.h"

#include "platform/GraphColors.h"

#include <QPainter>
#include <QPainterPath>

namespace ratelark {

SpeedGraph::SpeedGraph(QWidget* parent) : QWidget(parent) { setFixedHeight(kHeight); }

void SpeedGraph::setValues(std::vector<double> download, std::vector<double> upload, bool dark) {
    download_ = std::move(download);
    upload_ = std::move(upload);
    dark_ = dark;
    update();
}

void SpeedGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double bottom = height() - 1.0;
    for (const auto& [values, color] : {std::pair(&download_, downloadColor(dark_)), std::pair(&upload_, uploadColor(dark_))}) {
        QPainterPath path;
        const double first = width() - double(values->size());
        for (std::size_t index = 0; index < values->size(); ++index) {
            const QPointF point(first + double(index), bottom - (*values)[index] * (bottom - 1.0));
            index == 0 ? path.moveTo(point) : path.lineTo(point);
        }
        painter.setPen(QPen(color, 1.2));
        painter.drawPath(path);
    }
}

}  // namespace ratelark
