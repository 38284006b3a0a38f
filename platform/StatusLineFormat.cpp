#include "platform/StatusLineFormat.h"

#include "platform/EverySecond.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <optional>
#include <vector>

namespace ratelark {

namespace {

// Shades that read well on a bar: the dark set on the dark bars most people
// run, the light set on light ones.
const char* barColor(NamedColor color) {
    switch (color) {
    case NamedColor::Yellow: return "#fce94f";
    case NamedColor::Green: return "#8ae234";
    case NamedColor::White: return "#eeeeec";
    case NamedColor::Red: return "#cc0000";
    case NamedColor::Blue: return "#204a87";
    case NamedColor::Black: return "#2e3436";
    }
    return "#2e3436";
}

// A stretch of one-line text in one colour, or in none.
struct Piece {
    QString text;
    std::optional<NamedColor> color;
};

// The title on one line: the rows of a two-line title joined by a space, each
// row without its trailing spaces (the upper row's line fill, which would
// only leave a gap); every character keeps its colour.
RATELARK_EVERY_SECOND
std::vector<Piece> oneLine(const AttributedText& title) {
    const QString& text = title.text;
    std::vector<std::optional<NamedColor>> colors(text.size());
    for (const ColorRun& run : title.runs)
        for (qsizetype i = std::max<qsizetype>(run.start, 0); i < std::min(run.start + run.length, text.size()); ++i)
            colors[i] = run.color;

    // Copied a stretch of one colour at a time: a title comes every second.
    std::vector<Piece> pieces;
    const auto add = [&pieces](QStringView part, std::optional<NamedColor> color) {
        if (pieces.empty() || pieces.back().color != color) pieces.push_back({{}, color});
        pieces.back().text += part;
    };
    for (qsizetype start = 0; start <= text.size();) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0) end = text.size();
        qsizetype kept = end;
        while (kept > start && text.at(kept - 1) == QLatin1Char(' ')) --kept;
        if (start > 0) add(u" ", colors[start - 1]);  // the line break, in its colour
        for (qsizetype i = start; i < kept;) {
            qsizetype same = i + 1;
            while (same < kept && colors[same] == colors[i]) ++same;
            add(QStringView(text).sliced(i, same - i), colors[i]);
            i = same;
        }
        start = end + 1;
    }
    return pieces;
}

QString joined(const std::vector<Piece>& pieces) {
    QString text;
    for (const Piece& piece : pieces) text += piece.text;
    return text;
}

// Pango reads markup as XML: these five are all a text can break it with.
QString pangoEscaped(QString text) {
    return text.toHtmlEscaped().replace(QLatin1Char('\''), QStringLiteral("&apos;"));  // toHtmlEscaped: & < > "
}

// polybar takes every "%{" for the start of a tag and has no escape for it; a
// zero offset tag between the two characters shows them as they are. A "%"
// before anything else is shown as it is.
QString polybarEscaped(QString text) { return text.replace(QStringLiteral("%{"), QStringLiteral("%%{O0}{")); }

// The pieces in a bar's markup: each escaped, a coloured one inside the frame
// colored (%1 the colour, %2 the text).
QString marked(const std::vector<Piece>& pieces, QString (*escaped)(QString), const QString& colored) {
    QString markup;
    for (const Piece& piece : pieces) {
        const QString text = escaped(piece.text);
        markup += piece.color ? colored.arg(QLatin1String(barColor(*piece.color)), text) : text;
    }
    return markup;
}

// The class bars style by: the program's own, or how urgent the title is.
QString barClass(TitleAlert alert) {
    switch (alert) {
    case TitleAlert::Warning: return QStringLiteral("warning");
    case TitleAlert::Critical: return QStringLiteral("critical");
    case TitleAlert::None: break;
    }
    return QStringLiteral("ratelark");
}

// The backing of an urgent title where the bar takes colours, not classes:
// Tango's dark orange and dark red, under which the title's light colours
// still read.
const char* alertBacking(TitleAlert alert) {
    return alert == TitleAlert::Critical ? "#a40000" : alert == TitleAlert::Warning ? "#ce5c00" : nullptr;
}

QByteArray jsonLine(const AttributedText& title) {
    QJsonArray runs;
    for (const ColorRun& run : title.runs)
        runs.append(QJsonObject{{QStringLiteral("start"), run.start},
                                {QStringLiteral("length"), run.length},
                                {QStringLiteral("color"), QString::fromLatin1(colorName(run.color))}});
    const QJsonObject object{{QStringLiteral("text"), title.text},
                             {QStringLiteral("tooltip"), title.toolTip},
                             {QStringLiteral("class"), barClass(title.alert)},
                             {QStringLiteral("runs"), runs}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

}  // namespace

RATELARK_EVERY_SECOND
QString titleOnOneLine(const QString& text) {
    AttributedText title;
    title.text = text;
    return joined(oneLine(title));
}

RATELARK_EVERY_SECOND
bool StatusLineFormatter::Shown::isShownBy(const AttributedText& title) const {
    return title.text == text && title.runs == runs && title.toolTip == toolTip && title.alert == alert
           && title.steadyWidth == steadyWidth;
}

RATELARK_EVERY_SECOND
QByteArray StatusLineFormatter::line(const AttributedText& title) {
    // The same title gives the same line: the widest width it may pad to
    // grew, if at all, when that title came last.
    if (lastShown_ && lastShown_->isShownBy(title)) return lastLine_;
    QByteArray line;
    switch (style_) {
    case StatusLineStyle::Text: line = joined(oneLine(title)).toUtf8(); break;
    case StatusLineStyle::Json: line = jsonLine(title); break;
    case StatusLineStyle::Waybar:
    case StatusLineStyle::Polybar:
    case StatusLineStyle::Pango: line = barText(title); break;
    }
    line += '\n';
    lastShown_ = Shown{title.text, title.runs, title.toolTip, title.alert, title.steadyWidth};
    lastLine_ = line;
    return line;
}

QByteArray StatusLineFormatter::barText(const AttributedText& title) {
    std::vector<Piece> pieces = oneLine(title);
    const qsizetype length = joined(pieces).size();
    widest_ = std::max(widest_, length);
    // U+2007 FIGURE SPACE: as wide as a digit, so the numbers stay in place.
    if (title.steadyWidth && length < widest_)
        pieces.insert(pieces.begin(), Piece{QString(widest_ - length, QChar(0x2007)), std::nullopt});

    const char* backing = alertBacking(title.alert);
    if (style_ == StatusLineStyle::Polybar) {
        const QString line = marked(pieces, polybarEscaped, QStringLiteral("%{F%1}%2%{F-}"));
        return (backing ? QStringLiteral("%{B%1}%2%{B-}").arg(QLatin1String(backing), line) : line).toUtf8();
    }
    const QString markup = marked(pieces, pangoEscaped, QStringLiteral("<span foreground=\"%1\">%2</span>"));
    if (style_ == StatusLineStyle::Pango)
        return (backing ? QStringLiteral("<span background=\"%1\">%2</span>").arg(QLatin1String(backing), markup)
                        : markup).toUtf8();
    // waybar styles the module by its class, in the user's own style sheet.
    const QJsonObject object{{QStringLiteral("text"), markup},
                             {QStringLiteral("tooltip"), pangoEscaped(title.toolTip)},
                             {QStringLiteral("class"), barClass(title.alert)}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

}  // namespace ratelark
