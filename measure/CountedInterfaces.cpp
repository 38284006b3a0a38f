#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "platform/Log.h"

namespace ratelark {

InterfaceChoice AppController::followInterfaces() {
    const InterfaceChoice choice = interfaceChoice(standardUserDefaults().valueForKey(keys::interfaces));
    const NetworkInterfaces interfaces = currentNetworkInterfaces();
    const CountedInterfaces counted = countedInterfaces(choice, interfaces);
    QStringList lines = choice.problems;
    lines << countedLogLine(counted);
    for (const QString& name : counted.absent)
        lines << QStringLiteral("The chosen interface %1 does not exist now; it counts 0").arg(quotedForLog(name));
    // Read at every sampler start: a line that still holds was said before.
    for (const QString& line : lines)
        if (!interfaceLogLines_.contains(line)) nsLog(line);
    interfaceLogLines_ = lines;
    showCountedInterfaces(choice, interfaces, counted);
    observeUsage(counted, interfaces);
    return choice;
}

}  // namespace ratelark
