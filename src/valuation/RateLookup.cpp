#include "valuation/RateLookup.h"

#include "app/ModGlobal.h"
#include "common/AppError.h"

namespace ie {

namespace {

// Error numbers of the reads that find no usable value (the ones Windows programs show).
constexpr int kInvalidUseOfNull = 94;

// Leaves SysDbRs closed on every way out of a read.
class RecordsetCloser {
public:
    explicit RecordsetCloser(db::Recordset& rs) : rs_(rs) {}
    ~RecordsetCloser() { rs_.close(); }
    RecordsetCloser(const RecordsetCloser&) = delete;
    RecordsetCloser& operator=(const RecordsetCloser&) = delete;

private:
    db::Recordset& rs_;
};

QString TablePrefix(const QString& table) {
    return QStringLiteral("システムデータベースの表「%1」").arg(table);
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

double ReadRate(const db::Recordset& rs, const QString& table, const QString& column) {
    const db::Value v = rs.value(column);
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
    const QString sql = QStringLiteral("SELECT 補正率 ") + QStringLiteral("FROM  ") + table +
                        QStringLiteral(" WHERE ランク = ") + QString::number(rank);
    RecordsetCloser closer(g.SysDbRs);
    return NamingTable(table, [&] {
        g.SysDbRs.open(sql, g.SysDbCon);
        if (g.SysDbRs.recordCount() == 0) {
            // No row has this rank: the table's last row, its highest rank, stands in.
            g.SysDbRs.close();
            g.SysDbRs.open(table, g.SysDbCon);
            if (g.SysDbRs.recordCount() == 0)
                throw NoRow(table);
            g.SysDbRs.moveLast();
        }
        return ReadRate(g.SysDbRs, table, QStringLiteral("補正率"));
    });
}

double ModGetKaokuTuboTanka(ModGlobal& g, qint32 code) {
    const QString table = QStringLiteral("家屋構造別坪単価");
    const QString sql = QStringLiteral("SELECT 坪単価 ") +
                        QStringLiteral("FROM  家屋構造別坪単価") +
                        QStringLiteral(" WHERE 構造CD = ") + QString::number(code);
    RecordsetCloser closer(g.SysDbRs);
    return NamingTable(table, [&] {
        g.SysDbRs.open(sql, g.SysDbCon);
        if (g.SysDbRs.recordCount() == 0 || g.SysDbRs.eof())
            throw NoRow(table);
        return ReadRate(g.SysDbRs, table, QStringLiteral("坪単価"));
    });
}

QStringList ReadListItems(ModGlobal& g, const QString& table, const QString& column) {
    RecordsetCloser closer(g.SysDbRs);
    return NamingTable(table, [&] {
        QStringList items;
        g.SysDbRs.open(table, g.SysDbCon);
        if (g.SysDbRs.recordCount() > 0) {
            g.SysDbRs.moveFirst();
            if (table == QStringLiteral("崖地補正率")) {
                g.SysDbRs.moveNext();  // the first row is never offered
            }
            while (!g.SysDbRs.eof()) {
                items << g.SysDbRs.value(column).toText();
                g.SysDbRs.moveNext();
            }
        }
        return items;
    });
}

}  // namespace ie
