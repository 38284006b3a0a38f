#pragma once

#include <QFile>
#include <QFileInfo>
#include <QString>

namespace ratelark::testing {

// Whether the process has ended: gone, or a zombie waiting to be reaped.
inline bool processEnded(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return true;
    const QByteArray line = stat.readAll();
    // The state follows the name, which is in parentheses and may hold blanks.
    const qsizetype nameEnd = line.lastIndexOf(')');
    return nameEnd < 0 || line.mid(nameEnd + 2, 1) == "Z" || line.mid(nameEnd + 2, 1) == "X";
}

// The process id a script wrote into path; 0 while there is none.
inline qint64 pidIn(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    return file.readAll().trimmed().toLongLong();
}

// The cumulative MB of /proc/net/dev read here on its own terms, over the
// interfaces counted by default: those with a device link in sysfs, else all
// but the loopback. Received is column 0, sent column 8.
inline double procNetDevMB(int column) {
    QFile file(QStringLiteral("/proc/net/dev"));
    if (!file.open(QIODevice::ReadOnly)) return -1.0;
    double all = 0.0;
    double backed = 0.0;
    bool anyBacked = false;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0 || line.left(colon).trimmed() == "lo") continue;
        const double bytes = line.mid(colon + 1).simplified().split(' ').value(column).toDouble();
        const bool hasDevice = QFileInfo::exists("/sys/class/net/" + line.left(colon).trimmed() + "/device");
        anyBacked = anyBacked || hasDevice;
        all += bytes;
        backed += hasDevice ? bytes : 0.0;
    }
    return (anyBacked ? backed : all) / 1048576.0;
}

}  // namespace ratelark::testing
