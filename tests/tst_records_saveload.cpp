// Saving a property into 物件情報 and loading it back: the ID rule, every column both ways, the
// photo bytes, Null and unreadable values, the memo texts, the prompt, and the failures that must
// leave everything as it was.
#include "app/FrmMain.h"
#include "platform/Database.h"
#include "platform/DateInput.h"
#include "records/PropertySave.h"
#include "records/SaveLoad.h"
#include "state/BukkenJoho.h"
#include "state/ModGlobal.h"
#include "state/PropertyStore.h"
#include "support/RunningProgram.h"
#include "support/ScriptedUi.h"
#include "support/TestFolder.h"

#include <sqlite3.h>

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>

using namespace ie;
using ie::test::ReadAll;
using ie::test::ScriptedUi;
using ie::test::TestFolder;
using ie::test::WriteAll;

namespace {

// Direct access to the file, independent of the program's database layer.
class RawDb {
public:
    explicit RawDb(const QString& path) { sqlite3_open(QFile::encodeName(path).constData(), &db_); }
    ~RawDb() { sqlite3_close(db_); }
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;

    bool exec(const QString& sql) {
        return sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    // The first column of every row, as text (Null as "<null>"), or the blob's bytes.
    QList<QByteArray> column(const QString& sql) {
        QList<QByteArray> out;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
            out << QByteArray("<error>");
            return out;
        }
        while (sqlite3_step(st) == SQLITE_ROW) {
            if (sqlite3_column_type(st, 0) == SQLITE_NULL) {
                out << QByteArray("<null>");
            } else {
                const auto* p = static_cast<const char*>(sqlite3_column_blob(st, 0));
                out << QByteArray(p, sqlite3_column_bytes(st, 0));
            }
        }
        sqlite3_finalize(st);
        return out;
    }
    QByteArray one(const QString& sql) {
        const QList<QByteArray> c = column(sql);
        return c.size() == 1 ? c[0] : QByteArray("<rows: ") + QByteArray::number(c.size()) + ">";
    }
    QByteArray typeOf(const QString& col, int id) {
        return one(
            QStringLiteral("SELECT typeof(%1) FROM 物件情報 WHERE 物件ID = %2").arg(col).arg(id));
    }
    QList<QByteArray> ids() { return column(QStringLiteral("SELECT 物件ID FROM 物件情報")); }

private:
    sqlite3* db_ = nullptr;
};

// Every field of the record in one text, to see that nothing at all has changed.
QString Dump(const BukkenJoho& b) {
    QStringList s;
    for (const Currency c : {b.Rosenka, b.TotiKakaku, b.KaokuKakaku, b.TotiHanbaiKakaku,
                             b.KaokuHanbaiKakaku, b.GokeiHanbaiKakaku, b.GokeiKakaku}) {
        s << QString::number(c.raw());
    }
    for (const double d :
         {b.TotiMenseki, b.ChikaHendoRitu, b.KakutiHoseiRitu, b.KaokuTuboTanka, b.KaokuTateTubo,
          b.KeinenHoseiRitu, b.MudoroHosei, b.MaguchiHosei, b.KoatuHosei, b.GakeHosei,
          b.Sokumen1Hosei, b.Sokumen2Hosei, b.UramenHosei, b.OkuyukiHosei, b.FuseikeiHosei,
          b.MinamiHosei, b.SonotaHosei, b.KeijoHosei}) {
        s << QString::number(d, 'g', 17);
    }
    for (const qint32 i : {b.Sokumen1Rank, b.Sokumen2Rank, b.UramenRank, b.MinamiRank,
                           b.MaguchiRank, b.OkuyukiRank, b.FuseikeiRank, b.GakeRank, b.KoatuRank,
                           b.MudoroRank, b.SonotaRank, b.KeikaNensu, b.BukkenID, b.UsrRecCount}) {
        s << QString::number(i);
    }
    for (const QDate& d : {b.KaokuDate, b.HyokaDate, b.RosenkaNendo}) {
        s << d.toString(Qt::ISODate);
    }
    s << b.Jusho << b.Kaisha << b.Tanto << b.Denwa << b.Biko << b.PicTempFile << b.PicFile
      << b.CsvFile;
    for (const bool f : {b.PicUmu, b.NewBukken, b.BukkenRead}) {
        s << (f ? QStringLiteral("T") : QStringLiteral("F"));
    }
    return s.join(QLatin1Char('|'));
}

const QByteArray kPhotoA = QByteArray("\xff\xd8\xff\xe0 photo A \x00\x01\x02 end", 20);
const QByteArray kPhotoB = QByteArray("BM small");
const QString kSaveFailed =
    QStringLiteral("物件情報の保存に失敗しました。データベースと画面の内容は保存前のままです。");

struct Fixture {
    TestFolder folder;
    ScriptedUi ui;
    ModGlobal g;

    Fixture() {
        ui.tempDir = folder.tempPath();
        g.UsrDbPath = folder.usrDb();
        BukkenJoho& b = g.Bukken;
        b.NewBukken = true;
        b.KakutiHoseiRitu = 1.0;
        b.SonotaHosei = 1.0;
        b.KeijoHosei = 1.0;
        b.HyokaDate = QDate(2026, 12, 7);
        b.KaokuDate = QDate(2026, 12, 7);
        b.RosenkaNendo = QDate(2026, 1, 1);
        b.PicTempFile = folder.tempPath() + QStringLiteral("/~my1A.tmp");
        WriteAll(b.PicTempFile, QByteArray());
    }

    // The save button as the main window runs it: a failure is shown and nothing else happens.
    enum class Result { Cancelled, Saved, Failed };
    Result save(std::initializer_list<Answer> answers) {
        for (const Answer a : answers)
            ui.answers.push_back(a);
        try {
            return SaveBukken(g, ui, nullptr) == SaveOutcome::Saved ? Result::Saved
                                                                    : Result::Cancelled;
        } catch (const AppError& e) {
            ui.showError(nullptr, e);
            return Result::Failed;
        }
    }

    // Loads row id through the program's layer, as the list window does.
    void load(int id, BukkenJoho& into) {
        db::Connection con;
        con.setConnectionString(ConnectionString(folder.usrDb()));
        con.open();
        QVERIFY(LoadBukken(con, id, into, ui.todayValue));
        con.close();
    }
};

// A property with a distinct value in every stored field.
void FillAll(BukkenJoho& b) {
    b.Rosenka = Currency::fromRaw(1'500'000'000);  // 150,000 yen
    b.TotiMenseki = 123.45;
    b.Sokumen1Rank = 1;
    b.Sokumen2Rank = 2;
    b.UramenRank = 3;
    b.MudoroRank = 4;
    b.MinamiRank = 5;
    b.SonotaRank = -6;
    b.MaguchiRank = 7;
    b.OkuyukiRank = 8;
    b.FuseikeiRank = 9;
    b.GakeRank = 10;
    b.KoatuRank = 11;
    b.ChikaHendoRitu = -0.012;
    b.KakutiHoseiRitu = 0.855;
    b.TotiKakaku = Currency::fromRaw(192'664'726'027);  // 19,266,472.6027
    b.KaokuTuboTanka = 550000.5;
    b.KaokuTateTubo = 30.25;
    b.KaokuDate = QDate(2015, 4, 1);
    b.KaokuKakaku = Currency::fromRaw(110'030'764'856);
    b.HyokaDate = QDate(2026, 12, 7);
    b.Jusho = QStringLiteral("東京都千代田区丸の内１－１ O'Brien's \"家\"");
    b.Kaisha = QStringLiteral("ｶﾌﾞｼｷｶﾞｲｼｬ不動産");
    b.Tanto = QStringLiteral("山田　太郎");
    b.Denwa = QStringLiteral("03-1234-5678");
    b.Biko = QStringLiteral("南向き、駅まで徒歩10分");
    b.TotiHanbaiKakaku = Currency::fromRaw(250'000'000'000);
    b.KaokuHanbaiKakaku = Currency::fromRaw(120'000'000'000);
    b.GokeiHanbaiKakaku = Currency::fromRaw(370'000'000'000);
}

}  // namespace

class TestSaveLoad : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void idRule();
    void idOverflowIsRefused();
    void roundTripOfEveryField();
    void photoSourceAndScratchFile();
    void nullRowLoadsDefaults();
    void unreadableValuesLoadDefaults();
    void emptyMemoTexts();
    void updateRewritesSameRow();
    void noChangesNothing();
    void readOnlyDatabaseChangesNothing();
    void lockedDatabaseChangesNothing_data();
    void lockedDatabaseChangesNothing();
    void fileSizeLimitChangesNothing();
    void missingPhotoChangesNothing_data();
    void missingPhotoChangesNothing();
    void deletedRowOffersSaveAsNew();
    void rowSavedByAnotherCopyAsks();
    void failedLoadKeepsRecord();
    void saveButtonOnTheMainWindow();
};

void TestSaveLoad::idRule() {
    Fixture f;
    RawDb raw(f.folder.usrDb());
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);
    QCOMPARE(raw.ids(), (QList<QByteArray>{"1"}));
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);
    QCOMPARE(raw.ids(), (QList<QByteArray>{"1", "2", "3"}));

    // The highest ID freed is never given out again: another copy may still hold it.
    QVERIFY(raw.exec(QStringLiteral("DELETE FROM 物件情報 WHERE 物件ID = 3")));
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);
    QCOMPARE(raw.ids(), (QList<QByteArray>{"1", "2", "4"}));

    // A gap in the middle is not filled: one more than the last ever given.
    QVERIFY(raw.exec(QStringLiteral("DELETE FROM 物件情報 WHERE 物件ID = 2")));
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);
    QCOMPARE(raw.ids(), (QList<QByteArray>{"1", "4", "5"}));
    QVERIFY(f.ui.unexpected.isEmpty());
    // No message but the prompts; the connection is closed after each save.
    for (const auto& s : f.ui.shown)
        QVERIFY(s.isQuestion);
    QVERIFY(!f.g.UsrDbCon.isOpen());
}

void TestSaveLoad::idOverflowIsRefused() {
    Fixture f;
    RawDb raw(f.folder.usrDb());
    QVERIFY(raw.exec(QStringLiteral("INSERT INTO 物件情報 (物件ID) VALUES (2147483647)")));
    FillAll(f.g.Bukken);
    const QString before = Dump(f.g.Bukken);
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Failed);
    QCOMPARE(raw.ids(), (QList<QByteArray>{"2147483647"}));
    QCOMPARE(Dump(f.g.Bukken), before);
    QCOMPARE(f.ui.shown.size(), size_t(2));
    const auto& msg = f.ui.shown[1];
    QCOMPARE(msg.icon, MsgIcon::Critical);
    QCOMPARE(msg.caption, QStringLiteral("いえねだん帳"));
    QVERIFY2(msg.text.startsWith(QStringLiteral("6\r")), qPrintable(msg.text));
    QVERIFY(msg.text.contains(QStringLiteral("2147483647")));
    QVERIFY(!f.g.UsrDbCon.isOpen());
}

void TestSaveLoad::roundTripOfEveryField() {
    Fixture f;
    BukkenJoho& b = f.g.Bukken;
    FillAll(b);
    b.PicUmu = true;
    QVERIFY(WriteAll(b.PicTempFile, kPhotoA));
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);

    // What is stored, column by column, in the layer's storage forms.
    RawDb raw(f.folder.usrDb());
    const auto col = [&raw](const char* name) {
        return raw.one(QStringLiteral("SELECT %1 FROM 物件情報 WHERE 物件ID = 1")
                           .arg(QString::fromUtf8(name)));
    };
    QCOMPARE(col("国税路線価"), QByteArray("1500000000"));
    QCOMPARE(col("敷地面積"), QByteArray("123.45"));
    QCOMPARE(col("側1路線ランク"), QByteArray("1"));
    QCOMPARE(col("側2路線ランク"), QByteArray("2"));
    QCOMPARE(col("裏面路線ランク"), QByteArray("3"));
    QCOMPARE(col("無道路地ランク"), QByteArray("4"));
    QCOMPARE(col("南道路ランク"), QByteArray("5"));
    QCOMPARE(col("その他ランク"), QByteArray("-6"));
    QCOMPARE(col("間口狭小ランク"), QByteArray("7"));
    QCOMPARE(col("奥行長大ランク"), QByteArray("8"));
    QCOMPARE(col("不整形ランク"), QByteArray("9"));
    QCOMPARE(col("崖地ランク"), QByteArray("10"));
    QCOMPARE(col("高圧線下ランク"), QByteArray("11"));
    QCOMPARE(col("年間地価変動率"), QByteArray("-0.012"));
    QCOMPARE(col("画地補正率"), QByteArray("0.855"));
    QCOMPARE(col("敷地評価額"), QByteArray("192664726027"));
    QCOMPARE(col("坪単価"), QByteArray("550000.5"));
    QCOMPARE(col("延床面積"), QByteArray("30.25"));
    QCOMPARE(col("家屋建築年月日"), QByteArray("2015-04-01"));
    QCOMPARE(col("家屋評価額"), QByteArray("110030764856"));
    QCOMPARE(col("評価年月日"), QByteArray("2026-12-07"));
    QCOMPARE(QString::fromUtf8(col("住所")), b.Jusho);
    QCOMPARE(QString::fromUtf8(col("販売会社名")), b.Kaisha);
    QCOMPARE(QString::fromUtf8(col("担当者名")), b.Tanto);
    QCOMPARE(QString::fromUtf8(col("電話番号")), b.Denwa);
    QCOMPARE(col("敷地販売価格"), QByteArray("250000000000"));
    QCOMPARE(col("家屋販売価格"), QByteArray("120000000000"));
    QCOMPARE(col("合計販売価格"), QByteArray("370000000000"));
    QCOMPARE(QString::fromUtf8(col("備考")), b.Biko);
    QCOMPARE(col("現場写真"), kPhotoA);
    QCOMPARE(raw.typeOf(QStringLiteral("現場写真"), 1), QByteArray("blob"));
    QCOMPARE(raw.typeOf(QStringLiteral("国税路線価"), 1), QByteArray("integer"));

    // And back into an empty record whose scratch file holds something else.
    BukkenJoho r;
    r.PicTempFile = f.folder.tempPath() + QStringLiteral("/~my2B.tmp");
    QVERIFY(WriteAll(r.PicTempFile, QByteArray(100, 'x')));
    r.PicFile = QStringLiteral("/somewhere/picked.jpg");
    r.HyokaDate = QDate(2030, 1, 2);
    r.NewBukken = true;
    r.GokeiKakaku = Currency::fromRaw(77);
    r.KeijoHosei = 0.5;
    f.load(1, r);
    QCOMPARE(r.BukkenID, 1);
    QCOMPARE(r.Rosenka.raw(), 1'500'000'000);
    QCOMPARE(r.TotiMenseki, 123.45);
    QCOMPARE(r.Sokumen1Rank, 1);
    QCOMPARE(r.Sokumen2Rank, 2);
    QCOMPARE(r.UramenRank, 3);
    QCOMPARE(r.MudoroRank, 4);
    QCOMPARE(r.MinamiRank, 5);
    QCOMPARE(r.SonotaRank, -6);
    QCOMPARE(r.MaguchiRank, 7);
    QCOMPARE(r.OkuyukiRank, 8);
    QCOMPARE(r.FuseikeiRank, 9);
    QCOMPARE(r.GakeRank, 10);
    QCOMPARE(r.KoatuRank, 11);
    QCOMPARE(r.ChikaHendoRitu, -0.012);
    QCOMPARE(r.KakutiHoseiRitu, 0.855);
    QCOMPARE(r.TotiKakaku.raw(), 192'664'726'027);
    QCOMPARE(r.KaokuTuboTanka, 550000.5);
    QCOMPARE(r.KaokuTateTubo, 30.25);
    QCOMPARE(r.KaokuDate, QDate(2015, 4, 1));
    QCOMPARE(r.KaokuKakaku.raw(), 110'030'764'856);
    QCOMPARE(r.Jusho, b.Jusho);
    QCOMPARE(r.Kaisha, b.Kaisha);
    QCOMPARE(r.Tanto, b.Tanto);
    QCOMPARE(r.Denwa, b.Denwa);
    QCOMPARE(r.Biko, b.Biko);
    QCOMPARE(r.TotiHanbaiKakaku.raw(), 250'000'000'000);
    QCOMPARE(r.KaokuHanbaiKakaku.raw(), 120'000'000'000);
    QCOMPARE(r.GokeiHanbaiKakaku.raw(), 370'000'000'000);
    QVERIFY(r.PicUmu);
    QCOMPARE(ReadAll(r.PicTempFile), kPhotoA);
    QVERIFY(r.PicFile.isEmpty());
    // The valuation date the figures were worked out with comes back with them.
    QCOMPARE(r.HyokaDate, QDate(2026, 12, 7));
    // Not touched by a load.
    QVERIFY(r.NewBukken);
    QCOMPARE(r.GokeiKakaku.raw(), 77);
    QCOMPARE(r.KeijoHosei, 0.5);
}

void TestSaveLoad::photoSourceAndScratchFile() {
    Fixture f;
    BukkenJoho& b = f.g.Bukken;
    RawDb raw(f.folder.usrDb());
    // The scratch copy holds what was checked when the photo was picked; the picked file is never
    // read again, changed or gone.
    const QString picked = f.folder.file(QStringLiteral("picked.bmp"));
    QVERIFY(WriteAll(picked, kPhotoA));
    QVERIFY(WriteAll(b.PicTempFile, kPhotoA));
    b.PicUmu = true;
    b.PicFile = picked;
    QFile grown(picked);  // past the size limit, with zeros
    QVERIFY(grown.open(QIODevice::ReadWrite) && grown.resize(150LL * 1024 * 1024));
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);
    QCOMPARE(raw.one(QStringLiteral("SELECT 現場写真 FROM 物件情報 WHERE 物件ID = 1")), kPhotoA);

    QVERIFY(WriteAll(b.PicTempFile, QByteArray("scratch copy")));
    QVERIFY(QFile::remove(picked));
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);
    QCOMPARE(raw.one(QStringLiteral("SELECT 現場写真 FROM 物件情報 WHERE 物件ID = 2")),
             QByteArray("scratch copy"));

    // No photo: Null in the column, and the load leaves the scratch file alone.
    b.PicUmu = false;
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);
    QCOMPARE(raw.typeOf(QStringLiteral("現場写真"), 3), QByteArray("null"));

    // Loading a small photo after a larger one leaves exactly the small one's bytes.
    QVERIFY(raw.exec(
        QStringLiteral("UPDATE 物件情報 SET 現場写真 = X'424D20736D616C6C' WHERE 物件ID = 2")));
    BukkenJoho r = b;
    f.load(1, r);
    QCOMPARE(ReadAll(r.PicTempFile), kPhotoA);
    f.load(2, r);
    QVERIFY(r.PicUmu);
    QCOMPARE(ReadAll(r.PicTempFile), kPhotoB);
    r.PicFile = picked;
    f.load(3, r);
    QVERIFY(!r.PicUmu);
    QVERIFY(r.PicFile.isEmpty());
    QCOMPARE(ReadAll(r.PicTempFile), kPhotoB);
}

void TestSaveLoad::nullRowLoadsDefaults() {
    Fixture f;
    RawDb raw(f.folder.usrDb());
    QVERIFY(raw.exec(QStringLiteral("INSERT INTO 物件情報 (物件ID) VALUES (7)")));
    BukkenJoho r;
    FillAll(r);
    r.PicUmu = true;
    r.PicFile = QStringLiteral("/x.jpg");
    r.PicTempFile = f.g.Bukken.PicTempFile;
    QVERIFY(WriteAll(r.PicTempFile, QByteArray("previous photo")));
    f.ui.todayValue = QDate(2027, 2, 3);
    f.load(7, r);
    QCOMPARE(r.BukkenID, 7);
    QCOMPARE(r.Rosenka.raw(), 0);
    QCOMPARE(r.TotiKakaku.raw(), 0);
    QCOMPARE(r.KaokuKakaku.raw(), 0);
    QCOMPARE(r.TotiMenseki, 0.0);
    QCOMPARE(r.KaokuTuboTanka, 0.0);
    QCOMPARE(r.KaokuTateTubo, 0.0);
    for (const qint32 rank :
         {r.Sokumen1Rank, r.Sokumen2Rank, r.UramenRank, r.MudoroRank, r.MinamiRank, r.MaguchiRank,
          r.OkuyukiRank, r.FuseikeiRank, r.GakeRank, r.KoatuRank, r.SonotaRank}) {
        QCOMPARE(rank, 0);
    }
    QCOMPARE(r.KakutiHoseiRitu, 1.0);
    QCOMPARE(r.KaokuDate, QDate(2027, 2, 3));
    QCOMPARE(r.ChikaHendoRitu, 0.0);
    QVERIFY(r.Jusho.isEmpty() && r.Kaisha.isEmpty() && r.Tanto.isEmpty() && r.Denwa.isEmpty() &&
            r.Biko.isEmpty());
    QCOMPARE(r.TotiHanbaiKakaku.raw() + r.KaokuHanbaiKakaku.raw() + r.GokeiHanbaiKakaku.raw(), 0);
    QVERIFY(!r.PicUmu);
    QVERIFY(r.PicFile.isEmpty());
    QCOMPARE(ReadAll(r.PicTempFile), QByteArray("previous photo"));
}

void TestSaveLoad::unreadableValuesLoadDefaults() {
    Fixture f;
    RawDb raw(f.folder.usrDb());
    QVERIFY(raw.exec(QStringLiteral(
        "INSERT INTO 物件情報 (物件ID, 国税路線価, 敷地面積, 側1路線ランク, 側2路線ランク, "
        "画地補正率, 坪単価, 家屋建築年月日, 年間地価変動率, 住所, 敷地販売価格, 現場写真) "
        "VALUES (3, 'abc', '12,345', '3', 2.5, 'xyz', '', '2026-13-45', 'n/a', 42, 1e30, "
        "X'00010203')")));
    QVERIFY(raw.exec(QStringLiteral(
        "INSERT INTO 物件情報 (物件ID, 家屋建築年月日, 現場写真) VALUES (4, '1999/07/08', X'')")));
    BukkenJoho r;
    r.PicTempFile = f.g.Bukken.PicTempFile;
    f.ui.todayValue = QDate(2026, 6, 30);
    f.load(3, r);
    QCOMPARE(r.Rosenka.raw(), 0);
    QCOMPARE(r.TotiMenseki, 12345.0);  // grouping commas are part of the number rule
    QCOMPARE(r.Sokumen1Rank, 3);
    QCOMPARE(r.Sokumen2Rank, 2);  // 2.5 to a whole number: half to even
    QCOMPARE(r.KakutiHoseiRitu, 1.0);
    QCOMPARE(r.KaokuTuboTanka, 0.0);
    QCOMPARE(r.KaokuDate, QDate(2026, 6, 30));
    QCOMPARE(r.ChikaHendoRitu, 0.0);
    QCOMPARE(r.Jusho, QStringLiteral("42"));
    QCOMPARE(r.TotiHanbaiKakaku.raw(), 0);  // beyond the currency range
    // Bytes that are no picture still travel as bytes.
    QVERIFY(r.PicUmu);
    QCOMPARE(ReadAll(r.PicTempFile), QByteArray("\x00\x01\x02\x03", 4));

    // A zero-length photo counts as none; a date written with slashes is read.
    f.load(4, r);
    QCOMPARE(r.KaokuDate, QDate(1999, 7, 8));
    QVERIFY(!r.PicUmu);
    QCOMPARE(ReadAll(r.PicTempFile), QByteArray("\x00\x01\x02\x03", 4));
}

void TestSaveLoad::emptyMemoTexts() {
    Fixture f;
    RawDb raw(f.folder.usrDb());
    BukkenJoho& b = f.g.Bukken;
    // New row: empty texts stay Null, filled ones are stored.
    b.Jusho = QStringLiteral("大阪府");
    b.Tanto = QStringLiteral("佐藤");
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);
    for (const char* col : {"販売会社名", "電話番号", "備考"}) {
        QCOMPARE(raw.typeOf(QString::fromUtf8(col), 1), QByteArray("null"));
    }
    QCOMPARE(QString::fromUtf8(raw.one(QStringLiteral("SELECT 住所 FROM 物件情報"))),
             QStringLiteral("大阪府"));

    // Update: an emptied text is stored as Null, as in a new row; a new text replaces the old.
    f.load(1, b);
    b.NewBukken = false;
    b.Jusho.clear();
    b.Tanto = QStringLiteral("鈴木");
    b.Biko = QStringLiteral("追記");
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);
    QCOMPARE(raw.typeOf(QStringLiteral("住所"), 1), QByteArray("null"));
    QCOMPARE(QString::fromUtf8(raw.one(QStringLiteral("SELECT 担当者名 FROM 物件情報"))),
             QStringLiteral("鈴木"));
    QCOMPARE(QString::fromUtf8(raw.one(QStringLiteral("SELECT 備考 FROM 物件情報"))),
             QStringLiteral("追記"));
    QCOMPARE(raw.typeOf(QStringLiteral("販売会社名"), 1), QByteArray("null"));

    // Asking prices not given are stored as Null too, in an update as in a new row, and load
    // back as not given; a given one is stored.
    f.load(1, b);
    b.NewBukken = false;
    b.TotiHanbaiKakaku = Currency::fromRaw(250'000'000'000);
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);
    QCOMPARE(raw.typeOf(QStringLiteral("敷地販売価格"), 1), QByteArray("integer"));
    for (const char* col : {"家屋販売価格", "合計販売価格"})
        QCOMPARE(raw.typeOf(QString::fromUtf8(col), 1), QByteArray("null"));
    f.load(1, b);
    b.NewBukken = false;
    QCOMPARE(b.TotiHanbaiKakaku.raw(), 250'000'000'000);
    QVERIFY(b.GokeiHanbaiKakaku.isZero());
    b.TotiHanbaiKakaku = Currency();
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);
    QCOMPARE(raw.typeOf(QStringLiteral("敷地販売価格"), 1), QByteArray("null"));
}

void TestSaveLoad::updateRewritesSameRow() {
    Fixture f;
    RawDb raw(f.folder.usrDb());
    BukkenJoho& b = f.g.Bukken;
    b.TotiMenseki = 100;
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);
    b.TotiMenseki = 200;
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);

    f.load(1, b);
    b.NewBukken = false;
    b.TotiMenseki = 150.5;
    b.HyokaDate = QDate(2027, 1, 15);
    b.PicUmu = false;
    f.ui.clear();
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);
    QCOMPARE(f.ui.shown.size(), size_t(1));
    QCOMPARE(f.ui.shown[0].text, QStringLiteral("既存の物件データを更新しますか。"));
    QCOMPARE(f.ui.shown[0].caption, QStringLiteral("物件情報保存"));
    QCOMPARE(f.ui.shown[0].defaultButton, Answer::Yes);
    QCOMPARE(raw.ids(), (QList<QByteArray>{"1", "2"}));
    QCOMPARE(raw.column(QStringLiteral("SELECT 敷地面積 FROM 物件情報")),
             (QList<QByteArray>{"150.5", "200.0"}));
    QCOMPARE(raw.one(QStringLiteral("SELECT 評価年月日 FROM 物件情報 WHERE 物件ID = 1")),
             QByteArray("2027-01-15"));
}

void TestSaveLoad::noChangesNothing() {
    Fixture f;
    RawDb raw(f.folder.usrDb());
    FillAll(f.g.Bukken);
    const QString before = Dump(f.g.Bukken);
    QCOMPARE(f.save({Answer::No}), Fixture::Result::Cancelled);
    QCOMPARE(f.ui.shown.size(), size_t(1));
    const auto& q = f.ui.shown[0];
    QVERIFY(q.isQuestion);
    QCOMPARE(q.text, QStringLiteral("あたらしい物件データを保存しますか。"));
    QCOMPARE(q.caption, QStringLiteral("物件情報保存"));
    QCOMPARE(q.icon, MsgIcon::Question);
    QCOMPARE(q.defaultButton, Answer::Yes);
    QVERIFY(raw.ids().isEmpty());
    QCOMPARE(Dump(f.g.Bukken), before);
    QVERIFY(!f.g.UsrDbCon.isOpen());
    // A later Yes stores the same values.
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);
    QCOMPARE(raw.one(QStringLiteral("SELECT 敷地面積 FROM 物件情報")), QByteArray("123.45"));
}

void TestSaveLoad::readOnlyDatabaseChangesNothing() {
    Fixture f;
    {
        RawDb raw(f.folder.usrDb());
        QVERIFY(raw.exec(QStringLiteral("INSERT INTO 物件情報 (物件ID, 住所) VALUES (1, '元')")));
    }
    // Read-only for everyone, root included: the file's write version marks it read-only to
    // SQLite, and its permissions forbid writing.
    {
        QFile db(f.folder.usrDb());
        QVERIFY(db.open(QIODevice::ReadWrite));
        QVERIFY(db.seek(18));
        QVERIFY(db.write("\x03", 1) == 1);
        db.close();
        db.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    const QByteArray fileBefore = ReadAll(f.folder.usrDb());
    FillAll(f.g.Bukken);
    f.g.Bukken.PicUmu = true;
    QVERIFY(WriteAll(f.g.Bukken.PicTempFile, kPhotoA));
    const QString before = Dump(f.g.Bukken);

    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Failed);
    QCOMPARE(Dump(f.g.Bukken), before);
    QCOMPARE(ReadAll(f.folder.usrDb()), fileBefore);
    QCOMPARE(f.ui.shown.size(), size_t(2));
    QCOMPARE(f.ui.shown[1].icon, MsgIcon::Critical);
    // SQLite's read-only code, what failed, and that nothing changed.
    QCOMPARE(f.ui.shown[1].text, QStringLiteral("8\rファイルに書き込めません。\r") +
                                     QDir::toNativeSeparators(f.folder.usrDb()) +
                                     QStringLiteral("\r書き込みが許可されていません。\r") +
                                     kSaveFailed);
    QVERIFY(!f.g.UsrDbCon.isOpen());

    // The same for an update.
    f.g.Bukken.NewBukken = false;
    f.g.Bukken.BukkenID = 1;
    const QString before2 = Dump(f.g.Bukken);
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Failed);
    QCOMPARE(Dump(f.g.Bukken), before2);
    QCOMPARE(ReadAll(f.folder.usrDb()), fileBefore);
    QCOMPARE(f.ui.shown.back().icon, MsgIcon::Critical);
    QFile(f.folder.usrDb()).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
}

void TestSaveLoad::lockedDatabaseChangesNothing_data() {
    QTest::addColumn<QString>("lock");
    QTest::addColumn<QString>("expectedEnd");
    // Another program writing: the table can be read, the save cannot write.
    QTest::newRow("reserved") << QStringLiteral("BEGIN IMMEDIATE")
                              << QStringLiteral("\rファイルが他のプログラムで使われています。\r") +
                                     kSaveFailed;
    // Another program holding the file whole: not even the connection opens.
    QTest::newRow("exclusive") << QStringLiteral("BEGIN EXCLUSIVE")
                               << QStringLiteral("への接続失敗");
}

void TestSaveLoad::lockedDatabaseChangesNothing() {
    QFETCH(QString, lock);
    QFETCH(QString, expectedEnd);
    Fixture f;
    RawDb other(f.folder.usrDb());
    QVERIFY(other.exec(QStringLiteral("INSERT INTO 物件情報 (物件ID) VALUES (1)")));
    QVERIFY(other.exec(lock));
    FillAll(f.g.Bukken);
    // Long enough to wait, short enough for a test: the whole wait is the connection's business.
    f.g.UsrDbBusyLimitMs = 300;
    const QString before = Dump(f.g.Bukken);
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Failed);
    QCOMPARE(Dump(f.g.Bukken), before);
    QCOMPARE(f.ui.shown.size(), size_t(2));
    const QString text = f.ui.shown.back().text;
    QCOMPARE(f.ui.shown.back().icon, MsgIcon::Critical);
    QVERIFY2(text.startsWith(QStringLiteral("5\r")), qPrintable(text));
    QVERIFY2(text.endsWith(expectedEnd), qPrintable(text));
    QVERIFY(!f.g.UsrDbCon.isOpen());
    QVERIFY(other.exec(QStringLiteral("COMMIT")));
    QCOMPARE(other.ids(), (QList<QByteArray>{"1"}));
}

void TestSaveLoad::fileSizeLimitChangesNothing() {
    // The file may grow by no more than 1000 bytes: SQLite's write of a new page fails with EFBIG,
    // an I/O error named in the system's own words.
    Fixture f;
    RawDb raw(f.folder.usrDb());
    QVERIFY(raw.exec(QStringLiteral("INSERT INTO 物件情報 (物件ID, 住所) VALUES (1, '元')")));
    const QByteArray before = ReadAll(f.folder.usrDb());
    f.g.Bukken.PicUmu = true;
    QVERIFY(WriteAll(f.g.Bukken.PicTempFile, QByteArray(300'000, 'p')));
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* const oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = rlim_t(before.size() + 1000);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto outcome = f.save({Answer::Yes});
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(outcome, Fixture::Result::Failed);
    QCOMPARE(f.ui.shown.back().text, QStringLiteral("10\rファイルに書き込めません。\r") +
                                         QDir::toNativeSeparators(f.folder.usrDb()) + u'\r' +
                                         QString::fromLocal8Bit(std::strerror(EFBIG)) +
                                         QStringLiteral("。\r") + kSaveFailed);
    QCOMPARE(raw.ids(), (QList<QByteArray>{"1"}));
}

void TestSaveLoad::missingPhotoChangesNothing_data() {
    QTest::addColumn<bool>("update");
    QTest::addColumn<bool>("scratchRemoved");
    QTest::newRow("new, scratch empty") << false << false;
    QTest::newRow("new, scratch removed") << false << true;
    QTest::newRow("update, scratch empty") << true << false;
    QTest::newRow("update, scratch removed") << true << true;
}

void TestSaveLoad::missingPhotoChangesNothing() {
    QFETCH(bool, update);
    QFETCH(bool, scratchRemoved);
    Fixture f;
    RawDb raw(f.folder.usrDb());
    BukkenJoho& b = f.g.Bukken;
    b.PicUmu = true;
    QVERIFY(WriteAll(b.PicTempFile, kPhotoA));
    b.Jusho = QStringLiteral("元の住所");
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);

    if (update) {
        b.NewBukken = false;
        b.BukkenID = 1;
    }
    // The picked file was deleted, and the scratch copy is gone or empty.
    const QString picked = f.folder.file(QStringLiteral("gone.jpg"));
    QVERIFY(WriteAll(picked, kPhotoB));
    b.PicFile = picked;
    QVERIFY(QFile::remove(picked));
    if (scratchRemoved) {
        QVERIFY(QFile::remove(b.PicTempFile));
    } else {
        QVERIFY(WriteAll(b.PicTempFile, QByteArray()));
    }
    b.Jusho = QStringLiteral("新しい住所");
    const QString before = Dump(b);
    f.ui.clear();
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Failed);
    QCOMPARE(Dump(b), before);
    QCOMPARE(f.ui.shown.size(), size_t(2));
    QCOMPARE(f.ui.shown[1].icon, MsgIcon::Critical);
    QVERIFY2(f.ui.shown[1].text.contains(QStringLiteral("写真")), qPrintable(f.ui.shown[1].text));
    QVERIFY(f.ui.shown[1].text.contains(QDir::toNativeSeparators(b.PicTempFile)));
    QCOMPARE(raw.ids(), (QList<QByteArray>{"1"}));
    QCOMPARE(QString::fromUtf8(raw.one(QStringLiteral("SELECT 住所 FROM 物件情報"))),
             QStringLiteral("元の住所"));
    QCOMPARE(raw.one(QStringLiteral("SELECT 現場写真 FROM 物件情報")), kPhotoA);
}

void TestSaveLoad::deletedRowOffersSaveAsNew() {
    Fixture f;
    RawDb raw(f.folder.usrDb());
    BukkenJoho& b = f.g.Bukken;
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);
    f.load(2, b);
    b.NewBukken = false;
    b.Denwa = QStringLiteral("06-0000-1111");
    // Another copy deletes it and saves a new property, which must not take the ID 2 that this
    // copy still holds.
    QVERIFY(raw.exec(QStringLiteral("DELETE FROM 物件情報 WHERE 物件ID = 2")));
    {
        db::Connection other;
        other.setConnectionString(ConnectionString(f.folder.usrDb()));
        other.open();
        QCOMPARE(PropertyStore(other).insert(BukkenJoho(), std::nullopt), 3);
    }

    // No: nothing is written and nothing changes.
    const QString before = Dump(b);
    f.ui.clear();
    QCOMPARE(f.save({Answer::Yes, Answer::No}), Fixture::Result::Cancelled);
    QCOMPARE(f.ui.shown.size(), size_t(2));
    const auto& q = f.ui.shown[1];
    QVERIFY(q.isQuestion);
    QCOMPARE(q.caption, QStringLiteral("物件情報保存"));
    QCOMPARE(q.text, QStringLiteral("この物件データは、ほかのいえねだん帳で削除されています。"
                                    "新しい物件として保存しますか。"));
    QCOMPARE(Dump(b), before);
    QCOMPARE(raw.ids(), (QList<QByteArray>{"1", "3"}));

    // Yes: stored as a new property with the next ID never given.
    QCOMPARE(f.save({Answer::Yes, Answer::Yes}), Fixture::Result::Saved);
    QCOMPARE(raw.ids(), (QList<QByteArray>{"1", "3", "4"}));
    QCOMPARE(raw.one(QStringLiteral("SELECT 電話番号 FROM 物件情報 WHERE 物件ID = 4")),
             QByteArray("06-0000-1111"));
    QVERIFY(f.ui.unexpected.isEmpty());
}

namespace {

// Answers choices from the queue, and before answering the first one saves the row once more from
// outside, as a third copy would while the question is open.
class RacingUi : public ScriptedUi {
public:
    RawDb* raw = nullptr;
    int choose(QWidget* parent, const QString& text, const QString& caption,
               const QStringList& buttons) override {
        if (raw && shown.size() == 1) {
            raw->exec(QStringLiteral("UPDATE 物件情報 SET 更新回数 = 更新回数 + 1"));
        }
        return ScriptedUi::choose(parent, text, caption, buttons);
    }
};

}  // namespace

void TestSaveLoad::rowSavedByAnotherCopyAsks() {
    // Two copies of the program, each with its own connection to one file, load the same row.
    Fixture f;
    RawDb raw(f.folder.usrDb());
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);
    ModGlobal other;
    other.UsrDbPath = f.g.UsrDbPath;
    f.load(1, f.g.Bukken);
    f.load(1, other.Bukken);
    f.g.Bukken.NewBukken = other.Bukken.NewBukken = false;

    // The first to save is not asked anything, however often it saves.
    f.g.Bukken.Jusho = QStringLiteral("先に保存");
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);
    f.load(1, f.g.Bukken);
    QCOMPARE(f.save({Answer::Yes}), Fixture::Result::Saved);
    QVERIFY(f.ui.unexpected.isEmpty());
    QCOMPARE(raw.one(QStringLiteral("SELECT 更新回数 FROM 物件情報")), QByteArray("3"));

    const auto saveOther = [&](ScriptedUi& ui, std::initializer_list<int> choices) {
        ui.answers.push_back(Answer::Yes);
        for (const int c : choices)
            ui.choices.push_back(c);
        return SaveBukken(other, ui, nullptr);
    };
    const auto address = [&raw](int id) {
        return QString::fromUtf8(
            raw.one(QStringLiteral("SELECT 住所 FROM 物件情報 WHERE 物件ID = %1").arg(id)));
    };
    const QString ask = QStringLiteral(
        "この物件データは、読み込んだ後にほかのいえねだん帳で更新されています。上書きしますか。");
    other.Bukken.Jusho = QStringLiteral("後から保存");

    // キャンセル: nothing written, the screen's property as it was.
    ScriptedUi ui;
    ui.tempDir = f.folder.tempPath();
    const QString before = Dump(other.Bukken);
    QCOMPARE(saveOther(ui, {2}), SaveOutcome::Cancelled);
    QCOMPARE(ui.shown.size(), size_t(2));
    QCOMPARE(ui.shown[1].text, ask);
    QCOMPARE(ui.shown[1].caption, QStringLiteral("物件情報保存"));
    QCOMPARE(ui.shown[1].buttons,
             (QStringList{QStringLiteral("上書き"), QStringLiteral("新しい物件として保存"),
                          QStringLiteral("キャンセル")}));
    QCOMPARE(Dump(other.Bukken), before);
    QCOMPARE(address(1), QStringLiteral("先に保存"));

    // 新しい物件として保存: a second row, the first untouched.
    ui.clear();
    QCOMPARE(saveOther(ui, {1}), SaveOutcome::Saved);
    QCOMPARE(raw.ids(), (QList<QByteArray>{"1", "2"}));
    QCOMPARE(address(2), QStringLiteral("後から保存"));
    QCOMPARE(address(1), QStringLiteral("先に保存"));

    // 上書き, while a third copy saves the row once more: the row is checked again when written,
    // so the question comes again; the second 上書き writes.
    QVERIFY(raw.exec(QStringLiteral("DELETE FROM 物件情報 WHERE 物件ID = 2")));
    RacingUi racing;
    racing.tempDir = f.folder.tempPath();
    racing.raw = &raw;
    QCOMPARE(saveOther(racing, {0, 0}), SaveOutcome::Saved);
    QCOMPARE(racing.shown.size(), size_t(3));
    QCOMPARE(racing.shown[2].text, ask);
    QVERIFY(racing.unexpected.isEmpty());
    QCOMPARE(raw.ids(), (QList<QByteArray>{"1"}));
    QCOMPARE(address(1), QStringLiteral("後から保存"));
    QCOMPARE(raw.one(QStringLiteral("SELECT 更新回数 FROM 物件情報")), QByteArray("5"));
}

void TestSaveLoad::failedLoadKeepsRecord() {
    // The scratch file cannot be replaced (its folder is gone): the load fails whole.
    Fixture f;
    RawDb raw(f.folder.usrDb());
    QVERIFY(raw.exec(QStringLiteral(
        "INSERT INTO 物件情報 (物件ID, 敷地面積, 現場写真) VALUES (5, 99, X'4142')")));
    BukkenJoho r;
    FillAll(r);
    r.PicTempFile = f.folder.file(QStringLiteral("no-such-folder/~my1.tmp"));
    const QString before = Dump(r);
    db::Connection con;
    con.setConnectionString(ConnectionString(f.folder.usrDb()));
    con.open();
    QVERIFY_THROWS_EXCEPTION(AppError, LoadBukken(con, 5, r, QDate(2026, 1, 1)));
    QCOMPARE(Dump(r), before);
    // A row that has gone: nothing read, nothing thrown.
    QVERIFY(!LoadBukken(con, 6, r, QDate(2026, 1, 1)));
    QCOMPARE(Dump(r), before);
}

void TestSaveLoad::saveButtonOnTheMainWindow() {
    TestFolder folder;
    ScriptedUi ui;
    ui.tempDir = folder.tempPath();
    ModGlobal g;
    g.ProgramFolder = folder.path();
    FrmMain w(g, ui, FrmMain::Options{false, test::InstanceName(folder)});
    QVERIFY(w.startUp());
    QVERIFY(!w.findChild<QAction*>(QStringLiteral("mnuSearch"))->isEnabled());
    QVERIFY(!w.findChild<QAction*>(QStringLiteral("mnuExport"))->isEnabled());

    // A calculated property on the worksheet, with memo data and a photo.
    BukkenJoho& b = g.Bukken;
    const auto fill = [&] {
        b.Rosenka = Currency::fromRaw(1'500'000'000);
        b.TotiMenseki = 100;
        b.KakutiHoseiRitu = 0.9;
        b.TotiKakaku = Currency::fromRaw(168'750'000'000);
        b.Jusho = QStringLiteral("横浜市");
        b.PicUmu = true;
        w.findChild<QLineEdit*>(QStringLiteral("TxtRosenka"))->setText(QStringLiteral("150,000"));
        w.findChild<QLineEdit*>(QStringLiteral("TxtTotiMenseki"))->setText(QStringLiteral("100"));
        w.findChild<QLineEdit*>(QStringLiteral("TxtKakuti"))->setText(QStringLiteral("90.00"));
        w.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku"))
            ->setText(QStringLiteral("16,875,000"));
        w.findChild<QPushButton*>(QStringLiteral("CmdSave"))->setEnabled(true);
    };
    fill();
    const QDate hyoka = b.HyokaDate;
    const QStringList texts = {w.findChild<QLineEdit*>(QStringLiteral("TxtRosenka"))->text(),
                               w.findChild<QLineEdit*>(QStringLiteral("TxtTotiMenseki"))->text(),
                               w.findChild<QLineEdit*>(QStringLiteral("TxtKakuti"))->text(),
                               w.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku"))->text()};
    const auto worksheet = [&w] {
        return QStringList{w.findChild<QLineEdit*>(QStringLiteral("TxtRosenka"))->text(),
                           w.findChild<QLineEdit*>(QStringLiteral("TxtTotiMenseki"))->text(),
                           w.findChild<QLineEdit*>(QStringLiteral("TxtKakuti"))->text(),
                           w.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku"))->text()};
    };

    // The photo has gone missing: a message, and the window and record stay as they were.
    QVERIFY(QFile::remove(b.PicTempFile));
    const QString before = Dump(b);
    ui.answers.push_back(Answer::Yes);
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("CmdSave")), Qt::LeftButton);
    QCOMPARE(ui.shown.back().icon, MsgIcon::Critical);
    QCOMPARE(Dump(b), before);
    QCOMPARE(worksheet(), texts);
    QVERIFY(w.findChild<QPushButton*>(QStringLiteral("CmdSave"))->isEnabled());
    QVERIFY(!w.findChild<QAction*>(QStringLiteral("mnuSearch"))->isEnabled());

    // No: nothing either.
    QVERIFY(WriteAll(b.PicTempFile, kPhotoA));
    ui.answers.push_back(Answer::No);
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("CmdSave")), Qt::LeftButton);
    QCOMPARE(Dump(b), before);
    QCOMPARE(worksheet(), texts);

    // Yes: the first row is 1, the menus come on, the worksheet and record start over, the house
    // with them; the valuation date the user set stays.
    b.KaokuKozoCD = 2;
    b.KaokuDate = QDate(2010, 4, 1);
    w.findChild<DateInput*>(QStringLiteral("imDateKaoku"))->setValue(b.KaokuDate);
    ui.clear();
    ui.answers.push_back(Answer::Yes);
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("CmdSave")), Qt::LeftButton);
    QVERIFY(ui.unexpected.isEmpty());
    QCOMPARE(ui.texts(), QStringList{QStringLiteral("あたらしい物件データを保存しますか。")});
    RawDb raw(folder.usrDb());
    QCOMPARE(raw.ids(), (QList<QByteArray>{"1"}));
    QCOMPARE(raw.one(QStringLiteral("SELECT 現場写真 FROM 物件情報")), kPhotoA);
    QVERIFY(w.findChild<QAction*>(QStringLiteral("mnuSearch"))->isEnabled());
    QVERIFY(w.findChild<QAction*>(QStringLiteral("mnuExport"))->isEnabled());
    QCOMPARE(worksheet(), (QStringList{QString(), QString(), QStringLiteral("100.00"), QString()}));
    QCOMPARE(w.findChild<QLineEdit*>(QStringLiteral("TxtJiten"))->text(), QStringLiteral("0"));
    QVERIFY(!w.findChild<QPushButton*>(QStringLiteral("CmdSave"))->isEnabled());
    QCOMPARE(w.findChild<QPushButton*>(QStringLiteral("CmdSave"))->text(),
             QStringLiteral("新規物件保存"));
    QVERIFY(b.NewBukken);
    QCOMPARE(b.Rosenka.raw(), 0);
    QCOMPARE(b.KakutiHoseiRitu, 1.0);
    QVERIFY(b.Jusho.isEmpty());
    QVERIFY(!b.PicUmu);
    QCOMPARE(b.HyokaDate, hyoka);
    QCOMPARE(b.KaokuKozoCD, 0);
    QCOMPARE(b.KaokuDate, ui.today());
    QCOMPARE(w.findChild<DateInput*>(QStringLiteral("imDateKaoku"))->value(), ui.today());
    QVERIFY(!g.UsrDbCon.isOpen());
}

QTEST_MAIN(TestSaveLoad)
#include "tst_records_saveload.moc"
