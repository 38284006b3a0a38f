#pragma once

#include "app/Accessors.h"
#include "measure/InterfaceChoice.h"
#include "measure/SpeedRing.h"
#include "measure/TotalsPipelines.h"
#include "measure/TotalsWorkers.h"
#include "platform/AttributedText.h"
#include "platform/FontPanel.h"
#include "platform/InterfaceLoader.h"
#include "platform/PlatformServices.h"
#include "platform/SpeedGraph.h"
#include "platform/UsageView.h"
#include "present/TitleComposer.h"
#include "usage/DataAllowance.h"
#include "usage/UsagePeriod.h"
#include "usage/UsageRecorder.h"

#include <QAction>
#include <QByteArray>
#include <QFont>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>

class QTimer;

namespace ratelark {

class Pipe;
class ShellCommand;
class Task;
class TextField;

// The one controller: it owns all of RateLark's state as its fields and
// performs every operation. Its operations are defined in the folder of their
// concern: app/ (start-up, state), measure/ (sampler, parsing, totals),
// present/ (formatting, title, status item, windows, font) and commands/
// (menu commands, console log).
class AppController : public QObject {
    Q_OBJECT

    // Connected by the interface description.
    RATELARK_FIELD(QPointer<QWidget>, window, Window)
    RATELARK_FIELD(QPointer<QWidget>, panel, Panel)
    RATELARK_FIELD(QPointer<TextField>, textFieldUp, TextFieldUp)
    RATELARK_FIELD(QPointer<TextField>, textFieldDown, TextFieldDown)
    RATELARK_FIELD(QPointer<QMenu>, statusMenu, StatusMenu)
    RATELARK_FIELD(QPointer<QMenu>, refreshMenu, RefreshMenu)
    RATELARK_FIELD(QPointer<QMenu>, showTypeMenu, ShowTypeMenu)
    RATELARK_FIELD(QPointer<QAction>, itemDataReceived, ItemDataReceived)
    RATELARK_FIELD(QPointer<QAction>, itemDataSent, ItemDataSent)
    RATELARK_FIELD(QPointer<QAction>, itemUsageToday, ItemUsageToday)
    RATELARK_FIELD(QPointer<QAction>, itemUsageMonth, ItemUsageMonth)
    RATELARK_FIELD(QPointer<QAction>, itemUsagePeriod, ItemUsagePeriod)
    // Owned here.
    RATELARK_FIELD(std::shared_ptr<StatusItem>, statusItem, StatusItem)
    RATELARK_FIELD(std::shared_ptr<Task>, task, Task)
    RATELARK_FIELD(std::shared_ptr<ShellCommand>, taskGetData, TaskGetData)
    RATELARK_FIELD(std::shared_ptr<Pipe>, pipeOutput, PipeOutput)
    RATELARK_FIELD(std::shared_ptr<Pipe>, pipeError, PipeError)
    RATELARK_FIELD(std::shared_ptr<std::mutex>, condition, Condition)
    RATELARK_FIELD(QFont, font, Font)
    RATELARK_FIELD(std::int32_t, versionMajor, VersionMajor)
    RATELARK_FIELD(std::int32_t, versionMinor, VersionMinor)
    RATELARK_FIELD(std::int32_t, versionBugFix, VersionBugFix)
    RATELARK_FIELD(std::int64_t, count, Count)
    RATELARK_FIELD(std::int64_t, speedCount, SpeedCount)
    RATELARK_FIELD(std::int64_t, maxFixedWidth, MaxFixedWidth)
    RATELARK_FIELD(double, speedIn, SpeedIn)
    RATELARK_FIELD(double, speedOut, SpeedOut)
    RATELARK_FIELD(double, rMBS, RMBS)
    RATELARK_ATOMIC_FIELD(bool, bResetDataReceived, BResetDataReceived)
    RATELARK_ATOMIC_FIELD(bool, bResetDataSent, BResetDataSent)
    RATELARK_FIELD(double, rResetDataReceived, RResetDataReceived)
    RATELARK_FIELD(double, rResetDataSent, RResetDataSent)
    RATELARK_ATOMIC_FIELD(double, rCurDataReceived, RCurDataReceived)
    RATELARK_ATOMIC_FIELD(double, rCurDataSent, RCurDataSent)

public:
    explicit AppController(PlatformServices services, QObject* parent = nullptr);
    ~AppController() override;  // the teardown: clears condition first

    // --- app/: registration, start-up, interface -----------------------------
    // Registers the five preference defaults, once per store.
    static void initialize(SettingsStore& store);
    // The connections the interface description is loaded with.
    InterfaceConnections interfaceConnections();
    // What the start's load built, for the windows built when first opened
    // (their choice lists mirror its menus).
    void keepLoadedInterface(const LoadedInterface& loaded) { loadedNames_ = loaded.named; }
    // The start-up: runs once the interface description is connected.
    void awakeFromNib();
    SettingsStore& standardUserDefaults() { return *services_.settings; }
    PlatformServices& services() { return services_; }

    // --- measure/: sampler task, sample parsing, cumulative totals ------------
    void startStopTask();
    void onTimerStartStopTask();
    // Every second: starts a sampler when none runs and its wait is over.
    void onTimerWatchSampler();
    void outputDataReady(const QByteArray& chunk);
    void errorDataReady(const QByteArray& chunk);
    void taskTerminated();
    // Kills the running sampler at once and cuts its connections; for the quit path.
    void endSampler();
    void getMBS(const QByteArray& chunk);
    void menuWillOpen(QMenu* menu);
    void menuDidClose(QMenu* menu);
    void resetDataState(QObject* sender);
    // A totals pass over the chosen interfaces; none: the automatic set, as
    // it is when the pass begins.
    void threadGetData(const QStringList& chosenInterfaces = {});
    void taskGetData(const QString& command);
    // Kills a running totals pipeline's process group and lets no further
    // run start; never waits. For the quit path and the teardown.
    void endTotalsPipelines();
    // What totals passes run; tests put stand-ins here. Waits for a running
    // pass to finish before it replaces them.
    const TotalsPipelines& totalsPipelines() const { return totalsPipelines_; }
    void setTotalsPipelines(TotalsPipelines pipelines);

    // --- present/: formatting, title, status item, windows, font -------------
    QString formatSize(double bytesPerSecond);
    void updateStatusItem(const AttributedText* title);
    void clickMenuShowWindow(QObject* sender);
    void clickButtonShowWindow(QObject* sender);
    void clickWindow(QObject* sender);
    void windowDidResize(QWidget* window);
    void windowDidEndSheet(QWidget* window);
    void windowWillClose(QWidget* window);
    void clickFont(QObject* sender);
    void changeFont(QObject* fontManager);
    // A check box of the settings window: stores its state under the display
    // setting its "key" names.
    void clickPreferenceCheckBox(QObject* sender);
    // The settings window's choice of interfaces: stores it under
    // "interfaces" and starts a sampler that counts them.
    void clickInterfaces(QObject* sender);
    // A field of the settings window's data allowance: stores what it holds
    // under the setting its "key" names, or shows the stored value again
    // when it holds nothing usable.
    void clickDataAllowance(QObject* sender);

    // --- usage/: the usage history -------------------------------------------------
    // Writes what the counters carried since the last write into the history.
    void recordUsage();
    // Today's and this month's use, in the menu and the tooltips.
    void showUsage();
    // Opens the Usage window, or brings it to the front.
    void clickUsage(QObject* sender);

    // --- commands/: menu commands, console log --------------------------------
    void clickRefreshInterval(QObject* sender);
    void clickShowType(QObject* sender);
    void clickOpenAtLogin(QObject* sender);
    void launchActivityMonitor(QObject* sender);
    void clickRateOnAppStore(QObject* sender);
    void clickSupport(QObject* sender);
    void clickQuit(QObject* sender);
    QString logPath();
    void redirectConsoleLogToDocumentFolder();
    void avoidConsoleFlush(QObject* sender);

private:
    // The second half of getMBS: from the two mean speeds (bytes per second)
    // through their speed texts to the status title.
    void composeStatusTitle(double download, double upload);
    // The settings of the title, read again only when the store has changed.
    const TitleSettings& titleSettings();
    TitleSettings titleSettings_;
    WidestTitle widestTitle_;
    // Marks exactly the items of menu whose tag equals value.
    static void markItemsWithTag(QMenu* menu, qint64 value);
    // Builds the settings window, left out of the start because it is opened
    // rarely and holds memory for as long as it exists.
    void buildSettingsWindow();
    QHash<QString, QObject*> loadedNames_;
    std::unique_ptr<QWidget> settingsWindow_;  // once built; the outlet "window" points to it
    // Makes the controller the receiver of the font dialog's choices.
    void becomeFontManagerTarget();

    PlatformServices services_;

    // --- sampler internals (measure/) -----------------------------------------
    // A sampler runs while task and pipeOutput are both set.
    bool samplerRunning() const { return task() && pipeOutput(); }
    void startSampler();
    void stopSampler();
    // Clears task, pipeOutput and pipeError, in that order.
    void clearSampler();
    void cutSamplerConnections();
    // A sampler ended or failed to launch without being asked to: says why
    // (once while the same keeps happening), shows no speeds, and sets how
    // many ticks pass before the next start: 1, 2, 4 … 30 while samplers
    // keep ending before their first line.
    void samplerEnded(const QString& why);
    bool samplerDelivered_ = false;  // the running sampler has written a line
    int samplersFailedInARow_ = 0;
    int ticksBeforeNextSampler_ = 0;
    // Ticks each second only while no sampler runs, so that a running one
    // costs no wake of its own.
    QTimer* samplerWatch_ = nullptr;
    QString samplerEndLogged_;
    // The current sampler's output, error and termination connections.
    std::array<QMetaObject::Connection, 3> samplerConnections_;
    // Reads the choice of interfaces, says in the log what is counted (each
    // line once, until it no longer holds) and shows it in the settings
    // window while that is open or opening.
    InterfaceChoice followInterfaces(bool windowOpening = false);
    InterfacesNow interfacesNow();
    QStringList interfaceLogLines_;  // what the log last said about them

    // --- totals internals (measure/) ------------------------------------------
    // Starts a detached worker whose body is threadGetData.
    void startTotalsWorker();
    // Sets the titles of the two totals items from the stored totals.
    Q_INVOKABLE void showTotals();
    TotalsPipelines totalsPipelines_;
    TotalsWorkers totalsWorkers_;
    // The names the running pass counts, blank-separated; only under the lock.
    QString totalsInterfaces_;

    // --- usage internals (usage/) -----------------------------------------------
    // Takes a reading of the counted interfaces for the history.
    void observeUsage(const CountedInterfaces& counted, const NetworkInterfaces& interfaces);
    // At every sampler restart: the history is written every few of them.
    void followUsage();
    // Writes the history, with the allowance watched, and tells the user
    // about a share of it this write reached first; false when it could not.
    bool writeUsage();
    // The allowance as the settings say now, for the counted interfaces.
    std::optional<AllowanceWatch> followAllowance();
    std::unique_ptr<UsageRecorder> usageRecorder_;
    QStringList usageCounted_;      // the interfaces the last reading counted
    DataAllowance allowance_;       // as followAllowance last read it
    QString allowanceProblem_;      // what the log last said was wrong with it
    int allowanceLevel_ = 0;        // 0, 80 or 100: how far the period's use has gone
    int usageTicks_ = 0;       // sampler restarts since the last write
    // The lines the tooltips show after the speeds, each after a line break:
    // joined when they change, not at every title.
    QString usageToolTip_;

    // --- the Usage window (present/) --------------------------------------------
    // The live graph from the ring, once a second while the window is open.
    void showLiveGraph();
    // The chart of the chosen periods from the history.
    void showUsageChart();
    // The chart stored as chosen: 0 hours, 1 days, 2 months.
    int chosenChart();
    // The time and both speeds of the second nearest a moment of the graph.
    QString liveGraphText(qint64 moment);
    SpeedRing speedRing_;  // the last ten minutes of the sampler, always kept
    QPointer<UsageView> usageWindow_;  // set while the window is open
    QStringList usageBarTexts_;  // the tool tip of each bar shown
    // The speed window's small graph: made, drawn or taken away as the
    // setting says, at every second of the sampler.
    void followSpeedGraph();
    QPointer<SpeedGraph> speedGraph_;

    // --- presentation internals (present/) -------------------------------------
    // Shows (front) or hides the speed window and stores that wish.
    void orderSpeedWindow(bool front);
    // Stores that the speed window is not to be shown when window is it.
    void forgetSpeedWindow(QWidget* window);
    // Sets the mark of every control bound to a preference to its stored value.
    void followPreferences(bool windowOpening = false);
    // Shows the stored data allowance in the settings window's fields.
    void showAllowanceSettings();
    // Shows the interfaces, the choice and what is counted in the settings window.
    void showCountedInterfaces(const InterfacesNow& now);
    std::unique_ptr<FontPanel> fontPanel_;

    // --- command internals (commands/) -----------------------------------------
    // A choice list's command: stores the sender's tag under key and marks
    // the sender alone in menu.
    void chooseFromList(QObject* sender, const QString& key, QMenu* menu);
    // Sets the open-at-login item's mark from the login item's registration.
    void markOpenAtLoginItem(QObject* item);
    // The missing software centre is said once a run, not at every click.
    bool softwareCentreMissingLogged_ = false;
};

}  // namespace ratelark
