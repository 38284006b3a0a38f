#pragma once

#include <QString>

namespace ratelark {

// One space before the number: menus drawn by the desktop cut or widen an
// item whose label is padded with tabs.
inline constexpr char dataReceivedLabel[] = "Data Received: ";
inline constexpr char dataSentLabel[] = "Data Sent: ";

// A totals item's title, "%@%.1fM": the label, the total in MB with one
// decimal and a full stop whatever the locale, its sign kept, then "M".
QString totalTitle(const char* label, double total);

}  // namespace ratelark
