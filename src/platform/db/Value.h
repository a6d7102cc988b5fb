#pragma once

#include "common/Currency.h"

#include <QDate>
#include <QString>

#include <optional>
#include <variant>

struct sqlite3_stmt;

namespace ie::db {

// How the program reads a column, chosen by its declared type: INTEGER -> Integer, REAL/DOUBLE ->
// Double, CURRENCY -> Currency (stored as INTEGER ten-thousandths), DATE -> Date (stored as ISO
// text "yyyy-MM-dd"), TEXT -> Text, BLOB -> Blob.
enum class FieldType { Integer, Double, Currency, Date, Text, Blob, Other };

// The field type for a declared column type ("CURRENCY", "DOUBLE", "DATE", ...).
FieldType TypeFromDeclared(const QString& declared);

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

// Column col of the statement's current row, read as a column of the given type. A photo (Blob)
// column gives Null; its bytes are read with the statement's blob functions.
Value ReadColumn(sqlite3_stmt* st, int col, FieldType type);

}  // namespace ie::db
