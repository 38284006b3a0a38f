#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "platform/InterfaceChoiceBox.h"
#include "platform/Log.h"

namespace ratelark {

void AppController::clickInterfaces(QObject* sender) {
    const auto* box = qobject_cast<const InterfaceChoiceBox*>(sender);
    if (!box) {
        nsLog(QStringLiteral("The interfaces command came from no choice of interfaces; nothing stored"));
        return;
    }
    // One name reads back as a text, so the automatic choice is stored as
    // an empty text rather than an empty list.
    const QStringList chosen = box->chosen();
    standardUserDefaults().setObject(chosen.isEmpty() ? QVariant(QString()) : QVariant(chosen), keys::interfaces);
    standardUserDefaults().synchronize();
    // What is counted is the speed itself: a new sampler counts the new set
    // from its first line, rather than the old one until the next restart.
    onTimerStartStopTask();
}

void AppController::showCountedInterfaces(const InterfacesNow& now) {
    const InterfaceChoice& choice = now.choice;
    const CountedInterfaces& counted = now.counted;
    // The loopback is offered only when chosen: it carries nothing off the machine.
    QStringList listed = now.interfaces.present;
    listed.removeAll(QStringLiteral("lo"));
    for (const QString& name : choice.names)
        if (!listed.contains(name)) listed << name;
    QString summary = QStringLiteral("Counted now: %1")
                          .arg(counted.counted.isEmpty() ? QStringLiteral("none") : counted.counted.join(QStringLiteral(", ")));
    if (!counted.absent.isEmpty()) summary += QStringLiteral("; not present: %1").arg(counted.absent.join(QStringLiteral(", ")));
    for (InterfaceChoiceBox* box : window()->findChildren<InterfaceChoiceBox*>())
        box->showInterfaces(listed, choice.names, counted.counted, summary);
}

}  // namespace ratelark
