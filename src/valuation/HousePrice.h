#pragma once

#include "common/HouseNotes.h"
#include "valuation/CalcOutcome.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

namespace ie {

struct BukkenJoho;
struct ModGlobal;
class UiServices;

struct HouseInputTexts {
    QString tuboTanka;  // TxtKaokuTuboTanka
    QString tateTubo;   // TxtKaokuTateTubo, 坪 or ㎡ with its unit; used rounded to two decimals
};

// The depreciation rate of a structure (構造CD, 0 when none was chosen) at an age in years;
// nullopt when the lookup was abandoned (its message already shown). May throw AppError.
using DepreciationLookup = std::function<std::optional<double>(qint32 structureCode, qint32 age)>;

// The count the user chose in 環境設定 (option "AGE_COUNT" of the settings file: "NTA" for the
// NTA's count; anything else, or nothing, the calendar years).
AgeCount ReadAgeCountSetting(const QString& iniPath);
QString AgeCountSettingValue(AgeCount count);
QString AgeCountSettingKey();
// How 計算の内訳 names the count: "暦年の差" or "国税庁の方法（6か月以上は1年）".
QString AgeCountName(AgeCount count);

// The house calculation (家屋価格計算): price per tsubo × floor area × depreciation rate of the
// record's structure (KaokuKozoCD) for the age. Writes KaokuTateTubo, KaokuTuboTanka, KeikaNensu,
// KeinenHoseiRitu, KaokuKakaku and GokeiKakaku, all of them or, when anything fails (a
// construction year after the valuation year, a rate that cannot be looked up, a result too
// large), none.
// The age is counted as count says, which is kept with the record (KeikaNensuKazoekata).
CalcOutcome CalcHousePrice(BukkenJoho& rec, const HouseInputTexts& texts,
                           const DepreciationLookup& lookup,
                           AgeCount count = AgeCount::CalendarYears);

// The remaining-value rate of a house of the given structure (構造CD; 0 when none was chosen) at
// age years: what the house calculation multiplies by. 木造 and no structure take the row of
// 家屋経年減点補正率; every other structure max(10000 − 年減価率 × age, 500) / 10000, in whole
// ten-thousandths. A structure the reference database cannot depreciate (a code it has no row for,
// or an older build's table without 年減価率) is valued as 木造. The reference connection must be
// open. Throws AppError when the rate cannot be read.
double HouseRemainingRate(ModGlobal& g, qint32 structureCode, qint32 age);
// The same, and when 木造 stood in for the structure, the sentence that tells the user so.
struct HouseRate {
    double rate = 0;
    QString woodNotice;  // empty unless the structure was valued as 木造 against its choice
};
HouseRate LookUpHouseRate(ModGlobal& g, qint32 structureCode, qint32 age);
// LookUpHouseRate with the reference connection opened for the lookup alone and closed on every
// way out; a failed open throws its AppError.
HouseRate GetHouseRate(ModGlobal& g, UiServices& ui, QWidget* parent, qint32 structureCode,
                       qint32 age);
// The table whose failure abandons the rate of the structure: 家屋経年減点補正率 for 木造 and no
// structure, 家屋構造別坪単価 for the others.
QString HouseRateTable(qint32 structureCode);
// How the worksheet and the report name the structure: its 説明 in 家屋構造別坪単価, or
// "構造未設定（木造として計算）" when none was chosen; "（木造として計算）" follows the name of a
// structure that is valued as 木造 against its choice. The reference connection must be open.
QString HouseStructureName(ModGlobal& g, qint32 structureCode);
// HouseStructureName for a label: opens the reference connection for the read alone when it is
// closed, and says nothing when the read fails ("構造コード n" is shown; the calculation is what
// reports a broken reference database).
QString HouseStructureCaption(ModGlobal& g, qint32 structureCode);

QString HouseFailureText();  // "家屋価格計算に失敗しました。数値が大きすぎます。"

// The column of 都道府県別工事費用 a structure's cost is read from: 木造 and 木骨モルタル造 (and no
// structure) → 木造; the three steel classes → 鉄骨造; RC → 鉄筋コンクリート造; SRC →
// 鉄骨鉄筋コンクリート造.
QString CostColumnOf(qint32 structureCode);
// Where a price per tsubo came from, as the property keeps it and 計算の内訳 prints it.
QString NationalCostSource();                             // "全国（建築価額表 2023年）"
QString PrefectureCostSource(const QString& prefecture);  // "都道府県（工事費用表 2023年分 …）"
QString HandTypedCostSource();                            // "手入力"
// The record's source for display: its own, or for a price saved before sources were kept,
// "不明（この版より前に保存）".
QString CostSourceCaption(const BukkenJoho& rec);

QString HouseBuiltAfterValuationText();

}  // namespace ie
