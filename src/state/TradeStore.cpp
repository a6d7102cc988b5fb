#include "state/TradeStore.h"

#include "platform/FileLocations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <map>

namespace ie {

namespace {

using trades::Kind;
using trades::Measure;

// Every trade of a quarter has an ID in its block: 取込区分ID << 32 | row.
constexpr qint64 kBlock = qint64(1) << 32;

void CreateSchema(db::Connection& con) {
    db::Transaction tx(con);
    con.execute(
        QStringLiteral("CREATE TABLE IF NOT EXISTS 取込区分 ("
                       "取込区分ID INTEGER PRIMARY KEY, 都道府県コード INTEGER NOT NULL, "
                       "取引時期 INTEGER NOT NULL, 件数 INTEGER NOT NULL, "
                       "取込元 TEXT, 取込日時 TEXT, UNIQUE (都道府県コード, 取引時期))"));
    con.execute(
        QStringLiteral("CREATE TABLE IF NOT EXISTS 市区町村 ("
                       "市区町村コード INTEGER PRIMARY KEY, 都道府県名 TEXT, "
                       "市区町村名 TEXT)"));
    con.execute(QStringLiteral("CREATE TABLE IF NOT EXISTS 取引 (") + TradeColumnsDdl() +
                QLatin1Char(')'));
    con.execute(TradeIndexDdl());
    con.execute(QStringLiteral("PRAGMA user_version = ") + QString::number(kTradesDbVersion));
    tx.commit();
}

qint64 ScalarInt(db::Connection& con, const QString& sql) {
    db::Statement st(con, sql);
    return st.step() ? st.int64(0) : 0;
}

}  // namespace

QString TradeIndexDdl() {
    return QStringLiteral(
        "CREATE INDEX IF NOT EXISTS main.取引_比較 ON 取引 (市区町村コード, 種類, 取引時期)");
}

bool HasTrades(db::Connection& con) {
    return ScalarInt(con, QStringLiteral("SELECT EXISTS (SELECT 1 FROM 取引)")) != 0;
}

QString TradeColumnsDdl() {
    return QStringLiteral(
        "取引ID INTEGER PRIMARY KEY, 種類 INTEGER NOT NULL, 成約 INTEGER NOT NULL, "
        "市区町村コード INTEGER NOT NULL, 地区名 TEXT, 最寄駅 TEXT, 駅距離 INTEGER, "
        "取引価格 INTEGER NOT NULL, 間取り TEXT, 面積 INTEGER, 延床面積 INTEGER, 建築年 INTEGER, "
        "構造 TEXT, 取引時期 INTEGER NOT NULL, 改装 TEXT, 事情 TEXT");
}

void OpenTradesDb(db::Connection& con, const QString& path, bool create) {
    const bool exists = QFileInfo::exists(path);
    if (!exists && create) {
        QString why;
        const QString folder = QFileInfo(path).absolutePath();
        if (!QFileInfo(folder).isDir() && !MakeUserFolder(folder, &why))
            throw db::DbError(db::kReadOnly, why);
    }
    con.setConnectionString(QStringLiteral("Data Source=") + path);
    con.setCreate(create);
    con.open();
    try {
        // The rollback journal, synced at every commit: an import's new pages are written once
        // (a write-ahead log would write them twice), and its transactions are few.
        con.execute(QStringLiteral("PRAGMA cache_size = -65536"));
        const bool ours = db::HasAnyTable(con, {QStringLiteral("取引")});
        const bool empty =
            ScalarInt(con, QStringLiteral("SELECT count(*) FROM sqlite_master")) == 0;
        if (!ours && !empty)
            throw db::DbError(db::kNotADatabase,
                              QStringLiteral("取引事例のデータベースではありません。"));
        if (!ours || ScalarInt(con, QStringLiteral("PRAGMA user_version")) != kTradesDbVersion) {
            if (!ours && !con.isWritable())
                throw db::DbError(db::kReadOnly, QStringLiteral("ファイルに書き込めません。"));
            if (ours)
                throw db::DbError(db::kNotADatabase,
                                  QStringLiteral("取引事例のデータベースの版が違います。"));
            CreateSchema(con);
        } else if (con.isWritable() &&
                   ScalarInt(con, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE "
                                                 "type = 'index' AND name = '取引_比較'")) == 0) {
            // An import that ended before building its index leaves the table without one.
            con.execute(TradeIndexDdl());
        }
    } catch (...) {
        con.close();
        throw;
    }
}

bool TradesDbDamaged(const AppError& e) {
    const int code = e.number() & 0xff;
    return code == db::kCorrupt || code == db::kNotADatabase;
}

bool RemoveTradesDb(const QString& path) {
    for (const QString& suffix :
         {QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")}) {
        QFile::remove(path + suffix);
    }
    return !QFileInfo::exists(path) || QFile::remove(path);
}

std::vector<TradePrefectureSummary> TradeSummary(db::Connection& con) {
    std::map<int, TradePrefectureSummary> by;
    db::Statement st(con, QStringLiteral("SELECT 都道府県コード, 取引時期, 件数 FROM 取込区分 "
                                         "ORDER BY 都道府県コード, 取引時期"));
    while (st.step()) {
        const int pref = static_cast<int>(st.int64(0));
        const int period = static_cast<int>(st.int64(1));
        TradePrefectureSummary& s = by[pref];
        if (s.quarters == 0) {
            s.prefecture = pref;
            s.name = trades::PrefectureNames().value(pref - 1);
            s.firstPeriod = period;
        }
        s.lastPeriod = period;
        ++s.quarters;
        s.trades += st.int64(2);
        s.periods << period;
    }
    std::vector<TradePrefectureSummary> out;
    for (auto& [pref, s] : by)
        out.push_back(std::move(s));
    return out;
}

qint64 RemoveTradePrefecture(db::Connection& con, int prefecture) {
    db::Transaction tx(con);
    qint64 removed = 0;
    {
        db::Statement blocks(
            con, QStringLiteral("SELECT 取込区分ID FROM 取込区分 WHERE 都道府県コード = ?"));
        blocks.bindInt64(1, prefecture);
        db::Statement del(con, QStringLiteral("DELETE FROM 取引 WHERE 取引ID BETWEEN ? AND ?"));
        while (blocks.step()) {
            const qint64 block = blocks.int64(0);
            del.bindInt64(1, block * kBlock);
            del.bindInt64(2, block * kBlock + kBlock - 1);
            del.run();
            del.reset();
            removed += con.changes();
        }
    }
    db::Statement parts(con, QStringLiteral("DELETE FROM 取込区分 WHERE 都道府県コード = ?"));
    parts.bindInt64(1, prefecture);
    parts.run();
    db::Statement cities(
        con, QStringLiteral("DELETE FROM 市区町村 WHERE 市区町村コード BETWEEN ? AND ?"));
    cities.bindInt64(1, prefecture * 1000);
    cities.bindInt64(2, prefecture * 1000 + 999);
    cities.run();
    tx.commit();
    return removed;
}

QList<int> TradePrefectures(db::Connection& con) {
    QList<int> out;
    db::Statement st(con, QStringLiteral("SELECT DISTINCT 都道府県コード FROM 取込区分 "
                                         "ORDER BY 都道府県コード"));
    while (st.step())
        out << static_cast<int>(st.int64(0));
    return out;
}

std::vector<TradeCity> TradeCities(db::Connection& con, int prefecture) {
    std::vector<TradeCity> out;
    db::Statement st(con, QStringLiteral("SELECT 市区町村コード, 市区町村名 FROM 市区町村 "
                                         "WHERE 市区町村コード BETWEEN ? AND ? ORDER BY 1"));
    st.bindInt64(1, prefecture * 1000);
    st.bindInt64(2, prefecture * 1000 + 999);
    while (st.step())
        out.push_back({static_cast<int>(st.int64(0)), st.text(1)});
    return out;
}

namespace {

QStringList DistinctTexts(db::Connection& con, const QString& column, int cityCode) {
    QStringList out;
    // Through the comparison's index: the rows of one city only.
    db::Statement st(con, QStringLiteral("SELECT DISTINCT ") + column +
                              QStringLiteral(" FROM 取引 WHERE 市区町村コード = ? AND ") + column +
                              QStringLiteral(" IS NOT NULL"));
    st.bindInt64(1, cityCode);
    while (st.step())
        out << st.text(0);
    return out;
}

}  // namespace

QStringList TradeDistricts(db::Connection& con, int cityCode) {
    return DistinctTexts(con, QStringLiteral("地区名"), cityCode);
}

QStringList TradeStations(db::Connection& con, int cityCode) {
    return DistinctTexts(con, QStringLiteral("最寄駅"), cityCode);
}

qint64 MeasureToColumn(const Measure& m) {
    return m.kind == Measure::Kind::AtLeast ? -m.value - 1 : m.value;
}

Measure MeasureFromColumn(bool null, qint64 v) {
    if (null)
        return {};
    if (v < 0)
        return {Measure::Kind::AtLeast, -v - 1};
    return {Measure::Kind::Exact, v};
}

std::vector<StoredTrade> ReadTrades(db::Connection& con, int cityCode, Kind kind, int fromPeriod,
                                    int toPeriod) {
    std::vector<StoredTrade> out;
    db::Statement st(
        con, QStringLiteral("SELECT 取引ID, 成約, 地区名, 最寄駅, 駅距離, 取引価格, 間取り, 面積, "
                            "延床面積, 建築年, 構造, 取引時期, 改装, 事情 FROM 取引 "
                            "WHERE 市区町村コード = ? AND 種類 = ? AND 取引時期 BETWEEN ? AND ?"));
    st.bindInt64(1, cityCode);
    st.bindInt64(2, static_cast<int>(kind));
    st.bindInt64(3, fromPeriod);
    st.bindInt64(4, toPeriod);
    while (st.step()) {
        StoredTrade s;
        s.id = st.int64(0);
        trades::Trade& t = s.trade;
        t.kind = kind;
        t.cityCode = cityCode;
        t.prefecture = cityCode / 1000;
        t.contractPrice = st.int64(1) != 0;
        t.district = st.text(2);
        t.station = st.text(3);
        t.minutes = MeasureFromColumn(st.isNull(4), st.int64(4));
        t.price = st.int64(5);
        t.layout = st.text(6);
        t.area = MeasureFromColumn(st.isNull(7), st.int64(7));
        t.floorArea = MeasureFromColumn(st.isNull(8), st.int64(8));
        if (!st.isNull(9)) {
            const qint64 y = st.int64(9);
            t.built = y == 0
                          ? trades::BuildYear{trades::BuildYear::Kind::Prewar, 0}
                          : trades::BuildYear{trades::BuildYear::Kind::Year, static_cast<int>(y)};
        }
        t.structure = st.text(10);
        t.period = static_cast<int>(st.int64(11));
        t.renovation = st.text(12);
        t.circumstances = st.text(13);
        out.push_back(std::move(s));
    }
    return out;
}

}  // namespace ie
