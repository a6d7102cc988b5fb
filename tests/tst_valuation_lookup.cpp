// Rate lookups and list reads on a copy of the shipped reference database, and on broken copies.
#include "common/AppError.h"
#include "state/ModGlobal.h"
#include "support/ScriptedUi.h"
#include "support/TestFolder.h"
#include "valuation/HousePrice.h"
#include "valuation/RateLookup.h"

#include <QTest>

#include <sqlite3.h>

using namespace ie;
using namespace Qt::StringLiterals;

namespace {

const QString kKeinen = u"家屋経年減点補正率"_s;

bool Exec(const QString& path, const QString& sql) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    const bool ok =
        sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

}  // namespace

class TestValuationLookup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void hosei_ranksOfCheckBoxTables();
    void hosei_missingRankTakesLastRow();
    void hosei_cliffRankMinusOneIsItsFirstRow();
    void tuboTanka();
    void tuboTanka_missingCodeNamesTable();
    void lists();
    void sourcesAndStructureNames();
    void broken_data();
    void broken();
    void broken_nullRateOnlyForThatRank();
    void broken_depreciationLookupClosesConnection();

private:
    std::unique_ptr<test::TestFolder> folder_;
    std::unique_ptr<ModGlobal> g_;
    test::ScriptedUi ui_;
};

void TestValuationLookup::init() {
    folder_ = std::make_unique<test::TestFolder>();
    QVERIFY(folder_->isValid());
    g_ = std::make_unique<ModGlobal>();
    g_->SysDbPath = folder_->sysDb();
    ui_.clear();
}

void TestValuationLookup::cleanup() {
    ModSysDbClose(*g_);
    g_.reset();
    folder_.reset();
}

void TestValuationLookup::hosei_ranksOfCheckBoxTables() {
    QVERIFY(ModSysDbOpen(*g_));
    QCOMPARE(ModGetHosei(*g_, 0, u"側１路線補正率"_s), 1.0);
    QCOMPARE(ModGetHosei(*g_, 1, u"側１路線補正率"_s), 1.03);
    QCOMPARE(ModGetHosei(*g_, 1, u"間口狭小補正率"_s), 0.9);
    QCOMPARE(ModGetHosei(*g_, 1, u"無道路地補正率"_s), 0.6);
    // Rank 12 of the depreciation table: 1 - 0.0279 x 12.
    QCOMPARE(ModGetHosei(*g_, 12, kKeinen), 0.6652);
}

void TestValuationLookup::hosei_missingRankTakesLastRow() {
    QVERIFY(ModSysDbOpen(*g_));
    // The table ends at age 35 with the 5 % floor.
    QCOMPARE(ModGetHosei(*g_, 60, kKeinen), 0.05);
    QCOMPARE(ModGetHosei(*g_, -1, kKeinen), 0.05);
    QCOMPARE(ModGetHosei(*g_, 35, kKeinen), 0.05);
    QCOMPARE(ModGetHosei(*g_, 34, kKeinen), 0.0514);
    // A list with nothing chosen asks rank -1 of a table without it: its highest rank.
    QCOMPARE(ModGetHosei(*g_, -1, u"不整形補正率"_s), 0.6);
}

void TestValuationLookup::hosei_cliffRankMinusOneIsItsFirstRow() {
    QVERIFY(ModSysDbOpen(*g_));
    QCOMPARE(ModGetHosei(*g_, -1, u"崖地補正率"_s), 1.0);
    QCOMPARE(ModGetHosei(*g_, 1, u"崖地補正率"_s), 0.95);
    QCOMPARE(ModGetHosei(*g_, 9, u"崖地補正率"_s), 0.65);
}

void TestValuationLookup::tuboTanka() {
    QVERIFY(ModSysDbOpen(*g_));
    QCOMPARE(ModGetKaokuTuboTanka(*g_, 1), 674711.0);
    QCOMPARE(ModGetKaokuTuboTanka(*g_, 4), 1212231.0);
}

void TestValuationLookup::tuboTanka_missingCodeNamesTable() {
    QVERIFY(ModSysDbOpen(*g_));
    try {
        ModGetKaokuTuboTanka(*g_, 8);
        QFAIL("no error for a code without a row");
    } catch (const AppError& e) {
        QVERIFY2(e.description().contains(u"家屋構造別坪単価"_s), qPrintable(e.description()));
    }
    // The next read works.
    QCOMPARE(ModGetKaokuTuboTanka(*g_, 2), 929256.0);
}

void TestValuationLookup::lists() {
    QVERIFY(ModSysDbOpen(*g_));
    // The cliff table's first row is not offered: ten items from 0 to 90.
    QCOMPARE(ReadListItems(*g_, u"崖地補正率"_s, u"数値下限"_s),
             (QStringList{u"0"_s, u"10"_s, u"20"_s, u"30"_s, u"40"_s, u"50"_s, u"60"_s, u"70"_s,
                          u"80"_s, u"90"_s}));
    const QStringList depth = ReadListItems(*g_, u"奥行長大補正率"_s, u"説明"_s);
    QCOMPARE(depth.size(), 6);
    QCOMPARE(depth.first(), u"2倍未満"_s);
    QCOMPARE(depth.last(), u"6倍以上"_s);
    const QStringList prefs = ReadListItems(*g_, u"土地時点修正率"_s, u"都道府県名"_s);
    QCOMPARE(prefs.size(), 47);
    QCOMPARE(prefs.at(12), u"東京都"_s);
    QCOMPARE(ReadListItems(*g_, u"家屋構造別坪単価"_s, u"説明"_s),
             (QStringList{u"木造"_s, u"鉄骨造（3mm超4mm以下）"_s, u"鉄筋コンクリート造"_s,
                          u"鉄骨鉄筋コンクリート造"_s, u"木骨モルタル造"_s,
                          u"軽量鉄骨造（骨格材3mm以下）"_s, u"重量鉄骨造（4mm超）"_s}));

    // An empty table gives an empty list.
    ModSysDbClose(*g_);
    QVERIFY(Exec(folder_->sysDb(), u"DELETE FROM 家屋構造別坪単価;"_s));
    QVERIFY(ModSysDbOpen(*g_));
    QVERIFY(ReadListItems(*g_, u"家屋構造別坪単価"_s, u"説明"_s).isEmpty());
}

void TestValuationLookup::sourcesAndStructureNames() {
    QVERIFY(ModSysDbOpen(*g_));
    const std::vector<DataSource> sources = ReadDataSources(*g_);
    QCOMPARE(sources.size(), size_t(25));
    const std::optional<DataSource> jiten = SourceOf(sources, u"土地時点修正率"_s);
    QVERIFY(jiten);
    QVERIFY2(jiten->source.contains(u"令和6年"_s), qPrintable(jiten->source));
    QVERIFY(jiten->note.isEmpty());  // Null reads as empty
    QVERIFY(!SourceOf(sources, u"ない表"_s));
    QCOMPARE(HouseStructureName(*g_, 0), u"構造未設定（木造として計算）"_s);
    QCOMPARE(HouseStructureName(*g_, 3), u"鉄筋コンクリート造"_s);
    // No structure chosen: the wood table.
    QCOMPARE(HouseRemainingRate(*g_, 0, 30), 0.163);
    ModSysDbClose(*g_);
    QVERIFY(Exec(folder_->sysDb(), u"DROP TABLE データ出典;"_s));
    QVERIFY(ModSysDbOpen(*g_));
    QVERIFY_THROWS_EXCEPTION(AppError, ReadDataSources(*g_));
}

void TestValuationLookup::broken_data() {
    QTest::addColumn<QString>("sql");
    QTest::newRow("table missing") << u"DROP TABLE 家屋経年減点補正率;"_s;
    QTest::newRow("table empty") << u"DELETE FROM 家屋経年減点補正率;"_s;
    QTest::newRow("column missing")
        << u"DROP TABLE 家屋経年減点補正率;"
           u"CREATE TABLE 家屋経年減点補正率 (ランク INTEGER PRIMARY KEY, 率 REAL);"
           u"INSERT INTO 家屋経年減点補正率 VALUES (0, 1.0);"_s;
    QTest::newRow("rate Null")
        << u"DROP TABLE 家屋経年減点補正率;"
           u"CREATE TABLE 家屋経年減点補正率 (ランク INTEGER PRIMARY KEY, 補正率 REAL);"
           u"INSERT INTO 家屋経年減点補正率 VALUES (0, 1.0);"
           u"INSERT INTO 家屋経年減点補正率 VALUES (1, NULL);"_s;
}

void TestValuationLookup::broken() {
    QFETCH(QString, sql);
    QVERIFY(Exec(folder_->sysDb(), sql));
    QVERIFY(ModSysDbOpen(*g_));
    // Age 1 is the Null row in the last case, and a missing rank elsewhere.
    for (const qint32 rank : {1, 60}) {
        try {
            const double rate = ModGetHosei(*g_, rank, kKeinen);
            QFAIL(qPrintable(u"a rate was read: %1"_s.arg(rate)));
        } catch (const AppError& e) {
            QVERIFY2(e.description().contains(kKeinen), qPrintable(e.description()));
            QVERIFY(e.number() != 0);
        }
    }
    // Other tables still read.
    QCOMPARE(ModGetHosei(*g_, 1, u"背面路線補正率"_s), 1.02);
    // A list of a table without the asked column names the table as well.
    try {
        ReadListItems(*g_, u"崖地補正率"_s, u"説明"_s);
        QFAIL("no error for a missing column");
    } catch (const AppError& e) {
        QVERIFY2(e.description().contains(u"崖地補正率"_s), qPrintable(e.description()));
    }
}

void TestValuationLookup::broken_nullRateOnlyForThatRank() {
    QVERIFY(
        Exec(folder_->sysDb(),
             u"DROP TABLE 家屋構造別坪単価;"
             u"CREATE TABLE 家屋構造別坪単価 (構造CD INTEGER PRIMARY KEY, 説明 TEXT, 坪単価 REAL);"
             u"INSERT INTO 家屋構造別坪単価 VALUES (1, '木造', 500000);"
             u"INSERT INTO 家屋構造別坪単価 VALUES (2, '鉄骨造', NULL);"_s));
    QVERIFY(ModSysDbOpen(*g_));
    QCOMPARE(ModGetKaokuTuboTanka(*g_, 1), 500000.0);
    QVERIFY_THROWS_EXCEPTION(AppError, ModGetKaokuTuboTanka(*g_, 2));
}

void TestValuationLookup::broken_depreciationLookupClosesConnection() {
    QVERIFY(Exec(folder_->sysDb(), u"DROP TABLE 家屋経年減点補正率;"_s));
    QVERIFY_THROWS_EXCEPTION(AppError, GetHouseRate(*g_, ui_, nullptr, 0, 11));
    QVERIFY(!g_->SysDbCon.isOpen());
    // The next open is not refused as an open of an open connection.
    QVERIFY(ModSysDbOpen(*g_));
    QVERIFY(ui_.shown.empty());
    ModSysDbClose(*g_);
    // Once the table is back, the lookup works as usual.
    QVERIFY(Exec(folder_->sysDb(),
                 u"CREATE TABLE 家屋経年減点補正率 (ランク INTEGER PRIMARY KEY, 補正率 REAL);"
                 u"INSERT INTO 家屋経年減点補正率 VALUES (0, 1.0);"
                 u"INSERT INTO 家屋経年減点補正率 VALUES (1, 0.9721);"_s));
    QCOMPARE(GetHouseRate(*g_, ui_, nullptr, 0, 1).rate, 0.9721);
    QVERIFY(!g_->SysDbCon.isOpen());
}

QTEST_GUILESS_MAIN(TestValuationLookup)
#include "tst_valuation_lookup.moc"
