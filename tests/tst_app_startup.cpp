// Start-up as a user meets it: second copy, missing and broken files, first start, the initial
// worksheet dates, the menus by saved-property count, the scratch file and the exits.
#include "app/FrmMain.h"
#include "platform/DateInput.h"
#include "platform/FileLocations.h"
#include "platform/IniFile.h"
#include "platform/InstanceServer.h"
#include "platform/RegularFile.h"
#include "state/ModGlobal.h"
#include "support/Permissions.h"
#include "support/RunningProgram.h"
#include "support/ScriptedUi.h"
#include "support/TestFolder.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

using namespace ie;
using ie::test::ReadAll;
using ie::test::ScriptedUi;
using ie::test::TestFolder;
using ie::test::WriteAll;

namespace {

using Program = ie::test::RunningProgram;

QStringList ScratchFiles(const TestFolder& folder) {
    return QDir(folder.tempPath()).entryList({QStringLiteral("~my*.tmp")}, QDir::Files);
}

void AddProperty(const QString& usrDb, int id) {
    sqlite3* db = nullptr;
    QVERIFY(sqlite3_open(QFile::encodeName(usrDb).constData(), &db) == SQLITE_OK);
    const QByteArray sql =
        "INSERT INTO 物件情報 (物件ID, 住所) VALUES (" + QByteArray::number(id) + ", '東京都')";
    QCOMPARE(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

const QString kFatal = QStringLiteral(
    "致命的エラーにより、プログラムを終了します。\rご迷惑をおかけして申し訳ありません。");

}  // namespace

class TestStartup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstStartCreatesSettingsFile();
    void earlyStartSaysWhatStartUpSays();
    void secondInstanceIsRefused();
    void socketInTheUsersOwnFolder();
    void missingDatabasesReportedInOrder_data();
    void missingDatabasesReportedInOrder();
    void nonRegularFilesNamed();
    void brokenFilesEndCleanly_data();
    void brokenFilesEndCleanly();
    void settingsFileWithoutValue();
    void userDatabaseWithoutTable();
    void roadPriceYearFollowsToday_data();
    void roadPriceYearFollowsToday();
    void menusFollowSavedCount();
    void leftOverScratchRemovedAtStart();
    void scratchFileRemovedByEveryExit_data();
    void scratchFileRemovedByEveryExit();
    void installedFirstAndSecondStart();
    void installedChosenFolder_data();
    void installedChosenFolder();
    void installedUnwritableFolders_data();
    void installedUnwritableFolders();
    void installedUserFileNotADatabase();
};

void TestStartup::firstStartCreatesSettingsFile() {
    TestFolder folder;
    Program p(folder);
    QVERIFY(!QFile::exists(folder.file(QStringLiteral("Morinaxis.ini"))));
    QVERIFY(p.w->startUp());
    QVERIFY(p.ui.shown.empty());
    // The program's own folder is written as ".", so that a copy of the folder uses its own
    // databases.
    QCOMPARE(ReadAll(folder.file(QStringLiteral("Morinaxis.ini"))),
             QByteArray("[DB_PATH]\r\nDB_PATH1=.\r\n"));
    QCOMPARE(p.g.DbPath, folder.path());
    QCOMPARE(p.g.SysDbPath, folder.path() + QStringLiteral("/Morinaxis_s.mdb"));
    QCOMPARE(p.g.UsrDbPath, folder.path() + QStringLiteral("/Morinaxis_u.mdb"));
    // Nothing stays open after start-up.
    QVERIFY(!p.g.UsrDbCon.isOpen());
    QVERIFY(!p.g.SysDbCon.isOpen());
}

// The program begins its checks before the window is built, on another thread: what the user is
// told, and whether the program goes on, are those of the plain start-up.
void TestStartup::earlyStartSaysWhatStartUpSays() {
    const auto prepare = [](const TestFolder& folder, int kind) {
        QVERIFY(
            WriteAll(folder.file(QStringLiteral("Morinaxis.ini")), "[DB_PATH]\r\nDB_PATH1=.\r\n"));
        if (kind == 1) {  // made by a newer version: read-only, said once
            sqlite3* db = nullptr;
            QVERIFY(sqlite3_open(QFile::encodeName(folder.usrDb()).constData(), &db) == SQLITE_OK);
            QCOMPARE(sqlite3_exec(db, "PRAGMA user_version = 999", nullptr, nullptr, nullptr),
                     SQLITE_OK);
            sqlite3_close(db);
        } else if (kind == 2) {  // both databases missing: the end
            QFile::remove(folder.sysDb());
            QFile::remove(folder.usrDb());
        }
    };
    for (int kind = 0; kind < 3; ++kind) {
        TestFolder plainFolder;
        TestFolder earlyFolder;
        prepare(plainFolder, kind);
        prepare(earlyFolder, kind);
        Program plain(plainFolder);
        const bool plainStarted = plain.w->startUp();
        Program early(earlyFolder);
        FrmMain::EarlyStartPtr begun = FrmMain::beginStartUp(
            early.g, early.ui, FrmMain::Options{false, ie::test::InstanceName(earlyFolder)});
        QVERIFY(begun);
        QCOMPARE(early.w->startUp(std::move(begun)), plainStarted);
        QCOMPARE(plainStarted, kind != 2);
        const auto said = [](const ScriptedUi& ui, const TestFolder& folder) {
            return ui.texts().replaceInStrings(QDir::toNativeSeparators(folder.path()),
                                               QStringLiteral("<folder>"));
        };
        QCOMPARE(said(early.ui, earlyFolder), said(plain.ui, plainFolder));
        QCOMPARE(early.ui.texts().isEmpty(), kind == 0);
        QCOMPARE(early.g.UsrDbReadOnly, kind == 1);
        QCOMPARE(early.g.Bukken.UsrRecCount, plain.g.Bukken.UsrRecCount);
        if (plainStarted) {
            // The lock is held: a second copy is refused before it builds anything.
            ScriptedUi second;
            second.tempDir = earlyFolder.tempPath();
            QVERIFY(!FrmMain::beginStartUp(
                early.g, second, FrmMain::Options{false, ie::test::InstanceName(earlyFolder)}));
            QCOMPARE(second.texts(),
                     QStringList{QStringLiteral("いえねだん帳はすでに起動されています。")});
        }
    }
}

void TestStartup::secondInstanceIsRefused() {
    TestFolder folder;
    Program first(folder);
    QVERIFY(first.w->startUp());
    first.w->findChild<QLineEdit*>(QStringLiteral("TxtRosenka"))
        ->setText(QStringLiteral("123,456"));
    QCOMPARE(ScratchFiles(folder).size(), 1);

    Program second(folder);
    QVERIFY(!second.w->startUp());
    QCOMPARE(second.ui.texts(),
             QStringList{QStringLiteral("いえねだん帳はすでに起動されています。")});
    QCOMPARE(second.ui.shown[0].icon, MsgIcon::Information);
    // The running copy is asked to come to the front.
    QTRY_COMPARE(first.w->raiseRequests(), 1);
    QCOMPARE(second.ui.shown[0].caption, QStringLiteral("いえねだん帳"));
    // The second copy read and made nothing; the first is untouched.
    QVERIFY(second.g.DbPath.isEmpty());
    QCOMPARE(ScratchFiles(folder).size(), 1);
    QCOMPARE(first.w->findChild<QLineEdit*>(QStringLiteral("TxtRosenka"))->text(),
             QStringLiteral("123,456"));

    // Once the first copy has gone, the next one starts.
    first.w->close();
    first.w.reset();
    Program third(folder);
    QVERIFY(third.w->startUp());
}

void TestStartup::socketInTheUsersOwnFolder() {
    // A file at the name the socket once had in the shared temporary folder, as another local
    // user could make it first. Left alone if it is already there.
    const QString shared = QDir::tempPath() + QStringLiteral("/ienedancho-%1").arg(::getuid());
    const bool made = !QFileInfo::exists(shared) && WriteAll(shared, "squatted");
    TestFolder folder;
    const auto start = [&folder] {
        auto p = std::make_unique<Program>(folder);
        p->w = std::make_unique<FrmMain>(p->g, p->ui, FrmMain::Options{false, QString()});
        return p;
    };
    auto first = start();
    QVERIFY(first->w->startUp());
    QVERIFY(QFileInfo(InstanceServer::pathIn(folder.tempPath())).exists());
    auto second = start();
    QVERIFY(!second->w->startUp());
    QTRY_COMPARE(first->w->raiseRequests(), 1);
    if (made) {
        QCOMPARE(ReadAll(shared), QByteArray("squatted"));
        QFile::remove(shared);
    }

    // A socket that cannot be made: the program starts all the same and says nothing.
    first->w->close();
    first.reset();
    QFile::remove(InstanceServer::pathIn(folder.tempPath()));
    QVERIFY(QDir().mkpath(InstanceServer::pathIn(folder.tempPath()) + QStringLiteral("/x")));
    auto third = start();
    QVERIFY(third->w->startUp());
    QVERIFY(third->ui.shown.empty());
}

void TestStartup::missingDatabasesReportedInOrder_data() {
    QTest::addColumn<bool>("sysMissing");
    QTest::addColumn<bool>("usrMissing");
    QTest::newRow("reference only") << true << false;
    QTest::newRow("user only") << false << true;
    QTest::newRow("both") << true << true;
}

void TestStartup::missingDatabasesReportedInOrder() {
    QFETCH(bool, sysMissing);
    QFETCH(bool, usrMissing);
    TestFolder folder;
    // A folder that has been started from before: its settings file keeps it portable.
    QVERIFY(WriteAll(folder.file(QStringLiteral("Morinaxis.ini")), "[DB_PATH]\r\nDB_PATH1=.\r\n"));
    if (sysMissing)
        QFile::remove(folder.sysDb());
    if (usrMissing)
        QFile::remove(folder.usrDb());
    Program p(folder);
    QVERIFY(!p.w->startUp());
    QStringList expected;
    if (sysMissing) {
        expected << QStringLiteral("システム情報データベース ") +
                        QDir::toNativeSeparators(folder.sysDb()) +
                        QStringLiteral("　が存在しません。");
    }
    if (usrMissing) {
        expected << QStringLiteral("ユーザー情報データベース ") +
                        QDir::toNativeSeparators(folder.usrDb()) +
                        QStringLiteral("　が存在しません。");
    }
    expected << kFatal;
    QCOMPARE(p.ui.texts(), expected);
    for (const auto& s : p.ui.shown) {
        QCOMPARE(s.icon, MsgIcon::Critical);
        QCOMPARE(s.caption, QStringLiteral("いえねだん帳"));
    }
    QVERIFY(ScratchFiles(folder).isEmpty());
}

void TestStartup::nonRegularFilesNamed() {
    TestFolder folder;
    QVERIFY(WriteAll(folder.file(QStringLiteral("Morinaxis.ini")), "[DB_PATH]\r\nDB_PATH1=.\r\n"));
    QVERIFY(QFile::remove(folder.sysDb()) && QFile::remove(folder.usrDb()));
    QVERIFY(::mkfifo(QFile::encodeName(folder.sysDb()).constData(), 0600) == 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), folder.usrDb()));
    Program p(folder);
    QVERIFY(!p.w->startUp());
    QCOMPARE(p.ui.texts(),
             (QStringList{
                 QStringLiteral("システム情報データベース ") + NotRegularFileText(folder.sysDb()),
                 QStringLiteral("ユーザー情報データベース ") + NotRegularFileText(folder.usrDb()),
                 kFatal}));

    // Why a run-time folder cannot be had is told.
    Program q(folder);
    q.ui.tempDir.clear();
    q.ui.tempProblem = QStringLiteral("/x/ienedancho-runtime: 理由");
    QVERIFY(!q.w->startUp() && q.ui.texts().join(u'|').contains(q.ui.tempProblem));
}

void TestStartup::brokenFilesEndCleanly_data() {
    QTest::addColumn<QByteArray>("usrContent");
    QTest::addColumn<QString>("expectedEnd");
    QTest::newRow("random bytes") << QByteArray(4096, '\x5a') << QStringLiteral("への接続失敗");
    QTest::newRow("access file header")
        << QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(2048, '\0')
        << QStringLiteral("への接続失敗");
}

void TestStartup::brokenFilesEndCleanly() {
    QFETCH(QByteArray, usrContent);
    QFETCH(QString, expectedEnd);
    TestFolder folder;
    QVERIFY(WriteAll(folder.usrDb(), usrContent));
    Program p(folder);
    QVERIFY(!p.w->startUp());
    QCOMPARE(p.ui.shown.size(), size_t(1));
    const QString text = p.ui.shown[0].text;
    const QStringList parts = text.split(QLatin1Char('\r'));
    QCOMPARE(parts.size(), 3);
    bool isNumber = false;
    parts[0].toInt(&isNumber);
    QVERIFY2(isNumber, qPrintable(text));
    QVERIFY(!parts[1].isEmpty());
    QCOMPARE(parts[2], QStringLiteral("ユーザーデータベース") +
                           QDir::toNativeSeparators(folder.usrDb()) + expectedEnd);
    QCOMPARE(p.ui.shown[0].icon, MsgIcon::Critical);
    // Nothing was written into the file that failed to open.
    QCOMPARE(ReadAll(folder.usrDb()), usrContent);
}

void TestStartup::settingsFileWithoutValue() {
    // A settings file without the key gives an empty folder: the databases are looked for at the
    // root and reported missing, then the program ends.
    TestFolder folder;
    QVERIFY(WriteAll(folder.file(QStringLiteral("Morinaxis.ini")),
                     QByteArray("\xff\xfe garbage\r\n[OTHER]\r\nX=1\r\n")));
    Program p(folder);
    QVERIFY(!p.w->startUp());
    QCOMPARE(p.g.DbPath, QString());
    QCOMPARE(p.ui.texts().last(), kFatal);
    QVERIFY(p.ui.texts().first().contains(QStringLiteral("/Morinaxis_s.mdb")));
    // The settings file is left as it was.
    QCOMPARE(ReadAll(folder.file(QStringLiteral("Morinaxis.ini"))),
             QByteArray("\xff\xfe garbage\r\n[OTHER]\r\nX=1\r\n"));
}

void TestStartup::userDatabaseWithoutTable() {
    TestFolder folder;
    QFile::remove(folder.usrDb());
    sqlite3* db = nullptr;
    QVERIFY(sqlite3_open(QFile::encodeName(folder.usrDb()).constData(), &db) == SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, "CREATE TABLE other (x INTEGER)", nullptr, nullptr, nullptr),
             SQLITE_OK);
    sqlite3_close(db);
    const QByteArray before = ReadAll(folder.usrDb());
    Program p(folder);
    QVERIFY(!p.w->startUp());
    QCOMPARE(p.ui.shown.size(), size_t(1));
    // Said in words, with the file, not as SQLite's "no such table".
    QCOMPARE(p.ui.shown[0].text, QStringLiteral("いえねだん帳のデータベースではありません。\r"
                                                "ユーザーデータベース") +
                                     QDir::toNativeSeparators(folder.usrDb()));
    QCOMPARE(p.ui.shown[0].icon, MsgIcon::Critical);
    QVERIFY(!p.g.UsrDbCon.isOpen());
    QCOMPARE(ReadAll(folder.usrDb()), before);
}

void TestStartup::roadPriceYearFollowsToday_data() {
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QDate>("roadYear");
    QTest::newRow("spring") << QDate(2026, 3, 1) << QDate(2025, 1, 1);
    QTest::newRow("summer") << QDate(2026, 7, 1) << QDate(2026, 1, 1);
    QTest::newRow("180 days after new year") << QDate(2026, 6, 30) << QDate(2026, 1, 1);
    QTest::newRow("179 days after new year") << QDate(2026, 6, 29) << QDate(2025, 1, 1);
}

void TestStartup::roadPriceYearFollowsToday() {
    QFETCH(QDate, today);
    QFETCH(QDate, roadYear);
    TestFolder folder;
    Program p(folder, today);
    QVERIFY(p.w->startUp());
    QCOMPARE(p.g.Bukken.RosenkaNendo, roadYear);
    QCOMPARE(p.w->findChild<DateInput*>(QStringLiteral("imDateRosen"))->value(),
             std::optional<QDate>(roadYear));
    QCOMPARE(p.g.Bukken.HyokaDate, today);
    QCOMPARE(p.g.Bukken.KaokuDate, today);
    QCOMPARE(p.w->findChild<DateInput*>(QStringLiteral("imDateHyoka"))->text(),
             today.toString(QStringLiteral("yyyy/MM/dd")));
    QCOMPARE(p.w->findChild<DateInput*>(QStringLiteral("imDateKaoku"))->text(),
             today.toString(QStringLiteral("yyyy/MM/dd")));
}

void TestStartup::menusFollowSavedCount() {
    {
        TestFolder folder;
        Program p(folder);
        QVERIFY(p.w->startUp());
        QCOMPARE(p.g.Bukken.UsrRecCount, 0);
        QVERIFY(!p.w->findChild<QAction*>(QStringLiteral("mnuSearch"))->isEnabled());
        QVERIFY(!p.w->findChild<QAction*>(QStringLiteral("mnuExport"))->isEnabled());
        QVERIFY(p.w->findChild<QAction*>(QStringLiteral("mnuPrint"))->isEnabled());
    }
    {
        TestFolder folder;
        AddProperty(folder.usrDb(), 1);
        AddProperty(folder.usrDb(), 2);
        Program p(folder);
        QVERIFY(p.w->startUp());
        QCOMPARE(p.g.Bukken.UsrRecCount, 2);
        QVERIFY(p.w->findChild<QAction*>(QStringLiteral("mnuSearch"))->isEnabled());
        QVERIFY(p.w->findChild<QAction*>(QStringLiteral("mnuExport"))->isEnabled());
    }
}

void TestStartup::leftOverScratchRemovedAtStart() {
    // A killed run's scratch file, photo and all, is gone once the next run has started.
    TestFolder folder;
    const QString leftOver = folder.tempPath() + QStringLiteral("/~my1A.tmp");
    QVERIFY(WriteAll(leftOver, "photo"));
    Program p(folder);
    QVERIFY(p.w->startUp());
    QVERIFY(!QFile::exists(leftOver));
    QCOMPARE(ScratchFiles(folder), QStringList{QFileInfo(p.g.Bukken.PicTempFile).fileName()});
}

void TestStartup::scratchFileRemovedByEveryExit_data() {
    QTest::addColumn<int>("exit");
    QTest::newRow("終了 button") << 0;
    QTest::newRow("終了(&X) menu") << 1;
    QTest::newRow("close box") << 2;
}

void TestStartup::scratchFileRemovedByEveryExit() {
    QFETCH(int, exit);
    TestFolder folder;
    Program p(folder);
    QVERIFY(p.w->startUp());
    const QString scratch = p.g.Bukken.PicTempFile;
    QVERIFY(QRegularExpression(QStringLiteral("^~my[0-9A-F]{1,4}\\.tmp$"))
                .match(QFileInfo(scratch).fileName())
                .hasMatch());
    QCOMPARE(QFileInfo(scratch).absolutePath(), QDir(folder.tempPath()).absolutePath());
    QVERIFY(QFile::exists(scratch));
    QCOMPARE(QFileInfo(scratch).size(), 0);
    p.w->show();
    if (exit == 0) {
        p.w->findChild<QPushButton*>(QStringLiteral("CmdEnd"))->click();
    } else if (exit == 1) {
        p.w->findChild<QAction*>(QStringLiteral("mnuEnd"))->trigger();
    } else {
        p.w->close();
    }
    QVERIFY(!p.w->isVisible());
    QVERIFY(!QFile::exists(scratch));
    QVERIFY(p.ui.shown.empty());
}

void TestStartup::installedFirstAndSecondStart() {
    // A program folder without settings file or databases is an installed program.
    TestFolder folder(false);
    const QString config = folder.file(QStringLiteral("xdg/config/ienedancho"));
    const QString data = folder.file(QStringLiteral("xdg/data/ienedancho"));
    {
        Program p(folder);
        QVERIFY(p.w->startUp());
        QVERIFY(p.ui.shown.empty());
        QCOMPARE(p.g.Mode, FileMode::Installed);
        QCOMPARE(p.g.IniFilePath, config + QStringLiteral("/Morinaxis.ini"));
        QCOMPARE(p.g.UsrDbPath, data + QStringLiteral("/Morinaxis_u.mdb"));
        QCOMPARE(p.g.SysDbPath, TestFolder::builtSysDb());
        QVERIFY(p.g.SysDbImmutable);
        // The settings file holds no database folder; both folders are the user's alone.
        QCOMPARE(ModReadIniFile(p.g.IniFilePath), QString());
        QVERIFY(QFileInfo(p.g.UsrDbPath).isFile());
        for (const QString& dir : {config, data})
            QCOMPARE(QFileInfo(dir).permissions() & 0x0077, QFileDevice::Permissions());
        // The installed reference data opens, without a lock or a journal.
        QVERIFY(ModSysDbOpen(p.g));
        QVERIFY(p.g.SysDbCon.immutable());
        ModSysDbClose(p.g);
        p.w->close();
    }
    // Nothing beside the program.
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList({QStringLiteral("tmp"), QStringLiteral("xdg")}));

    // The next start finds the same user database.
    AddProperty(data + QStringLiteral("/Morinaxis_u.mdb"), 7);
    Program again(folder);
    QVERIFY(again.w->startUp());
    QCOMPARE(again.g.Bukken.UsrRecCount, 1);
}

void TestStartup::installedChosenFolder_data() {
    QTest::addColumn<bool>("withUsr");
    QTest::addColumn<bool>("withSys");
    QTest::newRow("both there") << true << true;
    QTest::newRow("user database only") << true << false;
    QTest::newRow("folder gone") << false << false;
}

void TestStartup::installedChosenFolder() {
    QFETCH(bool, withUsr);
    QFETCH(bool, withSys);
    TestFolder folder(false);
    TestFolder chosen(false);
    if (withUsr || withSys)
        chosen.copyDatabases();
    if (!withSys)
        QFile::remove(chosen.sysDb());
    const QString dbFolder = withUsr ? chosen.path() : chosen.file(QStringLiteral("gone"));
    const QString config = folder.file(QStringLiteral("xdg/config/ienedancho"));
    QVERIFY(QDir().mkpath(config));
    QCOMPARE(ModWriteIniFile(config + QStringLiteral("/Morinaxis.ini"), dbFolder),
             ini::WriteResult::Ok);

    Program p(folder);
    QCOMPARE(p.w->startUp(), withUsr);
    QCOMPARE(p.g.UsrDbPath, dbFolder + QStringLiteral("/Morinaxis_u.mdb"));
    QCOMPARE(p.g.SysDbPath, withSys ? chosen.sysDb() : TestFolder::builtSysDb());
    QCOMPARE(p.g.SysDbImmutable, !withSys);
    // No user database is made in the user's data folder when a folder has been chosen.
    QVERIFY(!QFile::exists(folder.file(QStringLiteral("xdg/data"))));
    if (!withUsr) {
        QCOMPARE(p.ui.texts(),
                 QStringList({QStringLiteral("ユーザー情報データベース ") + p.g.UsrDbPath +
                                  QStringLiteral("　が存在しません。"),
                              kFatal}));
    }
}

void TestStartup::installedUnwritableFolders_data() {
    QTest::addColumn<QString>("blocked");  // the folder that cannot be made
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("readOnly");  // a read-only parent rather than a file in the way
    QTest::newRow("config, file in the way") << "config"
                                             << "設定ファイル" << false;
    QTest::newRow("data, file in the way") << "data"
                                           << "ユーザーデータベース" << false;
    QTest::newRow("config, read-only") << "config"
                                       << "設定ファイル" << true;
    QTest::newRow("data, read-only") << "data"
                                     << "ユーザーデータベース" << true;
}

void TestStartup::installedUnwritableFolders() {
    QFETCH(QString, blocked);
    QFETCH(QString, what);
    QFETCH(bool, readOnly);
    if (readOnly)
        IE_REQUIRE_PERMISSIONS_BIND();
    TestFolder folder(false);
    const QString parent = folder.file(QStringLiteral("xdg/") + blocked);
    QVERIFY(QDir().mkpath(folder.file(QStringLiteral("xdg"))));
    if (readOnly) {
        QVERIFY(QDir().mkpath(parent));
        QVERIFY(QFile::setPermissions(parent, QFile::ReadOwner | QFile::ExeOwner));
    } else {
        QVERIFY(WriteAll(parent, "not a folder"));
    }
    Program p(folder);
    QVERIFY(!p.w->startUp());
    QCOMPARE(p.ui.shown.size(), size_t(1));
    const QString text = p.ui.shown[0].text;
    QVERIFY2(text.startsWith(what + QStringLiteral("のフォルダ ") + parent +
                             QStringLiteral("/ienedancho に書き込めません。\r")),
             qPrintable(text));
    QVERIFY(text.endsWith(QStringLiteral("\rプログラムを終了します。")));
    QCOMPARE(p.ui.shown[0].icon, MsgIcon::Critical);
    QVERIFY(ScratchFiles(folder).isEmpty());
    if (readOnly)
        QFile::setPermissions(parent, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // Nothing written beside the program instead.
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList({QStringLiteral("tmp"), QStringLiteral("xdg")}));
}

void TestStartup::installedUserFileNotADatabase() {
    TestFolder folder(false);
    const QString data = folder.file(QStringLiteral("xdg/data/ienedancho"));
    QVERIFY(QDir().mkpath(data));
    const QByteArray junk(3000, 'x');
    QVERIFY(WriteAll(data + QStringLiteral("/Morinaxis_u.mdb"), junk));
    Program p(folder);
    QVERIFY(!p.w->startUp());
    QVERIFY(p.ui.texts().last().endsWith(QStringLiteral("への接続失敗")));
    QCOMPARE(ReadAll(data + QStringLiteral("/Morinaxis_u.mdb")), junk);
}

QTEST_MAIN(TestStartup)
#include "tst_app_startup.moc"
