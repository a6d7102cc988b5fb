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

// The depreciation rate for an age in years; nullopt when the lookup was abandoned (its message
// already shown). May throw AppError.
using DepreciationLookup = std::function<std::optional<double>(qint32 age)>;

// The age of a house: the number of year boundaries from construction to valuation
// (31 Dec 2001 -> 1 Jan 2002 is 1, 1 Jan -> 31 Dec of one year is 0). Negative when built later.
qint32 HouseAge(const QDate& kaokuDate, const QDate& hyokaDate);

// The house calculation (家屋価格計算): price per tsubo × floor area × depreciation rate for the
// age. Writes KaokuTateTubo, KaokuTuboTanka, KeikaNensu, KeinenHoseiRitu, KaokuKakaku and
// GokeiKakaku. A construction year after the valuation year is refused before anything is changed,
// and so is a rate that cannot be looked up (the message then names the table).
CalcOutcome CalcHousePrice(BukkenJoho& rec, const HouseInputTexts& texts,
                           const DepreciationLookup& lookup);

// GetKeinenHosei: the rate of 家屋経年減点補正率 for the age, with the reference connection opened
// for the lookup alone and closed on every way out. nullopt when the connection could not be opened
// (the open has shown its message).
std::optional<double> GetKeinenHosei(ModGlobal& g, UiServices& ui, QWidget* parent, qint32 age);

// The remaining-value rate of a house of the given structure (構造CD; 0 when none was chosen) at
// age years: what the house calculation multiplies by. The reference connection must be open.
// Throws AppError when the rate cannot be read.
double HouseRemainingRate(ModGlobal& g, qint32 structureCode, qint32 age);
// How the worksheet and the report name the structure: its 説明 in 家屋構造別坪単価, or
// "構造未設定（木造として計算）" when none was chosen. The reference connection must be open.
QString HouseStructureName(ModGlobal& g, qint32 structureCode);

QString HouseFailureText();  // "家屋価格計算に失敗しました。数値が大きすぎます。"
QString HouseBuiltAfterValuationText();

}  // namespace ie
