#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>

#include <chrono>
#include <cmath>
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

// Traffic of a known size each second between two network namespaces joined
// by a veth pair. The sampler tool runs in the sending namespace, where the
// only interface besides loopback is the sending end of the pair, so each of
// its lines must agree with that interface's own counter.
//
// Fair windows: each second's traffic is sent well inside one of the tool's
// intervals, starting just after one of its lines and ending long before the
// next, and the veth counter is read at each line. Both then count exactly
// the same packets, whatever small delays separate the tool's readings from
// the test's. The tool gives bytes per second over its interval as it
// measured it, so the veth's bytes are divided by the time between the two
// lines as the test saw them: a tick that came late (a stalled machine) then
// shows in both. The tool and the test's thread run at real-time priority
// where allowed, so that both see the ticks when they happen.
constexpr int kPacketsPerSecond = 400;
constexpr int kPayload = 1000;
constexpr auto kSendAfter = 50ms;   // after a line has arrived
constexpr auto kSendFor = 300ms;    // the packets are spread over this time
constexpr auto kLatestEnd = 700ms;  // a burst ending later may straddle a tick
constexpr int kWindows = 6;
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

// The two namespaces and the veth pair, named after this process so that
// parallel runs do not meet, and removed again whatever happens.
class VethPair {
public:
    explicit VethPair(QString ip) : ip_(std::move(ip)) {
        const QString id = QString::number(::getpid());
        sender = "rl-acc-tx-" + id;
        receiver = "rl-acc-rx-" + id;
        senderLink = "rlt" + id;
        receiverLink = "rlr" + id;
    }
    ~VethPair() {
        for (const QString& space : created_) run(ip_, {"netns", "delete", space});
    }

    // Empty on success, else what failed.
    QString create() {
        for (const QString& space : {sender, receiver}) {
            const Outcome outcome = run(ip_, {"netns", "add", space});
            if (outcome.exitCode != 0) return outcome.errors;
            created_ << space;
        }
        const QList<QStringList> steps = {
            {"link", "add", senderLink, "netns", sender, "type", "veth", "peer", "name", receiverLink, "netns", receiver},
            {"-n", sender, "address", "add", "10.213.0.1/30", "dev", senderLink},
            {"-n", receiver, "address", "add", "10.213.0.2/30", "dev", receiverLink},
            {"-n", sender, "link", "set", senderLink, "up"},
            {"-n", receiver, "link", "set", receiverLink, "up"},
        };
        for (const QStringList& step : steps)
            if (const Outcome outcome = run(ip_, step); outcome.exitCode != 0)
                return QString("ip %1: %2").arg(step.join(' '), outcome.errors);
        return {};
    }

    // A command line that runs program inside the sending namespace.
    QStringList inSender(const QStringList& command) const { return QStringList{"netns", "exec", sender} + command; }

    QString sender, receiver, senderLink, receiverLink;

private:
    QString ip_;
    QStringList created_;  // the namespaces made
};

// A UDP socket of the sending namespace: made by a thread that joins the
// namespace, after which any thread may send through it.
int senderSocket(const QString& nameSpace) {
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

// Sends the packets evenly spread over the given time, on absolute deadlines.
void sendPaced(int socket, int packets, Clock::duration spread) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9);
    ::inet_pton(AF_INET, "10.213.0.2", &to.sin_addr);
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

TEST(NetstatAccuracy, EachSecondMatchesTheVethCountersWithinOnePercent) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to create network namespaces; run the tests as root";
    QString ip = QStandardPaths::findExecutable("ip");
    if (ip.isEmpty()) ip = QStandardPaths::findExecutable("ip", {"/usr/sbin", "/sbin"});
    if (ip.isEmpty()) GTEST_SKIP() << "needs the ip command of iproute2";

    VethPair pair(ip);
    if (const QString failure = pair.create(); !failure.isEmpty())
        GTEST_SKIP() << "cannot make network namespaces and a veth pair here: " << failure.toStdString();

    const Socket socket{senderSocket(pair.sender)};
    ASSERT_GE(socket.fd, 0) << "no socket in the sending namespace";

    // The veth's own counter, read inside the namespace on request.
    QProcess counter;
    counter.start(ip, pair.inSender({"bash", "-c",
                                     QString("while read -r _; do read -r b < /sys/class/net/%1/statistics/tx_bytes; "
                                             "echo \"$b\"; done")
                                         .arg(pair.senderLink)}));
    ASSERT_TRUE(counter.waitForStarted());
    auto vethBytesSent = [&]() -> std::optional<qint64> {
        counter.write("\n");
        bool ok = false;
        const qint64 value = nextLine(counter).value_or("").toLongLong(&ok);
        return ok ? std::optional(value) : std::nullopt;
    };

    QProcess tool;
    tool.start(ip, pair.inSender(promptly({toolPath(), "1"})));
    ASSERT_TRUE(tool.waitForStarted());

    // The first packets wait for the neighbour's address; let that settle.
    sendPaced(socket.fd, 10, 10ms);
    ASSERT_TRUE(nextLine(tool));
    ASSERT_TRUE(nextLine(tool));

    const PromptThread prompt;
    std::optional<QByteArray> line = nextLine(tool);
    ASSERT_TRUE(line);
    Clock::time_point lineArrived = Clock::now();
    std::optional<qint64> before = vethBytesSent();
    ASSERT_TRUE(before) << counter.readAllStandardError().toStdString();
    int fair = 0;
    for (int attempt = 0; attempt < kMostAttempts && fair < kWindows; ++attempt) {
        std::this_thread::sleep_until(lineArrived + kSendAfter);
        sendPaced(socket.fd, kPacketsPerSecond, kSendFor);
        const bool sentInTime = Clock::now() - lineArrived < kLatestEnd;

        line = nextLine(tool);
        ASSERT_TRUE(line) << "the tool stopped printing";
        const Clock::time_point previousLine = std::exchange(lineArrived, Clock::now());
        const double seconds = std::chrono::duration<double>(lineArrived - previousLine).count();
        const std::optional<qint64> after = vethBytesSent();
        ASSERT_TRUE(after);
        const std::optional<qint64> reported = bytesSent(*line);
        ASSERT_TRUE(reported) << "not a line of seven numbers: " << line->toStdString();
        const qint64 actual = *after - *before;
        before = after;
        // A burst the test could not finish in time (a very busy machine)
        // may have crossed a tick; that second proves nothing either way.
        if (!sentInTime) continue;
        ++fair;

        EXPECT_GE(actual, qint64(kPacketsPerSecond) * kPayload) << "the veth carried less than was sent";
        EXPECT_LE(actual, qint64(kPacketsPerSecond) * (kPayload + 100)) << "the veth carried much more than was sent";
        const double perSecond = static_cast<double>(actual) / seconds;
        EXPECT_LE(std::abs(static_cast<double>(*reported) - perSecond), 0.01 * perSecond)
            << "second " << fair << ": the tool reported " << *reported << " bytes, the veth counted " << actual
            << " in " << seconds << " s";
    }
    EXPECT_EQ(fair, kWindows) << "too few seconds could be sent in time";
}

}  // namespace
}  // namespace ratelark
