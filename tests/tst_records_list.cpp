// The property list window: its grid's font, count texts and columns, selecting rows by their
// selectors, deleting, reading, and the main window after the list has closed.
#include "app/FrmMain.h"
#include "platform/Twips.h"
#include "records/BukkenListModel.h"
#include "records/FrmData.h"
#include "state/ModGlobal.h"
#include "support/ModalDriver.h"
#include "support/RunningProgram.h"
#include "support/ScriptedUi.h"
#include "support/TestFolder.h"

#include "platform/IniFile.h"

#include <sqlite3.h>

#include <QAbstractItemModelTester>
#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include <vector>

#include <functional>
#include <memory>
#include <utility>

using namespace ie;
using namespace Qt::StringLiterals;
using ie::test::ExecSql;
using ie::test::ModalDriver;
using ie::test::ReadAll;
using ie::test::ScriptedUi;
using ie::test::TestFolder;
using ie::test::WriteAll;

namespace {

QStringList Ids(const QString& dbPath) {
    QStringList out;
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(dbPath).constData(), &db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT 物件ID FROM 物件情報", -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        out << QString::number(sqlite3_column_int64(st, 0));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

// Three properties; the second has a photo and every value the grid shows.
void AddThree(const QString& db) {
    QVERIFY(ExecSql(
        db,
        QStringLiteral(
            "INSERT INTO 物件情報 (物件ID, 住所, 敷地面積) VALUES (1, '東京都港区', 100);"
            "INSERT INTO 物件情報 (物件ID, 住所, 国税路線価, 敷地面積, 敷地評価額, 家屋評価額, "
            "敷地販売価格, 家屋販売価格, 合計販売価格, 販売会社名, 担当者名, 電話番号, 備考, "
            "家屋建築年月日, 坪単価, 画地補正率, 側1路線ランク, 現場写真) VALUES (2, '大阪府堺市', "
            "1500000000, 123.45, 192664726027, 110030764856, 250000000000, 120000000000, "
            "370000000000, '堺不動産', '山田', '072-000-0000', '角地', '2015-04-01', 550000, "
            "0.855, "
            "2, X'FFD8FFE0');"
            "INSERT INTO 物件情報 (物件ID, 住所, 敷地面積) VALUES (5, '京都府', NULL);")));
}

struct ListFixture {
    TestFolder folder;
    ScriptedUi ui;
    ModGlobal g;
    std::unique_ptr<FrmData> w;

    ListFixture() {
        ui.tempDir = folder.tempPath();
        g.UsrDbPath = folder.usrDb();
        g.Bukken.PicTempFile = folder.tempPath() + QStringLiteral("/~my1.tmp");
        WriteAll(g.Bukken.PicTempFile, QByteArray());
    }
    bool open() {
        if (!ModUsrDbOpen(g, ui, nullptr))
            return false;
        w = std::make_unique<FrmData>(g, ui);
        if (!w->Form_Load())
            return false;
        w->show();
        return QTest::qWaitForWindowExposed(w.get());
    }
    // A click on the row selector at the left edge of row, with Ctrl or Shift as given.
    void clickSelector(int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QHeaderView* h = w->findChild<QTableView*>(QStringLiteral("DataGrid1"))->verticalHeader();
        const QPoint p(h->width() / 2, h->sectionViewportPosition(row) + h->sectionSize(row) / 2);
        QTest::mouseClick(h->viewport(), Qt::LeftButton, mods, p);
    }
    QString cell(int row, const QString& column) {
        const int c = BukkenListModel::columnIndex(column);
        return w->findChild<QTableView*>(QStringLiteral("DataGrid1"))
            ->model()
            ->index(row, c)
            .data()
            .toString();
    }
};

}  // namespace

class TestList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void gridFontAndButtonsAtOpen();
    void countTexts();
    void columnsAndValues();
    void selectionDrivesButtons();
    void deleteTwoSelectedRows();
    void readLoadsCurrentRow();
    void readOfRowDeletedMeanwhile();
    void backLoadsNothing();
    void mainWindowAfterDeletingEveryRow();
    void mainWindowAfterRead();
    void sortByEachKindOfColumn();
    void workedOutColumns();
    void storedZeroAskingReadsAsNotGiven();
    void doubleClickAfterSortingReadsThatRow();
    void sizeIsRemembered();
    void modelKeepsQtsRules();
};

// Captions, positions and the Tab order are in tests/window_layout.txt.
void TestList::gridFontAndButtonsAtOpen() {
    ListFixture f;
    QVERIFY(f.open());
    FrmData& w = *f.w;
    auto* grid = w.findChild<QTableView*>(QStringLiteral("DataGrid1"));
    QVERIFY(grid);
    QCOMPARE(grid->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    QCOMPARE(grid->font().pointSize(), 9);
    // Nothing is selected yet: only 戻る can be pressed.
    for (const auto& [name, enabled] : {std::pair{"CmdDel", false}, std::pair{"CmdRead", false},
                                        std::pair{"CmdPrint", false}, std::pair{"CmdOK", true}}) {
        auto* btn = w.findChild<QPushButton*>(QLatin1String(name));
        QVERIFY2(btn, name);
        QCOMPARE(btn->isEnabled(), enabled);
    }
}

void TestList::countTexts() {
    QCOMPARE(FrmData::CountText(0), QStringLiteral("( 0 件です。 )"));
    QCOMPARE(FrmData::CountText(1), QStringLiteral("( 1 件の物件情報が保存されています。 )"));
    QCOMPARE(FrmData::CountText(12345),
             QStringLiteral("( 12345 件の物件情報が保存されています。 )"));
    {
        ListFixture f;
        f.g.Bukken.UsrRecCount = 9;
        QVERIFY(f.open());
        QCOMPARE(f.w->findChild<QLabel*>(QStringLiteral("LblRecCnt"))->text(),
                 QStringLiteral("( 0 件です。 )"));
        QCOMPARE(f.g.Bukken.UsrRecCount, 0);
        QCOMPARE(f.w->findChild<QTableView*>(QStringLiteral("DataGrid1"))->model()->rowCount(), 0);
    }
    ListFixture f;
    AddThree(f.folder.usrDb());
    QVERIFY(f.open());
    QCOMPARE(f.w->findChild<QLabel*>(QStringLiteral("LblRecCnt"))->text(),
             QStringLiteral("( 3 件の物件情報が保存されています。 )"));
    QCOMPARE(f.g.Bukken.UsrRecCount, 3);
    // Rows in ascending 物件ID order.
    QCOMPARE(f.cell(0, QStringLiteral("住所")), QStringLiteral("東京都港区"));
    QCOMPARE(f.cell(1, QStringLiteral("住所")), QStringLiteral("大阪府堺市"));
    QCOMPARE(f.cell(2, QStringLiteral("住所")), QStringLiteral("京都府"));
    QVERIFY(!f.g.Bukken.BukkenRead);
}

void TestList::columnsAndValues() {
    ListFixture f;
    AddThree(f.folder.usrDb());
    QVERIFY(f.open());
    QTableView* grid = f.w->findChild<QTableView*>(QStringLiteral("DataGrid1"));
    QAbstractItemModel* m = grid->model();
    QStringList visible;
    QStringList hidden;
    for (int c = 0; c < m->columnCount(); ++c) {
        const QString name = m->headerData(c, Qt::Horizontal).toString();
        (grid->isColumnHidden(c) ? hidden : visible) << name;
    }
    QCOMPARE(visible, (QStringList{QStringLiteral("住所"),         QStringLiteral("敷地面積"),
                                   QStringLiteral("敷地評価額"),   QStringLiteral("家屋評価額"),
                                   QStringLiteral("敷地販売価格"), QStringLiteral("家屋販売価格"),
                                   QStringLiteral("合計販売価格"), QStringLiteral("合計価格"),
                                   QStringLiteral("販売計算比"),   QStringLiteral("差額"),
                                   QStringLiteral("築年数"),       QStringLiteral("耐震"),
                                   QStringLiteral("国税路線価"),   QStringLiteral("販売会社名"),
                                   QStringLiteral("担当者名"),     QStringLiteral("電話番号"),
                                   QStringLiteral("備考"),         QStringLiteral("家屋建築年月日"),
                                   QStringLiteral("都道府県"),     QStringLiteral("市区町村"),
                                   QStringLiteral("地区名"),       QStringLiteral("最寄駅"),
                                   QStringLiteral("徒歩分")}));
    QCOMPARE(hidden.size(), 21);
    QVERIFY(hidden.contains(QStringLiteral("市区町村コード")));
    QVERIFY(hidden.contains(QStringLiteral("評価年月日")));
    QVERIFY(hidden.contains(QStringLiteral("現場写真")));
    QVERIFY(hidden.contains(QStringLiteral("物件ID")));
    QVERIFY(hidden.contains(QStringLiteral("その他ランク")));
    QVERIFY(hidden.contains(QStringLiteral("側1路線ランク")));

    const auto width = [&](const char* name) {
        return grid->columnWidth(BukkenListModel::columnIndex(QString::fromUtf8(name)));
    };
    QCOMPARE(width("住所"), Tw(2700));
    QCOMPARE(width("敷地面積"), Tw(900));
    for (const char* n : {"敷地評価額", "家屋評価額", "敷地販売価格", "家屋販売価格",
                          "合計販売価格", "合計価格", "国税路線価"}) {
        QCOMPARE(width(n), Tw(1200));
    }

    // Yen as whole yen with separators (the exact value in the tooltip), areas as plain numbers,
    // dates yyyy/mm/dd; 合計価格 is 19266472.6027 + 11003076.4856.
    QCOMPARE(f.cell(1, QStringLiteral("敷地面積")), QStringLiteral("123.45"));
    QCOMPARE(f.cell(1, QStringLiteral("敷地評価額")), QStringLiteral("19,266,473"));
    QCOMPARE(f.cell(1, QStringLiteral("家屋評価額")), QStringLiteral("11,003,076"));
    QCOMPARE(f.cell(1, QStringLiteral("合計価格")), QStringLiteral("30,269,549"));
    QCOMPARE(
        m->index(1, BukkenListModel::columnIndex(QStringLiteral("合計価格"))).data(Qt::ToolTipRole),
        QVariant(QStringLiteral("30269549.0883")));
    QCOMPARE(f.cell(1, QStringLiteral("国税路線価")), QStringLiteral("150,000"));
    QCOMPARE(f.cell(1, QStringLiteral("合計販売価格")), QStringLiteral("37,000,000"));
    QCOMPARE(f.cell(1, QStringLiteral("家屋建築年月日")), QStringLiteral("2015/04/01"));
    QCOMPARE(f.cell(1, QStringLiteral("備考")), QStringLiteral("角地"));
    QCOMPARE(f.cell(0, QStringLiteral("敷地面積")), QStringLiteral("100"));
    // Null shows empty, also in the sum.
    QCOMPARE(f.cell(2, QStringLiteral("敷地面積")), QString());
    QCOMPARE(f.cell(0, QStringLiteral("合計価格")), QString());
    // The photo column gives nothing, and no cell can be edited.
    const QModelIndex photo = m->index(1, BukkenListModel::columnIndex(QStringLiteral("現場写真")));
    QVERIFY(!photo.data().isValid());
    for (int c = 0; c < m->columnCount(); ++c) {
        QVERIFY(!(m->flags(m->index(1, c)) & Qt::ItemIsEditable));
    }
    QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(grid->verticalHeader()->isVisible());
}

void TestList::selectionDrivesButtons() {
    ListFixture f;
    AddThree(f.folder.usrDb());
    QVERIFY(f.open());
    FrmData& w = *f.w;
    const auto buttons = [&w] {
        return w.findChild<QPushButton*>(QStringLiteral("CmdDel"))->isEnabled() +
               w.findChild<QPushButton*>(QStringLiteral("CmdRead"))->isEnabled() +
               w.findChild<QPushButton*>(QStringLiteral("CmdPrint"))->isEnabled();
    };
    QCOMPARE(buttons(), 0);
    f.clickSelector(2);
    QCOMPARE(buttons(), 3);
    QCOMPARE(w.selectedIds(), (std::vector<qint32>{5}));
    // Ctrl adds a row; the order of selection is kept.
    f.clickSelector(0, Qt::ControlModifier);
    QCOMPARE(w.selectedCount(), 2);
    QCOMPARE(w.selectedIds(), (std::vector<qint32>{5, 1}));
    QCOMPARE(w.findChild<QTableView*>(QStringLiteral("DataGrid1"))->currentIndex().row(), 0);
    // Ctrl on a selected row takes it away.
    f.clickSelector(2, Qt::ControlModifier);
    QCOMPARE(w.selectedIds(), (std::vector<qint32>{1}));
    QCOMPARE(buttons(), 3);
    f.clickSelector(0, Qt::ControlModifier);
    QCOMPARE(w.selectedCount(), 0);
    QCOMPARE(buttons(), 0);
    // Shift selects the range from the current row.
    f.clickSelector(0);
    f.clickSelector(2, Qt::ShiftModifier);
    QCOMPARE(w.selectedCount(), 3);
    QCOMPARE(buttons(), 3);
    QVERIFY(f.ui.shown.empty());

    // Enter in the grid reads the current row, as 読込 does; it never asks to delete the rows.
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.findChild<QTableView*>(QStringLiteral("DataGrid1"))->setFocus();
    QTest::keyClick(w.findChild<QTableView*>(QStringLiteral("DataGrid1")), Qt::Key_Return);
    QVERIFY(f.ui.shown.empty());
    QVERIFY(f.ui.unexpected.isEmpty());
    QVERIFY(!w.isVisible());
    QVERIFY(f.g.Bukken.BukkenRead);
    QCOMPARE(f.g.Bukken.BukkenID, 5);
}

void TestList::deleteTwoSelectedRows() {
    ListFixture f;
    AddThree(f.folder.usrDb());
    QVERIFY(f.open());
    FrmData& w = *f.w;
    f.clickSelector(0);
    f.clickSelector(2, Qt::ControlModifier);

    // No: nothing goes, the selection stays.
    f.ui.answers.push_back(Answer::No);
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("CmdDel")), Qt::LeftButton);
    QCOMPARE(f.ui.shown.size(), size_t(1));
    const auto& q = f.ui.shown[0];
    QVERIFY(q.isQuestion);
    QCOMPARE(q.text, QStringLiteral("選択物件2件を削除しますか。"));
    QCOMPARE(q.caption, QStringLiteral("物件情報削除"));
    QCOMPARE(q.defaultButton, Answer::No);
    QCOMPARE(Ids(f.folder.usrDb()),
             (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("5")}));
    QCOMPARE(w.selectedCount(), 2);
    QVERIFY(w.findChild<QPushButton*>(QStringLiteral("CmdDel"))->isEnabled());

    // Yes: both go, the list and count are rebuilt, the buttons are disabled.
    f.ui.answers.push_back(Answer::Yes);
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("CmdDel")), Qt::LeftButton);
    QCOMPARE(Ids(f.folder.usrDb()), QStringList{QStringLiteral("2")});
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("LblRecCnt"))->text(),
             QStringLiteral("( 1 件の物件情報が保存されています。 )"));
    QCOMPARE(f.g.Bukken.UsrRecCount, 1);
    QCOMPARE(w.findChild<QTableView*>(QStringLiteral("DataGrid1"))->model()->rowCount(), 1);
    QCOMPARE(f.cell(0, QStringLiteral("住所")), QStringLiteral("大阪府堺市"));
    QVERIFY(!w.findChild<QPushButton*>(QStringLiteral("CmdDel"))->isEnabled() &&
            !w.findChild<QPushButton*>(QStringLiteral("CmdRead"))->isEnabled() &&
            !w.findChild<QPushButton*>(QStringLiteral("CmdPrint"))->isEnabled());
    QCOMPARE(w.selectedCount(), 0);
    QVERIFY(f.ui.unexpected.isEmpty());

    // A delete that cannot be written (another program holds the database) removes nothing.
    f.clickSelector(0);
    sqlite3* other = nullptr;
    sqlite3_open(QFile::encodeName(f.folder.usrDb()).constData(), &other);
    QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    f.ui.answers.push_back(Answer::Yes);
    // The list holds its connection open; a short wait keeps the test short.
    f.g.UsrDbCon.setBusyWait({0, 300, nullptr});
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("CmdDel")), Qt::LeftButton);
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    QCOMPARE(f.ui.shown.back().icon, MsgIcon::Critical);
    QCOMPARE(Ids(f.folder.usrDb()), QStringList{QStringLiteral("2")});
    QCOMPARE(w.findChild<QTableView*>(QStringLiteral("DataGrid1"))->model()->rowCount(), 1);
}

void TestList::readOfRowDeletedMeanwhile() {
    ListFixture f;
    AddThree(f.folder.usrDb());
    QVERIFY(f.open());
    FrmData& w = *f.w;
    const BukkenJoho before = f.g.Bukken;
    // Another copy of the program deletes the row after the list was shown.
    QVERIFY(ExecSql(f.folder.usrDb(), QStringLiteral("DELETE FROM 物件情報 WHERE 物件ID = 5")));
    f.clickSelector(2);
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("CmdRead")), Qt::LeftButton);
    QCOMPARE(f.ui.texts(),
             QStringList{QStringLiteral("選択した物件データ（物件ID 5）が見つかりません。"
                                        "一覧から削除された可能性があります。")});
    QVERIFY(w.isVisible());  // the user stays in the list
    QVERIFY(!f.g.Bukken.BukkenRead);
    QCOMPARE(f.g.Bukken.Jusho, before.Jusho);
    // The other rows still read.
    f.ui.clear();
    f.clickSelector(0);
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("CmdRead")), Qt::LeftButton);
    QCOMPARE(f.g.Bukken.BukkenID, 1);
    QVERIFY(f.ui.shown.empty());
}

void TestList::readLoadsCurrentRow() {
    ListFixture f;
    AddThree(f.folder.usrDb());
    QVERIFY(f.open());
    FrmData& w = *f.w;
    // Two rows selected; the one clicked last is the current one.
    f.clickSelector(0);
    f.clickSelector(1, Qt::ControlModifier);
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("CmdRead")), Qt::LeftButton);
    const BukkenJoho& b = f.g.Bukken;
    QVERIFY(b.BukkenRead);
    QCOMPARE(b.BukkenID, 2);
    QCOMPARE(b.Jusho, QStringLiteral("大阪府堺市"));
    QCOMPARE(b.TotiKakaku.raw(), 192'664'726'027);
    QCOMPARE(b.KakutiHoseiRitu, 0.855);
    QCOMPARE(b.Sokumen1Rank, 2);
    QCOMPARE(b.KaokuTuboTanka, 550000.0);
    QVERIFY(b.PicUmu);
    QCOMPARE(ReadAll(b.PicTempFile), QByteArray("\xff\xd8\xff\xe0"));
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QVERIFY(!w.isVisible());
    QVERIFY(f.ui.shown.empty());
}

void TestList::backLoadsNothing() {
    ListFixture f;
    AddThree(f.folder.usrDb());
    f.g.Bukken.Jusho = QStringLiteral("編集中");
    QVERIFY(f.open());
    f.clickSelector(1);
    QTest::mouseClick(f.w->findChild<QPushButton*>(QStringLiteral("CmdOK")), Qt::LeftButton);
    QVERIFY(!f.g.Bukken.BukkenRead);
    QCOMPARE(f.g.Bukken.Jusho, QStringLiteral("編集中"));
    QCOMPARE(f.w->result(), int(QDialog::Rejected));
    QVERIFY(!f.w->isVisible());
}

namespace {

struct MainProgram {
    TestFolder folder;
    ScriptedUi ui;
    ModGlobal g;
    std::unique_ptr<FrmMain> w;

    MainProgram() {
        ui.tempDir = folder.tempPath();
        g.ProgramFolder = folder.path();
    }
    bool start() {
        w = std::make_unique<FrmMain>(g, ui, FrmMain::Options{false, test::InstanceName(folder)});
        return w->startUp();
    }
    // Chooses 物件一覧(&S) and acts in the list window as soon as it is shown; a list window that
    // the action leaves open is closed, so that a failing test cannot hang.
    void runList(const std::function<void(FrmData&)>& act) {
        ModalDriver drive(QStringLiteral("FrmData"), [&](QDialog* d) {
            auto* list = qobject_cast<FrmData*>(d);
            QVERIFY(list);
            act(*list);
        });
        w->findChild<QAction*>(QStringLiteral("mnuSearch"))->trigger();
        QCOMPARE(drive.seen(), QStringLiteral("FrmData"));
        QVERIFY(drive.ran());
    }
};

void ClickRow(FrmData& list, int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QHeaderView* h = list.findChild<QTableView*>(QStringLiteral("DataGrid1"))->verticalHeader();
    QTest::mouseClick(
        h->viewport(), Qt::LeftButton, mods,
        QPoint(h->width() / 2, h->sectionViewportPosition(row) + h->sectionSize(row) / 2));
}

}  // namespace

void TestList::mainWindowAfterDeletingEveryRow() {
    MainProgram p;
    AddThree(p.folder.usrDb());
    QVERIFY(p.start());
    QVERIFY(p.w->findChild<QAction*>(QStringLiteral("mnuSearch"))->isEnabled());
    QVERIFY(p.w->findChild<QAction*>(QStringLiteral("mnuHikaku"))->isEnabled());
    QVERIFY(p.w->findChild<QAction*>(QStringLiteral("mnuExport"))->isEnabled());
    // A property being worked on, in update mode for a row that is about to go.
    BukkenJoho& b = p.g.Bukken;
    b.Rosenka = Currency::fromRaw(2'000'000'000);
    b.Jusho = QStringLiteral("作業中の物件");
    b.NewBukken = false;
    b.BukkenID = 2;
    p.w->findChild<QPushButton*>(QStringLiteral("CmdSave"))
        ->setText(QStringLiteral("既存物件更新"));
    p.w->findChild<QPushButton*>(QStringLiteral("CmdSave"))->setEnabled(true);
    p.w->findChild<QLineEdit*>(QStringLiteral("TxtRosenka"))->setText(QStringLiteral("200,000"));

    p.runList([&](FrmData& list) {
        ClickRow(list, 0);
        ClickRow(list, 2, Qt::ShiftModifier);
        p.ui.answers.push_back(Answer::Yes);
        list.findChild<QPushButton*>(QStringLiteral("CmdDel"))->click();
        list.findChild<QPushButton*>(QStringLiteral("CmdOK"))->click();
    });
    QVERIFY(p.ui.unexpected.isEmpty());
    QCOMPARE(p.ui.texts(), QStringList{QStringLiteral("選択物件3件を削除しますか。")});
    QVERIFY(Ids(p.folder.usrDb()).isEmpty());
    QCOMPARE(b.UsrRecCount, 0);
    QVERIFY(!p.w->findChild<QAction*>(QStringLiteral("mnuSearch"))->isEnabled());
    QVERIFY(!p.w->findChild<QAction*>(QStringLiteral("mnuHikaku"))->isEnabled());
    QVERIFY(!p.w->findChild<QAction*>(QStringLiteral("mnuExport"))->isEnabled());
    // New mode; the property on the worksheet and in the record is kept.
    QVERIFY(b.NewBukken);
    QCOMPARE(p.w->findChild<QPushButton*>(QStringLiteral("CmdSave"))->text(),
             QStringLiteral("新規物件保存"));
    QVERIFY(p.w->findChild<QPushButton*>(QStringLiteral("CmdSave"))->isEnabled());
    QCOMPARE(b.Rosenka.raw(), 2'000'000'000);
    QCOMPARE(b.Jusho, QStringLiteral("作業中の物件"));
    QCOMPARE(p.w->findChild<QLineEdit*>(QStringLiteral("TxtRosenka"))->text(),
             QStringLiteral("200,000"));
    QVERIFY(!p.g.UsrDbCon.isOpen());
}

void TestList::mainWindowAfterRead() {
    MainProgram p;
    AddThree(p.folder.usrDb());
    QVERIFY(p.start());
    QVERIFY(!p.w->findChild<QPushButton*>(QStringLiteral("CmdSave"))->isEnabled());
    // The worksheet shows another property, with figures the loaded one does not have.
    p.w->findChild<QLineEdit*>(QStringLiteral("TxtKaokuTateTubo"))->setText(QStringLiteral("35"));
    p.w->findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku"))
        ->setText(QStringLiteral("9,999,999"));
    p.w->findChild<QLineEdit*>(QStringLiteral("TxtJiten"))->setText(QStringLiteral("2.5"));

    p.runList([](FrmData& list) {
        ClickRow(list, 2);
        ClickRow(list, 1, Qt::ControlModifier);
        list.findChild<QPushButton*>(QStringLiteral("CmdRead"))->click();
    });
    BukkenJoho& b = p.g.Bukken;
    QVERIFY(b.BukkenRead);
    QCOMPARE(b.BukkenID, 2);
    QVERIFY(!b.NewBukken);
    QCOMPARE(p.w->findChild<QPushButton*>(QStringLiteral("CmdSave"))->text(),
             QStringLiteral("既存物件更新"));
    QVERIFY(p.w->findChild<QPushButton*>(QStringLiteral("CmdSave"))->isEnabled());
    QVERIFY(p.w->findChild<QAction*>(QStringLiteral("mnuSearch"))->isEnabled());
    // Fields whose loaded value is 0 are empty, not left from the previous property.
    QCOMPARE(p.w->findChild<QLineEdit*>(QStringLiteral("TxtKaokuTateTubo"))->text(), QString());
    QCOMPARE(p.w->findChild<QLineEdit*>(QStringLiteral("TxtJiten"))->text(), QStringLiteral("0"));
    QCOMPARE(p.w->findChild<QLineEdit*>(QStringLiteral("TxtRosenka"))->text(),
             QStringLiteral("150,000"));
    QCOMPARE(p.w->findChild<QLineEdit*>(QStringLiteral("TxtTotiMenseki"))->text(),
             QStringLiteral("123.45"));
    QCOMPARE(p.w->findChild<QLineEdit*>(QStringLiteral("TxtKakuti"))->text(),
             QStringLiteral("85.50"));
    QCOMPARE(p.w->findChild<QLineEdit*>(QStringLiteral("TxtKaokuTuboTanka"))->text(),
             QStringLiteral("550,000"));
    QCOMPARE(p.w->findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku"))->text(),
             QStringLiteral("11,003,076"));
    QCOMPARE(p.w->findChild<QLineEdit*>(QStringLiteral("TxtGokeiKakaku"))->text(),
             QStringLiteral("30,269,549"));
    QVERIFY(!p.g.UsrDbCon.isOpen());
}

namespace {

// Five properties whose columns sort differently as numbers and as text, and as kana order and as
// code points (カ sorts before さ in Japanese, after it by code point); each kind has a Null.
void AddFiveForSorting(const QString& db) {
    QVERIFY(ExecSql(
        db,
        QStringLiteral(
            "INSERT INTO 物件情報 (物件ID, 住所, 敷地面積, 敷地評価額, 家屋評価額, 合計販売価格, "
            "家屋建築年月日, 評価年月日, 坪単価, 延床面積) VALUES "
            "(1, 'さくら町', 120.5, 100000000000, 150000000000, 300000000000, '2000-06-01', "
            "'2026-01-10', 500000, 30),"
            "(2, 'あおば町', 99, NULL, 10000, NULL, NULL, '2026-01-10', 500000, 30),"
            "(3, '東京都', NULL, 200000000000, 0, 180000000000, '1999-12-31', '2026-01-10', "
            "500000, 30),"
            "(4, NULL, 1000, 50000000000, 50000000000, 160000000000, '2010-03-03', NULL, 500000, "
            "30),"
            "(5, 'カシワ町', 120.5, NULL, 10000, 90000000000, '2005-01-01', '2026-01-10', 500000, "
            "30)")));
}

// Clicks the title of a column, scrolled into view first.
void ClickTitle(FrmData& w, const QString& column) {
    const int c = BukkenListModel::columnIndex(column);
    w.findChild<QTableView*>(QStringLiteral("DataGrid1"))
        ->scrollTo(w.findChild<QTableView*>(QStringLiteral("DataGrid1"))->model()->index(0, c));
    QHeaderView* h = w.findChild<QTableView*>(QStringLiteral("DataGrid1"))->horizontalHeader();
    QTest::mouseClick(
        h->viewport(), Qt::LeftButton, Qt::NoModifier,
        QPoint(h->sectionViewportPosition(c) + h->sectionSize(c) / 2, h->height() / 2));
}

std::vector<qint32> ShownIds(FrmData& w) {
    return static_cast<BukkenListModel*>(
               w.findChild<QTableView*>(QStringLiteral("DataGrid1"))->model())
        ->ids();
}

}  // namespace

void TestList::sortByEachKindOfColumn() {
    ListFixture f;
    AddFiveForSorting(f.folder.usrDb());
    QVERIFY(f.open());
    FrmData& w = *f.w;
    using Ids = std::vector<qint32>;
    QCOMPARE(ShownIds(w), (Ids{1, 2, 3, 4, 5}));  // saved order until a title is clicked
    const struct {
        const char16_t* column;
        Ids ascending;
        Ids descending;
    } cases[] = {
        // Text in Japanese order, Null last both ways.
        {u"住所", {2, 5, 1, 3, 4}, {3, 1, 5, 2, 4}},
        // Numbers as numbers (1000 after 99); equal values keep the saved order both ways.
        {u"敷地面積", {2, 1, 5, 4, 3}, {4, 1, 5, 2, 3}},
        // The sum of two columns, Null when either is.
        {u"合計価格", {4, 3, 1, 2, 5}, {1, 3, 4, 2, 5}},
        {u"家屋建築年月日", {3, 1, 5, 4, 2}, {4, 5, 1, 3, 2}},
        // 120 %, 90 %, 160 %; none without both totals.
        {u"販売計算比", {3, 1, 4, 2, 5}, {4, 1, 3, 2, 5}},
        {u"差額", {3, 1, 4, 2, 5}, {4, 1, 3, 2, 5}},
        // 26, 27 and 21 years; none without both dates.
        {u"築年数", {5, 1, 3, 2, 4}, {3, 1, 5, 2, 4}},
    };
    for (const auto& c : cases) {
        const QString column = QString::fromUtf16(c.column);
        // The first click on a column sorts ascending, even after another went descending.
        ClickTitle(w, column);
        QVERIFY2(ShownIds(w) == c.ascending, qPrintable(column));
        ClickTitle(w, column);
        QVERIFY2(ShownIds(w) == c.descending, qPrintable(column));
    }
    // Cells follow their rows.
    QCOMPARE(f.cell(0, QStringLiteral("築年数")), QStringLiteral("27"));
    QVERIFY(f.ui.shown.empty());
}

void TestList::workedOutColumns() {
    ListFixture f;
    // Worked by hand: 30,000,000 / 30,269,549.0883 = 99.1095…%; the 64-bit limit twice over is
    // twice the asking price; a zero estimate has no ratio but a difference; no asking price has
    // neither. Ages count the calendar years from build to valuation.
    QVERIFY(ExecSql(
        f.folder.usrDb(),
        QStringLiteral(
            "INSERT INTO 物件情報 (物件ID, 敷地評価額, 家屋評価額, 合計販売価格, 家屋建築年月日, "
            "評価年月日, 坪単価, 延床面積) VALUES "
            "(1, 192664726027, 110030764856, 300000000000, '2015-04-01', '2026-01-10', 1, 1),"
            "(2, 9223372036854775807, 9223372036854775807, 9223372036854775807, '2015-12-31', "
            "'2016-01-01', 1, 1),"
            "(3, 0, 0, 100000000000, '2026-01-10', '2026-01-10', 1, 1),"
            "(4, 100000000000, 100000000000, NULL, '2000-01-01', NULL, 1, 1),"
            // Saved without a house: its build date (the day it was entered) gives no age.
            "(5, 0, 0, NULL, '2026-01-10', '2026-01-10', NULL, 30),"
            "(6, 0, 0, NULL, '2016-01-10', '2026-01-10', 500000, 0)")));
    QVERIFY(f.open());
    const auto row = [&](int r) {
        return QStringList{f.cell(r, QStringLiteral("販売計算比")),
                           f.cell(r, QStringLiteral("差額")), f.cell(r, QStringLiteral("築年数"))};
    };
    QCOMPARE(row(0), (QStringList{u"99.11　％"_s, u"-269,549"_s, u"11"_s}));
    QCOMPARE(row(1), (QStringList{u"50.00　％"_s, u"-922,337,203,685,478"_s, u"1"_s}));
    QCOMPARE(row(2), (QStringList{QString(), u"10,000,000"_s, u"0"_s}));
    QCOMPARE(row(3), (QStringList{QString(), QString(), QString()}));
    QCOMPARE(f.cell(4, QStringLiteral("築年数")), QString());
    QCOMPARE(f.cell(5, QStringLiteral("築年数")), QString());
}

void TestList::storedZeroAskingReadsAsNotGiven() {
    ListFixture f;
    // Rows saved before an empty asking price was stored as Null hold 0 for it.
    QVERIFY(ExecSql(f.folder.usrDb(),
                    QStringLiteral("INSERT INTO 物件情報 (物件ID, 敷地評価額, 家屋評価額, "
                                   "合計販売価格, 敷地販売価格) VALUES "
                                   "(1, 200000000000, 58814520000, 0, 0),"
                                   "(2, 200000000000, 58814520000, 250000000000, 1),"
                                   "(3, 200000000000, 58814520000, NULL, NULL)")));
    QVERIFY(f.open());
    for (const char16_t* column : {u"合計販売価格", u"販売計算比", u"差額", u"敷地販売価格"}) {
        QCOMPARE(f.cell(0, QString::fromUtf16(column)), QString());
        QCOMPARE(f.cell(2, QString::fromUtf16(column)), QString());
    }
    QCOMPARE(f.cell(1, QStringLiteral("差額")), u"-881,452"_s);
    QCOMPARE(f.cell(1, QStringLiteral("敷地販売価格")), u"0"_s);  // 0.0001 yen is given
    using Ids = std::vector<qint32>;
    for (const char16_t* column : {u"合計販売価格", u"差額"}) {
        ClickTitle(*f.w, QString::fromUtf16(column));
        QCOMPARE(ShownIds(*f.w), (Ids{2, 1, 3}));
        ClickTitle(*f.w, QString::fromUtf16(column));
        QCOMPARE(ShownIds(*f.w), (Ids{2, 1, 3}));
    }
}

void TestList::doubleClickAfterSortingReadsThatRow() {
    ListFixture f;
    AddFiveForSorting(f.folder.usrDb());
    QVERIFY(f.open());
    FrmData& w = *f.w;
    ClickTitle(w, QStringLiteral("住所"));
    ClickTitle(w, QStringLiteral("住所"));  // descending: 東京都 (ID 3) first
    const QModelIndex first =
        w.findChild<QTableView*>(QStringLiteral("DataGrid1"))->model()->index(0, 1);
    w.findChild<QTableView*>(QStringLiteral("DataGrid1"))->scrollTo(first);
    const QPoint at =
        w.findChild<QTableView*>(QStringLiteral("DataGrid1"))->visualRect(first).center();
    QTest::mouseClick(w.findChild<QTableView*>(QStringLiteral("DataGrid1"))->viewport(),
                      Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(w.findChild<QTableView*>(QStringLiteral("DataGrid1"))->viewport(),
                       Qt::LeftButton, Qt::NoModifier, at);
    QVERIFY(f.g.Bukken.BukkenRead);
    QCOMPARE(f.g.Bukken.BukkenID, 3);
    QCOMPARE(f.g.Bukken.Jusho, QStringLiteral("東京都"));
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QVERIFY(f.ui.shown.empty());
}

void TestList::sizeIsRemembered() {
    ListFixture f;
    f.g.IniFilePath = f.folder.file(QStringLiteral("Morinaxis.ini"));
    const QByteArray dbPath = "[DB_PATH]\r\nPATH = C:\\物件\r\n";
    QVERIFY(WriteAll(f.g.IniFilePath, dbPath));
    QVERIFY(f.open());
    const QSize designed = f.w->size();
    const QSize gridAtDesign = f.w->findChild<QTableView*>(QStringLiteral("DataGrid1"))->size();
    const QPoint okFromCorner = QPoint(designed.width(), designed.height()) -
                                f.w->findChild<QPushButton*>(QStringLiteral("CmdOK"))->pos();
    f.w->resize(designed + QSize(200, 150));
    // The grid takes all the room the window gained; 戻る keeps to the bottom right corner.
    QCOMPARE(f.w->findChild<QTableView*>(QStringLiteral("DataGrid1"))->size(),
             gridAtDesign + QSize(200, 150));
    QCOMPARE(QPoint(f.w->width(), f.w->height()) -
                 f.w->findChild<QPushButton*>(QStringLiteral("CmdOK"))->pos(),
             okFromCorner);
    QTest::mouseClick(f.w->findChild<QPushButton*>(QStringLiteral("CmdOK")), Qt::LeftButton);
    QVERIFY(ReadAll(f.g.IniFilePath).startsWith(dbPath));
    QCOMPARE(FrmData::RememberedSize(f.g.IniFilePath), designed + QSize(200, 150));
    // Never smaller than the buttons need, whatever the file says.
    QCOMPARE(ModWriteOption(f.g.IniFilePath, QStringLiteral("FRMDATA_SIZE"), u"10,10"_s),
             ini::WriteResult::Ok);
    const QSize smallest = FrmData::RememberedSize(f.g.IniFilePath);
    QVERIFY(smallest.width() > 10 && smallest.height() > 10);
    QCOMPARE(smallest, f.w->minimumSize());
}

// The model as any view may use it: attached, every kind of column sorted both ways (and back to
// the saved order), a row gone meanwhile, detached and attached again.
void TestList::modelKeepsQtsRules() {
    TestFolder folder;
    AddFiveForSorting(folder.usrDb());
    db::Connection con;
    con.setConnectionString(ConnectionString(folder.usrDb()));
    con.open();
    BukkenListModel model(con);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.attach();
    QCOMPARE(model.rowCount(), 5);
    for (int c = 0; c < model.columnCount(); ++c) {
        model.sort(c, Qt::AscendingOrder);
        model.sort(c, Qt::DescendingOrder);
    }
    model.sort(-1);
    QVERIFY(ExecSql(folder.usrDb(), u"DELETE FROM 物件情報 WHERE 物件ID = 1"_s));
    const int address = BukkenListModel::columnIndex(u"住所"_s);
    model.sort(address);
    // The row gone meanwhile stays, empty and among the Null values, until the model is attached
    // again.
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(model.ids(), (std::vector<qint32>{2, 5, 3, 1, 4}));
    QVERIFY(model.index(3, address).data().toString().isEmpty());
    model.detach();
    QCOMPARE(model.rowCount(), 0);
    model.attach();
    QCOMPARE(model.rowCount(), 4);
}

QTEST_MAIN(TestList)
#include "tst_records_list.moc"
