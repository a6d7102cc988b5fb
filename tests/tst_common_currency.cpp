// Currency: rounding of doubles to ten-thousandths, the range and its overflow error, plain text.
#include "common/AppError.h"
#include "common/Currency.h"

#include <QTest>

#include <cmath>
#include <cstdint>
#include <limits>

using ie::AppError;
using ie::Currency;

namespace {
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
}  // namespace

class TstCommonCurrency : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fromDoubleRounds_data();
    void fromDoubleRounds();
    void overflowAtTheRangeEnds_data();
    void overflowAtTheRangeEnds();
    void overflowErrorCarriesNumberAndText();
    void additionAndSubtraction();
    void plainText_data();
    void plainText();
    void toDouble();
};

void TstCommonCurrency::fromDoubleRounds_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<qint64>("raw");

    QTest::newRow("whole") << 1.0 << qint64(10000);
    QTest::newRow("four places exact") << 12.5 << qint64(125000);
    QTest::newRow("zero") << 0.0 << qint64(0);
    QTest::newRow("below half") << 0.00004 << qint64(0);
    QTest::newRow("above half") << 0.00006 << qint64(1);
    // Values that are exact in binary and whose scaled value is exactly x.5: m/32 with m odd.
    QTest::newRow("1/32 tie to even down") << 0.03125 << qint64(312);   // 312.5
    QTest::newRow("3/32 tie to even up") << 0.09375 << qint64(938);     // 937.5
    QTest::newRow("5/32 tie to even down") << 0.15625 << qint64(1562);  // 1562.5
    QTest::newRow("7/32 tie to even up") << 0.21875 << qint64(2188);    // 2187.5
    QTest::newRow("-1/32 tie") << -0.03125 << qint64(-312);
    QTest::newRow("-3/32 tie") << -0.09375 << qint64(-938);
    QTest::newRow("large tie down") << 123456789.03125 << qint64(1234567890312);  // ...312.5
    QTest::newRow("large tie up") << 123456789.09375 << qint64(1234567890938);    // ...937.5
    // The scaling happens in double: 0.00025 * 10000 is exactly 2.5 (tie, even 2), while
    // 0.00015 * 10000 is 1.4999999999999998 (rounds down to 1).
    QTest::newRow("scaled tie 2.5") << 0.00025 << qint64(2);
    QTest::newRow("scaled just below 1.5") << 0.00015 << qint64(1);
    QTest::newRow("price") << 19266472.6027 << qint64(192664726027);
    // 922337203685477 * 10000 is not representable; the nearest double is 9223372036854769664.
    QTest::newRow("near the top") << 922337203685477.0 << qint64(9223372036854769664LL);
    QTest::newRow("near the bottom") << -922337203685477.0 << qint64(-9223372036854769664LL);
    // -922337203685477.5808 is the double -922337203685477.625, whose scaled value rounds to
    // exactly -2^63: the lowest value still fits.
    QTest::newRow("the lowest value") << -922337203685477.5808 << qint64(kMin);
}

void TstCommonCurrency::fromDoubleRounds() {
    QFETCH(double, value);
    QFETCH(qint64, raw);
    QCOMPARE(Currency::fromDouble(value).raw(), raw);
    const std::optional<Currency> c = Currency::tryFromDouble(value);
    QVERIFY(c.has_value());
    QCOMPARE(c->raw(), raw);
}

void TstCommonCurrency::overflowAtTheRangeEnds_data() {
    QTest::addColumn<double>("value");
    // 922337203685477.5807 is the double ...477.625, which scales to 2^63: one past the top.
    QTest::newRow("the top as a double") << 922337203685477.5807;
    QTest::newRow("above the top") << 922337203685478.0;
    QTest::newRow("below the bottom") << -922337203685478.0;
    QTest::newRow("huge") << 1e300;
    QTest::newRow("huge negative") << -1e300;
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("+inf") << std::numeric_limits<double>::infinity();
    QTest::newRow("-inf") << -std::numeric_limits<double>::infinity();
}

void TstCommonCurrency::overflowAtTheRangeEnds() {
    QFETCH(double, value);
    QVERIFY(!Currency::tryFromDouble(value).has_value());
    QVERIFY_THROWS_EXCEPTION(AppError, Currency::fromDouble(value));
}

void TstCommonCurrency::overflowErrorCarriesNumberAndText() {
    try {
        (void)Currency::fromDouble(1e20);
        QFAIL("no overflow");
    } catch (const AppError& e) {
        QCOMPARE(e.number(), 6);
        QCOMPARE(e.description(), QStringLiteral("オーバーフローしました。"));
    }
    try {
        (void)(Currency::fromRaw(kMax) + Currency::fromRaw(1));
        QFAIL("no overflow");
    } catch (const AppError& e) {
        QCOMPARE(e.number(), 6);
    }
}

void TstCommonCurrency::additionAndSubtraction() {
    QCOMPARE((Currency::fromDouble(1.5) + Currency::fromDouble(2.25)).raw(), qint64(37500));
    QCOMPARE((Currency::fromDouble(1.5) - Currency::fromDouble(2.25)).raw(), qint64(-7500));
    QCOMPARE((Currency::fromRaw(kMax) + Currency::fromRaw(-1)).raw(), kMax - 1);
    QCOMPARE((Currency::fromRaw(kMax - 1) + Currency::fromRaw(1)).raw(), kMax);
    QCOMPARE((Currency::fromRaw(kMin + 1) - Currency::fromRaw(1)).raw(), kMin);
    QVERIFY_THROWS_EXCEPTION(AppError, Currency::fromRaw(kMax) + Currency::fromRaw(1));
    QVERIFY_THROWS_EXCEPTION(AppError, Currency::fromRaw(kMin) + Currency::fromRaw(-1));
    QVERIFY_THROWS_EXCEPTION(AppError, Currency::fromRaw(kMin) - Currency::fromRaw(1));
    QVERIFY_THROWS_EXCEPTION(AppError, Currency::fromRaw(kMax) - Currency::fromRaw(-1));
    QVERIFY_THROWS_EXCEPTION(AppError, Currency::fromRaw(0) - Currency::fromRaw(kMin));
    QVERIFY(Currency::fromRaw(1) < Currency::fromRaw(2));
    QVERIFY(Currency::fromRaw(-3) < Currency());
    QVERIFY(Currency().isZero());
    QVERIFY(!Currency::fromRaw(1).isZero());
}

void TstCommonCurrency::plainText_data() {
    QTest::addColumn<qint64>("raw");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << qint64(187500000000) << QStringLiteral("18750000");
    QTest::newRow("four places") << qint64(192664726027) << QStringLiteral("19266472.6027");
    QTest::newRow("negative half") << qint64(-5000) << QStringLiteral("-0.5");
    QTest::newRow("zero") << qint64(0) << QStringLiteral("0");
    QTest::newRow("trailing zeros dropped") << qint64(12340) << QStringLiteral("1.234");
    QTest::newRow("leading zeros of fraction") << qint64(10) << QStringLiteral("0.001");
    QTest::newRow("smallest negative step") << qint64(-1) << QStringLiteral("-0.0001");
    QTest::newRow("no grouping") << qint64(12345678900000) << QStringLiteral("1234567890");
    QTest::newRow("top") << qint64(kMax) << QStringLiteral("922337203685477.5807");
    QTest::newRow("bottom") << qint64(kMin) << QStringLiteral("-922337203685477.5808");
}

void TstCommonCurrency::plainText() {
    QFETCH(qint64, raw);
    QFETCH(QString, text);
    QCOMPARE(Currency::fromRaw(raw).toPlainText(), text);
}

void TstCommonCurrency::toDouble() {
    QCOMPARE(Currency::fromRaw(5000).toDouble(), 0.5);
    QCOMPARE(Currency::fromRaw(-12345).toDouble(), -1.2345);
    QCOMPARE(Currency::fromRaw(187500000000).toDouble(), 18750000.0);
    QCOMPARE(Currency().toDouble(), 0.0);
}

QTEST_GUILESS_MAIN(TstCommonCurrency)
#include "tst_common_currency.moc"
