// Depreciation by structure: the remaining rate of every structure against hand-worked figures,
// 木造 by its editable table, the fall-back to 木造 for an older reference database and for a code
// the table lacks (told once a run), and the structure as the worksheet stores, shows and resets
// it.
#include "app/FrmMain.h"
#include "common/AppError.h"
#include "platform/DateInput.h"
#include "state/ModGlobal.h"
#include "support/ModalDriver.h"
#include "support/RunningProgram.h"
#include "support/ScriptedUi.h"
#include "support/TestFolder.h"
#include "valuation/HousePrice.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace ie;
using namespace Qt::StringLiterals;
using ie::test::ExecSql;
using ie::test::ModalDriver;
using ie::test::RunningProgram;
using ie::test::ScriptedUi;
using ie::test::TestFolder;

namespace {

const QString kUnset = u"構造未設定（木造として計算）"_s;

// The structure table as an older build shipped it: no 耐用年数, no 年減価率.
const QString kOldStructureTable =
    u"DROP TABLE 家屋構造別坪単価;"
    u"CREATE TABLE 家屋構造別坪単価 (構造CD INTEGER PRIMARY KEY, 説明 TEXT, 坪単価 REAL NOT NULL);"
    u"INSERT INTO 家屋構造別坪単価 VALUES (1, '木造', 674711), (2, '鉄骨造', 929256),"
    u" (3, '鉄筋コンクリート造', 1039008), (4, '鉄骨鉄筋コンクリート造', 1212231);"_s;

}  // namespace

class TestStructure : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void remainingRate_data();
    void remainingRate();
    void woodKeepsItsEditableTable();
    void fallbackToWood();
    void brokenYearlyLoss();

    void worksheet_chosenStoredShownAndReset();
    void worksheet_woodNoticeOncePerRun();

private:
    void openReference() { QVERIFY(ModSysDbOpen(*g_)); }
    void chooseStructure(int row);
    void calcHouse(const QString& tanka, const QString& tubo);
    QString shownStructure() const {
        return w_->findChild<QLabel*>(QStringLiteral("LblKaokuKozo"))->toolTip();
    }

    std::unique_ptr<TestFolder> folder_;
    std::unique_ptr<RunningProgram> program_;
    ScriptedUi* ui_ = nullptr;
    ModGlobal* g_ = nullptr;
    FrmMain* w_ = nullptr;
};

void TestStructure::init() {
    folder_ = std::make_unique<TestFolder>();
    program_ = std::make_unique<RunningProgram>(*folder_);  // today 2026/12/07
    ui_ = &program_->ui;
    g_ = &program_->g;
    w_ = program_->w.get();
    QVERIFY(program_->start());
    ui_->clear();
}

void TestStructure::cleanup() {
    QVERIFY2(ui_->unexpected.isEmpty(), qPrintable(ui_->unexpected.join(u'\n')));
    ModSysDbClose(*g_);
    w_ = nullptr;
    g_ = nullptr;
    ui_ = nullptr;
    program_.reset();
    folder_.reset();
}

void TestStructure::chooseStructure(int row) {
    ModalDriver drive(u"FrmKaokuKozo"_s, [row](QDialog* d) {
        d->findChild<QListWidget*>(u"LstKaokuKozo"_s)->setCurrentRow(row);
        QTest::mouseClick(d->findChild<QPushButton*>(u"CmdOK"_s), Qt::LeftButton);
    });
    QTest::mouseClick(w_->findChild<QPushButton*>(QStringLiteral("CmdKaokuKozo")), Qt::LeftButton);
    QVERIFY(drive.ran());
}

void TestStructure::calcHouse(const QString& tanka, const QString& tubo) {
    w_->findChild<QLineEdit*>(QStringLiteral("TxtKaokuTuboTanka"))->setText(tanka);
    w_->findChild<QLineEdit*>(QStringLiteral("TxtKaokuTateTubo"))->setText(tubo);
    w_->CmdKaokuKeisan_Click();
}

// Worked by hand: 10000 − 年減価率 × age ten-thousandths, never below 500. 木造 and no structure
// read the shipped table, max(1 − 0.0279 n, 0.05).
void TestStructure::remainingRate_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("age");
    QTest::addColumn<double>("rate");
    const struct {
        int code, age;
        double rate;
    } cases[] = {
        {0, 0, 1.0},    {0, 30, 0.163}, {1, 10, 0.721},  {1, 60, 0.05},  // wood table
        {5, 10, 0.694}, {5, 30, 0.082}, {5, 31, 0.0514}, {5, 32, 0.05},  // 306: 208 → 500
        {6, 0, 1.0},    {6, 10, 0.676}, {6, 29, 0.0604}, {6, 30, 0.05},  // 324: 280 → 500
        {2, 10, 0.775}, {2, 30, 0.325}, {2, 43, 0.05},                   // 225: 325 → 500
        {7, 10, 0.82},  {7, 30, 0.46},  {7, 52, 0.064},  {7, 53, 0.05},  // 180: 460 → 500
        {3, 10, 0.865}, {3, 30, 0.595}, {3, 70, 0.055},  {3, 71, 0.05},  // 135: 415 → 500
        {4, 0, 1.0},    {4, 30, 0.595}, {4, 200, 0.05},
    };
    for (const auto& c : cases)
        QTest::addRow("code %d age %d", c.code, c.age) << c.code << c.age << c.rate;
}

void TestStructure::remainingRate() {
    QFETCH(int, code);
    QFETCH(int, age);
    QFETCH(double, rate);
    openReference();
    const HouseRate got = LookUpHouseRate(*g_, code, age);
    QCOMPARE(got.rate, rate);
    QVERIFY(got.woodNotice.isEmpty());
    QCOMPARE(HouseRemainingRate(*g_, code, age), rate);
}

void TestStructure::woodKeepsItsEditableTable() {
    QVERIFY(ExecSql(folder_->sysDb(),
                    u"UPDATE 家屋経年減点補正率 SET 補正率 = 0.5 WHERE ランク = 10"_s));
    openReference();
    QCOMPARE(HouseRemainingRate(*g_, 1, 10), 0.5);
    QCOMPARE(HouseRemainingRate(*g_, 0, 10), 0.5);
    QCOMPARE(HouseRemainingRate(*g_, 5, 10), 0.694);  // the others do not read it
}

void TestStructure::fallbackToWood() {
    openReference();
    // A code the table no longer has.
    HouseRate r = LookUpHouseRate(*g_, 9, 30);
    QCOMPARE(r.rate, 0.163);
    QCOMPARE(r.woodNotice, u"構造コード 9 は参考値にありません。木造として計算します。"_s);
    QCOMPARE(HouseStructureName(*g_, 9), u"構造コード 9（木造として計算）"_s);

    // An older build's reference database: every structure as wood, and named so.
    ModSysDbClose(*g_);
    QVERIFY(ExecSql(folder_->sysDb(), kOldStructureTable));
    openReference();
    r = LookUpHouseRate(*g_, 3, 30);
    QCOMPARE(r.rate, 0.163);
    QVERIFY(!r.woodNotice.isEmpty());
    QVERIFY2(r.woodNotice.contains(u"木造として計算します"_s), qPrintable(r.woodNotice));
    QCOMPARE(HouseStructureName(*g_, 3), u"鉄筋コンクリート造（木造として計算）"_s);
    // Wood itself is no fall-back.
    QVERIFY(LookUpHouseRate(*g_, 1, 30).woodNotice.isEmpty());
    QCOMPARE(HouseStructureName(*g_, 1), u"木造"_s);
}

void TestStructure::brokenYearlyLoss() {
    QVERIFY(ExecSql(folder_->sysDb(),
                    u"UPDATE 家屋構造別坪単価 SET 年減価率 = NULL WHERE 構造CD = 3;"
                    u"UPDATE 家屋構造別坪単価 SET 年減価率 = 10001 WHERE 構造CD = 4;"_s));
    openReference();
    for (const qint32 code : {3, 4}) {
        try {
            const double rate = HouseRemainingRate(*g_, code, 30);
            QFAIL(qPrintable(u"a rate was given: %1"_s.arg(rate)));
        } catch (const AppError& e) {
            QVERIFY2(e.description().contains(u"家屋構造別坪単価"_s), qPrintable(e.description()));
        }
    }
    QCOMPARE(HouseRemainingRate(*g_, 2, 30), 0.325);  // the other rows still read
}

// ---------------------------------------------------------------------------------------------

void TestStructure::worksheet_chosenStoredShownAndReset() {
    QCOMPARE(shownStructure(), kUnset);
    QCOMPARE(w_->findChild<QLabel*>(QStringLiteral("LblKaokuKozo"))->text(),
             kUnset);  // whole, not cut short

    chooseStructure(2);  // 鉄筋コンクリート造
    QCOMPARE(g_->Bukken.KaokuKozoCD, 3);
    QCOMPARE(shownStructure(), u"鉄筋コンクリート造"_s);
    QCOMPARE(w_->findChild<QLabel*>(QStringLiteral("LblKaokuKozo"))->text(),
             u"鉄筋コンクリート造"_s);

    // A 30-year-old house (built 1996, valued 2026): 1,039,008 × 30 × 0.595 = 18,546,292.8. A
    // price typed by hand keeps the structure.
    w_->findChild<DateInput*>(QStringLiteral("imDateKaoku"))->setValue(QDate(1996, 5, 1));
    g_->Bukken.KaokuDate = QDate(1996, 5, 1);
    calcHouse(u"1,039,008"_s, u"30"_s);
    QVERIFY(ui_->shown.empty());
    QCOMPARE(g_->Bukken.KeinenHoseiRitu, 0.595);
    QCOMPARE(w_->findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku"))->text(), u"18,546,293"_s);
    calcHouse(u"800,000"_s, u"30"_s);
    QCOMPARE(g_->Bukken.KaokuKozoCD, 3);
    QCOMPARE(w_->findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku"))->text(),
             u"14,280,000"_s);  // 24,000,000 × 0.595

    ui_->answers.push_back(Answer::No);  // the calculation is discarded
    QTest::mouseClick(w_->findChild<QPushButton*>(QStringLiteral("CmdClear")), Qt::LeftButton);
    ui_->clear();
    QCOMPARE(g_->Bukken.KaokuKozoCD, 0);
    QCOMPARE(shownStructure(), kUnset);

    // Saved with the property; a save starts a new one; loading shows the saved structure.
    chooseStructure(1);
    calcHouse(u"929,256"_s, u"30"_s);
    ui_->answers.push_back(Answer::Yes);
    w_->CmdSave_Click();
    QCOMPARE(g_->Bukken.KaokuKozoCD, 0);
    QCOMPARE(shownStructure(), kUnset);
    chooseStructure(5);
    ModalDriver drive(u"FrmData"_s, [](QDialog* d) {
        auto* grid = d->findChild<QTableView*>(u"DataGrid1"_s);
        grid->setCurrentIndex(grid->model()->index(0, 0));
        QTest::mouseClick(d->findChild<QPushButton*>(u"CmdRead"_s), Qt::LeftButton);
    });
    w_->mnuSearch_Click();
    QVERIFY(drive.ran());
    QCOMPARE(g_->Bukken.KaokuKozoCD, 2);
    QCOMPARE(shownStructure(), u"鉄骨造（3mm超4mm以下）"_s);
}

void TestStructure::worksheet_woodNoticeOncePerRun() {
    // A property whose structure the reference table has lost (as a loaded row may have).
    g_->Bukken.KaokuKozoCD = 9;
    calcHouse(u"100,000"_s, u"10"_s);
    calcHouse(u"100,000"_s, u"10"_s);
    QCOMPARE(ui_->texts(),
             QStringList{u"構造コード 9 は参考値にありません。木造として計算します。"_s});
    QCOMPARE(ui_->shown[0].icon, MsgIcon::Information);
    QCOMPARE(w_->findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku"))->text(),
             u"1,000,000"_s);  // built this year: rate 1.0

    // Another lost code is a different fact and is told too.
    g_->Bukken.KaokuKozoCD = 8;
    calcHouse(u"100,000"_s, u"10"_s);
    QCOMPARE(ui_->shown.size(), size_t(2));

    // An older reference database: told once, whichever structures follow.
    QVERIFY(ExecSql(folder_->sysDb(), kOldStructureTable));
    ui_->clear();
    for (const qint32 code : {3, 2, 3}) {
        g_->Bukken.KaokuKozoCD = code;
        calcHouse(u"100,000"_s, u"10"_s);
    }
    QCOMPARE(ui_->shown.size(), size_t(1));
    QCOMPARE(ui_->shown[0].icon, MsgIcon::Information);
    QCOMPARE(shownStructure(), kUnset);  // the label follows choices and loads, not lookups
}

QTEST_MAIN(TestStructure)
#include "tst_valuation_structure.moc"
