// The typed store of saved properties on a real user database: every stored field and the photo
// round trip, memo texts and Null, the outcomes of an update, IDs, deletes and the list's blocks.
#include "state/ModGlobal.h"
#include "state/PropertyStore.h"
#include "support/ScriptedUi.h"
#include "support/TestFolder.h"

#include <sqlite3.h>

#include <QFile>
#include <QTimer>

#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;
using namespace ie;
using ie::test::ExecSql;
using ie::test::TestFolder;

namespace {

// A property with a distinct value in every stored field.
BukkenJoho Full() {
    BukkenJoho r;
    r.Rosenka = Currency::fromRaw(2'500'000'000);
    r.TotiMenseki = 132.23;
    r.Sokumen1Rank = 1;
    r.Sokumen2Rank = 2;
    r.UramenRank = 3;
    r.MudoroRank = 4;
    r.MinamiRank = 5;
    r.SonotaRank = -7;
    r.MaguchiRank = 6;
    r.OkuyukiRank = 7;
    r.FuseikeiRank = 8;
    r.GakeRank = 9;
    r.KoatuRank = 10;
    r.ChikaHendoRitu = 0.046;
    r.KakutiHoseiRitu = 0.855;
    r.TotiKakaku = Currency::fromRaw(192'664'726'027);
    r.KaokuTuboTanka = 674711;
    r.KaokuTateTubo = 30.25;
    r.KaokuDate = QDate(2015, 4, 1);
    r.KaokuKakaku = Currency::fromRaw(110'030'764'856);
    r.HyokaDate = QDate(2026, 12, 7);
    r.Jusho = u"東京都港区芝'1-2'"_s;
    r.Kaisha = u"ＡＢＣ不動産"_s;
    r.Tanto = u"山田"_s;
    r.Denwa = u"03-0000-0000"_s;
    r.TotiHanbaiKakaku = Currency::fromRaw(250'000'000'000);
    r.KaokuHanbaiKakaku = Currency::fromRaw(120'000'000'000);
    r.GokeiHanbaiKakaku = Currency::fromRaw(370'000'000'000);
    r.Biko = u"角地, \"南向き\"\n二行目"_s;
    r.PicUmu = true;
    r.KaokuKozoCD = 3;
    r.RosenkaNendo = QDate(2026, 1, 1);
    return r;
}

}  // namespace

class TestStore : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestFolder> folder_;
    db::Connection con_;

private Q_SLOTS:
    void init() {
        folder_ = std::make_unique<TestFolder>();
        con_.setConnectionString(ConnectionString(folder_->usrDb()));
        con_.open();
    }
    void cleanup() { con_.close(); }

    // Another copy holds the file longer than SQLite's usual wait: the save waits for it, says so
    // after a moment, and goes through.
    void waitsForAnotherCopyAndSaysSo() {
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(folder_->usrDb()).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        ModGlobal g;
        g.UsrDbPath = folder_->usrDb();
        ie::test::ScriptedUi ui;
        QVERIFY(ModUsrDbOpen(g, ui, nullptr));
        QTimer::singleShot(2600,
                           [other] { sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr); });
        {
            db::Transaction tx(g.UsrDbCon);
            QCOMPARE(PropertyStore(g.UsrDbCon).insert(BukkenJoho(), std::nullopt), 1);
            tx.commit();
        }
        QCOMPARE(ui.notes, QStringList{BusyNoteText()});
        ModUsrDbClose(g);
        sqlite3_close(other);
    }

    void insertLoadRoundTrip() {
        PropertyStore store(con_);
        QCOMPARE(store.count(), 0);
        const QByteArray photo("\xff\xd8\x00\x00\xff\xd9", 6);
        const BukkenJoho saved = Full();
        QCOMPARE(store.insert(saved, photo), 1);
        QCOMPARE(store.insert(BukkenJoho(), std::nullopt), 2);
        QCOMPARE(store.count(), 2);

        BukkenJoho base;
        base.PicTempFile = u"/scratch"_s;
        base.HyokaDate = QDate(2030, 1, 1);
        base.RosenkaNendo = QDate(2031, 1, 1);
        const std::optional<StoredProperty> row = store.load(1, base, QDate(2026, 1, 1));
        QVERIFY(row);
        const BukkenJoho& r = row->record;
        QCOMPARE(r.BukkenID, 1);
        QCOMPARE(r.Rosenka, saved.Rosenka);
        QCOMPARE(r.TotiMenseki, 132.23);
        QCOMPARE((QList<qint32>{r.Sokumen1Rank, r.Sokumen2Rank, r.UramenRank, r.MudoroRank,
                                r.MinamiRank, r.SonotaRank, r.MaguchiRank, r.OkuyukiRank,
                                r.FuseikeiRank, r.GakeRank, r.KoatuRank}),
                 (QList<qint32>{1, 2, 3, 4, 5, -7, 6, 7, 8, 9, 10}));
        QCOMPARE(r.ChikaHendoRitu, 0.046);
        QCOMPARE(r.KakutiHoseiRitu, 0.855);
        QCOMPARE(r.TotiKakaku, saved.TotiKakaku);
        QCOMPARE(r.KaokuTuboTanka, 674711.0);
        QCOMPARE(r.KaokuTateTubo, 30.25);
        QCOMPARE(r.KaokuDate, QDate(2015, 4, 1));
        QCOMPARE(r.KaokuKakaku, saved.KaokuKakaku);
        // The dates the figures were worked out with come back; a row without them keeps the
        // worksheet's (the second row below).
        QCOMPARE(r.HyokaDate, QDate(2026, 12, 7));
        QCOMPARE(r.RosenkaNendo, QDate(2026, 1, 1));
        QCOMPARE(r.KaokuKozoCD, 3);
        QCOMPARE((QStringList{r.Jusho, r.Kaisha, r.Tanto, r.Denwa, r.Biko}),
                 (QStringList{saved.Jusho, saved.Kaisha, saved.Tanto, saved.Denwa, saved.Biko}));
        QCOMPARE(r.GokeiHanbaiKakaku, saved.GokeiHanbaiKakaku);
        QCOMPARE(r.PicTempFile, u"/scratch"_s);
        QVERIFY(r.PicUmu);
        QCOMPARE(row->photo, std::optional<QByteArray>(photo));

        // The empty property: Null memo texts, no photo, today for a missing build date.
        QVERIFY(ExecSql(folder_->usrDb(),
                        u"UPDATE 物件情報 SET 家屋建築年月日 = NULL, "
                        u"画地補正率 = NULL WHERE 物件ID = 2"_s));
        const std::optional<StoredProperty> empty = store.load(2, Full(), QDate(2026, 1, 1));
        QVERIFY(empty);
        QCOMPARE(empty->record.KaokuDate, QDate(2026, 1, 1));
        QCOMPARE(empty->record.KaokuKozoCD, 0);
        QCOMPARE(empty->record.RosenkaNendo, Full().RosenkaNendo);
        QCOMPARE(empty->record.KakutiHoseiRitu, 1.0);
        QVERIFY(empty->record.Jusho.isEmpty());
        QVERIFY(!empty->record.PicUmu);
        QVERIFY(!empty->photo);
        QVERIFY(!store.load(3, base, QDate(2026, 1, 1)));
    }

    void updateOutcomesAndMemoTexts() {
        PropertyStore store(con_);
        const qint32 id = store.insert(Full(), QByteArray("old"));
        BukkenJoho changed = Full();
        changed.TotiMenseki = 99.5;
        changed.Jusho.clear();  // emptied by the user: stored as Null
        changed.Biko = u"新しい備考"_s;
        // A count other than the row's: another copy saved it since; nothing is written.
        QCOMPARE(store.update(id, changed, std::nullopt), UpdateOutcome::RowChanged);
        QCOMPARE(store.load(id, BukkenJoho(), QDate())->record.TotiMenseki, Full().TotiMenseki);
        changed.KoshinKaisu = 1;  // a new row has been saved once
        QCOMPARE(store.update(id, changed, std::nullopt), UpdateOutcome::Saved);
        QCOMPARE(store.changeCount(id), std::optional<qint64>(2));
        const std::optional<StoredProperty> row = store.load(id, BukkenJoho(), QDate());
        QCOMPARE(row->record.TotiMenseki, 99.5);
        QVERIFY(row->record.Jusho.isEmpty());
        QVERIFY(ExecSql(folder_->usrDb(), u"DELETE FROM 物件情報 WHERE 住所 IS NOT NULL"_s));
        QCOMPARE(store.count(), 1);  // the row is still there, its address Null
        QCOMPARE(row->record.Biko, u"新しい備考"_s);
        QVERIFY(!row->photo);  // saved without a photo: the photo is gone
        QCOMPARE(store.update(id + 1, changed, std::nullopt), UpdateOutcome::RowGone);
        QCOMPARE(store.changeCount(id + 1), std::nullopt);
        QCOMPARE(store.count(), 1);
    }

    void idsFollowTheHighest() {
        PropertyStore store(con_);
        QVERIFY(ExecSql(folder_->usrDb(), u"INSERT INTO 物件情報 (物件ID) VALUES (3), (9), (4)"_s));
        QCOMPARE(store.ids(), (std::vector<qint32>{3, 4, 9}));
        QCOMPARE(store.insert(BukkenJoho(), std::nullopt), 10);
        store.remove({4, 9, 42});
        QCOMPARE(store.ids(), (std::vector<qint32>{3, 10}));

        QVERIFY(ExecSql(folder_->usrDb(), u"INSERT INTO 物件情報 (物件ID) VALUES (2147483647)"_s));
        try {
            store.insert(BukkenJoho(), std::nullopt);
            QFAIL("an ID past the top was given");
        } catch (const AppError& e) {
            QCOMPARE(e.number(), errors::kOverflow);
        }
        QCOMPARE(store.count(), 3);
    }

    void listRowsByIdRange() {
        PropertyStore store(con_);
        const std::vector<ListColumn>& columns = PropertyStore::listColumns();
        const auto col = [&](const QString& name) {
            for (size_t i = 0; i < columns.size(); ++i)
                if (columns[i].name == name)
                    return i;
            return columns.size();
        };
        QVERIFY(ExecSql(folder_->usrDb(),
                        u"INSERT INTO 物件情報 (物件ID, 住所, 敷地評価額, 家屋評価額, 現場写真) "
                        u"VALUES (1, 'a', 10000, 20000, X'01'), (2, 'b', 10000, NULL, NULL), "
                        u"(5, 'c', 9223372036854775807, 9223372036854775807, NULL)"_s));
        const std::vector<ListRow> rows = store.listRows(2, 5);
        QCOMPARE(rows.size(), size_t(2));
        QCOMPARE(rows[0].id, 2);
        QCOMPARE(rows[1].id, 5);
        QCOMPARE(rows[0].values[col(u"住所"_s)].toText(), u"b"_s);
        // The total is Null when a side is Null; a total past 64 bits still reads, in yen.
        QVERIFY(rows[0].values[col(u"合計価格"_s)].isNull());
        QCOMPARE(rows[1].values[col(u"合計価格"_s)].toDouble(),
                 2.0 * 9223372036854775807.0 / 10000.0);
        QVERIFY(store.listRows(1, 1)[0].values[col(u"現場写真"_s)].isNull());
        QCOMPARE(store.listRows(1, 1)[0].values[col(u"合計価格"_s)].toText(), u"3"_s);
        QVERIFY(store.listRows(6, 100).empty());
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_state_store.moc"
