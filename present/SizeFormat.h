#pragma once

#include <QString>

namespace ratelark {

// The display types: how the unit of a speed text is chosen.
namespace showtype {
inline constexpr qint64 automatic = 0;  // K, M or G by size
inline constexpr qint64 kilo = 1;       // always K
inline constexpr qint64 mega = 2;       // always M
}  // namespace showtype

// A rate in bytes per second as the short text the title and the speed window
// show: one decimal, a space, K, M or G (powers of 1024) and "B", or "b" when
// shown in bits. A display type outside 0..2 gives the suffix alone. The
// number is formatted the same way in every locale.
QString formatSizeText(double bytesPerSecond, bool bitsPerSecond, qint64 showType);

// The longest text formatSizeText gives with these settings for rates up to
// 10 Gbit/s: the rate just below each step to a larger unit, or the top rate.
QString widestSizeText(bool bitsPerSecond, qint64 showType);

// The same rate in at most four characters, for a picture of 16 to 48 pixels:
// three significant figures at most ("9.8", "98", "980") and the unit letter,
// K, M or G in bytes, k, m or g in bits; "0" for a rate that would show as
// 0.0. The unit is the smallest that keeps the number below 1000, starting
// at M when the display type is always M (always K is automatic here, as a
// fixed K could need seven digits). With figures 2 the number stays below
// 100 ("0.3M" for 300K), for pictures too narrow for three figures.
QString formatCompactSize(double bytesPerSecond, bool bitsPerSecond, qint64 showType, int figures = 3);

}  // namespace ratelark
