#include "counters/NetDevCounters.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace ratelark::counters {

namespace {

// The fields /proc/net/dev gives each interface: eight received, eight sent.
constexpr std::size_t kFieldCount = 16;
// Where each output column comes from among them.
constexpr std::array<std::size_t, ColumnCount> kFieldOfColumn = {1, 2, 0, 9, 10, 8, 13};

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The counters after an interface's colon, or false when the line does not
// hold at least kFieldCount unsigned decimal numbers that fit in 64 bits.
bool parseFields(std::string_view text, Counters& counters) {
    std::array<std::uint64_t, kFieldCount> fields{};
    const char* p = text.data();
    const char* const end = p + text.size();
    for (std::uint64_t& field : fields) {
        while (p != end && isBlank(*p)) ++p;
        const auto [next, error] = std::from_chars(p, end, field);
        if (error != std::errc() || (next != end && !isBlank(*next))) return false;
        p = next;
    }
    for (std::size_t column = 0; column < ColumnCount; ++column) counters[column] = fields[kFieldOfColumn[column]];
    return true;
}

std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b) { return b > kMax - a ? kMax : a + b; }

bool byName(const InterfaceCounters& a, const InterfaceCounters& b) { return a.name < b.name; }

}  // namespace

Reading parseNetDev(std::string_view text) {
    Reading reading;
    while (!text.empty()) {
        const std::size_t lineEnd = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, lineEnd);
        text.remove_prefix(std::min(lineEnd + 1, text.size()));

        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view name = trimmed(line.substr(0, colon));
        if (name.empty()) continue;
        InterfaceCounters entry;
        if (!parseFields(line.substr(colon + 1), entry.counters)) continue;
        entry.name = name;
        reading.push_back(std::move(entry));
    }
    std::stable_sort(reading.begin(), reading.end(), byName);
    const auto duplicates = std::unique(reading.begin(), reading.end(),
                                        [](const InterfaceCounters& a, const InterfaceCounters& b) { return a.name == b.name; });
    reading.erase(duplicates, reading.end());
    return reading;
}

std::vector<std::string> namesOf(const Reading& reading) {
    std::vector<std::string> names;
    names.reserve(reading.size());
    for (const InterfaceCounters& interface : reading) names.push_back(interface.name);
    return names;
}

Counters sumIncreases(const Reading& previous, const Reading& current, const std::vector<std::string>& counted) {
    Counters sum{};
    for (const InterfaceCounters& now : current) {
        if (!std::binary_search(counted.begin(), counted.end(), now.name)) continue;
        const auto before = std::lower_bound(previous.begin(), previous.end(), now, byName);
        if (before == previous.end() || before->name != now.name) continue;
        for (std::size_t column = 0; column < ColumnCount; ++column) {
            const std::uint64_t was = before->counters[column];
            const std::uint64_t is = now.counters[column];
            if (is > was) sum[column] = saturatingAdd(sum[column], is - was);
        }
    }
    return sum;
}

Counters scaleToInterval(const Counters& counters, std::int64_t elapsedNs, std::int64_t intervalNs) {
    if (elapsedNs <= 0 || elapsedNs == intervalNs) return counters;
    const long double factor = static_cast<long double>(intervalNs) / static_cast<long double>(elapsedNs);
    // 2^64 as a long double: every scaled value below it fits the counter.
    const long double limit = std::ldexp(1.0L, 64);
    Counters scaled{};
    for (std::size_t column = 0; column < ColumnCount; ++column) {
        const long double value = std::round(static_cast<long double>(counters[column]) * factor);
        scaled[column] = value < limit ? static_cast<std::uint64_t>(value) : kMax;
    }
    return scaled;
}

std::string formatLine(const Counters& counters) {
    std::string line;
    char number[24];
    for (const std::uint64_t value : counters) {
        const auto end = std::to_chars(number, number + sizeof number, value).ptr;
        // Right-aligned in columns like netstat's own, always at least one blank apart.
        const std::size_t width = static_cast<std::size_t>(end - number);
        line.append(width < 10 ? 11 - width : 1, ' ');
        line.append(number, end);
    }
    line.push_back('\n');
    return line;
}

std::int64_t parseIntervalNs(std::string_view text) {
    constexpr double kShortest = 0.01;
    constexpr double kLongest = 86400.0;
    double seconds = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size()) return 0;
    if (!(seconds >= kShortest && seconds <= kLongest)) return 0;
    return std::llround(seconds * 1e9);
}

}  // namespace ratelark::counters
