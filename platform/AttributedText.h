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

struct AttributedText {
    QString text;
    std::optional<QFont> font;
    std::vector<ColorRun> runs;
    QString toolTip;  // the tool-tip attribute over the whole text
    // The two speeds in their shortest form, one a line, with colour runs
    // over compactText like runs over text; empty for a title without speeds.
    // Pictures too small for the whole title show this instead.
    QString compactText;
    std::vector<ColorRun> compactRuns;
    // The user asked for a steady width: surfaces that lay the text out
    // themselves keep it as wide as the widest so far.
    bool steadyWidth = false;

    qsizetype length() const { return text.size(); }
    void addColor(NamedColor color, qsizetype start, qsizetype length) { runs.push_back({start, length, color}); }
};

}  // namespace ratelark
