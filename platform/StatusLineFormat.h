#pragma once

#include "platform/AttributedText.h"

#include <QByteArray>

#include <optional>
#include <vector>

namespace ratelark {

// How a status title is written as one line of a status line.
enum class StatusLineStyle {
    Text,     // the title for people and simple bars: a two-line title's rows joined by a space
    Json,     // one object with the exact title and its colour runs, for scripts
    Waybar,   // one object of waybar's custom modules, the text in Pango markup
    Polybar,  // the text with polybar's colour tags
    Pango,    // the text in Pango markup (i3blocks, and any bar that reads Pango)
};

// Writes the titles of one status line. Json gives
// {"class":"ratelark","runs":[{"color":…,"length":…,"start":…}],"text":…,"tooltip":…}
// where text is the exact title, tooltip its tool-tip and runs its colour
// runs, counted in characters as the title counts them.
//
// The bar styles (Waybar, Polybar, Pango) give the title on one line, a
// two-line title's rows joined by a space without the upper row's fill, with
// its colours in the bar's markup, in shades chosen for a bar, and every
// character of the title escaped so that no title can break the markup. A
// title with a steady width keeps the width of the widest bar text so far,
// padded in front with figure spaces (as wide as a digit).
class StatusLineFormatter {
public:
    explicit StatusLineFormatter(StatusLineStyle style) : style_(style) {}

    // The title as one line, ending in a line break.
    QByteArray line(const AttributedText& title);

private:
    QByteArray barText(const AttributedText& title);

    // What of a title its line shows.
    struct Shown {
        QString text;
        std::vector<ColorRun> runs;
        QString toolTip;
        TitleAlert alert = TitleAlert::None;
        bool steadyWidth = false;
        bool isShownBy(const AttributedText& title) const;
    };

    StatusLineStyle style_;
    qsizetype widest_ = 0;  // of the bar texts so far, in characters
    // The last line and what it shows: an idle link gives the same title
    // second after second, and its line need not be built again.
    std::optional<Shown> lastShown_;
    QByteArray lastLine_;
};

// A title's text on one line: a two-line title's rows joined by one space,
// without the trailing spaces that line the rows up.
QString titleOnOneLine(const QString& text);

}  // namespace ratelark
