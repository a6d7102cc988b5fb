// The property report page: value padding in CP932 columns, the ratio texts, the seventeen lines
// and every item's position, what PrintChohyo actually paints (through a recording paint device),
// the fonts, and the preview's scroll ranges.
#include "common/Cp932.h"
#include "common/SalesRatio.h"
#include "platform/QtUiServices.h"
#include "report/FrmPrint.h"
#include "report/ModPrint.h"
#include "state/BukkenJoho.h"
#include "support/RecordingPaintDevice.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace ie;
using namespace Qt::StringLiterals;
using Kind = ChohyoItem::Kind;

namespace {

QString Sp(int n) {
    return QString(n, u' ');
}
Currency Yen(qint64 yen) {
    return Currency::fromRaw(yen * Currency::kScale);
}

BukkenJoho FullRecord() {
    BukkenJoho r;
    r.Jusho = u"東京都千代田区丸の内１－１"_s;
    r.Kaisha = u"山田不動産"_s;
    r.Tanto = u"佐藤"_s;
    r.Denwa = u"03-1234-5678"_s;
    r.TotiMenseki = 165.5;
    r.TotiHanbaiKakaku = Yen(30000000);
    r.TotiKakaku = Yen(30000000);
    r.KaokuTuboTanka = 600000;
    r.KaokuTateTubo = 30.25;
    r.KaokuHanbaiKakaku = Yen(9512500);
    r.KaokuKakaku = Yen(10000000);
    r.GokeiHanbaiKakaku = Yen(39512500);
    r.GokeiKakaku = Yen(1);  // the stored total is never printed
    r.Biko = u"南向き・駐車場２台"_s;
    return r;
}

const QStringList kLabels = {
    u"住　　　　所 "_s, u"　販売会社　　"_s, u"　担当者名　　"_s, u"　電話番号　 "_s,
    u"　敷地面積　 "_s, u"敷地販売価格 "_s,  u"敷地計算価格 "_s,  u"  販売計算比 "_s,
    u"家屋坪単価 　"_s, u"家屋延床面積 "_s,  u"家屋販売価格 "_s,  u"家屋計算価格 "_s,
    u"  販売計算比 "_s, u"合計販売価格 "_s,  u"合計計算価格 "_s,  u"  販売計算比 "_s,
    u"備　　　　考 "_s,
};

// A red picture in the format its name says.
QString WritePng(const QString& path, QSize size) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::red);
    img.save(path);
    return path;
}

}  // namespace

class TestReportLayout : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    void initTestCase() {
        InstallFontSubstitutions();
        QVERIFY(dir_.isValid());
    }

    // ---- AlignRight ----

    void alignRight_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("digits") << u"123"_s << Sp(15) + u"123"_s;
        QTest::newRow("hiragana count two") << u"あいう"_s << Sp(12) + u"あいう"_s;
        QTest::newRow("kanji count two") << u"東京"_s << Sp(14) + u"東京"_s;
        QTest::newRow("half-width kana count one") << u"ｱｲｳ"_s << Sp(15) + u"ｱｲｳ"_s;
        QTest::newRow("amount with unit") << u"12,345,678 円"_s << Sp(5) + u"12,345,678 円"_s;
        QTest::newRow("square metres sign") << u"166 ㎡"_s << Sp(12) + u"166 ㎡"_s;
        QTest::newRow("17 bytes") << u"12,345,678,901 円"_s << Sp(1) + u"12,345,678,901 円"_s;
        QTest::newRow("18 bytes unpadded") << u"123,456,789,012 円"_s << u"123,456,789,012 円"_s;
        QTest::newRow("overlong unchanged")
            << u"1,234,567,890,123,456 円"_s << u"1,234,567,890,123,456 円"_s;
        QTest::newRow("empty") << QString() << Sp(18);
    }
    void alignRight() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(AlignRight(18, text), expected);
    }

    void alignRightOtherWidths() {
        QCOMPARE(AlignRight(4, u"全"_s), u"  全"_s);
        QCOMPARE(AlignRight(2, u"全"_s), u"全"_s);
        QCOMPARE(AlignRight(0, u"a"_s), u"a"_s);
    }

    // ---- ratios ----

    void ratioText_data() {
        QTest::addColumn<qint64>("askingRaw");
        QTest::addColumn<qint64>("computedRaw");
        QTest::addColumn<QString>("expected");
        const qint64 y = Currency::kScale;
        QTest::newRow("equal: 100 and its point")
            << 30000000 * y << 30000000 * y << Sp(8) + u"100.00　％"_s;
        QTest::newRow("95.125 half away") << 9512500 * y << 10000000 * y << Sp(9) + u"95.13　％"_s;
        QTest::newRow("1234.5 grouped") << 1234500 * y << 100000 * y << Sp(6) + u"1,234.50　％"_s;
        QTest::newRow("87.5") << 875 * y << 1000 * y << Sp(9) + u"87.50　％"_s;
        QTest::newRow("one third") << 1 * y << 3 * y << Sp(9) + u"33.33　％"_s;
        QTest::newRow("two thirds") << 2 * y << 3 * y << Sp(9) + u"66.67　％"_s;
        // 1.005 is not exact in binary; its 15-digit text is, and that is what is rounded.
        QTest::newRow("1.005 up") << 1005 * y << 100000 * y << Sp(10) + u"1.01　％"_s;
        QTest::newRow("99.995 carries to 100.")
            << 99995 * y << 100000 * y << Sp(8) + u"100.00　％"_s;
        QTest::newRow("tiny ratio") << 1 * y << 300000 * y << Sp(10) + u"0.00　％"_s;
        QTest::newRow("large grouped")
            << 123456789 * y << 10 * y
            << u"1,234,567,890.00　％"_s;  // wider than 18 bytes: no padding
        QTest::newRow("fractions of a yen") << qint64(1) << qint64(3) << Sp(9) + u"33.33　％"_s;
        QTest::newRow("asking zero") << 0LL << 1000 * y << QString();
        QTest::newRow("computed zero") << 1000 * y << 0LL << QString();
        QTest::newRow("asking negative") << -1000 * y << 1000 * y << QString();
        QTest::newRow("computed negative") << 1000 * y << -1000 * y << QString();
        QTest::newRow("both zero") << 0LL << 0LL << QString();
    }
    void ratioText() {
        QFETCH(qint64, askingRaw);
        QFETCH(qint64, computedRaw);
        QFETCH(QString, expected);
        QCOMPARE(ChohyoRatioText(Currency::fromRaw(askingRaw), Currency::fromRaw(computedRaw)),
                 expected);
    }

    // ---- the seventeen lines ----

    void linesOfFullRecord() {
        const std::vector<QString> lines = ChohyoLines(FullRecord());
        const QStringList expected = {
            u"住　　　　所 東京都千代田区丸の内１－１"_s,
            u"　販売会社　　山田不動産"_s,
            u"　担当者名　　佐藤"_s,
            u"　電話番号　 03-1234-5678"_s,
            u"　敷地面積　 "_s + Sp(10) + u"165.5 ㎡"_s,
            u"敷地販売価格 "_s + Sp(5) + u"30,000,000 円"_s,
            u"敷地計算価格 "_s + Sp(5) + u"30,000,000 円"_s,
            u"  販売計算比 "_s + Sp(8) + u"100.00　％"_s,
            u"家屋坪単価 　"_s + Sp(8) + u"600,000 円"_s,
            u"家屋延床面積 "_s + Sp(10) + u"30.25 坪"_s,
            u"家屋販売価格 "_s + Sp(6) + u"9,512,500 円"_s,
            u"家屋計算価格 "_s + Sp(5) + u"10,000,000 円"_s,
            u"  販売計算比 "_s + Sp(9) + u"95.13　％"_s,
            u"合計販売価格 "_s + Sp(5) + u"39,512,500 円"_s,
            // 30,000,000 + 10,000,000, not the stored total of 1
            u"合計計算価格 "_s + Sp(5) + u"40,000,000 円"_s,
            // 39,512,500 / 40,000,000 = 98.78125 %
            u"  販売計算比 "_s + Sp(9) + u"98.78　％"_s,
            u"備　　　　考 南向き・駐車場２台"_s,
        };
        QCOMPARE(QStringList(lines.begin(), lines.end()), expected);
    }

    void labelsAreThirteenOrFourteenColumns() {
        // Padded values then end in column 31 on every padded line.
        for (int i = 0; i < kLabels.size(); ++i) {
            const int width = (i == 1 || i == 2) ? 14 : 13;
            QCOMPARE(AlignRight(width, kLabels[i]), kLabels[i]);
            QCOMPARE(AlignRight(width + 1, kLabels[i]), u" "_s + kLabels[i]);
        }
    }

    void linesOfEmptyRecord() {
        const std::vector<QString> lines = ChohyoLines(BukkenJoho());
        QCOMPARE(QStringList(lines.begin(), lines.end()), kLabels);
    }

    void notPositiveValuesPrintEmpty() {
        BukkenJoho r;
        r.TotiMenseki = -5;
        r.TotiHanbaiKakaku = Yen(-1);
        r.TotiKakaku = Yen(-100);
        r.KaokuTuboTanka = 0;
        r.KaokuTateTubo = -0.4;
        r.KaokuKakaku = Yen(100);  // the sum 0 is not positive either
        r.GokeiHanbaiKakaku = Yen(500);
        const std::vector<QString> lines = ChohyoLines(r);
        for (int i : {4, 5, 6, 7, 8, 9, 10, 14, 15})
            QCOMPARE(lines[i], kLabels[i]);
        QCOMPARE(lines[11], u"家屋計算価格 "_s + Sp(12) + u"100 円"_s);
        QCOMPARE(lines[13], u"合計販売価格 "_s + Sp(12) + u"500 円"_s);
    }

    void amountsRoundHalfAwayFromZero() {
        BukkenJoho r;
        r.TotiKakaku = Currency::fromRaw(192664726027);   // 19,266,472.6027
        r.KaokuKakaku = Currency::fromRaw(110030764856);  // 11,003,076.4856
        r.TotiMenseki = 1234.567;  // areas keep two decimals, without trailing zeros
        r.KaokuTateTubo = 0.004;   // rounds to 0 but is positive: printed as 0
        const std::vector<QString> lines = ChohyoLines(r);
        QCOMPARE(lines[4], u"　敷地面積　 "_s + Sp(7) + u"1,234.57 ㎡"_s);
        QCOMPARE(lines[6], u"敷地計算価格 "_s + Sp(5) + u"19,266,473 円"_s);
        QCOMPARE(lines[9], u"家屋延床面積 "_s + Sp(14) + u"0 坪"_s);
        QCOMPARE(lines[11], u"家屋計算価格 "_s + Sp(5) + u"11,003,076 円"_s);
        // 30,269,549.0883
        QCOMPARE(lines[14], u"合計計算価格 "_s + Sp(5) + u"30,269,549 円"_s);
    }

    void longTextsAreNotCut() {
        BukkenJoho r;
        r.Jusho = u"北海道札幌市中央区北一条西二丁目一番地 札幌ビルディング十二階 一二〇四号室"_s;
        r.Biko = QString(200, u'長');
        const std::vector<QString> lines = ChohyoLines(r);
        QCOMPARE(lines[0], kLabels[0] + r.Jusho);
        QCOMPARE(lines[16], kLabels[16] + r.Biko);
    }

    // On the page a long memo line shrinks, down to 8 pt, and is then cut with "…"; measured in
    // the real font, every line ends inside the inner page frame.
    void longTextsFitTheirLine() {
        BukkenJoho r;
        r.Jusho = u"北海道札幌市中央区北一条西二丁目一番地 札幌ビルディング十二階 一二〇四号室"_s;
        r.Kaisha = u"ＡＢＣ不動産"_s;  // short: stays at 12 pt
        r.Biko = QString(200, u'長');
        const std::vector<ChohyoItem> items = ChohyoLayout(r, QDate(2026, 12, 7));
        const auto endOf = [](const ChohyoItem& it) {
            QFont f(ChohyoFontFamily());
            f.setPixelSize(it.pointSize * 20);
            f.setKerning(false);
            f.setHintingPreference(QFont::PreferNoHinting);
            return it.rect.left() + QFontMetricsF(f).horizontalAdvance(it.text);
        };
        const ChohyoItem& address = items[2];
        QCOMPARE(address.text, kLabels[0] + r.Jusho);  // smaller, but whole
        QVERIFY(address.pointSize < 12 && address.pointSize >= 8);
        QVERIFY(endOf(address) <= 15889);
        QCOMPARE(items[3].pointSize, 12);
        const ChohyoItem& remark = items[18];
        QCOMPARE(remark.pointSize, 8);
        QCOMPARE(
            remark.text,
            kLabels[16] + QString(remark.text.size() - kLabels[16].size() - 1, u'長') + u"…"_s);
        // Cut where the room ends, not before: one more 長 would not fit.
        QVERIFY(endOf(remark) <= 15889 && endOf(remark) > 15889 - 2 * 160);
    }

    // ---- the page's items and positions ----

    void layoutOfFullRecord() {
        BukkenJoho r = FullRecord();
        r.PicUmu = true;
        r.PicTempFile = u"/tmp/~my1A.tmp"_s;
        const std::vector<ChohyoItem> items = ChohyoLayout(r, QDate(2026, 12, 7));
        QCOMPARE(items.size(), std::size_t(25));  // the house's structure beside the title last

        QCOMPARE(items[0].kind, Kind::Text);
        QCOMPARE(items[0].text, u"物件帳票"_s);
        QCOMPARE(items[0].rect.topLeft(), QPoint(7819, 700));
        QCOMPARE(items[0].pointSize, 36);
        QVERIFY(items[0].bold);

        QCOMPARE(items[1].text, u"出力日：2026/12/07"_s);
        QCOMPARE(items[1].rect.topLeft(), QPoint(13919, 1900));
        QCOMPARE(items[1].pointSize, 10);
        QVERIFY(!items[1].bold);

        const std::vector<QString> lines = ChohyoLines(r);
        for (int i = 0; i < 17; ++i) {
            const ChohyoItem& it = items[2 + i];
            QCOMPARE(it.kind, Kind::Text);
            QCOMPARE(it.text, lines[i]);
            QCOMPARE(it.pointSize, 12);
            QVERIFY(!it.bold);
        }
        QCOMPARE(items[2].rect.topLeft(), QPoint(8419, 2200));
        QCOMPARE(items[3].rect.topLeft(), QPoint(8419, 2700));
        QCOMPARE(items[9].rect.topLeft(), QPoint(8419, 5700));
        QCOMPARE(items[18].rect.topLeft(), QPoint(8419, 10200));

        QCOMPARE(items[19].kind, Kind::Picture);
        QCOMPARE(items[19].rect, QRect(949, 2230, 7340, 8740));
        QCOMPARE(items[19].text, u"/tmp/~my1A.tmp"_s);

        QCOMPARE(items[20].kind, Kind::Frame);
        QCOMPARE(items[20].rect, QRect(949, 2230, 7340, 8740));
        QCOMPARE(items[21].kind, Kind::Text);
        QCOMPARE(items[21].text, u"物件現況写真"_s);
        QCOMPARE(items[21].rect.topLeft(), QPoint(3819, 1900));
        QCOMPARE(items[21].pointSize, 10);
        QCOMPARE(items[22].kind, Kind::Frame);
        QCOMPARE(items[22].rect, QRect(919, 500, 15000, 10500));
        QCOMPARE(items[23].kind, Kind::Frame);
        QCOMPARE(items[23].rect, QRect(949, 530, 14940, 10440));
    }

    void basisBesideTheTitle() {
        BukkenJoho r = FullRecord();
        r.HyokaDate = QDate(2026, 12, 7);
        r.KaokuDate = QDate(2001, 5, 1);
        r.KaokuKozoCD = 2;
        r.KaokuKozoMei = u"鉄骨造"_s;
        QCOMPARE(ChohyoBasisLines(r), (QStringList{u"価格を調べる日：2026/12/07"_s,
                                                   u"構造：鉄骨造"_s, u"築年数：25年"_s}));
        // Counted as it was valued: 25 years 7 months is 26 by the NTA's count.
        r.KeikaNensuKazoekata = 1;
        QCOMPARE(ChohyoBasisLines(r).last(), u"築年数：26年"_s);
        // A name not at hand: the code, or no structure chosen.
        r.KaokuKozoMei.clear();
        QCOMPARE(ChohyoBasisLines(r)[1], u"構造：構造コード 2"_s);

        // Right of the title, and ending above the output date.
        const std::vector<ChohyoItem> items = ChohyoLayout(r, QDate(2026, 12, 8));
        const int titleRight = items[0].rect.left() + 8 * 36 * 10;
        int found = 0;
        for (const ChohyoItem& it : items) {
            if (ChohyoBasisLines(r).contains(it.text)) {
                ++found;
                QVERIFY(it.rect.left() > titleRight);
                QVERIFY(it.rect.top() + it.pointSize * 20 <= items[1].rect.top());
            }
        }
        QCOMPARE(found, 3);

        // No house: the day alone.
        r.KaokuKakaku = Currency();
        r.KaokuTuboTanka = 0;
        QCOMPARE(ChohyoBasisLines(r), QStringList{u"価格を調べる日：2026/12/07"_s});
    }

    void noTextsOverlapWhenEverythingIsThere() {
        // No road, an old non-wooden house, a remark, stale results, a long structure name.
        BukkenJoho r = FullRecord();
        r.MudoroRank = 1;
        r.KaokuKozoCD = 3;
        r.KaokuKozoMei = u"鉄筋コンクリート造（木造として計算）"_s;
        r.KaokuDate = QDate(1975, 6, 1);
        r.HyokaDate = QDate(2026, 12, 7);
        r.TotiKakakuStale = true;
        r.KaokuKakakuStale = true;
        std::vector<QRect> boxes;
        for (const ChohyoItem& it : ChohyoLayout(r, QDate(2026, 12, 8))) {
            if (it.kind == Kind::Text) {
                const int width = cp932::ByteWidth(it.text) * it.pointSize * 10;
                boxes.emplace_back(it.rect.left(), it.rect.top(), width, it.pointSize * 20);
            }
        }
        QVERIFY(boxes.size() > 25);
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            QVERIFY(boxes[i].bottom() < 10970);  // inside the inner frame
            for (std::size_t j = i + 1; j < boxes.size(); ++j)
                QVERIFY2(!boxes[i].intersects(boxes[j]),
                         qPrintable(QString::number(i) + u' ' + QString::number(j)));
        }
    }

    void frameCentredOnTheSheet() {
        // A4 landscape, 297 mm = 16838 twips; 1 mm = 56.7 twips.
        for (const ChohyoItem& it : ChohyoLayout(BukkenJoho(), QDate(2026, 12, 7))) {
            if (it.kind == Kind::Frame && it.rect.width() > 14000)
                QVERIFY(std::abs(it.rect.left() - (16838 - it.rect.right())) <= 57);
        }
    }

    void layoutOfEmptyRecord() {
        const std::vector<ChohyoItem> items = ChohyoLayout(BukkenJoho(), QDate(2027, 1, 5));
        QCOMPARE(items.size(), std::size_t(23));  // no picture
        QCOMPARE(items[1].text, u"出力日：2027/01/05"_s);
        for (int i = 0; i < 17; ++i) {
            QCOMPARE(items[2 + i].text, kLabels[i]);
            QCOMPARE(items[2 + i].rect.topLeft(), QPoint(8419, 2200 + 500 * i));
        }
        QCOMPARE(items[19].kind, Kind::Frame);
        QCOMPARE(items[20].text, u"物件現況写真"_s);
        QCOMPARE(items[21].kind, Kind::Frame);
        QCOMPARE(items[22].kind, Kind::Frame);
    }

    void layoutHasNoPictureWithoutPicUmu() {
        BukkenJoho r;
        r.PicTempFile = WritePng(dir_.filePath(u"nopic.png"_s), QSize(4, 4));
        for (const ChohyoItem& it : ChohyoLayout(r, QDate(2026, 1, 1))) {
            QVERIFY(it.kind != Kind::Picture);
        }
    }

    // ---- what is painted ----

    void paintsTextsAtTheirTopLeftCorner() {
        BukkenJoho r = FullRecord();
        test::RecordingPaintDevice dev(QSize(16838, 11906), 1440);
        {
            QPainter p(&dev);
            PrintChohyo(p, ChohyoTarget{QRectF(0, 0, 16838, 11906), QSizeF(16838, 11906)},
                        kChohyoPrinter, r, QDate(2026, 12, 7));
        }
        const std::vector<ChohyoItem> items = ChohyoLayout(r, QDate(2026, 12, 7));
        std::vector<ChohyoItem> texts;
        for (const ChohyoItem& it : items) {
            if (it.kind == Kind::Text)
                texts.push_back(it);
        }
        const auto drawnTexts = dev.texts();
        QCOMPARE(drawnTexts.size(), std::size_t(21));
        QCOMPARE(drawnTexts.size(), texts.size());
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const auto& drawn = drawnTexts[i];
            QCOMPARE(drawn.text, texts[i].text);
            QCOMPARE(QFontInfo(drawn.font).family(), u"IPAMincho"_s);
            QCOMPARE(drawn.font.pixelSize(), texts[i].pointSize * 20);  // points in twips
            QCOMPARE(drawn.font.bold(), texts[i].bold);
            QVERIFY(!drawn.font.italic());
            QCOMPARE(drawn.baseline.x(), qreal(texts[i].rect.left()));
            // Written at the baseline: the top-left corner plus the font's ascent, which lies
            // within the em square.
            const qreal ascent = QFontMetricsF(drawn.font).ascent();
            QVERIFY(ascent > 0.7 * drawn.font.pixelSize() && ascent <= drawn.font.pixelSize());
            QCOMPARE(drawn.baseline.y(), texts[i].rect.top() + ascent);
        }
        QCOMPARE(drawnTexts[0].text, u"物件帳票"_s);
        QCOMPARE(drawnTexts[19].text, u"物件現況写真"_s);
        // The painter hands a line over in runs of one script each; they follow each other at
        // the fixed pitch: "の" comes after the 13-column label and the eight kanji
        // "東京都千代田区丸", 29 columns of 120 twips at 12 pt.
        bool sawRun = false;
        for (const auto& run : dev.fragments) {
            if (run.text == u"の"_s) {
                QCOMPARE(run.baseline.x(), 8419.0 + 29 * 120.0);
                sawRun = true;
            }
        }
        QVERIFY(sawRun);
        QCOMPARE(dev.frames.size(), std::size_t(3));
        QCOMPARE(dev.frames[0], QRectF(949, 2230, 7340, 8740));
        QCOMPARE(dev.frames[1], QRectF(919, 500, 15000, 10500));
        QCOMPARE(dev.frames[2], QRectF(949, 530, 14940, 10440));
        QVERIFY(dev.pictures.empty());
    }

    void fixedPitchFontKeepsValuesAligned() {
        // With the substituted mincho a full-width character is exactly two half-width columns,
        // so every padded line (13 + 18 columns) ends at the same x.
        QFont f(ChohyoFontFamily());
        f.setPixelSize(240);
        f.setKerning(false);
        f.setHintingPreference(QFont::PreferNoHinting);
        QCOMPARE(QFontInfo(f).family(), u"IPAMincho"_s);
        const QFontMetricsF fm(f);
        QCOMPARE(fm.horizontalAdvance(u"1"_s), 120.0);
        QCOMPARE(fm.horizontalAdvance(u"東"_s), 240.0);
        const std::vector<QString> lines = ChohyoLines(FullRecord());
        for (int i : {4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}) {
            QCOMPARE(fm.horizontalAdvance(lines[i]), 31 * 120.0);
        }
    }

    void listGridFontIsSubstituted() {
        QCOMPARE(QFontInfo(QFont(u"ＭＳ Ｐゴシック"_s)).family(), u"IPAPGothic"_s);
    }

    void photoFittedIntoItsFrame() {
        // A wide picture and a 4:3 photo of 12 MP in the portrait frame (949, 2230)-(8289, 10970):
        // their own proportions, as wide as the frame, centred; on paper decoded at 300 dpi of
        // the frame (7340 twips = 1529.2 px), never at the photo's own size.
        struct Case {
            QString file;
            QSize size;
            QRectF rect;
            QSize printed;
        };
        const Case cases[] = {
            {u"wide.png"_s, QSize(40, 10), QRectF(949, 5682.5, 7340, 1835), QSize(40, 10)},
            {u"photo.jpg"_s, QSize(4000, 3000), QRectF(949, 3847.5, 7340, 5505), QSize(1530, 1147)},
        };
        for (const Case& c : cases) {
            BukkenJoho r;
            r.PicUmu = true;
            r.PicTempFile = WritePng(dir_.filePath(c.file), c.size);
            for (int mode : {kChohyoPrinter, kChohyoPreview}) {
                test::RecordingPaintDevice dev(QSize(16838, 11906), 1440);
                {
                    QPainter p(&dev);
                    PrintChohyo(p, ChohyoTarget{QRectF(0, 0, 16838, 11906), QSizeF(16838, 11906)},
                                mode, r, QDate(2026, 12, 7));
                }
                QCOMPARE(dev.pictures.size(), std::size_t(1));
                QCOMPARE(dev.pictures[0].rect, c.rect);
                if (mode == kChohyoPrinter)
                    QCOMPARE(dev.pictures[0].size, c.printed);
                // Stored as JPEG in a PDF: a photo, not a small graphic.
                QVERIFY(!dev.pictures[0].lossless);
            }
        }
    }

    void unreadablePhotoSaysSoInTheFrame() {
        BukkenJoho r;
        r.PicUmu = true;
        const QString broken = dir_.filePath(u"broken.jpg"_s);
        QFile f(broken);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is not a picture");
        f.close();
        for (const QString& path : {broken, dir_.filePath(u"missing.jpg"_s), QString()}) {
            r.PicTempFile = path;
            test::RecordingPaintDevice dev(QSize(16838, 11906), 1440);
            {
                QPainter p(&dev);
                PrintChohyo(p, ChohyoTarget{QRectF(0, 0, 16838, 11906), QSizeF(16838, 11906)},
                            kChohyoPrinter, r, QDate(2026, 12, 7));
            }
            QVERIFY(dev.pictures.empty());
            QCOMPARE(dev.frames.size(), std::size_t(3));
            QCOMPARE(dev.texts().size(), std::size_t(21));
            QVERIFY(dev.textList().contains(u"写真データがありません。"_s));
        }
    }

    void boldTitleOnTheScreenScale() {
        // The preview's 15 twips a pixel: the title must come out thicker than the same text in
        // the regular weight (the mincho has no bold face of its own).
        const auto ink = [](const QImage& img) {
            int n = 0;
            for (int y = 40; y < 110; ++y) {
                for (int x = 480; x < 710; ++x)
                    n += qGray(img.pixel(x, y)) < 128 ? 1 : 0;
            }
            return n;
        };
        QImage page(1123, 794, QImage::Format_RGB32);
        page.fill(Qt::white);
        {
            QPainter p(&page);
            PrintChohyo(p, ChohyoTarget{QRectF(0, 0, 1123, 794), QSizeF(16845, 11910)},
                        kChohyoPreview, BukkenJoho(), QDate(2026, 12, 7));
        }
        QImage regular(page.size(), QImage::Format_RGB32);
        regular.fill(Qt::white);
        {
            QPainter p(&regular);
            QFont f(ChohyoFontFamily());
            f.setPixelSize(48);  // 36 pt = 720 twips
            p.setFont(f);
            p.drawText(QPointF(7400 / 15.0, 700 / 15.0 + QFontMetricsF(f).ascent()), u"物件帳票"_s);
        }
        const int regularInk = ink(regular);
        QVERIFY(regularInk > 500);
        QVERIFY2(ink(page) > regularInk * 1.3,
                 qPrintable(u"%1 against %2"_s.arg(ink(page)).arg(regularInk)));
    }

    void targetStretchesTwipsOverTheDevice() {
        // 20000 x 10000 twips over 1000 x 500 pixels: one twip is 0.05 px on both axes.
        BukkenJoho r;
        r.PicUmu = true;
        r.PicTempFile = WritePng(dir_.filePath(u"small.png"_s), QSize(8, 8));
        test::RecordingPaintDevice dev(QSize(1000, 500), 96);
        {
            QPainter p(&dev);
            PrintChohyo(p, ChohyoTarget{QRectF(0, 0, 1000, 500), QSizeF(20000, 10000)},
                        kChohyoPreview, r, QDate(2026, 12, 7));
        }
        QCOMPARE(dev.pictures.size(), std::size_t(1));
        QCOMPARE(dev.pictures[0].rect, QRectF(47.45, 146.5, 367, 367));  // square, centred
        QCOMPARE(dev.frames[1], QRectF(45.95, 25, 750, 525));
        QCOMPARE(dev.texts()[2].baseline.x(), 420.95);              // line 0 at x 8419
        QVERIFY(qAbs(dev.texts()[0].baseline.x() - 390.95) < 0.1);  // title at x 7819

        // A target offset inside the device moves everything with it.
        test::RecordingPaintDevice moved(QSize(1000, 500), 96);
        {
            QPainter p(&moved);
            PrintChohyo(p, ChohyoTarget{QRectF(10, 20, 1000, 500), QSizeF(20000, 10000)},
                        kChohyoPreview, r, QDate(2026, 12, 7));
        }
        QCOMPARE(moved.pictures[0].rect, QRectF(57.45, 166.5, 367, 367));
    }

    void emptyTargetDrawsNothing() {
        test::RecordingPaintDevice dev(QSize(100, 100), 96);
        {
            QPainter p(&dev);
            PrintChohyo(p, ChohyoTarget{QRectF(0, 0, 100, 100), QSizeF(0, 0)}, kChohyoPreview,
                        FullRecord(), QDate(2026, 12, 7));
        }
        QVERIFY(dev.fragments.empty());
        QVERIFY(dev.frames.empty());
    }

    // ---- preview scroll ranges ----

    void scrollStepsForA4Landscape() {
        // 16838 - 9375 = 7463, /10 = 746.3 -> 746, /10 = 74.6 -> 75
        const PreviewScrollSteps h = ScrollStepsFor(16838, 9375);
        QCOMPARE(h.maximum, 7463);
        QCOMPARE(h.largeStep, 746);
        QCOMPARE(h.smallStep, 75);
        // 11906 - 5775 = 6131, /10 = 613.1 -> 613, /10 = 61.3 -> 61
        const PreviewScrollSteps v = ScrollStepsFor(11906, 5775);
        QCOMPARE(v.maximum, 6131);
        QCOMPARE(v.largeStep, 613);
        QCOMPARE(v.smallStep, 61);
    }

    void scrollStepsRoundTiesToEven() {
        const PreviewScrollSteps a = ScrollStepsFor(7465, 0);  // 746.5 -> 746, 74.6 -> 75
        QCOMPARE(a.largeStep, 746);
        QCOMPARE(a.smallStep, 75);
        const PreviewScrollSteps b = ScrollStepsFor(7475, 0);  // 747.5 -> 748, 74.8 -> 75
        QCOMPARE(b.largeStep, 748);
        const PreviewScrollSteps c = ScrollStepsFor(250, 0);  // 25 -> 25, 2.5 -> 2
        QCOMPARE(c.smallStep, 2);
        const PreviewScrollSteps d = ScrollStepsFor(350, 0);  // 35 -> 35, 3.5 -> 4
        QCOMPARE(d.smallStep, 4);
    }

    void scrollStepsStayInRange() {
        const PreviewScrollSteps small = ScrollStepsFor(5000, 9375);
        QCOMPARE(small.maximum, 0);
        QCOMPARE(small.largeStep, 0);
        QCOMPARE(small.smallStep, 0);
        const PreviewScrollSteps huge = ScrollStepsFor(100000, 0);
        QCOMPARE(huge.maximum, 32767);
        QCOMPARE(huge.largeStep, 3277);  // 3276.7
        QCOMPARE(huge.smallStep, 328);   // 327.7
    }
};

QTEST_MAIN(TestReportLayout)
#include "tst_report_layout.moc"
