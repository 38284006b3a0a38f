#include "platform/StatusLineFormat.h"
#include "platform/StatusSurfaces.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <unistd.h>

namespace ratelark {
namespace {

AttributedText twoLineTitle() {
    AttributedText title;
    title.text = QStringLiteral("\u21911.2 KB   \n\u219312.3 KB");
    title.font = QFont();
    title.addColor(NamedColor::Yellow, 0, 10);
    title.addColor(NamedColor::White, 10, 1);
    title.addColor(NamedColor::Green, 11, 8);
    title.toolTip = QStringLiteral("\u21911.2 KB\n\u219312.3 KB");
    return title;
}

TEST(StatusLineFormat, JsonCarriesTheExactTitleTooltipClassAndRuns) {
    const QByteArray line = StatusLineFormatter(StatusLineStyle::Json).line(twoLineTitle());
    ASSERT_TRUE(line.endsWith('\n'));
    EXPECT_EQ(line.count('\n'), 1) << "one object per line: the title's line break is escaped";
    EXPECT_TRUE(line.contains("\\n"));
    EXPECT_TRUE(line.contains("\xe2\x86\x91")) << "the arrows go out as UTF-8";

    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(line, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    EXPECT_EQ(object.value(QStringLiteral("text")).toString(), twoLineTitle().text);
    EXPECT_EQ(object.value(QStringLiteral("tooltip")).toString(), twoLineTitle().toolTip);
    EXPECT_EQ(object.value(QStringLiteral("class")).toString(), QStringLiteral("ratelark"));
    const QJsonArray runs = object.value(QStringLiteral("runs")).toArray();
    ASSERT_EQ(runs.size(), 3);
    const struct {
        int start, length;
        const char* color;
    } expected[] = {{0, 10, "yellow"}, {10, 1, "white"}, {11, 8, "green"}};
    for (int i = 0; i < 3; ++i) {
        const QJsonObject run = runs[i].toObject();
        EXPECT_EQ(run.value(QStringLiteral("start")).toInt(), expected[i].start);
        EXPECT_EQ(run.value(QStringLiteral("length")).toInt(), expected[i].length);
        EXPECT_EQ(run.value(QStringLiteral("color")).toString(), QLatin1String(expected[i].color));
    }
}

TEST(StatusLineFormat, JsonGivesAnEmptyRunListWithoutColours) {
    AttributedText title;
    title.text = QStringLiteral("12.3 KB|1.2 KB");
    title.toolTip = QStringLiteral("1.2 KB\n12.3 KB");
    EXPECT_EQ(StatusLineFormatter(StatusLineStyle::Json).line(title),
              QByteArray(R"({"class":"ratelark","runs":[],"text":"12.3 KB|1.2 KB","tooltip":"1.2 KB\n12.3 KB"})"
                         "\n"));
}

TEST(StatusLineFormat, JsonEscapesQuotesAndBackslashes) {
    AttributedText title;
    title.text = QStringLiteral("a\"b\\c");
    const QJsonObject object = QJsonDocument::fromJson(StatusLineFormatter(StatusLineStyle::Json).line(title)).object();
    EXPECT_EQ(object.value(QStringLiteral("text")).toString(), title.text);
}

TEST(StatusLineFormat, TextIsTheTitleOnOneLine) {
    AttributedText title;
    title.text = QStringLiteral("12.3 KB|1.2 KB");
    EXPECT_EQ(StatusLineFormatter(StatusLineStyle::Text).line(title), QByteArray("12.3 KB|1.2 KB\n"));
    EXPECT_EQ(StatusLineFormatter(StatusLineStyle::Text).line(twoLineTitle()),
              QStringLiteral("\u21911.2 KB \u219312.3 KB\n").toUtf8());
}

// The read and write ends of a pipe, closed when the test ends.
struct Pipe {
    int fds[2] = {-1, -1};
    Pipe() { EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0); }
    ~Pipe() {
        for (int fd : fds)
            if (fd >= 0) ::close(fd);
    }
    QByteArray readAvailable() {
        ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
        QByteArray data;
        char buffer[4096];
        for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) data.append(buffer, n);
        return data;
    }
};

TEST(StatusLine, WritesOneLinePerTitleAcrossRecreatedItems) {
    Pipe pipe;
    int closings = 0;
    const auto bar = makeStatusLine(pipe.fds[1], StatusLineStyle::Text, [&] { ++closings; });
    auto item = bar->statusItemWithVariableLength();
    item->setMenu(nullptr);
    AttributedText title;
    title.text = QStringLiteral("1.0 KB|2.0 KB");
    item->setAttributedTitle(title);
    bar->removeStatusItem(item);
    item = bar->statusItemWithVariableLength();
    title.text = QStringLiteral("3.0 KB|4.0 KB");
    item->setAttributedTitle(title);
    EXPECT_EQ(pipe.readAvailable(), QByteArray("1.0 KB|2.0 KB\n3.0 KB|4.0 KB\n"));
    EXPECT_EQ(closings, 0);
}

TEST(StatusLine, AClosedReaderEndsTheLineOnceAndQuietly) {
    Pipe pipe;
    ::close(pipe.fds[0]);
    pipe.fds[0] = -1;
    int closings = 0;
    const auto bar = makeStatusLine(pipe.fds[1], StatusLineStyle::Json, [&] { ++closings; });
    const auto item = bar->statusItemWithVariableLength();
    AttributedText title;
    title.text = QStringLiteral("1.0 KB|2.0 KB");
    item->setAttributedTitle(title);  // no SIGPIPE: the test process lives on
    item->setAttributedTitle(title);
    EXPECT_EQ(closings, 1);
}

}  // namespace
}  // namespace ratelark
