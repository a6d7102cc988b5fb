// The worksheet through the real main window: fields cleaning themselves when left, Enter order,
// the change-rate range, the date guards with a fixed today, validation before a button's click,
// the two calculations through their buttons, クリア and DispForm.
#include "app/FrmMain.h"
#include "platform/DateInput.h"
#include "report/ModPrint.h"
#include "state/ModGlobal.h"
#include "support/RunningProgram.h"
#include "support/ScriptedUi.h"
#include "support/TestFolder.h"
#include "valuation/RosenkaUnit.h"

#include <QCalendarWidget>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace ie;
using namespace Qt::StringLiterals;
using ie::test::ScriptedUi;
using ie::test::TestFolder;

namespace {

const QString kFuture = u"未来の年度が入力されました。正しく年度を入力してください。"_s;
const QString kBadYear = u"正しく年度を入力してください。年度を設定し直します。"_s;
const QString kBadDate = u"正しい日付を入力してください。日付を初期設定します。"_s;
const QString kFutureHouse =
    u"家屋建築日に未来の日付が入力されました。正しく年度を入力してください。"_s;
const QString kBeforeRoadYear =
    u"評価日に路線価年度より過去の日付が入力されました。正しく日付を入力してください。"_s;
const QString kBeforeHouse =
    u"評価日に家屋建築日より過去の日付が入力されました。正しく日付を入力してください。"_s;

bool IsAscii(const QString& s) {
    for (const QChar c : s) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

}  // namespace

class TestWorksheet : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup();

    void numberFields_data();
    void numberFields();
    void numberFields_lengthLimit();
    void enter_floorAreaRoundsAndMovesOn();
    void enter_order();
    void changeRate_data();
    void changeRate();

    void roadYear_startsInReiwa();
    void roadYear_futureAndInvalid();
    void roadYear_eraLettersAndSteps();
    void roadYear_eraBoundary_data();
    void roadYear_eraBoundary();
    void houseDate_guards();
    void valuationDate_guards();
    void dateInput_oddTexts();
    void dateInput_stepsAndCalendar();

    void buttonClickValidatesFirst();
    void land_throughButton();
    void land_messages();
    void land_failureLeavesRecordAndSave();
    void rosenkaUnit_whenLeft();
    void rosenkaUnit_beforeCalculation();
    void house_throughButton();
    void house_builtAfterValuation();
    void house_overflow();
    void clear_keepsWorkingDatesOnly();
    void staleResults_eachInput();
    void staleResults_saveAsksAndReportNotes();
    void dispForm_writesOnlyNonZero();

private:
    void open(const QDate& today = QDate(2026, 12, 7));
    template <typename T>
    T* find(const char* name) {
        T* c = w_->findChild<T*>(QLatin1String(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }
    QLineEdit* field(const char* name) { return find<QLineEdit>(name); }
    DateInput* date(const char* name) { return find<DateInput>(name); }
    QPushButton* button(const char* name) { return find<QPushButton>(name); }
    // Types into a field as the user would (replacing its text), then leaves it with the key.
    void type(QLineEdit* f, const QString& text, Qt::Key leaveWith = Qt::Key_Tab);
    QStringList shownTexts() const { return ui_->texts(); }

    std::unique_ptr<TestFolder> folder_;
    std::unique_ptr<ScriptedUi> ui_;
    std::unique_ptr<ModGlobal> g_;
    std::unique_ptr<FrmMain> w_;
};

void TestWorksheet::open(const QDate& today) {
    folder_ = std::make_unique<TestFolder>();
    ui_ = std::make_unique<ScriptedUi>();
    ui_->tempDir = folder_->tempPath();
    ui_->todayValue = today;
    g_ = std::make_unique<ModGlobal>();
    g_->ProgramFolder = folder_->path();
    w_ =
        std::make_unique<FrmMain>(*g_, *ui_, FrmMain::Options{false, test::InstanceName(*folder_)});
    QVERIFY(w_->startUp());
    w_->show();
    w_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w_.get()));
    ui_->clear();
}

void TestWorksheet::cleanup() {
    if (ui_)
        QVERIFY2(ui_->unexpected.isEmpty(), qPrintable(ui_->unexpected.join(u'\n')));
    w_.reset();
    g_.reset();
    ui_.reset();
    folder_.reset();
}

void TestWorksheet::type(QLineEdit* f, const QString& text, Qt::Key leaveWith) {
    f->setFocus(Qt::OtherFocusReason);
    QVERIFY(f->hasFocus());
    f->selectAll();
    if (text.isEmpty()) {
        QTest::keyClick(f, Qt::Key_Delete);
    } else if (IsAscii(text)) {
        QTest::keyClicks(f, text);
    } else {
        // Kanji and full-width digits arrive as one input-method commit.
        f->del();
        QInputMethodEvent ev;
        ev.setCommitString(text);
        QCoreApplication::sendEvent(f, &ev);
        if (f->text() != text)
            f->insert(text);
    }
    if (leaveWith != Qt::Key_unknown)
        QTest::keyClick(f, leaveWith);
}

// ---------------------------------------------------------------------------------------------
// Number fields, Enter and the change rate

void TestWorksheet::numberFields_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("next");
    QTest::newRow("letters") << u"TxtRosenka"_s << u"abc"_s << QString() << u"TxtTotiMenseki"_s;
    QTest::newRow("fraction rounds")
        << u"TxtRosenka"_s << u"1234.5"_s << u"1,235"_s << u"TxtTotiMenseki"_s;
    QTest::newRow("area keeps a decimal")
        << u"TxtTotiMenseki"_s << u"0.4"_s << u"0.4"_s << u"TxtJiten"_s;
    QTest::newRow("area rounds to two decimals")
        << u"TxtTotiMenseki"_s << u"132.235"_s << u"132.24"_s << u"TxtJiten"_s;
    QTest::newRow("floor area in ㎡")
        << u"TxtKaokuTateTubo"_s << u"100㎡"_s << u"30.25"_s << u"imDateKaoku"_s;
    QTest::newRow("longest ㎡ text fits")
        << u"TxtKaokuTateTubo"_s << u"1234.56m2"_s << u"373.45"_s << u"imDateKaoku"_s;
    QTest::newRow("㎡ that is no number")
        << u"TxtKaokuTateTubo"_s << u"x㎡"_s << QString() << u"imDateKaoku"_s;
    QTest::newRow("grouped stays")
        << u"TxtKaokuTuboTanka"_s << u"1,500,000"_s << u"1,500,000"_s << u"TxtKaokuTateTubo"_s;
    QTest::newRow("lone comma") << u"TxtKaokuTuboTanka"_s << u","_s << QString()
                                << u"TxtKaokuTateTubo"_s;
    QTest::newRow("lone minus") << u"TxtKaokuTateTubo"_s << u"-"_s << QString() << u"imDateKaoku"_s;
    QTest::newRow("negative") << u"TxtKaokuTateTubo"_s << u"-5"_s << u"-5"_s << u"imDateKaoku"_s;
    QTest::newRow("beyond double")
        << u"TxtRosenka"_s << u"1e400"_s << QString() << u"TxtTotiMenseki"_s;
    QTest::newRow("exponent") << u"TxtRosenka"_s << u"1.5e3"_s << u"1,500"_s << u"TxtTotiMenseki"_s;
    QTest::newRow("full-width digits")
        << u"TxtTotiMenseki"_s << u"１２３"_s << u"123"_s << u"TxtJiten"_s;
    QTest::newRow("kanji") << u"TxtTotiMenseki"_s << u"百坪"_s << QString() << u"TxtJiten"_s;
    QTest::newRow("empty") << u"TxtRosenka"_s << QString() << QString() << u"TxtTotiMenseki"_s;
}

void TestWorksheet::numberFields() {
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, next);
    open();
    QLineEdit* f = field(name.toLatin1().constData());
    type(f, typed);
    QCOMPARE(f->text(), shown);
    QCOMPARE(QApplication::focusWidget()->objectName(), next);
    QVERIFY(ui_->shown.empty());  // silently
}

void TestWorksheet::numberFields_lengthLimit() {
    open();
    QLineEdit* f = field("TxtRosenka");
    type(f, u"99999999999999999"_s);
    QCOMPARE(f->text(), u"999,999,999,999"_s);
    QLineEdit* a = field("TxtTotiMenseki");
    type(a, u"123456789"_s);
    QCOMPARE(a->text(), u"1,234,567"_s);

    // The formatted text is longer than what may be typed: nothing more goes in, deleting works.
    f->setFocus();
    f->end(false);
    QTest::keyClick(f, Qt::Key_9);
    QCOMPARE(f->text(), u"999,999,999,999"_s);
    QTest::keyClick(f, Qt::Key_Backspace);
    QCOMPARE(f->text(), u"999,999,999,99"_s);
    // A paste is cut to the limit.
    f->clear();
    QGuiApplication::clipboard()->setText(u"12345678901234567"_s);
    QTest::keySequence(f, QKeySequence::Paste);
    QCOMPARE(f->text(), u"123456789012"_s);
    // So is text from the input method.
    a->clear();
    QInputMethodEvent ev;
    ev.setCommitString(u"１２３４５６７８９"_s);
    QCoreApplication::sendEvent(a, &ev);
    QCOMPARE(a->text(), u"１２３４５６７"_s);
    // A rate with a fraction written by the program is kept whole.
    QLineEdit* rate = field("TxtJiten");
    rate->setText(u"-1.1"_s);
    rate->setFocus();
    QTest::keyClick(rate, Qt::Key_Tab);
    QCOMPARE(rate->text(), u"-1.1"_s);
    QVERIFY(ui_->shown.empty());
}

void TestWorksheet::enter_floorAreaRoundsAndMovesOn() {
    open();
    type(field("TxtKaokuTuboTanka"), u"100000"_s);
    QLineEdit* f = field("TxtKaokuTateTubo");
    type(f, u"12.505"_s, Qt::Key_Return);
    QCOMPARE(f->text(), u"12.51"_s);
    QCOMPARE(QApplication::focusWidget(), date("imDateKaoku"));
    // The house calculation reads 12.51: built today, age 0, rate 1.0.
    QTest::mouseClick(button("CmdKaokuKeisan"), Qt::LeftButton);
    QCOMPARE(g_->Bukken.KaokuTateTubo, 12.51);
    QCOMPARE(field("TxtKaokuKakaku")->text(), u"1,251,000"_s);
}

void TestWorksheet::enter_order() {
    open();
    const QList<QPair<const char*, const char*>> steps = {
        {"TxtRosenka", "TxtTotiMenseki"},     {"TxtTotiMenseki", "TxtJiten"},
        {"TxtJiten", "CmdCalcLandPrise"},     {"TxtKaokuTuboTanka", "TxtKaokuTateTubo"},
        {"TxtKaokuTateTubo", "imDateKaoku"},  {"TxtTotiKakaku", "TxtKaokuKakaku"},
        {"TxtKaokuKakaku", "TxtGokeiKakaku"}, {"TxtKakuti", "imDateRosen"},
        {"imDateKaoku", "CmdKaokuKeisan"},    {"imDateHyoka", "CmdClear"},
        {"imDateRosen", "TxtRosenka"},
    };
    for (const auto& [from, to] : steps) {
        QLineEdit* f = field(from);
        f->setFocus();
        QTest::keyClick(f, Qt::Key_Enter);
        QCOMPARE(QApplication::focusWidget()->objectName(), QLatin1String(to));
    }
    // The total field keeps the focus on Enter.
    QLineEdit* total = field("TxtGokeiKakaku");
    total->setFocus();
    QTest::keyClick(total, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), total);
    // Enter on the change rate does not press the land button.
    QVERIFY(ui_->shown.empty());
}

void TestWorksheet::changeRate_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("warned");
    QTest::newRow("in range") << u"2"_s << u"2"_s << false;
    QTest::newRow("99") << u"99"_s << u"99"_s << false;
    QTest::newRow("-99") << u"-99"_s << u"-99"_s << false;
    QTest::newRow("120") << u"120"_s << u"0"_s << true;
    QTest::newRow("-100 cut to -10") << u"-100"_s << u"-10"_s << false;
    QTest::newRow("letters") << u"abc"_s << u"0"_s << false;
    QTest::newRow("empty") << QString() << u"0"_s << false;
}

void TestWorksheet::changeRate() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, warned);
    open();
    QLineEdit* f = field("TxtJiten");
    type(f, typed);
    QCOMPARE(f->text(), shown);
    QCOMPARE(QApplication::focusWidget(), button("CmdCalcLandPrise"));
    if (warned) {
        QCOMPARE(shownTexts(), QStringList{u"地価変動率は(-99%～99%)の範囲でお願いします。"_s});
        QCOMPARE(ui_->shown[0].icon, MsgIcon::Exclamation);
        QCOMPARE(ui_->shown[0].caption, u"いえねだん帳"_s);
    } else {
        QVERIFY(ui_->shown.empty());
    }
    // A value put there by the program (the price-change dialog) is checked the same way.
    f->setText(u"120"_s);
    f->setFocus();
    QTest::keyClick(f, Qt::Key_Tab);
    QCOMPARE(f->text(), u"0"_s);
}

// ---------------------------------------------------------------------------------------------
// Dates

void TestWorksheet::roadYear_startsInReiwa() {
    open(QDate(2026, 3, 1));  // until late June the previous year's road prices
    QCOMPARE(g_->Bukken.RosenkaNendo, QDate(2025, 1, 1));
    QCOMPARE(date("imDateRosen")->text(), u"07"_s);
    QCOMPARE(find<QLabel>("Label15")->text(), u"令和"_s);
    QCOMPARE(date("imDateHyoka")->text(), u"2026/03/01"_s);
    QCOMPARE(date("imDateKaoku")->text(), u"2026/03/01"_s);
}

void TestWorksheet::roadYear_futureAndInvalid() {
    open();
    DateInput* y = date("imDateRosen");
    QCOMPARE(y->text(), u"08"_s);
    type(y, u"09"_s);
    QCOMPARE(shownTexts(), QStringList{kFuture});
    QCOMPARE(ui_->shown[0].icon, MsgIcon::Exclamation);
    QCOMPARE(y->text(), u"08"_s);
    QCOMPARE(g_->Bukken.RosenkaNendo, QDate(2026, 1, 1));

    ui_->clear();
    type(y, u"07"_s);
    QVERIFY(ui_->shown.empty());
    QCOMPARE(g_->Bukken.RosenkaNendo, QDate(2025, 1, 1));

    for (const QString& bad : {u"abc"_s, u"H32"_s, u"X5"_s, u"0"_s, QString()}) {
        ui_->clear();
        type(y, bad);
        QCOMPARE(shownTexts(), QStringList{kBadYear});
        QCOMPARE(y->text(), u"07"_s);
        QCOMPARE(find<QLabel>("Label15")->text(), u"令和"_s);
        QCOMPARE(g_->Bukken.RosenkaNendo, QDate(2025, 1, 1));
    }
}

void TestWorksheet::roadYear_eraLettersAndSteps() {
    open();
    DateInput* y = date("imDateRosen");
    QLabel* era = find<QLabel>("Label15");
    type(y, u"H30"_s);
    QVERIFY(ui_->shown.empty());
    QCOMPARE(g_->Bukken.RosenkaNendo, QDate(2018, 1, 1));
    QCOMPARE(y->text(), u"30"_s);
    QCOMPARE(era->text(), u"平成"_s);

    // Digits alone stay in the era shown.
    type(y, u"25"_s);
    QCOMPARE(g_->Bukken.RosenkaNendo, QDate(2013, 1, 1));
    QCOMPARE(era->text(), u"平成"_s);

    // 平成31 is 2019, labelled 令和元年.
    type(y, u"h31"_s);
    QCOMPARE(g_->Bukken.RosenkaNendo, QDate(2019, 1, 1));
    QCOMPARE(y->text(), u"01"_s);
    QCOMPARE(era->text(), u"令和"_s);

    // Up and Down step across the boundary.
    y->setFocus();
    QTest::keyClick(y, Qt::Key_Down);
    QCOMPARE(y->text(), u"30"_s);
    QCOMPARE(era->text(), u"平成"_s);
    QTest::keyClick(y, Qt::Key_Up);
    QCOMPARE(y->text(), u"01"_s);
    QCOMPARE(era->text(), u"令和"_s);
    QTest::keyClick(y, Qt::Key_Up);
    QTest::keyClick(y, Qt::Key_Tab);
    QCOMPARE(g_->Bukken.RosenkaNendo, QDate(2020, 1, 1));
    QCOMPARE(y->text(), u"02"_s);

    // A Western year and the era's name are understood too.
    type(y, u"2017"_s);
    QCOMPARE(g_->Bukken.RosenkaNendo, QDate(2017, 1, 1));
    QCOMPARE(y->text(), u"29"_s);
    type(y, u"令和05"_s);
    QCOMPARE(g_->Bukken.RosenkaNendo, QDate(2023, 1, 1));
    QCOMPARE(era->text(), u"令和"_s);
    QVERIFY(ui_->shown.empty());
}

void TestWorksheet::roadYear_eraBoundary_data() {
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("R01 on the last day of Heisei") << QDate(2019, 4, 30) << u"R01"_s << true;
    QTest::newRow("R01 on the first day of Reiwa") << QDate(2019, 5, 1) << u"R01"_s << true;
    QTest::newRow("H31 on the last day of Heisei") << QDate(2019, 4, 30) << u"H31"_s << true;
    QTest::newRow("R01 on New Year's Eve 2018") << QDate(2018, 12, 31) << u"R01"_s << false;
    QTest::newRow("R02 in 2019") << QDate(2019, 5, 1) << u"R02"_s << false;
}

void TestWorksheet::roadYear_eraBoundary() {
    QFETCH(QDate, today);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    open(today);
    DateInput* y = date("imDateRosen");
    const QDate before = g_->Bukken.RosenkaNendo;
    QCOMPARE(before, QDate(2018, 1, 1));
    QCOMPARE(y->text(), u"30"_s);
    QCOMPARE(find<QLabel>("Label15")->text(), u"平成"_s);
    type(y, typed);
    if (accepted) {
        QVERIFY(ui_->shown.empty());
        QCOMPARE(g_->Bukken.RosenkaNendo, QDate(2019, 1, 1));
        QCOMPARE(y->text(), u"01"_s);
        QCOMPARE(find<QLabel>("Label15")->text(), u"令和"_s);
    } else {
        QCOMPARE(shownTexts(), QStringList{kFuture});
        QCOMPARE(g_->Bukken.RosenkaNendo, before);
        QCOMPARE(y->text(), u"30"_s);
        QCOMPARE(find<QLabel>("Label15")->text(), u"平成"_s);
    }
}

void TestWorksheet::houseDate_guards() {
    open();
    DateInput* k = date("imDateKaoku");
    type(k, u"2026/12/08"_s);  // tomorrow
    QCOMPARE(shownTexts(), QStringList{kFutureHouse});
    QCOMPARE(ui_->shown[0].icon, MsgIcon::Exclamation);
    QCOMPARE(k->text(), u"2026/12/07"_s);
    QCOMPARE(g_->Bukken.KaokuDate, QDate(2026, 12, 7));
    QCOMPARE(QApplication::focusWidget(), button("CmdKaokuKeisan"));  // not held in the field

    ui_->clear();
    type(k, u"2015/4/1"_s);
    QVERIFY(ui_->shown.empty());
    QCOMPARE(g_->Bukken.KaokuDate, QDate(2015, 4, 1));
    QCOMPARE(k->text(), u"2015/04/01"_s);

    for (const QString& bad : {u"2015/02/30"_s, u"abc"_s, u"2015/"_s, QString()}) {
        ui_->clear();
        type(k, bad);
        QCOMPARE(shownTexts(), QStringList{kBadDate});
        QCOMPARE(k->text(), u"2015/04/01"_s);
        QCOMPARE(g_->Bukken.KaokuDate, QDate(2015, 4, 1));
    }

    // Today itself is no future date.
    ui_->clear();
    type(k, u"2026/12/07"_s);
    QVERIFY(ui_->shown.empty());
    QCOMPARE(g_->Bukken.KaokuDate, QDate(2026, 12, 7));
}

void TestWorksheet::valuationDate_guards() {
    open();
    DateInput* h = date("imDateHyoka");
    type(date("imDateKaoku"), u"2026/06/01"_s);
    QCOMPARE(g_->Bukken.KaokuDate, QDate(2026, 6, 1));

    // One day before the road-price year (2026/01/01).
    type(h, u"2025/12/31"_s);
    QCOMPARE(shownTexts(), QStringList{kBeforeRoadYear});
    QCOMPARE(ui_->shown[0].icon, MsgIcon::Exclamation);
    QCOMPARE(h->text(), u"2026/12/07"_s);
    QCOMPARE(g_->Bukken.HyokaDate, QDate(2026, 12, 7));

    // One day before the construction date.
    ui_->clear();
    type(h, u"2026/05/31"_s);
    QCOMPARE(shownTexts(), QStringList{kBeforeHouse});
    QCOMPARE(h->text(), u"2026/12/07"_s);

    // Equal dates pass; a future valuation date is allowed.
    ui_->clear();
    type(h, u"2026/06/01"_s);
    QVERIFY(ui_->shown.empty());
    QCOMPARE(g_->Bukken.HyokaDate, QDate(2026, 6, 1));
    type(h, u"2030/01/01"_s);
    QVERIFY(ui_->shown.empty());
    QCOMPARE(g_->Bukken.HyokaDate, QDate(2030, 1, 1));

    ui_->clear();
    type(h, u"2026/13/01"_s);
    QCOMPARE(shownTexts(), QStringList{kBadDate});
    QCOMPARE(h->text(), u"2030/01/01"_s);

    // Across the era boundary the dates are plain calendar dates.
    type(date("imDateKaoku"), u"2019/04/30"_s);
    ui_->clear();
    type(date("imDateRosen"), u"R01"_s);
    type(h, u"2019/05/01"_s);
    QVERIFY(ui_->shown.empty());
    QCOMPARE(g_->Bukken.HyokaDate, QDate(2019, 5, 1));
    type(h, u"2019/04/30"_s);
    QVERIFY(ui_->shown.empty());
    QCOMPARE(g_->Bukken.HyokaDate, QDate(2019, 4, 30));
}

void TestWorksheet::dateInput_oddTexts() {
    open();
    DateInput* k = date("imDateKaoku");
    // Other spellings of a date are taken and shown in the field's own form.
    const QList<QPair<QString, QString>> good = {
        {u"20240105"_s, u"2024/01/05"_s},
        {u"2024-1-5"_s, u"2024/01/05"_s},
        {u"２０２４／０１／０６"_s, u"2024/01/06"_s},
    };
    for (const auto& [typed, shown] : good) {
        type(k, typed);
        QCOMPARE(k->text(), shown);
    }
    QVERIFY(ui_->shown.empty());
    // Nothing typed makes it fail other than with the message.
    for (const QString& bad : {u"9999/99/99"_s, u"-1/-1/-1"_s, u"2024/1/5/"_s, u"/"_s,
                               u"0000/00/00"_s, u"2024/001/5"_s, u"令和8年"_s, u"2024/1/"_s}) {
        ui_->clear();
        type(k, bad);
        QCOMPARE(shownTexts(), QStringList{kBadDate});
        QCOMPARE(k->text(), u"2024/01/06"_s);
    }
    QCOMPARE(g_->Bukken.KaokuDate, QDate(2024, 1, 6));
    QCOMPARE(k->maxLength(), 10);
    QCOMPARE(date("imDateRosen")->maxLength(), 4);
}

void TestWorksheet::dateInput_stepsAndCalendar() {
    open();
    DateInput* h = date("imDateHyoka");
    // Up and Down step the part under the cursor.
    h->setFocus();
    h->setCursorPosition(2);
    QTest::keyClick(h, Qt::Key_Up);
    QCOMPARE(h->text(), u"2027/12/07"_s);
    h->setCursorPosition(6);
    QTest::keyClick(h, Qt::Key_Down);
    QCOMPARE(h->text(), u"2027/11/07"_s);
    h->setCursorPosition(9);
    QTest::keyClick(h, Qt::Key_Up);
    QCOMPARE(h->text(), u"2027/11/08"_s);
    QCOMPARE(g_->Bukken.HyokaDate, QDate(2026, 12, 7));  // stored only when the field is left

    // F4 opens the calendar on the field's month with the holidays marked.
    type(h, u"2026/09/15"_s, Qt::Key_unknown);
    QTest::keyClick(h, Qt::Key_F4);
    QCalendarWidget* cal = h->calendar();
    QVERIFY(cal);
    QVERIFY(cal->isVisible());
    QCOMPARE(cal->selectedDate(), QDate(2026, 9, 15));
    QCOMPARE(cal->dateTextFormat(QDate(2026, 9, 21)).toolTip(), u"敬老の日"_s);
    QCOMPARE(cal->dateTextFormat(QDate(2026, 9, 22)).toolTip(), u"国民の休日"_s);
    QCOMPARE(cal->dateTextFormat(QDate(2026, 9, 23)).toolTip(), u"秋分の日"_s);
    QCOMPARE(cal->dateTextFormat(QDate(2026, 9, 21)).foreground().color(), QColor(Qt::red));
    QVERIFY(cal->dateTextFormat(QDate(2026, 9, 24)).toolTip().isEmpty());
    // Another page is marked anew.
    cal->setCurrentPage(2025, 5);
    QCOMPARE(cal->dateTextFormat(QDate(2025, 5, 6)).toolTip(), u"振替休日"_s);
    QVERIFY(cal->dateTextFormat(QDate(2026, 9, 21)).toolTip().isEmpty());

    // Choosing a day closes the calendar and shows the day; leaving the field checks and stores it.
    Q_EMIT cal->clicked(QDate(2026, 12, 20));
    QVERIFY(!cal->isVisible());
    QCOMPARE(h->text(), u"2026/12/20"_s);
    h->setFocus();
    QTest::keyClick(h, Qt::Key_Tab);
    QCOMPARE(g_->Bukken.HyokaDate, QDate(2026, 12, 20));

    // The road-price year takes the year of the chosen day.
    DateInput* y = date("imDateRosen");
    y->setFocus();
    y->showCalendar();
    Q_EMIT y->calendar()->activated(QDate(2018, 7, 1));
    QCOMPARE(y->text(), u"30"_s);
    QCOMPARE(find<QLabel>("Label15")->text(), u"平成"_s);
    QVERIFY(ui_->shown.empty());
}

// ---------------------------------------------------------------------------------------------
// Buttons

void TestWorksheet::buttonClickValidatesFirst() {
    open();
    type(field("TxtTotiMenseki"), u"150"_s);
    QLineEdit* r = field("TxtRosenka");
    type(r, u"abc"_s, Qt::Key_unknown);
    QTest::mouseClick(button("CmdCalcLandPrise"), Qt::LeftButton);
    QCOMPARE(r->text(), QString());
    QCOMPARE(shownTexts(), QStringList{u"[路線価]　欄に数値を入力してください｡"_s});

    // A fraction is rounded before the calculation reads it.
    ui_->clear();
    type(r, u"1234.5"_s, Qt::Key_unknown);
    QTest::mouseClick(button("CmdCalcLandPrise"), Qt::LeftButton);
    QCOMPARE(r->text(), u"1,235"_s);
    QVERIFY(ui_->shown.empty());
    QCOMPARE(g_->Bukken.Rosenka.raw(), 1235 * Currency::kScale);
    // 1235 x 150 / 0.8, no change rate.
    QCOMPARE(field("TxtTotiKakaku")->text(), u"231,563"_s);

    // A date typed and then the button: the date is stored before the calculation.
    type(field("TxtKaokuTuboTanka"), u"100000"_s);
    type(field("TxtKaokuTateTubo"), u"10"_s);
    type(date("imDateKaoku"), u"2024/01/01"_s, Qt::Key_unknown);
    QTest::mouseClick(button("CmdKaokuKeisan"), Qt::LeftButton);
    QCOMPARE(g_->Bukken.KaokuDate, QDate(2024, 1, 1));
    QCOMPARE(g_->Bukken.KeikaNensu, 2);
}

void TestWorksheet::land_throughButton() {
    open();
    // D = 500 days from the road-price year 2026/01/01.
    type(date("imDateHyoka"), u"2027/05/16"_s);
    type(field("TxtRosenka"), u"100000"_s);
    type(field("TxtTotiMenseki"), u"150"_s);
    type(field("TxtJiten"), u"2"_s);
    QVERIFY(!button("CmdSave")->isEnabled());
    QTest::mouseClick(button("CmdCalcLandPrise"), Qt::LeftButton);
    QVERIFY(ui_->shown.empty());
    QCOMPARE(field("TxtTotiKakaku")->text(), u"19,266,473"_s);
    QCOMPARE(field("TxtGokeiKakaku")->text(), u"19,266,473"_s);
    QVERIFY(button("CmdSave")->isEnabled());
    QCOMPARE(field("TxtRosenka")->text(), u"100,000"_s);
    QCOMPARE(field("TxtJiten")->text(), u"2"_s);

    // D = 800 with a lot factor of 0.9 and a fall of 3 %.
    g_->Bukken.KakutiHoseiRitu = 0.9;
    type(date("imDateHyoka"), u"2028/03/11"_s);
    type(field("TxtRosenka"), u"85000"_s);
    type(field("TxtTotiMenseki"), u"123"_s);
    type(field("TxtJiten"), u"-3"_s);
    QTest::mouseClick(button("CmdCalcLandPrise"), Qt::LeftButton);
    QCOMPARE(field("TxtTotiKakaku")->text(), u"11,003,076"_s);
    QCOMPARE(g_->Bukken.TotiKakaku.raw(), Q_INT64_C(110030764856));
}

void TestWorksheet::land_messages() {
    open();
    QTest::mouseClick(button("CmdCalcLandPrise"), Qt::LeftButton);
    QCOMPARE(shownTexts(),
             QStringList{u"[路線価]　と　[土地の面積]　欄に数値を入力してください｡"_s});
    QCOMPARE(ui_->shown[0].icon, MsgIcon::Exclamation);

    ui_->clear();
    type(field("TxtRosenka"), u"100000"_s);
    QTest::mouseClick(button("CmdCalcLandPrise"), Qt::LeftButton);
    QCOMPARE(shownTexts(), QStringList{u"[土地の面積]　欄に数値を入力してください。"_s});

    // A good result first, then an overflow: the old result stays shown.
    type(field("TxtTotiMenseki"), u"150"_s);
    QTest::mouseClick(button("CmdCalcLandPrise"), Qt::LeftButton);
    QCOMPARE(field("TxtTotiKakaku")->text(), u"18,750,000"_s);
    ui_->clear();
    type(field("TxtRosenka"), u"999999999999"_s);
    type(field("TxtTotiMenseki"), u"9999999"_s);
    QTest::mouseClick(button("CmdCalcLandPrise"), Qt::LeftButton);
    QCOMPARE(
        shownTexts(),
        QStringList{
            u"6\rオーバーフローしました。\r敷地価格計算に失敗しました。数値が大きすぎます。"_s});
    QCOMPARE(ui_->shown[0].icon, MsgIcon::Critical);
    QCOMPARE(field("TxtTotiKakaku")->text(), u"18,750,000"_s);
    QCOMPARE(field("TxtGokeiKakaku")->text(), u"18,750,000"_s);
    QCOMPARE(g_->Bukken.TotiKakaku.raw(), Q_INT64_C(18750000) * Currency::kScale);
    // The inputs of the failed attempt are not taken either.
    QCOMPARE(g_->Bukken.Rosenka.raw(), Q_INT64_C(100000) * Currency::kScale);
    QCOMPARE(g_->Bukken.TotiMenseki, 150.0);
}

void TestWorksheet::land_failureLeavesRecordAndSave() {
    open();
    // The road-price year is 2026; valued 2029/01/02 the base of 4e14 rises 50 % a year and
    // leaves the currency's range in the third year.
    type(date("imDateHyoka"), u"2029/01/02"_s);
    type(field("TxtRosenka"), u"100000000000"_s);
    type(field("TxtTotiMenseki"), u"3200"_s);
    type(field("TxtJiten"), u"50"_s);
    QTest::mouseClick(button("CmdCalcLandPrise"), Qt::LeftButton);
    QCOMPARE(ui_->shown.size(), size_t(1));
    QCOMPARE(field("TxtTotiKakaku")->text(), QString());
    QVERIFY(!button("CmdSave")->isEnabled());
    QVERIFY(g_->Bukken.TotiKakaku.isZero());
    QCOMPARE(g_->Bukken.TotiMenseki, 0.0);
}

void TestWorksheet::rosenkaUnit_whenLeft() {
    open();
    QLineEdit* r = field("TxtRosenka");
    // Yes: the map's 250 is 250,000 yen.
    ui_->answers.push_back(Answer::Yes);
    type(r, u"250"_s);
    QCOMPARE(r->text(), u"250,000"_s);
    QCOMPARE(shownTexts(), QStringList{RosenkaUnitQuestionText()});
    QVERIFY(ui_->shown[0].isQuestion);
    QCOMPARE(ui_->shown[0].defaultButton, Answer::Yes);

    // No: kept as typed, and the calculation does not ask again.
    ui_->clear();
    ui_->answers.push_back(Answer::No);
    type(r, u"250"_s);
    QCOMPARE(r->text(), u"250"_s);
    type(field("TxtTotiMenseki"), u"100"_s);
    QTest::mouseClick(button("CmdCalcLandPrise"), Qt::LeftButton);
    QCOMPARE(ui_->shown.size(), size_t(1));
    // 250 x 100 / 0.8.
    QCOMPARE(field("TxtTotiKakaku")->text(), u"31,250"_s);

    // クリア (the calculated result discarded) forgets the kept value: the next property's 250 is
    // asked about.
    ui_->answers.push_back(Answer::No);
    QTest::mouseClick(button("CmdClear"), Qt::LeftButton);
    ui_->clear();
    ui_->answers.push_back(Answer::No);
    type(r, u"250"_s);
    QCOMPARE(shownTexts(), QStringList{RosenkaUnitQuestionText()});
}

void TestWorksheet::rosenkaUnit_beforeCalculation() {
    open();
    type(field("TxtTotiMenseki"), u"150"_s);
    // A road price that was never left (written while another field has the focus).
    field("TxtRosenka")->setText(u"300"_s);
    ui_->answers.push_back(Answer::Yes);
    QTest::mouseClick(button("CmdCalcLandPrise"), Qt::LeftButton);
    QCOMPARE(shownTexts(), QStringList{RosenkaUnitQuestionText()});
    QCOMPARE(field("TxtRosenka")->text(), u"300,000"_s);
    // 300,000 x 150 / 0.8.
    QCOMPARE(field("TxtTotiKakaku")->text(), u"56,250,000"_s);
    QCOMPARE(g_->Bukken.Rosenka.raw(), Q_INT64_C(300000) * Currency::kScale);
}

void TestWorksheet::house_throughButton() {
    open();
    type(field("TxtRosenka"), u"100000"_s);
    type(field("TxtTotiMenseki"), u"150"_s);
    QTest::mouseClick(button("CmdCalcLandPrise"), Qt::LeftButton);

    QTest::mouseClick(button("CmdKaokuKeisan"), Qt::LeftButton);
    QCOMPARE(shownTexts(),
             QStringList{u"[坪単価]　と　[延床面積]　欄に数値を入力してください。"_s});
    ui_->clear();
    type(field("TxtKaokuTateTubo"), u"30"_s);
    QTest::mouseClick(button("CmdKaokuKeisan"), Qt::LeftButton);
    QCOMPARE(shownTexts(), QStringList{u"[坪単価]　欄に数値を入力してください。"_s});

    // Built 2015/04/01, valued 2026/12/06: age 11, rate 1 - 0.0279 x 11 = 0.6931 in the shipped
    // table, so 500,000 x 30 x 0.6931 = 10,396,500.
    ui_->clear();
    type(field("TxtKaokuTuboTanka"), u"500000"_s);
    type(date("imDateKaoku"), u"2015/04/01"_s);
    type(date("imDateHyoka"), u"2026/12/06"_s);
    QTest::mouseClick(button("CmdKaokuKeisan"), Qt::LeftButton);
    QVERIFY(ui_->shown.empty());
    QCOMPARE(g_->Bukken.KeikaNensu, 11);
    QCOMPARE(field("TxtKaokuKakaku")->text(), u"10,396,500"_s);
    QCOMPARE(field("TxtGokeiKakaku")->text(), u"29,146,500"_s);
    QVERIFY(!g_->SysDbCon.isOpen());

    // A later land calculation keeps the house value in the total.
    type(field("TxtTotiMenseki"), u"100"_s);
    QTest::mouseClick(button("CmdCalcLandPrise"), Qt::LeftButton);
    QCOMPARE(field("TxtGokeiKakaku")->text(), u"22,896,500"_s);
}

void TestWorksheet::house_builtAfterValuation() {
    open();
    // The road-price year and the valuation date in 2020, then a construction date in 2025.
    type(date("imDateKaoku"), u"2019/01/01"_s);
    type(date("imDateRosen"), u"R02"_s);
    type(date("imDateHyoka"), u"2020/06/01"_s);
    type(date("imDateKaoku"), u"2025/01/01"_s);
    QVERIFY(ui_->shown.empty());
    type(field("TxtKaokuTuboTanka"), u"500000"_s);
    type(field("TxtKaokuTateTubo"), u"30"_s);
    QTest::mouseClick(button("CmdKaokuKeisan"), Qt::LeftButton);
    QCOMPARE(
        shownTexts(),
        QStringList{u"家屋建築日が価格を調べる日より後になっています。日付を確認してください。"_s});
    QCOMPARE(ui_->shown[0].icon, MsgIcon::Exclamation);
    QCOMPARE(field("TxtKaokuKakaku")->text(), QString());
    QVERIFY(!button("CmdSave")->isEnabled());
    QCOMPARE(g_->Bukken.KaokuTuboTanka, 0.0);
}

void TestWorksheet::house_overflow() {
    open();
    type(field("TxtKaokuTuboTanka"), u"1000"_s);
    type(field("TxtKaokuTateTubo"), u"10"_s);
    QTest::mouseClick(button("CmdKaokuKeisan"), Qt::LeftButton);
    QCOMPARE(field("TxtKaokuKakaku")->text(), u"10,000"_s);
    type(field("TxtKaokuTuboTanka"), u"999999999999"_s);
    type(field("TxtKaokuTateTubo"), u"9999999"_s);
    QTest::mouseClick(button("CmdKaokuKeisan"), Qt::LeftButton);
    QCOMPARE(
        shownTexts(),
        QStringList{
            u"6\rオーバーフローしました。\r家屋価格計算に失敗しました。数値が大きすぎます。"_s});
    QCOMPARE(ui_->shown[0].icon, MsgIcon::Critical);
    QCOMPARE(field("TxtKaokuKakaku")->text(), u"10,000"_s);
    QCOMPARE(field("TxtGokeiKakaku")->text(), u"10,000"_s);
    QVERIFY(!g_->SysDbCon.isOpen());
}

void TestWorksheet::clear_keepsWorkingDatesOnly() {
    open();
    type(date("imDateKaoku"), u"2015/04/01"_s);
    type(date("imDateHyoka"), u"2026/11/30"_s);
    g_->Bukken.KaokuKozoCD = 3;
    type(field("TxtRosenka"), u"100000"_s);
    type(field("TxtTotiMenseki"), u"150"_s);
    type(field("TxtJiten"), u"3"_s);
    QTest::mouseClick(button("CmdCalcLandPrise"), Qt::LeftButton);
    g_->Bukken.Jusho = u"東京都"_s;
    g_->Bukken.TotiHanbaiKakaku = Currency::fromRaw(5);
    g_->Bukken.KakutiHoseiRitu = 0.9;
    field("TxtKakuti")->setText(u"90.00"_s);

    ui_->answers.push_back(Answer::No);  // the calculated result is discarded
    QTest::mouseClick(button("CmdClear"), Qt::LeftButton);
    QCOMPARE(shownTexts(), QStringList{u"保存されていない変更があります。保存しますか。"_s});
    for (const char* name : {"TxtRosenka", "TxtTotiMenseki", "TxtTotiKakaku", "TxtKaokuTuboTanka",
                             "TxtKaokuTateTubo", "TxtKaokuKakaku", "TxtGokeiKakaku"}) {
        QCOMPARE(field(name)->text(), QString());
    }
    QCOMPARE(field("TxtKakuti")->text(), u"100.00"_s);
    QCOMPARE(field("TxtJiten")->text(), u"0"_s);
    // The house goes with the property; the valuation date is the user's and stays.
    QCOMPARE(date("imDateKaoku")->text(), u"2026/12/07"_s);
    QCOMPARE(g_->Bukken.KaokuDate, QDate(2026, 12, 7));
    QCOMPARE(g_->Bukken.KaokuKozoCD, 0);
    QCOMPARE(date("imDateHyoka")->text(), u"2026/11/30"_s);
    QCOMPARE(g_->Bukken.HyokaDate, QDate(2026, 11, 30));
    QVERIFY(!button("CmdSave")->isEnabled());
    QCOMPARE(button("CmdSave")->text(), u"新規物件保存"_s);
    QVERIFY(g_->Bukken.NewBukken);
    QVERIFY(g_->Bukken.TotiKakaku.isZero());
    QCOMPARE(g_->Bukken.ChikaHendoRitu, 0.0);
    QCOMPARE(g_->Bukken.KakutiHoseiRitu, 1.0);
    QVERIFY(g_->Bukken.Jusho.isEmpty());
    QVERIFY(g_->Bukken.TotiHanbaiKakaku.isZero());
}

void TestWorksheet::staleResults_eachInput() {
    open();
    type(field("TxtRosenka"), u"100000"_s);
    type(field("TxtTotiMenseki"), u"150"_s);
    QTest::mouseClick(button("CmdCalcLandPrise"), Qt::LeftButton);
    // Changed before there is a house result: nothing to mark on the house's side.
    type(field("TxtKaokuTuboTanka"), u"500000"_s);
    QVERIFY(!w_->houseResultStale());
    type(field("TxtKaokuTateTubo"), u"30"_s);
    type(date("imDateKaoku"), u"2015/04/01"_s);
    QTest::mouseClick(button("CmdKaokuKeisan"), Qt::LeftButton);
    QVERIFY(ui_->shown.empty());
    const auto landLabel = [this] { return find<QLabel>("LblLandStale"); };
    const auto houseLabel = [this] { return find<QLabel>("LblHouseStale"); };
    QVERIFY(!w_->landResultStale() && !w_->houseResultStale());
    QVERIFY(!landLabel()->isVisible() && !houseLabel()->isVisible());

    const struct {
        const char* input;
        QString changed;
        QString back;
        bool land, house;
    } cases[] = {
        {"TxtRosenka", u"120000"_s, u"100,000"_s, true, false},
        {"TxtTotiMenseki", u"150.5"_s, u"150.00"_s, true, false},
        {"TxtJiten", u"3"_s, u"0"_s, true, false},
        {"imDateRosen", u"R07"_s, u"R08"_s, true, false},
        {"TxtKaokuTuboTanka", u"400000"_s, u"500000"_s, false, true},
        {"TxtKaokuTateTubo", u"120㎡"_s, u"30"_s, false, true},
        {"imDateKaoku", u"2016/04/01"_s, u"2015/04/01"_s, false, true},
        {"imDateHyoka", u"2026/12/01"_s, u"2026/12/07"_s, true, true},
    };
    for (const auto& c : cases) {
        type(field(c.input), c.changed);
        QVERIFY2(w_->landResultStale() == c.land, c.input);
        QVERIFY2(w_->houseResultStale() == c.house, c.input);
        QCOMPARE(landLabel()->isVisible(), c.land);
        QCOMPARE(houseLabel()->isVisible(), c.house);
        // The same value again, however written, makes the result current again.
        type(field(c.input), c.back);
        QVERIFY2(!w_->landResultStale() && !w_->houseResultStale(), c.input);
    }
    QVERIFY(ui_->shown.empty());

    // ③ and the structure, as their dialogs leave them.
    field("TxtKakuti")->setText(u"90.00"_s);
    QVERIFY(w_->landResultStale());
    QVERIFY(field("TxtTotiKakaku")->palette().color(QPalette::Text) !=
            field("TxtRosenka")->palette().color(QPalette::Text));
    QTest::mouseClick(button("CmdCalcLandPrise"), Qt::LeftButton);
    QVERIFY(!w_->landResultStale());
    QCOMPARE(field("TxtTotiKakaku")->palette().color(QPalette::Text),
             field("TxtRosenka")->palette().color(QPalette::Text));
    g_->Bukken.KaokuKozoCD = 2;
    w_->ShowKaokuKozo();
    QVERIFY(w_->houseResultStale() && !w_->landResultStale());
    QVERIFY(g_->Bukken.KaokuKakakuStale && !g_->Bukken.TotiKakakuStale);
}

void TestWorksheet::staleResults_saveAsksAndReportNotes() {
    open();
    type(field("TxtRosenka"), u"100000"_s);
    type(field("TxtTotiMenseki"), u"150"_s);
    QTest::mouseClick(button("CmdCalcLandPrise"), Qt::LeftButton);
    type(field("TxtTotiMenseki"), u"200"_s);
    QVERIFY(w_->landResultStale());

    // The page notes the land price and the total; the house has no figure to mark.
    const auto notes = [this] {
        int n = 0;
        for (const ChohyoItem& i : ChohyoLayout(g_->Bukken, QDate(2026, 12, 7)))
            n += i.text == StaleResultNote();
        return n;
    };
    QCOMPARE(notes(), 2);

    const QString ask = u"入力が変わった後に計算していません。このまま保存しますか。"_s;
    ui_->answers.push_back(Answer::No);
    QTest::mouseClick(button("CmdSave"), Qt::LeftButton);
    QCOMPARE(shownTexts(), QStringList{ask});
    QVERIFY(button("CmdSave")->isEnabled());
    QCOMPARE(field("TxtTotiKakaku")->text(), u"18,750,000"_s);  // nothing saved, nothing cleared

    ui_->clear();
    ui_->answers = {Answer::Yes, Answer::Yes};
    QTest::mouseClick(button("CmdSave"), Qt::LeftButton);
    QCOMPARE(shownTexts().first(), ask);
    QVERIFY(field("TxtTotiKakaku")->text().isEmpty());
    QVERIFY(!w_->landResultStale());
    QCOMPARE(notes(), 0);
}

void TestWorksheet::dispForm_writesOnlyNonZero() {
    open();
    field("TxtKaokuTuboTanka")->setText(u"old"_s);
    field("TxtKaokuKakaku")->setText(u"old house"_s);
    BukkenJoho& b = g_->Bukken;
    b.Rosenka = Currency::fromRaw(Q_INT64_C(1234567) * Currency::kScale);
    b.TotiMenseki = 150.5;
    b.ChikaHendoRitu = 0.046;
    b.KakutiHoseiRitu = 0.855;
    b.TotiKakaku = Currency::fromRaw(Q_INT64_C(192664726027));
    b.KaokuTuboTanka = 0;
    b.KaokuTateTubo = 30;
    b.KaokuKakaku = Currency();
    b.GokeiKakaku = Currency::fromRaw(1);
    b.KaokuDate = QDate(2001, 2, 3);
    w_->DispForm();
    QCOMPARE(field("TxtRosenka")->text(), u"1,234,567"_s);
    QCOMPARE(field("TxtTotiMenseki")->text(), u"150.5"_s);
    QCOMPARE(field("TxtJiten")->text(), u"4.6"_s);
    QCOMPARE(field("TxtKakuti")->text(), u"85.50"_s);
    QCOMPARE(field("TxtTotiKakaku")->text(), u"19,266,473"_s);
    QCOMPARE(field("TxtKaokuTuboTanka")->text(), u"old"_s);
    QCOMPARE(field("TxtKaokuTateTubo")->text(), u"30"_s);
    QCOMPARE(field("TxtKaokuKakaku")->text(), u"old house"_s);
    QCOMPARE(field("TxtGokeiKakaku")->text(), u"19,266,473"_s);
    QCOMPARE(b.GokeiKakaku.raw(), Q_INT64_C(192664726027));
    QCOMPARE(date("imDateKaoku")->text(), u"2001/02/03"_s);
    QCOMPARE(date("imDateHyoka")->text(), u"2026/12/07"_s);
}

QTEST_MAIN(TestWorksheet)
#include "tst_valuation_worksheet.moc"
