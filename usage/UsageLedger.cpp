#include "usage/UsageLedger.h"

#include "usage/UsageDelta.h"

namespace ratelark {

void UsageLedger::add(const UsageBucket& bucket, const QString& interface, std::uint64_t received, std::uint64_t sent) {
    if (received == 0 && sent == 0) return;
    auto& amounts = waiting_[{bucket, interface}];
    amounts.first += received;
    amounts.second += sent;
}

void UsageLedger::observe(const StoredReadings& counted, const std::vector<QString>& uncounted,
                          const UsageBucket& bucket, std::vector<QString>* notes) {
    for (const QString& name : uncounted) {
        if (last_.erase(name) + written_.erase(name) > 0) forget_.insert(name);
        std::erase_if(waiting_, [&](const auto& entry) { return entry.first.second == name; });
    }
    for (const auto& [name, now] : counted) {
        forget_.erase(name);
        const auto before = last_.find(name);
        if (before != last_.end()) {
            const CounterDelta delta = counterDelta(before->second, now, linkRate_(name));
            if (!delta.plausible) notes->push_back(implausibleDeltaLine(name, before->second, now));
            add(bucket, name, delta.received, delta.sent);
        }
        last_[name] = now;
    }
}

UsageChange UsageLedger::recording(const StoredReadings& stored, const UsageBucket& now,
                                   std::vector<QString>* notes) const {
    UsageChange change;
    change.store = last_;
    change.forget.assign(forget_.begin(), forget_.end());
    for (const auto& [name, reading] : last_) {
        const auto storedReading = stored.find(name);
        const auto mine = written_.find(name);
        const bool ownsTheStoredReading = storedReading == stored.end()
                                          || (mine != written_.end() && mine->second == storedReading->second);
        if (ownsTheStoredReading) {
            for (const auto& [key, amounts] : waiting_)
                if (key.second == name)
                    change.increments.push_back({key.first.hourStart, key.first.day, name, amounts.first, amounts.second});
            continue;
        }
        const CounterDelta delta = counterDelta(storedReading->second, reading, linkRate_(name));
        if (!delta.plausible) notes->push_back(implausibleDeltaLine(name, storedReading->second, reading));
        if (delta.received > 0 || delta.sent > 0)
            change.increments.push_back({now.hourStart, now.day, name, delta.received, delta.sent});
    }
    return change;
}

void UsageLedger::written() {
    written_ = last_;
    waiting_.clear();
    forget_.clear();
}

}  // namespace ratelark
