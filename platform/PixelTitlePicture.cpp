#include "platform/PixelTitlePicture.h"

#include "platform/PixelFont.h"

#include <QPainter>
#include <QStringList>

#include <algorithm>

namespace ratelark {

namespace {

const QString kUntitledSymbol = QStringLiteral("\u2193\u2191");
// Dark enough that every light shade below keeps a contrast ratio above 4.5.
const QColor kPlate(32, 32, 32);
const QColor kLightText(Qt::white);

QColor lightShade(NamedColor color, const QColor& plain) {
    switch (color) {
    case NamedColor::Red: return QColor(255, 128, 118);
    case NamedColor::Blue: return QColor(128, 184, 255);
    case NamedColor::Yellow: return QColor(252, 233, 79);
    case NamedColor::Green: return QColor(138, 226, 52);
    case NamedColor::Black:
    case NamedColor::White: break;
    }
    return plain;
}

QColor darkShade(NamedColor color, const QColor& plain) {
    switch (color) {
    case NamedColor::Red: return QColor(164, 0, 0);
    case NamedColor::Blue: return QColor(32, 74, 135);
    case NamedColor::Yellow: return QColor(143, 89, 2);
    case NamedColor::Green: return QColor(60, 120, 6);
    case NamedColor::Black:
    case NamedColor::White: break;
    }
    return plain;
}

bool rowsFit(const PixelFace& face, const QString& text, int room) {
    const QStringList rows = text.split(QLatin1Char('\n'));
    return std::all_of(rows.begin(), rows.end(), [&](const QString& row) { return pixelTextWidth(face, row) <= room; });
}

// The colour of each character of the text shown: the shade of its run.
std::vector<QColor> characterColors(const AttributedText& title, const QString& shown, const QColor& plain, bool light) {
    const std::vector<ColorRun>& runs = shown == title.compactText         ? title.compactRuns
                                        : shown == title.compactNarrowText ? title.compactNarrowRuns
                                                                           : std::vector<ColorRun>();
    std::vector<QColor> colors(size_t(shown.size()), plain);
    for (const ColorRun& run : runs) {
        const qsizetype start = std::clamp<qsizetype>(run.start, 0, shown.size());
        const qsizetype end = std::clamp<qsizetype>(run.start + run.length, start, shown.size());
        const QColor shade = light ? lightShade(run.color, plain) : darkShade(run.color, plain);
        std::fill(colors.begin() + start, colors.begin() + end, shade);
    }
    return colors;
}

}  // namespace

QString pixelTitleText(const AttributedText& title, int side) {
    if (title.compactText.isEmpty()) return kUntitledSymbol;
    const PixelFace face = pixelFaceFor(side);
    if (rowsFit(face, title.compactText, side) || title.compactNarrowText.isEmpty()) return title.compactText;
    return title.compactNarrowText;
}

QImage drawPixelTitle(const AttributedText& title, int side, std::optional<QColor> panelText) {
    QImage picture(side, side, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    if (!panelText) {
        // Square with its corner pixels left out, so that it does not look like a hole in the panel.
        QPainter painter(&picture);
        painter.fillRect(QRect(1, 0, side - 2, side), kPlate);
        painter.fillRect(QRect(0, 1, side, side - 2), kPlate);
    }
    const QColor plain = panelText ? panelText->toRgb() : kLightText;
    const bool light = plain.lightness() >= 128;

    const QString shown = pixelTitleText(title, side);
    const PixelFace face = pixelFaceFor(side);
    const QStringList rows = shown.split(QLatin1Char('\n'));
    const int count = int(rows.size());
    const int gap = (side - count * face.height) / (count + 1);
    int top = (side - count * face.height - (count - 1) * gap) / 2;
    const std::vector<QColor> colors = characterColors(title, shown, plain, light);
    qsizetype index = 0;  // of the row's first character in shown
    for (const QString& row : rows) {
        const std::vector<QColor> rowColors(colors.begin() + index, colors.begin() + index + row.size());
        drawPixelText(picture, face, (side - pixelTextWidth(face, row)) / 2, top, row, rowColors);
        top += face.height + gap;
        index += row.size() + 1;  // the line break
    }
    return picture;
}

}  // namespace ratelark
