#include "platform/TextField.h"

#include "platform/EverySecond.h"

#include <QEvent>
#include <QPainter>

namespace ratelark {

TextField::TextField(std::unique_ptr<TextFieldCell> cell, QWidget* parent)
    : QWidget(parent), cell_(cell ? std::move(cell) : std::make_unique<TextFieldCell>()) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    cell_->setFont(font());
}

TextField::~TextField() = default;

RATELARK_EVERY_SECOND
void TextField::setStringValue(const QString& text) {
    if (text == cell_->stringValue()) return;
    cell_->setStringValue(text);
    update();
}

QSize TextField::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(QStringLiteral("↓0000.0 KB")) + 8, metrics.height() + 4};
}

void TextField::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        cell_->setFont(font());
        update();
    }
    QWidget::changeEvent(event);
}

void TextField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    cell_->drawInteriorWithFrame(QRectF(rect()), painter);
}

}  // namespace ratelark
