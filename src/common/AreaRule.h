#pragma once

#include <QString>

#include <optional>

namespace ie {

// Areas are kept to two decimals, as registers and sales sheets give them. Every area the program
// calculates with, saves, lists or prints is the rounded one, so the figure shown is the figure
// used.

// The value rounded half away from zero to two decimals, on its 15 significant digits as the
// display formats round (132.235 -> 132.24, 0.004 -> 0).
double RoundArea(double value);

// "#,##0.##": grouped, at most two decimals, no trailing zeros or point (132 -> "132",
// 132.5 -> "132.5", 1234.567 -> "1,234.57").
QString FormatArea(double value);

// 敷地面積 in ㎡: a number by the number rule, optionally followed by its unit as below, rounded to
// two decimals.
std::optional<double> ParseSiteArea(const QString& text);

// 延床面積 in 坪, rounded to two decimals. A trailing "㎡", "m2", "m²" or "ｍ２" (any text that
// NFKC makes "m2") marks the number as square metres, converted at 1 坪 = 400/121 ㎡
// (100㎡ -> 30.25). A text that is no number, with or without the unit, gives nothing.
std::optional<double> ParseFloorArea(const QString& text);

}  // namespace ie
