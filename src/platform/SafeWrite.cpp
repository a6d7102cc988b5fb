#include "platform/SafeWrite.h"

#include "platform/WriteFailure.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <cerrno>

namespace ie {

CheckedSaveFile::CheckedSaveFile(const QString& path) : path_(path), file_(path), device_(*this) {}

CheckedSaveFile::~CheckedSaveFile() {
    cancel();
}

bool CheckedSaveFile::open() {
    errno = 0;
    if (!file_.open(QIODevice::WriteOnly)) {
        return fail(errno);
    }
    return device_.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 CheckedSaveFile::Device::writeData(const char* data, qint64 len) {
    if (owner_.failed()) {
        return -1;
    }
    errno = 0;
    if (owner_.file_.write(data, len) != len) {
        owner_.fail(errno);
        setErrorString(owner_.cause_);
        return -1;
    }
    return len;
}

bool CheckedSaveFile::write(const QByteArray& bytes) {
    return device_.write(bytes) == bytes.size();
}

bool CheckedSaveFile::commit() {
    if (failed() || !file_.isOpen()) {
        cancel();
        return false;
    }
    errno = 0;
    if (!file_.flush()) {
        fail(errno);
        cancel();
        return false;
    }
    device_.close();
    errno = 0;
    if (!file_.commit()) {
        return fail(errno);
    }
    return true;
}

bool CheckedSaveFile::fail(int errnoAfter) {
    if (cause_.isEmpty()) {
        cause_ = WriteCauseOf(file_, errnoAfter);
    }
    return false;
}

void CheckedSaveFile::cancel() {
    device_.close();
    if (file_.isOpen()) {
        file_.cancelWriting();
        file_.commit();  // a cancelled file is removed, never renamed
    }
}

QString CheckedSaveFile::error() const {
    return failed() ? WriteFailedText(path_, cause_) : QString();
}

bool IsSameFile(const QString& a, const QString& b) {
    const QString ca = QFileInfo(a).canonicalFilePath();
    if (ca.isEmpty()) {
        return false;  // no such file
    }
    if (ca == QFileInfo(b).canonicalFilePath()) {
        return true;
    }
    struct stat sa {};
    struct stat sb {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace ie
