#pragma once

#include "common/Currency.h"

#include <QString>

#include <optional>

namespace ie {

// 販売計算比, the one rule the report, the list and the comparison share.

// The asking-to-computed ratio, asking / computed * 100 (both in yen); nullopt when either side is
// not positive or the quotient is not a finite number, so that no division by zero is ever made.
std::optional<double> SalesRatio(double asking, double computed);
// A ratio as the report, the list and the comparison write it, without the padding: "#,##0.00"
// then "　％" ("95.13　％", "48.20　％", "100.00　％").
QString RatioText(double ratio);
// The number alone, "#,##0.00" ("48.20"), rounded half away from zero on the digits a user would
// see (its 15 significant digits).
QString RatioNumber(double value);

// The asking prices of land, house and total as given (0 where not given) and what becomes of the
// total: filled with land + house when both are given and the total is not, or said to differ
// from that sum when all three are given.
struct AskingTotal {
    Currency total;
    bool filled = false;
    bool differs = false;
};
AskingTotal CheckAskingTotal(Currency land, Currency house, Currency total);

}  // namespace ie
