#include "present/TextField.h"

#include <QPainter>

namespace ratelark {

TextField::TextField(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TextField::setStringValue(const QString& text) {
    if (text == text_) return;
    text_ = text;
    update();
}

QSize TextField::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(QStringLiteral("↓0000.0 KB")) + 8, metrics.height() + 4};
}

void TextField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text_);
}

}  // namespace ratelark
