// The trade windows through their controls and scripted services: an import ending with its
// summary, a cancelled one changing nothing, the comparison of the worksheet's property with its
// table, picture and credit, and a damaged trades database that never reaches the properties.
#include "common/Cp932.h"
#include "records/FrmSouba.h"
#include "records/FrmTrades.h"
#include "state/ModGlobal.h"
#include "state/TradeStore.h"
#include "support/FakeReportPrinter.h"
#include "support/ScriptedUi.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QTableWidget>
#include <QTest>

using namespace ie;
using namespace ie::test;

namespace {

// Trades of 世田谷区桜丘: houses of about 120 ㎡ built 2005, one sold between relatives.
QByteArray Download(int rows) {
    const QString header = QStringLiteral(
        "\"種類\",\"市区町村コード\",\"都道府県名\",\"市区町村名\",\"地区名\",\"取引価格（総額）\","
        "\"面積（㎡）\",\"延床面積（㎡）\",\"建築年\",\"取引時期\",\"取引の事情等\"\r\n");
    QString text = header;
    for (int i = 0; i < rows; ++i) {
        text +=
            QStringLiteral("\"宅地(土地と建物)\",\"13112\",\"東京都\",\"世田谷区\",\"桜丘\",\"") +
            QString::number(40000000 + 1000000 * i) +
            QStringLiteral("\",\"150\",\"120\",\"2005年\",\"2026年第2四半期\",\"") +
            (i == 0 ? QStringLiteral("関係者間取引") : QString()) + QStringLiteral("\"\r\n");
    }
    return cp932::Encode(text);
}

}  // namespace

class TestTradeWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void importShowsSummary();
    void cancelledImportChangesNothing();
    void comparisonOfWorksheet();
    void damagedDatabaseOffered();

private:
    std::unique_ptr<TestFolder> folder_;
    ModGlobal g_;
    ScriptedUi ui_;
    QString csv_;
};

void TestTradeWindows::init() {
    folder_ = std::make_unique<TestFolder>(false);
    g_.TradesDbPath = folder_->file(QStringLiteral("Torihiki_t.sqlite"));
    g_.Bukken = BukkenJoho{};
    ui_ = ScriptedUi{};
    csv_ = folder_->file(QStringLiteral("13_Tokyo.csv"));
    QVERIFY(WriteAll(csv_, Download(8)));
}

void TestTradeWindows::importShowsSummary() {
    ui_.fileLists.push_back({csv_});
    QVERIFY(RunTradeImport(g_, ui_, nullptr));
    QCOMPARE(ui_.tracks, 1);
    QCOMPARE(ui_.shown.size(), size_t(1));
    QCOMPARE(ui_.shown[0].icon, MsgIcon::Information);
    QVERIFY2(
        ui_.shown[0].text.contains(QStringLiteral("追加 8 件、置き換え 0 件、読み飛ばし 0 件")),
        qPrintable(ui_.shown[0].text));
    QVERIFY(ui_.unexpected.isEmpty());

    FrmTrades view(g_, ui_);
    QVERIFY(view.Form_Load());
    auto* grid = view.findChild<QTableWidget*>(QStringLiteral("GrdTrades"));
    QCOMPARE(grid->rowCount(), 1);
    QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("東京都"));
    QCOMPARE(grid->item(0, 3)->text(), QStringLiteral("8"));
    grid->selectRow(0);
    ui_.answers.push_back(Answer::Yes);
    view.CmdDel_Click();
    QCOMPARE(grid->rowCount(), 0);
}

void TestTradeWindows::cancelledImportChangesNothing() {
    ui_.fileLists.push_back({csv_});
    ui_.cancelTracks.push_back(true);
    QVERIFY(!RunTradeImport(g_, ui_, nullptr));
    QVERIFY(ui_.shown.back().text.startsWith(QStringLiteral("取り込みを中止しました。")));
    db::Connection con;
    OpenTradesDb(con, g_.TradesDbPath, false);
    QVERIFY(TradeSummary(con).empty());
}

void TestTradeWindows::comparisonOfWorksheet() {
    ui_.fileLists.push_back({csv_});
    QVERIFY(RunTradeImport(g_, ui_, nullptr));
    ui_.clear();
    BukkenJoho& b = g_.Bukken;
    b.ShozaiKen = QStringLiteral("東京都");
    b.ShozaiCityCode = 13112;
    b.ShozaiCity = QStringLiteral("世田谷区");
    b.ShozaiChiku = QStringLiteral("桜丘");
    b.HyokaDate = QDate(2026, 12, 7);
    b.KaokuTuboTanka = 600000;
    b.KaokuTateTubo = 36.3;
    b.KaokuDate = QDate(2004, 4, 1);
    b.GokeiHanbaiKakaku = Currency::fromRaw(qint64(55000000) * Currency::kScale);
    FakeReportPrinter printer;
    FrmSouba view(g_, ui_, printer, b);
    QVERIFY(view.Form_Load());
    QCOMPARE(view.result().tier, 1);
    QCOMPARE(view.result().price.count, 7);
    QCOMPARE(view.result().leftOut, 1);
    auto* grid = view.findChild<QTableWidget*>(QStringLiteral("GrdTrades"));
    QCOMPARE(grid->rowCount(), 8);
    // Sorted by price, highest first: numbers, not texts ("9,…" after "47,…").
    grid->sortByColumn(4, Qt::DescendingOrder);
    QCOMPARE(grid->item(0, 4)->text(), QStringLiteral("47,000,000円"));
    QCOMPARE(grid->item(7, 4)->text(), QStringLiteral("40,000,000円"));
    QCOMPARE(grid->item(7, 13)->text(), QStringLiteral("関係者間取引"));
    QCOMPARE(grid->item(7, 14)->text(), QStringLiteral("除外"));
    // The median of 41 to 47 million; asking 55 million is 125 % of it.
    const QString lines = view.content().lines.join(QLatin1Char('\n'));
    QVERIFY2(lines.contains(QStringLiteral("中央値 44,000,000円")), qPrintable(lines));
    QVERIFY(lines.contains(QStringLiteral("販売価格÷中央値：125.")));
    QVERIFY(view.content().credit.startsWith(QStringLiteral("出典：国土交通省")));
    QCOMPARE(view.content().points.size(), size_t(8));

    const QString png = folder_->file(QStringLiteral("souba.png"));
    ui_.files.push_back(png);
    QMetaObject::invokeMethod(&view, "CmdPng_Click");
    QImage saved(png);
    QVERIFY(!saved.isNull());
    QVERIFY(saved.width() > saved.height());
    ui_.files.push_back(folder_->file(QStringLiteral("souba.pdf")));
    QMetaObject::invokeMethod(&view, "CmdPdf_Click");
    QCOMPARE(printer.pdfPageCounts, std::vector<std::size_t>{1});
    QVERIFY(ui_.unexpected.isEmpty());
    QCOMPARE(ui_.notes.size(), 2);
    QVERIFY(ui_.notes[1].contains(
        QDir::toNativeSeparators(folder_->file(QStringLiteral("souba.pdf")))));
}

void TestTradeWindows::damagedDatabaseOffered() {
    QVERIFY(WriteAll(g_.TradesDbPath, QByteArray(4096, 'z')));
    BukkenJoho& b = g_.Bukken;
    b.ShozaiCityCode = 13112;
    b.HyokaDate = QDate(2026, 12, 7);
    b.TotiMenseki = 150;
    FakeReportPrinter printer;
    FrmSouba view(g_, ui_, printer, b);
    ui_.answers.push_back(Answer::No);
    QVERIFY(!view.Form_Load());
    QCOMPARE(ui_.shown.size(), size_t(1));
    QVERIFY(ui_.shown[0].text.contains(QStringLiteral("壊れています")));
    QVERIFY(ui_.shown[0].text.contains(QStringLiteral("物件情報には影響ありません")));
    QCOMPARE(ReadAll(g_.TradesDbPath), QByteArray(4096, 'z'));

    // Yes: made again from a new import.
    ui_.clear();
    ui_.answers.push_back(Answer::Yes);
    ui_.fileLists.push_back({csv_});
    QVERIFY(!view.Form_Load());
    QVERIFY(ui_.texts().back().contains(QStringLiteral("追加 8 件")));
    FrmSouba again(g_, ui_, printer, b);
    // Land alone: no land-only trades there, fewer than five even in the widest tier.
    QVERIFY(again.Form_Load());
    QVERIFY(!again.result().enough);
}

QTEST_MAIN(TestTradeWindows)
#include "tst_records_trades.moc"
