#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "platform/Fonts.h"
#include "platform/Log.h"

namespace ratelark {

void AppController::becomeFontManagerTarget() {
    fontPanel_ = std::make_unique<FontPanel>([this](FontPanel* manager) { changeFont(manager); });
}

void AppController::clickFont(QObject*) {
    if (fontPanel_) fontPanel_->makeKeyAndOrderFront(font());
}

void AppController::changeFont(QObject* fontManager) {
    auto* manager = qobject_cast<FontPanel*>(fontManager);
    if (!manager) {
        nsLog(QStringLiteral("A font change came from something other than the font panel; font kept"));
        return;
    }
    setFont(manager->convertFont(font()));
    SettingsStore& store = standardUserDefaults();
    store.setObject(fontName(font()), keys::fontName);
    store.setObject(static_cast<float>(font().pointSizeF()), keys::fontSize);
    store.synchronize();
}

}  // namespace ratelark
