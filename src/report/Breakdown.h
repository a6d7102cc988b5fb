#pragma once

#include "report/ModPrint.h"

#include <QDate>
#include <QString>

#include <vector>

class QPainter;

namespace ie {

// The report's second page, 計算の内訳. Its content is plain text filled in by the caller, which
// can read the reference data; the report only lays it out and draws it.
struct BreakdownLine {
    QString label;  // empty: the value is a line of its own (a formula or a note), indented
    QString value;
};

struct BreakdownSection {
    enum class Column { Left, Right, Bottom };  // Bottom spans the page under both columns
    Column column = Column::Left;
    QString title;
    std::vector<BreakdownLine> lines;
};

struct BreakdownContent {
    QString subtitle;  // under the title: which property the page belongs to
    std::vector<BreakdownSection> sections;
};

// The page: title, subtitle, output date, the sections in their columns (long lines wrapped at the
// column's edge, the line spacing tightened when everything would not fit otherwise), and the
// page frames of page 1.
std::vector<ChohyoItem> BreakdownLayout(const BreakdownContent& content, const QDate& today);

// Draws the page like PrintChohyo draws page 1.
void PrintBreakdown(QPainter& painter, const ChohyoTarget& target, int mode,
                    const BreakdownContent& content, const QDate& today);

}  // namespace ie
