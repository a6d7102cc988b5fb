#pragma once

#include <QByteArray>
#include <QFuture>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>

namespace ie {

// The largest photo file the photo chooser takes: 100 MB (MiB). A photo already stored is never
// held to it.
inline constexpr qint64 kMaxPhotoFileBytes = 100LL * 1024 * 1024;

// A photo decoded for showing or printing: the picture as it is seen (turned as the camera says)
// at no more than the size asked for, and the size of the whole picture, which gives its
// proportions.
struct DecodedPhoto {
    QImage image;  // null when the bytes are no picture that can be read
    QSize fullSize;
};

// Decodes the file's bytes, judged by their content, at most at box pixels and in the picture's
// own proportions; never decodes the whole picture only to shrink it where the format can decode
// smaller (JPEG), and raises Qt's allocation limit only as far as this decode needs. Refused (a
// null image) without a large allocation: an empty or truncated file, one that is no picture,
// one whose declared size its bytes cannot possibly hold, and a JPEG that libjpeg would decode
// whole (progressive, or in several scans) when that is more than 120 megapixels or more than 100
// scans.
DecodedPhoto DecodePhoto(const QByteArray& bytes, const QSize& box);

// DecodePhoto on a thread of Qt's pool, so that a long decode leaves the window responsive.
QFuture<DecodedPhoto> DecodePhotoLater(const QByteArray& bytes, const QSize& box);

// A picture of these proportions as large as fits in frame, centred in it.
QRectF FitCentred(const QSizeF& picture, const QRectF& frame);

// The photo chooser's filter: JPEG, PNG and BMP first, then every other format the installed Qt
// image plugins read.
QString PhotoFileFilter();

// "写真ファイルが大きすぎます（n MB）。読み込めるのは100 MBまでです。" for a file of this many
// bytes.
QString PhotoTooLargeText(qint64 bytes);

}  // namespace ie
