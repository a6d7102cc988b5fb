// The environment settings dialog (database folder, settings file) and the version dialog.
#include "app/FrmEnv.h"
#include "app/frmAbout.h"
#include "platform/FileLocations.h"
#include "state/ModGlobal.h"
#include "support/Permissions.h"
#include "support/ScriptedUi.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTreeWidget>
#include <QtTest>

#include <cerrno>
#include <cstring>

using namespace ie;
using ie::test::ScriptedUi;

namespace {

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QString SystemErrorText(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

// A program folder (with the settings file's place) and a database folder with subfolders, a
// hidden folder and a file, all in a temporary folder of the test's own.
struct Setup {
    QTemporaryDir dir;
    QString prog;
    QString db;
    ModGlobal g;
    ScriptedUi ui;

    Setup() {
        prog = dir.path() + QStringLiteral("/prog");
        db = dir.path() + QStringLiteral("/db");
        QDir().mkpath(prog);
        QDir().mkpath(db + QStringLiteral("/sub1"));
        QDir().mkpath(db + QStringLiteral("/Sub2/deeper"));
        QDir().mkpath(db + QStringLiteral("/.hidden"));
        WriteBytes(db + QStringLiteral("/note.txt"), "not a folder");
        g.ProgramFolder = prog;
        g.IniFilePath = prog + QStringLiteral("/Morinaxis.ini");
        g.DbPath = db;
        g.SysDbPath = db + QStringLiteral("/Morinaxis_s.mdb");
        g.UsrDbPath = db + QStringLiteral("/Morinaxis_u.mdb");
    }
    QString ini() const { return g.IniFilePath; }
};

QTreeWidgetItem* Item(QTreeWidget* tree, const QString& text) {
    const auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.size() == 1 ? found.first() : nullptr;
}

QStringList Children(QTreeWidgetItem* item) {
    QStringList out;
    for (int i = 0; item != nullptr && i < item->childCount(); ++i) {
        out << item->child(i)->text(0);
    }
    return out;
}

// The root file system and one more "drive" of the test's choosing.
FrmEnv::DriveLister TwoDrives(const QString& second, const QString& name = QString()) {
    return [second, name] {
        return QList<FrmEnv::Drive>{{QStringLiteral("/"), QString()}, {second, name}};
    };
}

void Open(QTreeWidget* tree, QTreeWidgetItem* item) {
    tree->setCurrentItem(item);
    QTest::keyClick(tree, Qt::Key_Return);
}

const QString kQuestion =
    QStringLiteral("環境設定ファイルにデータベースパスの変更を書き込みますか");
const QString kQuestionCaption = QStringLiteral("データベースパス変更");
const QString kTitle = QStringLiteral("いえねだん帳");

QString Confirmation(const QString& folder) {
    return QStringLiteral(
               "データベースパス設定を変更しました。\rお手数ですが、ねだん帳を終了させてから ") +
           folder +
           QStringLiteral(
               " に下記の２ファイルを移動させてください。\r\rMorinaxis_s.mdb\r"
               "Morinaxis_u.mdb");
}

}  // namespace

class TestAppOptions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Size (captions, positions and the Tab order are in tests/window_layout.txt)
    void envIsFixedSizeAndOpensQuietly();
    // Opening at DbPath and its drive
    void opensAtDbPathOnItsDrive();
    void opensOnTheDriveThatHoldsDbPath();
    void missingOrEmptyDbPathOpensProgramFolder_data();
    void missingOrEmptyDbPathOpensProgramFolder();
    // Drives
    void unreadableDriveShowsSystemErrorAndChangesNothing();
    void eachDriveKeepsItsLastFolder();
    // Current folder
    void highlightedFolderIsNotWritten();
    void changeByMode();
    void enterAndDoubleClickOpenFolders();
    // Writing the settings file
    void noWritesNothingAndKeepsDialogOpen();
    void yesWritesOnlyTheFolderLine();
    void yesCreatesMissingSettingsFile();
    void japaneseFolderWrittenInShiftJis();
    void writeFailureReportedInsteadOfConfirmation_data();
    void writeFailureReportedInsteadOfConfirmation();
    void readOnlySettingsFileReported();
    void unrepresentableFolderRefusedBeforeWriting();
    void backLeavesEverythingAsItWas();
    // Version dialog
    void aboutPictures();
    void aboutIsFixedSizeAndOkCloses();
    void sysInfoMissingShowsFailureAndStaysOpen();
    void sysInfoStartsTheFoundProgram();
    void sysInfoThatFailsToStartShowsFailure();
    void sysInfoLooksForHardinfoThenKinfocenter();
    // Help document
    void helpDocumentLinksResolve();
};

// ---- Layout ----

void TestAppOptions::envIsFixedSizeAndOpensQuietly() {
    Setup s;
    FrmEnv dlg(s.g, s.ui, nullptr, TwoDrives(s.dir.path()));
    QCOMPARE(dlg.minimumSize(), dlg.maximumSize());
    QVERIFY(s.ui.shown.empty());
}

// ---- Opening at DbPath and its drive ----

void TestAppOptions::opensAtDbPathOnItsDrive() {
    Setup s;
    FrmEnv dlg(s.g, s.ui);  // the system's own drives
    QVERIFY2(s.ui.shown.empty(), qPrintable(s.ui.texts().join(u'|')));
    QCOMPARE(dlg.currentFolder(), s.db);
    QCOMPARE(dlg.findChild<QComboBox*>(QStringLiteral("DriDb"))->currentData().toString(),
             QStorageInfo(s.db).rootPath());
    QCOMPARE(dlg.findChild<QComboBox*>(QStringLiteral("DriDb"))->itemData(0).toString(),
             QStringLiteral("/"));
    QCOMPARE(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb"))->topLevelItemCount(), 1);
    QCOMPARE(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb"))->topLevelItem(0)->text(0),
             QStorageInfo(s.db).rootPath());
    QTreeWidgetItem* current = dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb"))->currentItem();
    QVERIFY(current);
    QCOMPARE(current->text(0), QStringLiteral("db"));
    // Subfolders in name order regardless of case; no hidden folder, no file.
    QCOMPARE(Children(current), (QStringList{QStringLiteral("sub1"), QStringLiteral("Sub2")}));
}

void TestAppOptions::opensOnTheDriveThatHoldsDbPath() {
    Setup s;
    const QString vol = s.dir.path() + QStringLiteral("/vol");
    QVERIFY(QDir().mkpath(vol + QStringLiteral("/a/b/c")));
    s.g.DbPath = vol + QStringLiteral("/a/b");
    FrmEnv dlg(s.g, s.ui, nullptr, TwoDrives(vol, QStringLiteral("USB")));
    QVERIFY(s.ui.shown.empty());
    QCOMPARE(dlg.findChild<QComboBox*>(QStringLiteral("DriDb"))->count(), 2);
    QCOMPARE(dlg.findChild<QComboBox*>(QStringLiteral("DriDb"))->itemText(0), QStringLiteral("/"));
    QCOMPARE(dlg.findChild<QComboBox*>(QStringLiteral("DriDb"))->currentIndex(), 1);
    QCOMPARE(dlg.findChild<QComboBox*>(QStringLiteral("DriDb"))->currentText(),
             vol + QStringLiteral(" [USB]"));
    // The tree starts at that drive's root and walks down to the folder.
    QTreeWidgetItem* root = dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb"))->topLevelItem(0);
    QCOMPARE(root->text(0), vol);
    QCOMPARE(Children(root), QStringList{QStringLiteral("a")});
    QCOMPARE(Children(root->child(0)), QStringList{QStringLiteral("b")});
    QCOMPARE(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb"))->currentItem(),
             root->child(0)->child(0));
    QCOMPARE(Children(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb"))->currentItem()),
             QStringList{QStringLiteral("c")});
    QCOMPARE(dlg.currentFolder(), vol + QStringLiteral("/a/b"));
}

void TestAppOptions::missingOrEmptyDbPathOpensProgramFolder_data() {
    QTest::addColumn<bool>("empty");
    QTest::newRow("folder missing") << false;
    QTest::newRow("no folder set") << true;
}

void TestAppOptions::missingOrEmptyDbPathOpensProgramFolder() {
    QFETCH(bool, empty);
    Setup s;
    const QString gone = s.dir.path() + QStringLiteral("/gone");
    s.g.DbPath = empty ? QString() : gone;
    FrmEnv dlg(s.g, s.ui, nullptr, TwoDrives(s.dir.path() + QStringLiteral("/elsewhere")));
    QCOMPARE(dlg.currentFolder(), s.prog);
    QCOMPARE(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb"))->currentItem()->text(0),
             QStringLiteral("prog"));
    QCOMPARE(dlg.findChild<QComboBox*>(QStringLiteral("DriDb"))->currentIndex(), 0);
    QCOMPARE(int(s.ui.shown.size()), 1);
    QCOMPARE(s.ui.shown[0].icon, MsgIcon::Exclamation);
    QCOMPARE(s.ui.shown[0].caption, kTitle);
    const QString tail = QStringLiteral("\r") + s.prog + QStringLiteral(" を表示します。");
    if (empty) {
        QCOMPARE(s.ui.shown[0].text,
                 QStringLiteral("環境設定ファイルにデータベースパスが設定されていません。") + tail);
    } else {
        QCOMPARE(s.ui.shown[0].text, QStringLiteral("データベースパス ") + gone +
                                         QStringLiteral(" を開けません。\r") +
                                         SystemErrorText(ENOENT) + tail);
    }
    // Opening the dialog only shows; the folder stays what the settings file says.
    QCOMPARE(s.g.DbPath, empty ? QString() : gone);
}

// ---- Drives ----

void TestAppOptions::unreadableDriveShowsSystemErrorAndChangesNothing() {
    Setup s;
    const QString noMedium = s.dir.path() + QStringLiteral("/nomedium");  // never created
    FrmEnv dlg(s.g, s.ui, nullptr, TwoDrives(noMedium));
    QCOMPARE(dlg.findChild<QComboBox*>(QStringLiteral("DriDb"))->currentIndex(), 0);
    QTest::keyClick(dlg.findChild<QComboBox*>(QStringLiteral("DriDb")),
                    Qt::Key_Down);  // the user picks the second drive
    QCOMPARE(int(s.ui.shown.size()), 1);
    QCOMPARE(s.ui.shown[0].text, SystemErrorText(ENOENT));
    QCOMPARE(s.ui.shown[0].icon, MsgIcon::Exclamation);
    QCOMPARE(s.ui.shown[0].caption, kTitle);
    QCOMPARE(dlg.findChild<QComboBox*>(QStringLiteral("DriDb"))->currentIndex(),
             1);                          // the list keeps the chosen drive
    QCOMPARE(dlg.currentFolder(), s.db);  // the tree stays where it was
    QCOMPARE(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb"))->currentItem()->text(0),
             QStringLiteral("db"));
    QCOMPARE(Children(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb"))->currentItem()).size(),
             2);
}

void TestAppOptions::eachDriveKeepsItsLastFolder() {
    Setup s;
    const QString vol = s.dir.path() + QStringLiteral("/vol");
    QVERIFY(QDir().mkpath(vol + QStringLiteral("/x")));
    FrmEnv dlg(s.g, s.ui, nullptr, TwoDrives(vol));
    QCOMPARE(dlg.findChild<QComboBox*>(QStringLiteral("DriDb"))->currentIndex(), 0);

    QTest::keyClick(dlg.findChild<QComboBox*>(QStringLiteral("DriDb")),
                    Qt::Key_Down);  // first visit: the drive's root
    QCOMPARE(dlg.currentFolder(), vol);
    QCOMPARE(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb"))->topLevelItemCount(), 1);
    QCOMPARE(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb"))->currentItem(),
             dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb"))->topLevelItem(0));
    Open(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb")),
         Item(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb")), QStringLiteral("x")));
    QCOMPARE(dlg.currentFolder(), vol + QStringLiteral("/x"));

    QTest::keyClick(dlg.findChild<QComboBox*>(QStringLiteral("DriDb")), Qt::Key_Up);
    QCOMPARE(dlg.currentFolder(), s.db);
    QTest::keyClick(dlg.findChild<QComboBox*>(QStringLiteral("DriDb")), Qt::Key_Down);
    QCOMPARE(dlg.currentFolder(), vol + QStringLiteral("/x"));
    QVERIFY(s.ui.shown.empty());
}

// ---- Current folder ----

void TestAppOptions::highlightedFolderIsNotWritten() {
    Setup s;
    QVERIFY(WriteBytes(s.ini(), "[DB_PATH]\r\nDB_PATH1=/old\r\n"));
    FrmEnv dlg(s.g, s.ui, nullptr, TwoDrives(s.dir.path()));
    dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb"))
        ->setCurrentItem(Item(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb")),
                              QStringLiteral("sub1")));  // highlighted only
    QCOMPARE(dlg.currentFolder(), s.db);

    s.ui.answers.push_back(Answer::Yes);
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("CmdChange")), Qt::LeftButton);
    QCOMPARE(ReadBytes(s.ini()), "[DB_PATH]\r\nDB_PATH1=" + s.db.toUtf8() + "\r\n");
    QCOMPARE(s.g.DbPath, s.db);
    QCOMPARE(s.ui.shown.back().text, Confirmation(s.db));
    QVERIFY(s.ui.unexpected.isEmpty());
}

void TestAppOptions::changeByMode() {
    // Portable: the program's own folder is written as ".", any other as it is.
    {
        Setup s;
        s.g.DbPath = s.prog;
        FrmEnv dlg(s.g, s.ui, nullptr, TwoDrives(s.dir.path()));
        s.ui.answers.push_back(Answer::Yes);
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("CmdChange")), Qt::LeftButton);
        QCOMPARE(ReadBytes(s.ini()), "[DB_PATH]\r\nDB_PATH1=.\r\n");
        QCOMPARE(s.g.DbPath, s.prog);
        QCOMPARE(s.ui.shown.back().text, Confirmation(s.prog));
    }
    // Installed: the message says what the chosen folder gives, and where today's saved
    // properties are.
    Setup s;
    s.g.Mode = FileMode::Installed;
    s.g.UsrDbPath = s.dir.path() + QStringLiteral("/data/Morinaxis_u.mdb");
    FrmEnv dlg(s.g, s.ui, nullptr, TwoDrives(s.dir.path()));
    s.ui.answers.push_back(Answer::Yes);
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("CmdChange")), Qt::LeftButton);
    QCOMPARE(ReadBytes(s.ini()), "[DB_PATH]\r\nDB_PATH1=" + s.db.toUtf8() + "\r\n");
    QCOMPARE(
        s.ui.shown.back().text,
        QStringLiteral("データベースパス設定を変更しました。\r次の起動から、") + s.db +
            QStringLiteral(" にある Morinaxis_u.mdb（保存した物件）を使います。参考値の "
                           "Morinaxis_s.mdb は、そのフォルダにあればそれを、なければプログラムと"
                           "一緒にインストールされたものを使います。\r\rこれまでの物件を引き続き"
                           "使うには、ねだん帳を終了させてから ") +
            s.dir.path() +
            QStringLiteral("/data にある Morinaxis_u.mdb をこのフォルダに移動させてください。"));
    QCOMPARE(s.ui.shown.back().icon, MsgIcon::Exclamation);
    QVERIFY(s.ui.unexpected.isEmpty());
}

void TestAppOptions::enterAndDoubleClickOpenFolders() {
    Setup s;
    FrmEnv dlg(s.g, s.ui, nullptr, TwoDrives(s.dir.path()));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));

    dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb"))->setFocus();
    Open(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb")),
         Item(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb")), QStringLiteral("Sub2")));
    QCOMPARE(dlg.currentFolder(), s.db + QStringLiteral("/Sub2"));
    QCOMPARE(Children(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb"))->currentItem()),
             QStringList{QStringLiteral("deeper")});
    // Enter opened the folder and pressed no button.
    QVERIFY(s.ui.shown.empty());
    QVERIFY(dlg.isVisible());

    // A double-click on a part of the path goes back up to it.
    QTreeWidgetItem* parent =
        Item(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb")), QStringLiteral("db"));
    QVERIFY(parent);
    const QPoint at =
        dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb"))->visualItemRect(parent).center();
    // What a widget receives from a double-click: press, release, double-click, release.
    QWidget* viewport = dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb"))->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(dlg.currentFolder(), s.db + QStringLiteral("/Sub2"));  // a click only highlights
    QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(dlg.currentFolder(), s.db);
    QCOMPARE(Children(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb"))->currentItem()),
             (QStringList{QStringLiteral("sub1"), QStringLiteral("Sub2")}));

    // A folder removed after it was listed cannot be opened: the system's text, nothing changes.
    QVERIFY(QDir(s.db + QStringLiteral("/sub1")).removeRecursively());
    Open(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb")),
         Item(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb")), QStringLiteral("sub1")));
    QCOMPARE(dlg.currentFolder(), s.db);
    QCOMPARE(s.ui.texts(), QStringList{SystemErrorText(ENOENT)});
}

// ---- Writing the settings file ----

void TestAppOptions::noWritesNothingAndKeepsDialogOpen() {
    Setup s;
    const QByteArray before = "[DB_PATH]\r\nDB_PATH1=/old\r\n";
    QVERIFY(WriteBytes(s.ini(), before));
    FrmEnv dlg(s.g, s.ui, nullptr, TwoDrives(s.dir.path()));
    dlg.show();
    Open(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb")),
         Item(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb")), QStringLiteral("sub1")));

    s.ui.answers.push_back(Answer::No);
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("CmdChange")), Qt::LeftButton);
    QCOMPARE(int(s.ui.shown.size()), 1);
    QVERIFY(s.ui.shown[0].isQuestion);
    QCOMPARE(s.ui.shown[0].text, kQuestion);
    QCOMPARE(s.ui.shown[0].caption, kQuestionCaption);
    QCOMPARE(s.ui.shown[0].icon, MsgIcon::Question);
    QCOMPARE(ReadBytes(s.ini()), before);
    QCOMPARE(s.g.DbPath, s.db);
    QVERIFY(dlg.isVisible());
    QVERIFY(s.ui.unexpected.isEmpty());
}

void TestAppOptions::yesWritesOnlyTheFolderLine() {
    Setup s;
    const QByteArray comment =
        "; \x82\xa2\x82\xa6\x82\xcb\x82\xbe\x82\xf1\x92\xa0\x82\xcc\x90\xdd"
        "\x92\xe8\r\n";  // "; いえねだん帳の設定" in Shift-JIS
    const QByteArray head = comment + "[Other]\r\nkey = value  \r\n\r\n[db_path]\r\n";
    const QByteArray tail = "DB_PATH2=keep\r\n[Tail]\nx=1";
    QVERIFY(WriteBytes(s.ini(), head + "DB_PATH1=/old/place\r\n" + tail));
    const QString sysBefore = s.g.SysDbPath;
    const QString usrBefore = s.g.UsrDbPath;

    FrmEnv dlg(s.g, s.ui, nullptr, TwoDrives(s.dir.path()));
    dlg.show();
    Open(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb")),
         Item(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb")), QStringLiteral("sub1")));
    const QString chosen = s.db + QStringLiteral("/sub1");
    QCOMPARE(dlg.currentFolder(), chosen);

    s.ui.answers.push_back(Answer::Yes);
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("CmdChange")), Qt::LeftButton);
    QCOMPARE(ReadBytes(s.ini()), head + "DB_PATH1=" + chosen.toUtf8() + "\r\n" + tail);

    QCOMPARE(int(s.ui.shown.size()), 2);
    QCOMPARE(s.ui.shown[0].text, kQuestion);
    QCOMPARE(s.ui.shown[1].text, Confirmation(chosen));
    QVERIFY(!s.ui.shown[1].isQuestion);
    QCOMPARE(s.ui.shown[1].icon, MsgIcon::Exclamation);
    QCOMPARE(s.ui.shown[1].caption, kTitle);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Accepted));

    // DbPath changes at once; the databases in use stay until the program is started again.
    QCOMPARE(s.g.DbPath, chosen);
    QCOMPARE(s.g.SysDbPath, sysBefore);
    QCOMPARE(s.g.UsrDbPath, usrBefore);
    QCOMPARE(s.g.SysDbPath, s.db + QStringLiteral("/Morinaxis_s.mdb"));
    QVERIFY(s.ui.unexpected.isEmpty());
}

void TestAppOptions::yesCreatesMissingSettingsFile() {
    Setup s;
    QVERIFY(!QFile::exists(s.ini()));
    FrmEnv dlg(s.g, s.ui, nullptr, TwoDrives(s.dir.path()));
    s.ui.answers.push_back(Answer::Yes);
    dlg.CmdChange_Click();
    QCOMPARE(ReadBytes(s.ini()), "[DB_PATH]\r\nDB_PATH1=" + s.db.toUtf8() + "\r\n");
    QCOMPARE(s.ui.shown.back().text, Confirmation(s.db));
}

void TestAppOptions::japaneseFolderWrittenInShiftJis() {
    Setup s;
    const QString folder = s.db + QStringLiteral("/物件");
    QVERIFY(QDir().mkpath(folder));
    s.g.DbPath = folder;
    FrmEnv dlg(s.g, s.ui, nullptr, TwoDrives(s.dir.path()));
    QVERIFY(s.ui.shown.empty());
    s.ui.answers.push_back(Answer::Yes);
    dlg.CmdChange_Click();
    QCOMPARE(ReadBytes(s.ini()),
             "[DB_PATH]\r\nDB_PATH1=" + s.db.toUtf8() + "/\x95\xa8\x8c\x8f\r\n");
    QCOMPARE(s.ui.shown.back().text, Confirmation(folder));
}

void TestAppOptions::writeFailureReportedInsteadOfConfirmation_data() {
    QTest::addColumn<QString>("iniPath");
    QTest::newRow("folder of the settings file missing") << QStringLiteral("/none/Morinaxis.ini");
    QTest::newRow("settings file is a folder") << QStringLiteral("/prog/Morinaxis.ini");
}

void TestAppOptions::writeFailureReportedInsteadOfConfirmation() {
    QFETCH(QString, iniPath);
    Setup s;
    s.g.IniFilePath = s.dir.path() + iniPath;
    if (QTest::currentDataTag() == QByteArray("settings file is a folder")) {
        QVERIFY(QDir().mkpath(s.g.IniFilePath));
    }
    FrmEnv dlg(s.g, s.ui, nullptr, TwoDrives(s.dir.path()));
    dlg.show();
    Open(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb")),
         Item(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb")), QStringLiteral("sub1")));
    s.ui.answers.push_back(Answer::Yes);
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("CmdChange")), Qt::LeftButton);

    QCOMPARE(int(s.ui.shown.size()), 2);
    QCOMPARE(s.ui.shown[1].icon, MsgIcon::Critical);
    QCOMPARE(s.ui.shown[1].caption, kTitle);
    QVERIFY2(s.ui.shown[1].text.startsWith(QStringLiteral("環境設定ファイル ") + s.g.IniFilePath +
                                           QStringLiteral(" にデータベースパスを書き込めませんで"
                                                          "した。\r")),
             qPrintable(s.ui.shown[1].text));
    QVERIFY(!s.ui.shown[1].text.contains(QStringLiteral("変更しました")));
    QCOMPARE(s.g.DbPath, s.db);  // nothing was written, so nothing changed
    QVERIFY(dlg.isVisible());
    QVERIFY(QFileInfo(s.g.IniFilePath).isDir() || !QFile::exists(s.g.IniFilePath));
}

void TestAppOptions::readOnlySettingsFileReported() {
    IE_REQUIRE_PERMISSIONS_BIND();
    Setup s;
    const QByteArray before = "[DB_PATH]\r\nDB_PATH1=" + s.db.toUtf8() + "\r\n";
    QVERIFY(WriteBytes(s.ini(), before));
    QVERIFY(QFile::setPermissions(s.ini(), QFile::ReadOwner | QFile::ReadUser));
    FrmEnv dlg(s.g, s.ui, nullptr, TwoDrives(s.dir.path()));
    Open(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb")),
         Item(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb")), QStringLiteral("sub1")));
    s.ui.answers.push_back(Answer::Yes);
    dlg.CmdChange_Click();
    QCOMPARE(int(s.ui.shown.size()), 2);
    QCOMPARE(s.ui.shown[1].icon, MsgIcon::Critical);
    QVERIFY(!s.ui.shown[1].text.contains(QStringLiteral("変更しました")));
    QCOMPARE(ReadBytes(s.ini()), before);
    QCOMPARE(s.g.DbPath, s.db);
}

void TestAppOptions::unrepresentableFolderRefusedBeforeWriting() {
    Setup s;
    const QString folder = s.db + QStringLiteral("/caf\u00e9");  // é has no Shift-JIS code
    QVERIFY(QDir().mkpath(folder));
    const QByteArray before = "[DB_PATH]\r\nDB_PATH1=" + s.db.toUtf8() + "\r\n";
    QVERIFY(WriteBytes(s.ini(), before));
    FrmEnv dlg(s.g, s.ui, nullptr, TwoDrives(s.dir.path()));
    dlg.show();
    Open(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb")),
         Item(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb")), QStringLiteral("caf\u00e9")));
    QCOMPARE(dlg.currentFolder(), folder);

    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("CmdChange")),
                      Qt::LeftButton);  // no answer queued: no question may come
    QVERIFY2(s.ui.unexpected.isEmpty(), qPrintable(s.ui.unexpected.join(u'|')));
    QCOMPARE(int(s.ui.shown.size()), 1);
    QVERIFY(!s.ui.shown[0].isQuestion);
    QCOMPARE(s.ui.shown[0].icon, MsgIcon::Exclamation);
    QCOMPARE(s.ui.shown[0].caption, kTitle);
    QVERIFY(s.ui.shown[0].text.contains(folder));
    QCOMPARE(ReadBytes(s.ini()), before);
    QCOMPARE(s.g.DbPath, s.db);
    QVERIFY(dlg.isVisible());
}

void TestAppOptions::backLeavesEverythingAsItWas() {
    Setup s;
    const QByteArray before = "[DB_PATH]\r\nDB_PATH1=" + s.db.toUtf8() + "\r\n";
    QVERIFY(WriteBytes(s.ini(), before));
    FrmEnv dlg(s.g, s.ui, nullptr, TwoDrives(s.dir.path()));
    dlg.show();
    Open(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb")),
         Item(dlg.findChild<QTreeWidget*>(QStringLiteral("DirDb")), QStringLiteral("sub1")));
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("CmdOK")), Qt::LeftButton);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(ReadBytes(s.ini()), before);
    QCOMPARE(s.g.DbPath, s.db);
    QVERIFY(s.ui.shown.empty());
}

// ---- Version dialog ----

namespace {

QPixmap RedSquare() {
    QPixmap p(36, 36);
    p.fill(Qt::red);
    return p;
}

struct FakeTools {
    QString found;
    bool starts = true;
    QStringList started;
    frmAbout::SysInfoTools tools() {
        return {[this] { return found; },
                [this](const QString& path) {
                    started << path;
                    return starts;
                }};
    }
};

const QString kNoSysInfo = QStringLiteral("現時点ではｼｽﾃﾑ情報を使用できません");

}  // namespace

void TestAppOptions::aboutPictures() {
    ScriptedUi ui;
    FakeTools fake;
    frmAbout dlg(ui, RedSquare(), nullptr, fake.tools());
    // picIcon shows the main window's picture; Image1 the dialog's own 45 x 45 picture.
    auto* icon = dlg.findChild<QLabel*>(QStringLiteral("picIcon"));
    auto* image = dlg.findChild<QLabel*>(QStringLiteral("Image1"));
    QVERIFY(icon && image);
    QCOMPARE(icon->pixmap().toImage().pixelColor(18, 18), QColor(Qt::red));
    QCOMPARE(image->pixmap().size(), QSize(45, 45));
    QVERIFY(ui.shown.empty());
    QVERIFY(fake.started.isEmpty());
}

void TestAppOptions::aboutIsFixedSizeAndOkCloses() {
    ScriptedUi ui;
    FakeTools fake;
    frmAbout dlg(ui, RedSquare(), nullptr, fake.tools());
    QCOMPARE(dlg.minimumSize(), dlg.maximumSize());
    QVERIFY(!(dlg.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(dlg.windowFlags() & Qt::WindowMaximizeButtonHint));

    dlg.show();
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
    QVERIFY(!dlg.isVisible());
}

void TestAppOptions::sysInfoMissingShowsFailureAndStaysOpen() {
    ScriptedUi ui;
    FakeTools fake;  // nothing installed
    frmAbout dlg(ui, RedSquare(), nullptr, fake.tools());
    dlg.show();
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);
    QCOMPARE(int(ui.shown.size()), 1);
    QCOMPARE(ui.shown[0].text, kNoSysInfo);
    QCOMPARE(ui.shown[0].icon, MsgIcon::None);
    QCOMPARE(ui.shown[0].caption, QStringLiteral("いえねだん帳"));
    QVERIFY(!ui.shown[0].isQuestion);
    QVERIFY(fake.started.isEmpty());
    QVERIFY(dlg.isVisible());
}

void TestAppOptions::sysInfoStartsTheFoundProgram() {
    ScriptedUi ui;
    FakeTools fake;
    fake.found = QStringLiteral("/usr/bin/hardinfo");
    frmAbout dlg(ui, RedSquare(), nullptr, fake.tools());
    dlg.show();
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);
    QCOMPARE(fake.started, QStringList{QStringLiteral("/usr/bin/hardinfo")});
    QVERIFY(ui.shown.empty());
    QVERIFY(dlg.isVisible());
}

void TestAppOptions::sysInfoThatFailsToStartShowsFailure() {
    ScriptedUi ui;
    FakeTools fake;
    fake.found = QStringLiteral("/usr/bin/kinfocenter");
    fake.starts = false;
    frmAbout dlg(ui, RedSquare(), nullptr, fake.tools());
    dlg.cmdSysInfo_Click();
    QCOMPARE(fake.started.size(), 1);
    QCOMPARE(ui.texts(), QStringList{kNoSysInfo});
    QCOMPARE(ui.shown[0].icon, MsgIcon::None);
}

void TestAppOptions::sysInfoLooksForHardinfoThenKinfocenter() {
    QTemporaryDir bin;
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit());
    auto restore = qScopeGuard([&] { qputenv("PATH", oldPath); });
    auto makeProgram = [&](const QString& name) {
        const QString path = bin.path() + u'/' + name;
        QVERIFY(WriteBytes(path, "#!/bin/sh\n"));
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    };
    const frmAbout::SysInfoTools tools = frmAbout::SystemTools();
    QCOMPARE(tools.find(), QString());
    makeProgram(QStringLiteral("kinfocenter"));
    QCOMPARE(tools.find(), bin.path() + QStringLiteral("/kinfocenter"));
    makeProgram(QStringLiteral("hardinfo"));
    QCOMPARE(tools.find(), bin.path() + QStringLiteral("/hardinfo"));
}

// ---- Help document ----

void TestAppOptions::helpDocumentLinksResolve() {
    QFile file(QStringLiteral(":/help/index.html"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    QVERIFY(!html.contains(QChar::ReplacementCharacter));

    // Every link of the table of contents and the "back" links lead to an anchor of the page.
    QStringList anchors;
    const QRegularExpression name(QStringLiteral("<a name=\"([^\"]+)\">"));
    for (auto it = name.globalMatch(html); it.hasNext();) {
        anchors << it.next().captured(1);
    }
    const QRegularExpression href(QStringLiteral("<a href=\"#([^\"]+)\">"));
    int links = 0;
    for (auto it = href.globalMatch(html); it.hasNext();) {
        const QString target = it.next().captured(1);
        QVERIFY2(anchors.contains(target), qPrintable(target));
        ++links;
    }
    QVERIFY(links > 20);
    // The sections F1 opens from the dialogs.
    for (const char* section :
         {"memo", "list", "compare", "print", "kakuti", "jiten", "house-tanka", "env"})
        QVERIFY2(anchors.contains(QString::fromLatin1(section)), section);

    // The browser shows it as text, with the formula a buyer needs and where to look prices up.
    QTextDocument doc;
    doc.setHtml(html);
    const QString text = doc.toPlainText();
    QVERIFY(text.contains(QStringLiteral("路線価 × 敷地面積 × 画地補正率 ÷ 0.8")));
    QVERIFY(text.contains(QStringLiteral("https://www.rosenka.nta.go.jp/")));
    QVERIFY(text.contains(QStringLiteral("目安")));
}

QTEST_MAIN(TestAppOptions)
#include "tst_app_options.moc"
