// The program as a user starts it: the lines it writes for a bar, its log,
// its single instance, and its children.
#include "platform/SingleInstance.h"
#include "platform/StandardStreams.h"
#include "platform/TerminationSignals.h"
#include "tests/support/Harness.h"

#include <QDateTime>
#include <QRegularExpression>

#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

namespace ratelark {
namespace {

using namespace testing;

const Sample kTypical{12595, 1229};  // 12.3 KB down, 1.2 KB up

TEST(StatusLine, TheProgramWritesOneJsonObjectPerUpdateAsTheSettingsSay) {
    const std::tuple<QByteArray, const char*, std::vector<Sample>, QList<QByteArray>> cases[] = {
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
    for (const auto& [settings, appearance, samples, lines] : cases) {
        ProgramRun run(settings, samplerPrinting(samples));
        run.environment().insert("RATELARK_APPEARANCE", appearance);
        run.start({"--status-line=json"});
        EXPECT_EQ(run.lines(lines.size()), lines) << settings.toStdString() << run.consoleLog().toStdString();
    }
}

TEST(StatusLine, WithoutADisplayTheProgramWritesTextLinesAndSaysSo) {
    ProgramRun run("showArrow=1\nupAndDown=1\n", samplerPrinting({kTypical}));
    run.environment().remove("DISPLAY");
    run.environment().remove("WAYLAND_DISPLAY");
    run.start({});
    EXPECT_EQ(run.lines(1), QList<QByteArray>{"↑1.2 KB ↓12.3 KB"}) << "a two-line title on one line";
    EXPECT_TRUE(run.end()) << "SIGTERM takes the quit path";
    const QString errors = QString::fromUtf8(run.process().readAllStandardError());
    EXPECT_TRUE(errors.count('\n') == 1 && errors.contains("no display")) << errors.toStdString();
}

TEST(ConsoleLog, TheLogHoldsOnlyTheLatestRunFromTheKernelVersionOn) {
    ProgramRun first(QByteArray("\x00\x01\x02[General\xff\xfe", 10));
    first.start({"--status-line"});
    ASSERT_EQ(first.lines(1).size(), 1);
    ASSERT_TRUE(first.end());
    EXPECT_TRUE(QFile::exists(first.settingsPath() + ".bad")) << "the garbled settings are kept aside";
    EXPECT_TRUE(first.consoleLog().contains("could not be read"));
    // The kernel's release ("6.1.0-18-amd64") as three numbers comes first.
    const QByteArray firstLine = first.consoleLog().split('\n').value(0);
    EXPECT_TRUE(QRegularExpression("\\] \\d+\\.\\d+\\.\\d+$").match(firstLine).hasMatch()) << firstLine.toStdString();

    ProgramRun second;  // in the same folders
    for (const char* folder : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) second.environment().insert(folder, first.environment().value(folder));
    second.start({"--status-line"});
    ASSERT_EQ(second.lines(1).size(), 1);
    ASSERT_TRUE(second.end());
    EXPECT_FALSE(first.consoleLog().contains(firstLine)) << first.consoleLog().toStdString();
}

TEST(ConsoleLog, StandardOutputAndErrorShareOneOpening) {
    QTemporaryDir dir;
    if (::fork() == 0) {  // in a child, so that the test runner keeps its streams
        if (redirectStandardStreams(dir.filePath("console.log"), true).isEmpty()) {
            std::fputs("error\n", stderr);
            std::fputs("output\n", stdout);
        }
        std::fflush(nullptr);
        ::_exit(0);
    }
    ::wait(nullptr);
    EXPECT_EQ(readFile(dir.filePath("console.log")), "error\noutput\n") << "nothing overwritten, in the order written";
}

// A run in a session with a display but no tray host, drawn off screen,
// whose sampler notes its process id beside it.
struct TrayRun : ProgramRun {
    explicit TrayRun(const TrayRun* sharingTheLockOf = nullptr)
        : ProgramRun({}, "echo $$ > \"$(dirname \"$0\")/sampler.pid\"\n" + samplerPrinting({})) {
        environment().insert("QT_QPA_PLATFORM", "offscreen");
        environment().insert("DISPLAY", ":97");
        environment().remove("WAYLAND_DISPLAY");
        environment().remove("DBUS_SESSION_BUS_ADDRESS");
        if (sharingTheLockOf) environment().insert("XDG_RUNTIME_DIR", sharingTheLockOf->path("runtime"));
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

TEST(SingleInstance, ATrayRunHoldsTheLockHoweverLongAndLeavesNothingBehind) {
    TrayRun first;
    ASSERT_TRUE(first.holdsTheLock(first));
    ProgramRun bar;  // a bar's status line runs beside the tray item
    bar.environment().insert("XDG_RUNTIME_DIR", first.path("runtime"));
    bar.start({"--status-line=json"});
    EXPECT_EQ(bar.lines(1).size(), 1) << bar.process().readAllStandardError().toStdString();

    QFile lock(first.path("runtime/ratelark.lock"));  // an hour old, and held
    ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
    lock.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
    lock.close();
    TrayRun second(&first);
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
    TrayRun next(&crashed);
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
