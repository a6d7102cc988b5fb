#include "state/PropertyStore.h"

#include "common/AppError.h"
#include "state/PropertyColumns.h"

#include <algorithm>
#include <iterator>
#include <limits>

namespace ie {

using db::FieldType;
using db::Value;
using B = BukkenJoho;

namespace {

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};

const std::vector<const PropertyColumn*>& SavedColumns() {
    // The fields every save writes, in the order of the statements below (the photo last).
    static const std::vector<const PropertyColumn*> columns = [] {
        std::vector<const PropertyColumn*> out;
        for (const PropertyColumn& c : PropertyColumns()) {
            if (c.role == ColumnRole::Field)
                out.push_back(&c);
        }
        for (const PropertyColumn& c : PropertyColumns()) {
            if (c.role == ColumnRole::Photo)
                out.push_back(&c);
        }
        return out;
    }();
    return columns;
}

int SavedCount() {
    return static_cast<int>(SavedColumns().size());
}

QString ColumnOf(ColumnRole role) {
    for (const PropertyColumn& c : PropertyColumns()) {
        if (c.role == role)
            return c.columnName();
    }
    return {};
}

// A field's value as it is stored. An empty text is stored as Null, in a new row as in an update:
// a text the user emptied stays empty. A NUL character never goes into a text.
Value StoredValue(const PropertyColumn& c, const BukkenJoho& rec) {
    return std::visit(
        Overloaded{[](std::monostate) { return Value(); },
                   [&](Currency B::*f) {
                       return c.zeroIsNull && (rec.*f).isZero() ? Value() : Value::currency(rec.*f);
                   },
                   [&](double B::*f) { return Value::real(rec.*f); },
                   [&](qint32 B::*f) {
                       return c.zeroIsNull && rec.*f <= 0 ? Value() : Value::integer(rec.*f);
                   },
                   [&](qint64 B::*f) { return Value::integer(rec.*f); },
                   [&](QDate B::*f) { return Value::date(rec.*f); },
                   [&](QString B::*f) {
                       QString s = rec.*f;
                       s.remove(QChar(0));
                       return s.isEmpty() ? Value() : Value::text(s);
                   }},
        c.field);
}

// Binds the record's stored values from parameter first on, in SavedColumns() order.
void BindRecord(db::Statement& st, int first, const BukkenJoho& rec,
                const std::optional<QByteArray>& photo) {
    int i = first;
    for (const PropertyColumn* c : SavedColumns()) {
        if (c->role == ColumnRole::Photo)
            st.bindBlob(i++, photo);
        else
            st.bind(i++, StoredValue(*c, rec));
    }
}

// A new row has been saved once.
QString InsertSql() {
    QString columns =
        ColumnOf(ColumnRole::Key) + QLatin1Char(',') + ColumnOf(ColumnRole::ChangeCount);
    QString params = QStringLiteral("?,1");
    for (const PropertyColumn* c : SavedColumns()) {
        columns += QLatin1Char(',') + c->columnName();
        params += QStringLiteral(",?");
    }
    return QStringLiteral("INSERT INTO 物件情報 (") + columns + QStringLiteral(") VALUES (") +
           params + QLatin1Char(')');
}

QString UpdateSql() {
    QString sets;
    for (int i = 0; i < SavedCount(); ++i) {
        if (!sets.isEmpty()) {
            sets += QLatin1Char(',');
        }
        // Numbered parameters: ?2 onwards are the values, ?1 the row's ID.
        const QString param = QLatin1Char('?') + QString::number(i + 2);
        sets += SavedColumns()[static_cast<size_t>(i)]->columnName() + QLatin1Char('=') + param;
    }
    // The last parameter is the count the row was loaded with; the row is written only while it
    // still has that count, and its count goes one up.
    const QString count = QLatin1Char('?') + QString::number(SavedCount() + 2);
    const QString changes = ColumnOf(ColumnRole::ChangeCount);
    return QStringLiteral("UPDATE 物件情報 SET ") + sets + QLatin1Char(',') + changes +
           QLatin1Char('=') + count + QStringLiteral("+1 WHERE ") + ColumnOf(ColumnRole::Key) +
           QStringLiteral("=?1 AND ifnull(") + changes + QStringLiteral(",0)=") + count;
}

// Every stored column, in the table's order.
const QString& LoadSql() {
    static const QString sql = [] {
        QString columns;
        for (const PropertyColumn& c : PropertyColumns()) {
            if (!c.stored())
                continue;
            if (!columns.isEmpty())
                columns += QLatin1Char(',');
            columns += c.columnName();
        }
        return QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM 物件情報 WHERE ") +
               ColumnOf(ColumnRole::Key) + QStringLiteral("=?");
    }();
    return sql;
}

// Column col of the load's row into the field. Null or unreadable numbers give 0 (or 1 for a
// factor), a missing date gives today or keeps the record's own.
void LoadField(const db::Statement& st, int col, const PropertyColumn& c, BukkenJoho& r,
               const QDate& today) {
    const Value v = st.value(col, c.type());
    std::visit(Overloaded{[](std::monostate) {},
                          [&](Currency B::*f) { r.*f = v.toCurrency().value_or(Currency()); },
                          [&](double B::*f) {
                              r.*f =
                                  v.toDouble().value_or(c.missing == WhenMissing::One ? 1.0 : 0.0);
                          },
                          [&](qint32 B::*f) {
                              const qint32 n = v.toInt32().value_or(0);
                              r.*f = c.zeroIsNull ? std::max(n, 0) : n;
                          },
                          [&](qint64 B::*f) { r.*f = v.toInt64().value_or(0); },
                          [&](QDate B::*f) {
                              const std::optional<QDate> d = v.toDate();
                              if (d && d->isValid())
                                  r.*f = *d;
                              else if (c.missing == WhenMissing::Today)
                                  r.*f = today;
                              else if (c.missing != WhenMissing::Keep)
                                  r.*f = QDate();
                          },
                          [&](QString B::*f) { r.*f = v.toText(); }},
               c.field);
}

}  // namespace

qint32 PropertyStore::count() {
    db::Statement st(con_, QStringLiteral("SELECT count(*) FROM 物件情報"));
    st.step();
    return static_cast<qint32>(*st.value(0, FieldType::Integer).toInt64());
}

std::vector<qint32> PropertyStore::ids() {
    db::Statement st(con_, QStringLiteral("SELECT 物件ID FROM 物件情報 ORDER BY 物件ID"));
    std::vector<qint32> out;
    while (st.step()) {
        const std::optional<qint32> id = st.value(0, FieldType::Integer).toInt32();
        if (id) {
            out.push_back(*id);
        }
    }
    return out;
}

qint32 PropertyStore::insert(const BukkenJoho& rec, const std::optional<QByteArray>& photo) {
    // Above every ID ever given, not only those still held: a deleted property's ID may still be
    // loaded in another copy of the program, whose update must then find no row.
    qint64 last = 0;
    {
        db::Statement st(con_,
                         QStringLiteral("SELECT max(ifnull((SELECT max(最終物件ID) FROM "
                                        "物件ID採番), 0), ifnull(max(物件ID), 0)) FROM 物件情報"));
        st.step();
        last = st.value(0, FieldType::Integer).toInt64().value_or(0);
    }
    if (last < 0 || last > std::numeric_limits<qint32>::max()) {
        throw AppError(errors::kOverflow,
                       QStringLiteral("最後の物件IDを整数として読み取れません。"));
    }
    if (last == std::numeric_limits<qint32>::max()) {
        throw AppError(
            errors::kOverflow,
            OverflowDescription() + QStringLiteral("物件IDが上限の2147483647を超えるため、"
                                                   "あたらしい物件を追加できません。"));
    }
    const auto id = static_cast<qint32>(last + 1);
    {
        db::Statement st(con_, InsertSql());
        st.bind(1, Value::integer(id));
        BindRecord(st, 2, rec, photo);
        st.run();
    }
    db::Statement given(con_, QStringLiteral("UPDATE 物件ID採番 SET 最終物件ID = ?"));
    given.bind(1, Value::integer(id));
    given.run();
    return id;
}

UpdateOutcome PropertyStore::update(qint32 id, const BukkenJoho& rec,
                                    const std::optional<QByteArray>& photo) {
    {
        db::Statement st(con_, UpdateSql());
        st.bind(1, Value::integer(id));
        BindRecord(st, 2, rec, photo);
        st.bind(SavedCount() + 2, Value::integer(rec.KoshinKaisu));
        st.run();
        if (con_.changes() > 0) {
            return UpdateOutcome::Saved;
        }
    }
    return changeCount(id) ? UpdateOutcome::RowChanged : UpdateOutcome::RowGone;
}

std::optional<qint64> PropertyStore::changeCount(qint32 id) {
    db::Statement st(con_,
                     QStringLiteral("SELECT ifnull(更新回数,0) FROM 物件情報 WHERE 物件ID=?"));
    st.bind(1, Value::integer(id));
    if (!st.step()) {
        return std::nullopt;
    }
    return st.value(0, FieldType::Integer).toInt64().value_or(0);
}

std::optional<StoredProperty> PropertyStore::load(qint32 id, const BukkenJoho& base,
                                                  const QDate& today) {
    db::Statement st(con_, LoadSql());
    st.bind(1, Value::integer(id));
    if (!st.step()) {
        return std::nullopt;
    }
    StoredProperty out{base, std::nullopt};
    BukkenJoho& r = out.record;
    int col = 0;
    for (const PropertyColumn& c : PropertyColumns()) {
        if (!c.stored())
            continue;
        if (c.role == ColumnRole::Photo) {
            // A zero-length photo is no picture at all, so that the property can be saved again
            // without an empty photo stopping it.
            if (st.blobSize(col) > 0) {
                out.photo = st.blob(col);
            }
        } else if (c.role != ColumnRole::Key) {
            LoadField(st, col, c, r, today);
        }
        ++col;
    }
    r.BukkenID = id;
    r.PicUmu = out.photo.has_value();
    r.PicFile.clear();
    return out;
}

void PropertyStore::remove(const std::vector<qint32>& ids) {
    db::Statement st(con_, QStringLiteral("DELETE FROM 物件情報 WHERE 物件ID=?"));
    for (const qint32 id : ids) {
        st.bind(1, Value::integer(id));
        st.run();
        st.reset();
    }
}

const std::vector<ListColumn>& PropertyStore::listColumns() {
    static const std::vector<ListColumn> columns = [] {
        std::vector<ListColumn> out;
        for (const PropertyColumn& c : PropertyColumns()) {
            if (c.list != InList::No)
                out.push_back({c.title(), c.type(), &c});
        }
        return out;
    }();
    return columns;
}

int PropertyStore::listColumnIndex(const QString& name) {
    const std::vector<ListColumn>& columns = listColumns();
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name == name)
            return static_cast<int>(i);
    }
    return -1;
}

namespace {

// The expression a list column is read with. The total is a sum of two currency columns: Null when
// a side is Null.
QString ListExpression(const ListColumn& c) {
    if (c.column->expression)
        return QString::fromUtf8(c.column->expression);
    if (c.column->role == ColumnRole::Photo)
        return QStringLiteral("NULL");  // the photo is never read for the list
    return c.column->columnName();
}

// A list column's value: a sum that leaves 64 bits comes back from SQLite as a float of
// ten-thousandths and is given in yen.
Value ListValue(const db::Statement& st, int col, const ListColumn& c) {
    Value v = st.value(col, c.type);
    if (v.kind() == Value::Kind::Double && c.type == FieldType::Currency)
        v = Value::real(*v.toDouble() / static_cast<double>(Currency::kScale));
    return v;
}

QString AllListExpressions() {
    QString columns;
    for (const ListColumn& c : PropertyStore::listColumns()) {
        if (!columns.isEmpty())
            columns += QLatin1Char(',');
        columns += ListExpression(c);
    }
    return columns;
}

std::vector<ListRow> ReadListRows(db::Statement& st) {
    const std::vector<ListColumn>& columns = PropertyStore::listColumns();
    std::vector<ListRow> rows;
    while (st.step()) {
        ListRow row;
        row.id = st.value(0, FieldType::Integer).toInt32().value_or(0);
        row.values.reserve(columns.size());
        for (size_t c = 0; c < columns.size(); ++c)
            row.values.push_back(ListValue(st, static_cast<int>(c), columns[c]));
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace

std::vector<ListRow> PropertyStore::listRows(qint32 first, qint32 last) {
    static const QString sql =
        QStringLiteral("SELECT ") + AllListExpressions() +
        QStringLiteral(" FROM 物件情報 WHERE 物件ID BETWEEN ? AND ? ORDER BY 物件ID");
    db::Statement st(con_, sql);
    st.bind(1, Value::integer(first)).bind(2, Value::integer(last));
    return ReadListRows(st);
}

std::vector<ListRow> PropertyStore::listRows(const std::vector<qint32>& ids) {
    // In chunks, each well below SQLite's limit on bound parameters.
    constexpr size_t kChunk = 500;
    std::vector<ListRow> rows;
    for (size_t first = 0; first < ids.size(); first += kChunk) {
        const size_t n = std::min(kChunk, ids.size() - first);
        QString params = QStringLiteral("?");
        for (size_t i = 1; i < n; ++i)
            params += QStringLiteral(",?");
        db::Statement st(con_, QStringLiteral("SELECT ") + AllListExpressions() +
                                   QStringLiteral(" FROM 物件情報 WHERE 物件ID IN (") + params +
                                   QStringLiteral(") ORDER BY 物件ID"));
        for (size_t i = 0; i < n; ++i)
            st.bind(static_cast<int>(i + 1), Value::integer(ids[first + i]));
        std::vector<ListRow> part = ReadListRows(st);
        rows.insert(rows.end(), std::make_move_iterator(part.begin()),
                    std::make_move_iterator(part.end()));
    }
    std::sort(rows.begin(), rows.end(),
              [](const ListRow& a, const ListRow& b) { return a.id < b.id; });
    return rows;
}

std::vector<ListRow> PropertyStore::listValues(const std::vector<int>& columns) {
    const std::vector<ListColumn>& all = listColumns();
    QString sql = QStringLiteral("SELECT 物件ID");
    for (const int c : columns)
        sql += QLatin1Char(',') + ListExpression(all.at(static_cast<size_t>(c)));
    sql += QStringLiteral(" FROM 物件情報 ORDER BY 物件ID");
    db::Statement st(con_, sql);
    std::vector<ListRow> rows;
    while (st.step()) {
        ListRow row;
        row.id = st.value(0, FieldType::Integer).toInt32().value_or(0);
        row.values.reserve(columns.size());
        for (size_t k = 0; k < columns.size(); ++k)
            row.values.push_back(
                ListValue(st, static_cast<int>(k + 1), all[static_cast<size_t>(columns[k])]));
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace ie
