#pragma once

#include "report/ModPrint.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QPainter;

namespace ie {

// 相場比較 as a page: the figures in words, a dot chart of the trades (price against floor area,
// land area or age) with the asking price and the estimate marked, what the comparison cannot see,
// and the credit of the data. The content is worked out by the caller; this only lays it out.
struct SoubaPoint {
    double x = 0;
    double yen = 0;
    bool counted = true;  // false: left out of the statistics (取引の事情等), drawn hollow
};
struct SoubaContent {
    QString subtitle;  // which property
    QDate today;
    QStringList lines;  // tier, count, statistics, ratios
    QString xTitle;     // "延床面積（㎡）", "土地面積（㎡）", "築年数（年）"
    std::vector<SoubaPoint> points;
    std::optional<double> subjectX;  // the property's own x, where its prices are marked
    double asking = 0;               // yen; 0 when none
    double estimate = 0;
    QString limits;  // what the comparison cannot see
    QString credit;  // the data's source
};

// The dot chart's colours: trades, the asking price, the estimate.
QColor SoubaTradeColor();
QColor SoubaAskingColor();
QColor SoubaEstimateColor();

// The chart alone in rect (twips of the painter's current transform).
void DrawSoubaChart(QPainter& painter, const QRectF& rect, const SoubaContent& content);

// The whole page on target (A4 landscape twips).
void PrintSouba(QPainter& painter, const ChohyoTarget& target, const SoubaContent& content);

}  // namespace ie
