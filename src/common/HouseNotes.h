#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

namespace ie {

// What a house result cannot say by itself, for the worksheet, the report, the list and the
// comparison alike.

// A house whose 建築日 is before 1982 may have been built to the earthquake standard before June
// 1981 (旧耐震): true for a house (坪単価 and 延床面積 both given) built before 1982-01-01. The
// date is the program's own 建築日, not the building confirmation's, hence "may".
bool MayBeOldEarthquakeStandard(double tuboTanka, double floorArea, const QDate& built);
QString OldEarthquakeStandardText();
QString OldEarthquakeStandardShort();  // the list's 耐震 column: "旧耐震の可能性"

// The tax rule's remaining rate is not a market value: said for every house except a wooden one
// (構造CD 1, 5 or none) younger than 20 years, the age being the one the calculation used.
bool NeedsRemainingRateCaveat(qint32 structureCode, qint32 age);
QString RemainingRateCaveatText();

// The notes above that apply to a calculated house (hasHouse: a house price was worked out), in
// the order they are shown.
QStringList HouseNotes(bool hasHouse, qint32 structureCode, qint32 age, double tuboTanka,
                       double floorArea, const QDate& built);

}  // namespace ie
