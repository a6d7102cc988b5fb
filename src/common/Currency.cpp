#include "common/Currency.h"

#include "common/AppError.h"
#include "common/Rounding.h"

#include <cmath>
#include <limits>

namespace ie {

namespace {

// 2^63 as a double (exact). Every finite double below it converts to int64 without trouble.
constexpr double kTwoPow63 = 9223372036854775808.0;

[[noreturn]] void ThrowOverflow() {
    throw AppError(errors::kOverflow, OverflowDescription());
}

}  // namespace

std::optional<Currency> Currency::tryFromDouble(double value) {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    // The scaling is done in double, as the conversion of the platform this program comes from
    // does, and the product is what gets rounded: 0.00025 scales to exactly 2.5 and rounds to 2,
    // 0.00015 scales to 1.4999999999999998 and rounds to 1.
    const double scaled = RoundHalfEven(value * static_cast<double>(kScale));
    if (!std::isfinite(scaled) || scaled < -kTwoPow63 || scaled >= kTwoPow63) {
        return std::nullopt;
    }
    return fromRaw(static_cast<std::int64_t>(scaled));
}

Currency Currency::fromDouble(double value) {
    const std::optional<Currency> c = tryFromDouble(value);
    if (!c) {
        ThrowOverflow();
    }
    return *c;
}

double Currency::toDouble() const {
    return static_cast<double>(raw_) / static_cast<double>(kScale);
}

Currency Currency::operator+(Currency other) const {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(raw_, other.raw_, &sum)) {
        ThrowOverflow();
    }
    return fromRaw(sum);
}

Currency Currency::operator-(Currency other) const {
    std::int64_t diff = 0;
    if (__builtin_sub_overflow(raw_, other.raw_, &diff)) {
        ThrowOverflow();
    }
    return fromRaw(diff);
}

QString Currency::toPlainText() const {
    // Work on the magnitude as unsigned so that the most negative value needs no special case.
    const bool negative = raw_ < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(raw_) : static_cast<std::uint64_t>(raw_);
    const std::uint64_t whole = magnitude / kScale;
    std::uint64_t fraction = magnitude % kScale;

    QString text;
    if (negative) {
        text += QLatin1Char('-');
    }
    text += QString::number(whole);
    if (fraction != 0) {
        int places = 4;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --places;
        }
        text += QLatin1Char('.');
        text += QStringLiteral("%1").arg(fraction, places, 10, QLatin1Char('0'));
    }
    return text;
}

}  // namespace ie
