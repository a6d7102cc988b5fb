#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

namespace ie {

// How a house's age is counted.
enum class AgeCount {
    // The number of year boundaries from construction to valuation (31 Dec 2001 -> 1 Jan 2002 is
    // 1, 1 Jan -> 31 Dec of one year is 0): the program's count from the start.
    CalendarYears = 0,
    // The NTA's count for the same depreciation: whole years, a remainder of six months or more
    // counting as one more year. Months are added by the calendar, the day clamped to the month's
    // end, so a house built on 31 Aug is six months old on the last day of February.
    NtaHalfYear = 1,
};
// The age of a house by the given count. Negative when built later (by the calendar count, a
// later day of the same year is 0, as it always was).
qint32 HouseAge(const QDate& kaokuDate, const QDate& hyokaDate,
                AgeCount count = AgeCount::CalendarYears);

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
// The same for a saved house: the age from its dates by the count it was valued with (0: the
// calendar years, 1: the NTA's).
QStringList StoredHouseNotes(bool hasHouse, qint32 structureCode, qint32 ageCount, double tuboTanka,
                             double floorArea, const QDate& built, const QDate& valued);

}  // namespace ie
