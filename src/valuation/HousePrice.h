#pragma once

#include "valuation/CalcOutcome.h"

#include <QDate>
#include <QString>

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

// The age of a house: the number of year boundaries from construction to valuation
// (31 Dec 2001 -> 1 Jan 2002 is 1, 1 Jan -> 31 Dec of one year is 0). Negative when built later.
qint32 HouseAge(const QDate& kaokuDate, const QDate& hyokaDate);

// The house calculation (家屋価格計算): price per tsubo × floor area × depreciation rate of the
// record's structure (KaokuKozoCD) for the age. Writes KaokuTateTubo, KaokuTuboTanka, KeikaNensu,
// KeinenHoseiRitu, KaokuKakaku and GokeiKakaku, all of them or, when anything fails (a
// construction year after the valuation year, a rate that cannot be looked up, a result too
// large), none.
CalcOutcome CalcHousePrice(BukkenJoho& rec, const HouseInputTexts& texts,
                           const DepreciationLookup& lookup);

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
QString HouseBuiltAfterValuationText();

}  // namespace ie
