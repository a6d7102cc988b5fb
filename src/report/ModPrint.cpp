#include "report/ModPrint.h"

#include "state/RoadAccess.h"

#include "common/AppError.h"
#include "common/AreaRule.h"
#include "common/Cp932.h"
#include "common/Formats.h"
#include "common/HouseNotes.h"
#include "common/SalesRatio.h"
#include "platform/Photo.h"
#include "state/BukkenJoho.h"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <QTransform>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <optional>

namespace ie {

namespace {

// Padded values all end in this column.
constexpr int kValueWidth = 18;
// Frames are drawn one screen pixel wide at the preview's scale (15 twips = 1 px), about a quarter
// of a millimetre on paper.
constexpr int kFrameWidthTwips = 15;
constexpr int kTwipsPerPoint = 20;
// The data lines: where they start, their size, and the room they have up to just inside the inner
// page frame. A text too long for its room shrinks down to kSmallestLinePoint before it is cut.
constexpr int kLineLeft = 8000;
constexpr int kLineRight = 15400;
constexpr int kLinePoint = 12;
constexpr int kSmallestLinePoint = 8;

// The lines of the three calculated prices, and the size of the note beside a stale one.
constexpr int kLandResultLine = 6;
constexpr int kHouseResultLine = 11;
constexpr int kTotalResultLine = 14;
constexpr int kStaleNotePoint = 9;

const QString& Label(int line) {
    static const QString labels[17] = {
        QStringLiteral("住　　　　所 "),  QStringLiteral("　販売会社　　"),
        QStringLiteral("　担当者名　　"), QStringLiteral("　電話番号　 "),
        QStringLiteral("　敷地面積　 "),  QStringLiteral("敷地販売価格 "),
        QStringLiteral("敷地計算価格 "),  QStringLiteral("  販売計算比 "),
        QStringLiteral("家屋坪単価 　"),  QStringLiteral("家屋延床面積 "),
        QStringLiteral("家屋販売価格 "),  QStringLiteral("家屋計算価格 "),
        QStringLiteral("  販売計算比 "),  QStringLiteral("合計販売価格 "),
        QStringLiteral("合計計算価格 "),  QStringLiteral("  販売計算比 "),
        QStringLiteral("備　　　　考 "),
    };
    return labels[line];
}

QString Padded(const QString& text) {
    return AlignRight(kValueWidth, text);
}

QString AmountText(double value, const QString& unit) {
    if (!(value > 0) || !std::isfinite(value))
        return {};
    return Padded(FormatWhole(value) + unit);
}

// Areas keep the two decimals they are calculated with ("132.23 ㎡").
QString AreaText(double value, const QString& unit) {
    if (!(value > 0) || !std::isfinite(value))
        return {};
    return Padded(FormatArea(value) + unit);
}

QString AmountText(Currency value, const QString& unit) {
    if (value <= Currency())
        return {};
    return Padded(FormatWhole(value) + unit);
}

// Width in twips of a text in the report's fixed-pitch font, where a half-width column is half
// the point size wide.
int TextTwips(const QString& text, int pointSize) {
    return cp932::ByteWidth(text) * pointSize * kTwipsPerPoint / 2;
}

std::optional<Currency> TotalComputed(const BukkenJoho& rec) {
    try {
        return rec.TotiKakaku + rec.KaokuKakaku;
    } catch (const AppError&) {
        return std::nullopt;  // beyond the currency range: printed as no value
    }
}

}  // namespace

ChohyoItem TextItem(int x, int y, const QString& text, int pointSize, bool bold) {
    ChohyoItem item;
    item.kind = ChohyoItem::Kind::Text;
    item.rect = QRect(x, y, 0, 0);
    item.text = text;
    item.pointSize = pointSize;
    item.bold = bold;
    return item;
}

ChohyoItem FittedTextItem(int x, int y, const QString& text, int pointSize, int right) {
    const int room = right - x;
    for (int pt = pointSize; pt >= kSmallestLinePoint; --pt) {
        if (TextTwips(text, pt) <= room)
            return TextItem(x, y, text, pt);
    }
    const QString ellipsis = QStringLiteral("…");
    QString cut = text;
    while (!cut.isEmpty() && TextTwips(cut + ellipsis, kSmallestLinePoint) > room)
        cut.chop(cut.size() > 1 && cut.back().isLowSurrogate() ? 2 : 1);
    return TextItem(x, y, cut + ellipsis, kSmallestLinePoint);
}

ChohyoItem RectItem(ChohyoItem::Kind kind, int x1, int y1, int x2, int y2, const QString& text) {
    ChohyoItem item;
    item.kind = kind;
    item.rect = QRect(QPoint(x1, y1), QSize(x2 - x1, y2 - y1));
    item.text = text;
    return item;
}

QString StaleResultNote() {
    return QStringLiteral("（入力の変更後に再計算していません）");
}

QString ChohyoFontFamily() {
    return QStringLiteral("ＭＳ 明朝");
}

QString AlignRight(int width, const QString& text) {
    const int used = cp932::ByteWidth(text);
    if (used >= width)
        return text;
    return QString(width - used, QLatin1Char(' ')) + text;
}

QString ChohyoRatioText(Currency asking, Currency computed) {
    if (computed <= Currency() || asking <= Currency())
        return {};
    const std::optional<double> ratio = SalesRatio(asking.toDouble(), computed.toDouble());
    if (!ratio)
        return {};
    return Padded(RatioText(*ratio));
}

std::vector<QString> ChohyoLines(const BukkenJoho& rec) {
    const QString yen = QStringLiteral(" 円");
    const std::optional<Currency> total = TotalComputed(rec);
    const QString values[17] = {
        rec.Jusho,
        rec.Kaisha,
        rec.Tanto,
        rec.Denwa,
        AreaText(rec.TotiMenseki, QStringLiteral(" ㎡")),
        AmountText(rec.TotiHanbaiKakaku, yen),
        AmountText(rec.TotiKakaku, yen),
        ChohyoRatioText(rec.TotiHanbaiKakaku, rec.TotiKakaku),
        AmountText(rec.KaokuTuboTanka, yen),
        AreaText(rec.KaokuTateTubo, QStringLiteral(" 坪")),
        AmountText(rec.KaokuHanbaiKakaku, yen),
        AmountText(rec.KaokuKakaku, yen),
        ChohyoRatioText(rec.KaokuHanbaiKakaku, rec.KaokuKakaku),
        AmountText(rec.GokeiHanbaiKakaku, yen),
        total ? AmountText(*total, yen) : QString(),
        total ? ChohyoRatioText(rec.GokeiHanbaiKakaku, *total) : QString(),
        rec.Biko,
    };
    std::vector<QString> lines;
    lines.reserve(17);
    for (int i = 0; i < 17; ++i)
        lines.push_back(Label(i) + values[i]);
    return lines;
}

namespace {

bool HasHouse(const BukkenJoho& rec) {
    return !rec.KaokuKakaku.isZero() || rec.KaokuTuboTanka != 0;
}

}  // namespace

QStringList ChohyoBasisLines(const BukkenJoho& rec) {
    QStringList lines;
    if (rec.HyokaDate.isValid())
        lines << QStringLiteral("価格を調べる日：") + FormatDate(rec.HyokaDate);
    if (!HasHouse(rec))
        return lines;
    QString structure = rec.KaokuKozoMei;
    if (structure.isEmpty()) {
        structure = rec.KaokuKozoCD > 0 ? QStringLiteral("構造コード %1").arg(rec.KaokuKozoCD)
                                        : QStringLiteral("構造未設定");
    }
    lines << QStringLiteral("構造：") + structure;
    if (rec.KaokuDate.isValid() && rec.HyokaDate.isValid()) {
        const AgeCount count =
            rec.KeikaNensuKazoekata == 1 ? AgeCount::NtaHalfYear : AgeCount::CalendarYears;
        const qint32 age = HouseAge(rec.KaokuDate, rec.HyokaDate, count);
        if (age >= 0)
            lines << QStringLiteral("築年数：%1年").arg(age);
    }
    return lines;
}

QStringList ChohyoHouseNotes(const BukkenJoho& rec) {
    const bool hasHouse = HasHouse(rec);
    // From the dates, not the worksheet's age: a row printed from the list has none.
    return StoredHouseNotes(hasHouse, rec.KaokuKozoCD, rec.KeikaNensuKazoekata, rec.KaokuTuboTanka,
                            rec.KaokuTateTubo, rec.KaokuDate, rec.HyokaDate);
}

std::vector<ChohyoItem> ChohyoLayout(const BukkenJoho& rec, const QDate& today) {
    using Kind = ChohyoItem::Kind;
    std::vector<ChohyoItem> items;
    items.push_back(TextItem(7400, 700, QStringLiteral("物件帳票"), 36, true));
    items.push_back(
        TextItem(13500, 1900, QStringLiteral("出力日：") + FormatDate(today), 10, false));
    const std::vector<QString> lines = ChohyoLines(rec);
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        items.push_back(
            FittedTextItem(kLineLeft, 2200 + 500 * i, lines[i], kLinePoint, kLineRight));
    }
    // Under the lines, in a smaller type, only what applies: a plot that may not be rebuilt on
    // (the finding, then what it means), then what the house figure cannot say by itself, in the
    // short form the room allows (計算の内訳 gives the whole sentences).
    QStringList rows;
    const QStringList warnings = RoadAccessWarnings(rec);
    if (!warnings.isEmpty()) {
        const QString text = warnings.front();
        const qsizetype cut = text.indexOf(QStringLiteral("、")) + 1;
        rows << QStringLiteral("※") + text.left(cut) << QStringLiteral("　") + text.mid(cut);
    }
    QStringList house;
    for (const QString& note : ChohyoHouseNotes(rec)) {
        house << (note == RemainingRateCaveatText()
                      ? QStringLiteral(
                            "※残価率は税法の計算によるもので、市場での評価はより低いことが"
                            "あります。")
                      : QStringLiteral("※旧耐震基準の可能性があります。建築確認日と耐震診断を"
                                       "確かめてください。"));
    }
    // Three rows fit between the last line and the frame: with the road's two, the house's
    // notes share the third.
    if (rows.size() + house.size() > 3)
        rows << house.join(QStringLiteral("　"));
    else
        rows << house;
    for (int i = 0; i < static_cast<int>(rows.size()); ++i)
        // Below the 12-point 備考 line (it ends at 10440) and above the frame (10970).
        items.push_back(FittedTextItem(kLineLeft, 10450 + 170 * i, rows[i], 8, kLineRight));
    // A result printed as the worksheet shows it, though its inputs changed after it was
    // calculated, is marked in smaller type after its figure.
    const bool landStale = rec.TotiKakakuStale;
    const bool houseStale = rec.KaokuKakakuStale;
    for (const auto& [line, stale] : {std::pair{kLandResultLine, landStale},
                                      {kHouseResultLine, houseStale},
                                      {kTotalResultLine, landStale || houseStale}}) {
        const QString& text = lines[static_cast<size_t>(line)];
        if (!stale || text == Label(line))
            continue;  // not stale, or no figure to mark
        const int x = kLineLeft + TextTwips(text, kLinePoint) + kStaleNotePoint * kTwipsPerPoint;
        items.push_back(FittedTextItem(x, 2200 + 500 * line + 60, StaleResultNote(),
                                       kStaleNotePoint, kLineRight));
    }
    if (rec.PicUmu)
        items.push_back(RectItem(Kind::Picture, 530, 2230, 7870, 10970, rec.PicTempFile));
    items.push_back(RectItem(Kind::Frame, 530, 2230, 7870, 10970));
    items.push_back(TextItem(3400, 1900, QStringLiteral("物件現況写真"), 10, false));
    items.push_back(RectItem(Kind::Frame, 500, 500, 15500, 11000));
    items.push_back(RectItem(Kind::Frame, 530, 530, 15470, 10970));
    // Right of the title, above the output date.
    const QStringList basis = ChohyoBasisLines(rec);
    for (int i = 0; i < static_cast<int>(basis.size()); ++i)
        items.push_back(FittedTextItem(10800, 1000 + 280 * i, basis[i], 10, 15400));
    // Laid out from a left margin of 500 twips, the page is moved right so that its frame sits in
    // the middle of the A4 landscape sheet (16838 twips wide), margins equal on both sides.
    constexpr int kSheetWidth = 16838;
    constexpr int kCentring = (kSheetWidth - 15500 - 500) / 2;
    for (ChohyoItem& item : items)
        item.rect.translate(kCentring, 0);
    return items;
}

namespace {

QString NoPhotoText() {
    return QStringLiteral("写真データがありません。");
}

int PhotoDpi(int mode) {
    // Paper and PDF: 300 dpi is as fine as a photo print needs; the screen takes its own pixels.
    return mode == kChohyoPrinter ? 300 : 0;
}

QSize PhotoPixels(const QPainter& painter, const QRectF& frame, int maxDpi) {
    const QSizeF onDevice = painter.worldTransform().mapRect(frame).size();
    const QPaintDevice* device = painter.device();
    const int dpi = device != nullptr ? std::max(device->logicalDpiX(), 1) : 96;
    const qreal scale = maxDpi > 0 && dpi > maxDpi ? qreal(maxDpi) / dpi : 1.0;
    return QSize(std::max(1, qCeil(onDevice.width() * scale)),
                 std::max(1, qCeil(onDevice.height() * scale)));
}

}  // namespace

void PrintChohyo(QPainter& painter, const ChohyoTarget& target, int mode, const BukkenJoho& rec,
                 const QDate& today, const QByteArray* photo) {
    DrawChohyoItems(painter, target, mode, ChohyoLayout(rec, today), photo);
}

void DrawChohyoItems(QPainter& painter, const ChohyoTarget& target, int mode,
                     const std::vector<ChohyoItem>& items, const QByteArray* photo) {
    if (!(target.twips.width() > 0) || !(target.twips.height() > 0))
        return;
    painter.save();
    const QTransform outer = painter.worldTransform();
    const qreal scaleY = target.device.height() / target.twips.height();
    const QTransform page = QTransform::fromTranslate(target.device.left(), target.device.top())
                                .scale(target.device.width() / target.twips.width(), scaleY);
    painter.setWorldTransform(page, true);
    // The photo is drawn from a picture decoded at the frame's size, so scaling it on the device
    // is small; smoothing keeps it from looking jagged. In a PDF it is stored as JPEG.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    const QPen framePen(QColor(0, 0, 0), kFrameWidthTwips, Qt::SolidLine, Qt::SquareCap,
                        Qt::MiterJoin);
    for (const ChohyoItem& item : items) {
        switch (item.kind) {
            case ChohyoItem::Kind::Text: {
                // Pixel sizes under the twips transform: one unit is one twip, so a point is 20.
                QFont font(ChohyoFontFamily());
                font.setPixelSize(item.pointSize * kTwipsPerPoint);
                font.setBold(item.bold);
                font.setItalic(false);
                font.setKerning(false);
                font.setHintingPreference(QFont::PreferNoHinting);
                painter.setFont(font);
                painter.setPen(QColor(0, 0, 0));
                // The layout gives the text's top-left corner; the painter writes at the baseline.
                const qreal ascent = QFontMetricsF(font, painter.device()).ascent();
                const QPointF baseline(item.rect.left(), item.rect.top() + ascent);
                if (!item.bold) {
                    painter.drawText(baseline, item.text);
                    break;
                }
                // The mincho has no bold face, so Qt thickens its glyphs itself; a scaled painter
                // on the screen draws bare outlines and would lose that. Bold text is written in
                // the caller's own units, at the same place and size.
                QFont unscaled = font;
                unscaled.setPixelSize(std::max(1, qRound(font.pixelSize() * scaleY)));
                painter.save();
                painter.setWorldTransform(outer);
                painter.setFont(unscaled);
                painter.drawText(page.map(baseline), item.text);
                painter.restore();
                break;
            }
            case ChohyoItem::Kind::Picture: {
                QByteArray bytes;
                if (photo != nullptr) {
                    bytes = *photo;
                } else if (!item.text.isEmpty()) {
                    QFile file(item.text);
                    if (file.open(QIODevice::ReadOnly)) {
                        bytes = file.readAll();
                    }
                }
                const QRectF frame(item.rect);
                const DecodedPhoto picture =
                    DecodePhoto(bytes, PhotoPixels(painter, frame, PhotoDpi(mode)));
                if (picture.image.isNull()) {
                    // Read when it was picked, unreadable now (the scratch file damaged, say): the
                    // page is still printed, and says so in the frame.
                    QFont font(ChohyoFontFamily());
                    font.setPixelSize(10 * kTwipsPerPoint);
                    painter.setFont(font);
                    painter.setPen(QColor(0, 0, 0));
                    painter.drawText(frame, Qt::AlignCenter, NoPhotoText());
                    break;
                }
                // In its own proportions, centred in the frame, never stretched to it.
                painter.drawImage(FitCentred(QSizeF(picture.fullSize), frame), picture.image);
                break;
            }
            case ChohyoItem::Kind::Frame:
                painter.setPen(framePen);
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(QRectF(item.rect));
                break;
        }
    }
    painter.restore();
}

}  // namespace ie
