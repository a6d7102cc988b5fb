#include "common/JapaneseCalendar.h"

#include <QStringList>

#include <unicode/calendar.h>
#include <unicode/dtfmtsym.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <memory>

namespace ie::jcal {

namespace {

const icu::Locale& JapaneseLocale() {
    static const icu::Locale locale("ja_JP@calendar=japanese");
    return locale;
}

// ICU's era names of the Japanese calendar, indexed by its era number, and the number of 明治:
// dates before it are old lunar-calendar dates that this program does not convert.
struct EraTable {
    QStringList names;
    QStringList narrow;
    int firstModern = -1;
};

const EraTable& Eras() {
    static const EraTable table = [] {
        EraTable t;
        UErrorCode status = U_ZERO_ERROR;
        icu::SimpleDateFormat format(icu::UnicodeString(u"GGGG"), JapaneseLocale(), status);
        if (U_FAILURE(status))
            return t;
        const icu::DateFormatSymbols* symbols = format.getDateFormatSymbols();
        int32_t count = 0;
        const icu::UnicodeString* names = symbols->getEraNames(count);
        int32_t narrowCount = 0;
        const icu::UnicodeString* narrow = symbols->getNarrowEras(narrowCount);
        for (int32_t i = 0; i < count; ++i) {
            t.names << QString::fromUtf16(names[i].getBuffer(), names[i].length());
            t.narrow << (i < narrowCount
                             ? QString::fromUtf16(narrow[i].getBuffer(), narrow[i].length())
                             : QString());
        }
        t.firstModern = static_cast<int>(t.names.lastIndexOf(QStringLiteral("明治")));
        return t;
    }();
    return table;
}

std::unique_ptr<icu::Calendar> NewCalendar() {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> cal(
        icu::Calendar::createInstance(icu::TimeZone::getGMT()->clone(), JapaneseLocale(), status));
    if (U_FAILURE(status))
        return nullptr;
    return cal;
}

constexpr qint64 kMsPerDay = 86'400'000;
const QDate kEpoch(1970, 1, 1);

}  // namespace

std::optional<EraYear> EraOfDate(const QDate& date) {
    const EraTable& eras = Eras();
    if (!date.isValid() || eras.firstModern < 0)
        return std::nullopt;
    auto cal = NewCalendar();
    if (!cal)
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    cal->setTime(static_cast<UDate>(kEpoch.daysTo(date) * kMsPerDay), status);
    const int era = cal->get(UCAL_ERA, status);
    const int year = cal->get(UCAL_YEAR, status);
    if (U_FAILURE(status) || era < eras.firstModern || era >= eras.names.size()) {
        return std::nullopt;
    }
    return EraYear{eras.names.at(era), year};
}

std::optional<EraYear> EraOfYear(int gregorianYear) {
    return EraOfDate(QDate(gregorianYear, 12, 31));
}

std::optional<int> GregorianYear(const QString& era, int eraYear) {
    const EraTable& eras = Eras();
    const auto index = eras.names.lastIndexOf(era);
    if (index < eras.firstModern || eraYear < 1 || eraYear > 999)
        return std::nullopt;
    auto cal = NewCalendar();
    if (!cal)
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    cal->clear();
    cal->set(UCAL_ERA, static_cast<int32_t>(index));
    cal->set(UCAL_YEAR, eraYear);
    cal->set(UCAL_MONTH, UCAL_JANUARY);
    cal->set(UCAL_DATE, 1);
    const int gregorian = cal->get(UCAL_EXTENDED_YEAR, status);
    if (U_FAILURE(status))
        return std::nullopt;
    // ICU counts on past an era's end (平成32 becomes 2020): the era year is real only when the
    // era is in force on the first or the last day of that year.
    const EraYear wanted{era, eraYear};
    if (EraOfDate(QDate(gregorian, 1, 1)) == wanted ||
        EraOfDate(QDate(gregorian, 12, 31)) == wanted) {
        return gregorian;
    }
    return std::nullopt;
}

QString EraFromLetter(QChar letter) {
    const EraTable& eras = Eras();
    const QString upper = QString(letter).toUpper();
    for (int i = static_cast<int>(eras.narrow.size()) - 1; i >= eras.firstModern && i >= 0; --i) {
        if (eras.narrow.at(i) == upper)
            return eras.names.at(i);
    }
    return {};
}

// ---------------------------------------------------------------------------------------------
// Holidays

int VernalEquinoxDay(int year) {
    // The almanac's approximation; the integer division truncates towards zero as the formula's
    // INT does for the years before 1983.
    if (year >= 1900 && year <= 1979) {
        return static_cast<int>(20.8357 + 0.242194 * (year - 1980) - (year - 1983) / 4);
    }
    if (year >= 1980 && year <= 2099) {
        return static_cast<int>(20.8431 + 0.242194 * (year - 1980) - (year - 1980) / 4);
    }
    if (year >= 2100 && year <= 2150) {
        return static_cast<int>(21.8510 + 0.242194 * (year - 1980) - (year - 1980) / 4);
    }
    return 0;
}

int AutumnalEquinoxDay(int year) {
    if (year >= 1900 && year <= 1979) {
        return static_cast<int>(23.2588 + 0.242194 * (year - 1980) - (year - 1983) / 4);
    }
    if (year >= 1980 && year <= 2099) {
        return static_cast<int>(23.2488 + 0.242194 * (year - 1980) - (year - 1980) / 4);
    }
    if (year >= 2100 && year <= 2150) {
        return static_cast<int>(24.2488 + 0.242194 * (year - 1980) - (year - 1980) / 4);
    }
    return 0;
}

namespace {

// True when the date is the n-th Monday of its month.
bool IsNthMonday(const QDate& d, int n) {
    return d.dayOfWeek() == Qt::Monday && (d.day() - 1) / 7 == n - 1;
}

// The days the holiday law names (国民の祝日), without substitute and bridge days.
QString NationalHoliday(const QDate& d) {
    if (!d.isValid() || d.year() < 1949)
        return {};
    const int y = d.year();
    const int day = d.day();

    struct OneOff {
        QDate date;
        const char16_t* name;
    };
    static const OneOff oneOffs[] = {
        {QDate(1959, 4, 10), u"皇太子明仁親王の結婚の儀"},
        {QDate(1989, 2, 24), u"昭和天皇の大喪の礼"},
        {QDate(1990, 11, 12), u"即位礼正殿の儀"},
        {QDate(1993, 6, 9), u"皇太子徳仁親王の結婚の儀"},
        {QDate(2019, 5, 1), u"天皇の即位の日"},
        {QDate(2019, 10, 22), u"即位礼正殿の儀"},
    };
    for (const auto& o : oneOffs) {
        if (o.date == d)
            return QString::fromUtf16(o.name);
    }

    switch (d.month()) {
        case 1:
            if (day == 1)
                return QStringLiteral("元日");
            if (y < 2000 ? day == 15 : IsNthMonday(d, 2))
                return QStringLiteral("成人の日");
            break;
        case 2:
            if (day == 11 && y >= 1967)
                return QStringLiteral("建国記念の日");
            if (day == 23 && y >= 2020)
                return QStringLiteral("天皇誕生日");
            break;
        case 3:
            if (day == VernalEquinoxDay(y))
                return QStringLiteral("春分の日");
            break;
        case 4:
            if (day == 29) {
                if (y <= 1988)
                    return QStringLiteral("天皇誕生日");
                if (y <= 2006)
                    return QStringLiteral("みどりの日");
                return QStringLiteral("昭和の日");
            }
            break;
        case 5:
            if (day == 3)
                return QStringLiteral("憲法記念日");
            if (day == 4 && y >= 2007)
                return QStringLiteral("みどりの日");
            if (day == 5)
                return QStringLiteral("こどもの日");
            break;
        case 7:
            if (y == 2020) {
                if (day == 23)
                    return QStringLiteral("海の日");
                if (day == 24)
                    return QStringLiteral("スポーツの日");
            } else if (y == 2021) {
                if (day == 22)
                    return QStringLiteral("海の日");
                if (day == 23)
                    return QStringLiteral("スポーツの日");
            } else if (y >= 2003) {
                if (IsNthMonday(d, 3))
                    return QStringLiteral("海の日");
            } else if (y >= 1996 && day == 20) {
                return QStringLiteral("海の日");
            }
            break;
        case 8:
            if (y == 2020) {
                if (day == 10)
                    return QStringLiteral("山の日");
            } else if (y == 2021) {
                if (day == 8)
                    return QStringLiteral("山の日");
            } else if (y >= 2016 && day == 11) {
                return QStringLiteral("山の日");
            }
            break;
        case 9:
            if (y >= 2003 ? IsNthMonday(d, 3) : (y >= 1966 && day == 15)) {
                return QStringLiteral("敬老の日");
            }
            if (day == AutumnalEquinoxDay(y))
                return QStringLiteral("秋分の日");
            break;
        case 10:
            if (y >= 2022) {
                if (IsNthMonday(d, 2))
                    return QStringLiteral("スポーツの日");
            } else if (y >= 2000 && y <= 2019) {
                if (IsNthMonday(d, 2))
                    return QStringLiteral("体育の日");
            } else if (y >= 1966 && y < 2000 && day == 10) {
                return QStringLiteral("体育の日");
            }
            break;
        case 11:
            if (day == 3)
                return QStringLiteral("文化の日");
            if (day == 23)
                return QStringLiteral("勤労感謝の日");
            break;
        case 12:
            if (day == 23 && y >= 1989 && y <= 2018)
                return QStringLiteral("天皇誕生日");
            break;
        default:
            break;
    }
    return {};
}

const QDate kSubstituteFrom(1973, 4, 12);  // substitute holidays exist from this day
const QDate kNextFreeDayFrom(2007, 1, 1);  // since then: the next day that is not a holiday
const QDate kBridgeFrom(1985, 12, 27);     // bridge days exist from this day

bool IsSubstitute(const QDate& d) {
    if (d < kSubstituteFrom)
        return false;
    if (d < kNextFreeDayFrom) {
        const QDate sunday = d.addDays(-1);
        return d.dayOfWeek() == Qt::Monday && !NationalHoliday(sunday).isEmpty();
    }
    // The run of holidays just before this day contains a Sunday.
    for (QDate p = d.addDays(-1); !NationalHoliday(p).isEmpty(); p = p.addDays(-1)) {
        if (p.dayOfWeek() == Qt::Sunday)
            return true;
    }
    return false;
}

bool IsBridge(const QDate& d) {
    if (d < kBridgeFrom)
        return false;
    if (d < kNextFreeDayFrom && d.dayOfWeek() == Qt::Sunday)
        return false;
    return !NationalHoliday(d.addDays(-1)).isEmpty() && !NationalHoliday(d.addDays(1)).isEmpty();
}

}  // namespace

QString HolidayName(const QDate& date) {
    if (!date.isValid())
        return {};
    QString name = NationalHoliday(date);
    if (!name.isEmpty())
        return name;
    if (IsSubstitute(date))
        return QStringLiteral("振替休日");
    if (IsBridge(date))
        return QStringLiteral("国民の休日");
    return {};
}

bool IsHoliday(const QDate& date) {
    return !HolidayName(date).isEmpty();
}

}  // namespace ie::jcal
