// The comparison with trades: each tier's edges (building year ±10, area ±30 % exactly, the 8th and
// 9th quarter back), the fall to the next tier, statistics of every small count, and trades with
// special circumstances shown but not counted.
#include "valuation/TradeComparison.h"

#include "state/BukkenJoho.h"

#include <QTest>

using namespace ie;
using trades::BuildYear;
using trades::Kind;
using trades::Measure;

namespace {

constexpr int kCity = 13112;
const int kValuation = 2026 * 4 + 3;  // 2026-12-07 lies in 2026年第4四半期

// 36.30 tsubo is exactly 120 ㎡, so ±30 % is 84 ㎡ to 156 ㎡.
ComparisonSubject House() {
    ComparisonSubject s;
    s.house = true;
    s.cityCode = kCity;
    s.district = QStringLiteral("桜丘");
    s.valuationPeriod = kValuation;
    s.size = 3630;
    s.builtYear = 2005;
    s.asking = Currency::fromRaw(qint64(60000000) * Currency::kScale);
    s.estimate = Currency::fromRaw(qint64(45000000) * Currency::kScale);
    return s;
}

StoredTrade Trade(qint64 price, qint64 floorHundredths = 12000, int built = 2005,
                  int period = kValuation, const QString& district = QStringLiteral("桜丘")) {
    static qint64 id = 0;
    StoredTrade st;
    st.id = ++id;
    trades::Trade& t = st.trade;
    t.kind = Kind::HouseAndLand;
    t.cityCode = kCity;
    t.district = district;
    t.price = price;
    t.period = period;
    t.floorArea = {Measure::Kind::Exact, floorHundredths};
    t.area = {Measure::Kind::Exact, 15000};
    t.built = {BuildYear::Kind::Year, built};
    return st;
}

std::vector<StoredTrade> Many(int n, qint64 price = 50000000) {
    std::vector<StoredTrade> out;
    for (int i = 0; i < n; ++i)
        out.push_back(Trade(price));
    return out;
}

Currency Yen(double yen) {
    return Currency::fromRaw(static_cast<qint64>(yen * Currency::kScale));
}

}  // namespace

class TestTradeComparison : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void quartiles_data();
    void quartiles();
    void areaEdgesExact();
    void buildYearEdges();
    void quarterEdges();
    void fallsToNextTier();
    void tooFewSaysSo();
    void oddValuesLeftOut();
    void circumstancesNotCounted();
    void landAlone();
    void subjectOfProperty();
};

void TestTradeComparison::quartiles_data() {
    QTest::addColumn<QList<qint64>>("values");
    QTest::addColumn<double>("q1");
    QTest::addColumn<double>("median");
    QTest::addColumn<double>("q3");
    QTest::newRow("1") << QList<qint64>{10} << 10.0 << 10.0 << 10.0;
    QTest::newRow("2") << QList<qint64>{20, 10} << 12.5 << 15.0 << 17.5;
    QTest::newRow("3") << QList<qint64>{30, 10, 20} << 15.0 << 20.0 << 25.0;
    QTest::newRow("4") << QList<qint64>{40, 10, 30, 20} << 17.5 << 25.0 << 32.5;
    QTest::newRow("5") << QList<qint64>{50, 40, 30, 20, 10} << 20.0 << 30.0 << 40.0;
    QTest::newRow("6") << QList<qint64>{60, 10, 50, 20, 40, 30} << 22.5 << 35.0 << 47.5;
    // A quarter of a yen is kept exactly.
    QTest::newRow("2 small") << QList<qint64>{1, 2} << 1.25 << 1.5 << 1.75;
}

void TestTradeComparison::quartiles() {
    QFETCH(QList<qint64>, values);
    QFETCH(double, q1);
    QFETCH(double, median);
    QFETCH(double, q3);
    const Quartiles q = QuartilesOf(std::vector<qint64>(values.begin(), values.end()));
    QCOMPARE(q.count, values.size());
    QCOMPARE(q.q1, Yen(q1));
    QCOMPARE(q.median, Yen(median));
    QCOMPARE(q.q3, Yen(q3));
}

void TestTradeComparison::areaEdgesExact() {
    const ComparisonSubject s = House();
    QVERIFY(AreaWithin(8400, s, 30));
    QVERIFY(!AreaWithin(8399, s, 30));
    QVERIFY(AreaWithin(15600, s, 30));
    QVERIFY(!AreaWithin(15601, s, 30));
    QVERIFY(AreaWithin(6000, s, 50));
    QVERIFY(!AreaWithin(5999, s, 50));

    std::vector<StoredTrade> t = Many(5);
    t.push_back(Trade(1, 8400));
    t.push_back(Trade(2, 15600));
    t.push_back(Trade(3, 8399));
    t.push_back(Trade(4, 15601));
    const ComparisonResult r = CompareTrades(s, t);
    QCOMPARE(r.tier, 1);
    QCOMPARE(r.price.count, 7);
}

void TestTradeComparison::buildYearEdges() {
    std::vector<StoredTrade> t = Many(5);
    t.push_back(Trade(1, 12000, 1995));
    t.push_back(Trade(2, 12000, 2015));
    t.push_back(Trade(3, 12000, 1994));
    t.push_back(Trade(4, 12000, 2016));
    const ComparisonResult r = CompareTrades(House(), t);
    QCOMPARE(r.tier, 1);
    QCOMPARE(r.price.count, 7);
    for (const ComparedTrade& c : r.trades)
        QVERIFY(c.stored.trade.price != 3 && c.stored.trade.price != 4);
}

void TestTradeComparison::quarterEdges() {
    const int eighth = 2025 * 4;  // 2025年第1四半期
    std::vector<StoredTrade> t = Many(4);
    t.push_back(Trade(1, 12000, 2005, eighth));
    t.push_back(Trade(2, 12000, 2005, eighth - 1));    // the 9th quarter back
    t.push_back(Trade(3, 12000, 2005, kValuation + 1));  // after the valuation date's quarter
    ComparisonResult r = CompareTrades(House(), t);
    QCOMPARE(r.tier, 1);
    QCOMPARE(r.price.count, 5);
    QVERIFY(r.tierText.contains(QStringLiteral("2025年第1四半期～2026年第4四半期")));
}

void TestTradeComparison::fallsToNextTier() {
    // Four in the district, two elsewhere in the city: the whole city (tier 2) has six.
    std::vector<StoredTrade> t = Many(4);
    t.push_back(Trade(1, 12000, 2005, kValuation, QStringLiteral("若林")));
    t.push_back(Trade(2, 12000, 2005, kValuation, QStringLiteral("若林")));
    ComparisonResult r = CompareTrades(House(), t);
    QCOMPARE(r.tier, 2);
    QVERIFY(r.enough);
    QCOMPARE(r.price.count, 6);

    // Tier 3: the 12th quarter back, ±15 years and ±50 % reach more.
    t = Many(3);
    t.push_back(Trade(1, 6000, 2005));                  // ±50 %
    t.push_back(Trade(2, 12000, 1990));                 // ±15 years
    t.push_back(Trade(3, 12000, 2005, kValuation - 11));  // 12th quarter back
    t.push_back(Trade(4, 12000, 2005, kValuation - 12));  // 13th: never
    r = CompareTrades(House(), t);
    QCOMPARE(r.tier, 3);
    QCOMPARE(r.price.count, 6);
}

void TestTradeComparison::tooFewSaysSo() {
    const ComparisonResult r = CompareTrades(House(), Many(4, 40000000));
    QCOMPARE(r.tier, 3);
    QVERIFY(!r.enough);
    QCOMPARE(r.price.count, 4);
    QCOMPARE(r.price.median, Yen(40000000));
    QVERIFY(r.askingRatio);
    QCOMPARE(*r.askingRatio, 150.0);
    QCOMPARE(*r.estimateRatio, 112.5);
}

void TestTradeComparison::oddValuesLeftOut() {
    std::vector<StoredTrade> t = Many(5);
    StoredTrade floor = Trade(1);
    floor.trade.floorArea = {Measure::Kind::AtLeast, 12000};
    StoredTrade prewar = Trade(2);
    prewar.trade.built = {BuildYear::Kind::Prewar, 0};
    StoredTrade landFloor = Trade(3);  // in the filter, but no per-㎡ figure
    landFloor.trade.area = {Measure::Kind::AtLeast, 200000};
    t.push_back(floor);
    t.push_back(prewar);
    t.push_back(landFloor);
    const ComparisonResult r = CompareTrades(House(), t);
    QCOMPARE(r.price.count, 6);
    QCOMPARE(r.perSquareMetre.count, 5);
    // 50,000,000 yen on 150 ㎡: 333,333.33 yen per ㎡, to the whole yen.
    QCOMPARE(r.perSquareMetre.median, Yen(333333));
}

void TestTradeComparison::circumstancesNotCounted() {
    std::vector<StoredTrade> t = Many(4, 30000000);
    StoredTrade related = Trade(10000000);
    related.trade.circumstances = QStringLiteral("関係者間取引");
    t.push_back(related);
    // Four counted: not enough in tier 1, and the related sale is shown but not counted.
    ComparisonResult r = CompareTrades(House(), t);
    QVERIFY(!r.enough);
    QCOMPARE(r.price.count, 4);
    QCOMPARE(r.leftOut, 1);
    QCOMPARE(r.trades.size(), size_t(5));
    QCOMPARE(r.price.median, Yen(30000000));
    QCOMPARE(ComparisonCountText(r), QStringLiteral("4件（取引の事情等がある1件を除く）"));
}

void TestTradeComparison::landAlone() {
    ComparisonSubject s = House();
    s.house = false;
    s.size = 20000;  // 200 ㎡: 140 ㎡ to 260 ㎡
    std::vector<StoredTrade> t;
    for (qint64 area : {14000, 26000, 20000, 20000, 20000, 13999, 26001}) {
        StoredTrade st = Trade(30000000);
        st.trade.kind = Kind::Land;
        st.trade.area = {Measure::Kind::Exact, area};
        st.trade.floorArea = {};
        st.trade.built = {BuildYear::Kind::Prewar, 0};  // no 建築年 condition for land
        t.push_back(st);
    }
    t.push_back(Trade(1));  // a house: another kind
    const ComparisonResult r = CompareTrades(s, t);
    QCOMPARE(r.tier, 1);
    QCOMPARE(r.price.count, 5);
    QVERIFY(r.tierText.contains(QStringLiteral("土地面積±30％")));
}

void TestTradeComparison::subjectOfProperty() {
    BukkenJoho rec;
    QString why;
    QVERIFY(!SubjectOf(rec, &why));
    QVERIFY(why.contains(QStringLiteral("市区町村")));
    rec.ShozaiCityCode = kCity;
    rec.ShozaiChiku = QStringLiteral("桜丘");
    rec.HyokaDate = QDate(2026, 12, 7);
    rec.TotiMenseki = 165.3;
    std::optional<ComparisonSubject> s = SubjectOf(rec, &why);
    QVERIFY(s);
    QVERIFY(!s->house);
    QCOMPARE(s->size, qint64(16530));
    QCOMPARE(s->valuationPeriod, kValuation);
    rec.KaokuTuboTanka = 500000;
    rec.KaokuTateTubo = 36.3;
    rec.KaokuDate = QDate(2005, 3, 1);
    s = SubjectOf(rec, &why);
    QVERIFY(s && s->house);
    QCOMPARE(s->size, qint64(3630));
    QCOMPARE(s->builtYear, 2005);
}

QTEST_GUILESS_MAIN(TestTradeComparison)
#include "tst_valuation_tradecomparison.moc"
