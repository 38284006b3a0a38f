#pragma once

#include <QFont>
#include <QString>

#include <optional>
#include <vector>

namespace ratelark {

// The named colours a status title can carry.
enum class NamedColor { Red, Blue, Black, Yellow, Green, White };

const char* colorName(NamedColor color);

// A text with one font over its whole length and colour runs given by start
// and length in characters (UTF-16 code units; every character the title
// uses is one unit).
struct ColorRun {
    qsizetype start = 0;
    qsizetype length = 0;
    NamedColor color = NamedColor::Black;
    bool operator==(const ColorRun&) const = default;
};

// How urgently a title asks to be looked at: a data allowance nearly or
// wholly used.
enum class TitleAlert { None, Warning, Critical };

struct AttributedText {
    QString text;
    std::optional<QFont> font;
    std::vector<ColorRun> runs;
    QString toolTip;  // the tool-tip attribute over the whole text
    // The title as wide as the widest one the same settings can give, for
    // surfaces that keep room for the title (empty: the text itself);
    // steadyWidth: the user asked for a steady width, so surfaces that lay
    // the text out themselves keep that room (or the widest so far) at every
    // update.
    QString widest;
    bool steadyWidth = false;
    // The two speeds in their shortest form, one a line, with colour runs
    // over compactText like runs over text; empty for a title without speeds.
    // Pictures too small for the whole title show this instead.
    QString compactText;
    std::vector<ColorRun> compactRuns;
    // The same speeds with at most two figures before the unit, for
    // pictures too narrow for compactText's three.
    QString compactNarrowText;
    std::vector<ColorRun> compactNarrowRuns;
    TitleAlert alert = TitleAlert::None;

    qsizetype length() const { return text.size(); }
    void addColor(NamedColor color, qsizetype start, qsizetype length) { runs.push_back({start, length, color}); }
};

}  // namespace ratelark
