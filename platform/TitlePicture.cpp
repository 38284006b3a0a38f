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

// The colour of every character of text: of its run in shade, else textColor.
std::vector<QColor> characterColors(const QString& text, const std::vector<ColorRun>& runs, const QColor& textColor,
                                    QColor (*shade)(NamedColor)) {
    std::vector<QColor> colors(static_cast<size_t>(text.size()), textColor);
    for (const ColorRun& run : runs) {
        const qsizetype start = std::clamp<qsizetype>(run.start, 0, text.size());
        const qsizetype end = std::clamp<qsizetype>(run.start + run.length, start, text.size());
        std::fill(colors.begin() + start, colors.begin() + end, shade(run.color));
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

// The compact form is light text with a dark halo: the text reads on the
// dark panels most desktops have, the halo outlines it on light ones. The
// title's colours become light shades of the same hue.
const QColor kCompactText(Qt::white);
const QColor kHalo(Qt::black);

QColor compactShade(NamedColor color) {
    switch (color) {
    case NamedColor::Red: return QColor(255, 112, 102);
    case NamedColor::Blue: return QColor(112, 176, 255);
    case NamedColor::Yellow: return QColor(Qt::yellow);
    case NamedColor::Green: return QColor(Qt::green);
    case NamedColor::Black:
    case NamedColor::White: break;
    }
    return kCompactText;
}

const QString kUntitledSymbol = QStringLiteral("\u2193\u2191");
// The widest compact line, so the font size does not follow the speeds.
const QString kWidestCompactLine = QStringLiteral("888M");
const QString kCompactHeightProbe = QStringLiteral("0123456789KMG");
constexpr int kNarrowest = 70;  // per cent of the font's own width

// Halo width in device pixels: one up to 32 device pixels, more on larger pictures.
int haloWidth(int side) { return std::max(1, side / 32); }

struct CompactLayout {
    QFont font;
    int rowHeight = 0;  // from the top of the tallest glyph to the bottom of the lowest
    int ascent = 0;     // from the top of the tallest glyph to the baseline
};

// The width of the widest of the lines in font.
int widestLine(const QFont& font, const QStringList& lines) {
    const QFontMetrics metrics(font);
    int width = 0;
    for (const QString& line : lines) width = std::max(width, metrics.horizontalAdvance(line));
    return width;
}

// The largest pixel size at which the rows fit the side square, narrowed
// down to kNarrowest of its width where the widest line would not fit:
// taller digits read better than wider ones.
CompactLayout fitCompact(QFont font, const QStringList& rows, int side, int halo, bool untitled) {
    font.setBold(true);
    font.setHintingPreference(QFont::PreferFullHinting);
    const QString probe = untitled ? kUntitledSymbol : kCompactHeightProbe + rows.join(QString());
    const QStringList lines = untitled ? rows : rows + QStringList{kWidestCompactLine};
    const int room = side - 2 * halo;
    const int gaps = (int(rows.size()) - 1) * (halo * 2 + 1);
    for (int pixels = std::max(1, room);; --pixels) {
        const bool last = pixels <= 1;
        font.setPixelSize(pixels);
        font.setStretch(QFont::AnyStretch);
        const QRect glyphs = QFontMetrics(font).tightBoundingRect(probe);
        if (rows.size() * glyphs.height() + gaps > room && !last) continue;
        const int natural = widestLine(font, lines);
        if (natural > room) {
            const int stretch = std::max(1, room * 100 / natural);
            if (stretch < kNarrowest && !last) continue;
            font.setStretch(stretch);
            if (widestLine(font, lines) > room && !last) continue;
        }
        return {font, glyphs.height(), -glyphs.top()};
    }
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

    const std::vector<QColor> colors = characterColors(title.text, title.runs, textColor, namedColor);
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
    const int side = std::max(1, qRound(std::max(size, 1) * devicePixelRatio));
    QImage picture(side, side, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);

    const bool untitled = title.compactText.isEmpty();
    const QString text = untitled ? kUntitledSymbol : title.compactText;
    const QStringList rows = text.split(QLatin1Char('\n'));
    const int halo = haloWidth(side);
    const CompactLayout layout = fitCompact(title.font.value_or(QFont()), rows, side, halo, untitled);
    const QFontMetrics metrics(layout.font);
    const std::vector<QColor> colors =
        characterColors(text, untitled ? std::vector<ColorRun>() : title.compactRuns, kCompactText, compactShade);

    QPainter painter(&picture);
    painter.setFont(layout.font);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const int spare = side - int(rows.size()) * layout.rowHeight;
    const int gap = spare / int(rows.size() + 1);
    qsizetype index = 0;  // of the row's first character in the text
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const QString& row = rows[r];
        const int baseline = gap + int(r) * (layout.rowHeight + gap) + layout.ascent;
        const int left = (side - metrics.horizontalAdvance(row)) / 2;
        // All halos of the row first, so that none covers a neighbour's fill.
        for (int pass = 0; pass < 2; ++pass) {
            int x = left;
            for (qsizetype start = 0; start < row.size();) {
                qsizetype end = start + 1;
                while (end < row.size() && colors[size_t(index + end)] == colors[size_t(index + start)]) ++end;
                const QString stretch = row.mid(start, end - start);
                const QColor color = colors[size_t(index + start)];
                if (pass == 0) {
                    painter.setPen(kHalo);
                    for (int dy = -halo; dy <= halo; ++dy)
                        for (int dx = -halo; dx <= halo; ++dx)
                            if (dx || dy) painter.drawText(QPoint(x + dx, baseline + dy), stretch);
                } else {
                    painter.setPen(color);
                    painter.drawText(QPoint(x, baseline), stretch);
                }
                x += metrics.horizontalAdvance(stretch);
                start = end;
            }
        }
        index += row.size() + 1;  // the line break
    }
    painter.end();
    picture.setDevicePixelRatio(devicePixelRatio);
    return picture;
}

}  // namespace ratelark
