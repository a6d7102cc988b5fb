#pragma once

#include "common/Currency.h"

#include <QDate>
#include <QRect>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QByteArray;
class QPainter;

namespace ie {

struct BukkenJoho;

// The report's only font; InstallFontSubstitutions() maps it to the fixed-pitch IPA mincho, in
// which a full-width character is exactly two half-width columns wide (AlignRight relies on it).
QString ChohyoFontFamily();  // "ＭＳ 明朝"

// Modes of PrintChohyo: what the page is drawn for.
inline constexpr int kChohyoPreview = 1;
inline constexpr int kChohyoPrinter = 2;  // a printer page or a PDF file

// Pads text on the left with spaces to width half-width columns, the text's width being its length
// in CP932 bytes. A text as wide as width or wider comes back unchanged.
QString AlignRight(int width, const QString& text);

// The asking-to-computed ratio as printed: asking / computed * 100 with "#,##0.00", then "　％",
// padded to 18 columns. Empty when either side is not positive.
QString ChohyoRatioText(Currency asking, Currency computed);

// One thing on the report page, in drawing order. Positions and sizes are twips from the top-left
// corner of the drawing area.
struct ChohyoItem {
    enum class Kind { Text, Picture, Frame };
    Kind kind = Kind::Text;
    // Text: rect.topLeft() is the top-left corner of the text (rect has no size).
    // Picture: the frame the picture is fitted into, in its own proportions and centred.
    // Frame: the outline.
    QRect rect;
    QString text;       // Text: what is written; Picture: the picture file
    int pointSize = 0;  // Text only
    bool bold = false;  // Text only
};

// A text item whose top-left corner is at (x, y), and a rectangle item from (x1, y1) to (x2, y2),
// in twips: the pieces both report pages are laid out from.
ChohyoItem TextItem(int x, int y, const QString& text, int pointSize, bool bold = false);
ChohyoItem RectItem(ChohyoItem::Kind kind, int x1, int y1, int x2, int y2,
                    const QString& text = {});
// A text item that must end by x = right (twips): written smaller, down to 8 pt, when it does not
// fit at pointSize, and then cut with "…". Widths are the CP932 columns of the fixed-pitch font.
ChohyoItem FittedTextItem(int x, int y, const QString& text, int pointSize, int right);

// The notes under the data lines: HouseNotes for the record's house.
QStringList ChohyoHouseNotes(const BukkenJoho& rec);
// What the prices on the page rest on, for the room beside the title: the day they are for
// (価格を調べる日), and with a house its structure (KaokuKozoMei, else its code) and age, counted
// as it was valued.
QStringList ChohyoBasisLines(const BukkenJoho& rec);
// The note written after a calculated price whose inputs changed after it was calculated.
QString StaleResultNote();  // "（入力の変更後に再計算していません）"

// The texts of the seventeen data lines, label and value together, line 0 first.
std::vector<QString> ChohyoLines(const BukkenJoho& rec);

// The whole page for a property: title, output date, the seventeen lines, the photo (when the
// property has one), the photo frame and its caption, the outer and inner page frames. A line too
// long for the room up to the inner frame is written smaller, down to 8 pt, then cut with "…".
std::vector<ChohyoItem> ChohyoLayout(const BukkenJoho& rec, const QDate& today);

// Where the report goes: the drawing area's rectangle in the painter's coordinates, and the size in
// twips that this rectangle stands for (twips are stretched over it, each axis on its own).
struct ChohyoTarget {
    QRectF device;
    QSizeF twips;
};

// Draws the report of rec onto the painter. The caller has begun the page and ends it; with a
// printer it has also made sure one is installed (the no-printer message is the caller's). The
// photo is drawn from photo when given (the property's stored bytes), otherwise from the record's
// scratch file, decoded at the frame's size (at most 300 dpi on paper and in a PDF); a photo that
// cannot be read as a picture leaves "写真データがありません。" in the frame.
void PrintChohyo(QPainter& painter, const ChohyoTarget& target, int mode, const BukkenJoho& rec,
                 const QDate& today, const QByteArray* photo = nullptr);

// Draws laid-out items as PrintChohyo does (the same fonts, frames and photo handling); every page
// of the report goes through it.
void DrawChohyoItems(QPainter& painter, const ChohyoTarget& target, int mode,
                     const std::vector<ChohyoItem>& items, const QByteArray* photo = nullptr);

}  // namespace ie
