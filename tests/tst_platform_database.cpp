// The database layer on real SQLite files: connections, the snapshot recordset, conversions by
// declared type, photos, editing and its failures, and the shipped reference database.
#include "platform/Database.h"
#include "support/Permissions.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <functional>

using namespace Qt::StringLiterals;
using namespace ie;
using namespace ie::db;

namespace {

QString Cs(const QString& path) {
    return u"Provider = Microsoft.jet.OLEDB.3.51;Data Source="_s + path;
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

// Runs SQL on a file with SQLite itself, outside the layer under test.
void RawExec(const QString& path, const QString& sql) {
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    const QString message = QString::fromUtf8(err != nullptr ? err : "");
    sqlite3_free(err);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(message));
}

// The first column of the first row of a query, as text, read with SQLite itself.
QString RawText(const QString& path, const QString& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    QString out = u"<error>"_s;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK) {
        out = sqlite3_step(st) == SQLITE_ROW
                  ? QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)))
                  : u"<no row>"_s;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

QString UserSchema() {
    return QString::fromUtf8(ReadFile(QStringLiteral(IE_SOURCE_DIR "/data/user.sql")));
}

DbError Thrown(const std::function<void()>& f) {
    try {
        f();
    } catch (const DbError& e) {
        return e;
    }
    return DbError(0, u"nothing thrown"_s);
}

const QString kListQuery =
    u"SELECT 物件ID,住所,敷地面積,敷地評価額,家屋評価額,敷地販売価格,家屋販売価格,合計販売価格,"
    "敷地評価額 + 家屋評価額 AS 合計価格, 国税路線価,側1路線ランク,側2路線ランク,裏面路線ランク,"
    "南道路ランク,無道路地ランク,間口狭小ランク,奥行長大ランク,不整形ランク,崖地ランク,"
    "高圧線下ランク,"
    "販売会社名,担当者名,電話番号,備考,坪単価,現場写真,延床面積,年間地価変動率,画地補正率,"
    "その他ランク,家屋建築年月日 FROM 物件情報 "_s;

const QString kExportQuery = u"SELECT "_s + u"住所,"_s + u"敷地面積,"_s + u"敷地評価額,"_s +
                             u"家屋評価額,"_s + u"敷地販売価格,"_s + u"家屋販売価格,"_s +
                             u"合計販売価格,"_s + u"敷地評価額 + 家屋評価額 AS 合計価格, "_s +
                             u"国税路線価,"_s + u"販売会社名,担当者名,電話番号,備考,"_s +
                             u"坪単価,"_s + u"延床面積,年間地価変動率,その他ランク,"_s +
                             u"家屋建築年月日"_s + u" FROM 物件情報 "_s;

}  // namespace

class TestDatabase : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString userDb_;

    // A fresh user database with the shipped schema and no rows.
    QString freshUserDb(const QString& name = u"u.mdb"_s) {
        const QString path = dir_.filePath(name);
        QFile::remove(path);
        RawExec(path, UserSchema());
        return path;
    }

private Q_SLOTS:
    void init() {
        QVERIFY(dir_.isValid());
        userDb_ = freshUserDb();
    }

    void connectionStringGivesPath() {
        Connection con;
        con.setConnectionString(
            u"Provider = Microsoft.jet.OLEDB.3.51;Data Source=/tmp/a b/x.mdb"_s);
        QCOMPARE(con.path(), u"/tmp/a b/x.mdb"_s);
        con.setConnectionString(u"Provider = Microsoft.jet.OLEDB.3.51;Data Source= /d/x.mdb "_s);
        QCOMPARE(con.path(), u"/d/x.mdb"_s);
        con.setConnectionString(u"/plain/path.mdb"_s);
        QCOMPARE(con.path(), u"/plain/path.mdb"_s);
    }

    void openFailures() {
        // A missing file: SQLite's "cannot open" number and a description; no file appears.
        const QString missing = dir_.filePath(u"none/Morinaxis_u.mdb"_s);
        const QString missingHere = dir_.filePath(u"missing.mdb"_s);
        for (const QString& path : {missing, missingHere}) {
            Connection con;
            con.setConnectionString(Cs(path));
            const DbError e = Thrown([&] { con.open(); });
            QCOMPARE(e.number(), 14);
            QCOMPARE(e.description(),
                     u"データベースファイルを開けません。 (unable to open database file)"_s);
            QVERIFY(!con.isOpen());
            QVERIFY(!QFileInfo::exists(path));
        }

        // An empty path would give SQLite a temporary database: refused.
        {
            Connection con;
            con.setConnectionString(Cs(QString()));
            QCOMPARE(Thrown([&] { con.open(); }).number(), 14);
            QVERIFY(!con.isOpen());
        }

        // Files that are not databases fail at open and are left byte for byte as they were.
        QByteArray random(8192, '\0');
        QRandomGenerator gen(7);
        for (char& c : random) {
            c = static_cast<char>(gen.bounded(256));
        }
        QByteArray access(4096, '\0');
        access.replace(0, 19, QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 19));
        const QList<QPair<QString, QByteArray>> files = {
            {u"random.mdb"_s, random}, {u"access.mdb"_s, access}, {u"empty.mdb"_s, QByteArray()}};
        for (const auto& [name, bytes] : files) {
            const QString path = dir_.filePath(name);
            WriteFile(path, bytes);
            Connection con;
            con.setConnectionString(Cs(path));
            const DbError e = Thrown([&] { con.open(); });
            QCOMPARE(e.number(), 26);
            QCOMPARE(e.description(),
                     u"データベースファイルではありません。 (file is not a database)"_s);
            QVERIFY(!con.isOpen());
            QCOMPARE(ReadFile(path), bytes);
            QVERIFY(!QFileInfo::exists(path + u"-journal"_s));
        }

        // A folder is not a database file either.
        {
            Connection con;
            con.setConnectionString(Cs(dir_.path()));
            QCOMPARE(Thrown([&] { con.open(); }).number(), 14);
        }

        // Opening twice is an error; the connection stays usable.
        Connection con;
        con.setConnectionString(Cs(userDb_));
        con.open();
        QVERIFY(con.isOpen());
        QCOMPARE(Thrown([&] { con.open(); }).number(), kObjectOpen);
        QVERIFY(con.isOpen());
        con.close();
        con.close();  // closing a closed connection does nothing
        QVERIFY(!con.isOpen());
    }

    void roundTripOfEveryType() {
        const QByteArray photo("\x89PNG\x00\x01\x00\xff", 8);
        {
            Connection con;
            con.setConnectionString(Cs(userDb_));
            con.open();
            Recordset rs;
            rs.open(u"SELECT * FROM 物件情報"_s, con);
            QCOMPARE(rs.recordCount(), 0);
            rs.addNew();
            rs.setValue(u"物件ID"_s, Value::integer(1));
            rs.setValue(u"国税路線価"_s, Value::currency(Currency::fromRaw(192664726027)));
            rs.setValue(u"敷地面積"_s, Value::real(30.25));
            rs.setValue(u"側1路線ランク"_s, Value::integer(1));
            rs.setValue(u"崖地ランク"_s, Value::integer(-1));
            rs.setValue(u"年間地価変動率"_s, Value::real(0.03));
            rs.setValue(u"坪単価"_s, Value::real(150));
            rs.setValue(u"家屋建築年月日"_s, Value::date(QDate(2024, 2, 29)));
            rs.setValue(u"住所"_s, Value::text(u"東京都千代田区 O'Reilly 「引用」\" 1-1"_s));
            rs.setValue(u"販売会社名"_s, Value::text(u"'; DROP TABLE 物件情報; --"_s));
            rs.setValue(u"敷地販売価格"_s, Value::currency(Currency::fromRaw(187500000000)));
            rs.setBlob(u"現場写真"_s, photo);
            rs.update();
            // The new row is the current row of the snapshot and shows as stored.
            QCOMPARE(rs.recordCount(), 1);
            QCOMPARE(rs.value(u"物件ID"_s).toInt32(), 1);
            QCOMPARE(rs.value(u"住所"_s).toText(), u"東京都千代田区 O'Reilly 「引用」\" 1-1"_s);
        }

        // Stored forms: currency as exact ten-thousandths, dates as ISO text.
        QCOMPARE(
            RawText(userDb_, u"SELECT typeof(国税路線価) || ':' || 国税路線価 FROM 物件情報"_s),
            u"integer:192664726027"_s);
        QCOMPARE(RawText(userDb_,
                         u"SELECT typeof(家屋建築年月日) || ':' || 家屋建築年月日 FROM 物件情報"_s),
                 u"text:2024-02-29"_s);
        QCOMPARE(RawText(userDb_, u"SELECT count(*) FROM sqlite_master WHERE name = '物件情報'"_s),
                 u"1"_s);

        Connection con;
        con.setConnectionString(Cs(userDb_));
        con.open();
        Recordset rs;
        rs.open(u"SELECT * FROM 物件情報"_s, con);
        QCOMPARE(rs.fieldCount(), 31);
        QCOMPARE(rs.fieldName(0), u"物件ID"_s);
        QCOMPARE(rs.fieldType(0), FieldType::Integer);
        QCOMPARE(rs.fieldType(rs.fieldIndex(u"国税路線価"_s)), FieldType::Currency);
        QCOMPARE(rs.fieldType(rs.fieldIndex(u"敷地面積"_s)), FieldType::Double);
        QCOMPARE(rs.fieldType(rs.fieldIndex(u"家屋建築年月日"_s)), FieldType::Date);
        QCOMPARE(rs.fieldType(rs.fieldIndex(u"住所"_s)), FieldType::Text);
        QCOMPARE(rs.fieldType(30), FieldType::Blob);
        QCOMPARE(rs.fieldIndex(u"ありません"_s), -1);

        const Value rosenka = rs.value(u"国税路線価"_s);
        QCOMPARE(rosenka.kind(), Value::Kind::Currency);
        QCOMPARE(rosenka.toCurrency()->raw(), Q_INT64_C(192664726027));
        QCOMPARE(rosenka.toText(), u"19266472.6027"_s);
        QCOMPARE(rs.value(u"敷地販売価格"_s).toText(), u"18750000"_s);
        QCOMPARE(rs.value(u"敷地面積"_s), Value::real(30.25));
        QCOMPARE(rs.value(u"敷地面積"_s).toText(), u"30.25"_s);
        QCOMPARE(rs.value(u"年間地価変動率"_s).toText(), u"0.03"_s);
        QCOMPARE(rs.value(u"坪単価"_s).toText(), u"150"_s);
        QCOMPARE(rs.value(u"坪単価"_s).kind(), Value::Kind::Double);
        QCOMPARE(rs.value(u"崖地ランク"_s), Value::integer(-1));
        QCOMPARE(rs.value(u"家屋建築年月日"_s), Value::date(QDate(2024, 2, 29)));
        QCOMPARE(rs.value(u"家屋建築年月日"_s).toText(), u"2024/02/29"_s);
        QCOMPARE(rs.value(u"住所"_s).toText(), u"東京都千代田区 O'Reilly 「引用」\" 1-1"_s);
        QCOMPARE(rs.value(u"販売会社名"_s).toText(), u"'; DROP TABLE 物件情報; --"_s);
        QVERIFY(rs.value(u"家屋評価額"_s).isNull());
        QVERIFY(!rs.isBlobNull(u"現場写真"_s));
        QCOMPARE(rs.blobSize(u"現場写真"_s), 8);
        QCOMPARE(rs.readBlob(u"現場写真"_s), photo);
        QCOMPARE(Thrown([&] { rs.value(u"ありません"_s); }).number(), kItemNotFound);
    }

    void nullAndEmptyTextDiffer() {
        Connection con;
        con.setConnectionString(Cs(userDb_));
        con.open();
        Recordset rs;
        rs.open(u"物件情報"_s, con);
        rs.addNew();
        rs.setValue(u"物件ID"_s, Value::integer(1));
        rs.setValue(u"住所"_s, Value::text(QString()));
        rs.setValue(u"備考"_s, Value());
        rs.update();
        rs.close();
        QCOMPARE(RawText(userDb_, u"SELECT typeof(住所) || '/' || typeof(備考) FROM 物件情報"_s),
                 u"text/null"_s);

        rs.open(u"物件情報"_s, con);
        const Value empty = rs.value(u"住所"_s);
        QCOMPARE(empty.kind(), Value::Kind::Text);
        QVERIFY(empty.toText().isEmpty());
        QVERIFY(rs.value(u"備考"_s).isNull());
        QVERIFY(rs.value(u"備考"_s) != empty);
        QCOMPARE(rs.getString(u","_s, u"\r"_s, u"<null>"_s).section(u',', 22, 23),
                 u",<null>"_s);  // 住所 empty, 販売会社名 Null
    }

    void rowsComeInKeyOrder() {
        RawExec(userDb_,
                u"INSERT INTO 物件情報 (物件ID, 住所) VALUES (30, 'c'), (10, 'a'), (20, 'b')"_s);
        Connection con;
        con.setConnectionString(Cs(userDb_));
        con.open();
        for (const QString& source : {u"物件情報"_s, u"SELECT 住所 FROM 物件情報"_s}) {
            Recordset rs;
            rs.open(source, con);
            if (source != u"物件情報"_s) {
                QCOMPARE(rs.getString(u"|"_s, u";"_s), u"a;b;c;"_s);
            }
            QStringList seen;
            for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
                seen << rs.value(u"住所"_s).toText();
            }
            QCOMPARE(seen, QStringList({u"a"_s, u"b"_s, u"c"_s}));
        }
        Recordset rs;
        rs.open(u"SELECT 住所 FROM 物件情報 WHERE 物件ID = 20"_s, con);
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(rs.value(0).toText(), u"b"_s);
    }

    void countWithoutReadingRows() {
        QString sql = u"BEGIN;"_s;
        for (int i = 1; i <= 2000; ++i) {
            sql +=
                u"INSERT INTO 物件情報 (物件ID, 住所, 敷地評価額) VALUES (%1, '住所%1', %1);"_s.arg(
                    i);
        }
        RawExec(userDb_, sql + u"COMMIT;"_s);

        Connection con;
        con.setConnectionString(Cs(userDb_));
        con.open();
        // Every result row SQLite hands out is counted.
        int rowsOut = 0;
        sqlite3_trace_v2(
            con.handle(), SQLITE_TRACE_ROW,
            [](unsigned, void* ctx, void*, void*) {
                ++*static_cast<int*>(ctx);
                return 0;
            },
            &rowsOut);
        Recordset rs;
        rs.open(u"SELECT * FROM 物件情報"_s, con);
        QCOMPARE(rs.recordCount(), 2000);
        QVERIFY(!rs.eof());
        QVERIFY(!rs.bof());
        QVERIFY2(rowsOut < 100, qPrintable(QString::number(rowsOut)));  // columns + the count
        rs.moveLast();
        QCOMPARE(rs.value(u"物件ID"_s).toInt32(), 2000);
        // The keys of all rows, and the values of the last rows only.
        QVERIFY2(rowsOut >= 2000 && rowsOut < 2400, qPrintable(QString::number(rowsOut)));
        rs.moveFirst();
        QCOMPARE(rs.value(u"住所"_s).toText(), u"住所1"_s);
        rs.setBookmark(1000);
        QCOMPARE(rs.value(u"敷地評価額"_s).toText(), u"0.1001"_s);
        int visited = 0;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            QCOMPARE(rs.value(u"物件ID"_s).toInt32(), ++visited);
        }
        QCOMPARE(visited, 2000);
        QCOMPARE(rs.recordCount(), 2000);
        sqlite3_trace_v2(con.handle(), 0, nullptr, nullptr);
    }

    void movesAndBookmarks() {
        RawExec(userDb_, u"INSERT INTO 物件情報 (物件ID) VALUES (1), (2), (3), (4), (5)"_s);
        Connection con;
        con.setConnectionString(Cs(userDb_));
        con.open();
        Recordset rs;
        rs.open(u"SELECT 物件ID FROM 物件情報"_s, con);
        QCOMPARE(rs.bookmark(), 0);
        QCOMPARE(rs.value(0).toInt32(), 1);
        rs.moveNext();
        rs.moveNext();
        const Recordset::Bookmark third = rs.bookmark();
        rs.moveLast();
        QCOMPARE(rs.value(0).toInt32(), 5);
        rs.moveNext();
        QVERIFY(rs.eof());
        QVERIFY(!rs.bof());
        QCOMPARE(Thrown([&] { rs.moveNext(); }).number(), kNoCurrentRecord);
        QCOMPARE(Thrown([&] { rs.value(0); }).number(), kNoCurrentRecord);
        QCOMPARE(Thrown([&] { rs.bookmark(); }).number(), kNoCurrentRecord);
        rs.setBookmark(third);
        QCOMPARE(rs.value(0).toInt32(), 3);
        rs.moveFirst();
        rs.movePrevious();
        QVERIFY(rs.bof());
        QVERIFY(!rs.eof());
        QCOMPARE(Thrown([&] { rs.movePrevious(); }).number(), kNoCurrentRecord);
        QCOMPARE(Thrown([&] { rs.setBookmark(5); }).number(), kNoCurrentRecord);
        QCOMPARE(Thrown([&] { rs.setBookmark(-1); }).number(), kNoCurrentRecord);

        // Deleting by bookmarks: each bookmark still names its row after earlier deletions.
        for (const Recordset::Bookmark b : {Recordset::Bookmark(1), Recordset::Bookmark(3)}) {
            rs.setBookmark(b);
            rs.deleteCurrent();
        }
        QCOMPARE(RawText(userDb_, u"SELECT group_concat(物件ID) FROM 物件情報"_s), u"1,3,5"_s);
        QCOMPARE(rs.recordCount(), 3);
        QCOMPARE(Thrown([&] { rs.value(0); }).number(),
                 kNoCurrentRecord);  // deleted, still current
        QCOMPARE(Thrown([&] { rs.setBookmark(1); }).number(), kNoCurrentRecord);
        QStringList seen;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            seen << rs.value(0).toText();
        }
        QCOMPARE(seen, QStringList({u"1"_s, u"3"_s, u"5"_s}));
        QCOMPARE(rs.getString(u","_s, u";"_s), u"1;3;5;"_s);
    }

    void emptySnapshot() {
        Connection con;
        con.setConnectionString(Cs(userDb_));
        con.open();
        Recordset rs;
        rs.open(u"SELECT * FROM 物件情報"_s, con);
        QCOMPARE(rs.recordCount(), 0);
        QVERIFY(rs.eof());
        QVERIFY(rs.bof());
        QCOMPARE(Thrown([&] { rs.moveFirst(); }).number(), kNoCurrentRecord);
        QCOMPARE(Thrown([&] { rs.moveLast(); }).number(), kNoCurrentRecord);
        QCOMPARE(Thrown([&] { rs.value(u"住所"_s); }).number(), kNoCurrentRecord);
        QCOMPARE(Thrown([&] { rs.deleteCurrent(); }).number(), kNoCurrentRecord);
        QCOMPARE(Thrown([&] { rs.setValue(u"住所"_s, Value::text(u"x"_s)); }).number(),
                 kNoCurrentRecord);
        QCOMPARE(rs.getString(), QString());
        rs.close();
        QVERIFY(!rs.isOpen());
        QCOMPARE(Thrown([&] { rs.recordCount(); }).number(), kObjectClosed);
        // A query that matches nothing counts 0 as well.
        RawExec(userDb_, u"INSERT INTO 物件情報 (物件ID) VALUES (1)"_s);
        rs.open(u"SELECT * FROM 物件情報 WHERE 物件ID = 2"_s, con);
        QCOMPARE(rs.recordCount(), 0);
        QVERIFY(rs.eof());
    }

    void updateAndDelete() {
        RawExec(
            userDb_,
            u"INSERT INTO 物件情報 (物件ID, 住所, 備考) VALUES (1, '旧', 'そのまま'), (2, 'b', NULL)"_s);
        Connection con;
        con.setConnectionString(Cs(userDb_));
        con.open();
        {
            Recordset rs;
            rs.open(u"SELECT * FROM 物件情報 WHERE 物件ID = 1"_s, con);
            rs.setValue(u"住所"_s, Value::text(u"新"_s));
            rs.setValue(u"敷地評価額"_s, Value::currency(Currency::fromRaw(15000)));
            QCOMPARE(rs.value(u"住所"_s).toText(), u"新"_s);  // pending, not written yet
            QCOMPARE(RawText(userDb_, u"SELECT 住所 FROM 物件情報 WHERE 物件ID = 1"_s), u"旧"_s);
            rs.update();
            QCOMPARE(rs.value(u"敷地評価額"_s).toText(), u"1.5"_s);
        }
        QCOMPARE(
            RawText(
                userDb_,
                u"SELECT 住所 || '/' || 備考 || '/' || 敷地評価額 FROM 物件情報 WHERE 物件ID = 1"_s),
            u"新/そのまま/15000"_s);

        Recordset rs;
        rs.open(u"SELECT * FROM 物件情報"_s, con);
        // Conversions to the column's type happen on setValue; a failure changes nothing.
        QCOMPARE(Thrown([&] { rs.setValue(u"国税路線価"_s, Value::text(u"abc"_s)); }).number(), 13);
        QCOMPARE(Thrown([&] {
                     rs.setValue(u"家屋建築年月日"_s, Value::text(u"2023-02-29"_s));
                 }).number(),
                 13);
        QCOMPARE(Thrown([&] { rs.setValue(u"物件ID"_s, Value::real(1e30)); }).number(), 6);
        QCOMPARE(Thrown([&] { rs.setValue(u"現場写真"_s, Value::text(u"x"_s)); }).number(), 13);
        rs.setValue(u"国税路線価"_s, Value::text(u"1,234.5"_s));
        rs.setValue(u"側2路線ランク"_s, Value::real(2.5));  // half to even
        rs.setValue(u"家屋建築年月日"_s, Value::text(u"2001/02/03"_s));
        rs.update();
        QCOMPARE(
            RawText(
                userDb_,
                u"SELECT 国税路線価 || '/' || 側2路線ランク || '/' || 家屋建築年月日 FROM 物件情報 WHERE 物件ID = 1"_s),
            u"12345000/2/2001-02-03"_s);

        // A computed column cannot be written.
        Recordset list;
        list.open(kListQuery, con);
        QCOMPARE(Thrown([&] { list.setValue(u"合計価格"_s, Value::integer(1)); }).number(),
                 kNotUpdatable);

        // cancelUpdate drops the changes.
        rs.moveLast();
        rs.setValue(u"住所"_s, Value::text(u"取り消し"_s));
        rs.cancelUpdate();
        QCOMPARE(rs.value(u"住所"_s).toText(), u"b"_s);
        rs.addNew();
        rs.setValue(u"物件ID"_s, Value::integer(9));
        rs.cancelUpdate();
        QCOMPARE(rs.value(u"物件ID"_s).toInt32(), 2);
        QCOMPARE(RawText(userDb_, u"SELECT count(*) FROM 物件情報"_s), u"2"_s);

        // A row that has gone from the table meanwhile is reported, not silently lost.
        RawExec(userDb_, u"DELETE FROM 物件情報 WHERE 物件ID = 2"_s);
        rs.setValue(u"住所"_s, Value::text(u"x"_s));
        QCOMPARE(Thrown([&] { rs.update(); }).number(), kRowNotFound);
        rs.cancelUpdate();

        // Delete writes at once.
        rs.moveFirst();
        rs.deleteCurrent();
        QCOMPARE(RawText(userDb_, u"SELECT count(*) FROM 物件情報"_s), u"0"_s);
    }

    void failedWritesChangeNothing() {
        RawExec(userDb_, u"INSERT INTO 物件情報 (物件ID, 住所) VALUES (1, '元')"_s);
        const QByteArray before = ReadFile(userDb_);
        Connection con;
        con.setConnectionString(Cs(userDb_));
        con.open();

        // A key that exists already: constraint.
        Recordset rs;
        rs.open(u"SELECT * FROM 物件情報"_s, con);
        rs.addNew();
        rs.setValue(u"物件ID"_s, Value::integer(1));
        rs.setValue(u"住所"_s, Value::text(u"重複"_s));
        const DbError dup = Thrown([&] { rs.update(); });
        QCOMPARE(dup.number(), 19);
        QVERIFY(dup.description().startsWith(u"データの制約に違反しています。 ("_s));
        rs.cancelUpdate();
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(rs.value(u"住所"_s).toText(), u"元"_s);

        // A database that may only be read.
        con.execute(u"PRAGMA query_only = ON"_s);
        rs.setValue(u"住所"_s, Value::text(u"変更"_s));
        QCOMPARE(Thrown([&] { rs.update(); }).number(), 8);
        rs.cancelUpdate();
        QCOMPARE(rs.value(u"住所"_s).toText(), u"元"_s);
        QCOMPARE(Thrown([&] { rs.deleteCurrent(); }).number(), 8);
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(rs.value(u"住所"_s).toText(), u"元"_s);
        con.execute(u"PRAGMA query_only = OFF"_s);

        // A database locked by another program: busy after the wait, nothing written.
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(userDb_).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        rs.addNew();
        rs.setValue(u"物件ID"_s, Value::integer(2));
        QCOMPARE(Thrown([&] { rs.update(); }).number(), 5);
        rs.cancelUpdate();
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        QCOMPARE(rs.recordCount(), 1);
        rs.close();
        con.close();
        QCOMPARE(ReadFile(userDb_), before);
    }

    void readOnlyFileCopy() {
        IE_REQUIRE_PERMISSIONS_BIND();
        RawExec(userDb_, u"INSERT INTO 物件情報 (物件ID, 住所) VALUES (1, '元')"_s);
        const QString copy = dir_.filePath(u"readonly.mdb"_s);
        QFile::remove(copy);
        QVERIFY(QFile::copy(userDb_, copy));
        QVERIFY(QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        const QByteArray before = ReadFile(copy);
        Connection con;
        con.setConnectionString(Cs(copy));
        con.open();  // reading works; the first write fails
        Recordset rs;
        rs.open(u"物件情報"_s, con);
        rs.setValue(u"住所"_s, Value::text(u"変更"_s));
        QCOMPARE(Thrown([&] { rs.update(); }).number(), 8);
        rs.cancelUpdate();
        QCOMPARE(rs.value(u"住所"_s).toText(), u"元"_s);
        con.close();
        QCOMPARE(ReadFile(copy), before);
    }

    void transactionsRollBackUnlessCommitted() {
        RawExec(userDb_, u"INSERT INTO 物件情報 (物件ID, 住所) VALUES (1, 'a'), (2, 'b')"_s);
        Connection con;
        con.setConnectionString(Cs(userDb_));
        con.open();
        {
            Transaction tx(con);
            Recordset rs;
            rs.open(u"SELECT * FROM 物件情報"_s, con);
            rs.deleteCurrent();
            rs.addNew();
            rs.setValue(u"物件ID"_s, Value::integer(3));
            rs.update();
            rs.setValue(u"住所"_s, Value::text(u"c"_s));
            rs.update();
            // not committed
        }
        QCOMPARE(RawText(userDb_, u"SELECT group_concat(物件ID || 住所) FROM 物件情報"_s),
                 u"1a,2b"_s);
        {
            Transaction tx(con);
            Recordset rs;
            rs.open(u"SELECT * FROM 物件情報 WHERE 物件ID = 2"_s, con);
            rs.deleteCurrent();
            tx.commit();
        }
        QCOMPARE(RawText(userDb_, u"SELECT group_concat(物件ID || 住所) FROM 物件情報"_s), u"1a"_s);
        // A failure inside: everything before it is undone too.
        try {
            Transaction tx(con);
            Recordset rs;
            rs.open(u"物件情報"_s, con);
            rs.deleteCurrent();
            rs.addNew();
            rs.setValue(u"物件ID"_s, Value::integer(5));
            rs.update();
            rs.addNew();
            rs.setValue(u"物件ID"_s, Value::integer(5));
            rs.update();  // duplicate key
            tx.commit();
            QFAIL("the duplicate key was accepted");
        } catch (const DbError& e) {
            QCOMPARE(e.number(), 19);
        }
        QCOMPARE(RawText(userDb_, u"SELECT group_concat(物件ID || 住所) FROM 物件情報"_s), u"1a"_s);
        con.close();
        QCOMPARE(Thrown([&] { Transaction tx(con); }).number(), kObjectClosed);
    }

    void photosExactAndNeverInTheListing() {
        QByteArray big(1024 * 1024, '\0');
        QRandomGenerator gen(42);
        for (qsizetype i = 0; i < big.size(); i += 3) {
            big[i] = static_cast<char>(gen.bounded(256));  // NULs in between
        }
        Connection con;
        con.setConnectionString(Cs(userDb_));
        con.open();
        {
            Transaction tx(con);
            Recordset rs;
            rs.open(u"SELECT * FROM 物件情報"_s, con);
            for (int id = 1; id <= 12; ++id) {
                rs.addNew();
                rs.setValue(u"物件ID"_s, Value::integer(id));
                rs.setValue(u"住所"_s, Value::text(u"写真%1"_s.arg(id)));
                if (id == 11) {
                    rs.setBlob(u"現場写真"_s, QByteArray());  // zero bytes, not Null
                } else if (id == 12) {
                    rs.setBlob(u"現場写真"_s, std::nullopt);
                } else {
                    QByteArray b = big;
                    b[0] = static_cast<char>(id);
                    rs.setBlob(u"現場写真"_s, b);
                }
                rs.update();
            }
            tx.commit();
        }
        con.close();

        // A fresh connection reads the listing: the photos' pages are never fetched.
        con.open();
        Recordset list;
        list.open(kListQuery, con);
        int hits = 0;
        int misses = 0;
        int unused = 0;
        sqlite3_db_status(con.handle(), SQLITE_DBSTATUS_CACHE_MISS, &misses, &unused, 1);
        for (list.moveFirst(); !list.eof(); list.moveNext()) {
            list.value(u"住所"_s);
        }
        QString text = list.getString(u","_s, u"\r"_s);
        sqlite3_db_status(con.handle(), SQLITE_DBSTATUS_CACHE_MISS, &misses, &unused, 0);
        // Pages one photo spans (the user database may use large pages).
        sqlite3_stmt* ps = nullptr;
        sqlite3_prepare_v2(con.handle(), "PRAGMA page_size", -1, &ps, nullptr);
        sqlite3_step(ps);
        const int photoPages = static_cast<int>(big.size() / sqlite3_column_int(ps, 0));
        sqlite3_finalize(ps);
        QVERIFY(photoPages >= 16);
        QVERIFY2(misses < photoPages / 2, qPrintable(QString::number(misses)));
        QCOMPARE(text.count(u'\r'), 12);
        QVERIFY(!text.contains(QChar(0)));

        list.setBookmark(2);
        QCOMPARE(list.fieldType(list.fieldIndex(u"現場写真"_s)), FieldType::Blob);
        QCOMPARE(list.blobSize(u"現場写真"_s), big.size());
        QCOMPARE(list.value(u"現場写真"_s), Value::integer(big.size()));
        QByteArray expected = big;
        expected[0] = 3;
        const QByteArray read = list.readBlob(u"現場写真"_s);
        QCOMPARE(read.size(), expected.size());
        QVERIFY(read == expected);
        sqlite3_db_status(con.handle(), SQLITE_DBSTATUS_CACHE_MISS, &misses, &unused, 0);
        QVERIFY2(misses >= photoPages, qPrintable(QString::number(misses)));

        list.setBookmark(10);
        QVERIFY(!list.isBlobNull(u"現場写真"_s));
        QCOMPARE(list.blobSize(u"現場写真"_s), 0);
        QVERIFY(list.readBlob(u"現場写真"_s).isEmpty());
        list.moveNext();
        QVERIFY(list.isBlobNull(u"現場写真"_s));
        QVERIFY(list.value(u"現場写真"_s).isNull());
        QVERIFY(list.readBlob(u"現場写真"_s).isNull());
        QCOMPARE(Thrown([&] { list.isBlobNull(u"住所"_s); }).number(), 13);
        Q_UNUSED(hits);

        // Replacing a photo, and removing it.
        Recordset rs;
        rs.open(u"SELECT * FROM 物件情報 WHERE 物件ID = 1"_s, con);
        rs.setBlob(u"現場写真"_s, QByteArray("\0\0\0", 3));
        rs.update();
        QCOMPARE(rs.readBlob(u"現場写真"_s), QByteArray("\0\0\0", 3));
        QCOMPARE(rs.blobSize(u"現場写真"_s), 3);
        rs.setBlob(u"現場写真"_s, std::nullopt);
        rs.update();
        QVERIFY(rs.isBlobNull(u"現場写真"_s));
        QCOMPARE(RawText(userDb_, u"SELECT typeof(現場写真) FROM 物件情報 WHERE 物件ID = 1"_s),
                 u"null"_s);
    }

    void listAndExportQueries() {
        RawExec(
            userDb_,
            u"INSERT INTO 物件情報 (物件ID, 住所, 敷地面積, 敷地評価額, 家屋評価額, 国税路線価, "
            "側1路線ランク, 側2路線ランク, 坪単価, 延床面積, 年間地価変動率, その他ランク, "
            "家屋建築年月日, 販売会社名) "
            "VALUES (1, '東京都港区1-2', 150.5, 187500000000, 5000000000, 2500000, 1, 0, 674711, "
            "30.25, "
            "0.046, -5, '1999-04-01', 'A社'), "
            "(2, 'x,y', NULL, NULL, 10000, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)"_s);
        Connection con;
        con.setConnectionString(Cs(userDb_));
        con.open();

        Recordset list;
        list.open(kListQuery, con);
        QCOMPARE(list.fieldCount(), 31);
        QCOMPARE(list.fieldName(8), u"合計価格"_s);
        QCOMPARE(list.fieldType(8), FieldType::Currency);
        QCOMPARE(list.fieldName(10), u"側1路線ランク"_s);
        QCOMPARE(list.tableName(), u"物件情報"_s);
        QCOMPARE(list.recordCount(), 2);
        QCOMPARE(list.value(u"合計価格"_s), Value::currency(Currency::fromRaw(192500000000)));
        QCOMPARE(list.value(u"合計価格"_s).toText(), u"19250000"_s);
        QCOMPARE(list.value(u"側1路線ランク"_s), Value::integer(1));
        // The side-road columns named with full-width digits reach the same columns.
        QCOMPARE(list.value(u"側１路線ランク"_s), Value::integer(1));
        Recordset wide;
        wide.open(u"SELECT 物件ID, 側１路線ランク, 側２路線ランク FROM 物件情報"_s, con);
        QCOMPARE(wide.fieldName(1), u"側１路線ランク"_s);
        QCOMPARE(wide.fieldType(1), FieldType::Integer);
        QCOMPARE(wide.value(u"側1路線ランク"_s), Value::integer(1));
        wide.setValue(u"側２路線ランク"_s, Value::integer(1));
        wide.update();
        QCOMPARE(RawText(userDb_, u"SELECT 側2路線ランク FROM 物件情報 WHERE 物件ID = 1"_s),
                 u"1"_s);
        list.moveNext();
        QVERIFY(list.value(u"合計価格"_s).isNull());  // 敷地評価額 is Null
        QCOMPARE(list.value(u"家屋評価額"_s).toText(), u"1"_s);

        Recordset csv;
        csv.open(kExportQuery, con);
        QCOMPARE(csv.fieldCount(), 18);
        const QString expected =
            u"東京都港区1-2,150.5,18750000,500000,,,,19250000,250,A社,,,,674711,30.25,0.046,-5,"
            u"1999/04/01\r"
            "x,y,,,1"_s +
            QString(14, u',') + u"\r"_s;
        QCOMPARE(csv.getString(u","_s, QString(), QString()), expected);
        // Read once more after the rows are in the snapshot: the same text.
        QCOMPARE(csv.value(0).toText(), u"東京都港区1-2"_s);
        QCOMPARE(csv.getString(u","_s, u"\r"_s, QString()), expected);
        QCOMPARE(csv.value(0).toText(), u"東京都港区1-2"_s);  // position kept
    }

    void badStoredDataNeverThrows() {
        RawExec(userDb_,
                u"INSERT INTO 物件情報 (物件ID, 国税路線価, 敷地面積, 側1路線ランク, "
                u"家屋建築年月日, 評価年月日, 住所) "
                "VALUES (1, 'abc', '12.5', 2.5, 'not a date', '2024-13-01', 42)"_s);
        Connection con;
        con.setConnectionString(Cs(userDb_));
        con.open();
        Recordset rs;
        rs.open(u"SELECT * FROM 物件情報"_s, con);
        const Value rosenka = rs.value(u"国税路線価"_s);
        QCOMPARE(rosenka.kind(), Value::Kind::Text);
        QVERIFY(!rosenka.toCurrency());
        QCOMPARE(rs.value(u"敷地面積"_s).toDouble(), 12.5);
        QCOMPARE(rs.value(u"側1路線ランク"_s).kind(), Value::Kind::Double);
        QCOMPARE(rs.value(u"側1路線ランク"_s).toInt32(), 2);
        QCOMPARE(rs.value(u"家屋建築年月日"_s), Value::text(u"not a date"_s));
        QVERIFY(!rs.value(u"家屋建築年月日"_s).toDate());
        QCOMPARE(rs.value(u"評価年月日"_s), Value::text(u"2024-13-01"_s));
        QCOMPARE(rs.value(u"住所"_s).toText(), u"42"_s);
        QVERIFY(!rs.getString().isEmpty());
    }

    void valueConversions() {
        QCOMPARE(Value::text(u" 1,234.5 "_s).toDouble(), 1234.5);
        QVERIFY(!Value::text(u"abc"_s).toDouble());
        QVERIFY(!Value().toDouble());
        QVERIFY(!Value::date(QDate(2024, 1, 1)).toDouble());
        QCOMPARE(Value::real(2.5).toInt32(), 2);
        QCOMPARE(Value::real(3.5).toInt32(), 4);
        QCOMPARE(Value::real(-2.5).toInt32(), -2);
        QCOMPARE(Value::real(-2.6).toInt32(), -3);
        QCOMPARE(Value::currency(Currency::fromRaw(25000)).toInt32(), 2);
        QCOMPARE(Value::currency(Currency::fromRaw(35000)).toInt32(), 4);
        QCOMPARE(Value::currency(Currency::fromRaw(-15001)).toInt32(), -2);
        QCOMPARE(Value::integer(2147483647).toInt32(), 2147483647);
        QVERIFY(!Value::integer(2147483648LL).toInt32());
        QVERIFY(!Value::real(3e9).toInt32());
        QCOMPARE(Value::text(u"12"_s).toInt32(), 12);
        QCOMPARE(Value::integer(3).toCurrency(), Currency::fromRaw(30000));
        QVERIFY(!Value::integer(std::numeric_limits<qint64>::max()).toCurrency());
        QCOMPARE(Value::text(u"2024/02/29"_s).toDate(), QDate(2024, 2, 29));
        QCOMPARE(Value::text(u"2024-2-9"_s).toDate(), QDate(2024, 2, 9));
        QVERIFY(!Value::text(u"2023/02/29"_s).toDate());
        QVERIFY(!Value::text(u"令和6年"_s).toDate());
        QVERIFY(Value::date(QDate()).isNull());

        QCOMPARE(Value().toText(), QString());
        QCOMPARE(Value::integer(-42).toText(), u"-42"_s);
        QCOMPARE(Value::real(150.0).toText(), u"150"_s);
        QCOMPARE(Value::real(-0.035).toText(), u"-0.035"_s);
        QCOMPARE(Value::real(0.1 + 0.2).toText(), u"0.30000000000000004"_s);
        QCOMPARE(Value::real(-0.0).toText(), u"0"_s);
        QCOMPARE(Value::real(600000.0).toText(), u"600000"_s);
        QCOMPARE(Value::real(674711.0).toText(), u"674711"_s);
        QCOMPARE(Value::real(1e20).toText(), u"100000000000000000000"_s);
        QCOMPARE(Value::real(0.0000001).toText(), u"0.0000001"_s);
        QCOMPARE(Value::real(1e21).toText(), u"1e+21"_s);
        QCOMPARE(Value::real(-1.5e-8).toText(), u"-1.5e-08"_s);
        QCOMPARE(Value::currency(Currency::fromRaw(-5000)).toText(), u"-0.5"_s);
        QCOMPARE(Value::currency(Currency::fromRaw(12345)).toText(), u"1.2345"_s);
        QCOMPARE(Value::currency(Currency::fromRaw(10)).toText(), u"0.001"_s);
        QCOMPARE(Value::date(QDate(987, 6, 5)).toText(), u"0987/06/05"_s);

        QVERIFY(Value::integer(1) != Value::real(1));
        QVERIFY(Value::text(QString()) != Value());
        QVERIFY(Value::text(u"a"_s) == Value::text(u"a"_s));
    }

    void closingTheConnectionClosesItsRecordsets() {
        RawExec(userDb_, u"INSERT INTO 物件情報 (物件ID) VALUES (1)"_s);
        Recordset outlives;
        {
            Connection con;
            con.setConnectionString(Cs(userDb_));
            con.open();
            Recordset rs;
            rs.open(u"物件情報"_s, con);
            outlives.open(u"物件情報"_s, con);
            QCOMPARE(Thrown([&] { rs.open(u"物件情報"_s, con); }).number(), kObjectOpen);
            con.close();
            QVERIFY(!rs.isOpen());
            QVERIFY(!outlives.isOpen());
            QCOMPARE(Thrown([&] { rs.open(u"物件情報"_s, con); }).number(), kObjectClosed);
            con.open();
            outlives.open(u"物件情報"_s, con);
        }  // the connection goes first
        QVERIFY(!outlives.isOpen());

        Connection con;
        con.setConnectionString(Cs(userDb_));
        con.open();
        Recordset rs;
        QCOMPARE(Thrown([&] { rs.open(u"ないテーブル"_s, con); }).number(), 1);
        QCOMPARE(Thrown([&] { rs.open(u"SELECT ない列 FROM 物件情報"_s, con); }).number(), 1);
        QVERIFY(!rs.isOpen());
    }

    void shippedReferenceDatabase() {
        const QString path = QStringLiteral(IE_BIN_DIR "/Morinaxis_s.mdb");
        const QByteArray before = ReadFile(path);
        QVERIFY(!before.isEmpty());
        Connection con;
        con.setConnectionString(Cs(path));
        con.open();
        Recordset rs;

        rs.open(u"土地時点修正率"_s, con);
        QCOMPARE(rs.recordCount(), 47);
        rs.moveFirst();
        QCOMPARE(rs.value(u"都道府県名"_s).toText(), u"北海道"_s);
        for (int i = 1; i < 13; ++i) {
            rs.moveNext();
        }
        QCOMPARE(rs.value(u"都道府県ID"_s).toInt32(), 13);
        QCOMPARE(rs.value(u"都道府県名"_s).toText(), u"東京都"_s);
        QCOMPARE(rs.value(u"時点修正率"_s).toDouble(), 0.046);
        rs.moveLast();
        QCOMPARE(rs.value(u"都道府県名"_s).toText(), u"沖縄県"_s);
        rs.close();

        rs.open(u"SELECT 時点修正率 FROM 土地時点修正率 WHERE 都道府県ID = 45"_s, con);
        QCOMPARE(rs.value(0).toText(), u"0"_s);
        rs.close();

        rs.open(u"崖地補正率"_s, con);
        QCOMPARE(rs.recordCount(), 11);
        QCOMPARE(rs.value(u"ランク"_s).toInt32(), -1);
        QCOMPARE(rs.value(u"補正率"_s).toDouble(), 1.0);
        rs.moveNext();
        rs.moveNext();
        QCOMPARE(rs.value(u"数値下限"_s).toText(), u"10"_s);
        QCOMPARE(rs.value(u"ランク"_s).toInt32(), 1);
        QCOMPARE(rs.value(u"補正率"_s).toDouble(), 0.95);
        rs.close();

        rs.open(u"SELECT 補正率 FROM  家屋経年減点補正率 WHERE ランク = 35"_s, con);
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(rs.value(u"補正率"_s).toDouble(), 0.05);
        rs.close();
        rs.open(u"SELECT 補正率 FROM  家屋経年減点補正率 WHERE ランク = 10"_s, con);
        QCOMPARE(rs.value(u"補正率"_s).toText(), u"0.721"_s);
        rs.close();
        rs.open(u"SELECT 補正率 FROM  家屋経年減点補正率 WHERE ランク = 60"_s, con);
        QCOMPARE(rs.recordCount(), 0);
        rs.close();
        rs.open(u"家屋経年減点補正率"_s, con);
        QCOMPARE(rs.recordCount(), 36);
        rs.moveLast();
        QCOMPARE(rs.value(u"ランク"_s).toInt32(), 35);
        rs.close();

        rs.open(u"SELECT 補正率 FROM  側１路線補正率 WHERE ランク = 1"_s, con);
        QCOMPARE(rs.value(0).toDouble(), 1.03);
        rs.close();
        rs.open(u"SELECT 補正率 FROM  側２路線補正率 WHERE ランク = 0"_s, con);
        QCOMPARE(rs.value(0).toDouble(), 1.0);
        rs.close();
        rs.open(u"SELECT 坪単価 FROM  家屋構造別坪単価 WHERE 構造CD = 1"_s, con);
        QCOMPARE(rs.value(0).toText(), u"674711"_s);
        rs.close();
        rs.open(u"SELECT 補正率 FROM  不整形補正率 WHERE ランク = -1"_s, con);
        QCOMPARE(rs.recordCount(), 0);
        rs.close();

        // Every rank table holds its ranks without gaps and no Null rate; the sources are listed.
        const QStringList rankTables = {
            u"側１路線補正率"_s, u"側２路線補正率"_s,    u"背面路線補正率"_s, u"南道路補正率"_s,
            u"間口狭小補正率"_s, u"高圧線下補正率"_s,    u"無道路地補正率"_s, u"奥行長大補正率"_s,
            u"不整形補正率"_s,   u"家屋経年減点補正率"_s};
        Recordset sources;
        sources.open(u"データ出典"_s, con);
        QCOMPARE(sources.recordCount(), 13);
        const QString sourceTables = sources.getString(u"|"_s, u"\n"_s);
        for (const QString& table : rankTables) {
            rs.open(table, con);
            QVERIFY2(rs.recordCount() >= 2, qPrintable(table));
            int expectRank = 0;
            for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
                QCOMPARE(rs.value(u"ランク"_s).toInt32(), expectRank++);
                QVERIFY(rs.value(u"補正率"_s).toDouble());
            }
            rs.close();
            QVERIFY2(sourceTables.contains(table + u'|'), qPrintable(table));
        }
        con.close();
        QCOMPARE(ReadFile(path), before);  // reading never writes
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_platform_database.moc"
