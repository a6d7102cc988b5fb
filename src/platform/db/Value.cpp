#include "platform/db/Value.h"

#include "common/NumberRule.h"
#include "common/Rounding.h"

#include <sqlite3.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace ie::db {

namespace {

// Text forms of Value::toText, written as UTF-8 into a buffer.

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

// Rounds half to even to a whole number; nullopt outside 64 bits.
std::optional<qint64> RoundToInt64(double v) {
    const double r = RoundHalfEven(v);
    if (!std::isfinite(r) || r < -9223372036854775808.0 || r >= 9223372036854775808.0) {
        return std::nullopt;
    }
    return static_cast<qint64>(r);
}

}  // namespace

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

Value ReadColumn(sqlite3_stmt* st, int col, FieldType type) {
    switch (sqlite3_column_type(st, col)) {
        case SQLITE_NULL:
            return {};
        case SQLITE_INTEGER: {
            const qint64 v = sqlite3_column_int64(st, col);
            switch (type) {
                case FieldType::Currency:
                    return Value::currency(Currency::fromRaw(v));
                case FieldType::Double:
                    return Value::real(static_cast<double>(v));
                case FieldType::Blob:
                    return {};
                default:
                    return Value::integer(v);
            }
        }
        case SQLITE_FLOAT:
            return Value::real(sqlite3_column_double(st, col));
        case SQLITE_BLOB:
            if (type == FieldType::Blob) {
                return {};
            }
            [[fallthrough]];
        default: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
            const qsizetype n = sqlite3_column_bytes(st, col);
            if (p == nullptr) {
                return Value::text(QString());
            }
            if (type == FieldType::Date) {
                if (const std::optional<qint64> jd = ParseDateBytes(p, n)) {
                    return Value::date(QDate::fromJulianDay(*jd));
                }
            }
            return Value::text(QString::fromUtf8(p, n));
        }
    }
}

}  // namespace ie::db
