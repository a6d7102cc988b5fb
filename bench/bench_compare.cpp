// 物件比較 on 1,000 saved properties, 100 of them with a 5 MB photo.
//
// Time: from opening the user connection to the comparison shown (offscreen) with every property
// charted, against opening the list window on the same database (connection, window, count, first
// rows painted), alternately in the same process. Prints the ratio of the medians (target: at
// most 2).
// Memory: the peak resident size of a process that opens the comparison once, on that database
// and on the same database without photos (target: no growth with the 500 MB of photos).
//
// Usage: bench_compare [rows] [repetitions] [--smoke]   (re-runs itself with --child for each
// measurement; --smoke: 20 properties, 2 photos of 64 KB, one repetition)
#include "BenchSupport.h"

#include "records/FrmData.h"
#include "records/FrmHikaku.h"
#include "report/ReportPrinter.h"
#include "state/ModGlobal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <QWindow>

#include <cstdio>
#include <cstring>
#include <vector>

using namespace ie;

namespace {

using ie::bench::BenchUi;
using ie::bench::Median;
using ie::bench::StatusKb;

void WaitShown(QWidget& w) {
    w.show();
    while (!w.windowHandle() || !w.windowHandle()->isExposed())
        QCoreApplication::processEvents();
    w.repaint();
}

// The list window as the main window opens it: connection, window, list, count, shown, painted.
double OpenList(ModGlobal& g, UiServices& ui, int rows) {
    QElapsedTimer t;
    t.start();
    if (!ModUsrDbOpen(g, ui, nullptr))
        return -1;
    double ms = -1;
    {
        FrmData w(g, ui);
        if (w.Form_Load()) {
            WaitShown(w);
            ms = t.nsecsElapsed() / 1e6;
            if (w.findChild<QLabel*>(QStringLiteral("LblRecCnt"))->text() !=
                    FrmData::CountText(rows) ||
                w.findChild<QTableView*>(QStringLiteral("DataGrid1"))
                    ->model()
                    ->index(0, 1)
                    .data()
                    .toString()
                    .isEmpty())
                ms = -1;
        }
    }
    ModUsrDbClose(g);
    return ms;
}

// The comparison of every saved property as the 編集 menu opens it.
double OpenComparison(ModGlobal& g, UiServices& ui, int rows) {
    QElapsedTimer t;
    t.start();
    if (!ModUsrDbOpen(g, ui, nullptr))
        return -1;
    double ms = -1;
    {
        FrmHikaku w(g, ui, DefaultReportPrinter(), std::nullopt);
        if (w.Form_Load()) {
            WaitShown(w);
            ms = t.nsecsElapsed() / 1e6;
            if (static_cast<int>(w.content().bars.size()) != rows) {
                std::fprintf(stderr, "charted %zu of %d\n", w.content().bars.size(), rows);
                ms = -1;
            }
        }
    }
    ModUsrDbClose(g);
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
        const double ms = OpenComparison(g, ui, rows);
        std::printf("%ld %ld %.1f\n", before, StatusKb("VmHWM"), ms);
        return ms < 0;
    }
    // Warm the page cache and the fonts once, then alternate.
    OpenList(g, ui, rows);
    OpenComparison(g, ui, rows);
    std::vector<double> list, comparison;
    for (int i = 0; i < reps; ++i) {
        list.push_back(OpenList(g, ui, rows));
        comparison.push_back(OpenComparison(g, ui, rows));
        if (list.back() < 0 || comparison.back() < 0)
            return 1;
    }
    std::printf("%.2f %.2f\n", Median(comparison), Median(list));
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
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0)
        return Child(argc, argv);
    const bool smoke = ie::bench::TakeSmokeFlag(argc, argv);
    QCoreApplication app(argc, argv);
    const int rows = smoke ? 20 : argc > 1 ? std::atoi(argv[1]) : 1000;
    const int reps = smoke ? 1 : argc > 2 ? std::atoi(argv[2]) : 9;
    const int photoBytes = smoke ? 64 * 1024 : 5 * 1024 * 1024;
    QTemporaryDir dir;
    const QString with = dir.filePath(QStringLiteral("with_photos.mdb"));
    const QString without = dir.filePath(QStringLiteral("without_photos.mdb"));
    QElapsedTimer t;
    t.start();
    const int photos = std::min(rows, smoke ? 2 : 100);
    if (!ie::bench::MakeListDatabase(with, rows, photos, photoBytes) ||
        !ie::bench::MakeListDatabase(without, rows, 0, 0)) {
        std::fprintf(stderr, "could not build the test databases\n");
        return 1;
    }
    std::printf(
        "bench_compare: %d properties, %d with a %.2f MB photo (databases built in %.1f s; "
        "%.0f MB and %.1f MB)\n",
        rows, photos, photoBytes / 1048576.0, t.elapsed() / 1000.0,
        QFileInfo(with).size() / 1048576.0, QFileInfo(without).size() / 1048576.0);

    const QString n = QString::number(rows);
    const QList<QByteArray> times =
        RunChild({QStringLiteral("time"), with, n, QString::number(reps)}).split(' ');
    if (times.size() != 2) {
        std::fprintf(stderr, "timing run failed\n");
        return 1;
    }
    const double comparison = times[0].toDouble();
    const double list = times[1].toDouble();
    std::printf("  comparison open to shown, every property charted (median of %d): %7.1f ms\n",
                reps, comparison);
    std::printf("  list window open to shown with count (median):                 %7.1f ms\n",
                list);
    std::printf("  ratio comparison / list: %.2f (target <= 2)\n", comparison / list);

    const QList<QByteArray> pw = RunChild({QStringLiteral("peak"), with, n}).split(' ');
    const QList<QByteArray> po = RunChild({QStringLiteral("peak"), without, n}).split(' ');
    if (pw.size() != 3 || po.size() != 3) {
        std::fprintf(stderr, "memory run failed\n");
        return 1;
    }
    const double withMb = pw[1].toLong() / 1024.0;
    const double withoutMb = po[1].toLong() / 1024.0;
    std::printf(
        "  peak memory, comparison opened once: with photos %.1f MB, without %.1f MB, "
        "difference %+.1f MB (photos in the table: %.1f MB)\n",
        withMb, withoutMb, withMb - withoutMb, photos * (photoBytes / 1048576.0));
    return 0;
}
