// The column table of 物件情報 against a fresh user database, and every column of it through save,
// load, the list and both CSV formats: driven by the table, so that a new row is covered too.
#include "common/Cp932.h"
#include "records/CsvExport.h"
#include "state/ModGlobal.h"
#include "state/PropertyColumns.h"
#include "state/PropertyStore.h"
#include "state/UserDatabase.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

#include <variant>

using namespace ie;
using namespace Qt::StringLiterals;

namespace {

QStringList TableInfo(db::Connection& con, const QString& table) {
    db::Statement st(con, u"PRAGMA table_info("_s + table + u')');
    QStringList out;
    while (st.step()) {
        // name, declared type, not null, default, primary key
        out << QStringList{st.value(1, db::FieldType::Text).toText(),
                           st.value(2, db::FieldType::Text).toText(),
                           st.value(3, db::FieldType::Text).toText(),
                           st.value(4, db::FieldType::Text).toText(),
                           st.value(5, db::FieldType::Text).toText()}
                   .join(u'|');
    }
    out.sort();
    return out;
}

// A value for every field column that no other column has, distinct per which (0 or 1), and
// that every format writes as it is (no quote-worthy start, CP932 only).
void SetDistinct(BukkenJoho& r, const PropertyColumn& c, int index, int which) {
    const int n = index * 2 + which + 1;
    std::visit(
        [&](auto field) {
            using F = decltype(field);
            if constexpr (std::is_same_v<F, Currency BukkenJoho::*>)
                r.*field = Currency::fromRaw(n * 1'000'000'123LL);
            else if constexpr (std::is_same_v<F, double BukkenJoho::*>)
                r.*field = n + 0.25;
            else if constexpr (std::is_same_v<F, qint32 BukkenJoho::*> ||
                               std::is_same_v<F, qint64 BukkenJoho::*>)
                r.*field = n;
            else if constexpr (std::is_same_v<F, QDate BukkenJoho::*>)
                r.*field = QDate(1990 + n, 1 + n % 12, 1 + n % 28);
            else if constexpr (std::is_same_v<F, QString BukkenJoho::*>)
                r.*field = c.columnName() + u"の値, \"%1\""_s.arg(n);
        },
        c.field);
}

// The field's value as the database layer gives it back.
db::Value ValueOf(const BukkenJoho& r, const PropertyColumn& c) {
    return std::visit(
        [&](auto field) -> db::Value {
            using F = decltype(field);
            if constexpr (std::is_same_v<F, Currency BukkenJoho::*>)
                return db::Value::currency(r.*field);
            else if constexpr (std::is_same_v<F, double BukkenJoho::*>)
                return db::Value::real(r.*field);
            else if constexpr (std::is_same_v<F, qint32 BukkenJoho::*> ||
                               std::is_same_v<F, qint64 BukkenJoho::*>)
                return db::Value::integer(r.*field);
            else if constexpr (std::is_same_v<F, QDate BukkenJoho::*>)
                return db::Value::date(r.*field);
            else if constexpr (std::is_same_v<F, QString BukkenJoho::*>)
                return db::Value::text(r.*field);
            else
                return db::Value();
        },
        c.field);
}

std::vector<std::pair<int, const PropertyColumn*>> FieldColumns() {
    std::vector<std::pair<int, const PropertyColumn*>> out;
    int i = 0;
    for (const PropertyColumn& c : PropertyColumns()) {
        if (c.role == ColumnRole::Field)
            out.emplace_back(i, &c);
        ++i;
    }
    return out;
}

// The fields of one CSV line, quotes undone.
QStringList SplitCsv(const QString& line) {
    QStringList out;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar ch = line[i];
        if (quoted && ch == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
            field += u'"';
            ++i;
        } else if (ch == u'"') {
            quoted = !quoted;
        } else if (ch == u',' && !quoted) {
            out << field;
            field.clear();
        } else {
            field += ch;
        }
    }
    out << field;
    return out;
}

}  // namespace

class TestColumns : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    db::Connection con_;

private Q_SLOTS:
    void init() {
        const QString path = dir_.filePath(u"Morinaxis_u.mdb"_s);
        QFile::remove(path);
        CreateUserDatabase(path);
        con_.close();
        con_.setConnectionString(ConnectionString(path));
        con_.open();
    }
    void cleanup() { con_.close(); }

    // The table made from the column table has the layout a new file gets from the version-1
    // schema and every upgrade step.
    void tableMatchesFreshDatabase() {
        con_.execute(PropertyTableDdl().replace(u"物件情報"_s, u"列の表"_s));
        QCOMPARE(TableInfo(con_, u"列の表"_s), TableInfo(con_, u"物件情報"_s));
    }

    void everyColumnRoundTrips() {
        PropertyStore store(con_);
        BukkenJoho first;
        BukkenJoho second;
        for (const auto& [i, c] : FieldColumns()) {
            SetDistinct(first, *c, i, 0);
            SetDistinct(second, *c, i, 1);
        }
        const qint32 id = store.insert(first, std::nullopt);
        const auto loadedFirst = store.load(id, BukkenJoho(), QDate(2000, 1, 1));
        QVERIFY(loadedFirst);
        second.KoshinKaisu = loadedFirst->record.KoshinKaisu;
        QCOMPARE(store.update(id, second, std::nullopt), UpdateOutcome::Saved);
        const auto loaded = store.load(id, BukkenJoho(), QDate(2000, 1, 1));
        QVERIFY(loaded);

        const std::vector<ListColumn>& listColumns = PropertyStore::listColumns();
        const std::vector<ListRow> rows = store.listRows(id, id);
        QCOMPARE(rows.size(), size_t(1));

        QBuffer sjis;
        QBuffer utf8;
        sjis.open(QIODevice::WriteOnly);
        utf8.open(QIODevice::WriteOnly);
        QVERIFY(WriteCsv(con_, sjis, u"a.csv"_s, CsvShiftJis()).ok);
        QVERIFY(WriteCsv(con_, utf8, u"b.csv"_s, CsvUtf8()).ok);
        QList<QStringList> csvs;
        for (const QString& text : {cp932::Decode(sjis.data()), QString::fromUtf8(utf8.data())}) {
            QStringList lines = text.split(u"\r\n"_s);
            QCOMPARE(lines.size(), 3);  // header, the row, nothing after the last CR LF
            csvs << SplitCsv(lines[0]) << SplitCsv(lines[1]);
        }
        QCOMPARE(csvs[0][0], u"住所"_s);  // no byte-order mark before the Shift_JIS title
        csvs[2][0].remove(QChar(0xFEFF));

        for (const auto& [i, c] : FieldColumns()) {
            const QString name = c->columnName();
            const db::Value expected = ValueOf(second, *c);
            QVERIFY2(!expected.isNull(), qPrintable(name));
            QVERIFY2(ValueOf(loaded->record, *c) == expected, qPrintable(name));
            QVERIFY2(!(ValueOf(first, *c) == expected), qPrintable(name));
            for (size_t k = 0; k < listColumns.size(); ++k) {
                if (listColumns[k].column == c) {
                    QVERIFY2(c->list != InList::No, qPrintable(name));
                    QVERIFY2(rows[0].values[k] == expected, qPrintable(name));
                }
            }
            for (int f = 0; f < 2; ++f) {
                // The UTF-8 file writes its figures for reading (the export's own tests check
                // them): here only that it has every CSV column.
                const QString title =
                    f == 1 && name == u"年間地価変動率"_s ? u"年間地価変動率（%）"_s : c->title();
                const qsizetype at = csvs[2 * f].indexOf(title);
                QCOMPARE(at >= 0, c->csv);
                if (at >= 0 && f == 0)
                    QCOMPARE(csvs[2 * f + 1].value(at), expected.toText());
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestColumns)
#include "tst_records_columns.moc"
