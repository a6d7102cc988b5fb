#include "valuation/HousePrice.h"

#include "common/AppError.h"
#include "common/AreaRule.h"
#include "common/Currency.h"
#include "common/NumberRule.h"
#include "state/BukkenJoho.h"
#include "state/ModGlobal.h"
#include "valuation/RateLookup.h"
#include "valuation/ReferenceReadError.h"

namespace ie {

namespace {

const QString kKeinenTable = QStringLiteral("家屋経年減点補正率");

}  // namespace

QString HouseFailureText() {
    return QStringLiteral("家屋価格計算に失敗しました。数値が大きすぎます。");
}

QString HouseBuiltAfterValuationText() {
    return QStringLiteral(
        "家屋建築日が価格を調べる日より後になっています。日付を確認してください。");
}

qint32 HouseAge(const QDate& kaokuDate, const QDate& hyokaDate) {
    if (!kaokuDate.isValid() || !hyokaDate.isValid())
        return 0;
    return hyokaDate.year() - kaokuDate.year();
}

CalcOutcome CalcHousePrice(BukkenJoho& rec, const HouseInputTexts& texts,
                           const DepreciationLookup& lookup) {
    const std::optional<double> tanka = ParseNumber(texts.tuboTanka);
    const std::optional<double> tubo = ParseFloorArea(texts.tateTubo);
    if (!tanka && !tubo) {
        return CalcOutcome::refused(
            QStringLiteral("[坪単価]　と　[延床面積]　欄に数値を入力してください。"));
    }
    if (!tanka) {
        return CalcOutcome::refused(QStringLiteral("[坪単価]　欄に数値を入力してください。"));
    }
    if (!tubo) {
        return CalcOutcome::refused(QStringLiteral("[延床面積]　欄に数値を入力してください。"));
    }
    // A house built after the valuation date has no age to look up; the last row of the table
    // would value it as a ruin.
    const qint32 age = HouseAge(rec.KaokuDate, rec.HyokaDate);
    if (age < 0)
        return CalcOutcome::refused(HouseBuiltAfterValuationText());

    // When the rate cannot be had (the reference database cannot be opened, or its table is
    // broken) the calculation is abandoned and the record stays as it was.
    std::optional<double> rate;
    try {
        rate = lookup(age);
    } catch (const AppError& e) {
        return {CalcOutcome::Status::Failed, ReferenceReadFailedText(e, kKeinenTable),
                MsgIcon::Critical};
    }
    if (!rate)
        return {CalcOutcome::Status::Abandoned, QString(), MsgIcon::None};

    try {
        rec.KaokuTateTubo = *tubo;
        rec.KaokuTuboTanka = *tanka;
        rec.KeikaNensu = age;
        rec.KeinenHoseiRitu = *rate;
        const Currency kakaku =
            Currency::fromDouble((rec.KaokuTuboTanka * rec.KaokuTateTubo) * rec.KeinenHoseiRitu);
        const Currency gokei = rec.TotiKakaku + kakaku;
        rec.KaokuKakaku = kakaku;
        rec.GokeiKakaku = gokei;
    } catch (const AppError& e) {
        return {CalcOutcome::Status::Failed,
                QString::number(e.number()) + QLatin1Char('\r') + e.description() +
                    QLatin1Char('\r') + HouseFailureText(),
                MsgIcon::Critical};
    }
    return {};
}

double HouseRemainingRate(ModGlobal& g, qint32 structureCode, qint32 age) {
    Q_UNUSED(structureCode);  // every structure is depreciated as wood
    return ModGetHosei(g, age, kKeinenTable);
}

QString HouseStructureName(ModGlobal& g, qint32 structureCode) {
    if (structureCode <= 0)
        return QStringLiteral("構造未設定（木造として計算）");
    for (const ReferenceItem& item :
         ReadReferenceItems(g, QStringLiteral("家屋構造別坪単価"), QStringLiteral("説明"))) {
        if (item.key == structureCode)
            return item.text;
    }
    return QStringLiteral("構造コード %1").arg(structureCode);
}

std::optional<double> GetKeinenHosei(ModGlobal& g, UiServices& ui, QWidget* parent, qint32 age) {
    // The session closes the connection also when the lookup throws, so that the next open works.
    SysDbSession session(g, ui, parent);
    if (!session.ok())
        return std::nullopt;
    return ModGetHosei(g, age, kKeinenTable);
}

}  // namespace ie
