// The cumulative totals: passes on the worker thread under the lock, resets,
// and pipelines that hang, fail or print nothing.
#include "measure/TotalsPipelines.h"
#include "platform/ShellCommand.h"
#include "tests/support/Harness.h"

#include <cerrno>

#include <sys/wait.h>

namespace ratelark {
namespace {

using namespace std::chrono_literals;
using namespace testing;

qint64 pidIn(const QString& path) { return readFile(path).trimmed().toLongLong(); }

// A controller whose totals pipelines are two scripts in a folder that
// outlives it. Each prints the amount in its file ("sent" or "received") and
// notes its run in "sequence" (S or R); the sent one notes an overlap when a
// pass starts before the last has ended, and hangs while a file "hang" exists.
struct Totals {
    explicit Totals(std::chrono::milliseconds timeLimit = 10s) : harness(std::make_unique<Harness>()) {
        TotalsPipelines pipelines;
        pipelines.sent = writeBashScript(path("sent-total"), R"(D=$(dirname "$0")
mkdir "$D/pass" 2>/dev/null || echo overlap >> "$D/overlaps"
echo S >> "$D/sequence"
if [ -e "$D/hang" ]; then { echo $BASHPID > "$D/sleeper"; exec sleep 1000; } | cat; fi
cat "$D/sent")");
        pipelines.received = writeBashScript(path("received-total"), R"(D=$(dirname "$0")
echo R >> "$D/sequence"
cat "$D/received"
rmdir "$D/pass")");
        pipelines.timeLimit = timeLimit;
        c().setTotalsPipelines(pipelines);
        amounts("0", "0");
        harness->startForTotals();
    }

    AppController& c() { return harness->controller(); }
    QString path(const QString& name) const { return dir.filePath(name); }
    void write(const QString& name, const QByteArray& text) { writeFile(path(name), text); }
    void amounts(const QByteArray& sent, const QByteArray& received) {
        write("sent", sent + '\n');
        write("received", received + '\n');
    }
    QByteArray sequence() const { return readFile(path("sequence")).replace('\n', ""); }

    // Waits until the received script has run `passes` times, then until the
    // pass running it lets go of the lock: its results are stored then.
    bool waitForPasses(int passes) {
        const bool ran = waitUntil([&] { return sequence().count('R') >= passes; });
        const std::lock_guard passEnded(*c().condition());
        return ran;
    }
    // Opens the menu and gives back the totals it shows, received and sent.
    std::pair<QString, QString> open() {
        ++openings;
        c().menuWillOpen(nullptr);
        const auto shown = [](const QString& title, const QString& label) {
            EXPECT_TRUE(title.startsWith(label)) << title.toStdString();
            return title.mid(label.size()).trimmed();
        };
        return {shown(c().itemDataReceived()->text(), "Data Received:"), shown(c().itemDataSent()->text(), "Data Sent:")};
    }
    // Opens the menu, waits for the pass the opening started and gives back what it showed.
    std::pair<QString, QString> pass() {
        const auto shown = open();
        EXPECT_TRUE(waitForPasses(openings));
        return shown;
    }

    QTemporaryDir dir;
    std::unique_ptr<Harness> harness;
    int openings = 0;
};

using Shown = std::pair<QString, QString>;

TEST(Totals, PassesRunOneAtATimeEachServingTheNextOpening) {
    Totals totals;
    totals.amounts("20.5", "1536.44");
    EXPECT_EQ(totals.open(), Shown("0.0M", "0.0M")) << "no pass has finished yet";
    int changes = 0;  // menus drawn by the desktop hear of each change
    QObject::connect(totals.c().itemDataSent(), &QAction::changed, [&changes] { ++changes; });
    EXPECT_TRUE(waitUntil([&] { return totals.c().itemDataReceived()->text() == "Data Received: 1536.4M"; }))
        << "the finished pass shows in the open menu";
    EXPECT_EQ(changes, 1);
    for (int opening = 1; opening < 4; ++opening) totals.open();
    ASSERT_TRUE(totals.waitForPasses(4));
    EXPECT_EQ(totals.sequence(), "SRSRSRSR") << "sent first, then received, one pass at a time";
    EXPECT_FALSE(QFile::exists(totals.path("overlaps"))) << "two passes ran at once";
    EXPECT_EQ(totals.pass(), Shown("1536.4M", "20.5M"));
}

TEST(Totals, AResetIsServedByTheNextPassAndTwoResetsActAsOne) {
    Totals totals;
    totals.amounts("20", "100");
    totals.pass();
    totals.c().resetDataState(nullptr);
    totals.c().resetDataState(nullptr);
    EXPECT_EQ(totals.pass(), Shown("100.0M", "20.0M")) << "this opening still shows the totals before the reset";
    totals.amounts("25.5", "130.3");
    EXPECT_EQ(totals.pass(), Shown("0.0M", "0.0M"));
    EXPECT_EQ(totals.pass(), Shown("30.3M", "5.5M")) << "counted from the serving pass";
}

TEST(Totals, AHungRunIsEndedWithItsPipelineAndChangesNothing) {
    Totals totals(300ms);
    totals.amounts("20", "100");
    totals.pass();
    totals.c().resetDataState(nullptr);
    totals.write("hang", "");
    totals.amounts("30", "130");
    totals.pass();
    EXPECT_EQ(totals.c().rCurDataSent(), 20.0) << "the hung run changed its total";
    EXPECT_TRUE(totals.c().bResetDataSent()) << "the hung run served the reset";
    EXPECT_EQ(totals.c().rCurDataReceived(), 0.0) << "the other run of the pass went on";
    EXPECT_TRUE(waitUntil([&] { return processEnded(pidIn(totals.path("sleeper"))); })) << "the pipeline's sleep was left";
    EXPECT_TRUE(totals.harness->consoleLog().contains("ran past its limit of 300 ms"));
    QFile::remove(totals.path("hang"));
    totals.amounts("50", "130");
    totals.pass();
    totals.amounts("55", "131");
    totals.pass();
    EXPECT_EQ(totals.pass(), Shown("1.0M", "5.0M")) << "the next pass served the pending reset";
}

TEST(Totals, AShellThatCannotStartChangesNothingAndOutputWithoutANumberCountsAsZero) {
    Totals totals;
    totals.amounts("20", "100");
    totals.pass();
    TotalsPipelines pipelines = totals.c().totalsPipelines();
    const QString shell = std::exchange(pipelines.shell, totals.path("no-such-shell"));
    totals.c().setTotalsPipelines(pipelines);
    totals.c().threadGetData();
    EXPECT_EQ(totals.c().rCurDataReceived(), 100.0);
    ASSERT_TRUE(totals.c().condition()->try_lock()) << "the lock was kept";
    totals.c().condition()->unlock();
    EXPECT_TRUE(totals.harness->consoleLog().contains("Totals pipeline could not start"));
    pipelines.shell = shell;
    totals.c().setTotalsPipelines(pipelines);
    totals.write("received", "(standard_in) 1: syntax error\n");
    totals.pass();
    EXPECT_EQ(totals.pass(), Shown("0.0M", "20.0M"));
    EXPECT_TRUE(totals.harness->consoleLog().contains("Totals pipeline printed no number; counting 0.0"));
}

TEST(Totals, EndingThePipelinesKillsTheRunningGroupAndStopsLaterRuns) {
    Totals totals(1h);  // beyond the test's own limit: only the ending stops the hung run
    totals.write("hang", "");
    totals.open();
    totals.open();
    ASSERT_TRUE(waitUntil([&] { return pidIn(totals.path("sleeper")) > 0; }));
    totals.c().endTotalsPipelines();
    EXPECT_TRUE(waitUntil([&] { return processEnded(pidIn(totals.path("sleeper"))); }));
    totals.open();
    totals.harness.reset();  // waits for every worker
    EXPECT_EQ(totals.sequence(), "S") << "a run started after the ending";
}

// Linux before 5.3 has no pidfd_open: the shell's end is polled for within
// the same limit, and the shell is still reaped.
TEST(Totals, WithoutPidfdTheShellIsPolledForWithinTheSameLimitAndReaped) {
    QTemporaryDir dir;
    const std::tuple<const char*, ShellCommand::Outcome, QByteArray> rows[] = {
        {"echo 5", ShellCommand::Outcome::Finished, "5\n"},
        {"echo 5; exec >&-; sleep 0.1", ShellCommand::Outcome::Finished, "5\n"},
        {"echo 5; exec >&-; exec sleep 1000", ShellCommand::Outcome::TimedOut, {}},
    };
    for (const auto& [body, outcome, output] : rows) {
        const QString text = "echo $$ > '" + dir.filePath("shell") + "'; " + body;
        const ShellCommand::Result result = ShellCommand("/bin/bash", text, 500ms, ShellCommand::ExitWatch::Polling).run();
        EXPECT_TRUE(result.outcome == outcome && result.output == output) << body;
        errno = 0;
        EXPECT_TRUE(::waitpid(pid_t(pidIn(dir.filePath("shell"))), nullptr, WNOHANG) == -1 && errno == ECHILD) << "reaped: " << body;
    }
}

TEST(Totals, ThePipelinesSumTheCountedInterfacesInMegabytes) {
    // A long name has no blank before its colon and one right after it; a
    // split on colons and blanks together would read packets as bytes.
    Totals totals;
    totals.write("dev", R"(Inter-|   Receive                                                |  Transmit
 face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs drop fifo colls carrier compressed
    lo: 9999999   29    0    0    0     0          0         0  9999999      29    0    0    0     0       0          0
  eth0: 1048576      7    0    0    0     0          0         0  2097152      11    0    0    0     0       0          0
wlp0s20f3longname: 1234567890123456 5 0 0 0 0 0 0 524288 3 0 0 0 0 0 0
  lo0x: 524288      1    0    0    0     0          0         0        0       0    0    0    0     0       0          0
)");
    const auto onTable = [&](const char* text, const QString& names = "eth0 wlp0s20f3longname lo0x") {
        ShellCommand command("/bin/bash", QString(text).replace("/proc/net/dev", totals.path("dev")), 10s);
        command.addEnvironment(totalsInterfacesVariable, names);
        return command.run().output;
    };
    EXPECT_EQ(onTable(receivedTotalsPipeline), "1177375690.170593\n") << "precise beyond awk's six digits";
    EXPECT_EQ(onTable(sentTotalsPipeline), "2.500000\n");
    EXPECT_EQ(onTable(sentTotalsPipeline, "lo\teth0"), "11.536742\n");
    EXPECT_EQ(onTable(sentTotalsPipeline, ""), "0.000000\n");
}

}  // namespace
}  // namespace ratelark
