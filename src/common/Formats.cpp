#include "common/Formats.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace ie {

namespace {

// A finite double as 15 significant decimal digits: value = d0.d1...d14 x 10^exponent. The
// display formats of the platform this program comes from first reduce a double to 15 significant
// digits and round that decimal text, so 0.855 * 100 (85.49999999999999 in binary) shows as 85.50.
struct Decimal15 {
    bool negative = false;
    std::string digits;  // exactly 15 digits; "000000000000000" for zero
    int exponent = 0;
};

Decimal15 ToDecimal15(double value) {
    Decimal15 d;
    d.negative = std::signbit(value);
    char buf[64];
    // to_chars ignores the C locale (a "," decimal point cannot creep in).
    const auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    // "d.ddddddddddddddde+XX", read in place: this runs for every figure shown or rounded.
    const char* e =
        std::find(static_cast<const char*>(buf), static_cast<const char*>(res.ptr), 'e');
    d.digits.assign(1, buf[0]);
    d.digits.append(buf + 2, static_cast<std::size_t>(e - (buf + 2)));
    const char* exp = e + 1;
    if (exp < res.ptr && *exp == '+')
        ++exp;
    std::from_chars(exp, res.ptr, d.exponent);
    if (d.digits.find_first_not_of('0') == std::string::npos) {
        d.exponent = 0;
    }
    return d;
}

// Writes integer digits to out with "," every three, returning the end.
char* PutGrouped(char* out, const char* digits, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) {
            *out++ = ',';
        }
        *out++ = digits[i];
    }
    return out;
}

// The value rounded half away from zero to the given number of decimal places.
QString FormatPlaces(double value, int places, bool grouped) {
    if (!std::isfinite(value)) {
        return {};
    }
    const Decimal15 d = ToDecimal15(value);
    // The number of the 15 digits that stay in front of the rounding place.
    const long kept = static_cast<long>(d.exponent) + 1 + places;
    // value x 10^places as an integer, decimal digits; at most 309 integer digits and the places,
    // with room for a carry.
    char scaled[400];
    std::size_t n = 0;
    const std::size_t total = d.digits.size();
    if (kept <= 0) {
        scaled[n++] = (kept == 0 && d.digits[0] >= '5') ? '1' : '0';
    } else if (kept >= static_cast<long>(total)) {
        std::memcpy(scaled, d.digits.data(), total);
        n = static_cast<std::size_t>(kept);
        std::memset(scaled + total, '0', n - total);
    } else {
        n = static_cast<std::size_t>(kept);
        std::memcpy(scaled, d.digits.data(), n);
        if (d.digits[n] >= '5') {
            std::size_t i = n;
            while (i > 0 && scaled[i - 1] == '9') {
                scaled[--i] = '0';
            }
            if (i > 0) {
                ++scaled[i - 1];
            } else {
                std::memmove(scaled + 1, scaled, n++);
                scaled[0] = '1';
            }
        }
    }
    std::size_t first = 0;
    while (first < n && scaled[first] == '0') {
        ++first;
    }
    const bool zero = first == n;
    const char* digits = zero ? "0" : scaled + first;
    std::size_t count = zero ? 1 : n - first;
    char padded[400];
    const std::size_t need = static_cast<std::size_t>(places) + 1;
    if (count < need) {
        std::memset(padded, '0', need - count);
        std::memcpy(padded + need - count, digits, count);
        digits = padded;
        count = need;
    }
    const std::size_t integerCount = count - static_cast<std::size_t>(places);

    char out[600];
    char* p = out;
    if (d.negative && !zero) {
        *p++ = '-';  // a value that rounds to zero shows no sign
    }
    if (grouped) {
        p = PutGrouped(p, digits, integerCount);
    } else {
        std::memcpy(p, digits, integerCount);
        p += integerCount;
    }
    if (places > 0) {
        *p++ = '.';
        std::memcpy(p, digits + integerCount, static_cast<std::size_t>(places));
        p += places;
    }
    return QString::fromLatin1(out, p - out);
}

}  // namespace

QString FormatWhole(double value) {
    return FormatPlaces(value, 0, true);
}

QString FormatWhole(Currency value) {
    const std::int64_t raw = value.raw();
    const bool negative = raw < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(raw) : static_cast<std::uint64_t>(raw);
    std::uint64_t whole = magnitude / Currency::kScale;
    if (magnitude % Currency::kScale >= Currency::kScale / 2) {
        ++whole;  // x.5000 goes away from zero
    }
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, whole).ptr;
    char out[40];
    char* p = out;
    if (negative && whole != 0) {
        *p++ = '-';
    }
    p = PutGrouped(p, digits, static_cast<std::size_t>(end - digits));
    return QString::fromLatin1(out, p - out);
}

QString FormatFixed1(double value) {
    return FormatPlaces(value, 1, false);
}

QString FormatGrouped2(double value) {
    return FormatPlaces(value, 2, true);
}

QString FormatFixed2(double value) {
    return FormatPlaces(value, 2, false);
}

QString PlainNumber(double value) {
    if (!std::isfinite(value)) {
        return {};
    }
    if (value == 0.0) {
        return QStringLiteral("0");  // also for -0
    }
    const Decimal15 d = ToDecimal15(value);
    std::string digits = d.digits;
    digits.erase(digits.find_last_not_of('0') + 1);  // at least one digit is not 0

    std::string out = d.negative ? "-" : "";
    if (d.exponent < -4 || d.exponent >= 15) {
        // Too large or too small for plain digits: "1.5E+20", "1E-05".
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out.append(digits, 1, std::string::npos);
        }
        out += d.exponent < 0 ? "E-" : "E+";
        const int absExp = std::abs(d.exponent);
        if (absExp < 10) {
            out += '0';
        }
        out += std::to_string(absExp);
    } else if (d.exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-d.exponent - 1), '0');
        out += digits;
    } else {
        const std::size_t pointAt = static_cast<std::size_t>(d.exponent) + 1;
        if (digits.size() <= pointAt) {
            out += digits;
            out.append(pointAt - digits.size(), '0');
        } else {
            out.append(digits, 0, pointAt);
            out += '.';
            out.append(digits, pointAt, std::string::npos);
        }
    }
    return QString::fromLatin1(out);
}

QString FormatDate(const QDate& date) {
    if (!date.isValid()) {
        return {};
    }
    return date.toString(u"yyyy/MM/dd");
}

}  // namespace ie
