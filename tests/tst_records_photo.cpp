// Photos as phones write them: decoded at the size they are shown, large ones included, in their
// own proportions; damaged files and bombs refused without a large allocation; the memo dialog's
// chooser, its size limit and its remembered folder.
#include "platform/IniFile.h"
#include "platform/Photo.h"
#include "records/FrmMemo.h"
#include "state/ModGlobal.h"
#include "support/ScriptedUi.h"
#include "support/TestFolder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace ie;
using namespace Qt::StringLiterals;
using ie::test::ReadAll;
using ie::test::WriteAll;

namespace {

// A picture with something in it: a gradient and a few shapes, so that JPEG has work to do.
QImage Scene(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, size.width(), size.height());
    g.setColorAt(0, QColor(40, 90, 160));
    g.setColorAt(1, QColor(230, 200, 120));
    p.fillRect(img.rect(), g);
    p.setBrush(QColor(30, 120, 40));
    p.drawEllipse(QRect(size.width() / 4, size.height() / 3, size.width() / 2, size.height() / 3));
    return img;
}

QByteArray Encoded(const QImage& img, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, format, quality);
    return bytes;
}

quint32 Crc32(const QByteArray& data) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= static_cast<quint8>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG whose header declares width x height, followed by a few bytes of nothing.
QByteArray PngBomb(quint32 width, quint32 height) {
    QByteArray ihdr("IHDR");
    for (const quint32 v : {width, height})
        for (int shift : {24, 16, 8, 0})
            ihdr.append(char((v >> shift) & 0xFF));
    ihdr.append("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    png.append(QByteArray("\x00\x00\x00\x0d", 4)).append(ihdr);
    const quint32 crc = Crc32(ihdr);
    for (int shift : {24, 16, 8, 0})
        png.append(char((crc >> shift) & 0xFF));
    png.append(QByteArray("\x00\x00\x00\x08IDAT\x78\x9c\x63\x60\x00\x00\x00\x00", 16));
    return png;
}

// A grey JPEG whose scans hold no data at all (libjpeg reads what is missing as zeros), padded
// with a comment of pad bytes so that the file is long enough for its declared size.
QByteArray EmptyScansJpeg(int width, int height, bool progressive, int scans, int pad) {
    QByteArray jpeg("\xFF\xD8", 2);
    const auto segment = [&jpeg](char marker, const QByteArray& body) {
        const qsizetype length = body.size() + 2;
        jpeg.append('\xFF').append(marker).append(char(length >> 8)).append(char(length & 0xFF));
        jpeg.append(body);
    };
    segment('\xDB', QByteArray(1, '\0') + QByteArray(64, '\1'));
    segment(progressive ? '\xC2' : '\xC0',
            QByteArray("\x08", 1) + char(height >> 8) + char(height & 0xFF) + char(width >> 8) +
                char(width & 0xFF) + QByteArray("\x01\x01\x11\x00", 4));
    // One code each, for DC difference 0 and for the end of a block.
    const QByteArray oneCode = QByteArray("\x01", 1) + QByteArray(15, '\0') + QByteArray(1, '\0');
    segment('\xC4', QByteArray(1, '\x00') + oneCode + QByteArray(1, '\x10') + oneCode);
    for (int left = pad; left > 0; left -= 65000)
        segment('\xFE', QByteArray(std::min(left, 65000), ' '));
    for (int i = 0; i < scans; ++i)  // DC only when progressive, every coefficient when not
        segment('\xDA', QByteArray("\x01\x01\x00\x00", 4) + (progressive ? '\0' : '\x3F') + '\0');
    return jpeg.append("\xFF\xD9");
}

}  // namespace

class TestPhoto : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void largePhotosDecodeAtTheFrameSize_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<int>("limitMb");
        // 48 MP from a phone: more than Qt's 128 MB limit if decoded whole.
        QTest::newRow("48 MP JPEG") << QSize(8064, 6048) << QByteArray("JPEG") << 0;
        // A format that cannot decode smaller, over a lowered limit: decoded whole, the limit
        // raised for this decode only.
        QTest::newRow("BMP over the limit") << QSize(6000, 1000) << QByteArray("BMP") << 16;
    }

    void largePhotosDecodeAtTheFrameSize() {
        QFETCH(QSize, size);
        QFETCH(QByteArray, format);
        QFETCH(int, limitMb);
        const QByteArray bytes = Encoded(Scene(size), format.constData());
        const int defaultLimit = QImageReader::allocationLimit();
        if (limitMb > 0)
            QImageReader::setAllocationLimit(limitMb);
        const int limit = QImageReader::allocationLimit();
        const DecodedPhoto photo = DecodePhoto(bytes, QSize(400, 600));
        QCOMPARE(QImageReader::allocationLimit(), limit);  // put back
        QImageReader::setAllocationLimit(defaultLimit);
        QCOMPARE(photo.fullSize, size);
        QCOMPARE(photo.image.size(), size.scaled(400, 600, Qt::KeepAspectRatio));
        // The picture, not a grey field: the green ellipse is in the middle.
        const QColor mid = photo.image.pixelColor(photo.image.rect().center());
        QVERIFY2(mid.green() > 100 && mid.red() < 80, qPrintable(mid.name()));
    }

    void badFilesRefused() {
        const QByteArray jpeg = Encoded(Scene(QSize(640, 480)), "JPEG", 90);
        QVERIFY(!DecodePhoto(jpeg, QSize(100, 100)).image.isNull());
        const std::pair<const char*, QByteArray> bad[] = {
            {"truncated JPEG", jpeg.left(jpeg.size() * 2 / 3)},
            {"JPEG cut before its end marker", jpeg.left(jpeg.size() - 2)},
            {"text named .jpg", QByteArray("This is a text file, not a JPEG.\n")},
            {"zero bytes", QByteArray()},
            {"PNG declaring 20000 x 20000", PngBomb(20000, 20000)},
            {"PNG declaring 10000 x 10000", PngBomb(10000, 10000)},
            {"PNG declaring 65535 x 65535", PngBomb(65535, 65535)},
        };
        for (const auto& [name, bytes] : bad) {
            const DecodedPhoto photo = DecodePhoto(bytes, QSize(400, 300));
            QVERIFY2(photo.image.isNull(), name);
            QVERIFY2(!photo.fullSize.isValid(), name);
        }
    }

    // Pictures that are whole and valid, but would take far more memory than their files
    // suggest: an 8-bit run-length BMP whose rows are all "end of line" (two bytes a row).
    void oversizedPicturesRefused() {
        const auto rleBmp = [](qint32 width, qint32 height) {
            QByteArray data;
            for (qint32 row = 0; row < height; ++row)
                data.append("\0\0", 2);
            data.append("\0\1", 2);  // end of the picture
            const auto le32 = [](QByteArray& b, quint32 v) {
                for (int k = 0; k < 4; ++k)
                    b.append(char((v >> (8 * k)) & 0xFF));
            };
            QByteArray info;
            for (const quint32 v : {40u, quint32(width), quint32(height)})
                le32(info, v);
            info.append("\1\0\x08\0", 4);  // one plane, 8 bits a pixel
            for (const quint32 v : {1u, quint32(data.size()), 2835u, 2835u, 2u, 0u})
                le32(info, v);  // RLE8, its size, 72 dpi, two colours
            info.append(QByteArray("\0\0\0\0\xff\xff\xff\0", 8));
            QByteArray file("BM");
            le32(file, quint32(14 + info.size() + data.size()));
            le32(file, 0);
            le32(file, quint32(14 + info.size()));
            return file + info + data;
        };
        // Readable at all: a small one decodes.
        QVERIFY(!DecodePhoto(rleBmp(200, 100), QSize(100, 100)).image.isNull());
        // 9,600 pixels a byte, past what any compression gives: a bomb, refused before decoding.
        // 121 megapixels at 5,500 a byte: plausible, but more than a whole decode may hold.
        for (const QSize size : {QSize(20000, 800), QSize(11000, 11000)}) {
            const DecodedPhoto photo = DecodePhoto(rleBmp(size.width(), size.height()), {400, 300});
            QVERIFY2(photo.image.isNull() && !photo.fullSize.isValid(),
                     qPrintable(u"%1 x %2"_s.arg(size.width()).arg(size.height())));
        }
    }

    void costlyJpegsRefusedBeforeDecoding_data() {
        QTest::addColumn<QByteArray>("jpeg");
        QTest::addColumn<bool>("refused");
        // Each long enough for its size, so that only its scans and its whole size give it away.
        QTest::newRow("progressive, 10 scans") << EmptyScansJpeg(64, 64, true, 10, 0) << false;
        QTest::newRow("progressive, 3000 scans") << EmptyScansJpeg(64, 64, true, 3000, 0) << true;
        QTest::newRow("progressive 121 MP") << EmptyScansJpeg(11000, 11000, true, 2, 15000) << true;
        // Small, yet gigabytes and minutes for libjpeg.
        QTest::newRow("progressive 40000 x 40000, 20000 scans")
            << EmptyScansJpeg(40000, 40000, true, 20000, 0) << true;
        // A single scan decodes straight to the size shown, however large the picture.
        QTest::newRow("baseline 121 MP") << EmptyScansJpeg(11000, 11000, false, 1, 15000) << false;
    }

    void costlyJpegsRefusedBeforeDecoding() {
        QFETCH(QByteArray, jpeg);
        QFETCH(bool, refused);
        QCOMPARE(DecodePhoto(jpeg, QSize(400, 300)).image.isNull(), refused);
    }

    void chooserLimitAndFolder() {
        QTemporaryDir dir;
        const QString picked = dir.filePath(u"photos"_s);
        QVERIFY(QDir().mkpath(picked));
        ModGlobal g;
        g.IniFilePath = dir.filePath(u"Morinaxis.ini"_s);
        QVERIFY(WriteAll(g.IniFilePath, "[DB_PATH]\r\nDB_PATH1=/data\r\n"));
        g.Bukken.PicTempFile = dir.filePath(u"~my1.tmp"_s);
        QVERIFY(WriteAll(g.Bukken.PicTempFile, QByteArray()));
        test::ScriptedUi ui;
        FrmMemo dlg(g, ui);

        // Over 100 MB: refused from its size alone (a sparse file, never read).
        const QString huge = picked + u"/huge.jpg"_s;
        {
            QFile f(huge);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.resize(100LL * 1024 * 1024 + 1));
        }
        ui.files.push_back(huge);
        dlg.CmdPicRead_Click();
        QCOMPARE(ui.shown.size(), size_t(1));
        QCOMPARE(ui.shown[0].text, QDir::toNativeSeparators(huge) +
                                       u"\r写真ファイルが大きすぎます（101 MB）。"
                                       "読み込めるのは100 MBまでです。"_s);
        QVERIFY(!g.Bukken.PicUmu);
        QVERIFY(g.Bukken.PicFile.isEmpty());
        QCOMPARE(ReadAll(g.Bukken.PicTempFile), QByteArray());

        // The first chooser opened in the Pictures folder (or home when there is none); the next
        // opens where the last file was picked, remembered in the options, the DB_PATH lines kept.
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        QCOMPARE(ui.choosers[0].initialPath,
                 QFileInfo(pictures).isDir() ? pictures : QDir::homePath());
        const QString png = picked + u"/site.png"_s;
        QVERIFY(Scene(QSize(1200, 900)).save(png));
        ui.files.push_back(png);
        dlg.CmdPicRead_Click();
        QCOMPARE(ui.choosers[1].initialPath, picked);
        QCOMPARE(ui.shown.size(), size_t(1));
        QVERIFY(dlg.hasPicture());
        QCOMPARE(ReadAll(g.Bukken.PicTempFile), ReadAll(png));
        QVERIFY(ReadAll(g.IniFilePath).startsWith("[DB_PATH]\r\nDB_PATH1=/data\r\n"));
        QCOMPARE(ModReadOption(g.IniFilePath, u"PHOTO_FOLDER"_s), picked);
        QVERIFY(ui.unexpected.isEmpty());
    }
};

QTEST_MAIN(TestPhoto)
#include "tst_records_photo.moc"
