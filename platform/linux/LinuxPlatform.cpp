#include "platform/PlatformServices.h"

#include "platform/linux/UnameSystemVersion.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

namespace ratelark {

namespace {

class QtEventLoop : public EventLoop {
public:
    void stop() override { QCoreApplication::exit(0); }
};

}  // namespace

QString defaultConsoleLogPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
           + QStringLiteral("/ratelark/console.log");
}

QString defaultSamplerTool() {
    const QString fromEnvironment = qEnvironmentVariable("RATELARK_NETSTAT");
    if (!fromEnvironment.isEmpty()) return fromEnvironment;
    const QString besideProgram = QCoreApplication::applicationDirPath() + QStringLiteral("/ratelark-netstat");
    if (QFileInfo(besideProgram).isExecutable()) return besideProgram;
    return QStringLiteral(RATELARK_INSTALL_BIN "/ratelark-netstat");
}

PlatformServices makeLinuxPlatform() {
    PlatformServices services;
    services.settings = std::make_unique<SettingsStore>(SettingsStore::defaultPath());
    services.systemVersion = std::make_unique<UnameSystemVersion>();
    services.eventLoop = std::make_unique<QtEventLoop>();
    services.paths.consoleLog = defaultConsoleLogPath();
    services.paths.samplerTool = defaultSamplerTool();
    return services;
}

}  // namespace ratelark
