#pragma once

#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

namespace ratelark {

// The plain cell of a text field: it holds the field's text and font, lays
// the text out a small margin inside the field and draws it from the top
// left of the rectangle it is given.
class TextFieldCell {
public:
    virtual ~TextFieldCell() = default;

    const QString& stringValue() const { return stringValue_; }
    void setStringValue(const QString& text) { stringValue_ = text; }
    const QFont& font() const { return font_; }
    void setFont(const QFont& font) { font_ = font; }

    // The drawn size of the current text in the current font; empty text
    // measures nothing.
    QSizeF attributedStringSize() const;

    // The rectangle the text is laid out in, for a field of the given bounds.
    virtual QRectF titleRectForBounds(const QRectF& bounds) const;
    // Draws the text into frame, starting at its top left.
    virtual void drawInteriorWithFrame(const QRectF& frame, QPainter& painter) const;

private:
    QString stringValue_;
    QFont font_;
};

}  // namespace ratelark
