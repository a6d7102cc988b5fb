#include "common/SalesRatio.h"

#include "common/AppError.h"

#include <cmath>

namespace ie {

namespace {

// Adds one to a string of decimal digits ("099" -> "100", "99" -> "100").
QString Increment(QString digits) {
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        if (digits[i] != QLatin1Char('9')) {
            digits[i] = QChar(digits[i].unicode() + 1);
            return digits;
        }
        digits[i] = QLatin1Char('0');
    }
    return QLatin1Char('1') + digits;
}

QString Grouped(const QString& digits) {
    QString out;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += QLatin1Char(',');
        out += digits[i];
    }
    return out;
}

}  // namespace

std::optional<double> SalesRatio(double asking, double computed) {
    if (!(computed > 0) || !(asking > 0))
        return std::nullopt;
    const double ratio = asking / computed * 100.0;
    if (!std::isfinite(ratio))
        return std::nullopt;
    return ratio;
}

AskingTotal CheckAskingTotal(Currency land, Currency house, Currency total) {
    AskingTotal out{total};
    if (land.isZero() || house.isZero())
        return out;
    Currency sum;
    try {
        sum = land + house;
    } catch (const AppError&) {
        return out;  // a sum past the range is neither filled in nor compared
    }
    if (total.isZero()) {
        out.total = sum;
        out.filled = true;
    } else {
        out.differs = total != sum;
    }
    return out;
}

QString RatioNumber(double value) {
    const QString sci = QString::number(value, 'e', 14);  // d.dddddddddddddde+XX
    const qsizetype ePos = sci.indexOf(QLatin1Char('e'));
    const QString mantissa = sci.left(ePos).remove(QLatin1Char('.'));
    const int exponent = sci.mid(ePos + 1).toInt();

    QString intPart;
    QString fraction;
    if (exponent >= 0) {
        const qsizetype intDigits = exponent + 1;
        if (intDigits >= mantissa.size()) {
            intPart = mantissa + QString(intDigits - mantissa.size(), QLatin1Char('0'));
        } else {
            intPart = mantissa.left(intDigits);
            fraction = mantissa.mid(intDigits);
        }
    } else {
        intPart = QStringLiteral("0");
        fraction = QString(-exponent - 1, QLatin1Char('0')) + mantissa;
    }

    QString kept = fraction.left(2);
    kept += QString(2 - kept.size(), QLatin1Char('0'));
    QString digits = intPart + kept;
    if (fraction.size() > 2 && fraction[2] >= QLatin1Char('5'))
        digits = Increment(digits);
    intPart = digits.left(digits.size() - 2);
    const QString decimals = digits.right(2);  // always two, so that ratios line up
    // Leading zeros cannot occur except for a lone "0" before the point.
    return Grouped(intPart) + QLatin1Char('.') + decimals;
}

QString RatioText(double ratio) {
    return RatioNumber(ratio) + QStringLiteral("　％");
}

}  // namespace ie
