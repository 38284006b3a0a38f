#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "platform/Log.h"
#include "usage/UsageText.h"

#include <QDateTime>
#include <QLocale>

namespace ratelark {

std::optional<AllowanceWatch> AppController::followAllowance() {
    SettingsStore& settings = standardUserDefaults();
    QString problem;
    allowance_ = dataAllowance(settings.valueForKey(keys::dataAllowance), settings.valueForKey(keys::dataAllowanceDay),
                               settings.valueForKey(keys::dataAllowanceInterfaces), &problem);
    // Read at every write: a problem that still holds was said before.
    if (!problem.isEmpty() && problem != allowanceProblem_) nsLog(problem);
    allowanceProblem_ = problem;
    if (!allowance_.isOn()) return std::nullopt;
    const AllowancePeriod period = allowancePeriod(QDate::currentDate(), allowance_.startDay);
    const QStringList names = allowance_.interfaces.isEmpty() ? usageCounted_ : allowance_.interfaces;
    return AllowanceWatch{dayKey(period.start), dayKey(period.end), {names.begin(), names.end()}, allowance_.bytes};
}

void AppController::writeUsage() {
    usageRecorder_->watchAllowance(followAllowance());
    int crossed = 0;
    if (!usageRecorder_->write(&crossed) || crossed == 0 || !allowance_.isOn()) return;
    // Only the writer that recorded the crossing gets here, once a period.
    const AllowancePeriod period = allowancePeriod(QDate::currentDate(), allowance_.startDay);
    const QString resets = QLocale::c().toString(period.end, QStringLiteral("d MMMM"));
    const QString summary = crossed >= 100 ? QStringLiteral("Data allowance used up")
                                           : QStringLiteral("80 % of the data allowance used");
    const QString body = QStringLiteral("%1 of this period's %2 are used; it resets on %3.")
                             .arg(formatVolume(usageRecorder_->recent().periodUsed), formatVolume(allowance_.bytes),
                                  resets);
    if (services_.notifier)
        services_.notifier->notify(summary, body);
    else
        nsLog(summary + QStringLiteral(": ") + body);
}

}  // namespace ratelark
