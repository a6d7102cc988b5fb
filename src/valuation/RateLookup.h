#pragma once

#include <QString>
#include <QStringList>

namespace ie {

struct ModGlobal;

// Reads of the reference database through the shared recordset SysDbRs. The caller must have
// opened SysDbCon. Every read leaves SysDbRs closed, also when it throws. A reference table that
// is missing, empty, lacks a column or holds a Null rate throws AppError (a db::DbError or an
// AppError whose description names the table), never a wrong value.

// The 補正率 of the row whose ランク is rank; the last row's (highest rank's) when no row has it.
double ModGetHosei(ModGlobal& g, qint32 rank, const QString& table);
// The 坪単価 of 構造CD code; no fallback: a missing code throws.
double ModGetKaokuTuboTanka(ModGlobal& g, qint32 code);
// The list-filling read: the texts of column for every row in table order (the cliff table
// 崖地補正率 leaves its first row out). Numbers show in their general form (10, 0.5).
QStringList ReadListItems(ModGlobal& g, const QString& table, const QString& column);

}  // namespace ie
