// The main window's three reference buttons: after its dialog has closed, each shows in its own
// field what the record holds. The modal dialogs are driven as they are shown (ModalDriver), found
// by object name; a dialog of another name, or one the action leaves open, is rejected, so a fault
// fails the test instead of hanging it.
#include "app/FrmMain.h"
#include "state/ModGlobal.h"
#include "support/ModalDriver.h"
#include "support/RunningProgram.h"
#include "support/ScriptedUi.h"
#include "support/TestFolder.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace ie;
using namespace Qt::StringLiterals;
using ie::test::ModalDriver;
using ie::test::RunningProgram;
using ie::test::ScriptedUi;
using ie::test::TestFolder;

namespace {

void Choose(QDialog* dlg, const char* list, int row) {
    dlg->findChild<QListWidget*>(QLatin1String(list))->setCurrentRow(row);
}

void Press(QDialog* dlg, const char* button) {
    QTest::mouseClick(dlg->findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
}

}  // namespace

class TestReferenceButtons : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void lotCorrectionShowsPercent();
    void lotCorrectionCloseBoxShowsUnchangedFactor();
    void changeRateFromPrefecture();
    void changeRateCloseBoxRewritesField();
    void housePriceFromStructure();
    void housePriceCloseBoxKeepsClickedPrice();
    void housePriceReturnWithoutClickAndZeroPrice();
    void referenceDatabaseGone();

private:
    std::unique_ptr<TestFolder> folder_;
    std::unique_ptr<RunningProgram> program_;
    ScriptedUi* ui_ = nullptr;
    ModGlobal* g_ = nullptr;
    FrmMain* w_ = nullptr;
};

void TestReferenceButtons::init() {
    folder_ = std::make_unique<TestFolder>();
    program_ = std::make_unique<RunningProgram>(*folder_);
    ui_ = &program_->ui;
    g_ = &program_->g;
    w_ = program_->w.get();
    QVERIFY(program_->start());
    ui_->clear();
}

void TestReferenceButtons::cleanup() {
    QVERIFY2(ui_->unexpected.isEmpty(), qPrintable(ui_->unexpected.join(u'\n')));
    QVERIFY(!g_->SysDbCon.isOpen());
    w_ = nullptr;
    g_ = nullptr;
    ui_ = nullptr;
    program_.reset();
    folder_.reset();
}

void TestReferenceButtons::lotCorrectionShowsPercent() {
    ModalDriver drive(u"FrmKakuti"_s, [](QDialog* d) {
        Choose(d, "LstGake", 1);      // 10 % cliff: 0.95
        Choose(d, "LstFuseikei", 7);  // 0.85
        Press(d, "CmdOk");
    });
    QTest::mouseClick(w_->findChild<QPushButton*>(QStringLiteral("CmdFeaMod")), Qt::LeftButton);
    QVERIFY(drive.ran());
    QCOMPARE(drive.seen(), u"FrmKakuti"_s);
    QCOMPARE(g_->Bukken.KakutiHoseiRitu, 0.8075);
    QCOMPARE(w_->findChild<QLineEdit*>(QStringLiteral("TxtKakuti"))->text(), u"80.75"_s);
    QVERIFY(ui_->shown.empty());
}

void TestReferenceButtons::lotCorrectionCloseBoxShowsUnchangedFactor() {
    g_->Bukken.KakutiHoseiRitu = 0.855;
    w_->findChild<QLineEdit*>(QStringLiteral("TxtKakuti"))->setText(u"12.00"_s);
    ModalDriver drive(u"FrmKakuti"_s, [](QDialog* d) {
        Choose(d, "LstGake", 5);
        d->close();
    });
    w_->CmdFeaMod_Click();
    QVERIFY(drive.ran());
    QCOMPARE(g_->Bukken.GakeRank, 0);
    QCOMPARE(w_->findChild<QLineEdit*>(QStringLiteral("TxtKakuti"))->text(), u"85.50"_s);
}

void TestReferenceButtons::changeRateFromPrefecture() {
    ModalDriver drive(u"FrmJiten"_s, [](QDialog* d) {
        Choose(d, "LstPref", 12);  // 東京都
        Press(d, "CmdOK");
    });
    QTest::mouseClick(w_->findChild<QPushButton*>(QStringLiteral("CmdTimeMod")), Qt::LeftButton);
    QVERIFY(drive.ran());
    QCOMPARE(drive.seen(), u"FrmJiten"_s);
    QCOMPARE(w_->findChild<QLineEdit*>(QStringLiteral("TxtJiten"))->text(), u"4.6"_s);
}

void TestReferenceButtons::changeRateCloseBoxRewritesField() {
    w_->findChild<QLineEdit*>(QStringLiteral("TxtJiten"))
        ->setText(u"5"_s);  // typed, never calculated: the record still holds 0
    ModalDriver drive(u"FrmJiten"_s, [](QDialog* d) {
        Choose(d, "LstPref", 12);
        d->close();
    });
    w_->CmdTimeMod_Click();
    QVERIFY(drive.ran());
    QCOMPARE(w_->findChild<QLineEdit*>(QStringLiteral("TxtJiten"))->text(), u"0"_s);
}

void TestReferenceButtons::housePriceFromStructure() {
    ModalDriver drive(u"FrmKaokuKozo"_s, [](QDialog* d) {
        Choose(d, "LstKaokuKozo", 2);
        Press(d, "CmdOK");
    });
    QTest::mouseClick(w_->findChild<QPushButton*>(QStringLiteral("CmdKaokuKozo")), Qt::LeftButton);
    QVERIFY(drive.ran());
    QCOMPARE(drive.seen(), u"FrmKaokuKozo"_s);
    QCOMPARE(w_->findChild<QLineEdit*>(QStringLiteral("TxtKaokuTuboTanka"))->text(),
             u"1,039,008"_s);
}

void TestReferenceButtons::housePriceCloseBoxKeepsClickedPrice() {
    ModalDriver drive(u"FrmKaokuKozo"_s, [](QDialog* d) {
        Choose(d, "LstKaokuKozo", 0);
        d->close();
    });
    w_->CmdKaokuKozo_Click();
    QVERIFY(drive.ran());
    QCOMPARE(w_->findChild<QLineEdit*>(QStringLiteral("TxtKaokuTuboTanka"))->text(), u"674,711"_s);
}

void TestReferenceButtons::housePriceReturnWithoutClickAndZeroPrice() {
    // A price of 0 leaves the field as typed.
    w_->findChild<QLineEdit*>(QStringLiteral("TxtKaokuTuboTanka"))->setText(u"600,000"_s);
    {
        ModalDriver drive(u"FrmKaokuKozo"_s, [](QDialog* d) { Press(d, "CmdOK"); });
        w_->CmdKaokuKozo_Click();
        QVERIFY(drive.ran());
    }
    QCOMPARE(w_->findChild<QLineEdit*>(QStringLiteral("TxtKaokuTuboTanka"))->text(), u"600,000"_s);
    // A price already in the record replaces what was typed since.
    g_->Bukken.KaokuTuboTanka = 500000;
    {
        ModalDriver drive(u"FrmKaokuKozo"_s, [](QDialog* d) { Press(d, "CmdOK"); });
        w_->CmdKaokuKozo_Click();
        QVERIFY(drive.ran());
    }
    QCOMPARE(w_->findChild<QLineEdit*>(QStringLiteral("TxtKaokuTuboTanka"))->text(), u"500,000"_s);
}

void TestReferenceButtons::referenceDatabaseGone() {
    QVERIFY(QFile::remove(folder_->sysDb()));
    w_->findChild<QLineEdit*>(QStringLiteral("TxtJiten"))->setText(u"5"_s);
    w_->findChild<QLineEdit*>(QStringLiteral("TxtKakuti"))->setText(u"90.00"_s);
    w_->CmdTimeMod_Click();
    w_->CmdFeaMod_Click();
    w_->CmdKaokuKozo_Click();
    // One message per press, no dialog, and the worksheet as it was; the program goes on.
    QCOMPARE(ui_->shown.size(), size_t(3));
    for (const auto& m : ui_->shown) {
        QCOMPARE(m.icon, MsgIcon::Critical);
        QVERIFY2(m.text.endsWith(u"への接続失敗"_s), qPrintable(m.text));
    }
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(w_->findChild<QLineEdit*>(QStringLiteral("TxtJiten"))->text(), u"5"_s);
    QCOMPARE(w_->findChild<QLineEdit*>(QStringLiteral("TxtKakuti"))->text(), u"90.00"_s);
    QVERIFY(w_->isVisible());
}

QTEST_MAIN(TestReferenceButtons)
#include "tst_valuation_referencebuttons.moc"
