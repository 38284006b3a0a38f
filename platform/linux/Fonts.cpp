#include "platform/Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace ratelark {

namespace {

const QString kStyleMark = QStringLiteral(":style=");

// A status line runs on a platform without fonts, since it draws nothing:
// there no name can be resolved or checked, and each is kept as given.
bool fontsInstalled() { return !QFontDatabase::families().isEmpty(); }

}  // namespace

QFont userFixedPitchFont(double pointSize) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (!fontsInstalled()) {
        font.setPointSizeF(pointSize);
        return font;
    }
    // Pin the family and face actually resolved, so that the name stored for
    // this font gives it back exactly.
    const QFontInfo info(font);
    font.setFamily(info.family());
    font.setStyleName(info.styleName());
    font.setPointSizeF(pointSize);
    return font;
}

QString fontName(const QFont& font) {
    QString family = font.family();
    QString style = font.styleName();
    if (fontsInstalled()) {
        const QFontInfo info(font);
        family = info.family();
        if (style.isEmpty()) style = info.styleName();
    }
    if (style.isEmpty()) style = QFontDatabase::styleString(font);
    return family + kStyleMark + style;
}

std::optional<QFont> fontWithName(const QString& name, double pointSize) {
    if (!(pointSize > 0.0)) return std::nullopt;
    const qsizetype mark = name.lastIndexOf(kStyleMark);
    const QString family = mark < 0 ? name : name.left(mark);
    const QString style = mark < 0 ? QString() : name.mid(mark + kStyleMark.size());
    if (family.isEmpty()) return std::nullopt;
    if (const QStringList installed = QFontDatabase::families(); !installed.isEmpty()) {
        if (!installed.contains(family)) return std::nullopt;
        if (!style.isEmpty() && !QFontDatabase::styles(family).contains(style)) return std::nullopt;
    }
    QFont font(family);
    if (!style.isEmpty()) font.setStyleName(style);
    font.setPointSizeF(pointSize);
    return font;
}

}  // namespace ratelark
