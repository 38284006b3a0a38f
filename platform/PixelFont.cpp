#include "platform/PixelFont.h"

#include <cstring>
#include <span>

namespace ratelark {

namespace {

// One glyph: its rows from the top, '#' a lit pixel; all rows equally wide.
struct Glyph {
    char16_t character;
    const char* rows[7];
};

// Six rows: digits three columns wide with rounded corners, so that 2, 3
// and 5 keep the shapes readers (and OCR) know; the M five wide, so that it
// does not read as an H or an N.
constexpr Glyph kSmall[] = {
    {u'0', {".#.", "#.#", "#.#", "#.#", "#.#", ".#."}},
    {u'1', {".#.", "##.", ".#.", ".#.", ".#.", "###"}},
    {u'2', {"##.", "..#", "..#", ".#.", "#..", "###"}},
    {u'3', {"##.", "..#", ".#.", "..#", "..#", "##."}},
    {u'4', {"#.#", "#.#", "#.#", "###", "..#", "..#"}},
    {u'5', {"###", "#..", "##.", "..#", "..#", "##."}},
    {u'6', {".##", "#..", "##.", "#.#", "#.#", ".#."}},
    {u'7', {"###", "..#", "..#", ".#.", ".#.", ".#."}},
    {u'8', {".#.", "#.#", ".#.", "#.#", "#.#", ".#."}},
    {u'9', {".#.", "#.#", "#.#", ".##", "..#", "##."}},
    {u'.', {".", ".", ".", ".", ".", "#"}},
    {u'K', {"#.#", "#.#", "##.", "##.", "#.#", "#.#"}},
    {u'M', {"#...#", "##.##", "#.#.#", "#...#", "#...#", "#...#"}},
    {u'G', {".###", "#...", "#...", "#.##", "#..#", ".###"}},
    {u'k', {"#..", "#..", "#.#", "##.", "##.", "#.#"}},
    {u'm', {".....", ".....", "####.", "#.#.#", "#.#.#", "#.#.#"}},
    {u'g', {".##", "#.#", "#.#", ".##", "..#", "##."}},
    {u'\u2193', {"..#..", "..#..", "..#..", "#.#.#", ".###.", "..#.."}},
    {u'\u2191', {"..#..", ".###.", "#.#.#", "..#..", "..#..", "..#.."}},
};

// Seven rows, digits four columns wide: for 22 and 24 px.
constexpr Glyph kMedium[] = {
    {u'0', {".##.", "#..#", "#..#", "#..#", "#..#", "#..#", ".##."}},
    {u'1', {"..#.", ".##.", "..#.", "..#.", "..#.", "..#.", ".###"}},
    {u'2', {".##.", "#..#", "...#", "..#.", ".#..", "#...", "####"}},
    {u'3', {".##.", "#..#", "...#", "..#.", "...#", "#..#", ".##."}},
    {u'4', {"..#.", ".##.", "#.#.", "#.#.", "####", "..#.", "..#."}},
    {u'5', {"####", "#...", "###.", "...#", "...#", "#..#", ".##."}},
    {u'6', {".##.", "#...", "#...", "###.", "#..#", "#..#", ".##."}},
    {u'7', {"####", "...#", "..#.", "..#.", ".#..", ".#..", ".#.."}},
    {u'8', {".##.", "#..#", "#..#", ".##.", "#..#", "#..#", ".##."}},
    {u'9', {".##.", "#..#", "#..#", ".###", "...#", "...#", ".##."}},
    {u'.', {"..", "..", "..", "..", "..", "##", "##"}},
    {u'K', {"#..#", "#..#", "#.#.", "##..", "#.#.", "#..#", "#..#"}},
    {u'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {u'G', {".##.", "#..#", "#...", "#.##", "#..#", "#..#", ".###"}},
    {u'k', {"#...", "#...", "#..#", "#.#.", "##..", "#.#.", "#..#"}},
    {u'm', {".....", ".....", "####.", "#.#.#", "#.#.#", "#.#.#", "#.#.#"}},
    {u'g', {".###", "#..#", "#..#", ".###", "...#", "#..#", ".##."}},
    {u'\u2193', {"..#..", "..#..", "..#..", "..#..", "#.#.#", ".###.", "..#.."}},
    {u'\u2191', {"..#..", ".###.", "#.#.#", "..#..", "..#..", "..#..", "..#.."}},
};

constexpr int kSmallHeight = 6;
constexpr int kMediumHeight = 7;
constexpr int kMediumFrom = 22;  // px: room for two rows of seven

std::span<const Glyph> glyphsOf(const PixelFace& face) {
    if (face.height == kMediumHeight) return kMedium;
    return kSmall;
}

const Glyph* glyphFor(const PixelFace& face, QChar character) {
    for (const Glyph& glyph : glyphsOf(face))
        if (glyph.character == character.unicode()) return &glyph;
    return nullptr;
}

int digitWidth(const PixelFace& face) { return int(std::strlen(glyphFor(face, QLatin1Char('0'))->rows[0])); }

int glyphWidth(const PixelFace& face, QChar character) {
    const Glyph* glyph = glyphFor(face, character);
    return glyph ? int(std::strlen(glyph->rows[0])) : digitWidth(face);
}

}  // namespace

PixelFace pixelFaceFor(int side) { return {side >= kMediumFrom ? kMediumHeight : kSmallHeight, 1}; }

int pixelTextWidth(const PixelFace& face, const QString& text) {
    int width = 0;
    for (const QChar character : text) width += glyphWidth(face, character);
    return width + std::max<int>(0, int(text.size()) - 1) * face.spacing;
}

void drawPixelText(QImage& picture, const PixelFace& face, int left, int top, const QString& text,
                   const std::vector<QColor>& colors) {
    int x = left;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const Glyph* glyph = glyphFor(face, text[i]);
        const int width = glyphWidth(face, text[i]);
        const QRgb color = (size_t(i) < colors.size() ? colors[size_t(i)] : QColor(Qt::white)).rgba();
        for (int row = 0; row < face.height; ++row)
            for (int column = 0; column < width; ++column) {
                // A character without a glyph shows as an outlined box.
                const bool lit = glyph ? glyph->rows[row][column] == '#'
                                       : row == 0 || row == face.height - 1 || column == 0 || column == width - 1;
                const QPoint pixel(x + column, top + row);
                if (lit && picture.rect().contains(pixel)) picture.setPixel(pixel, color);
            }
        x += width + face.spacing;
    }
}

}  // namespace ratelark
