// The three reference dialogs on a copy of the shipped reference database: what their lists show,
// what "戻る" and the other ways out store, the road check, saved choices the tables no longer
// have, broken reference tables, and that no way out leaves the reference connection open.
#include "platform/Database.h"
#include "state/ModGlobal.h"
#include "support/ScriptedUi.h"
#include "support/TestFolder.h"
#include "valuation/FrmJiten.h"
#include "valuation/FrmKakuti.h"
#include "valuation/FrmKaokuKozo.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>

using namespace ie;
using namespace Qt::StringLiterals;
using ie::test::ScriptedUi;
using ie::test::TestFolder;

namespace {

const QString kRoadMessage =
    u"「道路に面していない」と「道路に面している」を同時に選ぶことはできません。"_s;

QStringList Items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

int Selected(const QListWidget* list) {
    const auto items = list->selectedItems();
    return items.isEmpty() ? -1 : list->row(items.first());
}

}  // namespace

class TestDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    // Icon, field rules and initial focus (captions, positions and the Tab order are in
    // tests/window_layout.txt).
    void kakutiWindow();
    void jitenWindow();
    void kaokuKozoWindow();

    // Lot correction.
    void kakutiListsFromReference();
    void kakutiCliffItemLooksUpItsRank();
    void kakutiCombinesAllFactors();
    void kakutiShowsCombinedAsChoicesChange();
    void kakutiRoadCheck_data();
    void kakutiRoadCheck();
    void kakutiNoRoadWithHighVoltageIsAccepted();
    void kakutiOtherAdjustment_data();
    void kakutiOtherAdjustment();
    void kakutiLettersEmptiedOnLeaving();
    void kakutiReopensWithSavedChoices();
    void kakutiSavedRankBeyondList();
    void kakutiCloseBoxAndEscStoreNothing();
    void kakutiBrokenListTable_data();
    void kakutiBrokenListTable();
    void kakutiBrokenLookupTable();
    void kakutiDatabaseMissing();
    void dialogsWithoutDataSources();

    // The official way.
    void officialWayStoresInputsAndFactor();
    void officialWayNeedsFrontageAndDepth();
    void officialWayRefusesBadInput_data();
    void officialWayRefusesBadInput();
    void officialWayMultiplierWritesRoadPrice();
    void officialWayWithoutItsTables();

    // Land-price change.
    void jitenPrefecturesInTableOrder();
    void jitenChoosingStoresRate();
    void jitenWithoutChoiceKeepsRate();
    void jitenCloseBoxKeepsRate();
    void jitenMissingRow();
    void jitenTableWithGapUsesEachRowsId();
    void jitenEmptyTable();

    // House structure.
    void kaokuKozoEachClickLooksUp();
    void kaokuKozoCloseBoxKeepsClickedPrice();
    void kaokuKozoReturnWithoutClick();
    void kaokuKozoMissingRow();

private:
    // No way out may leave the connection open: it is closed and the next open succeeds.
    void verifyClosedAndReopens();
    void alterReference(const QString& sql);

    std::unique_ptr<TestFolder> folder_;
    std::unique_ptr<ScriptedUi> ui_;
    std::unique_ptr<ModGlobal> g_;
    std::unique_ptr<QWidget> parent_;
};

void TestDialogs::init() {
    folder_ = std::make_unique<TestFolder>();
    QVERIFY(QFile::exists(folder_->sysDb()));
    ui_ = std::make_unique<ScriptedUi>();
    ui_->tempDir = folder_->tempPath();
    g_ = std::make_unique<ModGlobal>();
    g_->SysDbPath = folder_->sysDb();
    g_->Bukken.KakutiHoseiRitu = 1.0;
    g_->Bukken.SonotaHosei = 1.0;
    parent_ = std::make_unique<QWidget>();
    QPixmap icon(16, 16);
    icon.fill(Qt::red);
    parent_->setWindowIcon(QIcon(icon));
}

void TestDialogs::cleanup() {
    QVERIFY2(ui_->unexpected.isEmpty(), qPrintable(ui_->unexpected.join(u'\n')));
    parent_.reset();
    g_.reset();
    ui_.reset();
    folder_.reset();
}

void TestDialogs::verifyClosedAndReopens() {
    QVERIFY(!g_->SysDbCon.isOpen());
    ScriptedUi quiet;
    QVERIFY(ModSysDbOpen(*g_));
    QVERIFY(quiet.shown.empty());
    ModSysDbClose(*g_);
}

void TestDialogs::alterReference(const QString& sql) {
    db::Connection con;
    con.setConnectionString(ConnectionString(folder_->sysDb()));
    con.open();
    con.execute(sql);
    con.close();
}

// ---------------------------------------------------------------------------------------------

void TestDialogs::kakutiWindow() {
    FrmKakuti dlg(*g_, *ui_, parent_.get());
    QCOMPARE(dlg.windowIcon().pixmap(16).toImage(), parent_->windowIcon().pixmap(16).toImage());
    auto* sonota = dlg.findChild<QLineEdit*>(u"TxtSonota"_s);
    QCOMPARE(sonota->maxLength(), 3);
    QCOMPARE(sonota->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    auto* gake = dlg.findChild<QListWidget*>(u"LstGake"_s);
    QCOMPARE(gake->selectionMode(), QAbstractItemView::SingleSelection);
    auto* ok = dlg.findChild<QPushButton*>(u"CmdOk"_s);

    QVERIFY(dlg.load());
    dlg.show();
    dlg.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QCOMPARE(QApplication::focusWidget(), ok);
    dlg.CmdOk_Click();
    verifyClosedAndReopens();
}

void TestDialogs::jitenWindow() {
    FrmJiten dlg(*g_, *ui_, parent_.get());
    QCOMPARE(dlg.windowIcon().pixmap(16).toImage(), parent_->windowIcon().pixmap(16).toImage());
    auto* ok = dlg.findChild<QPushButton*>(u"CmdOK"_s);

    QVERIFY(dlg.load());
    dlg.show();
    dlg.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QCOMPARE(QApplication::focusWidget(), ok);
}

void TestDialogs::kaokuKozoWindow() {
    FrmKaokuKozo dlg(*g_, *ui_, parent_.get());
    QCOMPARE(dlg.windowIcon().pixmap(16).toImage(), parent_->windowIcon().pixmap(16).toImage());
    auto* ok = dlg.findChild<QPushButton*>(u"CmdOK"_s);

    QVERIFY(dlg.load());
    dlg.show();
    dlg.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QCOMPARE(QApplication::focusWidget(), ok);
    dlg.close();
    verifyClosedAndReopens();
}

// ---------------------------------------------------------------------------------------------

void TestDialogs::kakutiListsFromReference() {
    FrmKakuti dlg(*g_, *ui_, parent_.get());
    QVERIFY(dlg.load());
    QVERIFY(ui_->shown.empty());
    // Held open until the dialog closes.
    QVERIFY(g_->SysDbCon.isOpen());

    // Each entry ends with the factor choosing it stores.
    QCOMPARE(Items(dlg.findChild<QListWidget*>(QStringLiteral("LstGake"))),
             QStringList({u"0　×1.00"_s, u"10　×0.95"_s, u"20　×0.91"_s, u"30　×0.87"_s,
                          u"40　×0.84"_s, u"50　×0.81"_s, u"60　×0.77"_s, u"70　×0.74"_s,
                          u"80　×0.70"_s, u"90　×0.65"_s}));
    QCOMPARE(Items(dlg.findChild<QListWidget*>(QStringLiteral("LstOkuyuki"))),
             QStringList({u"2倍未満　×1.00"_s, u"2～3倍　×0.98"_s, u"3～4倍　×0.96"_s,
                          u"4～5倍　×0.94"_s, u"5～6倍　×0.92"_s, u"6倍以上　×0.90"_s}));
    QCOMPARE(dlg.findChild<QListWidget*>(QStringLiteral("LstFuseikei"))->count(), 13);
    QCOMPARE(dlg.findChild<QListWidget*>(QStringLiteral("LstFuseikei"))->item(0)->text(),
             u"整形地　×1.00"_s);
    QCOMPARE(dlg.findChild<QListWidget*>(QStringLiteral("LstFuseikei"))->item(12)->text(),
             u"かげ地65%以上　×0.60"_s);
    // A fresh record: rank 0 everywhere, boxes clear, no other adjustment.
    QCOMPARE(Selected(dlg.findChild<QListWidget*>(QStringLiteral("LstGake"))), 0);
    QCOMPARE(Selected(dlg.findChild<QListWidget*>(QStringLiteral("LstOkuyuki"))), 0);
    QCOMPARE(Selected(dlg.findChild<QListWidget*>(QStringLiteral("LstFuseikei"))), 0);
    for (QCheckBox* c : dlg.findChildren<QCheckBox*>())
        QVERIFY(!c->isChecked());
    QVERIFY(dlg.findChild<QLineEdit*>(QStringLiteral("TxtSonota"))->text().isEmpty());

    dlg.CmdOk_Click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    // Every rank-0 factor of the shipped tables is 1.0.
    QCOMPARE(g_->Bukken.KakutiHoseiRitu, 1.0);
    verifyClosedAndReopens();
}

void TestDialogs::kakutiCliffItemLooksUpItsRank() {
    FrmKakuti dlg(*g_, *ui_, parent_.get());
    QVERIFY(dlg.load());
    dlg.findChild<QListWidget*>(QStringLiteral("LstGake"))->setCurrentRow(1);
    QCOMPARE(dlg.findChild<QListWidget*>(QStringLiteral("LstGake"))->currentItem()->text(),
             u"10　×0.95"_s);
    dlg.CmdOk_Click();
    QCOMPARE(g_->Bukken.GakeRank, 1);
    QCOMPARE(g_->Bukken.GakeHosei, 0.95);
    QCOMPARE(g_->Bukken.KakutiHoseiRitu, 0.95);
    verifyClosedAndReopens();
}

void TestDialogs::kakutiCombinesAllFactors() {
    FrmKakuti dlg(*g_, *ui_, parent_.get());
    QVERIFY(dlg.load());
    dlg.findChild<QCheckBox*>(QStringLiteral("ChkSoku1"))->setChecked(true);      // 1.03
    dlg.findChild<QCheckBox*>(QStringLiteral("ChkUra"))->setChecked(true);        // 1.02
    dlg.findChild<QCheckBox*>(QStringLiteral("ChkMinami"))->setChecked(true);     // 1.05
    dlg.findChild<QCheckBox*>(QStringLiteral("ChkKoatu"))->setChecked(true);      // 0.70
    dlg.findChild<QCheckBox*>(QStringLiteral("ChkMaguti"))->setChecked(true);     // 0.90
    dlg.findChild<QListWidget*>(QStringLiteral("LstOkuyuki"))->setCurrentRow(5);  // 6倍以上 0.90
    dlg.findChild<QListWidget*>(QStringLiteral("LstFuseikei"))->setCurrentRow(7);  // かげ地40% 0.85
    dlg.findChild<QListWidget*>(QStringLiteral("LstGake"))->setCurrentRow(1);      // 0.95
    dlg.findChild<QLineEdit*>(QStringLiteral("TxtSonota"))->setText(u"-20"_s);     // 0.8
    dlg.CmdOk_Click();

    const BukkenJoho& b = g_->Bukken;
    QCOMPARE(b.Sokumen1Rank, 1);
    QCOMPARE(b.Sokumen2Rank, 0);
    QCOMPARE(b.UramenRank, 1);
    QCOMPARE(b.MinamiRank, 1);
    QCOMPARE(b.KoatuRank, 1);
    QCOMPARE(b.MaguchiRank, 1);
    QCOMPARE(b.MudoroRank, 0);
    QCOMPARE(b.OkuyukiRank, 5);
    QCOMPARE(b.FuseikeiRank, 7);
    QCOMPARE(b.GakeRank, 1);
    QCOMPARE(b.SonotaRank, -20);
    QCOMPARE(b.Sokumen1Hosei, 1.03);
    QCOMPARE(b.Sokumen2Hosei, 1.0);
    QCOMPARE(b.UramenHosei, 1.02);
    QCOMPARE(b.MinamiHosei, 1.05);
    QCOMPARE(b.KoatuHosei, 0.7);
    QCOMPARE(b.MaguchiHosei, 0.9);
    QCOMPARE(b.MudoroHosei, 1.0);
    QCOMPARE(b.OkuyukiHosei, 0.9);
    QCOMPARE(b.FuseikeiHosei, 0.85);
    QCOMPARE(b.SonotaHosei, 0.8);
    QCOMPARE(b.KeijoHosei, 0.81);  // 0.9 x 0.9 is below 0.85
    // 0.7 * 0.95 * 1.03 * 1.02 * 1.05 * 0.8 * 0.81, by hand.
    QCOMPARE(b.KakutiHoseiRitu, 0.4753607796);
    QVERIFY(ui_->shown.empty());
    verifyClosedAndReopens();
}

void TestDialogs::kakutiShowsCombinedAsChoicesChange() {
    FrmKakuti dlg(*g_, *ui_, parent_.get());
    QVERIFY(dlg.load());
    QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("LblSoku1Hosei"))->text(), u"×1.03"_s);
    QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("LblMagutiHosei"))->text(), u"×0.90"_s);
    QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("LblKoatuHosei"))->text(), u"×0.70"_s);
    QVERIFY(dlg.findChild<QLabel*>(QStringLiteral("LblGokei"))->text().contains(u"100.00％"_s));
    QVERIFY(dlg.findChild<QLabel*>(QStringLiteral("LblSource"))
                ->text()
                .contains(u"財産評価基本通達"_s));

    dlg.findChild<QCheckBox*>(QStringLiteral("ChkSoku1"))->setChecked(true);  // 1.03
    QVERIFY(dlg.findChild<QLabel*>(QStringLiteral("LblGokei"))->text().contains(u"103.00％"_s));
    dlg.findChild<QListWidget*>(QStringLiteral("LstGake"))->setCurrentRow(1);  // 0.95
    QVERIFY(dlg.findChild<QLabel*>(QStringLiteral("LblGokei"))->text().contains(u"97.85％"_s));
    dlg.findChild<QLineEdit*>(QStringLiteral("TxtSonota"))->setText(u"-10"_s);  // 0.90
    QVERIFY(
        dlg.findChild<QLabel*>(QStringLiteral("LblSonotaHosei"))->text().startsWith(u"×0.90"_s));
    dlg.findChild<QCheckBox*>(QStringLiteral("ChkMaguti"))
        ->setChecked(true);  // 0.90, with depth: 0.9 x 0.98 = 0.882 < 0.92
    dlg.findChild<QListWidget*>(QStringLiteral("LstOkuyuki"))->setCurrentRow(1);   // 0.98
    dlg.findChild<QListWidget*>(QStringLiteral("LstFuseikei"))->setCurrentRow(4);  // 0.92
    // 1.03 x 0.95 x 0.90 x 0.882 = 0.776733..., by hand.
    QVERIFY2(dlg.findChild<QLabel*>(QStringLiteral("LblGokei"))->text().contains(u"77.67％"_s),
             qPrintable(dlg.findChild<QLabel*>(QStringLiteral("LblGokei"))->text()));

    // A choice "戻る" refuses shows no figure; undone, the figure is back.
    dlg.findChild<QCheckBox*>(QStringLiteral("ChkMudoro"))->setChecked(true);
    QVERIFY(!dlg.findChild<QLabel*>(QStringLiteral("LblGokei"))->text().contains(u"％"_s));
    dlg.findChild<QCheckBox*>(QStringLiteral("ChkMudoro"))->setChecked(false);
    QVERIFY(dlg.findChild<QLabel*>(QStringLiteral("LblGokei"))->text().contains(u"77.67％"_s));

    dlg.CmdOk_Click();
    QCOMPARE(g_->Bukken.KakutiHoseiRitu, 1.03 * 0.95 * 0.9 * (0.98 * 0.9));
    QVERIFY(ui_->shown.empty());
    verifyClosedAndReopens();
}

void TestDialogs::kakutiRoadCheck_data() {
    QTest::addColumn<QString>("road");
    QTest::newRow("side 1") << u"ChkSoku1"_s;
    QTest::newRow("side 2") << u"ChkSoku2"_s;
    QTest::newRow("rear") << u"ChkUra"_s;
    QTest::newRow("narrow frontage") << u"ChkMaguti"_s;
    QTest::newRow("south") << u"ChkMinami"_s;
}

void TestDialogs::kakutiRoadCheck() {
    QFETCH(QString, road);
    g_->Bukken.KakutiHoseiRitu = 0.5;  // marks the record as untouched
    FrmKakuti dlg(*g_, *ui_, parent_.get());
    QVERIFY(dlg.load());
    dlg.show();
    auto* box = dlg.findChild<QCheckBox*>(road);
    box->setChecked(true);
    dlg.findChild<QCheckBox*>(QStringLiteral("ChkMudoro"))->setChecked(true);
    dlg.findChild<QListWidget*>(QStringLiteral("LstGake"))->setCurrentRow(3);
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("CmdOk")), Qt::LeftButton);

    QCOMPARE(ui_->shown.size(), size_t(1));
    QCOMPARE(ui_->shown[0].text, kRoadMessage);
    QCOMPARE(ui_->shown[0].icon, MsgIcon::Exclamation);
    QCOMPARE(ui_->shown[0].caption, u"いえねだん帳"_s);
    QVERIFY(!dlg.findChild<QCheckBox*>(QStringLiteral("ChkMudoro"))->isChecked());
    QVERIFY(box->isChecked());
    QVERIFY(dlg.isVisible());
    QCOMPARE(g_->Bukken.KakutiHoseiRitu, 0.5);
    QCOMPARE(g_->Bukken.GakeRank, 0);
    QCOMPARE(g_->Bukken.MudoroRank, 0);
    QVERIFY(g_->SysDbCon.isOpen());  // still held for the next try

    // Corrected, the next press goes through.
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("CmdOk")), Qt::LeftButton);
    QCOMPARE(ui_->shown.size(), size_t(1));
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(g_->Bukken.MudoroRank, 0);
    QCOMPARE(g_->Bukken.GakeRank, 3);
    QVERIFY(g_->Bukken.KakutiHoseiRitu != 0.5);
    verifyClosedAndReopens();
}

void TestDialogs::kakutiNoRoadWithHighVoltageIsAccepted() {
    FrmKakuti dlg(*g_, *ui_, parent_.get());
    QVERIFY(dlg.load());
    dlg.findChild<QCheckBox*>(QStringLiteral("ChkMudoro"))->setChecked(true);
    dlg.findChild<QCheckBox*>(QStringLiteral("ChkKoatu"))->setChecked(true);
    dlg.CmdOk_Click();
    QVERIFY(ui_->shown.empty());
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(g_->Bukken.MudoroRank, 1);
    QCOMPARE(g_->Bukken.KoatuRank, 1);
    QCOMPARE(g_->Bukken.KakutiHoseiRitu, 0.42);  // 0.6 x 0.7
    verifyClosedAndReopens();
}

void TestDialogs::kakutiOtherAdjustment_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("rank");
    QTest::addColumn<double>("factor");
    QTest::addColumn<QString>("shownAfter");
    QTest::newRow("50") << u"50"_s << 50 << 1.5 << u"50"_s;
    QTest::newRow("-99") << u"-99"_s << -99 << 0.01 << u"-99"_s;
    QTest::newRow("100") << u"100"_s << 100 << 2.0 << u"100"_s;
    QTest::newRow("101 kept, no adjustment") << u"101"_s << 0 << 1.0 << u"101"_s;
    QTest::newRow("2.5") << u"2.5"_s << 2 << 1.02 << u"2.5"_s;
    QTest::newRow("lone minus") << u"-"_s << 0 << 1.0 << QString();
    QTest::newRow("empty") << QString() << 0 << 1.0 << QString();
}

void TestDialogs::kakutiOtherAdjustment() {
    QFETCH(QString, typed);
    QFETCH(int, rank);
    QFETCH(double, factor);
    QFETCH(QString, shownAfter);
    g_->Bukken.SonotaRank = 30;
    FrmKakuti dlg(*g_, *ui_, parent_.get());
    QVERIFY(dlg.load());
    QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("TxtSonota"))->text(), u"30"_s);
    dlg.findChild<QLineEdit*>(QStringLiteral("TxtSonota"))->clear();
    QTest::keyClicks(dlg.findChild<QLineEdit*>(QStringLiteral("TxtSonota")), typed);
    dlg.CmdOk_Click();
    QCOMPARE(g_->Bukken.SonotaRank, rank);
    QCOMPARE(g_->Bukken.SonotaHosei, factor);
    QCOMPARE(g_->Bukken.KakutiHoseiRitu, factor);  // every other factor is 1.0
    QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("TxtSonota"))->text(), shownAfter);
}

void TestDialogs::kakutiLettersEmptiedOnLeaving() {
    FrmKakuti dlg(*g_, *ui_, parent_.get());
    QVERIFY(dlg.load());
    dlg.show();
    dlg.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    dlg.findChild<QLineEdit*>(QStringLiteral("TxtSonota"))->setFocus();
    QTest::keyClicks(dlg.findChild<QLineEdit*>(QStringLiteral("TxtSonota")), u"abcd"_s);
    QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("TxtSonota"))->text(),
             u"abc"_s);  // three characters at most
    QTest::keyClick(dlg.findChild<QLineEdit*>(QStringLiteral("TxtSonota")), Qt::Key_Tab);
    QVERIFY(dlg.findChild<QLineEdit*>(QStringLiteral("TxtSonota"))->text().isEmpty());
    QCOMPARE(QApplication::focusWidget(), dlg.findChild<QCheckBox*>(QStringLiteral("ChkMinami")));

    // A number stays when the focus leaves, also by Enter.
    dlg.findChild<QLineEdit*>(QStringLiteral("TxtSonota"))->setFocus();
    QTest::keyClicks(dlg.findChild<QLineEdit*>(QStringLiteral("TxtSonota")), u"15"_s);
    QTest::keyClick(dlg.findChild<QLineEdit*>(QStringLiteral("TxtSonota")), Qt::Key_Return);
    QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("TxtSonota"))->text(), u"15"_s);
    QCOMPARE(QApplication::focusWidget(), dlg.findChild<QCheckBox*>(QStringLiteral("ChkMinami")));
    QVERIFY(dlg.isVisible());

    // Letters typed and the button clicked at once: emptied, no adjustment.
    dlg.findChild<QLineEdit*>(QStringLiteral("TxtSonota"))->setFocus();
    dlg.findChild<QLineEdit*>(QStringLiteral("TxtSonota"))->setText(u"x"_s);
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("CmdOk")), Qt::LeftButton);
    QVERIFY(dlg.findChild<QLineEdit*>(QStringLiteral("TxtSonota"))->text().isEmpty());
    QCOMPARE(g_->Bukken.SonotaRank, 0);
    QCOMPARE(g_->Bukken.SonotaHosei, 1.0);
    QVERIFY(ui_->shown.empty());
}

void TestDialogs::kakutiReopensWithSavedChoices() {
    BukkenJoho& b = g_->Bukken;
    b.GakeRank = 3;
    b.OkuyukiRank = 2;
    b.FuseikeiRank = 12;
    b.KoatuRank = 1;
    b.UramenRank = 1;
    b.MaguchiRank = 1;
    b.SonotaRank = -15;
    FrmKakuti dlg(*g_, *ui_, parent_.get());
    QVERIFY(dlg.load());
    QVERIFY(ui_->shown.empty());
    QCOMPARE(Selected(dlg.findChild<QListWidget*>(QStringLiteral("LstGake"))), 3);
    QCOMPARE(
        dlg.findChild<QListWidget*>(QStringLiteral("LstGake"))->selectedItems().first()->text(),
        u"30　×0.87"_s);
    QCOMPARE(Selected(dlg.findChild<QListWidget*>(QStringLiteral("LstOkuyuki"))), 2);
    QCOMPARE(Selected(dlg.findChild<QListWidget*>(QStringLiteral("LstFuseikei"))), 12);
    QVERIFY(dlg.findChild<QCheckBox*>(QStringLiteral("ChkKoatu"))->isChecked());
    QVERIFY(dlg.findChild<QCheckBox*>(QStringLiteral("ChkUra"))->isChecked());
    QVERIFY(dlg.findChild<QCheckBox*>(QStringLiteral("ChkMaguti"))->isChecked());
    QVERIFY(!dlg.findChild<QCheckBox*>(QStringLiteral("ChkSoku1"))->isChecked());
    QVERIFY(!dlg.findChild<QCheckBox*>(QStringLiteral("ChkSoku2"))->isChecked());
    QVERIFY(!dlg.findChild<QCheckBox*>(QStringLiteral("ChkMinami"))->isChecked());
    QVERIFY(!dlg.findChild<QCheckBox*>(QStringLiteral("ChkMudoro"))->isChecked());
    QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("TxtSonota"))->text(), u"-15"_s);

    // Pressed unchanged, the same choices are stored again.
    dlg.CmdOk_Click();
    QCOMPARE(b.GakeRank, 3);
    QCOMPARE(b.OkuyukiRank, 2);
    QCOMPARE(b.FuseikeiRank, 12);
    QCOMPARE(b.SonotaRank, -15);
    QCOMPARE(b.GakeHosei, 0.87);
    QCOMPARE(b.FuseikeiHosei, 0.6);
    QCOMPARE(b.OkuyukiHosei, 0.96);
}

void TestDialogs::kakutiSavedRankBeyondList() {
    g_->Bukken.OkuyukiRank = 6;    // the list has 6 items, 0 to 5
    g_->Bukken.GakeRank = 10;      // 10 items, 0 to 9
    g_->Bukken.FuseikeiRank = 12;  // still there
    FrmKakuti dlg(*g_, *ui_, parent_.get());
    QVERIFY(dlg.load());
    QCOMPARE(Selected(dlg.findChild<QListWidget*>(QStringLiteral("LstOkuyuki"))), 0);
    QCOMPARE(Selected(dlg.findChild<QListWidget*>(QStringLiteral("LstGake"))), 0);
    QCOMPARE(Selected(dlg.findChild<QListWidget*>(QStringLiteral("LstFuseikei"))), 12);
    QCOMPARE(ui_->shown.size(), size_t(1));  // told once
    const auto& m = ui_->shown[0];
    QCOMPARE(m.icon, MsgIcon::Exclamation);
    QCOMPARE(m.caption, u"いえねだん帳"_s);
    QVERIFY2(m.text.contains(u"「奥行きが長い」"_s), qPrintable(m.text));
    QVERIFY2(m.text.contains(u"「崖地の割合」"_s), qPrintable(m.text));
    QVERIFY(!m.text.contains(u"四角形でない"_s));
    QVERIFY(m.text.contains(u"もうありません"_s));

    dlg.CmdOk_Click();
    QCOMPARE(g_->Bukken.OkuyukiRank, 0);
    QCOMPARE(g_->Bukken.OkuyukiHosei, 1.0);  // not the harshest last row
    QCOMPARE(g_->Bukken.GakeRank, 0);
    QCOMPARE(g_->Bukken.GakeHosei, 1.0);
}

void TestDialogs::kakutiCloseBoxAndEscStoreNothing() {
    for (const bool byEsc : {false, true}) {
        g_->Bukken.KakutiHoseiRitu = 0.5;
        FrmKakuti dlg(*g_, *ui_, parent_.get());
        QVERIFY(dlg.load());
        dlg.show();
        dlg.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        dlg.findChild<QCheckBox*>(QStringLiteral("ChkKoatu"))->setChecked(true);
        dlg.findChild<QListWidget*>(QStringLiteral("LstGake"))->setCurrentRow(4);
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtSonota"))->setText(u"10"_s);
        if (byEsc) {
            QTest::keyClick(&dlg, Qt::Key_Escape);
        } else {
            QVERIFY(dlg.close());
        }
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(g_->Bukken.KoatuRank, 0);
        QCOMPARE(g_->Bukken.GakeRank, 0);
        QCOMPARE(g_->Bukken.SonotaRank, 0);
        QCOMPARE(g_->Bukken.KakutiHoseiRitu, 0.5);
        QVERIFY(!dlg.failed());
        verifyClosedAndReopens();
    }
    QVERIFY(ui_->shown.empty());
}

void TestDialogs::kakutiBrokenListTable_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("table");
    QTest::newRow("column gone") << u"ALTER TABLE 不整形補正率 DROP COLUMN 説明"_s
                                 << u"不整形補正率"_s;
    QTest::newRow("table gone") << u"DROP TABLE 崖地補正率"_s << u"崖地補正率"_s;
    QTest::newRow("no rows") << u"DELETE FROM 奥行長大補正率"_s << u"奥行長大補正率"_s;
}

void TestDialogs::kakutiBrokenListTable() {
    QFETCH(QString, sql);
    QFETCH(QString, table);
    alterReference(sql);
    g_->Bukken.KakutiHoseiRitu = 0.5;
    FrmKakuti dlg(*g_, *ui_, parent_.get());
    QVERIFY(!dlg.load());
    QCOMPARE(ui_->shown.size(), size_t(1));
    QCOMPARE(ui_->shown[0].icon, MsgIcon::Critical);
    QVERIFY2(ui_->shown[0].text.contains(table), qPrintable(ui_->shown[0].text));
    QCOMPARE(g_->Bukken.KakutiHoseiRitu, 0.5);
    verifyClosedAndReopens();
}

void TestDialogs::kakutiBrokenLookupTable() {
    alterReference(u"DELETE FROM 南道路補正率"_s);  // no list shows it: found on "戻る"
    g_->Bukken.KakutiHoseiRitu = 0.5;
    FrmKakuti dlg(*g_, *ui_, parent_.get());
    QVERIFY(dlg.load());
    QVERIFY(ui_->shown.empty());
    QVERIFY(dlg.findChild<QLabel*>(QStringLiteral("LblMinamiHosei"))->text().isEmpty());
    QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("LblKoatuHosei"))->text(), u"×0.70"_s);
    QVERIFY(!dlg.findChild<QLabel*>(QStringLiteral("LblGokei"))->text().contains(u"％"_s));
    dlg.show();
    dlg.findChild<QCheckBox*>(QStringLiteral("ChkKoatu"))->setChecked(true);
    dlg.findChild<QListWidget*>(QStringLiteral("LstGake"))->setCurrentRow(2);
    dlg.CmdOk_Click();
    QCOMPARE(ui_->shown.size(), size_t(1));
    QCOMPARE(ui_->shown[0].icon, MsgIcon::Critical);
    QVERIFY2(ui_->shown[0].text.contains(u"南道路補正率"_s), qPrintable(ui_->shown[0].text));
    QVERIFY(dlg.failed());
    QVERIFY(!dlg.isVisible());
    // Nothing stored, not even the factors read before the failing table.
    QCOMPARE(g_->Bukken.KakutiHoseiRitu, 0.5);
    QCOMPARE(g_->Bukken.KoatuRank, 0);
    QCOMPARE(g_->Bukken.GakeRank, 0);
    QCOMPARE(g_->Bukken.KoatuHosei, 0.0);
    verifyClosedAndReopens();
}

void TestDialogs::kakutiDatabaseMissing() {
    QVERIFY(QFile::remove(folder_->sysDb()));
    FrmKakuti dlg(*g_, *ui_, parent_.get());
    QVERIFY(!dlg.load());
    QCOMPARE(ui_->shown.size(), size_t(1));
    QCOMPARE(ui_->shown[0].icon, MsgIcon::Critical);
    QVERIFY(ui_->shown[0].text.endsWith(u"への接続失敗"_s));
    QVERIFY(!g_->SysDbCon.isOpen());
}

void TestDialogs::dialogsWithoutDataSources() {
    // A reference database from before データ出典: figures but no source line, and no message.
    alterReference(u"DROP TABLE データ出典"_s);
    FrmJiten jiten(*g_, *ui_, parent_.get());
    QVERIFY(jiten.load());
    QVERIFY(jiten.findChild<QLabel*>(QStringLiteral("LblSource"))->text().isEmpty());
    jiten.findChild<QListWidget*>(QStringLiteral("LstPref"))->setCurrentRow(12);
    jiten.CmdOK_Click();
    QCOMPARE(g_->Bukken.ChikaHendoRitu, 0.046);
    verifyClosedAndReopens();

    FrmKakuti kakuti(*g_, *ui_, parent_.get());
    QVERIFY(kakuti.load());
    QVERIFY(kakuti.findChild<QLabel*>(QStringLiteral("LblSource"))->text().isEmpty());
    QCOMPARE(kakuti.findChild<QLabel*>(QStringLiteral("LblUraHosei"))->text(), u"×1.02"_s);
    kakuti.findChild<QCheckBox*>(QStringLiteral("ChkUra"))->setChecked(true);
    kakuti.CmdOk_Click();
    QCOMPARE(g_->Bukken.KakutiHoseiRitu, 1.02);
    QVERIFY(ui_->shown.empty());
    verifyClosedAndReopens();
}

// ---------------------------------------------------------------------------------------------

namespace {

QLineEdit* Field(QWidget& dlg, const char* name) {
    return dlg.findChild<QLineEdit*>(QLatin1String(name));
}

void ChooseOfficial(QWidget& dlg) {
    dlg.findChild<QTabBar*>(u"TabWay"_s)->setCurrentIndex(1);
}

}  // namespace

void TestDialogs::officialWayStoresInputsAndFactor() {
    FrmKakuti dlg(*g_, *ui_, parent_.get());
    dlg.setWorksheet(u"320,000"_s, u"110.45"_s);
    QVERIFY(dlg.load());
    // A property saved before the official way opens in the quick way.
    QCOMPARE(dlg.findChild<QTabBar*>(u"TabWay"_s)->currentIndex(), 0);
    ChooseOfficial(dlg);
    Field(dlg, "TxtFrontage")->setText(u"5.5"_s);
    Field(dlg, "TxtDepth")->setText(u"20"_s);
    // Shown as typed: the lines in whole yen, 320,000 × 0.94 × 0.96.
    const QString steps = dlg.findChild<QPlainTextEdit*>(u"TxtOfficialSteps"_s)->toPlainText();
    QVERIFY2(steps.contains(u"= 288,768円"_s), qPrintable(steps));
    QVERIFY(steps.contains(u"付表1 奥行価格補正率 普通住宅地区 12m以上24m未満"_s));
    dlg.CmdOk_Click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(ui_->shown.empty());
    const BukkenJoho& b = g_->Bukken;
    QCOMPARE(b.LotMethod, 1);
    QCOMPARE(b.Frontage, 5.5);
    QCOMPARE(b.Depth, 20.0);
    QCOMPARE(Currency::fromDouble(320000.0 * 110.45 * b.KakutiHoseiRitu),
             Currency::fromRaw(31894425LL * Currency::kScale));
    verifyClosedAndReopens();

    // Opened again it shows the official way with its inputs; the quick way's 戻る switches back
    // and stores the quick factor.
    FrmKakuti again(*g_, *ui_, parent_.get());
    QVERIFY(again.load());
    QCOMPARE(again.findChild<QTabBar*>(u"TabWay"_s)->currentIndex(), 1);
    QCOMPARE(Field(again, "TxtFrontage")->text(), u"5.5"_s);
    again.findChild<QTabBar*>(u"TabWay"_s)->setCurrentIndex(0);
    again.CmdOk_Click();
    QCOMPARE(g_->Bukken.LotMethod, 0);
    QCOMPARE(g_->Bukken.KakutiHoseiRitu, 1.0);
    QCOMPARE(g_->Bukken.Frontage, 5.5);  // kept for a later switch back
}

void TestDialogs::officialWayNeedsFrontageAndDepth() {
    g_->Bukken.KakutiHoseiRitu = 0.5;
    FrmKakuti dlg(*g_, *ui_, parent_.get());
    dlg.setWorksheet(u"100000"_s, u"100"_s);
    QVERIFY(dlg.load());
    ChooseOfficial(dlg);
    Field(dlg, "TxtFrontage")->setText(u"10"_s);
    dlg.CmdOk_Click();
    QCOMPARE(ui_->shown.size(), size_t(1));
    QVERIFY(ui_->shown.back().text.contains(u"「奥行」"_s));
    QVERIFY(!ui_->shown.back().text.contains(u"「間口」"_s));
    QVERIFY(dlg.isVisible() || dlg.result() != QDialog::Accepted);
    QCOMPARE(g_->Bukken.KakutiHoseiRitu, 0.5);
    QCOMPARE(g_->Bukken.LotMethod, 0);
    // No road needs no dimensions.
    dlg.findChild<QCheckBox*>(u"ChkOffMudoro"_s)->setChecked(true);
    dlg.CmdOk_Click();
    QCOMPARE(ui_->shown.size(), size_t(1));
    QCOMPARE(g_->Bukken.LotMethod, 1);
    QVERIFY(qAbs(g_->Bukken.KakutiHoseiRitu - 0.6) < 1e-12);
}

void TestDialogs::officialWayRefusesBadInput_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("named");
    QTest::newRow("negative frontage") << u"TxtFrontage"_s << u"-3"_s << u"間口"_s;
    QTest::newRow("letters for depth") << u"TxtDepth"_s << u"abc"_s << u"奥行"_s;
    QTest::newRow("cliff over 100 %") << u"TxtCliffShare"_s << u"120"_s << u"がけ地"_s;
    QTest::newRow("zone under 0 %") << u"TxtDangerShare"_s << u"-1"_s << u"特別警戒区域"_s;
    QTest::newRow("assumed area under the area")
        << u"TxtAssumedArea"_s << u"99.99"_s << u"想定整形地"_s;
}

void TestDialogs::officialWayRefusesBadInput() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, named);
    g_->Bukken.KakutiHoseiRitu = 0.5;
    FrmKakuti dlg(*g_, *ui_, parent_.get());
    dlg.setWorksheet(u"100000"_s, u"100"_s);
    QVERIFY(dlg.load());
    ChooseOfficial(dlg);
    Field(dlg, "TxtFrontage")->setText(u"10"_s);
    Field(dlg, "TxtDepth")->setText(u"10"_s);
    dlg.findChild<QLineEdit*>(field)->setText(text);
    dlg.CmdOk_Click();
    QCOMPARE(ui_->shown.size(), size_t(1));
    QVERIFY2(ui_->shown.back().text.contains(named), qPrintable(ui_->shown.back().text));
    QCOMPARE(g_->Bukken.KakutiHoseiRitu, 0.5);
    QCOMPARE(g_->Bukken.LotMethod, 0);
    QCOMPARE(g_->Bukken.Frontage, 0.0);
}

void TestDialogs::officialWayMultiplierWritesRoadPrice() {
    FrmKakuti dlg(*g_, *ui_, parent_.get());
    dlg.setWorksheet(QString(), u"110.45"_s);
    QVERIFY(dlg.load());
    ChooseOfficial(dlg);
    dlg.findChild<QCheckBox*>(u"ChkMultiplier"_s)->setChecked(true);
    Field(dlg, "TxtAssessed")->setText(u"10000000"_s);
    Field(dlg, "TxtMultiplier")->setText(u"1.1"_s);
    dlg.CmdOk_Click();
    QVERIFY(ui_->shown.empty());
    // 10,000,000 × 1.1 ÷ 110.45 = 99,592.57...: written into 路線価, the factor 1.
    QCOMPARE(dlg.rosenkaToShow(), std::optional<qint64>(99592));
    QCOMPARE(g_->Bukken.Rosenka, Currency::fromRaw(99592LL * Currency::kScale));
    QVERIFY(qAbs(g_->Bukken.KakutiHoseiRitu - 1.0) < 1e-6);
}

void TestDialogs::officialWayWithoutItsTables() {
    alterReference(u"DROP TABLE 付表1奥行価格補正率"_s);
    // A quick-way property: the dialog opens, the official way cannot be chosen.
    {
        FrmKakuti dlg(*g_, *ui_, parent_.get());
        QVERIFY(dlg.load());
        QVERIFY(ui_->shown.empty());
        QVERIFY(!dlg.findChild<QTabBar*>(u"TabWay"_s)->isTabEnabled(1));
    }
    // An official-way property: the reference-read message, and its factor stays.
    g_->Bukken.LotMethod = 1;
    g_->Bukken.KakutiHoseiRitu = 0.77;
    FrmKakuti dlg(*g_, *ui_, parent_.get());
    QVERIFY(!dlg.load());
    QCOMPARE(ui_->shown.size(), size_t(1));
    QVERIFY(ui_->shown.back().text.contains(u"付表1奥行価格補正率"_s));
    QCOMPARE(g_->Bukken.KakutiHoseiRitu, 0.77);
    verifyClosedAndReopens();
}

// ---------------------------------------------------------------------------------------------

void TestDialogs::jitenPrefecturesInTableOrder() {
    FrmJiten dlg(*g_, *ui_, parent_.get());
    QVERIFY(dlg.load());
    QVERIFY(!g_->SysDbCon.isOpen());  // open only while reading
    const QStringList items = Items(dlg.findChild<QListWidget*>(QStringLiteral("LstPref")));
    QCOMPARE(items.size(), 47);
    QCOMPARE(items.mid(0, 3),
             QStringList({u"北海道　+0.2%"_s, u"青森県　-0.4%"_s, u"岩手県　-0.2%"_s}));
    QCOMPARE(items[4], u"秋田県　-0.6%"_s);
    QCOMPARE(items[12], u"東京都　+4.6%"_s);
    QCOMPARE(items[13], u"神奈川県　+3.2%"_s);
    QCOMPARE(items[44], u"宮崎県　0.0%"_s);
    QCOMPARE(items[46], u"沖縄県　+5.8%"_s);
    QVERIFY2(dlg.findChild<QLabel*>(QStringLiteral("LblSource"))
                 ->text()
                 .contains(u"都道府県地価調査 令和6年"_s),
             qPrintable(dlg.findChild<QLabel*>(QStringLiteral("LblSource"))->text()));
    QCOMPARE(Selected(dlg.findChild<QListWidget*>(QStringLiteral("LstPref"))), -1);
    QVERIFY(ui_->shown.empty());
}

void TestDialogs::jitenChoosingStoresRate() {
    FrmJiten dlg(*g_, *ui_, parent_.get());
    QVERIFY(dlg.load());
    dlg.show();
    dlg.findChild<QListWidget*>(QStringLiteral("LstPref"))->setCurrentRow(12);
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("CmdOK")), Qt::LeftButton);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(g_->Bukken.ChikaHendoRitu, 0.046);
    verifyClosedAndReopens();

    // 宮崎県 (45th) has a rate of 0.
    FrmJiten again(*g_, *ui_, parent_.get());
    QVERIFY(again.load());
    again.findChild<QListWidget*>(QStringLiteral("LstPref"))->setCurrentRow(44);
    QCOMPARE(again.findChild<QListWidget*>(QStringLiteral("LstPref"))->currentItem()->text(),
             u"宮崎県　0.0%"_s);
    again.CmdOK_Click();
    QCOMPARE(g_->Bukken.ChikaHendoRitu, 0.0);
    QVERIFY(ui_->shown.empty());
    verifyClosedAndReopens();
}

void TestDialogs::jitenWithoutChoiceKeepsRate() {
    g_->Bukken.ChikaHendoRitu = 0.012;
    FrmJiten dlg(*g_, *ui_, parent_.get());
    QVERIFY(dlg.load());
    dlg.CmdOK_Click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(g_->Bukken.ChikaHendoRitu, 0.012);
    QVERIFY(ui_->shown.empty());
    verifyClosedAndReopens();
}

void TestDialogs::jitenCloseBoxKeepsRate() {
    g_->Bukken.ChikaHendoRitu = -0.02;
    FrmJiten dlg(*g_, *ui_, parent_.get());
    QVERIFY(dlg.load());
    dlg.show();
    dlg.findChild<QListWidget*>(QStringLiteral("LstPref"))->setCurrentRow(12);
    QVERIFY(dlg.close());
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(g_->Bukken.ChikaHendoRitu, -0.02);
    verifyClosedAndReopens();
}

void TestDialogs::jitenMissingRow() {
    g_->Bukken.ChikaHendoRitu = 0.012;
    FrmJiten dlg(*g_, *ui_, parent_.get());
    QVERIFY(dlg.load());
    // The table loses a row while the dialog is open.
    alterReference(u"DELETE FROM 土地時点修正率 WHERE 都道府県ID = 13"_s);
    dlg.show();
    dlg.findChild<QListWidget*>(QStringLiteral("LstPref"))->setCurrentRow(12);
    dlg.CmdOK_Click();
    QCOMPARE(ui_->shown.size(), size_t(1));
    QCOMPARE(ui_->shown[0].icon, MsgIcon::Critical);
    QVERIFY2(ui_->shown[0].text.contains(u"土地時点修正率"_s), qPrintable(ui_->shown[0].text));
    QVERIFY(dlg.failed());
    QVERIFY(!dlg.isVisible());
    QCOMPARE(g_->Bukken.ChikaHendoRitu, 0.012);
    verifyClosedAndReopens();
}

void TestDialogs::jitenTableWithGapUsesEachRowsId() {
    // Without 北海道, 東京都 is the twelfth entry but keeps its own ID 13.
    alterReference(u"DELETE FROM 土地時点修正率 WHERE 都道府県ID = 1"_s);
    FrmJiten dlg(*g_, *ui_, parent_.get());
    QVERIFY(dlg.load());
    dlg.findChild<QListWidget*>(QStringLiteral("LstPref"))->setCurrentRow(11);
    QCOMPARE(dlg.findChild<QListWidget*>(QStringLiteral("LstPref"))->currentItem()->text(),
             u"東京都　+4.6%"_s);
    dlg.CmdOK_Click();
    QCOMPARE(g_->Bukken.ChikaHendoRitu, 0.046);
    QVERIFY(ui_->shown.empty());
    verifyClosedAndReopens();
}

void TestDialogs::jitenEmptyTable() {
    alterReference(u"DELETE FROM 土地時点修正率"_s);
    FrmJiten dlg(*g_, *ui_, parent_.get());
    QVERIFY(!dlg.load());
    QCOMPARE(ui_->shown.size(), size_t(1));
    QCOMPARE(ui_->shown[0].icon, MsgIcon::Critical);
    QVERIFY(ui_->shown[0].text.contains(u"土地時点修正率"_s));
    verifyClosedAndReopens();
}

// ---------------------------------------------------------------------------------------------

void TestDialogs::kaokuKozoEachClickLooksUp() {
    FrmKaokuKozo dlg(*g_, *ui_, parent_.get());
    QVERIFY(dlg.load());
    QVERIFY(g_->SysDbCon.isOpen());
    // Each structure with what choosing it applies: its price per tsubo and its useful life.
    const QStringList items = Items(dlg.findChild<QListWidget*>(QStringLiteral("LstKaokuKozo")));
    QCOMPARE(items.size(), 7);
    QVERIFY2(items[2].startsWith(u"鉄筋コンクリート造"_s) && items[2].contains(u"1,039,008円"_s) &&
                 items[2].contains(u"70年"_s),
             qPrintable(items[2]));
    QVERIFY2(items[5].contains(u"929,256円"_s) && items[5].contains(u"28年"_s),
             qPrintable(items[5]));
    // The data's source and its year.
    QVERIFY2(dlg.findChild<QLabel*>(QStringLiteral("LblSource"))
                     ->text()
                     .contains(u"建物の標準的な建築価額表"_s) &&
                 dlg.findChild<QLabel*>(QStringLiteral("LblSource"))->text().contains(u"令和5年"_s),
             qPrintable(dlg.findChild<QLabel*>(QStringLiteral("LblSource"))->text()));
    QCOMPARE(Selected(dlg.findChild<QListWidget*>(QStringLiteral("LstKaokuKozo"))), -1);
    QCOMPARE(g_->Bukken.KaokuTuboTanka, 0.0);  // filling the list looks nothing up
    QCOMPARE(g_->Bukken.KaokuKozoCD, 0);

    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const auto click = [&dlg](int row) {
        const QRect r =
            dlg.findChild<QListWidget*>(QStringLiteral("LstKaokuKozo"))
                ->visualItemRect(
                    dlg.findChild<QListWidget*>(QStringLiteral("LstKaokuKozo"))->item(row));
        QTest::mouseClick(dlg.findChild<QListWidget*>(QStringLiteral("LstKaokuKozo"))->viewport(),
                          Qt::LeftButton, {}, r.center());
    };
    dlg.findChild<QListWidget*>(QStringLiteral("LstKaokuKozo"))
        ->scrollToItem(dlg.findChild<QListWidget*>(QStringLiteral("LstKaokuKozo"))->item(2));
    click(2);
    QCOMPARE(Selected(dlg.findChild<QListWidget*>(QStringLiteral("LstKaokuKozo"))), 2);
    QCOMPARE(g_->Bukken.KaokuTuboTanka, 1039008.0);
    QCOMPARE(g_->Bukken.KaokuKozoCD, 3);
    dlg.findChild<QListWidget*>(QStringLiteral("LstKaokuKozo"))->setCurrentRow(0);
    dlg.findChild<QListWidget*>(QStringLiteral("LstKaokuKozo"))->setCurrentRow(6);
    QCOMPARE(g_->Bukken.KaokuTuboTanka, 929256.0);  // the last choice decides
    QCOMPARE(g_->Bukken.KaokuKozoCD, 7);
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("CmdOK")), Qt::LeftButton);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(g_->Bukken.KaokuTuboTanka, 929256.0);
    QCOMPARE(g_->Bukken.KaokuKozoCD, 7);
    QVERIFY(ui_->shown.empty());
    verifyClosedAndReopens();
}

void TestDialogs::kaokuKozoCloseBoxKeepsClickedPrice() {
    FrmKaokuKozo dlg(*g_, *ui_, parent_.get());
    QVERIFY(dlg.load());
    dlg.show();
    dlg.findChild<QListWidget*>(QStringLiteral("LstKaokuKozo"))->setCurrentRow(0);
    QVERIFY(dlg.close());
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QVERIFY(!dlg.failed());
    QCOMPARE(g_->Bukken.KaokuTuboTanka, 674711.0);
    verifyClosedAndReopens();
}

void TestDialogs::kaokuKozoReturnWithoutClick() {
    g_->Bukken.KaokuTuboTanka = 500000;
    FrmKaokuKozo dlg(*g_, *ui_, parent_.get());
    QVERIFY(dlg.load());
    dlg.CmdOK_Click();
    QCOMPARE(g_->Bukken.KaokuTuboTanka, 500000.0);
    verifyClosedAndReopens();
}

void TestDialogs::kaokuKozoMissingRow() {
    g_->Bukken.KaokuTuboTanka = 500000;
    g_->Bukken.KaokuKozoCD = 5;
    alterReference(u"DELETE FROM 家屋構造別坪単価 WHERE 構造CD = 3"_s);
    FrmKaokuKozo dlg(*g_, *ui_, parent_.get());
    QVERIFY(dlg.load());
    dlg.show();
    QCOMPARE(dlg.findChild<QListWidget*>(QStringLiteral("LstKaokuKozo"))->count(), 6);
    dlg.findChild<QListWidget*>(QStringLiteral("LstKaokuKozo"))->setCurrentRow(0);
    QCOMPARE(g_->Bukken.KaokuTuboTanka, 674711.0);
    QVERIFY(ui_->shown.empty());
    // Each entry keeps its own code: the third is code 4, not the third code.
    dlg.findChild<QListWidget*>(QStringLiteral("LstKaokuKozo"))->setCurrentRow(2);
    QVERIFY(dlg.findChild<QListWidget*>(QStringLiteral("LstKaokuKozo"))
                ->currentItem()
                ->text()
                .startsWith(u"鉄骨鉄筋コンクリート造"_s));
    QCOMPARE(g_->Bukken.KaokuTuboTanka, 1212231.0);
    QCOMPARE(g_->Bukken.KaokuKozoCD, 4);
    QVERIFY(ui_->shown.empty());
    // A row that goes while the dialog is open fails the lookup.
    alterReference(u"DELETE FROM 家屋構造別坪単価 WHERE 構造CD = 2"_s);
    dlg.findChild<QListWidget*>(QStringLiteral("LstKaokuKozo"))->setCurrentRow(1);
    QCOMPARE(ui_->shown.size(), size_t(1));
    QCOMPARE(ui_->shown[0].icon, MsgIcon::Critical);
    QVERIFY2(ui_->shown[0].text.contains(u"家屋構造別坪単価"_s), qPrintable(ui_->shown[0].text));
    QVERIFY(dlg.failed());
    QVERIFY(!dlg.isVisible());
    QCOMPARE(g_->Bukken.KaokuTuboTanka, 500000.0);  // back to the price before the dialog
    QCOMPARE(g_->Bukken.KaokuKozoCD, 5);            // and to the structure
    verifyClosedAndReopens();
}

QTEST_MAIN(TestDialogs)
#include "tst_valuation_dialogs.moc"
