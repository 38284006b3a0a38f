#include "tests/support/Harness.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QStandardPaths>
#include <QThread>

#include <unistd.h>

namespace ratelark::testing {

Harness::Harness(const Options& options) : savedStderr_(::dup(STDERR_FILENO)) {
    QDir(dir_.path()).mkpath("config/ratelark");
    if (!options.settingsFile.isNull()) writeFile(settingsPath(), options.settingsFile);
    PlatformServices services;
    services.settings = std::make_unique<SettingsStore>(settingsPath());
    auto systemVersion = std::make_unique<FakeSystemVersion>();
    version = systemVersion.get();
    services.systemVersion = std::move(systemVersion);
    if (options.statusBar) {
        services.statusBar = options.statusBar();
    } else {
        auto bar = std::make_unique<FakeStatusBar>();
        statusBar = bar.get();
        services.statusBar = std::move(bar);
    }
    auto desktop = std::make_unique<FakeWorkspace>();
    workspace = desktop.get();
    services.workspace = std::move(desktop);
    auto logins = std::make_unique<FakeLoginItems>();
    loginItems = logins.get();
    services.loginItems = std::move(logins);
    services.appearance = std::make_unique<FakeAppearance>();
    services.eventLoop = std::make_unique<FakeEventLoop>();
    // Standard output stays the test runner's, for its reports.
    services.paths.consoleLog = logPath();
    services.paths.samplerTool = writeBashScript(path("sampler"), options.sampler);
    services.paths.documentation = defaultDocumentation();
    services.paths.redirectStandardOutput = false;
    if (options.usageHistory) services.paths.usageHistory = path("usage.sqlite");
    controller_ = std::make_unique<AppController>(std::move(services));
    if (!options.loadInterface) return;
    ui = loadInterface(shippedInterfaceDescription(), controller_->interfaceConnections(), options.parts);
    controller_->keepLoadedInterface(ui);
}

Harness::~Harness() {
    controller_.reset();
    ui = LoadedInterface{};
    ::dup2(savedStderr_, STDERR_FILENO);
    ::close(savedStderr_);
}

void Harness::startForTotals() {
    controller_->setCondition(std::make_shared<std::mutex>());
    controller_->redirectConsoleLogToDocumentFolder();
}

QString Harness::consoleLog() const { return QString::fromUtf8(readFile(logPath())); }

std::unique_ptr<SettingsStore> Harness::reopenSettings() const {
    auto store = std::make_unique<SettingsStore>(settingsPath());
    AppController::initialize(*store);
    return store;
}

QString Harness::title() const {
    return statusBar->last() && statusBar->last()->title ? statusBar->last()->title->text : QString();
}

int Harness::titles() const {
    int count = 0;
    for (const auto& item : statusBar->created) count += item->titleSets;
    return count;
}

QByteArray samplerPrinting(const std::vector<Sample>& samples) {
    // Columns as netstat prints them: packets, errors, bytes in; packets, errors, bytes out; collisions.
    QByteArray script;
    for (const Sample& s : samples)
        script += QStringLiteral("echo '   %1     0   %2   %3     0   %4     0'; sleep 0.3\n")
                      .arg(s.in / 1000 + 1).arg(s.in).arg(s.out / 1000 + 1).arg(s.out).toUtf8();
    return script + "while :; do sleep 0.5; echo '0 0 0 0 0 0 0'; done\n";
}

ProgramRun::ProgramRun(const QByteArray& settings, const QByteArray& sampler)
    : environment_(QProcessEnvironment::systemEnvironment()) {
    QDir(dir_.path()).mkpath("config/ratelark");
    QDir(dir_.path()).mkdir("runtime");
    QFile::setPermissions(path("runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!settings.isNull()) writeFile(settingsPath(), "[General]\n" + settings);
    environment_.insert("RATELARK_NETSTAT", writeBashScript(path("sampler"), sampler));
    environment_.insert("XDG_CONFIG_HOME", path("config"));
    environment_.insert("XDG_CACHE_HOME", path("cache"));
    environment_.insert("XDG_DATA_HOME", path("data"));
    environment_.insert("XDG_RUNTIME_DIR", path("runtime"));
    environment_.insert("RATELARK_APPEARANCE", "light");
    // The usage history counts replayed counters of this boot, not the machine's.
    setCounters(0, 0);
    writeFile(path("boot_id"), "test-boot\n");
    environment_.insert("RATELARK_NET_DEV", path("net_dev"));
    environment_.insert("RATELARK_BOOT_ID", path("boot_id"));
    environment_.remove("QT_QPA_PLATFORM");
}

void ProgramRun::start(const QStringList& arguments, const QString& program) {
    process_.setProcessEnvironment(environment_);
    process_.start(program, arguments);
    process_.waitForStarted();
}

QList<QByteArray> ProgramRun::lines(qsizetype n) {
    waitUntil(
        [&] {
            output_ += process_.readAllStandardOutput();
            return output_.count('\n') >= n || process_.state() == QProcess::NotRunning;
        },
        30000);
    output_ += process_.readAllStandardOutput();
    QList<QByteArray> result = output_.split('\n');
    result.removeLast();  // after the last line break
    return result.mid(0, n);
}

bool ProgramRun::shows(const QByteArray& line) {
    for (QList<QByteArray> all; (all = lines(read_ + 1)).size() > read_;)
        if (all[read_++] == line) return true;
    return false;
}

void ProgramRun::shareFoldersOf(const ProgramRun& other) {
    environment_.insert("XDG_CONFIG_HOME", other.path("config"));
    environment_.insert("XDG_CACHE_HOME", other.path("cache"));
    environment_.insert("XDG_DATA_HOME", other.path("data"));
    environment_.insert("XDG_RUNTIME_DIR", other.path("runtime"));
    environment_.insert("RATELARK_NET_DEV", other.path("net_dev"));
    environment_.insert("RATELARK_BOOT_ID", other.path("boot_id"));
}

void ProgramRun::setCounters(std::uint64_t received, std::uint64_t sent) {
    writeFile(path("net_dev"), netDevText({{"lo", 100, 100}, {"wan9", received, sent}}));
}

PrivateBus::PrivateBus() : installed(!QStandardPaths::findExecutable("dbus-daemon").isEmpty()) {
    if (!installed) return;
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    if (waitUntil([&] { return daemon.canReadLine(); })) address = daemon.readLine().trimmed();
}

QByteArray netDevText(const std::vector<InterfaceBytes>& interfaces) {
    QByteArray text = "Inter-|   Receive                                                |  Transmit\n"
                      " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs drop "
                      "fifo colls carrier compressed\n";
    for (const InterfaceBytes& each : interfaces)
        text += QStringLiteral("%1: %2 1 0 0 0 0 0 0 %3 1 0 0 0 0 0 0\n")
                    .arg(each.name).arg(each.received).arg(each.sent).toUtf8();
    return text;
}

bool ProgramRun::end() {
    process_.terminate();
    return process_.waitForFinished(kProgramEndLimitMs) && process_.exitStatus() == QProcess::NormalExit &&
           process_.exitCode() == 0;
}

QByteArray ProgramRun::consoleLog() const { return readFile(path("cache/ratelark/console.log")); }

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& text, bool executable) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size()) return false;
    file.close();
    return !executable || file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QString writeBashScript(const QString& path, const QByteArray& body) {
    writeFile(path, "#!/bin/bash\n" + body, true);
    return path;
}

bool waitUntil(const std::function<bool()>& done, int limitMs) {
    const QDeadlineTimer deadline(limitMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

void spin(int ms) { waitUntil([] { return false; }, ms); }

bool processEnded(qint64 pid) {
    const QByteArray stat = readFile("/proc/" + QString::number(pid) + "/stat");
    // The state follows the name, which is in parentheses and may hold blanks.
    const QByteArray state = stat.mid(stat.lastIndexOf(')') + 2, 1);
    return stat.isEmpty() || state == "Z" || state == "X";
}

}  // namespace ratelark::testing
