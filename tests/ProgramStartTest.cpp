#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <sys/utsname.h>

namespace ratelark {
namespace {

using testing::waitUntil;
using testing::writeFile;

// The program as a user starts it, with its folders in a temporary place.
class ProgramStart : public ::testing::Test {
protected:
    QString configFile() const { return home_.path() + QStringLiteral("/config/ratelark/ratelark.conf"); }
    QString logFile() const { return home_.path() + QStringLiteral("/cache/ratelark/console.log"); }

    QByteArray log() const {
        QFile file(logFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Starts the program, waits for its first log line, then ends it.
    void runOnce() {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.path() + QStringLiteral("/config"));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), home_.path() + QStringLiteral("/cache"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("RATELARK_NETSTAT"), QStringLiteral("/bin/true"));
        // A display drawn off screen and no bus: the tray's instance, which owns the log.
        environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":97"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(RATELARK_TEST_BIN_DIR "/ratelark"), QStringList());
        ASSERT_TRUE(program.waitForStarted());
        // A line of this run, not one left by the previous run.
        const QByteArray mark = "[" + QByteArray::number(program.processId()) + ":";
        EXPECT_TRUE(waitUntil([&] { return log().contains(mark); }, 30000));
        program.terminate();
        if (!program.waitForFinished(10000)) {
            program.kill();
            program.waitForFinished();
        }
    }

    QTemporaryDir home_;
};

TEST_F(ProgramStart, LogStartsWithTheKernelVersionAndHoldsOnlyThisRun) {
    utsname names{};
    ASSERT_EQ(::uname(&names), 0);
    const QByteArray release(names.release);
    const QByteArray numbers = release.left(release.indexOf('-'));

    runOnce();
    const QByteArray firstRun = log();
    const QByteArray firstLine = firstRun.left(firstRun.indexOf('\n'));
    // "6.1.0-18-amd64" is logged as 6.1.0; a two-part release gets a 0.
    const QByteArray expected = numbers.count('.') == 1 ? numbers + ".0" : numbers;
    EXPECT_TRUE(firstLine.endsWith(" " + expected)) << firstLine.toStdString();

    runOnce();
    const QByteArray secondRun = log();
    EXPECT_TRUE(secondRun.startsWith(secondRun.left(secondRun.indexOf('\n'))));
    EXPECT_FALSE(secondRun.contains(firstLine)) << "the second start empties the log";
}

TEST_F(ProgramStart, GarbledSettingsAreKeptAsideAndTheProgramStarts) {
    QDir().mkpath(QFileInfo(configFile()).absolutePath());
    ASSERT_TRUE(writeFile(configFile(), QByteArray("\x00\x01\x02[General\xff\xfe", 10)));

    runOnce();

    EXPECT_TRUE(QFile::exists(configFile() + QStringLiteral(".bad")));
    EXPECT_TRUE(log().contains("could not be read")) << log().toStdString();
}

}  // namespace
}  // namespace ratelark
