// Work on the worksheet is never dropped without asking: the states that count as unsaved, every
// way out with its three answers, and a save that fails or is cancelled keeping the user in place.
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

#include <functional>

using namespace ie;
using namespace Qt::StringLiterals;
using ie::test::ModalDriver;

namespace {

const QString kAskSave = u"保存されていない変更があります。保存しますか。"_s;
const QString kAskDiscard = u"保存されていない変更があります。破棄しますか。"_s;

enum Path { EndButton, EndMenu, CloseBox, CtrlQ, Clear };

void Calculate(FrmMain& w) {
    w.TxtRosenka->setText(u"150,000"_s);
    w.TxtTotiMenseki->setText(u"100"_s);
    w.CmdCalcLandPrise->click();
}

// Runs a modal dialog of the window with an action.
void Drive(const QString& name, const std::function<void(QDialog*)>& action,
           const std::function<void()>& open) {
    ModalDriver drive(name, action);
    open();
    QVERIFY(drive.ran());
}

void EditMemo(FrmMain& w, const QString& address) {
    Drive(
        u"FrmMemo"_s,
        [&](QDialog* d) {
            static_cast<FrmMemo*>(d)->TxtJusho->setText(address);
            static_cast<FrmMemo*>(d)->CmdOK->click();
        },
        [&] { w.CmdMemo->click(); });
}

}  // namespace

class TestUnsaved : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TestFolder> folder_;
    std::unique_ptr<test::RunningProgram> p_;

    FrmMain& w() { return *p_->w; }
    test::ScriptedUi& ui() { return p_->ui; }
    int savedCount() {
        db::Connection con;
        con.setConnectionString(ConnectionString(folder_->usrDb()));
        con.open();
        return ModUsrRecCount(con);
    }
    void leave(int path) {
        if (path == EndButton)
            w().CmdEnd->click();
        else if (path == EndMenu)
            w().mnuEnd->trigger();
        else if (path == CloseBox)
            w().close();
        else if (path == CtrlQ)
            QTest::keySequence(&w(), QKeySequence(u"Ctrl+Q"_s));
        else
            w().CmdClear->click();
    }
    // The program did what was asked: it ended, or the worksheet is empty.
    bool wentOn(int path) {
        return path == Clear ? w().TxtTotiKakaku->text().isEmpty() && p_->g.Bukken.Jusho.isEmpty()
                             : !w().isVisible();
    }

private Q_SLOTS:
    void init() {
        folder_ = std::make_unique<test::TestFolder>();
        p_ = std::make_unique<test::RunningProgram>(*folder_);
        QVERIFY(p_->start());
        w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w()));
    }
    void cleanup() {
        QVERIFY2(ui().unexpected.isEmpty(), qPrintable(ui().unexpected.join(u'|')));
        p_.reset();
        folder_.reset();
    }

    // Which states ask, and which question: saving is offered only while the save button is on.
    void states_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("question");
        QTest::newRow("nothing changed") << u"none"_s << QString();
        QTest::newRow("typed, not calculated") << u"typed"_s << QString();
        QTest::newRow("calculated") << u"calculated"_s << kAskSave;
        QTest::newRow("memo edited") << u"memo"_s << kAskDiscard;
        QTest::newRow("saved") << u"saved"_s << QString();
        QTest::newRow("loaded") << u"loaded"_s << QString();
        QTest::newRow("loaded, memo edited") << u"loaded memo"_s << kAskSave;
    }
    void states() {
        QFETCH(QString, state);
        QFETCH(QString, question);
        if (state == u"typed"_s) {
            w().TxtRosenka->setText(u"150,000"_s);
        } else if (state == u"calculated"_s) {
            Calculate(w());
        } else if (state == u"memo"_s) {
            EditMemo(w(), u"東京都"_s);
        } else if (state != u"none"_s) {
            Calculate(w());
            ui().answers.push_back(Answer::Yes);
            w().CmdSave->click();
            QCOMPARE(ui().notes, QStringList{u"物件データを保存しました。（物件ID 1）"_s});
            if (state.startsWith(u"loaded"_s)) {
                Drive(
                    u"FrmData"_s,
                    [](QDialog* d) {
                        static_cast<FrmData*>(d)->DataGrid1->selectRow(0);
                        static_cast<FrmData*>(d)->CmdRead->click();
                    },
                    [&] { w().mnuSearch->trigger(); });
            }
            if (state == u"loaded memo"_s)
                EditMemo(w(), u"横浜市"_s);
        }
        ui().clear();
        if (!question.isEmpty())
            ui().answers.push_back(question == kAskSave ? Answer::Cancel : Answer::No);
        w().close();
        // Asked, the user stays; nothing unsaved, the window goes without a word, as it did.
        QCOMPARE(ui().texts(), question.isEmpty() ? QStringList() : QStringList{question});
        QCOMPARE(w().isVisible(), !question.isEmpty());
    }

    void exitPaths_data() {
        QTest::addColumn<int>("path");
        QTest::addColumn<Answer>("answer");
        const char* names[] = {"終了", "終了(&X)", "close box", "Ctrl+Q", "クリア"};
        for (int path = EndButton; path <= Clear; ++path) {
            QTest::addRow("%s はい", names[path]) << path << Answer::Yes;
            QTest::addRow("%s いいえ", names[path]) << path << Answer::No;
            QTest::addRow("%s キャンセル", names[path]) << path << Answer::Cancel;
        }
        QTest::addRow("memo only, 終了 はい") << int(EndButton) << Answer::Yes;
        QTest::addRow("memo only, クリア いいえ") << int(Clear) << Answer::No;
    }
    // はい saves without the usual question and goes on, いいえ goes on, キャンセル stays; with
    // only the memo changed, はい discards and いいえ stays.
    void exitPaths() {
        QFETCH(int, path);
        QFETCH(Answer, answer);
        const bool memoOnly = QByteArray(QTest::currentDataTag()).startsWith("memo");
        if (memoOnly)
            EditMemo(w(), u"東京都"_s);
        else
            Calculate(w());
        ui().answers.push_back(answer);
        leave(path);
        QCOMPARE(ui().texts(), QStringList{memoOnly ? kAskDiscard : kAskSave});
        QCOMPARE(ui().shown[0].buttons.size(), memoOnly ? 0 : 3);
        QCOMPARE(savedCount(), !memoOnly && answer == Answer::Yes ? 1 : 0);
        QCOMPARE(wentOn(path), memoOnly ? answer == Answer::Yes : answer != Answer::Cancel);
    }

    void failedOrCancelledSaveStays() {
        // The photo to be saved has gone: the save reports it, and nothing is discarded or asked
        // again.
        Calculate(w());
        p_->g.Bukken.PicUmu = true;
        QVERIFY(QFile::remove(p_->g.Bukken.PicTempFile));
        ui().answers.push_back(Answer::Yes);
        w().CmdEnd->click();
        QCOMPARE(ui().shown.size(), size_t(2));
        QCOMPARE(ui().shown[1].icon, MsgIcon::Critical);
        QVERIFY(w().isVisible());
        // A property whose row has gone: No to the save's own question cancels the クリア too.
        p_->g.Bukken.PicUmu = false;
        p_->g.Bukken.NewBukken = false;
        p_->g.Bukken.BukkenID = 7;
        ui().clear();
        ui().answers = {Answer::Yes, Answer::No};
        w().CmdClear->click();
        QVERIFY(ui().shown.at(1).text.startsWith(u"更新する物件データ（物件ID 7）"_s));
        QCOMPARE(w().TxtTotiKakaku->text(), u"18,750,000"_s);
        QVERIFY(w().hasUnsavedWork());
        QCOMPARE(savedCount(), 0);
    }

    // Ctrl+S is off while the save button is, and then asks as the button does.
    void saveShortcutFollowsTheButton() {
        QTest::keySequence(&w(), QKeySequence(u"Ctrl+S"_s));
        QVERIFY(ui().shown.empty());
        Calculate(w());
        ui().answers.push_back(Answer::Yes);
        QTest::keySequence(&w(), QKeySequence(u"Ctrl+S"_s));
        QCOMPARE(ui().texts(), QStringList{u"あたらしい物件データを保存しますか。"_s});
        QCOMPARE(savedCount(), 1);
        QVERIFY(!w().mnuSave->isEnabled());
    }
};

QTEST_MAIN(TestUnsaved)
#include "tst_app_unsaved.moc"
