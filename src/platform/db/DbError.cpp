#include "platform/db/DbError.h"

#include "platform/WriteFailure.h"

#include <sqlite3.h>

#include <cerrno>

namespace ie::db {

namespace {

QString JapaneseFor(int code) {
    switch (code & 0xff) {
        case SQLITE_ERROR:
            return QStringLiteral("SQL の実行に失敗しました。");
        case SQLITE_INTERNAL:
            return QStringLiteral("データベースの内部エラーです。");
        case SQLITE_PERM:
            return QStringLiteral("データベースファイルへのアクセスが拒否されました。");
        case SQLITE_ABORT:
        case SQLITE_INTERRUPT:
            return QStringLiteral("データベースの操作が中断されました。");
        case SQLITE_BUSY:
            return QStringLiteral("データベースはほかのプログラムが使用中です。");
        case SQLITE_LOCKED:
            return QStringLiteral("データベースのテーブルがロックされています。");
        case SQLITE_NOMEM:
            return QStringLiteral("メモリが不足しています。");
        case SQLITE_READONLY:
            return QStringLiteral("データベースファイルに書き込めません（読み取り専用です）。");
        case SQLITE_IOERR:
            return QStringLiteral("データベースファイルの読み書きに失敗しました。");
        case SQLITE_CORRUPT:
            return QStringLiteral("データベースファイルが壊れています。");
        case SQLITE_NOTFOUND:
            return QStringLiteral("対象の行が見つかりません。");
        case SQLITE_FULL:
            return QStringLiteral("ディスクの空き容量が足りません。");
        case SQLITE_CANTOPEN:
            return QStringLiteral("データベースファイルを開けません。");
        case SQLITE_PROTOCOL:
            return QStringLiteral("データベースのロックに失敗しました。");
        case SQLITE_SCHEMA:
            return QStringLiteral("データベースの構造が変更されました。");
        case SQLITE_TOOBIG:
            return QStringLiteral("データが大きすぎます。");
        case SQLITE_CONSTRAINT:
            return QStringLiteral("データの制約に違反しています。");
        case SQLITE_MISMATCH:
            return QStringLiteral("データの型が一致しません。");
        case SQLITE_MISUSE:
            return QStringLiteral("データベースの使い方が正しくありません。");
        case SQLITE_NOLFS:
            return QStringLiteral("大きなファイルを扱えません。");
        case SQLITE_AUTH:
            return QStringLiteral("データベースへのアクセスが許可されていません。");
        case SQLITE_RANGE:
            return QStringLiteral("パラメーターの番号が範囲外です。");
        case SQLITE_NOTADB:
            return QStringLiteral("データベースファイルではありません。");
        default:
            return QStringLiteral("データベースエラーが発生しました。");
    }
}

DbError Make(int rc, const QString& englishMessage, int systemErrno) {
    const int code = rc & 0xff;
    return DbError(code,
                   JapaneseFor(code) + QStringLiteral(" (") + englishMessage + QLatin1Char(')'), rc,
                   englishMessage, systemErrno);
}

}  // namespace

DbError::DbError(int number, QString description, int extendedCode, QString sqliteMessage,
                 int systemErrno)
    : AppError(number, std::move(description)),
      extendedCode_(extendedCode),
      sqliteMessage_(std::move(sqliteMessage)),
      systemErrno_(systemErrno) {}

bool DbError::isWriteFailure() const {
    switch (number() & 0xff) {
        case SQLITE_FULL:
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
        case SQLITE_IOERR:
        case SQLITE_CANTOPEN:  // within a write: the journal beside the file cannot be made
            return true;
        default:
            return false;
    }
}

QString DbError::writeCause() const {
    switch (number() & 0xff) {
        case SQLITE_FULL:
            return WriteCauseOfErrno(ENOSPC);
        case SQLITE_READONLY:
        case SQLITE_PERM:
            return WriteCauseOfErrno(EACCES);
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return WriteCauseOfErrno(EBUSY);
        default:
            break;
    }
    if (systemErrno_ != 0) {
        return WriteCauseOfErrno(systemErrno_);
    }
    QString text = QString::fromUtf8(sqlite3_errstr(number()));
    while (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

DbError SqliteError(int rc, const QString& englishMessage) {
    return Make(rc, englishMessage, 0);
}

DbError SqliteError(sqlite3* db, int rc) {
    if (db == nullptr) {
        return Make(rc, QString::fromUtf8(sqlite3_errstr(rc)), 0);
    }
    // Read now, before a rollback that follows can overwrite them: the error of the main file's
    // last failed call, else the connection's last one.
    int systemErrno = 0;
    sqlite3_file_control(db, "main", SQLITE_FCNTL_LAST_ERRNO, &systemErrno);
    if (systemErrno == 0)
        systemErrno = sqlite3_system_errno(db);
    DbError e = Make(rc, QString::fromUtf8(sqlite3_errmsg(db)), systemErrno);
    e.extendedCode_ = sqlite3_extended_errcode(db);
    return e;
}

}  // namespace ie::db
