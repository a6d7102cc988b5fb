#pragma once

#include <QString>

#include <compare>
#include <cstdint>
#include <optional>

namespace ie {

// Money as a signed 64-bit count of ten-thousandths of a yen (four decimal places).
// Arithmetic that would leave the range throws AppError(errors::kOverflow).
class Currency {
public:
    static constexpr std::int64_t kScale = 10000;

    constexpr Currency() = default;
    static constexpr Currency fromRaw(std::int64_t tenThousandths) {
        Currency c;
        c.raw_ = tenThousandths;
        return c;
    }
    // Rounds to the nearest ten-thousandth, a tie going to the even neighbour.
    // Throws AppError(kOverflow) for a value outside the range, NaN or infinity.
    static Currency fromDouble(double value);
    // The same without throwing: nullopt where fromDouble would throw.
    static std::optional<Currency> tryFromDouble(double value);

    constexpr std::int64_t raw() const { return raw_; }
    double toDouble() const;
    bool isZero() const { return raw_ == 0; }

    // Throw AppError(kOverflow) when the result leaves the range.
    Currency operator+(Currency other) const;
    Currency operator-(Currency other) const;

    constexpr auto operator<=>(const Currency&) const = default;

    // Shortest plain decimal text with at most four places and no grouping: "18750000",
    // "19266472.6027", "-0.5".
    QString toPlainText() const;

private:
    std::int64_t raw_ = 0;
};

}  // namespace ie
