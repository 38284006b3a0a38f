#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "platform/Log.h"

namespace ratelark {

InterfacesNow AppController::interfacesNow() {
    InterfacesNow now;
    now.choice = interfaceChoice(standardUserDefaults().valueForKey(keys::interfaces));
    now.interfaces = currentNetworkInterfaces();
    now.counted = countedInterfaces(now.choice, now.interfaces);
    return now;
}

InterfaceChoice AppController::followInterfaces(bool windowOpening) {
    const InterfacesNow now = interfacesNow();
    const CountedInterfaces& counted = now.counted;
    QStringList lines = now.choice.problems;
    lines << countedLogLine(counted);
    for (const QString& name : counted.absent)
        lines << QStringLiteral("The chosen interface %1 does not exist now; it counts 0").arg(quotedForLog(name));
    // Read at every sampler start: a line that still holds was said before.
    for (const QString& line : lines)
        if (!interfaceLogLines_.contains(line)) nsLog(line);
    interfaceLogLines_ = lines;
    // A hidden window's list is filled as it opens: kept current at every
    // sampler restart, it was close to half of each restart's instructions.
    if (window() && (windowOpening || window()->isVisible())) showCountedInterfaces(now);
    observeUsage(counted, now.interfaces);
    return now.choice;
}

}  // namespace ratelark
