#pragma once

#include "valuation/RateLookup.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace ie {

// The texts with which the reference dialogs show the figures they apply, so that the user sees
// a rate or a factor before choosing it.

// A yearly rate as a signed percentage with one decimal: 0.046 -> "+4.6%", -0.006 -> "-0.6%".
// Rounded half away from zero from the rate's 15 significant digits; a rate that rounds to zero
// shows "0.0%" with no sign.
QString SignedPercentText(double rate);
// A prefecture's list entry: its name, a full-width space and its signed rate.
QString PrefectureEntryText(const QString& name, double rate);
// A factor as "×1.03": at least two decimals, more only when the table holds more (1.035).
QString FactorText(double factor);
// A list entry of 敷地の状況: its text, a full-width space and its factor.
QString FactorEntryText(const QString& text, double factor);
// What the その他 percentage does, read with the same rule as the calculation.
QString SonotaEffectText(const QString& sonotaText);
// The combined factor as the worksheet's ③ shows it, in per cent with two decimals.
QString CombinedFactorText(double kakutiHoseiRitu);

// "出典：" and the distinct sources of the given tables in their order. Sources of one document
// ("国税庁「財産評価基本通達」付表2 …", "… 付表3 …") share the document's name once; a source
// that names no document is shown with its tables ("南道路補正率：なし（推定値）"). Empty when
// データ出典 has none of the tables.
QString SourceLine(const std::vector<DataSource>& sources, const QStringList& tables);
// One source in full, for a tooltip: source, basis and note on their own lines.
QString SourceDetail(const DataSource& source);

}  // namespace ie
