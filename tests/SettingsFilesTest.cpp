// Settings files the program cannot use: set aside, never lost, each under a
// name of its own whoever else sets the same file aside at the same moment;
// and files that are no settings at all, never read.
#include "app/PreferenceKeys.h"
#include "platform/FileSetAside.h"
#include "platform/SettingsStore.h"
#include "tests/support/Harness.h"

#include <QDir>
#include <QSet>

#include <fcntl.h>
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

TEST(SettingsFiles, AValueASemicolonCutsShortIsNamedInTheLog) {
    QTemporaryDir dir;
    writeFile(dir.filePath("ratelark.conf"), "[General]\n; a comment\ninterfaces=eth0;wlan0\nfontName=\"A;B\"\nshowArrow=1\n");
    const QString notice = SettingsStore(dir.filePath("ratelark.conf")).takeOpeningNotice();
    EXPECT_EQ(notice.count("holds a ';'"), 1) << notice.toStdString();
    EXPECT_TRUE(notice.contains("\"interfaces\"")) << notice.toStdString();
}

TEST(SettingsValues, AStoredValueTheProgramDoesNotOfferReadsAsTheDefaultWithOneLogLine) {
    const std::tuple<QString, QByteArray, double> rows[] = {  // key; stored; read as
        {keys::refreshInterval, "100000", 1}, {keys::refreshInterval, "0", 1},    {keys::refreshInterval, "often", 1},
        {keys::refreshInterval, "30", 30},    {keys::showType, "5", 0},           {keys::showType, "-1", 0},
        {keys::showType, "2147483648", 0},    {keys::showType, "2", 2},           {keys::fontSize, "0", 12},
        {keys::fontSize, "1e9", 12},          {keys::fontSize, "14.5", 14.5},
    };
    QTemporaryDir dir;
    const int savedStderr = ::dup(STDERR_FILENO);
    for (const auto& [key, stored, read] : rows) {
        const QByteArray file = "[General]\n" + key.toUtf8() + "=" + stored + "\n";
        const QString path = dir.filePath(key + stored + ".conf");  // each its own: QSettings caches by name
        writeFile(path, file);
        const int log = ::open(QFile::encodeName(dir.filePath("log")), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ::dup2(log, STDERR_FILENO);
        ::close(log);
        SettingsStore store(path);
        AppController::initialize(store);
        EXPECT_EQ(store.valueForKey(key).toDouble(), read) << stored.toStdString();
        EXPECT_EQ(store.valueForKey(key).toDouble(), read) << stored.toStdString();
        EXPECT_EQ(readFile(dir.filePath("log")).count(key.toUtf8()), read == stored.toDouble() ? 0 : 1) << stored.toStdString();
        EXPECT_EQ(readFile(path), file) << "the file keeps it";
    }
    ::dup2(savedStderr, STDERR_FILENO);
    ::close(savedStderr);
    Harness harness;  // every choice the menus offer reads as itself
    for (const auto& [menu, key] : {std::pair(harness.controller().refreshMenu(), keys::refreshInterval),
                                    std::pair(harness.controller().showTypeMenu(), keys::showType)})
        for (QAction* item : menu->actions()) {
            harness.settings().setInteger(tagOf(item), key);
            EXPECT_EQ(harness.settings().integerForKey(key), tagOf(item));
        }
}

}  // namespace
}  // namespace ratelark
