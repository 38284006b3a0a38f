#pragma once

#include "platform/UsageDatabase.h"
#include "usage/UsageBuckets.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <utility>
#include <vector>

namespace ratelark {

// What one instance has seen of the counters and not yet written. Readings
// are taken more often than they are written; between writes the bytes wait
// here, filed under the hour and day they were seen in, so that a write
// every few minutes still files them in the right hour. When the stored
// readings are not the ones this instance last wrote (another instance
// recorded, or this one just started), its own waiting bytes are dropped and
// the difference from the stored readings is filed instead: every byte is
// then counted by exactly one writer.
class UsageLedger {
public:
    using LinkRate = std::function<std::uint64_t(const QString&)>;
    explicit UsageLedger(LinkRate linkRate) : linkRate_(std::move(linkRate)) {}

    // A reading of the counted interfaces, seen in bucket; uncounted: the
    // interfaces present but not counted, whose stored readings are to be
    // forgotten (counted again later, they start from a new baseline). A step
    // that is not plausible is left out with a line in *notes.
    void observe(const StoredReadings& counted, const std::vector<QString>& uncounted, const UsageBucket& bucket,
                 std::vector<QString>* notes);

    // The recording against the stored readings; what is not plausible is
    // left out with a line in *notes.
    UsageChange recording(const StoredReadings& stored, const UsageBucket& now, std::vector<QString>* notes) const;
    // The recording was committed.
    void written();

    bool hasReadings() const { return !last_.empty(); }

private:
    void add(const UsageBucket& bucket, const QString& interface, std::uint64_t received, std::uint64_t sent);

    LinkRate linkRate_;
    StoredReadings last_;     // the latest reading of each counted interface
    StoredReadings written_;  // what this instance last stored
    std::map<std::pair<UsageBucket, QString>, std::pair<std::uint64_t, std::uint64_t>> waiting_;
    std::set<QString> forget_;
};

}  // namespace ratelark
