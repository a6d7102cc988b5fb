#pragma once

#include "platform/Database.h"
#include "records/ListFigures.h"
#include "report/HikakuChart.h"

#include <optional>
#include <vector>

namespace ie {

// One property as the comparison sees it: its address, the asking and estimated figures (land,
// house, total), the ratio and difference of the totals, and why it cannot be compared (empty when
// it can: both totals are above zero).
struct HikakuEntry {
    qint32 id = 0;
    QString address;
    std::optional<ListAmount> askingLand, askingHouse, asking;
    std::optional<ListAmount> estimateLand, estimateHouse, estimate;
    std::optional<double> ratio;
    std::optional<ListAmount> difference;
    QString reason;
    QStringList houseNotes;  // what the house estimate cannot say by itself (HouseNotes)
};

QString NoAskingText();    // "販売価格が未入力です"
QString NoEstimateText();  // "評価額が未計算です"

// The entry of one property from its values of 住所, 敷地販売価格, 家屋販売価格, 合計販売価格,
// 敷地評価額, 家屋評価額 and 合計価格, in this order, and, when given, 家屋構造CD, 坪単価,
// 延床面積, 家屋建築年月日, 評価年月日 and 経過年数の数え方 for the house's notes.
HikakuEntry HikakuEntryOf(qint32 id, const std::vector<db::Value>& values);

// The properties with these IDs, or every saved one, ascending by ID. The photo is never read.
// Throws AppError.
std::vector<HikakuEntry> ReadHikaku(db::Connection& con,
                                    const std::optional<std::vector<qint32>>& ids);

// The orders the comparison offers: 販売計算比 and 差額 from the lowest (the asking price furthest
// under the estimate first), the address in Japanese order. Ties keep the ID order.
enum class HikakuOrder { Ratio, Difference, Address };
QString HikakuOrderText(HikakuOrder order);
void SortHikaku(std::vector<HikakuEntry>& entries, HikakuOrder order);

// The chart's content: the comparable entries as bars in the entries' order, the others apart.
HikakuContent HikakuContentOf(const std::vector<HikakuEntry>& entries, HikakuOrder order,
                              const QDate& today);

}  // namespace ie
