#pragma once

#include "platform/TextFieldCell.h"

namespace ratelark {

// The text rectangle that centres text of height textHeight vertically in
// bounds: it starts half the free height past the bounds' top and ends where
// the plain rectangle ends; x and width are the plain rectangle's. Text
// taller than bounds starts before their top.
QRectF centeredTitleRect(const QRectF& bounds, qreal textHeight, const QRectF& plainTitleRect);

// A text-field cell that draws its text vertically centred in the field. It
// measures the text on every call, so a new text or font moves it at the
// next drawing.
class VerticallyCenteredTextFieldCell : public TextFieldCell {
public:
    QRectF titleRectForBounds(const QRectF& bounds) const override;
    void drawInteriorWithFrame(const QRectF& frame, QPainter& painter) const override;
};

}  // namespace ratelark
