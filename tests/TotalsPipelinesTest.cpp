#include "measure/TotalsPipelines.h"
#include "measure/TotalsTitle.h"
#include "platform/ShellCommand.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QTemporaryDir>

namespace ratelark {
namespace {

using namespace std::chrono_literals;
using testing::writeFile;

// Runs a pipeline text counting the interfaces named, as a totals pass does.
QByteArray runThroughBash(const QString& text, const QString& interfaces) {
    ShellCommand command(QStringLiteral("/bin/bash"), text, 10s);
    command.addEnvironment(QString::fromLatin1(totalsInterfacesVariable), interfaces);
    const ShellCommand::Result result = command.run();
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

TEST(TotalsPipelines, SumTheNamedInterfacesFromARecordedTable) {
    QTemporaryDir dir;
    const QString names = QStringLiteral("eth0 wlp0s20f3longname lo0x");
    // Precise above a million MB: not awk's six significant digits.
    EXPECT_EQ(runThroughBash(onRecordedTable(dir, receivedTotalsPipeline), names), QByteArray("1177375690.170593\n"));
    EXPECT_EQ(runThroughBash(onRecordedTable(dir, sentTotalsPipeline), names), QByteArray("2.500000\n"));
    EXPECT_EQ(runThroughBash(onRecordedTable(dir, sentTotalsPipeline), QStringLiteral("lo\teth0")), QByteArray("11.536742\n"));
    EXPECT_EQ(runThroughBash(onRecordedTable(dir, sentTotalsPipeline), QString()), QByteArray("0.000000\n"));
}

TEST(TotalsPipelines, AnEmptyTablePrintsZero) {
    QTemporaryDir dir;
    const QString table = dir.filePath(QStringLiteral("dev"));
    ASSERT_TRUE(writeFile(table, "Inter-|   Receive\n face |bytes\n"));
    const QString text = QString::fromLatin1(receivedTotalsPipeline).replace(QStringLiteral("/proc/net/dev"), table);
    EXPECT_EQ(runThroughBash(text, QStringLiteral("eth0")), QByteArray("0.000000\n"));
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
