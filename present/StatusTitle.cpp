#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "platform/TextField.h"
#include "present/SizeFormat.h"
#include "present/TitleComposer.h"

namespace ratelark {

void AppController::composeStatusTitle(double download, double upload) {
    QString downloadText = formatSize(download);
    QString uploadText = formatSize(upload);
    SettingsStore& defaults = standardUserDefaults();
    TitleSwitches switches;
    switches.useFixedWith = defaults.boolForKey(keys::useFixedWith);
    switches.showKBMBGB = defaults.boolForKey(keys::showKBMBGB);
    switches.showArrow = defaults.boolForKey(keys::showArrow);
    switches.upAndDown = defaults.boolForKey(keys::upAndDown);
    switches.onlyShowDownload = defaults.boolForKey(keys::onlyShowDownload);
    switches.colorIsRedBlue = defaults.boolForKey(keys::colorIsRedBlue);
    const bool dark = isDarkInterfaceStyle(services().appearance->interfaceStyle());

    ComposedTitle composed = composeTitle(std::move(downloadText), std::move(uploadText), maxFixedWidth(), switches,
                                          font(), dark);
    setMaxFixedWidth(composed.maxFixedWidth);
    if (textFieldUp()) textFieldUp()->setStringValue(composed.windowUp);
    if (textFieldDown()) textFieldDown()->setStringValue(composed.windowDown);

    const bool bits = defaults.boolForKey(keys::bitsPerSecond);
    const qint64 showType = defaults.integerForKey(keys::showType);
    constexpr int kNarrowFigures = 2;
    setCompactForm(composed.title, formatCompactSize(download, bits, showType),
                   formatCompactSize(upload, bits, showType),
                   formatCompactSize(download, bits, showType, kNarrowFigures),
                   formatCompactSize(upload, bits, showType, kNarrowFigures), switches, dark);
    // The widest title these settings give, for status areas that keep room for it.
    const QString widest = widestSizeText(bits, showType);
    composed.title.widest = composeTitle(widest, widest, maxFixedWidth(), switches, font(), dark).title.text;
    for (const QString& line : usageLines_) composed.title.toolTip += QLatin1Char('\n') + line;
    composed.title.alert = allowanceLevel_ >= 100 ? TitleAlert::Critical
                           : allowanceLevel_ >= 80 ? TitleAlert::Warning
                                                   : TitleAlert::None;
    updateStatusItem(&composed.title);
}

}  // namespace ratelark
