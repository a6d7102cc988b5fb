#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace ie {

// A file opened for reading only when it is a regular file. The open never waits (a FIFO with no
// writer would wait for ever) and the file is judged after it is open, by the descriptor itself,
// so that something put in its place between a look at the name and the open changes nothing: a
// FIFO, a device (/dev/zero, /dev/urandom), a socket or a folder is closed again unread.
class RegularFile {
public:
    explicit RegularFile(const QString& path);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // It opened, but is no regular file.
    bool notRegular() const { return notRegular_; }
    // The errno of a failed open or read.
    int error() const { return error_; }
    // The size the open file had.
    qint64 size() const { return size_; }
    int handle() const { return fd_; }

    // The whole file, but never more than limit + 1 bytes, so that a file that grew past limit
    // after size() was read is seen as too large without being read whole. nullopt when the file
    // is not open or a read fails (error() then says why).
    std::optional<QByteArray> readAll(qint64 limit);

private:
    int fd_ = -1;
    bool notRegular_ = false;
    int error_ = 0;
    qint64 size_ = 0;
};

// "path は通常のファイルではないため開けません（名前付きパイプ、デバイスなど）。"
QString NotRegularFileText(const QString& path);

}  // namespace ie
