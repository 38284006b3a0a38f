#pragma once

#include <QLockFile>
#include <QString>

namespace ratelark {

// Keeps a user's session to one RateLark in the status area: a lock file in
// the user's runtime folder, held while the object lives. A lock left behind
// by a RateLark that crashed is taken over, since its process is gone.
class SingleInstance {
public:
    // Tries to take the lock at lockPath; call after the application object
    // exists, since the lock names the program.
    explicit SingleInstance(const QString& lockPath = defaultLockPath());

    // False only when another running RateLark holds the lock. A lock that
    // cannot be made at all (no writable folder) does not stop the program.
    bool isOnlyInstance() const { return onlyInstance_; }
    // The process id of the RateLark that holds the lock, 0 when unknown.
    qint64 otherProcess() const { return otherProcess_; }

    // Gives the lock up now, for an exit that runs no destructors.
    void release() { lock_.unlock(); }

    // $XDG_RUNTIME_DIR/ratelark.lock, else ratelark.lock in the cache folder.
    static QString defaultLockPath();

private:
    QLockFile lock_;
    bool onlyInstance_ = true;
    qint64 otherProcess_ = 0;
};

}  // namespace ratelark
