#include "platform/Photo.h"

#include <QBuffer>
#include <QImageIOHandler>
#include <QImageReader>

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

// Whether a JPEG's first image runs to its end marker. A truncated file decodes without error as
// a picture grey below the cut, so the bytes are checked: the marker segments up to the start of
// the scan, then the scan's data, in which 0xFF is always followed by 0x00, a restart marker or
// the marker that ends it.
bool JpegComplete(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8) {
        return false;
    }
    qsizetype i = 2;
    bool inScan = false;
    bool sawScan = false;
    while (i + 1 < n) {
        if (!inScan) {
            if (p[i] != 0xFF) {
                return false;
            }
            const unsigned char marker = p[i + 1];
            if (marker == 0xFF) {
                ++i;  // fill byte
                continue;
            }
            if (marker == 0xD9) {
                return sawScan;  // an end before any scan ends nothing
            }
            if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
                i += 2;  // markers without a length
                continue;
            }
            if (i + 3 >= n) {
                return false;
            }
            const qsizetype length = (qsizetype(p[i + 2]) << 8) | p[i + 3];
            if (length < 2) {
                return false;
            }
            i += 2 + length;
            inScan = marker == 0xDA;
            sawScan = sawScan || inScan;
            continue;
        }
        if (p[i] == 0xFF) {
            const unsigned char next = p[i + 1];
            if (next == 0xD9) {
                return true;
            }
            if (next == 0x00 || next == 0xFF || (next >= 0xD0 && next <= 0xD7)) {
                i += 2;
                continue;
            }
            // Another segment between scans (a progressive JPEG has several).
            inScan = false;
            continue;
        }
        ++i;
    }
    return false;
}

// Sets Qt's image allocation limit (a process-wide setting) for one decode and puts it back after.
class AllocationLimit {
public:
    explicit AllocationLimit(qint64 bytes) : previous_(QImageReader::allocationLimit()) {
        const qint64 mb = (bytes >> 20) + 1;
        if (previous_ > 0 && mb > previous_) {
            QImageReader::setAllocationLimit(static_cast<int>(mb));
        }
    }
    ~AllocationLimit() { QImageReader::setAllocationLimit(previous_); }
    AllocationLimit(const AllocationLimit&) = delete;
    AllocationLimit& operator=(const AllocationLimit&) = delete;

private:
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
    if (jpeg && !JpegComplete(bytes)) {
        return out;
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
