#include "platform/db/Statement.h"

#include "platform/db/Connection.h"
#include "platform/db/DbError.h"

#include <sqlite3.h>

#include <limits>

namespace ie::db {

namespace {

QByteArray IsoDate(const QDate& date) {
    int y = 0;
    int m = 0;
    int d = 0;
    date.getDate(&y, &m, &d);
    return QByteArray::number(y).rightJustified(4, '0') + '-' +
           QByteArray::number(m).rightJustified(2, '0') + '-' +
           QByteArray::number(d).rightJustified(2, '0');
}

}  // namespace

Statement::Statement(Connection& con, const QString& sql) : db_(con.handle()) {
    if (db_ == nullptr) {
        throw DbError(kObjectClosed, QStringLiteral("データベースに接続していません。"));
    }
    const QByteArray text = sql.toUtf8();
    const int rc =
        sqlite3_prepare_v2(db_, text.constData(), static_cast<int>(text.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        const DbError error = SqliteError(db_, rc);
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw error;
    }
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

void Statement::check(int rc) const {
    if (rc != SQLITE_OK) {
        throw SqliteError(db_, rc);
    }
}

Statement& Statement::bind(int index, const Value& value) {
    switch (value.kind()) {
        case Value::Kind::Null:
            check(sqlite3_bind_null(stmt_, index));
            break;
        case Value::Kind::Integer:
            check(sqlite3_bind_int64(stmt_, index, *value.toInt64()));
            break;
        case Value::Kind::Double:
            check(sqlite3_bind_double(stmt_, index, *value.toDouble()));
            break;
        case Value::Kind::Currency:
            check(sqlite3_bind_int64(stmt_, index, value.toCurrency()->raw()));
            break;
        case Value::Kind::Date: {
            const QByteArray iso = IsoDate(*value.toDate());
            check(sqlite3_bind_text(stmt_, index, iso.constData(), static_cast<int>(iso.size()),
                                    SQLITE_TRANSIENT));
            break;
        }
        case Value::Kind::Text: {
            const QByteArray utf8 = value.toText().toUtf8();
            if (utf8.size() > std::numeric_limits<int>::max()) {
                throw SqliteError(db_, SQLITE_TOOBIG);
            }
            check(sqlite3_bind_text(stmt_, index, utf8.constData(), static_cast<int>(utf8.size()),
                                    SQLITE_TRANSIENT));
            break;
        }
    }
    return *this;
}

Statement& Statement::bindBlob(int index, const std::optional<QByteArray>& bytes) {
    if (!bytes) {
        check(sqlite3_bind_null(stmt_, index));
    } else {
        // The 64-bit bind reports a photo over SQLite's size limit as SQLITE_TOOBIG.
        check(sqlite3_bind_blob64(stmt_, index, bytes->constData(),
                                  static_cast<sqlite3_uint64>(bytes->size()), SQLITE_STATIC));
    }
    return *this;
}

Statement& Statement::bindInt64(int index, qint64 value) {
    check(sqlite3_bind_int64(stmt_, index, value));
    return *this;
}

Statement& Statement::bindNull(int index) {
    check(sqlite3_bind_null(stmt_, index));
    return *this;
}

Statement& Statement::bindTextOrNull(int index, const QString& text) {
    if (text.isEmpty())
        return bindNull(index);
    const QByteArray utf8 = text.toUtf8();
    check(sqlite3_bind_text(stmt_, index, utf8.constData(), static_cast<int>(utf8.size()),
                            SQLITE_TRANSIENT));
    return *this;
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    const DbError error = SqliteError(db_, rc);
    sqlite3_reset(stmt_);
    throw error;
}

void Statement::run() {
    while (step()) {
    }
}

void Statement::reset() {
    sqlite3_reset(stmt_);
}

int Statement::columnCount() const {
    return sqlite3_column_count(stmt_);
}

Value Statement::value(int col, FieldType type) const {
    return ReadColumn(stmt_, col, type);
}

bool Statement::isNull(int col) const {
    return sqlite3_column_type(stmt_, col) == SQLITE_NULL;
}

qint64 Statement::int64(int col) const {
    return sqlite3_column_int64(stmt_, col);
}

QString Statement::text(int col) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, col));
    return p == nullptr ? QString()
                        : QString::fromUtf8(p, sqlite3_column_bytes(stmt_, col));
}

bool Statement::isBlob(int col) const {
    return sqlite3_column_type(stmt_, col) == SQLITE_BLOB;
}

qint64 Statement::blobSize(int col) const {
    return isNull(col) ? 0 : sqlite3_column_bytes(stmt_, col);
}

QByteArray Statement::blob(int col) const {
    const void* p = sqlite3_column_blob(stmt_, col);
    const int n = sqlite3_column_bytes(stmt_, col);
    if (p == nullptr || n <= 0) {
        return QByteArray();
    }
    return QByteArray(static_cast<const char*>(p), n);
}

bool HasAnyTable(Connection& con, const QStringList& tables) {
    const QStringList marks(tables.size(), QStringLiteral("?"));
    Statement st(con, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' "
                                     "AND name IN (") +
                          marks.join(QLatin1Char(',')) + QLatin1Char(')'));
    for (int i = 0; i < tables.size(); ++i) {
        st.bind(i + 1, Value::text(tables[i]));
    }
    st.step();
    return st.value(0, FieldType::Integer).toInt64().value_or(0) > 0;
}

}  // namespace ie::db
