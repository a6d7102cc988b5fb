#include "common/HouseNotes.h"

#include <algorithm>

namespace ie {

qint32 HouseAge(const QDate& kaokuDate, const QDate& hyokaDate, AgeCount count) {
    if (!kaokuDate.isValid() || !hyokaDate.isValid())
        return 0;
    const qint32 calendar = hyokaDate.year() - kaokuDate.year();
    if (count == AgeCount::CalendarYears)
        return calendar;
    if (hyokaDate < kaokuDate)
        return std::min(calendar, -1);
    // Whole months first (addMonths clamps the day to the month's end), then whole years.
    qint32 months =
        (hyokaDate.year() - kaokuDate.year()) * 12 + hyokaDate.month() - kaokuDate.month();
    while (months > 0 && kaokuDate.addMonths(months) > hyokaDate)
        --months;
    return months / 12 + (months % 12 >= 6 ? 1 : 0);
}

bool MayBeOldEarthquakeStandard(double tuboTanka, double floorArea, const QDate& built) {
    return tuboTanka > 0 && floorArea > 0 && built.isValid() && built < QDate(1982, 1, 1);
}

QString OldEarthquakeStandardText() {
    return QStringLiteral(
        "1981年5月以前に建築確認を受けた建物は旧耐震基準です。建築確認日と耐震診断の有無を"
        "確かめてください。");
}

QString OldEarthquakeStandardShort() {
    return QStringLiteral("旧耐震の可能性");
}

bool NeedsRemainingRateCaveat(qint32 structureCode, qint32 age) {
    // 木造, 木骨モルタル造, and a house with no structure (valued as 木造).
    const bool wood = structureCode <= 0 || structureCode == 1 || structureCode == 5;
    return !(wood && age < 20);
}

QString RemainingRateCaveatText() {
    return QStringLiteral(
        "残価率は税法の計算（非業務用建物）によるもので、市場での評価はこれより低いことが"
        "あります。");
}

QStringList HouseNotes(bool hasHouse, qint32 structureCode, qint32 age, double tuboTanka,
                       double floorArea, const QDate& built) {
    QStringList notes;
    if (!hasHouse)
        return notes;
    if (NeedsRemainingRateCaveat(structureCode, age))
        notes << RemainingRateCaveatText();
    if (MayBeOldEarthquakeStandard(tuboTanka, floorArea, built))
        notes << OldEarthquakeStandardText();
    return notes;
}

QStringList StoredHouseNotes(bool hasHouse, qint32 structureCode, qint32 ageCount, double tuboTanka,
                             double floorArea, const QDate& built, const QDate& valued) {
    const AgeCount count = ageCount == 1 ? AgeCount::NtaHalfYear : AgeCount::CalendarYears;
    return HouseNotes(hasHouse, structureCode, HouseAge(built, valued, count), tuboTanka, floorArea,
                      built);
}

}  // namespace ie
