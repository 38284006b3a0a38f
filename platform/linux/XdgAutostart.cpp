#include "platform/linux/XdgAutostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace ratelark {

namespace {

const QByteArray kMainGroup = "[Desktop Entry]";
const QByteArray kAutostartKey = "X-GNOME-Autostart-enabled";

bool isGroupHeader(const QByteArray& line) { return line.startsWith('['); }

QByteArray keyOf(const QByteArray& line) {
    const qsizetype equals = line.indexOf('=');
    return equals < 0 ? QByteArray() : line.first(equals).trimmed();
}

QByteArray valueOf(const QByteArray& line) { return line.mid(line.indexOf('=') + 1).trimmed(); }

// The entries of the [Desktop Entry] group, without its header, blank lines
// and comments.
QList<QByteArray> mainGroup(const QByteArray& entry) {
    QList<QByteArray> lines;
    bool inside = false;
    for (const QByteArray& raw : entry.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (isGroupHeader(line)) {
            inside = line == kMainGroup;
            continue;
        }
        if (inside && !line.isEmpty() && !line.startsWith('#')) lines << line;
    }
    return lines;
}

}  // namespace

QByteArray shippedDesktopEntry() {
    QFile file(QStringLiteral(":/packaging/com.tarnwick.ratelark.desktop"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString execArgument(const QString& program) {
    static const QString reserved = QStringLiteral(" \t\"'\\><~|&;$*?#()`");
    QString argument = program;
    if (std::any_of(program.begin(), program.end(), [](QChar c) { return reserved.contains(c); })) {
        argument.clear();
        for (const QChar c : program) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') argument += u'\\';
            argument += c;
        }
        argument = u'"' + argument + u'"';
    }
    // Then the escapes of every string value, and % which starts a field code.
    return argument.replace(u'\\', QStringLiteral("\\\\")).replace(u'%', QStringLiteral("%%"));
}

QByteArray autostartEntry(const QByteArray& desktopEntry, const QString& program) {
    if (program.isEmpty() || program.contains(u'\n') || program.contains(u'\r')) return {};
    QByteArray result = kMainGroup + '\n';
    for (const QByteArray& line : mainGroup(desktopEntry)) {
        result += keyOf(line) == "Exec" ? "Exec=" + execArgument(program).toUtf8() : line;
        result += '\n';
    }
    result += kAutostartKey + "=true\n";
    return result;
}

XdgAutostart::XdgAutostart(QByteArray desktopEntry, QString program)
    : desktopEntry_(std::move(desktopEntry)), program_(std::move(program)) {}

QString XdgAutostart::entryPath(const QString& identifier) {
    if (identifier.isEmpty() || identifier.contains(u'/') || identifier.startsWith(u'.')) return {};
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart/")
           + identifier + QStringLiteral(".desktop");
}

bool XdgAutostart::setEnabled(const QString& identifier, bool enabled) {
    const QString path = entryPath(identifier);
    if (path.isEmpty()) return false;
    if (!enabled) return !QFileInfo::exists(path) || QFile::remove(path);
    const QByteArray entry = autostartEntry(desktopEntry_, program_);
    if (entry.isEmpty() || !QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(entry) == entry.size() && file.commit();
}

bool XdgAutostart::isEnabled(const QString& identifier) {
    QFile file(entryPath(identifier));
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& line : mainGroup(file.readAll())) {
        const QByteArray key = keyOf(line);
        if (key == "Hidden" && valueOf(line) == "true") return false;
        if (key == kAutostartKey && valueOf(line) == "false") return false;
    }
    return true;
}

}  // namespace ratelark
