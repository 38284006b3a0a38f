#include "app/Application.h"

#include "app/AppController.h"
#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "platform/Log.h"

#include <QApplication>

#include <cstdio>

namespace ratelark {

namespace {

void print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
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

    AppDelegate delegate;
    QApplication::setQuitOnLastWindowClosed(delegate.applicationShouldTerminateAfterLastWindowClosed());

    PlatformServices services = makeLinuxPlatform();
    services.paths.redirectStandardOutput = commandLine.statusLine == StatusLineFormat::None;
    AppController controller(std::move(services));
    const LoadedInterface interface = loadInterface(shippedInterfaceDescription(), controller.interfaceConnections());
    for (const QString& error : interface.errors) nsLog(QStringLiteral("Interface description: %1").arg(error));
    delegate.setWindow(controller.window());

    controller.awakeFromNib();
    delegate.applicationDidFinishLaunching();
    return QApplication::exec();
}

}  // namespace ratelark
