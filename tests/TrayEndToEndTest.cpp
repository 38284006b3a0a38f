#include "tests/support/Harness.h"
#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace ratelark {
namespace {

using testing::ProgramRun;
using testing::Sample;
using testing::waitUntil;

constexpr int kPanelHeight = 24;

QStringList words(const char* text) { return QString::fromLatin1(text).split(QLatin1Char(' ')); }

bool toolsInstalled() {
    for (const char* tool : {"Xvfb", "trayer", "import", "xwininfo", "xdotool"})
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) return false;
    return true;
}

// An X server in memory, with a tray host on demand.
class VirtualScreen {
public:
    VirtualScreen() {
        server_.start(QStringLiteral("Xvfb"), words("-displayfd 1 -screen 0 480x240x24 -nolisten tcp"));
        if (waitUntil([&] { return server_.canReadLine(); })) display_ = QLatin1Char(':') + server_.readLine().trimmed();
    }
    ~VirtualScreen() {
        for (QProcess* process : {&trayHost_, &server_}) {
            process->kill();
            process->waitForFinished();
        }
    }

    QString display() const { return display_; }

    bool startTrayHost() {
        trayHost_.setProcessEnvironment(environment());
        trayHost_.start(QStringLiteral("trayer"),
                        words("--edge top --align right --widthtype request --transparent false --height")
                            << QString::number(kPanelHeight));
        return waitUntil([&] { return run("xwininfo", "-root -children").contains("\"panel\""); }, 30000);
    }
    // What the tray host said, for a failure's message.
    std::string trayHostErrors() { return trayHost_.readAllStandardError().toStdString(); }

    QImage screenshot() {
        return QImage::fromData(run("import", "-window root png:-")).convertToFormat(QImage::Format_RGB32);
    }

    QByteArray run(const char* program, const char* arguments) {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(QLatin1String(program), words(arguments));
        process.waitForFinished(20000);
        return process.readAllStandardOutput();
    }

private:
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display_);
        return env;
    }

    QProcess server_;
    QProcess trayHost_;
    QString display_;
};

bool near(QRgb pixel, QRgb color) {
    return std::abs(qRed(pixel) - qRed(color)) < 70 && std::abs(qGreen(pixel) - qGreen(color)) < 70 &&
           std::abs(qBlue(pixel) - qBlue(color)) < 70;
}

// Where pixels of color are within the panel's rows.
QRect areaOf(const QImage& image, QRgb color) {
    QRect area;
    for (int y = 0; y < std::min(image.height(), kPanelHeight); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (near(image.pixel(x, y), color)) area |= QRect(x, y, 1, 1);
    return area;
}

// 12.3 KB and 22.1 KB down in turn, so that every update changes the picture.
std::vector<Sample> alternatingSamples() {
    std::vector<Sample> samples;
    for (int i = 0; i < 100; ++i) samples.push_back({i % 2 ? 22630 : 12595, 1229});
    return samples;
}

class TrayEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!toolsInstalled()) GTEST_SKIP() << "needs Xvfb, trayer, ImageMagick, xwininfo and xdotool";
        ASSERT_FALSE(screen_.display().isEmpty()) << "Xvfb did not start";
        run_.environment().insert(QStringLiteral("DISPLAY"), screen_.display());
        run_.environment().remove(QStringLiteral("WAYLAND_DISPLAY"));
    }

    // Waits until the download (light blue) and upload (light red) texts show in the panel.
    bool titleShows() {
        return waitUntil([&] {
            const QImage shot = screen_.screenshot();
            download_ = areaOf(shot, qRgb(112, 176, 255));
            upload_ = areaOf(shot, qRgb(255, 112, 102));
            return download_.width() > 5 && upload_.width() > 5;
        }, 30000);
    }

    VirtualScreen screen_;
    ProgramRun run_{"colorIsRedBlue=1\n", alternatingSamples()};
    QRect download_;
    QRect upload_;
};

TEST_F(TrayEndToEnd, TheTitleShowsInTheTrayInItsColoursAndAClickOpensTheMenu) {
    ASSERT_TRUE(screen_.startTrayHost()) << screen_.trayHostErrors();
    run_.start({});
    ASSERT_TRUE(titleShows()) << run_.consoleLog().toStdString();
    EXPECT_LT(download_.bottom(), upload_.top()) << "download above upload";
    EXPECT_TRUE(run_.process().readAllStandardOutput().isEmpty());
    EXPECT_TRUE(run_.process().readAllStandardError().isEmpty());

    // Every update replaces the status item here (the kernel's numbers are
    // below 10), yet the entry in the tray stays the same window in the same place.
    const auto embedded = [&] {
        for (const QByteArray& line : screen_.run("xwininfo", "-root -tree").split('\n'))
            if (line.contains("(\"ratelark\" \"ratelark\")")) return line.trimmed();
        return QByteArray();
    };
    const QByteArray before = embedded();
    ASSERT_FALSE(before.isEmpty());
    // "WxH+x+y  +X+Y": the window keeps the size the tray gave it, in the panel.
    const QRegularExpression geometry(QStringLiteral("(\\d+)x(\\d+)\\S*\\s+\\+(-?\\d+)\\+(-?\\d+)"));
    const QRegularExpressionMatch place = geometry.match(QString::fromLatin1(before));
    ASSERT_TRUE(place.hasMatch()) << before.toStdString();
    const QRect window(place.captured(3).toInt(), place.captured(4).toInt(), place.captured(1).toInt(),
                       place.captured(2).toInt());
    EXPECT_TRUE(QRect(0, 0, 480, kPanelHeight).contains(window)) << before.toStdString();
    const QImage first = screen_.screenshot().copy(0, 0, 480, kPanelHeight);
    ASSERT_TRUE(waitUntil([&] { return screen_.screenshot().copy(0, 0, 480, kPanelHeight) != first; }))
        << "the title changes with the speeds";
    EXPECT_EQ(embedded(), before);

    const QPoint centre = (download_.center() + upload_.center()) / 2;
    const auto belowPanel = [&] {
        const QImage shot = screen_.screenshot();
        int lit = 0;
        for (int y = kPanelHeight + 2; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) lit += qGray(shot.pixel(x, y)) > 64;
        return lit;
    };
    ASSERT_LT(belowPanel(), 100) << "nothing below the panel yet";
    const QByteArray click = QStringLiteral("mousemove %1 %2 click 1").arg(centre.x()).arg(centre.y()).toLatin1();
    screen_.run("xdotool", click.constData());
    EXPECT_TRUE(waitUntil([&] { return belowPanel() > 2000; })) << "the status menu opens below the item";
}

TEST_F(TrayEndToEnd, WithoutATrayHostTheTerminalShowsTheSpeedsUntilOneAppears) {
    run_.start({});
    const QList<QByteArray> lines = run_.lines(2);
    ASSERT_EQ(lines.size(), 2) << run_.consoleLog().toStdString();
    EXPECT_EQ(lines[0], QByteArray("12.3 KB|1.2 KB"));
    const QString notice = QString::fromUtf8(run_.process().readAllStandardError());
    EXPECT_EQ(notice.count(QLatin1Char('\n')), 1) << notice.toStdString();
    EXPECT_TRUE(notice.contains(QStringLiteral("tray"))) << notice.toStdString();

    ASSERT_TRUE(screen_.startTrayHost()) << screen_.trayHostErrors();
    EXPECT_TRUE(titleShows()) << run_.consoleLog().toStdString();
}

}  // namespace
}  // namespace ratelark
