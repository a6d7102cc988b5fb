#include "valuation/RateLookup.h"

#include "common/AppError.h"
#include "state/ModGlobal.h"
#include "valuation/HousePrice.h"

#include <algorithm>
#include <iterator>

namespace ie {

namespace {

using db::FieldType;

// Error numbers of the reads that find no usable value (the ones Windows programs show).
constexpr int kInvalidUseOfNull = 94;

QString TablePrefix(const QString& table) {
    return QStringLiteral("システムデータベースの表「%1」").arg(table);
}

// Names that may go into a query's text: the reference database's own tables and columns. Values
// are always bound; only these names are ever written into SQL.
const QString& KnownName(const QString& name) {
    static const QString names[] = {QStringLiteral("側１路線補正率"),
                                    QStringLiteral("側２路線補正率"),
                                    QStringLiteral("背面路線補正率"),
                                    QStringLiteral("南道路補正率"),
                                    QStringLiteral("間口狭小補正率"),
                                    QStringLiteral("高圧線下補正率"),
                                    QStringLiteral("無道路地補正率"),
                                    QStringLiteral("奥行長大補正率"),
                                    QStringLiteral("不整形補正率"),
                                    QStringLiteral("崖地補正率"),
                                    QStringLiteral("家屋経年減点補正率"),
                                    QStringLiteral("家屋構造別坪単価"),
                                    QStringLiteral("土地時点修正率"),
                                    QStringLiteral("補正率"),
                                    QStringLiteral("説明"),
                                    QStringLiteral("数値下限"),
                                    QStringLiteral("坪単価"),
                                    QStringLiteral("都道府県名"),
                                    QStringLiteral("時点修正率"),
                                    QStringLiteral("データ出典")};
    const auto it = std::find(std::begin(names), std::end(names), name);
    if (it == std::end(names)) {
        throw AppError(errors::kTypeMismatch,
                       QStringLiteral("参照できない表または列「%1」です。").arg(name));
    }
    return *it;
}

// Runs a read; a database failure comes back with the table named in its description, so that
// the user learns which table of the reference database is broken.
template <typename Read>
auto NamingTable(const QString& table, Read read) {
    try {
        return read();
    } catch (const db::DbError& e) {
        throw AppError(e.number(),
                       TablePrefix(table) + QStringLiteral("を読めません：") + e.description());
    }
}

double ReadRate(const db::Statement& st, const QString& table, const QString& column) {
    const db::Value v = st.value(0, FieldType::Double);
    if (v.isNull()) {
        throw AppError(kInvalidUseOfNull,
                       TablePrefix(table) + QStringLiteral("の%1に値がありません。").arg(column));
    }
    const auto d = v.toDouble();
    if (!d) {
        throw AppError(
            errors::kTypeMismatch,
            TablePrefix(table) + QStringLiteral("の%1が数値ではありません。").arg(column));
    }
    return *d;
}

AppError NoRow(const QString& table) {
    return AppError(errors::kNoCurrentRecord,
                    TablePrefix(table) + QStringLiteral("に行がありません。"));
}

}  // namespace

double ModGetHosei(ModGlobal& g, qint32 rank, const QString& table) {
    const QString& t = KnownName(table);
    return NamingTable(t, [&] {
        db::Statement byRank(g.SysDbCon,
                             QStringLiteral("SELECT 補正率 FROM ") + t +
                                 QStringLiteral(" WHERE ランク = ? ORDER BY rowid LIMIT 1"));
        byRank.bind(1, db::Value::integer(rank));
        if (byRank.step())
            return ReadRate(byRank, t, QStringLiteral("補正率"));
        // No row has this rank: the table's last row, its highest rank, stands in.
        db::Statement last(g.SysDbCon, QStringLiteral("SELECT 補正率 FROM ") + t +
                                           QStringLiteral(" ORDER BY rowid DESC LIMIT 1"));
        if (!last.step())
            throw NoRow(t);
        return ReadRate(last, t, QStringLiteral("補正率"));
    });
}

double ModGetKaokuTuboTanka(ModGlobal& g, qint32 code) {
    const QString table = QStringLiteral("家屋構造別坪単価");
    return NamingTable(table, [&] {
        db::Statement st(g.SysDbCon, QStringLiteral("SELECT 坪単価 FROM 家屋構造別坪単価 "
                                                    "WHERE 構造CD = ? ORDER BY rowid LIMIT 1"));
        st.bind(1, db::Value::integer(code));
        if (!st.step())
            throw NoRow(table);
        return ReadRate(st, table, QStringLiteral("坪単価"));
    });
}

std::optional<qint64> ModGetPrefectureTuboTanka(ModGlobal& g, const QString& prefecture,
                                                qint32 structureCode) {
    const QString table = QStringLiteral("都道府県別工事費用");
    const QString column = CostColumnOf(structureCode);
    return NamingTable(table, [&]() -> std::optional<qint64> {
        db::Statement st(g.SysDbCon, QStringLiteral("SELECT ") + column +
                                         QStringLiteral(" FROM 都道府県別工事費用 WHERE "
                                                        "都道府県名 = ? ORDER BY rowid LIMIT 1"));
        st.bind(1, db::Value::text(prefecture));
        if (!st.step())
            return std::nullopt;
        const db::Value v = st.value(0, FieldType::Integer);
        const std::optional<qint64> thousands = v.toInt64();
        if (!thousands || *thousands <= 0 || *thousands > 100000)
            throw AppError(kInvalidUseOfNull, TablePrefix(table) + QStringLiteral("の") + column +
                                                  QStringLiteral("が正しくありません。"));
        // 千円/㎡ to yen per tsubo (400/121 ㎡), rounded half up, in integers.
        return (*thousands * 1000 * 400 * 2 + 121) / 242;
    });
}

QStringList ReadCostPrefectures(ModGlobal& g) {
    const QString table = QStringLiteral("都道府県別工事費用");
    return NamingTable(table, [&] {
        db::Statement st(g.SysDbCon, QStringLiteral("SELECT 都道府県名 FROM 都道府県別工事費用 "
                                                    "WHERE 都道府県ID > 0 ORDER BY 都道府県ID"));
        QStringList names;
        while (st.step())
            names << st.value(0, FieldType::Text).toText();
        return names;
    });
}

StructureTable ReadStructureTable(ModGlobal& g) {
    const QString table = QStringLiteral("家屋構造別坪単価");
    return NamingTable(table, [&] {
        StructureTable result;
        // An older build's file lacks the two depreciation columns; it is read without them.
        db::Statement columns(
            g.SysDbCon, QStringLiteral("SELECT name FROM pragma_table_info('家屋構造別坪単価')"));
        QStringList names;
        while (columns.step())
            names << columns.value(0, FieldType::Text).toText();
        if (names.isEmpty())
            throw NoRow(table);  // the table itself is missing
        result.hasDepreciation = names.contains(QStringLiteral("耐用年数")) &&
                                 names.contains(QStringLiteral("年減価率"));
        db::Statement st(g.SysDbCon,
                         result.hasDepreciation
                             ? QStringLiteral("SELECT 構造CD, 説明, 坪単価, 耐用年数, 年減価率 "
                                              "FROM 家屋構造別坪単価 ORDER BY rowid")
                             : QStringLiteral("SELECT 構造CD, 説明, 坪単価, NULL, NULL "
                                              "FROM 家屋構造別坪単価 ORDER BY rowid"));
        while (st.step()) {
            result.rows.push_back(StructureRow{
                st.value(0, FieldType::Integer).toInt64().value_or(0),
                st.value(1, FieldType::Text).toText(), st.value(2, FieldType::Double).toDouble(),
                st.value(3, FieldType::Integer).toInt64(),
                st.value(4, FieldType::Integer).toInt64()});
        }
        return result;
    });
}

double ModGetJitenRitu(ModGlobal& g, qint64 id) {
    const QString table = QStringLiteral("土地時点修正率");
    return NamingTable(table, [&] {
        db::Statement st(g.SysDbCon, QStringLiteral("SELECT 時点修正率 FROM 土地時点修正率 "
                                                    "WHERE 都道府県ID = ? ORDER BY rowid LIMIT 1"));
        st.bind(1, db::Value::integer(id));
        if (!st.step()) {
            throw AppError(errors::kNoCurrentRecord,
                           QStringLiteral("都道府県ID %1 の行がありません。").arg(id));
        }
        const std::optional<double> rate = st.value(0, FieldType::Double).toDouble();
        if (!rate) {
            throw AppError(
                errors::kTypeMismatch,
                QStringLiteral("都道府県ID %1 の時点修正率が数値ではありません。").arg(id));
        }
        return *rate;
    });
}

std::vector<ReferenceItem> ReadReferenceItems(ModGlobal& g, const QString& table,
                                              const QString& column) {
    const QString& t = KnownName(table);
    const QString& c = KnownName(column);
    return NamingTable(t, [&] {
        // The key is the table's first column, its integer primary key.
        db::Statement st(g.SysDbCon, QStringLiteral("SELECT rowid, ") + c +
                                         QStringLiteral(" FROM ") + t +
                                         QStringLiteral(" ORDER BY rowid"));
        std::vector<ReferenceItem> items;
        bool first = true;
        while (st.step()) {
            if (first && t == QStringLiteral("崖地補正率")) {
                first = false;
                continue;  // the first row is never offered
            }
            first = false;
            items.push_back(ReferenceItem{st.value(0, FieldType::Integer).toInt64().value_or(0),
                                          st.value(1, FieldType::Other).toText()});
        }
        return items;
    });
}

std::vector<DataSource> ReadDataSources(ModGlobal& g) {
    const QString table = QStringLiteral("データ出典");
    return NamingTable(table, [&] {
        db::Statement st(g.SysDbCon, QStringLiteral("SELECT 表名, 出典, 基準, 注記 FROM データ出典 "
                                                    "ORDER BY rowid"));
        std::vector<DataSource> rows;
        while (st.step()) {
            rows.push_back(DataSource{
                st.value(0, FieldType::Text).toText(), st.value(1, FieldType::Text).toText(),
                st.value(2, FieldType::Text).toText(), st.value(3, FieldType::Text).toText()});
        }
        return rows;
    });
}

std::optional<DataSource> SourceOf(const std::vector<DataSource>& sources, const QString& table) {
    for (const DataSource& s : sources) {
        if (s.table == table)
            return s;
    }
    return std::nullopt;
}

QStringList ReadListItems(ModGlobal& g, const QString& table, const QString& column) {
    QStringList texts;
    for (const ReferenceItem& item : ReadReferenceItems(g, table, column))
        texts << item.text;
    return texts;
}

}  // namespace ie
