#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>

namespace ratelark {
namespace {

TEST(SingleInstance, TheFirstHoldsTheLockUntilItGivesItUp) {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/ratelark.lock");
    SingleInstance first(path);
    ASSERT_TRUE(first.isOnlyInstance());
    {
        SingleInstance second(path);
        EXPECT_FALSE(second.isOnlyInstance());
        EXPECT_EQ(second.otherProcess(), QCoreApplication::applicationPid());
    }
    first.release();
    EXPECT_FALSE(QFile::exists(path));
    SingleInstance third(path);
    EXPECT_TRUE(third.isOnlyInstance());
}

TEST(SingleInstance, ALockThatCannotBeMadeDoesNotStopTheProgram) {
    QTemporaryDir dir;
    QFile blocker(dir.path() + QStringLiteral("/file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SingleInstance instance(blocker.fileName() + QStringLiteral("/ratelark.lock"));
    EXPECT_TRUE(instance.isOnlyInstance());
}

TEST(SingleInstance, TheLockLivesInTheRuntimeFolder) {
    QTemporaryDir runtime;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    const bool hadRuntime = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    EXPECT_EQ(SingleInstance::defaultLockPath(), runtime.path() + QStringLiteral("/ratelark.lock"));
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_TRUE(SingleInstance::defaultLockPath().endsWith(QStringLiteral("/ratelark/ratelark.lock")));
    if (hadRuntime) qputenv("XDG_RUNTIME_DIR", saved);
}

TEST(TerminationSignals, ASignalBecomesACallOnTheEventLoop) {
    for (const int number : {SIGTERM, SIGINT}) {
        int calls = 0;
        TerminationSignals watcher([&calls] { ++calls; });
        ASSERT_EQ(std::raise(number), 0);
        EXPECT_EQ(calls, 0) << "not from within the handler";
        EXPECT_TRUE(testing::waitUntil([&calls] { return calls == 1; })) << number;
    }
}

}  // namespace
}  // namespace ratelark
