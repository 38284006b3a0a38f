#include "usage/UsageRecorder.h"

#include "platform/BootClock.h"
#include "platform/Log.h"

#include <QDateTime>

#include <algorithm>

namespace ratelark {

UsageBucket currentUsageBucket() { return bucketAt(QDateTime::currentDateTimeUtc(), QTimeZone::systemTimeZone()); }

UsageRecorder::UsageRecorder(const QString& path)
    : database_(path), ledger_(linkBytesPerSecond), boot_(currentBootId()) {}

void UsageRecorder::say(const std::vector<QString>& notes) {
    for (const QString& note : notes) nsLog(note);
}

void UsageRecorder::observe(const QStringList& counted, const NetworkInterfaces& interfaces) {
    // Without the boot's id a reading cannot be told from one of another
    // boot; nothing is recorded rather than something invented.
    if (boot_.isEmpty() || !interfaces.failure.isEmpty()) return;
    StoredReadings readings;
    const std::int64_t now = bootTimeNs();
    for (const counters::InterfaceCounters& each : interfaces.reading) {
        const QString name = QString::fromStdString(each.name);
        if (counted.contains(name))
            readings[name] = {boot_, each.counters[counters::BytesIn], each.counters[counters::BytesOut], now};
    }
    std::vector<QString> uncounted;
    for (const QString& name : interfaces.present)
        if (!counted.contains(name)) uncounted.push_back(name);
    std::vector<QString> notes;
    ledger_.observe(readings, uncounted, currentUsageBucket(), &notes);
    say(notes);
}

bool UsageRecorder::write(int* crossed) {
    if (!ledger_.hasReadings()) return false;
    QString why;
    std::vector<QString> notes;
    const UsageBucket now = currentUsageBucket();
    const bool written = database_.record(
        [&](const StoredReadings& stored) {
            UsageChange change = ledger_.recording(stored, now, &notes);
            change.allowance = watch_;
            return change;
        },
        &why, &notes, crossed);
    say(notes);
    if (written) {
        ledger_.written();
        if (!trouble_.isEmpty()) nsLog(QStringLiteral("The usage history is written again to %1").arg(database_.path()));
        trouble_.clear();
    } else if (why != QLatin1String("busy") && trouble_.isEmpty()) {
        // Other writers holding the file for a while is no trouble: the
        // next write catches up.
        nsLog(QStringLiteral("The usage history cannot be written to %1 (%2); RateLark keeps counting in memory and "
                             "tries again").arg(database_.path(), why));
        trouble_ = why;
    }
    return written;
}

RecentUsage UsageRecorder::recent() {
    if (!database_.isOpen()) {
        QString why;
        std::vector<QString> notes;
        database_.open(&why, &notes);
        say(notes);
    }
    const UsageBucket now = currentUsageBucket();
    const int monthStart = now.day / 100 * 100 + 1;
    RecentUsage result;
    const auto add = [&](int day, const QString& interface, const UsageAmount& amount) {
        if (day >= monthStart) result.thisMonth += amount;
        if (day == now.day) result.today += amount;
        if (watch_ && day >= watch_->fromDay && day < watch_->toDay
            && std::find(watch_->interfaces.begin(), watch_->interfaces.end(), interface) != watch_->interfaces.end())
            result.periodUsed += amount.received + amount.sent;
    };
    const int from = watch_ ? std::min(monthStart, watch_->fromDay) : monthStart;
    for (const UsageRow& row : database_.days(from, monthStart + 100))
        add(int(row.key), row.interface, {row.received, row.sent});
    std::vector<QString> ignored;
    for (const UsageIncrement& each : ledger_.recording(database_.readings(), now, &ignored).increments)
        add(each.day, each.interface, {each.received, each.sent});
    return result;
}

}  // namespace ratelark
