#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "platform/Log.h"

namespace ratelark {

namespace {

// The login item RateLark registers; on Linux the name of its autostart entry.
const QString kHelperIdentifier = QStringLiteral("com.tarnwick.ratelarkhelper");

}  // namespace

void AppController::clickRefreshInterval(QObject* sender) {
    chooseFromList(sender, keys::refreshInterval, refreshMenu());
}

void AppController::clickShowType(QObject* sender) { chooseFromList(sender, keys::showType, showTypeMenu()); }

// Nothing is restarted or redrawn: the readers of the key take the new value
// at their next use.
void AppController::chooseFromList(QObject* sender, const QString& key, QMenu* menu) {
    standardUserDefaults().setInteger(tagOf(sender), key);
    standardUserDefaults().synchronize();
    if (menu)
        for (QAction* item : menu->actions()) setStateOf(item, 0);
    setStateOf(sender, 1);
}

// A toggle on the item's mark as it was before the click; the mark then
// follows the registration.
void AppController::clickOpenAtLogin(QObject* sender) {
    LoginItemService& loginItems = *services_.loginItems;
    loginItems.setEnabled(kHelperIdentifier, false);
    if (stateOf(sender) == 1) {
        setStateOf(sender, 0);
        return;
    }
    const bool enabled = loginItems.setEnabled(kHelperIdentifier, true);
    if (!enabled) nsLog(QStringLiteral("Couldn't add/remove Helper App to launch at login item list."));
    setStateOf(sender, enabled ? 1 : 0);
}

void AppController::markOpenAtLoginItem(QObject* item) {
    setStateOf(item, services_.loginItems->isEnabled(kHelperIdentifier) ? 1 : 0);
}

void AppController::launchActivityMonitor(QObject*) { services_.workspace->launchSystemMonitor(); }

void AppController::clickRateOnAppStore(QObject* sender) {
    const QString path = QString::asprintf("/app/id%ld?ls=1&mt=12", static_cast<long>(tagOf(sender)));
    services_.workspace->openUrl(QUrl(QStringLiteral("https://" RATELARK_STORE_HOST) + path));
}

void AppController::clickSupport(QObject*) { services_.workspace->openUrl(QUrl(QStringLiteral(RATELARK_SUPPORT_URL))); }

void AppController::clickQuit(QObject*) {
    standardUserDefaults().synchronize();
    services_.eventLoop->stop();
}

}  // namespace ratelark
