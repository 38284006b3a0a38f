// The program as a user starts it: the lines it writes for a bar, its log,
// its single instance, and its children.
#include "app/CommandLine.h"
#include "app/PreferenceKeys.h"
#include "app/SurfaceChoice.h"
#include "platform/SettingsStore.h"
#include "platform/SingleInstance.h"
#include "platform/StandardStreams.h"
#include "platform/Log.h"
#include "platform/TerminationSignals.h"
#include "platform/UserFolders.h"
#include "tests/support/Harness.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>

#include <csignal>

#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ratelark {
namespace {

using namespace testing;

const Sample kTypical{12595, 1229};  // 12.3 KB down, 1.2 KB up

TEST(StatusLine, TheProgramWritesOneLinePerUpdateAsTheSettingsAndTheFormatSay) {
    const std::tuple<QByteArray, const char*, std::vector<Sample>, QList<QByteArray>> cases[] = {  // settings; appearance; samples; json lines
        {"colorIsRedBlue=1\nshowArrow=1\nupAndDown=1\n", "dark", {kTypical},
         {R"({"class":"ratelark","runs":[{"color":"yellow","length":10,"start":0},{"color":"white","length":1,"start":10},)"
          R"({"color":"green","length":8,"start":11}],"text":"↑1.2 KB   \n↓12.3 KB","tooltip":"↑1.2 KB\n↓12.3 KB"})"}},
        {"colorIsRedBlue=1\nonlyShowDownload=1\nupAndDown=1\n", "light", {kTypical},
         {R"({"class":"ratelark","runs":[{"color":"red","length":7,"start":0}],"text":"12.3 KB","tooltip":"1.2 KB\n12.3 KB"})"}},
        {"bitsPerSecond=1\nshowType=2\n", "light", {kTypical},
         {R"({"class":"ratelark","runs":[],"text":"0.1 Mb|0.0 Mb","tooltip":"0.0 Mb\n0.1 Mb"})"}},
        {"useFixedWith=1\nshowKBMBGB=0\n", "light", {{1100000, 1000}, {1048576, 0}, {52, 0}},  // the widest so far
         {R"({"class":"ratelark","runs":[],"text":"1.0|1.0","tooltip":"1.0\n1.0"})",
          R"({"class":"ratelark","runs":[],"text":"1024.0|0000.0","tooltip":"0000.0\n1024.0"})",
          R"({"class":"ratelark","runs":[],"text":"0000.1|0000.0","tooltip":"0000.0\n0000.1"})"}},
        {"refreshInterval=2\nshowArrow=1\n", "light", {{1024, 0}, {3072, 2048}, {0, 0}},  // averaged over two samples
         {R"({"class":"ratelark","runs":[],"text":"↓2.0 KB|↑1.0 KB","tooltip":"↑1.0 KB\n↓2.0 KB"})",
          R"({"class":"ratelark","runs":[],"text":"↓0.0 KB|↑0.0 KB","tooltip":"↑0.0 KB\n↓0.0 KB"})"}},
    };
    // Every tooltip ends in the usage lines, of nothing yet in a new history.
    constexpr char kNoUsage[] = "\\nToday: ↓ 0 B ↑ 0 B\\nThis Month: ↓ 0 B ↑ 0 B";
    for (auto [settings, appearance, samples, lines] : cases) {
        for (QByteArray& line : lines) line.insert(line.size() - 2, kNoUsage);
        ProgramRun run(settings, samplerPrinting(samples));
        run.environment().insert("RATELARK_APPEARANCE", appearance);
        run.start({"--status-line=json"});
        EXPECT_EQ(run.lines(lines.size()), lines) << settings.toStdString();
    }
    // The bars' own formats: their markup on one line, for a dark bar whatever the desktop.
    const std::pair<const char*, QByteArray> bars[] = {
        {"polybar", "%{F#fce94f}↑1.2 KB%{F-}%{F#eeeeec} %{F-}%{F#8ae234}↓12.3 KB%{F-}"},
        {"waybar", R"({"class":"ratelark","text":"<span foreground=\"#fce94f\">↑1.2 KB</span><span foreground=\"#eeeeec\"> </span>)"
                   R"(<span foreground=\"#8ae234\">↓12.3 KB</span>","tooltip":"↑1.2 KB\n↓12.3 KB\n)"
                   R"(Today: ↓ 0 B ↑ 0 B\nThis Month: ↓ 0 B ↑ 0 B"})"},
    };
    for (const auto& [format, line] : bars) {
        ProgramRun run("colorIsRedBlue=1\nshowArrow=1\nupAndDown=1\n", samplerPrinting({kTypical}));
        run.environment().remove("RATELARK_APPEARANCE");
        run.start({QString("--status-line=") + format});
        EXPECT_EQ(run.lines(1), QList<QByteArray>{line});
    }
}

TEST(StatusLine, WithoutADisplayTheProgramWritesTextLinesAndSaysSo) {
    // A status line loads no fonts, so it has none to find the user's among,
    // and opens no windows, which nobody would see (its platform says so of
    // each window shown: "does not support").
    ProgramRun run("showArrow=1\nupAndDown=1\nfontName=Any Family:style=Bold\nshowWindow=1\n",
                   samplerPrinting({kTypical}));
    run.environment().remove("DISPLAY");
    run.environment().remove("WAYLAND_DISPLAY");
    run.start({});
    EXPECT_EQ(run.lines(1), QList<QByteArray>{"↑1.2 KB ↓12.3 KB"}) << "a two-line title on one line";
    EXPECT_TRUE(run.end()) << "SIGTERM takes the quit path";
    const QString errors = QString::fromUtf8(run.process().readAllStandardError());
    EXPECT_TRUE(errors.count('\n') == 1 && errors.contains("no display")) << errors.toStdString();
    const QByteArray log = readFile(run.path("cache/ratelark/status-line.log"));
    EXPECT_TRUE(log.contains("Counting the interfaces") && !log.contains("Font") && !log.contains("does not support"))
        << log.toStdString();
}

TEST(StandardStreams, StartedWithThemClosedEverySurfaceRunsLogsCleanlyAndEndsOnSIGTERM) {
    for (const char* closed : {"--status-line >&- 2>&-", "--status-line >&-", "--status-line 2>&-", "<&- >&-", "2>&-"}) {
        ProgramRun run;  // a tray run where no status line is asked for, drawn off screen without a host
        run.environment().insert("QT_QPA_PLATFORM", "offscreen");
        run.environment().insert("DISPLAY", ":97");
        run.environment().remove("DBUS_SESSION_BUS_ADDRESS");
        run.start({"-c", QString("exec \"$0\" %1").arg(closed), ProgramRun::ratelarkPath()}, "/bin/bash");
        const auto log = [&] { return run.consoleLog() + readFile(run.path("cache/ratelark/status-line.log")); };
        EXPECT_TRUE(waitUntil([&] { return log().contains("Counting the interfaces"); })) << closed;
        EXPECT_TRUE(run.process().state() == QProcess::Running && !log().contains('\0')) << closed;
        EXPECT_TRUE(run.end()) << closed;
    }
}

TEST(UserFolders, AMissingHomeIsTheUsersAndARelativeXdgFolderIsIgnored) {
    const QByteArray home = ::getpwuid(::getuid())->pw_dir;
    const std::tuple<const char*, QByteArray, QByteArray> rows[] = {  // variable; value; what it becomes
        {"HOME", QByteArray(), home}, {"HOME", "relative", home}, {"XDG_CACHE_HOME", "cache", QByteArray()},
        {"XDG_CONFIG_HOME", "/config", "/config"}};
    for (const auto& [name, value, becomes] : rows) {
        const ScopedEnvironment set(name, value);
        settleUserFolders();
        EXPECT_EQ(qgetenv(name), becomes) << name << '=' << value.toStdString();
    }
}

TEST(LoggedValues, AreQuotedWithControlCharactersEscapedAndCutShort) {
    const QString tenMegabytes(10 << 20, 'M');
    EXPECT_EQ(quotedForLog("eth0\t\x1b[2J"), "\"eth0\\x09\\x1b[2J\"");
    EXPECT_EQ(quotedForLog(tenMegabytes), '"' + QString(80, 'M') + "\"…");
    const CommandLine hostile = parseCommandLine({"--\x1b]0;owned\x07\n"});
    EXPECT_EQ(hostile.error, "unknown option \"--\\x1b]0;owned\\x07\\x0a\"") << "one line, nothing raw";
}

TEST(StatusLine, IsChosenAsAskedOrWhenTheSessionOffersNoStatusAreaAndOnlyATerminalSeesTheStandIn) {
    using enum SurfaceChoice::Surface;
    using Format = StatusLineFormat;
    // asked for; display, tray host, terminal; the surface, in text lines rather than json, with a notice
    const std::tuple<Format, bool, bool, bool, SurfaceChoice::Surface, bool, bool> rows[] = {
        {Format::Json, true, true, true, StatusLine, false, false},     {Format::Json, false, false, false, StatusLine, false, false},
        {Format::Text, true, true, true, StatusLine, true, false},      {Format::None, true, true, true, Tray, true, false},
        {Format::None, true, false, true, TrayWithStandIn, true, true}, {Format::None, true, false, false, Tray, true, true},
        {Format::None, false, false, true, StatusLine, true, true},     {Format::None, false, true, false, StatusLine, true, true},
    };
    for (const auto& [asked, display, trayHost, terminal, surface, text, notice] : rows) {
        const SurfaceChoice choice = chooseSurface(asked, display, trayHost, terminal);
        SCOPED_TRACE(::testing::Message() << int(asked) << display << trayHost << terminal);
        EXPECT_TRUE(choice.surface == surface && (choice.style == StatusLineStyle::Text) == text);
        EXPECT_EQ(!choice.notice.isEmpty(), notice);
        EXPECT_FALSE(choice.notice.contains('\n')) << "one line";
        EXPECT_EQ(choice.writesStandardOutput(), surface != Tray);
    }
}

// A run in a session with a display but no tray host, drawn off screen,
// whose sampler notes its process id beside it. It may share the settings,
// cache and runtime folders of another run.
struct TrayRun : ProgramRun {
    explicit TrayRun(const QByteArray& settings = {}, const TrayRun* sharingFoldersOf = nullptr)
        : ProgramRun(settings, "echo $$ > \"$(dirname \"$0\")/sampler.pid\"\n" + samplerPrinting({})) {
        environment().insert("QT_QPA_PLATFORM", "offscreen");
        environment().insert("DISPLAY", ":97");
        environment().remove("WAYLAND_DISPLAY");
        environment().remove("DBUS_SESSION_BUS_ADDRESS");
        if (sharingFoldersOf) shareFoldersOf(*sharingFoldersOf);
        start({});
    }
    qint64 sampler() const { return readFile(path("sampler.pid")).toLongLong(); }
    // Whether it runs, has the lock in the runtime folder of owner and measures.
    bool holdsTheLock(const TrayRun& owner) {
        return waitUntil([&] {
            const qint64 holder = readFile(owner.path("runtime/ratelark.lock")).split('\n').value(0).toLongLong();
            return holder == process().processId() && sampler() > 0;
        });
    }
};

TEST(ConsoleLog, TheTraysLogHoldsOnlyTheLatestRunFromTheKernelVersionOn) {
    TrayRun first(QByteArray("\x00\x01\x02[General\xff\xfe", 10));
    ASSERT_TRUE(first.holdsTheLock(first));
    ASSERT_TRUE(first.end());
    EXPECT_EQ(QDir(first.path("config/ratelark")).entryList({"ratelark.conf.bad-*"}).size(), 1) << "the garbled settings are kept aside";
    EXPECT_TRUE(first.consoleLog().contains("could not be read"));
    // The kernel's release ("6.1.0-18-amd64") as three numbers comes first.
    const QByteArray firstLine = first.consoleLog().split('\n').value(0);
    EXPECT_TRUE(QRegularExpression("\\] \\d+\\.\\d+\\.\\d+$").match(firstLine).hasMatch()) << firstLine.toStdString();

    TrayRun second({}, &first);
    ASSERT_TRUE(second.holdsTheLock(first));
    ASSERT_TRUE(second.end());
    EXPECT_FALSE(first.consoleLog().contains(firstLine)) << first.consoleLog().toStdString();
}

TEST(ConsoleLog, StandardOutputAndErrorShareOneOpening) {
    QTemporaryDir dir;
    if (::fork() == 0) {  // in a child, so that the test runner keeps its streams
        if (redirectStandardStreams(dir.filePath("console.log"), true, true).isEmpty()) {
            std::fputs("error\n", stderr);
            std::fputs("output\n", stdout);
        }
        std::fflush(nullptr);
        ::_exit(0);
    }
    ::wait(nullptr);
    EXPECT_EQ(readFile(dir.filePath("console.log")), "error\noutput\n") << "nothing overwritten, in the order written";
}

TEST(SingleInstance, ATrayRunHoldsTheLockHoweverLongAndLeavesNothingBehind) {
    TrayRun first("showArrow=0\n");
    ASSERT_TRUE(first.holdsTheLock(first));
    const QByteArray trayMark = "[" + QByteArray::number(first.process().processId()) + ":";
    ASSERT_TRUE(waitUntil([&] { return first.consoleLog().contains(trayMark); }));
    const QByteArray firstLine = first.consoleLog().split('\n').value(0);

    // A bar's status line runs beside the tray item, follows the settings
    // they share as they are changed, and keeps to a log of its own.
    ProgramRun bar;
    bar.shareFoldersOf(first);
    bar.start({"--status-line"});
    EXPECT_TRUE(bar.shows("0.0 KB|0.0 KB")) << bar.process().readAllStandardError().toStdString();
    writeFile(first.settingsPath(), "[General]\nshowArrow=1\n");  // by hand, in place
    EXPECT_TRUE(bar.shows("↓0.0 KB|↑0.0 KB"));
    SettingsStore other(first.settingsPath());  // as another instance writes: a file renamed over it
    other.setObject(true, keys::onlyShowDownload);
    other.synchronize();
    EXPECT_TRUE(bar.shows("↓0.0 KB"));
    writeFile(first.settingsPath(), QByteArray("[General]\xff\xfe\0", 12));
    const auto told = [](const QByteArray& log) { return log.contains("has become unreadable"); };
    EXPECT_TRUE(waitUntil([&] { return told(first.consoleLog()) && told(readFile(first.path("cache/ratelark/status-line.log"))); }));
    EXPECT_TRUE(first.consoleLog().startsWith(firstLine + '\n')) << "the tray's log was emptied";
    for (const QByteArray& line : first.consoleLog().trimmed().split('\n'))
        EXPECT_TRUE(line.contains(trayMark)) << "the tray's log holds only its own lines: " << line.toStdString();

    QFile lock(first.path("runtime/ratelark.lock"));  // an hour old, and held
    ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
    lock.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
    lock.close();
    TrayRun second({}, &first);
    ASSERT_TRUE(second.process().waitForFinished(kProgramEndLimitMs));
    EXPECT_EQ(second.process().exitCode(), 0);
    EXPECT_TRUE(second.process().readAllStandardError().contains("RateLark already runs"));
    EXPECT_EQ(second.sampler(), 0) << "the second start measured nothing";

    const qint64 sampler = first.sampler();
    EXPECT_TRUE(first.end());
    EXPECT_TRUE(waitUntil([&] { return processEnded(sampler); })) << "no sampler is left";
    EXPECT_FALSE(lock.exists()) << "the lock is given up at the end";
    // A lock that cannot be made at all does not stop the program.
    EXPECT_TRUE(SingleInstance(first.path("sampler/ratelark.lock")).isOnlyInstance());
}

TEST(SingleInstance, AKilledRunLeavesNoSamplerAndItsLockIsTakenOver) {
    TrayRun crashed;
    ASSERT_TRUE(crashed.holdsTheLock(crashed));
    crashed.process().kill();
    ASSERT_TRUE(crashed.process().waitForFinished());
    EXPECT_TRUE(waitUntil([&] { return processEnded(crashed.sampler()); })) << "the sampler outlived it";
    TrayRun next({}, &crashed);
    EXPECT_TRUE(next.holdsTheLock(crashed));
    EXPECT_TRUE(next.end());
}

TEST(ChildSignals, AForkedChildHitBeforeItsProgramStartsEndsByTheSignal) {
    for (const int number : {SIGTERM, SIGINT}) {
        int calls = 0;
        TerminationSignals watcher([&calls] { ++calls; });
        const pid_t child = ::fork();
        if (child == 0) {
            ::kill(::getpid(), number);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == number) << "status " << status;
        spin(200);
        EXPECT_EQ(calls, 0) << "the child's signal was taken for the parent's";
    }
}

}  // namespace
}  // namespace ratelark
