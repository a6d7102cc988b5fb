#pragma once

#include <QString>

#include <optional>

namespace ie {

// Road-price maps print thousands of yen per ㎡ ("250" is 250,000 円/㎡), while 路線価 is entered
// in yen. A road price above 0 and below 1,000 yen was almost surely copied as printed.

// The value to offer instead (the typed value × 1,000), or nothing when there is nothing to ask:
// an empty text or no number, 0 or less, 1,000 or more, or the value the user already chose to
// keep.
std::optional<double> RosenkaInThousands(const QString& text, std::optional<double> kept);

// "路線価は1㎡あたりの金額を円で入力します。…入力した値を1,000倍しますか。"
QString RosenkaUnitQuestionText();
// What a run that asks nothing says instead of the question: the same explanation, then that the
// value was used as given ("…入力どおり250円/㎡として計算しました。").
QString RosenkaUnitNoteText(const QString& asGiven);

}  // namespace ie
