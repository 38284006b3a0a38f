#include "platform/TextField.h"
#include "present/VerticallyCenteredTextFieldCell.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>

namespace ratelark {
namespace {

struct CentringCase {
    const char* what;
    QRectF bounds;
    qreal textHeight;
    QRectF plain;
    QRectF expected;
};

TEST(VerticallyCenteredTextFieldCell, CentresTheTextRectangle) {
    const CentringCase cases[] = {
        {"text smaller than the bounds", {0, 0, 100, 20}, 14, {2, 2, 96, 16}, {2, 3, 96, 13}},
        {"text taller than the bounds", {0, 0, 100, 20}, 30, {2, 2, 96, 16}, {2, -5, 96, 21}},
        {"empty text", {0, 0, 100, 20}, 0, {2, 2, 96, 16}, {2, 10, 96, 6}},
        {"bounds away from the origin", {5, 40, 100, 20}, 14, {7, 42, 96, 16}, {7, 43, 96, 13}},
    };
    for (const CentringCase& c : cases)
        EXPECT_EQ(centeredTitleRect(c.bounds, c.textHeight, c.plain), c.expected) << c.what;
}

TEST(VerticallyCenteredTextFieldCell, MeasuresTheCurrentTextOnEveryCall) {
    VerticallyCenteredTextFieldCell cell;
    QFont font;
    font.setPointSizeF(12.0);
    cell.setFont(font);
    const QRectF bounds(0, 0, 120, 60);
    const QRectF plain = cell.TextFieldCell::titleRectForBounds(bounds);

    // Empty text measures nothing: the text starts at the middle.
    EXPECT_EQ(cell.titleRectForBounds(bounds), QRectF(plain.x(), 30.0, plain.width(), plain.height() - 30.0));

    cell.setStringValue(QStringLiteral("1.5 KB"));
    const qreal small = QFontMetricsF(font).height();
    EXPECT_DOUBLE_EQ(cell.titleRectForBounds(bounds).y(), (60.0 - small) / 2.0);

    font.setPointSizeF(24.0);
    cell.setFont(font);
    const qreal large = QFontMetricsF(font).height();
    EXPECT_GT(large, small);
    EXPECT_DOUBLE_EQ(cell.titleRectForBounds(bounds).y(), (60.0 - large) / 2.0);

    cell.setStringValue(QStringLiteral("1.5 KB\n2.0 KB"));
    EXPECT_LT(cell.titleRectForBounds(bounds).y(), (60.0 - large) / 2.0);
}

TEST(VerticallyCenteredTextFieldCell, TheFieldKeepsItsTextAndFontInTheCell) {
    TextField field(std::make_unique<VerticallyCenteredTextFieldCell>());
    field.setStringValue(QStringLiteral("↓ 3.0 KB"));
    QFont font = field.font();
    font.setPointSizeF(17.0);
    field.setFont(font);
    EXPECT_EQ(field.cell().stringValue(), QStringLiteral("↓ 3.0 KB"));
    EXPECT_EQ(field.cell().font().pointSizeF(), 17.0);
    EXPECT_NE(dynamic_cast<const VerticallyCenteredTextFieldCell*>(&field.cell()), nullptr);
}

}  // namespace
}  // namespace ratelark
