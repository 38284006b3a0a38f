// The road of one second of traffic: the start-up, the sampler's children,
// the parsing of each chunk, the averaging, the speed texts and the title.
#include "app/PreferenceKeys.h"
#include "measure/SampleParser.h"
#include "measure/TotalsTitle.h"
#include "platform/Task.h"
#include "platform/PixelTitlePicture.h"
#include "platform/TitlePicture.h"
#include "present/SizeFormat.h"
#include "present/TitleComposer.h"
#include "present/VerticallyCenteredTextFieldCell.h"
#include "tests/support/Harness.h"

#include <QCoreApplication>
#include <QLocale>
#include <QPainter>
#include <QTimer>

#include <clocale>
#include <cmath>
#include <csignal>

#include <sys/wait.h>

namespace ratelark {
namespace {

using namespace testing;

TEST(Startup, MarksTheChoiceMenusByTheStoredValuesAndRestartsTheSamplerEvery30Seconds) {
    const std::tuple<QByteArray, QList<qint64>, QList<qint64>> rows[] = {  // stored; marked refresh and type tags
        {"2", {2}, {2}}, {"7", {1}, {0}}, {"junk", {1}, {0}}};  // no such choice: the defaults
    for (const auto& [stored, refreshTags, typeTags] : rows) {
        Harness harness({.settingsFile = "[General]\nrefreshInterval=" + stored + "\nshowType=" + stored});
        AppController& c = harness.controller();
        setStateOf(c.refreshMenu()->actions().at(0), 1);  // a stale mark goes
        harness.start();
        EXPECT_EQ(markedTags(c.refreshMenu()), refreshTags) << stored.toStdString();
        EXPECT_EQ(markedTags(c.showTypeMenu()), typeTags) << stored.toStdString();
        QList<int> intervals;  // the restart, and the watch for a sampler that ended, idle while one runs
        for (const QTimer* timer : c.findChildren<QTimer*>()) intervals << timer->interval() * timer->isActive();
        EXPECT_EQ(intervals, QList<int>({30000, 0}));
        c.onTimerStartStopTask();  // the harness's sampler says nothing: the program waits
        spin(100);
        EXPECT_EQ(harness.titles(), 0);
    }
}

TEST(SamplerTask, RunsOneSamplerAndReplacesItAtEveryTick) {
    // Each run notes its process id and arguments beside the script.
    Harness harness({.sampler = R"(D=$(dirname "$0")
run=$(( $(cat "$D/run" 2>/dev/null || echo 0) + 1 ))
echo $run > "$D/run"
echo "$#:$*" > "$D/args$run"
grep SigIgn /proc/$$/status > "$D/ignored"
echo $$ > "$D/pid$run"
case $run in
  1) trap '' INT
     while [ ! -e "$D/late" ]; do sleep 0.02; done
     echo '1 1 5000 1 1 7000 1'
     touch "$D/printed"
     exec sleep 1000;;
  2) trap 'touch "$D/interrupted"; exit 0' INT
     while :; do sleep 0.05; done;;
  *) exec sleep 1000;;
esac
)",
                     .settingsFile = "[General]\nrefreshInterval=5\n"});
    AppController& c = harness.controller();
    const auto pid = [&](int run) { return readFile(harness.path("pid" + QString::number(run))).trimmed().toLongLong(); };
    const auto reaped = [](qint64 pid) { return !QFile::exists("/proc/" + QString::number(pid)); };
    std::signal(SIGINT, SIG_IGN);  // as in a shell's background job: the child starts with it at its default
    harness.start();
    std::signal(SIGINT, SIG_DFL);
    ASSERT_TRUE(waitUntil([&] { return pid(1) != 0; }));
    EXPECT_EQ(readFile(harness.path("args1")), "1:1\n");
    EXPECT_EQ(readFile(harness.path("ignored")).mid(7).trimmed().toULongLong(nullptr, 16) & (1 << (SIGINT - 1)), 0u);
    // The first ignores SIGINT and prints after the tick: its line never
    // counts, and it is killed and reaped.
    c.onTimerStartStopTask();
    ASSERT_TRUE(waitUntil([&] { return pid(2) != 0; }));
    writeFile(harness.path("late"), {});
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(harness.path("printed")); }));
    EXPECT_TRUE(waitUntil([&] { return reaped(pid(1)); }, 20000));
    EXPECT_EQ(c.speedCount(), 0);
    ASSERT_TRUE(c.task() && c.pipeOutput() && c.pipeError());
    EXPECT_EQ(c.task()->processIdentifier(), pid(2)) << "the old child's end leaves the new one's fields alone";
    // The toggle interrupts a running sampler; a tick with none running starts one.
    c.startStopTask();
    EXPECT_TRUE(waitUntil([&] { return QFile::exists(harness.path("interrupted")) && reaped(pid(2)); }));
    c.onTimerStartStopTask();
    ASSERT_TRUE(waitUntil([&] { return pid(3) != 0; }));
    // A sampler that dies is forgotten and replaced at the next tick.
    ::kill(pid_t(pid(3)), SIGKILL);
    ASSERT_TRUE(waitUntil([&] { return c.task() == nullptr; }));
    c.onTimerStartStopTask();
    ASSERT_TRUE(waitUntil([&] { return pid(4) != 0; }));
    EXPECT_EQ(c.task() ? c.task()->processIdentifier() : 0, pid(4));
}

TEST(SamplerTask, ASamplerThatCannotStartIsLoggedOnceAndTriedAgainAtTheNextTick) {
    Harness harness;
    const QString sampler = harness.path("sampler");
    QFile::rename(sampler, sampler + ".away");
    harness.start();
    QFile::rename(sampler + ".away", sampler);
    harness.controller().onTimerStartStopTask();
    EXPECT_TRUE(harness.controller().task() && harness.controller().pipeOutput());
    EXPECT_EQ(harness.consoleLog().count("Couldn't launch the sampler " + sampler), 1);
}

TEST(SamplerTask, OneThatEndsOnItsOwnIsReplacedAtTheNextSecondOrLaterWhileItKeepsFailingAndNoSpeedStays) {
    Harness failing({.sampler = "exit 1"});
    AppController& f = failing.controller();
    failing.start();
    QList<int> waits;  // ticks from each end to the next start
    for (int end = 0; end < 7; ++end) {
        ASSERT_TRUE(waitUntil([&] { return f.task() == nullptr; }));
        int ticks = 1;
        for (f.onTimerWatchSampler(); !f.task(); f.onTimerWatchSampler()) ++ticks;
        waits << ticks;
    }
    EXPECT_EQ(waits, QList<int>({1, 2, 4, 8, 16, 30, 30}));
    EXPECT_EQ(failing.consoleLog().count("ended on its own (exit status 1)"), 1) << failing.consoleLog().toStdString();

    Harness killed({.sampler = samplerPrinting({{2048, 1024}})});
    AppController& k = killed.controller();
    killed.start();
    ASSERT_TRUE(waitUntil([&] { return !killed.title().isEmpty(); }));
    ::kill(pid_t(k.task()->processIdentifier()), SIGKILL);
    ASSERT_TRUE(waitUntil([&] { return k.task() == nullptr; }));
    EXPECT_EQ(killed.title(), "") << "no speed while none is measured";
    EXPECT_TRUE(killed.consoleLog().contains("ended on its own (signal 9 (Killed))")) << killed.consoleLog().toStdString();
    k.onTimerWatchSampler();
    EXPECT_TRUE(k.task() && waitUntil([&] { return !killed.title().isEmpty(); })) << "measured again after one tick";
}

// The child's end comes only after all it wrote, on either stream; a child
// that cannot start says why; and none is left unreaped.
TEST(Task, DeliversAllTheChildWroteThenItsEndWhicheverWayTheEndIsWatched) {
    for (const ExitWatch watch : {ExitWatch::PidFd, ExitWatch::Polling}) {
        SCOPED_TRACE(watch == ExitWatch::PidFd ? "pidfd" : "polling");
        QObject home;
        const auto run = [&](const QString& program, const QStringList& arguments, QByteArray* written = nullptr) {
            auto task = std::make_unique<Task>(&home, watch);
            auto output = std::make_shared<Pipe>(), error = std::make_shared<Pipe>();
            QByteArray seen;
            bool ended = false;
            QObject::connect(output.get(), &Pipe::readCompleted, [&](const QByteArray& chunk) { seen += chunk; });
            QObject::connect(error.get(), &Pipe::readCompleted, [&](const QByteArray& chunk) { seen += "|" + chunk; });
            QObject::connect(task.get(), &Task::terminated, [&] { ended = true; if (written) *written = seen; });
            task->setLaunchPath(program);
            task->setArguments(arguments);
            task->setStandardOutput(output);
            task->setStandardError(error);
            const QString failure = task->launch();
            if (!failure.isEmpty()) return failure;
            if (arguments.contains("30")) task->kill();
            EXPECT_TRUE(waitUntil([&] { return ended; }));
            EXPECT_EQ(task->processIdentifier(), 0);
            return task->howItEnded();
        };
        QByteArray written;
        EXPECT_EQ(run("sh", {"-c", "printf one; sleep 0.1; printf two; printf oops >&2; exit 3"}, &written),
                  "exit status 3");
        EXPECT_EQ(written, "onetwo|oops");
        EXPECT_EQ(run("sleep", {"30"}), "signal 9 (Killed)");
        EXPECT_EQ(run("/nowhere/ratelark-netstat", {}), "No such file or directory");
        EXPECT_EQ(run("no-such-sampler-anywhere", {}), "No such file or directory");
        EXPECT_EQ(run("/dev/null", {}), "Permission denied");
    }
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1) << "a child left unreaped";
}

TEST(SampleParser, TakesTheThirdAndSixthWordOfTheChunk) {
    const std::tuple<const char*, QByteArray, double, double> rows[] = {
        {"the sampler tool's line", "         27          0       1000         23          0        200    0\n", 1000, 200},
        {"headings count as words", "  packets  errs  bytes  packets  errs  bytes colls\n  27  0  1000  23  0  200  0\n", 0, 0},
        {"only the first of two lines", "  1  0  100  2  0  200  0\n  3  0  300  4  0  400  0\n", 100, 200},
        {"words across line breaks", "1 2\n3 4 5 6\n7 8\n", 4, 8},
        {"half a line", "      27     0      10", 10, 0},
        {"tabs are no separators", "1\t2 3 4 5 6 7\n", 4, 7},
        {"the number at a word's start", "1 2 12abc 4 5 7.5e2x\n", 12, 750},
        {"other characters", "é 2 3 ↓ 5 6\r\n", 3, 6},
        {"bytes that are not UTF-8", "1 2 \xff 4 5 6\n", 0, 0},
        {"broken UTF-8 after the sixth word", "1 2 3 4 5 6 \xc3\x28\n", 0, 0},
    };
    for (const auto& [what, chunk, received, sent] : rows) EXPECT_EQ(parseSample(chunk), (SampleCounts{received, sent})) << what;
    // Megabytes in one chunk are read in one pass.
    EXPECT_EQ(parseSample("1 0 4096 2 0 8192 0\n" + QByteArray(16 << 20, ' ')), (SampleCounts{4096, 8192}));
    EXPECT_EQ(parseSample(QByteArray(8 << 20, ' ') + "1 2 3 4 5 6"), (SampleCounts{3, 6}));
}

TEST(Speeds, EachUpdateShowsTheMeanOfItsIntervalsSamples) {
    const std::tuple<qint64, QList<QByteArray>, QStringList> rows[] = {  // the titles after each chunk, if any
        {1, {"1 0 1024 1 0 2048 0", "1 0 5120 1 0 0 0"}, {"1.0 KB|2.0 KB", "5.0 KB|0.0 KB"}},
        {0, {"1 0 2048 1 0 1024 0"}, {"2.0 KB|1.0 KB"}},
        {-30, {"1 0 2048 1 0 1024 0"}, {"2.0 KB|1.0 KB"}},
        {5,
         {"1 0 1024 1 0 0 0", "1 0 2048 1 0 0 0", "1 0 3072 1 0 0 0", "1 0 4096 1 0 0 0", "1 0 5120 1 0 51200 0",
          "1 0 9216 1 0 0 0"},
         {"", "", "", "", "3.0 KB|10.0 KB", ""}},
        // 2^40 is kept; a sample above it, or beyond any double, adds nothing
        // but counts; the sum may grow past it.
        {3, {"0 0 1099511627776 0 0 1099511627777 0", "0 0 5 0 0 7 0", "0 0 1e400 0 0 -1e400 0"}, {"", "", "357913941.3 KB|0.0 KB"}},
        {3, {"1 2", "\xff\xfe", ""}, {"", "", "0.0 KB|0.0 KB"}},  // short chunks count
    };
    for (const auto& [interval, chunks, titles] : rows) {
        Harness harness({.settingsFile = "[General]\nshowType=1\nrefreshInterval=" + QByteArray::number(interval)});
        harness.start();
        for (qsizetype i = 0; i < chunks.size(); ++i) {
            const int before = harness.titles();
            harness.controller().getMBS(chunks[i] + '\n');
            EXPECT_EQ(harness.titles() > before ? harness.title() : "", titles[i]) << interval << ", chunk " << i + 1;
        }
    }
}

TEST(StatusItem, IsKeptOrMadeAnewByEachVersionNumberOnItsOwnAndZeroesTheSums) {
    const std::tuple<int, int, bool> rows[] = {{10, 10, false}, {13, 12, false}, {10, 9, true}, {11, 2, true}, {9, 10, true}};
    for (const auto& [major, minor, recreate] : rows) {
        SCOPED_TRACE(::testing::Message() << major << '.' << minor);
        Harness harness;
        AppController& c = harness.controller();
        c.setVersionMajor(major);
        c.setVersionMinor(minor);
        c.updateStatusItem(nullptr);
        AttributedText title;
        title.text = "1.0 KB|2.0 KB";
        const AttributedText empty;
        for (const AttributedText* update : {&std::as_const(title), &empty}) {
            c.setSpeedCount(3);
            c.setSpeedIn(42.0);
            c.setSpeedOut(17.0);
            c.updateStatusItem(update);
            EXPECT_TRUE(c.speedCount() == 0 && c.speedIn() == 0.0 && c.speedOut() == 0.0);
        }
        const auto& created = harness.statusBar->created;
        ASSERT_EQ(created.size(), recreate ? 3u : 1u);
        EXPECT_EQ(harness.statusBar->removed, std::vector<std::shared_ptr<StatusItem>>(created.begin(), created.end() - 1));
        EXPECT_EQ(created.back()->menu, c.statusMenu());
        // An empty title changes nothing on a kept item; a new item stays untitled.
        EXPECT_EQ(harness.title(), recreate ? QString() : title.text);
    }
}

TEST(SizeFormat, GivesTheTextOfTheTableWhateverTheLocale) {
    constexpr double kGiga = 1073741824.0;
    const std::tuple<double, bool, qint64, const char*> rows[] = {  // rate, in bits, display type, text
        {0, false, 0, "0.0 KB"},
        {256, false, 0, "0.2 KB"},         // 0.25: the tie goes to the even digit
        {1048576, false, 0, "1024.0 KB"},  // not above 2^20, so still K
        {1048577, false, 0, "1.0 MB"},
        {kGiga, false, 0, "1024.0 MB"},
        {1.5 * kGiga, false, 0, "1.5 GB"},
        {128, true, 0, "1.0 Kb"},  // 1024 bits
        {128 * 1024 + 1, true, 0, "1.0 Mb"},
        {1.5 * kGiga, false, 1, "1572864.0 KB"},  // always K never switches unit
        {1536, false, 2, "0.0 MB"},
        {-1048576, true, 2, "-8.0 Mb"},
        {1536, true, 3, "b"},  // a type outside 0 to 2: the suffix alone
    };
    for (const auto& [rate, bits, type, text] : rows) EXPECT_EQ(formatSizeText(rate, bits, type), text) << rate << bits << type;
    // The shortest form, for a picture the size of an icon: three figures at most and the unit.
    constexpr double K = 1024.0;
    const std::tuple<double, bool, qint64, const char*> compactRows[] = {
        {51, false, 0, "0"},         {103, false, 0, "0.1K"},    {9.94 * K, false, 0, "9.9K"}, {9.96 * K, false, 0, "10K"},
        {999.4 * K, false, 0, "999K"}, {999.6 * K, false, 0, "1.0M"}, {12.3 * K * K, false, 1, "12M"}, {300 * K, false, 2, "0.3M"},
        {1.5 * kGiga, false, 0, "1.5G"}, {100, true, 0, "0.8k"},   {1.5 * kGiga, true, 0, "12g"}, {std::nan(""), false, 7, "0"},
    };
    for (const auto& [rate, bits, type, text] : compactRows) EXPECT_EQ(formatCompactSize(rate, bits, type), text) << rate << bits << type;
    // The narrow form keeps two figures: a rate of 100 units or more takes the next unit.
    const std::tuple<double, bool, const char*> narrowRows[] = {{99.4 * K, false, "99K"}, {300 * K, false, "0.3M"},
                                                                {999.6 * K * K, false, "1.0G"}, {50 * K * K, true, "0.4g"}};
    for (const auto& [rate, bits, text] : narrowRows) EXPECT_EQ(formatCompactSize(rate, bits, 0, 2), text) << rate;
    // Both settings are read at every call, so a change shows at the next update.
    Harness harness;
    harness.settings().setObject("1", keys::bitsPerSecond);
    harness.settings().setInteger(1, keys::showType);
    EXPECT_EQ(harness.controller().formatSize(1048576), "8192.0 Kb");
    // A full stop in every locale, also in the totals (install-deps makes de_DE.UTF-8).
    const std::string savedC = std::setlocale(LC_ALL, nullptr);
    const QLocale savedQt;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    const QString texts = formatSizeText(1536, false, 0) + totalTitle(" ", 1536.44);
    std::setlocale(LC_ALL, savedC.c_str());
    QLocale::setDefault(savedQt);
    EXPECT_EQ(texts, "1.5 KB 1536.4M");
}

TitleSwitches switches(const QString& names) {
    const QStringList on = names.split(' ');
    return {on.contains("fixed"),    !on.contains("nounits"),  on.contains("arrows"),
            on.contains("twolines"), on.contains("download"), on.contains("colours")};
}

const QString D = "12.3 KB";
const QString U = "1.2 KB";

TEST(TitleComposer, GivesTheTitleAndWindowTextsOfTheTable) {
    // switches; download, upload and the width mark before; title, window texts and width mark after
    const std::tuple<const char*, QString, QString, qint64, QString, QString, QString, qint64> rows[] = {
        {"", D, U, 0, "12.3 KB|1.2 KB", U, D, 7},
        {"arrows", D, U, 0, "↓12.3 KB|↑1.2 KB", "↑1.2 KB", "↓12.3 KB", 7},
        {"fixed", "1.5 KB", "12.0 KB", 8, "001.5 KB|012.0 KB", "012.0 KB", "001.5 KB", 8},  // the widest so far
        {"", "1.5 KB", "1024.0 MB", 8, "1.5 KB|1024.0 MB", "1024.0 MB", "1.5 KB", 9},  // the mark grows all the same
        {"fixed nounits", "1.2 KB", "12.3 KB", 8, "001.2|012.3", "012.3", "001.2", 8},  // padded before the unit goes
        {"nounits arrows", D, U, 0, "↓12.3|↑1.2", "↑1.2", "↓12.3", 7},
        {"nounits", "B", " KB", 0, "B|", "", "B", 3},  // too short for a unit: left whole
        {"twolines", "100.0 KB", U, 0, "1.2 KB      \n100.0 KB", U, "100.0 KB", 8},  // three spaces a character
        {"twolines", U, D, 0, "12.3 KB\n1.2 KB", D, U, 7},  // a longer upload text is not filled
        {"download", D, U, 0, "12.3 KB", U, D, 7},
    };
    const QFont font("DejaVu Sans Mono", 9);
    for (const auto& [on, download, upload, widest, title, windowUp, windowDown, widestAfter] : rows) {
        SCOPED_TRACE(::testing::Message() << '"' << on << "\" " << download.toStdString());
        const ComposedTitle composed = composeTitle(download, upload, widest, switches(on), font, false);
        EXPECT_EQ(composed.title.text, title);
        EXPECT_EQ(composed.windowUp, windowUp);
        EXPECT_EQ(composed.windowDown, windowDown);
        EXPECT_EQ(composed.maxFixedWidth, widestAfter);
        EXPECT_EQ(composed.title.toolTip, windowUp + '\n' + windowDown);
        EXPECT_EQ(composed.title.font, font);
        EXPECT_TRUE(composed.title.runs.empty()) << "without colours the title carries only its font";
    }
}

TEST(TitleComposer, ColoursEachPartByItsRoleAndTheAppearance) {
    using enum NamedColor;
    const std::tuple<const char*, bool, std::vector<ColorRun>> rows[] = {  // switches, dark, colour runs
        {"colours", false, {{0, 7, Blue}, {7, 1, Black}, {8, 6, Red}}},
        {"colours twolines", false, {{0, 9, Red}, {9, 1, Black}, {10, 7, Blue}}},
        {"colours download", false, {{0, 7, Blue}}},
        {"colours download twolines", false, {{0, 7, Red}}},  // the upload colour on two-line layouts
        {"colours nounits arrows", false, {{0, 5, Blue}, {5, 1, Black}, {6, 4, Red}}},
        {"colours", true, {{0, 7, Green}, {7, 1, White}, {8, 6, Yellow}}},
        {"colours twolines", true, {{0, 9, Yellow}, {9, 1, White}, {10, 7, Green}}},
        {"colours download twolines", true, {{0, 7, Yellow}}},
    };
    for (const auto& [on, dark, runs] : rows)
        EXPECT_EQ(composeTitle(D, U, 0, switches(on), QFont(), dark).title.runs, runs) << on << (dark ? ", dark" : "");
    // The compact form stacks the speeds in the title's order and colours.
    const std::tuple<const char*, bool, const char*, std::vector<ColorRun>> compactRows[] = {
        {"", false, "12M\n980K", {}},
        {"colours", false, "12M\n980K", {{0, 3, Blue}, {3, 1, Black}, {4, 4, Red}}},
        {"colours twolines", true, "980K\n12M", {{0, 4, Yellow}, {4, 1, White}, {5, 3, Green}}},
        {"colours download", true, "12M", {{0, 3, Green}}},
    };
    for (const auto& [on, dark, text, runs] : compactRows) {
        AttributedText title;
        title.compactRuns = {{0, 1, Red}};  // of an earlier update
        setCompactForm(title, "12M", "980K", "12M", "1.0M", switches(on), dark);
        EXPECT_EQ(title.compactText, text);
        EXPECT_EQ(title.compactRuns, runs) << on;
        // The narrow form is laid out alike: here as long as the full one.
        EXPECT_EQ(title.compactNarrowText, QString(text).replace("980K", "1.0M"));
        EXPECT_EQ(title.compactNarrowRuns, runs) << on;
    }
}

// How many pixels of picture, laid over background, differ from it by more
// than half the range of lightness.
int standOut(const QImage& picture, const QColor& background) {
    QImage laid(picture.size(), QImage::Format_RGB32);
    laid.fill(background);
    QPainter(&laid).drawImage(0, 0, picture);
    int count = 0;
    for (int y = 0; y < laid.height(); ++y)
        for (int x = 0; x < laid.width(); ++x) count += std::abs(laid.pixelColor(x, y).lightness() - background.lightness()) > 128;
    return count;
}

TEST(TitlePicture, FillsItsExactSquareAndReadsOnDarkAndLightPanels) {
    AttributedText widest;
    widest.font = QFont("DejaVu Sans Mono", 40);
    widest.compactText = "888M\n888M";
    widest.compactNarrowText = "0.9G\n0.9G";
    for (const AttributedText& title : {widest, AttributedText()})
        for (const int size : {16, 22, 48})
            for (const qreal ratio : {1.0, 2.0}) {
                const QImage picture = drawCompactTitle(title, size, ratio);
                const int side = int(size * ratio);
                SCOPED_TRACE(::testing::Message() << title.compactText.toStdString() << " at " << side);
                ASSERT_EQ(picture.size(), QSize(side, side));
                EXPECT_EQ(picture.devicePixelRatio(), ratio);
                // The text stands out on a black and on a white panel over a
                // good part of the square (the arrows of an empty title less),
                // and no letter is cut: the light fill never reaches the edge.
                const int least = title.compactText.isEmpty() ? side / 2 : side * side / 12;
                EXPECT_TRUE(standOut(picture, Qt::black) > least && standOut(picture, Qt::white) > least);
                for (int i = 0; i < side; ++i)
                    for (const QPoint edge : {QPoint(i, 0), QPoint(i, side - 1), QPoint(0, i), QPoint(side - 1, i)})
                        ASSERT_LT(picture.pixelColor(edge).lightness(), 128) << edge.x() << "," << edge.y();
            }
}

// WCAG's contrast ratio of two colours, 1 to 21.
double contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double first = luminance(a), second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

TEST(TitlePicture, SmallSizesTakeWholePixelGlyphsInTheFormThatFits) {
    const QColor plate(32, 32, 32);
    const std::optional<QColor> none;
    const std::tuple<const char*, const char*, int, std::optional<QColor>, const char*> rows[] = {
        // compact, narrow, side, panel text, shown
        {"12K\n1.2M", "12K\n1.2M", 16, none, "12K\n1.2M"},
        {"999M\n980K", "1.0G\n1.0M", 16, none, "1.0G\n1.0M"},  // "999M" is 17 px wide in six rows
        {"999M\n980K", "1.0G\n1.0M", 22, QColor(238, 238, 236), "999M\n980K"},
        {"888m\n8.8k", "0.9g\n8.8k", 24, QColor(46, 52, 54), "888m\n8.8k"},
        {"", "", 16, none, "\u2193\u2191"},
    };
    for (const auto& [compact, narrow, side, panel, shown] : rows) {
        AttributedText title;
        title.compactText = compact;
        title.compactNarrowText = narrow;
        title.compactRuns = title.compactNarrowRuns = {{0, 3, NamedColor::Red}};
        SCOPED_TRACE(::testing::Message() << compact << " at " << side);
        EXPECT_EQ(pixelTitleText(title, side), QString(shown));
        const QImage picture = drawCompactTitle(title, side, 1.0, panel);
        ASSERT_EQ(picture.size(), QSize(side, side));
        // No blended pixel: each is the plate, a text colour or clear, and
        // every text colour reads against the plate or is a shade of the
        // panel's own text, as light or as dark. The rows keep a pixel clear
        // of the top and the bottom, and stand in the middle.
        QRect lit;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                const QColor pixel = picture.pixelColor(x, y);
                ASSERT_TRUE(pixel.alpha() == 0 || pixel.alpha() == 255) << x << "," << y;
                if (pixel.alpha() == 0 || (!panel && pixel.rgb() == plate.rgb())) continue;
                lit |= QRect(x, y, 1, 1);
                if (panel) EXPECT_EQ(pixel.lightness() >= 128, panel->lightness() >= 128) << x << "," << y;
                else EXPECT_GE(contrast(pixel, plate), 4.5) << x << "," << y;
            }
        EXPECT_TRUE(lit.top() >= 1 && lit.bottom() <= side - 2) << lit.top() << " to " << lit.bottom();
        EXPECT_LE(std::abs(lit.left() - (side - 1 - lit.right())), 1) << lit.left() << " to " << lit.right();
        EXPECT_GE(lit.height(), QString(shown).contains('\n') ? 11 : 5);
    }
}

TEST(VerticallyCenteredTextFieldCell, CentresTheTextRectangle) {
    const std::tuple<QRectF, qreal, QRectF, QRectF> rows[] = {  // bounds, text height, plain and centred rectangle
        {{0, 0, 100, 20}, 14, {2, 2, 96, 16}, {2, 3, 96, 13}},
        {{0, 0, 100, 20}, 30, {2, 2, 96, 16}, {2, -5, 96, 21}},  // text taller than the bounds
        {{0, 0, 100, 20}, 0, {2, 2, 96, 16}, {2, 10, 96, 6}},    // empty text
        {{5, 40, 100, 20}, 14, {7, 42, 96, 16}, {7, 43, 96, 13}},
    };
    for (const auto& [bounds, height, plain, centred] : rows) EXPECT_EQ(centeredTitleRect(bounds, height, plain), centred);
}

}  // namespace
}  // namespace ratelark
