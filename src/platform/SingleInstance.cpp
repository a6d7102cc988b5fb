#include "platform/SingleInstance.h"

#include "platform/FileLock.h"

#include <QDir>

namespace ie {

SingleInstance::SingleInstance(const QString& lockFolder, const QString& name)
    : lock_(std::make_unique<FileLock>(QDir(lockFolder).filePath(name + QStringLiteral(".lock")))) {
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::tryAcquire() {
    // Held for the whole run and never stale by age; a dead holder's lock is free.
    return lock_->tryLock() == FileLock::Result::Taken;
}

}  // namespace ie
