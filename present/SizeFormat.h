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

}  // namespace ratelark
