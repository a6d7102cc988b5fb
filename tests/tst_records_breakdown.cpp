// The report's second page, 計算の内訳: its content for a property worked out by hand, the notes
// when page 1's figures were computed from other inputs, the layout staying on the page, the
// preview's check box with its remembered choice, and batch printing following that choice.
#include "common/Cp932.h"
#include "platform/IniFile.h"
#include "platform/QtUiServices.h"
#include "records/CalcBreakdown.h"
#include "records/FrmData.h"
#include "records/PrintBatch.h"
#include "report/FrmPrint.h"
#include "state/ModGlobal.h"
#include "support/FakeReportPrinter.h"
#include "support/ScriptedUi.h"
#include "support/TestFolder.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace ie;
using namespace Qt::StringLiterals;
using ie::test::ExecSql;
using ie::test::FakeReportPrinter;
using ie::test::ReadAll;
using ie::test::ScriptedUi;
using ie::test::TestFolder;
using ie::test::WriteAll;

namespace {

Currency Raw(qint64 tenThousandths) {
    return Currency::fromRaw(tenThousandths);
}

// 200,000 円/㎡ × 150 ㎡, a corner plot (1.03) two to three times as deep as wide (0.96) with a
// narrow frontage (0.9), other −5 %; 4.6 % a year from 2025/01/01 to 2026/12/07. A wooden house
// of 30.25 坪 at 550,000 円 built 2015/04/01. The results are those the calculations leave:
//   lot factor 1.03 × 0.95 × (0.96 × 0.9 = 0.864) = 0.845424
//   200,000 × 150 × 0.845424 ÷ 0.8 = 31,703,400
//   705 days = 365 × 1 + 340: × 1.046 = 33,161,756.4; × (1 + 0.046 × 340/365) = 34,582,714.9482
//   age 2026 − 2015 = 11, rate 1 − 0.0279 × 11 = 0.6931: 550,000 × 30.25 × 0.6931 = 11,531,451.25
BukkenJoho HandWorked() {
    BukkenJoho r;
    r.Jusho = u"川崎市中原区"_s;
    r.Rosenka = Raw(Q_INT64_C(200000) * Currency::kScale);
    r.TotiMenseki = 150;
    r.Sokumen1Rank = 1;
    r.OkuyukiRank = 2;
    r.MaguchiRank = 1;
    r.SonotaRank = -5;
    r.KakutiHoseiRitu = 0.845424;
    r.ChikaHendoRitu = 0.046;
    r.RosenkaNendo = QDate(2025, 1, 1);
    r.HyokaDate = QDate(2026, 12, 7);
    r.TotiKakaku = Raw(Q_INT64_C(345827149482));
    r.KaokuTuboTanka = 550000;
    r.KaokuTateTubo = 30.25;
    r.KaokuDate = QDate(2015, 4, 1);
    r.KaokuKakaku = Raw(Q_INT64_C(115314512500));
    return r;
}

struct Reference {
    TestFolder folder;
    ScriptedUi ui;
    ModGlobal g;
    Reference() {
        ui.tempDir = folder.tempPath();
        g.SysDbPath = folder.sysDb();
        g.UsrDbPath = folder.usrDb();
        g.IniFilePath = folder.file(u"Morinaxis.ini"_s);
    }
    BreakdownContent make(const BukkenJoho& rec) {
        SysDbSession session(g, ui, nullptr);
        if (!session.ok())
            return {};
        return MakeBreakdown(g, rec);
    }
};

// Every line of the content, "label|value" or the value alone, section by section.
QStringList Lines(const BreakdownContent& c) {
    QStringList out;
    for (const BreakdownSection& s : c.sections) {
        for (const BreakdownLine& l : s.lines)
            out << (l.label.isEmpty() ? l.value : l.label + u'|' + l.value);
    }
    return out;
}

QString ValueOf(const BreakdownContent& c, const QString& label) {
    for (const BreakdownSection& s : c.sections) {
        for (const BreakdownLine& l : s.lines) {
            if (l.label == label)
                return l.value;
        }
    }
    return u"(no such line)"_s;
}

bool HasLine(const BreakdownContent& c, const QString& part) {
    const QStringList lines = Lines(c);
    return std::any_of(lines.begin(), lines.end(),
                       [&](const QString& l) { return l.contains(part); });
}

}  // namespace

class TestBreakdown : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { InstallFontSubstitutions(); }

    // The official way: its lines in the statement's order, 自用地の評価額 last, the warning.
    void officialWayLines() {
        Reference f;
        BukkenJoho rec;
        rec.Rosenka = Raw(Q_INT64_C(320000) * Currency::kScale);
        rec.TotiMenseki = 110.45;
        rec.LotMethod = 1;
        rec.Frontage = 1.5;
        rec.Depth = 20;
        rec.RosenkaNendo = QDate(2025, 1, 1);
        rec.HyokaDate = QDate(2025, 1, 1);
        // 320,000 × 1.00; × 0.90 (under 4 m) × 0.90 (ratio over 8): 259,200 a ㎡.
        rec.KakutiHoseiRitu = 259200.0 * 110.45 / (320000.0 * 110.45);
        const BreakdownContent c = f.make(rec);
        QVERIFY(f.ui.shown.empty());
        const QStringList lines = Lines(c);
        const auto at = [&](const QString& part) {
            for (int i = 0; i < lines.size(); ++i) {
                if (lines[i].contains(part))
                    return i;
            }
            return -1;
        };
        const int first = at(u"1 一路線（A）|正面路線価 320,000円 × 奥行価格補正率 1.00"_s);
        const int shape = at(u"5-1 "_s);
        const int perSqm = at(u"自用地1㎡当たりの価額|259,200 円"_s);
        const int total = at(u"自用地の評価額|"_s);
        QVERIFY2(first >= 0 && first < shape && shape < perSqm && perSqm < total,
                 qPrintable(lines.join(u'\n')));
        QVERIFY(lines[total].endsWith(u"= 28,628,640 円"_s));
        QVERIFY(HasLine(c, u"付表6 間口狭小補正率 普通住宅地区 4m未満"_s));
        QVERIFY(HasLine(c, u"間口が2m未満です。"_s));
        // The quick way's factor lines are not there.
        QCOMPARE(ValueOf(c, u"側方路線（1本目）"_s), u"(no such line)"_s);
    }

    void handWorkedProperty() {
        Reference f;
        const BukkenJoho rec = HandWorked();
        const BreakdownContent c = f.make(rec);
        QVERIFY(f.ui.shown.empty());

        const QString values[][2] = {
            {u"価格を調べる日"_s, u"2026/12/07"_s},
            {u"路線価年度"_s, u"2025年度（令和7年度）"_s},
            {u"路線価"_s, u"200,000 円/㎡"_s},
            {u"敷地面積"_s, u"150 ㎡"_s},
            {u"側方路線（1本目）"_s, u"1.03"_s},
            {u"側方路線（2本目）"_s, u"1"_s},
            {u"奥行長大"_s, u"0.96"_s},
            {u"間口狭小"_s, u"0.9"_s},
            {u"その他（-5%）"_s, u"0.95"_s},
            {u"地価変動率（1年）"_s, u"4.6%"_s},
            {u"日数"_s, u"705日（365日×1 と 340日）"_s},
            {u"敷地計算価格"_s, u"34,582,715 円"_s},
            {u"構造"_s, u"構造未設定（木造として計算）"_s},
            {u"坪単価"_s, u"550,000 円/坪"_s},
            {u"延床面積"_s, u"30.25 坪（100 ㎡）"_s},
            {u"建築日"_s, u"2015/04/01"_s},
            {u"残価率"_s, u"0.6931"_s},
            {u"家屋計算価格"_s, u"11,531,451 円"_s},
        };
        for (const auto& [label, value] : values)
            QCOMPARE(ValueOf(c, label), value);
        QVERIFY(ValueOf(c, u"形状補正"_s).startsWith(u"0.864（"_s));
        QVERIFY(ValueOf(c, u"画地補正率"_s).startsWith(u"0.845424（84.54％"_s));
        QVERIFY(ValueOf(c, u"経過年数"_s).startsWith(u"11年"_s));
        QVERIFY(HasLine(c, u"= 200,000 × 150 × 0.845424 ÷ 0.8 = 31,703,400 円"_s));
        QVERIFY(HasLine(c, u"× (1 + 4.6%) を365日ごとに1回 = 33,161,756 円"_s));
        QVERIFY(HasLine(c, u"× (1 + 4.6% × 340/365) = 34,582,715 円"_s));

        QVERIFY(HasLine(c, u"= 550,000 × 30.25 × 0.6931 = 11,531,451 円"_s));
        QVERIFY(HasLine(c, u"= 34,582,714.9482 + 11,531,451.25 = 46,114,166 円"_s));
        QVERIFY(!HasLine(c, u"※"_s));  // every figure agrees with the calculations

        // Page 1 prints the same results.
        const std::vector<QString> page1 = ChohyoLines(rec);
        QVERIFY(page1[6].endsWith(u"34,582,715 円"_s));
        QVERIFY(page1[11].endsWith(u"11,531,451 円"_s));
        QVERIFY(page1[14].endsWith(u"46,114,166 円"_s));

        // The sources of the figures that changed the value, in the reference table's order.
        QStringList tables;
        for (const BreakdownLine& l : c.sections.back().lines) {
            if (l.value.contains(u'：'))
                tables << l.value.section(u'：', 0, 0);
        }
        QCOMPARE(tables, (QStringList{u"側１路線補正率"_s, u"間口狭小補正率"_s, u"奥行長大補正率"_s,
                                      u"家屋経年減点補正率"_s, u"家屋構造別坪単価"_s,
                                      u"土地時点修正率"_s}));
        // The depreciation's source names the house's own structure.
        const auto sourceOf = [](const BreakdownContent& content, const QString& table) {
            for (const BreakdownLine& l : content.sections.back().lines) {
                if (l.value.startsWith(table + u'：'))
                    return l.value;
            }
            return QString();
        };
        QVERIFY(sourceOf(c, u"家屋経年減点補正率"_s)
                    .endsWith(u"この物件の構造：構造未設定（木造として計算）"_s));
        BukkenJoho steel = rec;
        steel.KaokuKozoCD = 4;
        const BreakdownContent s = f.make(steel);
        QVERIFY(sourceOf(s, u"家屋経年減点補正率"_s).isEmpty());  // wood's table was not used
        QVERIFY(sourceOf(s, u"家屋構造別坪単価"_s)
                    .endsWith(u"この物件の構造："_s + ValueOf(s, u"構造"_s)));
        QCOMPARE(c.subtitle, u"住所：川崎市中原区"_s);
    }

    void totalAddsUpAsPrinted() {
        // Rounded one by one the parts would give ...237; added as they are, ...237.73 → ...238.
        Reference f;
        BukkenJoho rec = HandWorked();
        rec.TotiKakaku = Raw(Q_INT64_C(442301594300));
        rec.KaokuKakaku = Raw(Q_INT64_C(98040783000));
        QVERIFY(HasLine(f.make(rec), u"= 44,230,159.43 + 9,804,078.3 = 54,034,238 円"_s));
        rec.KaokuKakaku = Raw(-3000);  // a fraction of a yen below zero keeps its sign
        QVERIFY(HasLine(f.make(rec), u"= 44,230,159.43 + -0.3 = 44,230,159 円"_s));
    }

    // Figures on page 1 that a recalculation would not give, a table edited after the save, no
    // house, and a valuation date before the road-price year.
    void notesAndEdgeCases() {
        Reference f;
        BukkenJoho rec = HandWorked();
        rec.TotiKakaku = rec.TotiKakaku + Currency::fromRaw(Currency::kScale);  // one yen more
        QVERIFY(ExecSql(f.folder.sysDb(),
                        u"UPDATE 側１路線補正率 SET 補正率 = 1.05 WHERE ランク = 1"_s));
        BreakdownContent c = f.make(rec);
        QCOMPARE(ValueOf(c, u"側方路線（1本目）"_s), u"1.05"_s);
        // The calculation used the stored factor; today's tables give 1.05 × 0.95 × 0.864.
        QVERIFY(HasLine(c, u"0.845424 ÷ 0.8 = 31,703,400 円"_s));
        QVERIFY(HasLine(c, u"※今の参考値での積は 0.86184 です。"_s));
        QVERIFY(HasLine(c, u"※1ページの敷地計算価格（34,582,716 円）は"_s));
        QVERIFY(!HasLine(c, u"※1ページの家屋計算価格"_s));
        QVERIFY(ExecSql(f.folder.sysDb(),
                        u"UPDATE 側１路線補正率 SET 補正率 = 1.03 WHERE ランク = 1"_s));

        // −0.6 % a year carried backwards 2025/01/01 → 2024/12/01 (31 days), no house.
        rec = HandWorked();
        rec.ChikaHendoRitu = -0.006;
        rec.HyokaDate = QDate(2024, 12, 1);
        rec.KaokuTuboTanka = 0;
        rec.KaokuKakaku = Currency();
        // 31,703,400 × (1 − 0.006 × 31/365) = 31,703,400 − 16,155.7052 = 31,687,244.2948
        rec.TotiKakaku = Raw(Q_INT64_C(316872442948));
        c = f.make(rec);
        QCOMPARE(ValueOf(c, u"日数"_s), u"31日（365日×0 と 31日）"_s);
        QVERIFY(HasLine(c, u"× (1 - 0.6% × 31/365) = 31,687,244 円"_s));
        QVERIFY(!HasLine(c, u"365日ごと"_s));
        QVERIFY(HasLine(c, u"家屋価格は計算されていません。"_s));
        QVERIFY(!HasLine(c, u"※"_s));
    }

    // Long texts wrap inside their column and a full page tightens its lines: nothing crosses
    // the inner frame (530..15470 × 530..10970 twips) at 10 pt, a half-width column being 100.
    void layoutStaysOnThePage() {
        BreakdownContent c;
        c.subtitle = u"住所：長い住所"_s;
        for (const auto column :
             {BreakdownSection::Column::Left, BreakdownSection::Column::Right}) {
            BreakdownSection s{column, u"見出し"_s, {}};
            for (int i = 0; i < 24; ++i)
                s.lines.push_back({u"項目%1"_s.arg(i), QString(30, u'値')});
            c.sections.push_back(s);
        }
        BreakdownSection bottom{BreakdownSection::Column::Bottom, u"出典"_s, {}};
        for (int i = 0; i < 8; ++i)
            bottom.lines.push_back({QString(), QString(100, u'出')});
        c.sections.push_back(bottom);

        const std::vector<ChohyoItem> items = BreakdownLayout(c, QDate(2026, 12, 7));
        int texts = 0;
        for (const ChohyoItem& item : items) {
            if (item.kind != ChohyoItem::Kind::Text || item.pointSize != 10)
                continue;
            ++texts;
            const int right = item.rect.left() + cp932::ByteWidth(item.text) * 100;
            QVERIFY2(right <= 15470, qPrintable(item.text));
            QVERIFY2(item.rect.top() + 200 <= 10970, qPrintable(item.text));
            QVERIFY(item.rect.left() >= 530);
        }
        // Every character is printed: 30 full-width values need two rows in a column.
        QVERIFY(texts > 2 * (1 + 24 * 2) + 8);
    }

    void previewCheckBoxIsRememberedBesideTheDatabaseLines() {
        Reference f;
        // The database lines as another build wrote them, spacing and all.
        const QByteArray dbLines =
            cp932::Encode(u"[DB_PATH]\r\nDB_PATH1 = /home/山田/データ \r\n"_s);
        QVERIFY(WriteAll(f.g.IniFilePath, dbLines));
        const BukkenJoho rec = HandWorked();
        FakeReportPrinter printer;
        {
            FrmPrint w(rec, f.make(rec), f.g.IniFilePath, f.ui, printer);
            QVERIFY(w.findChild<QCheckBox*>(QStringLiteral("ChkUtiwake"))->isEnabled());
            QVERIFY(w.findChild<QCheckBox*>(QStringLiteral("ChkUtiwake"))
                        ->isChecked());  // on by default
            const QImage first = w.pageImage();
            w.findChild<QPushButton*>(QStringLiteral("CmdPage"))->click();
            QCOMPARE(w.shownPage(), 1);
            QVERIFY(w.pageImage() != first);
            w.findChild<QPushButton*>(QStringLiteral("CmdPrint"))->click();
            QCOMPARE(printer.jobPageCounts, std::vector<std::size_t>{2});
            QCOMPARE(printer.pages[1]->textList().value(0), u"計算の内訳"_s);

            w.findChild<QCheckBox*>(QStringLiteral("ChkUtiwake"))
                ->click();  // off: back to page 1, which is all that prints
            QCOMPARE(w.shownPage(), 0);
            QVERIFY(!w.findChild<QPushButton*>(QStringLiteral("CmdPage"))->isEnabled());
            w.findChild<QPushButton*>(QStringLiteral("CmdPrint"))->click();
            QCOMPARE(printer.jobPageCounts, (std::vector<std::size_t>{2, 1}));
            f.ui.files.push_back(f.folder.file(u"report.pdf"_s));
            w.findChild<QPushButton*>(QStringLiteral("CmdPdf"))->click();
            QCOMPARE(printer.pdfPageCounts, std::vector<std::size_t>{1});
        }
        QVERIFY(f.ui.shown.empty());
        // The PDF's folder is remembered for the next PDF, after the choice.
        QCOMPARE(ReadAll(f.g.IniFilePath), dbLines + "[OPTIONS]\r\nBREAKDOWN=0\r\nPDF_FOLDER=" +
                                               QFile::encodeName(f.folder.path()) + "\r\n");
        QCOMPARE(ModReadIniFile(f.g.IniFilePath), u"/home/山田/データ"_s);

        // The next run starts with the box off; turning it on again changes only that line.
        {
            FrmPrint w(rec, f.make(rec), f.g.IniFilePath, f.ui, printer);
            QVERIFY(!w.findChild<QCheckBox*>(QStringLiteral("ChkUtiwake"))->isChecked());
            w.findChild<QCheckBox*>(QStringLiteral("ChkUtiwake"))->click();
            f.ui.files.push_back(f.folder.file(u"report2.pdf"_s));
            w.findChild<QPushButton*>(QStringLiteral("CmdPdf"))->click();
            QCOMPARE(printer.pdfPageCounts, (std::vector<std::size_t>{1, 2}));
        }
        QCOMPARE(ReadAll(f.g.IniFilePath), dbLines + "[OPTIONS]\r\nBREAKDOWN=1\r\nPDF_FOLDER=" +
                                               QFile::encodeName(f.folder.path()) + "\r\n");

        // A file from the build that kept the choice in its own section is still read.
        QVERIFY(WriteAll(f.g.IniFilePath, dbLines + "[PRINT]\r\nBREAKDOWN=0\r\n"));
        QVERIFY(!ModReadBreakdownChoice(f.g.IniFilePath));
    }

    // The list window's 印刷: two pages a job while the choice is on (no settings line yet),
    // one page a job once the preview has turned it off.
    void batchFollowsTheChoice() {
        Reference f;
        QVERIFY(ExecSql(f.folder.usrDb(),
                        u"INSERT INTO 物件情報 (物件ID, 住所, 国税路線価, 敷地面積) VALUES "
                        u"(1, '甲府市', 1000000000, 100), (2, '大津市', 500000000, 200);"_s));
        QVERIFY(ModUsrDbOpen(f.g, f.ui, nullptr));
        // The worksheet's dates, which rows saved without theirs keep.
        f.g.Bukken.HyokaDate = QDate(2026, 12, 7);
        f.g.Bukken.RosenkaNendo = QDate(2026, 1, 1);
        FakeReportPrinter printer;
        const auto printBoth = [&] {
            FrmData w(f.g, f.ui);
            w.setReportPrinter(printer);
            QVERIFY(w.Form_Load());
            w.findChild<QTableView*>(QStringLiteral("DataGrid1"))->selectAll();
            f.ui.answers.push_back(Answer::Yes);
            w.findChild<QPushButton*>(QStringLiteral("CmdPrint"))->click();
        };
        printBoth();
        QCOMPARE(printer.jobPageCounts, (std::vector<std::size_t>{2, 2}));
        // Each job's second page is its own property's: 100,000 × 100 ÷ 0.8 and 50,000 × 200 ÷ 0.8.
        const QStringList second[] = {printer.pages[1]->textList(), printer.pages[3]->textList()};
        for (const QStringList& page : second)
            QCOMPARE(page.value(0), u"計算の内訳"_s);
        const QString both = second[0].join(u'\n') + u"\n--\n"_s + second[1].join(u'\n');
        QVERIFY2(both.contains(u"= 100,000 × 100 × 1 ÷ 0.8 = 12,500,000 円"_s), qPrintable(both));
        QVERIFY(both.contains(u"= 50,000 × 200 × 1 ÷ 0.8 = 12,500,000 円"_s));
        QCOMPARE(second[0].contains(u"住所：甲府市"_s) + second[1].contains(u"住所：甲府市"_s), 1);
        QCOMPARE(second[0].contains(u"住所：大津市"_s) + second[1].contains(u"住所：大津市"_s), 1);

        QCOMPARE(ModWriteBreakdownChoice(f.g.IniFilePath, false), ini::WriteResult::Ok);
        printBoth();
        QCOMPARE(printer.jobPageCounts, (std::vector<std::size_t>{2, 2, 1, 1}));
        QVERIFY(f.ui.unexpected.isEmpty());
        QCOMPARE(f.ui.texts().size(), 2);  // the two questions, nothing else
        ModUsrDbClose(f.g);
    }
};

QTEST_MAIN(TestBreakdown)
#include "tst_records_breakdown.moc"
