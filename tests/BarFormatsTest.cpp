#include "platform/StatusLineFormat.h"
#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QXmlStreamReader>

namespace ratelark {
namespace {

using Style = StatusLineStyle;

AttributedText titled(const char* text, std::vector<ColorRun> runs = {}, bool steadyWidth = false) {
    return {.text = QString::fromUtf8(text), .font = std::nullopt, .runs = std::move(runs),
            .toolTip = QStringLiteral("up & <away>\ndown"), .steadyWidth = steadyWidth};
}

// A dark two-line title: upload above, its line fill, download below.
const AttributedText kTwoLines = titled("\u21911.2 KB   \n\u219312.3 KB",
    {{0, 10, NamedColor::Yellow}, {10, 1, NamedColor::White}, {11, 8, NamedColor::Green}});
const AttributedText kMarkup = titled("a&b<c>'\"%{F-}", {{0, 3, NamedColor::Red}, {7, 1, NamedColor::Blue}});

struct BarCase {
    Style style;
    std::vector<AttributedText> titles;  // written in turn; the last line counts
    const char* line;
};

TEST(BarFormats, GiveOneLineInTheBarsMarkup) {
    const BarCase cases[] = {
        {Style::Pango, {kTwoLines},
         "<span foreground=\"#fce94f\">\u21911.2 KB</span><span foreground=\"#eeeeec\"> </span>"
         "<span foreground=\"#8ae234\">\u219312.3 KB</span>"},
        {Style::Polybar, {kTwoLines}, "%{F#fce94f}\u21911.2 KB%{F-}%{F#eeeeec} %{F-}%{F#8ae234}\u219312.3 KB%{F-}"},
        {Style::Pango, {kMarkup},
         "<span foreground=\"#cc0000\">a&amp;b</span>&lt;c&gt;&apos;<span foreground=\"#204a87\">&quot;</span>%{F-}"},
        {Style::Polybar, {kMarkup}, "%{F#cc0000}a&b%{F-}<c>'%{F#204a87}\"%{F-}%%{O0}{F-}"},
        {Style::Waybar, {kMarkup},
         R"({"class":"ratelark","text":"<span foreground=\"#cc0000\">a&amp;b</span>&lt;c&gt;&apos;)"
         R"(<span foreground=\"#204a87\">&quot;</span>%{F-}","tooltip":"up &amp; &lt;away&gt;\ndown"})"},
        // A steady width keeps the widest text so far; figure spaces take a digit's place.
        {Style::Pango, {titled("12.3 KB|1.2 KB", {}, true), titled("1.2 KB|1.2 KB", {}, true)}, "\u20071.2 KB|1.2 KB"},
        {Style::Polybar, {titled("12.3 KB|1.2 KB"), titled("1.2 KB|1.2 KB")}, "1.2 KB|1.2 KB"},
        {Style::Polybar, {titled("12.3 KB"), titled("1.2 KB", {}, true)}, "\u20071.2 KB"},
    };
    for (const BarCase& c : cases) {
        StatusLineFormatter formatter(c.style);
        QByteArray line;
        for (const AttributedText& title : c.titles) line = formatter.line(title);
        EXPECT_EQ(QString::fromUtf8(line), QString::fromUtf8(c.line) + QLatin1Char('\n'));
    }
}

// What polybar shows of a line: each "%{" opens a tag up to the next "}".
QString polybarShows(const QString& line) {
    static const QRegularExpression ours(QStringLiteral("^(F-|O0|F#[0-9a-f]{6})$"));
    QString shown;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line.mid(i, 2) != QStringLiteral("%{")) {
            shown += line.at(i);
            continue;
        }
        const qsizetype end = line.indexOf(QLatin1Char('}'), i);
        if (end < 0 || !ours.match(line.mid(i + 2, end - i - 2)).hasMatch()) return QStringLiteral("tag %1").arg(i);
        i = end;
    }
    return shown;
}

// What Pango shows of markup: the character data of the XML it is.
QString pangoShows(const QString& markup) {
    QXmlStreamReader reader(QStringLiteral("<markup>") + markup + QStringLiteral("</markup>"));
    QString shown;
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::Characters) shown += reader.text();
    return reader.hasError() ? reader.errorString() : shown;
}

TEST(BarFormats, NoTitleCanBreakTheMarkup) {
    const QString alphabet = QStringLiteral("&<>'\"%{}a");  // every text of four of these, partly coloured
    for (int n = 0; n < 9 * 9 * 9 * 9; ++n) {
        AttributedText title = titled("", {{1, 2, NamedColor::Green}});
        for (int rest = n; title.text.size() < 4; rest /= 9) title.text += alphabet.at(rest % 9);
        const auto shown = [&title](Style style) {
            return QString::fromUtf8(StatusLineFormatter(style).line(title)).chopped(1);
        };
        EXPECT_EQ(pangoShows(shown(Style::Pango)).toStdString(), title.text.toStdString());
        EXPECT_EQ(polybarShows(shown(Style::Polybar)).toStdString(), title.text.toStdString());
    }
}

TEST(BarFormats, AreForADarkBarWhateverTheDesktop) {
    testing::ProgramRun run("colorIsRedBlue=1\n", {{12595, 1229}});
    run.environment().remove(QStringLiteral("RATELARK_APPEARANCE"));
    run.start({QStringLiteral("--status-line=polybar")});
    EXPECT_EQ(run.lines(1).value(0), QByteArray("%{F#8ae234}12.3 KB%{F-}%{F#eeeeec}|%{F-}%{F#fce94f}1.2 KB%{F-}"));
}

}  // namespace
}  // namespace ratelark
