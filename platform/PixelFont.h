#pragma once

#include <QColor>
#include <QImage>
#include <QString>

#include <vector>

namespace ratelark {

// RateLark's own bitmap glyphs for pictures too small for outline fonts:
// the digits, the full stop, the unit letters of the shortest speed forms
// (K M G, and k m g for bits) and the two arrows. Each glyph is drawn on
// whole pixels in one colour, so a 16 px picture stays sharp where scaled
// and hinted glyphs smudge.
struct PixelFace {
    int height = 0;  // of every glyph, in pixels
    int spacing = 1;  // empty columns between two glyphs
};

// The face for a picture side pixels high: six pixel rows below 22, seven
// from 22 on.
PixelFace pixelFaceFor(int side);

// The width of text in face, spacing included; a character without a glyph
// counts as a box as wide as a digit.
int pixelTextWidth(const PixelFace& face, const QString& text);

// Draws text into picture with its top left corner at (left, top), the
// colour of each character from colors (one per character).
void drawPixelText(QImage& picture, const PixelFace& face, int left, int top, const QString& text,
                   const std::vector<QColor>& colors);

}  // namespace ratelark
