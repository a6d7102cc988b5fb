#pragma once

#include "report/ModPrint.h"

#include <QColor>
#include <QDate>
#include <QRect>
#include <QString>
#include <QStringList>

#include <vector>

class QPainter;

namespace ie {

// What the comparison chart shows, worked out by the caller: one row per comparable property with
// its two totals in yen, and the properties that cannot be compared with their reason.
struct HikakuBar {
    QString label;        // the address
    double asking = 0;    // 合計販売価格, yen, above zero
    double estimate = 0;  // 合計価格, yen, above zero
    QString ratioText;    // "95.13　％"
    QString askingTip;    // the land and house figures behind each bar
    QString estimateTip;
    // What the house estimate cannot say by itself: its bar carries a mark, explained under the
    // chart.
    QStringList estimateNotes;
};
struct HikakuApart {
    QString label;
    QString reason;
};
struct HikakuContent {
    QString orderText;  // how the rows are ordered, for the heading
    QDate today;
    std::vector<HikakuBar> bars;
    std::vector<HikakuApart> apart;
};

QString HikakuEmptyText();  // "比較できる物件がありません。"
QColor HikakuAskingColor();
QColor HikakuEstimateColor();

// One thing on a chart page, in twips from the page's top-left corner. Texts are written with the
// report's font from rect's top-left corner (right-aligned to rect's right edge when rightAligned;
// cut with "…" to rect's width when elide). Bars are filled rectangles; row is their index in
// HikakuContent::bars. tip is what hovering over the item shows.
struct HikakuItem {
    enum class Kind { Text, AskingBar, EstimateBar };
    Kind kind = Kind::Text;
    QRect rect;
    QString text;
    int pointSize = 10;
    bool rightAligned = false;
    bool elide = false;
    int row = -1;
    QString tip;
};
struct HikakuPage {
    std::vector<HikakuItem> items;
    int height = 0;  // twips used
};

// The chart laid out on pages of pageTwips: each page repeats the heading, the rows follow in the
// content's order, then the properties kept apart. A page height of 0 lays everything out on one
// page as tall as it needs (the screen and PNG). Bar lengths share one scale: the largest total
// fills the bar area.
std::vector<HikakuPage> HikakuLayout(const HikakuContent& content, QSize pageTwips);

// Draws a laid-out page onto the painter, the page's twips stretched over target.device. Given a
// rectangle of the page (twips), only the items that reach into it are drawn: a screen repaints
// just what it uncovers of a long chart.
void DrawHikakuPage(QPainter& painter, const ChohyoTarget& target, const HikakuPage& page,
                    const QRect& onlyTwips = QRect());

// The tip of the item under a point (twips), empty when none has one.
QString HikakuTipAt(const HikakuPage& page, QPoint twips);

}  // namespace ie
