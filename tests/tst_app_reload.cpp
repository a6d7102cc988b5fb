// A saved property loaded into the main window months later: its valuation date and road-price
// year come back with its figures, so recalculating gives them again; the next save or クリア
// puts both dates back to the start-up values.
#include "app/FrmMain.h"
#include "platform/DateInput.h"
#include "records/FrmData.h"
#include "state/ModGlobal.h"
#include "support/ModalDriver.h"
#include "support/RunningProgram.h"
#include "support/TestFolder.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace ie;
using namespace Qt::StringLiterals;
using ie::test::ExecSql;
using ie::test::ModalDriver;
using ie::test::RunningProgram;
using ie::test::TestFolder;

namespace {

bool Start(RunningProgram& p) {
    if (!p.start())
        return false;
    p.w->activateWindow();
    return QTest::qWaitForWindowActive(p.w.get());
}

// Types into a field and leaves it, as the user does.
void Type(QLineEdit* field, const QString& text) {
    field->setFocus(Qt::OtherFocusReason);
    field->setText(text);
    QTest::keyClick(field, Qt::Key_Tab);
}

// Opens 物件一覧 and reads its first row.
void ReadFirstRow(RunningProgram& p) {
    ModalDriver drive(u"FrmData"_s, [](QDialog* d) {
        auto* list = qobject_cast<FrmData*>(d);
        QVERIFY(list);
        list->findChild<QTableView*>(QStringLiteral("DataGrid1"))->selectRow(0);
        list->findChild<QPushButton*>(QStringLiteral("CmdRead"))->click();
    });
    p.w->findChild<QAction*>(QStringLiteral("mnuSearch"))->trigger();
    QVERIFY(drive.ran());
    QVERIFY(p.g.Bukken.BukkenRead);
}

QStringList Results(const FrmMain& w) {
    return {w.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku"))->text(),
            w.findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku"))->text(),
            w.findChild<QLineEdit*>(QStringLiteral("TxtGokeiKakaku"))->text()};
}

}  // namespace

class TestReload : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void datesComeBackAndGoAgain() {
        TestFolder folder;
        // Worked out on 2025/03/31 with the road prices of 2024 (the start-up year then):
        //   150,000 × 100 ÷ 0.8 = 18,750,000; 455 days = 365 + 90 at 5 %:
        //   × 1.05 = 19,687,500; × (1 + 0.05 × 90/365) = 19,930,222.60 → 19,930,223
        //   house built 2015, age 10, rate 0.721: 500,000 × 30 × 0.721 = 10,815,000
        const QStringList saved = {u"19,930,223"_s, u"10,815,000"_s, u"30,745,223"_s};
        {
            RunningProgram p(folder, QDate(2025, 3, 31));
            QVERIFY(Start(p));
            QCOMPARE(p.w->findChild<DateInput*>(QStringLiteral("imDateRosen"))->value(),
                     QDate(2024, 1, 1));
            Type(p.w->findChild<QLineEdit*>(QStringLiteral("TxtRosenka")), u"150000"_s);
            Type(p.w->findChild<QLineEdit*>(QStringLiteral("TxtTotiMenseki")), u"100"_s);
            Type(p.w->findChild<QLineEdit*>(QStringLiteral("TxtJiten")), u"5"_s);
            QTest::mouseClick(p.w->findChild<QPushButton*>(QStringLiteral("CmdCalcLandPrise")),
                              Qt::LeftButton);
            Type(p.w->findChild<QLineEdit*>(QStringLiteral("TxtKaokuTuboTanka")), u"500000"_s);
            Type(p.w->findChild<QLineEdit*>(QStringLiteral("TxtKaokuTateTubo")), u"30"_s);
            p.w->findChild<DateInput*>(QStringLiteral("imDateKaoku"))->setValue(QDate(2015, 6, 1));
            p.g.Bukken.KaokuDate = QDate(2015, 6, 1);
            QTest::mouseClick(p.w->findChild<QPushButton*>(QStringLiteral("CmdKaokuKeisan")),
                              Qt::LeftButton);
            QCOMPARE(Results(*p.w), saved);
            p.ui.answers.push_back(Answer::Yes);
            QTest::mouseClick(p.w->findChild<QPushButton*>(QStringLiteral("CmdSave")),
                              Qt::LeftButton);
            QVERIFY(p.ui.unexpected.isEmpty());
        }

        RunningProgram p(folder, QDate(2026, 12, 7));
        QVERIFY(Start(p));
        const auto startUpDates = [&p] {
            QCOMPARE(p.w->findChild<DateInput*>(QStringLiteral("imDateHyoka"))->value(),
                     QDate(2026, 12, 7));
            QCOMPARE(p.w->findChild<DateInput*>(QStringLiteral("imDateRosen"))->value(),
                     QDate(2026, 1, 1));
            QCOMPARE(p.g.Bukken.HyokaDate, QDate(2026, 12, 7));
            QCOMPARE(p.g.Bukken.RosenkaNendo, QDate(2026, 1, 1));
        };
        startUpDates();
        ReadFirstRow(p);
        QCOMPARE(p.w->findChild<DateInput*>(QStringLiteral("imDateHyoka"))->value(),
                 QDate(2025, 3, 31));
        QCOMPARE(p.w->findChild<DateInput*>(QStringLiteral("imDateRosen"))->value(),
                 QDate(2024, 1, 1));
        QCOMPARE(Results(*p.w), saved);

        // The user tabs through both dates and recalculates: the same figures.
        for (QWidget* field :
             {static_cast<QWidget*>(p.w->findChild<DateInput*>(QStringLiteral("imDateRosen"))),
              static_cast<QWidget*>(p.w->findChild<DateInput*>(QStringLiteral("imDateHyoka"))),
              static_cast<QWidget*>(p.w->findChild<QLineEdit*>(QStringLiteral("TxtRosenka")))}) {
            field->setFocus(Qt::OtherFocusReason);
        }
        p.w->findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku"))->clear();
        p.w->findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku"))->clear();
        QTest::mouseClick(p.w->findChild<QPushButton*>(QStringLiteral("CmdCalcLandPrise")),
                          Qt::LeftButton);
        QTest::mouseClick(p.w->findChild<QPushButton*>(QStringLiteral("CmdKaokuKeisan")),
                          Qt::LeftButton);
        QCOMPARE(Results(*p.w), saved);
        QVERIFY(p.ui.shown.empty());

        // Saving the loaded property: the next one starts from today's dates.
        p.ui.answers.push_back(Answer::Yes);
        QTest::mouseClick(p.w->findChild<QPushButton*>(QStringLiteral("CmdSave")), Qt::LeftButton);
        startUpDates();

        // Loaded again (the update kept its dates), then クリア: the same.
        ReadFirstRow(p);
        QCOMPARE(p.w->findChild<DateInput*>(QStringLiteral("imDateHyoka"))->value(),
                 QDate(2025, 3, 31));
        QTest::mouseClick(p.w->findChild<QPushButton*>(QStringLiteral("CmdClear")), Qt::LeftButton);
        startUpDates();

        // A property saved before the road-price year was kept: the worksheet's year stays, the
        // valuation date comes back.
        QVERIFY(ExecSql(folder.usrDb(), u"UPDATE 物件情報 SET 路線価年度 = NULL"_s));
        ReadFirstRow(p);
        QCOMPARE(p.w->findChild<DateInput*>(QStringLiteral("imDateRosen"))->value(),
                 QDate(2026, 1, 1));
        QCOMPARE(p.g.Bukken.RosenkaNendo, QDate(2026, 1, 1));
        QCOMPARE(p.w->findChild<DateInput*>(QStringLiteral("imDateHyoka"))->value(),
                 QDate(2025, 3, 31));
        QVERIFY(p.ui.unexpected.isEmpty());
    }
};

QTEST_MAIN(TestReload)
#include "tst_app_reload.moc"
