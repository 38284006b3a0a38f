#include "platform/StandardStreams.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace ratelark {

void openClosedStandardDescriptors() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free descriptor: this one, as those below it are open.
        const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) ::close(opened);
    }
}

QString redirectStandardStreams(const QString& path, bool includeStandardOutput, bool truncate) {
    const QString directory = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(directory)) return QStringLiteral("cannot create %1").arg(directory);
    const QByteArray encoded = QFile::encodeName(path);
    const int fd = ::open(encoded.constData(), O_WRONLY | O_CREAT | (truncate ? O_TRUNC : 0) | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return QString::fromLocal8Bit(std::strerror(errno));
    std::fflush(stderr);
    std::fflush(stdout);
    // O_APPEND: writers that share the file (children and other instances too)
    // never overwrite each other.
    ::dup2(fd, STDERR_FILENO);
    if (includeStandardOutput) ::dup2(fd, STDOUT_FILENO);
    ::close(fd);
    return {};
}

}  // namespace ratelark
