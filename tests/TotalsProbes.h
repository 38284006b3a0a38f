#pragma once

#include <QFile>
#include <QString>

namespace ratelark::testing {

// The process id a script wrote into path; 0 while there is none.
inline qint64 pidIn(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    return file.readAll().trimmed().toLongLong();
}

// The cumulative MB of /proc/net/dev read here on its own terms: every
// interface but the loopback, received (column 0) or sent (column 8).
inline double procNetDevMB(int column) {
    QFile file(QStringLiteral("/proc/net/dev"));
    if (!file.open(QIODevice::ReadOnly)) return -1.0;
    double bytes = 0.0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0 || line.left(colon).trimmed() == "lo") continue;
        bytes += line.mid(colon + 1).simplified().split(' ').value(column).toDouble();
    }
    return bytes / 1048576.0;
}

}  // namespace ratelark::testing
