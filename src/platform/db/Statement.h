#pragma once

#include "platform/db/Value.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace ie::db {

class Connection;

// One prepared statement. Every value reaches SQLite through a bound parameter, and every bind and
// step is checked: a value SQLite refuses (a photo too large, say) throws DbError instead of being
// stored as Null. The statement is finalised by the destructor, so no way out leaves it open.
class Statement {
public:
    // Prepares sql on an open connection; throws DbError.
    Statement(Connection& con, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Parameters are numbered from 1. Currency binds its ten-thousandths, a date its ISO text
    // "yyyy-MM-dd", Null binds Null.
    Statement& bind(int index, const Value& value);
    // A photo: nullopt binds Null, otherwise exactly these bytes (an empty array is a zero-length
    // blob, not Null).
    Statement& bindBlob(int index, const std::optional<QByteArray>& bytes);

    // The same for the bulk writes of many rows, without a Value in between: an integer, Null,
    // and a text (an empty one bound as Null).
    Statement& bindInt64(int index, qint64 value);
    Statement& bindNull(int index);
    Statement& bindTextOrNull(int index, const QString& text);

    // Runs to the next row: true while there is one, false when done. Throws DbError.
    bool step();
    // Runs a statement that returns no rows. Throws DbError.
    void run();
    // Back to the start, the bindings kept, ready to run again.
    void reset();

    // Reading the current row. Column numbers start at 0.
    int columnCount() const;
    Value value(int col, FieldType type) const;
    bool isNull(int col) const;
    // A column read as it is stored: an integer (0 for Null), a text (empty for Null).
    qint64 int64(int col) const;
    QString text(int col) const;
    bool isBlob(int col) const;      // bytes, whatever the column's declared type
    qint64 blobSize(int col) const;  // 0 for Null
    QByteArray blob(int col) const;

private:
    void check(int rc) const;
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// Whether the database holds a table of any of these names.
bool HasAnyTable(Connection& con, const QStringList& tables);

}  // namespace ie::db
