#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "platform/Log.h"

#include <QFileInfo>

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

// The item carries RateLark's AppStream component id; its page opens in the
// desktop's software centre (GNOME Software, KDE Discover), which handles
// appstream: links. Where none is registered, xdg-open would hand the link
// to a web browser instead, so nothing is opened and the log says why, once.
void AppController::clickRateOnAppStore(QObject* sender) {
    const QUrl page(QStringLiteral("appstream://") + componentOf(sender));
    if (services_.workspace->canOpen(page)) {
        services_.workspace->openUrl(page);
    } else if (!softwareCentreMissingLogged_) {
        softwareCentreMissingLogged_ = true;
        nsLog(QStringLiteral("Rate RateLark: no software centre (such as GNOME Software or KDE Discover) is "
                             "registered for appstream: links, so %1 cannot be shown")
                  .arg(page.toString()));
    }
}

// A support page the packager set, else the README that ships with the program.
void AppController::clickSupport(QObject*) {
    const PlatformPaths& paths = services_.paths;
    if (!paths.supportAddress.isEmpty())
        services_.workspace->openUrl(QUrl(paths.supportAddress));
    else if (QFileInfo::exists(paths.documentation))
        services_.workspace->openUrl(QUrl::fromLocalFile(paths.documentation));
    else
        nsLog(QStringLiteral("Support: RateLark's documentation is not installed; it belongs at %1")
                  .arg(paths.documentation));
}

void AppController::clickQuit(QObject*) {
    standardUserDefaults().synchronize();
    services_.eventLoop->stop();
}

}  // namespace ratelark
