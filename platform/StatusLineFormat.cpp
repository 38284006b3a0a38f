#include "platform/StatusLineFormat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace ratelark {

namespace {

QByteArray jsonLine(const AttributedText& title) {
    QJsonArray runs;
    for (const ColorRun& run : title.runs)
        runs.append(QJsonObject{{QStringLiteral("start"), run.start},
                                {QStringLiteral("length"), run.length},
                                {QStringLiteral("color"), QString::fromLatin1(colorName(run.color))}});
    const QJsonObject object{{QStringLiteral("text"), title.text},
                             {QStringLiteral("tooltip"), title.toolTip},
                             {QStringLiteral("class"), QStringLiteral("ratelark")},
                             {QStringLiteral("runs"), runs}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

}  // namespace

// The rows of a two-line title carry trailing spaces that line them up in
// the tray; on one line they would only leave a gap.
QString titleOnOneLine(const QString& text) {
    QStringList rows = text.split(QLatin1Char('\n'));
    for (QString& row : rows) {
        while (row.endsWith(QLatin1Char(' '))) row.chop(1);
    }
    return rows.join(QLatin1Char(' '));
}

QByteArray statusLine(const AttributedText& title, StatusLineStyle style) {
    QByteArray line = style == StatusLineStyle::Json ? jsonLine(title) : titleOnOneLine(title.text).toUtf8();
    line += '\n';
    return line;
}

}  // namespace ratelark
