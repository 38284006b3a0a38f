#include "platform/PlatformServices.h"

#include "platform/UsageDatabase.h"
#include "platform/linux/DesktopAppearance.h"
#include "platform/linux/DesktopWorkspace.h"
#include "platform/linux/UnameSystemVersion.h"
#include "platform/linux/XdgAutostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ratelark {

namespace {

class QtEventLoop : public EventLoop {
public:
    void stop() override { QCoreApplication::exit(0); }
};

// The program a login starts: the installed one, else this one (a build
// that was never installed).
QString autostartProgram() {
    const QString installed = QStringLiteral(RATELARK_INSTALL_BIN "/ratelark");
    return QFileInfo(installed).isExecutable() ? installed : QCoreApplication::applicationFilePath();
}

}  // namespace

QString defaultConsoleLogPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
           + QStringLiteral("/ratelark/console.log");
}

QString defaultDocumentation() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/" RATELARK_DOC_FROM_BIN "/README.md"));
}

QString statusLineLogPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
           + QStringLiteral("/ratelark/status-line.log");
}

QString defaultSamplerTool() {
    const QString fromEnvironment = qEnvironmentVariable("RATELARK_NETSTAT");
    if (!fromEnvironment.isEmpty()) return fromEnvironment;
    const QString besideProgram = QCoreApplication::applicationDirPath() + QStringLiteral("/ratelark-netstat");
    if (QFileInfo(besideProgram).isExecutable()) return besideProgram;
    return QStringLiteral(RATELARK_INSTALL_BIN "/ratelark-netstat");
}

PlatformServices makeLinuxPlatform(bool forBar) {
    PlatformServices services;
    services.settings = std::make_unique<SettingsStore>(SettingsStore::defaultPath());
    services.systemVersion = std::make_unique<UnameSystemVersion>();
    services.eventLoop = std::make_unique<QtEventLoop>();
    services.notifier = makeDesktopNotifier();
    services.appearance =
        std::make_unique<DesktopAppearance>(forBar ? barAppearanceSources() : sessionAppearanceSources());
    services.workspace = std::make_unique<DesktopWorkspace>();
    services.loginItems = std::make_unique<XdgAutostart>(shippedDesktopEntry(), autostartProgram());
    services.paths.consoleLog = defaultConsoleLogPath();
    services.paths.samplerTool = defaultSamplerTool();
    services.paths.usageHistory = UsageDatabase::defaultPath();
    services.paths.documentation = defaultDocumentation();
    services.paths.supportAddress = QStringLiteral(RATELARK_SUPPORT_ADDRESS);
    return services;
}

}  // namespace ratelark
