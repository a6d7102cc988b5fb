#include "platform/Database.h"

#include "common/NumberRule.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace ie::db {

namespace {

// ---------------------------------------------------------------------------------------------
// Errors

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

DbError SqliteError(int rc, const QString& englishMessage) {
    const int code = rc & 0xff;
    return DbError(code,
                   JapaneseFor(code) + QStringLiteral(" (") + englishMessage + QLatin1Char(')'));
}

DbError SqliteError(sqlite3* db, int rc) {
    const char* msg = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    return SqliteError(rc, QString::fromUtf8(msg));
}

DbError NoCurrentRecord() {
    return DbError(kNoCurrentRecord, QStringLiteral("現在のレコードがありません。"));
}

DbError DeletedRecord() {
    return DbError(kNoCurrentRecord, QStringLiteral("現在のレコードは削除されています。"));
}

DbError RecordsetClosed() {
    return DbError(kObjectClosed, QStringLiteral("レコードセットが閉じています。"));
}

DbError ConnectionClosed() {
    return DbError(kObjectClosed, QStringLiteral("データベースに接続していません。"));
}

DbError TypeMismatch() {
    return DbError(errors::kTypeMismatch, TypeMismatchDescription());
}

DbError Overflow() {
    return DbError(errors::kOverflow, OverflowDescription());
}

// ---------------------------------------------------------------------------------------------
// Statements

class Statement {
public:
    Statement(sqlite3* db, const QByteArray& sql) : db_(db) {
        const int rc =
            sqlite3_prepare_v2(db, sql.constData(), static_cast<int>(sql.size()), &stmt_, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(stmt_);
            throw SqliteError(db, rc);
        }
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const { return stmt_; }
    // True while there is a row; throws on failure.
    bool step() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) {
            return true;
        }
        if (rc == SQLITE_DONE) {
            return false;
        }
        throw SqliteError(db_, rc);
    }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

QString QuoteIdentifier(const QString& name) {
    QString q = name;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// ---------------------------------------------------------------------------------------------
// Text forms shared by Value::toText and Recordset::getString (UTF-8, appended to a buffer)

void AppendInteger(std::string& out, qint64 v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void AppendDouble(std::string& out, double v) {
    if (v == 0.0) {
        v = 0.0;  // no "-0"
    }
    // The shortest digits that read back as the same double, written out in full (600000, not
    // 6e+05) except for magnitudes no one types, where the exponent form stays readable.
    const double magnitude = std::fabs(v);
    const bool plain = magnitude == 0.0 || (magnitude >= 1e-7 && magnitude < 1e21);
    char buf[64];
    const auto r = plain ? std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed)
                         : std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void AppendCurrency(std::string& out, qint64 raw) {
    const quint64 magnitude = raw < 0 ? 0 - static_cast<quint64>(raw) : static_cast<quint64>(raw);
    if (raw < 0) {
        out.push_back('-');
    }
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, magnitude / 10000);
    out.append(buf, r.ptr);
    unsigned fraction = static_cast<unsigned>(magnitude % 10000);
    if (fraction != 0) {
        char digits[5] = {'.', '0', '0', '0', '0'};
        for (int i = 4; i >= 1; --i) {
            digits[i] = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        int len = 5;
        while (digits[len - 1] == '0') {
            --len;
        }
        out.append(digits, static_cast<size_t>(len));
    }
}

void AppendPadded(std::string& out, int v, int width) {
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    for (auto n = r.ptr - buf; n < width; ++n) {
        out.push_back('0');
    }
    out.append(buf, r.ptr);
}

void AppendDate(std::string& out, qint64 julianDay) {
    int y = 0;
    int m = 0;
    int d = 0;
    QDate::fromJulianDay(julianDay).getDate(&y, &m, &d);
    AppendPadded(out, y, 4);
    out.push_back('/');
    AppendPadded(out, m, 2);
    out.push_back('/');
    AppendPadded(out, d, 2);
}

void AppendIsoDate(std::string& out, const QDate& date) {
    int y = 0;
    int m = 0;
    int d = 0;
    date.getDate(&y, &m, &d);
    AppendPadded(out, y, 4);
    out.push_back('-');
    AppendPadded(out, m, 2);
    out.push_back('-');
    AppendPadded(out, d, 2);
}

// "yyyy-MM-dd" or "yyyy/MM/dd" (month and day of one or two digits), optionally followed by a
// time of day after a space or "T". Returns the Julian day, or nullopt for anything else or a
// date that does not exist.
std::optional<qint64> ParseDateBytes(const char* p, qsizetype n) {
    qsizetype i = 0;
    const auto number = [&](int minDigits, int maxDigits) -> std::optional<int> {
        int v = 0;
        int digits = 0;
        while (i < n && digits < maxDigits && p[i] >= '0' && p[i] <= '9') {
            v = v * 10 + (p[i] - '0');
            ++i;
            ++digits;
        }
        if (digits < minDigits) {
            return std::nullopt;
        }
        return v;
    };
    const std::optional<int> y = number(4, 4);
    if (!y || i >= n || (p[i] != '-' && p[i] != '/')) {
        return std::nullopt;
    }
    const char sep = p[i++];
    const std::optional<int> m = number(1, 2);
    if (!m || i >= n || p[i] != sep) {
        return std::nullopt;
    }
    ++i;
    const std::optional<int> d = number(1, 2);
    if (!d || (i < n && p[i] != ' ' && p[i] != 'T')) {
        return std::nullopt;
    }
    const QDate date(*y, *m, *d);
    if (!date.isValid()) {
        return std::nullopt;
    }
    return date.toJulianDay();
}

// ---------------------------------------------------------------------------------------------
// Declared types

FieldType TypeFromDeclared(const QString& declared) {
    const QString t = declared.toUpper();
    const auto has = [&t](const char* word) { return t.contains(QLatin1String(word)); };
    if (has("CURRENCY") || has("MONEY")) {
        return FieldType::Currency;
    }
    if (has("INT")) {
        return FieldType::Integer;
    }
    if (has("DATE") || t == QLatin1String("TIMESTAMP")) {
        return FieldType::Date;
    }
    if (has("CHAR") || has("CLOB") || has("TEXT") || has("MEMO")) {
        return FieldType::Text;
    }
    if (has("BLOB") || has("BINARY") || has("IMAGE")) {
        return FieldType::Blob;
    }
    if (has("REAL") || has("FLOA") || has("DOUB") || has("NUMERIC") || has("DECIMAL")) {
        return FieldType::Double;
    }
    return FieldType::Other;
}

// ---------------------------------------------------------------------------------------------
// Reading the program's query texts

bool IsOpenQuote(QChar c) {
    return c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[') ||
           c == QLatin1Char('`');
}

QChar CloseQuoteOf(QChar c) {
    return c == QLatin1Char('[') ? QLatin1Char(']') : c;
}

// Calls visit(i) for every position outside quotes and parentheses; stops when it returns true.
template <typename Visit>
qsizetype ScanTopLevel(const QString& s, qsizetype from, Visit visit) {
    int depth = 0;
    for (qsizetype i = from; i < s.size(); ++i) {
        const QChar c = s[i];
        if (IsOpenQuote(c)) {
            const QChar close = CloseQuoteOf(c);
            ++i;
            while (i < s.size() && s[i] != close) {
                ++i;
            }
            continue;
        }
        if (c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char(')')) {
            --depth;
        } else if (depth == 0 && visit(i)) {
            return i;
        }
    }
    return -1;
}

bool KeywordAt(const QString& s, qsizetype i, QLatin1StringView keyword) {
    const qsizetype n = keyword.size();
    if (i + n > s.size() || QStringView(s).mid(i, n).compare(keyword, Qt::CaseInsensitive) != 0) {
        return false;
    }
    const bool before = i == 0 || s[i - 1].isSpace();
    const bool after = i + n == s.size() || s[i + n].isSpace();
    return before && after;
}

qsizetype FindKeyword(const QString& s, QLatin1StringView keyword, qsizetype from = 0) {
    return ScanTopLevel(s, from, [&](qsizetype i) { return KeywordAt(s, i, keyword); });
}

qsizetype FindLastKeyword(const QString& s, QLatin1StringView keyword) {
    qsizetype last = -1;
    ScanTopLevel(s, 0, [&](qsizetype i) {
        if (KeywordAt(s, i, keyword)) {
            last = i;
        }
        return false;
    });
    return last;
}

QStringList SplitTopLevel(const QString& s, QChar separator) {
    QStringList parts;
    qsizetype start = 0;
    ScanTopLevel(s, 0, [&](qsizetype i) {
        if (s[i] == separator) {
            parts << s.mid(start, i - start);
            start = i + 1;
        }
        return false;
    });
    parts << s.mid(start);
    return parts;
}

// Names match without regard to case or character width (full-width digits and letters).
bool SameName(const QString& a, const QString& b) {
    if (a.compare(b, Qt::CaseInsensitive) == 0) {
        return true;
    }
    return a.normalized(QString::NormalizationForm_KC)
               .compare(b.normalized(QString::NormalizationForm_KC), Qt::CaseInsensitive) == 0;
}

QString Unquote(const QString& identifier) {
    const QString t = identifier.trimmed();
    if (t.size() >= 2 && IsOpenQuote(t.front()) && t.back() == CloseQuoteOf(t.front())) {
        return t.mid(1, t.size() - 2);
    }
    return t;
}

// ---------------------------------------------------------------------------------------------
// Snapshot cells

enum class CellKind : quint8 { Null, Integer, Double, Currency, Date, Text, BlobSize };

// One value as read from a statement or from the snapshot; text points into memory owned by the
// statement or by the snapshot's text store.
struct CellView {
    CellKind kind = CellKind::Null;
    quint64 bits = 0;
    const char* text = nullptr;
    qsizetype len = 0;
};

CellView DecodeColumn(sqlite3_stmt* st, int col, FieldType type) {
    CellView c;
    switch (sqlite3_column_type(st, col)) {
        case SQLITE_NULL:
            return c;
        case SQLITE_INTEGER: {
            const qint64 v = sqlite3_column_int64(st, col);
            c.bits = static_cast<quint64>(v);
            switch (type) {
                case FieldType::Currency:
                    c.kind = CellKind::Currency;
                    break;
                case FieldType::Double:
                    c.kind = CellKind::Double;
                    c.bits = std::bit_cast<quint64>(static_cast<double>(v));
                    break;
                case FieldType::Blob:
                    c.kind = CellKind::BlobSize;  // the snapshot selects length(photo)
                    break;
                default:
                    c.kind = CellKind::Integer;
                    break;
            }
            return c;
        }
        case SQLITE_FLOAT:
            c.kind = CellKind::Double;
            c.bits = std::bit_cast<quint64>(sqlite3_column_double(st, col));
            return c;
        default: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
            const qsizetype n = sqlite3_column_bytes(st, col);
            if (type == FieldType::Date && p != nullptr) {
                if (const std::optional<qint64> jd = ParseDateBytes(p, n)) {
                    c.kind = CellKind::Date;
                    c.bits = static_cast<quint64>(*jd);
                    return c;
                }
            }
            c.kind = CellKind::Text;
            c.text = p != nullptr ? p : "";
            c.len = n;
            return c;
        }
    }
}

void AppendCellText(std::string& out, const CellView& c, const std::string& nullText) {
    switch (c.kind) {
        case CellKind::Null:
            out += nullText;
            break;
        case CellKind::Integer:
            AppendInteger(out, static_cast<qint64>(c.bits));
            break;
        case CellKind::Double:
            AppendDouble(out, std::bit_cast<double>(c.bits));
            break;
        case CellKind::Currency:
            AppendCurrency(out, static_cast<qint64>(c.bits));
            break;
        case CellKind::Date:
            AppendDate(out, static_cast<qint64>(c.bits));
            break;
        case CellKind::Text:
            out.append(c.text, static_cast<size_t>(c.len));
            break;
        case CellKind::BlobSize:
            break;
    }
}

Value CellToValue(const CellView& c) {
    switch (c.kind) {
        case CellKind::Null:
            return {};
        case CellKind::Integer:
        case CellKind::BlobSize:
            return Value::integer(static_cast<qint64>(c.bits));
        case CellKind::Double:
            return Value::real(std::bit_cast<double>(c.bits));
        case CellKind::Currency:
            return Value::currency(Currency::fromRaw(static_cast<qint64>(c.bits)));
        case CellKind::Date:
            return Value::date(QDate::fromJulianDay(static_cast<qint64>(c.bits)));
        case CellKind::Text:
            return Value::text(QString::fromUtf8(c.text, c.len));
    }
    return {};
}

// Rounds half to even to a whole number; nullopt outside 64 bits.
std::optional<qint64> RoundToInt64(double v) {
    if (!std::isfinite(v)) {
        return std::nullopt;
    }
    const double lower = std::floor(v);
    const double diff = v - lower;
    double r = lower;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(lower, 2.0) != 0.0)) {
        r = lower + 1.0;
    }
    if (r < -9223372036854775808.0 || r >= 9223372036854775808.0) {
        return std::nullopt;
    }
    return static_cast<qint64>(r);
}

}  // namespace

// =============================================================================================
// Value

Value Value::integer(qint64 v) {
    Value r;
    r.kind_ = Kind::Integer;
    r.v_ = v;
    return r;
}

Value Value::real(double v) {
    Value r;
    r.kind_ = Kind::Double;
    r.v_ = v;
    return r;
}

Value Value::currency(Currency v) {
    Value r;
    r.kind_ = Kind::Currency;
    r.v_ = v;
    return r;
}

Value Value::date(const QDate& v) {
    Value r;
    if (v.isValid()) {
        r.kind_ = Kind::Date;
        r.v_ = v;
    }
    return r;
}

Value Value::text(const QString& v) {
    Value r;
    r.kind_ = Kind::Text;
    r.v_ = v;
    return r;
}

std::optional<double> Value::toDouble() const {
    switch (kind_) {
        case Kind::Integer:
            return static_cast<double>(std::get<qint64>(v_));
        case Kind::Double:
            return std::get<double>(v_);
        case Kind::Currency:
            return static_cast<double>(std::get<Currency>(v_).raw()) /
                   static_cast<double>(Currency::kScale);
        case Kind::Text:
            return ParseNumber(std::get<QString>(v_));
        case Kind::Null:
        case Kind::Date:
            break;
    }
    return std::nullopt;
}

std::optional<Currency> Value::toCurrency() const {
    switch (kind_) {
        case Kind::Integer: {
            const qint64 v = std::get<qint64>(v_);
            constexpr qint64 limit = std::numeric_limits<qint64>::max() / Currency::kScale;
            if (v > limit || v < -limit) {
                return std::nullopt;
            }
            return Currency::fromRaw(v * Currency::kScale);
        }
        case Kind::Currency:
            return std::get<Currency>(v_);
        case Kind::Double:
        case Kind::Text:
            if (const std::optional<double> d = toDouble()) {
                return Currency::tryFromDouble(*d);
            }
            break;
        case Kind::Null:
        case Kind::Date:
            break;
    }
    return std::nullopt;
}

std::optional<qint32> Value::toInt32() const {
    const std::optional<qint64> whole = toInt64();
    if (!whole || *whole < std::numeric_limits<qint32>::min() ||
        *whole > std::numeric_limits<qint32>::max()) {
        return std::nullopt;
    }
    return static_cast<qint32>(*whole);
}

std::optional<qint64> Value::toInt64() const {
    std::optional<qint64> whole;
    switch (kind_) {
        case Kind::Integer:
            whole = std::get<qint64>(v_);
            break;
        case Kind::Currency: {
            const qint64 raw = std::get<Currency>(v_).raw();
            qint64 q = raw / Currency::kScale;
            const qint64 rem = raw % Currency::kScale;  // same sign as raw
            const qint64 twice = 2 * (rem < 0 ? -rem : rem);
            if (twice > Currency::kScale || (twice == Currency::kScale && q % 2 != 0)) {
                q += raw < 0 ? -1 : 1;
            }
            whole = q;
            break;
        }
        case Kind::Double:
        case Kind::Text:
            if (const std::optional<double> d = toDouble()) {
                whole = RoundToInt64(*d);
            }
            break;
        case Kind::Null:
        case Kind::Date:
            break;
    }
    return whole;
}

std::optional<QDate> Value::toDate() const {
    if (kind_ == Kind::Date) {
        return std::get<QDate>(v_);
    }
    if (kind_ == Kind::Text) {
        const QByteArray bytes = std::get<QString>(v_).trimmed().toUtf8();
        if (const std::optional<qint64> jd = ParseDateBytes(bytes.constData(), bytes.size())) {
            return QDate::fromJulianDay(*jd);
        }
    }
    return std::nullopt;
}

QString Value::toText() const {
    std::string out;
    switch (kind_) {
        case Kind::Null:
            return QString();
        case Kind::Text:
            return std::get<QString>(v_);
        case Kind::Integer:
            AppendInteger(out, std::get<qint64>(v_));
            break;
        case Kind::Double:
            AppendDouble(out, std::get<double>(v_));
            break;
        case Kind::Currency:
            AppendCurrency(out, std::get<Currency>(v_).raw());
            break;
        case Kind::Date:
            AppendDate(out, std::get<QDate>(v_).toJulianDay());
            break;
    }
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

bool Value::operator==(const Value& other) const {
    return kind_ == other.kind_ && v_ == other.v_;
}

// =============================================================================================
// Connection

Connection::Connection() = default;

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
    // empty file for an empty database and write into it later.
    const QFileInfo info(file);
    if (!info.exists() || info.isDir()) {
        throw SqliteError(SQLITE_CANTOPEN, QString::fromUtf8(sqlite3_errstr(SQLITE_CANTOPEN)));
    }
    if (info.size() == 0) {
        throw SqliteError(SQLITE_NOTADB, QString::fromUtf8(sqlite3_errstr(SQLITE_NOTADB)));
    }

    sqlite3* db = nullptr;
    const QByteArray native = QFile::encodeName(file);
    int rc = sqlite3_open_v2(native.constData(), &db,
                             readOnly_ ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(db, 2000);
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

void Connection::close() {
    const std::vector<Recordset*> open = recordsets_;
    for (Recordset* rs : open) {
        rs->close();
    }
    recordsets_.clear();
    if (db_ != nullptr) {
        sqlite3_close_v2(db_);  // an open transaction is rolled back
        db_ = nullptr;
    }
}

void Connection::execute(const QString& sql) {
    if (db_ == nullptr) {
        throw ConnectionClosed();
    }
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const QString english =
            QString::fromUtf8(message != nullptr ? message : sqlite3_errmsg(db_));
        sqlite3_free(message);
        throw SqliteError(rc, english);
    }
}

void Connection::beginTransaction() {
    execute(QStringLiteral("BEGIN IMMEDIATE"));
}

void Connection::commit() {
    execute(QStringLiteral("COMMIT"));
}

void Connection::rollback() {
    if (db_ != nullptr && sqlite3_get_autocommit(db_) == 0) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

// =============================================================================================
// Transaction

Transaction::Transaction(Connection& con) : con_(con) {
    con_.beginTransaction();
}

Transaction::~Transaction() {
    if (!done_) {
        con_.rollback();
    }
}

void Transaction::commit() {
    con_.commit();
    done_ = true;
}

// =============================================================================================
// Recordset

namespace {

struct Field {
    QString name;    // as the query names it
    QString select;  // what the snapshot query selects for it
    QString column;  // the table column edits write; empty for a computed column
    FieldType type = FieldType::Other;
};

struct Pending {
    int field = 0;
    Value value;                     // already in the column's type
    std::optional<QByteArray> blob;  // photo columns
};

}  // namespace

struct Recordset::Impl {
    // Values are read in blocks of this many rows, when a row of the block is first needed.
    static constexpr qint64 kBlockRows = 256;

    Connection* con = nullptr;
    QString table;
    std::vector<Field> fields;
    QByteArray selectSql;   // rowid, then the fields, in row order
    QByteArray keySql;      // the rowids of the same rows, in the same order
    QByteArray rangeSql;    // rowid and fields of the rows whose rowid lies between ?1 and ?2
    QByteArray rowSql;      // rowid and fields of one row
    bool ownOrder = false;  // the source orders its rows itself: read them all at once

    // Before the first access to a value only the number of rows is known. Then the rowids are
    // read (cheap: no values), and the values of each block of rows when it is first needed.
    bool keyed = false;
    bool modified = false;  // a row was written or deleted through this snapshot
    qint64 rows = 0;        // including deleted ones and rows added through the snapshot
    qint64 queried = 0;     // rows that came from the query (the first ones)
    qint64 deleted = 0;
    std::vector<quint8> kinds;  // rows x fields
    std::vector<quint64> bits;  // rows x fields
    std::vector<qint64> rowids;
    std::vector<quint8> isDeleted;
    std::vector<quint8> blockLoaded;
    std::string texts;  // the snapshot's text values, UTF-8
    sqlite3_stmt* rangeStmt = nullptr;

    qint64 pos = 0;  // -1 before the first row, rows after the last

    enum class Mode { None, Edit, Add };
    Mode mode = Mode::None;
    qint64 posBeforeAdd = 0;
    std::vector<Pending> pending;

    Impl() = default;
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    ~Impl() { sqlite3_finalize(rangeStmt); }

    sqlite3* db() const {
        if (con == nullptr || con->handle() == nullptr) {
            throw ConnectionClosed();
        }
        return con->handle();
    }

    int fieldCount() const { return static_cast<int>(fields.size()); }
    qint64 live() const { return rows - deleted; }
    bool rowDeleted(qint64 r) const { return keyed && isDeleted[static_cast<size_t>(r)] != 0; }

    CellView cell(qint64 row, int f) const {
        const size_t i = static_cast<size_t>(row) * fields.size() + static_cast<size_t>(f);
        CellView c;
        c.kind = static_cast<CellKind>(kinds[i]);
        c.bits = bits[i];
        if (c.kind == CellKind::Text) {
            c.text = texts.data() + (c.bits >> 32);
            c.len = static_cast<qsizetype>(c.bits & 0xffffffffu);
        }
        return c;
    }

    void storeCell(size_t i, const CellView& c) {
        kinds[i] = static_cast<quint8>(c.kind);
        if (c.kind == CellKind::Text) {
            const size_t offset = texts.size();
            if (offset + static_cast<size_t>(c.len) > 0xffffffffu) {
                throw SqliteError(SQLITE_TOOBIG, QStringLiteral("snapshot text too large"));
            }
            texts.append(c.text, static_cast<size_t>(c.len));
            bits[i] = (static_cast<quint64>(offset) << 32) | static_cast<quint64>(c.len);
        } else {
            bits[i] = c.bits;
        }
    }

    // Stores the statement's current row (rowid first) as row r of the snapshot.
    void storeRow(size_t r, sqlite3_stmt* st) {
        rowids[r] = sqlite3_column_int64(st, 0);
        const size_t base = r * fields.size();
        for (size_t f = 0; f < fields.size(); ++f) {
            storeCell(base + f, DecodeColumn(st, static_cast<int>(f) + 1, fields[f].type));
        }
    }

    size_t appendRow() {
        const size_t r = static_cast<size_t>(rows);
        kinds.resize(kinds.size() + fields.size(), static_cast<quint8>(CellKind::Null));
        bits.resize(bits.size() + fields.size(), 0);
        rowids.push_back(0);
        isDeleted.push_back(0);
        ++rows;
        return r;
    }

    void ensureKeys() {
        if (keyed) {
            return;
        }
        const size_t expected = static_cast<size_t>(std::max<qint64>(rows, 0));
        std::vector<qint64> ids;
        ids.reserve(expected);
        if (ownOrder) {
            // No rowid order to read blocks by: every row is read now.
            Statement st(db(), selectSql);
            kinds.reserve(expected * fields.size());
            bits.reserve(expected * fields.size());
            rows = 0;
            while (st.step()) {
                storeRow(appendRow(), st.get());
            }
            blockLoaded.assign(static_cast<size_t>((rows + kBlockRows - 1) / kBlockRows), 1);
        } else {
            Statement st(db(), keySql);
            while (st.step()) {
                ids.push_back(sqlite3_column_int64(st.get(), 0));
            }
            rows = static_cast<qint64>(ids.size());
            rowids = std::move(ids);
            kinds.assign(rowids.size() * fields.size(), static_cast<quint8>(CellKind::Null));
            bits.assign(rowids.size() * fields.size(), 0);
            isDeleted.assign(rowids.size(), 0);
            blockLoaded.assign(static_cast<size_t>((rows + kBlockRows - 1) / kBlockRows), 0);
        }
        queried = rows;
        deleted = 0;
        keyed = true;
        // The table may have changed since the count; keep the position inside the rows.
        if (pos > rows) {
            pos = rows;
        }
    }

    void loadBlock(qint64 block) {
        const qint64 first = block * kBlockRows;
        const qint64 last = std::min(first + kBlockRows, queried) - 1;
        if (rangeStmt == nullptr) {
            const int rc = sqlite3_prepare_v2(
                db(), rangeSql.constData(), static_cast<int>(rangeSql.size()), &rangeStmt, nullptr);
            if (rc != SQLITE_OK) {
                throw SqliteError(db(), rc);
            }
        }
        sqlite3_reset(rangeStmt);
        sqlite3_bind_int64(rangeStmt, 1, rowids[static_cast<size_t>(first)]);
        sqlite3_bind_int64(rangeStmt, 2, rowids[static_cast<size_t>(last)]);
        qint64 r = first;
        for (;;) {
            const int rc = sqlite3_step(rangeStmt);
            if (rc == SQLITE_DONE) {
                break;
            }
            if (rc != SQLITE_ROW) {
                sqlite3_reset(rangeStmt);
                throw SqliteError(db(), rc);
            }
            // Rows of the range that the query's condition left out are skipped.
            const qint64 id = sqlite3_column_int64(rangeStmt, 0);
            while (r <= last && rowids[static_cast<size_t>(r)] < id) {
                ++r;
            }
            if (r <= last && rowids[static_cast<size_t>(r)] == id) {
                storeRow(static_cast<size_t>(r), rangeStmt);
                ++r;
            }
        }
        sqlite3_reset(rangeStmt);
        blockLoaded[static_cast<size_t>(block)] = 1;
    }

    // Makes the values of row r available.
    void ensureRow(qint64 r) {
        ensureKeys();
        if (r < queried && blockLoaded[static_cast<size_t>(r / kBlockRows)] == 0) {
            loadBlock(r / kBlockRows);
        }
    }

    void ensureAllRows() {
        ensureKeys();
        for (qint64 b = 0; b * kBlockRows < queried; ++b) {
            if (blockLoaded[static_cast<size_t>(b)] == 0) {
                loadBlock(b);
            }
        }
    }

    void requireCurrentRow() {
        if (mode == Mode::Add) {
            return;
        }
        if (live() <= 0 || pos < 0 || pos >= rows) {
            throw NoCurrentRecord();
        }
        ensureKeys();
        if (pos >= rows) {
            throw NoCurrentRecord();
        }
        if (rowDeleted(pos)) {
            throw DeletedRecord();
        }
        ensureRow(pos);
    }

    int requireField(const QString& name) const {
        for (int i = 0; i < fieldCount(); ++i) {
            if (fields[static_cast<size_t>(i)].name == name) {
                return i;
            }
        }
        for (int i = 0; i < fieldCount(); ++i) {
            if (SameName(fields[static_cast<size_t>(i)].name, name)) {
                return i;
            }
        }
        throw DbError(kItemNotFound, QStringLiteral("要求された名前の項目が見つかりません。 (") +
                                         name + QLatin1Char(')'));
    }

    void requireIndex(int index) const {
        if (index < 0 || index >= fieldCount()) {
            throw DbError(kItemNotFound,
                          QStringLiteral("要求された番号の項目が見つかりません。 (") +
                              QString::number(index) + QLatin1Char(')'));
        }
    }

    const Pending* pendingFor(int f) const {
        for (const Pending& p : pending) {
            if (p.field == f) {
                return &p;
            }
        }
        return nullptr;
    }

    Pending& pendingSlot(int f) {
        for (Pending& p : pending) {
            if (p.field == f) {
                return p;
            }
        }
        pending.push_back(Pending{f, Value(), std::nullopt});
        return pending.back();
    }

    void beginEdit() {
        if (mode == Mode::None) {
            requireCurrentRow();
            mode = Mode::Edit;
            pending.clear();
        }
    }

    qint64 nextLive(qint64 from) const {
        qint64 r = from;
        while (r < rows && rowDeleted(r)) {
            ++r;
        }
        return r;
    }

    qint64 previousLive(qint64 from) const {
        qint64 r = from;
        while (r >= 0 && rowDeleted(r)) {
            --r;
        }
        return r;
    }
};

namespace {

// Converts a value to the form its column stores; throws when it cannot.
Value ToColumnType(const Value& v, FieldType type) {
    if (v.isNull()) {
        return v;
    }
    switch (type) {
        case FieldType::Integer: {
            if (v.kind() == Value::Kind::Integer) {
                return v;
            }
            if (v.kind() == Value::Kind::Currency) {
                const qint64 raw = v.toCurrency()->raw();
                if (raw % Currency::kScale == 0) {
                    return Value::integer(raw / Currency::kScale);
                }
            }
            const std::optional<double> d = v.toDouble();
            if (!d) {
                throw TypeMismatch();
            }
            const std::optional<qint64> whole = RoundToInt64(*d);
            if (!whole) {
                throw Overflow();
            }
            return Value::integer(*whole);
        }
        case FieldType::Double: {
            const std::optional<double> d = v.toDouble();
            if (!d) {
                throw TypeMismatch();
            }
            return Value::real(*d);
        }
        case FieldType::Currency: {
            if (!v.toDouble()) {
                throw TypeMismatch();
            }
            const std::optional<Currency> c = v.toCurrency();
            if (!c) {
                throw Overflow();
            }
            return Value::currency(*c);
        }
        case FieldType::Date: {
            const std::optional<QDate> d = v.toDate();
            if (!d) {
                throw TypeMismatch();
            }
            return Value::date(*d);
        }
        case FieldType::Text:
            return Value::text(v.toText());
        case FieldType::Blob:
            throw TypeMismatch();
        case FieldType::Other:
            break;
    }
    return v;
}

// Binds one stored value; text buffers are kept alive by the caller until the statement ran.
void BindValue(sqlite3_stmt* st, int index, const Value& v, FieldType type,
               std::vector<QByteArray>& keep) {
    switch (v.kind()) {
        case Value::Kind::Null:
            sqlite3_bind_null(st, index);
            return;
        case Value::Kind::Integer:
            sqlite3_bind_int64(st, index, *v.toInt64());
            return;
        case Value::Kind::Double:
            sqlite3_bind_double(st, index, *v.toDouble());
            return;
        case Value::Kind::Currency:
            if (type == FieldType::Currency) {
                sqlite3_bind_int64(st, index, v.toCurrency()->raw());
            } else {
                sqlite3_bind_double(st, index, *v.toDouble());
            }
            return;
        case Value::Kind::Date: {
            std::string iso;
            AppendIsoDate(iso, *v.toDate());
            keep.emplace_back(iso.data(), static_cast<qsizetype>(iso.size()));
            break;
        }
        case Value::Kind::Text:
            keep.push_back(v.toText().toUtf8());
            break;
    }
    const QByteArray& b = keep.back();
    sqlite3_bind_text(st, index, b.isEmpty() ? "" : b.constData(), static_cast<int>(b.size()),
                      SQLITE_STATIC);
}

}  // namespace

Recordset::Recordset() : d_(std::make_unique<Impl>()) {}

Recordset::~Recordset() {
    close();
}

void Recordset::open(const QString& source, Connection& con) {
    if (d_->con != nullptr) {
        throw DbError(kObjectOpen, QStringLiteral("レコードセットはすでに開いています。"));
    }
    if (!con.isOpen()) {
        throw ConnectionClosed();
    }
    sqlite3* db = con.handle();

    // The source: a bare table name or SELECT <columns> FROM <table> [rest].
    const QString text = source.trimmed();
    QString columnsText = QStringLiteral("*");
    QString table;
    QString rest;
    if (KeywordAt(text, 0, QLatin1StringView("SELECT"))) {
        const qsizetype from = FindKeyword(text, QLatin1StringView("FROM"), 6);
        if (from < 0) {
            throw SqliteError(SQLITE_ERROR, QStringLiteral("no FROM in: ") + text);
        }
        columnsText = text.mid(6, from - 6).trimmed();
        const QString after = text.mid(from + 4).trimmed();
        qsizetype end = 0;
        if (!after.isEmpty() && IsOpenQuote(after.front())) {
            end = after.indexOf(CloseQuoteOf(after.front()), 1);
            end = end < 0 ? after.size() : end + 1;
        } else {
            while (end < after.size() && !after[end].isSpace() && after[end] != QLatin1Char(';')) {
                ++end;
            }
        }
        table = Unquote(after.left(end));
        rest = after.mid(end).trimmed();
        while (rest.endsWith(QLatin1Char(';'))) {
            rest.chop(1);
        }
    } else {
        table = Unquote(text);
    }

    // The table's columns and their declared types.
    std::vector<std::pair<QString, FieldType>> columns;
    {
        Statement st(db, QByteArrayLiteral("SELECT name, type FROM pragma_table_info(?1)"));
        const QByteArray name = table.toUtf8();
        sqlite3_bind_text(st.get(), 1, name.constData(), static_cast<int>(name.size()),
                          SQLITE_STATIC);
        while (st.step()) {
            const auto* n = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0));
            const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 1));
            columns.emplace_back(QString::fromUtf8(n),
                                 TypeFromDeclared(QString::fromUtf8(t != nullptr ? t : "")));
        }
    }
    if (columns.empty()) {
        throw DbError(SQLITE_ERROR, QStringLiteral("テーブル「") + table +
                                        QStringLiteral("」が見つかりません。 (no such table: ") +
                                        table + QLatin1Char(')'));
    }
    // Column names match without regard to case or character width ("側１路線ランク" is the
    // column 側1路線ランク); the table's own spelling goes into the SQL.
    const auto tableColumn = [&columns](const QString& name) -> std::optional<qsizetype> {
        for (size_t i = 0; i < columns.size(); ++i) {
            if (SameName(columns[i].first, name)) {
                return static_cast<qsizetype>(i);
            }
        }
        return std::nullopt;
    };
    const auto columnType = [&](const QString& name) -> std::optional<FieldType> {
        const std::optional<qsizetype> i = tableColumn(name);
        return i ? std::optional<FieldType>(columns[static_cast<size_t>(*i)].second) : std::nullopt;
    };

    std::vector<Field> fields;
    const auto addColumn = [&](const QString& name, const QString& column, FieldType type) {
        Field f;
        f.name = name;
        f.column = column;
        f.type = type;
        f.select = type == FieldType::Blob
                       ? QStringLiteral("length(") + QuoteIdentifier(column) + QLatin1Char(')')
                       : QuoteIdentifier(column);
        fields.push_back(f);
    };
    for (const QString& rawItem : SplitTopLevel(columnsText, QLatin1Char(','))) {
        const QString item = rawItem.trimmed();
        if (item == QLatin1String("*")) {
            for (const auto& [n, t] : columns) {
                addColumn(n, n, t);
            }
            continue;
        }
        QString expr = item;
        QString name = item;
        const qsizetype as = FindLastKeyword(item, QLatin1StringView("AS"));
        if (as > 0) {
            expr = item.left(as).trimmed();
            name = Unquote(item.mid(as + 2));
        } else {
            name = Unquote(item);
        }
        if (const std::optional<qsizetype> i = tableColumn(Unquote(expr))) {
            const auto& [column, type] = columns[static_cast<size_t>(*i)];
            addColumn(name, column, type);  // a column, possibly renamed
            continue;
        }
        // A computed column: a sum or difference of currency columns is currency.
        Field f;
        f.name = name;
        f.select = QLatin1Char('(') + expr + QLatin1Char(')');
        bool allCurrency = true;
        QString sum = expr;
        sum.replace(QLatin1Char('-'), QLatin1Char('+'));
        for (const QString& term : SplitTopLevel(sum, QLatin1Char('+'))) {
            const std::optional<FieldType> t = columnType(Unquote(term));
            allCurrency = allCurrency && t && *t == FieldType::Currency;
        }
        f.type = allCurrency ? FieldType::Currency : FieldType::Other;
        fields.push_back(f);
    }

    QString list = QStringLiteral("rowid");
    for (const Field& f : fields) {
        list += QStringLiteral(", ") + f.select;
    }
    const QString from = QStringLiteral(" FROM ") + QuoteIdentifier(table);
    const QString where = rest.isEmpty() ? QString() : QLatin1Char(' ') + rest;
    const bool ordered = FindKeyword(rest, QLatin1StringView("ORDER")) >= 0;
    // The program relies on the table's own order, ascending key.
    const QString selectSql = QStringLiteral("SELECT ") + list + from + where +
                              (ordered ? QString() : QStringLiteral(" ORDER BY rowid"));
    const QString keySql = QStringLiteral("SELECT rowid") + from + where +
                           (ordered ? QString() : QStringLiteral(" ORDER BY rowid"));
    const QString rangeSql = QStringLiteral("SELECT ") + list + from +
                             QStringLiteral(" WHERE rowid BETWEEN ?1 AND ?2 ORDER BY rowid");
    const QString rowSql =
        QStringLiteral("SELECT ") + list + from + QStringLiteral(" WHERE rowid = ?1");

    // Preparing the query checks its columns; counting does not read the rows' values.
    { Statement check(db, selectSql.toUtf8()); }
    qint64 count = 0;
    {
        Statement st(db, (QStringLiteral("SELECT count(*)") + from + where).toUtf8());
        if (st.step()) {
            count = sqlite3_column_int64(st.get(), 0);
        }
    }

    auto d = std::make_unique<Impl>();
    d->con = &con;
    d->table = table;
    d->fields = std::move(fields);
    d->selectSql = selectSql.toUtf8();
    d->keySql = keySql.toUtf8();
    d->rangeSql = rangeSql.toUtf8();
    d->rowSql = rowSql.toUtf8();
    d->ownOrder = ordered;
    d->rows = count;
    d->pos = 0;
    d_ = std::move(d);
    con.recordsets_.push_back(this);
}

void Recordset::close() {
    if (d_->con != nullptr) {
        auto& list = d_->con->recordsets_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    d_ = std::make_unique<Impl>();
}

bool Recordset::isOpen() const {
    return d_->con != nullptr;
}

namespace {
void RequireOpen(const Recordset& rs) {
    if (!rs.isOpen()) {
        throw RecordsetClosed();
    }
}
}  // namespace

int Recordset::recordCount() const {
    RequireOpen(*this);
    return static_cast<int>(std::min<qint64>(d_->live(), std::numeric_limits<int>::max()));
}

bool Recordset::eof() const {
    RequireOpen(*this);
    return d_->live() <= 0 || d_->pos >= d_->rows;
}

bool Recordset::bof() const {
    RequireOpen(*this);
    return d_->live() <= 0 || d_->pos < 0;
}

void Recordset::moveFirst() {
    RequireOpen(*this);
    if (d_->mode != Impl::Mode::None) {
        update();
    }
    if (d_->live() <= 0) {
        throw NoCurrentRecord();
    }
    d_->pos = d_->nextLive(0);
}

void Recordset::moveLast() {
    RequireOpen(*this);
    if (d_->mode != Impl::Mode::None) {
        update();
    }
    if (d_->live() <= 0) {
        throw NoCurrentRecord();
    }
    d_->pos = d_->previousLive(d_->rows - 1);
}

void Recordset::moveNext() {
    RequireOpen(*this);
    if (d_->mode != Impl::Mode::None) {
        update();
    }
    if (eof()) {
        throw NoCurrentRecord();
    }
    d_->pos = d_->nextLive(d_->pos + 1);
}

void Recordset::movePrevious() {
    RequireOpen(*this);
    if (d_->mode != Impl::Mode::None) {
        update();
    }
    if (bof()) {
        throw NoCurrentRecord();
    }
    d_->pos = d_->previousLive(d_->pos - 1);
}

Recordset::Bookmark Recordset::bookmark() const {
    RequireOpen(*this);
    if (d_->mode == Impl::Mode::Add || eof() || bof()) {
        throw NoCurrentRecord();
    }
    return d_->pos;
}

void Recordset::setBookmark(Bookmark bookmark) {
    RequireOpen(*this);
    if (d_->mode != Impl::Mode::None) {
        update();
    }
    if (bookmark < 0 || bookmark >= d_->rows || d_->rowDeleted(bookmark)) {
        throw DbError(kNoCurrentRecord, QStringLiteral("ブックマークが無効です。"));
    }
    d_->pos = bookmark;
}

int Recordset::fieldCount() const {
    RequireOpen(*this);
    return d_->fieldCount();
}

QString Recordset::fieldName(int index) const {
    RequireOpen(*this);
    d_->requireIndex(index);
    return d_->fields[static_cast<size_t>(index)].name;
}

FieldType Recordset::fieldType(int index) const {
    RequireOpen(*this);
    d_->requireIndex(index);
    return d_->fields[static_cast<size_t>(index)].type;
}

int Recordset::fieldIndex(const QString& name) const {
    RequireOpen(*this);
    try {
        return d_->requireField(name);
    } catch (const DbError&) {
        return -1;
    }
}

Value Recordset::value(const QString& name) const {
    RequireOpen(*this);
    return value(d_->requireField(name));
}

Value Recordset::value(int index) const {
    RequireOpen(*this);
    d_->requireIndex(index);
    if (d_->mode != Impl::Mode::None) {
        if (const Pending* p = d_->pendingFor(index)) {
            if (p->blob) {
                return Value::integer(p->blob->size());
            }
            return p->value;
        }
        if (d_->mode == Impl::Mode::Add) {
            return {};
        }
    }
    d_->requireCurrentRow();
    return CellToValue(d_->cell(d_->pos, index));
}

bool Recordset::isBlobNull(const QString& name) const {
    RequireOpen(*this);
    const int f = d_->requireField(name);
    if (d_->fields[static_cast<size_t>(f)].type != FieldType::Blob) {
        throw TypeMismatch();
    }
    if (d_->mode != Impl::Mode::None) {
        if (const Pending* p = d_->pendingFor(f)) {
            return !p->blob.has_value();
        }
        if (d_->mode == Impl::Mode::Add) {
            return true;
        }
    }
    d_->requireCurrentRow();
    return d_->cell(d_->pos, f).kind == CellKind::Null;
}

qint64 Recordset::blobSize(const QString& name) const {
    if (isBlobNull(name)) {
        return 0;
    }
    const int f = d_->requireField(name);
    if (const Pending* p = d_->pendingFor(f); p != nullptr && d_->mode != Impl::Mode::None) {
        return p->blob->size();
    }
    const CellView c = d_->cell(d_->pos, f);
    return c.kind == CellKind::BlobSize ? static_cast<qint64>(c.bits) : 0;
}

QByteArray Recordset::readBlob(const QString& name) const {
    if (isBlobNull(name)) {
        return QByteArray();
    }
    const int f = d_->requireField(name);
    if (const Pending* p = d_->pendingFor(f); p != nullptr && d_->mode != Impl::Mode::None) {
        return *p->blob;
    }
    const Field& field = d_->fields[static_cast<size_t>(f)];
    Statement st(d_->db(), (QStringLiteral("SELECT ") + QuoteIdentifier(field.column) +
                            QStringLiteral(" FROM ") + QuoteIdentifier(d_->table) +
                            QStringLiteral(" WHERE rowid = ?1"))
                               .toUtf8());
    sqlite3_bind_int64(st.get(), 1, d_->rowids[static_cast<size_t>(d_->pos)]);
    if (!st.step()) {
        throw DbError(kRowNotFound,
                      JapaneseFor(SQLITE_NOTFOUND) + QStringLiteral(" (row not found)"));
    }
    if (sqlite3_column_type(st.get(), 0) == SQLITE_NULL) {
        return QByteArray();
    }
    const void* bytes = sqlite3_column_blob(st.get(), 0);
    const int size = sqlite3_column_bytes(st.get(), 0);
    return size == 0 ? QByteArray("", 0) : QByteArray(static_cast<const char*>(bytes), size);
}

void Recordset::addNew() {
    RequireOpen(*this);
    if (d_->mode != Impl::Mode::None) {
        update();
    }
    d_->ensureKeys();
    d_->posBeforeAdd = d_->pos;
    d_->mode = Impl::Mode::Add;
    d_->pending.clear();
}

void Recordset::setValue(const QString& name, const Value& value) {
    RequireOpen(*this);
    const int f = d_->requireField(name);
    const Field& field = d_->fields[static_cast<size_t>(f)];
    if (field.column.isEmpty()) {
        throw DbError(kNotUpdatable, QStringLiteral("計算で求める項目には書き込めません。 (") +
                                         field.name + QLatin1Char(')'));
    }
    const Value stored = ToColumnType(value, field.type);  // throws before anything changes
    d_->beginEdit();
    Pending& p = d_->pendingSlot(f);
    p.value = stored;
    p.blob.reset();
}

void Recordset::setBlob(const QString& name, const std::optional<QByteArray>& bytes) {
    RequireOpen(*this);
    const int f = d_->requireField(name);
    if (d_->fields[static_cast<size_t>(f)].type != FieldType::Blob) {
        throw TypeMismatch();
    }
    d_->beginEdit();
    Pending& p = d_->pendingSlot(f);
    p.value = Value();
    p.blob = bytes;
}

void Recordset::update() {
    RequireOpen(*this);
    Impl& d = *d_;
    if (d.mode == Impl::Mode::None) {
        return;
    }
    if (d.mode == Impl::Mode::Edit && d.pending.empty()) {
        d.mode = Impl::Mode::None;
        return;
    }
    sqlite3* db = d.db();

    QString sql;
    if (d.mode == Impl::Mode::Add) {
        if (d.pending.empty()) {
            sql = QStringLiteral("INSERT INTO ") + QuoteIdentifier(d.table) +
                  QStringLiteral(" DEFAULT VALUES");
        } else {
            QString names;
            QString marks;
            for (size_t i = 0; i < d.pending.size(); ++i) {
                const QString sep = i == 0 ? QString() : QStringLiteral(", ");
                names +=
                    sep + QuoteIdentifier(d.fields[static_cast<size_t>(d.pending[i].field)].column);
                marks += sep + QLatin1Char('?') + QString::number(i + 1);
            }
            sql = QStringLiteral("INSERT INTO ") + QuoteIdentifier(d.table) + QStringLiteral(" (") +
                  names + QStringLiteral(") VALUES (") + marks + QLatin1Char(')');
        }
    } else {
        QString sets;
        for (size_t i = 0; i < d.pending.size(); ++i) {
            sets += (i == 0 ? QString() : QStringLiteral(", ")) +
                    QuoteIdentifier(d.fields[static_cast<size_t>(d.pending[i].field)].column) +
                    QStringLiteral(" = ?") + QString::number(i + 1);
        }
        sql = QStringLiteral("UPDATE ") + QuoteIdentifier(d.table) + QStringLiteral(" SET ") +
              sets + QStringLiteral(" WHERE rowid = ?") + QString::number(d.pending.size() + 1);
    }

    Statement st(db, sql.toUtf8());
    std::vector<QByteArray> keep;
    keep.reserve(d.pending.size());
    for (size_t i = 0; i < d.pending.size(); ++i) {
        const Pending& p = d.pending[i];
        const int index = static_cast<int>(i) + 1;
        const FieldType type = d.fields[static_cast<size_t>(p.field)].type;
        if (type == FieldType::Blob) {
            if (!p.blob) {
                sqlite3_bind_null(st.get(), index);
            } else if (p.blob->isEmpty()) {
                sqlite3_bind_zeroblob(st.get(), index, 0);
            } else {
                sqlite3_bind_blob64(st.get(), index, p.blob->constData(),
                                    static_cast<sqlite3_uint64>(p.blob->size()), SQLITE_STATIC);
            }
        } else {
            BindValue(st.get(), index, p.value, type, keep);
        }
    }
    qint64 rowid = 0;
    if (d.mode == Impl::Mode::Edit) {
        rowid = d.rowids[static_cast<size_t>(d.pos)];
        sqlite3_bind_int64(st.get(), static_cast<int>(d.pending.size()) + 1, rowid);
    }
    st.step();
    if (d.mode == Impl::Mode::Edit && sqlite3_changes(db) == 0) {
        throw DbError(
            kRowNotFound,
            QStringLiteral("更新する行が見つかりません。ほかの操作で削除された可能性があります。"
                           " (row not found)"));
    }
    if (d.mode == Impl::Mode::Add) {
        rowid = sqlite3_last_insert_rowid(db);
    }

    // The written row, as the table now holds it, goes into the snapshot.
    const size_t row = d.mode == Impl::Mode::Add ? d.appendRow() : static_cast<size_t>(d.pos);
    bool reread = false;
    try {
        Statement again(db, d.rowSql);
        sqlite3_bind_int64(again.get(), 1, rowid);
        if (again.step()) {
            d.storeRow(row, again.get());
            reread = true;
        }
    } catch (const DbError&) {
        reread = false;  // the write itself succeeded; show what was written
    }
    if (!reread) {
        d.rowids[row] = rowid;
        const size_t base = row * d.fields.size();
        for (const Pending& p : d.pending) {
            CellView c;
            std::string text;
            if (p.blob) {
                c.kind = CellKind::BlobSize;
                c.bits = static_cast<quint64>(p.blob->size());
            } else {
                const Value& v = p.value;
                switch (v.kind()) {
                    case Value::Kind::Null:
                        break;
                    case Value::Kind::Integer:
                        c.kind = CellKind::Integer;
                        c.bits = static_cast<quint64>(*v.toInt64());
                        break;
                    case Value::Kind::Double:
                        c.kind = CellKind::Double;
                        c.bits = std::bit_cast<quint64>(*v.toDouble());
                        break;
                    case Value::Kind::Currency:
                        c.kind = CellKind::Currency;
                        c.bits = static_cast<quint64>(v.toCurrency()->raw());
                        break;
                    case Value::Kind::Date:
                        c.kind = CellKind::Date;
                        c.bits = static_cast<quint64>(v.toDate()->toJulianDay());
                        break;
                    case Value::Kind::Text: {
                        text = v.toText().toStdString();
                        c.kind = CellKind::Text;
                        c.text = text.data();
                        c.len = static_cast<qsizetype>(text.size());
                        break;
                    }
                }
            }
            d.storeCell(base + static_cast<size_t>(p.field), c);
        }
    }
    d.pos = static_cast<qint64>(row);
    d.mode = Impl::Mode::None;
    d.pending.clear();
    d.modified = true;
}

void Recordset::cancelUpdate() {
    RequireOpen(*this);
    if (d_->mode == Impl::Mode::Add) {
        d_->pos = d_->posBeforeAdd;
    }
    d_->mode = Impl::Mode::None;
    d_->pending.clear();
}

void Recordset::deleteCurrent() {
    RequireOpen(*this);
    if (d_->mode == Impl::Mode::Add) {
        cancelUpdate();
        return;  // the new row was never written
    }
    d_->mode = Impl::Mode::None;
    d_->pending.clear();
    d_->requireCurrentRow();
    Statement st(d_->db(), (QStringLiteral("DELETE FROM ") + QuoteIdentifier(d_->table) +
                            QStringLiteral(" WHERE rowid = ?1"))
                               .toUtf8());
    sqlite3_bind_int64(st.get(), 1, d_->rowids[static_cast<size_t>(d_->pos)]);
    st.step();
    d_->isDeleted[static_cast<size_t>(d_->pos)] = 1;
    ++d_->deleted;
    d_->modified = true;
}

QString Recordset::getString(const QString& columnDelimiter, const QString& rowDelimiter,
                             const QString& nullExpr) const {
    RequireOpen(*this);
    Impl& d = *d_;
    const std::string colSep =
        (columnDelimiter.isEmpty() ? QStringLiteral("\t") : columnDelimiter).toStdString();
    const std::string rowSep =
        (rowDelimiter.isEmpty() ? QStringLiteral("\r") : rowDelimiter).toStdString();
    const std::string nullText = nullExpr.toStdString();
    const size_t nf = d.fields.size();

    std::string out;
    const auto appendRow = [&](auto cellAt) {
        for (size_t f = 0; f < nf; ++f) {
            if (f != 0) {
                out += colSep;
            }
            if (d.fields[f].type != FieldType::Blob) {
                AppendCellText(out, cellAt(f), nullText);
            }
        }
        out += rowSep;
    };
    if (d.modified) {
        d.ensureAllRows();
        out.reserve(d.texts.size() + static_cast<size_t>(d.rows) * nf * 8);
        for (qint64 r = 0; r < d.rows; ++r) {
            if (!d.rowDeleted(r)) {
                appendRow([&](size_t f) { return d.cell(r, static_cast<int>(f)); });
            }
        }
    } else {
        // Nothing written through the snapshot: the text is made straight from the query.
        Statement st(d.db(), d.selectSql);
        while (st.step()) {
            appendRow([&](size_t f) {
                return DecodeColumn(st.get(), static_cast<int>(f) + 1, d.fields[f].type);
            });
        }
    }
    return QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size()));
}

QString Recordset::tableName() const {
    return d_->table;
}

}  // namespace ie::db
