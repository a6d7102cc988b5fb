// The database layer on real SQLite files: connections, statements with checked binds,
// conversions by declared type, transactions, and the shipped reference database.
#include "platform/Database.h"
#include "platform/RegularFile.h"
#include "support/Permissions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>
#include <sys/stat.h>

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

    void openUser(Connection& con) {
        con.setConnectionString(Cs(userDb_));
        con.open();
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

    void onlyRegularFilesOpen() {
        const QString fifo = dir_.filePath(u"pipe.mdb"_s);
        const QString zero = dir_.filePath(u"zero.mdb"_s);
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QVERIFY(QFile::link(u"/dev/zero"_s, zero));
        for (const QString& path : {fifo, zero}) {
            Connection con;
            con.setConnectionString(Cs(path));
            const DbError e = Thrown([&] { con.open(); });  // at once, never waiting
            QCOMPARE(e.number(), 14);
            QCOMPARE(e.description(), NotRegularFileText(path));
        }
        // A FIFO put in a database's place after that check: SQLite's own open refuses it too.
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open_v2(QFile::encodeName(fifo).constData(), &db, SQLITE_OPEN_READONLY,
                                 nullptr),
                 SQLITE_CANTOPEN);
        sqlite3_close(db);
    }

    void bindsRoundTripByDeclaredType() {
        const QByteArray photo("\x89PNG\x00\x01\x00\xff", 8);
        Connection con;
        openUser(con);
        {
            Statement st(con,
                         u"INSERT INTO 物件情報 (物件ID, 国税路線価, 敷地面積, 側1路線ランク, "
                         u"家屋建築年月日, 住所, 備考, 販売会社名, 現場写真) "
                         u"VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"_s);
            st.bind(1, Value::integer(7))
                .bind(2, Value::currency(Currency::fromRaw(187500000000)))
                .bind(3, Value::real(150.25))
                .bind(4, Value::integer(-1))
                .bind(5, Value::date(QDate(2001, 2, 3)))
                .bind(6, Value::text(u"東京都港区'1-2'; DROP TABLE 物件情報;--"_s))
                .bind(7, Value::text(QString()))
                .bind(8, Value())
                .bindBlob(9, photo);
            st.run();
        }
        // Stored forms, read with SQLite itself: currency as ten-thousandths, dates as ISO text,
        // an empty text as an empty text and not Null, the text exactly as typed.
        QCOMPARE(RawText(userDb_, u"SELECT 国税路線価 FROM 物件情報"_s), u"187500000000"_s);
        QCOMPARE(RawText(userDb_, u"SELECT 家屋建築年月日 FROM 物件情報"_s), u"2001-02-03"_s);
        QCOMPARE(RawText(userDb_, u"SELECT typeof(備考) || typeof(販売会社名) FROM 物件情報"_s),
                 u"textnull"_s);
        QCOMPARE(RawText(userDb_, u"SELECT 住所 FROM 物件情報"_s),
                 u"東京都港区'1-2'; DROP TABLE 物件情報;--"_s);

        Statement st(con,
                     u"SELECT 国税路線価, 敷地面積, 側1路線ランク, 家屋建築年月日, 住所, "
                     u"備考, 販売会社名, 現場写真 FROM 物件情報 WHERE 物件ID = ?"_s);
        st.bind(1, Value::integer(7));
        QVERIFY(st.step());
        QCOMPARE(st.value(0, FieldType::Currency),
                 Value::currency(Currency::fromRaw(187500000000)));
        QCOMPARE(st.value(1, FieldType::Double), Value::real(150.25));
        QCOMPARE(st.value(2, FieldType::Integer), Value::integer(-1));
        QCOMPARE(st.value(3, FieldType::Date), Value::date(QDate(2001, 2, 3)));
        QCOMPARE(st.value(4, FieldType::Text).toText(),
                 u"東京都港区'1-2'; DROP TABLE 物件情報;--"_s);
        QCOMPARE(st.value(5, FieldType::Text), Value::text(QString()));
        QVERIFY(st.value(6, FieldType::Text).isNull());
        QVERIFY(st.value(7, FieldType::Blob).isNull());  // photo bytes only through blob()
        QCOMPARE(st.blobSize(7), qint64(photo.size()));
        QCOMPARE(st.blob(7), photo);
        QVERIFY(!st.step());
        // A currency column holding a whole double (written by another program) still reads.
        RawExec(userDb_, u"UPDATE 物件情報 SET 国税路線価 = 2.5"_s);
        st.reset();
        QVERIFY(st.step());
        QCOMPARE(st.value(0, FieldType::Currency).toDouble(), 2.5);
    }

    void refusedBindsAreErrorsNotNull() {
        Connection con;
        openUser(con);
        RawExec(userDb_, u"INSERT INTO 物件情報 (物件ID, 現場写真) VALUES (1, X'0102')"_s);
        // A photo over SQLite's size limit: the bind fails, and the stored photo stays.
        sqlite3_limit(con.handle(), SQLITE_LIMIT_LENGTH, 1000);
        const QByteArray big(4000, 'x');
        const DbError e = Thrown([&] {
            Transaction tx(con);
            Statement st(con, u"UPDATE 物件情報 SET 現場写真 = ? WHERE 物件ID = 1"_s);
            st.bindBlob(1, big);
            st.run();
            tx.commit();
        });
        QCOMPARE(e.number(), SQLITE_TOOBIG);
        QVERIFY(e.description().startsWith(u"データが大きすぎます。"_s));
        QCOMPARE(RawText(userDb_, u"SELECT hex(現場写真) FROM 物件情報"_s), u"0102"_s);
        // A text over the limit as well.
        QCOMPARE(Thrown([&] {
                     Statement st(con, u"UPDATE 物件情報 SET 備考 = ?"_s);
                     st.bind(1, Value::text(QString(2000, u'あ')));
                 }).number(),
                 SQLITE_TOOBIG);
        // A parameter that is not there.
        QCOMPARE(Thrown([&] {
                     Statement st(con, u"SELECT ?"_s);
                     st.bind(2, Value::integer(1));
                 }).number(),
                 SQLITE_RANGE);
        // A statement SQLite cannot prepare, and one on a closed connection.
        QCOMPARE(Thrown([&] { Statement st(con, u"SELECT ない列 FROM 物件情報"_s); }).number(),
                 SQLITE_ERROR);
        con.close();
        QCOMPARE(Thrown([&] { Statement st(con, u"SELECT 1"_s); }).number(), kObjectClosed);
    }

    void failedStepsChangeNothing() {
        RawExec(userDb_, u"INSERT INTO 物件情報 (物件ID, 住所) VALUES (1, '元')"_s);
        const QByteArray before = ReadFile(userDb_);
        Connection con;
        openUser(con);
        const auto insertOne = [&] {
            Statement st(con, u"INSERT INTO 物件情報 (物件ID, 住所) VALUES (1, '重複')"_s);
            st.run();
        };
        // A key that exists already: constraint.
        const DbError dup = Thrown(insertOne);
        QCOMPARE(dup.number(), 19);
        QVERIFY(dup.description().startsWith(u"データの制約に違反しています。 ("_s));
        // A database that may only be read.
        con.execute(u"PRAGMA query_only = ON"_s);
        QCOMPARE(Thrown([&] {
                     Statement st(con, u"DELETE FROM 物件情報"_s);
                     st.run();
                 }).number(),
                 8);
        con.execute(u"PRAGMA query_only = OFF"_s);
        // A database locked by another program: busy after the wait, nothing written.
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(userDb_).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        con.setBusyWait({0, 300, nullptr});
        QCOMPARE(Thrown([&] { Transaction tx(con); }).number(), 5);
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        con.close();
        QCOMPARE(ReadFile(userDb_), before);
    }

    void readOnlyConnectionsNeverWrite() {
        RawExec(userDb_, u"INSERT INTO 物件情報 (物件ID, 住所) VALUES (1, '元')"_s);
        const QByteArray before = ReadFile(userDb_);
        Connection con;
        con.setReadOnly(true);
        openUser(con);
        Statement read(con, u"SELECT 住所 FROM 物件情報"_s);
        QVERIFY(read.step());
        QCOMPARE(read.value(0, FieldType::Text).toText(), u"元"_s);
        QCOMPARE(Thrown([&] {
                     Statement st(con, u"UPDATE 物件情報 SET 住所 = '変更'"_s);
                     st.run();
                 }).number(),
                 8);
        con.close();
        QCOMPARE(ReadFile(userDb_), before);
    }

    void immutableConnectionsTakeNoLocks() {
        // A name that means something in a URI must still name this very file.
        const QString path = freshUserDb(u"参照 #1?x=%20.mdb"_s);
        RawExec(path, u"INSERT INTO 物件情報 (物件ID, 住所) VALUES (1, '元')"_s);
        const QByteArray before = ReadFile(path);
        // Another connection holds the write lock: a normal reader would be refused, one that
        // takes the file as never changing reads on.
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        Connection con;
        con.setImmutable(true);
        con.setConnectionString(Cs(path));
        con.open();
        Statement read(con, u"SELECT 住所 FROM 物件情報"_s);
        QVERIFY(read.step());
        QCOMPARE(read.value(0, FieldType::Text).toText(), u"元"_s);
        QCOMPARE(Thrown([&] {
                     Statement st(con, u"UPDATE 物件情報 SET 住所 = '変更'"_s);
                     st.run();
                 }).number(),
                 8);
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        con.close();
        QCOMPARE(ReadFile(path), before);
        QCOMPARE(QDir(dir_.path()).entryList({u"参照*"_s}, QDir::Files),
                 QStringList{u"参照 #1?x=%20.mdb"_s});
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
        QCOMPARE(Thrown([&] {
                     Statement st(con, u"UPDATE 物件情報 SET 住所 = '変更'"_s);
                     st.run();
                 }).number(),
                 8);
        con.close();
        QCOMPARE(ReadFile(copy), before);
    }

    void transactionsRollBackUnlessCommitted() {
        RawExec(userDb_, u"INSERT INTO 物件情報 (物件ID, 住所) VALUES (1, 'a'), (2, 'b')"_s);
        Connection con;
        openUser(con);
        const auto run = [&](const QString& sql) {
            Statement st(con, sql);
            st.run();
        };
        {
            Transaction tx(con);
            run(u"DELETE FROM 物件情報 WHERE 物件ID = 1"_s);
            run(u"INSERT INTO 物件情報 (物件ID, 住所) VALUES (3, 'c')"_s);
            // not committed
        }
        const QString all = u"SELECT group_concat(物件ID || 住所) FROM 物件情報"_s;
        QCOMPARE(RawText(userDb_, all), u"1a,2b"_s);
        {
            Transaction tx(con);
            run(u"DELETE FROM 物件情報 WHERE 物件ID = 2"_s);
            tx.commit();
        }
        QCOMPARE(RawText(userDb_, all), u"1a"_s);
        // A failure inside: everything before it is undone too.
        try {
            Transaction tx(con);
            run(u"DELETE FROM 物件情報"_s);
            run(u"INSERT INTO 物件情報 (物件ID) VALUES (5)"_s);
            run(u"INSERT INTO 物件情報 (物件ID) VALUES (5)"_s);  // duplicate key
            tx.commit();
            QFAIL("the duplicate key was accepted");
        } catch (const DbError& e) {
            QCOMPARE(e.number(), 19);
        }
        QCOMPARE(RawText(userDb_, all), u"1a"_s);
        con.close();
        QCOMPARE(Thrown([&] { Transaction tx(con); }).number(), kObjectClosed);
    }

    void badStoredDataNeverThrows() {
        RawExec(userDb_,
                u"INSERT INTO 物件情報 (物件ID, 国税路線価, 敷地面積, 側1路線ランク, "
                u"家屋建築年月日, 評価年月日, 住所) "
                "VALUES (1, 'abc', '12.5', 2.5, 'not a date', '2024-13-01', 42)"_s);
        Connection con;
        openUser(con);
        Statement st(con,
                     u"SELECT 国税路線価, 敷地面積, 側1路線ランク, 家屋建築年月日, "
                     u"評価年月日, 住所 FROM 物件情報"_s);
        QVERIFY(st.step());
        const Value rosenka = st.value(0, FieldType::Currency);
        QCOMPARE(rosenka.kind(), Value::Kind::Text);
        QVERIFY(!rosenka.toCurrency());
        QCOMPARE(st.value(1, FieldType::Double).toDouble(), 12.5);
        QCOMPARE(st.value(2, FieldType::Integer).kind(), Value::Kind::Double);
        QCOMPARE(st.value(2, FieldType::Integer).toInt32(), 2);
        QCOMPARE(st.value(3, FieldType::Date), Value::text(u"not a date"_s));
        QVERIFY(!st.value(3, FieldType::Date).toDate());
        QCOMPARE(st.value(4, FieldType::Date), Value::text(u"2024-13-01"_s));
        QCOMPARE(st.value(5, FieldType::Text).toText(), u"42"_s);
    }

    void declaredTypes() {
        QCOMPARE(TypeFromDeclared(u"CURRENCY"_s), FieldType::Currency);
        QCOMPARE(TypeFromDeclared(u"double"_s), FieldType::Double);
        QCOMPARE(TypeFromDeclared(u"INTEGER"_s), FieldType::Integer);
        QCOMPARE(TypeFromDeclared(u"DATE"_s), FieldType::Date);
        QCOMPARE(TypeFromDeclared(u"TEXT"_s), FieldType::Text);
        QCOMPARE(TypeFromDeclared(u"BLOB"_s), FieldType::Blob);
        QCOMPARE(TypeFromDeclared(QString()), FieldType::Other);
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

    void shippedReferenceDatabase() {
        const QString path = QStringLiteral(IE_BIN_DIR "/Morinaxis_s.mdb");
        const QByteArray before = ReadFile(path);
        QVERIFY(!before.isEmpty());
        Connection con;
        con.setConnectionString(Cs(path));
        con.open();
        const auto one = [&](const QString& sql) {
            Statement st(con, sql);
            return st.step() ? st.value(0, FieldType::Other) : Value::text(u"<no row>"_s);
        };
        QCOMPARE(one(u"SELECT count(*) FROM 土地時点修正率"_s).toInt32(), 47);
        QCOMPARE(one(u"SELECT 都道府県名 FROM 土地時点修正率 ORDER BY rowid"_s).toText(),
                 u"北海道"_s);
        QCOMPARE(one(u"SELECT 都道府県名 FROM 土地時点修正率 WHERE 都道府県ID = 13"_s).toText(),
                 u"東京都"_s);
        QCOMPARE(one(u"SELECT 時点修正率 FROM 土地時点修正率 WHERE 都道府県ID = 13"_s).toDouble(),
                 0.046);
        QCOMPARE(one(u"SELECT 時点修正率 FROM 土地時点修正率 WHERE 都道府県ID = 45"_s).toText(),
                 u"0"_s);
        QCOMPARE(one(u"SELECT 都道府県名 FROM 土地時点修正率 ORDER BY rowid DESC"_s).toText(),
                 u"沖縄県"_s);
        QCOMPARE(one(u"SELECT count(*) FROM 崖地補正率"_s).toInt32(), 11);
        QCOMPARE(one(u"SELECT ランク FROM 崖地補正率 ORDER BY rowid"_s).toInt32(), -1);
        QCOMPARE(one(u"SELECT 数値下限 FROM 崖地補正率 WHERE ランク = 1"_s).toText(), u"10"_s);
        QCOMPARE(one(u"SELECT 補正率 FROM 崖地補正率 WHERE ランク = 1"_s).toDouble(), 0.95);
        QCOMPARE(one(u"SELECT 補正率 FROM 家屋経年減点補正率 WHERE ランク = 35"_s).toDouble(),
                 0.05);
        QCOMPARE(one(u"SELECT 補正率 FROM 家屋経年減点補正率 WHERE ランク = 10"_s).toText(),
                 u"0.721"_s);
        QCOMPARE(one(u"SELECT max(ランク) FROM 家屋経年減点補正率"_s).toInt32(), 35);
        QCOMPARE(one(u"SELECT 補正率 FROM 側１路線補正率 WHERE ランク = 1"_s).toDouble(), 1.03);
        QCOMPARE(one(u"SELECT 補正率 FROM 側２路線補正率 WHERE ランク = 0"_s).toDouble(), 1.0);
        QCOMPARE(one(u"SELECT 坪単価 FROM 家屋構造別坪単価 WHERE 構造CD = 1"_s).toText(),
                 u"674711"_s);

        // Every rank table holds its ranks without gaps and no Null or zero rate; the sources
        // name every one of them.
        const QStringList rankTables = {
            u"側１路線補正率"_s, u"側２路線補正率"_s,    u"背面路線補正率"_s, u"南道路補正率"_s,
            u"間口狭小補正率"_s, u"高圧線下補正率"_s,    u"無道路地補正率"_s, u"奥行長大補正率"_s,
            u"不整形補正率"_s,   u"家屋経年減点補正率"_s};
        QCOMPARE(one(u"SELECT count(*) FROM データ出典"_s).toInt32(), 25);
        // The official way's tables: each has its source too.
        for (const QString& table :
             {u"地区区分"_s, u"付表1奥行価格補正率"_s, u"付表2側方路線影響加算率"_s,
              u"付表3二方路線影響加算率"_s, u"付表4地積区分"_s, u"付表5不整形地補正率"_s,
              u"付表6間口狭小補正率"_s, u"付表7奥行長大補正率"_s, u"付表8がけ地補正率"_s,
              u"付表9特別警戒区域補正率"_s, u"規模格差補正率"_s}) {
            Statement source(con, u"SELECT count(*) FROM データ出典 WHERE 表名 = ?"_s);
            source.bind(1, Value::text(table));
            QVERIFY(source.step());
            QVERIFY2(source.value(0, FieldType::Integer).toInt32() == 1, qPrintable(table));
        }
        for (const QString& table : rankTables) {
            Statement st(con, u"SELECT ランク, 補正率 FROM "_s + table + u" ORDER BY rowid"_s);
            int expectRank = 0;
            while (st.step()) {
                QCOMPARE(st.value(0, FieldType::Integer).toInt32(), expectRank++);
                QVERIFY(st.value(1, FieldType::Double).toDouble().value_or(0) != 0);
            }
            QVERIFY2(expectRank >= 2, qPrintable(table));
            Statement source(con, u"SELECT count(*) FROM データ出典 WHERE 表名 = ?"_s);
            source.bind(1, Value::text(table));
            QVERIFY(source.step());
            QVERIFY2(source.value(0, FieldType::Integer).toInt32() == 1, qPrintable(table));
        }
        con.close();
        QCOMPARE(ReadFile(path), before);  // reading never writes
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_platform_database.moc"
