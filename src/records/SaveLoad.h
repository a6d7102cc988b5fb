#pragma once

#include <QDate>

namespace ie {

struct BukkenJoho;
namespace db {
class Recordset;
}

// Record to row: fills the current row of rs (a new row after addNew(), or an existing row) from
// the record, photo included (from PicFile when that file exists, otherwise PicTempFile). The
// caller calls rs.update(). Throws AppError when the photo source cannot be read or is empty.
void PutBukkenFields(db::Recordset& rs, const BukkenJoho& rec, qint32 bukkenId);

// Row to record: copies the current row of rs into the record (Null or unreadable values give the
// defaults; a Null 家屋建築年月日 gives today), and rewrites PicTempFile to exactly the row's photo
// bytes when it has one. Throws AppError when the scratch file cannot be written.
void GetBukkenFields(db::Recordset& rs, BukkenJoho& rec, const QDate& today);

}  // namespace ie
