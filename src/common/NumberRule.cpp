#include "common/NumberRule.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace ie {

namespace {

// Full-width forms as pasted from Japanese text are read as their ASCII twins.
char16_t Fold(char16_t c) {
    if (c >= u'０' && c <= u'９') {
        return static_cast<char16_t>(u'0' + (c - u'０'));
    }
    switch (c) {
        case u'\u3000':
            return u' ';
        case u'＋':
            return u'+';
        case u'－':
        case u'\u2212':
            return u'-';
        case u'，':
            return u',';
        case u'．':
            return u'.';
        case u'ｅ':
            return u'e';
        case u'Ｅ':
            return u'E';
        default:
            return c;
    }
}

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

}  // namespace

std::optional<double> ParseNumber(const QString& text) {
    // Read through Fold in place: this runs for every field of every calculation.
    const char16_t* const raw = reinterpret_cast<const char16_t*>(text.utf16());
    struct Folded {
        const char16_t* raw;
        char16_t operator[](std::size_t k) const { return Fold(raw[k]); }
    } const s{raw};

    std::size_t i = 0;
    const std::size_t n = static_cast<std::size_t>(text.size());
    while (i < n && s[i] == u' ') {
        ++i;
    }
    std::size_t end = n;
    while (end > i && s[end - 1] == u' ') {
        --end;
    }

    // The canonical ASCII form handed to the converter: sign, digits, ".", digits, "e", exponent.
    std::string ascii;
    bool negative = false;
    if (i < end && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }

    // Integer part: digits, with grouping commas allowed only between digits (like the Windows
    // parser, the commas need not fall every three digits: "1,2" is 12).
    std::string intDigits;
    while (i < end) {
        if (IsDigit(s[i])) {
            intDigits.push_back(static_cast<char>(s[i]));
            ++i;
        } else if (s[i] == u',') {
            if (intDigits.empty()) {
                return std::nullopt;  // leading comma
            }
            while (i < end && s[i] == u',') {
                ++i;
            }
            if (i >= end || !IsDigit(s[i])) {
                return std::nullopt;  // trailing comma, or a comma before "." or "e"
            }
        } else {
            break;
        }
    }

    std::string fracDigits;
    if (i < end && s[i] == u'.') {
        ++i;
        while (i < end && IsDigit(s[i])) {
            fracDigits.push_back(static_cast<char>(s[i]));
            ++i;
        }
    }
    if (intDigits.empty() && fracDigits.empty()) {
        return std::nullopt;  // empty, a lone sign, a lone "."
    }

    bool expNegative = false;
    std::string expDigits;
    if (i < end && (s[i] == u'e' || s[i] == u'E')) {
        ++i;
        if (i < end && (s[i] == u'+' || s[i] == u'-')) {
            expNegative = s[i] == u'-';
            ++i;
        }
        while (i < end && IsDigit(s[i])) {
            expDigits.push_back(static_cast<char>(s[i]));
            ++i;
        }
        if (expDigits.empty()) {
            return std::nullopt;
        }
    }
    if (i != end) {
        return std::nullopt;  // anything else: letters, currency signs, inner spaces, hex
    }

    ascii = intDigits.empty() ? std::string("0") : intDigits;
    if (!fracDigits.empty()) {
        ascii += '.';
        ascii += fracDigits;
    }
    if (!expDigits.empty()) {
        ascii += expNegative ? "e-" : "e";
        ascii += expDigits;
    }

    double value = 0.0;
    const char* first = ascii.data();
    const char* last = ascii.data() + ascii.size();
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ptr != last) {
        return std::nullopt;
    }
    if (ec == std::errc::result_out_of_range) {
        // Too large is not a number; too small to tell from zero is zero. Which one it is follows
        // from the decimal exponent of the first significant digit.
        const std::string digits = intDigits + fracDigits;
        const std::size_t firstNonZero = digits.find_first_not_of('0');
        if (firstNonZero == std::string::npos) {
            value = 0.0;
        } else {
            long long exponent = 0;
            for (const char d : expDigits) {
                exponent = std::min<long long>(exponent * 10 + (d - '0'), 1'000'000'000LL);
            }
            if (expNegative) {
                exponent = -exponent;
            }
            const long long magnitude = exponent + static_cast<long long>(intDigits.size()) -
                                        static_cast<long long>(firstNonZero);
            if (magnitude > 0) {
                return std::nullopt;
            }
            value = 0.0;
        }
    } else if (ec != std::errc()) {
        return std::nullopt;
    }
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

bool IsNumeric(const QString& text) {
    return ParseNumber(text).has_value();
}

}  // namespace ie
