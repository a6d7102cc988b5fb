#include "platform/RegularFile.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ie {

RegularFile::RegularFile(const QString& path) {
    if (path.isEmpty()) {
        error_ = ENOENT;
        return;
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error_ = errno;
        return;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error_ = errno;
        ::close(fd);
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        notRegular_ = true;
        ::close(fd);
        return;
    }
    fd_ = fd;
    size_ = st.st_size;
}

RegularFile::~RegularFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::optional<QByteArray> RegularFile::readAll(qint64 limit) {
    if (fd_ < 0) {
        return std::nullopt;
    }
    const qint64 most = limit + 1;
    QByteArray bytes;
    bytes.resize(std::min<qint64>(size_, limit) + 1);
    qint64 got = 0;
    while (got < most) {
        if (got == bytes.size()) {
            bytes.resize(std::min<qint64>(most, bytes.size() * 2));
        }
        const ssize_t n = ::read(fd_, bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            error_ = errno;
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    bytes.truncate(got);
    return bytes;
}

QString NotRegularFileText(const QString& path) {
    return QDir::toNativeSeparators(path) +
           QStringLiteral(
               " は通常のファイルではないため開けません（名前付きパイプ、デバイスなど）。");
}

}  // namespace ie
