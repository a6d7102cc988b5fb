// Work on the worksheet is never dropped without asking: what counts as unsaved, every way out with
// its answers, and a save that fails or is cancelled keeping the user where they were.
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

namespace {

const QString kAskSave = u"保存されていない変更があります。保存しますか。"_s;
const QString kAskDiscard = u"保存されていない変更があります。破棄しますか。"_s;
enum Path { EndButton, EndMenu, CloseBox, CtrlQ, Clear };

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
    void calculate() {
        w().findChild<QLineEdit*>(QStringLiteral("TxtRosenka"))->setText(u"150,000"_s);
        w().findChild<QLineEdit*>(QStringLiteral("TxtTotiMenseki"))->setText(u"100"_s);
        w().findChild<QPushButton*>(QStringLiteral("CmdCalcLandPrise"))->click();
    }
    template <typename Dialog>
    void drive(const QString& name, std::function<void(Dialog*)> action, QAction* open) {
        test::ModalDriver driver(name, [&](QDialog* d) { action(static_cast<Dialog*>(d)); });
        open ? open->trigger() : w().findChild<QPushButton*>(QStringLiteral("CmdMemo"))->click();
        QVERIFY(driver.ran());
    }
    void editMemo() {
        drive<FrmMemo>(
            u"FrmMemo"_s,
            [](FrmMemo* m) {
                m->findChild<QLineEdit*>(QStringLiteral("TxtJusho"))
                    ->setText(m->findChild<QLineEdit*>(QStringLiteral("TxtJusho"))->text() +
                              u"東京都"_s);
                m->findChild<QPushButton*>(QStringLiteral("CmdOK"))->click();
            },
            nullptr);
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

    void leaving_data() {
        QTest::addColumn<QString>("done");
        QTest::addColumn<int>("path");
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<bool>("goesOn");
        // A calculated result: はい saves without the usual question and goes on, いいえ goes on,
        // キャンセル stays, whichever way out.
        const char* names[] = {"終了", "終了(&X)", "close box", "Ctrl+Q", "クリア"};
        for (int path = EndButton; path <= Clear; ++path) {
            QTest::addRow("calculated, %s はい", names[path])
                << u"calculated"_s << path << Answer::Yes << kAskSave << true;
            QTest::addRow("calculated, %s いいえ", names[path])
                << u"calculated"_s << path << Answer::No << kAskSave << true;
            QTest::addRow("calculated, %s キャンセル", names[path])
                << u"calculated"_s << path << Answer::Cancel << kAskSave << false;
        }
        // Only the memo changed, nothing to save yet: はい discards, いいえ stays.
        QTest::newRow("memo, 終了 はい")
            << u"memo"_s << int(EndButton) << Answer::Yes << kAskDiscard << true;
        QTest::newRow("memo, クリア いいえ")
            << u"memo"_s << int(Clear) << Answer::No << kAskDiscard << false;
        QTest::newRow("loaded, memo, 終了 キャンセル")
            << u"loaded memo"_s << int(EndButton) << Answer::Cancel << kAskSave << false;
        // Nothing unsaved: no word, as it always was.
        for (const QString& done : {u"nothing"_s, u"typed"_s, u"saved"_s, u"loaded"_s})
            QTest::addRow("%s", qPrintable(done))
                << done << int(EndButton) << Answer::No << QString() << true;
    }
    void leaving() {
        QFETCH(QString, done);
        QFETCH(int, path);
        QFETCH(Answer, answer);
        QFETCH(QString, asked);
        QFETCH(bool, goesOn);
        if (done == u"typed"_s)
            w().findChild<QLineEdit*>(QStringLiteral("TxtRosenka"))->setText(u"150,000"_s);
        if (done == u"calculated"_s || done == u"saved"_s || done.startsWith(u"loaded"_s))
            calculate();
        if (done == u"saved"_s || done.startsWith(u"loaded"_s)) {
            ui().answers.push_back(Answer::Yes);
            w().findChild<QPushButton*>(QStringLiteral("CmdSave"))->click();
            QCOMPARE(ui().notes, QStringList{u"物件データを保存しました。（物件ID 1）"_s});
        }
        if (done.startsWith(u"loaded"_s)) {
            drive<FrmData>(
                u"FrmData"_s,
                [](FrmData* list) {
                    list->findChild<QTableView*>(QStringLiteral("DataGrid1"))->selectRow(0);
                    list->findChild<QPushButton*>(QStringLiteral("CmdRead"))->click();
                },
                w().findChild<QAction*>(QStringLiteral("mnuSearch")));
        }
        if (done.endsWith(u"memo"_s))
            editMemo();
        const int before = savedCount();
        ui().clear();
        if (!asked.isEmpty())
            ui().answers.push_back(answer);

        if (path == EndButton)
            w().findChild<QPushButton*>(QStringLiteral("CmdEnd"))->click();
        else if (path == EndMenu)
            w().findChild<QAction*>(QStringLiteral("mnuEnd"))->trigger();
        else if (path == CloseBox)
            w().close();
        else if (path == CtrlQ)
            QTest::keySequence(&w(), QKeySequence(u"Ctrl+Q"_s));
        else
            w().findChild<QPushButton*>(QStringLiteral("CmdClear"))->click();

        QCOMPARE(ui().texts(), asked.isEmpty() ? QStringList() : QStringList{asked});
        const bool saves = asked == kAskSave && answer == Answer::Yes;
        QCOMPARE(savedCount(), before + (saves ? 1 : 0));
        QCOMPARE(path == Clear ? w().hasUnsavedWork() : w().isVisible(), !goesOn);
        if (path == Clear && goesOn)
            QVERIFY(w().findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku"))->text().isEmpty() &&
                    p_->g.Bukken.Jusho.isEmpty());
    }

    void failedOrCancelledSaveStays() {
        // The photo to be saved has gone: the save says so, and nothing is discarded or asked
        // again.
        calculate();
        p_->g.Bukken.PicUmu = true;
        QVERIFY(QFile::remove(p_->g.Bukken.PicTempFile));
        ui().answers.push_back(Answer::Yes);
        w().findChild<QPushButton*>(QStringLiteral("CmdEnd"))->click();
        QCOMPARE(ui().shown.size(), size_t(2));
        QCOMPARE(ui().shown[1].icon, MsgIcon::Critical);
        QVERIFY(w().isVisible());
        // A property whose row has gone: No to the save's own question cancels クリア as well.
        p_->g.Bukken.PicUmu = false;
        p_->g.Bukken.NewBukken = false;
        p_->g.Bukken.BukkenID = 7;
        ui().clear();
        ui().answers = {Answer::Yes, Answer::No};
        w().findChild<QPushButton*>(QStringLiteral("CmdClear"))->click();
        QVERIFY(ui().shown.at(1).text.contains(u"ほかのいえねだん帳で削除されています"_s));
        QCOMPARE(w().findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku"))->text(),
                 u"18,750,000"_s);
        QCOMPARE(savedCount(), 0);
    }

    // Ctrl+S is off while the save button is, and then asks as the button does.
    void saveShortcutFollowsTheButton() {
        QTest::keySequence(&w(), QKeySequence(u"Ctrl+S"_s));
        QVERIFY(ui().shown.empty());
        calculate();
        ui().answers.push_back(Answer::Yes);
        QTest::keySequence(&w(), QKeySequence(u"Ctrl+S"_s));
        QCOMPARE(ui().texts(), QStringList{u"あたらしい物件データを保存しますか。"_s});
        QCOMPARE(savedCount(), 1);
        QVERIFY(!w().findChild<QAction*>(QStringLiteral("mnuSave"))->isEnabled());
    }
};

QTEST_MAIN(TestUnsaved)
#include "tst_app_unsaved.moc"
