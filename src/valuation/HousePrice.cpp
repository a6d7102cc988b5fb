#include "valuation/HousePrice.h"

#include "common/AppError.h"
#include "common/AreaRule.h"
#include "common/Currency.h"
#include "common/NumberRule.h"
#include "platform/IniFile.h"
#include "state/BukkenJoho.h"
#include "state/ModGlobal.h"
#include "valuation/RateLookup.h"
#include "valuation/ReferenceReadError.h"

#include <algorithm>

namespace ie {

namespace {

const QString kKeinenTable = QStringLiteral("家屋経年減点補正率");
const QString kStructureTable = QStringLiteral("家屋構造別坪単価");
constexpr qint32 kWood = 1;  // 構造CD of 木造
// The remaining rate in ten-thousandths of the cost: all of it new, never less than 5 %.
constexpr qint64 kWhole = 10000;
constexpr qint64 kFloor = 500;

bool IsWood(qint32 structureCode) {
    return structureCode <= 0 || structureCode == kWood;
}

}  // namespace

QString HouseRateTable(qint32 structureCode) {
    return IsWood(structureCode) ? kKeinenTable : kStructureTable;
}

QString HouseFailureText() {
    return QStringLiteral("家屋価格計算に失敗しました。数値が大きすぎます。");
}

QString HouseBuiltAfterValuationText() {
    return QStringLiteral(
        "家屋建築日が価格を調べる日より後になっています。日付を確認してください。");
}

QString CostColumnOf(qint32 structureCode) {
    switch (structureCode) {
        case 2:  // 鉄骨造（3mm超4mm以下）
        case 6:  // 軽量鉄骨造
        case 7:  // 重量鉄骨造
            return QStringLiteral("鉄骨造");
        case 3:
            return QStringLiteral("鉄筋コンクリート造");
        case 4:
            return QStringLiteral("鉄骨鉄筋コンクリート造");
        default:  // 木造, 木骨モルタル造, none, and a code valued as wood
            return QStringLiteral("木造");
    }
}

QString NationalCostSource() {
    return QStringLiteral("全国（建築価額表 2023年）");
}

QString PrefectureCostSource(const QString& prefecture) {
    return QStringLiteral("都道府県（工事費用表 2023年分 %1）").arg(prefecture);
}

QString HandTypedCostSource() {
    return QStringLiteral("手入力");
}

QString CostSourceCaption(const BukkenJoho& rec) {
    return rec.KaokuTankaShutten.isEmpty() ? QStringLiteral("不明（この版より前に保存）")
                                           : rec.KaokuTankaShutten;
}

AgeCount ReadAgeCountSetting(const QString& iniPath) {
    return ModReadOption(iniPath, AgeCountSettingKey()) ==
                   AgeCountSettingValue(AgeCount::NtaHalfYear)
               ? AgeCount::NtaHalfYear
               : AgeCount::CalendarYears;
}

QString AgeCountSettingValue(AgeCount count) {
    return count == AgeCount::NtaHalfYear ? QStringLiteral("NTA") : QStringLiteral("CALENDAR");
}

QString AgeCountSettingKey() {
    return QStringLiteral("AGE_COUNT");
}

QString AgeCountName(AgeCount count) {
    return count == AgeCount::NtaHalfYear ? QStringLiteral("国税庁の方法（6か月以上は1年）")
                                          : QStringLiteral("暦年の差");
}

CalcOutcome CalcHousePrice(BukkenJoho& rec, const HouseInputTexts& texts,
                           const DepreciationLookup& lookup, AgeCount count) {
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
    const qint32 age = HouseAge(rec.KaokuDate, rec.HyokaDate, count);
    if (age < 0)
        return CalcOutcome::refused(HouseBuiltAfterValuationText());

    // When the rate cannot be had (the reference database cannot be opened, or its table is
    // broken) the calculation is abandoned and the record stays as it was.
    std::optional<double> rate;
    try {
        rate = lookup(rec.KaokuKozoCD, age);
    } catch (const AppError& e) {
        return {CalcOutcome::Status::Failed,
                ReferenceReadFailedText(e, HouseRateTable(rec.KaokuKozoCD)), MsgIcon::Critical};
    }
    if (!rate)
        return {CalcOutcome::Status::Abandoned, QString(), MsgIcon::None};

    // Everything is worked out before the record is touched, so that a result too large leaves
    // inputs and results as the user last saw them together.
    try {
        const Currency kakaku = Currency::fromDouble((*tanka * *tubo) * *rate);
        const Currency gokei = rec.TotiKakaku + kakaku;
        rec.KaokuTateTubo = *tubo;
        rec.KaokuTuboTanka = *tanka;
        rec.KeikaNensu = age;
        rec.KeikaNensuKazoekata = static_cast<qint32>(count);
        rec.KeinenHoseiRitu = *rate;
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

HouseRate LookUpHouseRate(ModGlobal& g, qint32 structureCode, qint32 age) {
    // 木造 keeps its own table, so that a user's edit of it still counts.
    if (IsWood(structureCode))
        return {ModGetHosei(g, age, kKeinenTable), QString()};
    const StructureTable table = ReadStructureTable(g);
    const auto wood = [&](const QString& notice) {
        return HouseRate{ModGetHosei(g, age, kKeinenTable), notice};
    };
    if (!table.hasDepreciation) {
        return wood(
            QStringLiteral("参考値のデータベースが古く、構造別の耐用年数がありません。"
                           "すべての構造を木造として計算します。"));
    }
    const auto row = std::find_if(table.rows.begin(), table.rows.end(),
                                  [&](const StructureRow& r) { return r.code == structureCode; });
    if (row == table.rows.end()) {
        return wood(QStringLiteral("構造コード %1 は参考値にありません。木造として計算します。")
                        .arg(structureCode));
    }
    if (!row->yearlyLoss || *row->yearlyLoss < 0 || *row->yearlyLoss > kWhole) {
        throw AppError(errors::kTypeMismatch,
                       QStringLiteral("システムデータベースの表「%1」の構造コード %2 の年減価率が"
                                      "0から10000までの整数ではありません。")
                           .arg(kStructureTable)
                           .arg(structureCode));
    }
    // Whole ten-thousandths: a double rate such as 1 − 0.0135 × 30 would move the last places of
    // the yen result.
    const qint64 remaining = std::max(kWhole - *row->yearlyLoss * std::max(age, 0), kFloor);
    return {static_cast<double>(remaining) / static_cast<double>(kWhole), QString()};
}

double HouseRemainingRate(ModGlobal& g, qint32 structureCode, qint32 age) {
    return LookUpHouseRate(g, structureCode, age).rate;
}

HouseRate GetHouseRate(ModGlobal& g, UiServices& ui, QWidget* parent, qint32 structureCode,
                       qint32 age) {
    SysDbSession session(g, ui, parent);
    session.require();
    return LookUpHouseRate(g, structureCode, age);
}

QString HouseStructureName(ModGlobal& g, qint32 structureCode) {
    if (structureCode <= 0)
        return QStringLiteral("構造未設定（木造として計算）");
    const StructureTable table = ReadStructureTable(g);
    // Named as it is valued: a structure the reference database cannot depreciate counts as wood.
    const QString asWood = IsWood(structureCode) || table.hasDepreciation
                               ? QString()
                               : QStringLiteral("（木造として計算）");
    for (const StructureRow& row : table.rows) {
        if (row.code == structureCode)
            return row.name + asWood;
    }
    return QStringLiteral("構造コード %1（木造として計算）").arg(structureCode);
}

QString HouseStructureCaption(ModGlobal& g, qint32 structureCode) {
    if (structureCode <= 0)
        return HouseStructureName(g, structureCode);
    const bool wasOpen = g.SysDbCon.isOpen();
    try {
        if (!wasOpen) {
            g.SysDbCon.setConnectionString(ConnectionString(g.SysDbPath));
            g.SysDbCon.open();
        }
        const QString name = HouseStructureName(g, structureCode);
        if (!wasOpen)
            ModSysDbClose(g);
        return name;
    } catch (const AppError&) {
        if (!wasOpen)
            ModSysDbClose(g);
        return QStringLiteral("構造コード %1").arg(structureCode);
    }
}

}  // namespace ie
