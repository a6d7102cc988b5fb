#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

#include <optional>
#include <vector>

namespace ie {

struct BukkenJoho;
namespace db {
class Connection;
}

// The photo a save stores for the record: nullopt when it has none; otherwise the scratch file
// (PicTempFile), which holds the bytes of the picked file as they were read and checked when it was
// picked. Throws AppError when it cannot be read or is empty, so that a save never replaces a
// stored photo with nothing.
std::optional<QByteArray> PhotoToSave(const BukkenJoho& rec);

// Replaces the scratch photo file by exactly these bytes: written beside it and renamed over it,
// so a failure leaves the old content in place. Throws AppError.
void WriteScratchPhoto(const QString& path, const QByteArray& bytes);

// Reads saved property id into rec: its stored fields, and its photo into the scratch file
// PicTempFile. Returns false, rec untouched, when no row has that ID. A failure throws AppError and
// leaves rec whole.
bool LoadBukken(db::Connection& con, qint32 id, BukkenJoho& rec, const QDate& today);

// Deletes these saved properties in one transaction: all of them, or none.
void DeleteBukken(db::Connection& con, const std::vector<qint32>& ids);

// "選択した物件データ（物件ID n）が見つかりません。一覧から削除された可能性があります。"
QString RowGoneText(qint32 id);

}  // namespace ie
