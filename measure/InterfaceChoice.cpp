#include "measure/InterfaceChoice.h"

#include "platform/Log.h"

namespace ratelark {

namespace {

// More than any machine has; a longer list is garbage that would only make
// the sampler's command line and the pipelines' environment too long.
constexpr qsizetype kMostNames = 256;

}  // namespace

InterfaceChoice interfaceChoice(const QVariant& stored) {
    InterfaceChoice choice;
    QStringList names;
    if (stored.typeId() == QMetaType::QStringList) {
        names = stored.toStringList();
    } else if (stored.typeId() == QMetaType::QString) {
        if (!stored.toString().isEmpty()) names << stored.toString();
    } else if (stored.isValid()) {
        choice.problems << QStringLiteral("The setting \"interfaces\" holds no list of names; counting automatically");
        return choice;
    }
    for (const QString& name : names) {
        if (!isValidInterfaceName(name))
            choice.problems << QStringLiteral("Ignoring %1 in the setting \"interfaces\": not a valid interface name")
                                   .arg(quotedForLog(name));
        else if (choice.names.size() == kMostNames)
            choice.problems << QStringLiteral("Ignoring %1 in the setting \"interfaces\": more than %2 names")
                                   .arg(quotedForLog(name)).arg(kMostNames);
        else if (!choice.names.contains(name))
            choice.names << name;
    }
    return choice;
}

CountedInterfaces countedInterfaces(const InterfaceChoice& choice, const NetworkInterfaces& interfaces) {
    if (choice.names.isEmpty()) return {interfaces.automatic, {}, true};
    CountedInterfaces result{{}, {}, false};
    for (const QString& name : choice.names) (interfaces.present.contains(name) ? result.counted : result.absent) << name;
    return result;
}

QString countedLogLine(const CountedInterfaces& counted) {
    const QString names = counted.counted.isEmpty() ? QStringLiteral("none") : counted.counted.join(QStringLiteral(", "));
    return counted.automatic ? QStringLiteral("Counting the interfaces chosen automatically: %1").arg(names)
                             : QStringLiteral("Counting the interfaces chosen in the settings: %1").arg(names);
}

}  // namespace ratelark
