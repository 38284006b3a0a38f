#include "platform/FileSetAside.h"

#include <QDateTime>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace ratelark {

namespace {

// rename() without replacing an existing target: renameat2's
// RENAME_NOREPLACE, or on a filesystem without it a hard link (which fails
// on an existing name too) and the old name's removal. Returns 0 or errno.
int renameWithoutReplacing(const QByteArray& from, const QByteArray& to) {
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    if (::link(from.constData(), to.constData()) != 0) return errno;
    ::unlink(from.constData());
    return 0;
}

constexpr int kMostAttempts = 100;

}  // namespace

QString setFileAside(const QString& path, const QString& tag, QString* why) {
    const QByteArray from = QFile::encodeName(path);
    const QString stem =
        QStringLiteral("%1.%2-%3").arg(path, tag, QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    for (int attempt = 1; attempt <= kMostAttempts; ++attempt) {
        const QString target = attempt == 1 ? stem : QStringLiteral("%1-%2").arg(stem).arg(attempt);
        const int error = renameWithoutReplacing(from, QFile::encodeName(target));
        if (error == 0) return target;
        if (error == EEXIST) continue;
        if (why) *why = error == ENOENT ? QStringLiteral("gone") : QString::fromLocal8Bit(std::strerror(error));
        return {};
    }
    if (why) *why = QStringLiteral("%1 names beside it are taken").arg(kMostAttempts);
    return {};
}

}  // namespace ratelark
