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
};

// The connection is closed.
inline constexpr int kObjectClosed = 3704;
// The connection is already open.
inline constexpr int kObjectOpen = 3705;

// The error for SQLite result code rc with SQLite's English message.
DbError SqliteError(int rc, const QString& englishMessage);
// The same with the message SQLite keeps for db (or the code's generic text when db is null).
DbError SqliteError(sqlite3* db, int rc);

}  // namespace ie::db
