// Which texts are numbers, and the display formats "#,##0", "#,##0.00", "0.00", the plain number
// text and "yyyy/mm/dd", whatever the machine's locale; areas to two decimals and floor areas in
// ㎡.
#include "common/AreaRule.h"
#include "common/Currency.h"
#include "common/Formats.h"
#include "common/NumberRule.h"

#include <QLocale>
#include <QTest>

#include <clocale>
#include <cmath>
#include <limits>

using namespace ie;

class TstCommonNumbers : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void accepted_data();
    void accepted();
    void rejected_data();
    void rejected();
    void formatWholeDouble_data();
    void formatWholeDouble();
    void formatWholeCurrency_data();
    void formatWholeCurrency();
    void twoDecimals_data();
    void twoDecimals();
    void plainNumber_data();
    void plainNumber();
    void formatDate();
    void formattedTextsParseBack();
    void sameUnderAnotherLocale();
    void areas_data();
    void areas();
};

void TstCommonNumbers::accepted_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("digits") << QStringLiteral("1234") << 1234.0;
    QTest::newRow("zero") << QStringLiteral("0") << 0.0;
    QTest::newRow("leading zeros") << QStringLiteral("0012") << 12.0;
    QTest::newRow("grouped") << QStringLiteral("1,234") << 1234.0;
    QTest::newRow("grouped with fraction") << QStringLiteral("1,234,567.5") << 1234567.5;
    QTest::newRow("loose grouping") << QStringLiteral("1,2") << 12.0;
    QTest::newRow("uneven groups") << QStringLiteral("12,34,5") << 12345.0;
    QTest::newRow("double comma") << QStringLiteral("1,,2") << 12.0;
    QTest::newRow("spaces around") << QStringLiteral(" 12 ") << 12.0;
    QTest::newRow("full-width spaces") << QStringLiteral("\u300012\u3000") << 12.0;
    QTest::newRow("plus") << QStringLiteral("+5") << 5.0;
    QTest::newRow("minus") << QStringLiteral("-5") << -5.0;
    QTest::newRow("signed grouped spaced") << QStringLiteral(" -1,234.50 ") << -1234.5;
    QTest::newRow("full-width minus and digit") << QStringLiteral("－５") << -5.0;
    QTest::newRow("full-width plus") << QStringLiteral("＋５") << 5.0;
    QTest::newRow("minus sign U+2212") << QStringLiteral("\u22123") << -3.0;
    QTest::newRow("full-width grouped") << QStringLiteral("１，２３４．５") << 1234.5;
    QTest::newRow("full-width exponent") << QStringLiteral("１Ｅ３") << 1000.0;
    QTest::newRow("leading point") << QStringLiteral(".5") << 0.5;
    QTest::newRow("trailing point") << QStringLiteral("1.") << 1.0;
    QTest::newRow("signed leading point") << QStringLiteral("-.5") << -0.5;
    QTest::newRow("exponent") << QStringLiteral("1e3") << 1000.0;
    QTest::newRow("exponent plus") << QStringLiteral("1E+3") << 1000.0;
    QTest::newRow("exponent minus") << QStringLiteral("2.5e-3") << 0.0025;
    QTest::newRow("grouped with exponent") << QStringLiteral("1,000e2") << 100000.0;
    QTest::newRow("largest double")
        << QStringLiteral("1.7976931348623157e308") << std::numeric_limits<double>::max();
    QTest::newRow("too small is zero") << QStringLiteral("1e-400") << 0.0;
}

void TstCommonNumbers::accepted() {
    QFETCH(QString, text);
    QFETCH(double, value);
    const std::optional<double> parsed = ParseNumber(text);
    QVERIFY2(parsed.has_value(), qPrintable(text));
    QCOMPARE(*parsed, value);
    QVERIFY(IsNumeric(text));
}

void TstCommonNumbers::rejected_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("space") << QStringLiteral(" ");
    QTest::newRow("full-width space") << QStringLiteral("\u3000");
    QTest::newRow("lone minus") << QStringLiteral("-");
    QTest::newRow("lone plus") << QStringLiteral("+");
    QTest::newRow("lone comma") << QStringLiteral(",");
    QTest::newRow("lone point") << QStringLiteral(".");
    QTest::newRow("leading comma") << QStringLiteral(",1");
    QTest::newRow("trailing comma") << QStringLiteral("1,");
    QTest::newRow("comma before point") << QStringLiteral("1,.5");
    QTest::newRow("comma in fraction") << QStringLiteral("1.2,3");
    QTest::newRow("comma before exponent") << QStringLiteral("1,e5");
    QTest::newRow("exponent without digits") << QStringLiteral("1e");
    QTest::newRow("exponent sign only") << QStringLiteral("1e+");
    QTest::newRow("exponent alone") << QStringLiteral("e5");
    QTest::newRow("two points") << QStringLiteral("1.2.3");
    QTest::newRow("two signs") << QStringLiteral("--5");
    QTest::newRow("mixed signs") << QStringLiteral("+-5");
    QTest::newRow("space after sign") << QStringLiteral("- 5");
    QTest::newRow("inner space") << QStringLiteral("1 234");
    QTest::newRow("trailing letter") << QStringLiteral("12a");
    QTest::newRow("hex") << QStringLiteral("0x1A");
    QTest::newRow("basic hex") << QStringLiteral("&H1A");
    QTest::newRow("yen sign") << QStringLiteral("¥100");
    QTest::newRow("full-width yen") << QStringLiteral("￥100");
    QTest::newRow("dollar") << QStringLiteral("$5");
    QTest::newRow("trailing minus") << QStringLiteral("5-");
    QTest::newRow("overflow") << QStringLiteral("1e400");
    QTest::newRow("negative overflow") << QStringLiteral("-1e400");
    QTest::newRow("overflow by digits") << (QStringLiteral("1") + QString(400, u'0'));
    QTest::newRow("nan") << QStringLiteral("nan");
    QTest::newRow("inf") << QStringLiteral("inf");
    QTest::newRow("kanji digits") << QStringLiteral("一二三");
}

void TstCommonNumbers::rejected() {
    QFETCH(QString, text);
    QVERIFY2(!ParseNumber(text).has_value(), qPrintable(text));
    QVERIFY(!IsNumeric(text));
}

void TstCommonNumbers::formatWholeDouble_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("half up") << 1234.5 << QStringLiteral("1,235");
    QTest::newRow("below half") << 0.4 << QStringLiteral("0");
    QTest::newRow("negative below half shows no sign") << -0.4 << QStringLiteral("0");
    QTest::newRow("negative zero") << -0.0 << QStringLiteral("0");
    QTest::newRow("2.5 away from zero") << 2.5 << QStringLiteral("3");
    QTest::newRow("-2.5 away from zero") << -2.5 << QStringLiteral("-3");
    QTest::newRow("0.5") << 0.5 << QStringLiteral("1");
    QTest::newRow("-0.5") << -0.5 << QStringLiteral("-1");
    QTest::newRow("carry into a new group") << 999.5 << QStringLiteral("1,000");
    QTest::newRow("just below half") << 1234567.49 << QStringLiteral("1,234,567");
    QTest::newRow("price") << 18750000.0 << QStringLiteral("18,750,000");
    QTest::newRow("negative grouped") << -1234567.0 << QStringLiteral("-1,234,567");
    QTest::newRow("three digits") << 123.0 << QStringLiteral("123");
    QTest::newRow("1e20") << 1e20 << QStringLiteral("100,000,000,000,000,000,000");
    // A double is first reduced to 15 significant digits: the double nearest below 2.5 reads
    // 2.50000000000000 and rounds to 3, and digits past the 15th show as zeros.
    QTest::newRow("15 digits first") << std::nextafter(2.5, 0.0) << QStringLiteral("3");
    // 0.285 * 100 is 28.499999999999996 in binary, 28.5000000000000 at 15 digits.
    QTest::newRow("product below a half") << 0.285 * 100 << QStringLiteral("29");
    QTest::newRow("beyond 15 digits")
        << 123456789012345678.0 << QStringLiteral("123,456,789,012,346,000");
}

void TstCommonNumbers::formatWholeDouble() {
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(FormatWhole(value), text);
}

void TstCommonNumbers::formatWholeCurrency_data() {
    QTest::addColumn<qint64>("raw");
    QTest::addColumn<QString>("text");
    QTest::newRow("x.5 up") << qint64(12345000) << QStringLiteral("1,235");
    QTest::newRow("-x.5 away") << qint64(-12345000) << QStringLiteral("-1,235");
    QTest::newRow("x.4999") << qint64(12344999) << QStringLiteral("1,234");
    QTest::newRow("2.5 away") << qint64(25000) << QStringLiteral("3");
    QTest::newRow("0.4") << qint64(4000) << QStringLiteral("0");
    QTest::newRow("-0.4999 no sign") << qint64(-4999) << QStringLiteral("0");
    QTest::newRow("-0.5") << qint64(-5000) << QStringLiteral("-1");
    QTest::newRow("price") << qint64(187500000000) << QStringLiteral("18,750,000");
    QTest::newRow("top") << std::numeric_limits<qint64>::max()
                         << QStringLiteral("922,337,203,685,478");
    QTest::newRow("bottom") << std::numeric_limits<qint64>::min()
                            << QStringLiteral("-922,337,203,685,478");
}

void TstCommonNumbers::formatWholeCurrency() {
    QFETCH(qint64, raw);
    QFETCH(QString, text);
    QCOMPARE(FormatWhole(Currency::fromRaw(raw)), text);
}

void TstCommonNumbers::twoDecimals_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("grouped");
    QTest::addColumn<QString>("fixed");
    QTest::newRow("85.5") << 85.5 << QStringLiteral("85.50") << QStringLiteral("85.50");
    QTest::newRow("100") << 100.0 << QStringLiteral("100.00") << QStringLiteral("100.00");
    QTest::newRow("grouping") << 1234.5 << QStringLiteral("1,234.50") << QStringLiteral("1234.50");
    QTest::newRow("rounded") << 1234567.891 << QStringLiteral("1,234,567.89")
                             << QStringLiteral("1234567.89");
    // 0.125 is exact in binary: a true half, away from zero.
    QTest::newRow("exact half") << 0.125 << QStringLiteral("0.13") << QStringLiteral("0.13");
    QTest::newRow("negative half") << -0.125 << QStringLiteral("-0.13") << QStringLiteral("-0.13");
    // 1.005 is 1.00499999999999989... in binary and 0.995 is 0.99499999999999999556; at 15
    // significant digits both are halves and round up, as the Windows format does.
    QTest::newRow("1.005") << 1.005 << QStringLiteral("1.01") << QStringLiteral("1.01");
    QTest::newRow("0.995") << 0.995 << QStringLiteral("1.00") << QStringLiteral("1.00");
    QTest::newRow("tiny negative shows no sign")
        << -0.004 << QStringLiteral("0.00") << QStringLiteral("0.00");
    QTest::newRow("zero") << 0.0 << QStringLiteral("0.00") << QStringLiteral("0.00");
    QTest::newRow("small") << 0.05 << QStringLiteral("0.05") << QStringLiteral("0.05");
    QTest::newRow("negative grouped")
        << -98765.4321 << QStringLiteral("-98,765.43") << QStringLiteral("-98765.43");
}

void TstCommonNumbers::twoDecimals() {
    QFETCH(double, value);
    QFETCH(QString, grouped);
    QFETCH(QString, fixed);
    QCOMPARE(FormatGrouped2(value), grouped);
    QCOMPARE(FormatFixed2(value), fixed);
}

void TstCommonNumbers::plainNumber_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("1.5") << 1.5 << QStringLiteral("1.5");
    QTest::newRow("-2") << -2.0 << QStringLiteral("-2");
    QTest::newRow("0") << 0.0 << QStringLiteral("0");
    QTest::newRow("-0") << -0.0 << QStringLiteral("0");
    QTest::newRow("0.046 * 100") << 0.046 * 100 << QStringLiteral("4.6");
    QTest::newRow("0.1 + 0.2") << 0.1 + 0.2 << QStringLiteral("0.3");
    QTest::newRow("100") << 100.0 << QStringLiteral("100");
    QTest::newRow("no grouping") << 1234.5678 << QStringLiteral("1234.5678");
    QTest::newRow("one third") << 1.0 / 3.0 << QStringLiteral("0.333333333333333");
    QTest::newRow("two thirds") << 2.0 / 3.0 << QStringLiteral("0.666666666666667");
    QTest::newRow("15 digits") << 123456789012345.0 << QStringLiteral("123456789012345");
    QTest::newRow("1e15") << 1e15 << QStringLiteral("1E+15");
    QTest::newRow("1e20") << 1e20 << QStringLiteral("1E+20");
    QTest::newRow("1.5e20") << 1.5e20 << QStringLiteral("1.5E+20");
    QTest::newRow("1e300") << 1e300 << QStringLiteral("1E+300");
    QTest::newRow("0.0001") << 0.0001 << QStringLiteral("0.0001");
    QTest::newRow("0.00001") << 0.00001 << QStringLiteral("1E-05");
    QTest::newRow("negative small") << -0.00001234 << QStringLiteral("-1.234E-05");
    QTest::newRow("-3.25") << -3.25 << QStringLiteral("-3.25");
}

void TstCommonNumbers::plainNumber() {
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(PlainNumber(value), text);
}

void TstCommonNumbers::formatDate() {
    QCOMPARE(FormatDate(QDate(2026, 3, 1)), QStringLiteral("2026/03/01"));
    QCOMPARE(FormatDate(QDate(1989, 1, 8)), QStringLiteral("1989/01/08"));
    QCOMPARE(FormatDate(QDate(2019, 12, 31)), QStringLiteral("2019/12/31"));
    QCOMPARE(FormatDate(QDate()), QString());
    QCOMPARE(FormatDate(QDate(2026, 2, 30)), QString());
}

void TstCommonNumbers::formattedTextsParseBack() {
    // The fields reformat themselves and are read again: every display text must be a number.
    QCOMPARE(ParseNumber(FormatWhole(1234567.0)), std::optional<double>(1234567.0));
    QCOMPARE(ParseNumber(FormatGrouped2(1234.5)), std::optional<double>(1234.5));
    QCOMPARE(ParseNumber(PlainNumber(1.5e20)), std::optional<double>(1.5e20));
    QCOMPARE(ParseNumber(FormatWhole(Currency::fromRaw(-12345000))), std::optional<double>(-1235));
}

void TstCommonNumbers::sameUnderAnotherLocale() {
    // A locale whose decimal point is "," must change nothing.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const char* cLocale = std::setlocale(LC_ALL, "de_DE.UTF-8");
    if (cLocale == nullptr) {
        cLocale = std::setlocale(LC_ALL, "de_DE");
    }
    const std::optional<double> parsed = ParseNumber(QStringLiteral("1,234.5"));
    const QString grouped = FormatGrouped2(1234.5);
    const QString plain = PlainNumber(0.25);
    QLocale::setDefault(saved);
    std::setlocale(LC_ALL, "C");
    QCOMPARE(parsed, std::optional<double>(1234.5));
    QCOMPARE(grouped, QStringLiteral("1,234.50"));
    QCOMPARE(plain, QStringLiteral("0.25"));
}

void TstCommonNumbers::areas_data() {
    // An area as typed, and as shown (and used) in the site-area and the floor-area field; an
    // empty text where the field clears it.
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("site");
    QTest::addColumn<QString>("floor");
    auto row = [](const char* name, const char16_t* typed, const char16_t* site,
                  const char16_t* floor) {
        QTest::newRow(name) << QString::fromUtf16(typed) << QString::fromUtf16(site)
                            << QString::fromUtf16(floor);
    };
    row("whole", u"132", u"132", u"132");
    row("two decimals", u"132.23", u"132.23", u"132.23");
    row("third decimal, grouped", u"1234.567", u"1,234.57", u"1,234.57");
    // 132.235 is 132.2349999... in binary; its 15-digit text is a half and goes up.
    row("half up", u"132.235", u"132.24", u"132.24");
    // ㎡ converts the floor area to 坪: 100 x 121 / 400; 99.17 x 121 / 400 = 29.998925.
    row("㎡", u"100㎡", u"100", u"30.25");
    row("㎡ rounds to whole", u"99.17㎡", u"99.17", u"30");
    // 99.1901 x 121 / 400 = 30.00500525 goes up; rounding the ㎡ first (99.19) would give 30.00.
    row("㎡ converted before rounding", u"99.1901㎡", u"99.19", u"30.01");
    row("m2 with spaces", u" 100 m2 ", u"100", u"30.25");
    row("m²", u"100m²", u"100", u"30.25");
    row("full-width ｍ２", u"100ｍ２", u"100", u"30.25");
    row("no number before the unit", u"abc㎡", u"", u"");
}

void TstCommonNumbers::areas() {
    QFETCH(QString, typed);
    QFETCH(QString, site);
    QFETCH(QString, floor);
    const std::optional<double> s = ParseSiteArea(typed);
    const std::optional<double> f = ParseFloorArea(typed);
    QCOMPARE(s ? FormatArea(*s) : QString(), site);
    QCOMPARE(f ? FormatArea(*f) : QString(), floor);
    // The value used is the one shown: the shown text reads back as the same number.
    if (s)
        QCOMPARE(ParseSiteArea(site), s);
}

QTEST_GUILESS_MAIN(TstCommonNumbers)
#include "tst_common_numbers.moc"
