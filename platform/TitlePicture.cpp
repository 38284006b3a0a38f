#include "platform/TitlePicture.h"

#include "platform/EverySecond.h"
#include "platform/PixelTitlePicture.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace ratelark {

namespace {

// Light text with a dark halo: the text reads on the dark panels most
// desktops have, the halo outlines it on light ones. The title's colours
// become light shades of their hue.
const QColor kText(Qt::white);
const QColor kHalo(Qt::black);

QColor lightShade(NamedColor color) {
    switch (color) {
    case NamedColor::Red: return QColor(255, 112, 102);
    case NamedColor::Blue: return QColor(112, 176, 255);
    case NamedColor::Yellow: return QColor(Qt::yellow);
    case NamedColor::Green: return QColor(Qt::green);
    case NamedColor::Black:
    case NamedColor::White: break;
    }
    return kText;
}

const QString kUntitledSymbol = QStringLiteral("\u2193\u2191");
// The widest compact line, so that the font size does not follow the speeds.
const QString kWidestLine = QStringLiteral("888M");
const QString kHeightProbe = QStringLiteral("0123456789KMG");
constexpr int kNarrowest = 70;  // per cent of the font's own width
// Outline glyphs below this many device pixels smudge: smaller pictures
// take the bitmap glyphs.
constexpr int kOutlineFrom = 32;

// In device pixels: one up to 63, more on larger pictures.
int haloWidth(int side) { return std::max(1, side / 32); }

// The colour of every character of text: the shade of its run, else kText.
std::vector<QColor> characterColors(const QString& text, const std::vector<ColorRun>& runs) {
    std::vector<QColor> colors(static_cast<size_t>(text.size()), kText);
    for (const ColorRun& run : runs) {
        const qsizetype start = std::clamp<qsizetype>(run.start, 0, text.size());
        const qsizetype end = std::clamp<qsizetype>(run.start + run.length, start, text.size());
        std::fill(colors.begin() + start, colors.begin() + end, lightShade(run.color));
    }
    return colors;
}

int widestLine(const QFont& font, const QStringList& lines) {
    const QFontMetrics metrics(font);
    int width = 0;
    for (const QString& line : lines) width = std::max(width, metrics.horizontalAdvance(line));
    return width;
}

struct Layout {
    QFont font;
    int rowHeight = 0;  // from the top of the tallest glyph to the bottom of the lowest
    int ascent = 0;     // from the top of the tallest glyph to the baseline
};

// The largest pixel size at which the rows fit the side square, narrowed
// down to kNarrowest of its width where the widest line would not fit (on
// larger pictures): taller digits read better than wider ones.
Layout fit(QFont font, const QStringList& rows, int side, int halo, bool untitled) {
    font.setBold(true);
    font.setHintingPreference(QFont::PreferFullHinting);
    const QString probe = untitled ? kUntitledSymbol : kHeightProbe + rows.join(QString());
    const QStringList lines = untitled ? rows : rows + QStringList{kWidestLine};
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

RATELARK_EVERY_SECOND
QImage drawCompactTitle(const AttributedText& title, int size, qreal devicePixelRatio,
                        std::optional<QColor> panelText) {
    const int side = std::max(1, qRound(std::max(size, 1) * devicePixelRatio));
    if (side < kOutlineFrom) {
        QImage picture = drawPixelTitle(title, side, panelText);
        picture.setDevicePixelRatio(devicePixelRatio);
        return picture;
    }
    QImage picture(side, side, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);

    const bool untitled = title.compactText.isEmpty();
    const QString text = untitled ? kUntitledSymbol : title.compactText;
    const QStringList rows = text.split(QLatin1Char('\n'));
    const int halo = haloWidth(side);
    const Layout layout = fit(title.font.value_or(QFont()), rows, side, halo, untitled);
    const QFontMetrics metrics(layout.font);
    const std::vector<QColor> colors = characterColors(text, untitled ? std::vector<ColorRun>() : title.compactRuns);

    // Whole device pixels throughout, so that the hinted glyphs stay sharp.
    QPainter painter(&picture);
    painter.setFont(layout.font);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const int gap = (side - int(rows.size()) * layout.rowHeight) / int(rows.size() + 1);
    qsizetype index = 0;  // of the row's first character in text
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const QString& row = rows[r];
        const int baseline = gap + int(r) * (layout.rowHeight + gap) + layout.ascent;
        const int left = (side - metrics.horizontalAdvance(row)) / 2;
        // The halo of the whole row first, so that it covers no letter's fill.
        for (const bool fill : {false, true}) {
            int x = left;
            for (qsizetype start = 0; start < row.size();) {
                const QColor color = colors[size_t(index + start)];
                qsizetype end = start + 1;
                while (end < row.size() && colors[size_t(index + end)] == color) ++end;
                const QString stretch = row.mid(start, end - start);
                painter.setPen(fill ? color : kHalo);
                for (int dy = -halo; dy <= halo; ++dy)
                    for (int dx = -halo; dx <= halo; ++dx)
                        if (fill == (dx == 0 && dy == 0)) painter.drawText(QPoint(x + dx, baseline + dy), stretch);
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
