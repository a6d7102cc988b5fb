#include "valuation/RosenkaUnit.h"

#include "common/NumberRule.h"

namespace ie {

namespace {

constexpr double kThousand = 1000.0;

}  // namespace

std::optional<double> RosenkaInThousands(const QString& text, std::optional<double> kept) {
    const std::optional<double> value = ParseNumber(text);
    if (!value || !(*value > 0) || *value >= kThousand)
        return std::nullopt;
    if (kept && *kept == *value)
        return std::nullopt;
    return *value * kThousand;
}

namespace {

QString UnitExplanation() {
    return QStringLiteral(
        "路線価は1㎡あたりの金額を円で入力します。路線価図の「250」は250千円（250,000円）です。");
}

}  // namespace

QString RosenkaUnitQuestionText() {
    return UnitExplanation() + QStringLiteral("入力した値を1,000倍しますか。");
}

QString RosenkaUnitNoteText(const QString& asGiven) {
    return UnitExplanation() + QStringLiteral("入力どおり%1円/㎡として計算しました。").arg(asGiven);
}

}  // namespace ie
