#include "platform/TextFieldCell.h"

#include <QFontMetricsF>
#include <QPainter>

#include <limits>

namespace ratelark {

namespace {

// The space between a field's edge and its text, as a borderless field keeps it.
constexpr qreal kTextMargin = 2.0;

constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop;

}  // namespace

QSizeF TextFieldCell::attributedStringSize() const {
    if (stringValue_.isEmpty()) return {0.0, 0.0};
    constexpr qreal unbounded = std::numeric_limits<int>::max();
    return QFontMetricsF(font_).boundingRect(QRectF(0.0, 0.0, unbounded, unbounded), kTextFlags, stringValue_).size();
}

QRectF TextFieldCell::titleRectForBounds(const QRectF& bounds) const {
    return bounds.adjusted(kTextMargin, kTextMargin, -kTextMargin, -kTextMargin);
}

void TextFieldCell::drawInteriorWithFrame(const QRectF& frame, QPainter& painter) const {
    painter.setFont(font_);
    // Text taller than the frame is drawn whole; the field clips it.
    painter.drawText(frame, kTextFlags | Qt::TextDontClip, stringValue_);
}

}  // namespace ratelark
