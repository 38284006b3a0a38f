#include "usage/UsageText.h"

#include "usage/DataAllowance.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace ratelark {

namespace {

constexpr const char* kUnits[] = {"B", "KB", "MB", "GB", "TB", "PB", "EB"};

const char* const kSummaryLabels[][2] = {{"today", "Today"},
                                         {"yesterday", "Yesterday"},
                                         {"this_month", "This Month"},
                                         {"last_month", "Last Month"},
                                         {"all_time", "All Time"}};

QString rowLabel(const UsageReport& report, const UsageReportRow& row) {
    switch (report.period) {
    case UsagePeriod::Summary:
        for (const auto& label : kSummaryLabels)
            if (row.name == QLatin1String(label[0])) return QLatin1String(label[1]);
        return row.name;
    case UsagePeriod::Hours: return row.start.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    case UsagePeriod::Days: return row.start.toString(QStringLiteral("yyyy-MM-dd ddd"));
    case UsagePeriod::Months: return row.start.toString(QStringLiteral("yyyy-MM"));
    }
    return {};
}

// What a row is keyed by in the data formats.
QString rowKey(const UsageReport& report, const UsageReportRow& row) {
    return report.period == UsagePeriod::Summary ? row.name : row.start.toString(Qt::ISODate);
}

QString table(const UsageReport& report) {
    const QString heading = report.period == UsagePeriod::Summary ? QStringLiteral("Period")
                                                                  : QString(usagePeriodName(report.period)).chopped(1);
    QString text = QStringLiteral("%1 %2 %3\n")
                       .arg(heading.left(1).toUpper() + heading.mid(1), -16)
                       .arg(QStringLiteral("Received"), 10)
                       .arg(QStringLiteral("Sent"), 10);
    if (!report.hasHistory)
        text += QStringLiteral("No usage has been recorded yet: RateLark records it while it runs.\n");
    for (const UsageReportRow& row : report.hasHistory ? report.rows : std::vector<UsageReportRow>{})
        text += QStringLiteral("%1 %2 %3\n")
                    .arg(rowLabel(report, row), -16)
                    .arg(formatVolume(row.total.received), 10)
                    .arg(formatVolume(row.total.sent), 10);
    if (const auto& allowance = report.allowance)
        text += allowanceLine(allowance->used, allowance->bytes, {allowance->start, allowance->end}) + QLatin1Char('\n');
    return text;
}

QJsonObject amountObject(const UsageAmount& amount) {
    return {{QStringLiteral("received"), static_cast<qint64>(amount.received)},
            {QStringLiteral("sent"), static_cast<qint64>(amount.sent)}};
}

QString json(const UsageReport& report) {
    QJsonArray rows;
    for (const UsageReportRow& row : report.hasHistory ? report.rows : std::vector<UsageReportRow>{}) {
        QJsonObject object = amountObject(row.total);
        object.insert(report.period == UsagePeriod::Summary ? QStringLiteral("name") : QStringLiteral("start"),
                      rowKey(report, row));
        QJsonObject interfaces;
        for (const auto& [name, amount] : row.interfaces) interfaces.insert(name, amountObject(amount));
        object.insert(QStringLiteral("interfaces"), interfaces);
        rows.append(object);
    }
    QJsonObject document{{QStringLiteral("period"), QString(usagePeriodName(report.period))},
                         {QStringLiteral("unit"), QStringLiteral("bytes")},
                         {QStringLiteral("interfaces"), QJsonArray::fromStringList(report.interfaces)},
                         {QStringLiteral("rows"), rows}};
    if (const auto& allowance = report.allowance)
        document.insert(QStringLiteral("allowance"),
                        QJsonObject{{QStringLiteral("bytes"), static_cast<qint64>(allowance->bytes)},
                                    {QStringLiteral("used"), static_cast<qint64>(allowance->used)},
                                    {QStringLiteral("share"), double(allowance->used) / double(allowance->bytes)},
                                    {QStringLiteral("start"), allowance->start.toString(Qt::ISODate)},
                                    {QStringLiteral("resets"), allowance->end.toString(Qt::ISODate)}});
    return QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Compact)) + QLatin1Char('\n');
}

// A field as CSV needs it: quoted where it holds a comma, a quote or a line break.
QString csvField(const QString& field) {
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) && !field.contains(QLatin1Char('\n')))
        return field;
    return QLatin1Char('"') + QString(field).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString csv(const UsageReport& report) {
    QStringList header{report.period == UsagePeriod::Summary ? QStringLiteral("name") : QStringLiteral("start"),
                       QStringLiteral("received"), QStringLiteral("sent")};
    for (const QString& name : report.interfaces)
        header << csvField(name + QStringLiteral(" received")) << csvField(name + QStringLiteral(" sent"));
    QString text = header.join(QLatin1Char(',')) + QLatin1Char('\n');
    for (const UsageReportRow& row : report.hasHistory ? report.rows : std::vector<UsageReportRow>{}) {
        QStringList fields{csvField(rowKey(report, row)), QString::number(row.total.received),
                           QString::number(row.total.sent)};
        for (const QString& name : report.interfaces) {
            const auto found = row.interfaces.find(name);
            const UsageAmount amount = found == row.interfaces.end() ? UsageAmount{} : found->second;
            fields << QString::number(amount.received) << QString::number(amount.sent);
        }
        text += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    return text;
}

}  // namespace

QString formatVolume(std::uint64_t bytes) {
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
        value /= 1024.0;
        ++unit;
    }
    QString number = unit == 0 || value >= 100.0 ? QString::number(value, 'f', 0) : QString::number(value, 'f', 1);
    if (number.endsWith(QLatin1String(".0"))) number.chop(2);
    return number + QLatin1Char(' ') + QLatin1String(kUnits[unit]);
}

QString usageLine(const QString& label, const UsageAmount& amount) {
    return QStringLiteral("%1: ↓ %2 ↑ %3").arg(label, formatVolume(amount.received), formatVolume(amount.sent));
}

QStringList recentUsageLines(const RecentUsage& recent) {
    return {usageLine(QStringLiteral("Today"), recent.today), usageLine(QStringLiteral("This Month"), recent.thisMonth)};
}

QString usageText(const UsageReport& report, UsageFormat format) {
    switch (format) {
    case UsageFormat::Table: return table(report);
    case UsageFormat::Json: return json(report);
    case UsageFormat::Csv: return csv(report);
    }
    return {};
}

}  // namespace ratelark
