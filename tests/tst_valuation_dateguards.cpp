// The worksheet's date guards as plain rules, and the guard mechanism itself: handlers run when
// the focus moves on, and never while the field's window is being destroyed.
#include "platform/FieldGuard.h"
#include "valuation/DateGuards.h"

#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace ie;

namespace {

// Runs a field's guard when it goes: stands for whatever leaves a field while a window's children
// are taken down, after the window's own destructor has run.
class LateLeaver : public QObject {
public:
    explicit LateLeaver(QObject* parent) : QObject(parent) {}
    ~LateLeaver() override {
        if (guard)
            guard->run();
    }
    FieldGuard* guard = nullptr;
};

// A window whose guard reads one of its own members, as the real windows' handlers do.
class GuardedWindow : public QWidget {
    Q_OBJECT
public:
    explicit GuardedWindow(int& runs) : runs_(runs) {
        auto* leaver = new LateLeaver(this);  // taken down before the field
        field = new QLineEdit(this);
        other = new QLineEdit(this);
        other->move(0, 40);
        leaver->guard = FieldGuard::attach(field, [this] { ++runs_; });
    }
    QLineEdit* field;
    QLineEdit* other;

private:
    int& runs_;
};

}  // namespace

class TestDateGuards : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rosenkaNendo() {
        const QDate today(2026, 12, 7);
        const QDate current(2026, 1, 1);
        const DateCheck ok = CheckRosenkaNendo(QDate(2018, 1, 1), current, today);
        QVERIFY(ok.message.isEmpty());
        QCOMPARE(ok.reset, std::optional<QDate>(QDate(2018, 1, 1)));
        // Today itself is no future year.
        QVERIFY(CheckRosenkaNendo(today, current, today).message.isEmpty());
        const DateCheck future = CheckRosenkaNendo(QDate(2027, 1, 1), current, today);
        QCOMPARE(future.message, u"未来の年度が入力されました。正しく年度を入力してください。"_s);
        QCOMPARE(future.reset, std::optional<QDate>(current));
        const DateCheck bad = CheckRosenkaNendo(std::nullopt, current, today);
        QCOMPARE(bad.message, u"正しく年度を入力してください。年度を設定し直します。"_s);
        QCOMPARE(bad.reset, std::optional<QDate>(current));
    }

    void kaokuDate() {
        const QDate today(2026, 12, 7);
        const QDate current(2000, 4, 1);
        const DateCheck ok = CheckKaokuDate(QDate(1990, 2, 28), current, today);
        QVERIFY(ok.message.isEmpty());
        QVERIFY(!ok.reset);  // the field keeps what was typed
        const DateCheck future = CheckKaokuDate(today.addDays(1), current, today);
        QVERIFY(future.message.startsWith(u"家屋建築日に未来の日付"_s));
        QCOMPARE(future.reset, std::optional<QDate>(today));  // today, not the old date
        QCOMPARE(CheckKaokuDate(std::nullopt, current, today).reset, std::optional<QDate>(current));
    }

    void hyokaDate() {
        const QDate nendo(2026, 1, 1);
        const QDate built(2026, 3, 1);
        const QDate current(2026, 12, 7);
        QVERIFY(CheckHyokaDate(QDate(2026, 3, 1), current, nendo, built).message.isEmpty());
        QVERIFY(!CheckHyokaDate(QDate(2026, 3, 1), current, nendo, built).reset);
        const DateCheck beforeNendo = CheckHyokaDate(QDate(2025, 12, 31), current, nendo, built);
        QVERIFY(beforeNendo.message.startsWith(u"評価日に路線価年度より過去"_s));
        QCOMPARE(beforeNendo.reset, std::optional<QDate>(current));
        // Both rules broken: the road-price year is named first.
        QVERIFY(CheckHyokaDate(QDate(2025, 1, 1), current, nendo, built)
                    .message.startsWith(u"評価日に路線価年度"_s));
        const DateCheck beforeBuilt = CheckHyokaDate(QDate(2026, 2, 28), current, nendo, built);
        QVERIFY(beforeBuilt.message.startsWith(u"評価日に家屋建築日より過去"_s));
        QCOMPARE(CheckHyokaDate(std::nullopt, current, nendo, built).reset,
                 std::optional<QDate>(current));
    }

    void fieldGuardSkipsWindowTeardown() {
        int runs = 0;
        auto* w = new GuardedWindow(runs);
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        w->field->setFocus(Qt::OtherFocusReason);
        w->other->setFocus(Qt::TabFocusReason);
        QCOMPARE(runs, 1);
        w->field->setFocus(Qt::OtherFocusReason);
        QVERIFY(w->field->hasFocus());
        delete w;  // the field is left again after the window's own part is gone
        QCOMPARE(runs, 1);
    }
};

QTEST_MAIN(TestDateGuards)
#include "tst_valuation_dateguards.moc"
