#pragma once

#include "platform/AttributedText.h"

#include <QColor>
#include <QImage>

#include <optional>

namespace ratelark {

// The compact title on a picture too small for outline fonts (below 32
// device pixels a side): RateLark's own bitmap glyphs on whole pixels, no
// halo. panelText is the colour the status area draws its own text in,
// where it says: the text takes it (its colours in shades as light or as
// dark), straight on the panel. Where the panel is unknown, the text is
// light on a dark plate that fills the square.
QImage drawPixelTitle(const AttributedText& title, int side, std::optional<QColor> panelText);

// The form drawPixelTitle shows at side: the compact text where each of its
// lines fits, else its narrow form;
// a pair of arrows for a title without speeds.
QString pixelTitleText(const AttributedText& title, int side);

}  // namespace ratelark
