// Faults from outside: samplers killed or misbehaving, settings of the wrong
// kind, a cache folder that cannot be made, a reader that goes away. Nothing
// may crash or hang, the speeds must come back, and nothing may pile up.
#include "app/PreferenceKeys.h"
#include "platform/Task.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <iostream>
#include <random>

#include <sys/wait.h>
#include <unistd.h>

namespace ratelark {
namespace {

using testing::Harness;
using testing::waitUntil;
using testing::writeBashScript;
using testing::writeFile;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

const QString kTool = QStringLiteral(RATELARK_TEST_BIN_DIR "/ratelark-netstat");

// Runs the event loop for a while; nothing is asserted about the time.
void spin(int ms) { waitUntil([] { return false; }, ms); }

// Runs the objects whose deletion was deferred: the retired children's
// process objects go that way.
void runDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

struct Children {
    int running = 0;
    int zombies = 0;
};

// The processes whose parent is this test, by their state in /proc.
Children childrenOfThisProcess() {
    Children children;
    const QByteArray self = QByteArray::number(::getpid());
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly)) continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 2 || fields[1] != self) continue;
        if (fields[0] == "Z")
            ++children.zombies;
        else
            ++children.running;
    }
    return children;
}

int openDescriptors() { return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size()); }

long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Every title the status items have been given so far.
int titlesShown(const Harness& harness) {
    int titles = 0;
    for (const auto& item : harness.statusBar->created) titles += item->titleSets;
    return titles;
}

qint64 samplerPid(AppController& c) { return c.task() ? c.task()->processIdentifier() : 0; }

// The real sampler tool, ticking fast so that each restart shows again soon.
QString fastSampler(const QTemporaryDir& dir, const char* interval = "0.02") {
    return writeBashScript(dir.filePath(QStringLiteral("fast-sampler")),
                           "exec '" + kTool.toUtf8() + "' " + interval + "\n");
}

TEST(FaultTolerance, ChildrenAreSeenByTheirState) {
    // The zombie count below is only worth something if it sees one.
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_TRUE(waitUntil([] { return childrenOfThisProcess().zombies == 1; }));
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(childrenOfThisProcess().zombies, 0);
}

TEST(FaultTolerance, SamplersKilledAtRandomMomentsOverManyRestarts) {
    QTemporaryDir dir;
    Harness::Options options;
    options.samplerTool = fastSampler(dir);
    Harness harness(options);
    AppController& c = harness.controller();
    harness.settings().setInteger(1, keys::refreshInterval);
    harness.start();
    ASSERT_TRUE(waitUntil([&] { return titlesShown(harness) > 1; })) << harness.consoleLog().toStdString();

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    auto restarts = [&](int count) {
        for (int restart = 0; restart < count; ++restart) {
            spin(int(random() % 60));
            const int how = int(random() % 3);
            const qint64 pid = samplerPid(c);
            // 0: killed, the tick comes before the end is noticed; 1: killed,
            // the tick may come after; 2: an ordinary restart.
            if (how != 2 && pid > 0) ::kill(pid_t(pid), SIGKILL);
            if (how == 1) spin(int(random() % 40));
            c.onTimerStartStopTask();
            const int before = titlesShown(harness);
            ASSERT_TRUE(waitUntil([&] { return titlesShown(harness) > before; }))
                << "no speeds after restart " << restart << " (way " << how << ")";
        }
    };
    // Everything that is made once (buffers, the first pipes) is made here.
    restarts(10);
    auto settled = [&] {
        runDeferredDeletes();
        const Children children = childrenOfThisProcess();
        return children.zombies == 0 && children.running == 1 && c.findChildren<QProcess*>().size() == 1;
    };
    ASSERT_TRUE(waitUntil(settled)) << "retired samplers are ended, reaped and forgotten";
    const int descriptors = openDescriptors();
    const long resident = residentKb();

    restarts(60);

    EXPECT_TRUE(waitUntil(settled)) << "children running " << childrenOfThisProcess().running << ", zombies "
                                    << childrenOfThisProcess().zombies << ", process objects "
                                    << c.findChildren<QProcess*>().size();
    EXPECT_LE(openDescriptors(), descriptors + 2) << "descriptors left open by retired samplers";
    if (kSanitized) {
        std::cout << "[ SKIPPED  ] the memory bound: a sanitizer keeps freed memory aside\n";
    } else {
        EXPECT_LE(residentKb() - resident, 3 * 1024) << "memory grows with the restarts";
    }
    ASSERT_TRUE(c.task() && c.pipeOutput() && c.pipeError());
}

TEST(FaultTolerance, RandomBytesOddNumbersAndLongLinesDoNotStopTheSpeeds) {
    QTemporaryDir dir;
    // Random bytes (NULs, broken UTF-8) on both outputs; numbers that are not
    // finite, negative or too large, each in a chunk of its own; a long line
    // of many words and a long line of one word; then ordinary lines.
    Harness::Options options;
    options.samplerTool = writeBashScript(dir.filePath(QStringLiteral("noisy-sampler")), R"(
head -c 300000 /dev/urandom
head -c 100000 /dev/urandom >&2
for line in '1 0 nan 1 0 inf 0' '1 0 1e309 1 0 -1e309 0' '1 0 -5 1 0 1e308 0' '1 0 -nan 1 0 -0 0'; do
  printf ' %s\n' "$line"; sleep 0.1
done
head -c 400000 /dev/zero | tr '\0' '7' | sed 's/7/7 /g'
head -c 1000000 /dev/zero | tr '\0' '9'
printf '\n'
while :; do printf '    3     0   2048     4     0   4096     0\n'; sleep 0.05; done
)");
    Harness harness(options);
    AppController& c = harness.controller();
    harness.settings().setInteger(1, keys::refreshInterval);
    harness.start();
    auto shows = [&](const char* text) {
        const testing::FakeStatusItem* item = harness.statusBar->last();
        return item && item->title && item->title->text.contains(QLatin1String(text));
    };
    ASSERT_TRUE(waitUntil([&] { return shows("2.0 KB") && shows("4.0 KB"); }, 60000))
        << "the ordinary lines after the noise show";
    EXPECT_TRUE(c.task() && c.pipeOutput() && c.pipeError()) << "the same sampler still runs";
    EXPECT_GT(harness.consoleLog().size(), 1000) << "the noise on standard error was logged";
}

TEST(FaultTolerance, ASamplerThatSaysNothingLeavesTheProgramWaiting) {
    Harness harness;  // its stand-in sampler prints nothing and waits
    AppController& c = harness.controller();
    harness.start();
    const int titles = titlesShown(harness);
    for (int tick = 0; tick < 3; ++tick) c.onTimerStartStopTask();
    spin(200);
    EXPECT_EQ(titlesShown(harness), titles) << "no sample, no new title";
    EXPECT_EQ(c.speedCount(), 0);
    EXPECT_TRUE(c.task() && c.pipeOutput());
}

// RateLark run as a user runs it, with a status line, in folders of its own.
class ProgramUnderFault : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        QDir(home_.path()).mkpath(QStringLiteral("config/ratelark"));
        QDir(home_.path()).mkpath(QStringLiteral("runtime"));
        QFile::setPermissions(home_.filePath(QStringLiteral("runtime")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    QString settingsPath() const { return home_.filePath(QStringLiteral("config/ratelark/ratelark.conf")); }

    void start(QProcess& program, const QString& cacheHome, const QString& sampler,
               const QString& executable = QStringLiteral(RATELARK_TEST_BIN_DIR "/ratelark"),
               const QStringList& arguments = {QStringLiteral("--status-line")}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), cacheHome);
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_.filePath(QStringLiteral("runtime")));
        environment.insert(QStringLiteral("RATELARK_NETSTAT"), sampler);
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        program.setProcessEnvironment(environment);
        program.start(executable, arguments);
        ASSERT_TRUE(program.waitForStarted());
    }

    // Waits for n lines of output; false if the program ended first.
    static bool lines(QProcess& program, int n, QByteArray& output) {
        return waitUntil([&] {
            output += program.readAllStandardOutput();
            return output.count('\n') >= n || program.state() == QProcess::NotRunning;
        }, 30000) && output.count('\n') >= n;
    }

    // Ends the program as a session does, and says whether it went well.
    static void endWell(QProcess& program) {
        program.terminate();
        const bool ended = program.waitForFinished(testing::kProgramEndLimitMs);
        if (!ended) program.kill();
        ASSERT_TRUE(ended) << "the program hung at the end";
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
    }

    QTemporaryDir home_;
};

TEST_F(ProgramUnderFault, SettingsOfTheWrongKindInEveryKeyAreReadAndKept) {
    const QByteArray settings =
        "[General]\nrefreshInterval=often\nshowType=@Invalid()\nshowKBMBGB=maybe\nfontName=@ByteArray(\\0\\x1)\n"
        "fontSize=huge\nshowWindow=@Variant(garbage)\nupAndDown=1, 2\nbitsPerSecond=\nuseFixedWith=@Rect(1 2 3 4)\n"
        "showArrow=-\nonlyShowDownload=\"\"\ncolorIsRedBlue=[]\n";
    ASSERT_TRUE(writeFile(settingsPath(), settings));

    QProcess program;
    start(program, home_.filePath(QStringLiteral("cache")), fastSampler(home_, "0.05"));
    QByteArray output;
    EXPECT_TRUE(lines(program, 3, output)) << program.readAllStandardError().toStdString();
    endWell(program);

    QFile after(settingsPath());
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), settings) << "the user's settings are kept as they were";
    EXPECT_FALSE(QFile::exists(settingsPath() + QStringLiteral(".bad"))) << "a readable file is not set aside";
}

TEST_F(ProgramUnderFault, ACacheFolderThatCannotBeMadeLeavesTheProgramWithoutALog) {
    // A file where the cache folder should be: not even root can make the
    // folder inside it.
    const QString blocked = home_.filePath(QStringLiteral("not-a-folder"));
    ASSERT_TRUE(writeFile(blocked, QByteArray()));

    QProcess program;
    start(program, blocked, fastSampler(home_, "0.05"));
    QByteArray output;
    EXPECT_TRUE(lines(program, 3, output)) << program.readAllStandardError().toStdString();
    endWell(program);
    EXPECT_EQ(QFileInfo(blocked).size(), 0) << "nothing was written over the file";
}

TEST_F(ProgramUnderFault, AnOutputClosedAtAnyMomentEndsTheProgramQuietly) {
    // A reader that takes a random number of lines and goes, while a fast
    // sampler keeps the program writing; the shell reports how it ended.
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    const QString sampler = fastSampler(home_, "0.01");
    for (int run = 0; run < 4; ++run) {
        const QString lineCount = QString::number(1 + random() % 60);
        QProcess shell;
        start(shell, home_.filePath(QStringLiteral("cache")), sampler, QStringLiteral("/bin/bash"),
              {QStringLiteral("-c"), QStringLiteral(R"("$0" "$1" | head -n "$2" >/dev/null; exit "${PIPESTATUS[0]}")"),
               QStringLiteral(RATELARK_TEST_BIN_DIR "/ratelark"),
               run % 2 ? QStringLiteral("--status-line=json") : QStringLiteral("--status-line"), lineCount});
        const bool ended = shell.waitForFinished(30000);
        if (!ended) shell.kill();
        ASSERT_TRUE(ended) << "run " << run << ": the program kept running with no reader";
        EXPECT_EQ(shell.exitStatus(), QProcess::NormalExit) << "run " << run;
        EXPECT_EQ(shell.exitCode(), 0) << "run " << run << " after " << lineCount.toStdString()
                                       << " lines; 141 is death by SIGPIPE";
        const QByteArray errors = shell.readAllStandardError();
        EXPECT_TRUE(errors.isEmpty()) << "run " << run << ": " << errors.toStdString();
    }
}

}  // namespace
}  // namespace ratelark
