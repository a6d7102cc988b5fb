#pragma once

#include <QStringList>

namespace ie {

struct BukkenJoho;

// Whether a plot may be built on again: 建築基準法 asks for 2 m of it on a road (接道義務). The
// worksheet, the lot-factor dialog and both report pages warn by the same rule.

QString NarrowFrontageWarning();  // 「間口が2m未満です。…」
QString NoRoadWarning();          // 「道路に面していないため、…」

// The rule on plain figures: no road, or the longest length in contact with any road (cm; 0 when
// unknown, which warns of nothing) under 2 m.
QStringList RoadAccessWarnings(bool noRoad, qint64 longestContact);

// The rule for the property: the quick way knows only 道路に面していない; the official way also
// its 間口 and the lengths its side and rear roads touch (a side road without one runs along the
// whole 奥行, a rear road along the whole 間口). On the 倍率 path the dimensions are not asked.
QStringList RoadAccessWarnings(const BukkenJoho& rec);

}  // namespace ie
