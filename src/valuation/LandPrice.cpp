#include "valuation/LandPrice.h"

#include "common/AppError.h"
#include "common/AreaRule.h"
#include "common/Currency.h"
#include "common/NumberRule.h"
#include "state/BukkenJoho.h"

#include <cstdlib>
#include <limits>

namespace ie {

namespace {

constexpr int kDaysPerYear = 365;  // leap days play no part in the change rate

}  // namespace

QString LandFailureText() {
    return QStringLiteral("敷地価格計算に失敗しました。数値が大きすぎます。");
}

QString ChangeRateRangeText() {
    return QStringLiteral("地価変動率は(-99%～99%)の範囲でお願いします。");
}

CalcOutcome CalcLandPrice(BukkenJoho& rec, const LandInputTexts& texts) {
    const std::optional<double> rosenka = ParseNumber(texts.rosenka);
    const std::optional<double> menseki = ParseSiteArea(texts.menseki);
    if (!rosenka && !menseki) {
        return CalcOutcome::refused(
            QStringLiteral("[路線価]　と　[土地の面積]　欄に数値を入力してください｡"));
    }
    if (!rosenka) {
        return CalcOutcome::refused(QStringLiteral("[路線価]　欄に数値を入力してください｡"));
    }
    if (!menseki) {
        return CalcOutcome::refused(QStringLiteral("[土地の面積]　欄に数値を入力してください。"));
    }

    // Everything is worked out on the side and stored together at the end: a failure leaves the
    // record as it was, so a later save never writes a figure the user did not see.
    try {
        const Currency rosenkaYen = Currency::fromDouble(*rosenka);
        double hendoRitu = 0;
        if (!texts.hendoRitu.isEmpty()) {
            // The field's own check keeps it numeric; a text that slipped past is a type error.
            const std::optional<double> percent = ParseNumber(texts.hendoRitu);
            if (!percent)
                throw AppError(errors::kTypeMismatch, TypeMismatchDescription());
            hendoRitu = *percent / 100;
        }

        // Each step is rounded to the currency's places before the next one builds on it.
        Currency kakaku =
            Currency::fromDouble(((rosenkaYen.toDouble() * *menseki) * rec.KakutiHoseiRitu) / 0.8);

        const qint64 days = std::llabs(rec.RosenkaNendo.daysTo(rec.HyokaDate));
        if (days > std::numeric_limits<qint32>::max()) {
            throw AppError(errors::kOverflow, OverflowDescription());
        }
        if (hendoRitu != 0) {
            const qint64 years = days / kDaysPerYear;
            const qint64 rest = days % kDaysPerYear;
            for (qint64 i = 0; i < years; ++i) {
                kakaku = Currency::fromDouble(kakaku.toDouble() * (hendoRitu + 1));
            }
            if (rest > 0) {
                const double part = static_cast<double>(rest) / kDaysPerYear;
                kakaku = Currency::fromDouble(kakaku.toDouble() * (part * hendoRitu + 1));
            }
        }
        const Currency gokei = kakaku + rec.KaokuKakaku;

        rec.Rosenka = rosenkaYen;
        rec.TotiMenseki = *menseki;
        rec.ChikaHendoRitu = hendoRitu;
        rec.TotiKakaku = kakaku;
        rec.GokeiKakaku = gokei;
    } catch (const AppError& e) {
        return {CalcOutcome::Status::Failed,
                QString::number(e.number()) + QLatin1Char('\r') + e.description() +
                    QLatin1Char('\r') + LandFailureText(),
                MsgIcon::Critical};
    }
    return {};
}

ChangeRateCheck CheckChangeRate(const QString& text) {
    const std::optional<double> value = ParseNumber(text);
    if (!value)
        return {QStringLiteral("0"), QString()};
    if (*value > 99 || *value < -99)
        return {QStringLiteral("0"), ChangeRateRangeText()};
    return {text, QString()};
}

}  // namespace ie
