#pragma once

#include "platform/AttributedText.h"

#include <QByteArray>

namespace ratelark {

// How a status title is written as one line of a status line.
enum class StatusLineStyle {
    Text,  // the title for people and simple bars: a two-line title's rows joined by a space
    Json,  // one object in the format of waybar's custom modules
};

// The title as one line, ending in a line break. Json gives
// {"class":"ratelark","runs":[{"color":…,"length":…,"start":…}],"text":…,"tooltip":…}
// where text is the exact title, tooltip its tool-tip and runs its colour
// runs, counted in characters as the title counts them.
QByteArray statusLine(const AttributedText& title, StatusLineStyle style);

// A title's text on one line: a two-line title's rows joined by one space,
// without the trailing spaces that line the rows up.
QString titleOnOneLine(const QString& text);

}  // namespace ratelark
