#pragma once

#include "app/AppController.h"
#include "tests/support/Fakes.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace ratelark::testing {

// A controller with a real settings file and console log in a temporary
// folder, the shipped interface description, and fakes for the desktop
// services. Standard error is given back when the harness ends, since the
// start-up points it at the console log.
class Harness {
public:
    struct Options {
        QString samplerTool;              // empty: a sampler that prints nothing and waits
        bool loadInterface = true;        // the shipped description
        QByteArray settingsFile;          // written to the settings file before the store opens
        std::function<std::unique_ptr<StatusBar>()> statusBar;  // empty: a fake
    };

    Harness();
    explicit Harness(const Options& options);
    ~Harness();

    AppController& controller() { return *controller_; }
    SettingsStore& settings() { return controller_->standardUserDefaults(); }
    void start() { controller_->awakeFromNib(); }

    QString folder() const { return dir_.path(); }
    QString settingsPath() const { return dir_.path() + QStringLiteral("/config/ratelark/ratelark.conf"); }
    QString logPath() const { return dir_.path() + QStringLiteral("/cache/ratelark/console.log"); }
    QString consoleLog() const;  // the log's current text

    // A fresh store over the same file, as the next launch would see it.
    std::unique_ptr<SettingsStore> reopenSettings() const;

    // Writes an executable shell script into the folder and returns its path.
    QString writeScript(const QString& name, const QString& body) const;

    FakeSystemVersion* version = nullptr;
    FakeStatusBar* statusBar = nullptr;  // none when the options gave a status bar
    FakeAppearance* appearance = nullptr;
    FakeWorkspace* workspace = nullptr;
    FakeLoginItems* loginItems = nullptr;
    FakeEventLoop* eventLoop = nullptr;
    LoadedInterface ui;

private:
    QTemporaryDir dir_;
    int savedStderr_ = -1;
    std::unique_ptr<AppController> controller_;
};

// Writes text to path, replacing what was there; executable makes it a
// program for its owner. False when the file cannot be written.
bool writeFile(const QString& path, const QByteArray& text, bool executable = false);

// Writes an executable bash script with body at path and returns the path.
QString writeBashScript(const QString& path, const QByteArray& body);

// Runs the event loop until done() holds or the limit passes; returns done().
// The limit only bounds a failing test: nothing is asserted about time.
bool waitUntil(const std::function<bool()>& done, int limitMs = 10000);

// How long a test gives the program to end once told to. A plain build ends
// at once; a ThreadSanitizer build takes a signal only at its next call into
// the runtime, which in an idle program can be the sampler's 30 s restart.
constexpr int kProgramEndLimitMs = 70000;

}  // namespace ratelark::testing
