#include "platform/ZipArchive.h"

#include "common/Cp932.h"
#include "platform/RegularFile.h"

#include <QFile>
#include <QStringDecoder>

#include <zip.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>

namespace ie {

namespace {

// libzip, loaded when the first ZIP file is opened. Linked, it and what it needs (OpenSSL's
// libcrypto among them) would be loaded and relocated at every start of the program, for the
// import of a download that most runs never make.
struct LibZip {
    decltype(&::zip_open) open = nullptr;
    decltype(&::zip_discard) discard = nullptr;
    decltype(&::zip_get_num_entries) getNumEntries = nullptr;
    decltype(&::zip_stat_init) statInit = nullptr;
    decltype(&::zip_stat_index) statIndex = nullptr;
    decltype(&::zip_fopen_index) fopenIndex = nullptr;
    decltype(&::zip_fread) fread = nullptr;
    decltype(&::zip_fclose) fclose = nullptr;
    decltype(&::zip_get_error) getError = nullptr;
    decltype(&::zip_file_get_error) fileGetError = nullptr;
    decltype(&::zip_error_init_with_code) errorInitWithCode = nullptr;
    decltype(&::zip_error_strerror) errorStrerror = nullptr;
    decltype(&::zip_error_fini) errorFini = nullptr;
    QString problem;  // why it could not be loaded; empty once it is
};

const LibZip& Lib() {
    static const LibZip lib = [] {
        LibZip l;
        void* handle = ::dlopen(IE_LIBZIP_SONAME, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            l.problem =
                QStringLiteral("ZIPファイルを読むライブラリ（%1）を読み込めません。%2")
                    .arg(QStringLiteral(IE_LIBZIP_SONAME), QString::fromLocal8Bit(::dlerror()));
            return l;
        }
        bool found = true;
        const auto resolve = [&](auto& function, const char* name) {
            void* symbol = ::dlsym(handle, name);
            found = found && symbol != nullptr;
            std::memcpy(&function, &symbol, sizeof symbol);
        };
        resolve(l.open, "zip_open");
        resolve(l.discard, "zip_discard");
        resolve(l.getNumEntries, "zip_get_num_entries");
        resolve(l.statInit, "zip_stat_init");
        resolve(l.statIndex, "zip_stat_index");
        resolve(l.fopenIndex, "zip_fopen_index");
        resolve(l.fread, "zip_fread");
        resolve(l.fclose, "zip_fclose");
        resolve(l.getError, "zip_get_error");
        resolve(l.fileGetError, "zip_file_get_error");
        resolve(l.errorInitWithCode, "zip_error_init_with_code");
        resolve(l.errorStrerror, "zip_error_strerror");
        resolve(l.errorFini, "zip_error_fini");
        if (!found)
            l.problem = QStringLiteral("ZIPファイルを読むライブラリ（%1）が古く、使えません。")
                            .arg(QStringLiteral(IE_LIBZIP_SONAME));
        return l;
    }();
    return lib;
}

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
            Lib().fclose(file_);
    }
    bool isSequential() const override { return true; }
    qint64 size() const override { return size_; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const zip_int64_t n = Lib().fread(file_, data, static_cast<zip_uint64_t>(maxSize));
        if (n < 0) {
            setErrorString(QString::fromUtf8(Lib().errorStrerror(Lib().fileGetError(file_))));
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
        Lib().discard(archive_);
}

bool ZipArchive::open(const QString& path, QString* error) {
    // A FIFO or a device under the name must not hang the program.
    const RegularFile checked(path);
    if (checked.notRegular()) {
        *error = NotRegularFileText(path);
        return false;
    }
    const LibZip& lib = Lib();
    if (!lib.problem.isEmpty()) {
        *error = lib.problem;
        return false;
    }
    int code = 0;
    archive_ = lib.open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (archive_ == nullptr) {
        zip_error_t e;
        lib.errorInitWithCode(&e, code);
        *error = QString::fromUtf8(lib.errorStrerror(&e));
        lib.errorFini(&e);
        return false;
    }
    const zip_int64_t count = lib.getNumEntries(archive_, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        lib.statInit(&st);
        if (lib.statIndex(archive_, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW, &st) != 0)
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
    const LibZip& lib = Lib();
    zip_file_t* file = lib.fopenIndex(archive_, static_cast<zip_uint64_t>(index), 0);
    if (file == nullptr) {
        *error = QString::fromUtf8(lib.errorStrerror(lib.getError(archive_)));
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
