// Work on the worksheet is never dropped without asking: which states count as unsaved, the
// question on every way out and on クリア with its three answers, a save that fails or is cancelled
// keeping the user where they were, and the shortcuts that reach the same commands.
#include "app/FrmMain.h"
#include "platform/Database.h"
#include "records/FrmData.h"
#include "records/FrmMemo.h"
#include "state/ModGlobal.h"
#include "support/ModalDriver.h"
#include "support/RunningProgram.h"
#include "support/TestFolder.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace ie;
using namespace Qt::StringLiterals;
using ie::test::ModalDriver;
using ie::test::RunningProgram;
using ie::test::TestFolder;

namespace {

const QString kAskSave = u"保存されていない変更があります。保存しますか。"_s;
const QString kAskDiscard = u"保存されていない変更があります。破棄しますか。"_s;

enum Path { EndButton, EndMenu, CloseBox, CtrlQ, Clear };

void Calculate(FrmMain& w) {
    w.TxtRosenka->setText(u"150,000"_s);
    w.TxtTotiMenseki->setText(u"100"_s);
    w.CmdCalcLandPrise->click();
    QCOMPARE(w.TxtTotiKakaku->text(), u"18,750,000"_s);
}

void EditMemo(FrmMain& w, const QString& address) {
    ModalDriver drive(u"FrmMemo"_s, [&](QDialog* d) {
        auto* memo = qobject_cast<FrmMemo*>(d);
        memo->TxtJusho->setText(address);
        memo->CmdOK->click();
    });
    w.CmdMemo->click();
    QVERIFY(drive.ran());
}

void ReadFirstRow(FrmMain& w) {
    ModalDriver drive(u"FrmData"_s, [](QDialog* d) {
        auto* list = qobject_cast<FrmData*>(d);
        list->DataGrid1->selectRow(0);
        list->CmdRead->click();
    });
    w.mnuSearch->trigger();
    QVERIFY(drive.ran());
}

void Leave(FrmMain& w, int path) {
    switch (path) {
        case EndButton:
            w.CmdEnd->click();
            break;
        case EndMenu:
            w.mnuEnd->trigger();
            break;
        case CloseBox:
            w.close();
            break;
        case CtrlQ:
            QTest::keySequence(&w, QKeySequence(u"Ctrl+Q"_s));
            break;
        case Clear:
            w.CmdClear->click();
            break;
    }
}

// The program went on with what the user asked for: it ended, or the worksheet is empty.
bool WentOn(FrmMain& w, int path) {
    return path == Clear ? w.TxtTotiKakaku->text().isEmpty() && !w.hasUnsavedWork()
                         : !w.isVisible();
}

}  // namespace

class TestUnsaved : public QObject {
    Q_OBJECT

    std::unique_ptr<TestFolder> folder_;
    std::unique_ptr<RunningProgram> p_;

    FrmMain& w() { return *p_->w; }
    test::ScriptedUi& ui() { return p_->ui; }
    int savedCount() {
        db::Connection con;
        con.setConnectionString(ConnectionString(folder_->usrDb()));
        con.open();
        return ModUsrRecCount(con);
    }

private Q_SLOTS:
    void init() {
        folder_ = std::make_unique<TestFolder>();
        p_ = std::make_unique<RunningProgram>(*folder_);
        QVERIFY(p_->start());
        w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w()));
    }
    void cleanup() {
        QVERIFY2(ui().unexpected.isEmpty(), qPrintable(ui().unexpected.join(u'|')));
        p_.reset();
        folder_.reset();
    }

    void states_data();
    void states();
    void exitPaths_data();
    void exitPaths();
    void memoOnlyAsksToDiscard_data();
    void memoOnlyAsksToDiscard();
    void failedOrCancelledSaveStays();
    void saveShortcutFollowsTheButton();
};

void TestUnsaved::states_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("unsaved");
    QTest::newRow("nothing changed") << u"none"_s << false;
    QTest::newRow("typed, not calculated") << u"typed"_s << false;
    QTest::newRow("calculated") << u"calculated"_s << true;
    QTest::newRow("memo edited") << u"memo"_s << true;
    QTest::newRow("memo opened, nothing changed") << u"memo same"_s << false;
    QTest::newRow("saved") << u"saved"_s << false;
    QTest::newRow("loaded") << u"loaded"_s << false;
    QTest::newRow("loaded, then memo edited") << u"loaded memo"_s << true;
}

void TestUnsaved::states() {
    QFETCH(QString, state);
    QFETCH(bool, unsaved);
    if (state == u"typed"_s) {
        w().TxtRosenka->setText(u"150,000"_s);
    } else if (state == u"calculated"_s) {
        Calculate(w());
    } else if (state == u"memo"_s) {
        EditMemo(w(), u"東京都"_s);
    } else if (state == u"memo same"_s) {
        EditMemo(w(), QString());
    } else if (state != u"none"_s) {
        Calculate(w());
        ui().answers.push_back(Answer::Yes);
        w().CmdSave->click();
        QCOMPARE(ui().notes, QStringList{u"物件データを保存しました。（物件ID 1）"_s});
        if (state.startsWith(u"loaded"_s))
            ReadFirstRow(w());
        if (state == u"loaded memo"_s)
            EditMemo(w(), u"横浜市"_s);
    }
    QCOMPARE(w().hasUnsavedWork(), unsaved);
    ui().clear();
    // Asked, the user stays; nothing unsaved, the window goes without a word, as it always did.
    const bool canSave = w().CmdSave->isEnabled();
    if (unsaved)
        ui().answers.push_back(canSave ? Answer::Cancel : Answer::No);
    w().close();
    QCOMPARE(w().isVisible(), unsaved);
    QCOMPARE(ui().texts(),
             !unsaved ? QStringList() : QStringList{canSave ? kAskSave : kAskDiscard});
}

void TestUnsaved::exitPaths_data() {
    QTest::addColumn<int>("path");
    QTest::addColumn<Answer>("answer");
    const std::pair<const char*, int> paths[] = {{"終了", EndButton},
                                                 {"終了(&X)", EndMenu},
                                                 {"close box", CloseBox},
                                                 {"Ctrl+Q", CtrlQ},
                                                 {"クリア", Clear}};
    for (const auto& [name, path] : paths) {
        QTest::addRow("%s はい", name) << path << Answer::Yes;
        QTest::addRow("%s いいえ", name) << path << Answer::No;
        QTest::addRow("%s キャンセル", name) << path << Answer::Cancel;
    }
}

void TestUnsaved::exitPaths() {
    QFETCH(int, path);
    QFETCH(Answer, answer);
    Calculate(w());
    ui().answers.push_back(answer);
    Leave(w(), path);

    // One question, with three buttons and はい as the default.
    QCOMPARE(ui().texts(), QStringList{kAskSave});
    QCOMPARE(ui().shown[0].buttons.size(), 3);
    QCOMPARE(ui().shown[0].defaultButton, Answer::Yes);
    // はい saves without asking again and goes on; いいえ goes on; キャンセル stays.
    QCOMPARE(savedCount(), answer == Answer::Yes ? 1 : 0);
    QCOMPARE(ui().notes.size(), answer == Answer::Yes ? 1 : 0);
    QCOMPARE(WentOn(w(), path), answer != Answer::Cancel);
    if (answer == Answer::Cancel) {
        QCOMPARE(w().TxtTotiKakaku->text(), u"18,750,000"_s);
        QVERIFY(w().hasUnsavedWork());
    }
}

void TestUnsaved::memoOnlyAsksToDiscard_data() {
    QTest::addColumn<int>("path");
    QTest::addColumn<Answer>("answer");
    QTest::newRow("終了 はい") << int(EndButton) << Answer::Yes;
    QTest::newRow("終了 いいえ") << int(EndButton) << Answer::No;
    QTest::newRow("クリア はい") << int(Clear) << Answer::Yes;
    QTest::newRow("クリア いいえ") << int(Clear) << Answer::No;
}

void TestUnsaved::memoOnlyAsksToDiscard() {
    QFETCH(int, path);
    QFETCH(Answer, answer);
    EditMemo(w(), u"東京都"_s);
    QVERIFY(!w().CmdSave->isEnabled());
    ui().answers.push_back(answer);
    Leave(w(), path);
    QCOMPARE(ui().texts(), QStringList{kAskDiscard});
    QVERIFY(ui().shown[0].buttons.isEmpty());  // はい / いいえ only
    QCOMPARE(ui().shown[0].defaultButton, Answer::No);
    const bool goesOn = answer == Answer::Yes;
    QCOMPARE(path == Clear ? p_->g.Bukken.Jusho.isEmpty() : !w().isVisible(), goesOn);
    QCOMPARE(savedCount(), 0);
}

void TestUnsaved::failedOrCancelledSaveStays() {
    // The photo to be saved has gone: はい tries, the save reports its failure, nothing is
    // discarded and nothing is asked again.
    Calculate(w());
    p_->g.Bukken.PicUmu = true;
    QVERIFY(QFile::remove(p_->g.Bukken.PicTempFile));
    ui().answers.push_back(Answer::Yes);
    w().CmdEnd->click();
    QCOMPARE(ui().shown.size(), size_t(2));
    QCOMPARE(ui().shown[0].text, kAskSave);
    QCOMPARE(ui().shown[1].icon, MsgIcon::Critical);
    QVERIFY(w().isVisible());
    QVERIFY(w().hasUnsavedWork());
    QCOMPARE(w().TxtTotiKakaku->text(), u"18,750,000"_s);
    QVERIFY(ui().notes.isEmpty());

    // A property whose row has gone: the save's own question, answered No, cancels the clear.
    p_->g.Bukken.PicUmu = false;
    p_->g.Bukken.NewBukken = false;
    p_->g.Bukken.BukkenID = 7;
    ui().clear();
    ui().answers = {Answer::Yes, Answer::No};
    w().CmdClear->click();
    QCOMPARE(ui().shown.size(), size_t(2));
    QVERIFY(ui().shown[1].text.startsWith(u"更新する物件データ（物件ID 7）が見つかりません。"_s));
    QCOMPARE(w().TxtTotiKakaku->text(), u"18,750,000"_s);
    QVERIFY(w().hasUnsavedWork());
    QCOMPARE(savedCount(), 0);
}

void TestUnsaved::saveShortcutFollowsTheButton() {
    // Off while the button is; on with it; Ctrl+S then asks as the button does.
    QVERIFY(!w().mnuSave->isEnabled());
    QTest::keySequence(&w(), QKeySequence(u"Ctrl+S"_s));
    QVERIFY(ui().shown.empty());
    Calculate(w());
    QVERIFY(w().mnuSave->isEnabled());
    ui().answers.push_back(Answer::Yes);
    QTest::keySequence(&w(), QKeySequence(u"Ctrl+S"_s));
    QCOMPARE(ui().texts(), QStringList{u"あたらしい物件データを保存しますか。"_s});
    QCOMPARE(savedCount(), 1);
    QVERIFY(!w().mnuSave->isEnabled());
    QVERIFY(!w().hasUnsavedWork());
}

QTEST_MAIN(TestUnsaved)
#include "tst_app_unsaved.moc"
