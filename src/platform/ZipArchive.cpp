#include "platform/ZipArchive.h"

#include "common/Cp932.h"
#include "platform/RegularFile.h"

#include <QFile>
#include <QStringDecoder>

#include <zip.h>

#include <unistd.h>

namespace ie {

namespace {

QString EntryName(const char* raw) {
    const QByteArray bytes(raw);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString name = utf8(bytes);
    return utf8.hasError() ? cp932::Decode(bytes) : name;
}

// One entry's bytes as libzip inflates them.
class ZipEntryDevice : public QIODevice {
public:
    ZipEntryDevice(zip_file_t* file, qint64 size) : file_(file), size_(size) {
        QIODevice::open(QIODevice::ReadOnly);
    }
    ~ZipEntryDevice() override {
        if (file_ != nullptr)
            zip_fclose(file_);
    }
    bool isSequential() const override { return true; }
    qint64 size() const override { return size_; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const zip_int64_t n = zip_fread(file_, data, static_cast<zip_uint64_t>(maxSize));
        if (n < 0) {
            setErrorString(QString::fromUtf8(zip_error_strerror(zip_file_get_error(file_))));
            return -1;
        }
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    zip_file_t* file_;
    qint64 size_;
};

}  // namespace

ZipArchive::~ZipArchive() {
    if (archive_ != nullptr)
        zip_discard(archive_);
}

bool ZipArchive::open(const QString& path, QString* error) {
    // A FIFO or a device under the name must not hang the program.
    const RegularFile checked(path);
    if (checked.notRegular()) {
        *error = NotRegularFileText(path);
        return false;
    }
    int code = 0;
    archive_ = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (archive_ == nullptr) {
        zip_error_t e;
        zip_error_init_with_code(&e, code);
        *error = QString::fromUtf8(zip_error_strerror(&e));
        zip_error_fini(&e);
        return false;
    }
    const zip_int64_t count = zip_get_num_entries(archive_, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive_, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW, &st) != 0)
            continue;
        Entry e;
        e.index = i;
        e.name = (st.valid & ZIP_STAT_NAME) ? EntryName(st.name) : QString();
        e.size = (st.valid & ZIP_STAT_SIZE) ? static_cast<qint64>(st.size) : 0;
        entries_.push_back(e);
    }
    return true;
}

std::unique_ptr<QIODevice> ZipArchive::openEntry(qint64 index, QString* error) {
    zip_file_t* file = zip_fopen_index(archive_, static_cast<zip_uint64_t>(index), 0);
    if (file == nullptr) {
        *error = QString::fromUtf8(zip_error_strerror(zip_get_error(archive_)));
        return nullptr;
    }
    qint64 size = 0;
    for (const Entry& e : entries_) {
        if (e.index == index)
            size = e.size;
    }
    return std::make_unique<ZipEntryDevice>(file, size);
}

bool LooksLikeZip(const QString& path) {
    RegularFile file(path);
    if (!file.isOpen())
        return false;
    QByteArray head(4, '\0');
    if (::pread(file.handle(), head.data(), 4, 0) != 4)
        return false;
    return head == QByteArrayLiteral("PK\x03\x04") || head == QByteArrayLiteral("PK\x05\x06");
}

}  // namespace ie
