// The comparison of saved properties: the figures and reasons of each property, the orders, the
// chart as drawn (which bars, in which order, how long against each other), hovering, and saving
// and printing it.
#include "app/FrmMain.h"
#include "platform/UiServices.h"
#include "records/FrmData.h"
#include "records/FrmHikaku.h"
#include "records/HikakuData.h"
#include "state/ModGlobal.h"
#include "support/FakeReportPrinter.h"
#include "support/ModalDriver.h"
#include "support/Permissions.h"
#include "support/RecordingPaintDevice.h"
#include "support/RunningProgram.h"
#include "support/ScriptedUi.h"
#include "support/TestFolder.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace ie;
using namespace Qt::StringLiterals;
using ie::test::ExecSql;
using ie::test::FakeReportPrinter;
using ie::test::ModalDriver;
using ie::test::ReadAll;
using ie::test::RecordingPaintDevice;
using ie::test::ScriptedUi;
using ie::test::TestFolder;
using ie::test::WriteAll;

namespace {

db::Value Yen(qint64 yen) {
    return db::Value::currency(Currency::fromRaw(yen * Currency::kScale));
}

// 住所, asking land, house, total, estimated land, house, total.
HikakuEntry Entry(qint32 id, const QString& address, db::Value asking, db::Value estimate) {
    return HikakuEntryOf(id, {db::Value::text(address), db::Value(), db::Value(), asking,
                              db::Value(), db::Value(), estimate});
}

std::vector<qint32> IdsOf(const std::vector<HikakuEntry>& entries) {
    std::vector<qint32> out;
    for (const HikakuEntry& e : entries)
        out.push_back(e.id);
    return out;
}

// The bars drawn on a recorded page, top to bottom, as (asking, estimate) rectangle pairs. The
// legend's swatch of each colour stands above the rows and is left out.
std::vector<std::pair<QRectF, QRectF>> Bars(const RecordingPaintDevice& d) {
    std::vector<QRectF> asking, estimate;
    for (size_t i = 0; i < d.frames.size(); ++i) {
        if (d.frameFills[i] == HikakuAskingColor())
            asking.push_back(d.frames[i]);
        else if (d.frameFills[i] == HikakuEstimateColor())
            estimate.push_back(d.frames[i]);
    }
    const auto byTop = [](const QRectF& a, const QRectF& b) { return a.top() < b.top(); };
    std::sort(asking.begin(), asking.end(), byTop);
    std::sort(estimate.begin(), estimate.end(), byTop);
    std::vector<std::pair<QRectF, QRectF>> out;
    for (size_t i = 1; i < std::min(asking.size(), estimate.size()); ++i)
        out.emplace_back(asking[i], estimate[i]);
    return out;
}

std::unique_ptr<RecordingPaintDevice> Record(const HikakuPage& page, QSize twips) {
    auto d = std::make_unique<RecordingPaintDevice>(twips, 1440);
    QPainter painter(d.get());
    DrawHikakuPage(painter, ChohyoTarget{QRectF(QPointF(0, 0), QSizeF(twips)), QSizeF(twips)},
                   page);
    return d;
}

struct Program {
    TestFolder folder;
    ScriptedUi ui;
    FakeReportPrinter printer;
    ModGlobal g;
    std::unique_ptr<FrmHikaku> w;

    Program() {
        ui.tempDir = folder.tempPath();
        g.UsrDbPath = folder.usrDb();
    }
    // Three comparable properties and two that are not.
    void addFive() {
        QVERIFY(ExecSql(
            folder.usrDb(),
            u"INSERT INTO 物件情報 (物件ID, 住所, 敷地販売価格, 家屋販売価格, 合計販売価格, "
            u"敷地評価額, 家屋評価額) VALUES "
            u"(1, 'さくら町', 300000000000, 150000000000, 450000000000, 250000000000, "
            u"150000000000),"
            u"(2, 'あおば町', NULL, NULL, 300000000000, 200000000000, 200000000000),"
            u"(3, 'カシワ町', NULL, NULL, 200000000000, 0, 0),"
            u"(4, '東京都', NULL, NULL, NULL, 100000000000, 100000000000),"
            u"(5, 'みなと町', NULL, NULL, 100000000000, 50000000000, 50000000000)"_s));
    }
    bool open(std::optional<std::vector<qint32>> ids = std::nullopt) {
        if (!ModUsrDbOpen(g, ui, nullptr))
            return false;
        w = std::make_unique<FrmHikaku>(g, ui, printer, ids);
        return w->Form_Load();
    }
    QStringList barLabels() const {
        QStringList out;
        for (const HikakuBar& b : w->content().bars)
            out << b.label;
        return out;
    }
};

}  // namespace

class TestHikaku : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void figuresAndReasons();
    void orders();
    void chartAsDrawn();
    void emptyDatabase();
    void windowOrdersAndHover();
    void saveAndPrint();
    void failedSaveKeepsTheFile();
    void openedFromListAndMenu();
};

void TestHikaku::figuresAndReasons() {
    // The grid's figures on hand-worked rows are in tst_records_list; here the reasons, and the
    // difference that leaves the currency range.
    const db::Value max = db::Value::currency(Currency::fromRaw(9223372036854775807));
    const struct {
        db::Value asking, estimate;
        QString reason;
        bool ratio;
        QString difference;
    } cases[] = {
        {Yen(45'000'000), Yen(40'000'000), {}, true, u"5,000,000"_s},
        {Yen(10'000'000), Yen(0), NoEstimateText(), false, u"10,000,000"_s},
        {db::Value(), Yen(10'000'000), NoAskingText(), false, {}},
        {Yen(0), db::Value(), NoAskingText() + u"／"_s + NoEstimateText(), false, {}},
        // A 0 saved for an asking price not given has no difference either.
        {Yen(0), Yen(25'881'452), NoAskingText(), false, {}},
        {max, db::Value::currency(Currency::fromRaw(-10000)), NoEstimateText(), false,
         u"922,337,203,685,479"_s},
    };
    for (const auto& c : cases) {
        const HikakuEntry e = Entry(1, u"a"_s, c.asking, c.estimate);
        QCOMPARE(e.reason, c.reason);
        QCOMPARE(e.ratio.has_value(), c.ratio);
        QCOMPARE(e.difference ? e.difference->wholeText() : QString(), c.difference);
    }
    // Only the comparable ones become bars; the others keep their reason.
    const HikakuContent c =
        HikakuContentOf({Entry(1, u"a"_s, Yen(2), Yen(4)), Entry(2, QString(), Yen(1), Yen(0))},
                        HikakuOrder::Ratio, QDate(2026, 12, 7));
    QCOMPARE(c.bars.size(), size_t(1));
    QCOMPARE(c.bars[0].ratioText, u"50.00　％"_s);
    QCOMPARE(c.apart.size(), size_t(1));
    QCOMPARE(c.apart[0].label, u"（住所未入力）"_s);
    QCOMPARE(c.apart[0].reason, NoEstimateText());
}

void TestHikaku::orders() {
    // Ratios 150, 90, 120 %; differences +5, -1, +2 million; one without an asking price.
    std::vector<HikakuEntry> entries = {
        Entry(1, u"さくら町"_s, Yen(15'000'000), Yen(10'000'000)),
        Entry(2, u"東京都"_s, db::Value(), Yen(10'000'000)),
        Entry(3, u"カシワ町"_s, Yen(9'000'000), Yen(10'000'000)),
        Entry(4, u"あおば町"_s, Yen(12'000'000), Yen(10'000'000)),
        Entry(5, u"みなと町"_s, Yen(6'000'000), Yen(5'000'000)),
    };
    using Ids = std::vector<qint32>;
    SortHikaku(entries, HikakuOrder::Ratio);
    QCOMPARE(IdsOf(entries), (Ids{3, 4, 5, 1, 2}));
    SortHikaku(entries, HikakuOrder::Difference);
    QCOMPARE(IdsOf(entries), (Ids{3, 5, 4, 1, 2}));
    // Japanese order: カ before さ, kanji after kana.
    SortHikaku(entries, HikakuOrder::Address);
    QCOMPARE(IdsOf(entries), (Ids{4, 3, 1, 5, 2}));
}

void TestHikaku::chartAsDrawn() {
    HikakuContent c;
    c.today = QDate(2026, 12, 7);
    const QString longAddress = QString(60, QChar(u'長')) + u"町"_s;
    c.bars = {{u"さくら町"_s, 40'000'000, 20'000'000, u"200.00　％"_s, u"a"_s, u"b"_s, {}},
              {longAddress, 10'000'000, 20'000'000, u"50.00　％"_s, u"c"_s, u"d"_s, {}},
              {u"あおば町"_s, 30'000'000, 30'000'000, u"100.00　％"_s, u"e"_s, u"f"_s, {}}};
    c.apart = {{u"東京都"_s, NoAskingText()}};
    const QSize a4(16838, 11906);
    const std::vector<HikakuPage> pages = HikakuLayout(c, a4);
    QCOMPARE(pages.size(), size_t(1));
    const auto d = Record(pages[0], a4);

    const auto bars = Bars(*d);
    QCOMPARE(bars.size(), size_t(3));
    // One scale for all: lengths stand as the amounts do (40 : 20, 10 : 20, 30 : 30 million),
    // every bar starts at the same place, and the rows follow the content's order.
    const auto ratio = [](const QRectF& a, const QRectF& b) { return a.width() / b.width(); };
    QVERIFY(qAbs(ratio(bars[0].first, bars[0].second) - 2.0) < 0.01);
    QVERIFY(qAbs(ratio(bars[1].first, bars[1].second) - 0.5) < 0.01);
    QVERIFY(qAbs(ratio(bars[2].first, bars[2].second) - 1.0) < 0.01);
    QVERIFY(qAbs(ratio(bars[0].first, bars[2].first) - 4.0 / 3.0) < 0.01);
    for (const auto& [asking, estimate] : bars) {
        QCOMPARE(asking.left(), bars[0].first.left());
        QCOMPARE(estimate.left(), bars[0].first.left());
        QVERIFY(asking.bottom() <= estimate.top());
    }
    QVERIFY(bars[0].second.bottom() <= bars[1].first.top());

    // Each row's label and ratio on its bars' level; the long address cut short with "…",
    // whole on hover; the property kept apart, with its reason, below the rows.
    const auto baselineOf = [&](const QString& text) {
        for (const auto& t : d->texts())
            if (t.text == text)
                return t.baseline.y();
        return -1.0;
    };
    const auto onRow = [&](const QString& text, size_t row) {
        const double y = baselineOf(text);
        return y > bars[row].first.top() && y < bars[row].second.bottom() + 200;
    };
    QVERIFY(onRow(u"さくら町"_s, 0) && onRow(u"あおば町"_s, 2));
    for (size_t i = 0; i < 3; ++i)
        QVERIFY(onRow(c.bars[i].ratioText, i));
    const QStringList texts = d->textList();
    QVERIFY(!texts.contains(longAddress));
    QVERIFY(std::any_of(texts.begin(), texts.end(), [](const QString& t) {
        return t.startsWith(u"長長"_s) && t.endsWith(u"…"_s);
    }));
    for (const HikakuItem& item : pages[0].items)
        if (item.text == longAddress)
            QCOMPARE(HikakuTipAt(pages[0], item.rect.center()), longAddress);
    QCOMPARE(HikakuTipAt(pages[0], bars[1].second.center().toPoint()), u"d"_s);
    QVERIFY(baselineOf(u"東京都"_s + NoAskingText()) > bars[2].second.bottom());

    // Many rows go over several pages, each numbered, the bars of one scale throughout.
    HikakuContent many = c;
    many.bars.clear();
    for (int i = 1; i <= 40; ++i)
        many.bars.push_back({QString::number(i), 1'000'000.0 * i, 1'000'000, u""_s, {}, {}, {}});
    const std::vector<HikakuPage> paged = HikakuLayout(many, a4);
    QVERIFY(paged.size() >= 2);
    size_t drawn = 0;
    for (size_t p = 0; p < paged.size(); ++p) {
        const auto dp = Record(paged[p], a4);
        drawn += Bars(*dp).size();
        QVERIFY(dp->textList().contains(QString::number(p + 1) + u" / "_s +
                                        QString::number(paged.size())));
    }
    QCOMPARE(drawn, size_t(40));
}

void TestHikaku::emptyDatabase() {
    Program p;
    QVERIFY(p.open());
    const auto d = Record(
        p.w->findChild<HikakuChartView*>(QStringLiteral("PicChart"))->page(),
        QSize(16838, p.w->findChild<HikakuChartView*>(QStringLiteral("PicChart"))->page().height));
    QVERIFY(d->textList().contains(HikakuEmptyText()));
    QVERIFY(Bars(*d).empty());
    QVERIFY(p.ui.shown.empty());
}

void TestHikaku::windowOrdersAndHover() {
    Program p;
    p.addFive();
    QVERIFY(p.open({{5, 4, 3, 1}}));  // the chosen ones only
    // 100 % before 112.5 %; カシワ町 (no estimate) and 東京都 (no asking price) apart.
    QCOMPARE(p.barLabels(), (QStringList{u"みなと町"_s, u"さくら町"_s}));
    QCOMPARE(p.w->content().apart.size(), size_t(2));
    p.w->findChild<QComboBox*>(QStringLiteral("CboOrder"))->setCurrentIndex(2);
    QCOMPARE(p.barLabels(), (QStringList{u"さくら町"_s, u"みなと町"_s}));
    // Hovering over さくら町's asking bar on the screen.
    p.w->show();
    QVERIFY(QTest::qWaitForWindowExposed(p.w.get()));
    QRect bar;
    for (const HikakuItem& item :
         p.w->findChild<HikakuChartView*>(QStringLiteral("PicChart"))->page().items)
        if (item.kind == HikakuItem::Kind::AskingBar && item.row == 0)
            bar = item.rect;
    QCOMPARE(p.w->findChild<HikakuChartView*>(QStringLiteral("PicChart"))->tipAt(bar.center() / 15),
             u"販売価格\n敷地：30,000,000 円\n家屋：15,000,000 円\n合計：45,000,000 円"_s);
}

void TestHikaku::saveAndPrint() {
    Program p;
    p.addFive();
    QVERIFY(p.open());
    // PNG: a picture as wide as the A4 page at twice the screen's density.
    const QString png = p.folder.file(u"比較.png"_s);
    p.ui.files.push_back(p.folder.file(u"比較"_s));
    QTest::mouseClick(p.w->findChild<QPushButton*>(QStringLiteral("CmdPng")), Qt::LeftButton);
    QImage saved(png);
    QVERIFY(!saved.isNull());
    QCOMPARE(saved.size(), p.w->chartImage().size());
    // Each save is noted with the file's name; the name offered carries the day.
    QCOMPARE(p.ui.notes.size(), 1);
    QVERIFY(p.ui.notes[0].contains(QDir::toNativeSeparators(png)));
    QCOMPARE(QFileInfo(p.ui.choosers.back().initialPath).fileName(), u"物件比較_20261207.png"_s);
    // An existing file is replaced only when the user says so.
    const QByteArray before = ReadAll(png);
    p.ui.files.push_back(png);
    p.ui.answers.push_back(Answer::No);
    QTest::mouseClick(p.w->findChild<QPushButton*>(QStringLiteral("CmdPng")), Qt::LeftButton);
    QCOMPARE(ReadAll(png), before);
    QCOMPARE(p.ui.notes.size(), 1);  // nothing saved, nothing noted
    // The user database is never written over.
    const QByteArray database = ReadAll(p.g.UsrDbPath);
    p.ui.files.push_back(p.g.UsrDbPath);
    QTest::mouseClick(p.w->findChild<QPushButton*>(QStringLiteral("CmdPng")), Qt::LeftButton);
    QCOMPARE(ReadAll(p.g.UsrDbPath), database);
    QVERIFY(
        p.ui.texts().back().startsWith(u"いえねだん帳が使用しているユーザーデータベースには"_s));
    QVERIFY(p.ui.unexpected.isEmpty());

    // PDF through the printer service, one A4 page here.
    const QString pdf = p.folder.file(u"比較.pdf"_s);
    p.ui.files.push_back(pdf);
    QTest::mouseClick(p.w->findChild<QPushButton*>(QStringLiteral("CmdPdf")), Qt::LeftButton);
    QCOMPARE(p.printer.pdfPaths, QStringList{pdf});
    QCOMPARE(p.printer.pdfPageCounts, std::vector<std::size_t>{1});
    QVERIFY(ReadAll(pdf).startsWith("%PDF"));
    QCOMPARE(p.ui.notes.size(), 2);

    // Printing: one job whose page shows the three bars, in the report's font.
    QTest::mouseClick(p.w->findChild<QPushButton*>(QStringLiteral("CmdPrint")), Qt::LeftButton);
    QCOMPARE(p.printer.jobPageCounts, std::vector<std::size_t>{1});
    const RecordingPaintDevice& page = *p.printer.pages.at(0);
    QCOMPARE(Bars(page).size(), size_t(3));
    QVERIFY(page.textList().contains(u"さくら町"_s));
    QCOMPARE(page.texts().front().font.family(), ChohyoFontFamily());
    // No printer: the message, and nothing printed.
    p.printer.printers = false;
    QTest::mouseClick(p.w->findChild<QPushButton*>(QStringLiteral("CmdPrint")), Qt::LeftButton);
    QCOMPARE(p.printer.jobPageCounts.size(), size_t(1));
    QCOMPARE(p.ui.shown.back().icon, MsgIcon::Exclamation);
    QVERIFY(p.ui.unexpected.isEmpty());
}

void TestHikaku::failedSaveKeepsTheFile() {
    Program p;
    p.addFive();
    QVERIFY(p.open());
    // A folder that is not there: the message names the file and why.
    const QString missing = p.folder.file(u"無い/比較.png"_s);
    p.ui.files.push_back(missing);
    QTest::mouseClick(p.w->findChild<QPushButton*>(QStringLiteral("CmdPng")), Qt::LeftButton);
    QCOMPARE(p.ui.shown.size(), size_t(1));
    QCOMPARE(p.ui.shown[0].icon, MsgIcon::Critical);
    const QStringList parts = p.ui.shown[0].text.split(u'\r');
    QCOMPARE(parts.size(), 3);
    QCOMPARE(parts[0], u"ファイルに保存できませんでした。"_s);
    QCOMPARE(parts[1], QDir::toNativeSeparators(missing));
    QVERIFY(!parts[2].isEmpty());
    QVERIFY(!QFile::exists(missing));

    // An earlier file in a folder that may not be written stays as it was, PNG and PDF alike.
    IE_REQUIRE_PERMISSIONS_BIND();
    const QString folder = p.folder.file(u"ro"_s);
    QVERIFY(QDir().mkpath(folder));
    for (const QString& name : {u"old.png"_s, u"old.pdf"_s}) {
        const QString path = folder + u'/' + name;
        QVERIFY(WriteAll(path, "earlier"));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        p.ui.clear();
        p.ui.files.push_back(path);
        p.ui.answers.push_back(Answer::Yes);
        QTest::mouseClick(name.endsWith(u"png"_s)
                              ? p.w->findChild<QPushButton*>(QStringLiteral("CmdPng"))
                              : p.w->findChild<QPushButton*>(QStringLiteral("CmdPdf")),
                          Qt::LeftButton);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(ReadAll(path), QByteArray("earlier"));
        QCOMPARE(p.ui.shown.back().icon, MsgIcon::Critical);
        // Named once: the PDF's text comes whole from the printer service.
        QCOMPARE(p.ui.shown.back().text.count(QDir::toNativeSeparators(path)), 1);
    }
}

namespace {

// The labels of the bars and of the properties kept apart in the next comparison opened by open().
QStringList Compared(const std::function<void()>& open) {
    QStringList labels;
    ModalDriver drive(u"FrmHikaku"_s, [&](QDialog* d) {
        const HikakuContent& c = static_cast<FrmHikaku*>(d)->content();
        for (const HikakuBar& b : c.bars)
            labels << b.label;
        for (const HikakuApart& a : c.apart)
            labels << a.label;
        d->close();
    });
    open();
    if (!drive.ran())
        return {u"(no comparison)"_s};
    return labels;
}

}  // namespace

void TestHikaku::openedFromListAndMenu() {
    Program p;
    p.addFive();
    {
        QVERIFY(ModUsrDbOpen(p.g, p.ui, nullptr));
        FrmData list(p.g, p.ui);
        list.setReportPrinter(p.printer);
        QVERIFY(list.Form_Load());
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        // Nothing selected: every property.
        QCOMPARE(Compared([&] {
                     list.findChild<QPushButton*>(QStringLiteral("CmdHikaku"))->click();
                 }).size(),
                 5);
        // Two selected rows: those two.
        list.findChild<QTableView*>(QStringLiteral("DataGrid1"))->selectRow(0);
        list.findChild<QTableView*>(QStringLiteral("DataGrid1"))
            ->selectionModel()
            ->select(list.findChild<QTableView*>(QStringLiteral("DataGrid1"))->model()->index(3, 0),
                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(
            Compared([&] { list.findChild<QPushButton*>(QStringLiteral("CmdHikaku"))->click(); }),
            (QStringList{u"さくら町"_s, u"東京都"_s}));
        ModUsrDbClose(p.g);
    }
    // The menu compares every property, with the same connection handling as the list.
    p.g.ProgramFolder = p.folder.path();
    FrmMain main(p.g, p.ui, FrmMain::Options{false, test::InstanceName(p.folder)});
    QVERIFY(main.startUp());
    QVERIFY(main.findChild<QAction*>(QStringLiteral("mnuHikaku"))->isEnabled());
    QCOMPARE(
        Compared([&] { main.findChild<QAction*>(QStringLiteral("mnuHikaku"))->trigger(); }).size(),
        5);
    QVERIFY(!p.g.UsrDbCon.isOpen());
    QVERIFY(p.ui.unexpected.isEmpty());
}

QTEST_MAIN(TestHikaku)
#include "tst_records_hikaku.moc"
