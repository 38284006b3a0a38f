#include "measure/TotalsPipelines.h"

#include <gtest/gtest.h>

#include <QDir>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <functional>
#include <optional>
#include <thread>
#include <utility>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ratelark {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A machine whose uplink is a port of a bridge, beside a container's veth on
// the same bridge, each in a network namespace, and an outside namespace at
// the other end of the uplink. What the machine itself sends crosses the
// bridge and the uplink, so that summing every interface counts it twice;
// what the container sends crosses its veth and the uplink. Each byte leaves
// once, on the uplink, and each line of the sampler tool, running on the
// machine, must agree with the uplink's own counter: with the uplink found as
// the one interface backed by a device (in a sysfs tree of the test's, since
// every interface here is virtual) and with the uplink named.
//
// Fair windows: each second's traffic is sent well inside one of the tool's
// intervals, starting just after one of its lines and ending long before the
// next, and the uplink's counter is read at each line. Both then count
// exactly the same packets, whatever small delays separate the tool's
// readings from the test's. The tool gives bytes per second over its interval
// as it measured it, so the uplink's bytes are divided by the time between
// the two lines as the test saw them: a tick that came late (a stalled machine) then
// shows in both. The tool and the test's thread run at real-time priority
// where allowed, so that both see the ticks when they happen.
constexpr int kPacketsPerSecond = 400;
constexpr int kPayload = 1000;
constexpr auto kSendAfter = 50ms;   // after a line has arrived
constexpr auto kSendFor = 150ms;    // each sender's packets are spread over this time
constexpr auto kLatestEnd = 700ms;  // a burst ending later may straddle a tick
constexpr int kWindows = 5;
constexpr int kMostAttempts = 15;

QString toolPath() { return RATELARK_TEST_BIN_DIR "/ratelark-netstat"; }

struct Outcome {
    int exitCode = -1;
    QString errors;
};

Outcome run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted() || !process.waitForFinished(30000))
        return {-1, QString("%1 did not run: %2").arg(program, process.errorString())};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardError()).trimmed()};
}

// Network namespaces named after this process, so that parallel runs do not
// meet, and removed again whatever happens.
class Namespaces {
public:
    explicit Namespaces(QString ip) : ip_(std::move(ip)) {}
    ~Namespaces() {
        for (const QString& space : added_) run(ip_, {"netns", "delete", space});
    }
    static QString name(const char* role) { return QString("rl-%1-%2").arg(role).arg(::getpid()); }

    // Adds the namespaces, then runs ip with each command, its words
    // separated by blanks. Empty on success, else what failed.
    QString create(const QStringList& spaces, const QStringList& commands) {
        for (const QString& space : spaces) {
            if (const Outcome outcome = run(ip_, {"netns", "add", space}); outcome.exitCode != 0) return outcome.errors;
            added_ << space;
        }
        for (const QString& command : commands)
            if (const Outcome outcome = run(ip_, command.split(' ')); outcome.exitCode != 0)
                return QString("ip %1: %2").arg(command, outcome.errors);
        return {};
    }
    // A command line for ip that runs command inside the namespace.
    static QStringList inside(const QString& space, const QStringList& command) {
        return QStringList{"netns", "exec", space} + command;
    }

private:
    QString ip_;
    QStringList added_;
};

// A UDP socket of a namespace: made by a thread that joins the namespace,
// after which any thread may send through it.
int socketIn(const QString& nameSpace) {
    int result = -1;
    std::thread maker([&] {
        const int ns = ::open(("/run/netns/" + nameSpace.toStdString()).c_str(), O_RDONLY | O_CLOEXEC);
        if (ns < 0) return;
        if (::setns(ns, CLONE_NEWNET) == 0) result = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ::close(ns);
    });
    maker.join();
    return result;
}

struct Socket {
    int fd;
    ~Socket() {
        if (fd >= 0) ::close(fd);
    }
};

// Sends the packets to the outside namespace evenly spread over the given
// time, on absolute deadlines.
void sendPaced(int socket, int packets, Clock::duration spread) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9);
    ::inet_pton(AF_INET, "10.213.3.2", &to.sin_addr);
    const std::string payload(kPayload, 'r');
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < packets; ++i) {
        std::this_thread::sleep_until(start + spread * i / packets);
        ::sendto(socket, payload.data(), payload.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
}

// The command run at real-time priority where the system allows it, else at
// the highest ordinary one.
QStringList promptly(const QStringList& command) {
    for (const QStringList& prefix : {QStringList{"chrt", "-f", "50"}, QStringList{"nice", "-n", "-20"}})
        if (run(prefix.front(), prefix.mid(1) + QStringList{"true"}).exitCode == 0) return prefix + command;
    return command;
}

// Runs the calling thread at real-time priority while it lives, where allowed.
class PromptThread {
public:
    PromptThread() {
        if (::pthread_getschedparam(::pthread_self(), &policy_, &param_) != 0) return;
        sched_param realTime{};
        realTime.sched_priority = 50;
        raised_ = ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &realTime) == 0;
    }
    ~PromptThread() {
        if (raised_) ::pthread_setschedparam(::pthread_self(), policy_, &param_);
    }

private:
    int policy_ = SCHED_OTHER;
    sched_param param_{};
    bool raised_ = false;
};

// Reads lines from a process one at a time.
std::optional<QByteArray> nextLine(QProcess& process) {
    while (!process.canReadLine())
        if (!process.waitForReadyRead(10000)) return std::nullopt;
    return process.readLine().trimmed();
}

std::optional<qint64> bytesSent(const QByteArray& line) {
    const QList<QByteArray> words = line.simplified().split(' ');
    bool ok = false;
    const qint64 value = words.value(5).toLongLong(&ok);
    return ok && words.size() == 7 ? std::optional(value) : std::nullopt;
}

// A byte counter of the uplink ("tx_bytes", "rx_bytes"), read on the machine.
std::optional<qint64> uplinkCounter(const QString& ip, const QString& uplink, const char* counter) {
    QProcess reader;
    reader.start(ip, Namespaces::inside(Namespaces::name("acc-host"), {"cat", QString("/sys/class/net/%1/statistics/%2").arg(uplink, counter)}));
    bool ok = reader.waitForFinished();
    const qint64 value = reader.readAllStandardOutput().trimmed().toLongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

// Runs the tool with the arguments on the machine and compares each of its
// fair seconds with the uplink's counter.
void expectEachSecondMatchesTheUplink(const QString& ip, const QString& uplink, const QStringList& arguments,
                                      const std::function<void()>& burst) {
    QProcess tool;
    tool.start(ip, Namespaces::inside(Namespaces::name("acc-host"), promptly(QStringList{toolPath()} + arguments)));
    ASSERT_TRUE(tool.waitForStarted());

    // The first packets wait for the neighbours' addresses; let that settle.
    burst();
    ASSERT_TRUE(nextLine(tool)) << tool.readAllStandardError().toStdString();
    ASSERT_TRUE(nextLine(tool));

    const PromptThread prompt;
    std::optional<QByteArray> line = nextLine(tool);
    ASSERT_TRUE(line);
    Clock::time_point lineArrived = Clock::now();
    std::optional<qint64> before = uplinkCounter(ip, uplink, "tx_bytes");
    ASSERT_TRUE(before);
    int fair = 0;
    for (int attempt = 0; attempt < kMostAttempts && fair < kWindows; ++attempt) {
        std::this_thread::sleep_until(lineArrived + kSendAfter);
        burst();
        const bool sentInTime = Clock::now() - lineArrived < kLatestEnd;

        line = nextLine(tool);
        ASSERT_TRUE(line) << "the tool stopped printing";
        const Clock::time_point previousLine = std::exchange(lineArrived, Clock::now());
        const double seconds = std::chrono::duration<double>(lineArrived - previousLine).count();
        const std::optional<qint64> after = uplinkCounter(ip, uplink, "tx_bytes");
        ASSERT_TRUE(after);
        const std::optional<qint64> reported = bytesSent(*line);
        ASSERT_TRUE(reported) << "not a line of seven numbers: " << line->toStdString();
        const qint64 actual = *after - *before;
        before = after;
        // A burst the test could not finish in time (a very busy machine)
        // may have crossed a tick; that second proves nothing either way.
        if (!sentInTime) continue;
        ++fair;

        EXPECT_GE(actual, qint64(kPacketsPerSecond) * kPayload) << "the uplink carried less than was sent";
        EXPECT_LE(actual, qint64(kPacketsPerSecond) * (kPayload + 100)) << "the uplink carried much more than was sent";
        const double perSecond = static_cast<double>(actual) / seconds;
        EXPECT_LE(std::abs(static_cast<double>(*reported) - perSecond), 0.01 * perSecond)
            << "second " << fair << ": the tool reported " << *reported << " bytes, the uplink counted " << actual
            << " in " << seconds << " s";
    }
    EXPECT_EQ(fair, kWindows) << "too few seconds could be sent in time";
    tool.kill();
    tool.waitForFinished();
}

TEST(NetstatAccuracy, EachByteLeavingThroughABridgeCountsOnceWithinOnePercent) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to create network namespaces; run the tests as root";
    QString ip = QStandardPaths::findExecutable("ip");
    if (ip.isEmpty()) ip = QStandardPaths::findExecutable("ip", {"/usr/sbin", "/sbin"});
    if (ip.isEmpty()) GTEST_SKIP() << "needs the ip command of iproute2";

    // The uplink rlu (outside: rlo), the container's veth rlv (inside: rlc), the bridge rlb.
    const QString host = Namespaces::name("acc-host");
    const QString outside = Namespaces::name("acc-out");
    const QString container = Namespaces::name("acc-ctr");
    const QString uplink = QString("rlu%1").arg(::getpid());
    Namespaces namespaces(ip);
    const QString failure = namespaces.create(
        {host, outside, container},
        QString("link add rlu%1 netns %2 type veth peer name rlo%1 netns %3|"
                "link add rlv%1 netns %2 type veth peer name rlc%1 netns %4|-n %2 link add rlb%1 type bridge|"
                "-n %2 link set rlu%1 master rlb%1|-n %2 link set rlv%1 master rlb%1|"
                "-n %2 address add 10.213.3.1/24 dev rlb%1|-n %3 address add 10.213.3.2/24 dev rlo%1|"
                "-n %4 address add 10.213.3.3/24 dev rlc%1|-n %2 link set rlb%1 up|-n %2 link set rlu%1 up|"
                "-n %2 link set rlv%1 up|-n %3 link set rlo%1 up|-n %4 link set rlc%1 up")
            .arg(::getpid()).arg(host, outside, container).split('|'));
    if (!failure.isEmpty()) GTEST_SKIP() << "cannot make network namespaces with a bridge here: " << failure.toStdString();

    const Socket fromHost{socketIn(host)};
    const Socket fromContainer{socketIn(container)};
    ASSERT_TRUE(fromHost.fd >= 0 && fromContainer.fd >= 0);
    const auto burst = [&] {
        sendPaced(fromHost.fd, kPacketsPerSecond / 2, kSendFor);
        sendPaced(fromContainer.fd, kPacketsPerSecond / 2, kSendFor);
    };
    QTemporaryDir sysfs;
    ASSERT_TRUE(QDir().mkpath(sysfs.filePath(uplink + "/device")));
    for (const QStringList& choice : {QStringList{"--sysfs", sysfs.path(), "1"}, QStringList{"--interface", uplink, "1"}}) {
        SCOPED_TRACE(choice.join(' ').toStdString());
        expectEachSecondMatchesTheUplink(ip, uplink, choice, burst);
    }

    // A totals pass over the uplink agrees with its counters, read just before and just after it.
    for (const auto& [text, name] : {std::pair{receivedTotalsPipeline, "rx_bytes"}, std::pair{sentTotalsPipeline, "tx_bytes"}}) {
        const double before = double(uplinkCounter(ip, uplink, name).value_or(-1)) / 1048576.0;
        QProcess pipeline;
        pipeline.start(ip, Namespaces::inside(host, {"env", QString("%1=%2").arg(totalsInterfacesVariable, uplink), "/bin/bash", "-c", text}));
        ASSERT_TRUE(pipeline.waitForFinished());
        const double total = pipelineAmount(pipeline.readAllStandardOutput()).value;
        EXPECT_GT(total, 0.0) << name;
        EXPECT_GE(total, before - 1e-6) << name;
        EXPECT_LE(total, double(uplinkCounter(ip, uplink, name).value_or(-1)) / 1048576.0 + 1e-6) << name;
    }
}

}  // namespace
}  // namespace ratelark
