#pragma once

#include "common/Currency.h"
#include "common/TradeCsv.h"
#include "state/TradeStore.h"

#include <QString>

#include <optional>
#include <vector>

namespace ie {

struct BukkenJoho;
namespace db {
class Connection;
}

// 相場比較: the property set against trades of its kind in its city. Plain functions, with no
// window, over the trades database.

// The property as the comparison sees it.
struct ComparisonSubject {
    bool house = false;  // a house and its land (坪単価 and 延床面積 given), else land alone
    int cityCode = 0;
    QString district;
    int valuationPeriod = 0;  // the quarter of the valuation date
    // The house's floor area in hundredths of a tsubo (a ㎡ being 121/400 of a tsubo), or the
    // land's area in hundredths of a ㎡.
    qint64 size = 0;
    int builtYear = 0;  // the house's
    Currency asking;    // 合計販売価格
    Currency estimate;  // 合計価格
};
// The subject of a property; nullopt with the reason in *why when it cannot be compared (no
// 市区町村 chosen, no area).
std::optional<ComparisonSubject> SubjectOf(const BukkenJoho& rec, QString* why);

// The conditions of one tier.
struct ComparisonTier {
    int number = 1;
    bool sameDistrict = true;
    int quarters = 8;  // up to and including the valuation date's quarter
    int years = 10;    // 建築年 within ± this (houses only)
    int percent = 30;  // area within ± this percent
};
const std::vector<ComparisonTier>& ComparisonTiers();
// The first quarter of a tier's span.
int FirstPeriod(const ComparisonTier& tier, int valuationPeriod);

// Whether a trade's exact area (hundredths of a ㎡) is within ±percent of the subject's, edges
// included, compared in whole numbers.
bool AreaWithin(qint64 tradeHundredths, const ComparisonSubject& s, int percent);

// The statistics of some amounts, exact: quartile Qp is the value at position (n − 1) × p of the
// sorted values, interpolated linearly (the median of an even count the mean of the middle two).
struct Quartiles {
    int count = 0;
    Currency q1;
    Currency median;
    Currency q3;
};
Quartiles QuartilesOf(std::vector<qint64> yen);
// 総額 ÷ 面積 in whole yen per ㎡ (half to even); nullopt when the area is not an exact figure.
std::optional<qint64> PricePerSquareMetre(const trades::Trade& t);

struct ComparedTrade {
    StoredTrade stored;
    bool inStatistics = true;  // false: 取引の事情等 is not empty
    std::optional<qint64> perSquareMetre;
    int age = -1;  // years from building to the valuation date's year; -1 unknown
};

struct ComparisonResult {
    ComparisonSubject subject;
    int tier = 0;             // the tier used (3 when none had enough)
    bool enough = false;      // at least kComparisonMinimum trades in the statistics
    QString tierText;         // the tier in words
    std::vector<ComparedTrade> trades;  // every trade the tier takes, those left out included
    int leftOut = 0;          // trades of the tier left out of the statistics
    Quartiles price;          // 取引価格（総額）
    Quartiles perSquareMetre; // 総額 ÷ 土地面積
    std::optional<double> askingRatio;    // asking ÷ median price × 100
    std::optional<double> estimateRatio;  // estimate ÷ median price × 100
};
inline constexpr int kComparisonMinimum = 5;

// The comparison over trades already read (those of the subject's kind and city in the widest
// tier's span, or more).
ComparisonResult CompareTrades(const ComparisonSubject& subject,
                               const std::vector<StoredTrade>& trades);
// The same read from the trades database, through its index; memory grows with the trades of one
// city, never with the whole table.
ComparisonResult CompareWithTrades(db::Connection& con, const ComparisonSubject& subject);

// The one sentence on what a comparison with trades cannot see.
QString ComparisonLimitsText();
// The count in words: "12件（取引の事情等がある2件を除く）".
QString ComparisonCountText(const ComparisonResult& r);

}  // namespace ie
