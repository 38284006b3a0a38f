#pragma once

#include "platform/TextFieldCell.h"

#include <QString>
#include <QWidget>

#include <memory>

namespace ratelark {

// A one-line text field of the speed window. Its text and font live in its
// cell, which lays the text out and draws it.
class TextField : public QWidget {
    Q_OBJECT
public:
    explicit TextField(std::unique_ptr<TextFieldCell> cell, QWidget* parent = nullptr);
    ~TextField() override;

    void setStringValue(const QString& text);
    QString stringValue() const { return cell_->stringValue(); }
    const TextFieldCell& cell() const { return *cell_; }

    QSize sizeHint() const override;

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<TextFieldCell> cell_;
};

}  // namespace ratelark
