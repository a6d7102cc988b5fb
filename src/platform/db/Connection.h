#pragma once

#include "platform/db/DbError.h"

#include <QElapsedTimer>
#include <QString>

#include <functional>

struct sqlite3;

namespace ie::db {

// A connection to one SQLite database file, opened from a connection string whose path follows
// "Data Source=" (a string without it is taken as the path itself). Never creates a file unless
// told to (setCreate): a
// missing file, an empty path, a file that is not a database (an Access file, random bytes, an
// empty file) or a locked one makes open() throw DbError, and nothing is ever written into a file
// that failed to open. A file that may only be read opens, and its first write fails instead; a
// connection set read-only never writes at all. Writes are durable once they return (rollback
// journal, synchronous FULL).
class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void setConnectionString(const QString& connectionString);
    const QString& connectionString() const { return connectionString_; }
    // The path taken from the connection string.
    QString path() const;
    // Read-only connections open the file with SQLite's read-only flag. Takes effect at open().
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool readOnly() const { return readOnly_; }
    // Immutable connections open read-only with SQLite's "immutable" flag: the file is taken never
    // to change, so SQLite takes no locks and makes no journal beside it (a file installed under
    // a read-only prefix). Takes effect at open().
    void setImmutable(bool immutable) { immutable_ = immutable; }
    bool immutable() const { return immutable_; }

    // While another connection holds the file's lock, a statement waits for it: up to
    // busyLimitMs, calling waiting() every few milliseconds once it has waited noticeAfterMs (the
    // window shows a note and keeps painting), then fails as busy.
    struct BusyWait {
        int noticeAfterMs = 2000;
        int busyLimitMs = 30000;
        // elapsed: milliseconds waited so far in this wait.
        std::function<void(qint64 elapsed)> waiting;
    };
    void setBusyWait(BusyWait wait) { busy_ = std::move(wait); }
    // A creating connection makes the file when it is missing (only a new user database is made
    // so). Takes effect at open().
    void setCreate(bool create) { create_ = create; }

    void open();            // throws DbError; opening an open connection is an error as well
    void close() noexcept;  // closing a closed connection does nothing
    bool isOpen() const { return db_ != nullptr; }

    // Runs statements that return no rows and take no values (DDL, PRAGMA, transaction control).
    // Throws DbError.
    void execute(const QString& sql);
    // The rows the last INSERT, UPDATE or DELETE changed.
    int changes() const;
    // Whether the open file may be written (false for a file SQLite opened read-only, whatever
    // was asked).
    bool isWritable() const;

    sqlite3* handle() const { return db_; }

private:
    QString connectionString_;
    bool readOnly_ = false;
    bool immutable_ = false;
    bool create_ = false;
    sqlite3* db_ = nullptr;
    BusyWait busy_;
    QElapsedTimer busyClock_;
    static int onBusy(void* self, int count);
};

// BEGIN IMMEDIATE on construction; rolls back unless committed, so that a save or a batch delete
// either happens whole or not at all. Ask the user every question before one is opened: it holds
// the database's write lock.
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

// A read of many statements as one: BEGIN (deferred, taking no write lock) on construction, its end
// on destruction. Outside one, every statement takes and drops the file's shared lock and looks
// for a journal again.
class ReadTransaction {
public:
    explicit ReadTransaction(Connection& con);
    ~ReadTransaction();
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    Connection& con_;
};

}  // namespace ie::db
