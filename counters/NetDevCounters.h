#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ratelark::counters {

// The counters the sampler reports, in the order of its output columns.
enum Column : std::size_t { PacketsIn, ErrsIn, BytesIn, PacketsOut, ErrsOut, BytesOut, Colls, ColumnCount };
using Counters = std::array<std::uint64_t, ColumnCount>;

struct InterfaceCounters {
    std::string name;
    Counters counters{};
};

// One reading of every interface, sorted by name, each name once.
using Reading = std::vector<InterfaceCounters>;

// Parses the text of /proc/net/dev. Each line is split at its first colon:
// a long interface name runs straight into the colon with no blank before it,
// so splitting on blanks would misread it. Lines without a colon (the two
// headings) and lines with fewer counters than the kernel writes are skipped.
Reading parseNetDev(std::string_view text);

// The names of a reading's interfaces, in its order.
std::vector<std::string> namesOf(const Reading& reading);

// How much each counter grew from previous to current, summed over the
// counted interfaces (names sorted) present in both. An interface in only one
// of them adds nothing; a counter that went backwards (a reset, a re-created
// interface) adds 0. Sums stop at the largest value rather than wrapping.
Counters sumIncreases(const Reading& previous, const Reading& current, const std::vector<std::string>& counted);

// counters, measured over elapsedNs, as the amounts of exactly one interval
// of intervalNs, rounded to the nearest whole number.
Counters scaleToInterval(const Counters& counters, std::int64_t elapsedNs, std::int64_t intervalNs);

// The output line: the counters as decimal integers separated by runs of
// spaces, ending in a line break.
std::string formatLine(const Counters& counters);

// An interval in seconds as the command line gives it: a positive decimal
// number ("1", "0.5") of at most a day. Returns 0 when the text is not one.
std::int64_t parseIntervalNs(std::string_view text);

}  // namespace ratelark::counters
