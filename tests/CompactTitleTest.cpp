#include "platform/TitlePicture.h"
#include "present/SizeFormat.h"
#include "present/TitleComposer.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <cmath>

namespace ratelark {
namespace {

constexpr double K = 1024.0;
constexpr double M = K * K;

TEST(CompactTitle, ShortestFormKeepsThreeFiguresAndTheUnit) {
    struct Row {
        double rate;
        bool bits;
        qint64 showType;
        const char* text;
    };
    const Row rows[] = {
        {0, false, showtype::automatic, "0"},        {51, false, showtype::automatic, "0"},
        {103, false, showtype::automatic, "0.1K"},   {9.94 * K, false, showtype::automatic, "9.9K"},
        {9.96 * K, false, showtype::automatic, "10K"}, {980 * K, false, showtype::automatic, "980K"},
        {999.4 * K, false, showtype::automatic, "999K"}, {999.6 * K, false, showtype::automatic, "1.0M"},
        {12.3 * M, false, showtype::automatic, "12M"}, {1.5 * K * M, false, showtype::automatic, "1.5G"},
        {12.3 * M, false, showtype::kilo, "12M"},     {300 * K, false, showtype::mega, "0.3M"},
        {30 * K, false, showtype::mega, "0"},         {150 * K, true, showtype::automatic, "1.2m"},
        {100, true, showtype::automatic, "0.8k"},     {1.5 * K * M, true, showtype::automatic, "12g"},
        {std::nan(""), false, showtype::automatic, "0"}, {12.3 * M, false, 7, "12M"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(formatCompactSize(row.rate, row.bits, row.showType), QLatin1String(row.text))
            << row.rate << (row.bits ? " bits, type " : " bytes, type ") << row.showType;
}

TEST(CompactTitle, StacksTheSpeedsInTheTitlesOrderAndColours) {
    using Runs = std::vector<ColorRun>;
    struct Row {
        TitleSwitches switches;
        bool dark;
        const char* text;
        Runs runs;
    };
    const QString down = QStringLiteral("12M");
    const QString up = QStringLiteral("980K");
    const Row rows[] = {
        {{}, false, "12M\n980K", {}},
        {{.colorIsRedBlue = true}, false, "12M\n980K",
         {{0, 3, NamedColor::Blue}, {3, 1, NamedColor::Black}, {4, 4, NamedColor::Red}}},
        {{.upAndDown = true, .colorIsRedBlue = true}, true, "980K\n12M",
         {{0, 4, NamedColor::Yellow}, {4, 1, NamedColor::White}, {5, 3, NamedColor::Green}}},
        {{.onlyShowDownload = true, .colorIsRedBlue = true}, true, "12M", {{0, 3, NamedColor::Green}}},
    };
    for (const Row& row : rows) {
        AttributedText title;
        title.compactRuns = {{0, 1, NamedColor::Red}};  // of an earlier update
        setCompactForm(title, down, up, row.switches, row.dark);
        EXPECT_EQ(title.compactText, QLatin1String(row.text));
        EXPECT_EQ(title.compactRuns, row.runs) << row.text;
    }
}

// How many pixels of picture, laid over background, differ from it by more
// than half the range of lightness.
int standOut(const QImage& picture, const QColor& background) {
    QImage laid(picture.size(), QImage::Format_RGB32);
    laid.fill(background);
    QPainter(&laid).drawImage(0, 0, picture);
    int count = 0;
    for (int y = 0; y < laid.height(); ++y)
        for (int x = 0; x < laid.width(); ++x)
            if (std::abs(laid.pixelColor(x, y).lightness() - background.lightness()) > 128) ++count;
    return count;
}

TEST(CompactTitle, PictureFillsItsExactSquareAndReadsOnDarkAndLight) {
    AttributedText widest;
    widest.font = QFont(QStringLiteral("DejaVu Sans Mono"), 40);
    widest.compactText = QStringLiteral("888M\n888M");
    for (const AttributedText& title : {widest, AttributedText()})
        for (const int size : {16, 22, 24, 32, 48})
            for (const qreal ratio : {1.0, 2.0}) {
                const QImage picture = drawCompactTitle(title, size, ratio);
                const int side = int(size * ratio);
                SCOPED_TRACE(testing::Message() << title.compactText.toStdString() << " at " << side);
                ASSERT_EQ(picture.size(), QSize(side, side));
                EXPECT_EQ(picture.devicePixelRatio(), ratio);
                // The text stands out on both a black and a white panel, a
                // good part of the square (the thin arrows less), and no
                // letter is cut: the light fill never reaches the edge.
                const int least = title.compactText.isEmpty() ? side / 2 : side * side / 12;
                EXPECT_GT(standOut(picture, Qt::black), least);
                EXPECT_GT(standOut(picture, Qt::white), least);
                for (int i = 0; i < side; ++i)
                    for (const QPoint edge : {QPoint(i, 0), QPoint(i, side - 1), QPoint(0, i), QPoint(side - 1, i)})
                        ASSERT_LT(picture.pixelColor(edge).lightness(), 128) << edge.x() << "," << edge.y();
            }
}

}  // namespace
}  // namespace ratelark
