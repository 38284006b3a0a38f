#include "present/VerticallyCenteredTextFieldCell.h"

namespace ratelark {

QRectF centeredTitleRect(const QRectF& bounds, qreal textHeight, const QRectF& plainTitleRect) {
    const qreal y = bounds.y() + (bounds.height() - textHeight) / 2.0;
    return {plainTitleRect.x(), y, plainTitleRect.width(), plainTitleRect.height() - (y - bounds.y())};
}

QRectF VerticallyCenteredTextFieldCell::titleRectForBounds(const QRectF& bounds) const {
    const qreal textHeight = attributedStringSize().height();
    return centeredTitleRect(bounds, textHeight, TextFieldCell::titleRectForBounds(bounds));
}

void VerticallyCenteredTextFieldCell::drawInteriorWithFrame(const QRectF& frame, QPainter& painter) const {
    // Through the virtual call, so that a further subclass's layout is used.
    TextFieldCell::drawInteriorWithFrame(titleRectForBounds(frame), painter);
}

}  // namespace ratelark
