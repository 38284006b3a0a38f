#include "app/Application.h"

#include "app/AppController.h"
#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/SurfaceChoice.h"
#include "platform/Log.h"
#include "platform/ProcessExit.h"
#include "platform/SingleInstance.h"
#include "platform/StatusSurfaces.h"
#include "platform/TerminationSignals.h"
#include "platform/WindowSystem.h"
#include "usage/UsageCommand.h"

#include <QAction>
#include <QApplication>
#include <QPointer>

#include <cstdio>
#include <functional>
#include <optional>

#include <unistd.h>

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

// What RateLark says when the desktop has no status area a while after the
// start; showWindow offers the speed window instead.
StatusAreaNotice missingStatusAreaNotice(std::function<void()> showWindow) {
    return {QStringLiteral("RateLark has no status area to show the speeds in"),
            QStringLiteral("This desktop shows no status icons. On GNOME, install and turn on the AppIndicator "
                           "extension (package gnome-shell-extension-appindicator) and log in again. In a bar "
                           "such as waybar, run \"ratelark --status-line=waybar\" as a module. Or use the speed window."),
            QStringLiteral("Show Speed Window"), std::move(showWindow)};
}

std::unique_ptr<StatusBar> makeStatusSurface(const SurfaceChoice& choice, std::function<void()> showWindow) {
    // A reader that has gone ends the program the ordinary way, with status 0.
    const auto standardOutput = [&choice] {
        return makeStatusLine(STDOUT_FILENO, choice.style, [] { QCoreApplication::exit(0); });
    };
    std::unique_ptr<StatusBar> standIn;
    switch (choice.surface) {
    case SurfaceChoice::Surface::StatusLine: return standardOutput();
    case SurfaceChoice::Surface::TrayWithStandIn: standIn = standardOutput(); break;
    case SurfaceChoice::Surface::Tray: break;
    }
    return makeTray(std::move(standIn), missingStatusAreaNotice(std::move(showWindow)));
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
    case CommandLine::Action::Usage:
        return runUsageCommand(argc, argv, commandLine.usagePeriod, commandLine.usageFormat);
    case CommandLine::Action::Run:
        break;
    }

    // A status line draws nothing: it needs neither windows nor the system's
    // fonts, and the minimal platform loads none (reading the font
    // configuration was half of a status line's start). With no display
    // there is nothing else.
    const bool display = hasDisplay();
    const bool statusLineOnly = commandLine.statusLine != StatusLineFormat::None || !display;
    if (statusLineOnly) {
        qputenv("QT_QPA_PLATFORM", "minimal");
        // Nothing of GTK runs without windows, so Qt's own event loop serves:
        // it wakes once a second for a line, with less work than GLib's.
        qputenv("QT_NO_GLIB", "1");
    } else {
        chooseWindowSystem();
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ratelark"));
    installQtMessageHandler();

    // One tray item per session; bars may run as many status lines as they like.
    // A second tray instance leaves before it looks for a host on the bus.
    std::optional<SingleInstance> instance;
    if (!statusLineOnly) {
        instance.emplace();
        if (!instance->isOnlyInstance()) {
            print(stderr, alreadyRunningText(instance->otherProcess()));
            return 0;
        }
    }
    const SurfaceChoice surface =
        chooseSurface(commandLine.statusLine, display, !statusLineOnly && trayHostAvailable(), standardOutputIsTerminal());

    AppDelegate delegate;
    QApplication::setQuitOnLastWindowClosed(delegate.applicationShouldTerminateAfterLastWindowClosed());

    // Said before the start-up points standard error at the console log.
    if (!surface.notice.isEmpty()) print(stderr, surface.notice + QLatin1Char('\n'));

    PlatformServices services = makeLinuxPlatform(surface.forBar());
    services.paths.redirectStandardOutput = !surface.writesStandardOutput();
    // The console log is the tray item's. Status lines, as many as a bar
    // runs, share a log of their own: never standard error, which polybar
    // shows in the bar, and never the tray's log, which each start would empty.
    if (!instance) {
        services.paths.consoleLog = statusLineLogPath();
        services.paths.truncateLog = false;
        services.paths.quietWithoutLog = true;
    }
    // The notice's action works the menu's item, once the menu exists.
    QPointer<QAction> showWindowItem;
    services.statusBar = makeStatusSurface(surface, [&showWindowItem] {
        if (showWindowItem && !showWindowItem->isChecked()) showWindowItem->trigger();
    });
    AppController controller(std::move(services));
    // A status line's platform shows no windows, so it builds none: a speed
    // window opened for the tray's stored wish was drawn each second for
    // nobody, and the settings window was built at every start for nobody.
    // The tray builds the settings window when it is first opened.
    const LoadedInterface interface =
        loadInterface(shippedInterfaceDescription(), controller.interfaceConnections(),
                      statusLineOnly ? InterfaceParts::MenusOnly : InterfaceParts::AtStart);
    for (const QString& error : interface.errors) nsLog(QStringLiteral("Interface description: %1").arg(error));
    controller.keepLoadedInterface(interface);
    showWindowItem = qobject_cast<QAction*>(interface.named.value(QStringLiteral("itemShowWindow")));
    delegate.setWindow(controller.window());

    const TerminationSignals termination([&controller] { controller.clickQuit(nullptr); });
    // A session that ends may not wait for the quit: the history is written first.
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &controller,
                     [&controller] { controller.recordUsage(); });
    controller.awakeFromNib();
    delegate.applicationDidFinishLaunching();
    const int status = QApplication::exec();

    // Nothing is left waiting or running: settings on disk, children ended,
    // then out without destructors that would wait for them.
    controller.standardUserDefaults().synchronize();
    controller.recordUsage();
    controller.endSampler();
    controller.endTotalsPipelines();
    if (instance) instance->release();
    exitImmediately(status);
}

}  // namespace ratelark
