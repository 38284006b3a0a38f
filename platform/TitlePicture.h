#pragma once

#include "platform/AttributedText.h"

#include <QColor>
#include <QImage>

#include <optional>

namespace ratelark {

// The title's compact form in a square of size × size device-independent
// pixels, drawn at devicePixelRatio straight into the device pixels (never
// scaled), transparent around the text: for status icons, which are too
// small for the whole title. Its lines are stacked in the title's font
// family, bold, at the largest pixel size at which the widest compact form
// fits, so the size holds steady as the speeds change. A title without a
// compact form shows a pair of arrows instead. The text is light (the
// title's colours in light shades) with a thin dark halo, so it reads on
// dark and light panels alike. Smaller pictures are drawn by
// drawPixelTitle, with panelText.
QImage drawCompactTitle(const AttributedText& title, int size, qreal devicePixelRatio,
                        std::optional<QColor> panelText = std::nullopt);

}  // namespace ratelark
