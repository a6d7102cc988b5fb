#include "platform/db/Connection.h"

#include "platform/RegularFile.h"
#include "platform/db/SqliteOpen.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <sqlite3.h>

namespace ie::db {

Connection::~Connection() {
    close();
}

void Connection::setConnectionString(const QString& connectionString) {
    connectionString_ = connectionString;
}

QString Connection::path() const {
    static const QLatin1StringView key("Data Source=");
    const qsizetype at = connectionString_.indexOf(key, 0, Qt::CaseInsensitive);
    if (at < 0) {
        return connectionString_.trimmed();
    }
    return connectionString_.mid(at + key.size()).trimmed();
}

void Connection::open() {
    if (db_ != nullptr) {
        throw DbError(kObjectOpen, QStringLiteral("データベースにはすでに接続しています。"));
    }
    const QString file = path();
    if (file.isEmpty()) {
        throw DbError(SQLITE_CANTOPEN, QStringLiteral("データベースファイルが指定されていません。 "
                                                      "(unable to open database file)"));
    }
    // Checked before SQLite sees the path, so that no file is ever created: SQLite would take an
    // empty file for an empty database and write into it later. Only a regular file gets that far;
    // a creating connection may also find none.
    if (!(create_ && !QFileInfo::exists(file))) {
        const RegularFile checked(file);
        if (checked.notRegular()) {
            throw DbError(SQLITE_CANTOPEN, NotRegularFileText(file));
        }
        if (!checked.isOpen()) {
            throw SqliteError(SQLITE_CANTOPEN, QString::fromUtf8(sqlite3_errstr(SQLITE_CANTOPEN)));
        }
        if (checked.size() == 0) {
            throw SqliteError(SQLITE_NOTADB, QString::fromUtf8(sqlite3_errstr(SQLITE_NOTADB)));
        }
    }
    SqliteOpensRegularFilesOnly();

    sqlite3* db = nullptr;
    QByteArray native = QFile::encodeName(file);
    int flags = readOnly_ || immutable_ ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (create_ && !readOnly_ && !immutable_) {
        flags |= SQLITE_OPEN_CREATE;
    }
    if (immutable_) {
        // A URI, so that the flag can be given; every character that means something in a URI
        // is escaped, so that any file name stays the same file.
        native = "file:" + QUrl::toPercentEncoding(QFileInfo(file).absoluteFilePath(), "/") +
                 "?immutable=1";
        flags |= SQLITE_OPEN_URI;
    }
    int rc = sqlite3_open_v2(native.constData(), &db, flags, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_handler(db, &Connection::onBusy, this);
        // Reading the schema proves that the file is a database (and not locked by another
        // program); opening alone reads nothing.
        rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        const DbError error = SqliteError(db, rc);
        sqlite3_close_v2(db);
        throw error;
    }
    db_ = db;
}

int Connection::onBusy(void* self, int count) {
    auto* con = static_cast<Connection*>(self);
    if (count == 0) {
        con->busyClock_.start();
    }
    const qint64 waited = con->busyClock_.elapsed();
    if (waited >= con->busy_.busyLimitMs) {
        return 0;  // SQLite reports the statement as busy
    }
    if (waited >= con->busy_.noticeAfterMs && con->busy_.waiting) {
        con->busy_.waiting(waited);
    }
    sqlite3_sleep(10);
    return 1;
}

void Connection::close() noexcept {
    if (db_ != nullptr) {
        sqlite3_close_v2(db_);  // an open transaction is rolled back
        db_ = nullptr;
    }
}

void Connection::execute(const QString& sql) {
    if (db_ == nullptr) {
        throw DbError(kObjectClosed, QStringLiteral("データベースに接続していません。"));
    }
    // SQLite's message for a failed run is the connection's own, read with the file's error.
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        throw SqliteError(db_, rc);
    }
}

int Connection::changes() const {
    return db_ != nullptr ? sqlite3_changes(db_) : 0;
}

bool Connection::isWritable() const {
    return db_ != nullptr && sqlite3_db_readonly(db_, "main") == 0;
}

Transaction::Transaction(Connection& con) : con_(con) {
    con_.execute(QStringLiteral("BEGIN IMMEDIATE"));
}

Transaction::~Transaction() {
    sqlite3* db = con_.handle();
    if (!done_ && db != nullptr && sqlite3_get_autocommit(db) == 0) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void Transaction::commit() {
    con_.execute(QStringLiteral("COMMIT"));
    done_ = true;
}

ReadTransaction::ReadTransaction(Connection& con) : con_(con) {
    con_.execute(QStringLiteral("BEGIN"));
}

ReadTransaction::~ReadTransaction() {
    // Nothing was written: should the end fail, the read is let go all the same.
    sqlite3* db = con_.handle();
    if (db != nullptr && sqlite3_get_autocommit(db) == 0 &&
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

}  // namespace ie::db
