#pragma once

#include "platform/Database.h"
#include "state/BukkenJoho.h"

#include <QString>

#include <variant>
#include <vector>

namespace ie {

// The columns of 物件情報, described once. The store's insert, update, load and list statements
// and their binds, the property list's columns and the CSV's columns are all made from this
// table, so that a new column is one row here (and its upgrade step in UserDatabase.cpp).

// The record field a column holds. The field's type decides how it is bound and read.
using RecordField =
    std::variant<std::monostate, Currency BukkenJoho::*, double BukkenJoho::*, qint32 BukkenJoho::*,
                 qint64 BukkenJoho::*, QDate BukkenJoho::*, QString BukkenJoho::*>;

enum class ColumnRole {
    Field,        // a field of the record, written by every save
    Key,          // 物件ID: the row's ID, chosen by the insert
    ChangeCount,  // 更新回数: 1 for a new row, raised by every update
    Photo,        // 現場写真: bytes of their own, never read for the list
    Computed,     // not stored: an expression over stored columns (declared gives how it reads)
};

// What a load gives a field whose stored value is Null or unreadable, and what clearing the
// worksheet does with it.
enum class WhenMissing {
    Zero,   // 0 or an empty text; cleared to that
    One,    // 1 (a factor); cleared to that
    Today,  // the day of the load; clearing keeps the date
    Keep,   // the value the record had; clearing keeps it
};

// How the property list has the column: not at all, as a hidden column, or shown.
enum class InList { No, Hidden, Shown };

struct PropertyColumn {
    const char16_t* name = u"";
    // The declared type as CREATE TABLE writes it; for a computed column, how its value reads.
    const char* declared = "";
    ColumnRole role = ColumnRole::Field;
    RecordField field = {};
    InList list = InList::No;
    int width = 0;  // the list's width in twips when shown; 0 leaves the view's own
    bool csv = false;
    WhenMissing missing = WhenMissing::Zero;
    // 0 is stored as Null and means "not given" (家屋構造CD: nothing chosen; an asking price left
    // empty). A stored structure code below 0 loads as 0; a stored 0 amount reads like Null in
    // the list and the comparison, since rows saved before cannot be told apart.
    bool zeroIsNull = false;
    const char* expression = nullptr;  // a computed column's SQL
    const char16_t* header = nullptr;  // the list's and the CSV's title when not the name

    QString columnName() const { return QString::fromUtf16(name); }
    QString title() const { return QString::fromUtf16(header ? header : name); }
    db::FieldType type() const;
    bool stored() const { return role != ColumnRole::Computed; }
};

// Every column in the list's order (which the CSV keeps), the columns the list has not after.
const std::vector<PropertyColumn>& PropertyColumns();

// The CREATE TABLE statement of 物件情報 as the table above describes it, for comparing with a
// real file's layout.
QString PropertyTableDdl();

}  // namespace ie
