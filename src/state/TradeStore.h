#pragma once

#include "common/TradeCsv.h"
#include "platform/Database.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace ie {

// The database of imported trades (ModGlobal::TradesDbPath): a file of its own, never the user
// database. Trades are kept by (都道府県, 取引時期), each such quarter in a block of IDs of its own
// (取込区分ID × 2^32 + row), so that replacing or removing a quarter is one range of the table's
// key and needs no index beyond the one the comparison reads by (市区町村コード, 種類, 取引時期).

// The layout the program writes; a file of an older layout is made again by importing.
inline constexpr int kTradesDbVersion = 1;

// Opens the trades database, making it (and its folder) when create is set and it is missing.
// Throws db::DbError: a file that is no database, is damaged or lacks this program's tables is
// one TradesDbDamaged() names.
void OpenTradesDb(db::Connection& con, const QString& path, bool create);
// Whether a failure of OpenTradesDb (or of a read) means the file is damaged or of another kind,
// so that the program may offer to make it again by importing.
bool TradesDbDamaged(const AppError& e);
// Removes a damaged trades database (and its journal), so that the next import makes it anew.
// False when it cannot be removed.
bool RemoveTradesDb(const QString& path);

// Schema of the trades table, shared by the import's staging table, and its index.
QString TradeColumnsDdl();
QString TradeIndexDdl();
// Whether the trades table holds any row.
bool HasTrades(db::Connection& con);

// What is imported for a prefecture.
struct TradePrefectureSummary {
    int prefecture = 0;
    QString name;
    int firstPeriod = 0;
    int lastPeriod = 0;
    int quarters = 0;
    qint64 trades = 0;
    QList<int> periods;  // every quarter held, in order
};
std::vector<TradePrefectureSummary> TradeSummary(db::Connection& con);
// Removes every trade of a prefecture, in one transaction. Returns the trades removed.
qint64 RemoveTradePrefecture(db::Connection& con, int prefecture);

// The lists the property's location is picked from.
struct TradeCity {
    int code = 0;
    QString name;
};
QList<int> TradePrefectures(db::Connection& con);
std::vector<TradeCity> TradeCities(db::Connection& con, int prefecture);
QStringList TradeDistricts(db::Connection& con, int cityCode);
QStringList TradeStations(db::Connection& con, int cityCode);

// A stored trade (the texts of the prefecture and city are not repeated per trade).
struct StoredTrade {
    qint64 id = 0;
    trades::Trade trade;
};
// The trades of one kind in one city traded from..to (quarters, both included), read through the
// comparison's index.
std::vector<StoredTrade> ReadTrades(db::Connection& con, int cityCode, trades::Kind kind,
                                    int fromPeriod, int toPeriod);

// A measured value as one column: Null blank, v >= 0 exact, v < 0 a floor or range from -v - 1.
qint64 MeasureToColumn(const trades::Measure& m);
trades::Measure MeasureFromColumn(bool null, qint64 v);

}  // namespace ie
