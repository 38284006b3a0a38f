#include "platform/TitlePicture.h"

#include <gtest/gtest.h>

#include <QFont>

namespace ratelark {
namespace {

// How many pixels of the rows [top, bottom) are close to color.
int pixelsOf(const QImage& image, const QColor& color, int top, int bottom) {
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() > 200 && std::abs(pixel.red() - color.red()) < 60 &&
                std::abs(pixel.green() - color.green()) < 60 && std::abs(pixel.blue() - color.blue()) < 60)
                ++count;
        }
    return count;
}

AttributedText oneLine() {
    AttributedText title;
    title.text = QStringLiteral("12.3 KB|1.2 KB");
    title.font = QFont(QStringLiteral("DejaVu Sans Mono"), 12);
    title.addColor(NamedColor::Blue, 0, 7);
    title.addColor(NamedColor::Black, 7, 1);
    title.addColor(NamedColor::Red, 8, 6);
    return title;
}

TEST(TitlePicture, NamedColoursAreQtsColoursOfThatName) {
    EXPECT_EQ(namedColor(NamedColor::Red), QColor(Qt::red));
    EXPECT_EQ(namedColor(NamedColor::Blue), QColor(Qt::blue));
    EXPECT_EQ(namedColor(NamedColor::Black), QColor(Qt::black));
    EXPECT_EQ(namedColor(NamedColor::Yellow), QColor(Qt::yellow));
    EXPECT_EQ(namedColor(NamedColor::Green), QColor(Qt::green));
    EXPECT_EQ(namedColor(NamedColor::White), QColor(Qt::white));
}

TEST(TitlePicture, DrawsEachRunInItsColourAtTheGivenHeight) {
    const QImage picture = drawTitle(oneLine(), 24, 1.0, Qt::white);
    EXPECT_EQ(picture.height(), 24);
    EXPECT_GT(picture.width(), 60) << "wide enough for fourteen characters";
    const int half = picture.width() / 2;
    const QImage left = picture.copy(0, 0, half, 24);
    const QImage right = picture.copy(half, 0, picture.width() - half, 24);
    EXPECT_GT(pixelsOf(left, Qt::blue, 0, 24), 10) << "the download text comes first, in blue";
    EXPECT_EQ(pixelsOf(left, Qt::red, 0, 24), 0);
    EXPECT_GT(pixelsOf(right, Qt::red, 0, 24), 10);
    EXPECT_EQ(pixelsOf(picture, Qt::white, 0, 24), 0) << "every character carries a colour of its own";
    EXPECT_EQ(picture.pixelColor(0, 0).alpha(), 0) << "the background stays transparent";
}

TEST(TitlePicture, UncolouredTextTakesTheTextColour) {
    AttributedText title = oneLine();
    title.runs.clear();
    const QImage picture = drawTitle(title, 24, 1.0, QColor(Qt::green));
    EXPECT_GT(pixelsOf(picture, Qt::green, 0, 24), 20);
    EXPECT_EQ(pixelsOf(picture, Qt::blue, 0, 24), 0);
}

TEST(TitlePicture, TwoLineTitleStacksItsRows) {
    AttributedText title;
    title.text = QStringLiteral("1.2 KB   \n12.3 KB");
    title.font = QFont(QStringLiteral("DejaVu Sans Mono"), 12);
    title.addColor(NamedColor::Yellow, 0, 9);
    title.addColor(NamedColor::White, 9, 1);
    title.addColor(NamedColor::Green, 10, 7);
    const QImage picture = drawTitle(title, 24, 1.0, Qt::black);
    EXPECT_EQ(picture.height(), 24);
    EXPECT_GT(pixelsOf(picture, Qt::yellow, 0, 12), 5) << "upload row on top";
    EXPECT_EQ(pixelsOf(picture, Qt::yellow, 12, 24), 0);
    EXPECT_GT(pixelsOf(picture, Qt::green, 12, 24), 5) << "download row below";
    EXPECT_EQ(pixelsOf(picture, Qt::green, 0, 12), 0);
    EXPECT_LT(picture.width(), drawTitle(oneLine(), 24, 1.0, Qt::black).width())
        << "two rows need less width than one line of both";
}

TEST(TitlePicture, ShrinksALargeFontToTheHeight) {
    AttributedText title = oneLine();
    title.font = QFont(QStringLiteral("DejaVu Sans Mono"), 40);
    const QImage picture = drawTitle(title, 20, 1.0, Qt::black);
    EXPECT_EQ(picture.height(), 20);
    EXPECT_GT(pixelsOf(picture, Qt::blue, 0, 20), 10);
    EXPECT_LT(picture.width(), drawTitle(title, 60, 1.0, Qt::black).width());
}

TEST(TitlePicture, DenseScreensGetMorePixelsForTheSameSize) {
    const QImage normal = drawTitle(oneLine(), 22, 1.0, Qt::black);
    const QImage dense = drawTitle(oneLine(), 22, 2.0, Qt::black);
    EXPECT_EQ(dense.devicePixelRatio(), 2.0);
    EXPECT_EQ(dense.height(), 44);
    EXPECT_NEAR(dense.width(), 2 * normal.width(), 2);
    EXPECT_GT(pixelsOf(dense, Qt::blue, 0, 44), 3 * pixelsOf(normal, Qt::blue, 0, 22));
}

TEST(TitlePicture, OddRunsAndEmptyTitlesDrawWithoutHarm) {
    AttributedText title;
    title.addColor(NamedColor::Red, 5, 100);
    EXPECT_FALSE(drawTitle(title, 22, 1.0, Qt::black).isNull());
    title.text = QStringLiteral("1.0 KB");
    title.addColor(NamedColor::Blue, -3, 5);
    EXPECT_FALSE(drawTitle(title, 0, 1.0, Qt::black).isNull());
}

}  // namespace
}  // namespace ratelark
