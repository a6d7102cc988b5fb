#pragma once

#include "common/AppError.h"

#include <QString>

struct sqlite3;

namespace ie::db {

// A failure of the database layer: a number and a description. A failure of SQLite itself carries
// SQLite's primary result code (14 cannot open, 26 not a database, 8 read-only, 5 busy, 13 disk
// full, 18 too big, 19 constraint, ...) and a Japanese description followed by SQLite's own message
// in parentheses: "データベースファイルを開けません。 (unable to open database file)".
// A misuse of the layer itself carries one of the numbers below.
class DbError : public AppError {
public:
    using AppError::AppError;
    // A failure SQLite reported: its extended result code, its own English message, and the
    // operating system's error of the file's last failed call (0 when there was none).
    DbError(int number, QString description, int extendedCode, QString sqliteMessage,
            int systemErrno);

    int extendedCode() const { return extendedCode_; }
    const QString& sqliteMessage() const { return sqliteMessage_; }
    int systemErrno() const { return systemErrno_; }

    // Whether this is a failure of writing the file (disk full, not permitted, held by another
    // program, an I/O error) rather than of the data or the statement.
    bool isWriteFailure() const;
    // Why the file could not be written, in the words of WriteCauseOfErrno: the operating system's
    // error says more than SQLite's "disk I/O error".
    QString writeCause() const;

private:
    friend DbError SqliteError(sqlite3* db, int rc);
    int extendedCode_ = 0;
    QString sqliteMessage_;
    int systemErrno_ = 0;
};

// SQLite's primary result codes the program tells apart.
inline constexpr int kBusy = 5;
inline constexpr int kReadOnly = 8;
inline constexpr int kCorrupt = 11;
inline constexpr int kFull = 13;
inline constexpr int kNotADatabase = 26;

// The connection is closed.
inline constexpr int kObjectClosed = 3704;
// The connection is already open.
inline constexpr int kObjectOpen = 3705;

// The error for SQLite result code rc with SQLite's English message.
DbError SqliteError(int rc, const QString& englishMessage);
// The same with the message SQLite keeps for db (or the code's generic text when db is null).
DbError SqliteError(sqlite3* db, int rc);

}  // namespace ie::db
