#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "platform/TextField.h"
#include "present/TitleComposer.h"

namespace ratelark {

void AppController::composeStatusTitle(QString download, QString upload) {
    SettingsStore& defaults = standardUserDefaults();
    TitleSwitches switches;
    switches.useFixedWith = defaults.boolForKey(keys::useFixedWith);
    switches.showKBMBGB = defaults.boolForKey(keys::showKBMBGB);
    switches.showArrow = defaults.boolForKey(keys::showArrow);
    switches.upAndDown = defaults.boolForKey(keys::upAndDown);
    switches.onlyShowDownload = defaults.boolForKey(keys::onlyShowDownload);
    switches.colorIsRedBlue = defaults.boolForKey(keys::colorIsRedBlue);
    const bool dark = isDarkInterfaceStyle(services().appearance->interfaceStyle());

    const ComposedTitle composed = composeTitle(std::move(download), std::move(upload), maxFixedWidth(), switches,
                                                font(), dark);
    setMaxFixedWidth(composed.maxFixedWidth);
    if (textFieldUp()) textFieldUp()->setStringValue(composed.windowUp);
    if (textFieldDown()) textFieldDown()->setStringValue(composed.windowDown);
    updateStatusItem(&composed.title);
}

}  // namespace ratelark
