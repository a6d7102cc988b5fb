#pragma once

#include <QIODevice>
#include <QSaveFile>
#include <QString>

namespace ie {

// A file written whole or not at all: the bytes go to a new file beside the target, which is
// renamed over it only once every write and the final flush have succeeded. A failure leaves the
// earlier file byte for byte and keeps its cause, in the words of WriteFailedText.
//
// QSaveFile alone is not enough: its writes land in a buffer, and a flush that fails when
// commit() closes the file (a full disk) goes unnoticed, so that commit() renames a short file
// over the old one and reports success. Here the flush is made and checked before the rename, and
// every write is checked as it is made, errno read at once (a writer that fails later, such as an
// image encoder, may have changed errno by the time it returns).
class CheckedSaveFile {
public:
    explicit CheckedSaveFile(const QString& path);
    // Until commit() succeeds the target stays as it was; an abandoned file is removed.
    ~CheckedSaveFile();
    CheckedSaveFile(const CheckedSaveFile&) = delete;
    CheckedSaveFile& operator=(const CheckedSaveFile&) = delete;

    bool open();
    // The device to write to, also for writers that write themselves (an image, a PDF). A write
    // that fails, or writes less than it was given, fails from then on.
    QIODevice& device() { return device_; }
    bool write(const QByteArray& bytes);
    // Flushes, checks that no write failed, and renames the file over the target. On a failure
    // the file is given up.
    bool commit();
    // Gives the file up, for a reason that is not the file's when nothing has failed.
    void cancel();

    // Whether a write has failed, and its cause ("ディスクの空き容量が足りません", …) and whole
    // text: "ファイルに書き込めません。" CR path CR cause "。". Empty while nothing has failed.
    bool failed() const { return !cause_.isEmpty(); }
    const QString& cause() const { return cause_; }
    QString error() const;

private:
    // Passes writes on to the file and notes the first failure with errno as it was left.
    class Device : public QIODevice {
    public:
        explicit Device(CheckedSaveFile& owner) : owner_(owner) {}

        bool isSequential() const override { return true; }  // written straight through, once

    protected:
        qint64 readData(char*, qint64) override { return -1; }
        qint64 writeData(const char* data, qint64 len) override;

    private:
        CheckedSaveFile& owner_;
    };

    bool fail(int errnoAfter);

    QString path_;
    QSaveFile file_;
    Device device_;
    QString cause_;
};

// Whether the two paths name one existing file: the same file reached by another spelling, a
// symbolic link or a hard link.
bool IsSameFile(const QString& a, const QString& b);

}  // namespace ie
