#include "platform/FontPanel.h"

#include "platform/Fonts.h"

#include <QFontDialog>
#include <QSignalBlocker>

namespace ratelark {

FontPanel::FontPanel(std::function<void(FontPanel*)> target, QObject* parent)
    : QObject(parent), target_(std::move(target)) {}

FontPanel::~FontPanel() = default;

void FontPanel::makeKeyAndOrderFront(const QFont& font) {
    if (!dialog_) {
        dialog_ = std::make_unique<QFontDialog>();
        // The desktop's own dialog reports only a final choice; this one
        // reports every change while it is open.
        dialog_->setOptions(QFontDialog::DontUseNativeDialog | QFontDialog::NoButtons);
        dialog_->setWindowTitle(QStringLiteral("Fonts"));
        connect(dialog_.get(), &QFontDialog::currentFontChanged, this, [this](const QFont& selection) {
            target_(this);
            before_ = selection;
        });
    }
    {
        // Setting the start is no choice of the user's.
        const QSignalBlocker quiet(dialog_.get());
        dialog_->setCurrentFont(font);
    }
    before_ = dialog_->currentFont();
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
}

QFont FontPanel::convertFont(const QFont& font) const {
    if (!dialog_) return font;
    const QFont selection = dialog_->currentFont();
    const bool newFace = fontName(selection) != fontName(before_);
    const bool newSize = selection.pointSizeF() > 0.0 && selection.pointSizeF() != before_.pointSizeF();
    QFont converted = newFace ? selection : font;
    converted.setPointSizeF(newSize ? selection.pointSizeF() : font.pointSizeF());
    return converted;
}

}  // namespace ratelark
