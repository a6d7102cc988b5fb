// The lot-correction factor without a window: the road check, the other adjustment typed in
// percent, the shape factor and the product of the nine factors.
#include "state/BukkenJoho.h"
#include "valuation/LotCorrection.h"

#include <QtTest>

using namespace ie;
using namespace Qt::StringLiterals;

class TestLotCorrection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void roadCheck_data();
    void roadCheck();
    void sonota_data();
    void sonota();
    void keijo_data();
    void keijo();
    void productOfNineFactors();
    void finishStoresRankAndFactor();
    void finishOutOfRangeKeepsText();
};

void TestLotCorrection::roadCheck_data() {
    QTest::addColumn<bool>("soku1");
    QTest::addColumn<bool>("soku2");
    QTest::addColumn<bool>("ura");
    QTest::addColumn<bool>("maguti");
    QTest::addColumn<bool>("minami");
    QTest::addColumn<bool>("mudoro");
    QTest::addColumn<bool>("refused");
    QTest::newRow("no road, side 1") << true << false << false << false << false << true << true;
    QTest::newRow("no road, side 2") << false << true << false << false << false << true << true;
    QTest::newRow("no road, rear") << false << false << true << false << false << true << true;
    QTest::newRow("no road, narrow") << false << false << false << true << false << true << true;
    QTest::newRow("no road, south") << false << false << false << false << true << true << true;
    QTest::newRow("no road, all") << true << true << true << true << true << true << true;
    QTest::newRow("no road alone") << false << false << false << false << false << true << false;
    QTest::newRow("roads without no-road")
        << true << true << true << true << true << false << false;
    QTest::newRow("nothing") << false << false << false << false << false << false << false;
}

void TestLotCorrection::roadCheck() {
    QFETCH(bool, soku1);
    QFETCH(bool, soku2);
    QFETCH(bool, ura);
    QFETCH(bool, maguti);
    QFETCH(bool, minami);
    QFETCH(bool, mudoro);
    QFETCH(bool, refused);
    QCOMPARE(RoadChoiceConflicts(soku1, soku2, ura, maguti, minami, mudoro), refused);
}

void TestLotCorrection::sonota_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("rank");
    QTest::addColumn<double>("hosei");
    QTest::addColumn<bool>("emptied");
    QTest::newRow("50") << u"50"_s << 50 << 1.5 << false;
    QTest::newRow("-99") << u"-99"_s << -99 << 0.01 << false;
    QTest::newRow("100") << u"100"_s << 100 << 2.0 << false;
    QTest::newRow("-20") << u"-20"_s << -20 << 0.8 << false;
    QTest::newRow("15") << u"15"_s << 15 << 1.15 << false;
    QTest::newRow("0") << u"0"_s << 0 << 1.0 << false;
    QTest::newRow("101 out of range") << u"101"_s << 0 << 1.0 << false;
    QTest::newRow("999 out of range") << u"999"_s << 0 << 1.0 << false;
    QTest::newRow("1e9 out of range") << u"1e9"_s << 0 << 1.0 << false;
    QTest::newRow("2.5 to even 2") << u"2.5"_s << 2 << 1.02 << false;
    QTest::newRow("3.5 to even 4") << u"3.5"_s << 4 << 1.04 << false;
    QTest::newRow("-2.5 to even -2") << u"-2.5"_s << -2 << 0.98 << false;
    QTest::newRow("2.6 up") << u"2.6"_s << 3 << 1.03 << false;
    QTest::newRow("full-width 15") << u"１５"_s << 15 << 1.15 << false;
    QTest::newRow("letters") << u"abc"_s << 0 << 1.0 << true;
    QTest::newRow("lone minus") << u"-"_s << 0 << 1.0 << true;
    QTest::newRow("empty") << QString() << 0 << 1.0 << true;
}

void TestLotCorrection::sonota() {
    QFETCH(QString, text);
    QFETCH(int, rank);
    QFETCH(double, hosei);
    QFETCH(bool, emptied);
    const SonotaAdjustment a = SonotaFromText(text);
    QCOMPARE(a.rank, rank);
    QCOMPARE(a.hosei, hosei);
    QCOMPARE(a.emptyText, emptied);
}

void TestLotCorrection::keijo_data() {
    QTest::addColumn<double>("okuyuki");
    QTest::addColumn<double>("maguchi");
    QTest::addColumn<double>("fuseikei");
    QTest::addColumn<double>("expected");
    QTest::newRow("depth x frontage is smaller") << 0.9 << 0.9 << 0.85 << 0.81;
    QTest::newRow("shape is smaller") << 0.9 << 0.9 << 0.78 << 0.78;
    QTest::newRow("tie") << 1.0 << 0.9 << 0.9 << 0.9;
    QTest::newRow("nothing") << 1.0 << 1.0 << 1.0 << 1.0;
    QTest::newRow("depth alone") << 0.94 << 1.0 << 0.98 << 0.94;
}

void TestLotCorrection::keijo() {
    QFETCH(double, okuyuki);
    QFETCH(double, maguchi);
    QFETCH(double, fuseikei);
    QFETCH(double, expected);
    QCOMPARE(KeijoFactor(okuyuki, maguchi, fuseikei), expected);
}

namespace {

BukkenJoho Factors() {
    BukkenJoho r;
    r.KoatuHosei = 0.7;
    r.GakeHosei = 0.95;
    r.Sokumen1Hosei = 1.03;
    r.Sokumen2Hosei = 1.0;
    r.UramenHosei = 1.02;
    r.MudoroHosei = 1.0;
    r.MinamiHosei = 1.05;
    r.SonotaHosei = 0.8;
    r.OkuyukiHosei = 0.9;
    r.MaguchiHosei = 0.9;
    r.FuseikeiHosei = 0.85;
    return r;
}

}  // namespace

void TestLotCorrection::productOfNineFactors() {
    BukkenJoho r = Factors();
    CombineLotFactors(r);
    QCOMPARE(r.KeijoHosei, 0.81);
    // 0.7 * 0.95 * 1.03 * 1.02 * 1.05 * 0.8 * 0.81 worked out by hand: 0.4753607796.
    QCOMPARE(r.KakutiHoseiRitu, 0.4753607796);

    // The stronger reduction of shape counts, not both.
    r.FuseikeiHosei = 0.79;
    CombineLotFactors(r);
    QCOMPARE(r.KeijoHosei, 0.79);
    // 0.7 * 0.95 * 1.03 * 1.02 * 1.05 * 0.8 = 0.58686516; times 0.79 = 0.4636234764.
    QCOMPARE(r.KakutiHoseiRitu, 0.4636234764);

    // A factor of 0 (a table that says "worthless") gives 0.
    r.KoatuHosei = 0;
    CombineLotFactors(r);
    QCOMPARE(r.KakutiHoseiRitu, 0.0);
}

void TestLotCorrection::finishStoresRankAndFactor() {
    BukkenJoho r = Factors();
    QVERIFY(!FinishLotCorrection(r, u"50"_s));
    QCOMPARE(r.SonotaRank, 50);
    QCOMPARE(r.SonotaHosei, 1.5);
    // 0.7 * 0.95 * 1.03 * 1.02 * 1.05 = 0.73358145; * 1.5 = 1.100372175; * 0.81 = 0.89130146175.
    QCOMPARE(r.KakutiHoseiRitu, 0.89130146175);

    QVERIFY(FinishLotCorrection(r, u"x"_s));
    QCOMPARE(r.SonotaRank, 0);
    QCOMPARE(r.SonotaHosei, 1.0);
    // 0.73358145 * 0.81 = 0.5942009745.
    QCOMPARE(r.KakutiHoseiRitu, 0.5942009745);
}

void TestLotCorrection::finishOutOfRangeKeepsText() {
    BukkenJoho r = Factors();
    r.SonotaRank = 30;
    r.SonotaHosei = 1.3;
    QVERIFY(!FinishLotCorrection(r, u"101"_s));  // the box keeps the number
    QCOMPARE(r.SonotaRank, 0);
    QCOMPARE(r.SonotaHosei, 1.0);
    QCOMPARE(r.KakutiHoseiRitu, 0.5942009745);
}

QTEST_GUILESS_MAIN(TestLotCorrection)
#include "tst_valuation_lotcorrection.moc"
