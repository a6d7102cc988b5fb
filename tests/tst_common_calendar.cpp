// Japanese eras (through ICU) and national holidays.
#include "common/JapaneseCalendar.h"

#include <QTest>

using namespace ie;
using jcal::EraYear;
using namespace Qt::StringLiterals;

class TestCalendar : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void eraOfDate_data();
    void eraOfDate();
    void eraOfYear_labelsTheYearByItsLastDay();
    void gregorianYear_data();
    void gregorianYear();
    void eraLetters();
    void equinoxes_data();
    void equinoxes();
    void holidays_data();
    void holidays();
    void holidayNames();
};

void TestCalendar::eraOfDate_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("era");
    QTest::addColumn<int>("year");
    QTest::newRow("last day of Heisei") << QDate(2019, 4, 30) << u"平成"_s << 31;
    QTest::newRow("first day of Reiwa") << QDate(2019, 5, 1) << u"令和"_s << 1;
    QTest::newRow("2026") << QDate(2026, 1, 1) << u"令和"_s << 8;
    QTest::newRow("last day of Showa") << QDate(1989, 1, 7) << u"昭和"_s << 64;
    QTest::newRow("first day of Heisei") << QDate(1989, 1, 8) << u"平成"_s << 1;
    QTest::newRow("first day of Showa") << QDate(1926, 12, 25) << u"昭和"_s << 1;
}

void TestCalendar::eraOfDate() {
    QFETCH(QDate, date);
    QFETCH(QString, era);
    QFETCH(int, year);
    const auto e = jcal::EraOfDate(date);
    QVERIFY(e.has_value());
    QCOMPARE(e->era, era);
    QCOMPARE(e->year, year);
}

void TestCalendar::eraOfYear_labelsTheYearByItsLastDay() {
    // Road prices of 2019 are 令和元年分 although the year began in 平成.
    QCOMPARE(jcal::EraOfYear(2019), (EraYear{u"令和"_s, 1}));
    QCOMPARE(jcal::EraOfYear(2018), (EraYear{u"平成"_s, 30}));
    QCOMPARE(jcal::EraOfYear(1989), (EraYear{u"平成"_s, 1}));
    QCOMPARE(jcal::EraOfYear(1988), (EraYear{u"昭和"_s, 63}));
    QCOMPARE(jcal::EraOfYear(2026), (EraYear{u"令和"_s, 8}));
    QVERIFY(!jcal::EraOfDate(QDate()).has_value());
}

void TestCalendar::gregorianYear_data() {
    QTest::addColumn<QString>("era");
    QTest::addColumn<int>("eraYear");
    QTest::addColumn<int>("expected");  // 0: invalid
    QTest::newRow("R1") << u"令和"_s << 1 << 2019;
    QTest::newRow("R8") << u"令和"_s << 8 << 2026;
    QTest::newRow("H1") << u"平成"_s << 1 << 1989;
    QTest::newRow("H30") << u"平成"_s << 30 << 2018;
    QTest::newRow("H31 is still Heisei in January 2019") << u"平成"_s << 31 << 2019;
    QTest::newRow("H32 does not exist") << u"平成"_s << 32 << 0;
    QTest::newRow("S64") << u"昭和"_s << 64 << 1989;
    QTest::newRow("S65 does not exist") << u"昭和"_s << 65 << 0;
    QTest::newRow("R0") << u"令和"_s << 0 << 0;
    QTest::newRow("negative") << u"令和"_s << -3 << 0;
    QTest::newRow("unknown era") << u"西暦"_s << 5 << 0;
    QTest::newRow("empty era") << QString() << 5 << 0;
}

void TestCalendar::gregorianYear() {
    QFETCH(QString, era);
    QFETCH(int, eraYear);
    QFETCH(int, expected);
    const auto g = jcal::GregorianYear(era, eraYear);
    if (expected == 0) {
        QVERIFY(!g.has_value());
    } else {
        QVERIFY(g.has_value());
        QCOMPARE(*g, expected);
    }
}

void TestCalendar::eraLetters() {
    QCOMPARE(jcal::EraFromLetter(QLatin1Char('H')), u"平成"_s);
    QCOMPARE(jcal::EraFromLetter(QLatin1Char('r')), u"令和"_s);
    QCOMPARE(jcal::EraFromLetter(QLatin1Char('S')), u"昭和"_s);
    QVERIFY(jcal::EraFromLetter(QLatin1Char('X')).isEmpty());
    QVERIFY(jcal::EraFromLetter(QLatin1Char('5')).isEmpty());
}

void TestCalendar::equinoxes_data() {
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("vernal");
    QTest::addColumn<int>("autumnal");
    // Published 暦要項 dates.
    QTest::newRow("1960") << 1960 << 20 << 23;
    QTest::newRow("1979") << 1979 << 21 << 24;
    QTest::newRow("2012") << 2012 << 20 << 22;
    QTest::newRow("2024") << 2024 << 20 << 22;
    QTest::newRow("2025") << 2025 << 20 << 23;
    QTest::newRow("2026") << 2026 << 20 << 23;
    QTest::newRow("2027") << 2027 << 21 << 23;
}

void TestCalendar::equinoxes() {
    QFETCH(int, year);
    QFETCH(int, vernal);
    QFETCH(int, autumnal);
    QCOMPARE(jcal::VernalEquinoxDay(year), vernal);
    QCOMPARE(jcal::AutumnalEquinoxDay(year), autumnal);
}

void TestCalendar::holidays_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<bool>("holiday");
    // Fixed days and happy Mondays.
    QTest::newRow("New Year") << QDate(2026, 1, 1) << true;
    QTest::newRow("Coming of Age 2026 (2nd Monday)") << QDate(2026, 1, 12) << true;
    QTest::newRow("15 Jan 2026 is no longer one") << QDate(2026, 1, 15) << false;
    QTest::newRow("15 Jan 1999 still was") << QDate(1999, 1, 15) << true;
    QTest::newRow("Marine Day 2026") << QDate(2026, 7, 20) << true;
    QTest::newRow("Respect for the Aged 2026") << QDate(2026, 9, 21) << true;
    QTest::newRow("Sports Day 2026") << QDate(2026, 10, 12) << true;
    QTest::newRow("10 Oct 2026") << QDate(2026, 10, 10) << false;
    QTest::newRow("Mountain Day 2026") << QDate(2026, 8, 11) << true;
    QTest::newRow("Emperor's Birthday 2026") << QDate(2026, 2, 23) << true;
    QTest::newRow("23 Dec 2026 no longer") << QDate(2026, 12, 23) << false;
    QTest::newRow("23 Dec 2019: no birthday that year") << QDate(2019, 12, 23) << false;
    QTest::newRow("ordinary Tuesday") << QDate(2026, 6, 16) << false;
    QTest::newRow("ordinary Sunday") << QDate(2026, 6, 14) << false;
    // Equinoxes.
    QTest::newRow("Vernal Equinox 2026") << QDate(2026, 3, 20) << true;
    QTest::newRow("Autumnal Equinox 2026") << QDate(2026, 9, 23) << true;
    // Substitute days.
    QTest::newRow("5/4/2025 Sunday -> 5/6") << QDate(2025, 5, 6) << true;
    QTest::newRow("11/23/2025 Sunday -> 11/24") << QDate(2025, 11, 24) << true;
    QTest::newRow("Equinox 9/22/2024 Sunday -> 9/23") << QDate(2024, 9, 23) << true;
    QTest::newRow("2/23/2020 Sunday -> 2/24") << QDate(2020, 2, 24) << true;
    QTest::newRow("Saturday holiday gets none") << QDate(2022, 1, 3) << false;
    QTest::newRow("before 2007: Monday after 5/4/2003 not") << QDate(2003, 5, 6) << false;
    QTest::newRow("before 2007: Monday after 11/23/2003") << QDate(2003, 11, 24) << true;
    // Bridge days.
    QTest::newRow("9/22/2026 between two holidays") << QDate(2026, 9, 22) << true;
    QTest::newRow("4/30/2019") << QDate(2019, 4, 30) << true;
    QTest::newRow("5/2/2019") << QDate(2019, 5, 2) << true;
    QTest::newRow("10/21/2019 next to a Sunday only") << QDate(2019, 10, 21) << false;
    // One-off days and the Olympic moves.
    QTest::newRow("Enthronement 5/1/2019") << QDate(2019, 5, 1) << true;
    QTest::newRow("Ceremony 10/22/2019") << QDate(2019, 10, 22) << true;
    QTest::newRow("Marine Day 2020 moved") << QDate(2020, 7, 23) << true;
    QTest::newRow("Sports Day 2020 moved") << QDate(2020, 7, 24) << true;
    QTest::newRow("Mountain Day 2020 moved") << QDate(2020, 8, 10) << true;
    QTest::newRow("usual Marine Day 2020 not") << QDate(2020, 7, 20) << false;
    QTest::newRow("usual Sports Day 2020 not") << QDate(2020, 10, 12) << false;
    QTest::newRow("Marine Day 2021 moved") << QDate(2021, 7, 22) << true;
    QTest::newRow("Sports Day 2021 moved") << QDate(2021, 7, 23) << true;
    QTest::newRow("Mountain Day 2021 on a Sunday") << QDate(2021, 8, 8) << true;
    QTest::newRow("its substitute 8/9/2021") << QDate(2021, 8, 9) << true;
    QTest::newRow("usual Marine Day 2021 not") << QDate(2021, 7, 19) << false;
    QTest::newRow("usual Mountain Day 2021 not") << QDate(2021, 8, 11) << false;
    QTest::newRow("usual Sports Day 2021 not") << QDate(2021, 10, 11) << false;
    QTest::newRow("invalid date") << QDate() << false;
}

void TestCalendar::holidays() {
    QFETCH(QDate, date);
    QFETCH(bool, holiday);
    QCOMPARE(jcal::IsHoliday(date), holiday);
}

void TestCalendar::holidayNames() {
    QCOMPARE(jcal::HolidayName(QDate(2026, 4, 29)), u"昭和の日"_s);
    QCOMPARE(jcal::HolidayName(QDate(2000, 4, 29)), u"みどりの日"_s);
    QCOMPARE(jcal::HolidayName(QDate(2026, 5, 4)), u"みどりの日"_s);
    QCOMPARE(jcal::HolidayName(QDate(2005, 5, 4)), u"国民の休日"_s);
    QCOMPARE(jcal::HolidayName(QDate(2025, 5, 6)), u"振替休日"_s);
    QCOMPARE(jcal::HolidayName(QDate(2026, 9, 22)), u"国民の休日"_s);
    QCOMPARE(jcal::HolidayName(QDate(2019, 10, 14)), u"体育の日"_s);
    QCOMPARE(jcal::HolidayName(QDate(2026, 10, 12)), u"スポーツの日"_s);
    QVERIFY(jcal::HolidayName(QDate(2026, 6, 16)).isEmpty());
}

QTEST_GUILESS_MAIN(TestCalendar)
#include "tst_common_calendar.moc"
