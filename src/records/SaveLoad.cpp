#include "records/SaveLoad.h"

#include "common/AppError.h"
#include "platform/Database.h"
#include "platform/WriteFailure.h"
#include "state/BukkenJoho.h"
#include "state/PropertyStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <cerrno>
#include <filesystem>

namespace ie {

namespace {

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QByteArray ReadPhotoFile(const QString& path) {
    if (path.isEmpty()) {
        throw AppError(errors::kFileNotFound, QStringLiteral("写真ファイルが見つかりません。"));
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        throw AppError(errors::kFileNotFound,
                       QStringLiteral("写真ファイル %1 を読み込めません。").arg(Native(path)));
    }
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        throw AppError(errors::kFileIo,
                       QStringLiteral("写真ファイル %1 を読み込めません。").arg(Native(path)));
    }
    if (bytes.isEmpty()) {
        throw AppError(errors::kFileIo,
                       QStringLiteral("写真ファイル %1 が空です。").arg(Native(path)));
    }
    return bytes;
}

}  // namespace

std::optional<QByteArray> PhotoToSave(const BukkenJoho& rec) {
    if (!rec.PicUmu) {
        return std::nullopt;
    }
    // Never the picked file again: it may have changed since its bytes were checked and copied.
    return ReadPhotoFile(rec.PicTempFile);
}

// Not synced: the bytes are safe in the database, and the scratch file does not outlive the
// program.
void WriteScratchPhoto(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty()) {
        throw AppError(errors::kFileIo, QStringLiteral("写真の一時ファイルがありません。"));
    }
    QTemporaryFile tmp(path + QStringLiteral(".XXXXXX"));
    errno = 0;
    if (!tmp.open() || tmp.write(bytes) != bytes.size() || !tmp.flush()) {
        throw AppError(errors::kFileIo, WriteFailedText(path, WriteCauseOf(tmp, errno)));
    }
    const std::filesystem::path from(QFile::encodeName(tmp.fileName()).toStdString());
    tmp.close();
    std::error_code ec;
    std::filesystem::rename(from, std::filesystem::path(QFile::encodeName(path).toStdString()), ec);
    if (ec) {
        throw AppError(errors::kFileIo, WriteFailedText(path, WriteCauseOfErrno(ec.value())));
    }
    tmp.setAutoRemove(false);
}

bool LoadBukken(db::Connection& con, qint32 id, BukkenJoho& rec, const QDate& today) {
    std::optional<StoredProperty> row = PropertyStore(con).load(id, rec, today);
    if (!row) {
        return false;
    }
    // The record is handed over only when the scratch file has been written, so that a failed
    // load leaves the current property whole.
    if (row->photo) {
        WriteScratchPhoto(rec.PicTempFile, *row->photo);
    }
    rec = std::move(row->record);
    return true;
}

void DeleteBukken(db::Connection& con, const std::vector<qint32>& ids) {
    db::Transaction tx(con);
    PropertyStore(con).remove(ids);
    tx.commit();
}

QString RowGoneText(qint32 id) {
    return QStringLiteral(
               "選択した物件データ（物件ID %1）が見つかりません。"
               "一覧から削除された可能性があります。")
        .arg(id);
}

}  // namespace ie
