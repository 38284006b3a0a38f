#pragma once

#include "app/AppController.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Qt's texts as gtest shows them in a failure.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QByteArray& bytes, std::ostream* out) { *out << '"' << bytes.toStdString() << '"'; }

namespace ratelark::testing {

// Fakes for what cannot run here or cannot be observed otherwise.
struct FakeSystemVersion : SystemVersion {
    VersionNumbers answer{10, 15, 7};
    VersionNumbers query() override { return answer; }
};

struct FakeStatusItem : StatusItem {
    QPointer<QMenu> menu;
    std::optional<AttributedText> title;
    int titleSets = 0;
    void setMenu(QMenu* m) override { menu = m; }
    void setAttributedTitle(const AttributedText& t) override {
        title = t;
        ++titleSets;
    }
    void showUntitled() override { title.reset(); }
};

struct FakeStatusBar : StatusBar {
    std::vector<std::shared_ptr<FakeStatusItem>> created;
    std::vector<std::shared_ptr<StatusItem>> removed;
    std::shared_ptr<StatusItem> statusItemWithVariableLength() override {
        return created.emplace_back(std::make_shared<FakeStatusItem>());
    }
    void removeStatusItem(const std::shared_ptr<StatusItem>& item) override { removed.push_back(item); }
    FakeStatusItem* last() const { return created.empty() ? nullptr : created.back().get(); }
};

struct FakeAppearance : Appearance {
    QVariant interfaceStyle() override { return {}; }  // the desktop says nothing: light
};

struct FakeLoginItems : LoginItemService {
    bool refuseEnable = false;
    bool refuseDisable = false;
    bool enabled = false;
    QStringList calls;  // "enable id" / "disable id"
    bool setEnabled(const QString& identifier, bool enable) override {
        calls << (enable ? "enable " : "disable ") + identifier;
        if (enable ? refuseEnable : refuseDisable) return false;
        enabled = enable;
        return true;
    }
    bool isEnabled(const QString&) override { return enabled; }
};

struct FakeWorkspace : Workspace {
    QList<QUrl> opened;
    bool canOpenAll = true;  // whether every scheme has a handler
    bool openUrl(const QUrl& url) override {
        opened << url;
        return true;
    }
    bool canOpen(const QUrl&) override { return canOpenAll; }
    bool launchSystemMonitor() override { return true; }
};

struct FakeEventLoop : EventLoop {
    void stop() override {}
};

// A controller with a real settings file, console log and sampler script in
// a temporary folder, the shipped interface description, and fakes for the
// desktop. Standard error is given back when the harness ends, since the
// start-up points it at the console log.
class Harness {
public:
    struct Options {
        QByteArray sampler = "exec sleep 1000\n";  // the sampler's bash script, path("sampler")
        bool loadInterface = true;                 // the shipped description
        InterfaceParts parts = InterfaceParts::Everything;  // of it, built at once
        QByteArray settingsFile;                   // the settings file as the store opens it
        std::function<std::unique_ptr<StatusBar>()> statusBar;  // empty: a FakeStatusBar
        bool usageHistory = false;                 // kept at path("usage.sqlite")
    };

    Harness() : Harness(Options()) {}
    explicit Harness(const Options& options);
    ~Harness();

    AppController& controller() { return *controller_; }
    SettingsStore& settings() { return controller_->standardUserDefaults(); }
    void start() { controller_->awakeFromNib(); }
    // Only the part of the start-up the totals need. A sampler, which Qt
    // starts with vfork semantics, would leave ThreadSanitizer blind to this
    // thread's locks, and a teardown that waits for a totals worker would
    // read as a race.
    void startForTotals();
    template <typename T>
    T* named(const QString& name) const { return qobject_cast<T*>(ui.named.value(name)); }

    QString path(const QString& name) const { return dir_.filePath(name); }
    QString settingsPath() const { return path("config/ratelark/ratelark.conf"); }
    QString logPath() const { return path("cache/ratelark/console.log"); }
    QString consoleLog() const;
    // A fresh store over the same file, as the next launch would see it.
    std::unique_ptr<SettingsStore> reopenSettings() const;
    QString title() const;  // the text of the last title given; empty before one
    int titles() const;     // titles given so far, over all items

    FakeStatusBar* statusBar = nullptr;  // none when the options gave a status bar
    FakeSystemVersion* version;
    FakeWorkspace* workspace;
    FakeLoginItems* loginItems;
    LoadedInterface ui;

private:
    QTemporaryDir dir_;
    int savedStderr_;
    std::unique_ptr<AppController> controller_;
};

// One line of a scripted sampler: bytes received and sent in one second.
struct Sample {
    qint64 in;
    qint64 out;
};

// A sampler script that prints the samples a little apart, each as a chunk
// of its own, then a line of zeros every half second, which also keeps a
// sanitized program's event loop awake so that it takes signals at once.
QByteArray samplerPrinting(const std::vector<Sample>& samples);

// The built program run as a user runs it, with settings, cache and runtime
// folders of its own and a scripted sampler. Killed when the run ends.
class ProgramRun {
public:
    // settings: the lines of the settings file's [General] section, written
    // unless null; sampler: the body of the sampler's bash script.
    explicit ProgramRun(const QByteArray& settings = {}, const QByteArray& sampler = samplerPrinting({}));

    // The test's environment with the sampler, the folders and
    // RATELARK_APPEARANCE=light. Change it before start.
    QProcessEnvironment& environment() { return environment_; }
    // Runs in the settings, cache, data and runtime folders of other, on its counters.
    void shareFoldersOf(const ProgramRun& other);
    // The replayed counters of the interface "wan9" (beside "lo"), in bytes.
    void setCounters(std::uint64_t received, std::uint64_t sent);
    void start(const QStringList& arguments, const QString& program = ratelarkPath());
    // The first n lines of standard output; fewer when the program ends first.
    QList<QByteArray> lines(qsizetype n);
    // Reads on until a line equal to line; false when the output ends first.
    bool shows(const QByteArray& line);
    // Ends the program as a session does (SIGTERM); true when it ends with 0.
    bool end();

    QProcess& process() { return process_; }
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString settingsPath() const { return path("config/ratelark/ratelark.conf"); }
    QByteArray consoleLog() const;
    static QString ratelarkPath() { return RATELARK_TEST_BIN_DIR "/ratelark"; }

private:
    QTemporaryDir dir_;
    QProcessEnvironment environment_;
    QProcess process_;
    QByteArray output_;
    qsizetype read_ = 0;  // the lines shows() has gone past
};

// A session bus of the test's own, for as long as it lives: a dbus-daemon,
// when one is installed (installed), and its address once it runs.
struct PrivateBus {
    PrivateBus();
    ~PrivateBus() {
        daemon.kill();
        daemon.waitForFinished();
    }
    bool installed = false;
    QByteArray address;
    QProcess daemon;
};

// /proc/net/dev's text for these interfaces' byte counters.
struct InterfaceBytes {
    QString name;
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
};
QByteArray netDevText(const std::vector<InterfaceBytes>& interfaces);

QByteArray readFile(const QString& path);
// Replaces the file's text; executable makes it a program for its owner.
bool writeFile(const QString& path, const QByteArray& text, bool executable = false);
QString writeBashScript(const QString& path, const QByteArray& body);  // returns the path
// Runs the event loop until done() holds or the limit passes; returns done().
// The limit only bounds a failing test: nothing is asserted about time.
bool waitUntil(const std::function<bool()>& done, int limitMs = 10000);
void spin(int ms);  // runs the event loop for a while
// Whether the process has ended: gone, or a zombie waiting to be reaped.
bool processEnded(qint64 pid);

// Sets an environment variable for one scope, or unsets it for a null value.
struct ScopedEnvironment {
    ScopedEnvironment(const char* name, const QByteArray& value) : name(name), old(qgetenv(name)) {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    ~ScopedEnvironment() { old.isNull() ? qunsetenv(name) : qputenv(name, old); }
    const char* name;
    QByteArray old;
};

// The tags of the marked items of a menu.
inline QList<qint64> markedTags(QMenu* menu) {
    QList<qint64> tags;
    for (QAction* item : menu->actions())
        if (item->isChecked()) tags << tagOf(item);
    return tags;
}

// How long a test gives the program to end once told to. A plain build ends
// at once; a ThreadSanitizer build takes a signal only at its next call into
// the runtime, which a program with a quiet sampler makes at its 30 s restart.
constexpr int kProgramEndLimitMs = 70000;

}  // namespace ratelark::testing
