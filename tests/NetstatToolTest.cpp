#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>

#include <array>
#include <cmath>
#include <csignal>
#include <optional>

namespace ratelark {
namespace {

using testing::waitUntil;
using Line = std::array<qint64, 7>;
enum Column { PacketsIn, ErrsIn, BytesIn, PacketsOut, ErrsOut, BytesOut, Colls };

QString toolPath() { return QStringLiteral(RATELARK_TEST_BIN_DIR "/ratelark-netstat"); }

// Sixteen /proc/net/dev fields from the seven the tool reports; the others
// hold values that must never show up.
QString interfaceLine(const QString& name, const Line& c) {
    const std::array<qint64, 16> fields = {c[BytesIn], c[PacketsIn], c[ErrsIn], 77, 77, 77, 77, 77,
                                           c[BytesOut], c[PacketsOut], c[ErrsOut], 77, 77, c[Colls], 77, 77};
    QString line = name.size() < 6 ? QString(6 - name.size(), QLatin1Char(' ')) + name : name;
    line += QLatin1Char(':');
    for (const qint64 field : fields) line += QLatin1Char(' ') + QString::number(field);
    return line + QLatin1Char('\n');
}

// A counters file the tool reads instead of /proc/net/dev, replaced whole
// at each write so that the tool never sees half of one.
class CountersFile {
public:
    QString path() const { return dir_.path() + QStringLiteral("/net-dev"); }
    void write(const QString& interfaces) const {
        QSaveFile file(path());
        file.open(QIODevice::WriteOnly);
        file.write("Inter-|   Receive                                                |  Transmit\n"
                   " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs drop fifo "
                   "colls carrier compressed\n");
        file.write(interfaces.toUtf8());
        file.commit();
    }
    void remove() const { QFile::remove(path()); }

private:
    QTemporaryDir dir_;
};

// The tool running with the given arguments, read line by line.
class ToolRun {
public:
    explicit ToolRun(const QStringList& arguments) {
        process_.start(toolPath(), arguments);
        started_ = process_.waitForStarted();
    }
    ~ToolRun() {
        process_.kill();
        process_.waitForFinished();
    }
    bool started() const { return started_; }
    QProcess& process() { return process_; }

    // The next line as seven numbers; nothing when none comes or it is not
    // seven non-negative integers.
    std::optional<Line> next() {
        while (!process_.canReadLine())
            if (!process_.waitForReadyRead(10000)) return std::nullopt;
        const QByteArray text = process_.readLine();
        const QList<QByteArray> words = text.trimmed().split(' ');
        Line line{};
        int count = 0;
        for (const QByteArray& word : words) {
            if (word.isEmpty()) continue;
            bool ok = false;
            const qint64 value = word.toLongLong(&ok);
            if (!ok || value < 0 || count == 7) return std::nullopt;
            line[count++] = value;
        }
        if (count != 7 || !text.endsWith('\n')) return std::nullopt;
        return line;
    }

    // The next line in which anything moved; lines before it must be zeros.
    std::optional<Line> nextChange(int limit = 30) {
        for (int i = 0; i < limit; ++i) {
            const std::optional<Line> line = next();
            if (!line) return std::nullopt;
            if (*line != Line{}) return line;
        }
        return std::nullopt;
    }

private:
    QProcess process_;
    bool started_ = false;
};

// Each line is scaled to exactly one interval by the measured time, which
// differs a little from the nominal interval: compare loosely.
void expectAbout(const Line& line, const Line& expected, const char* what) {
    for (int column = 0; column < 7; ++column) {
        const double tolerance = 0.3 * static_cast<double>(expected[column]) + 0.5;
        EXPECT_LE(std::abs(static_cast<double>(line[column] - expected[column])), tolerance)
            << what << ", column " << column + 1 << ": " << line[column] << " instead of " << expected[column];
    }
}

constexpr const char* kInterval = "0.4";

TEST(NetstatTool, ReadsTheSystemsCountersInTheDocumentedForm) {
    ToolRun tool({QStringLiteral("0.1")});
    ASSERT_TRUE(tool.started());
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(tool.next().has_value()) << "line " << i + 1;
}

TEST(NetstatTool, PrintsWhatMovedInEachIntervalAndNoTotals) {
    CountersFile counters;
    counters.write(interfaceLine(QStringLiteral("eth0"), {5000000, 3, 900000000, 4000000, 2, 700000000, 1}));
    ToolRun tool({QStringLiteral("--file"), counters.path(), QString::fromLatin1(kInterval)});
    ASSERT_TRUE(tool.started());
    EXPECT_EQ(tool.next(), Line{}) << "the first line is a difference, not the totals since boot";

    counters.write(interfaceLine(QStringLiteral("eth0"),
                                 {5000000 + 1000, 3 + 20, 900000000 + 300000, 4000000 + 4000, 2 + 50,
                                  700000000 + 600000, 1 + 7}));
    const std::optional<Line> moved = tool.nextChange();
    ASSERT_TRUE(moved.has_value());
    expectAbout(*moved, {1000, 20, 300000, 4000, 50, 600000, 7}, "one step");
    EXPECT_EQ(tool.next(), Line{}) << "a step shows once";
}

TEST(NetstatTool, InterfacesThatComeGoOrResetNeverMakeASpike) {
    CountersFile counters;
    const QString longName = QStringLiteral("docker-bridge0");
    const qint64 huge = 4000000000000;
    qint64 eth0 = 1000000;
    auto step = [&](qint64 marker, const QString& others) {
        eth0 += marker;
        counters.write(interfaceLine(QStringLiteral("eth0"), {0, 0, eth0, 0, 0, 0, 0}) + others);
    };
    step(0, interfaceLine(QStringLiteral("wlan0"), {10, 0, 10, 10, 0, 5000, 0}));
    // No device anywhere: every interface but the loopback counts.
    ToolRun tool({QStringLiteral("--sysfs"), QStringLiteral("/nonexistent"), QStringLiteral("--file"), counters.path(),
                  QString::fromLatin1(kInterval)});
    ASSERT_TRUE(tool.started());
    ASSERT_EQ(tool.next(), Line{});

    // Each step moves eth0 by a marker of its own, so its line can be told.
    step(10000, interfaceLine(QStringLiteral("wlan0"), {10, 0, 10, 10, 0, 5000, 0}) +
                    interfaceLine(longName, {huge, huge, huge, huge, huge, huge, huge}));
    std::optional<Line> line = tool.nextChange();
    ASSERT_TRUE(line.has_value());
    expectAbout(*line, {0, 0, 10000, 0, 0, 0, 0}, "an interface appears");

    step(20000, interfaceLine(QStringLiteral("wlan0"), {10, 0, 10, 10, 0, 5000, 0}) +
                    interfaceLine(longName, {huge + 700, huge, huge, huge, huge, huge + 3000, huge}));
    line = tool.nextChange();
    ASSERT_TRUE(line.has_value());
    expectAbout(*line, {700, 0, 20000, 0, 0, 3000, 0}, "a long name without blank counts from its second reading");

    step(30000, interfaceLine(longName, {5, 0, 60, 5, 0, 60, 0}));
    line = tool.nextChange();
    ASSERT_TRUE(line.has_value());
    expectAbout(*line, {0, 0, 30000, 0, 0, 0, 0}, "an interface vanishes and one resets");

    step(40000, interfaceLine(QStringLiteral("wlan0"), {10, 0, 10, 10, 0, 5100, 0}) +
                    interfaceLine(longName, {805, 0, 60, 5, 0, 60, 0}));
    line = tool.nextChange();
    ASSERT_TRUE(line.has_value());
    expectAbout(*line, {800, 0, 40000, 0, 0, 0, 0}, "a returning interface starts afresh");
}

TEST(NetstatTool, CountsTheDeviceBackedOrTheNamedInterfacesAndTakesInNewOnes) {
    CountersFile counters;
    QTemporaryDir sysfs;
    ASSERT_TRUE(QDir().mkpath(sysfs.filePath(QStringLiteral("eth0/device"))));
    auto write = [&](qint64 eth0, qint64 docker0, const QString& more = {}) {
        counters.write(interfaceLine(QStringLiteral("eth0"), {0, 0, eth0, 0, 0, 0, 0}) +
                       interfaceLine(QStringLiteral("docker0"), {0, 0, 0, 0, 0, docker0, 0}) + more);
    };
    write(1000, 1000);
    ToolRun automatic({QStringLiteral("--sysfs"), sysfs.path(), QStringLiteral("--file"), counters.path(), QString::fromLatin1(kInterval)});
    ToolRun chosen({QStringLiteral("--interface"), QStringLiteral("docker0"), QStringLiteral("--interface"), QStringLiteral("usb0"),
                    QStringLiteral("--file"), counters.path(), QString::fromLatin1(kInterval)});
    ASSERT_EQ(automatic.next(), Line{});
    ASSERT_EQ(chosen.next(), Line{});
    write(4000, 6000);
    expectAbout(automatic.nextChange().value_or(Line{}), {0, 0, 3000, 0, 0, 0, 0}, "the device-backed eth0 alone");
    expectAbout(chosen.nextChange().value_or(Line{}), {0, 0, 0, 0, 0, 5000, 0}, "the chosen docker0 alone");

    // A USB modem plugged in joins both sets, from its second reading on.
    ASSERT_TRUE(QDir().mkpath(sysfs.filePath(QStringLiteral("usb0/device"))));
    write(4100, 6010, interfaceLine(QStringLiteral("usb0"), {0, 0, 9000000, 0, 0, 0, 0}));
    expectAbout(automatic.nextChange().value_or(Line{}), {0, 0, 100, 0, 0, 0, 0}, "usb0 appears");
    expectAbout(chosen.nextChange().value_or(Line{}), {0, 0, 0, 0, 0, 10, 0}, "usb0 appears");
    write(4100, 6010, interfaceLine(QStringLiteral("usb0"), {0, 0, 9000700, 0, 0, 0, 0}));
    expectAbout(automatic.nextChange().value_or(Line{}), {0, 0, 700, 0, 0, 0, 0}, "usb0 counts");
    expectAbout(chosen.nextChange().value_or(Line{}), {0, 0, 700, 0, 0, 0, 0}, "the chosen usb0 counts");
}

TEST(NetstatTool, AFileThatCannotBeReadIsReportedOnceUntilItRecovers) {
    CountersFile counters;
    counters.write(interfaceLine(QStringLiteral("eth0"), {1, 0, 1000, 1, 0, 1000, 0}));
    ToolRun tool({QStringLiteral("--file"), counters.path(), QStringLiteral("0.1")});
    ASSERT_TRUE(tool.started());
    ASSERT_EQ(tool.next(), Line{});

    counters.remove();
    QByteArray errors;
    ASSERT_TRUE(waitUntil([&] {
        errors += tool.process().readAllStandardError();
        return errors.contains('\n');
    }));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(tool.next(), Line{}) << "a line of zeros for each tick";
    errors += tool.process().readAllStandardError();
    EXPECT_EQ(errors.count('\n'), 1) << errors.toStdString();
    EXPECT_TRUE(errors.contains("cannot read " + counters.path().toUtf8())) << errors.toStdString();

    // Back with much larger counters: they are a new start, not a spike.
    counters.write(interfaceLine(QStringLiteral("eth0"), {9, 0, 90000000, 9, 0, 90000000, 0}));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(tool.next(), Line{});
    counters.write(interfaceLine(QStringLiteral("eth0"), {9, 0, 90000000 + 2000, 9, 0, 90000000, 0}));
    const std::optional<Line> line = tool.nextChange();
    ASSERT_TRUE(line.has_value());
    expectAbout(*line, {0, 0, 2000, 0, 0, 0, 0}, "after recovery");

    counters.remove();
    ASSERT_TRUE(waitUntil([&] {
        errors += tool.process().readAllStandardError();
        return errors.count('\n') == 2;
    })) << "a new failure after a recovery is reported again";
}

// Whether the tool has its handlers for SIGINT and SIGTERM in place.
bool catchesStopSignals(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (!line.startsWith("SigCgt:")) continue;
        const qulonglong caught = line.mid(7).trimmed().toULongLong(nullptr, 16);
        const qulonglong wanted = (1ull << (SIGINT - 1)) | (1ull << (SIGTERM - 1));
        return (caught & wanted) == wanted;
    }
    return false;
}

TEST(NetstatTool, StopsAtOnceAndQuietlyOnSigintOrSigterm) {
    CountersFile counters;
    counters.write(interfaceLine(QStringLiteral("eth0"), {1, 0, 1000, 1, 0, 1000, 0}));
    for (const int signal : {SIGINT, SIGTERM}) {
        // A tick a day long: only the signal can end it within the limit.
        ToolRun tool({QStringLiteral("--file"), counters.path(), QStringLiteral("86400")});
        ASSERT_TRUE(tool.started());
        const qint64 pid = tool.process().processId();
        ASSERT_TRUE(waitUntil([&] { return catchesStopSignals(pid); }));
        ::kill(static_cast<pid_t>(pid), signal);
        ASSERT_TRUE(tool.process().waitForFinished(10000)) << "signal " << signal;
        EXPECT_EQ(tool.process().exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(tool.process().exitCode(), 0);
        EXPECT_TRUE(tool.process().readAllStandardError().isEmpty());
        EXPECT_TRUE(tool.process().readAllStandardOutput().isEmpty());
    }
}

// Runs a bash command with the tool's path as $0; returns its standard output.
QByteArray runBash(const QString& command) {
    QProcess bash;
    bash.start(QStringLiteral("/bin/bash"), {QStringLiteral("-c"), command, toolPath()});
    bash.waitForFinished(30000);
    return bash.readAllStandardOutput();
}

TEST(NetstatTool, HelpIsTheUsageOnStandardOutput) {
    QProcess tool;
    tool.start(toolPath(), {QStringLiteral("--help")});
    ASSERT_TRUE(tool.waitForFinished(10000));
    EXPECT_EQ(tool.exitCode(), 0);
    EXPECT_TRUE(tool.readAllStandardOutput().startsWith("usage: ratelark-netstat"));
    EXPECT_TRUE(tool.readAllStandardError().isEmpty());
}

TEST(NetstatTool, AClosedOutputEndsItQuietly) {
    QTemporaryDir dir;
    const QString errors = dir.path() + QStringLiteral("/errors");
    const QByteArray status =
        runBash(QStringLiteral("\"$0\" 0.05 2>'%1' | head -n 2 >/dev/null; echo ${PIPESTATUS[0]}").arg(errors));
    EXPECT_EQ(status.trimmed(), "0");
    QFile file(errors);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().isEmpty());
}

TEST(NetstatTool, EndsWhenTheProcessThatStartedItEnds) {
    CountersFile counters;
    counters.write(interfaceLine(QStringLiteral("eth0"), {1, 0, 1000, 1, 0, 1000, 0}));
    QProcess parent;
    parent.start(QStringLiteral("/bin/bash"),
                 {QStringLiteral("-c"), QStringLiteral("\"$0\" --file '%1' 86400 & echo $!; wait").arg(counters.path()),
                  toolPath()});
    ASSERT_TRUE(parent.waitForStarted());
    ASSERT_TRUE(waitUntil([&] { return parent.canReadLine(); }));
    const qint64 pid = parent.readLine().trimmed().toLongLong();
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(waitUntil([&] { return catchesStopSignals(pid); }));

    parent.kill();
    parent.waitForFinished();
    // Ended, whether or not whoever inherited it has reaped it yet.
    EXPECT_TRUE(waitUntil([&] {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) return true;
        const QByteArray text = stat.readAll();
        return text.mid(text.lastIndexOf(')') + 2, 1) == "Z";
    }));
}

struct Arguments {
    QStringList list;
};

void PrintTo(const Arguments& arguments, std::ostream* out) { *out << arguments.list.join(QLatin1Char(' ')).toStdString(); }

class NetstatToolArguments : public ::testing::TestWithParam<Arguments> {};

TEST_P(NetstatToolArguments, AreRejectedWithUsage) {
    QProcess tool;
    tool.start(toolPath(), GetParam().list);
    ASSERT_TRUE(tool.waitForFinished(10000));
    EXPECT_EQ(tool.exitCode(), 2);
    EXPECT_TRUE(tool.readAllStandardError().contains("usage: ratelark-netstat"));
    EXPECT_TRUE(tool.readAllStandardOutput().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Table, NetstatToolArguments,
                         ::testing::Values(Arguments{{QStringLiteral("0")}}, Arguments{{QStringLiteral("-1")}},
                                           Arguments{{QStringLiteral("abc")}}, Arguments{{QStringLiteral("1s")}},
                                           Arguments{{QStringLiteral("1"), QStringLiteral("2")}},
                                           Arguments{{QStringLiteral("--file")}},
                                           Arguments{{QStringLiteral("-x")}},
                                           Arguments{{QStringLiteral("--interface"), QStringLiteral("a:b")}},
                                           Arguments{{QStringLiteral("--interface"), QStringLiteral("$(>A) x")}},
                                           Arguments{{QStringLiteral("86401")}}));

}  // namespace
}  // namespace ratelark
