#pragma once

#include <QString>

#include <optional>

namespace ie {

// Which texts count as numbers, whatever the machine's locale: optional spaces around, an optional
// sign, digits with optional "," grouping, an optional "." fraction, an optional exponent.
// Full-width digits, signs, commas, periods and spaces (as pasted from Japanese text) count as
// their ASCII twins. The empty text, a lone sign or comma, and values beyond the double range
// (1e400) are not numbers.
std::optional<double> ParseNumber(const QString& text);
bool IsNumeric(const QString& text);

}  // namespace ie
