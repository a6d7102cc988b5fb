// Importing trades into their own database: whole quarters replaced, never counted twice, rows
// alike kept, bad rows skipped with their line, files of other data refused, and a cancel, a full
// disk or a damaged file leaving every quarter as it was.
#include "common/Cp932.h"
#include "common/TradeCsv.h"
#include "platform/Database.h"
#include "platform/FileLocations.h"
#include "state/TradeImport.h"
#include "state/TradeStore.h"
#include "support/FileSizeLimit.h"
#include "support/TestFolder.h"

#include <QTest>

#include <zip.h>

using namespace ie;
using namespace ie::test;

namespace {

const QStringList kHeader =
    QStringLiteral(
        "種類,価格情報区分,地域,市区町村コード,都道府県名,市区町村名,地区名,"
        "最寄駅：名称,最寄駅：距離（分）,取引価格（総額）,坪単価,間取り,"
        "面積（㎡）,取引価格（㎡単価）,土地の形状,間口,延床面積（㎡）,建築年,"
        "建物の構造,用途,今後の利用目的,前面道路：方位,前面道路：種類,"
        "前面道路：幅員（ｍ）,都市計画,建ぺい率（％）,容積率（％）,取引時期,"
        "改装,取引の事情等")
        .split(QLatin1Char(','));

// A row of the 30-column layout; price 0 writes an unreadable price.
struct Row {
    QString city = QStringLiteral("13112");
    QString period = QStringLiteral("2025年第1四半期");
    qint64 price = 50000000;
    QString district = QStringLiteral("桜丘");
    QString circumstances;
};

QByteArray Csv(const std::vector<Row>& rows) {
    QString text =
        QLatin1Char('"') + kHeader.join(QStringLiteral("\",\"")) + QStringLiteral("\"\r\n");
    for (const Row& r : rows) {
        QStringList v(kHeader.size());
        v[0] = QStringLiteral("宅地(土地と建物)");
        v[1] = QStringLiteral("不動産取引価格情報");
        v[3] = r.city;
        v[4] = r.city.startsWith(QStringLiteral("13")) ? QStringLiteral("東京都")
                                                       : QStringLiteral("大阪府");
        v[5] = QStringLiteral("世田谷区");
        v[6] = r.district;
        v[9] = r.price > 0 ? QString::number(r.price) : QStringLiteral("非公開");
        v[12] = QStringLiteral("120");
        v[16] = QStringLiteral("100");
        v[17] = QStringLiteral("2005年");
        v[27] = r.period;
        v[29] = r.circumstances;
        text += QLatin1Char('"') + v.join(QStringLiteral("\",\"")) + QStringLiteral("\"\r\n");
    }
    return cp932::Encode(text);
}

std::vector<Row> Rows(int n, const QString& period, qint64 price = 50000000) {
    std::vector<Row> rows(static_cast<size_t>(n));
    for (Row& r : rows) {
        r.period = period;
        r.price = price;
    }
    return rows;
}

// Quarter -> trades held, for one prefecture.
std::map<int, qint64> Held(const QString& dbPath, int prefecture) {
    db::Connection con;
    OpenTradesDb(con, dbPath, false);
    std::map<int, qint64> out;
    for (const TradePrefectureSummary& s : TradeSummary(con)) {
        if (s.prefecture != prefecture)
            continue;
        for (int p : s.periods) {
            const auto rows = ReadTrades(con, 13112, trades::Kind::HouseAndLand, p, p);
            out[p] = static_cast<qint64>(rows.size());
        }
    }
    return out;
}

qint64 Total(const QString& dbPath) {
    db::Connection con;
    OpenTradesDb(con, dbPath, false);
    qint64 n = 0;
    for (const TradePrefectureSummary& s : TradeSummary(con))
        n += s.trades;
    return n;
}

const int kQ1 = 2025 * 4;
const int kQ2 = 2025 * 4 + 1;

bool WriteZip(const QString& path, const std::vector<std::pair<QString, QByteArray>>& entries) {
    int err = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (z == nullptr)
        return false;
    std::vector<QByteArray> keep;
    for (const auto& [name, bytes] : entries) {
        keep.push_back(bytes);
        zip_source_t* src = zip_source_buffer(z, keep.back().constData(),
                                              static_cast<zip_uint64_t>(keep.back().size()), 0);
        if (zip_file_add(z, name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(src);
            zip_discard(z);
            return false;
        }
    }
    return zip_close(z) == 0;
}

}  // namespace

class TestTrades : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void reimportNeverCountsTwice();
    void laterFileGivesTheQuarter();
    void skippedRowsNamed();
    void otherFilesRefused();
    void zipAndUtf8();
    void cancelled();
    void fullDisk();
    void damagedDatabase();
    void removePrefecture();

private:
    std::unique_ptr<TestFolder> folder_;
    QString db_;
    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = folder_->file(name);
        WriteAll(path, bytes);
        return path;
    }
    TradeImportResult import(const QStringList& paths) {
        TradeImportProgress progress;
        return ImportTrades(paths, db_, progress);
    }
};

void TestTrades::init() {
    folder_ = std::make_unique<TestFolder>(false);
    db_ = folder_->file(QStringLiteral("data/") + TradesDbName());
}

void TestTrades::reimportNeverCountsTwice() {
    // Two rows alike in every column are two sales: both kept.
    std::vector<Row> rows = Rows(3, QStringLiteral("2025年第1四半期"));
    for (const Row& r : Rows(2, QStringLiteral("2025年第2四半期")))
        rows.push_back(r);
    const QString a = file(QStringLiteral("13_Tokyo.csv"), Csv(rows));
    TradeImportResult r = import({a});
    QVERIFY2(r.end == TradeImportResult::End::Done, qPrintable(r.message));
    QCOMPARE(r.added, qint64(5));
    QCOMPARE(r.replaced, qint64(0));
    QCOMPARE(r.quarters, 2);
    QCOMPARE(Total(db_), qint64(5));

    r = import({a});
    QCOMPARE(r.added, qint64(0));
    QCOMPARE(r.replaced, qint64(5));
    QCOMPARE(r.removed, qint64(5));
    QCOMPARE(Total(db_), qint64(5));
    QCOMPARE(Held(db_, 13), (std::map<int, qint64>{{kQ1, 3}, {kQ2, 2}}));
    QVERIFY(TradeImportSummary(r).contains(QStringLiteral("置き換え 5 件")));
}

void TestTrades::laterFileGivesTheQuarter() {
    std::vector<Row> rows = Rows(3, QStringLiteral("2025年第1四半期"));
    for (const Row& r : Rows(2, QStringLiteral("2025年第2四半期")))
        rows.push_back(r);
    QCOMPARE(int(import({file(QStringLiteral("full.csv"), Csv(rows))}).end),
             int(TradeImportResult::End::Done));

    // A later download of one quarter only: that quarter replaced whole, the other untouched.
    const QString q2 =
        file(QStringLiteral("q2.csv"), Csv(Rows(4, QStringLiteral("2025年第2四半期"))));
    TradeImportResult r = import({q2});
    QCOMPARE(r.replaced, qint64(4));
    QCOMPARE(r.removed, qint64(2));
    QCOMPARE(Held(db_, 13), (std::map<int, qint64>{{kQ1, 3}, {kQ2, 4}}));

    // Two files of one import covering the same quarter: the later one gives it, once.
    const QString q1a =
        file(QStringLiteral("q1a.csv"), Csv(Rows(6, QStringLiteral("2025年第1四半期"))));
    const QString q1b =
        file(QStringLiteral("q1b.csv"), Csv(Rows(1, QStringLiteral("2025年第1四半期"))));
    r = import({q1a, q1b});
    QCOMPARE(r.replaced, qint64(1));
    QCOMPARE(Held(db_, 13), (std::map<int, qint64>{{kQ1, 1}, {kQ2, 4}}));
}

void TestTrades::skippedRowsNamed() {
    std::vector<Row> rows = Rows(8, QStringLiteral("2025年第1四半期"));
    rows[1].price = 0;                        // line 3
    rows[4].period = QStringLiteral("不明");  // line 6
    rows[5].city = QStringLiteral("ABC");     // line 7
    const QString path = file(QStringLiteral("odd.csv"), Csv(rows));
    const TradeImportResult r = import({path});
    QCOMPARE(int(r.end), int(TradeImportResult::End::Done));
    QCOMPARE(r.added, qint64(5));
    QCOMPARE(r.skipped, qint64(3));
    QCOMPARE(r.problems.size(), size_t(3));
    QCOMPARE(r.problems[0].line, qint64(3));
    QCOMPARE(r.problems[0].column, QStringLiteral("取引価格（総額）"));
    QCOMPARE(r.problems[1].line, qint64(6));
    QCOMPARE(r.problems[1].column, QStringLiteral("取引時期"));
    QCOMPARE(r.problems[2].column, QStringLiteral("市区町村コード"));
    const QString summary = TradeImportSummary(r);
    QVERIFY2(summary.contains(QStringLiteral("odd.csv 3行目「取引価格（総額）」")),
             qPrintable(summary));
    QVERIFY(summary.contains(QStringLiteral("読み飛ばし 3 件")));
}

void TestTrades::otherFilesRefused() {
    const QString good =
        file(QStringLiteral("good.csv"), Csv(Rows(2, QStringLiteral("2025年第1四半期"))));
    QCOMPARE(import({good}).added, qint64(2));

    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>((i * 131) & 0xff);
    const QString bin = file(QStringLiteral("photo.jpg"), binary);
    const QString other =
        file(QStringLiteral("list.csv"), QByteArray("\"name\",\"price\"\r\n\"a\",\"1\"\r\n"));
    const QString otherZip = folder_->file(QStringLiteral("other.zip"));
    QVERIFY(WriteZip(otherZip, {{QStringLiteral("readme.txt"), QByteArray("hello")}}));
    const QString zipOfOtherCsv = folder_->file(QStringLiteral("othercsv.zip"));
    QVERIFY(WriteZip(zipOfOtherCsv, {{QStringLiteral("a.csv"), QByteArray("x,y\r\n1,2\r\n")}}));

    for (const QString& bad : {bin, other, otherZip, zipOfOtherCsv}) {
        // Refused even beside a good file, and nothing of the good one imported either.
        const QString another =
            file(QStringLiteral("more.csv"), Csv(Rows(7, QStringLiteral("2025年第2四半期"))));
        const TradeImportResult r = import({another, bad});
        QCOMPARE(int(r.end), int(TradeImportResult::End::Refused));
        QVERIFY2(r.message.contains(QStringLiteral("取引価格（総額）")), qPrintable(r.message));
        QVERIFY(r.message.contains(QFileInfo(bad).fileName()));
        QCOMPARE(Total(db_), qint64(2));
    }
}

void TestTrades::zipAndUtf8() {
    // A nationwide download: one CSV per prefecture in a ZIP; and a file re-saved as UTF-8.
    const QByteArray tokyo = Csv(Rows(3, QStringLiteral("2025年第1四半期")));
    std::vector<Row> osakaRows = Rows(2, QStringLiteral("2025年第1四半期"));
    for (Row& r : osakaRows)
        r.city = QStringLiteral("27102");
    const QString zipPath = folder_->file(QStringLiteral("All_20251_20252.zip"));
    QVERIFY(WriteZip(zipPath, {{QStringLiteral("13_Tokyo_20251_20252.csv"), tokyo},
                               {QStringLiteral("27_Osaka_20251_20252.csv"), Csv(osakaRows)}}));
    TradeImportResult r = import({zipPath});
    QCOMPARE(int(r.end), int(TradeImportResult::End::Done));
    QCOMPARE(r.added, qint64(5));

    std::vector<Row> q2 = Rows(2, QStringLiteral("2025年第2四半期"));
    const QString utf8 = file(QStringLiteral("utf8.csv"),
                              QByteArray("\xEF\xBB\xBF") + cp932::Decode(Csv(q2)).toUtf8());
    const QString utf8NoBom =
        file(QStringLiteral("utf8b.csv"),
             cp932::Decode(Csv(Rows(1, QStringLiteral("2025年第3四半期")))).toUtf8());
    r = import({utf8, utf8NoBom});
    QCOMPARE(int(r.end), int(TradeImportResult::End::Done));
    QCOMPARE(r.added, qint64(3));
    QCOMPARE(Total(db_), qint64(8));
    db::Connection con;
    OpenTradesDb(con, db_, false);
    const std::vector<TradeCity> cities = TradeCities(con, 13);
    QCOMPARE(cities.size(), size_t(1));
    QCOMPARE(cities[0].name, QStringLiteral("世田谷区"));
    QCOMPARE(TradeDistricts(con, 13112), QStringList{QStringLiteral("桜丘")});
}

void TestTrades::cancelled() {
    std::vector<Row> rows;
    for (const QString& p : {QStringLiteral("2025年第1四半期"), QStringLiteral("2025年第2四半期"),
                             QStringLiteral("2025年第3四半期")}) {
        for (const Row& r : Rows(1500, p, 40000000))
            rows.push_back(r);
    }
    const QString first = file(QStringLiteral("first.csv"), Csv(rows));
    QCOMPARE(import({first}).added, qint64(4500));
    for (Row& r : rows)
        r.price = 60000000;
    for (const Row& r : Rows(700, QStringLiteral("2025年第1四半期"), 60000000))
        rows.push_back(r);
    const QString second = file(QStringLiteral("second.csv"), Csv(rows));

    // Cancelled while reading: nothing replaced.
    {
        TradeImportProgress progress;
        progress.onStep = [&] { progress.cancel = true; };
        const TradeImportResult r = ImportTrades({second}, db_, progress);
        QCOMPARE(int(r.end), int(TradeImportResult::End::Cancelled));
        QCOMPARE(r.quarters, 0);
        QCOMPARE(Held(db_, 13), (std::map<int, qint64>{{kQ1, 1500}, {kQ2, 1500}, {kQ1 + 2, 1500}}));
    }
    // Cancelled after the first quarter is written: that one wholly new, the others wholly old.
    {
        TradeImportProgress progress;
        progress.rowsPerTransaction = 1;  // a transaction a quarter
        progress.onStep = [&] {
            if (progress.quartersWritten >= 1)
                progress.cancel = true;
        };
        const TradeImportResult r = ImportTrades({second}, db_, progress);
        QCOMPARE(int(r.end), int(TradeImportResult::End::Cancelled));
        QCOMPARE(r.quarters, 1);
        QCOMPARE(Held(db_, 13), (std::map<int, qint64>{{kQ1, 2200}, {kQ2, 1500}, {kQ1 + 2, 1500}}));
        db::Connection con;
        OpenTradesDb(con, db_, false);
        for (const StoredTrade& t : ReadTrades(con, 13112, trades::Kind::HouseAndLand, kQ2, kQ2))
            QCOMPARE(t.trade.price, qint64(40000000));
        QVERIFY(TradeImportSummary(r).contains(QStringLiteral("中止")));
    }
}

void TestTrades::fullDisk() {
    const QString first =
        file(QStringLiteral("first.csv"), Csv(Rows(50, QStringLiteral("2025年第1四半期"))));
    QCOMPARE(import({first}).added, qint64(50));
    const QString big =
        file(QStringLiteral("big.csv"), Csv(Rows(20000, QStringLiteral("2025年第1四半期"))));
    TradeImportResult r;
    {
        FileSizeLimit limit(QFileInfo(db_).size() + 64 * 1024);
        QVERIFY(limit.ok());
        r = import({big});
    }
    QCOMPARE(int(r.end), int(TradeImportResult::End::Failed));
    QVERIFY2(r.message.startsWith(QStringLiteral("ファイルに書き込めません。")),
             qPrintable(r.message));
    QVERIFY(!QFileInfo::exists(db_ + QStringLiteral("-import")));
    QCOMPARE(Held(db_, 13), (std::map<int, qint64>{{kQ1, 50}}));
}

void TestTrades::damagedDatabase() {
    QDir().mkpath(QFileInfo(db_).absolutePath());
    QVERIFY(WriteAll(db_, QByteArray(8192, 'x')));
    const TradeImportResult r =
        import({file(QStringLiteral("a.csv"), Csv(Rows(2, QStringLiteral("2025年第1四半期"))))});
    QCOMPARE(int(r.end), int(TradeImportResult::End::Failed));
    QVERIFY(r.damaged);
    QCOMPARE(ReadAll(db_), QByteArray(8192, 'x'));
    QVERIFY(RemoveTradesDb(db_));
    QCOMPARE(import({folder_->file(QStringLiteral("a.csv"))}).added, qint64(2));
}

void TestTrades::removePrefecture() {
    std::vector<Row> rows = Rows(3, QStringLiteral("2025年第1四半期"));
    for (Row r : Rows(2, QStringLiteral("2025年第2四半期"))) {
        r.city = QStringLiteral("27102");
        rows.push_back(r);
    }
    QCOMPARE(import({file(QStringLiteral("a.csv"), Csv(rows))}).added, qint64(5));
    db::Connection con;
    OpenTradesDb(con, db_, false);
    QCOMPARE(TradePrefectures(con), (QList<int>{13, 27}));
    QCOMPARE(RemoveTradePrefecture(con, 13), qint64(3));
    QCOMPARE(TradePrefectures(con), QList<int>{27});
    QVERIFY(TradeCities(con, 13).empty());
    QCOMPARE(TradeSummary(con).front().trades, qint64(2));
}

QTEST_GUILESS_MAIN(TestTrades)
#include "tst_state_trades.moc"
