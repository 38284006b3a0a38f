#include "present/TitleComposer.h"

#include <gtest/gtest.h>

#include <vector>

namespace ratelark {
namespace {

using Runs = std::vector<ColorRun>;

constexpr auto Up = NamedColor::Red;
constexpr auto Down = NamedColor::Blue;
constexpr auto Sep = NamedColor::Black;

const QString D = QStringLiteral("12.3 KB");
const QString U = QStringLiteral("1.2 KB");

struct Example {
    const char* name;
    TitleSwitches switches;
    QString windowUp;
    QString windowDown;
    QString title;
    Runs runs;
};

TitleSwitches on(std::initializer_list<bool TitleSwitches::*> flags) {
    TitleSwitches switches;
    for (auto flag : flags) switches.*flag = true;
    return switches;
}

const QString kArrowUp = QStringLiteral("\u2191");
const QString kArrowDown = QStringLiteral("\u2193");

std::vector<Example> examples() {
    return {
        {"none", on({}), U, D, QStringLiteral("12.3 KB|1.2 KB"), {{0, 7, Down}, {7, 1, Sep}, {8, 6, Up}}},
        {"showArrow", on({&TitleSwitches::showArrow}), kArrowUp + U, kArrowDown + D,
         kArrowDown + D + QLatin1Char('|') + kArrowUp + U, {{0, 8, Down}, {8, 1, Sep}, {9, 7, Up}}},
        {"useFixedWith", on({&TitleSwitches::useFixedWith}), QStringLiteral("01.2 KB"), D,
         QStringLiteral("12.3 KB|01.2 KB"), {{0, 7, Down}, {7, 1, Sep}, {8, 7, Up}}},
        {"showArrow upAndDown", on({&TitleSwitches::showArrow, &TitleSwitches::upAndDown}), kArrowUp + U,
         kArrowDown + D, kArrowUp + U + QStringLiteral("   \n") + kArrowDown + D,
         {{0, 10, Up}, {10, 1, Sep}, {11, 8, Down}}},
        {"onlyShowDownload", on({&TitleSwitches::onlyShowDownload}), U, D, D, {{0, 7, Down}}},
        {"onlyShowDownload upAndDown", on({&TitleSwitches::onlyShowDownload, &TitleSwitches::upAndDown}), U, D, D,
         {{0, 7, Up}}},
    };
}

void PrintTo(const Example& example, std::ostream* out) { *out << example.name; }

class TitleExamples : public ::testing::TestWithParam<Example> {};

TEST_P(TitleExamples, GiveTheTextsAndColourRunsOfTheTable) {
    Example example = GetParam();
    example.switches.colorIsRedBlue = true;
    const QFont font(QStringLiteral("DejaVu Sans Mono"), 9);
    const ComposedTitle composed = composeTitle(D, U, 0, example.switches, font, false);
    EXPECT_EQ(composed.windowUp, example.windowUp);
    EXPECT_EQ(composed.windowDown, example.windowDown);
    EXPECT_EQ(composed.title.text, example.title);
    EXPECT_EQ(composed.title.runs, example.runs);
    ASSERT_TRUE(composed.title.font.has_value());
    EXPECT_EQ(*composed.title.font, font);
    EXPECT_EQ(composed.maxFixedWidth, 7);
    EXPECT_EQ(composed.title.toolTip, example.windowUp + QLatin1Char('\n') + example.windowDown);

    example.switches.colorIsRedBlue = false;
    const ComposedTitle plain = composeTitle(D, U, 0, example.switches, font, false);
    EXPECT_EQ(plain.title.text, example.title);
    EXPECT_TRUE(plain.title.runs.empty()) << "without colours the title carries only its font";
}

INSTANTIATE_TEST_SUITE_P(Table, TitleExamples, ::testing::ValuesIn(examples()),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (ch == ' ') ch = '_';
                             return name;
                         });

TEST(TitleComposer, DarkAppearanceSwapsEachRoleToItsDarkColour) {
    TitleSwitches switches = on({&TitleSwitches::colorIsRedBlue});
    EXPECT_EQ(composeTitle(D, U, 0, switches, QFont(), true).title.runs,
              (Runs{{0, 7, NamedColor::Green}, {7, 1, NamedColor::White}, {8, 6, NamedColor::Yellow}}));
    switches.upAndDown = true;
    EXPECT_EQ(composeTitle(D, U, 0, switches, QFont(), true).title.runs,
              (Runs{{0, 6 + 3, NamedColor::Yellow}, {9, 1, NamedColor::White}, {10, 7, NamedColor::Green}}));
    switches.onlyShowDownload = true;
    EXPECT_EQ(composeTitle(D, U, 0, switches, QFont(), true).title.runs, (Runs{{0, 7, NamedColor::Yellow}}));
    switches.upAndDown = false;
    EXPECT_EQ(composeTitle(D, U, 0, switches, QFont(), true).title.runs, (Runs{{0, 7, NamedColor::Green}}));
}

TEST(TitleComposer, WidthMarkCountsTheUnitAndNeverShrinks) {
    const TitleSwitches fixed = on({&TitleSwitches::useFixedWith});
    ComposedTitle first = composeTitle(QStringLiteral("1000.0 KB"), QStringLiteral("1.0 KB"), 0, fixed, QFont(), false);
    EXPECT_EQ(first.maxFixedWidth, 9);
    EXPECT_EQ(first.windowDown, QStringLiteral("1000.0 KB"));
    EXPECT_EQ(first.windowUp, QStringLiteral("0001.0 KB"));

    // A later update of shorter texts keeps the width, in both directions.
    ComposedTitle later = composeTitle(QStringLiteral("1.5 KB"), QStringLiteral("12.0 KB"), 8, fixed, QFont(), false);
    EXPECT_EQ(later.maxFixedWidth, 8);
    EXPECT_EQ(later.windowDown, QStringLiteral("001.5 KB"));
    EXPECT_EQ(later.windowUp, QStringLiteral("012.0 KB"));

    // The mark grows also while the fixed width is off, and the texts stay as they are.
    ComposedTitle loose = composeTitle(QStringLiteral("1.5 KB"), QStringLiteral("1024.0 MB"), 8, {}, QFont(), false);
    EXPECT_EQ(loose.maxFixedWidth, 9);
    EXPECT_EQ(loose.windowDown, QStringLiteral("1.5 KB"));
}

TEST(TitleComposer, FixedWidthPadsTheNumberBeforeTheUnitGoes) {
    TitleSwitches switches = on({&TitleSwitches::useFixedWith});
    switches.showKBMBGB = false;
    const ComposedTitle composed = composeTitle(QStringLiteral("1.2 KB"), QStringLiteral("12.3 KB"), 8, switches,
                                                QFont(), false);
    EXPECT_EQ(composed.windowDown, QStringLiteral("001.2"));
    EXPECT_EQ(composed.windowUp, QStringLiteral("012.3"));
    EXPECT_EQ(composed.title.text, QStringLiteral("001.2|012.3"));
}

TEST(TitleComposer, UnitRemovalLeavesTheBareNumbers) {
    TitleSwitches switches = on({&TitleSwitches::showArrow, &TitleSwitches::colorIsRedBlue});
    switches.showKBMBGB = false;
    const ComposedTitle composed = composeTitle(D, U, 0, switches, QFont(), false);
    EXPECT_EQ(composed.windowDown, kArrowDown + QStringLiteral("12.3"));
    EXPECT_EQ(composed.windowUp, kArrowUp + QStringLiteral("1.2"));
    EXPECT_EQ(composed.title.runs, (Runs{{0, 5, Down}, {5, 1, Sep}, {6, 4, Up}}));
}

TEST(TitleComposer, TextsTooShortForAUnitAreLeftWhole) {
    TitleSwitches switches;
    switches.showKBMBGB = false;
    // What a display type outside 0..2 gives: the suffix alone.
    const ComposedTitle composed = composeTitle(QStringLiteral("B"), QStringLiteral("b"), 0, switches, QFont(), false);
    EXPECT_EQ(composed.title.text, QStringLiteral("B|b"));
    EXPECT_EQ(composeTitle(QStringLiteral("KB"), QStringLiteral(" KB"), 0, switches, QFont(), false).title.text,
              QStringLiteral("KB|"));
}

TEST(TitleComposer, LineFillOnlyForAShorterUploadText) {
    const TitleSwitches twoLines = on({&TitleSwitches::upAndDown});
    // Download two characters longer: six spaces after the upload text.
    EXPECT_EQ(composeTitle(QStringLiteral("100.0 KB"), U, 0, twoLines, QFont(), false).title.text,
              QStringLiteral("1.2 KB      \n100.0 KB"));
    // Upload longer: neither text changes.
    const ComposedTitle longer = composeTitle(U, D, 0, twoLines, QFont(), false);
    EXPECT_EQ(longer.title.text, D + QLatin1Char('\n') + U);
    // Fixed width makes both texts equally long: nothing to fill.
    TitleSwitches fixed = twoLines;
    fixed.useFixedWith = true;
    EXPECT_EQ(composeTitle(D, U, 0, fixed, QFont(), false).title.text, QStringLiteral("01.2 KB\n12.3 KB"));
}

TEST(TitleComposer, WindowTextsNeverCarryFillOrSeparator) {
    TitleSwitches switches = on({&TitleSwitches::upAndDown, &TitleSwitches::colorIsRedBlue});
    const ComposedTitle composed = composeTitle(D, U, 0, switches, QFont(), false);
    EXPECT_EQ(composed.windowUp, U);
    EXPECT_EQ(composed.windowDown, D);
    EXPECT_EQ(composed.title.text, U + QStringLiteral("   \n") + D);
    EXPECT_EQ(composed.title.runs, (Runs{{0, 9, Up}, {9, 1, Sep}, {10, 7, Down}}));
}

TEST(TitleComposer, RunsCoverTheWholeTitleWithoutGaps) {
    for (int mask = 0; mask < 32; ++mask) {
        TitleSwitches switches;
        switches.colorIsRedBlue = true;
        switches.useFixedWith = mask & 1;
        switches.showKBMBGB = !(mask & 2);
        switches.showArrow = mask & 4;
        switches.upAndDown = mask & 8;
        switches.onlyShowDownload = mask & 16;
        const ComposedTitle composed = composeTitle(QStringLiteral("999.9 MB"), QStringLiteral("0.0 KB"), 3, switches,
                                                    QFont(), mask % 2 == 0);
        qsizetype covered = 0;
        for (const ColorRun& run : composed.title.runs) {
            EXPECT_EQ(run.start, covered) << "switches " << mask;
            covered += run.length;
        }
        EXPECT_EQ(covered, composed.title.length()) << "switches " << mask;
        EXPECT_FALSE(composed.title.text.isEmpty());
    }
}

struct StyleRow {
    QVariant style;
    bool dark;
};

TEST(InterfaceStyle, DarkOnlyForTheTextDarkInAnyCase) {
    const StyleRow rows[] = {
        {QVariant(QStringLiteral("Dark")), true},   {QVariant(QStringLiteral("dark")), true},
        {QVariant(QStringLiteral("DARK")), true},   {QVariant(QStringLiteral("dArK")), true},
        {QVariant(QStringLiteral("Light")), false}, {QVariant(QStringLiteral("Dark ")), false},
        {QVariant(QStringLiteral("")), false},      {QVariant(), false},
        {QVariant(1), false},                       {QVariant(QByteArray("Dark")), false},
        {QVariant(QStringList{QStringLiteral("Dark")}), false},
    };
    for (const StyleRow& row : rows)
        EXPECT_EQ(isDarkInterfaceStyle(row.style), row.dark) << row.style.toString().toStdString();
}

}  // namespace
}  // namespace ratelark
