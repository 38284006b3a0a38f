#pragma once

#include "platform/NetworkInterfaces.h"
#include "platform/UsageDatabase.h"
#include "usage/UsageLedger.h"

#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <cstdint>

namespace ratelark {

struct UsageAmount {
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
    UsageAmount& operator+=(const UsageAmount& other) {
        received += other.received;
        sent += other.sent;
        return *this;
    }
};

// Today's and this month's use, as the menu and the tooltips show them, and
// the allowance period's, received and sent together, where one is watched.
struct RecentUsage {
    UsageAmount today;
    UsageAmount thisMonth;
    std::uint64_t periodUsed = 0;
};

// Takes the readings of the counted interfaces and records them in the usage
// history. Trouble with the file (a full disk, a folder that cannot be
// made) is said once, until a write succeeds again; meanwhile the bytes wait
// in memory and every write tries again.
class UsageRecorder {
public:
    explicit UsageRecorder(const QString& path);

    // Reads the counters of the counted interfaces from interfaces.
    void observe(const QStringList& counted, const NetworkInterfaces& interfaces);
    // The allowance whose crossings each write records; none: nothing is watched.
    void watchAllowance(std::optional<AllowanceWatch> watch) { watch_ = std::move(watch); }
    // Records what was read; false when it is still waiting. *crossed: the
    // share of the allowance this write reached first (80 or 100), else 0.
    bool write(int* crossed = nullptr);
    RecentUsage recent();
    UsageDatabase& database() { return database_; }

private:
    void say(const std::vector<QString>& notes);

    UsageDatabase database_;
    UsageLedger ledger_;
    QString boot_;
    std::optional<AllowanceWatch> watch_;
    QString trouble_;  // what the log last said went wrong; empty: nothing
};

// Where bytes seen now are filed, in the local time zone.
UsageBucket currentUsageBucket();

}  // namespace ratelark
