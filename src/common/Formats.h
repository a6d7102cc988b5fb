#pragma once

#include "common/Currency.h"

#include <QDate>
#include <QString>

namespace ie {

// "#,##0": whole number, "," every three digits, "-" for negatives; the fraction rounds half away
// from zero (1234.5 -> "1,235", 0.4 -> "0", -0.4 -> "0").
QString FormatWhole(double value);
QString FormatWhole(Currency value);
// "0.0": one decimal, no grouping, rounded as FormatWhole (0.49 -> "0.5", -0.04 -> "0.0").
QString FormatFixed1(double value);
// "#,##0.00": two decimals with grouping (85.5 -> "85.50", 1234.5 -> "1,234.50").
QString FormatGrouped2(double value);
// "0.00": two decimals, no grouping.
QString FormatFixed2(double value);
// The plain number text: at most 15 significant digits, no trailing zeros, no grouping
// (1.5, -2, 4.6 for 0.046 * 100).
QString PlainNumber(double value);
// "yyyy/mm/dd"; an invalid date gives an empty text.
QString FormatDate(const QDate& date);

}  // namespace ie
