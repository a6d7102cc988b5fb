#include "platform/db/DbError.h"

#include <sqlite3.h>

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

}  // namespace

DbError SqliteError(int rc, const QString& englishMessage) {
    const int code = rc & 0xff;
    return DbError(code,
                   JapaneseFor(code) + QStringLiteral(" (") + englishMessage + QLatin1Char(')'));
}

DbError SqliteError(sqlite3* db, int rc) {
    const char* msg = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    return SqliteError(rc, QString::fromUtf8(msg));
}

}  // namespace ie::db
