// Importing a nationwide-size download of the open price data, against sqlite3's own .import of
// the same rows converted to UTF-8 in the same run; then the comparison's query on the imported
// table, and its peak memory in a child process on the full table and on a tenth of it.
//
// Usage: bench_trades [rows] [--smoke]   (5,000,000 by default, about as many as the whole country
// holds; --smoke: 5,000 rows, one comparison)
#include "BenchSupport.h"

#include "common/Cp932.h"
#include "common/TradeCsv.h"
#include "platform/Database.h"
#include "state/TradeImport.h"
#include "state/TradeStore.h"
#include "valuation/TradeComparison.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

using namespace ie;

namespace {

const char* const kHeader =
    "\"種類\",\"価格情報区分\",\"地域\",\"市区町村コード\",\"都道府県名\",\"市区町村名\","
    "\"地区名\","
    "\"最寄駅：名称\",\"最寄駅：距離（分）\",\"取引価格（総額）\",\"坪単価\",\"間取り\","
    "\"面積（㎡）\",\"取引価格（㎡単価）\",\"土地の形状\",\"間口\",\"延床面積（㎡）\",\"建築年\","
    "\"建物の構造\",\"用途\",\"今後の利用目的\",\"前面道路：方位\",\"前面道路：種類\","
    "\"前面道路：幅員（ｍ）\",\"都市計画\",\"建ぺい率（％）\",\"容積率（％）\",\"取引時期\","
    "\"改装\",\"取引の事情等\"\r\n";

// The rows as a download has them: every prefecture, about 1,900 cities, forty quarters, the
// kinds in their usual shares, and the odd values (ranges of minutes, "2,000㎡以上", 戦前, era
// years, full-width letters, empty cells).
QByteArray Row(QRandomGenerator& rng) {
    static const char* const kinds[] = {
        "宅地(土地と建物)", "宅地(土地と建物)", "宅地(土地)", "宅地(土地)",
        "中古マンション等", "中古マンション等", "農地",       "林地"};
    static const char* const minutes[] = {"5",        "12",       "29",   "30分～60分",
                                          "1H～1H30", "1H30～2H", "2H～", ""};
    static const char* const built[] = {"1980年",   "1995年", "2005年", "2015年",
                                        "昭和55年", "戦前",   ""};
    static const char* const layouts[] = {"３ＬＤＫ", "２ＬＤＫ", "４ＬＤＫ", "", "１Ｋ"};
    static const char* const structures[] = {"木造", "ＲＣ", "ＳＲＣ", "鉄骨造", ""};
    // One city in a hundred rows is the comparison's own, a city busier than any real one.
    const bool busy = rng.bounded(100) == 0;
    const int pref = busy ? 13 : 1 + static_cast<int>(rng.bounded(47));
    const int city = busy ? 13112 : pref * 1000 + 100 + static_cast<int>(rng.bounded(40));
    const char* kind = kinds[rng.bounded(8)];
    const qint64 price = (5 + rng.bounded(200)) * 500000;
    const bool bigArea = rng.bounded(200) == 0;
    const QByteArray area =
        bigArea ? QByteArray("2,000㎡以上") : QByteArray::number(60 + rng.bounded(300));
    const QByteArray floor = QByteArray::number(50 + rng.bounded(150));
    const int period = 2016 * 4 + static_cast<int>(rng.bounded(40));
    const QByteArray periodText =
        QByteArray::number(period / 4) + "年第" + QByteArray::number(period % 4 + 1) + "四半期";
    const char* circumstances = rng.bounded(20) == 0 ? "関係者間取引を含む" : "";
    QByteArray row;
    row.reserve(400);
    const auto field = [&row](const QByteArray& v, bool last = false) {
        row += '"';
        row += v;
        row += last ? "\"\r\n" : "\",";
    };
    field(kind);
    field(rng.bounded(3) == 0 ? "成約価格情報" : "不動産取引価格情報");
    field("住宅地");
    field(QByteArray::number(city));
    field(ie::trades::PrefectureNames().value(pref - 1).toUtf8());
    field("市" + QByteArray::number(city % 1000) + "区");
    field("地区" + QByteArray::number(rng.bounded(30)));
    field("駅" + QByteArray::number(rng.bounded(12)));
    field(minutes[rng.bounded(8)]);
    field(QByteArray::number(price));
    field("");
    field(layouts[rng.bounded(5)]);
    field(area);
    field("");
    field("ほぼ長方形");
    field("10.0");
    field(floor);
    field(built[rng.bounded(7)]);
    field(structures[rng.bounded(5)]);
    field("住宅");
    field("");
    field("南");
    field("市道");
    field("4.0");
    field("第一種低層住居専用地域");
    field("50");
    field("100");
    field(periodText);
    field(rng.bounded(4) == 0 ? "改装済み" : "");
    field(circumstances, true);
    return row;
}

// Writes rows to a CP932 file and the same rows to a UTF-8 one.
bool Generate(const QString& cp932Path, const QString& utf8Path, qint64 rows) {
    QFile cp(cp932Path);
    QFile u8(utf8Path);
    if (!cp.open(QIODevice::WriteOnly) || !u8.open(QIODevice::WriteOnly))
        return false;
    QRandomGenerator rng(20261207);
    QByteArray utf8 = kHeader;
    for (qint64 i = 0; i < rows; ++i) {
        utf8 += Row(rng);
        if (utf8.size() > (4 << 20) || i + 1 == rows) {
            if (u8.write(utf8) != utf8.size())
                return false;
            const QByteArray bytes = cp932::Encode(QString::fromUtf8(utf8));
            if (cp.write(bytes) != bytes.size())
                return false;
            utf8.clear();
        }
    }
    return true;
}

double ImportWithSqlite3(const QString& utf8Path, const QString& dbPath) {
    QFile::remove(dbPath);
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral("sqlite3"), {dbPath});
    p.waitForStarted();
    p.write(".mode csv\n.import '" + QFile::encodeName(utf8Path) + "' t\n");
    p.closeWriteChannel();
    const bool finished = p.waitForFinished(-1);
    const double s = t.elapsed() / 1000.0;
    if (!finished || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "sqlite3: %s\n", p.readAllStandardError().constData());
        return -1;
    }
    return s;
}

// The subject of the comparison: a house in a city of the generated data.
ComparisonSubject Subject() {
    ComparisonSubject s;
    s.house = true;
    s.cityCode = 13112;
    s.district = QStringLiteral("地区3");
    s.valuationPeriod = 2025 * 4 + 3;
    s.size = 3630;
    s.builtYear = 2005;
    s.asking = Currency::fromRaw(qint64(60000000) * Currency::kScale);
    s.estimate = Currency::fromRaw(qint64(45000000) * Currency::kScale);
    return s;
}

// The child: one comparison, then its peak memory.
int CompareChild(const QString& dbPath) {
    try {
        db::Connection con;
        OpenTradesDb(con, dbPath, false);
        const ComparisonResult r = CompareWithTrades(con, Subject());
        std::printf("%ld %d\n", bench::StatusKb("VmHWM"), static_cast<int>(r.trades.size()));
        return 0;
    } catch (const AppError& e) {
        std::fprintf(stderr, "comparison failed: %s\n", e.description().toUtf8().constData());
        return 1;
    }
}

// -1 when the child failed.
long ChildPeakKb(const QString& dbPath) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--compare"), dbPath});
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return -1;
    return QString::fromLatin1(p.readAllStandardOutput()).split(QLatin1Char(' ')).value(0).toLong();
}

double ImportSeconds(const QString& csv, const QString& db, TradeImportResult* out) {
    QFile::remove(db);
    TradeImportProgress progress;
    QElapsedTimer t;
    t.start();
    *out = ImportTrades({csv}, db, progress);
    return t.elapsed() / 1000.0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool smoke = ie::bench::TakeSmokeFlag(argc, argv);
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QStringLiteral("--compare"))
        return CompareChild(args[2]);
    const qint64 rows = smoke ? 5000 : args.size() > 1 ? args[1].toLongLong() : 5000000;
    QTemporaryDir dir(QDir::temp().filePath(QStringLiteral("bench_trades-XXXXXX")));
    dir.setAutoRemove(!qEnvironmentVariableIsSet("BENCH_KEEP"));
    const QString cp = dir.filePath(QStringLiteral("All.csv"));
    const QString u8 = dir.filePath(QStringLiteral("All-utf8.csv"));
    QElapsedTimer gen;
    gen.start();
    if (!Generate(cp, u8, rows)) {
        std::fprintf(stderr, "cannot write the test files\n");
        return 1;
    }
    std::printf("rows %lld, CP932 file %.0f MB, generated in %.1f s\n",
                static_cast<long long>(rows), QFileInfo(cp).size() / 1e6, gen.elapsed() / 1000.0);

    const double baseline = ImportWithSqlite3(u8, dir.filePath(QStringLiteral("baseline.db")));
    TradeImportResult result;
    const QString db = dir.filePath(QStringLiteral("Torihiki_t.sqlite"));
    const double ours = ImportSeconds(cp, db, &result);
    if (baseline < 0 || result.end != TradeImportResult::End::Done || result.added <= 0) {
        std::fprintf(stderr, "an import failed: %s\n", result.message.toUtf8().constData());
        return 1;
    }
    std::printf(
        "import: %.2f s (added %lld, skipped %lld, %d quarters); sqlite3 .import of the "
        "UTF-8 rows: %.2f s; ratio %.2f (limit 2.00)\n",
        ours, static_cast<long long>(result.added), static_cast<long long>(result.skipped),
        result.quarters, baseline, ours / baseline);

    std::vector<double> ms;
    size_t found = 0;
    {
        db::Connection con;
        OpenTradesDb(con, db, false);
        for (int i = 0; i < (smoke ? 1 : 20); ++i) {
            QElapsedTimer t;
            t.start();
            const ComparisonResult r = CompareWithTrades(con, Subject());
            ms.push_back(t.nsecsElapsed() / 1e6);
            found = r.trades.size();
        }
    }
    std::printf("comparison: median of %zu %.2f ms (limit 50), %zu trades in its tier\n", ms.size(),
                bench::Median(ms), found);
    if (found == 0) {
        std::fprintf(stderr, "the comparison found no trade\n");
        return 1;
    }

    // Peak memory of one comparison, on the full table and on a tenth of it.
    TradeImportResult small;
    const QString smallCsv = dir.filePath(QStringLiteral("tenth.csv"));
    const QString smallU8 = dir.filePath(QStringLiteral("tenth-utf8.csv"));
    const QString smallDb = dir.filePath(QStringLiteral("tenth.sqlite"));
    if (!Generate(smallCsv, smallU8, std::max<qint64>(rows / 10, 1))) {
        std::fprintf(stderr, "cannot write the test files\n");
        return 1;
    }
    ImportSeconds(smallCsv, smallDb, &small);
    const long fullKb = ChildPeakKb(db);
    const long tenthKb = ChildPeakKb(smallDb);
    if (small.end != TradeImportResult::End::Done || fullKb < 0 || tenthKb < 0) {
        std::fprintf(stderr, "the memory runs failed\n");
        return 1;
    }
    std::printf(
        "comparison peak memory (VmHWM of a child): %ld kB on %lld rows, %ld kB on %lld "
        "rows\n",
        fullKb, static_cast<long long>(rows), tenthKb,
        static_cast<long long>(std::max<qint64>(rows / 10, 1)));
    return 0;
}
