#include "tests/support/Harness.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <unistd.h>

namespace ratelark::testing {

Harness::Harness() : Harness(Options{}) {}

Harness::Harness(const Options& options) {
    savedStderr_ = ::dup(STDERR_FILENO);
    QDir().mkpath(QFileInfo(settingsPath()).absolutePath());
    if (!options.settingsFile.isNull()) {
        QFile file(settingsPath());
        file.open(QIODevice::WriteOnly);
        file.write(options.settingsFile);
    }
    PlatformServices services;
    services.settings = std::make_unique<SettingsStore>(settingsPath());
    auto fakeVersion = std::make_unique<FakeSystemVersion>();
    auto fakeBar = std::make_unique<FakeStatusBar>();
    auto fakeAppearance = std::make_unique<FakeAppearance>();
    auto fakeWorkspace = std::make_unique<FakeWorkspace>();
    auto fakeLogin = std::make_unique<FakeLoginItems>();
    auto fakeLoop = std::make_unique<FakeEventLoop>();
    version = fakeVersion.get();
    statusBar = fakeBar.get();
    appearance = fakeAppearance.get();
    workspace = fakeWorkspace.get();
    loginItems = fakeLogin.get();
    eventLoop = fakeLoop.get();
    services.systemVersion = std::move(fakeVersion);
    services.statusBar = options.statusBar ? options.statusBar() : std::move(fakeBar);
    if (options.statusBar) statusBar = nullptr;
    services.appearance = std::move(fakeAppearance);
    services.workspace = std::move(fakeWorkspace);
    services.loginItems = std::move(fakeLogin);
    services.eventLoop = std::move(fakeLoop);
    services.paths.consoleLog = logPath();
    services.paths.samplerTool =
        options.samplerTool.isEmpty() ? writeScript(QStringLiteral("quiet-sampler"), QStringLiteral("exec sleep 1000\n"))
                                      : options.samplerTool;
    services.paths.documentation = defaultDocumentation();
    services.paths.redirectStandardOutput = false;  // the test runner reports there
    controller_ = std::make_unique<AppController>(std::move(services));
    if (options.loadInterface) ui = loadInterface(shippedInterfaceDescription(), controller_->interfaceConnections());
}

Harness::~Harness() {
    controller_.reset();
    ui = LoadedInterface{};
    if (savedStderr_ >= 0) {
        ::dup2(savedStderr_, STDERR_FILENO);
        ::close(savedStderr_);
    }
}

QString Harness::consoleLog() const {
    QFile file(logPath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

std::unique_ptr<SettingsStore> Harness::reopenSettings() const {
    auto store = std::make_unique<SettingsStore>(settingsPath());
    AppController::initialize(*store);
    return store;
}

QString Harness::writeScript(const QString& name, const QString& body) const {
    return writeBashScript(dir_.path() + QLatin1Char('/') + name, body.toUtf8());
}

bool writeFile(const QString& path, const QByteArray& text, bool executable) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size()) return false;
    file.close();
    return !executable ||
           file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QString writeBashScript(const QString& path, const QByteArray& body) {
    writeFile(path, "#!/bin/bash\n" + body, true);
    return path;
}

bool waitUntil(const std::function<bool()>& done, int limitMs) {
    QDeadlineTimer deadline(limitMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

}  // namespace ratelark::testing
