#pragma once

#include <QString>
#include <QWidget>

namespace ratelark {

// A one-line text field of the speed window.
class TextField : public QWidget {
    Q_OBJECT
public:
    explicit TextField(QWidget* parent = nullptr);

    void setStringValue(const QString& text);
    QString stringValue() const { return text_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

}  // namespace ratelark
