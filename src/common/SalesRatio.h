#pragma once

#include <QString>

#include <optional>

namespace ie {

// 販売計算比, the one rule the report, the list and the comparison share.

// The asking-to-computed ratio, asking / computed * 100 (both in yen); nullopt when either side is
// not positive or the quotient is not a finite number, so that no division by zero is ever made.
std::optional<double> SalesRatio(double asking, double computed);
// A ratio as the report writes it, without the padding: "#,##0.##" with the decimal point always
// written, then "　％" ("95.13　％", "100.　％").
QString RatioText(double ratio);

}  // namespace ie
