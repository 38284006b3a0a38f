#include "app/PreferenceKeys.h"
#include "platform/Task.h"
#include "platform/WindowEvents.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>

namespace ratelark {
namespace {

using testing::Harness;
using testing::waitUntil;
using testing::writeBashScript;
using testing::writeFile;

// Sampler scripts and the files they leave behind. Every script starts by
// numbering its run (1, 2, ...) and writing its pid to pid<run> and its
// arguments to args<run>, so a test can tell the children apart.
class Scripts {
public:
    QString dir() const { return dir_.path(); }
    QString path(const QString& name) const { return dir_.path() + QLatin1Char('/') + name; }
    bool exists(const QString& name) const { return QFile::exists(path(name)); }
    QString read(const QString& name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
    }
    void touch(const QString& name) const {
        QFile file(path(name));
        file.open(QIODevice::WriteOnly);
    }
    qint64 pid(int run) const { return read(QStringLiteral("pid%1").arg(run)).toLongLong(); }
    bool started(int run) const { return pid(run) != 0; }

    // Writes an executable script; the text "$D" in body is this folder.
    QString write(const QString& name, const QString& body) const {
        return writeBashScript(path(name), QStringLiteral("D='%1'\n"
                                                          "run=$(( $(cat \"$D/run\" 2>/dev/null || echo 0) + 1 ))\n"
                                                          "echo $run > \"$D/run\"\n"
                                                          "echo \"$#:$*\" > \"$D/args$run\"\n"
                                                          "echo $$ > \"$D/pid$run\"\n")
                                                   .arg(dir_.path())
                                                   .toUtf8() +
                                               body.toUtf8());
    }

private:
    QTemporaryDir dir_;
};

// Whether the process has ended and been reaped: no trace of it is left.
bool reaped(qint64 pid) { return !QFile::exists(QStringLiteral("/proc/%1").arg(pid)); }

Harness::Options withSampler(const QString& path) {
    Harness::Options options;
    options.samplerTool = path;
    return options;
}

qint64 runningPid(AppController& c) { return c.task() ? c.task()->processIdentifier() : 0; }

TEST(SamplerTask, StartUpRunsOneSamplerWithTheSingleArgumentOne) {
    Scripts scripts;
    Harness harness(withSampler(scripts.write(QStringLiteral("sampler"), QStringLiteral("exec sleep 1000\n"))));
    AppController& c = harness.controller();
    harness.start();

    ASSERT_TRUE(c.task() && c.pipeOutput() && c.pipeError());
    ASSERT_TRUE(waitUntil([&] { return scripts.started(1); }));
    EXPECT_EQ(scripts.read(QStringLiteral("args1")), QStringLiteral("1:1"));
    EXPECT_EQ(scripts.read(QStringLiteral("run")), QStringLiteral("1"));
    EXPECT_EQ(runningPid(c), scripts.pid(1));
}

TEST(SamplerTask, TheToggleInterruptsARunningSampler) {
    Scripts scripts;
    Harness harness(withSampler(scripts.write(
        QStringLiteral("sampler"),
        QStringLiteral("trap 'touch \"$D/interrupted\"; exit 0' INT\nwhile :; do sleep 0.05; done\n"))));
    AppController& c = harness.controller();
    harness.start();
    ASSERT_TRUE(waitUntil([&] { return scripts.started(1); }));

    c.startStopTask();
    EXPECT_EQ(c.task(), nullptr);
    EXPECT_EQ(c.pipeOutput(), nullptr);
    EXPECT_EQ(c.pipeError(), nullptr);
    EXPECT_TRUE(waitUntil([&] { return scripts.exists(QStringLiteral("interrupted")); })) << "SIGINT reached it";
    EXPECT_TRUE(waitUntil([&] { return reaped(scripts.pid(1)); }));
}

TEST(SamplerTask, ARestartNeverCountsWhatTheOldChildPrintsLate) {
    Scripts scripts;
    // The first child ignores SIGINT, prints a line once the test says so
    // (after the restart) and lives on until it is killed.
    Harness harness(withSampler(scripts.write(QStringLiteral("sampler"), QStringLiteral(R"(
if [ $run = 1 ]; then
  trap '' INT PIPE
  while [ ! -e "$D/late" ]; do sleep 0.02; done
  printf '1 1 5000 1 1 7000 1\n'
  touch "$D/printed"
fi
exec sleep 1000
)"))));
    AppController& c = harness.controller();
    harness.settings().setInteger(5, keys::refreshInterval);
    harness.start();
    ASSERT_TRUE(waitUntil([&] { return scripts.started(1); }));

    c.onTimerStartStopTask();
    ASSERT_TRUE(c.task() && c.pipeOutput() && c.pipeError());
    ASSERT_TRUE(waitUntil([&] { return scripts.started(2); }));
    scripts.touch(QStringLiteral("late"));
    ASSERT_TRUE(waitUntil([&] { return scripts.exists(QStringLiteral("printed")); }));
    // Whatever of the old child could still arrive has arrived once it has
    // been killed and reaped.
    ASSERT_TRUE(waitUntil([&] { return reaped(scripts.pid(1)); }, 20000)) << "a child ignoring SIGINT is killed";

    EXPECT_EQ(c.speedCount(), 0);
    EXPECT_EQ(c.speedIn(), 0.0);
    EXPECT_EQ(c.speedOut(), 0.0);
    EXPECT_EQ(runningPid(c), scripts.pid(2)) << "the old child's end leaves the new one's fields alone";
    EXPECT_TRUE(c.pipeOutput() && c.pipeError());
}

TEST(SamplerTask, AKilledSamplerIsReplacedAtTheNextTick) {
    Scripts scripts;
    Harness harness(withSampler(scripts.write(QStringLiteral("sampler"), QStringLiteral("exec sleep 1000\n"))));
    AppController& c = harness.controller();
    harness.start();
    ASSERT_TRUE(waitUntil([&] { return scripts.started(1); }));

    ::kill(static_cast<pid_t>(scripts.pid(1)), SIGKILL);
    ASSERT_TRUE(waitUntil([&] { return c.task() == nullptr; })) << "the end of the child clears the fields";
    EXPECT_EQ(c.pipeOutput(), nullptr);
    EXPECT_EQ(c.pipeError(), nullptr);

    c.onTimerStartStopTask();
    ASSERT_TRUE(c.task() && c.pipeOutput());
    ASSERT_TRUE(waitUntil([&] { return scripts.started(2); }));
    EXPECT_EQ(runningPid(c), scripts.pid(2));
    EXPECT_TRUE(reaped(scripts.pid(1)));
}

TEST(SamplerTask, AChildThatExitsAtOnceIsStartedAgainAtEveryTick) {
    Scripts scripts;
    Harness harness(withSampler(scripts.write(QStringLiteral("sampler"), QStringLiteral("exit 3\n"))));
    AppController& c = harness.controller();
    harness.start();
    ASSERT_TRUE(waitUntil([&] { return c.task() == nullptr; }));
    for (int run = 2; run <= 3; ++run) {
        c.onTimerStartStopTask();
        ASSERT_TRUE(waitUntil([&] { return scripts.started(run) && c.task() == nullptr; }));
    }
    EXPECT_EQ(c.speedCount(), 0);
    EXPECT_FALSE(harness.consoleLog().contains(QStringLiteral("Couldn't launch")));
}

TEST(SamplerTask, AChildThatIgnoresSigintIsKilledAndReaped) {
    Scripts scripts;
    Harness harness(
        withSampler(scripts.write(QStringLiteral("sampler"), QStringLiteral("trap '' INT\nexec sleep 1000\n"))));
    AppController& c = harness.controller();
    harness.start();
    ASSERT_TRUE(waitUntil([&] { return scripts.started(1); }));

    c.onTimerStartStopTask();
    ASSERT_TRUE(waitUntil([&] { return scripts.started(2); }));
    EXPECT_TRUE(waitUntil([&] { return reaped(scripts.pid(1)); }, 20000));
    EXPECT_EQ(runningPid(c), scripts.pid(2));
    EXPECT_FALSE(reaped(scripts.pid(2)));
}

TEST(SamplerTask, EndingTheSamplerKillsItAtOnce) {
    Scripts scripts;
    Harness harness(
        withSampler(scripts.write(QStringLiteral("sampler"), QStringLiteral("trap '' INT TERM\nexec sleep 1000\n"))));
    AppController& c = harness.controller();
    harness.start();
    ASSERT_TRUE(waitUntil([&] { return scripts.started(1); }));

    c.endSampler();
    EXPECT_EQ(c.task(), nullptr);
    EXPECT_EQ(c.pipeOutput(), nullptr);
    EXPECT_EQ(c.pipeError(), nullptr);
    EXPECT_TRUE(waitUntil([&] { return reaped(scripts.pid(1)); }));
}

TEST(SamplerTask, AFailedLaunchIsLoggedOnceAndRetriedAtTheNextTick) {
    Scripts scripts;
    const QString missing = scripts.path(QStringLiteral("not-yet-there"));
    Harness harness(withSampler(missing));
    AppController& c = harness.controller();
    harness.start();

    const QString failure = QStringLiteral("Couldn't launch the sampler %1").arg(missing);
    EXPECT_EQ(harness.consoleLog().count(failure), 1);
    EXPECT_EQ(c.task(), nullptr);
    EXPECT_EQ(c.pipeOutput(), nullptr);
    EXPECT_EQ(c.pipeError(), nullptr);

    c.onTimerStartStopTask();
    EXPECT_EQ(harness.consoleLog().count(failure), 2);
    EXPECT_EQ(c.task(), nullptr);

    scripts.write(QStringLiteral("not-yet-there"), QStringLiteral("exec sleep 1000\n"));
    c.onTimerStartStopTask();
    ASSERT_TRUE(c.task() && c.pipeOutput());
    EXPECT_TRUE(waitUntil([&] { return scripts.started(1); }));
    EXPECT_EQ(harness.consoleLog().count(failure), 2);
}

TEST(SamplerTask, AFileThatCannotRunIsAFailedLaunch) {
    Scripts scripts;
    const QString path = scripts.path(QStringLiteral("not-executable"));
    ASSERT_TRUE(writeFile(path, "1 1 1 1 1 1 1\n"));

    Harness harness(withSampler(path));
    harness.start();
    EXPECT_EQ(harness.consoleLog().count(QStringLiteral("Couldn't launch the sampler")), 1);
    EXPECT_EQ(harness.controller().task(), nullptr);
}

TEST(SamplerTask, AChunkOfSeveralLinesIsOneSample) {
    Scripts scripts;
    Harness harness(withSampler(scripts.write(
        QStringLiteral("sampler"),
        QStringLiteral("printf '1 1 100 1 1 200 1\\n2 2 300 2 2 400 2\\n'\nexec sleep 1000\n"))));
    AppController& c = harness.controller();
    harness.settings().setInteger(5, keys::refreshInterval);
    harness.start();
    ASSERT_TRUE(waitUntil([&] { return c.speedCount() == 1; }));
    EXPECT_EQ(c.speedIn(), 100.0);
    EXPECT_EQ(c.speedOut(), 200.0);
}

TEST(SamplerTask, OutputThatIsNotUtf8CountsAsAnEmptySample) {
    Scripts scripts;
    Harness harness(withSampler(
        scripts.write(QStringLiteral("sampler"), QStringLiteral("printf '1 1 \\xff00 1 1 \\xfe00 1\\n'\nexec sleep 1000\n"))));
    AppController& c = harness.controller();
    harness.settings().setInteger(5, keys::refreshInterval);
    harness.start();
    ASSERT_TRUE(waitUntil([&] { return c.speedCount() == 1; }));
    EXPECT_EQ(c.speedIn(), 0.0);
    EXPECT_EQ(c.speedOut(), 0.0);
    EXPECT_TRUE(c.task() && c.pipeOutput());
}

TEST(SamplerTask, AnErrorChunkIsLoggedOnceAsItCame) {
    Scripts scripts;
    Harness harness(withSampler(scripts.write(QStringLiteral("sampler"), QStringLiteral(R"(
printf 'sampler trouble: first\n  second line\n' >&2
while [ ! -e "$D/go" ]; do sleep 0.02; done
printf 'all said\n' >&2
exec sleep 1000
)"))));
    harness.start();
    ASSERT_TRUE(waitUntil([&] { return harness.consoleLog().contains(QStringLiteral("second line")); }));
    scripts.touch(QStringLiteral("go"));
    ASSERT_TRUE(waitUntil([&] { return harness.consoleLog().contains(QStringLiteral("all said")); }));

    const QString log = harness.consoleLog();
    EXPECT_EQ(log.count(QStringLiteral("sampler trouble: first\n  second line\n")), 1) << log.toStdString();
    // One log line: the usual prefix, then the text with its line break.
    const QRegularExpression entry(QStringLiteral(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \S+\[\d+:\d+\] )"
                                                  R"(sampler trouble: first\n  second line\n)"),
                                   QRegularExpression::MultilineOption);
    EXPECT_TRUE(entry.match(log).hasMatch()) << log.toStdString();
    EXPECT_EQ(harness.controller().speedCount(), 0) << "error text is no sample";
}

TEST(SamplerTask, ErrorBytesThatAreNotUtf8ShowAsReplacementCharacters) {
    Scripts scripts;
    Harness harness(withSampler(
        scripts.write(QStringLiteral("sampler"), QStringLiteral("printf 'bad \\xff byte\\n' >&2\nexec sleep 1000\n"))));
    harness.start();
    ASSERT_TRUE(waitUntil([&] { return harness.consoleLog().contains(QStringLiteral(" byte")); }));
    EXPECT_TRUE(harness.consoleLog().contains(QStringLiteral("bad \uFFFD byte\n")));
}

TEST(SamplerTask, AFloodOfMegabytesKeepsTheProgramRunning) {
    Scripts scripts;
    Harness harness(withSampler(scripts.write(QStringLiteral("sampler"), QStringLiteral(R"(
head -c 6000000 /dev/zero | tr '\0' 'x'
printf '\n 1 0 2048 1 0 4096 0\n'
touch "$D/flooded"
exec sleep 1000
)"))));
    AppController& c = harness.controller();
    harness.start();
    ASSERT_TRUE(waitUntil([&] { return scripts.exists(QStringLiteral("flooded")); }, 30000));
    ASSERT_TRUE(waitUntil([&] { return harness.statusBar->last()->titleSets > 0; }));
    EXPECT_EQ(runningPid(c), scripts.pid(1));
    EXPECT_TRUE(c.pipeOutput() && c.pipeError());
}

TEST(SamplerTask, TheSumsRunOnAcrossARestart) {
    Harness harness;
    AppController& c = harness.controller();
    harness.settings().setInteger(5, keys::refreshInterval);
    harness.start();
    c.getMBS("1 1 100 1 1 10 1\n");
    c.onTimerStartStopTask();
    c.getMBS("1 1 200 1 1 20 1\n");
    EXPECT_EQ(c.speedCount(), 2);
    EXPECT_EQ(c.speedIn(), 300.0);
    EXPECT_EQ(c.speedOut(), 30.0);
}

TEST(SamplerTask, AnEmptyChunkNeverReachesTheParser) {
    Harness harness;
    AppController& c = harness.controller();
    harness.settings().setInteger(5, keys::refreshInterval);
    harness.start();
    c.outputDataReady(QByteArray());
    EXPECT_EQ(c.speedCount(), 0);
    c.outputDataReady("1 1 100 1 1 10 1\n");
    EXPECT_EQ(c.speedCount(), 1);
}

TEST(SamplerTask, RestartsLeaveTheWindowCloseObservationInForce) {
    Harness harness;
    AppController& c = harness.controller();
    harness.start();
    for (int tick = 0; tick < 3; ++tick) c.onTimerStartStopTask();

    // Without the speed window's own delegate, only the application-wide
    // observation made at start-up can hear it close.
    ASSERT_TRUE(c.panel());
    // (The delegate has no meta-object of its own, so findChildren cannot pick it out.)
    for (QObject* child : c.panel()->children())
        if (auto* delegate = dynamic_cast<WindowDelegate*>(child)) delete delegate;
    harness.settings().setObject(QStringLiteral("1"), keys::showWindow);
    c.panel()->show();
    c.panel()->close();
    EXPECT_FALSE(harness.settings().boolForKey(keys::showWindow));
}

}  // namespace
}  // namespace ratelark
