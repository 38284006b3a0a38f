#include "platform/TextNumbers.h"

#include "platform/EverySecond.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace ratelark {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

RATELARK_EVERY_SECOND
double doubleValue(QByteArrayView text) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p != end && isSpace(*p)) ++p;
    const char* start = p;
    if (p != end && (*p == '+' || *p == '-')) ++p;
    const char* digitsStart = p;
    while (p != end && isDigit(*p)) ++p;
    bool anyDigit = p != digitsStart;
    if (p != end && *p == '.') {
        const char* fraction = ++p;
        while (p != end && isDigit(*p)) ++p;
        anyDigit = anyDigit || p != fraction;
    }
    if (!anyDigit) return 0.0;
    if (p != end && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        if (q != end && (*q == '+' || *q == '-')) ++q;
        if (q != end && isDigit(*q)) {
            while (q != end && isDigit(*q)) ++q;
            p = q;
        }
    }
    // from_chars rejects a leading '+', so skip it.
    if (*start == '+') ++start;
    double value = 0.0;
    const auto result = std::from_chars(start, p, value);
    if (result.ec == std::errc::result_out_of_range) {
        // Beyond a double's range: a negative exponent underflows to zero,
        // anything else overflows to infinity, as strtod gives them.
        const char* exponent = std::find_if(start, p, [](char c) { return c == 'e' || c == 'E'; });
        if (exponent != p && exponent[1] == '-') return 0.0;
        const double big = std::numeric_limits<double>::infinity();
        return *start == '-' ? -big : big;
    }
    return value;
}

double doubleValue(const QString& text) { return doubleValue(QByteArrayView(text.toUtf8())); }

std::int64_t integerValue(QByteArrayView text) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p != end && isSpace(*p)) ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    std::int64_t value = 0;
    constexpr std::int64_t maxValue = std::numeric_limits<std::int64_t>::max();
    for (; p != end && isDigit(*p); ++p) {
        const int digit = *p - '0';
        if (value > (maxValue - digit) / 10) return negative ? std::numeric_limits<std::int64_t>::min() : maxValue;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

QString formatOneDecimal(double value) {
    char buffer[400];  // enough for the largest finite double with one decimal
    // to_chars formats as printf does in the C locale, whatever the user's locale.
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

}  // namespace ratelark
