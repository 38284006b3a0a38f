// Files the program cannot use are set aside, never lost: each under a name
// of its own, whoever else sets the same file aside at the same moment.
#include "platform/FileSetAside.h"
#include "platform/SettingsStore.h"
#include "tests/support/Harness.h"

#include <QDir>
#include <QSet>

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

}  // namespace
}  // namespace ratelark
