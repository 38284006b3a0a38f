#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "platform/Log.h"
#include "usage/UsageText.h"

#include <QDateTime>
#include <QLocale>

namespace ratelark {

std::optional<AllowanceWatch> AppController::followAllowance() {
    QString problem;
    allowance_ = storedAllowance(standardUserDefaults(), &problem);
    // Read at every write: a problem that still holds was said before.
    if (!problem.isEmpty() && problem != allowanceProblem_) nsLog(problem);
    allowanceProblem_ = problem;
    if (!allowance_.isOn()) return std::nullopt;
    return allowanceWatch(allowance_, allowancePeriod(QDate::currentDate(), allowance_.startDay), usageCounted_);
}

bool AppController::writeUsage() {
    usageRecorder_->watchAllowance(followAllowance());
    int crossed = 0;
    if (!usageRecorder_->write(&crossed)) return false;
    if (crossed == 0 || !allowance_.isOn()) return true;
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
    return true;
}

}  // namespace ratelark
