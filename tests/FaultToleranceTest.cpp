// Faults from outside: samplers killed or misbehaving, settings of the wrong
// kind, a cache folder that cannot be made, a reader that goes away. Nothing
// may crash or hang, the speeds must come back, and nothing may pile up.
#include "app/PreferenceKeys.h"
#include "platform/Task.h"
#include "tests/support/Harness.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <random>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ratelark {
namespace {

using namespace testing;

// The real sampler tool, ticking fast so that each restart shows again soon.
QByteArray fastSampler(const char* interval) { return "exec '" RATELARK_TEST_BIN_DIR "/ratelark-netstat' " + QByteArray(interval); }

// This process's children still running, and those ended but not reaped.
std::pair<int, int> childrenRunningAndZombies() {
    std::pair<int, int> children;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        const QByteArray stat = readFile("/proc/" + entry + "/stat");
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == ::getpid()) ++(fields[0] == "Z" ? children.second : children.first);
    }
    return children;
}

long residentKb() {
    for (const QByteArray& line : readFile("/proc/self/status").split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

TEST(FaultTolerance, SamplersKilledAtRandomMomentsOverManyRestarts) {
    Harness harness({.sampler = fastSampler("0.02")});
    AppController& c = harness.controller();
    harness.start();
    ASSERT_TRUE(waitUntil([&] { return harness.titles() > 1; })) << harness.consoleLog().toStdString();
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    const auto restarts = [&](int count) {
        for (int restart = 0; restart < count; ++restart) {
            spin(int(random() % 60));
            const int how = int(random() % 3);
            // 0: killed, the tick comes before the end is noticed; 1: killed,
            // the tick may come after; 2: an ordinary restart.
            const qint64 pid = c.task() ? c.task()->processIdentifier() : 0;
            if (how != 2 && pid > 0) ::kill(pid_t(pid), SIGKILL);
            if (how == 1) spin(int(random() % 40));
            c.onTimerStartStopTask();
            const int before = harness.titles();
            ASSERT_TRUE(waitUntil([&] { return harness.titles() > before; })) << "no speeds after restart " << restart;
        }
    };
    const auto settled = [&] {  // retired samplers ended, reaped and forgotten
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // how their process objects go
        const QList<QObject*> objects = c.findChildren<QObject*>();
        return childrenRunningAndZombies() == std::pair(1, 0)
               && std::count_if(objects.begin(), objects.end(),
                                [](const QObject* each) { return each->inherits("ratelark::ChildProcess"); }) == 1;
    };
    restarts(10);  // everything made once (buffers, the first pipes) is made here
    ASSERT_TRUE(waitUntil(settled));
    const qsizetype descriptors = QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size();
    [[maybe_unused]] const long resident = residentKb();  // unread under sanitizers
    restarts(60);
    EXPECT_TRUE(waitUntil(settled)) << "retired samplers are left running, unreaped or remembered";
    EXPECT_LE(QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), descriptors + 2);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)  // sanitizers keep freed memory aside
    EXPECT_LE(residentKb() - resident, 3 * 1024) << "memory grows with the restarts";
#endif
}

TEST(FaultTolerance, RandomBytesOddNumbersAndLongLinesDoNotStopTheSpeeds) {
    // Random bytes (NULs, broken UTF-8) on both outputs; numbers that are not
    // finite, negative or too large, each in a chunk of its own; a long line
    // of many words and a long line of one word; then ordinary lines.
    Harness harness({.sampler = R"(
head -c 300000 /dev/urandom
head -c 100000 /dev/urandom >&2
for line in '1 0 nan 1 0 inf 0' '1 0 1e309 1 0 -1e309 0' '1 0 -5 1 0 1e308 0' '1 0 -nan 1 0 -0 0'; do
  printf ' %s\n' "$line"; sleep 0.1
done
head -c 400000 /dev/zero | tr '\0' '7' | sed 's/7/7 /g'
head -c 1000000 /dev/zero | tr '\0' '9'
printf '\n'
while :; do printf '    3     0   2048     4     0   4096     0\n'; sleep 0.05; done
)"});
    AppController& c = harness.controller();
    harness.start();
    const qint64 sampler = c.task()->processIdentifier();
    ASSERT_TRUE(waitUntil([&] { return harness.title() == "2.0 KB|4.0 KB"; }, 60000)) << "the ordinary lines show";
    ASSERT_TRUE(c.task() && c.pipeOutput() && c.pipeError());
    EXPECT_EQ(c.task()->processIdentifier(), sampler) << "the same sampler still runs";
    EXPECT_GT(harness.consoleLog().size(), 1000) << "the noise on standard error was logged";
}

TEST(FaultTolerance, SettingsOfTheWrongKindAndNoCacheFolderLeaveTheProgramRunning) {
    const QByteArray settings =
        "refreshInterval=often\nshowType=@Invalid()\nshowKBMBGB=maybe\nfontName=@ByteArray(\\0\\x1)\n"
        "fontSize=huge\nshowWindow=@Variant(garbage)\nupAndDown=1, 2\nbitsPerSecond=\nuseFixedWith=@Rect(1 2 3 4)\n"
        "showArrow=-\nonlyShowDownload=\"\"\ncolorIsRedBlue=[]\n";
    ProgramRun run(settings, fastSampler("0.05"));
    writeFile(run.path("blocked"), {});  // a file where the cache folder should be
    run.environment().insert("XDG_CACHE_HOME", run.path("blocked"));
    run.environment().insert("RATELARK_APPEARANCE", "purple");
    run.start({"--status-line"});
    EXPECT_EQ(run.lines(3).size(), 3);
    EXPECT_TRUE(run.end()) << "the program ends well";
    EXPECT_EQ(run.process().readAllStandardError(), "") << "a bar shows standard error: nothing goes there";
    EXPECT_EQ(readFile(run.settingsPath()), "[General]\n" + settings) << "the user's settings are kept as they were";
    EXPECT_EQ(QFileInfo(run.path("blocked")).size(), 0) << "nothing was written over the file";
}

TEST(FaultTolerance, EachUnreadableSettingsFileIsKeptUnderANameOfItsOwnAndNonFilesAreNeverRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath("ratelark.conf");
    const QByteArrayList unreadable = {"1\xe9", "2\xe9", "3" + QByteArray(2 << 20, 'x')};  // in the same second, mostly
    for (const QByteArray& bytes : unreadable) {
        writeFile(path, bytes);
        EXPECT_TRUE(SettingsStore(path).takeOpeningNotice().contains("; kept it as " + path + ".bad-2"));
    }
    QByteArrayList kept;
    for (const QString& name : QDir(dir.path()).entryList({"ratelark.conf.bad-*"}, QDir::Files, QDir::Name))
        kept << readFile(dir.filePath(name));
    EXPECT_EQ(kept, unreadable);
    // A FIFO would hang the start, a device never end: neither is read nor written.
    ::mkfifo(QFile::encodeName(dir.filePath("fifo")), 0600);
    QFile::link("/dev/zero", dir.filePath("zero"));
    for (const char* name : {"fifo", "zero"}) {
        SettingsStore store(dir.filePath(name));
        EXPECT_TRUE(store.takeOpeningNotice().contains("not a regular file: left alone")) << name;
        store.setObject(true, "showArrow");
        store.synchronize();
        EXPECT_TRUE(store.boolForKey("showArrow")) << "a change lasts the run";
    }
    writeFile(path, "[General]\n; a comment\ninterfaces=eth0;wlan0\nfontName=\"A;B\"\n");
    EXPECT_EQ(SettingsStore(path).takeOpeningNotice().count("\"interfaces\" in " + path + " holds a ';'"), 1);
}

TEST(FaultTolerance, AStoredValueTheProgramDoesNotOfferReadsAsTheDefaultSaidOnceAndStays) {
    const std::tuple<QByteArray, qint64, qint64, double> rows[] = {  // settings; refresh interval, type, font size read
        {"refreshInterval=100000\nshowType=5\nfontSize=0\n", 1, 0, 12}, {"refreshInterval=-1\nshowType=2147483648\nfontSize=1e9\n", 1, 0, 12},
        {"refreshInterval=often\nshowType=1.5\nfontSize=huge\n", 1, 0, 12}, {"refreshInterval=30\nshowType=2\nfontSize=14.5\n", 30, 2, 14.5}};
    for (const auto& [settings, interval, type, size] : rows) {
        Harness harness({.settingsFile = "[General]\n" + settings});
        harness.start();
        for (int read = 0; read < 2; ++read) {
            EXPECT_EQ(harness.settings().integerForKey(keys::refreshInterval), interval);
            EXPECT_EQ(harness.settings().integerForKey(keys::showType), type);
            EXPECT_EQ(harness.settings().valueForKey(keys::fontSize).toDouble(), size);
        }
        EXPECT_EQ(harness.consoleLog().count("which RateLark does not offer"), interval == 1 ? 3 : 0) << settings.toStdString();
        EXPECT_EQ(readFile(harness.settingsPath()), "[General]\n" + settings);
    }
}

TEST(FaultTolerance, AnOutputClosedAtAnyMomentEndsTheProgramQuietly) {
    // A reader that takes a random number of lines and goes, while a fast
    // sampler keeps the program writing; the shell reports how it ended.
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    for (const char* format : {"--status-line", "--status-line=json", "--status-line", "--status-line=json"}) {
        const QString lineCount = QString::number(1 + random() % 60);
        ProgramRun run({}, fastSampler("0.01"));
        run.start({"-c", R"("$0" "$1" | head -n "$2" >/dev/null; exit "${PIPESTATUS[0]}")", ProgramRun::ratelarkPath(),
                   format, lineCount},
                  "/bin/bash");
        ASSERT_TRUE(run.process().waitForFinished(30000)) << "the program kept running with no reader";
        EXPECT_EQ(run.process().exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(run.process().exitCode(), 0) << format << " after " << lineCount.toStdString() << " lines; 141 is SIGPIPE";
        EXPECT_EQ(run.process().readAllStandardError(), "") << format;
    }
}

TEST(FaultTolerance, AReaderThatStopsReadingNeitherBlocksTheProgramNorGetsHalfLines) {
    ProgramRun run({}, "exec yes '0 0 0 0 0 0 0'");  // a title for every chunk, as fast as it goes
    const QString fifo = run.path("bar");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo), 0600), 0);
    const int reader = ::open(QFile::encodeName(fifo), O_RDONLY | O_NONBLOCK | O_CLOEXEC);  // never reads, for now
    run.start({"-c", R"(exec "$0" --status-line >"$1")", ProgramRun::ratelarkPath(), fifo}, "/bin/bash");
    int queued = 0;
    ASSERT_TRUE(waitUntil([&] { return ::ioctl(reader, FIONREAD, &queued) == 0 && queued >= 60000; }));
    spin(300);  // titles go on coming while the pipe is full
    EXPECT_TRUE(run.end()) << "SIGTERM ends it at once";
    QByteArray lines(1 << 20, '\0');
    lines.truncate(std::max<ssize_t>(0, ::read(reader, lines.data(), size_t(lines.size()))));
    ::close(reader);
    EXPECT_EQ(lines.count("0.0 KB|0.0 KB\n") * 14, lines.size()) << "whole lines only";
}

}  // namespace
}  // namespace ratelark
