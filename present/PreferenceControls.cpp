#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "platform/Log.h"

#include <QAbstractButton>

namespace ratelark {

namespace {

// The preferences the settings window's check boxes set.
bool isDisplaySetting(const QString& key) {
    for (const QString& setting : {keys::upAndDown, keys::bitsPerSecond, keys::useFixedWith, keys::showArrow,
                                   keys::onlyShowDownload, keys::colorIsRedBlue, keys::showKBMBGB, keys::speedGraph})
        if (key == setting) return true;
    return false;
}

QString keyOf(const QObject* control) { return control ? control->property("key").toString() : QString(); }

}  // namespace

void AppController::clickPreferenceCheckBox(QObject* sender) {
    const QString key = keyOf(sender);
    if (!isDisplaySetting(key)) {
        nsLog(QStringLiteral("A check box names \"%1\", which is no display setting; nothing stored").arg(key));
        return;
    }
    standardUserDefaults().setObject(stateOf(sender) == 1, key);
    standardUserDefaults().synchronize();
    followPreferences();
}

void AppController::followPreferences(bool windowOpening) {
    QList<QObject*> controls;
    if (window())
        for (QAbstractButton* button : window()->findChildren<QAbstractButton*>()) controls << button;
    if (statusMenu())
        for (QAction* item : statusMenu()->findChildren<QAction*>()) controls << item;
    for (QObject* control : controls) {
        const QString key = keyOf(control);
        if (!key.isEmpty()) setStateOf(control, standardUserDefaults().boolForKey(key) ? 1 : 0);
    }
    showAllowanceSettings();
    followInterfaces(windowOpening);
}

}  // namespace ratelark
