// The land and house calculations over the property record, without a window.
#include "common/Currency.h"
#include "state/BukkenJoho.h"
#include "state/ModGlobal.h"
#include "support/ScriptedUi.h"
#include "valuation/HousePrice.h"
#include "valuation/LandPrice.h"
#include "valuation/RosenkaUnit.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

#include <sqlite3.h>

using namespace ie;
using namespace Qt::StringLiterals;

namespace ie {
// Failure messages show the amount with its four decimals.
char* toString(const Currency& c) {
    return QTest::toString(c.toPlainText());
}
}  // namespace ie

namespace {

// The house lookup for a property without a structure, as the worksheet makes it: the
// 家屋経年減点補正率 row, the reference connection opened for it alone; a failed open is shown
// and abandons the calculation.
std::optional<double> WoodRate(ModGlobal& g, UiServices& ui, qint32 age) {
    SysDbSession session(g, ui, nullptr);
    if (!session.ok()) {
        ui.showError(nullptr, session.failure());
        return std::nullopt;
    }
    return LookUpHouseRate(g, 0, age).rate;
}

// Currency from its yen value written with four decimals, e.g. Yen(19266472, 6027).
Currency Yen(qint64 whole, qint64 tenThousandths = 0) {
    return Currency::fromRaw(whole * Currency::kScale +
                             (whole < 0 ? -tenThousandths : tenThousandths));
}

// A record as the worksheet leaves it after start-up, with the road-price year 2025.
BukkenJoho StartRecord() {
    BukkenJoho r;
    r.KakutiHoseiRitu = 1.0;
    r.RosenkaNendo = QDate(2025, 1, 1);
    r.HyokaDate = QDate(2025, 1, 1);
    r.KaokuDate = QDate(2025, 1, 1);
    return r;
}

const QString kOverflowPrefix = u"6\rオーバーフローしました。\r"_s;

// A reference database of the test's own: the depreciation table with rate 0.8 at age 11 and
// 0.75 as its last row (age 12).
bool MakeDepreciationDb(const QString& path) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    QString sql = u"CREATE TABLE 家屋経年減点補正率 (ランク INTEGER PRIMARY KEY, 補正率 REAL);"_s;
    for (int rank = 0; rank <= 10; ++rank) {
        sql +=
            u"INSERT INTO 家屋経年減点補正率 VALUES (%1, %2);"_s.arg(rank).arg(1.0 - rank * 0.01);
    }
    sql += u"INSERT INTO 家屋経年減点補正率 VALUES (11, 0.8);"_s;
    sql += u"INSERT INTO 家屋経年減点補正率 VALUES (12, 0.75);"_s;
    const bool ok =
        sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

}  // namespace

class TestValuationCalc : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Land.
    void land_workedExamples_data();
    void land_workedExamples();
    void land_yearBoundary();
    void land_negativeRateAndReversedDates();
    void land_emptyRateFieldMeansNoChange();
    void land_inputTests_data();
    void land_inputTests();
    void land_baseOverflowChangesNothing();
    void land_yearlyOverflowChangesNothing();
    void land_rateTextThatIsNoNumber();
    void rosenkaInThousands_data();
    void rosenkaInThousands();
    // House.
    void house_age_data();
    void house_age();
    void house_asksTheLookupForTheAge();
    void house_workedExampleOnOwnTable();
    void house_ageBeyondTableTakesLastRow();
    void house_builtAfterValuationChangesNothing();
    void house_inputTests_data();
    void house_inputTests();
    void house_overflow();
    void house_unopenableReferenceAbandons();
    void house_brokenTableChangesNothing();
};

// ---------------------------------------------------------------------------------------------
// Land

void TestValuationCalc::land_workedExamples_data() {
    QTest::addColumn<QString>("rosenka");
    QTest::addColumn<QString>("menseki");
    QTest::addColumn<double>("kakuti");
    QTest::addColumn<QString>("jiten");
    QTest::addColumn<int>("days");
    QTest::addColumn<Currency>("expected");
    // D 500: one year 18,750,000 x 1.02 = 19,125,000, then x (1 + 135/365 x 0.02).
    QTest::newRow("rise 2 %") << u"100,000"_s << u"150"_s << 1.0 << u"2"_s << 500
                              << Yen(19266472, 6027);
    // D 800: 11,761,875 x 0.97 = 11,409,018.75, x 0.97 = 11,066,748.1875, x (1 - 70/365 x 0.03).
    QTest::newRow("fall 3 %") << u"85,000"_s << u"123"_s << 0.9 << u"-3"_s << 800
                              << Yen(11003076, 4856);
    // Areas keep two decimals: 200,000 x 132.23 = 26,446,000, / 0.8.
    QTest::newRow("decimal area") << u"200,000"_s << u"132.23"_s << 1.0 << u"0"_s << 10
                                  << Yen(33057500);
    QTest::newRow("rate 0, any D")
        << u"100,000"_s << u"150"_s << 1.0 << u"0"_s << 4321 << Yen(18750000);
    QTest::newRow("negative road price")
        << u"-100,000"_s << u"150"_s << 1.0 << u"0"_s << 10 << Yen(-18750000);
}

void TestValuationCalc::land_workedExamples() {
    QFETCH(QString, rosenka);
    QFETCH(QString, menseki);
    QFETCH(double, kakuti);
    QFETCH(QString, jiten);
    QFETCH(int, days);
    QFETCH(Currency, expected);

    BukkenJoho r = StartRecord();
    r.KakutiHoseiRitu = kakuti;
    r.HyokaDate = r.RosenkaNendo.addDays(days);
    r.KaokuKakaku = Yen(12000000);
    const CalcOutcome out = CalcLandPrice(r, {rosenka, menseki, jiten});
    QVERIFY2(out.done(), qPrintable(out.message));
    QCOMPARE(r.TotiKakaku, expected);
    QCOMPARE(r.GokeiKakaku, Currency::fromRaw(expected.raw() + Yen(12000000).raw()));
    QCOMPARE(r.ChikaHendoRitu * 100, jiten.toDouble());
    QCOMPARE(r.TotiMenseki, menseki.remove(u',').toDouble());
    QCOMPARE(r.Rosenka, Yen(rosenka.remove(u',').toLongLong()));
}

void TestValuationCalc::land_yearBoundary() {
    BukkenJoho r = StartRecord();
    // 365 days: one compounding step only.
    r.HyokaDate = r.RosenkaNendo.addDays(365);
    QVERIFY(CalcLandPrice(r, {u"100,000"_s, u"150"_s, u"2"_s}).done());
    QCOMPARE(r.TotiKakaku, Yen(19125000));
    // 364 days: only the part-year, 18,750,000 + 375,000 x 364/365 = 19,123,972.60274.
    r.HyokaDate = r.RosenkaNendo.addDays(364);
    QVERIFY(CalcLandPrice(r, {u"100,000"_s, u"150"_s, u"2"_s}).done());
    QCOMPARE(r.TotiKakaku, Yen(19123972, 6027));
    // The same day: no adjustment at all.
    r.HyokaDate = r.RosenkaNendo;
    QVERIFY(CalcLandPrice(r, {u"100,000"_s, u"150"_s, u"2"_s}).done());
    QCOMPARE(r.TotiKakaku, Yen(18750000));
}

void TestValuationCalc::land_negativeRateAndReversedDates() {
    BukkenJoho r = StartRecord();
    // 18,750,000 x 0.98 = 18,375,000, then minus 367,500 x 135/365 = 135,924.65753.
    r.HyokaDate = r.RosenkaNendo.addDays(500);
    QVERIFY(CalcLandPrice(r, {u"100,000"_s, u"150"_s, u"-2"_s}).done());
    QCOMPARE(r.TotiKakaku, Yen(18239075, 3425));

    // Valuation 500 days before the road-price year: the same adjustment as forward.
    r.HyokaDate = r.RosenkaNendo.addDays(-500);
    QVERIFY(CalcLandPrice(r, {u"100,000"_s, u"150"_s, u"2"_s}).done());
    QCOMPARE(r.TotiKakaku, Yen(19266472, 6027));
}

void TestValuationCalc::land_emptyRateFieldMeansNoChange() {
    BukkenJoho r = StartRecord();
    r.ChikaHendoRitu = 0.05;
    r.HyokaDate = QDate(2031, 7, 9);
    QVERIFY(CalcLandPrice(r, {u"150,000"_s, u"200"_s, QString()}).done());
    QCOMPARE(r.ChikaHendoRitu, 0.0);
    QCOMPARE(r.TotiKakaku, Yen(37500000));
    QCOMPARE(r.GokeiKakaku, Yen(37500000));

    // Running again does not build on the previous result.
    QVERIFY(CalcLandPrice(r, {u"150,000"_s, u"200"_s, QString()}).done());
    QCOMPARE(r.TotiKakaku, Yen(37500000));
}

void TestValuationCalc::land_inputTests_data() {
    QTest::addColumn<QString>("rosenka");
    QTest::addColumn<QString>("menseki");
    QTest::addColumn<QString>("message");
    QTest::newRow("both empty") << QString() << QString()
                                << u"[路線価]　と　[土地の面積]　欄に数値を入力してください｡"_s;
    QTest::newRow("road price missing")
        << u"abc"_s << u"150"_s << u"[路線価]　欄に数値を入力してください｡"_s;
    QTest::newRow("area missing") << u"100,000"_s << u"-"_s
                                  << u"[土地の面積]　欄に数値を入力してください。"_s;
    QTest::newRow("area beyond the double range")
        << u"100,000"_s << u"1e400"_s << u"[土地の面積]　欄に数値を入力してください。"_s;
}

void TestValuationCalc::land_inputTests() {
    QFETCH(QString, rosenka);
    QFETCH(QString, menseki);
    QFETCH(QString, message);
    BukkenJoho r = StartRecord();
    r.Rosenka = Yen(5);
    r.TotiMenseki = 6;
    r.ChikaHendoRitu = 0.07;
    r.TotiKakaku = Yen(8);
    r.GokeiKakaku = Yen(9);
    const CalcOutcome out = CalcLandPrice(r, {rosenka, menseki, u"3"_s});
    QCOMPARE(out.status, CalcOutcome::Status::Refused);
    QCOMPARE(out.message, message);
    QCOMPARE(out.icon, MsgIcon::Exclamation);
    QCOMPARE(r.Rosenka, Yen(5));
    QCOMPARE(r.TotiMenseki, 6.0);
    QCOMPARE(r.ChikaHendoRitu, 0.07);
    QCOMPARE(r.TotiKakaku, Yen(8));
    QCOMPARE(r.GokeiKakaku, Yen(9));
}

void TestValuationCalc::land_baseOverflowChangesNothing() {
    BukkenJoho r = StartRecord();
    r.Rosenka = Yen(5);
    r.TotiMenseki = 6;
    r.ChikaHendoRitu = 0.07;
    r.TotiKakaku = Yen(123);
    r.GokeiKakaku = Yen(456);
    const CalcOutcome out = CalcLandPrice(r, {u"999999999999"_s, u"9999999"_s, u"1"_s});
    QCOMPARE(out.status, CalcOutcome::Status::Failed);
    QCOMPARE(out.icon, MsgIcon::Critical);
    QCOMPARE(out.message, kOverflowPrefix + u"敷地価格計算に失敗しました。数値が大きすぎます。"_s);
    // Neither the inputs read nor the result: the record still holds the figures last shown.
    QCOMPARE(r.Rosenka, Yen(5));
    QCOMPARE(r.TotiMenseki, 6.0);
    QCOMPARE(r.ChikaHendoRitu, 0.07);
    QCOMPARE(r.TotiKakaku, Yen(123));
    QCOMPARE(r.GokeiKakaku, Yen(456));
}

void TestValuationCalc::land_yearlyOverflowChangesNothing() {
    BukkenJoho r = StartRecord();
    r.TotiMenseki = 6;
    r.TotiKakaku = Yen(123);
    r.GokeiKakaku = Yen(456);
    // Base 1e11 x 3200 / 0.8 = 4e14; +50 % a year: 6e14, 9e14, then 1.35e15 leaves the range.
    r.HyokaDate = r.RosenkaNendo.addDays(3 * 365);
    const CalcOutcome out = CalcLandPrice(r, {u"100000000000"_s, u"3200"_s, u"50"_s});
    QCOMPARE(out.status, CalcOutcome::Status::Failed);
    QVERIFY(out.message.endsWith(u"\r敷地価格計算に失敗しました。数値が大きすぎます。"_s));
    // No half-rolled land price, and not the area of the failed attempt.
    QCOMPARE(r.TotiKakaku, Yen(123));
    QCOMPARE(r.TotiMenseki, 6.0);
    QCOMPARE(r.GokeiKakaku, Yen(456));
}

void TestValuationCalc::land_rateTextThatIsNoNumber() {
    // The field's own check never leaves such a text; should one arrive, it is a type error,
    // not a silent 0.
    BukkenJoho r = StartRecord();
    r.TotiKakaku = Yen(1);
    const CalcOutcome out = CalcLandPrice(r, {u"100,000"_s, u"150"_s, u"x"_s});
    QCOMPARE(out.status, CalcOutcome::Status::Failed);
    QCOMPARE(out.message,
             u"13\r型が一致しません。\r敷地価格計算に失敗しました。数値が大きすぎます。"_s);
    QCOMPARE(r.TotiKakaku, Yen(1));
}

void TestValuationCalc::rosenkaInThousands_data() {
    // The road price typed, the value the user kept before (NaN: none), and the offer (NaN: no
    // question).
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("kept");
    QTest::addColumn<double>("offer");
    const double none = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("250 as the map prints it") << u"250"_s << none << 250000.0;
    QTest::newRow("250 kept before") << u"250"_s << 250.0 << none;
    QTest::newRow("another value than the one kept") << u"300"_s << 250.0 << 300000.0;
    QTest::newRow("999") << u"999"_s << none << 999000.0;
    QTest::newRow("1,000 is yen") << u"1,000"_s << none << none;
    QTest::newRow("zero") << u"0"_s << none << none;
    QTest::newRow("empty") << QString() << none << none;
    QTest::newRow("negative") << u"-250"_s << none << none;
}

void TestValuationCalc::rosenkaInThousands() {
    QFETCH(QString, typed);
    QFETCH(double, kept);
    QFETCH(double, offer);
    const std::optional<double> got =
        RosenkaInThousands(typed, std::isnan(kept) ? std::nullopt : std::optional<double>(kept));
    if (std::isnan(offer)) {
        QCOMPARE(got, std::nullopt);
    } else {
        QVERIFY(got.has_value());
        QCOMPARE(*got, offer);
    }
}

// ---------------------------------------------------------------------------------------------
// House

void TestValuationCalc::house_age_data() {
    QTest::addColumn<QDate>("built");
    QTest::addColumn<QDate>("valued");
    QTest::addColumn<int>("age");
    QTest::newRow("same calendar year") << QDate(2001, 1, 1) << QDate(2001, 12, 31) << 0;
    QTest::newRow("31 Dec -> 1 Jan") << QDate(2001, 12, 31) << QDate(2002, 1, 1) << 1;
    QTest::newRow("worked example") << QDate(2015, 4, 1) << QDate(2026, 12, 6) << 11;
    QTest::newRow("built a year later") << QDate(2027, 1, 1) << QDate(2026, 12, 31) << -1;
}

void TestValuationCalc::house_age() {
    QFETCH(QDate, built);
    QFETCH(QDate, valued);
    QFETCH(int, age);
    QCOMPARE(HouseAge(built, valued), age);
}

void TestValuationCalc::house_asksTheLookupForTheAge() {
    BukkenJoho r = StartRecord();
    r.KaokuKozoCD = 6;
    QList<qint32> asked;
    const DepreciationLookup lookup = [&asked](qint32 structure,
                                               qint32 age) -> std::optional<double> {
        asked << structure << age;
        return 0.5;
    };
    r.KaokuDate = QDate(2001, 12, 31);
    r.HyokaDate = QDate(2002, 1, 1);
    r.TotiKakaku = Yen(1000);
    QVERIFY(CalcHousePrice(r, {u"400,000"_s, u"25"_s}, lookup).done());
    r.KaokuDate = QDate(2002, 1, 1);
    r.HyokaDate = QDate(2002, 12, 31);
    QVERIFY(CalcHousePrice(r, {u"400,000"_s, u"25"_s}, lookup).done());
    QCOMPARE(asked, (QList<qint32>{6, 1, 6, 0}));  // the record's structure, then the age
    QCOMPARE(r.KeikaNensu, 0);
    QCOMPARE(r.KeinenHoseiRitu, 0.5);
    QCOMPARE(r.KaokuKakaku, Yen(5000000));
    QCOMPARE(r.GokeiKakaku, Yen(5001000));
}

void TestValuationCalc::house_workedExampleOnOwnTable() {
    QTemporaryDir dir;
    ModGlobal g;
    g.SysDbPath = dir.filePath(u"Morinaxis_s.mdb"_s);
    QVERIFY(MakeDepreciationDb(g.SysDbPath));
    test::ScriptedUi ui;

    BukkenJoho& r = g.Bukken;
    r = StartRecord();
    r.KaokuDate = QDate(2015, 4, 1);
    r.HyokaDate = QDate(2026, 12, 6);
    r.TotiKakaku = Yen(18750000);
    const CalcOutcome out = CalcHousePrice(
        r, {u"500,000"_s, u"30"_s}, [&](qint32, qint32 age) { return WoodRate(g, ui, age); });
    QVERIFY2(out.done(), qPrintable(out.message));
    QCOMPARE(r.KeikaNensu, 11);
    QCOMPARE(r.KeinenHoseiRitu, 0.8);
    QCOMPARE(r.KaokuKakaku, Yen(12000000));
    QCOMPARE(r.GokeiKakaku, Yen(30750000));
    QCOMPARE(r.KaokuTuboTanka, 500000.0);
    QCOMPARE(r.KaokuTateTubo, 30.0);
    QVERIFY(!g.SysDbCon.isOpen());
    QVERIFY(ui.shown.empty());
}

void TestValuationCalc::house_ageBeyondTableTakesLastRow() {
    QTemporaryDir dir;
    ModGlobal g;
    g.SysDbPath = dir.filePath(u"Morinaxis_s.mdb"_s);
    QVERIFY(MakeDepreciationDb(g.SysDbPath));
    test::ScriptedUi ui;

    BukkenJoho& r = g.Bukken;
    r = StartRecord();
    r.KaokuDate = QDate(1990, 6, 1);
    r.HyokaDate = QDate(2026, 12, 6);  // 36 years; the table ends at 12 with 0.75
    QVERIFY(CalcHousePrice(r, {u"500,000"_s, u"30"_s}, [&](qint32, qint32 age) {
                return WoodRate(g, ui, age);
            }).done());
    QCOMPARE(r.KeikaNensu, 36);
    QCOMPARE(r.KaokuKakaku, Yen(11250000));
    QVERIFY(!g.SysDbCon.isOpen());
}

void TestValuationCalc::house_builtAfterValuationChangesNothing() {
    BukkenJoho r = StartRecord();
    r.KaokuDate = QDate(2027, 1, 1);
    r.HyokaDate = QDate(2026, 12, 31);
    r.KaokuTuboTanka = 1;
    r.KaokuTateTubo = 2;
    r.KeikaNensu = 3;
    r.KeinenHoseiRitu = 0.4;
    r.KaokuKakaku = Yen(5);
    r.GokeiKakaku = Yen(6);
    bool asked = false;
    const CalcOutcome out = CalcHousePrice(r, {u"500,000"_s, u"30"_s}, [&](qint32, qint32) {
        asked = true;
        return std::optional<double>(0.05);
    });
    QCOMPARE(out.status, CalcOutcome::Status::Refused);
    QCOMPARE(out.icon, MsgIcon::Exclamation);
    QCOMPARE(out.message,
             u"家屋建築日が価格を調べる日より後になっています。日付を確認してください。"_s);
    QVERIFY(!asked);
    QCOMPARE(r.KaokuTuboTanka, 1.0);
    QCOMPARE(r.KaokuTateTubo, 2.0);
    QCOMPARE(r.KeikaNensu, 3);
    QCOMPARE(r.KeinenHoseiRitu, 0.4);
    QCOMPARE(r.KaokuKakaku, Yen(5));
    QCOMPARE(r.GokeiKakaku, Yen(6));
}

void TestValuationCalc::house_inputTests_data() {
    QTest::addColumn<QString>("tanka");
    QTest::addColumn<QString>("tubo");
    QTest::addColumn<QString>("message");
    QTest::newRow("both empty") << QString() << QString()
                                << u"[坪単価]　と　[延床面積]　欄に数値を入力してください。"_s;
    QTest::newRow("price missing")
        << u","_s << u"30"_s << u"[坪単価]　欄に数値を入力してください。"_s;
    QTest::newRow("area missing") << u"500,000"_s << u"３０坪"_s
                                  << u"[延床面積]　欄に数値を入力してください。"_s;
}

void TestValuationCalc::house_inputTests() {
    QFETCH(QString, tanka);
    QFETCH(QString, tubo);
    QFETCH(QString, message);
    BukkenJoho r = StartRecord();
    r.KaokuTuboTanka = 1;
    r.KaokuTateTubo = 2;
    r.KaokuKakaku = Yen(5);
    bool asked = false;
    const CalcOutcome out = CalcHousePrice(r, {tanka, tubo}, [&](qint32, qint32) {
        asked = true;
        return std::optional<double>(1.0);
    });
    QCOMPARE(out.status, CalcOutcome::Status::Refused);
    QCOMPARE(out.message, message);
    QCOMPARE(out.icon, MsgIcon::Exclamation);
    QVERIFY(!asked);
    QCOMPARE(r.KaokuTuboTanka, 1.0);
    QCOMPARE(r.KaokuTateTubo, 2.0);
    QCOMPARE(r.KaokuKakaku, Yen(5));
}

void TestValuationCalc::house_overflow() {
    BukkenJoho r = StartRecord();
    r.KaokuDate = QDate(2020, 1, 1);
    r.HyokaDate = QDate(2026, 1, 1);
    r.KaokuTuboTanka = 7;
    r.KaokuTateTubo = 8;
    r.KeikaNensu = 9;
    r.KeinenHoseiRitu = 0.4;
    r.KaokuKakaku = Yen(5);
    r.GokeiKakaku = Yen(6);
    const CalcOutcome out =
        CalcHousePrice(r, {u"999999999999"_s, u"9999999"_s},
                       [](qint32, qint32) { return std::optional<double>(1.0); });
    QCOMPARE(out.status, CalcOutcome::Status::Failed);
    QCOMPARE(out.icon, MsgIcon::Critical);
    QCOMPARE(out.message, kOverflowPrefix + u"家屋価格計算に失敗しました。数値が大きすぎます。"_s);
    // Inputs and results alike stay as they were: a later save writes no figure the user never
    // saw beside its result.
    QCOMPARE(r.KaokuTuboTanka, 7.0);
    QCOMPARE(r.KaokuTateTubo, 8.0);
    QCOMPARE(r.KeikaNensu, 9);
    QCOMPARE(r.KeinenHoseiRitu, 0.4);
    QCOMPARE(r.KaokuKakaku, Yen(5));
    QCOMPARE(r.GokeiKakaku, Yen(6));
}

void TestValuationCalc::house_unopenableReferenceAbandons() {
    QTemporaryDir dir;
    ModGlobal g;
    g.SysDbPath = dir.filePath(u"missing.mdb"_s);
    test::ScriptedUi ui;
    BukkenJoho& r = g.Bukken;
    r = StartRecord();
    r.KaokuDate = QDate(2020, 1, 1);
    r.KaokuKakaku = Yen(5);
    r.KaokuTuboTanka = 7;
    r.KaokuTateTubo = 8;
    r.KeikaNensu = 9;
    const CalcOutcome out = CalcHousePrice(
        r, {u"500,000"_s, u"30"_s}, [&](qint32, qint32 age) { return WoodRate(g, ui, age); });
    QCOMPARE(out.status, CalcOutcome::Status::Abandoned);
    QCOMPARE(r.KaokuKakaku, Yen(5));
    // Nothing of the abandoned calculation reaches the record.
    QCOMPARE(r.KaokuTuboTanka, 7.0);
    QCOMPARE(r.KaokuTateTubo, 8.0);
    QCOMPARE(r.KeikaNensu, 9);
    QCOMPARE(ui.shown.size(), std::size_t(1));
    QCOMPARE(ui.shown[0].icon, MsgIcon::Critical);
    QVERIFY(ui.shown[0].text.endsWith(u"への接続失敗"_s));
    QVERIFY(!g.SysDbCon.isOpen());
}

void TestValuationCalc::house_brokenTableChangesNothing() {
    QTemporaryDir dir;
    ModGlobal g;
    g.SysDbPath = dir.filePath(u"Morinaxis_s.mdb"_s);
    QVERIFY(MakeDepreciationDb(g.SysDbPath));
    {
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(g.SysDbPath.toUtf8().constData(), &db), SQLITE_OK);
        const int rc =
            sqlite3_exec(db, "UPDATE 家屋経年減点補正率 SET 補正率 = NULL WHERE ランク = 6",
                         nullptr, nullptr, nullptr);
        sqlite3_close(db);
        QCOMPARE(rc, SQLITE_OK);
    }
    test::ScriptedUi ui;
    BukkenJoho& r = g.Bukken;
    r = StartRecord();
    r.KaokuDate = QDate(2020, 1, 1);
    r.HyokaDate = QDate(2026, 12, 6);  // age 6, the Null rate
    r.KaokuKakaku = Yen(5);
    r.GokeiKakaku = Yen(6);
    r.KaokuTuboTanka = 7;
    r.KaokuTateTubo = 8;
    r.KeikaNensu = 9;
    const CalcOutcome out = CalcHousePrice(
        r, {u"500,000"_s, u"30"_s}, [&](qint32, qint32 age) { return WoodRate(g, ui, age); });
    QCOMPARE(out.status, CalcOutcome::Status::Failed);
    QCOMPARE(out.icon, MsgIcon::Critical);
    // The message names the table, not a number that is too large.
    QVERIFY2(out.message.endsWith(u"システムデータベースの表「家屋経年減点補正率」を読み込めません"
                                  u"でした。データベースの内容を確認してください。"_s),
             qPrintable(out.message));
    QVERIFY(!out.message.contains(u"数値が大きすぎます"_s));
    QCOMPARE(r.KaokuTuboTanka, 7.0);
    QCOMPARE(r.KaokuTateTubo, 8.0);
    QCOMPARE(r.KeikaNensu, 9);
    QCOMPARE(r.KaokuKakaku, Yen(5));
    QCOMPARE(r.GokeiKakaku, Yen(6));
    QVERIFY(!g.SysDbCon.isOpen());
    QVERIFY(ui.shown.empty());
}

QTEST_GUILESS_MAIN(TestValuationCalc)
#include "tst_valuation_calc.moc"
