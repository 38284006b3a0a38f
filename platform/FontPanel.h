#pragma once

#include <QFont>
#include <QObject>

#include <functional>
#include <memory>

class QFontDialog;
class QWidget;

namespace ratelark {

// The desktop's font panel: one non-modal font dialog, made when first
// shown, that reports every change of its selection to its target while it
// is open, and converts a font by the user's last change in it. Choices
// apply at once; the panel has no buttons.
class FontPanel : public QObject {
    Q_OBJECT
public:
    // target hears each change of the selection, with this panel as sender.
    explicit FontPanel(std::function<void(FontPanel*)> target, QObject* parent = nullptr);
    ~FontPanel() override;

    // Shows the panel in front with the keyboard focus, its selection at font.
    void makeKeyAndOrderFront(const QFont& font);

    // font with the user's last change applied: a new face (family and
    // style) and a new size each replace the font's own; what the change
    // left alone stays, so a size the dialog cannot show survives a new face.
    QFont convertFont(const QFont& font) const;

    // The dialog, once it has been shown; for tests.
    QFontDialog* dialog() const { return dialog_.get(); }

private:
    std::function<void(FontPanel*)> target_;
    std::unique_ptr<QFontDialog> dialog_;
    QFont before_;  // the selection before the user's last change
};

}  // namespace ratelark
