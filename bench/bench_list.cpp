// The property list window on 100,000 saved properties, 1,000 of them with a 256 KB photo.
//
// Time: from opening the user connection to the list window shown (offscreen) with its count and
// its first rows painted, against stepping through the same list query (photo column left out)
// with the SQLite C API, alternately in the same process. Prints the ratio of the medians
// (target: at most 2).
// Memory: the peak resident size of a process that opens the list window once, on that table and
// on the same table without photos (target: no growth with the 256 MB of photos).
//
// Usage: bench_list [rows] [repetitions] [--smoke]   (re-runs itself with --child for each
// measurement; --smoke: 200 properties, 10 with a photo, one repetition)
#include "BenchSupport.h"

#include "platform/UiServices.h"
#include "records/FrmData.h"
#include "state/ModGlobal.h"

#include <sqlite3.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QRandomGenerator>
#include <QTableView>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace ie;

namespace {

using ie::bench::BenchUi;
using ie::bench::Median;
using ie::bench::StatusKb;

// A user database with `rows` properties; photoRows of them (spread evenly) with a 256 KB photo.
bool MakeDatabase(const QString& path, int rows, int photoRows) {
    return ie::bench::MakeListDatabase(path, rows, photoRows, 256 * 1024);
}

// The list window as the main window opens it: connection, window, list, count, shown, painted.
double OpenListWindow(ModGlobal& g, UiServices& ui, int expectedRows) {
    QElapsedTimer t;
    t.start();
    if (!ModUsrDbOpen(g, ui, nullptr))
        return -1;
    double ms = -1;
    {
        FrmData w(g, ui);
        if (w.Form_Load()) {
            w.show();
            while (!w.windowHandle() || !w.windowHandle()->isExposed()) {
                QCoreApplication::processEvents();
            }
            w.repaint();
            ms = t.nsecsElapsed() / 1e6;
            // The first rows really are on screen: the grid has read them.
            if (w.findChild<QTableView*>(QStringLiteral("DataGrid1"))
                    ->model()
                    ->index(0, 1)
                    .data()
                    .toString()
                    .isEmpty()) {
                ms = -1;
            }
            if (w.findChild<QLabel*>(QStringLiteral("LblRecCnt"))->text() !=
                FrmData::CountText(expectedRows)) {
                std::fprintf(
                    stderr, "unexpected count text: %s\n",
                    w.findChild<QLabel*>(QStringLiteral("LblRecCnt"))->text().toUtf8().constData());
                ms = -1;
            }
        }
    }
    ModUsrDbClose(g);
    return ms;
}

// The same list query stepped with the C API: every column of every row read once.
double StepRaw(const QString& path, int expectedRows) {
    QElapsedTimer t;
    t.start();
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    // The list's columns, the photo left out, in the table's order.
    const QString sql = QStringLiteral(
        "SELECT 物件ID,住所,敷地面積,敷地評価額,家屋評価額,敷地販売価格,家屋販売価格,"
        "合計販売価格,敷地評価額 + 家屋評価額 AS 合計価格,国税路線価,側1路線ランク,"
        "側2路線ランク,裏面路線ランク,南道路ランク,無道路地ランク,間口狭小ランク,"
        "奥行長大ランク,不整形ランク,崖地ランク,高圧線下ランク,販売会社名,担当者名,電話番号,"
        "備考,坪単価,延床面積,年間地価変動率,画地補正率,その他ランク,家屋建築年月日,評価年月日 "
        "FROM 物件情報");
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr);
    const int cols = sqlite3_column_count(st);
    int rows = 0;
    quint64 sum = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        ++rows;
        for (int c = 0; c < cols; ++c) {
            switch (sqlite3_column_type(st, c)) {
                case SQLITE_INTEGER:
                    sum += static_cast<quint64>(sqlite3_column_int64(st, c));
                    break;
                case SQLITE_FLOAT:
                    sum += static_cast<quint64>(sqlite3_column_double(st, c));
                    break;
                case SQLITE_TEXT:
                    sum += reinterpret_cast<const unsigned char*>(sqlite3_column_text(st, c))[0];
                    sum += static_cast<quint64>(sqlite3_column_bytes(st, c));
                    break;
                default:
                    break;
            }
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    const double ms = t.nsecsElapsed() / 1e6;
    if (rows != expectedRows || sum == 0)
        return -1;
    return ms;
}

int Child(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString mode = QString::fromLocal8Bit(argv[2]);
    const QString path = QString::fromLocal8Bit(argv[3]);
    const int rows = std::atoi(argv[4]);
    const int reps = argc > 5 ? std::atoi(argv[5]) : 1;
    BenchUi ui;
    ModGlobal g;
    g.UsrDbPath = path;
    if (mode == QLatin1String("peak")) {
        const long before = StatusKb("VmHWM");
        const double ms = OpenListWindow(g, ui, rows);
        std::printf("%ld %ld %.1f\n", before, StatusKb("VmHWM"), ms);
        return ms < 0;
    }
    // Warm the page cache and the fonts once, then alternate.
    OpenListWindow(g, ui, rows);
    StepRaw(path, rows);
    std::vector<double> window, raw;
    for (int i = 0; i < reps; ++i) {
        window.push_back(OpenListWindow(g, ui, rows));
        raw.push_back(StepRaw(path, rows));
        if (window.back() < 0 || raw.back() < 0)
            return 1;
    }
    std::printf("%.2f %.2f\n", Median(window), Median(raw));
    return 0;
}

QByteArray RunChild(const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--child")} + args);
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput().trimmed();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0) {
        return Child(argc, argv);
    }
    const bool smoke = ie::bench::TakeSmokeFlag(argc, argv);
    QCoreApplication app(argc, argv);
    const int rows = smoke ? 200 : argc > 1 ? std::atoi(argv[1]) : 100000;
    const int reps = smoke ? 1 : argc > 2 ? std::atoi(argv[2]) : 7;
    const int photoRows = std::min(rows, smoke ? 10 : 1000);
    QTemporaryDir dir;
    const QString with = dir.filePath(QStringLiteral("with_photos.mdb"));
    const QString without = dir.filePath(QStringLiteral("without_photos.mdb"));
    QElapsedTimer t;
    t.start();
    if (!MakeDatabase(with, rows, photoRows) || !MakeDatabase(without, rows, 0)) {
        std::fprintf(stderr, "could not build the test databases\n");
        return 1;
    }
    std::printf(
        "bench_list: %d properties, %d with a 256 KB photo (databases built in %.1f s; "
        "%.0f MB and %.0f MB)\n",
        rows, photoRows, t.elapsed() / 1000.0, QFileInfo(with).size() / 1048576.0,
        QFileInfo(without).size() / 1048576.0);

    const QString n = QString::number(rows);
    const QList<QByteArray> times =
        RunChild({QStringLiteral("time"), with, n, QString::number(reps)}).split(' ');
    if (times.size() != 2) {
        std::fprintf(stderr, "timing run failed\n");
        return 1;
    }
    const double window = times[0].toDouble();
    const double raw = times[1].toDouble();
    std::printf("  list window open to shown with count (median of %d): %8.1f ms\n", reps, window);
    std::printf("  same query stepped with the SQLite C API (median):   %8.1f ms\n", raw);
    std::printf("  ratio window / C API: %.2f (target <= 2)\n", window / raw);

    const QList<QByteArray> pw = RunChild({QStringLiteral("peak"), with, n}).split(' ');
    const QList<QByteArray> po = RunChild({QStringLiteral("peak"), without, n}).split(' ');
    if (pw.size() != 3 || po.size() != 3) {
        std::fprintf(stderr, "memory run failed\n");
        return 1;
    }
    const double withMb = pw[1].toLong() / 1024.0;
    const double withoutMb = po[1].toLong() / 1024.0;
    std::printf(
        "  peak memory, list window opened once: with photos %.1f MB, without %.1f MB, "
        "difference %+.1f MB (photos in the table: %.0f MB)\n",
        withMb, withoutMb, withMb - withoutMb, photoRows * 0.25);
    return 0;
}
