#include "tests/TotalsProbes.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace ratelark {
namespace {

using namespace std::chrono_literals;
using testing::Harness;
using testing::pidIn;
using testing::procNetDevMB;
using testing::processEnded;
using testing::waitUntil;
using testing::writeBashScript;
using testing::writeFile;

const QString receivedTitle = QStringLiteral("Data Received: ");
const QString sentTitle = QStringLiteral("Data Sent: ");

// The part of the start-up the totals need: the lock and the console log.
// The sampler is left out: starting a QProcess child (vfork semantics in
// Qt 6.4) leaves ThreadSanitizer blind to the main thread's locks.
void startTotals(AppController& controller) {
    controller.setCondition(std::make_shared<std::mutex>());
    controller.redirectConsoleLogToDocumentFolder();
}

// A controller whose totals pipelines are two scripts in a folder
// of their own, which outlives the controller. Each script prints the amount stored in its file ("sent" or
// "received"), and notes its run in "sequence" (S or R) so that a test can
// follow the passes. The sent script hangs while a file "hang" exists.
class Totals {
public:
    explicit Totals(std::chrono::milliseconds timeLimit = 10s) : harness_(std::make_unique<Harness>()) {
        const QString d = dir_.path();
        TotalsPipelines pipelines;
        pipelines.sent = script(
            QStringLiteral("sent-total"),
            QStringLiteral("D='%1'\n"
                           "mkdir \"$D/pass\" 2>/dev/null || echo overlap >> \"$D/overlaps\"\n"
                           "echo S >> \"$D/sequence\"\n"
                           "if [ -e \"$D/hang\" ]; then { echo $BASHPID > \"$D/sleeper\"; exec sleep 1000; } | cat; fi\n"
                           "cat \"$D/sent\"\n")
                .arg(d));
        pipelines.received = script(
            QStringLiteral("received-total"),
            QStringLiteral("D='%1'\n"
                           "echo R >> \"$D/sequence\"\n"
                           "cat \"$D/received\"\n"
                           "rmdir \"$D/pass\" 2>/dev/null\n")
                .arg(d));
        pipelines.timeLimit = timeLimit;
        controller().setTotalsPipelines(pipelines);
        amounts("0", "0");
        startTotals(controller());
    }

    Harness& harness() { return *harness_; }
    AppController& controller() { return harness_->controller(); }
    void destroy() { harness_.reset(); }

    void write(const QString& name, const QByteArray& text) { writeFile(path(name), text); }
    void amounts(const QByteArray& sent, const QByteArray& received) {
        write(QStringLiteral("sent"), sent + '\n');
        write(QStringLiteral("received"), received + '\n');
    }
    QString path(const QString& name) const { return dir_.filePath(name); }
    QByteArray sequence() const {
        QFile file(path(QStringLiteral("sequence")));
        return file.open(QIODevice::ReadOnly) ? file.readAll().replace('\n', "") : QByteArray();
    }

    // Waits until the received script has run `passes` times, then until the
    // pass running it lets go of the lock: its results are stored then.
    bool waitForPasses(int passes) {
        const bool ran = waitUntil([&] { return sequence().count('R') >= passes; });
        const std::lock_guard passEnded(*controller().condition());
        return ran;
    }

    // Opens the menu and gives back the two titles it shows.
    std::pair<QString, QString> open() {
        controller().menuWillOpen(nullptr);
        return {controller().itemDataReceived()->text(), controller().itemDataSent()->text()};
    }

private:
    QString script(const QString& name, const QString& body) { return writeBashScript(path(name), body.toUtf8()); }

    QTemporaryDir dir_;
    std::unique_ptr<Harness> harness_;
};

std::pair<QString, QString> titles(const char* received, const char* sent) {
    return {receivedTitle + QLatin1String(received), sentTitle + QLatin1String(sent)};
}

TEST(Totals, FirstOpeningShowsZeroAndTheNextTheFirstPassAmounts) {
    Totals totals;
    totals.amounts("20.5", "1536.44");
    EXPECT_EQ(totals.open(), titles("0.0M", "0.0M"));
    ASSERT_TRUE(totals.waitForPasses(1));
    EXPECT_EQ(totals.open(), titles("1536.4M", "20.5M"));
    EXPECT_EQ(totals.sequence(), "SR") << "sent first, then received";
    ASSERT_TRUE(totals.waitForPasses(2));
}

TEST(Totals, AResetIsServedByTheNextPass) {
    Totals totals;
    totals.amounts("20", "100");
    totals.open();
    ASSERT_TRUE(totals.waitForPasses(1));

    totals.controller().resetDataState(nullptr);
    EXPECT_TRUE(totals.controller().bResetDataSent());
    EXPECT_TRUE(totals.controller().bResetDataReceived());
    EXPECT_EQ(totals.controller().rCurDataReceived(), 100.0) << "nothing changes at once";
    EXPECT_EQ(totals.open(), titles("100.0M", "20.0M")) << "this opening still shows the old totals";
    ASSERT_TRUE(totals.waitForPasses(2));
    EXPECT_FALSE(totals.controller().bResetDataSent());
    EXPECT_FALSE(totals.controller().bResetDataReceived());
    EXPECT_EQ(totals.controller().rResetDataSent(), 20.0);
    EXPECT_EQ(totals.controller().rResetDataReceived(), 100.0);

    totals.amounts("25.5", "130.3");
    EXPECT_EQ(totals.open(), titles("0.0M", "0.0M"));
    ASSERT_TRUE(totals.waitForPasses(3));
    EXPECT_EQ(totals.open(), titles("30.3M", "5.5M")) << "counted from the serving pass";
    ASSERT_TRUE(totals.waitForPasses(4));
}

TEST(Totals, TwoResetsActAsOne) {
    Totals totals;
    totals.amounts("10", "10");
    totals.open();
    ASSERT_TRUE(totals.waitForPasses(1));
    totals.controller().resetDataState(nullptr);
    totals.controller().resetDataState(nullptr);
    totals.open();
    ASSERT_TRUE(totals.waitForPasses(2));
    totals.amounts("15", "16");
    totals.open();
    ASSERT_TRUE(totals.waitForPasses(3));
    EXPECT_EQ(totals.controller().rCurDataSent(), 5.0) << "the second reset was not served again";
    EXPECT_EQ(totals.controller().rCurDataReceived(), 6.0);
}

TEST(Totals, QuickOpeningsRunTheirPassesOneAtATimeWithBothPipelines) {
    Totals totals;
    totals.amounts("1", "2");
    constexpr int openings = 6;
    for (int i = 0; i < openings; ++i) totals.open();
    ASSERT_TRUE(totals.waitForPasses(openings));
    EXPECT_EQ(totals.sequence(), QByteArray("SR").repeated(openings));
    EXPECT_FALSE(QFile::exists(totals.path(QStringLiteral("overlaps")))) << "two passes ran at once";
    EXPECT_EQ(totals.open(), titles("2.0M", "1.0M"));
    ASSERT_TRUE(totals.waitForPasses(openings + 1));
}

TEST(Totals, OutputWithoutANumberCountsAsZero) {
    Totals totals;
    totals.amounts("3", "100");
    totals.controller().resetDataState(nullptr);
    totals.open();
    ASSERT_TRUE(totals.waitForPasses(1));
    totals.write(QStringLiteral("received"), QByteArray());
    totals.open();
    ASSERT_TRUE(totals.waitForPasses(2));
    EXPECT_EQ(totals.controller().rCurDataReceived(), -100.0) << "0.0 minus the baseline";
    EXPECT_EQ(totals.open(), titles("-100.0M", "0.0M"));
    ASSERT_TRUE(totals.waitForPasses(3));
    EXPECT_TRUE(totals.harness().consoleLog().contains(QStringLiteral("Totals pipeline printed no number; counting 0.0")));
}

TEST(Totals, AHungRunIsEndedChangesNothingAndLaterPassesGoOn) {
    Totals totals(300ms);
    totals.amounts("20", "100");
    totals.open();
    ASSERT_TRUE(totals.waitForPasses(1));

    totals.controller().resetDataState(nullptr);
    totals.write(QStringLiteral("hang"), "");
    totals.amounts("30", "130");
    totals.open();
    ASSERT_TRUE(totals.waitForPasses(2));
    EXPECT_EQ(totals.controller().rCurDataSent(), 20.0) << "the hung run changed its total";
    EXPECT_TRUE(totals.controller().bResetDataSent()) << "the hung run served the reset";
    EXPECT_EQ(totals.controller().rResetDataSent(), 0.0);
    EXPECT_EQ(totals.controller().rCurDataReceived(), 0.0) << "the other run of the pass went on";
    EXPECT_FALSE(totals.controller().bResetDataReceived());
    const qint64 sleeper = pidIn(totals.path(QStringLiteral("sleeper")));
    ASSERT_GT(sleeper, 0);
    EXPECT_TRUE(waitUntil([&] { return processEnded(sleeper); })) << "the pipeline's sleep was left behind";
    EXPECT_TRUE(totals.harness().consoleLog().contains(QStringLiteral("ran past its limit of 300 ms")));

    QFile::remove(totals.path(QStringLiteral("hang")));
    totals.amounts("50", "130");
    totals.open();
    ASSERT_TRUE(totals.waitForPasses(3));
    EXPECT_FALSE(totals.controller().bResetDataSent()) << "the next pass serves the pending reset";
    EXPECT_EQ(totals.controller().rCurDataSent(), 0.0);
    totals.amounts("55", "131");
    totals.open();
    ASSERT_TRUE(totals.waitForPasses(4));
    EXPECT_EQ(totals.open(), titles("1.0M", "5.0M"));
    ASSERT_TRUE(totals.waitForPasses(5));
}

TEST(Totals, AShellThatCannotStartChangesNothingAndReleasesTheLock) {
    Totals totals;
    totals.amounts("20", "100");
    totals.open();
    ASSERT_TRUE(totals.waitForPasses(1));
    TotalsPipelines pipelines = totals.controller().totalsPipelines();
    const QString shell = pipelines.shell;
    pipelines.shell = totals.path(QStringLiteral("no-such-shell"));
    totals.controller().setTotalsPipelines(pipelines);
    totals.controller().resetDataState(nullptr);

    totals.controller().threadGetData();
    EXPECT_EQ(totals.controller().rCurDataSent(), 20.0);
    EXPECT_EQ(totals.controller().rCurDataReceived(), 100.0);
    EXPECT_TRUE(totals.controller().bResetDataSent());
    EXPECT_TRUE(totals.controller().bResetDataReceived());
    ASSERT_TRUE(totals.controller().condition()->try_lock()) << "the lock was kept";
    totals.controller().condition()->unlock();
    EXPECT_TRUE(totals.harness().consoleLog().contains(QStringLiteral("Totals pipeline could not start")));

    pipelines.shell = shell;
    totals.controller().setTotalsPipelines(pipelines);
    totals.open();
    ASSERT_TRUE(totals.waitForPasses(2));
    EXPECT_EQ(totals.controller().rCurDataReceived(), 0.0) << "a later pass serves the reset";
    EXPECT_FALSE(totals.controller().bResetDataReceived());
}

TEST(Totals, ClosingTheMenuChangesNothing) {
    Totals totals;
    totals.amounts("7", "8");
    totals.open();
    totals.controller().menuDidClose(nullptr);
    ASSERT_TRUE(totals.waitForPasses(1));
    EXPECT_EQ(totals.open(), titles("8.0M", "7.0M")) << "the pass went on";
    ASSERT_TRUE(totals.waitForPasses(2));
}

TEST(Totals, AFinishedPassShowsInTheOpenMenu) {
    Totals totals;
    totals.amounts("20.5", "1536.44");
    EXPECT_EQ(totals.open(), titles("0.0M", "0.0M"));
    int changes = 0;
    QObject::connect(totals.controller().itemDataSent(), &QAction::changed, [&changes] { ++changes; });
    const auto shown = [&] {
        return std::pair(totals.controller().itemDataReceived()->text(), totals.controller().itemDataSent()->text());
    };
    EXPECT_TRUE(waitUntil([&] { return shown() == titles("1536.4M", "20.5M"); })) << "with no second opening";
    EXPECT_EQ(changes, 1) << "menus drawn by the desktop hear of the change";
    ASSERT_TRUE(totals.waitForPasses(1));
}

TEST(Totals, EndingThePipelinesKillsTheRunningGroupAndStopsLaterRuns) {
    // A limit beyond the test's own: only the ending stops the hung run.
    Totals totals(1h);
    totals.amounts("20", "100");
    totals.write(QStringLiteral("hang"), "");
    totals.open();
    ASSERT_TRUE(waitUntil([&] { return pidIn(totals.path(QStringLiteral("sleeper"))) > 0; }));
    const qint64 sleeper = pidIn(totals.path(QStringLiteral("sleeper")));
    totals.controller().endTotalsPipelines();
    EXPECT_TRUE(waitUntil([&] { return processEnded(sleeper); }));
    totals.open();
    totals.destroy();  // waits for both workers
    EXPECT_EQ(totals.sequence(), "S") << "a run started after the ending";
}

TEST(Totals, DestroyingTheControllerEndsARunningPass) {
    // With this limit a teardown that did not end the run would block the
    // test until its time-out.
    Totals totals(1h);
    totals.write(QStringLiteral("hang"), "");
    for (int i = 0; i < 3; ++i) totals.open();
    ASSERT_TRUE(waitUntil([&] { return pidIn(totals.path(QStringLiteral("sleeper"))) > 0; }));
    const qint64 sleeper = pidIn(totals.path(QStringLiteral("sleeper")));
    totals.destroy();
    // The wait runs the event loop: what the ended passes queued must not reach the dead controller.
    EXPECT_TRUE(waitUntil([&] { return processEnded(sleeper); }));
}

TEST(Totals, OpeningBeforeStartUpShowsZero) {
    Harness harness;
    harness.controller().menuWillOpen(nullptr);
    EXPECT_EQ(harness.controller().itemDataReceived()->text(), receivedTitle + QStringLiteral("0.0M"));
    EXPECT_EQ(harness.controller().itemDataSent()->text(), sentTitle + QStringLiteral("0.0M"));
}

TEST(Totals, TheRealPipelinesMeasureThisMachine) {
    Harness harness;
    startTotals(harness.controller());
    // The counters only grow, so readings just before and just after the
    // pass bracket what it saw.
    const double receivedBefore = procNetDevMB(0);
    const double sentBefore = procNetDevMB(8);
    harness.controller().threadGetData();
    const double receivedAfter = procNetDevMB(0);
    const double sentAfter = procNetDevMB(8);
    ASSERT_GE(receivedBefore, 0.0);
    EXPECT_GE(harness.controller().rCurDataReceived(), receivedBefore - 1e-6);
    EXPECT_LE(harness.controller().rCurDataReceived(), receivedAfter + 1e-6);
    EXPECT_GE(harness.controller().rCurDataSent(), sentBefore - 1e-6);
    EXPECT_LE(harness.controller().rCurDataSent(), sentAfter + 1e-6);
    // To the first decimal, as the menu shows it, on an idle machine.
    EXPECT_NEAR(harness.controller().rCurDataReceived(), receivedAfter, 0.1);
}

}  // namespace
}  // namespace ratelark
