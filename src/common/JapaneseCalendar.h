#pragma once

#include <QDate>
#include <QString>

#include <optional>

namespace ie::jcal {

// A year of a Japanese era (元号): 令和 8 is 2026.
struct EraYear {
    QString era;  // "令和", "平成", "昭和", ...
    int year = 0;
    bool operator==(const EraYear&) const = default;
};

// The era and era year in force on that date, as ICU's Japanese calendar gives them
// (2019-04-30 is 平成31, 2019-05-01 is 令和1). nullopt for an invalid date or one before 明治.
std::optional<EraYear> EraOfDate(const QDate& date);

// The era in which a whole calendar year is labelled: the era in force on its last day, the way the
// tax agency names a year's road prices (2019 is 令和元年分, 2018 平成30年分, 1989 平成元年分).
std::optional<EraYear> EraOfYear(int gregorianYear);

// The Gregorian year of an era year, or nullopt when the era is unknown or the era year lies wholly
// outside the era (平成32, 昭和65, 令和0). Both ends of an era count: 平成31 is 2019, 昭和64 is
// 1989.
std::optional<int> GregorianYear(const QString& era, int eraYear);

// The era named by its Latin initial (M, T, S, H, R; either case); empty when there is none.
QString EraFromLetter(QChar letter);

// Japanese national holidays as the holiday law has them for that date: fixed days, happy Mondays,
// the equinoxes, substitute holidays (振替休日) and bridge days (国民の休日), and the one-off days
// of 2019-2021. Sundays are not holidays by themselves.
bool IsHoliday(const QDate& date);
// The holiday's name ("元日", "振替休日", "国民の休日", ...); empty when the date is no holiday.
QString HolidayName(const QDate& date);

// The equinox days by the usual approximation, valid for 1900-2150; 0 outside.
int VernalEquinoxDay(int year);
int AutumnalEquinoxDay(int year);

}  // namespace ie::jcal
