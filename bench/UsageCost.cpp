// ratelark-bench usage DIR: what the usage history costs. Fills a history
// with a year of hourly rows for three interfaces, reports the file's size,
// then the CPU time of an hour's work on it: 120 readings, each with the
// menu's figures, and 12 writes.
#include "bench/Commands.h"
#include "platform/NetworkInterfaces.h"
#include "usage/UsageRecorder.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

#include <sys/resource.h>

namespace ratelark::bench {

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int usageCommand(int argc, char** argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: ratelark-bench usage DIR\n");
        return 2;
    }
    int qtArgc = 1;
    char name[] = "ratelark-bench";
    char* qtArgv[] = {name, nullptr};
    QCoreApplication application(qtArgc, qtArgv);
    const QString path = QString::fromLocal8Bit(argv[0]) + QStringLiteral("/usage.sqlite");
    const QStringList names{QStringLiteral("eth0"), QStringLiteral("wlan0"), QStringLiteral("wwan0")};
    {
        UsageDatabase database(path);
        UsageLedger ledger([](const QString&) { return std::uint64_t{0}; });
        QString why;
        std::vector<QString> notes;
        const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-365);
        for (int hour = 0; hour <= 365 * 24; ++hour) {
            StoredReadings readings;
            for (const QString& each : names)
                readings[each] = {QStringLiteral("boot"), std::uint64_t(hour) * 123456789, std::uint64_t(hour) * 1234567,
                                  std::int64_t(hour) * 3600'000'000'000};
            ledger.observe(readings, {}, bucketAt(start.addSecs(hour * 3600), QTimeZone::systemTimeZone()), &notes);
            if (!database.record([&](const StoredReadings& stored) { return ledger.recording(stored, {}, &notes); },
                                 &why, &notes)) {
                std::fprintf(stderr, "bench: cannot record: %s\n", qPrintable(why));
                return 1;
            }
            ledger.written();
        }
    }
    std::printf("year_of_hours_bytes=%lld\n", static_cast<long long>(QFileInfo(path).size()));

    UsageRecorder recorder(path);
    const double before = cpuSeconds();
    for (int reading = 0; reading < 120; ++reading) {
        const NetworkInterfaces interfaces = currentNetworkInterfaces();
        recorder.observe(interfaces.automatic, interfaces);
        if (reading % 10 == 0) recorder.write();
        recorder.recent();
    }
    std::printf("cpu_seconds_per_hour=%.4f\n", cpuSeconds() - before);
    return 0;
}

}  // namespace ratelark::bench
