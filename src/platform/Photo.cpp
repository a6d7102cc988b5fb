#include "platform/Photo.h"

#include <QBuffer>
#include <QImageIOHandler>
#include <QImageReader>
#include <QMutex>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>

namespace ie {

namespace {

// The most pixels a picture may have when its format cannot decode smaller and the whole picture
// has to be held (a 108-megapixel PNG still fits).
constexpr qint64 kMaxFullDecodePixels = 120'000'000;
// The most a compressed picture can expand: deflate's 1032:1 on a 1-bit image is 8256 pixels a
// byte. A file holding fewer bytes than that for its declared size is damaged or a bomb.
constexpr qint64 kMaxPixelsPerByte = 8256;

// libjpeg decodes a JPEG of more than one scan (progressive, or one scan per component) into a
// buffer of every coefficient of the whole picture, whatever size it is asked for, so such a file
// needs its whole pixel count; and it walks that whole buffer once for every scan, so a small file
// of thousands of empty scans keeps it busy for minutes. libjpeg's own progressive script writes
// 10 scans for a colour picture (6 for grey) and encoders that search for smaller ones stay near
// that; 100 leaves room for any real encoder.
constexpr int kMaxJpegScans = 100;

// What a JPEG's markers say, read without decoding.
struct JpegMarkers {
    bool complete = false;  // the first image runs to its end marker
    qint64 pixels = 0;      // of the frame header (0 when there is none)
    bool progressive = false;
    int scans = 0;
};

// Walks a JPEG's marker segments and scans. A truncated file decodes without error as a picture
// grey below the cut, so the end marker must be there: the segments up to a scan, then the scan's
// data, in which 0xFF is always followed by 0x00, a restart marker, or the marker of the next
// segment (a progressive JPEG has several scans) or of the end.
JpegMarkers ReadJpegMarkers(const QByteArray& bytes) {
    JpegMarkers out;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8) {
        return out;
    }
    qsizetype i = 2;
    bool inScan = false;
    bool sawFrame = false;
    while (i + 1 < n) {
        if (!inScan) {
            if (p[i] != 0xFF) {
                return out;
            }
            const unsigned char marker = p[i + 1];
            if (marker == 0xFF) {
                ++i;  // fill byte
                continue;
            }
            if (marker == 0xD9) {
                out.complete = out.scans > 0;  // an end before any scan ends nothing
                return out;
            }
            if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
                i += 2;  // markers without a length
                continue;
            }
            if (i + 3 >= n) {
                return out;
            }
            const qsizetype length = (qsizetype(p[i + 2]) << 8) | p[i + 3];
            if (length < 2) {
                return out;
            }
            // Start of frame: every 0xCn but DHT (C4), JPG (C8) and DAC (CC); the first counts,
            // as for libjpeg. C2, C6, CA and CE are progressive.
            const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 &&
                               marker != 0xC8 && marker != 0xCC;
            if (frame && !sawFrame && length >= 7 && i + 8 < n) {
                sawFrame = true;
                const qint64 height = (qint64(p[i + 5]) << 8) | p[i + 6];
                const qint64 width = (qint64(p[i + 7]) << 8) | p[i + 8];
                out.pixels = width * height;
                out.progressive = (marker & 0x03) == 0x02;
            }
            i += 2 + length;
            inScan = marker == 0xDA;
            out.scans += inScan ? 1 : 0;
            continue;
        }
        if (p[i] == 0xFF) {
            const unsigned char next = p[i + 1];
            if (next == 0x00 || next == 0xFF || (next >= 0xD0 && next <= 0xD7)) {
                i += 2;
                continue;
            }
            inScan = false;  // the next segment's marker, or the end
            continue;
        }
        ++i;
    }
    return out;
}

// Whether libjpeg would need more than a full decode may have, or spend minutes on scans.
bool JpegTooCostly(const JpegMarkers& m) {
    const bool wholeBuffer = m.progressive || m.scans > 1;
    return wholeBuffer && (m.pixels > kMaxFullDecodePixels || m.scans > kMaxJpegScans);
}

// Sets Qt's image allocation limit (a process-wide setting) for one decode and puts it back after.
// Decodes run on other threads too, so one holds the setting at a time.
class AllocationLimit {
public:
    explicit AllocationLimit(qint64 bytes)
        : lock_(&Mutex()), previous_(QImageReader::allocationLimit()) {
        const qint64 mb = (bytes >> 20) + 1;
        if (previous_ > 0 && mb > previous_) {
            QImageReader::setAllocationLimit(static_cast<int>(mb));
        }
    }
    ~AllocationLimit() { QImageReader::setAllocationLimit(previous_); }
    AllocationLimit(const AllocationLimit&) = delete;
    AllocationLimit& operator=(const AllocationLimit&) = delete;

private:
    static QMutex& Mutex() {
        static QMutex mutex;
        return mutex;
    }
    QMutexLocker<QMutex> lock_;
    int previous_;
};

}  // namespace

DecodedPhoto DecodePhoto(const QByteArray& bytes, const QSize& box) {
    DecodedPhoto out;
    if (bytes.isEmpty() || box.isEmpty()) {
        return out;
    }
    QBuffer buffer;
    buffer.setData(bytes);  // shares the bytes, never copies them
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format();
    QSize stored = reader.size();
    if (format.isEmpty() || !stored.isValid() || stored.isEmpty()) {
        return out;
    }
    const bool jpeg = format == "jpeg" || format == "jpg";
    if (jpeg) {
        const JpegMarkers markers = ReadJpegMarkers(bytes);
        if (!markers.complete || JpegTooCostly(markers)) {
            return out;
        }
    }
    const qint64 pixels = qint64(stored.width()) * stored.height();
    if (pixels / kMaxPixelsPerByte > bytes.size()) {
        return out;
    }
    // A camera stores a portrait photo on its side and says so; the picture is seen upright.
    const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
    out.fullSize = turned ? stored.transposed() : stored;

    // The size to decode to: as large as fits in box, never larger than the picture itself (a
    // small picture is enlarged when drawn).
    QSize shown = out.fullSize.scaled(box, Qt::KeepAspectRatio).boundedTo(out.fullSize);
    shown = shown.expandedTo(QSize(1, 1));
    const QSize decodeTo = turned ? shown.transposed() : shown;
    // JPEG and PNG decode straight to the smaller size; other formats (BMP), and PNG when
    // interlaced, hold the whole picture first.
    // (The interlace byte of a PNG's header: 1 for Adam7.)
    const bool interlacedPng = format == "png" && bytes.size() > 28 && bytes[28] == 1;
    const bool scalesWhileDecoding =
        reader.supportsOption(QImageIOHandler::ScaledSize) && !interlacedPng;
    const qint64 scaled = qint64(decodeTo.width()) * decodeTo.height() * 4;
    // libjpeg's nearest eighth, before the smooth scaling to the exact size.
    const qint64 needScaled = scaled * 4;
    const qint64 needWhole = scaled + pixels * 8;  // the whole picture, up to 16 bits a channel
    const bool wholeAllowed = !jpeg && pixels <= kMaxFullDecodePixels;
    if (!scalesWhileDecoding && !wholeAllowed) {
        out.fullSize = QSize();
        return out;
    }
    const auto read = [&](QImageReader& r, qint64 need) {
        if (decodeTo != stored) {
            r.setScaledSize(decodeTo);
            r.setQuality(100);  // smooth scaling, not the nearest pixel
        }
        const AllocationLimit limit(need);
        return r.read();
    };
    QImage image = read(reader, scalesWhileDecoding ? needScaled : needWhole);
    if (image.isNull() && scalesWhileDecoding && wholeAllowed) {
        // Refused as too large by a format that read it whole after all.
        QBuffer again;
        again.setData(bytes);
        again.open(QIODevice::ReadOnly);
        QImageReader whole(&again);
        whole.setAutoTransform(true);
        image = read(whole, needWhole);
    }
    if (image.isNull()) {
        out.fullSize = QSize();
        return out;
    }
    out.image = std::move(image);
    return out;
}

QFuture<DecodedPhoto> DecodePhotoLater(const QByteArray& bytes, const QSize& box) {
    return QtConcurrent::run([bytes, box] { return DecodePhoto(bytes, box); });
}

QRectF FitCentred(const QSizeF& picture, const QRectF& frame) {
    if (picture.isEmpty() || frame.isEmpty()) {
        return {};
    }
    const QSizeF size = picture.scaled(frame.size(), Qt::KeepAspectRatio);
    QRectF r(QPointF(0, 0), size);
    r.moveCenter(frame.center());
    return r;
}

QString PhotoFileFilter() {
    QStringList names = {QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("png"),
                         QStringLiteral("bmp")};
    for (const QByteArray& f : QImageReader::supportedImageFormats()) {
        const QString name = QString::fromLatin1(f).toLower();
        if (!names.contains(name)) {
            names << name;
        }
    }
    QStringList patterns;
    for (const QString& n : names) {
        patterns << QStringLiteral("*.") + n;
    }
    for (const QString& n : names) {
        patterns << QStringLiteral("*.") + n.toUpper();
    }
    return QStringLiteral("画像ファイル (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

QString PhotoTooLargeText(qint64 bytes) {
    const qint64 mb = (bytes + (1LL << 20) - 1) >> 20;
    return QStringLiteral("写真ファイルが大きすぎます（%1 MB）。読み込めるのは100 MBまでです。")
        .arg(mb);
}

}  // namespace ie
