#include "platform/ScratchFile.h"

#include "platform/FileLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

namespace ie {

namespace {

constexpr quint32 kNumbers = 0xFFFF;
const QString kLockSuffix = QStringLiteral(".lock");

// Like the system call this stands in for: the first three characters of the prefix, a number of
// one to four upper-case hex digits (never 0), ".tmp".
QString Candidate(const QDir& dir, const QString& prefix, quint32 number) {
    return dir.absoluteFilePath(prefix.left(3) + QString::number(number, 16).toUpper() +
                                QStringLiteral(".tmp"));
}

// Owner-only from the first byte: the file will hold the photo of a property.
bool CreateNew(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        return false;
    }
    file.close();
    return true;
}

// Held for the whole run: only a dead process lets it go, never its age.
std::unique_ptr<FileLock> MakeLock(const QString& scratch) {
    return std::make_unique<FileLock>(scratch + kLockSuffix);
}

}  // namespace

bool ModTempFile(const QString& folder, const QString& prefix, QString& path,
                 const QString& tempFolder) {
    const QString dirPath = folder.isEmpty() ? tempFolder : folder;
    if (dirPath.isEmpty()) {
        return false;
    }
    const QDir dir(dirPath);
    if (!dir.exists()) {
        return false;
    }
    // On a clash the next number is tried.
    const quint32 start = QRandomGenerator::global()->bounded(kNumbers);
    for (quint32 i = 0; i < kNumbers; ++i) {
        const QString candidate = Candidate(dir, prefix, (start + i) % kNumbers + 1);
        if (CreateNew(candidate)) {
            path = QDir::toNativeSeparators(candidate);
            return true;
        }
        if (!QFileInfo::exists(candidate)) {
            return false;  // not a clash: the folder cannot take a new file at all
        }
    }
    return false;
}

ScratchClaim::ScratchClaim(std::unique_ptr<FileLock> lock) : lock_(std::move(lock)) {}

ScratchClaim::~ScratchClaim() = default;

std::unique_ptr<ScratchClaim> CreateClaimedTempFile(const QString& folder, const QString& prefix,
                                                    QString& path) {
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists()) {
        return nullptr;
    }
    const quint32 start = QRandomGenerator::global()->bounded(kNumbers);
    for (quint32 i = 0; i < kNumbers; ++i) {
        const QString candidate = Candidate(dir, prefix, (start + i) % kNumbers + 1);
        auto lock = MakeLock(candidate);
        const FileLock::Result taken = lock->tryLock();
        if (taken == FileLock::Result::Busy) {
            continue;  // a running copy's name
        }
        if (taken == FileLock::Result::Failed) {
            return nullptr;  // the folder takes no new file
        }
        // The name is this run's now; a file under it is a dead run's left-over.
        QFile::remove(candidate);
        if (!CreateNew(candidate)) {
            return nullptr;
        }
        path = QDir::toNativeSeparators(candidate);
        return std::make_unique<ScratchClaim>(std::move(lock));
    }
    return nullptr;
}

int RemoveStaleScratchFiles(const QString& folder, const QString& prefix) {
    if (folder.isEmpty()) {
        return 0;
    }
    const QDir dir(folder);
    // A scratch file, or the lock of one: a run killed between taking a name and making its file,
    // or while this sweep was removing its file, leaves the lock alone.
    const QRegularExpression name(QLatin1Char('^') + QRegularExpression::escape(prefix.left(3)) +
                                  QStringLiteral("[0-9A-F]{1,4}\\.tmp(\\.lock)?$"));
    QStringList scratches;
    for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!name.match(entry).hasMatch()) {
            continue;
        }
        const QString scratch = dir.absoluteFilePath(
            entry.endsWith(kLockSuffix) ? entry.chopped(kLockSuffix.size()) : entry);
        if (!scratches.contains(scratch)) {
            scratches << scratch;
        }
    }
    int removed = 0;
    for (const QString& scratch : scratches) {
        // Taking the claim succeeds only when no live process holds it; letting it go removes
        // the lock file.
        auto lock = MakeLock(scratch);
        if (lock->tryLock() != FileLock::Result::Taken) {
            continue;
        }
        if (QFile::remove(scratch)) {
            ++removed;
        }
        lock->unlock();
    }
    return removed;
}

}  // namespace ie
