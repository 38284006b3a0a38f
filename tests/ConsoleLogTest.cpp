#include "platform/StandardStreams.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ratelark {
namespace {

using testing::Harness;

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Redirects in a child process so that the test runner keeps its own streams.
int redirectInChild(const QString& path, const std::function<void()>& afterRedirect) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const bool ok = redirectStandardStreams(path, true, true).isEmpty();
        if (ok) afterRedirect();
        std::fflush(nullptr);
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ConsoleLog, BothStreamsShareOneOpeningOfTheTruncatedFile) {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/missing/folder/console.log");
    ASSERT_EQ(redirectInChild(path, [] { std::fputs("old run\n", stderr); }), 0);
    ASSERT_EQ(redirectInChild(path,
                              [] {
                                  std::fputs("error 1\n", stderr);
                                  std::fputs("output 1\n", stdout);
                                  std::fflush(stdout);
                                  std::fputs("error 2\n", stderr);
                                  std::fputs("output 2\n", stdout);
                              }),
              0);
    // Nothing of the earlier run, nothing overwritten, in the order written.
    EXPECT_EQ(readAll(path), QByteArray("error 1\noutput 1\nerror 2\noutput 2\n"));
}

TEST(ConsoleLog, AFolderThatCannotBeMadeLeavesTheStreamsAlone) {
    QTemporaryDir dir;
    // A file where the folder should be: not even root can create the folder.
    QFile blocker(dir.path() + QStringLiteral("/ratelark"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const int before = ::dup(STDERR_FILENO);
    EXPECT_FALSE(redirectStandardStreams(dir.path() + QStringLiteral("/ratelark/console.log"), false, true).isEmpty());
    struct stat was {}, now {};
    ::fstat(before, &was);
    ::fstat(STDERR_FILENO, &now);
    EXPECT_EQ(was.st_ino, now.st_ino);
    ::close(before);
}

TEST(ConsoleLog, ALogThatCannotBeOpenedDoesNotStopTheStart) {
    Harness harness;
    // A directory where the file should be: it cannot be opened as a file.
    QDir().mkpath(harness.logPath());
    harness.start();
    EXPECT_NE(harness.controller().statusItem(), nullptr);
    EXPECT_EQ(harness.controller().logPath(), harness.logPath());
}

TEST(ConsoleLog, FolderPanelOffersOneDirectoryAndChangesNothing) {
    Harness harness;
    harness.start();
    QString title;
    QString directory;
    bool directoriesOnly = false;
    QTimer::singleShot(0, [&] {
        auto* panel = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!panel) return;
        title = panel->windowTitle();
        directory = panel->directory().absolutePath();
        directoriesOnly = panel->fileMode() == QFileDialog::Directory && panel->testOption(QFileDialog::ShowDirsOnly);
        panel->reject();
    });
    harness.controller().avoidConsoleFlush(nullptr);
    EXPECT_EQ(title, QStringLiteral("Click Open to Avoid Console Flush with Warnings"));
    EXPECT_EQ(directory, QFileInfo(harness.logPath()).absolutePath());
    EXPECT_TRUE(directoriesOnly);
}

}  // namespace
}  // namespace ratelark
