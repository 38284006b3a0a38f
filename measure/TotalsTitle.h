#pragma once

#include <QString>

namespace ratelark {

inline constexpr char dataReceivedLabel[] = "Data Received:\t\t\t\t";
inline constexpr char dataSentLabel[] = "Data Sent:\t\t\t\t\t";

// A totals item's title, "%@%.1fM": the label, the total in MB with one
// decimal and a full stop whatever the locale, its sign kept, then "M".
QString totalTitle(const char* label, double total);

}  // namespace ratelark
