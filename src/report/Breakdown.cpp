#include "report/Breakdown.h"

#include "common/Cp932.h"
#include "common/Formats.h"

#include <algorithm>

namespace ie {

namespace {

constexpr int kPointSize = 10;
// A half-width column of the fixed-pitch mincho at kPointSize, in twips.
constexpr int kColumnTwips = kPointSize * 20 / 2;
constexpr int kTop = 2300;
constexpr int kBottom = 10900;  // just inside the inner frame
constexpr int kLeftX = 900;
constexpr int kRightX = 8300;
constexpr int kRightEdge = 15300;
constexpr int kLabelColumns = 24;  // where values start, in half-width columns after the label
constexpr int kIndentColumns = 2;
constexpr int kLongestSpacing = 280;
constexpr int kSectionGap = 2;  // in tenths of a line

// Splits text into pieces no wider than columns half-width columns (a full-width character counts
// two), never inside a character.
QStringList Wrap(const QString& text, int columns) {
    QStringList pieces;
    QString piece;
    int used = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype step = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString ch = text.mid(i, step);
        const int width = std::max(1, cp932::ByteWidth(ch));
        if (used + width > columns && !piece.isEmpty()) {
            pieces << piece;
            piece.clear();
            used = 0;
        }
        piece += ch;
        used += width;
        i += step;
    }
    if (!piece.isEmpty() || pieces.isEmpty())
        pieces << piece;
    return pieces;
}

// One printed row of a column: where it starts (half-width columns from the column's left edge)
// and what it says; a section's heading row has a little room above it.
struct Row {
    int indent = 0;
    QString text;
    bool heading = false;
};

// A label padded with spaces so that the values of a section line up (the font is fixed-pitch).
QString PaddedLabel(const QString& label) {
    const int width = kLabelColumns - kIndentColumns;
    const int used = cp932::ByteWidth(label);
    return label + QString(std::max(1, width - used), QLatin1Char(' '));
}

void AddRows(std::vector<Row>& rows, const BreakdownSection& s, int columns) {
    rows.push_back(Row{0, QStringLiteral("【") + s.title + QStringLiteral("】"), true});
    for (const BreakdownLine& line : s.lines) {
        if (line.label.isEmpty()) {
            for (const QString& piece : Wrap(line.value, columns - kIndentColumns))
                rows.push_back(Row{kIndentColumns, piece, false});
            continue;
        }
        const QString label = PaddedLabel(line.label);
        const int start = kIndentColumns + cp932::ByteWidth(label);
        const QStringList values = Wrap(line.value, std::max(8, columns - start));
        rows.push_back(Row{kIndentColumns, label + values.front(), false});
        for (qsizetype i = 1; i < values.size(); ++i)
            rows.push_back(Row{start, values[i], false});
    }
}

// The height of rows in tenths of a line: one line each, and a gap before each heading but the
// first.
int Tenths(const std::vector<Row>& rows) {
    int tenths = 0;
    for (std::size_t i = 0; i < rows.size(); ++i)
        tenths += 10 + (rows[i].heading && i > 0 ? kSectionGap : 0);
    return tenths;
}

// Places rows from top down, spacing twips a line.
void Place(std::vector<ChohyoItem>& items, const std::vector<Row>& rows, int x, int top,
           int spacing) {
    int tenths = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].heading && i > 0)
            tenths += kSectionGap;
        items.push_back(TextItem(x + rows[i].indent * kColumnTwips, top + tenths * spacing / 10,
                                 rows[i].text, kPointSize));
        tenths += 10;
    }
}

}  // namespace

std::vector<ChohyoItem> BreakdownLayout(const BreakdownContent& content, const QDate& today) {
    std::vector<ChohyoItem> items;
    items.push_back(TextItem(6800, 700, QStringLiteral("計算の内訳"), 24, true));
    if (!content.subtitle.isEmpty())
        items.push_back(FittedTextItem(kLeftX, 1500, content.subtitle, kPointSize, kRightEdge));
    items.push_back(TextItem(13500, 1900, QStringLiteral("出力日：") + FormatDate(today), 10));

    const int leftColumns = (kRightX - 200 - kLeftX) / kColumnTwips;
    const int rightColumns = (kRightEdge - kRightX) / kColumnTwips;
    const int wideColumns = (kRightEdge - kLeftX) / kColumnTwips;
    std::vector<Row> left;
    std::vector<Row> right;
    std::vector<Row> bottom;
    for (const BreakdownSection& s : content.sections) {
        switch (s.column) {
            case BreakdownSection::Column::Left:
                AddRows(left, s, leftColumns);
                break;
            case BreakdownSection::Column::Right:
                AddRows(right, s, rightColumns);
                break;
            case BreakdownSection::Column::Bottom:
                AddRows(bottom, s, wideColumns);
                break;
        }
    }
    const int columnsTenths = std::max(Tenths(left), Tenths(right));
    const int bottomTenths = bottom.empty() ? 0 : Tenths(bottom) + kSectionGap;
    const int totalTenths = std::max(10, columnsTenths + bottomTenths);
    // Tightened only as far as needed for everything to stay inside the frame.
    const int spacing = std::min(kLongestSpacing, (kBottom - kTop) * 10 / totalTenths);
    Place(items, left, kLeftX, kTop, spacing);
    Place(items, right, kRightX, kTop, spacing);
    Place(items, bottom, kLeftX, kTop + (columnsTenths + kSectionGap) * spacing / 10, spacing);

    items.push_back(RectItem(ChohyoItem::Kind::Frame, 500, 500, 15500, 11000));
    items.push_back(RectItem(ChohyoItem::Kind::Frame, 530, 530, 15470, 10970));
    return items;
}

void PrintBreakdown(QPainter& painter, const ChohyoTarget& target, int mode,
                    const BreakdownContent& content, const QDate& today) {
    DrawChohyoItems(painter, target, mode, BreakdownLayout(content, today));
}

}  // namespace ie
