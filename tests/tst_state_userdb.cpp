// The user database's version: an older file upgraded after a dated backup and equal to a new one,
// a later version's file only ever read, a failed upgrade leaving the file as it was, and what the
// main window does with each at start-up.
#include "app/FrmMain.h"
#include "app/ModGlobal.h"
#include "common/AppError.h"
#include "platform/Database.h"
#include "records/FrmData.h"
#include "state/UserDatabase.h"
#include "support/RunningProgram.h"
#include "support/TestFolder.h"

#include <sqlite3.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>

using namespace ie;
using namespace Qt::Literals::StringLiterals;
using ie::test::ReadAll;
using ie::test::TestFolder;
using ie::test::WriteAll;

namespace {

const QDate kToday(2026, 12, 7);

QByteArray Photo() {
    QByteArray bytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    for (int i = 0; i < 5000; ++i)
        bytes.append(static_cast<char>(i % 7 == 0 ? 0 : i % 251));
    return bytes;
}

bool Exec(sqlite3* db, const QString& sql) {
    return sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

// A file as today's schema makes it, with two properties, and with the given user_version.
void MakeVersion1(const QString& path, int userVersion = 0) {
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    QVERIFY(Exec(db, QString::fromUtf8(ReadAll(QStringLiteral(IE_SOURCE_DIR "/data/user.sql")))));
    sqlite3_stmt* st = nullptr;
    QCOMPARE(sqlite3_prepare_v2(db,
                                "INSERT INTO 物件情報 (物件ID, 住所, 備考, 国税路線価, 敷地面積, "
                                "家屋建築年月日, 現場写真) VALUES (?, ?, ?, ?, ?, ?, ?)",
                                -1, &st, nullptr),
             SQLITE_OK);
    const QByteArray photo = Photo();
    const QByteArray address = QStringLiteral("東京都世田谷区 O'Brien 三丁目").toUtf8();
    const QByteArray note = QStringLiteral("日当たり良好\n南向き").toUtf8();
    sqlite3_bind_int(st, 1, 1);
    sqlite3_bind_text(st, 2, address.constData(), int(address.size()), SQLITE_STATIC);
    sqlite3_bind_text(st, 3, note.constData(), int(note.size()), SQLITE_STATIC);
    sqlite3_bind_int64(st, 4, 1'500'000'000);
    sqlite3_bind_double(st, 5, 123.45);
    sqlite3_bind_text(st, 6, "2015-04-01", -1, SQLITE_STATIC);
    sqlite3_bind_blob(st, 7, photo.constData(), int(photo.size()), SQLITE_STATIC);
    QCOMPARE(sqlite3_step(st), SQLITE_DONE);
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    // Empty text, not Null, and no photo.
    sqlite3_bind_int(st, 1, 2);
    sqlite3_bind_text(st, 2, "大阪府", -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 3, "", 0, SQLITE_STATIC);
    QCOMPARE(sqlite3_step(st), SQLITE_DONE);
    sqlite3_finalize(st);
    QVERIFY(Exec(db, QStringLiteral("PRAGMA user_version = %1").arg(userVersion)));
    sqlite3_close(db);
}

// Every row, every column as its storage class and bytes.
QList<QByteArray> Rows(const QString& path) {
    QList<QByteArray> out;
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM 物件情報 ORDER BY 物件ID", -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
        QByteArray row;
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            const int type = sqlite3_column_type(st, c);
            const auto* bytes = static_cast<const char*>(sqlite3_column_blob(st, c));
            row += QByteArray::number(type) + ':' +
                   QByteArray(bytes, sqlite3_column_bytes(st, c)).toHex() + '|';
        }
        out << row;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

QString Query(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    QStringList out;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            QStringList row;
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
            out << row.join(QLatin1Char('|'));
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out.join(QLatin1Char('\n'));
}

QString Schema(const QString& path) {
    return Query(path, "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY type, name");
}

QByteArray Hash(const QString& path) {
    return QCryptographicHash::hash(ReadAll(path), QCryptographicHash::Sha256);
}

QStringList FolderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                  QDir::Name);
}

QString RefusedPrefix(const QString& path) {
    return QStringLiteral("ユーザーデータベース") + QDir::toNativeSeparators(path) +
           QStringLiteral("を新しい版に更新できません。\r");
}

}  // namespace

class TestUserDb : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void upgradeKeepsRowsAndMatchesNewFile_data();
    void upgradeKeepsRowsAndMatchesNewFile();
    void backupNeverReplacesAnEarlierOne();
    void newerFileIsOnlyRead();
    void failedUpgradeLeavesFileAsItWas_data();
    void failedUpgradeLeavesFileAsItWas();
    void newFilesAndCopiesNeverReplace();
    void startUpByVersion_data();
    void startUpByVersion();
};

void TestUserDb::upgradeKeepsRowsAndMatchesNewFile_data() {
    QTest::addColumn<int>("userVersion");
    QTest::newRow("no version") << 0;
    QTest::newRow("version 1") << 1;
}

void TestUserDb::upgradeKeepsRowsAndMatchesNewFile() {
    QFETCH(int, userVersion);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Morinaxis_u.mdb"));
    MakeVersion1(path, userVersion);
    const QByteArray before = ReadAll(path);
    const QList<QByteArray> rows = Rows(path);
    QCOMPARE(rows.size(), 2);
    QVERIFY(rows[0].contains(Photo().toHex()));
    QCOMPARE(ReadUserDbVersion(path), 1);

    const UserDbCheck check = PrepareUserDatabase(path, kToday);
    QCOMPARE(check.state, UserDbCheck::State::Upgraded);
    QCOMPARE(check.version, 1);
    QVERIFY(check.message.isEmpty());
    QCOMPARE(check.backupPath, path + QStringLiteral(".bak-20261207"));
    QCOMPARE(ReadAll(check.backupPath), before);
    QCOMPARE(Rows(path), rows);

    // Equal to a new file, made by the program and by the build tool.
    const QString made = dir.filePath(QStringLiteral("made.mdb"));
    CreateUserDatabase(made);
    const QString built = dir.filePath(QStringLiteral("built.mdb"));
    QCOMPARE(QProcess::execute(QStringLiteral(IE_BIN_DIR "/../tools/ie_mkdb"),
                               {QStringLiteral("--user"), built}),
             0);
    for (const QString& fresh : {made, built}) {
        QCOMPARE(Schema(path), Schema(fresh));
        QCOMPARE(Query(path, "PRAGMA user_version"), Query(fresh, "PRAGMA user_version"));
        QCOMPARE(Query(fresh, "PRAGMA page_size"), QStringLiteral("65536"));
        QVERIFY(Rows(fresh).isEmpty());
    }
    QCOMPARE(Query(path, "PRAGMA user_version").toInt(), UserDbVersion());
    QVERIFY(Schema(path).contains(QStringLiteral("物件情報_物件ID")));

    // The next start finds nothing to do and makes no second backup.
    const QByteArray upgraded = ReadAll(path);
    QCOMPARE(PrepareUserDatabase(path, kToday).state, UserDbCheck::State::Current);
    QCOMPARE(ReadAll(path), upgraded);
    QCOMPARE(FolderEntries(dir.path()),
             (QStringList{QStringLiteral("Morinaxis_u.mdb"),
                          QStringLiteral("Morinaxis_u.mdb.bak-20261207"),
                          QStringLiteral("built.mdb"), QStringLiteral("made.mdb")}));
}

void TestUserDb::backupNeverReplacesAnEarlierOne() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Morinaxis_u.mdb"));
    MakeVersion1(path);
    const QByteArray before = ReadAll(path);
    QVERIFY(WriteAll(path + QStringLiteral(".bak-20261207"), "earlier backup"));
    QVERIFY(QDir().mkdir(path + QStringLiteral(".bak-20261207-2")));

    const UserDbCheck check = PrepareUserDatabase(path, kToday);
    QCOMPARE(check.state, UserDbCheck::State::Upgraded);
    QCOMPARE(check.backupPath, path + QStringLiteral(".bak-20261207-3"));
    QCOMPARE(ReadAll(check.backupPath), before);
    QCOMPARE(ReadAll(path + QStringLiteral(".bak-20261207")), QByteArray("earlier backup"));
    QVERIFY(QFileInfo(path + QStringLiteral(".bak-20261207-2")).isDir());
}

void TestUserDb::newerFileIsOnlyRead() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Morinaxis_u.mdb"));
    MakeVersion1(path, UserDbVersion() + 1);
    const QByteArray hash = Hash(path);

    const UserDbCheck check = PrepareUserDatabase(path, kToday);
    QCOMPARE(check.state, UserDbCheck::State::ReadOnly);
    QCOMPARE(check.version, UserDbVersion() + 1);
    QCOMPARE(check.message,
             QStringLiteral("このユーザーデータベースは新しい版のいえねだん帳で作られています。"
                            "読み取り専用で開きます（保存・削除はできません）。"));
    QVERIFY(check.backupPath.isEmpty());

    // A read-only connection reads the rows, and its writes fail without touching the file.
    db::Connection con;
    con.setConnectionString(QStringLiteral("Data Source=") + path);
    con.setReadOnly(true);
    con.open();
    db::Recordset rs;
    rs.open(QStringLiteral("物件情報"), con);
    QCOMPARE(rs.recordCount(), 2);
    QCOMPARE(rs.readBlob(QStringLiteral("現場写真")), Photo());
    rs.setValue(QStringLiteral("住所"), db::Value::text(QStringLiteral("書き換え")));
    QVERIFY_THROWS_EXCEPTION(db::DbError, rs.update());
    rs.cancelUpdate();
    QVERIFY_THROWS_EXCEPTION(db::DbError, rs.deleteCurrent());
    con.close();

    QCOMPARE(Hash(path), hash);
    QCOMPARE(FolderEntries(dir.path()), QStringList{QStringLiteral("Morinaxis_u.mdb")});
}

void TestUserDb::failedUpgradeLeavesFileAsItWas_data() {
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("cause");
    QTest::newRow("a step fails after writing") << u"step"_s << u"the step failed"_s;
    QTest::newRow("no room for the backup") << u"copy"_s << u"(No space left on device)"_s;
    QTest::newRow("damaged file") << u"damaged"_s << u"データベースファイルが壊れています。"_s;
}

void TestUserDb::failedUpgradeLeavesFileAsItWas() {
    QFETCH(QString, failure);
    QFETCH(QString, cause);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Morinaxis_u.mdb"));
    MakeVersion1(path);
    UserDbUpgrade how;
    if (failure == u"step"_s) {
        // Several megabytes, more than SQLite's page cache holds: pages reach the file before the
        // step fails, and the rollback has to put them back.
        how.steps.push_back({UserDbVersion() + 1, [](db::Connection& con) {
                                 con.execute(u"ALTER TABLE 物件情報 ADD COLUMN 追加 TEXT"_s);
                                 con.execute(u"UPDATE 物件情報 SET 現場写真 = zeroblob(8000000)"_s);
                                 throw AppError(1, u"the step failed"_s);
                             }});
    } else if (failure == u"copy"_s) {
        how.copy = [](const QString&, const QString&) {
            throw AppError(errors::kFileIo,
                           u"控えのファイルに書き込めません。(No space left on device)"_s);
        };
    } else {
        // The table's first page (page 2 of 64 KB) gets a page type that does not exist.
        QByteArray bytes = ReadAll(path);
        QVERIFY(bytes.size() > 65536 * 2);
        bytes[65536] = '\x42';
        QVERIFY(WriteAll(path, bytes));
    }
    const QByteArray hash = Hash(path);

    const UserDbCheck check = PrepareUserDatabase(path, kToday, how);
    QCOMPARE(check.state, UserDbCheck::State::ReadOnly);
    QVERIFY2(check.message.startsWith(RefusedPrefix(path)), qPrintable(check.message));
    QVERIFY2(check.message.contains(cause), qPrintable(check.message));
    QVERIFY(check.message.endsWith(u"\r読み取り専用で開きます（保存・削除はできません）。"_s));
    QCOMPARE(Hash(path), hash);
    // Neither a backup nor a journal is left behind.
    QCOMPARE(FolderEntries(dir.path()), QStringList{QStringLiteral("Morinaxis_u.mdb")});
}

void TestUserDb::newFilesAndCopiesNeverReplace() {
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("existing"));
    QVERIFY(WriteAll(existing, "keep me"));
    QVERIFY_THROWS_EXCEPTION(AppError, CreateUserDatabase(existing));
    QCOMPARE(ReadAll(existing), QByteArray("keep me"));

    const QString source = dir.filePath(QStringLiteral("source"));
    QVERIFY(WriteAll(source, QByteArray("a\0b", 3)));
    try {
        CopyToNewFile(source, existing);
        QFAIL("copied over an existing file");
    } catch (const AppError& e) {
        QVERIFY2(e.description().contains(QDir::toNativeSeparators(existing)),
                 qPrintable(e.description()));
    }
    QCOMPARE(ReadAll(existing), QByteArray("keep me"));
    const QString missingFolder = dir.filePath(QStringLiteral("no-such-folder/copy"));
    QVERIFY_THROWS_EXCEPTION(AppError, CopyToNewFile(source, missingFolder));
    QVERIFY(!QFileInfo::exists(missingFolder));
    CopyToNewFile(source, dir.filePath(QStringLiteral("copy")));
    QCOMPARE(ReadAll(dir.filePath(QStringLiteral("copy"))), QByteArray("a\0b", 3));
}

void TestUserDb::startUpByVersion_data() {
    QTest::addColumn<bool>("newer");
    QTest::newRow("older file") << false;
    QTest::newRow("newer file") << true;
}

void TestUserDb::startUpByVersion() {
    QFETCH(bool, newer);
    TestFolder folder;
    QFile::remove(folder.usrDb());
    MakeVersion1(folder.usrDb(), newer ? UserDbVersion() + 1 : 0);
    const QByteArray hash = Hash(folder.usrDb());
    ie::test::RunningProgram p(folder, kToday);
    QVERIFY(p.start());
    QCOMPARE(p.g.UsrDbReadOnly, newer);
    QCOMPARE(p.g.Bukken.UsrRecCount, 2);
    const QString backup = folder.usrDb() + QStringLiteral(".bak-20261207");
    if (newer) {
        QCOMPARE(p.ui.texts(), QStringList{NewerUserDbMessage()});
        QCOMPARE(p.ui.shown[0].icon, MsgIcon::Exclamation);
        QVERIFY(!QFileInfo::exists(backup));
    } else {
        QVERIFY(p.ui.shown.empty());
        QCOMPARE(Hash(backup), hash);
        QCOMPARE(ReadUserDbVersion(folder.usrDb()), UserDbVersion());
    }

    // A calculation is what offers saving.
    p.w->TxtRosenka->setText(QStringLiteral("150,000"));
    p.w->TxtTotiMenseki->setText(QStringLiteral("100"));
    p.w->CmdCalcLandPrise->click();
    QVERIFY(!p.w->TxtTotiKakaku->text().isEmpty());
    QCOMPARE(p.w->CmdSave->isEnabled(), !newer);

    // In the list a selected row can be read but not deleted; reading it does not offer saving.
    bool listShown = false;
    QTimer::singleShot(0, p.w.get(), [&] {
        auto* list = qobject_cast<FrmData*>(QApplication::activeModalWidget());
        if (!list)
            return;
        listShown = true;
        list->DataGrid1->selectRow(0);
        QVERIFY(list->CmdRead->isEnabled());
        QCOMPARE(list->CmdDel->isEnabled(), !newer);
        list->CmdRead->click();
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, p.w.get(), [] {
        if (QWidget* m = QApplication::activeModalWidget())
            m->close();
    });
    guard.start(5000);
    p.w->mnuSearch->trigger();
    QVERIFY(listShown);
    QVERIFY(p.g.Bukken.BukkenRead);
    QCOMPARE(p.w->CmdSave->isEnabled(), !newer);
    p.w->close();
    if (newer)
        QCOMPARE(Hash(folder.usrDb()), hash);
    QVERIFY(p.ui.unexpected.isEmpty());
}

QTEST_MAIN(TestUserDb)
#include "tst_state_userdb.moc"
