#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstdint>

namespace ratelark {

// The number at the start of a text, after leading white space: an optional
// sign, digits with an optional fraction and exponent. Whatever follows is
// ignored; a text that does not start with a number gives 0.0. Always read
// with a full stop as decimal separator, whatever the locale.
double doubleValue(QByteArrayView text);
double doubleValue(const QString& text);

// The integer a text spells at its start ("12abc" gives 12, "abc" gives 0),
// saturating at the 64-bit limits.
std::int64_t integerValue(QByteArrayView text);

// printf's "%.1f", always with a full stop: the same text in every locale.
QString formatOneDecimal(double value);

}  // namespace ratelark
