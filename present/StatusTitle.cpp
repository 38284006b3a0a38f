#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "platform/EverySecond.h"
#include "platform/TextField.h"
#include "present/SizeFormat.h"
#include "present/TitleComposer.h"

namespace ratelark {

RATELARK_EVERY_SECOND
const TitleSettings& AppController::titleSettings() {
    // Read again only when the store may answer otherwise: a title comes every second.
    const SettingsStore& defaults = standardUserDefaults();
    if (const quint64 generation = defaults.generation(); generation != titleSettings_.generation) {
        TitleSettings& read = titleSettings_;
        read.generation = generation;
        read.refreshInterval = defaults.integerForKey(keys::refreshInterval);
        read.switches.useFixedWith = defaults.boolForKey(keys::useFixedWith);
        read.switches.showKBMBGB = defaults.boolForKey(keys::showKBMBGB);
        read.switches.showArrow = defaults.boolForKey(keys::showArrow);
        read.switches.upAndDown = defaults.boolForKey(keys::upAndDown);
        read.switches.onlyShowDownload = defaults.boolForKey(keys::onlyShowDownload);
        read.switches.colorIsRedBlue = defaults.boolForKey(keys::colorIsRedBlue);
        read.bitsPerSecond = defaults.boolForKey(keys::bitsPerSecond);
        read.showType = defaults.integerForKey(keys::showType);
    }
    return titleSettings_;
}

RATELARK_EVERY_SECOND
void AppController::composeStatusTitle(double download, double upload) {
    QString downloadText = formatSize(download);
    QString uploadText = formatSize(upload);
    const TitleSettings& settings = titleSettings();
    const TitleSwitches& switches = settings.switches;
    const bool dark = isDarkInterfaceStyle(services().appearance->interfaceStyle());

    ComposedTitle composed = composeTitle(std::move(downloadText), std::move(uploadText), maxFixedWidth(), switches,
                                          font(), dark, usageToolTip_);
    setMaxFixedWidth(composed.maxFixedWidth);
    if (textFieldUp()) textFieldUp()->setStringValue(composed.windowUp);
    if (textFieldDown()) textFieldDown()->setStringValue(composed.windowDown);

    const bool bits = settings.bitsPerSecond;
    const qint64 showType = settings.showType;
    constexpr int kNarrowFigures = 2;
    if (services().statusBar->drawsCompactForm())
        setCompactForm(composed.title, formatCompactSize(download, bits, showType),
                       formatCompactSize(upload, bits, showType),
                       formatCompactSize(download, bits, showType, kNarrowFigures),
                       formatCompactSize(upload, bits, showType, kNarrowFigures), switches, dark);
    // The widest title these settings give, for status areas that keep room for it.
    if (const WidestTitle::Parts parts{bits, showType, maxFixedWidth(), switches}; parts != widestTitle_.parts) {
        const QString widest = widestSizeText(bits, showType);
        widestTitle_ = {parts, composeTitle(widest, widest, maxFixedWidth(), switches, font(), dark).title.text};
    }
    composed.title.widest = widestTitle_.text;
    composed.title.alert = allowanceLevel_ >= 100 ? TitleAlert::Critical
                           : allowanceLevel_ >= 80 ? TitleAlert::Warning
                                                   : TitleAlert::None;
    updateStatusItem(&composed.title);
}

}  // namespace ratelark
