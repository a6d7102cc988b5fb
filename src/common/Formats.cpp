#include "common/Formats.h"

#include <charconv>
#include <cmath>
#include <cstdint>
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
    const std::string text(buf, res.ptr);  // "d.ddddddddddddddde+XX"
    const std::size_t e = text.find('e');
    d.digits.push_back(text[0]);
    d.digits.append(text, 2, e - 2);
    d.exponent = std::stoi(text.substr(e + 1));
    if (d.digits.find_first_not_of('0') == std::string::npos) {
        d.exponent = 0;
    }
    return d;
}

// Adds one to a string of decimal digits.
void Increment(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it == '9') {
            *it = '0';
        } else {
            ++*it;
            return;
        }
    }
    digits.insert(digits.begin(), '1');
}

QString Group(const std::string& integerDigits) {
    QString out;
    const int n = static_cast<int>(integerDigits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) {
            out += QLatin1Char(',');
        }
        out += QLatin1Char(integerDigits[static_cast<std::size_t>(i)]);
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
    std::string scaled;  // value x 10^places as an integer, decimal digits
    if (kept <= 0) {
        scaled = (kept == 0 && d.digits[0] >= '5') ? "1" : "0";
    } else if (kept >= static_cast<long>(d.digits.size())) {
        scaled = d.digits + std::string(static_cast<std::size_t>(kept) - d.digits.size(), '0');
    } else {
        scaled = d.digits.substr(0, static_cast<std::size_t>(kept));
        if (d.digits[static_cast<std::size_t>(kept)] >= '5') {
            Increment(scaled);
        }
    }
    const std::size_t firstNonZero = scaled.find_first_not_of('0');
    const bool zero = firstNonZero == std::string::npos;
    scaled = zero ? std::string("0") : scaled.substr(firstNonZero);
    if (scaled.size() < static_cast<std::size_t>(places) + 1) {
        scaled.insert(0, static_cast<std::size_t>(places) + 1 - scaled.size(), '0');
    }
    const std::string integerPart =
        scaled.substr(0, scaled.size() - static_cast<std::size_t>(places));
    const std::string fractionPart =
        scaled.substr(scaled.size() - static_cast<std::size_t>(places));

    QString out;
    if (d.negative && !zero) {
        out += QLatin1Char('-');  // a value that rounds to zero shows no sign
    }
    out += grouped ? Group(integerPart) : QString::fromLatin1(integerPart);
    if (places > 0) {
        out += QLatin1Char('.');
        out += QString::fromLatin1(fractionPart);
    }
    return out;
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
    QString out;
    if (negative && whole != 0) {
        out += QLatin1Char('-');
    }
    out += Group(std::to_string(whole));
    return out;
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
