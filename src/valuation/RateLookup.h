#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace ie {

struct ModGlobal;

// Reads of the reference database. The caller must have opened SysDbCon. Tables and columns must
// be among the reference database's own (any other name throws AppError before SQLite sees it).
// A reference table that is missing, empty, lacks a column or holds a Null rate throws AppError
// (a db::DbError or an AppError whose description names the table), never a wrong value.

// The 補正率 of the row whose ランク is rank; the last row's (highest rank's) when no row has it.
double ModGetHosei(ModGlobal& g, qint32 rank, const QString& table);
// The 坪単価 of 構造CD code; no fallback: a missing code throws.
double ModGetKaokuTuboTanka(ModGlobal& g, qint32 code);
// The building cost per tsubo of a structure in a prefecture (都道府県名 as "東京都"), from
// 都道府県別工事費用: the 千円/㎡ of the structure's column (CostColumnOf) × 1000 × 400/121,
// rounded to the yen. nullopt when the prefecture has no row; AppError when the table cannot be
// read.
std::optional<qint64> ModGetPrefectureTuboTanka(ModGlobal& g, const QString& prefecture,
                                                qint32 structureCode);
// The prefectures 都道府県別工事費用 has a row for, in its order (全国平均 left out).
QStringList ReadCostPrefectures(ModGlobal& g);
// One row of a reference list: its key (the table's first column: rank, structure code or
// prefecture ID) and the text shown for it.
struct ReferenceItem {
    qint64 key = 0;
    QString text;
};
// The list-filling read: the key and the text of column for every row in table order (the cliff
// table 崖地補正率 leaves its first row out). Numbers show in their general form (10, 0.5).
std::vector<ReferenceItem> ReadReferenceItems(ModGlobal& g, const QString& table,
                                              const QString& column);
// The same, the texts only.
QStringList ReadListItems(ModGlobal& g, const QString& table, const QString& column);
// One row of データ出典: where a reference table's figures come from.
struct DataSource {
    QString table;   // 表名
    QString source;  // 出典 (names the data's year)
    QString basis;   // 基準
    QString note;    // 注記; empty when none
};
// Every row of データ出典, in table order. A reference database without the table throws AppError.
std::vector<DataSource> ReadDataSources(ModGlobal& g);
// The row of table, or nullopt when データ出典 has none for it.
std::optional<DataSource> SourceOf(const std::vector<DataSource>& sources, const QString& table);

// One row of 家屋構造別坪単価. A value the row lacks (Null, or a column an older reference database
// does not have) is nullopt; whoever uses the value decides whether that is an error.
struct StructureRow {
    qint64 code = 0;  // 構造CD
    QString name;     // 説明
    std::optional<double> tuboTanka;
    std::optional<qint64> usefulLife;  // 耐用年数, years
    std::optional<qint64> yearlyLoss;  // 年減価率, ten-thousandths of the cost a year
};
struct StructureTable {
    // False for a reference database of an older build, whose table has no 耐用年数 and 年減価率.
    bool hasDepreciation = false;
    std::vector<StructureRow> rows;  // table order
};
// Every row of 家屋構造別坪単価. A missing table throws AppError naming it.
StructureTable ReadStructureTable(ModGlobal& g);

// The 時点修正率 of prefecture id in 土地時点修正率; a missing ID or a rate that is not a number
// throws AppError.
double ModGetJitenRitu(ModGlobal& g, qint64 id);

}  // namespace ie
