#include "app/Application.h"

#include "app/AppController.h"
#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "platform/Log.h"
#include "platform/ProcessExit.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"

#include <QApplication>

#include <cstdio>
#include <optional>

namespace ratelark {

namespace {

void print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

QString alreadyRunningText(qint64 process) {
    const QString which = process > 0 ? QStringLiteral(" (process %1)").arg(process) : QString();
    return QStringLiteral("ratelark: RateLark already runs%1; its item is in the status area.\n").arg(which);
}

}  // namespace

int runApplication(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine commandLine = parseCommandLine(arguments);
    switch (commandLine.action) {
    case CommandLine::Action::Help:
        print(stdout, usageText());
        return 0;
    case CommandLine::Action::Version:
        print(stdout, QStringLiteral("ratelark " RATELARK_VERSION "\n"));
        return 0;
    case CommandLine::Action::Error:
        print(stderr, QStringLiteral("ratelark: %1\n").arg(commandLine.error) + usageText());
        return 2;
    case CommandLine::Action::Run:
        break;
    }

    if (commandLine.statusLine != StatusLineFormat::None) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ratelark"));
    installQtMessageHandler();

    // One tray item per session; bars may run as many status lines as they like.
    std::optional<SingleInstance> instance;
    if (commandLine.statusLine == StatusLineFormat::None) {
        instance.emplace();
        if (!instance->isOnlyInstance()) {
            print(stderr, alreadyRunningText(instance->otherProcess()));
            return 0;
        }
    }

    AppDelegate delegate;
    QApplication::setQuitOnLastWindowClosed(delegate.applicationShouldTerminateAfterLastWindowClosed());

    PlatformServices services = makeLinuxPlatform();
    services.paths.redirectStandardOutput = commandLine.statusLine == StatusLineFormat::None;
    AppController controller(std::move(services));
    const LoadedInterface interface = loadInterface(shippedInterfaceDescription(), controller.interfaceConnections());
    for (const QString& error : interface.errors) nsLog(QStringLiteral("Interface description: %1").arg(error));
    delegate.setWindow(controller.window());

    const TerminationSignals termination([&controller] { controller.clickQuit(nullptr); });
    controller.awakeFromNib();
    delegate.applicationDidFinishLaunching();
    const int status = QApplication::exec();

    // Nothing is left waiting or running: settings on disk, children ended,
    // then out without destructors that would wait for them.
    controller.standardUserDefaults().synchronize();
    controller.endSampler();
    if (instance) instance->release();
    exitImmediately(status);
}

}  // namespace ratelark
