#pragma once

#include "platform/AttributedText.h"

#include <QColor>
#include <QImage>

namespace ratelark {

// The colour a named colour stands for: Qt's colour of that name.
QColor namedColor(NamedColor color);

// A status title drawn as the tray shows it: each line of the title on a row
// of its own, the rows stacked to fill height (in device-independent pixels),
// in the title's font, shrunk where the rows would not fit. Characters in a
// colour run take its colour, the others textColor; the background stays
// transparent. The picture is as wide as the widest row and is drawn at
// devicePixelRatio, so that it stays sharp on dense screens.
QImage drawTitle(const AttributedText& title, int height, qreal devicePixelRatio, const QColor& textColor);

// The title squeezed into a square of size × size device-independent pixels.
QImage drawCompactTitle(const AttributedText& title, int size, qreal devicePixelRatio);

}  // namespace ratelark
