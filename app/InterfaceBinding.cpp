#include "app/AppController.h"

#include "platform/Log.h"
#include "platform/TextField.h"
#include "present/VerticallyCenteredTextFieldCell.h"

namespace ratelark {

namespace {

// A field setter taking the object the description built, of the field's type.
template <typename Object, typename Setter>
std::function<void(QObject*)> outlet(AppController* controller, Setter setter) {
    return [controller, setter](QObject* object) { (controller->*setter)(qobject_cast<Object*>(object)); };
}

}  // namespace

InterfaceConnections AppController::interfaceConnections() {
    InterfaceConnections connections;
    connections.outlets = {
        {QStringLiteral("window"), outlet<QWidget>(this, &AppController::setWindow)},
        {QStringLiteral("panel"), outlet<QWidget>(this, &AppController::setPanel)},
        {QStringLiteral("textFieldUp"), outlet<TextField>(this, &AppController::setTextFieldUp)},
        {QStringLiteral("textFieldDown"), outlet<TextField>(this, &AppController::setTextFieldDown)},
        {QStringLiteral("statusMenu"), outlet<QMenu>(this, &AppController::setStatusMenu)},
        {QStringLiteral("refreshMenu"), outlet<QMenu>(this, &AppController::setRefreshMenu)},
        {QStringLiteral("showTypeMenu"), outlet<QMenu>(this, &AppController::setShowTypeMenu)},
        {QStringLiteral("itemDataReceived"), outlet<QAction>(this, &AppController::setItemDataReceived)},
        {QStringLiteral("itemDataSent"), outlet<QAction>(this, &AppController::setItemDataSent)},
        {QStringLiteral("itemUsageToday"), outlet<QAction>(this, &AppController::setItemUsageToday)},
        {QStringLiteral("itemUsageMonth"), outlet<QAction>(this, &AppController::setItemUsageMonth)},
        {QStringLiteral("itemUsagePeriod"), outlet<QAction>(this, &AppController::setItemUsagePeriod)},
        // Not a field: the item's mark starts out as the login item's registration.
        {QStringLiteral("itemOpenAtLogin"), [this](QObject* item) { markOpenAtLoginItem(item); }},
    };
    using Action = void (AppController::*)(QObject*);
    const std::pair<const char*, Action> actions[] = {
        {"clickRefreshInterval", &AppController::clickRefreshInterval},
        {"clickShowType", &AppController::clickShowType},
        {"clickOpenAtLogin", &AppController::clickOpenAtLogin},
        {"launchActivityMonitor", &AppController::launchActivityMonitor},
        {"clickRateOnAppStore", &AppController::clickRateOnAppStore},
        {"clickSupport", &AppController::clickSupport},
        {"clickQuit", &AppController::clickQuit},
        {"clickMenuShowWindow", &AppController::clickMenuShowWindow},
        {"clickButtonShowWindow", &AppController::clickButtonShowWindow},
        {"clickWindow", &AppController::clickWindow},
        {"clickFont", &AppController::clickFont},
        {"clickPreferenceCheckBox", &AppController::clickPreferenceCheckBox},
        {"clickInterfaces", &AppController::clickInterfaces},
        {"clickDataAllowance", &AppController::clickDataAllowance},
        {"avoidConsoleFlush", &AppController::avoidConsoleFlush},
        {"resetDataState", &AppController::resetDataState},
        {"clickUsage", &AppController::clickUsage},
    };
    for (const auto& [name, action] : actions)
        connections.actions.insert(QString::fromLatin1(name), [this, action](QObject* sender) { (this->*action)(sender); });
    connections.menuWillOpen = [this](QMenu* menu) { menuWillOpen(menu); };
    connections.menuDidClose = [this](QMenu* menu) { menuDidClose(menu); };
    // The speed window's texts sit in the middle of their fields.
    connections.textFieldCell = [] { return std::make_unique<VerticallyCenteredTextFieldCell>(); };
    return connections;
}

void AppController::buildSettingsWindow() {
    LoadedInterface built = loadWindow(shippedInterfaceDescription(), QStringLiteral("window"), interfaceConnections(),
                                       loadedNames_);
    for (const QString& error : built.errors) nsLog(QStringLiteral("Interface description: %1").arg(error));
    if (!built.windows.empty()) settingsWindow_ = std::move(built.windows.front());
}

}  // namespace ratelark
