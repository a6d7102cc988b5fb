#pragma once

#include <QIODevice>
#include <QString>

#include <memory>
#include <vector>

struct zip;
struct zip_file;

namespace ie {

// A ZIP file read with libzip: its entries' names and sizes, and each entry's bytes as a
// sequential device, inflated as they are read so that an entry of any size is never held whole.
class ZipArchive {
public:
    struct Entry {
        qint64 index = 0;
        QString name;  // UTF-8 when the archive says so, else CP932 as Japanese Windows writes it
        qint64 size = 0;  // uncompressed
    };

    ZipArchive() = default;
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // False with the reason in *error when the file is no readable ZIP archive.
    bool open(const QString& path, QString* error);
    const std::vector<Entry>& entries() const { return entries_; }
    // The entry's bytes; nullptr with the reason in *error when it cannot be read. The device
    // must not outlive the archive.
    std::unique_ptr<QIODevice> openEntry(qint64 index, QString* error);

private:
    zip* archive_ = nullptr;
    std::vector<Entry> entries_;
};

// Whether a file starts as a ZIP archive does ("PK\3\4", or an empty archive's "PK\5\6").
bool LooksLikeZip(const QString& path);

}  // namespace ie
