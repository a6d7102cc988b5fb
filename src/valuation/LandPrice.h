#pragma once

#include "valuation/CalcOutcome.h"

#include <QString>

namespace ie {

struct BukkenJoho;

// The texts of the land inputs on the worksheet.
struct LandInputTexts {
    QString rosenka;    // TxtRosenka
    QString menseki;    // TxtTotiMenseki, ㎡; used rounded to two decimals
    QString hendoRitu;  // TxtJiten, per cent
};

// The land calculation (敷地価格計算): road price × area × lot factor ÷ 0.8, carried from the
// road-price year to the valuation date at the yearly change rate (compounded per 365 days, the
// remainder linear). Writes Rosenka, TotiMenseki, ChikaHendoRitu, TotiKakaku and GokeiKakaku,
// all together and only when the whole calculation succeeds: after a refusal or a run-time error
// (an overflow) the record is exactly as it was.
CalcOutcome CalcLandPrice(BukkenJoho& rec, const LandInputTexts& texts);

// The change-rate field's rule: a non-number becomes "0" silently; a number beyond -99..99 becomes
// "0" with a message (returned; empty when there is nothing to say).
struct ChangeRateCheck {
    QString text;
    QString message;
};
ChangeRateCheck CheckChangeRate(const QString& text);

// Texts of the messages.
QString LandFailureText();  // "敷地価格計算に失敗しました。数値が大きすぎます。"
QString ChangeRateRangeText();

}  // namespace ie
