// Settings files the program cannot use: set aside, never lost, each under a
// name of its own whoever else sets the same file aside at the same moment;
// and files that are no settings at all, never read.
#include "platform/FileSetAside.h"
#include "platform/SettingsStore.h"
#include "tests/support/Harness.h"

#include <QDir>
#include <QSet>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ratelark {
namespace {

using namespace testing;

TEST(FileSetAside, EachSetAsideKeepsItsBytesUnderANewNameAndNoneReplacesAnother) {
    QTemporaryDir dir;
    const QString path = dir.filePath("ratelark.conf");
    QSet<QString> kept;
    for (const QByteArray bytes : {"first\xe9", "second\xe9", "third\xe9"}) {  // within a second, mostly
        writeFile(path, bytes);
        SettingsStore store(path);
        EXPECT_TRUE(store.takeOpeningNotice().contains("kept it as " + path + ".bad-2"));
        const QStringList all = QDir(dir.path()).entryList({"ratelark.conf.bad-*"}, QDir::Files, QDir::Name);
        ASSERT_EQ(all.size(), kept.size() + 1);
        for (const QString& each : all) {
            if (kept.contains(each)) continue;
            EXPECT_EQ(readFile(dir.filePath(each)), bytes);
            kept << each;
        }
    }
    QString why;
    EXPECT_EQ(setFileAside(path, "bad", &why), "") << "nothing left to set aside";
    EXPECT_EQ(why, "gone");

    // Eight processes set the same file aside at once: one moves it.
    writeFile(path, "contended");
    std::vector<pid_t> children;
    for (int i = 0; i < 8; ++i)
        if (const pid_t child = children.emplace_back(::fork()); child == 0)
            ::_exit(setFileAside(path, "race").isEmpty() ? 1 : 0);
    int moved = 0;
    for (const pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        moved += WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    const QStringList raced = QDir(dir.path()).entryList({"ratelark.conf.race-*"});
    EXPECT_EQ(moved, 1);
    ASSERT_EQ(raced.size(), 1);
    EXPECT_EQ(readFile(dir.filePath(raced[0])), "contended");
}

TEST(SettingsFiles, AFileThatIsNoRegularFileIsLeftAloneAndOneTooLargeIsSetAside) {
    // how the file is made; what the log says; whether it stays where it was
    const std::tuple<std::function<void(const QString&)>, const char*, bool> kinds[] = {
        {[](const QString& path) { ::mkfifo(QFile::encodeName(path), 0600); }, "is a FIFO, not a regular file", true},
        {[](const QString& path) { QFile::link("/dev/zero", path); }, "is a device, not a regular file", true},
        {[](const QString& path) { writeFile(path, "[General]\nshowArrow=1\n" + QByteArray(2 << 20, ';')); },
         "larger than 1024 KiB); kept it as", false},
    };
    for (const auto& [make, notice, stays] : kinds) {
        QTemporaryDir dir;
        const QString path = dir.filePath("ratelark.conf");
        make(path);
        SettingsStore store(path);  // neither hangs nor reads without end
        EXPECT_TRUE(store.takeOpeningNotice().contains(notice)) << notice;
        EXPECT_EQ(QFileInfo(path).isSymbolicLink() || QFileInfo(path).exists(), stays) << notice;
        EXPECT_FALSE(store.boolForKey("showArrow")) << "the defaults hold";
        store.setObject(true, "showArrow");
        store.synchronize();
        EXPECT_TRUE(store.boolForKey("showArrow")) << "a change lasts the run";
    }
}

}  // namespace
}  // namespace ratelark
