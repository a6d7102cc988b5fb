#pragma once

#include "common/AppError.h"
#include "common/Currency.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <variant>
#include <vector>

struct sqlite3;

namespace ie::db {

// A failure of the database layer: a number and a description. A failure of SQLite itself carries
// SQLite's primary result code (14 cannot open, 26 not a database, 8 read-only, 5 busy, 13 disk
// full, 19 constraint, ...) and a Japanese description followed by SQLite's own message in
// parentheses: "データベースファイルを開けません。 (unable to open database file)".
// A misuse of the layer itself carries one of the numbers below.
class DbError : public AppError {
public:
    using AppError::AppError;
};

// The row that an update was to rewrite is no longer in the table (SQLite's "not found" code).
inline constexpr int kRowNotFound = 12;
// No current row: before the first or after the last row, or on a deleted row.
inline constexpr int kNoCurrentRecord = errors::kNoCurrentRecord;
// The query has no column of that name.
inline constexpr int kItemNotFound = 3265;
// The column cannot be written (a computed column).
inline constexpr int kNotUpdatable = 3251;
// The recordset is closed, or the connection it needs is.
inline constexpr int kObjectClosed = 3704;
// The connection or recordset is already open.
inline constexpr int kObjectOpen = 3705;

class Recordset;

// The types the layer converts to and from, chosen by a column's declared type:
// INTEGER -> Integer, REAL/DOUBLE -> Double, CURRENCY -> Currency (stored as INTEGER
// ten-thousandths), DATE -> Date (stored as ISO text "yyyy-MM-dd"), TEXT -> Text, BLOB -> Blob.
enum class FieldType { Integer, Double, Currency, Date, Text, Blob, Other };

// One field value. A stored value that does not fit its declared type (text in a numeric column, an
// unreadable date) keeps its storage form, so that the caller can decide; nothing throws on read.
class Value {
public:
    enum class Kind { Null, Integer, Double, Currency, Date, Text };

    Value() = default;
    static Value integer(qint64 v);
    static Value real(double v);
    static Value currency(Currency v);
    static Value date(const QDate& v);  // an invalid QDate gives Null
    static Value text(const QString& v);

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }

    // Conversions in the way the program reads a column: numbers from any numeric kind, or from a
    // text the number rule accepts; nullopt for Null and for what cannot be read as asked.
    std::optional<double> toDouble() const;
    std::optional<Currency> toCurrency() const;  // nullopt also on overflow
    std::optional<qint32> toInt32() const;       // rounds half to even; nullopt outside 32 bits
    std::optional<qint64> toInt64() const;       // the same for 64 bits
    std::optional<QDate> toDate() const;         // Date, or a text "yyyy-MM-dd" / "yyyy/MM/dd"
    // The layer's plain text form: currency as its shortest decimal with at most four places,
    // doubles as their shortest round-trip text (150, 0.03, 30.25), whole numbers as digits,
    // dates "yyyy/mm/dd", Null as the empty text.
    QString toText() const;

    bool operator==(const Value& other) const;

private:
    Kind kind_ = Kind::Null;
    std::variant<std::monostate, qint64, double, Currency, QDate, QString> v_;
};

// A connection to one SQLite database file, opened from a connection string whose path follows
// "Data Source=" (a string without it is taken as the path itself). Never creates a file: a
// missing file, an empty path, a file that is not a database (an Access file, random bytes, an
// empty file) or a locked one makes open() throw DbError, and nothing is ever written into a file
// that failed to open. A file that may only be read opens, and its first write fails instead.
// Writes are durable once they return (rollback journal, synchronous FULL).
// Closing the connection closes every recordset opened on it.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void setConnectionString(const QString& connectionString);
    const QString& connectionString() const { return connectionString_; }
    // The path taken from the connection string.
    QString path() const;

    // A read-only connection opens with SQLITE_OPEN_READONLY: SQLite never writes the file, and
    // every write fails. Takes effect at the next open().
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool readOnly() const { return readOnly_; }

    void open();   // throws DbError; opening an open connection is an error as well
    void close();  // closing a closed connection does nothing
    bool isOpen() const { return db_ != nullptr; }

    // Runs one statement that returns no rows (DDL, PRAGMA, transaction control). Throws DbError.
    void execute(const QString& sql);
    void beginTransaction();
    void commit();
    void rollback();  // never throws

    sqlite3* handle() const { return db_; }

private:
    friend class Recordset;
    QString connectionString_;
    sqlite3* db_ = nullptr;
    bool readOnly_ = false;
    std::vector<Recordset*> recordsets_;  // open on this connection, closed with it
};

// BEGIN IMMEDIATE on construction; rolls back unless committed, so that a save or a batch delete
// either happens whole or not at all. A recordset's snapshot is not rolled back with the table:
// close it after a failed transaction.
class Transaction {
public:
    explicit Transaction(Connection& con);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Connection& con_;
    bool done_ = false;
};

// A static snapshot of the rows of one query, positioned on one row at a time.
//
// The source is either a bare table name or "SELECT <columns or *> FROM <table> [WHERE ...]",
// where a column may be an expression with "AS name"; a sum of currency columns
// ("敷地評価額 + 家屋評価額 AS 合計価格") is a currency column, Null when a side is Null.
// Rows come in the table's own order (ascending key). Photo (BLOB) columns are never held in the
// snapshot: their size and Null-ness are known, their bytes are read from the table when asked.
// recordCount() alone does not materialise the rows, so counting a large table is cheap. The first
// access to a value reads the rows' keys, and the values are read in blocks of rows as they are
// first needed, so that showing or reading a few rows of a large table stays quick.
//
// Bookmarks are row positions: a freshly opened snapshot's rows have the bookmarks
// 0 .. recordCount() - 1 in row order, and a bookmark keeps naming its row after other rows are
// deleted. Moves behave as ADO's: moveFirst/moveLast on an empty snapshot, moveNext at eof() and
// movePrevious at bof() throw DbError(kNoCurrentRecord); moves skip deleted rows. A move (or
// setBookmark, or addNew) while a row is being edited writes that row first, as update() does.
class Recordset {
public:
    using Bookmark = qint64;

    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    void open(const QString& source, Connection& con);  // throws DbError
    void close();
    bool isOpen() const;

    int recordCount() const;
    bool eof() const;  // past the last row (also on an empty snapshot)
    bool bof() const;  // before the first row
    void moveFirst();
    void moveNext();
    void movePrevious();
    void moveLast();
    Bookmark bookmark() const;            // the current row
    void setBookmark(Bookmark bookmark);  // back to that row

    int fieldCount() const;
    QString fieldName(int index) const;  // as written in the query ("合計価格" for the AS column)
    FieldType fieldType(int index) const;
    int fieldIndex(const QString& name) const;  // -1 when the query has no such column
    // Throws DbError when there is no current row or no such column.
    Value value(const QString& name) const;
    Value value(int index) const;

    // Photo columns of the current row (DbError with the type-mismatch number for another column).
    // value() of a photo column gives Null or its size in bytes.
    bool isBlobNull(const QString& name) const;
    qint64 blobSize(const QString& name) const;  // 0 for Null
    QByteArray readBlob(const QString& name) const;

    // Editing. addNew() starts a new row; setValue()/setBlob() fill it (or change the current row);
    // update() writes it in one INSERT or UPDATE with every value bound, then the snapshot shows
    // the row as stored (a new row is appended and becomes current). setValue() converts to the
    // column's type at once (DbError with the type-mismatch or overflow number when it cannot).
    // A failed update() throws DbError and leaves the table and the snapshot as they were, the
    // changes still pending (cancelUpdate() drops them); an update whose row has meanwhile gone
    // from the table throws DbError(kRowNotFound). deleteCurrent() deletes the current row at
    // once; it stays current, marked deleted, until the next move.
    void addNew();
    void setValue(const QString& name, const Value& value);
    void setBlob(const QString& name, const std::optional<QByteArray>& bytes);  // nullopt = Null
    void update();
    void cancelUpdate();
    void deleteCurrent();

    // Every row as text: each value's toText() (nullExpr for Null), columns joined by
    // columnDelimiter, each row followed by rowDelimiter (so the last row too). Photo columns give
    // the empty text. An empty delimiter means the default one, as in ADO. The position is kept.
    QString getString(const QString& columnDelimiter = QStringLiteral("\t"),
                      const QString& rowDelimiter = QStringLiteral("\r"),
                      const QString& nullExpr = QString()) const;

    // The table the snapshot reads.
    QString tableName() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace ie::db
