// The user database's version: an older file upgraded after a dated backup and equal to a new one,
// a later version's file only ever read, a failed upgrade leaving the file as it was, and what the
// main window does with each at start-up.
#include "app/FrmMain.h"
#include "common/AppError.h"
#include "platform/Database.h"
#include "platform/WriteFailure.h"
#include "records/FrmData.h"
#include "state/ModGlobal.h"
#include "state/PropertyStore.h"
#include "state/UserDatabase.h"
#include "support/FileSizeLimit.h"
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

#include <cerrno>
#include <csignal>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ie;
using namespace Qt::Literals::StringLiterals;
using ie::test::ExecSql;
using ie::test::ReadAll;
using ie::test::TestFolder;
using ie::test::WriteAll;

namespace {

const QDate kToday(2026, 12, 7);
const QByteArray kPhoto = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16).repeated(300);

// Every row of a query, each value as text (a blob as hex, Null as NULL), rows on lines.
QString Query(const QString& path, const QString& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    QStringList rows;
    sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
        QStringList row;
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            const auto* bytes = static_cast<const char*>(sqlite3_column_blob(st, c));
            const QByteArray value(bytes, sqlite3_column_bytes(st, c));
            const int type = sqlite3_column_type(st, c);
            row << (type == SQLITE_NULL   ? u"NULL"_s
                    : type == SQLITE_BLOB ? QString::fromLatin1(value.toHex())
                                          : QString::fromUtf8(value));
        }
        rows << row.join(QLatin1Char('|'));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows.join(QLatin1Char('\n'));
}

// A file made by today's schema, with two properties and the given user_version.
void MakeVersion1(const QString& path, int userVersion = 0) {
    QVERIFY(
        ExecSql(path, QString::fromUtf8(ReadAll(QStringLiteral(IE_SOURCE_DIR "/data/user.sql")))));
    QVERIFY(
        ExecSql(path,
                u"INSERT INTO 物件情報 (物件ID, 住所, 備考, 国税路線価, 敷地面積, 家屋建築年月日, "
                "現場写真) VALUES (1, '世田谷区 O''Brien 三丁目', '日当たり良好\n南向き', "
                "1500000000, 123.45, '2015-04-01', X'"_s +
                    QString::fromLatin1(kPhoto.toHex()) +
                    u"'), (2, '大阪府', '', NULL, NULL, NULL, NULL);"
                    "PRAGMA user_version = %1"_s.arg(userVersion)));
}

// The version-1 rows in a file of a later version: it has every column of this one, and one more
// of its own.
void MakeNewerFile(const QString& path) {
    MakeVersion1(path, 1);
    QCOMPARE(PrepareUserDatabase(path, QDate(2026, 1, 1)).state, UserDbCheck::State::Upgraded);
    QVERIFY(QFile::remove(path + u".bak-20260101"_s));
    QVERIFY(ExecSql(path,
                    u"ALTER TABLE 物件情報 ADD COLUMN 後の列 TEXT;"
                    u"PRAGMA user_version = %1"_s.arg(UserDbVersion() + 1)));
}

// Every column of the version-1 layout: later steps only add columns, which start as Null.
const QString kRows =
    u"SELECT 物件ID,国税路線価,敷地面積,側1路線ランク,側2路線ランク,裏面路線ランク,"
    u"無道路地ランク,南道路ランク,その他ランク,間口狭小ランク,奥行長大ランク,不整形ランク,"
    u"崖地ランク,高圧線下ランク,年間地価変動率,画地補正率,敷地評価額,坪単価,延床面積,"
    u"家屋建築年月日,家屋評価額,評価年月日,住所,販売会社名,担当者名,電話番号,敷地販売価格,"
    u"家屋販売価格,合計販売価格,備考,現場写真 FROM 物件情報 ORDER BY 物件ID"_s;
const QString kSchema = u"SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY name"_s;

QByteArray Hash(const QString& path) {
    return QCryptographicHash::hash(ReadAll(path), QCryptographicHash::Sha256);
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                  QDir::Name);
}

}  // namespace

class TestUserDb : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void upgradeKeepsRowsAndMatchesNewFile_data();
    void upgradeKeepsRowsAndMatchesNewFile();
    void oldPropertyKeepsItsLotFactor();
    void backupNeverReplacesAnEarlierOne();
    void newerFileIsOnlyRead();
    void newerFileWithHotJournalIsNeverRolledBack();
    void failedUpgradeLeavesFileAsItWas_data();
    void failedUpgradeLeavesFileAsItWas();
    void interruptedUpgradeIsFinished_data();
    void interruptedUpgradeIsFinished();
    void laterStepFailureKeepsEarlierSteps();
    void newFilesAndCopiesNeverReplace();
    void startUpByVersion_data();
    void startUpByVersion();
};

void TestUserDb::upgradeKeepsRowsAndMatchesNewFile_data() {
    QTest::addColumn<int>("userVersion");
    QTest::newRow("no version") << 0;
    QTest::newRow("version 1") << 1;
    QTest::newRow("version 4") << 4;
}

void TestUserDb::upgradeKeepsRowsAndMatchesNewFile() {
    QFETCH(int, userVersion);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Morinaxis_u.mdb"_s);
    MakeVersion1(path, std::min(userVersion, 1));
    if (userVersion == 4) {
        QVERIFY(ExecSql(path,
                        u"ALTER TABLE 物件情報 ADD COLUMN 家屋構造CD INTEGER;"
                        "ALTER TABLE 物件情報 ADD COLUMN 路線価年度 DATE;"
                        "PRAGMA user_version = 4"_s));
    }
    const QByteArray before = ReadAll(path);
    const QString rows = Query(path, kRows);
    QVERIFY(rows.contains(QString::fromLatin1(kPhoto.toHex())) && rows.contains(u"|NULL|"_s));

    const UserDbCheck check = PrepareUserDatabase(path, kToday);
    QCOMPARE(check.state, UserDbCheck::State::Upgraded);
    QCOMPARE(check.backupPath, path + u".bak-20261207"_s);
    QCOMPARE(ReadAll(check.backupPath), before);
    QCOMPARE(Query(path, kRows), rows);
    // Rows saved before the change counter have none: read as 0, so the next save is no conflict.
    QCOMPARE(Query(path, u"SELECT typeof(更新回数) FROM 物件情報"_s), u"null\nnull"_s);
    {
        db::Connection con;
        con.setConnectionString(u"Data Source="_s + path);
        con.open();
        PropertyStore store(con);
        const std::optional<StoredProperty> row = store.load(1, BukkenJoho(), kToday);
        QCOMPARE(store.update(1, row->record, row->photo), UpdateOutcome::Saved);
        QCOMPARE(store.changeCount(1), std::optional<qint64>(1));
        QCOMPARE(store.load(1, BukkenJoho(), kToday)->photo, std::optional<QByteArray>(kPhoto));
        // IDs go on above those the file holds, and one deleted is never given again.
        QCOMPARE(store.insert(BukkenJoho(), std::nullopt), 3);
        store.remove({2, 3});
        QCOMPARE(store.insert(BukkenJoho(), std::nullopt), 4);
        QCOMPARE(store.ids(), (std::vector<qint32>{1, 4}));
    }

    // The same as a new file, whether the program or the build tool makes it.
    const QString made = dir.filePath(u"made.mdb"_s), built = dir.filePath(u"built.mdb"_s);
    CreateUserDatabase(made);
    QCOMPARE(QProcess::execute(u"" IE_BIN_DIR "/../tools/ie_mkdb"_s, {u"--user"_s, built}), 0);
    for (const QString& fresh : {made, built}) {
        QCOMPARE(Query(fresh, kSchema), Query(path, kSchema));
        QCOMPARE(Query(fresh, u"PRAGMA user_version"_s), QString::number(UserDbVersion()));
        QCOMPARE(Query(fresh, u"PRAGMA page_size"_s), u"65536"_s);
    }
    QCOMPARE(Query(path, u"PRAGMA user_version"_s), QString::number(UserDbVersion()));

    // The next start has nothing to do and makes no second backup.
    const QByteArray upgraded = ReadAll(path);
    QCOMPARE(PrepareUserDatabase(path, kToday).state, UserDbCheck::State::Current);
    QCOMPARE(ReadAll(path), upgraded);
    QCOMPARE(Entries(dir.path()),
             (QStringList{u"Morinaxis_u.mdb"_s, u"Morinaxis_u.mdb.bak-20261207"_s, u"built.mdb"_s,
                          u"made.mdb"_s}));
}

void TestUserDb::oldPropertyKeepsItsLotFactor() {
    // A property of the quick way, saved by a version-6 program.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Morinaxis_u.mdb"_s);
    MakeVersion1(path, 1);
    std::vector<UserDbStep> upToSix;
    for (const UserDbStep& step : UserDbSteps()) {
        if (step.version <= 6)
            upToSix.push_back(step);
    }
    QCOMPARE(upToSix.back().version, 6);
    UserDbUpgrade six;
    six.steps = upToSix;
    QCOMPARE(PrepareUserDatabase(path, kToday, six).state, UserDbCheck::State::Upgraded);
    QVERIFY(ExecSql(path,
                    u"UPDATE 物件情報 SET 画地補正率 = 0.8643, 側1路線ランク = 1, "
                    "不整形ランク = 3 WHERE 物件ID = 1"_s));
    QVERIFY(QFile::remove(path + u".bak-20261207"_s));

    QCOMPARE(PrepareUserDatabase(path, kToday).state, UserDbCheck::State::Upgraded);
    QCOMPARE(Query(path,
                   u"SELECT typeof(画地補正方式), typeof(間口距離) FROM 物件情報 "
                   "WHERE 物件ID = 1"_s),
             u"null|null"_s);
    db::Connection con;
    con.setConnectionString(u"Data Source="_s + path);
    con.open();
    PropertyStore store(con);
    BukkenJoho current;
    current.LotMethod = 1;  // whatever the worksheet held before the load
    current.Frontage = 9;
    const BukkenJoho loaded = store.load(1, current, kToday)->record;
    QCOMPARE(loaded.LotMethod, 0);
    QCOMPARE(loaded.Frontage, 0.0);
    QCOMPARE(loaded.KakutiHoseiRitu, 0.8643);
    QCOMPARE(loaded.Sokumen1Rank, 1);
    QCOMPARE(loaded.FuseikeiRank, 3);
    QCOMPARE(loaded.TotiMenseki, 123.45);
}

void TestUserDb::backupNeverReplacesAnEarlierOne() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Morinaxis_u.mdb"_s);
    MakeVersion1(path);
    const QByteArray before = ReadAll(path);
    QVERIFY(WriteAll(path + u".bak-20261207"_s, "earlier backup"));
    QVERIFY(QDir().mkdir(path + u".bak-20261207-2"_s));

    const UserDbCheck check = PrepareUserDatabase(path, kToday);
    QCOMPARE(check.backupPath, path + u".bak-20261207-3"_s);
    QCOMPARE(ReadAll(check.backupPath), before);
    QCOMPARE(ReadAll(path + u".bak-20261207"_s), QByteArray("earlier backup"));
}

void TestUserDb::newerFileIsOnlyRead() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Morinaxis_u.mdb"_s);
    MakeNewerFile(path);
    const QByteArray hash = Hash(path);

    const UserDbCheck check = PrepareUserDatabase(path, kToday);
    QCOMPARE(check.state, UserDbCheck::State::ReadOnly);
    QCOMPARE(check.message,
             u"このユーザーデータベースは新しい版のいえねだん帳で作られています。"
             "読み取り専用で開きます（保存・削除はできません）。"_s);

    // A read-only connection reads, and its writes fail without touching the file.
    db::Connection con;
    con.setConnectionString(u"Data Source="_s + path);
    con.setReadOnly(true);
    con.open();
    PropertyStore store(con);
    const std::optional<StoredProperty> row = store.load(store.ids().front(), BukkenJoho(), kToday);
    QVERIFY(row);
    QCOMPARE(row->photo, std::optional<QByteArray>(kPhoto));
    QVERIFY_THROWS_EXCEPTION(db::DbError, store.update(row->record.BukkenID, row->record, kPhoto));
    QVERIFY_THROWS_EXCEPTION(db::DbError, store.remove({row->record.BukkenID}));
    con.close();
    QCOMPARE(Hash(path), hash);
    QCOMPARE(Entries(dir.path()), QStringList{u"Morinaxis_u.mdb"_s});
}

// A later version's copy was killed mid-save: its journal is for that version to roll back, never
// for this one.
void TestUserDb::newerFileWithHotJournalIsNeverRolledBack() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Morinaxis_u.mdb"_s);
    const QString journal = path + u"-journal"_s;
    MakeNewerFile(path);
    const pid_t pid = fork();
    if (pid == 0) {
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(path).constData(), &db);
        sqlite3_exec(db, "BEGIN; UPDATE 物件情報 SET 現場写真 = zeroblob(8000000)", nullptr,
                     nullptr, nullptr);
        _exit(9);
    }
    int status = 0;
    QCOMPARE(waitpid(pid, &status, 0), pid);
    QVERIFY(QFileInfo(journal).size() > 0);
    const QByteArray file = Hash(path), hot = Hash(journal);

    const UserDbCheck check = PrepareUserDatabase(path, kToday);
    QCOMPARE(check.state, UserDbCheck::State::ReadOnly);
    QCOMPARE(check.message, NewerUserDbMessage());
    // The read-only connection the program then opens reads nothing it would have to roll back.
    db::Connection con;
    con.setConnectionString(u"Data Source="_s + path);
    con.setReadOnly(true);
    try {
        con.open();
        PropertyStore(con).count();
    } catch (const AppError&) {
    }
    con.close();
    QCOMPARE(Hash(path), file);
    QCOMPARE(Hash(journal), hot);
}

void TestUserDb::failedUpgradeLeavesFileAsItWas_data() {
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("cause");
    QTest::newRow("a step fails after writing") << u"step"_s << u"\rthe step failed\r"_s;
    QTest::newRow("no room for the backup") << u"copy"_s << u"(No space left on device)"_s;
    // A real short write: the cause in the words of every other failed write.
    QTest::newRow("full disk under the backup")
        << u"full"_s << u"に書き込めません。("_s + WriteCauseOfErrno(EFBIG) + u")"_s;
    QTest::newRow("damaged file") << u"damaged"_s << u"\rデータベースファイルが壊れています。\r"_s;
}

void TestUserDb::failedUpgradeLeavesFileAsItWas() {
    QFETCH(QString, failure);
    QFETCH(QString, cause);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Morinaxis_u.mdb"_s);
    MakeVersion1(path);
    UserDbUpgrade how;
    if (failure == u"step"_s) {
        // The file is current but for one step, so that the failing step is the first to run.
        QCOMPARE(PrepareUserDatabase(path, kToday.addDays(-1)).state, UserDbCheck::State::Upgraded);
        QVERIFY(QFile::remove(path + u".bak-20261206"_s));
        // More than SQLite's page cache holds, so that pages reach the file before the failure.
        how.steps.push_back({UserDbVersion() + 1, [](db::Connection& con) {
                                 con.execute(u"ALTER TABLE 物件情報 ADD COLUMN 追加 TEXT"_s);
                                 con.execute(u"UPDATE 物件情報 SET 現場写真 = zeroblob(8000000)"_s);
                                 throw AppError(1, u"the step failed"_s);
                             }});
    } else if (failure == u"copy"_s) {
        how.copy = [](const QString&, const QString&) {
            throw AppError(errors::kFileIo, u"控えに書き込めません。(No space left on device)"_s);
        };
    } else if (failure == u"full"_s) {
        how.copy = [](const QString& from, const QString& to) {
            const ie::test::FileSizeLimit limit(40000);
            CopyToNewFile(from, to);
        };
    } else {
        // The table's first page (page 2 of 64 KB) gets a page type that does not exist.
        QByteArray bytes = ReadAll(path);
        bytes[65536] = '\x42';
        QVERIFY(WriteAll(path, bytes));
    }
    const QByteArray hash = Hash(path);

    const UserDbCheck check = PrepareUserDatabase(path, kToday, how);
    QCOMPARE(check.state, UserDbCheck::State::ReadOnly);
    QVERIFY2(check.message.startsWith(u"ユーザーデータベース"_s + QDir::toNativeSeparators(path) +
                                      u"を新しい版に更新できません。\r"_s) &&
                 check.message.contains(cause) &&
                 check.message.endsWith(u"\r読み取り専用で開きます（保存・削除はできません）。"_s),
             qPrintable(check.message));
    QCOMPARE(Hash(path), hash);
    // Neither a backup nor a journal is left behind.
    QCOMPARE(Entries(dir.path()), QStringList{u"Morinaxis_u.mdb"_s});
}

void TestUserDb::interruptedUpgradeIsFinished_data() {
    QTest::addColumn<QString>("where");
    QTest::addColumn<int>("step");  // index in UserDbSteps()
    QTest::newRow("while copying the backup") << u"copy"_s << 0;
    for (int i = 0; i < int(UserDbSteps().size()); ++i) {
        const QByteArray v = QByteArray::number(UserDbSteps()[i].version);
        QTest::newRow("before step " + v) << u"before"_s << i;
        QTest::newRow("inside step " + v) << u"inside"_s << i;
    }
}

// The program killed at a point of the upgrade (a child process that dies there), then started
// again: the upgrade is finished, every row and photo kept, and every file under a backup's name
// is a whole copy.
void TestUserDb::interruptedUpgradeIsFinished() {
    QFETCH(QString, where);
    QFETCH(int, step);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Morinaxis_u.mdb"_s);
    MakeVersion1(path);
    const QString rows = Query(path, kRows);

    const pid_t pid = fork();
    if (pid == 0) {
        UserDbUpgrade how;
        if (where == u"copy"_s) {
            // The copy dies of SIGXFSZ half-way, as from a kill.
            const rlimit limit{40000, 40000};
            setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, SIG_DFL);
        } else {
            UserDbStep& s = how.steps[size_t(step)];
            const auto apply = s.apply;
            const bool inside = where == u"inside"_s;
            s.apply = [apply, inside](db::Connection& con) {
                if (inside) {
                    apply(con);
                    // Enough dirty pages that SQLite writes into the file: a hot journal.
                    con.execute(u"UPDATE 物件情報 SET 現場写真 = zeroblob(8000000)"_s);
                }
                _exit(9);
            };
        }
        PrepareUserDatabase(path, kToday, how);
        _exit(0);
    }
    int status = 0;
    QCOMPARE(waitpid(pid, &status, 0), pid);
    QVERIFY2(WIFSIGNALED(status) || WEXITSTATUS(status) == 9, "the child was not interrupted");
    if (where == u"inside"_s) {
        QVERIFY(QFileInfo(path + u"-journal"_s).size() > 0);
    }

    const UserDbCheck check = PrepareUserDatabase(path, kToday);
    QCOMPARE(check.state, UserDbCheck::State::Upgraded);
    QCOMPARE(ReadUserDbVersion(path), UserDbVersion());
    QCOMPARE(Query(path, kRows), rows);
    QVERIFY(!QFileInfo::exists(path + u"-journal"_s));
    const QStringList backups = Entries(dir.path()).filter(u".bak-"_s);
    QCOMPARE(backups.size(), where == u"copy"_s ? 1 : 2);
    for (const QString& name : backups) {
        QVERIFY2(
            QRegularExpression(u"^Morinaxis_u\\.mdb\\.bak-20261207(-2)?$"_s).match(name).hasMatch(),
            qPrintable(name));
        QCOMPARE(Query(dir.filePath(name), kRows), rows);
    }
    // Usable: a save goes through with the columns of every step.
    db::Connection con;
    con.setConnectionString(u"Data Source="_s + path);
    con.open();
    PropertyStore store(con);
    const std::optional<StoredProperty> row = store.load(1, BukkenJoho(), kToday);
    QCOMPARE(store.update(1, row->record, row->photo), UpdateOutcome::Saved);
    QCOMPARE(store.load(1, BukkenJoho(), kToday)->photo, std::optional<QByteArray>(kPhoto));
}

void TestUserDb::laterStepFailureKeepsEarlierSteps() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Morinaxis_u.mdb"_s);
    MakeVersion1(path);
    const QString rows = Query(path, kRows);
    UserDbUpgrade how;
    how.steps.back().apply = [](db::Connection&) { throw AppError(1, u"the step failed"_s); };

    const UserDbCheck check = PrepareUserDatabase(path, kToday, how);
    QCOMPARE(check.state, UserDbCheck::State::ReadOnly);
    QCOMPARE(ReadUserDbVersion(path), how.steps.back().version - 1);
    // The file has changed, so the copy of it as it was stays.
    QCOMPARE(check.backupPath, path + u".bak-20261207"_s);
    QCOMPARE(Query(check.backupPath, u"PRAGMA user_version"_s), u"0"_s);
    QCOMPARE(Query(path, kRows), rows);

    // The next start, with the step mended, goes on from there.
    QCOMPARE(PrepareUserDatabase(path, kToday).state, UserDbCheck::State::Upgraded);
    QCOMPARE(ReadUserDbVersion(path), UserDbVersion());
    QCOMPARE(Query(path, kRows), rows);
}

void TestUserDb::newFilesAndCopiesNeverReplace() {
    QTemporaryDir dir;
    const QString existing = dir.filePath(u"existing"_s), source = dir.filePath(u"source"_s);
    QVERIFY(WriteAll(existing, "keep me") && WriteAll(source, QByteArray("a\0b", 3)));
    QVERIFY_THROWS_EXCEPTION(AppError, CreateUserDatabase(existing));
    try {
        CopyToNewFile(source, existing);
        QFAIL("copied over an existing file");
    } catch (const AppError& e) {
        QVERIFY2(e.description().contains(QDir::toNativeSeparators(existing)),
                 qPrintable(e.description()));
    }
    QCOMPARE(ReadAll(existing), QByteArray("keep me"));
    QVERIFY_THROWS_EXCEPTION(AppError, CopyToNewFile(source, dir.filePath(u"no-folder/copy"_s)));
    CopyToNewFile(source, dir.filePath(u"copy"_s));
    QCOMPARE(ReadAll(dir.filePath(u"copy"_s)), QByteArray("a\0b", 3));
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
    if (newer)
        MakeNewerFile(folder.usrDb());
    else
        MakeVersion1(folder.usrDb(), 0);
    const QByteArray hash = Hash(folder.usrDb());
    ie::test::RunningProgram p(folder, kToday);
    QVERIFY(p.start());
    QCOMPARE(p.g.Bukken.UsrRecCount, 2);
    QCOMPARE(QFileInfo::exists(folder.usrDb() + u".bak-20261207"_s), !newer);
    if (newer) {
        QCOMPARE(p.ui.texts(), QStringList{NewerUserDbMessage()});
        QCOMPARE(p.ui.shown[0].icon, MsgIcon::Exclamation);
    } else {
        QVERIFY(p.ui.shown.empty());
        QCOMPARE(ReadUserDbVersion(folder.usrDb()), UserDbVersion());
    }

    // A calculation is what offers saving.
    p.w->findChild<QLineEdit*>(QStringLiteral("TxtRosenka"))->setText(u"150,000"_s);
    p.w->findChild<QLineEdit*>(QStringLiteral("TxtTotiMenseki"))->setText(u"100"_s);
    p.w->findChild<QPushButton*>(QStringLiteral("CmdCalcLandPrise"))->click();
    QVERIFY(!p.w->findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku"))->text().isEmpty());
    QCOMPARE(p.w->findChild<QPushButton*>(QStringLiteral("CmdSave"))->isEnabled(), !newer);

    // In the list a selected row can be read but not deleted, and reading it offers no saving.
    bool listShown = false;
    QTimer::singleShot(0, p.w.get(), [&] {
        if (auto* list = qobject_cast<FrmData*>(QApplication::activeModalWidget())) {
            listShown = true;
            list->findChild<QTableView*>(QStringLiteral("DataGrid1"))->selectRow(0);
            QVERIFY(list->findChild<QPushButton*>(QStringLiteral("CmdRead"))->isEnabled());
            QCOMPARE(list->findChild<QPushButton*>(QStringLiteral("CmdDel"))->isEnabled(), !newer);
            list->findChild<QPushButton*>(QStringLiteral("CmdRead"))->click();
        }
    });
    // Closes the list whatever happens, so that a failing check cannot hang the test.
    QTimer::singleShot(5000, p.w.get(), [] {
        if (QWidget* m = QApplication::activeModalWidget())
            m->close();
    });
    p.w->findChild<QAction*>(QStringLiteral("mnuSearch"))->trigger();
    QVERIFY(listShown && p.g.Bukken.BukkenRead);
    QCOMPARE(p.g.UsrDbCon.readOnly(), newer);
    QCOMPARE(p.w->findChild<QPushButton*>(QStringLiteral("CmdSave"))->isEnabled(), !newer);
    p.w->close();
    if (newer)
        QCOMPARE(Hash(folder.usrDb()), hash);
    QVERIFY(p.ui.unexpected.isEmpty());
}

QTEST_MAIN(TestUserDb)
#include "tst_state_userdb.moc"
