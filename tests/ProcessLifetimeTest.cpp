// The program itself, started as a user would: how it ends, what it leaves
// behind, and how a second start behaves.
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>
#include <memory>

namespace ratelark {
namespace {

using testing::waitUntil;

// True once no process of that id runs any more (a zombie waiting for its
// new parent to reap it has ended too).
bool processGone(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return true;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close < 0 || text.mid(close + 2, 1) == "Z";
}

qint64 parentOf(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return 0;
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2).split(' ').value(1).toLongLong();
}

QList<qint64> numbersIn(const QString& path) {
    QFile file(path);
    QList<qint64> numbers;
    if (!file.open(QIODevice::ReadOnly)) return numbers;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.trimmed().isEmpty()) numbers << line.trimmed().toLongLong();
    return numbers;
}

// A user's folders in a temporary place and a sampler that notes its process
// id in sampler.pids, then waits.
class ProgramRuns : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        for (const char* folder : {"config", "cache", "runtime"}) QDir(home_.path()).mkdir(QString::fromLatin1(folder));
        QFile::setPermissions(home_.path() + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                             QFileDevice::ExeOwner);
        const QString sampler = home_.path() + "/sampler";
        ASSERT_TRUE(testing::writeFile(
            sampler, "#!/bin/sh\necho $$ >> \"$(dirname \"$0\")/sampler.pids\"\nexec sleep 1000\n", true));
    }

    std::unique_ptr<QProcess> start(const QStringList& arguments) {
        auto program = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // A session with a display, drawn off screen: the program then takes
        // the tray's place and its lock.
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":97"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.path() + "/config");
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), home_.path() + "/cache");
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_.path() + "/runtime");
        environment.insert(QStringLiteral("RATELARK_NETSTAT"), home_.path() + "/sampler");
        program->setProcessEnvironment(environment);
        program->start(QStringLiteral(RATELARK_TEST_BIN_DIR "/ratelark"), arguments);
        EXPECT_TRUE(program->waitForStarted());
        return program;
    }

    QList<qint64> samplers() const { return numbersIn(home_.path() + "/sampler.pids"); }
    QList<qint64> lockOwner() const { return numbersIn(home_.path() + "/runtime/ratelark.lock").mid(0, 1); }

    QTemporaryDir home_;
};

TEST_F(ProgramRuns, AfterQuittingNoSamplerIsLeft) {
    auto program = start({QStringLiteral("--status-line")});
    ASSERT_TRUE(waitUntil([&] { return samplers().size() == 1; }));
    const qint64 sampler = samplers().first();
    EXPECT_EQ(parentOf(sampler), program->processId()) << "the sampler is the program's own child";

    program->terminate();  // takes the quit command's path

    ASSERT_TRUE(program->waitForFinished(testing::kProgramEndLimitMs));
    EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program->exitCode(), 0);
    EXPECT_TRUE(waitUntil([&] { return processGone(sampler); }));
}

TEST_F(ProgramRuns, TheSamplerDoesNotOutliveAProgramThatIsKilled) {
    auto program = start({QStringLiteral("--status-line")});
    ASSERT_TRUE(waitUntil([&] { return samplers().size() == 1; }));

    program->kill();

    ASSERT_TRUE(program->waitForFinished(testing::kProgramEndLimitMs));
    EXPECT_TRUE(waitUntil([&] { return processGone(samplers().first()); }));
}

TEST_F(ProgramRuns, ASecondStartSaysSoAndEndsWell) {
    auto first = start({});
    ASSERT_TRUE(waitUntil([&] { return lockOwner() == QList<qint64>{first->processId()}; }));
    ASSERT_TRUE(waitUntil([&] { return samplers().size() == 1; }));

    auto second = start({});
    ASSERT_TRUE(second->waitForFinished(testing::kProgramEndLimitMs));

    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    const QString error = QString::fromLocal8Bit(second->readAllStandardError());
    EXPECT_TRUE(error.contains(QStringLiteral("RateLark already runs"))) << error.toStdString();
    EXPECT_EQ(samplers().size(), 1) << "the second start measured nothing";
    EXPECT_EQ(first->state(), QProcess::Running);

    first->terminate();
    ASSERT_TRUE(first->waitForFinished(testing::kProgramEndLimitMs));
    EXPECT_EQ(first->exitCode(), 0);
    EXPECT_FALSE(QFile::exists(home_.path() + "/runtime/ratelark.lock")) << "the lock is given up at the end";
}

TEST_F(ProgramRuns, AStatusLineRunsBesideTheTrayItem) {
    auto first = start({});
    ASSERT_TRUE(waitUntil([&] { return lockOwner() == QList<qint64>{first->processId()}; }));

    auto bar = start({QStringLiteral("--status-line=json")});
    EXPECT_TRUE(waitUntil([&] { return samplers().size() == 2 || bar->state() != QProcess::Running; }));
    EXPECT_EQ(bar->state(), QProcess::Running) << bar->readAllStandardError().toStdString();

    bar->terminate();
    first->terminate();
    EXPECT_TRUE(bar->waitForFinished(testing::kProgramEndLimitMs));
    EXPECT_TRUE(first->waitForFinished(testing::kProgramEndLimitMs));
}

TEST_F(ProgramRuns, TheLockOfACrashedRunIsTakenOver) {
    auto crashed = start({});
    ASSERT_TRUE(waitUntil([&] { return lockOwner() == QList<qint64>{crashed->processId()}; }));
    crashed->kill();
    ASSERT_TRUE(crashed->waitForFinished(testing::kProgramEndLimitMs));
    ASSERT_TRUE(QFile::exists(home_.path() + "/runtime/ratelark.lock")) << "left behind";

    auto next = start({});
    EXPECT_TRUE(waitUntil([&] { return lockOwner() == QList<qint64>{next->processId()}; }));
    EXPECT_EQ(next->state(), QProcess::Running);

    next->terminate();
    EXPECT_TRUE(next->waitForFinished(testing::kProgramEndLimitMs));
}

TEST(Install, LaysOutTheProgramsAndTheDesktopFiles) {
    const QString cmake = QStandardPaths::findExecutable(QStringLiteral("cmake"));
    if (cmake.isEmpty()) GTEST_SKIP() << "cmake is not installed";
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    const QString buildDir = QFileInfo(QStringLiteral(RATELARK_TEST_BIN_DIR)).path();

    QProcess install;
    install.start(cmake, {QStringLiteral("--install"), buildDir, QStringLiteral("--prefix"), prefix.path()});
    ASSERT_TRUE(install.waitForFinished(60000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();

    for (const char* program : {"bin/ratelark", "bin/ratelark-netstat"})
        EXPECT_TRUE(QFileInfo(prefix.path() + '/' + program).isExecutable()) << program;
    QFile desktop(prefix.path() + "/share/applications/com.tarnwick.ratelark.desktop");
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    const QByteArray entry = desktop.readAll();
    EXPECT_TRUE(entry.contains("\nExec=ratelark\n"));
    EXPECT_TRUE(entry.contains("\nIcon=ratelark\n"));
    QFile icon(prefix.path() + "/share/icons/hicolor/scalable/apps/ratelark.svg");
    ASSERT_TRUE(icon.open(QIODevice::ReadOnly));
    EXPECT_TRUE(icon.readAll().startsWith("<svg"));
    // Where defaultDocumentation looks from bin/.
    EXPECT_TRUE(QFile::exists(prefix.path() + "/share/doc/ratelark/README.md"));
}

}  // namespace
}  // namespace ratelark
