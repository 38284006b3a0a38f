#include "platform/TitlePicture.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <vector>

namespace ratelark {

namespace {

constexpr qreal kMargin = 2.0;   // left and right of the text
constexpr int kSmallestPixelSize = 6;

// The colour of every character of the title.
std::vector<QColor> characterColors(const AttributedText& title, const QColor& textColor) {
    std::vector<QColor> colors(static_cast<size_t>(title.length()), textColor);
    for (const ColorRun& run : title.runs) {
        const qsizetype start = std::clamp<qsizetype>(run.start, 0, title.length());
        const qsizetype end = std::clamp<qsizetype>(run.start + run.length, start, title.length());
        std::fill(colors.begin() + start, colors.begin() + end, namedColor(run.color));
    }
    return colors;
}

// The title's font in pixels, shrunk until one row fits rowHeight.
QFont fittedFont(QFont font, qreal rowHeight, const QPaintDevice* device) {
    if (font.pixelSize() <= 0) font.setPixelSize(std::max(1, qRound(font.pointSizeF() * device->logicalDpiY() / 72.0)));
    while (font.pixelSize() > kSmallestPixelSize && QFontMetricsF(font, device).height() > rowHeight)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

}  // namespace

QColor namedColor(NamedColor color) {
    switch (color) {
    case NamedColor::Red: return QColor(Qt::red);
    case NamedColor::Blue: return QColor(Qt::blue);
    case NamedColor::Black: return QColor(Qt::black);
    case NamedColor::Yellow: return QColor(Qt::yellow);
    case NamedColor::Green: return QColor(Qt::green);
    case NamedColor::White: return QColor(Qt::white);
    }
    return QColor(Qt::black);
}

QImage drawTitle(const AttributedText& title, int height, qreal devicePixelRatio, const QColor& textColor) {
    const QStringList rows = title.text.split(QLatin1Char('\n'));
    const qreal rowHeight = qreal(std::max(height, 1)) / rows.size();
    const QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
    const QFont font = fittedFont(title.font.value_or(QFont()), rowHeight, &probe);
    const QFontMetricsF metrics(font, &probe);

    qreal width = 0.0;
    for (const QString& row : rows) width = std::max(width, metrics.horizontalAdvance(row));
    const QSize logical(std::max(1, qCeil(width + 2 * kMargin)), std::max(height, 1));

    QImage picture(logical * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(devicePixelRatio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setFont(font);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const std::vector<QColor> colors = characterColors(title, textColor);
    qsizetype index = 0;  // of the row's first character in the title
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const QString& row = rows[r];
        const qreal baseline = r * rowHeight + (rowHeight - metrics.height()) / 2 + metrics.ascent();
        qreal x = kMargin;
        // Draws each stretch of one colour in one go, so that the letters keep
        // their shaping within it.
        for (qsizetype start = 0; start < row.size();) {
            qsizetype end = start + 1;
            while (end < row.size() && colors[size_t(index + end)] == colors[size_t(index + start)]) ++end;
            const QString stretch = row.mid(start, end - start);
            painter.setPen(colors[size_t(index + start)]);
            painter.drawText(QPointF(x, baseline), stretch);
            x += metrics.horizontalAdvance(stretch);
            start = end;
        }
        index += row.size() + 1;  // the line break
    }
    return picture;
}

QImage drawCompactTitle(const AttributedText& title, int size, qreal devicePixelRatio) {
    const QImage wide = drawTitle(title, size, devicePixelRatio, Qt::white);
    QImage square = wide.scaled(QSize(size, size) * devicePixelRatio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    square.setDevicePixelRatio(devicePixelRatio);
    return square;
}

}  // namespace ratelark
