#include "platform/FileLock.h"

#include <QCoreApplication>
#include <QFile>
#include <QLockFile>
#include <QSysInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace ie {

namespace {

// What QLockFile writes first: process id, program name, host name, a line each.
QByteArray HolderText() {
    return QByteArray::number(::getpid()) + '\n' + QCoreApplication::applicationName().toUtf8() +
           '\n' + QSysInfo::machineHostName().toUtf8() + '\n';
}

bool NoFileLocks(int error) {
    return error == ENOLCK || error == EOPNOTSUPP || error == ENOSYS || error == EINVAL;
}

}  // namespace

FileLock::FileLock(QString path) : path_(std::move(path)) {}

FileLock::~FileLock() {
    unlock();
}

bool FileLock::isLocked() const {
    return fd_ >= 0 || (fallback_ && fallback_->isLocked());
}

FileLock::Result FileLock::tryLock() {
    if (isLocked())
        return Result::Taken;
    if (fallback_)
        return lockWithQt();
    const QByteArray native = QFile::encodeName(path_);
    // A holder that lets go removes the file; one that opened it just before then holds a lock on
    // a file no longer in the folder, and tries again.
    for (int attempt = 0; attempt < 8; ++attempt) {
        bool created = true;
        int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST) {
            created = false;
            fd = ::open(native.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
            if (fd < 0 && errno == ENOENT)
                continue;  // removed in between
        }
        if (fd < 0)
            return Result::Failed;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            if (error == EWOULDBLOCK)
                return Result::Busy;
            if (NoFileLocks(error)) {
                if (created)
                    ::unlink(native.constData());
                fallback_ = std::make_unique<QLockFile>(path_);
                // Held for the whole run: only a dead process makes it stale, never its age.
                fallback_->setStaleLockTime(0);
                return lockWithQt();
            }
            return Result::Failed;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) != 0 || ::stat(native.constData(), &named) != 0 ||
            held.st_dev != named.st_dev || held.st_ino != named.st_ino) {
            ::close(fd);
            continue;
        }
        // Who holds it, for a copy that still reads QLockFile's contents; nothing waits for the
        // disk, since the lock itself is the kernel's.
        const QByteArray text = HolderText();
        if (::ftruncate(fd, 0) != 0 ||
            ::pwrite(fd, text.constData(), static_cast<size_t>(text.size()), 0) != text.size()) {
            ::unlink(native.constData());
            ::close(fd);
            return Result::Failed;
        }
        fd_ = fd;
        return Result::Taken;
    }
    return Result::Busy;
}

FileLock::Result FileLock::lockWithQt() {
    if (fallback_->tryLock(0))
        return Result::Taken;
    return fallback_->error() == QLockFile::LockFailedError ? Result::Busy : Result::Failed;
}

void FileLock::unlock() {
    if (fd_ >= 0) {
        // Removed while still held, so that no one takes the lock on a file about to go.
        ::unlink(QFile::encodeName(path_).constData());
        ::close(fd_);
        fd_ = -1;
    }
    if (fallback_)
        fallback_->unlock();
}

}  // namespace ie
