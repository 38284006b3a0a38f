#include "measure/TotalsPipelines.h"
#include "measure/TotalsTitle.h"
#include "platform/ShellCommand.h"
#include "tests/TotalsProbes.h"
#include "tests/support/Harness.h"
#include "tools/NetDevCounters.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QTemporaryDir>

namespace ratelark {
namespace {

using namespace std::chrono_literals;
using testing::procNetDevMB;
using testing::writeFile;

QByteArray runThroughBash(const QString& text) {
    const ShellCommand::Result result = ShellCommand(QStringLiteral("/bin/bash"), text, 10s).run();
    EXPECT_EQ(result.outcome, ShellCommand::Outcome::Finished) << text.toStdString();
    return result.output;
}

TEST(TotalsPipelines, TheTwoTextsDifferOnlyInTheirColumn) {
    QString sent = QString::fromLatin1(sentTotalsPipeline);
    const QString received = QString::fromLatin1(receivedTotalsPipeline);
    EXPECT_NE(QString::compare(sent, received, Qt::CaseInsensitive), 0) << "each run must tell its direction";
    EXPECT_EQ(sent.replace(QStringLiteral("column[9]"), QStringLiteral("column[1]")), received);
    const TotalsPipelines defaults;
    EXPECT_EQ(defaults.sent, QString::fromLatin1(sentTotalsPipeline));
    EXPECT_EQ(defaults.received, QString::fromLatin1(receivedTotalsPipeline));
    EXPECT_EQ(defaults.shell, QStringLiteral("/bin/bash"));
    EXPECT_EQ(defaults.timeLimit, 10s);
}

// A long name has no blank before its colon and one right after it; a split
// on colons and blanks together would read packets as bytes.
constexpr char recordedTable[] =
    "Inter-|   Receive                                                |  Transmit\n"
    " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs drop fifo colls carrier compressed\n"
    "    lo: 9999999   29    0    0    0     0          0         0  9999999      29    0    0    0     0       0          0\n"
    "  eth0: 1048576      7    0    0    0     0          0         0  2097152      11    0    0    0     0       0          0\n"
    "wlp0s20f3longname: 1234567890123456 5 0 0 0 0 0 0 524288 3 0 0 0 0 0 0\n"
    "  lo0x: 524288      1    0    0    0     0          0         0        0       0    0    0    0     0       0          0\n";

// A pipeline text reading the table in dir instead of /proc/net/dev.
QString onRecordedTable(const QTemporaryDir& dir, const char* text) {
    const QString table = dir.filePath(QStringLiteral("dev"));
    writeFile(table, recordedTable);
    return QString::fromLatin1(text).replace(QStringLiteral("/proc/net/dev"), table);
}

TEST(TotalsPipelines, SumEveryInterfaceButLoopbackFromARecordedTable) {
    QTemporaryDir dir;
    // Precise above a million MB: not awk's six significant digits.
    EXPECT_EQ(runThroughBash(onRecordedTable(dir, receivedTotalsPipeline)), QByteArray("1177375690.170593\n"));
    EXPECT_EQ(runThroughBash(onRecordedTable(dir, sentTotalsPipeline)), QByteArray("2.500000\n"));
}

TEST(TotalsPipelines, CountTheInterfacesTheSamplerToolCounts) {
    double bytesIn = 0.0;
    double bytesOut = 0.0;
    for (const netstat::InterfaceCounters& interface : netstat::parseNetDev(recordedTable)) {
        bytesIn += static_cast<double>(interface.counters[netstat::BytesIn]);
        bytesOut += static_cast<double>(interface.counters[netstat::BytesOut]);
    }
    QTemporaryDir dir;
    EXPECT_NEAR(pipelineAmount(runThroughBash(onRecordedTable(dir, receivedTotalsPipeline))).value, bytesIn / 1048576.0, 1e-6);
    EXPECT_NEAR(pipelineAmount(runThroughBash(onRecordedTable(dir, sentTotalsPipeline))).value, bytesOut / 1048576.0, 1e-6);
}

TEST(TotalsPipelines, AnEmptyTablePrintsZero) {
    QTemporaryDir dir;
    const QString table = dir.filePath(QStringLiteral("dev"));
    ASSERT_TRUE(writeFile(table, "Inter-|   Receive\n face |bytes\n"));
    const QString text = QString::fromLatin1(receivedTotalsPipeline).replace(QStringLiteral("/proc/net/dev"), table);
    EXPECT_EQ(runThroughBash(text), QByteArray("0.000000\n"));
}

TEST(TotalsPipelines, AgreeWithProcNetDevOnThisMachine) {
    // The counters only grow, so readings taken just before and just after
    // the run bracket what the run saw.
    for (const auto& [text, column] : {std::pair{receivedTotalsPipeline, 0}, std::pair{sentTotalsPipeline, 8}}) {
        const double before = procNetDevMB(column);
        const double total = pipelineAmount(runThroughBash(QString::fromLatin1(text))).value;
        const double after = procNetDevMB(column);
        ASSERT_GE(before, 0.0);
        EXPECT_GE(total, before - 1e-6) << text;
        EXPECT_LE(total, after + 1e-6) << text;
    }
}

TEST(PipelineAmount, IsTheNumberAtTheStartOfTheOutput) {
    EXPECT_DOUBLE_EQ(pipelineAmount("1536.44\n").value, 1536.44);
    EXPECT_TRUE(pipelineAmount("1536.44\n").readable);
    EXPECT_DOUBLE_EQ(pipelineAmount(" \t-3.5e1 MB").value, -35.0);
    EXPECT_DOUBLE_EQ(pipelineAmount(".5").value, 0.5);
    EXPECT_DOUBLE_EQ(pipelineAmount("0\n").value, 0.0);
    EXPECT_TRUE(pipelineAmount("0\n").readable);
}

TEST(PipelineAmount, OutputWithoutANumberCountsAsZero) {
    for (const QByteArray& output : {QByteArray(), QByteArray("\n"), QByteArray("(standard_in) 1: syntax error"),
                                     QByteArray("-"), QByteArray("12\xff\n")}) {
        const PipelineAmount amount = pipelineAmount(output);
        EXPECT_EQ(amount.value, 0.0) << output.toStdString();
        EXPECT_FALSE(amount.readable) << output.toStdString();
    }
}

TEST(TotalTitle, OneDecimalWithItsSignAndAnM) {
    EXPECT_EQ(totalTitle(dataReceivedLabel, 1536.44), QStringLiteral("Data Received: 1536.4M"));
    EXPECT_EQ(totalTitle(dataSentLabel, 0.0), QStringLiteral("Data Sent: 0.0M"));
    EXPECT_EQ(totalTitle(dataSentLabel, -0.04), QStringLiteral("Data Sent: -0.0M"));
    EXPECT_EQ(totalTitle(dataSentLabel, -100.0), QStringLiteral("Data Sent: -100.0M"));
    EXPECT_EQ(totalTitle(dataReceivedLabel, 1234567.89), QStringLiteral("Data Received: 1234567.9M"));
}

TEST(TotalTitle, UsesAFullStopWhateverTheLocale) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString title = totalTitle(dataReceivedLabel, 1536.44);
    QLocale::setDefault(saved);
    EXPECT_EQ(title, QStringLiteral("Data Received: 1536.4M"));
}

}  // namespace
}  // namespace ratelark
