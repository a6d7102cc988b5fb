// The CSV export on 100,000 saved properties, as a whole process, against the sqlite3 command-line
// program writing the same query as CSV in the same run. Prints the ratio of the median wall times
// (target: at most 1.5) and the export's peak memory growth against the size of the file it wrote
// (target: at most twice the file).
//
// Usage: bench_export [rows] [--smoke]   (the program re-runs itself with --child for each export;
// --smoke: 200 rows, one run, no judgement)
#include "BenchSupport.h"

#include "platform/Database.h"
#include "records/CsvExport.h"
#include "state/ModGlobal.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

using namespace ie;

namespace {

using ie::bench::Exec;
using ie::bench::Median;
using ie::bench::ReadText;
using ie::bench::Spawn;
using ie::bench::StatusKb;
using Run = ie::bench::SpawnRun;

// The export as the program runs it, minus the windows: open the user database, write the file.
int Child(const char* dbPath, const char* outPath) {
    db::Connection con;
    con.setConnectionString(ConnectionString(QString::fromLocal8Bit(dbPath)));
    con.open();
    const long before = StatusKb("VmRSS");
    const CsvExportResult r = ExportCsv(con, QString::fromLocal8Bit(outPath));
    const long peak = StatusKb("VmHWM");
    con.close();
    if (!r.ok) {
        std::fprintf(stderr, "export failed: %s\n", r.error.toUtf8().constData());
        return 1;
    }
    std::printf("%ld %ld %lld\n", before, peak, static_cast<long long>(r.rows));
    return 0;
}
// Fills 物件情報 with rows that look like what users save: Japanese addresses and names, prices in
// whole yen and some with fractions, areas and rates as doubles, a date, no photo.
bool Fill(const QString& dbPath, int rows) {
    sqlite3* db = nullptr;
    if (sqlite3_open(dbPath.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    bool ok = Exec(db, "DELETE FROM 物件情報; BEGIN");
    sqlite3_stmt* st = nullptr;
    // By column name: the table gains columns through the upgrade steps, and those keep their
    // defaults here.
    const char* sql =
        "INSERT INTO 物件情報 (物件ID, 国税路線価, 敷地面積, 側1路線ランク, 側2路線ランク, "
        "裏面路線ランク, 無道路地ランク, 南道路ランク, その他ランク, 間口狭小ランク, "
        "奥行長大ランク, 不整形ランク, 崖地ランク, 高圧線下ランク, 年間地価変動率, 画地補正率, "
        "敷地評価額, 坪単価, 延床面積, 家屋建築年月日, 家屋評価額, 評価年月日, 住所, 販売会社名, "
        "担当者名, 電話番号, 敷地販売価格, 家屋販売価格, 合計販売価格, 備考, 現場写真) "
        "VALUES (?1, ?2, ?3, 0, 0, 0, 0, 0, ?4, 0, 0, 0, 0, 0, ?5, 0.95, ?6, ?7, ?8, ?9, ?10, "
        "'2026-12-07', ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, NULL)";
    ok = ok && sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK;
    const char* towns[] = {"東京都世田谷区桜新町", "神奈川県横浜市青葉区美しが丘",
                           "埼玉県さいたま市浦和区高砂", "千葉県船橋市本町",
                           "大阪府吹田市千里山東"};
    const char* companies[] = {"株式会社さくら不動産", "ＡＢＣホーム株式会社", "みどり住宅販売",
                               "有限会社丸一商事"};
    for (int i = 1; ok && i <= rows; ++i) {
        const std::string address = std::string(towns[i % 5]) + std::to_string(i % 9 + 1) + "丁目" +
                                    std::to_string(i % 40 + 1) + "番" + std::to_string(i % 17 + 1) +
                                    "号";
        const std::string phone =
            "03-" + std::to_string(1000 + i % 9000) + "-" + std::to_string(1000 + (i * 7) % 9000);
        const std::string remark =
            i % 10 == 0 ? "南向き〜日当たり良好" : "駅徒歩" + std::to_string(i % 20 + 3) + "分";
        const qint64 rosenka = (150000 + (i % 300) * 1000) * 10000LL;
        const double area = 100.0 + (i % 1000) * 0.37;
        const qint64 land = qint64(rosenka / 10000 * area) * 10000 + (i % 10000);
        const qint64 house = (8000000 + (i % 500) * 12345) * 10000LL;
        sqlite3_bind_int(st, 1, i);
        sqlite3_bind_int64(st, 2, rosenka);
        sqlite3_bind_double(st, 3, area);
        sqlite3_bind_int(st, 4, i % 7 - 3);
        sqlite3_bind_double(st, 5, (i % 11 - 5) * 0.005);
        sqlite3_bind_int64(st, 6, land);
        sqlite3_bind_double(st, 7, 500000.0 + (i % 50) * 10000);
        sqlite3_bind_double(st, 8, 25.0 + (i % 40) * 0.25);
        char date[11];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d", 1970 + i % 50, i % 12 + 1, i % 28 + 1);
        sqlite3_bind_text(st, 9, date, -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 10, house);
        sqlite3_bind_text(st, 11, address.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 12, companies[i % 4], -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 13, "山田", -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 14, phone.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 15, (30000000 + i % 1000 * 10000) * 10000LL);
        sqlite3_bind_int64(st, 16, (15000000 + i % 700 * 10000) * 10000LL);
        sqlite3_bind_int64(st, 17, (45000000 + i % 1700 * 10000) * 10000LL);
        sqlite3_bind_text(st, 18, remark.c_str(), -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(st) == SQLITE_DONE && sqlite3_reset(st) == SQLITE_OK;
    }
    sqlite3_finalize(st);
    ok = ok && Exec(db, "COMMIT");
    sqlite3_close(db);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0)
        return Child(argv[2], argv[3]);

    const bool smoke = ie::bench::TakeSmokeFlag(argc, argv);
    const int rows = smoke ? 200 : argc > 1 ? std::atoi(argv[1]) : 100000;
    const int kRuns = smoke ? 1 : 5;

    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString db = dir.filePath(QStringLiteral("Morinaxis_u.mdb"));
    if (!ie::bench::MakeUserDatabase(db)) {
        std::fprintf(stderr, "cannot make a user database in %s\n", qPrintable(dir.path()));
        return 1;
    }
    QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
    if (!Fill(db, rows)) {
        std::fprintf(stderr, "could not fill the database\n");
        return 1;
    }

    const std::string self =
        QFileInfo(QString::fromLocal8Bit(argv[0])).absoluteFilePath().toStdString();
    const std::string dbPath = db.toStdString();
    const std::string ours = dir.filePath(QStringLiteral("export.csv")).toStdString();
    const std::string theirs = dir.filePath(QStringLiteral("sqlite3.csv")).toStdString();
    const std::string childOut = dir.filePath(QStringLiteral("child.txt")).toStdString();
    const std::string query = ie::CsvExportQuery().toStdString();

    std::vector<double> oursT, theirsT, oursCpu, theirsCpu;
    long growthKb = 0;
    for (int i = 0; i <= kRuns; ++i) {  // the first round warms the caches and is not counted
        const Run a = Spawn({self, "--child", dbPath, ours}, childOut);
        const Run b = Spawn({"sqlite3", "-csv", dbPath, query}, theirs);
        if (!a.ok || !b.ok) {
            std::fprintf(stderr, "a run failed (export %d, sqlite3 %d)\n", a.ok, b.ok);
            return 1;
        }
        if (i == 0)
            continue;
        oursT.push_back(a.seconds);
        theirsT.push_back(b.seconds);
        oursCpu.push_back(a.cpu);
        theirsCpu.push_back(b.cpu);
        long before = 0, peak = 0;
        long long written = 0;
        const std::string childText = ReadText(childOut);
        if (std::sscanf(childText.c_str(), "%ld %ld %lld", &before, &peak, &written) != 3 ||
            written != rows) {
            std::fprintf(stderr, "the export wrote %lld of %d rows\n", written, rows);
            return 1;
        }
        growthKb = std::max(growthKb, peak - before);
    }

    const double mOurs = Median(oursT), mTheirs = Median(theirsT);
    const qint64 fileBytes = QFileInfo(QString::fromStdString(ours)).size();
    const qint64 sqliteBytes = QFileInfo(QString::fromStdString(theirs)).size();
    const double ratio = mOurs / mTheirs;
    const double memRatio = double(growthKb) * 1024.0 / double(fileBytes);
    std::printf("rows                      %d\n", rows);
    std::printf("export (whole process)    median %.3f s wall, %.3f s CPU over %d runs\n", mOurs,
                Median(oursCpu), kRuns);
    std::printf("sqlite3 -csv              median %.3f s wall, %.3f s CPU over %d runs\n", mTheirs,
                Median(theirsCpu), kRuns);
    std::printf("time ratio                %.2f (target <= 1.5) %s\n", ratio,
                ratio <= 1.5 ? "ok" : "OVER");
    std::printf("output file               %lld bytes (sqlite3's: %lld bytes)\n",
                static_cast<long long>(fileBytes), static_cast<long long>(sqliteBytes));
    std::printf("peak memory growth        %ld kB = %.2f x the file (target <= 2) %s\n", growthKb,
                memRatio, memRatio <= 2.0 ? "ok" : "OVER");
    return smoke || (ratio <= 1.5 && memRatio <= 2.0) ? 0 : 2;
}
