#include "platform/SingleInstance.h"

#include <QDir>
#include <QLockFile>

namespace ie {

SingleInstance::SingleInstance(const QString& lockFolder, const QString& name)
    : lock_(
          std::make_unique<QLockFile>(QDir(lockFolder).filePath(name + QStringLiteral(".lock")))) {
    // The lock is held for the whole run, so it must never go stale by age: Qt's default of 30
    // seconds would let a second copy take it from a live first copy wherever the file system has
    // no native file locks to stop it. A lock whose process has died is still recognised by its
    // process id and taken over.
    lock_->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::tryAcquire() {
    if (lock_->isLocked()) {
        return true;
    }
    return lock_->tryLock(0);
}

}  // namespace ie
