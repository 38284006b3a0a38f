#include "usage/UsageCommand.h"

#include "usage/DataAllowance.h"

#include "app/PreferenceKeys.h"
#include "measure/InterfaceChoice.h"
#include "platform/SettingsStore.h"
#include "usage/UsageRecorder.h"
#include "usage/UsageReport.h"
#include "usage/UsageText.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>

namespace ratelark {

int runUsageCommand(int argc, char** argv, UsagePeriod period, UsageFormat format) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ratelark"));
    UsageRecorder recorder(UsageDatabase::defaultPath());
    std::optional<AllowanceReport> allowance;
    std::optional<AllowanceWatch> watch;
    {
        SettingsStore settings(SettingsStore::defaultPath());
        const NetworkInterfaces interfaces = currentNetworkInterfaces();
        const InterfaceChoice choice = interfaceChoice(settings.valueForKey(keys::interfaces));
        const QStringList counted = countedInterfaces(choice, interfaces).counted;
        recorder.observe(counted, interfaces);
        QString problem;
        const DataAllowance watched = storedAllowance(settings, &problem);
        if (!problem.isEmpty()) std::fprintf(stderr, "ratelark: %s\n", qPrintable(problem));
        if (watched.isOn()) {
            const AllowancePeriod period = allowancePeriod(QDate::currentDate(), watched.startDay);
            watch = allowanceWatch(watched, period, counted);
            allowance = AllowanceReport{watched.bytes, 0, period.start, period.end};
        }
    }
    // Written with no allowance watched: a crossing is for a running
    // instance to record, as it is the one that can tell the user.
    recorder.write();
    recorder.watchAllowance(watch);
    QString why;
    std::vector<QString> notes;
    const bool opened = recorder.database().open(&why, &notes);
    for (const QString& note : notes) std::fprintf(stderr, "ratelark: %s\n", qPrintable(note));
    if (!opened) {
        std::fprintf(stderr, "ratelark: the usage history %s cannot be read: %s\n",
                     qPrintable(recorder.database().path()), qPrintable(why));
        return 1;
    }
    UsageReport report =
        usageReport(recorder.database(), period, QDateTime::currentDateTimeUtc(), QTimeZone::systemTimeZone());
    if (allowance) allowance->used = recorder.recent().periodUsed;
    report.allowance = allowance;
    if (!report.hasHistory && format != UsageFormat::Table)
        std::fputs("ratelark: no usage has been recorded yet\n", stderr);
    std::fputs(usageText(report, format).toUtf8().constData(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace ratelark
