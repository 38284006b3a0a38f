#include "platform/StatusLineFormat.h"

#include <gtest/gtest.h>

#include <QXmlStreamReader>

namespace ratelark {
namespace {

using Style = StatusLineStyle;

AttributedText titled(const char* text, std::vector<ColorRun> runs = {}, bool steadyWidth = false) {
    AttributedText title;
    title.text = QString::fromUtf8(text);
    title.runs = std::move(runs);
    title.toolTip = QStringLiteral("up & <away>\ndown");
    title.steadyWidth = steadyWidth;
    return title;
}

// A dark two-line title: upload above, its line fill, download below.
const AttributedText kTwoLines = titled("\u21911.2 KB   \n\u219312.3 KB", {{0, 10, NamedColor::Yellow},
                                                                         {10, 1, NamedColor::White},
                                                                         {11, 8, NamedColor::Green}});
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
        {Style::Pango, {titled("12.3 KB|1.2 KB", {}, true), titled("1.2 KB|1.2 KB", {}, true)},
         "\u20071.2 KB|1.2 KB"},
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

// The text polybar shows: every "%{" opens a tag that ends at the next "}".
QString polybarShows(const QString& line, bool& onlyOurTags) {
    QString shown;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (!line.mid(i).startsWith(QStringLiteral("%{"))) {
            shown += line.at(i);
            continue;
        }
        const qsizetype end = line.indexOf(QLatin1Char('}'), i);
        const QString tag = line.mid(i + 2, end - i - 2);
        onlyOurTags = onlyOurTags && (tag == QStringLiteral("F-") || tag == QStringLiteral("O0") ||
                                      (tag.startsWith(QStringLiteral("F#")) && tag.size() == 8));
        i = end;
    }
    return shown;
}

// The character data of Pango markup, read as the XML it is.
QString pangoShows(const QString& markup, bool& wellFormed) {
    QXmlStreamReader reader(QStringLiteral("<markup>") + markup + QStringLiteral("</markup>"));
    QString shown;
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::Characters) shown += reader.text();
    wellFormed = !reader.hasError();
    return shown;
}

TEST(BarFormats, NoTitleCanBreakTheMarkup) {
    const QString alphabet = QStringLiteral("&<>'\"%{}a");
    for (int n = 0; n < 9 * 9 * 9 * 9; ++n) {
        QString text;
        for (int rest = n; text.size() < 4; rest /= 9) text += alphabet.at(rest % 9);
        AttributedText title = titled("", {{1, 2, NamedColor::Green}});
        title.text = text;
        bool wellFormed = false;
        EXPECT_EQ(pangoShows(QString::fromUtf8(StatusLineFormatter(Style::Pango).line(title)).chopped(1), wellFormed),
                  text);
        EXPECT_TRUE(wellFormed) << text.toStdString();
        bool onlyOurTags = true;
        EXPECT_EQ(polybarShows(QString::fromUtf8(StatusLineFormatter(Style::Polybar).line(title)).chopped(1),
                               onlyOurTags),
                  text);
        EXPECT_TRUE(onlyOurTags) << text.toStdString();
    }
}

}  // namespace
}  // namespace ratelark
