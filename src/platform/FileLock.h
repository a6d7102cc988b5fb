#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace ie {

// A lock file held with the system's file lock (flock) for as long as it is locked. The kernel
// lets go of it when the process ends, however it ends, so a killed run leaves nothing stuck and
// no age ever makes a held lock stale. Unlike QLockFile, taking it does not wait for the disk:
// QLockFile syncs the lock file's contents, milliseconds at every start wherever the folder is not
// in memory. The file names its holder as QLockFile's do (process id, program, host), so that a
// copy that still takes its locks with QLockFile sees a live holder; on a file system that knows no
// file locks, QLockFile's own way is taken instead.
class FileLock {
public:
    enum class Result {
        Taken,   // this object holds the lock (also when it already did)
        Busy,    // another holder, in this process or another
        Failed,  // the lock file cannot be made
    };

    explicit FileLock(QString path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    Result tryLock();
    bool isLocked() const;
    // Removes the lock file and lets the lock go.
    void unlock();

private:
    Result lockWithQt();

    QString path_;
    int fd_ = -1;
    std::unique_ptr<QLockFile> fallback_;
};

}  // namespace ie
