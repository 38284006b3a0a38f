#include "platform/SingleInstance.h"

#include "platform/Log.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ratelark {

SingleInstance::SingleInstance(const QString& lockPath) : lock_(lockPath) {
    // A held lock never ages: only a dead owner makes it stale.
    lock_.setStaleLockTime(0);
    QDir().mkpath(QFileInfo(lockPath).absolutePath());
    if (lock_.tryLock(0)) return;
    if (lock_.error() == QLockFile::LockFailedError) {
        onlyInstance_ = false;
        QString hostname;
        QString application;
        if (!lock_.getLockInfo(&otherProcess_, &hostname, &application)) otherProcess_ = 0;
        return;
    }
    nsLog(QStringLiteral("Cannot create the lock file %1; not checking for another RateLark").arg(lockPath));
}

QString SingleInstance::defaultLockPath() {
    // Asked of the environment directly: Qt warns and invents a folder when
    // the runtime folder is unset.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime + QStringLiteral("/ratelark.lock");
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
           + QStringLiteral("/ratelark/ratelark.lock");
}

}  // namespace ratelark
