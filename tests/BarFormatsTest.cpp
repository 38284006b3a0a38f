// The bars' formats: every title's text escaped for the bar's markup, the
// colour runs as the bar's tags, one line of a steady width.
#include "platform/StatusLineFormat.h"
#include "tests/support/Harness.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

namespace ratelark {
namespace {

using Style = StatusLineStyle;

AttributedText titled(const QString& text, std::vector<ColorRun> runs = {}, bool steadyWidth = false) {
    return {.text = text, .runs = std::move(runs), .toolTip = "up & <away>\ndown", .steadyWidth = steadyWidth};
}

TEST(BarFormats, EscapeTheMarkupAndKeepTheWidestWidth) {
    const AttributedText markup = titled("a&b<c>'\"%{F-}", {{0, 3, NamedColor::Red}, {7, 1, NamedColor::Blue}});
    AttributedText warning = titled("1 KB"), critical = titled("1 KB");
    warning.alert = TitleAlert::Warning;
    critical.alert = TitleAlert::Critical;
    const std::tuple<Style, std::vector<AttributedText>, const char*> cases[] = {  // the last title's line counts
        {Style::Pango, {markup},
         "<span foreground=\"#cc0000\">a&amp;b</span>&lt;c&gt;&apos;<span foreground=\"#204a87\">&quot;</span>%{F-}"},
        {Style::Polybar, {markup}, "%{F#cc0000}a&b%{F-}<c>'%{F#204a87}\"%{F-}%%{O0}{F-}"},
        {Style::Waybar, {markup},
         R"({"class":"ratelark","text":"<span foreground=\"#cc0000\">a&amp;b</span>&lt;c&gt;&apos;)"
         R"(<span foreground=\"#204a87\">&quot;</span>%{F-}","tooltip":"up &amp; &lt;away&gt;\ndown"})"},
        // A steady width keeps the widest text so far; figure spaces take a digit's place.
        {Style::Pango, {titled("12.3 KB|1.2 KB", {}, true), titled("1.2 KB|1.2 KB", {}, true)}, "\u20071.2 KB|1.2 KB"},
        {Style::Polybar, {titled("12.3 KB|1.2 KB"), titled("1.2 KB|1.2 KB")}, "1.2 KB|1.2 KB"},
        // A data allowance nearly or wholly used: the class bars style by, or a backing.
        {Style::Waybar, {warning}, R"({"class":"warning","text":"1 KB","tooltip":"up &amp; &lt;away&gt;\ndown"})"},
        {Style::Json, {critical}, R"({"class":"critical","runs":[],"text":"1 KB","tooltip":"up & <away>\ndown"})"},
        {Style::Polybar, {warning}, "%{B#ce5c00}1 KB%{B-}"},
        {Style::Pango, {critical}, "<span background=\"#a40000\">1 KB</span>"},
        // A title that comes again, or that differs only in one thing its line shows.
        {Style::Pango, {titled("123 KB", {}, true), titled("1 KB", {}, true), titled("1 KB", {}, true)},
         "\u2007\u20071 KB"},
        {Style::Pango, {titled("1 KB"), titled("1 KB", {{0, 1, NamedColor::Red}})},
         "<span foreground=\"#cc0000\">1</span> KB"},
        {Style::Waybar, {warning, critical},
         R"({"class":"critical","text":"1 KB","tooltip":"up &amp; &lt;away&gt;\ndown"})"},
        {Style::Json, {titled("1 KB"), {.text = "1 KB", .toolTip = "away"}},
         R"({"class":"ratelark","runs":[],"text":"1 KB","tooltip":"away"})"},
    };
    for (const auto& [style, titles, expected] : cases) {
        StatusLineFormatter formatter(style);
        QByteArray line;
        for (const AttributedText& title : titles) line = formatter.line(title);
        EXPECT_EQ(QString::fromUtf8(line), QString::fromUtf8(expected) + '\n');
    }
}

// What polybar shows of a line: each "%{" opens a tag up to the next "}".
QString polybarShows(const QString& line) {
    static const QRegularExpression ours("^(F-|O0|F#[0-9a-f]{6})$");
    QString shown;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const qsizetype end = line.mid(i, 2) == "%{" ? line.indexOf('}', i) : i;
        if (end == i) shown += line.at(i);
        else if (end < 0 || !ours.match(line.mid(i + 2, end - i - 2)).hasMatch()) return QString("tag %1").arg(i);
        i = end;
    }
    return shown;
}

// What Pango shows of markup: the character data of the XML it is.
QString pangoShows(const QString& markup) {
    QXmlStreamReader reader("<markup>" + markup + "</markup>");
    QString shown;
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::Characters) shown += reader.text();
    return reader.hasError() ? reader.errorString() : shown;
}

TEST(BarFormats, NoTitleCanBreakTheMarkup) {
    const QString alphabet = "&<>'\"%{}a";  // every text of four of these, partly coloured
    for (int n = 0; n < 9 * 9 * 9 * 9; ++n) {
        AttributedText title = titled("", {{1, 2, NamedColor::Green}});
        for (int rest = n; title.text.size() < 4; rest /= 9) title.text += alphabet.at(rest % 9);
        const auto shown = [&title](Style style) { return QString::fromUtf8(StatusLineFormatter(style).line(title)).chopped(1); };
        EXPECT_EQ(pangoShows(shown(Style::Pango)), title.text);
        EXPECT_EQ(polybarShows(shown(Style::Polybar)), title.text);
    }
}

}  // namespace
}  // namespace ratelark
