#include "usage/UsageCommand.h"

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
    {
        SettingsStore settings(SettingsStore::defaultPath());
        const NetworkInterfaces interfaces = currentNetworkInterfaces();
        const InterfaceChoice choice = interfaceChoice(settings.valueForKey(keys::interfaces));
        recorder.observe(countedInterfaces(choice, interfaces).counted, interfaces);
    }
    recorder.write();
    QString why;
    std::vector<QString> notes;
    const bool opened = recorder.database().open(&why, &notes);
    for (const QString& note : notes) std::fprintf(stderr, "ratelark: %s\n", qPrintable(note));
    if (!opened) {
        std::fprintf(stderr, "ratelark: the usage history %s cannot be read: %s\n",
                     qPrintable(recorder.database().path()), qPrintable(why));
        return 1;
    }
    const UsageReport report =
        usageReport(recorder.database(), period, QDateTime::currentDateTimeUtc(), QTimeZone::systemTimeZone());
    if (!report.hasHistory && format != UsageFormat::Table)
        std::fputs("ratelark: no usage has been recorded yet\n", stderr);
    std::fputs(usageText(report, format).toUtf8().constData(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace ratelark
