// The house value's honesty: the NTA's age count at its month edges, the notes on the remaining
// rate and the earthquake standard at their edges, the prefecture cost by the structure's column,
// and the dialog that offers both prices and keeps the choice with the property.
#include "app/FrmMain.h"
#include "common/HouseNotes.h"
#include "platform/DateInput.h"
#include "records/CalcBreakdown.h"
#include "state/ModGlobal.h"
#include "support/ModalDriver.h"
#include "support/RunningProgram.h"
#include "support/ScriptedUi.h"
#include "support/TestFolder.h"
#include "valuation/HousePrice.h"
#include "valuation/RateLookup.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace ie;
using namespace Qt::StringLiterals;
using ie::test::ModalDriver;
using ie::test::RunningProgram;
using ie::test::ScriptedUi;
using ie::test::TestFolder;

class TestHouseNotes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ntaAgeCount_data();
    void ntaAgeCount();
    void notesAtTheirEdges();
    void prefectureCostByStructureColumn();
    void dialogOffersBothPricesAndKeepsTheChoice();
};

void TestHouseNotes::ntaAgeCount_data() {
    QTest::addColumn<QDate>("built");
    QTest::addColumn<QDate>("valued");
    QTest::addColumn<int>("nta");
    QTest::addColumn<int>("calendar");
    QTest::newRow("18 years 8 months") << QDate(2008, 3, 15) << QDate(2026, 12, 7) << 19 << 18;
    QTest::newRow("5 months 30 days") << QDate(2020, 1, 31) << QDate(2020, 7, 30) << 0 << 0;
    QTest::newRow("6 months") << QDate(2020, 1, 31) << QDate(2020, 7, 31) << 1 << 0;
    // Six months on from 31 Aug is the last day of February.
    QTest::newRow("31 Aug to 28 Feb") << QDate(2020, 8, 31) << QDate(2021, 2, 28) << 1 << 1;
    QTest::newRow("31 Aug to 29 Feb") << QDate(2023, 8, 31) << QDate(2024, 2, 29) << 1 << 1;
    QTest::newRow("31 Aug to 28 Feb, leap") << QDate(2023, 8, 31) << QDate(2024, 2, 28) << 0 << 1;
    QTest::newRow("17 years 6 months") << QDate(2009, 6, 7) << QDate(2026, 12, 7) << 18 << 17;
    QTest::newRow("17 years 5 months") << QDate(2009, 6, 8) << QDate(2026, 12, 7) << 17 << 17;
    QTest::newRow("built later") << QDate(2026, 12, 8) << QDate(2026, 12, 7) << -1 << 0;
}

void TestHouseNotes::ntaAgeCount() {
    QFETCH(QDate, built);
    QFETCH(QDate, valued);
    QFETCH(int, nta);
    QFETCH(int, calendar);
    QCOMPARE(HouseAge(built, valued, AgeCount::NtaHalfYear), nta);
    QCOMPARE(HouseAge(built, valued), calendar);
}

void TestHouseNotes::notesAtTheirEdges() {
    // 旧耐震: by the 建築日, and only for a house that has a price and a floor area.
    QVERIFY(MayBeOldEarthquakeStandard(500000, 30, QDate(1981, 12, 31)));
    QVERIFY(!MayBeOldEarthquakeStandard(500000, 30, QDate(1982, 1, 1)));
    QVERIFY(!MayBeOldEarthquakeStandard(0, 30, QDate(1970, 1, 1)));
    QVERIFY(!MayBeOldEarthquakeStandard(500000, 0, QDate(1970, 1, 1)));
    QVERIFY(!MayBeOldEarthquakeStandard(500000, 30, QDate()));

    // The remaining rate's caveat: wood (1, 5, none) only from 20 years, the others always.
    for (const qint32 wood : {0, 1, 5}) {
        QVERIFY(!NeedsRemainingRateCaveat(wood, 19));
        QVERIFY(NeedsRemainingRateCaveat(wood, 20));
    }
    for (const qint32 other : {2, 3, 4, 6, 7})
        QVERIFY(NeedsRemainingRateCaveat(other, 0));

    // Together, in the order shown; nothing without a house.
    QCOMPARE(HouseNotes(true, 3, 45, 1039008, 30, QDate(1981, 5, 1)),
             (QStringList{RemainingRateCaveatText(), OldEarthquakeStandardText()}));
    QVERIFY(HouseNotes(false, 3, 45, 1039008, 30, QDate(1981, 5, 1)).isEmpty());
    QVERIFY(HouseNotes(true, 1, 19, 674711, 30, QDate(2007, 5, 1)).isEmpty());
}

void TestHouseNotes::prefectureCostByStructureColumn() {
    TestFolder folder;
    ModGlobal g;
    g.SysDbPath = folder.sysDb();
    QVERIFY(ModSysDbOpen(g));
    // 新潟県: 木造 193, SRC 265, RC 278, 鉄骨 354 千円/㎡; × 1000 × 400/121, to the yen.
    const QString niigata = u"新潟県"_s;
    for (const qint32 steel : {2, 6, 7})
        QCOMPARE(ModGetPrefectureTuboTanka(g, niigata, steel), std::optional<qint64>(1170248));
    for (const qint32 wood : {0, 1, 5})
        QCOMPARE(ModGetPrefectureTuboTanka(g, niigata, wood), std::optional<qint64>(638017));
    QCOMPARE(ModGetPrefectureTuboTanka(g, niigata, 3), std::optional<qint64>(919008));
    QCOMPARE(ModGetPrefectureTuboTanka(g, niigata, 4), std::optional<qint64>(876033));
    // A prefecture the table has no row for: nothing, so the national price stays.
    QCOMPARE(ModGetPrefectureTuboTanka(g, u"福岡県"_s, 1), std::nullopt);
    QVERIFY(!ReadCostPrefectures(g).contains(u"福岡県"_s));
    QVERIFY(!ReadCostPrefectures(g).contains(u"全国平均"_s));
    ModSysDbClose(g);
}

void TestHouseNotes::dialogOffersBothPricesAndKeepsTheChoice() {
    TestFolder folder;
    RunningProgram program(folder);  // today 2026/12/07
    QVERIFY(program.start());
    ScriptedUi& ui = program.ui;
    ModGlobal& g = program.g;
    FrmMain& w = *program.w;
    ui.clear();

    // A light-steel house of 1980, 30 tsubo, priced in 新潟県.
    w.findChild<DateInput*>(u"imDateKaoku"_s)->setValue(QDate(1980, 4, 1));
    g.Bukken.KaokuDate = QDate(1980, 4, 1);
    w.findChild<QLineEdit*>(u"TxtKaokuTateTubo"_s)->setText(u"30"_s);
    QString lightSteelEntry;
    ModalDriver drive(u"FrmKaokuKozo"_s, [&lightSteelEntry](QDialog* d) {
        auto* prefectures = d->findChild<QComboBox*>(u"CboPrefecture"_s);
        prefectures->setCurrentIndex(prefectures->findText(u"新潟県"_s));
        d->findChild<QRadioButton*>(u"OptPrefecture"_s)->setChecked(true);
        auto* list = d->findChild<QListWidget*>(u"LstKaokuKozo"_s);
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->data(Qt::UserRole).toInt() == 6) {
                lightSteelEntry = list->item(i)->text();
                list->setCurrentRow(i);
            }
        }
        QTest::mouseClick(d->findChild<QPushButton*>(u"CmdOK"_s), Qt::LeftButton);
    });
    QTest::mouseClick(w.findChild<QPushButton*>(u"CmdKaokuKozo"_s), Qt::LeftButton);
    QVERIFY(drive.ran());
    // Each entry says what it makes of this house: 46 years, the 5 % floor.
    QVERIFY2(lightSteelEntry.contains(u"築46年 残価率0.0500"_s), qPrintable(lightSteelEntry));
    QCOMPARE(g.Bukken.KaokuKozoCD, 6);
    QCOMPARE(g.Bukken.KaokuTuboTanka, 1170248.0);
    QCOMPARE(g.Bukken.ShozaiKen, u"新潟県"_s);
    QCOMPARE(g.Bukken.KaokuTankaShutten, u"都道府県（工事費用表 2023年分 新潟県）"_s);

    w.CmdKaokuKeisan_Click();
    const QString notes = w.findChild<QLabel*>(u"LblKaokuNotes"_s)->toolTip();
    QVERIFY(notes.contains(RemainingRateCaveatText()));
    QVERIFY(notes.contains(OldEarthquakeStandardText()));

    // The 内訳 names the source and the count; a price typed by hand is 手入力.
    {
        SysDbSession session(g, ui, nullptr);
        const BreakdownContent content = MakeBreakdown(g, g.Bukken);
        QStringList values;
        for (const BreakdownSection& s : content.sections) {
            for (const BreakdownLine& l : s.lines)
                values << l.label + u'=' + l.value;
        }
        QVERIFY(values.contains(u"坪単価の出典=都道府県（工事費用表 2023年分 新潟県）"_s));
        QVERIFY(values.contains(u"経過年数の数え方=暦年の差"_s));
    }
    QTest::keyClicks(w.findChild<QLineEdit*>(u"TxtKaokuTuboTanka"_s), u"1"_s);
    QCOMPARE(g.Bukken.KaokuTankaShutten, u"手入力"_s);

    // A property saved before sources were kept says so rather than guess.
    BukkenJoho old;
    QCOMPARE(CostSourceCaption(old), u"不明（この版より前に保存）"_s);
    QVERIFY2(ui.unexpected.isEmpty(), qPrintable(ui.unexpected.join(u'\n')));
}

QTEST_MAIN(TestHouseNotes)
#include "tst_valuation_housenotes.moc"
